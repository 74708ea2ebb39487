// The record groups a worksheet keeps besides its cells: column formats,
// page breaks, merged cells, conditional formats, hyperlinks and chart records. Each is read
// from records, written back with its size known beforehand, and follows
// rows and columns that are inserted or deleted.
#include <gtest/gtest.h>

#include "RecordTestSupport.h"
#include "drawing/UXlsChart.h"
#include "worksheet/UXlsColInfo.h"
#include "worksheet/UXlsCondFmt.h"
#include "worksheet/UXlsHyperLink.h"
#include "worksheet/UXlsPageBreaks.h"
#include "worksheet/UXlsRangeRecords.h"

using namespace rectest;

namespace {

TSheetInfo SheetInfo(std::int32_t aInsSheet, std::int32_t aFormulaSheet)
{
    TSheetInfo info;
    info.InsSheet = aInsSheet;
    info.FormulaSheet = aFormulaSheet;
    return info;
}

const TSheetInfo kOwnSheet = SheetInfo(0, 0);

// The records of a stream, read one by one; Header is the look-ahead.
class TRecordReader {
public:
    explicit TRecordReader(const TBytes& aStream) : FFixture(aStream) { ReadHeader(File(), Header); }
    TOle2File& File() { return FFixture.File(); }
    std::unique_ptr<TBaseRecord> Next() { return ReadRecord(File(), Header); }
    TRecordHeader Header;

private:
    TStreamFixture FFixture;
};

TBytes BreakRecord(const std::vector<TPageBreak>& aBreaks)
{
    TBytes d;
    AppendWord(d, static_cast<std::uint16_t>(aBreaks.size()));
    for (const auto& b : aBreaks) {
        AppendWord(d, b.Pos);
        AppendWord(d, b.First);
        AppendWord(d, b.Last);
    }
    return d;
}

std::vector<std::uint16_t> Positions(const TPageBreakList& aList)
{
    std::vector<std::uint16_t> p;
    for (std::size_t i = 0; i < aList.Count(); ++i) p.push_back(aList.Items(i).Pos);
    return p;
}

template <class T>
TBytes SavedBytes(T& aHolder)
{
    const TBytes bytes = Written([&](TOle2File& w) { aHolder.SaveToStream(w); });
    EXPECT_EQ(std::int64_t(bytes.size()), aHolder.TotalSize());
    return bytes;
}

TBytes RangesData(const std::vector<TExcelRange>& aRanges, std::size_t aFirst = 0, std::size_t aCount = SIZE_MAX)
{
    TBytes d;
    const std::size_t n = std::min(aCount, aRanges.size() - aFirst);
    AppendWord(d, static_cast<std::uint16_t>(n));
    for (std::size_t i = aFirst; i < aFirst + n; ++i) {
        AppendWord(d, aRanges[i].R1);
        AppendWord(d, aRanges[i].R2);
        AppendWord(d, aRanges[i].C1);
        AppendWord(d, aRanges[i].C2);
    }
    return d;
}

std::vector<TExcelRange> RangesOf(const TRangeEntry& aEntry)
{
    std::vector<TExcelRange> r;
    for (std::size_t i = 0; i < aEntry.RangeValuesList().Count(); ++i) r.push_back(aEntry.RangeValuesList().Items(i));
    return r;
}

std::unique_ptr<TMergedCells> Merged(const std::vector<TExcelRange>& aRanges)
{
    TRecordReader r(Rec(xlr_MERGECELLS, RangesData(aRanges)));
    auto m = std::make_unique<TMergedCells>();
    m->LoadFromStream(r.File(), r.Header, r.Next());
    return m;
}

TBytes CondFmtData(std::uint16_t aCFCount, const TExcelRange& aAll, const std::vector<TExcelRange>& aRanges,
                   std::size_t aFirst = 0, std::size_t aCount = SIZE_MAX)
{
    TBytes d;
    AppendWord(d, aCFCount);
    AppendWord(d, 1);  // flag
    AppendWord(d, aAll.R1);
    AppendWord(d, aAll.R2);
    AppendWord(d, aAll.C1);
    AppendWord(d, aAll.C2);
    const TBytes ranges = RangesData(aRanges, aFirst, aCount);
    d.insert(d.end(), ranges.begin(), ranges.end());
    return d;
}

// A CF rule comparing with the constant 1 (ptgInt), with filler format bytes.
TBytes CFData(std::uint8_t aFill)
{
    TBytes d{1, 3, 3, 0, 0, 0};
    d.insert(d.end(), 6, aFill);
    d.insert(d.end(), {0x1E, 1, 0});
    return d;
}

TBytes LinkData(std::uint16_t aRow1, std::uint16_t aRow2, std::uint16_t aCol1, std::uint16_t aCol2)
{
    TBytes d;
    for (std::uint16_t v : {aRow1, aRow2, aCol1, aCol2}) AppendWord(d, v);
    d.resize(40, 0xAB);
    return d;
}

std::unique_ptr<THLinkRecord> Link(std::uint16_t aRow1, std::uint16_t aRow2, std::uint16_t aCol1 = 0,
                                   std::uint16_t aCol2 = 0)
{
    return std::make_unique<THLinkRecord>(xlr_HLINK, LinkData(aRow1, aRow2, aCol1, aCol2));
}

std::vector<std::vector<std::int32_t>> LinkRanges(const THLinkList& aList)
{
    std::vector<std::vector<std::int32_t>> r;
    for (std::size_t i = 0; i < aList.Count(); ++i) {
        const TXlsCellRange c = aList.Items(i)->GetCellRange();
        r.push_back({c.Top, c.Bottom, c.Left, c.Right});
    }
    return r;
}

}  // namespace

// -------------------------------------------------------------- column formats

namespace {

TBytes ColInfoData(std::uint16_t aFirst, std::uint16_t aLast, std::uint16_t aWidth, std::uint16_t aOptions = 0)
{
    TBytes d;
    for (std::uint16_t v : {aFirst, aLast, aWidth, std::uint16_t(15), aOptions, std::uint16_t(0)}) AppendWord(d, v);
    return d;
}

TColInfoList Columns(const std::vector<TBytes>& aRecords)
{
    TColInfoList list;
    for (const TBytes& d : aRecords) list.AddRecord(std::make_unique<TColInfoRecord>(xlr_COLINFO, d));
    return list;
}

}  // namespace

TEST(ColInfo, RecordsAreSplitIntoColumnsAndJoinedIntoRunsOnSave)
{
    struct TCase {
        const char* Name;
        std::vector<TBytes> Read;
        std::function<void(TColInfoList&)> Change;
        std::vector<TBytes> Written;
    };
    const TCase cases[] = {
        {"unchanged", {ColInfoData(2, 5, 3000)}, nullptr, {ColInfoData(2, 5, 3000)}},
        {"one column changed", {ColInfoData(2, 5, 3000)}, [](TColInfoList& l) { l.Column(3)->Width = 2000; },
         {ColInfoData(2, 2, 3000), ColInfoData(3, 3, 2000), ColInfoData(4, 5, 3000)}},
        {"equal neighbours", {ColInfoData(4, 5, 3000), ColInfoData(1, 3, 3000)}, nullptr, {ColInfoData(1, 5, 3000)}},
        {"a gap", {ColInfoData(1, 1, 3000), ColInfoData(3, 3, 3000)}, nullptr,
         {ColInfoData(1, 1, 3000), ColInfoData(3, 3, 3000)}},
        {"to the end of the sheet", {ColInfoData(8, 256, 2581)}, nullptr, {ColInfoData(8, 256, 2581)}},
        {"beyond the sheet", {ColInfoData(250, 65535, 100), ColInfoData(256, 300, 200)}, nullptr,
         {ColInfoData(250, 256, 100)}},
        {"hidden and outlined", {ColInfoData(0, 1, 3000, 0x0201)}, [](TColInfoList& l) { l.Column(1)->SetHidden(false); },
         {ColInfoData(0, 0, 3000, 0x0201), ColInfoData(1, 1, 3000, 0x0200)}},
    };
    for (const auto& c : cases) {
        TColInfoList list = Columns(c.Read);
        if (c.Change) c.Change(list);
        TBytes expected;
        for (const TBytes& d : c.Written) expected = Cat({expected, Rec(xlr_COLINFO, d)});
        EXPECT_TRUE(SameBytes(SavedBytes(list), expected)) << c.Name;
    }
    EXPECT_EQ(Columns({ColInfoData(0, 65535, 1)}).Count(), 257u) << "columns past 256 are not kept";
}

TEST(ColInfo, InsertedColumnsMoveTheFormatsAndCopiesTakeThem)
{
    // The width of a column's entry, -1 without one.
    const auto widths = [](TColInfoList& aList, std::vector<std::int64_t> aColumns) {
        std::vector<std::int32_t> w;
        for (std::int64_t c : aColumns) w.push_back(aList.Column(c) ? aList.Column(c)->Width : -1);
        return w;
    };
    TColInfoList list = Columns({ColInfoData(1, 2, 1000), ColInfoData(4, 4, 4000), ColInfoData(250, 256, 9000)});
    list.ArrangeInsertCols(2, 4, SheetInfo(0, 1));
    EXPECT_EQ(widths(list, {2, 6}), (std::vector<std::int32_t>{1000, -1})) << "another sheet's columns move nothing";

    // Two copies of columns 4 to 5 (4 has a format, 5 none) inserted at column 2:
    // the cells' shift first, then the copies from where the sources went.
    list.ArrangeInsertCols(2, 4, kOwnSheet);
    list.CopyCols(4, 5, 2, 2, kOwnSheet);
    EXPECT_EQ(widths(list, {1, 2, 3, 4, 5, 6, 7, 8, 254, 256, 257}),
              (std::vector<std::int32_t>{1000, 4000, -1, 4000, -1, 1000, -1, 4000, 9000, 9000, -1}))
        << "formats moved past the last column written are gone";

    TGutsRecord guts(xlr_GUTS, TBytes(8, 0));
    list.Column(4)->SetColOutlineLevel(3);
    list.CalcGuts(guts);
    EXPECT_EQ(guts.ColLevel(), 3);
}

// ----------------------------------------------------------------- page breaks

TEST(PageBreaks, LoadDropsRepeatedRowsAndSavesSorted)
{
    THPageBreakList list;
    list.AddRecord(std::make_unique<THPageBreakRecord>(
        xlr_HPAGEBREAKS, BreakRecord({{30, 0, 255}, {10, 0, 255}, {10, 1, 2}, {20, 0, 100}})));
    EXPECT_EQ(Positions(list), (std::vector<std::uint16_t>{10, 20, 30}));
    EXPECT_EQ(list.Items(0), (TPageBreak{10, 0, 255})) << "the first entry of a row wins";
    EXPECT_TRUE(
        SameBytes(SavedBytes(list), Rec(xlr_HPAGEBREAKS, BreakRecord({{10, 0, 255}, {20, 0, 100}, {30, 0, 255}}))));

    THPageBreakList empty;
    empty.AddRecord(std::make_unique<THPageBreakRecord>(xlr_HPAGEBREAKS, BreakRecord({})));
    EXPECT_TRUE(SavedBytes(empty).empty()) << "an empty list writes no record";

    THPageBreakList bad;
    EXPECT_EQ(ErrorOf([&] {
                  bad.AddRecord(std::make_unique<THPageBreakRecord>(xlr_HPAGEBREAKS, TBytes{3, 0, 1, 0, 0, 0, 0, 0}));
              }),
              "Error reading record");
}

TEST(PageBreaks, AddingAndDeletingBreaks)
{
    TVPageBreakList cols;
    cols.AddBreak(7);
    cols.AddBreak(3);
    cols.AddBreak(7);
    EXPECT_EQ(Positions(cols), (std::vector<std::uint16_t>{3, 7}));
    EXPECT_EQ(cols.Items(0), (TPageBreak{3, 0, 65535}));
    EXPECT_TRUE(cols.HasPageBreak(7));
    cols.DeleteBreak(7);
    cols.DeleteBreak(8);
    EXPECT_FALSE(cols.HasPageBreak(7));
    EXPECT_EQ(ErrorOf([&] { cols.AddBreak(256); }),
              "Too many entries for this kind of record (256 out of a maximum of 255)");

    THPageBreakList rows;
    for (std::int32_t r = 0; r < 1026; ++r) rows.AddBreak(r);
    EXPECT_EQ(ErrorOf([&] { rows.AddBreak(5); }), "Too many manual Page breaks for this sheet");
    EXPECT_EQ(rows.Count(), 1026u);
}

TEST(PageBreaks, FollowInsertedAndDeletedRows)
{
    THPageBreakList rows;
    for (std::int32_t r : {3, 5, 7, 9, 20}) rows.AddBreak(r);
    rows.DeleteRows(5, 5);
    EXPECT_EQ(Positions(rows), (std::vector<std::uint16_t>{3, 15}));
    rows.InsertRows(4, 10);
    EXPECT_EQ(Positions(rows), (std::vector<std::uint16_t>{3, 25}));

    rows.AddBreak(65530);
    EXPECT_EQ(ErrorOf([&] { rows.InsertRows(10, 6); }),
              "Too many entries for this kind of record (65536 out of a maximum of 65535)");
    EXPECT_EQ(Positions(rows), (std::vector<std::uint16_t>{3, 25, 65530})) << "a failed shift changes nothing";
}

// ---------------------------------------------------------------- merged cells

TEST(MergedCells, AreWrittenInRecordsOf513Areas)
{
    std::vector<TExcelRange> areas;
    for (std::uint16_t i = 0; i < 600; ++i) areas.push_back({i, i, 0, 1});
    auto merged = Merged(areas);
    EXPECT_EQ(merged->MergedCount(), 600u);
    EXPECT_TRUE(SameBytes(SavedBytes(*merged), Cat({Rec(xlr_MERGECELLS, RangesData(areas, 0, 513)),
                                                    Rec(xlr_MERGECELLS, RangesData(areas, 513))})));

    TMergedCells none;
    EXPECT_TRUE(SavedBytes(none).empty());
}

TEST(MergedCells, FollowRowsAndColumns)
{
    // Deleting row 4 removes an area of rows 4 to 5 in one column (it would be one cell).
    auto merged = Merged({{4, 5, 2, 2}, {4, 5, 3, 4}, {10, 12, 0, 1}, {1, 2, 0, 0}});
    merged->DeleteRowsOrCols(4, 1, kOwnSheet, false);
    EXPECT_EQ(RangesOf(*merged), (std::vector<TExcelRange>{{4, 4, 3, 4}, {9, 11, 0, 1}, {1, 2, 0, 0}}));

    // Inserting two copies of rows 1 to 2 at row 9: the areas from row 9 on
    // move by 4, the area inside the source rows is copied into both blocks.
    merged->InsertAndCopyRowsOrCols(1, 2, 9, 2, kOwnSheet, false);
    EXPECT_EQ(RangesOf(*merged),
              (std::vector<TExcelRange>{{4, 4, 3, 4}, {13, 15, 0, 1}, {1, 2, 0, 0}, {9, 10, 0, 0}, {11, 12, 0, 0}}));

    // Columns, with a source behind the insertion point (read where it moved to).
    auto cols = Merged({{0, 0, 5, 6}});
    cols->InsertAndCopyRowsOrCols(5, 6, 1, 1, kOwnSheet, true);
    EXPECT_EQ(RangesOf(*cols), (std::vector<TExcelRange>{{0, 0, 7, 8}, {0, 0, 1, 2}}));

    auto edge = Merged({{65530, 65531, 0, 0}});
    EXPECT_EQ(ErrorOf([&] { edge->InsertAndCopyRowsOrCols(65530, 65531, 65535, 1, kOwnSheet, false); }),
              "Too many entries for this kind of record (65536 out of a maximum of 65535)");

    // An area that ends in deleted rows ends on the row before them.
    auto cut = Merged({{1, 5, 0, 1}});
    cut->DeleteRowsOrCols(3, 7, kOwnSheet, false);
    EXPECT_EQ(RangesOf(*cut), (std::vector<TExcelRange>{{1, 2, 0, 1}}));

    auto other = Merged({{4, 5, 2, 2}});
    other->DeleteRowsOrCols(0, 3, SheetInfo(0, 1), false);
    EXPECT_EQ(RangesOf(*other), (std::vector<TExcelRange>{{4, 5, 2, 2}})) << "another sheet's change moves nothing";
}

// ---------------------------------------------------------- conditional formats

TEST(CondFmt, ReadsItsRulesAndWritesThemBack)
{
    const std::vector<TExcelRange> ranges{{1, 4, 2, 2}, {6, 6, 1, 3}};
    const TBytes stream = Cat({Rec(xlr_CONDFMT, CondFmtData(2, {1, 6, 1, 3}, ranges)), Rec(xlr_CF, CFData(1)),
                               Rec(xlr_CF, CFData(2)), Rec(xlr_EOF, {})});
    TRecordReader r(stream);
    TCondFmt fmt;
    fmt.LoadFromStream(r.File(), r.Header, r.Next());
    EXPECT_EQ(r.Header.Id, xlr_EOF) << "the record behind the rules is left in the stream";
    EXPECT_EQ(fmt.CFs().Count(), 2u);
    EXPECT_EQ(fmt.CFs().Items(1)->Cce1(), 3);
    const TBytes expected(stream.begin(), stream.end() - 4);
    EXPECT_TRUE(SameBytes(SavedBytes(fmt), expected));

    auto copy = fmt.CopyTo();
    EXPECT_TRUE(SameBytes(SavedBytes(*copy), expected));

    // Deleting rows 1 to 4: the first range goes, the second moves up.
    fmt.DeleteRowsOrCols(1, 4, kOwnSheet, false);
    EXPECT_EQ(RangesOf(fmt), (std::vector<TExcelRange>{{2, 2, 1, 3}}));
    EXPECT_EQ(fmt.AllRange(), (TExcelRange{1, 2, 1, 3}));

    // A range reduced to one cell stays (unlike a merged area).
    TCondFmt single;
    TRecordReader r2(Cat({Rec(xlr_CONDFMT, CondFmtData(1, {4, 5, 2, 2}, {{4, 5, 2, 2}})), Rec(xlr_CF, CFData(1))}));
    single.LoadFromStream(r2.File(), r2.Header, r2.Next());
    single.DeleteRowsOrCols(4, 1, kOwnSheet, false);
    EXPECT_EQ(RangesOf(single), (std::vector<TExcelRange>{{4, 4, 2, 2}}));

    // Without ranges neither the format nor its rules are written.
    fmt.DeleteRowsOrCols(0, 10, kOwnSheet, false);
    EXPECT_EQ(fmt.RangeValuesList().Count(), 0u);
    EXPECT_TRUE(SavedBytes(fmt).empty());
}

TEST(CondFmt, ManyRangesRepeatTheRulesAfterEachRecord)
{
    std::vector<TExcelRange> ranges;
    for (std::uint16_t i = 0; i < 520; ++i) ranges.push_back({i, i, 0, 0});
    TRecordReader r(Cat({Rec(xlr_CONDFMT, CondFmtData(1, {0, 519, 0, 0}, ranges)), Rec(xlr_CF, CFData(1))}));
    TCondFmt fmt;
    fmt.LoadFromStream(r.File(), r.Header, r.Next());
    EXPECT_TRUE(SameBytes(
        SavedBytes(fmt), Cat({Rec(xlr_CONDFMT, CondFmtData(1, {0, 519, 0, 0}, ranges, 0, 513)), Rec(xlr_CF, CFData(1)),
                              Rec(xlr_CONDFMT, CondFmtData(1, {0, 519, 0, 0}, ranges, 513)), Rec(xlr_CF, CFData(1))})));
}

TEST(CondFmt, MissingRulesAreRefused)
{
    const TBytes format = Rec(xlr_CONDFMT, CondFmtData(2, {1, 1, 1, 1}, {{1, 1, 1, 1}}));
    // The place is the record that should have been the missing rule, or the end of the stream.
    const std::pair<TBytes, std::string> cases[] = {
        {Cat({Rec(xlr_CF, CFData(1)), Rec(0x023E, TBytes(18, 0))}), "record WINDOW2 (0x023E) at offset 45"},
        {TBytes{}, "offset 26"},
    };
    for (const auto& [after, place] : cases) {
        TRecordReader r(Cat({format, after}));
        TCondFmt fmt;
        EXPECT_EQ(ErrorOf([&] { fmt.LoadFromStream(r.File(), r.Header, r.Next()); }),
                  "Invalid conditional format record (stream \"Workbook\", " + place + ")");
    }
}

TEST(CondFmt, RulesFollowRowsAndColumnsOrFailWithTheirToken)
{
    // A rule comparing with C3 (row 2, column 2, both relative) and a second
    // formula with the constant 1.
    TBytes rule{1, 3, 5, 0, 3, 0};
    rule.insert(rule.end(), 6, 0xAA);
    rule.insert(rule.end(), {ptgRef, 2, 0, 2, 0xC0, 0x1E, 1, 0});
    const auto load = [](const TBytes& aRule) {
        TRecordReader r(Cat({Rec(xlr_CONDFMT, CondFmtData(1, {2, 4, 2, 2}, {{2, 4, 2, 2}})), Rec(xlr_CF, aRule)}));
        auto fmt = std::make_unique<TCondFmt>();
        fmt->LoadFromStream(r.File(), r.Header, r.Next());
        return fmt;
    };
    auto refOf = [](const TCondFmt& f) { return std::make_pair(GetWord(f.CFs().Items(0)->Data(), 13), GetByte(f.CFs().Items(0)->Data(), 15)); };

    auto fmt = load(rule);
    fmt->ArrangeInsertRowsAndCols(1, 2, 0, 0, kOwnSheet);
    EXPECT_EQ(refOf(*fmt), std::make_pair(std::uint16_t(4), std::uint8_t(2)));
    EXPECT_EQ(fmt->AllRange(), (TExcelRange{4, 6, 2, 2}));
    fmt->DeleteRowsOrCols(0, 1, kOwnSheet, true);  // column A
    EXPECT_EQ(refOf(*fmt), std::make_pair(std::uint16_t(4), std::uint8_t(1)));
    EXPECT_EQ(RangesOf(*fmt), (std::vector<TExcelRange>{{4, 6, 1, 1}}));
    fmt->DeleteRowsOrCols(4, 1, kOwnSheet, false);
    EXPECT_EQ(RangesOf(*fmt), (std::vector<TExcelRange>{{4, 5, 1, 1}}));
    EXPECT_EQ(GetByte(fmt->CFs().Items(0)->Data(), 12), ptgRefErr) << "the referenced row was deleted";

    TBytes shared = rule;
    shared[12] = ptgExp;  // a token that cannot move
    auto bad = load(shared);
    EXPECT_EQ(ErrorOf([&] { bad->ArrangeInsertRowsAndCols(1, 1, 0, 0, kOwnSheet); }),
              "Bad Conditional format. Token Id: 0x 1");
}

TEST(CondFmt, CopiedRowsExtendTheFormat)
{
    struct TCase {
        const char* Name;
        std::vector<TExcelRange> Ranges;
        std::int32_t FirstRow, LastRow, DestRow, Count;
        std::vector<TExcelRange> Expected;
    };
    const TCase cases[] = {
        // Rows 3 to 4 copied twice right below a range that ends on row 4: it stretches.
        {"stretched down", {{2, 4, 1, 1}}, 3, 4, 5, 2, {{2, 8, 1, 1}}},
        // Rows 10 to 11 copied in front of a range that starts at the insertion point.
        {"stretched up", {{8, 12, 1, 1}}, 10, 11, 8, 1, {{8, 14, 1, 1}}},
        // A range holding the whole source becomes one range over the copies.
        {"whole source", {{1, 6, 0, 0}}, 3, 4, 20, 3, {{1, 6, 0, 0}, {20, 25, 0, 0}}},
        // A range holding part of it is copied into each block.
        {"part of the source", {{4, 5, 2, 2}}, 3, 4, 20, 2, {{4, 5, 2, 2}, {21, 21, 2, 2}, {23, 23, 2, 2}}},
        // The insertion point inside a range: the shift stretched it.
        {"across", {{0, 9, 0, 0}}, 2, 2, 5, 1, {{0, 10, 0, 0}}},
        {"untouched", {{0, 1, 0, 0}}, 3, 4, 20, 1, {{0, 1, 0, 0}}},
    };
    for (const auto& c : cases) {
        TExcelRange all = c.Ranges[0];
        TRecordReader r(Cat({Rec(xlr_CONDFMT, CondFmtData(1, all, c.Ranges)), Rec(xlr_CF, CFData(1))}));
        TCondFmt fmt;
        fmt.LoadFromStream(r.File(), r.Header, r.Next());
        fmt.InsertAndCopyRowsOrCols(c.FirstRow, c.LastRow, c.DestRow, c.Count, kOwnSheet, false);
        EXPECT_EQ(RangesOf(fmt), c.Expected) << c.Name;
        TExcelRange bounds = c.Expected[0];
        for (const auto& e : c.Expected)
            bounds = {std::min(bounds.R1, e.R1), std::max(bounds.R2, e.R2), std::min(bounds.C1, e.C1),
                      std::max(bounds.C2, e.C2)};
        EXPECT_EQ(fmt.AllRange(), bounds) << c.Name;
    }
}

// ------------------------------------------------------------------ hyperlinks

TEST(HLinkList, WritesSortedWithTheLinkRangeInTheTip)
{
    THLinkList links;
    links.Add(Link(9, 9));
    links.Add(Link(2, 2, 5, 5));
    auto withTip = Link(2, 2, 1, 1);
    TBytes tip{0x00, 0x08, 7, 0, 7, 0, 7, 0, 7, 0, 'a', 0, 0, 0};
    withTip->AddHint(std::make_unique<TScreenTipRecord>(xlr_HLINKTOOLTIP, tip));
    links.Add(std::move(withTip));

    SetWord(tip, 2, 2), SetWord(tip, 4, 2), SetWord(tip, 6, 1), SetWord(tip, 8, 1);
    EXPECT_TRUE(SameBytes(SavedBytes(links),
                          Cat({Rec(xlr_HLINK, LinkData(2, 2, 1, 1)), Rec(xlr_HLINKTOOLTIP, tip),
                               Rec(xlr_HLINK, LinkData(2, 2, 5, 5)), Rec(xlr_HLINK, LinkData(9, 9, 0, 0))})));
}

TEST(HLinkList, FollowInsertedAndDeletedRows)
{
    THLinkList links;
    links.Add(Link(12, 12));
    links.Add(Link(9, 9));
    // Two rows inserted at row 10 (one copy of row 30, which holds nothing).
    links.InsertAndCopyRange({0, 30, 255, 30}, 10, 0, 2, 0, kOwnSheet);
    EXPECT_EQ(LinkRanges(links), (std::vector<std::vector<std::int32_t>>{{14, 14, 0, 0}, {9, 9, 0, 0}}));

    links.Add(Link(10, 10));
    links.Add(Link(8, 11));
    links.DeleteRange({0, 10, 255, 11}, 1, 0, kOwnSheet);
    EXPECT_EQ(LinkRanges(links), (std::vector<std::vector<std::int32_t>>{{12, 12, 0, 0}, {9, 9, 0, 0}, {8, 9, 0, 0}}))
        << "a link inside the deleted rows goes, one reaching into them is cut";

    // Copies of row 9 into two blocks at row 2; the source moves down first.
    links.InsertAndCopyRange({0, 9, 255, 9}, 2, 0, 2, 0, kOwnSheet);
    EXPECT_EQ(LinkRanges(links), (std::vector<std::vector<std::int32_t>>{
                                     {14, 14, 0, 0}, {11, 11, 0, 0}, {10, 11, 0, 0}, {2, 2, 0, 0}, {3, 3, 0, 0}}));

    THLinkList edge;
    edge.Add(Link(65535, 65535));
    EXPECT_EQ(ErrorOf([&] {
                  edge.InsertAndCopyRange({0, 0, 255, 0}, 0, 0, 1, 0, kOwnSheet);
              }),
              "Too many entries for this kind of record (65536 out of a maximum of 65535)");
}

// --------------------------------------------------------------- chart records

TEST(ChartRecords, TheListKnowsItsSeriesReferences)
{
    TChartRecordList list;
    list.Add(CreateRecord(xlr_CHARTBEGIN, {}));
    list.Add(CreateRecord(xlr_CHARTAI, TBytes{1, 2, 0, 0, 0, 0, 3, 0, 0x44, 1, 0}));
    list.Add(CreateRecord(xlr_CHARTAI, TBytes{0, 1, 0, 0, 0, 0, 0, 0}));
    list.Add(CreateRecord(xlr_CHARTEND, {}));
    ASSERT_EQ(list.AICache().size(), 2u);
    EXPECT_EQ(list.AICache()[0]->Formula().size(), 3u);
    EXPECT_TRUE(dynamic_cast<const TBeginRecord*>(list.GetItem(0)));
    list.Delete(1);
    EXPECT_EQ(list.AICache().size(), 1u);
    list.Clear();
    EXPECT_TRUE(list.AICache().empty());

    TChartAIRecord bad(xlr_CHARTAI, TBytes{0, 1, 0, 0, 0, 0, 9, 0, 0x44});
    EXPECT_EQ(ErrorOf([&] { bad.Formula(); }), "Error reading record");
}
