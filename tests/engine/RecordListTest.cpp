// Record lists: size bookkeeping, sorted search, joined writing of a row's
// cells, the row list's operations and the typed lists.
#include <gtest/gtest.h>

#include "RecordTestSupport.h"
#include "records/UXlsBaseRecordLists.h"
#include "worksheet/UXlsCellRecords.h"

using namespace rectest;

namespace {

std::unique_ptr<TBaseRecord> Plain(std::size_t aSize)
{
    return std::make_unique<TBaseRecord>(0x1234, TBytes(aSize, 7));
}

std::unique_ptr<TCellRecord> RK(std::uint16_t aCol, std::uint32_t aCode = 0x3FF00000, std::uint16_t aRow = 0)
{
    auto c = TRKRecord::CreateFromData(aRow, aCol, 15);
    SetCardinal(c->Data(), 6, aCode);
    return c;
}

std::unique_ptr<TCellRecord> Blank(std::uint16_t aCol, std::uint16_t aRow = 0)
{
    return TBlankRecord::CreateFromData(aRow, aCol, 16);
}

std::unique_ptr<TCellRecord> Number(std::uint16_t aCol, std::uint16_t aRow = 0)
{
    auto c = TNumberRecord::CreateFromData(aRow, aCol, 17);
    c->SetValue(0.5);
    return c;
}

// A MULRK or MULBLANK as written: header, row, first column, per-cell data, last column.
TBytes Joined(std::uint16_t aId, std::uint16_t aRow, std::uint16_t aFirstCol, const std::vector<TBytes>& aCells)
{
    TBytes d;
    AppendWord(d, aRow);
    AppendWord(d, aFirstCol);
    for (const auto& c : aCells) d.insert(d.end(), c.begin(), c.end());
    AppendWord(d, static_cast<std::uint16_t>(aFirstCol + aCells.size() - 1));
    return Rec(aId, d);
}

TBytes RKPart(std::uint32_t aCode = 0x3FF00000)
{
    TBytes d;
    AppendWord(d, 15);
    AppendCardinal(d, aCode);
    return d;
}

TBytes BlankPart()
{
    TBytes d;
    AppendWord(d, 16);
    return d;
}

TBytes Single(const TCellRecord& aCell)
{
    return Rec(aCell.Id(), TBytes(aCell.Data().begin(), aCell.Data().end()));
}

std::vector<std::uint16_t> Columns(const TBaseRowColRecordList& aList)
{
    std::vector<std::uint16_t> cols;
    for (std::size_t i = 0; i < aList.Count(); ++i) cols.push_back(aList.Items(i)->Column());
    return cols;
}

}  // namespace

TEST(RecordList, KeepsItsSizeAsRecordsComeAndGo)
{
    TBaseRecordList list;
    list.Add(Plain(10));
    list.Add(Plain(20));
    list.Add(Plain(30));
    EXPECT_EQ(list.TotalSize(), 72);
    list.Delete(1);
    EXPECT_EQ(list.TotalSize(), 48);
    list.Insert(0, Plain(0));
    EXPECT_EQ(list.TotalSize(), 52);
    list.SetItem(0, Plain(6));
    EXPECT_EQ(list.TotalSize(), 58);
    list.AdaptSize(-2);
    EXPECT_EQ(list.TotalSize(), 56);
    list.Clear();
    EXPECT_EQ(list.TotalSize(), 0);
    EXPECT_EQ(list.Count(), 0u);

    list.Add(Plain(1));
    list.Add(nullptr);  // an empty slot counts nothing and writes nothing
    list.Add(Plain(2));
    TBaseRecordList copy;
    copy.CopyFrom(list);
    EXPECT_EQ(copy.Count(), 3u);
    EXPECT_EQ(copy.GetItem(1), nullptr);
    EXPECT_NE(copy.GetItem(0), list.GetItem(0));
    EXPECT_EQ(copy.TotalSize(), 11);
    const TBytes out = Written([&](TOle2File& w) { copy.SaveToStream(w); });
    EXPECT_EQ(std::int64_t(out.size()), copy.TotalSize());
    EXPECT_EQ(ErrorOf([&] { list.GetItem(3); }), "List index out of bounds (3)");
    EXPECT_EQ(ErrorOf([&] { list.Delete(5); }), "List index out of bounds (5)");
}

TEST(RecordList, TypedListsRefuseOtherRecords)
{
    TCellRecordList cells;
    EXPECT_EQ(ErrorOf([&] { cells.Add(TRowRecord::CreateStandard(0)); }), "Tabora: Logical Error");
    EXPECT_EQ(ErrorOf([&] { cells.Add(nullptr); }), "Tabora: Logical Error");
    TRowRecordList rows;
    EXPECT_EQ(ErrorOf([&] { rows.Add(Blank(0)); }), "Tabora: Logical Error");
    TShrFmlaRecordList shared;
    EXPECT_EQ(ErrorOf([&] { shared.Add(Plain(4)); }), "Tabora: Logical Error");
    EXPECT_EQ(cells.Count() + rows.Count() + shared.Count(), 0u);
}

TEST(RowColList, FindSortsFirstAndReturnsTheInsertionPoint)
{
    TCellRecordList row;
    for (int col : {5, 1, 3}) row.Add(RK(static_cast<std::uint16_t>(col)));
    EXPECT_FALSE(row.Sorted());
    std::size_t index = 99;
    EXPECT_TRUE(row.Find(3, index));
    EXPECT_TRUE(row.Sorted());
    EXPECT_EQ(index, 1u);
    EXPECT_EQ(Columns(row), (std::vector<std::uint16_t>{1, 3, 5}));
    struct Case {
        std::int32_t Col;
        bool Found;
        std::size_t Index;
    };
    for (const Case c : {Case{0, false, 0}, Case{1, true, 0}, Case{2, false, 1}, Case{5, true, 2}, Case{9, false, 3}}) {
        EXPECT_EQ(row.Find(c.Col, index), c.Found) << c.Col;
        EXPECT_EQ(index, c.Index) << c.Col;
    }
    row.Find(4, index);
    row.Insert(index, RK(4));
    EXPECT_TRUE(row.Sorted());
    EXPECT_EQ(Columns(row), (std::vector<std::uint16_t>{1, 3, 4, 5}));
    row.Add(RK(0));
    EXPECT_FALSE(row.Sorted());
}

// A file may hold several cells for one place; the one read last wins, and
// the list's size counts only the cells it keeps.
TEST(RowColList, KeepLastInEachColumnKeepsTheCellReadLast)
{
    TCellRecordList row;
    std::uint32_t code = 0x3FF00000;
    for (int col : {3, 1, 3, 2, 3, 1}) row.Add(RK(static_cast<std::uint16_t>(col), code++));
    row.KeepLastInEachColumn();
    EXPECT_EQ(Columns(row), (std::vector<std::uint16_t>{1, 2, 3}));
    EXPECT_EQ(GetCardinal(row.Items(0)->Data(), 6), 0x3FF00005u);
    EXPECT_EQ(GetCardinal(row.Items(1)->Data(), 6), 0x3FF00003u);
    EXPECT_EQ(GetCardinal(row.Items(2)->Data(), 6), 0x3FF00004u);
    TCellRecordList kept;
    for (std::size_t i = 0; i < row.Count(); ++i) kept.Add(row.Items(i)->CopyTo());
    EXPECT_EQ(row.TotalSize(), kept.TotalSize());
}

TEST(CellRecordList, JoinsRKAndBlankRunsWhenWritingAndSizing)
{
    struct Case {
        const char* What;
        std::function<void(TCellRecordList&)> Fill;
        TXlsCellRange Range;
        TBytes Expected;
    };
    auto number3 = Number(3);
    auto rk2 = RK(2);
    auto rk4 = RK(4);
    const Case cases[] = {
        {"RK 0-2 and a NUMBER",
         [](TCellRecordList& r) {
             for (std::uint16_t c = 0; c < 3; ++c) r.Add(RK(c));
             r.Add(Number(3));
         },
         WholeSheetRange, Cat({Joined(xlr_MULRK, 0, 0, {RKPart(), RKPart(), RKPart()}), Single(*number3)})},
        {"the same up to column 1",
         [](TCellRecordList& r) {
             for (std::uint16_t c = 0; c < 3; ++c) r.Add(RK(c));
             r.Add(Number(3));
         },
         {0, 0, 1, 65535}, Joined(xlr_MULRK, 0, 0, {RKPart(), RKPart()})},
        {"RK 2-4 and a BLANK",
         [](TCellRecordList& r) {
             for (std::uint16_t c = 2; c < 5; ++c) r.Add(RK(c));
             r.Add(Blank(5));
         },
         WholeSheetRange, Cat({Joined(xlr_MULRK, 0, 2, {RKPart(), RKPart(), RKPart()}), Single(*Blank(5))})},
        {"RK 2 and 4",
         [](TCellRecordList& r) {
             r.Add(RK(2));
             r.Add(RK(4));
         },
         WholeSheetRange, Cat({Single(*rk2), Single(*rk4)})},
        {"BLANK 0-1 then RK 2-3",
         [](TCellRecordList& r) {
             r.Add(Blank(0));
             r.Add(Blank(1));
             r.Add(RK(2, 6));
             r.Add(RK(3, 10));
         },
         WholeSheetRange, Cat({Joined(xlr_MULBLANK, 0, 0, {BlankPart(), BlankPart()}), Joined(xlr_MULRK, 0, 2, {RKPart(6), RKPart(10)})})},
        {"columns 1-2 of a run 0-3",
         [](TCellRecordList& r) {
             for (std::uint16_t c = 0; c < 4; ++c) r.Add(Blank(c));
         },
         {1, 0, 2, 65535}, Joined(xlr_MULBLANK, 0, 1, {BlankPart(), BlankPart()})},
        {"a row outside the range",
         [](TCellRecordList& r) {
             r.Add(RK(0, 0x3FF00000, 9));
             r.Add(RK(1, 0x3FF00000, 9));
         },
         {0, 0, 255, 8}, {}},
    };
    for (const auto& c : cases) {
        TCellRecordList row;
        c.Fill(row);
        const TBytes out = Written([&](TOle2File& w) { row.SaveRangeToStream(w, c.Range); });
        EXPECT_TRUE(SameBytes(out, c.Expected)) << c.What;
        EXPECT_EQ(row.TotalRangeSize(c.Range, false), std::int64_t(c.Expected.size())) << c.What;
    }
    // The first case measures 14 + 6 + 8 for the MULRK and 18 for the NUMBER.
    TCellRecordList row;
    for (std::uint16_t col = 0; col < 3; ++col) row.Add(RK(col));
    row.Add(Number(3));
    EXPECT_EQ(row.TotalSize(), 14 + 6 + 8 + 18);
    EXPECT_EQ(row.FixTotalSize(false), row.TotalSize());
    EXPECT_TRUE(SameBytes(Written([&](TOle2File& w) { row.SaveToStream(w); }),
                          Written([&](TOle2File& w) { row.SaveRangeToStream(w, WholeSheetRange); })));
}

TEST(CellRecordList, ASplitMulRKIsWrittenBackAsIt)
{
    const TBytes original = Joined(xlr_MULRK, 12, 3, {RKPart(0x3FF00000), RKPart(0x00000006), RKPart(0x405EC001)});
    TMulRKRecord mul(xlr_MULRK, TBytes(original.begin() + 4, original.end()));
    TCellRecordList row;
    while (!mul.Eof()) row.Add(mul.ExtractOneRecord());
    EXPECT_TRUE(SameBytes(Written([&](TOle2File& w) { row.SaveToStream(w); }), original));
}

namespace {

TRowRecordList RowsWithHeights(std::uint16_t aCount)
{
    TRowRecordList rows;
    for (std::uint16_t r = 0; r < aCount; ++r) {
        auto row = TRowRecord::CreateStandard(r);
        row->SetHeight(static_cast<std::uint16_t>(100 + r));
        rows.AddRecord(std::move(row));
    }
    return rows;
}

// Per slot: the height of its record (-1 for an empty slot); also checks that
// every record's row word is its slot.
std::vector<int> Heights(const TRowRecordList& aRows)
{
    std::vector<int> h;
    for (std::size_t i = 0; i < aRows.Count(); ++i) {
        if (!aRows.HasRow(std::int64_t(i))) {
            h.push_back(-1);
            continue;
        }
        EXPECT_EQ(aRows.Items(i).Row(), i);
        h.push_back(aRows.Items(i).Height());
    }
    return h;
}

TSheetInfo OwnSheet()
{
    TSheetInfo info;
    info.InsSheet = info.FormulaSheet = 0;
    return info;
}

}  // namespace

TEST(RowRecordList, AddRecordFillsGapsAndDropsDuplicates)
{
    TRowRecordList rows;
    EXPECT_EQ(rows.AddRecord(TRowRecord::CreateStandard(5)), 5u);
    EXPECT_EQ(rows.Count(), 6u);
    EXPECT_TRUE(rows.HasRow(5));
    EXPECT_FALSE(rows.HasRow(2));
    EXPECT_FALSE(rows.HasRow(6));
    EXPECT_FALSE(rows.HasRow(-1));
    EXPECT_EQ(ErrorOf([&] { rows.Items(2); }), "Missing ROW Record for row 2");
    EXPECT_EQ(rows.TotalSize(), 20);

    auto duplicate = TRowRecord::CreateStandard(5);
    duplicate->SetHeight(999);
    EXPECT_EQ(rows.AddRecord(std::move(duplicate)), 5u);
    EXPECT_EQ(rows.Items(5).Height(), 255);
    EXPECT_EQ(rows.AddRecord(TRowRecord::CreateStandard(2)), 2u);
    EXPECT_EQ(rows.TotalSize(), 40);
    EXPECT_EQ(Heights(rows), (std::vector<int>{-1, -1, 255, -1, -1, 255}));

    // Rows without a record are not written and count nothing.
    EXPECT_EQ(rows.TotalRangeSize({0, 0, 255, 65535}, false), 40);
    EXPECT_EQ(rows.TotalRangeSize({0, 3, 255, 4}, false), 0);
    EXPECT_EQ(rows.TotalRangeSize({0, 5, 255, 1}, false), 0);
    EXPECT_EQ(Written([&](TOle2File& w) { rows.SaveToStream(w); }).size(), 40u);
}

TEST(RowRecordList, HeightsAndOutline)
{
    TRowRecordList rows;
    EXPECT_TRUE(rows.IsAutoRowHeight(9));
    EXPECT_EQ(rows.RowHeight(9), 0);
    rows.AutoRowHeight(9, false);  // no record: nothing happens
    EXPECT_FALSE(rows.HasRow(9));
    rows.SetRowHeight(9, 600);
    EXPECT_EQ(rows.RowHeight(9), 600);
    EXPECT_FALSE(rows.IsAutoRowHeight(9));
    rows.AutoRowHeight(9, true);
    EXPECT_TRUE(rows.IsAutoRowHeight(9));

    rows.AddRow(3);
    rows.Items(3).SetOptions(static_cast<std::uint16_t>(rows.Items(3).Options() | 3));
    TGutsRecord guts(0x0080, TBytes(8, 0));
    rows.CalcGuts(guts);
    EXPECT_EQ(guts.RowLevel(), 3);
    EXPECT_EQ(GetWord(guts.Data(), 0), 29 + 12 * 3);
}

TEST(RowRecordList, DeleteRowsMovesTheRowsBelow)
{
    TRowRecordList rows = RowsWithHeights(10);
    rows.DeleteRows(2, 3, OwnSheet());
    EXPECT_EQ(Heights(rows), (std::vector<int>{100, 101, 105, 106, 107, 108, 109}));
    EXPECT_EQ(rows.TotalSize(), 7 * 20);
    rows.DeleteRows(5, 10, OwnSheet());  // past the end
    EXPECT_EQ(Heights(rows), (std::vector<int>{100, 101, 105, 106, 107}));
}

TEST(RowRecordList, InsertAndCopyRows)
{
    TRowRecordList below = RowsWithHeights(7);
    below.InsertAndCopyRows(1, 2, 5, 2, OwnSheet());
    EXPECT_EQ(Heights(below), (std::vector<int>{100, 101, 102, 103, 104, 101, 102, 101, 102, 105, 106}));

    TRowRecordList above = RowsWithHeights(5);
    above.InsertAndCopyRows(3, 3, 1, 1, OwnSheet());
    EXPECT_EQ(Heights(above), (std::vector<int>{100, 103, 101, 102, 103, 104}));

    TRowRecordList beyond = RowsWithHeights(2);
    beyond.InsertAndCopyRows(0, 1, 4, 1, OwnSheet());
    EXPECT_EQ(Heights(beyond), (std::vector<int>{100, 101, -1, -1, 100, 101}));
    EXPECT_EQ(beyond.TotalSize(), 4 * 20);

    EXPECT_EQ(ErrorOf([&] { beyond.InsertAndCopyRows(0, 99, 65500, 1, OwnSheet()); }),
              "Ivalid arguments to call InsertAndCopyRows");
}

TEST(TypedLists, BoundSheetsAndSharedFormulas)
{
    TBoundSheetRecordList sheets;
    sheets.Add(TBoundSheetRecord::CreateNew(0, u"Tabelle1"));
    sheets.Add(TBoundSheetRecord::CreateNew(0x0100, u"Chart"));
    EXPECT_EQ(sheets.TotalSize(), (4 + 6 + 2 + 8) + (4 + 6 + 2 + 5));
    sheets.SetSheetName(0, u"Eine längere Übersicht");
    EXPECT_EQ(sheets.GetSheetName(0), u"Eine längere Übersicht");
    EXPECT_EQ(sheets.TotalSize(), sheets.GetItem(0)->TotalSize() + sheets.GetItem(1)->TotalSize());
    EXPECT_EQ(std::int64_t(Written([&](TOle2File& w) { sheets.SaveToStream(w); }).size()), sheets.TotalSize());
    sheets.SetSheetVisible(1, TXlsSheetVisible::sv_VeryHidden);
    EXPECT_EQ(sheets.GetSheetVisible(1), TXlsSheetVisible::sv_VeryHidden);
    EXPECT_EQ(sheets.Items(1)->OptionFlags(), 0x0102);
    EXPECT_EQ(sheets.GetSheetVisible(0), TXlsSheetVisible::sv_Visible);

    TShrFmlaRecordList shared;
    for (std::uint32_t key : {0x00030005u, 0x00010009u, 0x00020001u}) {
        auto rec = std::make_unique<TShrFmlaRecord>(0x04BC, TBytes(12, 0));
        rec->Key = key;
        shared.Add(std::move(rec));
    }
    std::size_t index = 0;
    EXPECT_TRUE(shared.Find(0x00020001u, index));
    EXPECT_EQ(index, 1u);
    EXPECT_FALSE(shared.Find(0x00020002u, index));
    EXPECT_EQ(index, 2u);
    EXPECT_EQ(shared.Items(0)->Key, 0x00010009u);
}
