#include <gtest/gtest.h>

#include <optional>
#include <span>
#include <string>

#include "LocaleTestSupport.h"
#include "base/UXlsUnicode.h"
#include "facade/UXlsCellText.h"

using namespace xls;
using localetest::English;
using localetest::German;

namespace {

constexpr int kThisYear = 2026;

constexpr auto kNumber = TCellTextKind::Number;
constexpr auto kBoolean = TCellTextKind::Boolean;
constexpr auto kDate = TCellTextKind::Date;
constexpr auto kText = TCellTextKind::Text;

struct Case {
    std::u16string_view Text;
    TCellTextKind Kind;
    TXlsVariant Value;  // for kText: the text expected back
    std::optional<TXlsString> Code;
    std::u16string_view DateFormat = u"";
};

std::string Describe(const TCellTextReading& r)
{
    static constexpr const char* kKinds[] = {"number", "boolean", "date", "text"};
    std::string out = kKinds[static_cast<int>(r.Kind)];
    out += " [" + Utf16ToUtf8(VarToText(r.Value)) + "]";
    out += r.FormatCode ? " code \"" + Utf16ToUtf8(*r.FormatCode) + "\"" : " format unchanged";
    return out;
}

void ExpectReadings(const TXlsFormatSettings& fs, std::span<const Case> cases)
{
    for (const auto& c : cases) {
        const TCellTextReading r = ReadCellText(c.Text, fs, c.DateFormat, u"", kThisYear);
        const std::string context = "\"" + Utf16ToUtf8(c.Text) + "\" read as " + Describe(r);
        EXPECT_EQ(r.Kind, c.Kind) << context;
        EXPECT_EQ(r.Value, c.Value) << context;
        EXPECT_EQ(r.FormatCode, c.Code) << context;
    }
}

const TXlsString kGermanCurrency = u"###,###\\ €;[Red]-###,###\\ €";
const TXlsString kGermanCurrencyDecimals = u"###,###.00\\ €;[Red]-###,###.00\\ €";
const TXlsString kEnglishCurrency = u"$###,###_);[Red]\\($###,###\\)";
const TXlsString kEnglishCurrencyDecimals = u"$###,###.00_);[Red]\\($###,###.00\\)";

}  // namespace

TEST(CellText, ReadsTypedTextUnderAGermanLocale)
{
    const Case cases[] = {
        // Plain numbers keep the cell's format.
        {u"4022250974", kNumber, 4022250974.0, std::nullopt},
        {u"0", kNumber, 0.0, std::nullopt},
        {u"-5", kNumber, -5.0, std::nullopt},
        {u" 12,75 ", kNumber, 12.75, std::nullopt},
        // Thousands separators count only where groups of three end.
        {u"1.234.567", kNumber, 1234567.0, std::nullopt},
        {u"-1.234,5", kNumber, -1234.5, std::nullopt},
        {u"1.5", kNumber, 15.0, std::nullopt},
        {u"1.012", kNumber, 1012.0, std::nullopt},
        {u"1.23.4", kText, TXlsString(u"1.23.4"), std::nullopt},
        {u"1.234,5.6", kText, TXlsString(u"1.234,5.6"), std::nullopt},
        {u".123", kText, TXlsString(u".123"), std::nullopt},
        {u"1,2,3", kText, TXlsString(u"1,2,3"), std::nullopt},
        // Percent on either side.
        {u"12,5%", kNumber, 0.125, u"0.00%"},
        {u"5%", kNumber, 0.05, u"0%"},
        {u"%5", kNumber, 0.05, u"0%"},
        {u",5%", kNumber, 0.005, u"0%"},
        // Currency on either side, with and without decimals.
        {u"10 €", kNumber, 10.0, kGermanCurrency},
        {u"1.234 €", kNumber, 1234.0, kGermanCurrency},
        {u"€ 1.234", kNumber, 1234.0, kGermanCurrency},
        {u"€10", kNumber, 10.0, kGermanCurrency},
        {u"10,50 €", kNumber, 10.5, kGermanCurrencyDecimals},
        {u"-1.234,50 €", kNumber, -1234.5, kGermanCurrencyDecimals},
        // The exponent wins over the other marks.
        {u"3e2", kNumber, 300.0, u"0.00E+00"},
        {u"2,5E3", kNumber, 2500.0, u"0.00E+00"},
        {u"1e-2%", kNumber, 1e-2 / 100, u"0.00E+00"},
        {u"3e", kText, TXlsString(u"3e"), std::nullopt},
        // Beyond the double range: too big stays text, too small is 0.
        {u"1e400", kText, TXlsString(u"1e400"), std::nullopt},
        {u"-1e99999999999999999999", kText, TXlsString(u"-1e99999999999999999999"), std::nullopt},
        {u"1e-400", kNumber, 0.0, u"0.00E+00"},
        // Booleans: ASCII letters only, surrounding blanks ignored.
        {u" true ", kBoolean, true, std::nullopt},
        {u"FALSE", kBoolean, false, std::nullopt},
        {u"Wahr", kText, TXlsString(u"Wahr"), std::nullopt},
        // Dates take the locale's short date or the given date format.
        {u"24.12.2024", kDate, 45650.0, u"dd.MM.yyyy"},
        {u"24.12.2024", kDate, 45650.0, u"yyyy-mm-dd", u"yyyy-mm-dd"},
        {u"24.12", kDate, *EncodeDate(kThisYear, 12, 24), u"dd.MM.yyyy"},
        {u"31.12.1899", kDate, 1.0, u"dd.MM.yyyy"},
        // Day 0 written as three dotted numbers is not taken as a date.
        {u"30.12.1899", kText, TXlsString(u"30.12.1899"), std::nullopt},
        {u"1.1.1800", kText, TXlsString(u"1.1.1800"), std::nullopt},
        {u"12:30", kText, TXlsString(u"12:30"), std::nullopt},
        // Text comes back exactly as typed.
        {u"DE AD BE EF", kText, TXlsString(u"DE AD BE EF"), std::nullopt},
        {u" abc ", kText, TXlsString(u" abc "), std::nullopt},
        {u"", kText, TXlsString(u""), std::nullopt},
        {u"€", kText, TXlsString(u"€"), std::nullopt},
        {u"%", kText, TXlsString(u"%"), std::nullopt},
    };
    ExpectReadings(German(), cases);
}

TEST(CellText, ReadsTypedTextUnderAnEnglishLocale)
{
    const Case cases[] = {
        {u"1,234.5", kNumber, 1234.5, std::nullopt},
        {u"1,234,567", kNumber, 1234567.0, std::nullopt},
        {u"1,5", kNumber, 15.0, std::nullopt},
        {u"1.234.567", kText, TXlsString(u"1.234.567"), std::nullopt},
        {u"50%", kNumber, 0.5, u"0%"},
        {u"%12.5", kNumber, 0.125, u"0.00%"},
        {u"$10", kNumber, 10.0, kEnglishCurrency},
        {u"10$", kNumber, 10.0, kEnglishCurrency},
        {u"$1,234.50", kNumber, 1234.5, kEnglishCurrencyDecimals},
        {u"$-3.25", kNumber, -3.25, kEnglishCurrencyDecimals},
        {u"-$3", kText, TXlsString(u"-$3"), std::nullopt},
        {u"3e2", kNumber, 300.0, u"0.00E+00"},
        {u"2,5E3", kNumber, 25000.0, u"0.00E+00"},
        {u"TRUE", kBoolean, true, std::nullopt},
        {u"12/24/2024", kDate, 45650.0, u"M/d/yyyy"},
        {u"24/12/2024", kText, TXlsString(u"24/12/2024"), std::nullopt},
        {u"12/30/1899", kText, TXlsString(u"12/30/1899"), std::nullopt},
        {u"12:30", kText, TXlsString(u"12:30"), std::nullopt},
        {u"4022250974", kNumber, 4022250974.0, std::nullopt},
        {u"DE AD BE EF", kText, TXlsString(u"DE AD BE EF"), std::nullopt},
    };
    ExpectReadings(English(), cases);
}

TEST(CellText, OddLocaleSettingsNeitherLoopNorAcceptNonsense)
{
    TXlsFormatSettings noCurrency = German();
    noCurrency.CurrencyString.clear();
    TXlsFormatSettings sameSeparators = German();
    sameSeparators.ThousandSeparator = u',';
    TXlsFormatSettings blankThousands = German();
    blankThousands.ThousandSeparator = u' ';
    TXlsFormatSettings blankDecimal = German();
    blankDecimal.DecimalSeparator = u' ';
    TXlsFormatSettings currencyWithE = German();
    currencyWithE.CurrencyString = u"lei";

    struct OddCase {
        const TXlsFormatSettings& Settings;
        Case Expected;
    };
    const OddCase cases[] = {
        {noCurrency, {u"10", kNumber, 10.0, std::nullopt}},
        {noCurrency, {u"abc", kText, TXlsString(u"abc"), std::nullopt}},
        {sameSeparators, {u"1,5", kNumber, 1.5, std::nullopt}},
        {sameSeparators, {u"1,234,567", kText, TXlsString(u"1,234,567"), std::nullopt}},
        {blankThousands, {u"1 234", kText, TXlsString(u"1 234"), std::nullopt}},
        {blankThousands, {u"1 2", kText, TXlsString(u"1 2"), std::nullopt}},
        {blankThousands, {u"1234,5", kNumber, 1234.5, std::nullopt}},
        {blankThousands, {u"1.234", kText, TXlsString(u"1.234"), std::nullopt}},
        {blankDecimal, {u"1 5", kText, TXlsString(u"1 5"), std::nullopt}},
        {blankDecimal, {u"1.234", kNumber, 1234.0, std::nullopt}},
        {currencyWithE, {u"10 lei", kNumber, 10.0, u"###,###\\ lei;[Red]-###,###\\ lei"}},
        {currencyWithE, {u"1e3 lei", kNumber, 1000.0, u"0.00E+00"}},
    };
    for (const auto& c : cases) ExpectReadings(c.Settings, std::span(&c.Expected, 1));
}

TEST(CellText, DateAndTimeCodesJoinWithABlank)
{
    // Only a locale whose date separator is also a time separator lets a date
    // text carry a time part; its code is the date code, a blank and the time code.
    TXlsFormatSettings colons = English();
    colons.DateSeparator = u':';
    const auto withLocaleCodes = ReadCellText(u"12:24:2024", colons, u"", u"", kThisYear);
    EXPECT_EQ(withLocaleCodes.Kind, kDate);
    EXPECT_EQ(withLocaleCodes.Value, TXlsVariant(45650.0));
    EXPECT_EQ(withLocaleCodes.FormatCode, TXlsString(u"M/d/yyyy h:mm AM/PM"));

    const auto withGivenCodes = ReadCellText(u"12:24:2024", colons, u"d-m-yy", u"hh:mm ampm", kThisYear);
    EXPECT_EQ(withGivenCodes.FormatCode, TXlsString(u"d-m-yy hh:mm AM/PM"));

    // Day 0 has no date part; with a time part it is a bare time code.
    const auto dayZero = ReadCellText(u"12:30:1899", colons, u"", u"", kThisYear);
    EXPECT_EQ(dayZero.Kind, kDate);
    EXPECT_EQ(dayZero.Value, TXlsVariant(0.0));
    EXPECT_EQ(dayZero.FormatCode, TXlsString(u"h:mm AM/PM"));
}

TEST(CellText, DayZeroAsDottedNumbersIsNoTime)
{
    // With "." as time separator every dotted date has a time part, and day 0
    // written as two or three dotted whole numbers would pass for midnight.
    TXlsFormatSettings dots = German();
    dots.TimeSeparator = u'.';
    dots.ShortTimeFormat = u"hh.mm";
    struct DotCase {
        std::u16string_view Text;
        int CurrentYear;
        TCellTextKind Kind;
    };
    const DotCase cases[] = {
        {u"30.12.1899", kThisYear, kText},
        {u"30.12", 1899, kText},
        {u"30.12.99", 1899, kText},
        {u"31.12.1899", kThisYear, kDate},
    };
    for (const auto& c : cases) {
        const auto r = ReadCellText(c.Text, dots, u"", u"", c.CurrentYear);
        EXPECT_EQ(r.Kind, c.Kind) << Utf16ToUtf8(c.Text) << " read as " << Describe(r);
    }
    EXPECT_EQ(ReadCellText(u"24.12.2024", dots, u"", u"", kThisYear).FormatCode, TXlsString(u"dd.MM.yyyy hh.mm"));
}

TEST(CellText, TimeFormatCodeRewritesAmPmOutsideQuotes)
{
    const std::pair<std::u16string_view, std::u16string_view> cases[] = {
        {u"h:mm AMPM", u"h:mm AM/PM"},
        {u"h:mm ampm", u"h:mm AM/PM"},
        {u"h:mm aMpM", u"h:mm AM/PM"},
        {u"AMPMAMPM", u"AM/PMAM/PM"},
        {u"h:mm \"AMPM\" AMPM", u"h:mm \"AMPM\" AM/PM"},
        {u"h:mm AMP", u"h:mm AMP"},
        {u"hh:mm", u"hh:mm"},
        {u"", u""},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(TimeFormatCode(in), out) << Utf16ToUtf8(in);
}

TEST(CellText, CurrencyFormatCodeCoversEveryLayout)
{
    const std::u16string_view positive[] = {u"$###,###", u"###,###$", u"$\\ ###,###", u"###,###\\ $"};
    const std::u16string_view negative[] = {
        u"_);[Red]\\($###,###\\)",  // 0
        u";[Red]-$###,###",         // 1
        u";[Red]$-###,###",         // 2
        u";[Red]$###,###-",         // 3
        u"_);[Red]\\(###,###$\\)",  // 4
        u";[Red]-###,###$",         // 5
        u";[Red]###,###-$",         // 6
        u";[Red]###,###$-",         // 7
        u";[Red]-###,###\\ $",      // 8
        u";[Red]-$\\ ###,###",      // 9
        u";[Red]###,###\\ $-",      // 10
        u";[Red]$\\ ###,###-",      // 11
        u";[Red]$\\ -###,###",      // 12
        u";[Red]###,###-\\ $",      // 13
        u"_);[Red]\\($\\ ###,###\\)",  // 14
        u"_);[Red]\\(###,###\\ $\\)",  // 15
    };
    TXlsFormatSettings fs = English();
    for (int p = 0; p < 4; ++p) {
        for (int n = 0; n < 16; ++n) {
            fs.CurrencyFormat = p;
            fs.NegCurrFormat = n;
            EXPECT_EQ(CurrencyFormatCode(fs, false), TXlsString(positive[p]) + TXlsString(negative[n]))
                << "positive " << p << ", negative " << n;
        }
    }
    // Values outside the tables take layout 0.
    fs.CurrencyFormat = 7;
    fs.NegCurrFormat = 16;
    EXPECT_EQ(CurrencyFormatCode(fs, false), kEnglishCurrency);
    fs.CurrencyFormat = -1;
    fs.NegCurrFormat = -1;
    EXPECT_EQ(CurrencyFormatCode(fs, false), kEnglishCurrency);
}

TEST(CellText, CurrencyFormatCodeDecimals)
{
    TXlsFormatSettings fs = German();
    EXPECT_EQ(CurrencyFormatCode(fs, true), kGermanCurrencyDecimals);
    fs.CurrencyDecimals = 3;
    EXPECT_EQ(CurrencyFormatCode(fs, true), u"###,###.000\\ €;[Red]-###,###.000\\ €");
    // A currency shown without decimals gets no stray decimal point.
    fs.CurrencyDecimals = 0;
    EXPECT_EQ(CurrencyFormatCode(fs, true), kGermanCurrency);
    fs.CurrencyDecimals = -2;
    EXPECT_EQ(CurrencyFormatCode(fs, true), kGermanCurrency);
    // Number formats carry at most 30 decimals.
    fs.CurrencyDecimals = 40;
    const TXlsString thirty = u"###,###." + TXlsString(30, u'0');
    EXPECT_EQ(CurrencyFormatCode(fs, true), thirty + u"\\ €;[Red]-" + thirty + u"\\ €");
    fs.CurrencyString = u"CHF";
    fs.CurrencyFormat = 0;
    fs.NegCurrFormat = 1;
    EXPECT_EQ(CurrencyFormatCode(fs, false), u"CHF###,###;[Red]-CHF###,###");
}

TEST(CellText, SkippingTheNumberLeavesBooleanDateOrText)
{
    const TXlsFormatSettings fs = German();
    EXPECT_EQ(ReadCellTextAsNonNumber(u"1.012", fs, u"", u"", kThisYear).Kind, kDate);
    EXPECT_EQ(ReadCellTextAsNonNumber(u"true", fs, u"", u"", kThisYear).Value, TXlsVariant(true));
    const auto text = ReadCellTextAsNonNumber(u" 42 ", fs, u"", u"", kThisYear);
    EXPECT_EQ(text.Kind, kText);
    EXPECT_EQ(text.Value, TXlsVariant(TXlsString(u" 42 ")));
}
