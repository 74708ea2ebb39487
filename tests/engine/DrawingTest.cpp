// The Escher record trees of the drawing group and the sheet drawings: how
// they are read from and cut into BIFF records, what a broken drawing is
// refused with, picture references and store positions, shape ids and
// clusters, anchors moved with rows and columns, text boxes and OBJ records.
#include <gtest/gtest.h>

#include "EscherTestSupport.h"
#include "drawing/UEscherOtherRecords.h"
#include "drawing/UXlsClientData.h"
#include "drawing/UXlsInflate.h"
#include "drawing/UXlsMD5.h"
#include "worksheet/UXlsRecordFactory.h"

using namespace eschertest;

namespace {

// The (id, data size) of every record of a stream part, CONTINUE records
// on their own.
std::vector<std::pair<std::uint16_t, std::size_t>> Pieces(const TBytes& aStream)
{
    std::vector<std::pair<std::uint16_t, std::size_t>> pieces;
    for (const auto& r : SplitRecords(aStream)) pieces.emplace_back(r.Id, r.Data.size());
    return pieces;
}

// The saved bytes of the drawing group: from its first record to the end of
// its last CONTINUE.
TBytes SavedGroup(TWorkbook& aBook)
{
    const TBytes saved = SavedWorkbook(aBook);
    TBytes group;
    for (const auto& r : AllRecords(saved))
        if (r.Id == xlr_MSODRAWINGGROUP) group = Cat({group, r.Bytes});
    return group;
}

const TBytes kPng = Cat({BytesFromHex("89 50 4E 47 0D 0A 1A 0A"), TBytes(40, 0x11)});
const TBytes kJpeg = Cat({BytesFromHex("FF D8 FF E0"), TBytes(60, 0x22)});
const TBytes kOtherPng = Cat({BytesFromHex("89 50 4E 47 0D 0A 1A 0A"), TBytes(80, 0x33)});

const TClientAnchor kAnchor{0, 1, 0, 1, 0, 3, 0, 5, 0};

// A workbook whose store holds kPng, kJpeg and kOtherPng (in size order) and
// whose sheet shows them as pictures 1025 to 1027 (store positions 1 to 3)
// and holds comment 1028 on B2.
TBytes PicturesBook()
{
    const TBytes group = GroupTree(DggAtom(1029, 5, 1, {{1, 5}}),
                                   {BseAtom(6, 1, kPng), BseAtom(5, 1, kJpeg), BseAtom(6, 1, kOtherPng)});
    const TBytes tree = SheetTree(1, 5, 1028, 1024,
                                  {PictureShape(1025, 1, kAnchor), PictureShape(1026, 2, kAnchor),
                                   PictureShape(1027, 3, kAnchor), CommentShape(1028, {3, 2, 0, 0, 0, 4, 0, 4, 0})});
    const TBytes drawing = SheetDrawingRecords(tree, {Rec(xlr_OBJ, ObjBody(8, 1)), Rec(xlr_OBJ, ObjBody(8, 2)),
                                                      Rec(xlr_OBJ, ObjBody(8, 3)), Rec(xlr_OBJ, ObjBody(0x19, 4)),
                                                      TxoRecords("Notiz")});
    return DrawingBook(group, Cat({drawing, Rec(xlr_NOTE, NoteBody(1, 1, 4))}));
}

std::vector<TBytes> PicturesOf(const TDrawing& aDrawing)
{
    std::vector<TBytes> pictures;
    for (std::size_t i = 0; i < aDrawing.DrawingCount(); ++i) {
        TBlipType type = TBlipType::Error;
        pictures.push_back(aDrawing.GetDrawingFromStream(i, type));
    }
    return pictures;
}

}  // namespace

// The group is one MSODRAWINGGROUP record and CONTINUE records of at most
// 8224 data bytes, however it was cut when read; an Escher header that falls
// on a cut is read whole and written in two parts around the BIFF header.
TEST(DrawingGroup, WrittenInPiecesOf8224Bytes)
{
    struct Case {
        std::vector<std::size_t> AtomSizes;
        std::size_t ReadPieces;
        std::vector<std::pair<std::uint16_t, std::size_t>> Written;
    };
    const Case cases[] = {
        // 8 + 24 + 8 + 19960 = 20000 bytes.
        {{19960}, 5000, {{xlr_MSODRAWINGGROUP, 8224}, {xlr_CONTINUE, 8224}, {xlr_CONTINUE, 3552}}},
        // The second atom's header starts at 8220: it straddles the cut both ways.
        {{8180, 100}, 8224, {{xlr_MSODRAWINGGROUP, 8224}, {xlr_CONTINUE, 104}}},
        {{0}, 8224, {{xlr_MSODRAWINGGROUP, 40}}},
    };
    for (const Case& c : cases) {
        std::vector<TBytes> children{DggAtom(2, 0, 0, {})};
        for (std::size_t size : c.AtomSizes) children.push_back(Atom(0, 0xF0AA, TBytes(size, 0x5A)));
        const TBytes tree = Container(msofbtDggContainer, children);
        TWorkbook book;
        LoadWorkbook(book, Cat({Rec(xlr_BOF, BofGlobals()), Rec(0x0085, BoundSheetBody("S")),
                                CutRecords(xlr_MSODRAWINGGROUP, tree, c.ReadPieces), Rec(xlr_EOF, {}),
                                Section(kWorksheet, {})}));
        const TBytes group = SavedGroup(book);
        EXPECT_EQ(Pieces(group), c.Written) << c.AtomSizes.size();
        EXPECT_TRUE(SameBytes(group, CutRecords(xlr_MSODRAWINGGROUP, tree)));
        EXPECT_EQ(DrawingGroupOf(book.Globals()).TotalSize(), std::int64_t(group.size()));
    }
}

// A sheet drawing is cut behind every shape's client records: MSODRAWING,
// OBJ, ..., MSODRAWING, TXO with its CONTINUE records. Drawing data that came
// in a CONTINUE behind an OBJ goes into the MSODRAWING record it stands for.
TEST(SheetDrawing, WrittenInShapeOrderAroundTheClientRecords)
{
    TWorkbook book;
    LoadWorkbook(book, PicturesBook());
    const TBytes sheet = SavedSheet(book);
    std::vector<std::uint16_t> ids;
    for (const auto& r : AllRecords(sheet)) ids.push_back(r.Id);
    EXPECT_EQ(ids, (std::vector<std::uint16_t>{xlr_BOF, xlr_DIMENSIONS, xlr_MSODRAWING, xlr_OBJ, xlr_MSODRAWING,
                                               xlr_OBJ, xlr_MSODRAWING, xlr_OBJ, xlr_MSODRAWING, xlr_OBJ,
                                               xlr_MSODRAWING, xlr_TXO, xlr_NOTE, xlr_WINDOW2, xlr_EOF}));
    // Read back, the sheet is the same.
    TWorkbook again;
    LoadWorkbook(again, PicturesBook());
    EXPECT_TRUE(SameBytes(SavedSheet(again), sheet));

    // The third shape's drawing data behind the second OBJ, in a CONTINUE.
    const TBytes tree = SheetTree(1, 3, 1026, 1024, {PictureShape(1025, 1, kAnchor), PictureShape(1026, 1, kAnchor)});
    std::vector<std::size_t> ends;
    ClientAtomEnds(tree, 0, tree.size(), ends);
    auto piece = [&](std::size_t a, std::size_t b) {
        return TBytes(tree.begin() + std::ptrdiff_t(a), tree.begin() + std::ptrdiff_t(b));
    };
    auto drawing = [&](std::uint16_t aSecond) {
        return Cat({Rec(xlr_MSODRAWING, piece(0, ends[0])), Rec(xlr_OBJ, ObjBody(8, 1)), Rec(aSecond, piece(ends[0], ends[1])),
                    Rec(xlr_OBJ, ObjBody(8, 2))});
    };
    const TBytes group = GroupTree(DggAtom(1027, 3, 1, {{1, 3}}), {BseAtom(6, 2, kPng)});
    TWorkbook continued;
    LoadWorkbook(continued, DrawingBook(group, drawing(xlr_CONTINUE)));
    TWorkbook expected;
    LoadWorkbook(expected, DrawingBook(group, drawing(xlr_MSODRAWING)));
    EXPECT_TRUE(SameBytes(SavedSheet(continued), SavedSheet(expected)));
    EXPECT_EQ(continued.GetWorkSheets(0).Drawing().ObjectCount(), 2u);
}

TEST(SheetDrawing, RefusesBrokenDrawings)
{
    const TBytes store = GroupTree(DggAtom(1026, 2, 1, {{1, 2}}), {BseAtom(6, 1, kPng)});
    const TBytes noStore = GroupTree(DggAtom(1026, 2, 1, {{1, 2}}));
    auto drawingOf = [](const TBytes& aTree, std::vector<TBytes> aClients) { return SheetDrawingRecords(aTree, aClients); };
    const TBytes oneObj = Rec(xlr_OBJ, ObjBody(8, 1));
    const TBytes emptyTree = SheetTree(1, 1, 1024, 1024, {});
    TBytes deep = Atom(0, 0xF0AA, {});
    for (int i = 0; i < 70; ++i) deep = Container(0xF0AB, {deep});
    struct Case {
        const char* What;
        TBytes Group;
        TBytes Sheet;
        std::string Error;
    };
    // Each message names the record it stopped at, in the sheet.
    const auto at = [](const char* aRecord, int aOffset) {
        return " (stream \"Workbook\", record " + std::string(aRecord) + " at offset " + std::to_string(aOffset) +
               ", sheet 1 \"Sheet1\")";
    };
    const std::string escher = "Error loading Escher record";
    const std::string unsupported = "The file has an usupported drawing record";
    const std::string invalid = "Error reading Excel records. File invalid";
    const Case cases[] = {
        {"two Dg atoms", store,
         Rec(xlr_MSODRAWING, Container(msofbtDgContainer, {DgAtom(1, 1, 1024), DgAtom(1, 1, 1024)})),
         escher + ". Duplicated Dg" + at("MSODRAWING (0x00EC)", 279)},
        {"a child larger than its container", store,
         Rec(xlr_MSODRAWING, Cat({EscherHeader(0x000F, msofbtDgContainer, 16), EscherHeader(0, msofbtDg, 100), TBytes(8, 0)})),
         escher + at("MSODRAWING (0x00EC)", 279)},
        {"a client atom without its OBJ", store, drawingOf(SheetTree(1, 2, 1025, 1024, {PictureShape(1025, 1, kAnchor)}), {}),
         unsupported + at("WINDOW2 (0x023E)", 435)},
        {"a TXO where the OBJ belongs", store,
         drawingOf(SheetTree(1, 2, 1025, 1024, {PictureShape(1025, 1, kAnchor)}), {TxoRecords("")}),
         unsupported + at("TXO (0x01B6)", 435)},
        {"a picture outside the store", store,
         drawingOf(SheetTree(1, 2, 1025, 1024, {PictureShape(1025, 2, kAnchor)}), {oneObj}),
         invalid + at("MSODRAWING (0x00EC)", 279)},
        {"store position 0", store,
         drawingOf(SheetTree(1, 2, 1025, 1024, {PictureShape(1025, 0, kAnchor)}), {oneObj}),
         invalid + at("MSODRAWING (0x00EC)", 279)},
        {"a picture without a store", noStore,
         drawingOf(SheetTree(1, 2, 1025, 1024, {PictureShape(1025, 1, kAnchor)}), {oneObj}),
         invalid + at("MSODRAWING (0x00EC)", 154)},
        {"a drawing cut off by another record", store,
         Cat({Rec(xlr_MSODRAWING, TBytes(emptyTree.begin(), emptyTree.begin() + 20)), Rec(0x0203, NumberBody(0, 0, 1))}),
         invalid + at("NUMBER (0x0203)", 303)},
        {"a second drawing", store,
         Cat({Rec(xlr_MSODRAWING, emptyTree), Rec(xlr_MSODRAWING, emptyTree)}),
         invalid + at("MSODRAWING (0x00EC)", 363)},
        {"containers nested too deep", store, Rec(xlr_MSODRAWING, Container(msofbtDgContainer, {deep})),
         escher + at("MSODRAWING (0x00EC)", 279)},
        {"a property table longer than its atom", store,
         Rec(xlr_MSODRAWING, Container(msofbtDgContainer, {Atom(0x0053, msofbtOPT, TBytes(6, 0))})),
         escher + at("MSODRAWING (0x00EC)", 279)},
        {"a root that is no container", store, Rec(xlr_MSODRAWING, DgAtom(1, 0, 0)),
         escher + at("MSODRAWING (0x00EC)", 279)},
    };
    for (const Case& c : cases) {
        TWorkbook book;
        EXPECT_EQ(ErrorOf([&] { LoadWorkbook(book, DrawingBook(c.Group, c.Sheet)); }), c.Error) << c.What;
    }
}

// A picture of the store is shared by every shape that shows the same image;
// the last shape that goes takes it out of the store, and the shapes behind
// it are written with their new store positions.
TEST(PictureStore, PicturesAreSharedAndRenumbered)
{
    TWorkbook book;
    LoadWorkbook(book, PicturesBook());
    TDrawingGroup& group = DrawingGroupOf(book.Globals());
    TDrawing& drawing = book.GetWorkSheets(0).Drawing();
    ASSERT_EQ(drawing.DrawingCount(), 3u);

    drawing.AddImage(kJpeg, TBlipType::JPEG, kAnchor, u"again");
    EXPECT_EQ(group.PictureCount(), 3u) << "the same image is stored once";
    EXPECT_EQ(group.Cache().BStore->Picture(2).CRef(), 2u);

    drawing.DeleteImage(1);  // the first shape that shows kJpeg
    EXPECT_EQ(group.PictureCount(), 3u);
    EXPECT_EQ(group.Cache().BStore->Picture(2).CRef(), 1u);
    drawing.DeleteImage(2);  // the shape added above
    EXPECT_EQ(group.PictureCount(), 2u);

    TWorkbook saved;
    LoadWorkbook(saved, SavedWorkbook(book));
    EXPECT_EQ(PicturesOf(saved.GetWorkSheets(0).Drawing()), (std::vector<TBytes>{kPng, kOtherPng}))
        << "the OPT of the last picture names store position 2 now";
    EXPECT_EQ(DrawingGroupOf(saved.Globals()).Cache().BStore->Picture(2).CRef(), 1u);
}

TEST(PictureStore, NewImagesGetTheirDigestAndSortedPlace)
{
    TWorkbook book;
    LoadWorkbook(book, PicturesBook());
    TEscherBStoreRecord& store = *DrawingGroupOf(book.Globals()).Cache().BStore;
    const TBytes small = Cat({BytesFromHex("89 50 4E 47 0D 0A 1A 0A"), TBytes(4, 0x44)});
    book.GetWorkSheets(0).Drawing().AddImage(small, TBlipType::PNG, kAnchor, u"");
    ASSERT_EQ(store.PictureCount(), 4u);
    const TEscherBSERecord& added = store.Picture(1);
    EXPECT_EQ(added.PictureData(), small) << "the smallest picture goes first";
    const TMd5Digest digest = Md5Of(small);
    EXPECT_TRUE(std::equal(digest.begin(), digest.end(), added.Uid().begin()));
    EXPECT_EQ(added.PictureType(), TBlipType::PNG);
}

TEST(PictureStore, Md5OfRfc1321)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", "D4 1D 8C D9 8F 00 B2 04 E9 80 09 98 EC F8 42 7E"},
        {"abc", "90 01 50 98 3C D2 4F B0 D6 96 3F 7D 28 E1 7F 72"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57 ED F4 A2 2B E3 C9 55 AC 49 DA 2E 21 07 B6 7A"},
    };
    for (const auto& [text, hex] : cases) {
        const TMd5Digest digest = Md5Of(TBytes(text.begin(), text.end()));
        EXPECT_EQ(TBytes(digest.begin(), digest.end()), BytesFromHex(hex)) << text;
    }
}

// New shapes take the next id of their drawing's cluster, or a new cluster
// when it is full; a new drawing gets the next drawing id and a cluster of
// its own; a drawing that goes frees its clusters.
TEST(ShapeIds, ClustersAndCounters)
{
    TWorkbook book;
    LoadWorkbook(book, PicturesBook());
    book.InsertSheets(-1, 1, 1);
    TDrawingGroup& group = DrawingGroupOf(book.Globals());
    const TEscherDggRecord& dgg = *group.Cache().Dgg;
    TDrawing& first = book.GetWorkSheets(0).Drawing();

    first.AddImage(kPng, TBlipType::PNG, kAnchor, u"");
    EXPECT_EQ(dgg.ClusterUsed(0), 6u);
    EXPECT_EQ(dgg.SpidMax(), 1030u);
    EXPECT_EQ(dgg.CspSaved(), 6u);

    TDrawing& second = book.GetWorkSheets(1).Drawing();
    second.AddImage(kPng, TBlipType::PNG, kAnchor, u"");
    ASSERT_EQ(dgg.ClusterCount(), 2u);
    EXPECT_EQ(dgg.ClusterDrawing(1), 2u);
    EXPECT_EQ(dgg.ClusterUsed(1), 2u) << "the patriarch's shape and the picture";
    EXPECT_EQ(dgg.Cidcl(), 3u);
    EXPECT_EQ(dgg.CdgSaved(), 2u);
    EXPECT_EQ(dgg.CspSaved(), 8u);
    EXPECT_EQ(dgg.SpidMax(), 2050u);

    book.DeleteSheets(1, 1);
    EXPECT_EQ(dgg.ClusterDrawing(1), 0u) << "a free cluster";
    EXPECT_EQ(dgg.CdgSaved(), 1u);
    EXPECT_EQ(dgg.CspSaved(), 6u);

    // The free cluster serves the next new drawing.
    book.InsertSheets(-1, 1, 1);
    book.GetWorkSheets(1).Drawing().AddImage(kPng, TBlipType::PNG, kAnchor, u"");
    EXPECT_EQ(dgg.ClusterCount(), 2u);
    EXPECT_EQ(dgg.ClusterDrawing(1), 2u);
}

TEST(ShapeIds, AFullClusterMakesRoomInAnother)
{
    const TBytes group = GroupTree(DggAtom(2048, 1024, 1, {{1, 1024}}), {BseAtom(6, 1, kPng)});
    const TBytes tree = SheetTree(1, 2, 2047, 1024, {PictureShape(2047, 1, kAnchor)});
    TWorkbook book;
    LoadWorkbook(book, DrawingBook(group, SheetDrawingRecords(tree, {Rec(xlr_OBJ, ObjBody(8, 1))})));
    book.GetWorkSheets(0).Drawing().AddImage(kPng, TBlipType::PNG, kAnchor, u"");
    const TEscherDggRecord& dgg = *DrawingGroupOf(book.Globals()).Cache().Dgg;
    ASSERT_EQ(dgg.ClusterCount(), 2u);
    EXPECT_EQ(dgg.ClusterDrawing(1), 1u);
    EXPECT_EQ(dgg.ClusterUsed(1), 1u);
    EXPECT_EQ(book.GetWorkSheets(0).Drawing().Root()->ChildCount(), 2u);
    const TEscherRecord* dg = book.GetWorkSheets(0).Drawing().Root()->FindChild(msofbtDg);
    EXPECT_EQ(static_cast<const TEscherDgRecord*>(dg)->SpidCur(), 2048u);
    EXPECT_EQ(static_cast<const TEscherDgRecord*>(dg)->Csp(), 3u);
}

// Anchors follow rows and columns by their flag: 0 moves and sizes with the
// cells, 1 and 2 move keeping their size, 3 does neither.
TEST(Anchors, MoveWithRowsAndColumnsByTheirFlag)
{
    struct Case {
        const char* What;
        TClientAnchor Before;
        bool Rows;
        std::int32_t Pos, Count;
        TClientAnchor After;
    };
    const Case cases[] = {
        {"2 rows inserted at row 5", {0, 1, 10, 7, 20, 3, 30, 10, 40}, true, 5, 2, {0, 1, 10, 9, 20, 3, 30, 12, 40}},
        {"rows inserted below", {0, 1, 10, 7, 20, 3, 30, 10, 40}, true, 11, 2, {0, 1, 10, 7, 20, 3, 30, 10, 40}},
        {"rows deleted inside", {0, 1, 10, 7, 20, 3, 30, 10, 40}, true, 8, -2, {0, 1, 10, 7, 20, 3, 30, 8, 40}},
        {"its first row deleted", {0, 1, 10, 7, 20, 3, 30, 10, 40}, true, 6, -2, {0, 1, 10, 6, 0, 3, 30, 8, 40}},
        {"columns inserted", {0, 1, 10, 7, 20, 3, 30, 10, 40}, false, 2, 3, {0, 1, 10, 7, 20, 6, 30, 10, 40}},
        {"no further than the last row", {0, 1, 0, 65530, 0, 2, 0, 65534, 0}, true, 0, 10,
         {0, 1, 0, 65535, 0, 2, 0, 65535, 0}},
        {"moved keeping its size", {2, 1, 10, 7, 20, 3, 30, 10, 40}, true, 5, 2, {2, 1, 10, 9, 20, 3, 30, 12, 40}},
        {"moved up keeping its size", {1, 1, 10, 7, 20, 3, 30, 10, 40}, true, 2, -3, {1, 1, 10, 4, 20, 3, 30, 7, 40}},
        {"not moved", {3, 1, 10, 7, 20, 3, 30, 10, 40}, true, 5, 2, {3, 1, 10, 7, 20, 3, 30, 10, 40}},
    };
    for (const Case& c : cases) {
        TEscherClientAnchorRecord anchor(c.Before, TEscherContext{});
        if (c.Rows)
            anchor.MoveRows(c.Pos, c.Count, false);
        else
            anchor.MoveCols(c.Pos, c.Count, false);
        EXPECT_EQ(anchor.GetAnchor(), c.After) << c.What;
    }
}

// Shapes that do not size with the cells are placed again at the rectangle
// they had: one that does not move stays where it was on the page when a row
// above it grows, one that moves keeps its size.
TEST(Anchors, PlacedAgainFromTheirRectangles)
{
    std::vector<std::int32_t> widths(256, 1000), heights(65536, 255);
    const TSheetGeometry before(widths, heights);
    heights[2] = 510;
    widths[0] = 0;
    const TSheetGeometry after(widths, heights);

    TEscherClientAnchorRecord fixed({3, 1, 0, 7, 0, 2, 512, 8, 0}, TEscherContext{});
    fixed.SaveRect(before);
    fixed.RestoreRect(after);
    // y 1785 is the start of row 6 now, x 1000 that of column 2 with column 0 hidden.
    EXPECT_EQ(fixed.GetAnchor(), (TClientAnchor{3, 2, 0, 6, 0, 3, 512, 7, 0}));

    TEscherClientAnchorRecord moving({2, 1, 0, 1, 0, 1, 0, 3, 0}, TEscherContext{});
    moving.SaveRect(before);
    moving.RestoreRect(after);
    // 2 rows of 255 high from row 1: now row 1 and half of the taller row 2.
    EXPECT_EQ(moving.GetAnchor(), (TClientAnchor{2, 1, 0, 1, 0, 1, 0, 2, 128}));
}

TEST(Anchors, GeometryRoundsHalvesToEven)
{
    std::vector<std::int32_t> widths(256, 2), heights(65536, 255);
    widths[1] = 1000;
    const TSheetGeometry g(widths, heights);
    EXPECT_EQ(g.X(0, 256), 0);   // 0.5 rounds to 0
    EXPECT_EQ(g.X(0, 768), 2);   // 1.5 rounds to 2
    EXPECT_EQ(g.X(1, 512), 502);
    std::uint16_t col = 0, dx = 0;
    g.FromX(502, col, dx);
    EXPECT_EQ(col, 1);
    EXPECT_EQ(dx, 512);
    g.FromX(1000000, col, dx);
    EXPECT_EQ(col, 255);
    EXPECT_EQ(dx, 1024) << "at most the whole last column";
}

// A text box's TXO: the text in a CONTINUE record of 8-bit characters when
// it can (16-bit otherwise), the runs in the next; longer texts go on in
// further CONTINUE records.
TEST(TextBox, TextWrittenIntoContinueRecords)
{
    auto saved = [](const TRichString& aText) {
        std::unique_ptr<TTXO> txo = TTXO::CreateFromData();
        txo->SetValue(aText);
        EXPECT_EQ(txo->GetValue().Value, aText.Value);
        return Written([&](TOle2File& w) { txo->SaveToStream(w); });
    };
    TBytes txo(18, 0);
    SetWord(txo, 0, 0x0212);
    SetWord(txo, 10, 3);
    SetWord(txo, 12, 16);
    EXPECT_TRUE(SameBytes(saved({u"abc", {}}),
                          Cat({Rec(xlr_TXO, txo), Rec(xlr_CONTINUE, {0, 'a', 'b', 'c'}),
                               Rec(xlr_CONTINUE, {0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0})})));

    const auto wide = Pieces(saved({u"中文", {{1, 5}}}));
    EXPECT_EQ(wide, (std::vector<std::pair<std::uint16_t, std::size_t>>{{xlr_TXO, 18}, {xlr_CONTINUE, 5}, {xlr_CONTINUE, 24}}));

    const auto empty = Pieces(saved({u"", {}}));
    EXPECT_EQ(empty.size(), 1u);

    const auto longText = Pieces(saved({std::u16string(20000, u'x'), {}}));
    EXPECT_EQ(longText, (std::vector<std::pair<std::uint16_t, std::size_t>>{
                            {xlr_TXO, 18}, {xlr_CONTINUE, 8224}, {xlr_CONTINUE, 8224}, {xlr_CONTINUE, 3555}, {xlr_CONTINUE, 16}}));
}

TEST(TextBox, RunsAndDrawingDataBehindTheText)
{
    // Text, runs (a bold second word), and drawing data in a third CONTINUE.
    TBytes txo(18, 0);
    SetWord(txo, 10, 5);
    SetWord(txo, 12, 24);
    TBytes runs(24, 0);
    SetWord(runs, 8, 3);
    SetWord(runs, 10, 5);
    SetWord(runs, 16, 5);
    const TBytes records = Cat({Rec(xlr_TXO, txo), Rec(xlr_CONTINUE, {0, 'a', 'b', ' ', 'c', 'd'}), Rec(xlr_CONTINUE, runs),
                                Rec(xlr_CONTINUE, {7, 7})});
    TStreamFixture f(records);
    TRecordHeader header;
    ReadHeader(f.File(), header);
    TTXO box;
    TSST sst;
    box.LoadFromStream(f.File(), header, ReadRecord(f.File(), header), sst);
    EXPECT_EQ(box.GetValue(), (TRichString{u"ab cd", {{0, 0}, {3, 5}}}));
    ASSERT_TRUE(box.RemainingData);
    EXPECT_EQ(box.RemainingData->Data().size(), 2u);

    // With no text, every CONTINUE is drawing data.
    SetWord(txo, 10, 0);
    TStreamFixture g(Cat({Rec(xlr_TXO, txo), Rec(xlr_CONTINUE, {1, 2, 3})}));
    ReadHeader(g.File(), header);
    box.LoadFromStream(g.File(), header, ReadRecord(g.File(), header), sst);
    EXPECT_EQ(box.GetValue().Value, u"");
    ASSERT_TRUE(box.RemainingData);
    EXPECT_EQ(box.RemainingData->Data().size(), 3u);
}

TEST(ClientData, NewObjectsAndWhatCannotBeCopied)
{
    std::uint16_t maxId = 4;
    const auto filter = TMsObj::CreateEmptyAutoFilter(maxId);
    EXPECT_TRUE(filter->GetIsAutoFilter());
    EXPECT_EQ(filter->GetId(), 5);
    const auto note = TMsObj::CreateEmptyNote(maxId);
    EXPECT_EQ(note->ObjectType(), TMsObj::otComment);
    EXPECT_FALSE(note->GetIsAutoFilter());
    EXPECT_EQ(maxId, 6);
    EXPECT_EQ(TMsObj::CreateEmptyImg(maxId)->ObjectType(), TMsObj::otPicture);

    // An OBJ with a picture formula is an embedded OLE object.
    TBytes ole = ObjBody(8, 1);
    ole.resize(ole.size() - 4);
    ole = Cat({ole, B({9, 0, 4, 0, 1, 2, 3, 4, 0, 0, 0, 0})});
    TStreamFixture f(Rec(xlr_OBJ, ole));
    TRecordHeader header;
    ReadHeader(f.File(), header);
    TMsObj obj;
    TSST sst;
    obj.LoadFromStream(f.File(), header, ReadRecord(f.File(), header), sst);
    EXPECT_TRUE(obj.HasPictFmla());
    EXPECT_EQ(ErrorOf([&] { obj.CopyTo(); }), "Can't copy OLE objects embedded on a sheet");
}

// Metafiles are kept compressed in the store: their image is the inflated data.
TEST(PictureStore, CompressedMetafilesAreInflated)
{
    const std::string fixed = "hello hello hello hello";
    const std::string dynamic =
        "bacdaadbbaddcabaecaaaababdcccdacaaadabcbcecccbbababaabbaaddacacaabccaaacbbebabaaaaacbbaabbcaccdecaebcbbcbe"
        "bbacbacaabdccbdaaacbdbbacabcbbcaaabebbbbacaabbbdaabadbbaaeababbacacbebdccbccacaaadecbadebbbaba";
    const std::pair<std::string, std::string> cases[] = {
        {fixed, "78 DA CB 48 CD C9 C9 57 C8 40 27 01 68 03 08 B1"},
        {"abc", "78 01 01 03 00 FC FF 61 62 63 02 4D 01 27"},
        {dynamic, "78 DA 25 8E 81 11 00 20 08 02 67 05 74 FF 15 7A AC BA 2B E5 C1 AC 8C 34 B6 66 22 6B 23 96 E5 49 "
                  "50 5A 8D 1C 67 A9 A1 BA C5 0D 8E 88 EC 94 41 DA 93 FE BB 08 6A 86 B8 C5 CD 59 BA F1 39 88 F6 1C "
                  "D8 B9 D1 01 9D 0A E3 8F B8 80 EF 5F DA 0E 6D BB 21 F5 26 FF 5F 4B DE D4 03 F0 00 1F C3 4C B9"},
    };
    for (const auto& [text, hex] : cases) {
        const TBytes compressed = BytesFromHex(hex);
        EXPECT_EQ(Inflate(compressed, 1000), TBytes(text.begin(), text.end())) << text;
        EXPECT_EQ(ErrorOf([&] { Inflate(TBytes(compressed.begin(), compressed.begin() + 8), 1000); }),
                  "The picture's data is damaged");
        EXPECT_EQ(ErrorOf([&] { Inflate(compressed, text.size() - 1); }), "The picture's data is damaged");
    }

    // An EMF picture record: uid, the metafile header (size, bounds, size in
    // EMUs, stored size, deflate, no filter), the compressed image.
    const TBytes image(fixed.begin(), fixed.end());
    const TBytes compressed = BytesFromHex(cases[0].second);
    TBytes header(34, 0);
    SetCardinal(header, 0, static_cast<std::uint32_t>(image.size()));
    SetCardinal(header, 28, static_cast<std::uint32_t>(compressed.size()));
    header[33] = 0xFE;
    const TBytes blip = Cat({TBytes(16, 9), header, compressed});
    TBytes bse(36, 0);
    bse[0] = bse[1] = 2;
    const TBytes data = Cat({bse, EscherHeader(0x3D40, 0xF01A, static_cast<std::uint32_t>(blip.size())), blip});
    TEscherBSERecord record(static_cast<std::uint16_t>(0x0022), msofbtBSE, data, TEscherContext{});
    EXPECT_EQ(record.PictureType(), TBlipType::EMF);
    EXPECT_EQ(record.PictureData(), image);
}
