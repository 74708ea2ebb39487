// The cell store: value writes and reads, formats, loading with its repairs,
// shared formula expansion, saving in 32-row blocks, and the structural
// operations with their column formats.
#include <gtest/gtest.h>

#include "RecordTestSupport.h"
#include "drawing/UXlsEscher.h"
#include "worksheet/UXlsColInfo.h"
#include "worksheet/UXlsRowColEntries.h"

using namespace rectest;

namespace {

constexpr std::uint16_t Rel = RowRelativeBit | ColRelativeBit;

struct TSheetFixture {
    TWorkbookGlobals Globals{std::make_unique<TDrawingGroup>()};
    TSST& SST = Globals.SST();
    TColInfoList Columns;
    TCells Cells{Globals, Columns};

    TCellList& List() { return Cells.CellList(); }
    void Set(std::int64_t aRow, std::int64_t aCol, const TXlsVariant& aValue, std::int32_t aXF = -1,
             bool Options1904 = false)
    {
        List().SetValueX2(aRow, aCol, TXlsCellValue{aValue, aXF, false}, {}, Options1904);
    }
    TXlsCellValue Get(std::int64_t aRow, std::int64_t aCol) { return List().GetValue(aRow, aCol); }
    // The cell record there, or null.
    TCellRecord* Cell(std::size_t aRow, std::uint16_t aCol)
    {
        TCellRecordList* cells = List().CellRow(aRow);
        std::size_t index = 0;
        return cells && cells->Find(aCol, index) ? cells->Items(index) : nullptr;
    }
    TRowRecord* Row(std::size_t aRow)
    {
        return Cells.RowList().HasRow(std::int64_t(aRow)) ? &Cells.RowList().Items(aRow) : nullptr;
    }
    // Saves, checking that the size computed first is what is written.
    std::vector<TRawRecord> Save()
    {
        const std::int64_t size = Cells.TotalSize();
        const TBytes out = Written([&](TOle2File& w) { Cells.SaveToStream(w); });
        EXPECT_EQ(size, std::int64_t(out.size()));
        auto records = SplitRecords(out);
        for (const auto& r : records) {
            EXPECT_NE(r.Id, 0x00D7) << "DBCELL";
            EXPECT_NE(r.Id, 0x020B) << "INDEX";
            EXPECT_NE(r.Id, xlr_SHRFMLA);
        }
        return records;
    }
};

struct TDims {
    std::uint32_t FirstRow, LastRowPlus1;
    std::uint16_t FirstCol, LastColPlus1;
    bool operator==(const TDims&) const = default;
};

TDims DimsOf(const TRawRecord& aRecord)
{
    EXPECT_EQ(aRecord.Id, xlr_DIMENSIONS);
    EXPECT_EQ(aRecord.Data.size(), 14u);
    return {GetCardinal(aRecord.Data, 0), GetCardinal(aRecord.Data, 4), GetWord(aRecord.Data, 8),
            GetWord(aRecord.Data, 10)};
}

std::ostream& operator<<(std::ostream& os, const TDims& d)
{
    return os << "(" << d.FirstRow << ", " << d.LastRowPlus1 << ", " << d.FirstCol << ", " << d.LastColPlus1 << ")";
}

std::unique_ptr<TRowRecord> RowRec(std::uint16_t aRow, std::uint16_t aMinCol, std::uint16_t aMaxCol)
{
    auto r = TRowRecord::CreateStandard(aRow);
    r->SetMinCol(aMinCol);
    r->SetMaxCol(aMaxCol);
    return r;
}

std::unique_ptr<TCellRecord> Number(std::uint16_t aRow, std::uint16_t aCol, double aValue)
{
    auto c = TNumberRecord::CreateFromData(aRow, aCol, 15);
    c->SetValue(aValue);
    return c;
}

TBytes RefToken(std::uint8_t aId, std::uint16_t aRow, std::uint8_t aCol, std::uint16_t aFlags = Rel)
{
    TBytes t{aId};
    AppendWord(t, aRow);
    AppendWord(t, static_cast<std::uint16_t>(aFlags | aCol));
    return t;
}

std::unique_ptr<TFormulaRecord> FormulaWith(std::uint16_t aRow, std::uint16_t aCol, const TBytes& aTokens)
{
    TBytes d(22, 0);
    SetWord(d, 0, aRow);
    SetWord(d, 2, aCol);
    SetWord(d, 4, 15);
    SetWord(d, 20, static_cast<std::uint16_t>(aTokens.size()));
    d.insert(d.end(), aTokens.begin(), aTokens.end());
    return std::make_unique<TFormulaRecord>(xlr_FORMULA, d);
}

TBytes TokensOf(const TCellRecord* aCell)
{
    const auto* f = dynamic_cast<const TFormulaRecord*>(aCell);
    if (!f) return {};
    return TBytes(f->Data().begin() + 22, f->Data().begin() + 22 + f->TokensSize());
}

std::vector<std::uint16_t> Ids(const std::vector<TRawRecord>& aRecords)
{
    std::vector<std::uint16_t> ids;
    for (const auto& r : aRecords) ids.push_back(r.Id);
    return ids;
}

}  // namespace

// ------------------------------------------------------------------ values

TEST(CellStore, ANewTextCellGetsAStandardRowAndTheDefaultFormat)
{
    TSheetFixture s;
    s.Set(4, 2, TXlsString(u"12345"));
    const TRowRecord* row = s.Row(4);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->MinCol(), 0);
    EXPECT_EQ(row->MaxCol(), 3);
    EXPECT_EQ(row->Options(), 0x0100);
    const auto* cell = dynamic_cast<const TLabelSSTRecord*>(s.Cell(4, 2));
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->XF(), 15);
    EXPECT_EQ(cell->AsString(), u"12345");
    EXPECT_EQ(s.SST.Count(), 1u);

    const auto records = s.Save();
    EXPECT_EQ(DimsOf(records.at(0)), (TDims{4, 5, 0, 3}));
    EXPECT_EQ(Ids(records), (std::vector<std::uint16_t>{xlr_DIMENSIONS, xlr_ROW, xlr_LABELSST}));
}

TEST(CellStore, NewCellsTakeTheRowsThenTheColumnsFormat)
{
    struct Case {
        const char* What;
        std::int32_t RowXF;     // -1: a row without format
        std::int32_t ColumnXF;  // -1: no column format
        std::int32_t ValueXF;
        std::uint16_t Expected;
    };
    const Case cases[] = {
        {"nothing set", -1, -1, -1, 15},      {"column format", -1, 40, -1, 40},
        {"row format wins", 30, 40, -1, 30},  {"given format wins", 30, 40, 50, 50},
        {"row format alone", 30, -1, -1, 30},
    };
    for (const auto& c : cases) {
        TSheetFixture s;
        if (c.RowXF >= 0) {
            s.Cells.RowList().AddRow(3);
            s.Cells.RowList().Items(3).SetXF(static_cast<std::uint16_t>(c.RowXF));
        }
        if (c.ColumnXF >= 0)
            s.Columns.AddRecord(TColInfoRecord::CreateNew(1, 4, 2000, static_cast<std::uint16_t>(c.ColumnXF), 0));
        s.Set(3, 2, 7.0, c.ValueXF);
        ASSERT_NE(s.Cell(3, 2), nullptr) << c.What;
        EXPECT_EQ(s.Cell(3, 2)->XF(), c.Expected) << c.What;
        EXPECT_EQ(s.Get(3, 2).XF, c.Expected) << c.What;
    }
}

TEST(CellStore, ValuesChooseTheirRecord)
{
    struct Case {
        const char* What;
        TXlsVariant Value;
        std::uint16_t Id;  // 0: no cell
        TXlsVariant ReadBack;
    };
    const Case cases[] = {
        {"text", TXlsString(u"abc"), xlr_LABELSST, TXlsString(u"abc")},
        {"RK integer", std::int32_t(1234567), xlr_RK, 1234567.0},
        {"RK hundredths", 1.23, xlr_RK, 1.23},
        {"not RK", 12345678.9, xlr_NUMBER, 12345678.9},
        {"byte", std::uint8_t(7), xlr_RK, 7.0},
        {"64-bit integer", std::int64_t(3735928559), xlr_NUMBER, 3735928559.0},
        {"single", 0.5f, xlr_RK, 0.5},
        {"currency", TVarCurrency{12345}, xlr_NUMBER, 1.2345},
        {"date", TVarDate{40000.5}, xlr_RK, 40000.5},
        {"boolean", true, xlr_BOOLERR, true},
        {"error value", TVarError{7}, 0, TVarEmpty{}},
        {"unsigned 64-bit", std::uint64_t(5), 0, TVarEmpty{}},
        {"empty text", TXlsString(), 0, TVarEmpty{}},
        {"null", TVarNull{}, 0, TVarEmpty{}},
    };
    for (const auto& c : cases) {
        TSheetFixture s;
        s.Set(0, 0, TXlsString(u"before"));  // every write replaces a cell
        s.Set(0, 1, 1.0);
        s.Set(0, 0, c.Value);
        const TCellRecord* cell = s.Cell(0, 0);
        EXPECT_EQ(cell ? cell->Id() : 0, c.Id) << c.What;
        EXPECT_EQ(s.Get(0, 0).Value, c.ReadBack) << c.What;
        s.SST.FixRefs();
        EXPECT_EQ(s.SST.Count(), c.Id == xlr_LABELSST ? 1u : 0u) << c.What << ": the old text is released";
        s.Save();
    }
}

TEST(CellStore, ANumberOverATextCellKeepsItsFormat)
{
    TSheetFixture s;
    s.Set(2, 2, TXlsString(u"text"), 21);
    s.Set(2, 2, 3.0);
    EXPECT_EQ(s.Cell(2, 2)->Id(), xlr_RK);
    EXPECT_EQ(s.Cell(2, 2)->XF(), 21);
    s.Set(2, 2, 1e-300);
    EXPECT_EQ(s.Cell(2, 2)->Id(), xlr_NUMBER);
    EXPECT_EQ(s.Cell(2, 2)->XF(), 21);
    s.SST.FixRefs();
    EXPECT_EQ(s.SST.Count(), 0u) << "the text is no longer used";
}

TEST(CellStore, AnEmptyValueRemovesTheCellAndTrailingRows)
{
    TSheetFixture s;
    s.Set(1, 0, 1.0);
    s.Set(4, 3, 2.0);
    s.Set(4, 5, 3.0);
    s.Set(4, 5, TVarEmpty{});
    EXPECT_EQ(s.Row(4)->MinCol(), 3);
    EXPECT_EQ(s.Row(4)->MaxCol(), 4);
    s.Set(4, 3, TVarEmpty{});
    EXPECT_EQ(s.Row(4), nullptr);
    EXPECT_EQ(s.Cells.RowList().Count(), 2u);
    EXPECT_EQ(s.List().Count(), 2u);
    EXPECT_EQ(DimsOf(s.Save().at(0)), (TDims{1, 2, 0, 1}));

    // A row with a height set by hand stays, without columns.
    s.Cells.RowList().SetRowHeight(1, 500);
    s.Set(1, 0, TVarEmpty{});
    ASSERT_NE(s.Row(1), nullptr);
    EXPECT_EQ(s.Row(1)->MinCol(), 0);
    EXPECT_EQ(s.Row(1)->MaxCol(), 0);
    EXPECT_EQ(s.List().CellRow(1)->Count(), 0u);

    // Writing nothing where nothing was leaves no row behind.
    s.Set(0, 7, TVarEmpty{});
    EXPECT_EQ(s.Row(0), nullptr);
    EXPECT_EQ(s.Cells.RowList().Count(), 2u);
}

TEST(CellStore, AnEmptyValueKeepsABlankWhenTheFormatDiffers)
{
    TSheetFixture s;
    s.Set(2, 2, 5.0, 21);
    s.Set(2, 2, TVarEmpty{});
    ASSERT_NE(s.Cell(2, 2), nullptr);
    EXPECT_EQ(s.Cell(2, 2)->Id(), xlr_BLANK);
    EXPECT_EQ(s.Cell(2, 2)->XF(), 21);
    EXPECT_TRUE(VarIsEmpty(s.Get(2, 2).Value));
    EXPECT_EQ(s.Get(2, 2).XF, 21);

    s.Set(2, 2, TVarEmpty{}, 15);  // back to the default format
    EXPECT_EQ(s.Cell(2, 2), nullptr);
}

TEST(CellStore, DatesMoveToThe1904System)
{
    TSheetFixture s;
    s.Set(0, 0, TVarDate{40000}, -1, true);
    s.Set(0, 1, TVarDate{40000}, -1, false);
    s.Set(0, 2, 40000.0, -1, true);
    EXPECT_EQ(s.Get(0, 0).Value, TXlsVariant(38538.0));
    EXPECT_EQ(s.Get(0, 1).Value, TXlsVariant(40000.0));
    EXPECT_EQ(s.Get(0, 2).Value, TXlsVariant(40000.0)) << "a number is no date";
}

TEST(CellStore, RowsAndColumnsOutsideTheSheetAreRefused)
{
    TSheetFixture s;
    s.Set(65535, 255, 1.0);
    EXPECT_EQ(s.Get(65535, 255).Value, TXlsVariant(1.0));
    struct Case {
        std::int64_t Row, Col;
        std::string Error;
    };
    const Case cases[] = {
        {65536, 0, "Invalid Row (65536)"},
        {0, 256, "Invalid Column (256)"},
        {-1, 0, "Invalid Row (-1)"},
        {0, -1, "Invalid Column (-1)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ErrorOf([&] { s.Set(c.Row, c.Col, 1.0); }), c.Error);
        EXPECT_EQ(ErrorOf([&] { s.Get(c.Row, c.Col); }), c.Error);
        EXPECT_EQ(ErrorOf([&] { s.List().SetFormat(c.Row, c.Col, 15); }), c.Error);
    }
    EXPECT_EQ(ErrorOf([&] { s.Set(0, 0, 1.0, 65536); }),
              R"(The index "65536" of the property "XF" is not in the range 0-65535)");
    EXPECT_EQ(s.Cells.RowList().Count(), 65536u);
    EXPECT_EQ(s.Save().size(), 3u);
}

TEST(CellStore, TextLongerThanACellHoldsIsRefusedAndChangesNothing)
{
    TSheetFixture s;
    s.Set(0, 0, TXlsString(MaxCellTextLength, u'x'));
    EXPECT_EQ(std::get<TXlsString>(s.Get(0, 0).Value).size(), MaxCellTextLength);
    s.Set(1, 0, 5.0);
    EXPECT_EQ(ErrorOf([&] { s.Set(1, 0, TXlsString(MaxCellTextLength + 1, u'x')); }),
              "Text too long for a cell (32768 characters, the maximum is 32767)");
    EXPECT_EQ(s.Get(1, 0).Value, TXlsVariant(5.0));
    EXPECT_EQ(ErrorOf([&] { s.Set(2, 0, TXlsString(70000, u'x')); }),
              "Text too long for a cell (70000 characters, the maximum is 32767)");
    EXPECT_EQ(s.Row(2), nullptr);
    EXPECT_EQ(s.SST.Count(), 1u);
}

TEST(CellStore, ReadsValuesWithFormatsRunsAndFormulaFlag)
{
    TSheetFixture s;
    TXlsCellValue v;
    TRTFRunList runs{{1, 1}};
    s.List().GetValueX2(3, 3, v, runs);
    EXPECT_TRUE(VarIsEmpty(v.Value));
    EXPECT_EQ(v.XF, -1);
    EXPECT_FALSE(v.IsFormula);
    EXPECT_TRUE(runs.empty());

    const TRTFRunList written{{0, 5}, {3, 6}};
    s.List().SetValueX2(3, 3, TXlsCellValue{TXlsString(u"rich text"), 22, false}, written, false);
    s.List().GetValueX2(3, 3, v, runs);
    EXPECT_EQ(v.Value, TXlsVariant(TXlsString(u"rich text")));
    EXPECT_EQ(v.XF, 22);
    EXPECT_EQ(runs, written);

    s.Cells.AddCell(FormulaWith(5, 1, RefToken(ptgRef, 0, 0)));
    v = s.Get(5, 1);
    EXPECT_TRUE(v.IsFormula);
    EXPECT_EQ(v.Value, TXlsVariant(0.0));
}

TEST(CellStore, SettingAFormatKeepsTheValue)
{
    TSheetFixture s;
    s.Set(1, 1, 9.0);
    s.List().SetFormat(1, 1, 30);
    EXPECT_EQ(s.Get(1, 1).Value, TXlsVariant(9.0));
    EXPECT_EQ(s.Get(1, 1).XF, 30);

    s.List().SetFormat(1, 2, 31);  // no cell: a formatted blank
    EXPECT_EQ(s.Cell(1, 2)->Id(), xlr_BLANK);
    EXPECT_EQ(s.Row(1)->MaxCol(), 3);
    s.List().SetFormat(1, 3, 15);  // the default format: nothing to keep
    EXPECT_EQ(s.Cell(1, 3), nullptr);
}

TEST(CellStore, ArrayAndTableDataOfFormulaCells)
{
    TSheetFixture s;
    s.Set(0, 0, 1.0);
    TBytes exp{ptgExp};
    AppendWord(exp, 2);
    AppendWord(exp, 1);
    auto array = FormulaWith(2, 1, exp);
    array->SetArrayRecord(std::make_unique<TArrayRecord>(xlr_ARRAY, TBytes(14, 3)));
    s.Cells.AddCell(std::move(array));
    s.Cells.AddCell(FormulaWith(2, 2, exp));

    EXPECT_TRUE(
        SameBytes(TBytes(s.List().ArrayFormula(2, 1).begin(), s.List().ArrayFormula(2, 1).end()), TBytes(14, 3)));
    EXPECT_EQ(ErrorOf([&] { s.List().TableFormula(2, 1); }),
              "Formula at Row 3, column 2 is not supported. Token Id: 0x 2");
    EXPECT_EQ(ErrorOf([&] { s.List().ArrayFormula(2, 2); }),
              "Formula at Row 3, column 3 is not supported. Token Id: 0x 1");
    EXPECT_EQ(ErrorOf([&] { s.List().ArrayFormula(0, 0); }), "Can't find Shared Formula");
    EXPECT_EQ(ErrorOf([&] { s.List().ArrayFormula(2, 7); }), "Can't find Shared Formula");
    EXPECT_EQ(ErrorOf([&] { s.List().ArrayFormula(3, 0); }), "Invalid Row (3)");
    EXPECT_EQ(ErrorOf([&] { s.List().TableFormula(0, 256); }), "Invalid Column (256)");
}

// ------------------------------------------------------------------ saving

TEST(CellStore, AnEmptySheetSavesOnlyItsDimensions)
{
    TSheetFixture s;
    const auto records = s.Save();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(DimsOf(records[0]), (TDims{0, 0, 0, 1}));
}

TEST(CellStore, RowsAndCellsAreWrittenIn32RowBlocks)
{
    TSheetFixture s;
    for (std::uint16_t r = 3; r < 73; ++r) {
        s.Set(r, 1, double(r));
        s.Set(r, 2, double(r));  // RK runs become MULRK records
    }
    const auto records = s.Save();
    EXPECT_EQ(DimsOf(records.at(0)), (TDims{3, 73, 0, 3}));

    // Per block: its ROW records in row order, then its cells row by row.
    std::vector<std::pair<std::uint16_t, std::uint16_t>> expected;  // id, row
    const std::uint16_t blocks[] = {3, 35, 67};
    for (std::uint16_t block : blocks) {
        const std::uint16_t end = std::min<std::uint16_t>(block + 32, 73);
        for (std::uint16_t r = block; r < end; ++r) expected.emplace_back(xlr_ROW, r);
        for (std::uint16_t r = block; r < end; ++r) expected.emplace_back(xlr_MULRK, r);
    }
    ASSERT_EQ(records.size(), 1 + expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(records[1 + i].Id, expected[i].first) << i;
        EXPECT_EQ(GetWord(records[1 + i].Data, 0), expected[i].second) << i;
    }
}

TEST(CellStore, SavingARangeClipsRowsAndCells)
{
    TSheetFixture s;
    for (std::uint16_t r = 0; r < 5; ++r)
        for (std::uint16_t c = 0; c < 6; ++c) s.Set(r, c, TXlsString(u"v"));
    const TXlsCellRange range{1, 2, 3, 3};  // columns 1 to 3 of rows 2 and 3
    const std::int64_t size = s.Cells.TotalRangeSize(range, false);
    const TBytes out = Written([&](TOle2File& w) { s.Cells.SaveRangeToStream(w, range); });
    EXPECT_EQ(size, std::int64_t(out.size()));
    const auto records = SplitRecords(out);
    EXPECT_EQ(DimsOf(records.at(0)), (TDims{2, 4, 1, 4}));
    ASSERT_EQ(records.size(), 1u + 2u + 6u);
    for (std::size_t i : {1u, 2u}) {
        EXPECT_EQ(records[i].Id, xlr_ROW);
        EXPECT_EQ(GetWord(records[i].Data, 2), 1) << "MinCol raised to the range";
        EXPECT_EQ(GetWord(records[i].Data, 4), 4) << "MaxCol lowered to the range";
    }
    for (std::size_t i = 3; i < records.size(); ++i) {
        EXPECT_EQ(records[i].Id, xlr_LABELSST);
        EXPECT_TRUE(range.HasColumn(GetWord(records[i].Data, 2)));
    }
    EXPECT_EQ(s.Row(2)->MaxCol(), 6) << "the rows themselves are unchanged";
}

TEST(CellStore, FormulaResultsResetForRecalculationAreSizedAsWritten)
{
    TSheetFixture s;
    auto f = FormulaWith(0, 0, RefToken(ptgRef, 1, 0));
    f->SetFormulaValue(TXlsString(u"a cached text"));
    s.Cells.AddCell(std::move(f));
    s.Cells.FixRows();
    const std::int64_t withText = s.Cells.TotalSize();
    const std::int64_t reset = s.Cells.FixTotalSize(true);
    EXPECT_EQ(withText - reset, 4 + 3 + 13) << "the STRING record is gone";
    const auto records = s.Save();
    EXPECT_EQ(Ids(records), (std::vector<std::uint16_t>{xlr_DIMENSIONS, xlr_ROW, xlr_FORMULA}));
    EXPECT_EQ(GetWord(records[2].Data, 12), 0xFFFF);
    EXPECT_EQ(records[2].Data[6], 2);
}

// ------------------------------------------------------------------ loading

TEST(CellStore, EveryRowWithCellsGetsARowRecordAtLoad)
{
    // Row 0 has cells but no ROW record, while the row list is as long as the cell list.
    TSheetFixture s;
    s.Cells.AddCell(Number(0, 1, 1.0));
    s.Cells.AddCell(Number(5, 0, 2.0));
    s.Cells.AddRow(RowRec(5, 0, 1));
    s.Cells.FixRows();
    ASSERT_NE(s.Row(0), nullptr);
    EXPECT_EQ(s.Row(0)->MinCol(), 1);
    EXPECT_EQ(s.Row(0)->MaxCol(), 2);
    const auto records = s.Save();
    EXPECT_EQ(DimsOf(records.at(0)), (TDims{0, 6, 0, 2}));
    EXPECT_EQ(records.size(), 5u) << "both rows and both cells";
}

TEST(CellStore, ARowRecordNarrowerThanItsCellsIsWidenedAtLoad)
{
    TSheetFixture s;
    s.Cells.AddRow(RowRec(2, 3, 4));  // its cells lie in columns 0 to 7
    s.Cells.AddCell(Number(2, 7, 1.0));
    s.Cells.AddCell(Number(2, 0, 2.0));
    s.Cells.AddCell(Number(2, 3, 3.0));
    s.Cells.FixRows();
    EXPECT_EQ(s.Row(2)->MinCol(), 0);
    EXPECT_EQ(s.Row(2)->MaxCol(), 8);
    const auto records = s.Save();
    EXPECT_EQ(DimsOf(records.at(0)), (TDims{2, 3, 0, 8}));
    EXPECT_EQ(records.size(), 5u);
    EXPECT_EQ(GetWord(records.back().Data, 2), 7) << "the cells come out in column order";

    // A wider row record is kept as read.
    TSheetFixture wide;
    wide.Cells.AddRow(RowRec(0, 0, 20));
    wide.Cells.AddCell(Number(0, 2, 1.0));
    wide.Cells.FixRows();
    EXPECT_EQ(wide.Row(0)->MaxCol(), 20);
}

TEST(CellStore, MultipleCellRecordsAreSplitAtLoadAndJoinedOnSave)
{
    TBytes d;
    AppendWord(d, 4);
    AppendWord(d, 2);
    for (std::uint32_t rk : {0x3FF00000u, 0x40000000u, 0x40080000u}) {
        AppendWord(d, 15);
        AppendCardinal(d, rk);
    }
    AppendWord(d, 4);
    TMulRKRecord mulrk(xlr_MULRK, d);
    TSheetFixture s;
    s.Cells.AddRow(RowRec(4, 2, 5));
    s.Cells.AddMultipleCells(mulrk);
    s.Cells.FixRows();
    EXPECT_EQ(s.Get(4, 2).Value, TXlsVariant(1.0));
    EXPECT_EQ(s.Get(4, 4).Value, TXlsVariant(3.0));
    const auto records = s.Save();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[2].Id, xlr_MULRK);
    EXPECT_TRUE(SameBytes(records[2].Data, d));
}

TEST(CellStore, SharedFormulasExpandIntoEveryCell)
{
    // A2:A10 share "=A1" (the cell above): A2 is the master, every cell
    // points at it with ptgExp; the SHRFMLA holds a RefN one row up.
    TSheetFixture s;
    TShrFmlaRecordList shared;
    TBytes exp{ptgExp};
    AppendWord(exp, 1);
    AppendWord(exp, 0);
    for (std::uint16_t r = 1; r <= 9; ++r) {
        s.Cells.AddRow(RowRec(r, 0, 1));
        s.Cells.AddCell(FormulaWith(r, 0, exp));
        if (r == 1) {
            TBytes shr;
            AppendWord(shr, 1);
            AppendWord(shr, 9);
            AppendByte(shr, 0);
            AppendByte(shr, 0);
            AppendByte(shr, 0);
            AppendByte(shr, 9);
            const TBytes refN = RefToken(ptgRefN, 0xFFFF, 0);
            AppendWord(shr, static_cast<std::uint16_t>(refN.size()));
            shr.insert(shr.end(), refN.begin(), refN.end());
            auto rec = std::make_unique<TShrFmlaRecord>(xlr_SHRFMLA, shr);
            rec->Key = SharedFormulaKey(1, 0);
            shared.Add(std::move(rec));
        }
    }
    // An array formula's cell and a dangling ptgExp stay as they are.
    TBytes dangling{ptgExp};
    AppendWord(dangling, 30);
    AppendWord(dangling, 3);
    s.Cells.AddRow(RowRec(12, 3, 4));
    s.Cells.AddCell(FormulaWith(12, 3, dangling));

    s.List().FixFormulas(shared);
    s.Cells.FixRows();
    for (std::uint16_t r = 1; r <= 9; ++r)
        EXPECT_TRUE(SameBytes(TokensOf(s.Cell(r, 0)), RefToken(ptgRef, static_cast<std::uint16_t>(r - 1), 0))) << r;
    EXPECT_TRUE(SameBytes(TokensOf(s.Cell(12, 3)), dangling));

    const auto records = s.Save();
    std::size_t formulas = 0;
    for (const auto& r : records) {
        if (r.Id != xlr_FORMULA) continue;
        ++formulas;
        const std::uint16_t row = GetWord(r.Data, 0);
        if (row == 12) continue;
        EXPECT_EQ(r.Data.size(), 27u);
        EXPECT_EQ(r.Data[22], ptgRef);
        EXPECT_EQ(GetWord(r.Data, 23), row - 1);
    }
    EXPECT_EQ(formulas, 10u);
}

TEST(CellStore, ASharedFormulaWithATruncatedTokenArrayIsRefused)
{
    TSheetFixture s;
    TShrFmlaRecordList shared;
    TBytes exp{ptgExp, 0, 0, 0, 0};
    s.Cells.AddCell(FormulaWith(0, 0, exp));
    TBytes shr(8, 0);
    AppendWord(shr, 5);
    shr.insert(shr.end(), {ptgRefN, 0xFF, 0xFF});  // two bytes short
    auto rec = std::make_unique<TShrFmlaRecord>(xlr_SHRFMLA, shr);
    rec->Key = SharedFormulaKey(0, 0);
    shared.Add(std::move(rec));
    EXPECT_EQ(ErrorOf([&] { s.List().FixFormulas(shared); }),
              "Error reading formula: the token array runs past the end of its record");
}

// ------------------------------------------------------------------ structure

TEST(CellStore, InsertingCopiesOfRowsMovesTheRowsBelowAndTheirReferences)
{
    TSheetFixture s;
    TSheetInfo own;
    own.InsSheet = own.FormulaSheet = 0;
    s.Set(0, 0, 10.0);
    s.Set(1, 0, 20.0);
    s.Cells.AddCell(FormulaWith(1, 1, RefToken(ptgRef, 0, 0)));  // B2 = A1
    s.Cells.AddCell(FormulaWith(3, 1, RefToken(ptgRef, 1, 0)));  // B4 = A2
    s.Cells.FixRows();
    s.Cells.RowList().SetRowHeight(1, 600);

    s.Cells.InsertAndCopyRows(0, 1, 2, 2, own, false);  // two copies of rows 1 and 2 before row 3
    EXPECT_EQ(s.Cells.RowList().Count(), 8u);
    const std::uint16_t copies[] = {2, 4};
    for (std::uint16_t r : copies) {
        EXPECT_EQ(s.Get(r, 0).Value, TXlsVariant(10.0)) << r;
        EXPECT_EQ(s.Get(r + 1, 0).Value, TXlsVariant(20.0)) << r;
        EXPECT_EQ(s.Row(r + 1u)->Height(), 600) << r;
        EXPECT_TRUE(SameBytes(TokensOf(s.Cell(r + 1u, 1)), RefToken(ptgRef, r, 0))) << "copied B2 refers to its A";
        EXPECT_TRUE(VarIsEmpty(s.Get(r + 1, 1).Value)) << "a copied formula forgets its result";
    }
    EXPECT_TRUE(SameBytes(TokensOf(s.Cell(7, 1)), RefToken(ptgRef, 1, 0))) << "moved B4 still refers to A2";
    EXPECT_EQ(s.Cell(7, 1)->Row(), 7);
    s.Save();

    TSheetFixture formulasOnly;
    formulasOnly.Set(0, 0, 1.0);
    formulasOnly.Cells.AddCell(FormulaWith(0, 1, RefToken(ptgRef, 0, 0)));
    formulasOnly.Cells.FixRows();
    formulasOnly.Cells.InsertAndCopyRows(0, 0, 3, 1, own, true);
    EXPECT_EQ(formulasOnly.Cell(3, 0), nullptr);
    ASSERT_NE(formulasOnly.Row(3), nullptr);
    EXPECT_EQ(formulasOnly.Row(3)->MinCol(), 1);
    EXPECT_TRUE(SameBytes(TokensOf(formulasOnly.Cell(3, 1)), RefToken(ptgRef, 3, 0)));
    formulasOnly.Save();
}

TEST(CellStore, RowsThatWouldLeaveTheSheetAreRefusedBeforeAnythingMoves)
{
    TSheetFixture s;
    TSheetInfo own;
    own.InsSheet = own.FormulaSheet = 0;
    s.Set(65534, 0, 1.0);
    s.Set(3, 0, 2.0);
    EXPECT_EQ(ErrorOf([&] { s.Cells.InsertAndCopyRows(3, 3, 4, 2, own, false); }),
              "Too many entries for this kind of record (65536 out of a maximum of 65535)");
    EXPECT_EQ(s.Get(65534, 0).Value, TXlsVariant(1.0));
    EXPECT_EQ(s.Row(65534)->Row(), 65534);
    EXPECT_EQ(s.Cells.RowList().Count(), 65535u);

    s.Set(1, 250, 1.0);
    EXPECT_EQ(ErrorOf([&] { s.Cells.InsertAndCopyCols(0, 2, 5, 2, own, false); }),
              "Too many entries for this kind of record (256 out of a maximum of 255)");
    EXPECT_EQ(s.Get(1, 250).Value, TXlsVariant(1.0));
}

TEST(CellStore, DeletingRowsTurnsReferencesIntoThemIntoErrors)
{
    TSheetFixture s;
    TSheetInfo own;
    own.InsSheet = own.FormulaSheet = 0;
    for (std::uint16_t r = 0; r < 10; ++r) s.Set(r, 0, double(r));
    s.Cells.AddCell(FormulaWith(9, 1, Cat({RefToken(ptgRef, 5, 0), RefToken(ptgRef, 8, 0)})));
    s.Cells.FixRows();
    s.Cells.DeleteRows(4, 3, own);
    EXPECT_EQ(s.Cells.RowList().Count(), 7u);
    EXPECT_EQ(s.Get(4, 0).Value, TXlsVariant(7.0));
    EXPECT_EQ(s.Cell(6, 1)->Row(), 6);
    EXPECT_TRUE(SameBytes(TokensOf(s.Cell(6, 1)), Cat({RefToken(ptgRefErr, 5, 0), RefToken(ptgRef, 5, 0)})));
    EXPECT_EQ(DimsOf(s.Save().at(0)), (TDims{0, 7, 0, 2}));
}

TEST(CellStore, DeletingColumnsMovesCellsAndAreasButNotColumnFormats)
{
    TSheetFixture s;
    TSheetInfo own;
    own.InsSheet = own.FormulaSheet = 0;
    s.Columns.AddRecord(TColInfoRecord::CreateNew(1, 5, 3000, 20, 0));
    s.Columns.AddRecord(TColInfoRecord::CreateNew(8, 9, 4000, 21, 0));
    for (std::uint16_t c = 0; c < 10; ++c) s.Set(0, c, double(c));
    TBytes area{ptgArea};
    for (int v : {0, 0, 2 | Rel, 6 | Rel}) AppendWord(area, static_cast<std::uint16_t>(v));
    s.Cells.AddCell(FormulaWith(1, 9, area));  // =C1:G1
    s.Cells.FixRows();

    s.Cells.DeleteCols(3, 3, own);
    EXPECT_EQ(s.Get(0, 3).Value, TXlsVariant(6.0));
    EXPECT_EQ(s.Row(0)->MaxCol(), 7);
    EXPECT_EQ(s.Row(1)->MinCol(), 6);
    TBytes expected{ptgArea};
    for (int v : {0, 0, 2 | Rel, 3 | Rel}) AppendWord(expected, static_cast<std::uint16_t>(v));
    EXPECT_TRUE(SameBytes(TokensOf(s.Cell(1, 6)), expected)) << "C1:G1 loses D1:F1";

    // Column formats stay where they were: a deleted column takes no format along.
    for (std::int64_t c : {1, 3, 5}) EXPECT_EQ(s.Columns.ColumnXF(c), 20) << c;
    for (std::int64_t c : {8, 9}) EXPECT_EQ(s.Columns.ColumnXF(c), 21) << c;
    EXPECT_EQ(s.Columns.ColumnXF(6), -1);
    s.Save();
}

TEST(CellStore, InsertingCopiesOfColumnsCopiesCellsAndColumnFormats)
{
    TSheetFixture s;
    TSheetInfo own;
    own.InsSheet = own.FormulaSheet = 0;
    s.Columns.AddRecord(TColInfoRecord::CreateNew(0, 3, 3000, 20, 0));
    s.Columns.AddRecord(TColInfoRecord::CreateNew(4, 4, 5000, 22, 0));
    s.Set(0, 1, 1.0);
    s.Set(0, 4, 4.0);
    s.Cells.AddCell(FormulaWith(1, 1, RefToken(ptgRef, 0, 1)));  // B2 = B1
    s.Cells.FixRows();

    s.Cells.InsertAndCopyCols(4, 4, 2, 2, own, false);  // two copies of column E before column C
    EXPECT_EQ(s.Get(0, 2).Value, TXlsVariant(4.0));
    EXPECT_EQ(s.Get(0, 3).Value, TXlsVariant(4.0));
    EXPECT_EQ(s.Get(0, 6).Value, TXlsVariant(4.0));
    EXPECT_EQ(s.Get(0, 1).Value, TXlsVariant(1.0));
    EXPECT_EQ(s.Row(0)->MaxCol(), 7);
    EXPECT_EQ(s.Columns.ColumnXF(1), 20);
    EXPECT_EQ(s.Columns.ColumnXF(2), 22);
    EXPECT_EQ(s.Columns.ColumnXF(3), 22);
    EXPECT_EQ(s.Columns.ColumnXF(4), 20);
    EXPECT_EQ(s.Columns.ColumnXF(5), 20);
    EXPECT_EQ(s.Columns.ColumnXF(6), 22);
    EXPECT_TRUE(SameBytes(TokensOf(s.Cell(1, 1)), RefToken(ptgRef, 0, 1)));

    // Column formats follow a new cell's default format.
    s.Set(5, 3, TXlsString(u"x"));
    EXPECT_EQ(s.Cell(5, 3)->XF(), 22);
    s.Save();
}

TEST(CellStore, OtherSheetsOnlyAdjustTheirFormulas)
{
    TSheetFixture s;
    TSheetInfo changed;
    changed.InsSheet = 1;
    changed.FormulaSheet = 0;
    changed.GetSheet = [](std::int32_t ixti) { return ixti; };
    TBytes ref3d{ptgRef3d};
    for (int v : {1, 6, 0 | Rel}) AppendWord(ref3d, static_cast<std::uint16_t>(v));
    s.Set(6, 0, 1.0);
    s.Cells.AddCell(FormulaWith(6, 1, ref3d));
    s.Cells.FixRows();
    s.Cells.ArrangeInsertRowsAndCols(2, 3, 0, 0, changed);
    EXPECT_EQ(s.Get(6, 0).Value, TXlsVariant(1.0));
    EXPECT_EQ(GetWord(TokensOf(s.Cell(6, 1)), 3), 9);
}

TEST(CellStore, ACopyIsIndependent)
{
    TSheetFixture s;
    s.Set(1, 1, TXlsString(u"shared"));
    s.Set(2, 2, 5.0);
    TCells copy(s.Globals, s.Columns);
    copy.CopyFrom(s.Cells);
    copy.CellList().SetValueX2(2, 2, TXlsCellValue{7.0, -1, false}, {}, false);
    EXPECT_EQ(s.Get(2, 2).Value, TXlsVariant(5.0));
    EXPECT_EQ(copy.CellList().GetValue(1, 1).Value, TXlsVariant(TXlsString(u"shared")));
    EXPECT_EQ(s.SST.RefCount(s.SST.Items(0)), 2u);
    copy.Clear();
    EXPECT_EQ(s.SST.RefCount(s.SST.Items(0)), 1u);
    EXPECT_EQ(copy.TotalSize(), 18);
}

TEST(CellStore, RowHeightsRecalculateToTheStandardHeight)
{
    TSheetFixture s;
    s.Set(0, 0, 1.0);
    s.Set(1, 0, 1.0);
    s.Set(2, 0, 1.0);
    s.Cells.RowList().SetRowHeight(1, 900);  // set by hand
    s.List().RecalcRowHeights(0, 10, false, true, 1.0);
    EXPECT_EQ(s.Row(0)->Height(), 255);
    EXPECT_EQ(s.Row(1)->Height(), 900);
    EXPECT_TRUE(s.Row(0)->IsAutoHeight());

    s.List().RecalcRowHeights(1, 2, true, false, 1.5);
    EXPECT_EQ(s.Row(1)->Height(), 383);
    EXPECT_EQ(s.Row(2)->Height(), 383);
    EXPECT_FALSE(s.Row(2)->IsAutoHeight());
    s.List().RecalcRowHeights(0, 0, true, false, 1000);
    EXPECT_EQ(s.Row(0)->Height(), 32767);
}
