// Drawings of the corpus workbooks: read and written back record for record;
// pictures, comments and links added, deleted and moved on copies, each
// result checked by an Escher parser of our own (tests/tools/xlrd_escher.py)
// and read by xlrd.
#include <gtest/gtest.h>

#include <fstream>

#include "DumpText.h"
#include "FacadeTestSupport.h"
#include "RecordTestSupport.h"
#include "drawing/UXlsClientData.h"
#include "facade/UExcelRecords.h"
#include "facade/XLSAdapter.h"

using namespace rectest;
namespace fs = std::filesystem;

namespace {

using factest::TTempDir;

// The records a drawing is made of, CONTINUE records with the one before.
std::vector<TBytes> DrawingRecords(const TBytes& aStream)
{
    std::vector<TBytes> records;
    std::size_t pos = 0;
    std::uint16_t last = 0;
    while (pos + 4 <= aStream.size()) {
        const std::uint16_t id = GetWord(aStream, pos);
        const std::size_t next = pos + 4 + GetWord(aStream, pos + 2);
        if (next > aStream.size() || (id == 0 && GetWord(aStream, pos + 2) == 0)) break;
        const bool drawing =
            id == xlr_MSODRAWINGGROUP || id == xlr_MSODRAWING || id == xlr_OBJ || id == xlr_TXO || id == xlr_IMDATA;
        const TBytes bytes(aStream.begin() + std::ptrdiff_t(pos), aStream.begin() + std::ptrdiff_t(next));
        if (drawing)
            records.push_back(bytes);
        else if (id == xlr_CONTINUE && !records.empty() && last != 0)
            records.back().insert(records.back().end(), bytes.begin(), bytes.end());
        if (id != xlr_CONTINUE) last = drawing ? id : 0;
        pos = next;
    }
    return records;
}

TBytes WorkbookStreamOf(const fs::path& aFile)
{
    return ole2test::ReadStreamOf(ReadFileBytes(aFile.string()), u"Workbook");
}

std::string EscherCheck(const fs::path& aFile)
{
    return testproc::RunPythonReader("xlrd_escher.py", {"--check"}, aFile).Out;
}

std::string FileText(const fs::path& aPath)
{
    std::ifstream in(aPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ExpectedDump(const fs::path& aFile)
{
    return FileText(aFile.parent_path().parent_path() / "expected" / (aFile.filename().string() + ".dump"));
}

// A small PNG the corpus does not hold.
TBytes NewPng()
{
    return BytesFromHex("89 50 4E 47 0D 0A 1A 0A 00 00 00 0D 49 48 44 52 00 00 00 02 00 00 00 02 08 02 00 00 00 FD "
                        "D4 9A 73 00 00 00 12 49 44 41 54 78 DA 63 F8 CF C0 F0 1F 02 18 18 FE 03 00 3A F0 05 FB 2E 8B "
                        "5D E3 00 00 00 00 49 45 4E 44 AE 42 60 82");
}

// The first worksheet (1-based) that has a drawing tree, 0 for none.
std::int32_t SheetWithDrawing(TXLSFile& aFile)
{
    TWorkbook& book = aFile.Workbook();
    for (std::int32_t i = 0; i < std::int32_t(book.Sheets().Count()); ++i)
        if (book.IsWorksheet(i) && book.GetWorkSheets(i).Drawing().HasTree()) return i + 1;
    return 0;
}

// An image of the store, to be added once more: a JPEG when there is one.
TBytes StoredImage(TXLSFile& aFile)
{
    const TEscherBStoreRecord* store = DrawingGroupOf(aFile.Workbook().Globals()).Cache().BStore;
    TBytes any;
    for (std::size_t i = 1; store && i <= store->PictureCount(); ++i) {
        if (store->Picture(i).PictureType() == TBlipType::JPEG) return store->Picture(i).PictureData();
        if (any.empty()) any = store->Picture(i).PictureData();
    }
    return any.empty() ? NewPng() : any;
}

struct TCounts {
    std::size_t Pictures = 0, Comments = 0, Links = 0, Stored = 0;
};

TCounts CountsOf(TXLSFile& aFile, std::int32_t aSheet)
{
    TWorkSheet& ws = aFile.Workbook().GetWorkSheets(aSheet - 1);
    return {ws.Drawing().DrawingCount(), ws.Notes().NoteCount(), ws.HLinks().Count(),
            DrawingGroupOf(aFile.Workbook().Globals()).PictureCount()};
}

TImageProperties At(std::int32_t aRow, std::int32_t aCol)
{
    TImageProperties p;
    p.Row1 = aRow;
    p.Col1 = aCol;
    p.Row2 = aRow + 3;
    p.Col2 = aCol + 2;
    return p;
}

// The reference dump's lines of the kinds given (letters), in its order.
std::string ReferenceLines(const fs::path& aFile, const std::string& aKinds)
{
    const std::string text = FileText(aFile.parent_path().parent_path() / "expected" / (aFile.filename().string() + ".features"));
    std::string lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        if (aKinds.find(text[start]) != std::string::npos && text[start + 1] == '\t')
            lines += text.substr(start, end - start + 1);
    return lines;
}

}  // namespace

// The picture store, links, comments and drawings read as the reference reader reads them.
TEST(DrawingCorpus, FeatureDumpAgreesWithTheReferenceDumps)
{
    std::size_t compared = 0;
    for (const fs::path& file : ReadableCorpusFiles()) {
        const fs::path expected = file.parent_path().parent_path() / "expected" / (file.filename().string() + ".features");
        if (!fs::exists(expected)) continue;
        EXPECT_EQ(RunXlsTool({"features", "--kinds", "W,L,K,P", file.string()}).Out, ReferenceLines(file, "WLKP")) << file;
        ++compared;
    }
    EXPECT_GT(compared, 40u);
}

// Every drawing record of every corpus workbook is written back as it was read.
TEST(DrawingCorpus, DrawingRecordsComeBackAsRead)
{
    TTempDir tmp;
    for (const fs::path& file : ReadableCorpusFiles()) {
        SCOPED_TRACE(file.filename().string());
        TXLSFile xls(nullptr, true);
        xls.Connect();
        xls.OpenFile(file.string());
        xls.Save(true, (tmp / "copy.xls").string(), nullptr, nullptr, nullptr);
        xls.Disconnect();
        const std::vector<TBytes> before = DrawingRecords(WorkbookStreamOf(file));
        const std::vector<TBytes> after = DrawingRecords(WorkbookStreamOf(tmp / "copy.xls"));
        ASSERT_EQ(after.size(), before.size());
        for (std::size_t i = 0; i < before.size(); ++i) EXPECT_TRUE(SameBytes(after[i], before[i])) << i;
    }
}

// A new PNG, an image the workbook holds already, a comment and a link added
// to the first sheet with drawings: the ids and counters stay consistent,
// the held image is stored once, xlrd reads the cells as before.
TEST(DrawingCorpus, PicturesCommentsAndLinksAdded)
{
    TTempDir tmp;
    std::size_t edited = 0;
    for (const fs::path& file : ReadableCorpusFiles()) {
        SCOPED_TRACE(file.filename().string());
        if (EscherCheck(file) != "ok\n") continue;  // files whose own counters disagree
        TXLSFile xls(nullptr, true);
        xls.Connect();
        xls.OpenFile(file.string());
        const std::int32_t sheet = SheetWithDrawing(xls);
        if (sheet == 0) continue;
        xls.SetActiveSheet(sheet);
        const TCounts before = CountsOf(xls, sheet);
        const TBytes held = StoredImage(xls);
        xls.AddImage(NewPng(), TXlsImgTypes::xli_Png, At(40, 2));
        xls.AddImage(held, TXlsImgTypes::xli_Unknown, At(45, 2));
        xls.SetCellComment(50, 3, {u"neue Notiz äöü", {}});
        xls.AddHyperLink({3, 51, 3, 51}, {THyperLinkType::hl_URL, u"Beispiel", u"", u"", u"https://example.org/", u""});
        const fs::path out = tmp / file.filename().string();
        xls.Save(true, out.string(), nullptr, nullptr, nullptr);
        xls.Disconnect();

        EXPECT_EQ(EscherCheck(out), "ok\n");
        EXPECT_EQ(RunPython("xlrd_dump.py", out).Out, ExpectedDump(file));
        TXLSFile again(nullptr);
        again.Connect();
        again.OpenFile(out.string());
        const TCounts after = CountsOf(again, sheet);
        EXPECT_EQ(after.Pictures, before.Pictures + 2);
        EXPECT_EQ(after.Comments, before.Comments + 1);
        EXPECT_EQ(after.Links, before.Links + 1);
        const bool newHeld = held == NewPng();
        EXPECT_EQ(after.Stored, before.Stored + 1) << "the held image " << (newHeld ? "is the new one" : "shares its entry");
        again.SetActiveSheet(sheet);
        EXPECT_EQ(again.GetCellComment(50, 3).Value, u"neue Notiz äöü");
        again.Disconnect();
        ++edited;
    }
    EXPECT_GE(edited, 10u);
}

// Deleting pictures frees their images when nothing else shows them;
// deleting every comment of a sheet leaves a valid file.
TEST(DrawingCorpus, PicturesAndCommentsDeleted)
{
    TTempDir tmp;
    const fs::path pictures = fs::path(kCorpus) / "gen" / "poi_pictures.xls";
    TXLSFile xls(nullptr, true);
    xls.Connect();
    xls.OpenFile(pictures.string());
    xls.SetActiveSheet(1);
    xls.BeginSheet();
    ASSERT_EQ(CountsOf(xls, 1).Stored, 2u);
    // Row 2 shows the PNG (B2) and the JPEG (F2); the PNG is shown on row 10
    // too, the JPEG on the second sheet.
    ASSERT_EQ(xls.GetPicturesCount(2), 2);
    EXPECT_EQ(xls.GetPicture(2, 1).PicType, TXlsImgTypes::xli_Jpeg);
    xls.DeleteImage(1);
    xls.DeleteImage(0);
    EXPECT_EQ(CountsOf(xls, 1).Stored, 2u) << "both images are still shown";
    xls.SetActiveSheet(2);
    xls.DeleteImage(0);
    EXPECT_EQ(CountsOf(xls, 1).Stored, 1u) << "the JPEG was shown nowhere else";
    xls.Save(true, (tmp / "pictures.xls").string(), nullptr, nullptr, nullptr);
    xls.Disconnect();
    EXPECT_EQ(EscherCheck(tmp / "pictures.xls"), "ok\n");

    const fs::path comments = fs::path(kCorpus) / "gen" / "poi_comments.xls";
    TXLSFile notes(nullptr, true);
    notes.Connect();
    notes.OpenFile(comments.string());
    for (std::int32_t row = 1; row <= 20; ++row)
        while (notes.GetCommentsCount(row) > 0) notes.AssignComment(row, 0, {});
    EXPECT_EQ(CountsOf(notes, 1).Comments, 0u);
    notes.Save(true, (tmp / "comments.xls").string(), nullptr, nullptr, nullptr);
    notes.Disconnect();
    EXPECT_EQ(EscherCheck(tmp / "comments.xls"), "ok\n");
    EXPECT_EQ(RunPython("xlrd_dump.py", tmp / "comments.xls").Out, ExpectedDump(comments));
}

// Rows inserted above and columns left of the objects move them (comment
// boxes with their notes, pictures by their anchors); a copied sheet holds
// copies of its own.
TEST(DrawingCorpus, RowsColumnsAndSheetCopiesCarryTheObjects)
{
    TTempDir tmp;
    for (const char* name : {"lo_rich_notes_links_pictures.xls", "gnm_features.xls", "lo_charts.xls", "poi_comments.xls",
                             "poi_pictures.xls"}) {
        SCOPED_TRACE(name);
        TXLSFile xls(nullptr, true);
        xls.Connect();
        xls.OpenFile((fs::path(kCorpus) / "gen" / name).string());
        TWorkbook& book = xls.Workbook();
        for (std::int32_t sheet = 1; sheet <= xls.SheetCount(); ++sheet) {
            if (!book.IsWorksheet(sheet - 1) || !book.GetWorkSheets(sheet - 1).Drawing().HasTree()) continue;
            xls.SetActiveSheet(sheet);
            TWorkSheet& ws = book.GetWorkSheets(sheet - 1);
            std::vector<std::pair<std::int32_t, std::int32_t>> cells;  // of the notes, 0-based
            for (std::size_t r = 0; r < ws.Notes().Count(); ++r)
                for (std::size_t i = 0; i < ws.Notes().NoteRow(r)->Count(); ++i)
                    cells.emplace_back(std::int32_t(r), ws.Notes().NoteRow(r)->Items(i)->Column());
            std::vector<TClientAnchor> anchors;
            for (std::size_t i = 0; i < ws.Drawing().DrawingCount(); ++i) anchors.push_back(ws.Drawing().GetAnchor(i));
            const std::size_t objects = ws.Drawing().ObjectCount();

            // Two empty rows above and an empty column left of everything.
            xls.InsertAndCopyRows(1000, 1000, 1, 2, false);
            xls.InsertAndCopyCols(200, 200, 1, 1, false);
            for (const auto& [row, col] : cells) EXPECT_TRUE(ws.Notes().FindNote(row + 2, col + 1)) << row << " " << col;
            for (std::size_t i = 0; i < anchors.size(); ++i) {
                if (anchors[i].Flag == 3) continue;
                EXPECT_EQ(ws.Drawing().GetAnchor(i).Row1, anchors[i].Row1 + 2);
                EXPECT_EQ(ws.Drawing().GetAnchor(i).Col1, anchors[i].Col1 + 1);
            }
            EXPECT_EQ(ws.Drawing().ObjectCount(), objects);

            xls.InsertAndCopySheets(sheet, sheet + 1, 1);
            TWorkSheet& copy = book.GetWorkSheets(sheet);
            EXPECT_EQ(copy.Drawing().ObjectCount(), objects);
            EXPECT_EQ(copy.Notes().NoteCount(), cells.size());
            ++sheet;  // past the copy
        }
        const fs::path out = tmp / name;
        xls.Save(true, out.string(), nullptr, nullptr, nullptr);
        xls.Disconnect();
        EXPECT_EQ(EscherCheck(out), "ok\n");
        EXPECT_EQ(RunPython("xlrd_dump.py", out).Code, 0);
    }
}

namespace {

// An A1 reference ("C7") moved by rows and columns.
std::string Moved(const std::string& aRef, std::int32_t aRows, std::int32_t aCols)
{
    std::size_t letters = 0;
    while (letters < aRef.size() && aRef[letters] >= 'A' && aRef[letters] <= 'Z') ++letters;
    std::uint32_t col = 0;
    for (std::size_t i = 0; i < letters; ++i) col = col * 26 + std::uint32_t(aRef[i] - 'A' + 1);
    const auto row = static_cast<std::uint32_t>(std::stoul(aRef.substr(letters)));
    return xlstool::A1Reference(row - 1 + std::uint32_t(aRows), col - 1 + std::uint32_t(aCols));
}

// L and K lines with their cells moved: "L\tSheet!A1:B2\t..." and "K\tSheet!C3\t...".
std::string MovedLines(const std::string& aLines, std::int32_t aRows, std::int32_t aCols)
{
    std::string out;
    std::size_t start = 0;
    for (std::size_t end; (end = aLines.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = aLines.substr(start, end - start);
        const std::size_t bang = line.find('!'), tab = line.find('\t', bang);
        std::string area = line.substr(bang + 1, tab - bang - 1);
        const std::size_t colon = area.find(':');
        area = colon == std::string::npos ? Moved(area, aRows, aCols)
                                          : Moved(area.substr(0, colon), aRows, aCols) + ":" +
                                                Moved(area.substr(colon + 1), aRows, aCols);
        out += line.substr(0, bang + 1) + area + line.substr(tab) + "\n";
    }
    return out;
}

}  // namespace

// Two rows inserted above and a column left of everything on every sheet:
// every link and comment moves by them, as the feature dump shows.
TEST(DrawingCorpus, RowsAndColumnsMoveLinksAndComments)
{
    TTempDir tmp;
    for (const char* name : {"lo_rich_notes_links_pictures.xls", "gnm_features.xls", "poi_comments.xls", "poi_hyperlinks.xls"}) {
        SCOPED_TRACE(name);
        const fs::path source = fs::path(kCorpus) / "gen" / name;
        TXLSFile xls(nullptr, true);
        xls.Connect();
        xls.OpenFile(source.string());
        for (std::int32_t sheet = 1; sheet <= xls.SheetCount(); ++sheet) {
            if (!xls.IsWorksheet(sheet)) continue;
            xls.SetActiveSheet(sheet);
            xls.InsertAndCopyRows(1000, 1000, 1, 2, false);
            xls.InsertAndCopyCols(200, 200, 1, 1, false);
        }
        const fs::path out = tmp / name;
        xls.Save(true, out.string(), nullptr, nullptr, nullptr);
        xls.Disconnect();
        EXPECT_EQ(RunXlsTool({"features", "--kinds", "L,K", out.string()}).Out,
                  MovedLines(ReferenceLines(source, "LK"), 2, 1));
        EXPECT_EQ(RunXlsTool({"features", "--kinds", "P", out.string()}).Out, ReferenceLines(source, "P"));
        EXPECT_EQ(EscherCheck(out), "ok\n");
    }
}
