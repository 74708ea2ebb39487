#include <gtest/gtest.h>

#include "LocaleTestSupport.h"
#include "base/UXlsLocale.h"
#include "base/UXlsUnicode.h"

using namespace xls;
using localetest::German;

namespace {

TXlsFormatSettings Iso()
{
    TXlsFormatSettings fs;
    fs.DateSeparator = u'-';
    fs.ShortDateFormat = u"yyyy-mm-dd";
    return fs;
}

}  // namespace

TEST(LocaleDate, EncodesTheSerialDayCount)
{
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1900, 3, 1), 61.0);
    EXPECT_EQ(EncodeDate(2024, 12, 24), 45650.0);
    EXPECT_EQ(EncodeDate(2024, 2, 29), 45351.0);
    EXPECT_FALSE(EncodeDate(2023, 2, 29));
    EXPECT_FALSE(EncodeDate(2024, 13, 1));
    EXPECT_FALSE(EncodeDate(2024, 4, 31));
}

TEST(LocaleDate, ReadsDatesInTheLocaleOrder)
{
    struct Case {
        const char16_t* Text;
        TXlsFormatSettings Settings;
        std::optional<double> Expected;
    };
    const TXlsFormatSettings us;  // mm/dd/yyyy
    const Case cases[] = {
        {u"24.12.2024", German(), 45650.0},
        {u" 24.12.2024 ", German(), 45650.0},
        {u"24.12.24", German(), 45650.0},
        {u"24.12", German(), EncodeDate(2026, 12, 24)},
        {u"12/24/2024", us, 45650.0},
        {u"24/12/2024", us, std::nullopt},
        {u"2024-12-24", Iso(), 45650.0},
        {u"24.12.2024 12:30", German(), std::nullopt},
        {u"12:30", German(), std::nullopt},
        {u"DE AD BE EF", German(), std::nullopt},
        {u"1.2.3.4", German(), std::nullopt},
        {u"31.02.2024", German(), std::nullopt},
        {u"24", German(), std::nullopt},
        {u"24..2024", German(), std::nullopt},
        {u"1.1.70", German(), EncodeDate(2070, 1, 1)},
        {u"1.1.80", German(), EncodeDate(1980, 1, 1)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadLocaleDate(c.Text, c.Settings, 2026), c.Expected) << Utf16ToUtf8(c.Text);
}

TEST(LocaleSettings, InjectedSettingsReplaceThePlatformOnes)
{
    SetXlsFormatSettings(German());
    EXPECT_EQ(XlsFormatSettings().DecimalSeparator, u',');
    SetXlsFormatSettings(ReadPlatformFormatSettings());
    EXPECT_FALSE(XlsFormatSettings().ShortDateFormat.empty());
}
