#include "DumpText.h"

#include <charconv>
#include <cmath>

#include "base/UXlsUnicode.h"

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

namespace {

// Splits the shortest scientific form "d.ddde±XX" into its digits and the
// exponent of the first digit.
void ShortestDigits(double aValue, std::string& aDigits, int& aExponent)
{
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, aValue, std::chars_format::scientific);
    const std::string_view text(buf, static_cast<std::size_t>(res.ptr - buf));
    const std::size_t e = text.find('e');
    aDigits.clear();
    for (char c : text.substr(0, e))
        if (c >= '0' && c <= '9') aDigits += c;
    aExponent = std::stoi(std::string(text.substr(e + 1)));
}

}  // namespace

std::string DumpNumber(double aValue)
{
    if (std::isnan(aValue)) return "nan";
    if (std::isinf(aValue)) return aValue < 0 ? "-inf" : "inf";
    std::string out = std::signbit(aValue) ? "-" : "";
    const double magnitude = std::fabs(aValue);
    if (magnitude == 0) return out + "0.0";

    std::string digits;
    int exponent = 0;
    ShortestDigits(magnitude, digits, exponent);
    const int count = static_cast<int>(digits.size());
    if (exponent < -4 || exponent >= 16) {
        out += digits[0];
        if (count > 1) out += "." + digits.substr(1);
        const int absExp = exponent < 0 ? -exponent : exponent;
        out += exponent < 0 ? "e-" : "e+";
        if (absExp < 10) out += '0';
        return out + std::to_string(absExp);
    }
    if (exponent < 0) return out + "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    if (count <= exponent + 1)
        return out + digits + std::string(static_cast<std::size_t>(exponent + 1 - count), '0') + ".0";
    const auto point = static_cast<std::size_t>(exponent + 1);
    return out + digits.substr(0, point) + "." + digits.substr(point);
}

std::string A1Reference(std::uint32_t aRow, std::uint32_t aCol)
{
    std::string letters;
    for (std::uint64_t c = std::uint64_t(aCol) + 1; c > 0; c = (c - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
    return letters + std::to_string(std::uint64_t(aRow) + 1);
}

std::string DumpErrorText(std::uint8_t aCode)
{
    switch (aCode) {
    case 0x00: return "#NULL!";
    case 0x07: return "#DIV/0!";
    case 0x0F: return "#VALUE!";
    case 0x17: return "#REF!";
    case 0x1D: return "#NAME?";
    case 0x24: return "#NUM!";
    case 0x2A: return "#N/A";
    default: return "#ERR" + std::to_string(aCode);
    }
}

}  // namespace xlstool
