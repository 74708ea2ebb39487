// Sheet sections: what a worksheet parses, keeps and drops, the exact order
// it writes back in, its default sizes, chart and other sheets, drawings with
// their client records and embedded charts, and sheets the engine refuses.
#include <gtest/gtest.h>

#include "EscherTestSupport.h"

using namespace eschertest;

namespace {

TBytes ColInfoBody(std::uint16_t aFirst, std::uint16_t aLast)
{
    TBytes d;
    for (std::uint16_t v : {aFirst, aLast, std::uint16_t(3000), std::uint16_t(15), std::uint16_t(0), std::uint16_t(0)})
        AppendWord(d, v);
    return d;
}

TBytes LinkBody(std::uint16_t aRow)
{
    TBytes d;
    for (std::uint16_t v : {aRow, aRow, std::uint16_t(0), std::uint16_t(0)}) AppendWord(d, v);
    d.resize(40, 0x11);
    return d;
}

}  // namespace

// Kept records stay in file order on their side of WINDOW2; everything the
// sheet parses is written at its place of the save order; INDEX, DBCELL and
// DIMENSIONS of the file are not written, DIMENSIONS is computed anew.
TEST(SheetSection, WritesItsPartsInTheSaveOrder)
{
    const TBytes txo = TxoRecords("a");
    const TBytes drawing = SheetDrawingRecords(SheetTree(1, 2, 1025, 1024, {CommentShape(1025, {3, 1, 0, 0, 0, 3, 0, 4, 0})}),
                                               {Rec(0x005D, ObjBody(0x19, 1)), txo});
    const TBytes unknownBefore = Rec(0x0867, {1, 2, 3});
    const TBytes unknownAfter = Rec(0x089C, {4, 5});
    const TBytes sheet =
        Section(kWorksheet, {Rec(0x020B, TBytes(16, 0)),
                             Rec(0x000D, {1, 0}),
                             Rec(0x007D, ColInfoBody(1, 2)),
                             unknownBefore,
                             Rec(0x0055, {8, 0}),
                             Rec(0x001B, {1, 0, 5, 0, 0, 0, 255, 0}),
                             Rec(0x00E5, {1, 0, 2, 0, 3, 0, 0, 0, 1, 0}),
                             Rec(0x0200, TBytes(14, 0)),
                             Rec(0x0208, RowBody(0, 1)),
                             Rec(0x0203, NumberBody(0, 0, 1.5)),
                             Rec(0x00D7, TBytes(6, 0)),
                             drawing,
                             Rec(0x001C, NoteBody(0, 0, 1)),
                             Rec(0x023E, Window2Body(true)),
                             Rec(0x001D, TBytes(15, 0)),
                             unknownAfter,
                             Rec(0x01B8, LinkBody(3)),
                             Rec(0x01B0, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
                             Rec(0x01B1, {1, 3, 3, 0, 0, 0, 0x1E, 1, 0}),
                             Rec(0x01BA, Str2("Tabelle1"))});
    TWorkbook book;
    LoadWorkbook(book, OneSheetBook(sheet));
    const auto records = SavedSheetRecords(book);
    EXPECT_EQ(IdsOf(records),
              (std::vector<std::uint16_t>{0x0809, 0x000D, 0x0867, 0x0055, 0x001B, 0x007D, 0x0200, 0x0208,
                                          0x0203, 0x00EC, 0x005D, 0x00EC, 0x01B6, 0x001C, 0x023E, 0x001D, 0x089C,
                                          0x00E5, 0x01B0, 0x01B1, 0x01B8, 0x01BA, 0x000A}));
    EXPECT_EQ(Find(records, 0x0867).Bytes, unknownBefore);
    EXPECT_EQ(Find(records, 0x089C).Bytes, unknownAfter);
    EXPECT_EQ(Find(records, 0x01B6).Bytes, txo) << "TXO keeps its CONTINUE records";
    EXPECT_EQ(Find(records, 0x0200).Bytes, Rec(0x0200, {0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0}));

    const TWorkSheet& ws = book.GetWorkSheets(0);
    EXPECT_EQ(ws.OriginalDimensions().LastRow, 0u);
    EXPECT_EQ(ws.Notes().NoteCount(), 1u);
    EXPECT_EQ(ws.HLinks().Count(), 1u);
    EXPECT_EQ(ws.Ranges().Count(), 2u);
    EXPECT_EQ(ws.CodeName(), u"Tabelle1");
    EXPECT_TRUE(ws.Selected());
}

TEST(SheetSection, DefaultSizes)
{
    struct Case {
        std::vector<TBytes> Records;
        std::int32_t ColWidth;
        std::int32_t RowHeight;
    };
    const TBytes def8 = Rec(0x0055, {8, 0}), def10 = Rec(0x0055, {10, 0}), std2340 = Rec(0x0099, {0x24, 0x09});
    const Case cases[] = {
        {{}, 2930, 255},
        {{def8, std2340}, 2340, 255},
        {{std2340, def8}, 2340, 255},
        {{def10, std2340}, 2930, 255},
        {{std2340, def10}, 2930, 255},
        {{def10}, 2930, 255},
        {{Rec(0x0055, {12, 0}), Rec(0x0225, {0, 0, 0x2C, 0x01})}, 12 * 293, 300},
    };
    for (const auto& c : cases) {
        TBytes sheet = Rec(xlr_BOF, BofBody(kWorksheet));
        for (const auto& r : c.Records) sheet.insert(sheet.end(), r.begin(), r.end());
        sheet = Cat({sheet, Rec(0x023E, Window2Body(true)), Rec(xlr_EOF, {})});
        TWorkbook book;
        LoadWorkbook(book, OneSheetBook(sheet));
        EXPECT_EQ(book.GetWorkSheets(0).DefColWidth(), c.ColWidth) << c.Records.size();
        EXPECT_EQ(book.GetWorkSheets(0).DefRowHeight(), c.RowHeight) << c.Records.size();
    }
}

// A chart sheet keeps its records in order (a repeated BOF right behind its
// own, as one writer produces, too) and caches only records outside its
// BEGIN/END pairs; a CONTINUE attached to its EOF is not written.
TEST(SheetSection, ChartSheets)
{
    const TBytes body = Cat({Rec(0x1002, TBytes(16, 0)), Rec(0x1033, {}), Rec(0x023E, Window2Body(true)),
                             Rec(0x0200, TBytes(14, 0)), Rec(0x1034, {}), Rec(0x1051, {0, 1, 0, 0, 0, 0, 0, 0})});
    const TBytes sheet = Cat({Rec(xlr_BOF, BofBody(kChart)), Rec(xlr_BOF, BofBody(kChart)), body,
                              Rec(0x023E, Window2Body(false)), Rec(xlr_EOF, {}), Rec(xlr_CONTINUE, {9, 9, 9})});
    TWorkbook book;
    LoadWorkbook(book, OneSheetBook(sheet));
    ASSERT_EQ(book.Sheets().Count(), 1u);
    const auto* chart = dynamic_cast<const TTbrChart*>(book.Sheets().Items(0));
    ASSERT_NE(chart, nullptr);
    EXPECT_FALSE(book.IsWorksheet(0));
    EXPECT_FALSE(chart->Selected()) << "the WINDOW2 inside BEGIN/END is not the sheet's";
    EXPECT_EQ(chart->ChartRecords().AICache().size(), 1u);

    const TBytes expected = Cat({Rec(xlr_BOF, BofBody(kChart)), Rec(xlr_BOF, BofBody(kChart)), body,
                                 Rec(0x023E, Window2Body(false)), Rec(xlr_EOF, {})});
    const TBytes saved = SavedWorkbook(book);
    const std::uint32_t offset = book.Globals().BoundSheets().BoundSheets().Items(0)->Offset();
    EXPECT_TRUE(SameBytes(TBytes(saved.begin() + offset, saved.end()), expected));
}

TEST(SheetSection, OtherSheetsAreKeptAsRead)
{
    const TBytes formula =
        Rec(0x0006,
            Cat({CellBody(0, 0), TBytes{0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}, TBytes{3, 0, 0x1E, 1, 0}}));
    const TBytes sheet = Section(kMacroSheet, {Rec(0x020B, TBytes(16, 0)), Rec(0x0200, TBytes(14, 0)), formula,
                                               Rec(0x0207, Str2("result")), Rec(0x023E, Window2Body(false))});
    TWorkbook book;
    LoadWorkbook(book, OneSheetBook(sheet));
    const auto* other = dynamic_cast<const TTbrUnsupportedSheet*>(book.Sheets().Items(0));
    ASSERT_NE(other, nullptr);
    EXPECT_FALSE(book.IsWorksheet(0));
    const auto records = SavedSheetRecords(book);
    // INDEX is dropped; DIMENSIONS is kept, the formula writes its text result.
    EXPECT_EQ(IdsOf(records), (std::vector<std::uint16_t>{0x0809, 0x0200, 0x0006, 0x0207, 0x023E, 0x000A}));
    EXPECT_EQ(Find(records, 0x0207).Bytes, Rec(0x0207, Str2("result")));
}

// A shape of the sheet's drawing that holds no text.
TBytes PlainShape(std::uint32_t aSpid)
{
    return Container(msofbtSpContainer,
                     {SpAtom(aSpid), OptAtom({{0x0080, 0}}), AnchorAtom({0, 1, 0, 1, 0, 3, 0, 5, 0}), ClientDataAtom()});
}

// A picture's OBJ is followed by its IMDATA and a chart's by its whole
// substream, whose text cells use the workbook's shared strings and are
// written with their new index. Drawing data that came in a CONTINUE behind
// the chart's EOF is written back in the MSODRAWING record it stands for.
TEST(SheetSection, DrawingsWithPicturesAndEmbeddedCharts)
{
    const TBytes tree = SheetTree(1, 4, 1027, 1024, {PlainShape(1025), PlainShape(1026), PlainShape(1027)});
    std::vector<std::size_t> ends;
    ClientAtomEnds(tree, 0, tree.size(), ends);
    auto piece = [&](std::size_t aFrom, std::size_t aTo) {
        return TBytes(tree.begin() + std::ptrdiff_t(aFrom), tree.begin() + std::ptrdiff_t(aTo));
    };
    auto chart = [](std::uint32_t aString) {
        return Cat({Rec(xlr_BOF, BofBody(kChart)), Rec(0x1033, {}), Rec(0x00FD, LabelSSTBody(0, 0, aString)),
                    Rec(0x1034, {}), Rec(xlr_EOF, {})});
    };
    const TBytes picture = Cat({Rec(0x005D, ObjBody(8, 1)), Rec(0x007F, TBytes(12, 2))});
    auto sheet = [&](std::uint32_t aString, std::uint16_t aThirdPiece) {
        return Cat({Rec(xlr_MSODRAWING, piece(0, ends[0])), picture, Rec(xlr_MSODRAWING, piece(ends[0], ends[1])),
                    Rec(0x005D, ObjBody(5, 2)), chart(aString), Rec(aThirdPiece, piece(ends[1], ends[2])),
                    Rec(0x005D, ObjBody(0x1E, 3))});
    };
    TWorkbook book;
    LoadWorkbook(book, OneSheetBook(Section(kWorksheet, {sheet(1, xlr_CONTINUE), Rec(0x023E, Window2Body(true))}),
                                    {Rec(0x00FC, SSTBody({"unused", "x"}))}));
    EXPECT_EQ(book.GetWorkSheets(0).Drawing().ObjectCount(), 3u);

    const TBytes saved = SavedWorkbook(book);
    const std::uint32_t offset = book.Globals().BoundSheets().BoundSheets().Items(0)->Offset();
    const TBytes expected = Cat({Rec(xlr_BOF, BofBody(kWorksheet)), Rec(0x0200, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}),
                                 sheet(0, xlr_MSODRAWING), Rec(0x023E, Window2Body(true)), Rec(xlr_EOF, {})});
    EXPECT_TRUE(SameBytes(TBytes(saved.begin() + offset, saved.end()), expected));
    EXPECT_EQ(book.Globals().SST().Count(), 1u) << "the unused string is purged";
}

// Two cells read for one place (A1 twice, B1 between them): the later one
// stays, and the saved sheet holds it alone, as other readers show the file.
TEST(SheetSection, OfTwoCellsInOnePlaceTheLaterStays)
{
    TWorkbook book;
    LoadWorkbook(book, OneSheetBook(Section(kWorksheet, {Rec(xlr_NUMBER, NumberBody(0, 0, 1)),
                                                         Rec(xlr_NUMBER, NumberBody(0, 1, 2)),
                                                         Rec(xlr_NUMBER, NumberBody(0, 0, 3)),
                                                         Rec(0x023E, Window2Body(true))})));
    TCellRecordList& row = *book.GetWorkSheets(0).Cells().CellList().CellRow(0);
    ASSERT_EQ(row.Count(), 2u);
    EXPECT_EQ(row.Items(0)->GetValue(), TXlsVariant(3.0));
    EXPECT_EQ(row.Items(1)->GetValue(), TXlsVariant(2.0));
    std::size_t numbers = 0;
    for (const auto& r : SavedSheetRecords(book)) numbers += r.Id == xlr_NUMBER;
    EXPECT_EQ(numbers, 2u);
}

TEST(SheetSection, RefusesBrokenSheets)
{
    const TBytes formulaExp = Rec(0x0006, Cat({CellBody(1, 0), TBytes(14, 0), TBytes{5, 0, 0x01, 0, 0, 0, 0}}));
    const TBytes shrfmla = Rec(0x04BC, {1, 0, 2, 0, 0, 0, 0, 2, 3, 0, 0x1E, 1, 0});
    struct Case {
        const char* What;
        TBytes Stream;
        std::string Error;
    };
    // Every message names the sheet and the record (or the end of the stream) it stopped at.
    const std::string noEOF = "Error reading Excel records. A section has no EOF record (stream \"Workbook\", ";
    const std::string invalid = "Error reading Excel records. File invalid (stream \"Workbook\", ";
    const std::string sheet = ", sheet 1 \"Sheet1\")";
    const Case cases[] = {
        {"no EOF: the stream ends", OneSheetBook(Rec(xlr_BOF, BofBody(kWorksheet))), noEOF + "offset 84" + sheet},
        {"no EOF: zero fill", OneSheetBook(Cat({Rec(xlr_BOF, BofBody(kWorksheet)), TBytes(64, 0)})),
         noEOF + "offset 148" + sheet},
        {"chart without EOF", OneSheetBook(Cat({Rec(xlr_BOF, BofBody(kChart)), Rec(0x1033, {})})),
         noEOF + "offset 88" + sheet},
        {"BOF inside a sheet", OneSheetBook(Section(kWorksheet, {Rec(xlr_BOF, BofBody(kWorksheet))})),
         invalid + "record BOF (0x0809) at offset 84" + sheet},
        {"BOF inside a chart", OneSheetBook(Section(kChart, {Rec(0x1033, {}), Rec(xlr_BOF, BofBody(kChart))})),
         invalid + "record BOF (0x0809) at offset 88" + sheet},
        {"SHRFMLA without a formula", OneSheetBook(Section(kWorksheet, {shrfmla})),
         invalid + "record SHRFMLA (0x04BC) at offset 84" + sheet},
        {"shared formula without its SHRFMLA", OneSheetBook(Section(kWorksheet, {formulaExp})),
         "Can't find Shared Formula (sheet 1 \"Sheet1\")"},
        {"ARRAY without a formula",
         OneSheetBook(Section(kWorksheet, {Rec(0x0200, TBytes(14, 0)), Rec(0x0221, TBytes(14, 0))})),
         invalid + "record ARRAY (0x0221) at offset 102" + sheet},
        {"chart OBJ without chart",
         OneSheetBook(Section(kWorksheet, {SheetDrawingRecords(SheetTree(1, 2, 1025, 1024, {PlainShape(1025)}),
                                                               {Rec(0x005D, ObjBody(5, 1))})})),
         invalid + "record OBJ (0x005D) at offset 240" + sheet},
        {"embedded chart without EOF",
         OneSheetBook(
             Cat({Rec(xlr_BOF, BofBody(kWorksheet)), Rec(0x005D, ObjBody(5, 1)), Rec(xlr_BOF, BofBody(kChart))})),
         noEOF + "offset 134" + sheet},
    };
    for (const auto& c : cases) {
        TWorkbook book;
        EXPECT_EQ(ErrorOf([&] { LoadWorkbook(book, c.Stream); }), c.Error) << c.What;
        EXPECT_EQ(book.Sheets().Count(), 0u) << c.What;
        EXPECT_EQ(book.Globals().SheetCount(), 0u) << c.What;
    }
    TBytes condFmt(22, 0);
    SetWord(condFmt, 0, 1);  // one rule announced, none follows
    TWorkbook book;
    EXPECT_EQ(ErrorOf([&] { LoadWorkbook(book, OneSheetBook(Section(kWorksheet, {Rec(0x01B0, condFmt)}))); }),
              "Invalid conditional format record (stream \"Workbook\", record EOF (0x000A) at offset 110, sheet 1 \"Sheet1\")");
    // The same workbook object loads a sound file afterwards.
    LoadWorkbook(book, OneSheetBook(SimpleSheet(true)));
    EXPECT_EQ(book.Sheets().Count(), 1u);
}

// A formula that points at its master's array formula needs no SHRFMLA; one
// that points at a shared formula gets the shared tokens, and no SHRFMLA is
// written back.
TEST(SheetSection, SharedFormulasAreExpanded)
{
    TBytes master = Cat({CellBody(0, 0), TBytes(14, 0), TBytes{5, 0, 0x01, 0, 0, 0, 0}});
    const TBytes shrfmla = Rec(0x04BC, {0, 0, 1, 0, 0, 0, 0, 2, 3, 0, 0x1E, 7, 0});
    const TBytes other = Rec(0x0006, Cat({CellBody(1, 0), TBytes(14, 0), TBytes{5, 0, 0x01, 0, 0, 0, 0}}));
    TWorkbook book;
    LoadWorkbook(
        book, OneSheetBook(Section(kWorksheet, {Rec(0x0006, master), shrfmla, other, Rec(0x023E, Window2Body(true))})));
    const auto records = SavedSheetRecords(book);
    for (const auto& r : records) EXPECT_NE(r.Id, 0x04BC);
    const TBytes& formula = Find(records, 0x0006).Bytes;
    ASSERT_GE(formula.size(), 29u);
    EXPECT_EQ(GetWord(formula, 4 + 20), 3u) << "the cell's own tokens";
    EXPECT_EQ(formula[4 + 22], 0x1E);
}

TEST(SheetSection, NewWorksheetsComeFromTheTemplate)
{
    TWorkbook book;
    LoadWorkbook(book, OneSheetBook(SimpleSheet(true)));
    auto sheet = TWorkSheet::CreateFromData(&book.Globals(), book.Globals().SST());
    EXPECT_EQ(sheet->DefColWidth(), 8 * 293);
    EXPECT_EQ(sheet->DefRowHeight(), 255);
    EXPECT_TRUE(sheet->Selected());
    const TBytes saved = Written([&](TOle2File& w) { sheet->SaveToStream(w); });
    EXPECT_EQ(std::int64_t(saved.size()), sheet->TotalSize());
    EXPECT_EQ(AllIds(saved),
              (std::vector<std::uint16_t>{0x0809, 0x000D, 0x000C, 0x000F, 0x0011, 0x0010, 0x005F, 0x002A,
                                          0x002B, 0x0082, 0x0080, 0x0225, 0x0081, 0x0014, 0x0015, 0x0083,
                                          0x0084, 0x00A1, 0x0055, 0x0200, 0x023E, 0x001D, 0x00EF, 0x000A}));

    // Clearing a sheet gives it the template's records again.
    TWorkSheet& ws = book.GetWorkSheets(0);
    ws.ClearValues();
    EXPECT_TRUE(SameBytes(Written([&](TOle2File& w) { ws.SaveToStream(w); }), saved));
    // It keeps its selection: a selected template sheet would group it with the shown one.
    ws.SetSelected(false);
    ws.ClearValues();
    EXPECT_FALSE(ws.Selected());
}
