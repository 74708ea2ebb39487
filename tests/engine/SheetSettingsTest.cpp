// The settings a sheet keeps in single records and the worksheet's row,
// column and merge operations: each setting answers its default without its
// record, the writes that create a missing record put it at its place, the
// others change nothing; sizes stay what the save writes.
#include <gtest/gtest.h>

#include "WorkbookTestSupport.h"

using namespace booktest;

namespace {

// A workbook of one worksheet with these records between BOF and EOF.
struct TOneSheet {
    explicit TOneSheet(const std::vector<TBytes>& aRecords)
    {
        TBytes sheet = Rec(xlr_BOF, BofBody(kWorksheet));
        for (const TBytes& r : aRecords) sheet.insert(sheet.end(), r.begin(), r.end());
        const TBytes eof = Rec(xlr_EOF, {});
        sheet.insert(sheet.end(), eof.begin(), eof.end());
        LoadWorkbook(Book, OneSheetBook(sheet));
    }
    TWorkSheet& Sheet() { return Book.GetWorkSheets(0); }
    // The saved sheet's records; its size as measured first must be what is written.
    std::vector<TStreamRecord> Saved()
    {
        const std::int64_t size = Sheet().TotalSize();
        const auto records = SavedSheetRecords(Book);
        std::int64_t written = 0;
        for (const auto& r : records) written += std::int64_t(r.Bytes.size());
        EXPECT_EQ(written, size);
        return records;
    }
    TWorkbook Book;
};

const TBytes kWindow2 = Rec(xlr_WINDOW2, Window2Body(true));
const TBytes kSelection = Rec(xlr_SELECTION, TBytes(15, 0));

TBytes Word(std::uint16_t aValue)
{
    TBytes d;
    AppendWord(d, aValue);
    return d;
}

// SETUP: paper 9, scale 100, fit 1 x 1, options aOptions, resolutions 600,
// margins 0.5, one copy.
TBytes SetupBody(std::uint16_t aOptions)
{
    TBytes d;
    for (int v : {9, 100, 1, 1, 1}) AppendWord(d, static_cast<std::uint16_t>(v));
    AppendWord(d, aOptions);
    AppendWord(d, 600);
    AppendWord(d, 600);
    d.resize(32, 0);
    SetDouble(d, 16, 0.5);
    SetDouble(d, 24, 0.5);
    AppendWord(d, 1);
    return d;
}

TBytes DataOf(const TStreamRecord& aRecord) { return TBytes(aRecord.Bytes.begin() + 4, aRecord.Bytes.end()); }

}  // namespace

TEST(SheetSettings, WithoutTheirRecordsSettingsAnswerDefaultsAndWritesChangeNothing)
{
    TOneSheet book({});
    TWorkSheet& ws = book.Sheet();
    EXPECT_TRUE(ws.ShowGridLines());
    EXPECT_TRUE(ws.ShowGridHeaders());
    EXPECT_TRUE(ws.PrintGridLines());
    EXPECT_EQ(ws.PageHeader(), u"");
    EXPECT_EQ(ws.PageFooter(), u"");
    EXPECT_EQ(ws.SheetZoom(), 100);
    EXPECT_FALSE(ws.IsR1C1());
    EXPECT_FALSE(ws.Selected());
    EXPECT_FALSE(ws.PrintToFit());
    EXPECT_TRUE(ws.OutlineSummaryRowsBelowDetail());
    EXPECT_TRUE(ws.OutlineSummaryColsRightOfDetail());
    EXPECT_FALSE(ws.OutlineAutomaticStyles());
    EXPECT_FALSE(ws.PrintHCentered());
    EXPECT_FALSE(ws.PrintVCentered());
    EXPECT_EQ(ws.PrintScale(), 100);
    EXPECT_EQ(ws.PrintNumberOfHorizontalPages(), 1);
    EXPECT_EQ(ws.PrintNumberOfVerticalPages(), 1);
    EXPECT_EQ(ws.PrintOptions(), 0);
    EXPECT_EQ(ws.PrintPaperSize(), 1);
    EXPECT_EQ(ws.PrintCopies(), 1);
    EXPECT_EQ(ws.PrintXResolution(), 600);
    EXPECT_EQ(ws.PrintYResolution(), 600);
    EXPECT_EQ(ws.PrinterDriverSettings().Data, TBytes{});
    const TXlsMargins m = ws.Margins();
    EXPECT_EQ((std::vector<double>{m.Left, m.Right, m.Top, m.Bottom, m.Header, m.Footer}),
              (std::vector<double>{0.7480314960629921, 0.7480314960629921, 0.984251968503937, 0.984251968503937, 0, 0}));
    std::int32_t row = -1, col = -1;
    ws.GetFrozenPanes(row, col);
    EXPECT_EQ(row + col, 0);

    const auto before = book.Saved();
    ws.SetShowGridLines(false);
    ws.SetPrintGridLines(false);
    ws.SetPageHeader(u"&CKopf");
    ws.SetPageFooter(u"&CFuß");
    ws.SetIsR1C1(true);
    ws.SetPrintToFit(true);
    ws.SetOutlineAutomaticStyles(true);
    ws.SetPrintHCentered(true);
    ws.SetPrintScale(50);
    ws.SetPrintOptions(0);
    ws.SetSheetZoom(200);      // no window, so no SCL
    ws.FreezePanes(2, 2);      // nor a PANE
    ws.SplitWindow(100, 100);
    EXPECT_EQ(IdsOf(book.Saved()), IdsOf(before));
    EXPECT_EQ(ws.PageHeader(), u"");
}

TEST(SheetSettings, ZoomIsKeptWithin10To400InAnSclBehindTheWindow)
{
    const TBytes plv = Rec(xlr_PLV, TBytes(16, 0));
    TOneSheet book({kWindow2, plv, kSelection});
    TWorkSheet& ws = book.Sheet();
    const std::pair<std::int32_t, TBytes> cases[] = {{500, {0x90, 1, 100, 0}}, {5, {10, 0, 100, 0}}, {150, {150, 0, 100, 0}}};
    for (const auto& [zoom, stored] : cases) {
        ws.SetSheetZoom(zoom);
        const auto records = book.Saved();
        const auto ids = IdsOf(records);
        const auto window = std::find(ids.begin(), ids.end(), xlr_WINDOW2);
        ASSERT_LT(window + 2, ids.end());
        EXPECT_EQ(window[2], xlr_SCL) << "behind WINDOW2 and PLV";
        EXPECT_EQ(DataOf(Find(records, xlr_SCL)), stored) << zoom;
    }
    EXPECT_EQ(ws.SheetZoom(), 150);
}

TEST(SheetSettings, FrozenAndSplitPanes)
{
    // A window list of WINDOW2 alone (as some writers leave it) still gets its PANE.
    TOneSheet book({kWindow2});
    TWorkSheet& ws = book.Sheet();
    ws.FreezePanes(3, 0);
    const auto records = book.Saved();
    // Row split 3, first visible row 3 and column 1, lower left pane active.
    EXPECT_EQ(DataOf(Find(records, xlr_PANE)), (TBytes{0, 0, 3, 0, 3, 0, 1, 0, 2, 0}));
    EXPECT_TRUE(ws.Window2()->HasOption(TWindow2Record::OptFrozen | TWindow2Record::OptFrozenNoSplit));
    std::int32_t a = 0, b = 0;
    ws.GetFrozenPanes(a, b);
    EXPECT_EQ(std::make_pair(a, b), std::make_pair(3, 0));
    ws.GetSplitWindow(a, b);
    EXPECT_EQ(std::make_pair(a, b), std::make_pair(0, 0));

    ws.FreezePanes(0, 2);  // now only columns: the active pane follows
    EXPECT_EQ(DataOf(Find(book.Saved(), xlr_PANE)), (TBytes{2, 0, 0, 0, 3, 0, 2, 0, 3, 0}));

    ws.SplitWindow(1200, 0);
    EXPECT_FALSE(ws.Window2()->HasOption(TWindow2Record::OptFrozen));
    ws.GetSplitWindow(a, b);
    EXPECT_EQ(std::make_pair(a, b), std::make_pair(1200, 0));
    ws.GetFrozenPanes(a, b);
    EXPECT_EQ(std::make_pair(a, b), std::make_pair(0, 0));

    ws.FreezePanes(0, 0);
    const auto ids = IdsOf(book.Saved());
    EXPECT_EQ(std::count(ids.begin(), ids.end(), xlr_PANE), 0);
    EXPECT_EQ(ws.Window2()->Options() & (TWindow2Record::OptFrozen | TWindow2Record::OptFrozenNoSplit), 0);
    EXPECT_EQ(ErrorOf([&] { ws.FreezePanes(65536, 0); }), "Invalid Row (65536)");
}

TEST(SheetSettings, PrinterFieldsCountOnlyWithPrinterData)
{
    // The options say "no printer data" (0x04): paper, scale, resolutions
    // and copies read as without a printer.
    TOneSheet book({Rec(xlr_SETUP, SetupBody(0x0104)), kWindow2});
    TWorkSheet& ws = book.Sheet();
    EXPECT_EQ(ws.PrintPaperSize(), 0);
    EXPECT_EQ(ws.PrintScale(), 100);
    EXPECT_EQ(ws.PrintXResolution(), 100);
    EXPECT_EQ(ws.PrintCopies(), 1);

    const TBytes before = DataOf(Find(book.Saved(), xlr_SETUP));
    EXPECT_EQ(ErrorOf([&] { ws.SetPrintScale(70000); }),
              R"(The index "70000" of the property "PrintScale" is not in the range 0-65535)");
    EXPECT_EQ(ErrorOf([&] { ws.SetPrintCopies(-1); }),
              R"(The index "-1" of the property "PrintCopies" is not in the range 0-65535)");
    EXPECT_EQ(DataOf(Find(book.Saved(), xlr_SETUP)), before);

    ws.SetPrintScale(80);
    EXPECT_EQ(ws.PrintScale(), 80);
    EXPECT_EQ(ws.PrintPaperSize(), 9) << "the stored fields count now";
    EXPECT_EQ(ws.PrintOptions(), 0x0100);
    ws.SetPrintOptions(0x1202);  // the low byte only; the high one stays
    EXPECT_EQ(ws.PrintOptions(), 0x0102);
    ws.SetPrintNumberOfHorizontalPages(2);
    ws.SetPrintNumberOfVerticalPages(0);
    const TBytes after = DataOf(Find(book.Saved(), xlr_SETUP));
    EXPECT_EQ(GetWord(after, 2), 80);
    EXPECT_EQ(GetWord(after, 6), 2);
    EXPECT_EQ(GetWord(after, 8), 0);
    EXPECT_EQ(GetWord(after, 10), 0x0102);
}

TEST(SheetSettings, NewMarginRecordsFollowTheLastPrintRecordInOrder)
{
    TOneSheet book({Rec(xlr_HEADER, {}), Rec(xlr_HCENTER, Word(0)), Rec(xlr_VCENTER, Word(0)),
                    Rec(xlr_SETUP, SetupBody(0)), kWindow2});
    TWorkSheet& ws = book.Sheet();
    ws.SetMargins({0.1, 0.2, 0.3, 0.4, 0.6, 0.7});
    const auto records = book.Saved();
    EXPECT_EQ(IdsOf(records), (std::vector<std::uint16_t>{xlr_BOF, xlr_HEADER, xlr_HCENTER, xlr_VCENTER, xlr_LEFTMARGIN,
                                                          xlr_RIGHTMARGIN, xlr_TOPMARGIN, xlr_BOTTOMMARGIN, xlr_SETUP,
                                                          xlr_DIMENSIONS, xlr_WINDOW2, xlr_EOF}));
    const TXlsMargins m = ws.Margins();
    EXPECT_EQ((std::vector<double>{m.Left, m.Top, m.Right, m.Bottom, m.Header, m.Footer}),
              (std::vector<double>{0.1, 0.2, 0.3, 0.4, 0.6, 0.7}));
    EXPECT_EQ(GetDouble(DataOf(Find(records, xlr_TOPMARGIN)), 0), 0.2);

    // A second write changes the records made by the first.
    ws.SetMargins({1, 1, 1, 1, 1, 1});
    EXPECT_EQ(IdsOf(book.Saved()), IdsOf(records));
}

TEST(SheetSettings, HeaderAndFooterTextsChangeTheirRecordsSize)
{
    TOneSheet book({Rec(xlr_HEADER, {}), Rec(xlr_FOOTER, Cat({Word(3), {0}, {'a', 'b', 'c'}})), kWindow2});
    TWorkSheet& ws = book.Sheet();
    EXPECT_EQ(ws.PageFooter(), u"abc");
    ws.SetPageHeader(u"&LLinks&CMitte");
    ws.SetPageFooter(u"");
    const auto records = book.Saved();  // checks the sizes
    EXPECT_EQ(ws.PageHeader(), u"&LLinks&CMitte");
    EXPECT_EQ(DataOf(Find(records, xlr_FOOTER)), TBytes{});
}

TEST(SheetSettings, PrinterDriverSettingsReplaceEveryPlsRecord)
{
    TOneSheet book({Rec(xlr_PLS, {1, 0, 9, 9}), Rec(xlr_SETUP, SetupBody(0x04)), kWindow2, Rec(xlr_PLS, {2, 0, 8})});
    TWorkSheet& ws = book.Sheet();
    EXPECT_EQ(ws.PrinterDriverSettings().OperatingEnviroment, 2) << "the last PLS read";
    ws.SetPrinterDriverSettings({0, {5, 6, 7}});
    auto records = book.Saved();
    auto ids = IdsOf(records);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), xlr_PLS), 1);
    EXPECT_EQ(ids[1], xlr_PLS);
    EXPECT_EQ(ids[2], xlr_SETUP);
    EXPECT_EQ(DataOf(Find(records, xlr_PLS)), (TBytes{0, 0, 5, 6, 7}));
    EXPECT_EQ(ws.PrintOptions() & TSetupRecord::OptNoPrinterData, 0);

    ws.SetPrinterDriverSettings({});
    ids = IdsOf(book.Saved());
    EXPECT_EQ(std::count(ids.begin(), ids.end(), xlr_PLS), 0);
    EXPECT_EQ(ws.PrinterDriverSettings().Data, TBytes{});
}

TEST(SheetSettings, OutlineLevelsMakeAndRecomputeTheGutters)
{
    TOneSheet book({Rec(xlr_DEFAULTROWHEIGHT, {0, 0, 0xFF, 0}), kWindow2});
    TWorkSheet& ws = book.Sheet();
    ws.SetRowOutlineLevel(4, 2);
    ws.SetColOutlineLevel(1, 9);  // low 3 bits: 1
    EXPECT_EQ(ws.GetRowOutlineLevel(4), 2);
    EXPECT_EQ(ws.GetColOutlineLevel(1), 1);
    EXPECT_EQ(ws.GetRowOutlineLevel(5), 0);
    auto records = book.Saved();
    EXPECT_EQ(IdsOf(records)[1], xlr_GUTS) << "in front of DEFAULTROWHEIGHT";
    // Row gutter 29 + 12 x 2 with 3 levels, column gutter 29 + 12 with 2.
    EXPECT_EQ(DataOf(Find(records, xlr_GUTS)), (TBytes{53, 0, 41, 0, 3, 0, 2, 0}));

    ws.SetRowOutlineLevel(4, 0);
    ws.SetColOutlineLevel(1, 0);
    EXPECT_EQ(DataOf(Find(book.Saved(), xlr_GUTS)), TBytes(8, 0));
}

TEST(SheetColumns, WidthsHidingFormatsAndTheDefault)
{
    TOneSheet book({Rec(xlr_DEFCOLWIDTH, Word(10)), kWindow2});
    TWorkSheet& ws = book.Sheet();
    TCellList& cells = ws.Cells().CellList();
    cells.SetValueX2(0, 4, TXlsCellValue{1.0, -1, false}, {}, false);
    EXPECT_EQ(ws.GetColWidth(4), 2930);

    ws.SetColHidden(7, false);
    EXPECT_EQ(ws.Columns().Count(), 0u) << "showing a column without entry creates none";
    ws.SetColWidth(7, 0);
    ws.SetColHidden(7, true);
    EXPECT_EQ(ws.GetColWidth(7, true), 0);
    ws.SetColHidden(7, false);
    EXPECT_EQ(ws.GetColWidth(7), 2930) << "a shown column of width 0 gets the default width";

    ws.SetColFormat(4, 21);
    EXPECT_EQ(cells.GetValue(0, 4).XF, 21) << "the column's cells take the format";
    cells.SetValueX2(3, 4, TXlsCellValue{TXlsString(u"neu"), -1, false}, {}, false);
    EXPECT_EQ(cells.GetValue(3, 4).XF, 21) << "so do new cells";
    EXPECT_EQ(ws.GetColFormat(5), -1);
    EXPECT_EQ(ErrorOf([&] { ws.SetColWidth(256, 10); }), "Invalid Column (256)");
    EXPECT_EQ(ErrorOf([&] { ws.SetColWidth(1, 70000); }),
              R"(The index "70000" of the property "ColumnWidth" is not in the range 0-65535)");
}

TEST(SheetRows, HeightsHidingAndFormats)
{
    TOneSheet book({Rec(xlr_DEFAULTROWHEIGHT, {0, 0, 0x2C, 1}), kWindow2});
    TWorkSheet& ws = book.Sheet();
    TCellList& cells = ws.Cells().CellList();
    cells.SetValueX2(2, 1, TXlsCellValue{1.0, -1, false}, {}, false);
    EXPECT_EQ(ws.GetRowHeight(9), 300);
    EXPECT_TRUE(ws.GetAutoRowHeight(9));
    EXPECT_EQ(ws.GetRowFormat(2), -1);

    ws.SetRowHeight(2, 500);
    EXPECT_EQ(ws.GetRowHeight(2), 500);
    EXPECT_FALSE(ws.GetAutoRowHeight(2)) << "a height set by hand";
    ws.SetRowHidden(2, true);
    EXPECT_EQ(ws.GetRowHeight(2, true), 0);
    EXPECT_EQ(ws.GetRowHeight(2, false), 500);
    ws.SetRowFormat(2, 22);
    EXPECT_EQ(ws.GetRowFormat(2), 22);
    EXPECT_EQ(cells.GetValue(2, 1).XF, 22);
    cells.SetValueX2(2, 7, TXlsCellValue{2.0, -1, false}, {}, false);
    EXPECT_EQ(cells.GetValue(2, 7).XF, 22) << "a new cell takes its row's format";
    EXPECT_EQ(ErrorOf([&] { ws.SetRowHeight(70000, 10); }), "Invalid Row (70000)");
    EXPECT_EQ(ErrorOf([&] { ws.SetRowHeight(1, 40000); }),
              R"(The index "40000" of the property "RowHeight" is not in the range 0-32767)");
}

TEST(SheetMerging, AreasGrowOverWhatTheyMeetAndUnmergeExactly)
{
    TOneSheet book({kWindow2, Rec(xlr_MERGECELLS, {2, 0, 0, 0, 1, 0, 0, 0, 2, 0, 2, 0, 3, 0, 2, 0, 3, 0})});
    TWorkSheet& ws = book.Sheet();
    // Read: A1:C2 (rows 0-1, columns 0-2), then C3:D4; merging walks them from the last.
    ASSERT_EQ(ws.CellMergedListCount(), 2u);
    EXPECT_EQ(ws.CellMergedBounds(3, 3).Left, 2);
    EXPECT_EQ(ws.CellMergedBounds(9, 9).Left, 9) << "an unmerged cell is its own area";

    // A2:A3 meets A1:C2 only after C3:D4 was passed; grown to A1:C3 it
    // meets C3:D4 in a second round: one area A1:D4.
    ws.MergeCells(2, 0, 1, 0);
    ASSERT_EQ(ws.CellMergedListCount(), 1u);
    const TXlsCellRange all = ws.CellMergedList(0);
    EXPECT_EQ((std::vector<std::int32_t>{all.Left, all.Top, all.Right, all.Bottom}),
              (std::vector<std::int32_t>{0, 0, 3, 3}));
    EXPECT_EQ(ws.CellMergedList(5).Right, 0);

    ws.MergeCells(6, 6, 6, 6);  // one cell: nothing to merge
    ws.UnMergeCells(0, 0, 3, 2);  // not an exact match
    EXPECT_EQ(ws.CellMergedListCount(), 1u);
    ws.UnMergeCells(3, 3, 0, 0);
    EXPECT_EQ(ws.CellMergedListCount(), 0u);

    for (std::int32_t i = 0; i < 600; ++i) ws.MergeCells(i, 0, i, 1);
    std::vector<std::size_t> counts;
    for (const auto& r : book.Saved())
        if (r.Id == xlr_MERGECELLS) counts.push_back(GetWord(r.Bytes, 4));
    EXPECT_EQ(counts, (std::vector<std::size_t>{513, 87}));
}
