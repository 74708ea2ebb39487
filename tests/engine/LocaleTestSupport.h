// Locale settings the tests run under, and a scope that puts them in place.
#pragma once

#include "base/UXlsLocale.h"

namespace localetest {

using namespace xls;

// Germany: "1.234,5", "1.234,50 €", 24.12.2024, 12:30.
inline TXlsFormatSettings German()
{
    TXlsFormatSettings fs;
    fs.CurrencyString = u"€";
    fs.CurrencyFormat = 3;  // "1 €"
    fs.NegCurrFormat = 8;   // "-1 €"
    fs.CurrencyDecimals = 2;
    fs.DecimalSeparator = u',';
    fs.ThousandSeparator = u'.';
    fs.DateSeparator = u'.';
    fs.TimeSeparator = u':';
    fs.ShortDateFormat = u"dd.MM.yyyy";
    fs.ShortTimeFormat = u"hh:mm";
    return fs;
}

// The United States: "1,234.5", "$1,234.50", 12/24/2024, 12:30 PM.
inline TXlsFormatSettings English()
{
    TXlsFormatSettings fs;
    fs.CurrencyString = u"$";
    fs.CurrencyFormat = 0;  // "$1"
    fs.NegCurrFormat = 0;   // "($1)"
    fs.CurrencyDecimals = 2;
    fs.DecimalSeparator = u'.';
    fs.ThousandSeparator = u',';
    fs.DateSeparator = u'/';
    fs.TimeSeparator = u':';
    fs.ShortDateFormat = u"M/d/yyyy";
    fs.ShortTimeFormat = u"h:mm AMPM";
    return fs;
}

// Replaces the locale settings for one scope.
class TLocaleScope {
public:
    explicit TLocaleScope(const TXlsFormatSettings& aSettings) : FSaved(XlsFormatSettings())
    {
        SetXlsFormatSettings(aSettings);
    }
    ~TLocaleScope() { SetXlsFormatSettings(FSaved); }
    TLocaleScope(const TLocaleScope&) = delete;
    TLocaleScope& operator=(const TLocaleScope&) = delete;

private:
    TXlsFormatSettings FSaved;
};

}  // namespace localetest
