#include "DumpText.h"

#include "UXlsUnicode.h"

namespace xlstool {

std::string EscapeDumpText(std::u16string_view aText)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    // UTF-8 encodes everything from U+0080 on in bytes >= 0x80, so escaping
    // works byte by byte on the converted text.
    for (char c : xls::Utf16ToUtf8(aText)) {
        const auto b = static_cast<unsigned char>(c);
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default:
            if (b < 0x20) {
                out += "\\x";
                out += kHex[b >> 4];
                out += kHex[b & 0xF];
            } else {
                out += c;
            }
        }
    }
    return out;
}

}  // namespace xlstool
