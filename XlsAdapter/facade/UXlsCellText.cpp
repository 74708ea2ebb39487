#include "facade/UXlsCellText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <string>

#include "base/UXlsUnicode.h"

namespace xls {

namespace {

constexpr auto npos = std::u16string_view::npos;
constexpr char16_t kNoSeparator = 0;

bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// A separator the number reader can tell apart from blanks, digits, signs and
// the exponent letter; any other would let it loop over or accept nonsense.
bool IsUsableSeparator(char16_t c)
{
    return c > u' ' && !IsAsciiDigit(c) && c != u'+' && c != u'-' && c != u'e' && c != u'E';
}

struct TNumberSeparators {
    char16_t Decimal = kNoSeparator;
    char16_t Thousands = kNoSeparator;
};

// The locale's separators as the number reader uses them; an unusable one, or
// a thousands separator equal to the decimal separator, counts as absent.
TNumberSeparators NumberSeparators(const TXlsFormatSettings& fs)
{
    TNumberSeparators sep;
    if (IsUsableSeparator(fs.DecimalSeparator)) sep.Decimal = fs.DecimalSeparator;
    if (IsUsableSeparator(fs.ThousandSeparator) && fs.ThousandSeparator != sep.Decimal)
        sep.Thousands = fs.ThousandSeparator;
    return sep;
}

// The text with its percent or currency mark taken off; the first mark found wins.
struct TMarkedText {
    std::u16string_view S;
    bool Percent = false;
    bool Currency = false;
};

TMarkedText TakeOffMarks(std::u16string_view s, std::u16string_view currency)
{
    if (s.starts_with(u'%')) return {s.substr(1), true, false};
    if (s.ends_with(u'%')) return {s.substr(0, s.size() - 1), true, false};
    // An empty currency string would match every text; it never marks one.
    if (!currency.empty() && s.starts_with(currency)) return {s.substr(currency.size()), false, true};
    if (!currency.empty() && s.ends_with(currency)) return {s.substr(0, s.size() - currency.size()), false, true};
    return {s};
}

// Removes the thousands separators only when every one the integer part needs
// stands in its place: 1-based positions L-3, L-7, ... of an integer part of
// length L hold the separator (or "-"). Anything else is kept unchanged and
// left for the number reader to refuse.
TXlsString WithoutThousandSeparators(std::u16string_view s, TNumberSeparators sep)
{
    TXlsString kept(s);
    if (sep.Thousands == kNoSeparator) return kept;
    // Blanks around the number (left behind by a currency string, "1.234 €")
    // do not count as places of the integer part.
    while (!s.empty() && s.front() == u' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == u' ') s.remove_suffix(1);
    const auto decimalAt = sep.Decimal == kNoSeparator ? npos : s.find(sep.Decimal);
    if (decimalAt != npos && s.find(sep.Thousands, decimalAt) != npos) return kept;
    if (s.starts_with(sep.Thousands)) return kept;
    const std::u16string_view integerPart = s.substr(0, decimalAt);
    for (std::size_t fromEnd = 4; fromEnd <= integerPart.size(); fromEnd += 4) {
        const char16_t c = integerPart[integerPart.size() - fromEnd];
        if (c != sep.Thousands && c != u'-') return kept;
    }
    std::erase(kept, sep.Thousands);
    return kept;
}

struct TReadNumber {
    double Value = 0;
    bool HasExponent = false;
};

// Decimal exponent limit that keeps the magnitude arithmetic below in range.
constexpr long long kExponentCap = 1'000'000'000;

// Reads a number in full: blanks, an optional sign, digits with at most one
// decimal separator, an optional exponent, blanks. Converted without the
// process locale. A value beyond the double range is no number; one too small
// for it is 0.
std::optional<TReadNumber> ReadNumber(std::u16string_view s, char16_t decimal)
{
    std::size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < s.size() && s[i] == u' ') ++i;
    };
    skipBlanks();
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';

    std::string integerDigits, fractionDigits;
    bool afterDecimal = false;
    for (; i < s.size(); ++i) {
        if (IsAsciiDigit(s[i])) (afterDecimal ? fractionDigits : integerDigits) += static_cast<char>(s[i]);
        else if (s[i] == decimal && decimal != kNoSeparator && !afterDecimal) afterDecimal = true;
        else break;
    }
    if (integerDigits.empty() && fractionDigits.empty()) return std::nullopt;

    TReadNumber number;
    bool negativeExponent = false;
    std::string exponentDigits;
    if (i < s.size() && (s[i] == u'e' || s[i] == u'E')) {
        number.HasExponent = true;
        ++i;
        if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) negativeExponent = s[i++] == u'-';
        while (i < s.size() && IsAsciiDigit(s[i])) exponentDigits += static_cast<char>(s[i++]);
        if (exponentDigits.empty()) return std::nullopt;
    }
    skipBlanks();
    if (i != s.size()) return std::nullopt;

    std::string ascii = negative ? "-" : "";
    ascii += integerDigits.empty() ? "0" : integerDigits;
    if (!fractionDigits.empty()) ascii += "." + fractionDigits;
    if (number.HasExponent) ascii += (negativeExponent ? "e-" : "e") + exponentDigits;

    const auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), number.Value);
    if (ec == std::errc{} && end == ascii.data() + ascii.size()) return number;
    if (ec != std::errc::result_out_of_range) return std::nullopt;

    // Out of range: overflow when the leading significant digit stands at a
    // positive decimal position, underflow otherwise.
    const std::string allDigits = integerDigits + fractionDigits;
    const auto significant = allDigits.find_first_not_of('0');
    if (significant == std::string::npos) return std::nullopt;
    const auto firstSignificant = static_cast<long long>(significant);
    long long exponent = 0;
    for (char d : exponentDigits) exponent = std::min(exponent * 10 + (d - '0'), kExponentCap);
    const long long position =
        static_cast<long long>(integerDigits.size()) - firstSignificant + (negativeExponent ? -exponent : exponent);
    if (position > 0) return std::nullopt;
    number.Value = 0;
    return number;
}

std::optional<TCellTextReading> ReadNumberText(std::u16string_view t, const TXlsFormatSettings& fs)
{
    const TNumberSeparators sep = NumberSeparators(fs);
    const TMarkedText marked = TakeOffMarks(t, fs.CurrencyString);
    const auto number = ReadNumber(WithoutThousandSeparators(marked.S, sep), sep.Decimal);
    if (!number) return std::nullopt;

    TCellTextReading reading;
    reading.Kind = TCellTextKind::Number;
    reading.Value = marked.Percent ? number->Value / 100 : number->Value;
    const bool withDecimals = sep.Decimal != kNoSeparator && marked.S.find(sep.Decimal, 1) != npos;
    // The exponent mark counts only when it belongs to the number, not to a
    // currency string such as "lei".
    if (number->HasExponent) reading.FormatCode = u"0.00E+00";
    else if (marked.Percent) reading.FormatCode = withDecimals ? u"0.00%" : u"0%";
    else if (marked.Currency) reading.FormatCode = CurrencyFormatCode(fs, withDecimals);
    return reading;
}

bool IsWholeNumber(std::u16string_view s)
{
    s = TrimControls(s);
    return !s.empty() && std::all_of(s.begin(), s.end(), IsAsciiDigit);
}

// A date read as day 0 (30 December 1899) is taken only when its text is not
// made of dot-separated whole numbers: the text plus "." is cut at "." up to
// three times.
bool PassesZeroDayCheck(std::u16string_view t, double days)
{
    if (std::trunc(days) != 0) return true;
    const TXlsString withDot = TXlsString(t) + u'.';
    std::u16string_view rest = withDot;
    for (int piece = 1; piece <= 3; ++piece) {
        const auto dot = rest.find(u'.');
        if (dot == npos) return piece != 3;
        if (!IsWholeNumber(rest.substr(0, dot))) return true;
        rest.remove_prefix(dot + 1);
    }
    return false;
}

std::optional<TCellTextReading> ReadDateText(std::u16string_view t, const TXlsFormatSettings& fs,
                                             std::u16string_view dateFormat, std::u16string_view timeFormat,
                                             int currentYear)
{
    const auto days = ReadLocaleDate(t, fs, currentYear);
    if (!days || !PassesZeroDayCheck(t, *days)) return std::nullopt;

    const bool datePart = t.find_first_of(TXlsString(u"./-") + fs.DateSeparator) != npos && std::trunc(*days) > 0;
    const bool timePart = t.find(u':') != npos || (fs.TimeSeparator > u' ' && t.find(fs.TimeSeparator) != npos);
    if (!datePart && !timePart) return std::nullopt;

    TXlsString code;
    if (datePart) code = dateFormat.empty() ? fs.ShortDateFormat : TXlsString(dateFormat);
    if (timePart) {
        if (!code.empty()) code += u' ';
        code += TimeFormatCode(timeFormat.empty() ? std::u16string_view(fs.ShortTimeFormat) : timeFormat);
    }
    return TCellTextReading{TCellTextKind::Date, *days, code};
}

}  // namespace

TCellTextReading ReadCellText(std::u16string_view text, const TXlsFormatSettings& fs, std::u16string_view dateFormat,
                              std::u16string_view timeFormat, int currentYear)
{
    if (auto number = ReadNumberText(TrimControls(text), fs)) return *number;
    return ReadCellTextAsNonNumber(text, fs, dateFormat, timeFormat, currentYear);
}

TCellTextReading ReadCellTextAsNonNumber(std::u16string_view text, const TXlsFormatSettings& fs,
                                         std::u16string_view dateFormat, std::u16string_view timeFormat,
                                         int currentYear)
{
    const std::u16string_view t = TrimControls(text);
    const TXlsString upper = AsciiUpperCase(t);
    if (upper == u"TRUE" || upper == u"FALSE") return {TCellTextKind::Boolean, upper == u"TRUE", std::nullopt};
    if (auto date = ReadDateText(t, fs, dateFormat, timeFormat, currentYear)) return *date;
    return {TCellTextKind::Text, TXlsString(text), std::nullopt};
}

TXlsString CurrencyFormatCode(const TXlsFormatSettings& fs, bool withDecimals)
{
    // Layout templates: C stands for the currency string, B for the number.
    static constexpr std::array<std::u16string_view, 4> kPositive{u"CB", u"BC", u"C\\ B", u"B\\ C"};
    struct TNegativeLayout {
        std::u16string_view Joint;
        std::u16string_view Template;
    };
    static constexpr std::array<TNegativeLayout, 16> kNegative{{
        {u"_);[Red]", u"\\(CB\\)"},
        {u";[Red]", u"-CB"},
        {u";[Red]", u"C-B"},
        {u";[Red]", u"CB-"},
        {u"_);[Red]", u"\\(BC\\)"},
        {u";[Red]", u"-BC"},
        {u";[Red]", u"B-C"},
        {u";[Red]", u"BC-"},
        {u";[Red]", u"-B\\ C"},
        {u";[Red]", u"-C\\ B"},
        {u";[Red]", u"B\\ C-"},
        {u";[Red]", u"C\\ B-"},
        {u";[Red]", u"C\\ -B"},
        {u";[Red]", u"B-\\ C"},
        {u"_);[Red]", u"\\(C\\ B\\)"},
        {u"_);[Red]", u"\\(B\\ C\\)"},
    }};

    TXlsString number = u"###,###";
    // No decimals means no decimal point either: "###,###." would show a stray point.
    const int decimals = std::clamp(fs.CurrencyDecimals, 0, 30);
    if (withDecimals && decimals > 0) number += u'.' + TXlsString(std::size_t(decimals), u'0');

    const auto expand = [&](std::u16string_view layout) {
        TXlsString out;
        for (char16_t c : layout) {
            if (c == u'C') out += fs.CurrencyString;
            else if (c == u'B') out += number;
            else out += c;
        }
        return out;
    };
    const auto& positive = kPositive[fs.CurrencyFormat >= 0 && fs.CurrencyFormat <= 3 ? fs.CurrencyFormat : 0];
    const auto& negative = kNegative[fs.NegCurrFormat >= 0 && fs.NegCurrFormat <= 15 ? fs.NegCurrFormat : 0];
    return expand(positive) + TXlsString(negative.Joint) + expand(negative.Template);
}

TXlsString TimeFormatCode(std::u16string_view timeFormat)
{
    TXlsString out;
    bool quoted = false;
    for (std::size_t i = 0; i < timeFormat.size();) {
        if (timeFormat[i] == u'"') quoted = !quoted;
        if (!quoted && AsciiSameText(timeFormat.substr(i, 4), u"AMPM")) {
            out += u"AM/PM";
            i += 4;
        } else {
            out += timeFormat[i++];
        }
    }
    return out;
}

}  // namespace xls
