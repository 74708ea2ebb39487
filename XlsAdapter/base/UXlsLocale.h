// The user's locale format settings, as the engine reads typed cell text and
// builds locale-dependent number formats with them.
//
// The settings are taken from the platform once per process, the first time
// they are needed, and kept. Tests replace them with SetXlsFormatSettings.
#pragma once

#include <optional>
#include <string_view>

#include "base/UXlsVariant.h"

namespace xls {

struct TXlsFormatSettings {
    TXlsString CurrencyString;       // "€", "$"
    int CurrencyFormat = 0;          // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
    int NegCurrFormat = 0;           // 0 to 15, the classic negative currency layouts
    int CurrencyDecimals = 2;
    char16_t ThousandSeparator = u',';
    char16_t DecimalSeparator = u'.';
    char16_t DateSeparator = u'/';
    char16_t TimeSeparator = u':';
    TXlsString ShortDateFormat = u"mm/dd/yyyy";  // letters d, m, y in the locale's order
    TXlsString ShortTimeFormat = u"hh:mm";
};

// The settings in use (read from the platform on first use).
const TXlsFormatSettings& XlsFormatSettings();
// Replaces the settings in use; for tests and for callers that know better.
void SetXlsFormatSettings(const TXlsFormatSettings& settings);
// Reads the user's settings: on Windows the user's locale settings, elsewhere
// the C library's locale ("" = the environment's).
TXlsFormatSettings ReadPlatformFormatSettings();

// The locale's date reader: the whole text (blanks around it allowed) must be
// day, month and year as numbers joined by DateSeparator in the order of
// ShortDateFormat; the year may be left out (this year) or have two digits
// (the century within 50 years of this year). Returns the day count since
// 30 December 1899, or nothing when the text is not such a date.
std::optional<double> ReadLocaleDate(std::u16string_view text, const TXlsFormatSettings& settings, int currentYear);

// Day count since 30 December 1899 of a valid date, nothing for an invalid one.
std::optional<double> EncodeDate(int year, int month, int day);

}  // namespace xls
