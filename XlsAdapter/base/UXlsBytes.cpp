#include "base/UXlsBytes.h"

namespace xls {

namespace {

std::uint8_t HexDigit(char c)
{
    if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<std::uint8_t>(c - 'a' + 10);
    RaiseXls(TXlsMsg::LogicalError);
}

}  // namespace

TBytes BytesFromHex(std::string_view aText)
{
    TBytes out;
    for (std::size_t i = 0; i < aText.size(); ++i) {
        if (aText[i] == ' ') continue;
        if (i + 1 >= aText.size()) RaiseXls(TXlsMsg::LogicalError);
        out.push_back(static_cast<std::uint8_t>(HexDigit(aText[i]) << 4 | HexDigit(aText[i + 1])));
        ++i;
    }
    return out;
}

}  // namespace xls
