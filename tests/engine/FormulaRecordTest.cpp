// Formula records: cached results, option bits, the STRING record of a text
// result, resetting for recalculation, and the ARRAY and TABLE records that
// move with their formula.
#include <gtest/gtest.h>

#include "RecordTestSupport.h"
#include "globals/UXlsFormula.h"
#include "records/UXlsOtherRecords.h"
#include "worksheet/UXlsRecordFactory.h"

using namespace rectest;

namespace {

// FORMULA data as a file holds it: the cached result bytes 6 to 13, no tokens.
TBytes FormulaBytes(std::initializer_list<std::uint8_t> aResult, std::uint16_t aOptions = 0)
{
    TBytes d(22, 0);
    SetWord(d, 0, 3);
    SetWord(d, 2, 1);
    SetWord(d, 4, 15);
    std::copy(aResult.begin(), aResult.end(), d.begin() + 6);
    SetWord(d, 14, aOptions);
    return d;
}

TBytes ResultBytes(const TFormulaRecord& f)
{
    return TBytes(f.Data().begin() + 6, f.Data().begin() + 14);
}

TBytes Written(TFormulaRecord& f)
{
    return rectest::Written([&](TOle2File& w) { f.SaveToStream(w); });
}

std::unique_ptr<TFormulaRecord> FormulaWith(std::uint16_t aRow, std::uint16_t aCol, const TBytes& aTokens)
{
    auto f =
        TFormulaRecord::CreateFromData(static_cast<std::uint16_t>(22 + aTokens.size()), aRow, aCol, 15, 1.0, false);
    SetWord(f->Data(), 20, static_cast<std::uint16_t>(aTokens.size()));
    std::copy(aTokens.begin(), aTokens.end(), f->Data().begin() + 22);
    return f;
}

TBytes RefToken(std::uint16_t aRow, std::uint8_t aCol)
{
    TBytes t{ptgRef};
    AppendWord(t, aRow);
    AppendWord(t, static_cast<std::uint16_t>(RowRelativeBit | ColRelativeBit | aCol));
    return t;
}

TBytes TableData(std::uint16_t r1, std::uint16_t r2, std::uint8_t c1, std::uint8_t c2, std::uint16_t inRow1,
                 std::uint16_t inCol1, std::uint16_t inRow2, std::uint16_t inCol2)
{
    TBytes d;
    AppendWord(d, r1);
    AppendWord(d, r2);
    AppendByte(d, c1);
    AppendByte(d, c2);
    AppendWord(d, 0);
    for (std::uint16_t v : {inRow1, inCol1, inRow2, inCol2}) AppendWord(d, v);
    return d;
}

TSheetInfo OwnSheet()
{
    TSheetInfo info;
    info.InsSheet = info.FormulaSheet = 0;
    return info;
}

}  // namespace

TEST(FormulaRecord, ReadsTheKindsOfCachedResult)
{
    struct Case {
        const char* What;
        TBytes Result;
        TXlsVariant Expected;
    };
    TBytes number(8);
    SetDouble(number, 0, 2.5);
    const Case cases[] = {
        {"number", number, 2.5},
        {"text (the STRING record gives it)", {0, 0, 0, 0, 0, 0, 0xFF, 0xFF}, TXlsString()},
        {"true", {1, 0, 1, 0, 0, 0, 0xFF, 0xFF}, true},
        {"false", {1, 0, 0, 0, 0, 0, 0xFF, 0xFF}, false},
        {"boolean byte 2 is not true", {1, 0, 2, 0, 0, 0, 0xFF, 0xFF}, false},
        {"#DIV/0!", {2, 0, 0x07, 0, 0, 0, 0xFF, 0xFF}, TXlsString(u"#DIV/0!")},
        {"#N/A", {2, 0, 0x2A, 0, 0, 0, 0xFF, 0xFF}, TXlsString(u"#N/A")},
        {"#NULL!", {2, 0, 0x00, 0, 0, 0, 0xFF, 0xFF}, TXlsString(u"#NULL!")},
        {"unknown error code", {2, 0, 0x99, 0, 0, 0, 0xFF, 0xFF}, TVarEmpty{}},
        {"empty text", {3, 0, 0, 0, 0, 0, 0xFF, 0xFF}, TXlsString()},
        {"unknown kind", {9, 0, 0, 0, 0, 0, 0xFF, 0xFF}, TVarEmpty{}},
    };
    for (const auto& c : cases) {
        TBytes d = FormulaBytes({});
        std::copy(c.Result.begin(), c.Result.end(), d.begin() + 6);
        TFormulaRecord f(xlr_FORMULA, d);
        EXPECT_EQ(f.GetValue(), c.Expected) << c.What;
        EXPECT_TRUE(SameBytes(ResultBytes(f), c.Result)) << c.What << ": bytes kept";
    }
    EXPECT_EQ(ErrorOf([] { TFormulaRecord(xlr_FORMULA, TBytes(21, 0)); }), "Record with ID 0x6 is invalid");
}

// Under the FORMULA id of BIFF4: a BIFF8 formula body makes a formula cell
// that is written back under the id it came with; any other body stays an
// unknown record.
TEST(FormulaRecord, TheBiff4IdWithABiff8BodyIsAFormulaCell)
{
    TBytes body = FormulaBytes({0, 0, 0, 0, 0, 0, 0x08, 0x40});  // 3.0
    SetWord(body, 20, 3);
    body.insert(body.end(), {0x1E, 3, 0});  // tInt 3
    const auto formula = CreateRecord(xlr_FORMULA_BIFF4, body);
    ASSERT_EQ(typeid(*formula), typeid(TFormulaRecord));
    EXPECT_EQ(static_cast<TFormulaRecord&>(*formula).GetValue(), TXlsVariant(3.0));
    EXPECT_EQ(GetWord(rectest::Written([&](TOle2File& w) { formula->SaveToStream(w); }), 0), xlr_FORMULA_BIFF4);

    for (TBytes other : {TBytes(21, 0), body}) {
        if (other.size() > 21) SetWord(other, 20, 4);  // tokens past the end
        EXPECT_EQ(typeid(*CreateRecord(xlr_FORMULA_BIFF4, other)), typeid(TBaseRecord)) << other.size();
    }
}

TEST(FormulaRecord, FormulasFromAFileAreMarkedForRecalculationNewOnesAreNot)
{
    TFormulaRecord read(xlr_FORMULA, FormulaBytes({}, 0x0001));
    EXPECT_EQ(read.OptionFlags(), 0x0003);
    EXPECT_EQ(GetWord(Written(read), 4 + 14), 0x0003);

    auto created = TFormulaRecord::CreateFromData(27, 1, 2, 21, 1.0, false);
    EXPECT_EQ(created->OptionFlags(), 0);
    EXPECT_EQ(created->Row(), 1);
    EXPECT_EQ(created->Column(), 2);
    EXPECT_EQ(created->XF(), 21);
    EXPECT_EQ(created->DataSize(), 27);
    EXPECT_EQ(GetCardinal(created->Data(), 16), 0u);
}

TEST(FormulaRecord, NewFormulasStoreTheirCachedValue)
{
    struct Case {
        const char* What;
        TXlsVariant Value;
        bool Options1904;
        TBytes Result;
        TXlsVariant Expected;
    };
    TBytes twoAndHalf(8), date1904(8), date1900(8);
    SetDouble(twoAndHalf, 0, 2.5);
    SetDouble(date1904, 0, 40000 - 1462);
    SetDouble(date1900, 0, 40000);
    const Case cases[] = {
        {"empty", TVarEmpty{}, false, TBytes(8, 0), TVarEmpty{}},
        {"null", TVarNull{}, false, TBytes(8, 0), TVarEmpty{}},
        {"double", 2.5, false, twoAndHalf, 2.5},
        {"integer", std::int32_t(40000), true, date1900, 40000.0},
        {"date, 1904 system", TVarDate{40000}, true, date1904, 40000.0 - 1462},
        {"date, 1900 system", TVarDate{40000}, false, date1900, 40000.0},
        {"text", TXlsString(u"abc"), false, {0, 0, 0, 0, 0, 0, 0xFF, 0xFF}, TXlsString(u"abc")},
        {"true", true, false, {1, 0, 1, 0, 0, 0, 0xFF, 0xFF}, true},
        {"false", false, false, {1, 0, 0, 0, 0, 0, 0xFF, 0xFF}, false},
        {"error value", TVarError{7}, false, TBytes(8, 0), TVarEmpty{}},
    };
    for (const auto& c : cases) {
        auto f = TFormulaRecord::CreateFromData(22, 0, 0, 15, c.Value, c.Options1904);
        EXPECT_TRUE(SameBytes(ResultBytes(*f), c.Result)) << c.What;
        EXPECT_EQ(f->GetValue(), c.Expected) << c.What;
    }
    EXPECT_EQ(ErrorOf([] { TFormulaRecord::CreateFromData(21, 0, 0, 15, 1.0, false); }),
              "Record with ID 0x6 is invalid");
}

TEST(FormulaRecord, TextResultsAreWrittenAsStringRecordsSplitAtTheRecordLimit)
{
    struct Case {
        const char* What;
        TXlsString Text;
        std::vector<std::size_t> Sizes;  // STRING, then CONTINUE data sizes
    };
    const Case cases[] = {
        {"short", u"abc", {6}},
        {"empty", u"", {3}},
        {"9,000 8-bit characters", TXlsString(9000, u'x'), {8219, 785}},
        {"exactly one record", TXlsString(8216, u'x'), {8219}},
        {"one character more", TXlsString(8217, u'x'), {8219, 2}},
        {"three pieces", TXlsString(8216 + 8218 + 10, u'x'), {8219, 8219, 11}},
        {"5,000 16-bit characters", TXlsString(5000, u'\u0416'), {8219, 1785}},
    };
    for (const auto& c : cases) {
        auto f = TFormulaRecord::CreateFromData(22, 2, 1, 15, c.Text, false);
        const TBytes out = Written(*f);
        EXPECT_EQ(f->TotalSize(), std::int64_t(out.size())) << c.What;
        const auto records = SplitRecords(out);
        ASSERT_EQ(records.size(), 1 + c.Sizes.size()) << c.What;
        EXPECT_EQ(records[0].Id, xlr_FORMULA);
        std::int64_t dataBytes = 22;
        for (std::size_t i = 0; i < c.Sizes.size(); ++i) {
            EXPECT_EQ(records[1 + i].Id, i == 0 ? xlr_STRING : xlr_CONTINUE) << c.What << " " << i;
            EXPECT_EQ(records[1 + i].Data.size(), c.Sizes[i]) << c.What << " " << i;
            if (i > 0) {
                EXPECT_EQ(records[1 + i].Data[0], records[1].Data[2]) << "option byte first";
            }
            dataBytes += std::int64_t(c.Sizes[i]);
        }
        EXPECT_EQ(f->TotalSizeNoHeaders(), dataBytes) << c.What;

        // Read back through the record stream: the text comes back whole.
        TStreamFixture fixture(Cat({out, Rec(xlr_EOF, {})}));
        auto read = ReadAll(fixture.File());
        ASSERT_EQ(read.size(), 3u) << c.What;
        const auto* str = dynamic_cast<const TStringRecord*>(read[1].get());
        ASSERT_NE(str, nullptr) << c.What;
        EXPECT_EQ(str->Value(), c.Text) << c.What;
    }
    EXPECT_EQ(ErrorOf([] { TFormulaRecord::CreateFromData(22, 0, 0, 15, TXlsString(65536, u'x'), false); }),
              "Invalid String record");
}

TEST(FormulaRecord, OnlyATextResultWritesAStringRecord)
{
    // A loaded text formula gets its text from the sheet (SetFormulaValue).
    TFormulaRecord loaded(xlr_FORMULA, FormulaBytes({0, 0, 0, 0, 0, 0, 0xFF, 0xFF}));
    loaded.SetFormulaValue(TXlsString(u"hello"));
    EXPECT_EQ(SplitRecords(Written(loaded)).size(), 2u);
    EXPECT_EQ(loaded.GetValue(), TXlsVariant(TXlsString(u"hello")));

    for (const TXlsVariant& v : {TXlsVariant(2.0), TXlsVariant(true), TXlsVariant(TVarEmpty{})}) {
        auto f = TFormulaRecord::CreateFromData(22, 0, 0, 15, v, false);
        EXPECT_EQ(SplitRecords(Written(*f)).size(), 1u);
        EXPECT_EQ(f->TotalSize(), 26);
    }
    // An error result read as its text is no text result.
    TFormulaRecord error(xlr_FORMULA, FormulaBytes({2, 0, 0x07, 0, 0, 0, 0xFF, 0xFF}));
    EXPECT_EQ(SplitRecords(Written(error)).size(), 1u);
}

TEST(FormulaRecord, RecalculationResetsTheCachedResult)
{
    auto f = TFormulaRecord::CreateFromData(22, 0, 0, 15, TXlsString(u"cached"), false);
    SetCardinal(f->Data(), 16, 0xDEADBEEF);
    EXPECT_EQ(f->FixTotalSize(false), 26 + 4 + 9);
    EXPECT_EQ(f->GetValue(), TXlsVariant(TXlsString(u"cached")));

    EXPECT_EQ(f->FixTotalSize(true), 26);
    EXPECT_TRUE(SameBytes(ResultBytes(*f), {2, 0, 0, 0, 0, 0, 0xFF, 0xFF}));
    EXPECT_EQ(GetCardinal(f->Data(), 16), 0u);
    EXPECT_TRUE(VarIsEmpty(f->GetValue()));
    EXPECT_EQ(Written(*f).size(), 26u);
}

TEST(FormulaRecord, ACopiedCellMovesItsReferencesAndForgetsItsResult)
{
    auto f = FormulaWith(4, 1, RefToken(2, 0));
    auto copy = CopyRecord(f.get());
    copy->ArrangeCopyRowsAndCols(3, 1);
    EXPECT_EQ(copy->Row(), 7);
    EXPECT_EQ(copy->Column(), 2);
    EXPECT_EQ(GetWord(copy->Data(), 23), 5);
    EXPECT_EQ(GetByte(copy->Data(), 25), 1);
    EXPECT_TRUE(VarIsEmpty(copy->GetValue()));
    EXPECT_EQ(f->GetValue(), TXlsVariant(1.0));
    EXPECT_EQ(GetWord(f->Data(), 23), 2) << "the original is untouched";
}

TEST(FormulaRecord, DataTablesMoveTheirRangeAndInputCells)
{
    TTableRecord read(xlr_TABLE, TableData(5, 8, 2, 4, 3, 1, 0xFFFF, 0xFF));
    EXPECT_EQ(GetWord(read.Data(), 6), 0x0003) << "read tables are marked for recalculation";

    struct Case {
        const char* What;
        std::int32_t RowPos, RowCount, ColPos, ColCount;
        TBytes Expected;
        std::string Error;
    };
    const Case cases[] = {
        {"rows inserted above", 4, 2, 0, 0, TableData(7, 10, 2, 4, 3, 1, 0xFFFF, 0xFF), ""},
        {"rows inserted inside", 6, 2, 0, 0, TableData(5, 10, 2, 4, 3, 1, 0xFFFF, 0xFF), ""},
        {"columns inserted", 0, 0, 1, 1, TableData(5, 8, 3, 5, 3, 2, 0xFFFF, 0xFF), ""},
        {"rows deleted", 0, -2, 0, 0, TableData(3, 6, 2, 4, 1, 1, 0xFFFF, 0xFF), ""},
        {"input cell off the sheet", 0, -4, 0, 0, TableData(1, 4, 2, 4, 0xFFFF, 0xFFFF, 0xFFFF, 0xFF), ""},
        {"range off the sheet",
         0,
         65530,
         0,
         0,
         {},
         "Too many entries for this kind of record (65538 out of a maximum of 65535)"},
        {"range past column 255",
         0,
         0,
         0,
         252,
         {},
         "Too many entries for this kind of record (256 out of a maximum of 255)"},
    };
    for (const auto& c : cases) {
        TTableRecord t(xlr_TABLE, TableData(5, 8, 2, 4, 3, 1, 0xFFFF, 0xFF));
        SetWord(t.Data(), 6, 0);
        if (!c.Error.empty()) {
            EXPECT_EQ(ErrorOf([&] { t.ArrangeInsertRowsAndCols(c.RowPos, c.RowCount, c.ColPos, c.ColCount); }), c.Error)
                << c.What;
            continue;
        }
        t.ArrangeInsertRowsAndCols(c.RowPos, c.RowCount, c.ColPos, c.ColCount);
        EXPECT_TRUE(SameBytes(TBytes(t.Data().begin(), t.Data().end()), c.Expected)) << c.What;
    }

    TTableRecord copied(xlr_TABLE, TableData(5, 8, 2, 4, 3, 1, 0xFFFF, 0xFF));
    copied.ArrangeCopyRowsAndCols(10, 1);
    EXPECT_EQ(copied.FirstRow(), 15);
    EXPECT_EQ(copied.LastRow(), 18);
    EXPECT_EQ(copied.FirstCol(), 3);
    EXPECT_EQ(copied.LastCol(), 5);
    EXPECT_EQ(GetWord(copied.Data(), 8), 13);
    EXPECT_EQ(GetWord(copied.Data(), 12), 0xFFFF) << "no second input cell stays none";
    EXPECT_EQ(ErrorOf([] { TTableRecord(xlr_TABLE, TBytes(15, 0)); }), "Record with ID 0x236 is invalid");
}

TEST(FormulaRecord, TheDataTableMovesOnlyWithItsOwnSheet)
{
    auto f = FormulaWith(5, 2, RefToken(0, 0));
    f->SetTableRecord(std::make_unique<TTableRecord>(xlr_TABLE, TableData(5, 8, 2, 4, 3, 1, 0xFFFF, 0xFF)));
    TSheetInfo other;
    other.InsSheet = 1;
    other.FormulaSheet = 0;
    f->ArrangeInsertRowsAndCols(0, 2, 0, 0, other);
    EXPECT_EQ(f->TableRecord()->FirstRow(), 5);
    f->ArrangeInsertRowsAndCols(0, 2, 0, 0, OwnSheet());
    EXPECT_EQ(f->TableRecord()->FirstRow(), 7);
    EXPECT_EQ(f->Row(), 7);
}

TEST(FormulaRecord, ArrayFormulasMoveTheirRangeAndReferences)
{
    // An array formula over rows 2 to 3 of column 1 whose formula refers to A1.
    TBytes array;
    AppendWord(array, 2);
    AppendWord(array, 3);
    AppendByte(array, 1);
    AppendByte(array, 1);
    AppendWord(array, 0);
    AppendCardinal(array, 0);
    const TBytes ref = RefToken(0, 0);
    AppendWord(array, static_cast<std::uint16_t>(ref.size()));
    array.insert(array.end(), ref.begin(), ref.end());

    TBytes master{ptgExp};
    AppendWord(master, 2);
    AppendWord(master, 1);
    auto f = FormulaWith(2, 1, master);
    f->SetArrayRecord(std::make_unique<TArrayRecord>(xlr_ARRAY, array));

    f->ArrangeInsertRowsAndCols(1, 2, 0, 0, OwnSheet());
    const TArrayRecord& a = *f->ArrayRecord();
    EXPECT_EQ(GetWord(a.Data(), 0), 4);
    EXPECT_EQ(GetWord(a.Data(), 2), 5);
    EXPECT_EQ(GetWord(a.Data(), 15), 0) << "A1 lies above the inserted rows";
    EXPECT_EQ(GetWord(f->Data(), 23), 4) << "the master cell moved";

    f->ArrangeInsertRowsAndCols(0, 1, 0, 0, OwnSheet());
    EXPECT_EQ(GetWord(a.Data(), 0), 5);
    EXPECT_EQ(GetWord(a.Data(), 15), 1);

    auto copy = CopyRecord(f.get());
    copy->ArrangeCopyRowsAndCols(10, 2);
    EXPECT_EQ(GetWord(copy->ArrayRecord()->Data(), 0), 15);
    EXPECT_EQ(GetByte(copy->ArrayRecord()->Data(), 4), 3);
    EXPECT_EQ(GetWord(copy->ArrayRecord()->Data(), 15), 11);
    EXPECT_EQ(GetWord(copy->Data(), 23), 15);
    EXPECT_EQ(GetWord(copy->Data(), 25), 3);
    EXPECT_EQ(GetWord(a.Data(), 0), 5) << "the original is untouched";
}
