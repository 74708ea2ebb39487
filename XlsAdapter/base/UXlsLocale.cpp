#include "base/UXlsLocale.h"

#include <array>
#include <clocale>
#include <ctime>
#include <string>

#if defined(__unix__) || defined(__APPLE__)
#include <langinfo.h>
#include <locale.h>
#define XLS_HAVE_POSIX_LOCALE 1
#endif
#ifdef _WIN32
#include <windows.h>
#endif

#include "base/UXlsUnicode.h"

namespace xls {

namespace {

std::optional<TXlsFormatSettings>& SettingsSlot()
{
    static std::optional<TXlsFormatSettings> settings;
    return settings;
}

#ifdef XLS_HAVE_POSIX_LOCALE
char16_t FirstChar(const char* s, char16_t fallback)
{
    if (!s || !*s) return fallback;
    std::u16string w = Utf8ToUtf16(s);
    return w.empty() ? fallback : w[0];
}

// Positive layout from "symbol precedes" and "separated by space".
int CurrencyFormatOf(int precedes, int sepBySpace)
{
    bool before = precedes == 1;
    bool space = sepBySpace == 1;
    return before ? (space ? 2 : 0) : (space ? 3 : 1);
}

// Negative layout from the C library's three monetary fields.
int NegCurrFormatOf(int precedes, int sepBySpace, int signPosn)
{
    static constexpr int kTable[2][2][5] = {
        // symbol after the number: no space, then space; sign positions 0 (parentheses) to 4
        {{4, 5, 7, 6, 7}, {15, 8, 10, 13, 10}},
        // symbol before the number
        {{0, 1, 3, 1, 2}, {14, 9, 11, 9, 12}},
    };
    int b = precedes == 1 ? 1 : 0;
    int s = sepBySpace == 1 ? 1 : 0;
    int p = signPosn >= 0 && signPosn <= 4 ? signPosn : 1;
    return kTable[b][s][p];
}

// Turns a C library date format ("%d.%m.%Y") into day/month/year letters ("dd.mm.yyyy").
TXlsString DateFormatFromC(std::string_view fmt, char16_t& separator)
{
    TXlsString out;
    separator = 0;
    for (std::size_t i = 0; i < fmt.size(); ++i) {
        if (fmt[i] != '%' || i + 1 >= fmt.size()) {
            if (!separator && (fmt[i] == '.' || fmt[i] == '/' || fmt[i] == '-')) separator = static_cast<char16_t>(fmt[i]);
            out += static_cast<char16_t>(static_cast<unsigned char>(fmt[i]));
            continue;
        }
        char c = fmt[++i];
        if (c == 'E' || c == 'O') {
            if (i + 1 >= fmt.size()) break;
            c = fmt[++i];
        }
        switch (c) {
        case 'd': out += u"dd"; break;
        case 'e': out += u"d"; break;
        case 'm': out += u"mm"; break;
        case 'b': case 'h': out += u"mmm"; break;
        case 'Y': out += u"yyyy"; break;
        case 'y': out += u"yy"; break;
        case 'D': out += u"mm/dd/yy"; if (!separator) separator = u'/'; break;
        case 'F': out += u"yyyy-mm-dd"; if (!separator) separator = u'-'; break;
        default: break;  // weekday names and the like have no place in a short date
        }
    }
    if (!separator) separator = u'/';
    return out;
}

#endif

#ifdef _WIN32
// One of the user's locale settings (their own choices in the control panel
// included), or fallback when the system has none.
TXlsString LocaleText(LCTYPE item, const TXlsString& fallback)
{
    wchar_t buffer[128];
    const int n = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, item, buffer, static_cast<int>(std::size(buffer)));
    if (n <= 1) return fallback;
    return TXlsString(buffer, buffer + n - 1);
}

int LocaleNumber(LCTYPE item, int fallback, int max)
{
    const TXlsString text = LocaleText(item, u"");
    if (text.empty() || text.size() > 2) return fallback;
    int value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return fallback;
        value = value * 10 + (c - u'0');
    }
    return value <= max ? value : fallback;
}

char16_t LocaleChar(LCTYPE item, char16_t fallback)
{
    const TXlsString text = LocaleText(item, u"");
    return text.empty() ? fallback : text[0];
}

// The locale's short time ("HH:mm", "h:mm tt") as the engine writes it.
TXlsString ShortTimeFormatOf(const TXlsString& windowsFormat, char16_t separator)
{
    const bool twelveHour = windowsFormat.find(u't') != TXlsString::npos;
    return twelveHour ? TXlsString(u"h") + separator + u"mm AMPM" : TXlsString(u"hh") + separator + u"mm";
}
#endif

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

std::optional<int> ReadNumber(std::u16string_view s)
{
    if (s.empty() || s.size() > 4) return std::nullopt;
    int v = 0;
    for (char16_t c : s) {
        if (c < u'0' || c > u'9') return std::nullopt;
        v = v * 10 + (c - u'0');
    }
    return v;
}

}  // namespace

const TXlsFormatSettings& XlsFormatSettings()
{
    auto& slot = SettingsSlot();
    if (!slot) slot = ReadPlatformFormatSettings();
    return *slot;
}

void SetXlsFormatSettings(const TXlsFormatSettings& settings) { SettingsSlot() = settings; }

TXlsFormatSettings ReadPlatformFormatSettings()
{
    TXlsFormatSettings fs;
#ifdef XLS_HAVE_POSIX_LOCALE
    locale_t loc = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(nullptr));
    if (!loc) loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    if (!loc) return fs;
    locale_t previous = uselocale(loc);
    const std::lconv* lc = std::localeconv();
    fs.DecimalSeparator = FirstChar(lc->decimal_point, u'.');
    fs.ThousandSeparator = FirstChar(lc->thousands_sep, fs.DecimalSeparator == u',' ? u'.' : u',');
    fs.CurrencyString = Utf8ToUtf16(lc->currency_symbol ? lc->currency_symbol : "");
    fs.CurrencyFormat = CurrencyFormatOf(lc->p_cs_precedes, lc->p_sep_by_space);
    fs.NegCurrFormat = NegCurrFormatOf(lc->n_cs_precedes, lc->n_sep_by_space, lc->n_sign_posn);
    fs.CurrencyDecimals = lc->frac_digits >= 0 && lc->frac_digits <= 9 ? lc->frac_digits : 2;
    fs.ShortDateFormat = DateFormatFromC(nl_langinfo(D_FMT), fs.DateSeparator);
    std::string timeFormat = nl_langinfo(T_FMT);
    auto colon = timeFormat.find_first_of(":.");
    fs.TimeSeparator = colon == std::string::npos ? u':' : static_cast<char16_t>(timeFormat[colon]);
    bool twelveHour = timeFormat.find("%I") != std::string::npos || timeFormat.find("%r") != std::string::npos ||
                      timeFormat.find("%p") != std::string::npos;
    fs.ShortTimeFormat = twelveHour ? TXlsString(u"h") + fs.TimeSeparator + u"mm AMPM"
                                    : TXlsString(u"hh") + fs.TimeSeparator + u"mm";
    uselocale(previous);
    freelocale(loc);
#elif defined(_WIN32)
    // The settings are the system's own: the layouts are its numbers.
    fs.DecimalSeparator = LocaleChar(LOCALE_SDECIMAL, fs.DecimalSeparator);
    fs.ThousandSeparator = LocaleChar(LOCALE_STHOUSAND, fs.DecimalSeparator == u',' ? u'.' : u',');
    fs.CurrencyString = LocaleText(LOCALE_SCURRENCY, fs.CurrencyString);
    fs.CurrencyFormat = LocaleNumber(LOCALE_ICURRENCY, fs.CurrencyFormat, 3);
    fs.NegCurrFormat = LocaleNumber(LOCALE_INEGCURR, fs.NegCurrFormat, 15);
    fs.CurrencyDecimals = LocaleNumber(LOCALE_ICURRDIGITS, fs.CurrencyDecimals, 9);
    fs.ShortDateFormat = LocaleText(LOCALE_SSHORTDATE, fs.ShortDateFormat);
    fs.DateSeparator = u'/';
    for (char16_t c : fs.ShortDateFormat)
        if (c == u'.' || c == u'/' || c == u'-') {
            fs.DateSeparator = c;
            break;
        }
    const TXlsString timeFormat = LocaleText(LOCALE_SSHORTTIME, u"HH:mm");
    const auto separator = timeFormat.find_first_of(u":.");
    fs.TimeSeparator = separator == TXlsString::npos ? u':' : timeFormat[separator];
    fs.ShortTimeFormat = ShortTimeFormatOf(timeFormat, fs.TimeSeparator);
#endif
    return fs;
}

std::optional<double> EncodeDate(int year, int month, int day)
{
    static constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return std::nullopt;
    int monthDays = kDays[std::size_t(month - 1)] + (month == 2 && IsLeapYear(year) ? 1 : 0);
    if (day > monthDays) return std::nullopt;
    // Days from 0001-01-01 to the date, then moved to the 1899-12-30 epoch.
    long y = year - 1;
    long days = y * 365 + y / 4 - y / 100 + y / 400;
    for (int m = 1; m < month; ++m) days += kDays[std::size_t(m - 1)] + (m == 2 && IsLeapYear(year) ? 1 : 0);
    days += day - 1;
    constexpr long kEpoch = 693593;  // days from 0001-01-01 to 1899-12-30
    return static_cast<double>(days - kEpoch);
}

std::optional<double> ReadLocaleDate(std::u16string_view text, const TXlsFormatSettings& settings, int currentYear)
{
    text = TrimControls(text);
    std::array<int, 3> parts{};
    std::size_t count = 0;
    while (true) {
        auto sep = text.find(settings.DateSeparator);
        auto number = ReadNumber(TrimControls(text.substr(0, sep)));
        if (!number || count == 3) return std::nullopt;
        parts[count++] = *number;
        if (sep == std::u16string_view::npos) break;
        text.remove_prefix(sep + 1);
    }
    if (count < 2) return std::nullopt;

    // The order of day, month and year follows the first of the letters in the short date format.
    char16_t first = u'm';
    for (char16_t c : settings.ShortDateFormat) {
        char16_t lower = c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
        if (lower == u'd' || lower == u'm' || lower == u'y') {
            first = lower;
            break;
        }
    }
    int day = 0, month = 0, year = currentYear;
    bool yearGiven = count == 3;
    if (first == u'y') {
        if (yearGiven) year = parts[0];
        month = parts[yearGiven ? 1 : 0];
        day = parts[yearGiven ? 2 : 1];
    } else {
        day = parts[first == u'd' ? 0 : 1];
        month = parts[first == u'd' ? 1 : 0];
        if (yearGiven) year = parts[2];
    }
    if (yearGiven && year < 100) {
        // Two-digit years land within 50 years of this year.
        int century = currentYear / 100 * 100;
        year += century;
        if (year > currentYear + 50) year -= 100;
        else if (year <= currentYear - 50) year += 100;
    }
    return EncodeDate(year, month, day);
}

}  // namespace xls
