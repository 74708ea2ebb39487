// Hyperlinks with all their parts, notes tied to their comment shapes, and
// what rows, columns and sheet copies do to notes, shapes and charts.
#include <gtest/gtest.h>

#include "EscherTestSupport.h"
#include "drawing/UXlsChart.h"
#include "drawing/UXlsClientData.h"

using namespace eschertest;

namespace {

bool SameLink(const THyperLink& a, const THyperLink& b)
{
    return a.LinkType == b.LinkType && a.Description == b.Description && a.TargetFrame == b.TargetFrame &&
           a.TextMark == b.TextMark && a.Text == b.Text && a.Hint == b.Hint;
}

const TClientAnchor kAnchor{0, 1, 0, 1, 0, 3, 0, 5, 0};

// A sheet with a picture (rows 1 to 5) and comment 2 on C4 whose box is at rows 2 to 6.
TBytes NotesBook()
{
    const TBytes png = Cat({BytesFromHex("89 50 4E 47 0D 0A 1A 0A"), TBytes(40, 0x11)});
    const TBytes group = GroupTree(DggAtom(1027, 3, 1, {{1, 3}}), {BseAtom(6, 1, png)});
    const TBytes tree = SheetTree(1, 3, 1026, 1024,
                                  {PictureShape(1025, 1, kAnchor), CommentShape(1026, {3, 3, 0, 2, 0, 5, 0, 6, 0})});
    return DrawingBook(group, Cat({SheetDrawingRecords(tree, {Rec(xlr_OBJ, ObjBody(8, 1)), Rec(xlr_OBJ, ObjBody(0x19, 2)),
                                                              TxoRecords("Notiz")}),
                                   Rec(xlr_NOTE, NoteBody(3, 2, 2, "Pruefer"))}));
}

TClientAnchor BoxOf(const TDrawing& aDrawing, std::uint16_t aObjId)
{
    const TEscherSpContainerRecord* shape = EnclosingShape(*aDrawing.FindObjId(aObjId));
    return shape->ClientAnchor()->GetAnchor();
}

}  // namespace

// ------------------------------------------------------------------ hyperlinks

TEST(HyperLink, EveryKindReadsBackAsWritten)
{
    using K = THyperLinkType;
    const THyperLink cases[] = {
        {K::hl_URL, u"Beispiel", u"_blank", u"anker", u"https://example.org/ä?x=1&y=2", u"Tipp"},
        {K::hl_URL, u"", u"", u"", u"mailto:someone@example.org", u""},
        {K::hl_LocalFile, u"", u"", u"", u"..\\..\\Ordner\\Datei.txt", u""},
        {K::hl_LocalFile, u"Datei", u"", u"Blatt1!A1", u"C:\\Daten\\中文.xls", u""},
        {K::hl_UNC, u"Netz", u"", u"", u"\\\\server\\freigabe\\Liste.xls", u""},
        {K::hl_CurrentWorkbook, u"in der Mappe", u"", u"'Werte 2'!B3", u"", u"zum Blatt"},
    };
    for (const THyperLink& link : cases) {
        auto record = THLinkRecord::CreateNew({1, 2, 3, 4}, link);
        EXPECT_TRUE(SameLink(record->GetProperties(), link)) << Utf16ToUtf8(link.Text);
        EXPECT_EQ(record->GetCellRange().Bottom, 4);
        EXPECT_EQ(record->Hint() != nullptr, !link.Hint.empty());
    }
}

TEST(HyperLink, WhatIsWrittenForAUrlAndAFile)
{
    // A URL without other parts: flags 3, the URL moniker and the text.
    auto url = THLinkRecord::CreateNew({0, 0, 0, 0}, {THyperLinkType::hl_URL, u"", u"", u"", u"http://a.b", u""});
    EXPECT_EQ(GetWord(url->Data(), 28), 0x0003);
    EXPECT_EQ(url->DataSize(), 32 + 16 + 4 + 2 * (10 + 1));

    // A file two levels up: the up-level count, the rest of the path in 8
    // bits, and no Unicode part for a path that needs none.
    auto file =
        THLinkRecord::CreateNew({0, 0, 0, 0}, {THyperLinkType::hl_LocalFile, u"", u"", u"", u"..\\..\\a.txt", u""});
    EXPECT_EQ(GetWord(file->Data(), 28), 0x0001);
    const TBytes moniker(file->Data().begin() + 32, file->Data().end());
    EXPECT_TRUE(SameBytes(moniker, BytesFromHex("03 03 00 00 00 00 00 00 C0 00 00 00 00 00 00 46 02 00 06 00 00 00 "
                                                "61 2E 74 78 74 00 FF FF AD DE 00 00 00 00 00 00 00 00 00 00 00 00 "
                                                "00 00 00 00 00 00 00 00 00 00 00 00")));

    // A tip is written with its link's range and goes with an empty Hint.
    THyperLink withTip{THyperLinkType::hl_URL, u"", u"", u"", u"http://a.b", u"ab"};
    url->SetProperties(withTip);
    ASSERT_TRUE(url->Hint());
    EXPECT_EQ(url->Hint()->DataSize(), 2 * 2 + 12);
    withTip.Hint.clear();
    url->SetProperties(withTip);
    EXPECT_FALSE(url->Hint());
}

// Links as other writers store them: a file link with only a Unicode path,
// and one whose display name and place are announced by the flags.
TEST(HyperLink, ReadsOtherWritersLinks)
{
    const TBytes gnumericFile = BytesFromHex(
        "11 00 11 00 00 00 00 00 d0 c9 ea 79 f9 ba ce 11 8c 82 00 aa 00 4b a9 0b 02 00 00 00 03 00 00 00 03 03 00 00 "
        "00 00 00 00 c0 00 00 00 00 00 00 46 00 00 01 00 00 00 00 ff ff ad de 00 00 00 00 00 00 00 00 00 00 00 00 00 "
        "00 00 00 00 00 00 00 2e 00 00 00 28 00 00 00 03 00 42 00 65 00 72 00 69 00 63 00 68 00 74 00 65 00 5c 00 42 "
        "00 65 00 72 00 69 00 63 00 68 00 74 00 2e 00 78 00 6c 00 73 00");
    const THyperLink file = THLinkRecord(xlr_HLINK, gnumericFile).GetProperties();
    EXPECT_EQ(file.LinkType, THyperLinkType::hl_LocalFile);
    EXPECT_EQ(file.Text, u"Berichte\\Bericht.xls");

    const TBytes poiPlace = BytesFromHex(
        "06 00 06 00 00 00 00 00 d0 c9 ea 79 f9 ba ce 11 8c 82 00 aa 00 4b a9 0b 02 00 00 00 1c 00 00 00 06 00 00 00 "
        "70 00 6c 00 61 00 63 00 65 00 00 00 0b 00 00 00 27 00 5a 00 69 00 65 00 6c 00 27 00 21 00 43 00 31 00 30 00 "
        "00 00");
    const THyperLink place = THLinkRecord(xlr_HLINK, poiPlace).GetProperties();
    EXPECT_EQ(place.LinkType, THyperLinkType::hl_CurrentWorkbook);
    EXPECT_EQ(place.Description, u"place");
    EXPECT_EQ(place.TextMark, u"'Ziel'!C10");

    // A part that runs past the record is refused, not read beyond it.
    const TBytes cut(poiPlace.begin(), poiPlace.end() - 6);
    EXPECT_EQ(ErrorOf([&] { THLinkRecord(xlr_HLINK, cut).GetProperties(); }), "Error reading record");
}

TEST(HyperLink, LinksInsideAnAreaCopiedToAnotherList)
{
    THLinkList source;
    for (const TXlsCellRange& r : {TXlsCellRange{1, 1, 1, 1}, TXlsCellRange{1, 4, 2, 5}, TXlsCellRange{0, 9, 0, 9}})
        source.Add(THLinkRecord::CreateNew(r, {THyperLinkType::hl_URL, u"", u"", u"", u"http://a", u""}));
    THLinkList target;
    target.CopyObjectsFrom(source, {0, 0, 3, 5}, 10, 1);
    ASSERT_EQ(target.Count(), 2u) << "the link on row 9 lies outside";
    EXPECT_EQ(target.Items(1)->GetCellRange().Top, 14);
    EXPECT_EQ(target.Items(1)->GetCellRange().Right, 3);
    EXPECT_EQ(target.Items(0)->GetProperties().Text, u"http://a");
}

// -------------------------------------------------------------------- notes

TEST(Notes, TextsLiveInTheirCommentShapes)
{
    TWorkbook book;
    LoadWorkbook(book, NotesBook());
    TWorkSheet& ws = book.GetWorkSheets(0);
    TNoteRecord* note = ws.Notes().FindNote(3, 2);
    ASSERT_TRUE(note);
    EXPECT_EQ(note->GetText(ws.Drawing()).Value, u"Notiz");
    EXPECT_EQ(note->Author(), u"Pruefer");
    EXPECT_EQ(note->Dwg(ws.Drawing())->ObjId(), 2);

    TNoteRecord& added = ws.Notes().AddNewComment(9, 4, {u"neu", {}}, {3, 5, 0, 8, 0, 7, 0, 12, 0});
    EXPECT_EQ(added.DataSize(), 12);
    EXPECT_EQ(added.ObjId(), 3) << "the next object id of the drawing";
    EXPECT_EQ(ws.Drawing().ObjectCount(), 3u);
    ws.Notes().FindNote(3, 2)->SetText(ws.Drawing(), {u"geändert", {}});

    TWorkbook again;
    LoadWorkbook(again, SavedWorkbook(book));
    TWorkSheet& ws2 = again.GetWorkSheets(0);
    EXPECT_EQ(ws2.Notes().FindNote(9, 4)->GetText(ws2.Drawing()).Value, u"neu");
    EXPECT_EQ(ws2.Notes().FindNote(3, 2)->GetText(ws2.Drawing()).Value, u"geändert");

    EXPECT_TRUE(ws2.Notes().DeleteNote(9, 4));
    EXPECT_EQ(ws2.Drawing().ObjectCount(), 2u) << "the note takes its shape along";
    EXPECT_EQ(ErrorOf([&] { ws2.Notes().AddNewComment(65536, 0, {u"x", {}}, kAnchor); }),
              R"(The index "65536" of the property "Row" is not in the range 0-65535)");
    EXPECT_EQ(ErrorOf([&] { ws2.Notes().AddNewComment(0, 256, {u"x", {}}, kAnchor); }),
              R"(The index "256" of the property "Column" is not in the range 0-255)");
}

TEST(Notes, ASheetWithoutDrawingGetsOne)
{
    TWorkbook book;
    LoadWorkbook(book, DrawingBook({}, {}));
    TWorkSheet& ws = book.GetWorkSheets(0);
    ws.Notes().AddNewComment(0, 0, {u"erste", {}}, kAnchor);
    TWorkbook again;
    LoadWorkbook(again, SavedWorkbook(book));
    TWorkSheet& ws2 = again.GetWorkSheets(0);
    EXPECT_EQ(ws2.Notes().FindNote(0, 0)->GetText(ws2.Drawing()).Value, u"erste");
    const TEscherDggRecord& dgg = *DrawingGroupOf(again.Globals()).Cache().Dgg;
    EXPECT_EQ(dgg.CdgSaved(), 1u);
    EXPECT_EQ(dgg.CspSaved(), 2u) << "the patriarch's shape and the comment";
}

// Notes and their boxes follow inserted rows and columns; deleted rows take
// their notes and shapes along; copied rows copy them with shapes of their own.
TEST(Notes, FollowRowsAndColumns)
{
    TWorkbook book;
    LoadWorkbook(book, NotesBook());
    TWorkSheet& ws = book.GetWorkSheets(0);
    book.InsertAndCopyRowsAndCols(0, 100, 100, 1, 2, 0, 0, 0, 0, false);  // 2 empty rows at row 1
    ASSERT_TRUE(ws.Notes().FindNote(5, 2));
    EXPECT_EQ(BoxOf(ws.Drawing(), 2).Row1, 4) << "the box moves with its note";
    EXPECT_EQ(BoxOf(ws.Drawing(), 1).Row1, 3) << "the picture moves and sizes with the cells";
    EXPECT_EQ(BoxOf(ws.Drawing(), 1).Row2, 7);

    book.InsertAndCopyRowsAndCols(0, 0, 0, 0, 0, 200, 200, 1, 1, false);  // a column at B
    EXPECT_TRUE(ws.Notes().FindNote(5, 3));
    EXPECT_EQ(BoxOf(ws.Drawing(), 2).Col1, 4);

    // Row 5 copied twice below row 20.
    book.InsertAndCopyRowsAndCols(0, 5, 5, 20, 2, 0, 0, 0, 0, false);
    const TNoteRecord* copy = ws.Notes().FindNote(21, 3);
    ASSERT_TRUE(copy);
    EXPECT_NE(copy->ObjId(), 2);
    EXPECT_EQ(copy->GetText(ws.Drawing()).Value, u"Notiz");
    EXPECT_EQ(BoxOf(ws.Drawing(), copy->ObjId()).Row1, 20);
    EXPECT_EQ(ws.Drawing().ObjectCount(), 4u);

    book.DeleteRowsAndCols(0, 5, 1, 0, 0);
    EXPECT_FALSE(ws.Notes().FindNote(5, 3));
    EXPECT_EQ(ws.Drawing().ObjectCount(), 3u);
    EXPECT_EQ(ws.Notes().FindNote(20, 3)->GetText(ws.Drawing()).Value, u"Notiz");
}

// A copied sheet has a drawing of its own: a new drawing id, new shape ids,
// its notes tied to its own shapes.
TEST(Notes, ACopiedSheetHasShapesOfItsOwn)
{
    TWorkbook book;
    LoadWorkbook(book, NotesBook());
    book.InsertSheets(0, 1, 1);
    TWorkSheet& copy = book.GetWorkSheets(1);
    copy.Notes().FindNote(3, 2)->SetText(copy.Drawing(), {u"Kopie", {}});
    EXPECT_EQ(book.GetWorkSheets(0).Notes().FindNote(3, 2)->GetText(book.GetWorkSheets(0).Drawing()).Value, u"Notiz");

    const TEscherDggRecord& dgg = *DrawingGroupOf(book.Globals()).Cache().Dgg;
    EXPECT_EQ(dgg.CdgSaved(), 2u);
    EXPECT_EQ(dgg.CspSaved(), 6u);
    ASSERT_EQ(dgg.ClusterCount(), 2u);
    EXPECT_EQ(dgg.ClusterDrawing(1), 2u);
    const auto* dg = static_cast<const TEscherDgRecord*>(copy.Drawing().Root()->FindChild(msofbtDg));
    EXPECT_EQ(dg->DrawingId(), 2);
    EXPECT_EQ(dg->Csp(), 3u);
    EXPECT_EQ(dg->SpidCur(), 2050u);
    EXPECT_EQ(DrawingGroupOf(book.Globals()).Cache().BStore->Picture(1).CRef(), 2u);

    TWorkbook again;
    LoadWorkbook(again, SavedWorkbook(book));
    TWorkSheet& ws = again.GetWorkSheets(1);
    EXPECT_EQ(ws.Notes().FindNote(3, 2)->GetText(ws.Drawing()).Value, u"Kopie");
}

// ------------------------------------------------------------------ charts

TEST(ChartSeries, FollowRowsOfTheirSheetAndCopiedSheets)
{
    // =Sheet!$B$2:$B$6 through EXTERNSHEET entry 0, which names sheet 0.
    const TBytes formula = B({0x3B, 0, 0, 1, 0, 5, 0, 1, 0, 1, 0});
    TBytes data = B({1, 0, 0, 0, 0, 0});
    AppendWord(data, static_cast<std::uint16_t>(formula.size()));
    data = Cat({data, formula});
    TSheetInfo info;
    info.GetSheet = [](std::int32_t aIndex) { return aIndex == 0 ? 0 : 7; };
    info.SetSheet = [](std::int32_t aSheet) { return aSheet == 3 ? 1 : 0; };

    TChartAIRecord ai(xlr_CHARTAI, data);
    info.InsSheet = 0;
    info.FormulaSheet = 2;  // the chart's own sheet
    ai.ArrangeInsertRowsAndCols(0, 2, 0, 0, info);
    EXPECT_EQ(GetWord(ai.Data(), 8 + 3), 3);
    EXPECT_EQ(GetWord(ai.Data(), 8 + 5), 7);

    info.InsSheet = 3;      // the copy
    info.FormulaSheet = 0;  // its source
    ai.ArrangeCopySheet(info);
    EXPECT_EQ(GetWord(ai.Data(), 8 + 1), 1) << "the series points at the copy";

    TBytes bad = data;
    bad[8] = 0xFF;
    TChartAIRecord broken(xlr_CHARTAI, bad);
    EXPECT_EQ(ErrorOf([&] { broken.ArrangeInsertRowsAndCols(0, 1, 0, 0, info); }), "Error in Chart formula. Token Id: 0xFF");
}
