// Typing a text into a cell through the file interface: the value the cell
// gets and the number format it ends up with, under a German and an English
// locale.
#include <gtest/gtest.h>

#include <optional>

#include "LocaleTestSupport.h"
#include "base/UXlsLocale.h"
#include "base/UXlsUnicode.h"
#include "facade/XLSAdapter.h"

namespace {

using namespace xls;
using localetest::English;
using localetest::German;

// Puts the locale in place for one test and the previous one back afterwards.
class SetCellString : public ::testing::Test {
protected:
    void TearDown() override { SetXlsFormatSettings(FSaved); }
    void Use(const TXlsFormatSettings& fs) { SetXlsFormatSettings(fs); }

    // A new workbook; cell A1 has a format of its own (bold, "0.000").
    void SetUp() override
    {
        FXls.Connect();
        FXls.NewFile(1);
        TTbrFormat bold = FXls.GetFormatList(FXls.DefaultFormatId());
        bold.Font.Style.Include(TTbrFontStyle::flsBold);
        bold.Format = u"0.000";
        FXls.SetCellFormat(1, 1, FXls.AddFormat(bold));
    }

    TXLSFile FXls{nullptr};

private:
    TXlsFormatSettings FSaved = XlsFormatSettings();
};

enum class TKind { Number, Boolean, Text };

struct TCase {
    std::u16string_view Text;
    TKind Kind;
    TXlsVariant Value;
    // The cell's number format afterwards; nothing: the default cell format 15.
    std::optional<std::u16string_view> Format;
    std::u16string_view DateFormat = u"";
};

const TCase kGermanCases[] = {
    {u"4022250974", TKind::Number, 4022250974.0, u""},
    {u"0", TKind::Number, 0.0, u""},
    {u"-1.234,5", TKind::Number, -1234.5, u""},
    {u"1.234.567", TKind::Number, 1234567.0, u""},
    {u"1.5", TKind::Number, 15.0, u""},
    {u"12,5%", TKind::Number, 0.125, u"0.00%"},
    {u"5%", TKind::Number, 0.05, u"0%"},
    {u"%5", TKind::Number, 0.05, u"0%"},
    {u"3e2", TKind::Number, 300.0, u"0.00E+00"},
    {u"2,5E3", TKind::Number, 2500.0, u"0.00E+00"},
    {u"10 €", TKind::Number, 10.0, u"###,###\\ €;[Red]-###,###\\ €"},
    {u"€10", TKind::Number, 10.0, u"###,###\\ €;[Red]-###,###\\ €"},
    {u"10,50 €", TKind::Number, 10.5, u"###,###.00\\ €;[Red]-###,###.00\\ €"},
    {u"24.12.2024", TKind::Number, 45650.0, u"dd.MM.yyyy"},
    {u"24.12.2024", TKind::Number, 45650.0, u"yyyy-mm-dd", u"yyyy-mm-dd"},
    {u" true ", TKind::Boolean, true, std::nullopt},
    {u"FALSE", TKind::Boolean, false, std::nullopt},
    {u"Wahr", TKind::Text, TXlsString(u"Wahr"), std::nullopt},
    {u"DE AD BE EF", TKind::Text, TXlsString(u"DE AD BE EF"), std::nullopt},
    {u"1.23.4", TKind::Text, TXlsString(u"1.23.4"), std::nullopt},
    {u"12:30", TKind::Text, TXlsString(u"12:30"), std::nullopt},
    {u"  Lager 3  ", TKind::Text, TXlsString(u"  Lager 3  "), std::nullopt},
};

const TCase kEnglishCases[] = {
    {u"1,234.5", TKind::Number, 1234.5, u""},
    {u"12.5%", TKind::Number, 0.125, u"0.00%"},
    {u"$10", TKind::Number, 10.0, u"$###,###_);[Red]\\($###,###\\)"},
    {u"$10.50", TKind::Number, 10.5, u"$###,###.00_);[Red]\\($###,###.00\\)"},
    {u"12/24/2024", TKind::Number, 45650.0, u"M/d/yyyy"},
    {u"3/5/2024", TKind::Number, 45356.0, u"M/d/yyyy"},
    {u"24/12/2024", TKind::Text, TXlsString(u"24/12/2024"), std::nullopt},
    {u"1,5", TKind::Number, 15.0, u""},
    {u"True", TKind::Boolean, true, std::nullopt},
};

void CheckCases(TXLSFile& xls, std::span<const TCase> cases)
{
    std::int32_t row = 2;
    for (const TCase& c : cases) {
        SCOPED_TRACE(Utf16ToUtf8(c.Text));
        xls.SetCellString(row, 2, TXlsString(c.Text), TXlsString(c.DateFormat), u"");
        const TXlsVariant value = xls.GetCellValue(row, 2);
        switch (c.Kind) {
        case TKind::Number: EXPECT_TRUE(std::holds_alternative<double>(value)); break;
        case TKind::Boolean: EXPECT_TRUE(std::holds_alternative<bool>(value)); break;
        case TKind::Text: EXPECT_TRUE(std::holds_alternative<TXlsString>(value)); break;
        }
        EXPECT_EQ(value, c.Value);
        const std::int32_t xf = xls.GetCellFormat(row, 2);
        if (c.Format)
            EXPECT_EQ(xls.GetFormatList(xf).Format, *c.Format);
        else
            EXPECT_EQ(xf, xls.DefaultFormatId());
        ++row;
    }
}

TEST_F(SetCellString, GermanLocale)
{
    Use(German());
    CheckCases(FXls, kGermanCases);
}

TEST_F(SetCellString, EnglishLocale)
{
    Use(English());
    CheckCases(FXls, kEnglishCases);
}

// A number keeps the rest of the cell's format; only the number format
// changes, and only when the text asks for one.
TEST_F(SetCellString, ANumberKeepsTheCellsFormat)
{
    Use(German());
    const TTbrFormat before = FXls.GetFormatList(FXls.GetCellFormat(1, 1));
    FXls.SetCellString(1, 1, u"42", u"", u"");
    EXPECT_EQ(FXls.GetFormatList(FXls.GetCellFormat(1, 1)), before);
    FXls.SetCellString(1, 1, u"5%", u"", u"");
    TTbrFormat percent = before;
    percent.Format = u"0%";
    EXPECT_EQ(FXls.GetFormatList(FXls.GetCellFormat(1, 1)), percent);
    EXPECT_EQ(FXls.GetCellValue(1, 1), TXlsVariant(0.05));

    // A text keeps the cell's format too (the cell store keeps it).
    const std::int32_t xf = FXls.GetCellFormat(1, 1);
    FXls.SetCellString(1, 1, u"Lager", u"", u"");
    EXPECT_EQ(FXls.GetCellFormat(1, 1), xf);
}

TEST_F(SetCellString, TheCallersFormatWinsForEveryKind)
{
    Use(German());
    TTbrFormat italic = FXls.GetFormatList(0);
    italic.Font.Style.Include(TTbrFontStyle::flsItalic);
    italic.Format = u"@";
    const struct {
        std::u16string_view Text;
        std::u16string_view Format;
    } cases[] = {{u"7", u"@"}, {u"7%", u"0%"}, {u"wahr", u"@"}, {u"TRUE", u"@"}, {u"1.2.2024", u"dd.MM.yyyy"}};
    std::int32_t row = 3;
    for (const auto& c : cases) {
        FXls.SetCellString(row, 1, TXlsString(c.Text), italic, u"", u"");
        TTbrFormat expected = italic;
        expected.Format = TXlsString(c.Format);
        expected.Parent = 0;  // a cell's format, made from a style's
        EXPECT_EQ(FXls.GetFormatList(FXls.GetCellFormat(row, 1)), expected) << Utf16ToUtf8(c.Text);
        ++row;
    }
}

}  // namespace
