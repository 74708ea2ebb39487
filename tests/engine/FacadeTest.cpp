// The file interface: open, change and save workbook files the way the tag
// station does, the save formats and callbacks, failures that must leave the
// user's file intact, and the operations this build does not model.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "FacadeTestSupport.h"
#include "RecordTestSupport.h"
#include "cfb/USafeFileSave.h"
#include "facade/UExcelRecords.h"
#include "facade/UXlsEmptyTemplate.h"
#include "facade/XLSAdapter.h"

namespace {

using namespace factest;
using namespace xls;
using rectest::RunPython;

const fs::path kCorpus = rectest::kCorpus;

std::string TextOf(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& l : lines) text += l + "\n";
    return text;
}

std::string ErrorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

// Row and column (both from 1) of an A1 reference.
std::pair<int, int> RowColOf(const std::string& ref)
{
    int col = 0;
    std::size_t i = 0;
    for (; i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z'; ++i) col = col * 26 + (ref[i] - 'A' + 1);
    return {std::stoi(ref.substr(i)), col};
}

// The expected dump after cells of the first worksheet were set: its other
// lines stay, the set cells replace or join them in row and column order.
std::string DumpWithCells(const std::string& dump, const std::map<std::string, std::string>& cells)
{
    const std::vector<std::string> lines = Lines(dump);
    std::string firstSheet;
    for (const auto& l : lines)
        if (l.starts_with("#sheet\t0\t")) firstSheet = l.substr(9, l.find('\t', 9) - 9);
    const std::string prefix = firstSheet + "!";

    std::map<std::pair<int, int>, std::string> sheetLines;
    std::vector<std::string> rest;
    for (const auto& l : lines) {
        if (l.starts_with(prefix))
            sheetLines[RowColOf(l.substr(prefix.size(), l.find('\t') - prefix.size()))] = l;
        else
            rest.push_back(l);
    }
    for (const auto& [ref, valueText] : cells) sheetLines[RowColOf(ref)] = prefix + ref + "\t" + valueText;
    std::vector<std::string> out;
    for (const auto& [pos, l] : sheetLines) out.push_back(l);
    out.insert(out.end(), rest.begin(), rest.end());
    return Joined(out);
}

// Every stream of the compound file but the workbook's: its path and type
// and size as xlstool lists them, and its bytes.
struct TOtherStreams {
    std::vector<std::string> Listing;
    std::map<std::u16string, TBytes> Contents;
    bool operator==(const TOtherStreams&) const = default;
};

TOtherStreams OtherStreamsOf(const fs::path& file)
{
    TOtherStreams streams;
    for (const std::string& line : Lines(rectest::RunXlsTool({"streams", file.string()}).Out)) {
        const auto fields = line.substr(line.find('\t') + 1);  // without the entry's index
        const auto name = fields.substr(fields.rfind('/') + 1);
        if (!rectest::IsWorkbookStreamName(Utf8ToUtf16(name))) streams.Listing.push_back(fields);
    }
    std::sort(streams.Listing.begin(), streams.Listing.end());
    TMemoryStream bytes(FileBytes(file));
    TOle2File ole(bytes);
    for (const TOle2Directory& entry : ole.ReadDirectory())
        if (entry.ObjType() == STGTY_STREAM && !rectest::IsWorkbookStreamName(entry.Name()))
            streams.Contents[entry.Name()] = ole2test::ReadWholeStream(ole, entry.Name());
    return streams;
}

// The tag station's entry: open, write the chip number and the UID text into
// the first sheet, save over the same file.
void EnterTag(const fs::path& file, std::int32_t row, std::int32_t col)
{
    TXLSAdapter adapter;
    TXLSFile xls(&adapter, true);
    xls.Connect();
    xls.OpenFile(file.string());
    xls.SetActiveSheet(1);
    xls.SetCellString(row, col, u"4022250974", u"", u"");
    xls.SetCellString(row, col + 1, u"DE AD BE EF", u"", u"");
    xls.Save(true, file.string(), nullptr, nullptr, nullptr);
    xls.Disconnect();
}

bool FirstSheetIsWorksheet(const fs::path& file)
{
    TXLSFile xls(nullptr);
    xls.Connect();
    xls.OpenFile(file.string());
    return xls.IsWorksheet(1);
}

TEST(TagStationEntry, EveryCorpusWorkbookTakesTheTagAndKeepsEverythingElse)
{
    int checked = 0;
    for (const fs::path& original : rectest::ReadableCorpusFiles()) {
        SCOPED_TRACE(original.filename().string());
        if (!FirstSheetIsWorksheet(original)) continue;
        TTempDir dir;
        const fs::path file = dir / original.filename().string();
        fs::copy_file(original, file);

        EnterTag(file, 7, 3);

        const auto dump = RunPython("xlrd_dump.py", file.string());
        ASSERT_EQ(dump.Code, 0);
        const std::string expected = TextOf(kCorpus / "expected" / (original.filename().string() + ".dump"));
        EXPECT_EQ(dump.Out, DumpWithCells(expected, {{"C7", "n\t4022250974.0"}, {"D7", "s\tDE AD BE EF"}}));
        EXPECT_TRUE(OtherStreamsOf(file) == OtherStreamsOf(original));
        EXPECT_EQ(dir.Names(), std::vector<std::string>{file.filename().string()});
        ++checked;
    }
    EXPECT_GE(checked, 40);
}

TEST(TagStationEntry, ColumnOWritesIntoOAndPAndAgainReplacesTheValues)
{
    TTempDir dir;
    const fs::path file = dir / "tags.xls";
    fs::copy_file(kCorpus / "gen" / "poi_tiny.xls", file);
    EnterTag(file, 2, 15);
    EnterTag(file, 2, 15);
    EXPECT_EQ(RunPython("xlrd_dump.py", file.string()).Out,
              "Tabelle1!A1\tn\t4022250974.0\nTabelle1!O2\tn\t4022250974.0\nTabelle1!P2\ts\tDE AD BE EF\n"
              "#sheet\t0\tTabelle1\tvisible\n");
}

// ---------------------------------------------------------------------------
// Opening

TEST(FileInterface, OpeningAMissingFileNamesIt)
{
    TTempDir dir;
    const std::string missing = (dir / "missing.xls").string();
    TXLSAdapter adapter;
    TXLSFile xls(&adapter);
    xls.Connect();
    EXPECT_EQ(ErrorOf([&] { xls.OpenFile(missing); }),
              "Can't open file \"" + missing + "\": No such file or directory");
    EXPECT_EQ(ErrorOf([&] { xls.OpenFileAndSearch(missing); }), "Can't find the file \"" + missing + "\"");

    const std::string notAWorkbook = (dir / "notes.xls").string();
    std::ofstream(notAWorkbook) << "not a compound file";
    EXPECT_EQ(ErrorOf([&] { xls.OpenFile(notAWorkbook); }), "The file \"" + notAWorkbook + "\" is invalid");
}

TEST(FileInterface, OpenFileAndSearchLooksInTheBaseFolderThenBesideTheProgram)
{
    TTempDir dir;
    fs::copy_file(kCorpus / "gen" / "poi_tiny.xls", dir / "base.xls");
    TXLSAdapter adapter;
    TXLSFile xls(&adapter);
    xls.Connect();

    adapter.BasePathToOpen = dir.Path().string();
    xls.OpenFileAndSearch("base.xls");
    EXPECT_EQ(xls.ActiveSheetName(), u"Tabelle1");
    EXPECT_EQ(ErrorOf([&] { xls.OpenFileAndSearch("other.xls"); }),
              "Can't find the file \"" + (dir / "other.xls").string() + "\"");

    // Without a base folder: the folder of the program (this test binary).
    adapter.BasePathToOpen = "  ";
    const fs::path besideProgram = testproc::TestProgramPath().parent_path() / "facade_search_test.xls";
    fs::copy_file(kCorpus / "gen" / "poi_values.xls", besideProgram, fs::copy_options::overwrite_existing);
    const std::string found = ErrorOf([&] { xls.OpenFileAndSearch("facade_search_test.xls"); });
    const std::string name = xls.ActiveSheetName() == u"Werte" ? "" : "wrong workbook";
    fs::remove(besideProgram);
    EXPECT_EQ(found + name, "");
    EXPECT_EQ(ErrorOf([&] { xls.OpenFileAndSearch("facade_search_test.xls"); }),
              "Can't find the file \"facade_search_test.xls\"");
}

class TMemoryTemplateStore final : public TXlsBaseTemplateStore {
public:
    TBytes GetStoredFile(const std::string& Name) override
    {
        if (Name != "empty") RaiseXls(TXlsMsg::CantFindFile, {Name});
        return EmptyWorkbookTemplate();
    }
};

TEST(FileInterface, ATemplateStoreServesTheFileUntilItIsGone)
{
    TXLSAdapter adapter;
    auto store = std::make_shared<TMemoryTemplateStore>();
    adapter.SetTemplateStore(store);
    TXLSFile xls(&adapter);
    xls.Connect();
    xls.OpenFile("empty");
    EXPECT_EQ(xls.SheetCount(), 1);
    EXPECT_EQ(xls.ActiveSheetName(), u"Sheet1");
    EXPECT_EQ(ErrorOf([&] { xls.OpenFile("other"); }), "Can't find the file \"other\"");
    store.reset();
    EXPECT_EQ(adapter.TemplateStore(), nullptr);
    EXPECT_EQ(ErrorOf([&] { xls.OpenFile("empty"); }), "Can't open file \"empty\": No such file or directory");
}

TEST(FileInterface, AFailedLoadKeepsTheWorkbookThatWasOpen)
{
    TTempDir dir;
    const fs::path file = dir / "book.xls";
    fs::copy_file(kCorpus / "gen" / "poi_tiny.xls", file);
    TXLSFile xls(nullptr, true);
    xls.Connect();
    xls.OpenFile(file.string());
    for (const char* bad : {"real/corrupted_error.xls", "gen/poi_encrypted.xls", "real/biff4_no_format_no_window2.xls"})
        EXPECT_NE(ErrorOf([&] { xls.OpenFile((kCorpus / bad).string()); }), "") << bad;
    xls.SetCellString(2, 1, u"x", u"", u"");
    xls.Save(true, file.string(), nullptr, nullptr, nullptr);
    EXPECT_EQ(RunPython("xlrd_dump.py", file.string()).Out,
              "Tabelle1!A1\tn\t4022250974.0\nTabelle1!A2\ts\tx\n#sheet\t0\tTabelle1\tvisible\n");
}

// The workbook's records under "Workbook" or, as BIFF5 named the stream,
// "Book", letters in any case; saved back under the name they had. Beside a
// Workbook stream, a Book stream (the BIFF5 copy some writers add) is kept
// as it is.
TEST(FileInterface, TheWorkbookStreamIsFoundUnderEitherNameAndKeepsIt)
{
    using ole2test::TTestEntry;
    const TBytes biff8 = ole2test::ReadStreamOf(EmptyWorkbookTemplate(), u"Workbook");
    const TBytes other = ole2test::Pattern(5000, 7);
    const struct {
        std::vector<TTestEntry> Streams;
        std::u16string Written;  // the stream written anew
    } cases[] = {
        {{{u"Book", STGTY_STREAM, biff8}}, u"Book"},
        {{{u"BOOK", STGTY_STREAM, biff8}}, u"BOOK"},
        {{{u"WORKBOOK", STGTY_STREAM, biff8}}, u"WORKBOOK"},
        {{{u"Book", STGTY_STREAM, other}, {u"Workbook", STGTY_STREAM, biff8}}, u"Workbook"},
    };
    for (const auto& c : cases) {
        std::vector<TTestEntry> entries{ole2test::Root()};
        entries.insert(entries.end(), c.Streams.begin(), c.Streams.end());
        TMemoryStream in(ole2test::BuildCompoundFile(ole2test::FlatTree(entries)).Bytes);
        TXLSFile xls(nullptr, true);
        xls.Connect();
        xls.LoadFromStream(in);
        xls.SetCellString(1, 1, u"4022250974", u"", u"");
        TMemoryStream out;
        xls.Save(true, {}, nullptr, nullptr, &out);

        TMemoryStream saved(out.Bytes());
        TOle2File ole(saved);
        std::vector<std::u16string> names;
        for (const TOle2Directory& e : ole.ReadDirectory())
            if (e.ObjType() == STGTY_STREAM) names.push_back(e.Name());
        std::vector<std::u16string> expected;
        for (const TTestEntry& e : c.Streams) expected.push_back(e.Name);
        EXPECT_EQ(names, expected) << Utf16ToUtf8(c.Written);
        for (const TTestEntry& e : c.Streams) {
            if (e.Name == c.Written) continue;
            EXPECT_EQ(ole2test::ReadWholeStream(ole, e.Name), e.Data);
        }
        TXLSFile again(nullptr);
        again.Connect();
        TMemoryStream reread(out.Bytes());
        again.LoadFromStream(reread);
        EXPECT_EQ(again.GetCellValue(1, 1), TXlsVariant(4022250974.0)) << Utf16ToUtf8(c.Written);
    }

    // A BIFF5 workbook under its own name is refused as such.
    TBytes biff5 = biff8;
    SetWord(biff5, 4, 0x0500);
    TMemoryStream old(ole2test::BuildCompoundFile(ole2test::FlatTree({ole2test::Root(), {u"Book", STGTY_STREAM, biff5}})).Bytes);
    TXLSFile xls(nullptr);
    xls.Connect();
    EXPECT_EQ(ErrorOf([&] { xls.LoadFromStream(old); }),
              R"(Template file is saved with an invalid Excel version (stream "Book", record BOF (0x0809) at offset 0))");
}

TEST(FileInterface, EveryOperationNeedsAConnectedWorkbook)
{
    TXLSFile xls(nullptr);
    const std::string message = "No workbook is connected to the file object";
    const std::string file = (kCorpus / "gen" / "poi_tiny.xls").string();
    EXPECT_EQ(ErrorOf([&] { xls.OpenFile(file); }), message + " (file \"" + file + "\")");
    EXPECT_EQ(ErrorOf([&] { xls.SheetCount(); }), message);
    EXPECT_EQ(ErrorOf([&] { xls.NewFile(1); }), message);
    xls.Connect();
    xls.NewFile(1);
    xls.Disconnect();
    EXPECT_EQ(ErrorOf([&] { xls.GetCellValue(1, 1); }), message);
}

// ---------------------------------------------------------------------------
// Sheets and cells

TEST(FileInterface, ActiveSheetIsTheSheetTheFileShowsAndIsNotValidatedUntilUsed)
{
    TTempDir dir;
    const fs::path file = dir / "book.xls";
    TXLSFile xls(nullptr, true);
    xls.Connect();
    xls.NewFile(3);
    EXPECT_EQ(xls.ActiveSheet(), 1);
    xls.SelectSheet(2);
    EXPECT_EQ(xls.ActiveSheet(), 1);  // selecting changes what the file shows, not the sheet addressed
    xls.Save(true, file.string(), nullptr, nullptr, nullptr);
    xls.OpenFile(file.string());
    EXPECT_EQ(xls.ActiveSheet(), 2);
    EXPECT_EQ(xls.ActiveSheetName(), u"Sheet2");

    xls.SetActiveSheet(4);
    EXPECT_EQ(xls.ActiveSheet(), 4);
    EXPECT_EQ(ErrorOf([&] { xls.SetCellValue(1, 1, 1.0); }), "Sheet number \"4\" invalid. Must be between 1 and 3");
    xls.SetActiveSheet(0);
    EXPECT_EQ(ErrorOf([&] { xls.GetCellValue(1, 1); }), "Sheet number \"0\" invalid. Must be between 1 and 3");
}

TEST(FileInterface, CellsOutsideTheSheetAreRefused)
{
    TXLSFile xls(nullptr);
    xls.Connect();
    xls.NewFile(1);
    const struct {
        std::int32_t Row, Col;
        const char* Message;
    } cases[] = {
        {65537, 1, "Invalid Row (65536)"},
        {0, 1, "Invalid Row (-1)"},
        {1, 257, "Invalid Column (256)"},
        {1, 0, "Invalid Column (-1)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ErrorOf([&] { xls.SetCellString(c.Row, c.Col, u"4022250974", u"", u""); }), c.Message);
        EXPECT_EQ(ErrorOf([&] { xls.SetCellString(c.Row, c.Col, u"text", u"", u""); }), c.Message);
        EXPECT_EQ(ErrorOf([&] { xls.GetCellValue(c.Row, c.Col); }), c.Message);
    }
    xls.SetCellString(65536, 256, u"last", u"", u"");
    EXPECT_EQ(xls.GetCellValue(65536, 256), TXlsVariant(TXlsString(u"last")));
    EXPECT_EQ(xls.MaxRow(), 65536);
    EXPECT_EQ(xls.MaxCol(), 256);
}

TEST(FileInterface, ValuesAndFormatsByRowAndColumnCountFromOne)
{
    TXLSFile xls(nullptr);
    xls.Connect();
    xls.NewFile(1);
    xls.SetCellValue(2, 3, 42.5);
    xls.SetCellValue(2, 1, TXlsString(u"a"));
    EXPECT_EQ(xls.GetCellValue(2, 3), TXlsVariant(42.5));
    EXPECT_TRUE(VarIsEmpty(xls.GetCellValue(3, 2)));
    EXPECT_EQ(xls.GetCellFormat(3, 2), -1);
    EXPECT_EQ(xls.GetCellFormat(2, 3), xls.DefaultFormatId());

    TTbrFormat percent = xls.GetFormatList(xls.GetCellFormat(2, 3));
    percent.Format = u"0.0%";
    const std::int32_t xf = xls.AddFormat(percent);
    EXPECT_EQ(xls.AddFormat(percent), xf);
    xls.SetCellFormat(2, 3, xf);
    EXPECT_EQ(xls.GetFormatList(xls.GetCellFormat(2, 3)).Format, u"0.0%");
    EXPECT_EQ(xls.GetFormatList(-5), xls.GetFormatList(0));
    EXPECT_EQ(xls.GetFormatList(xls.FormatListCount()), xls.GetFormatList(0));

    EXPECT_EQ(xls.ColIndexCount(2), 2);
    EXPECT_EQ(xls.ColByIndex(2, 2), 3);
    EXPECT_EQ(xls.ColIndex(2, 3), 2);
    EXPECT_EQ(xls.ColIndex(2, 2), 0);
    EXPECT_TRUE(xls.IsEmptyRow(1));
    EXPECT_EQ(xls.MaxRow(), 2);
    EXPECT_EQ(xls.MaxCol(), 3);
}

TEST(FileInterface, FontsPaletteSettingsAndBreaksReachTheWorkbook)
{
    TTempDir dir;
    const fs::path file = dir / "book.xls";
    TXLSFile xls(nullptr, true);
    xls.Connect();
    xls.NewFile(2);

    TTbrFont font = xls.GetFontList(0);
    font.Name = u"Courier New";
    font.Size20 = 240;
    const std::int32_t fonts = xls.FontListCount();
    const std::int32_t position = xls.AddFont(font);
    EXPECT_EQ(position, fonts);
    EXPECT_EQ(xls.FontListCount(), fonts + 1);
    EXPECT_EQ(xls.GetFontList(position), font);
    EXPECT_EQ(xls.AddFont(font), position);
    font.Size20 = 280;
    xls.SetFontList(position, font);
    EXPECT_EQ(xls.GetFontList(position).Size20, 280);

    EXPECT_EQ(xls.GetColorPalette(3), 0x0000FFu);  // BIFF8 colour 10: red
    xls.SetColorPalette(3, 0x123456u);
    EXPECT_EQ(xls.GetColorPalette(3), 0x123456u);
    EXPECT_EQ(xls.GetUsedPaletteColors().size(), 57u);

    xls.SetOptions1904Dates(true);
    xls.SetOptionsPrecisionAsDisplayed(true);
    xls.SetActiveSheet(2);
    xls.SetActiveSheetName(u"Zweites");
    xls.SetActiveSheetVisible(TXlsSheetVisible::sv_Hidden);
    xls.InsertHPageBreak(5);
    xls.InsertVPageBreak(3);
    EXPECT_TRUE(xls.HasHPageBreak(5));
    EXPECT_FALSE(xls.HasHPageBreak(6));
    xls.DeleteVPageBreak(3);
    EXPECT_FALSE(xls.HasVPageBreak(3));
    EXPECT_EQ(xls.DefaultRowHeight(), 255);
    xls.Save(true, file.string(), nullptr, nullptr, nullptr);

    TXLSFile back(nullptr);
    back.Connect();
    back.OpenFile(file.string());
    EXPECT_TRUE(back.Options1904Dates());
    EXPECT_TRUE(back.OptionsPrecisionAsDisplayed());
    EXPECT_EQ(back.GetColorPalette(3), 0x123456u);
    EXPECT_EQ(back.GetFontList(position).Name, u"Courier New");
    back.SetActiveSheet(2);
    EXPECT_EQ(back.ActiveSheetName(), u"Zweites");
    EXPECT_EQ(back.ActiveSheetVisible(), TXlsSheetVisible::sv_Hidden);
    EXPECT_TRUE(back.HasHPageBreak(5));
    EXPECT_EQ(RunPython("xlrd_dump.py", file.string()).Out,
              "#sheet\t0\tSheet1\tvisible\n#sheet\t1\tZweites\thidden\n");
}

TEST(FileInterface, RowsColumnsAndSheetsGoThroughTheWorkbook)
{
    TTempDir dir;
    const fs::path file = dir / "book.xls";
    TXLSFile xls(nullptr, true);
    xls.Connect();
    xls.NewFile(2);
    xls.SetCellValue(1, 1, 1.0);
    xls.SetCellValue(2, 1, 2.0);
    xls.SetCellValue(1, 2, 3.0);
    xls.InsertAndCopyRows(1, 1, 2, 2, false);  // two copies of row 1 before row 2
    xls.InsertAndCopyCols(2, 2, 1, 1, false);  // a copy of column B before column A
    xls.DeleteRows(4, 1);                       // the old row 2
    xls.InsertAndCopySheets(1, 3, 1);           // a copy of sheet 1 behind sheet 2, named "Sheet"
    xls.SetActiveSheet(2);
    xls.DeleteSheet(1);
    EXPECT_EQ(xls.SheetCount(), 2);
    xls.SetActiveSheet(1);
    xls.Save(true, file.string(), nullptr, nullptr, nullptr);
    const auto dump = RunPython("xlrd_dump.py", file.string());
    EXPECT_EQ(dump.Out,
              "Sheet1!A1\tn\t3.0\nSheet1!B1\tn\t1.0\nSheet1!C1\tn\t3.0\nSheet1!A2\tn\t3.0\nSheet1!B2\tn\t1.0\n"
              "Sheet1!C2\tn\t3.0\nSheet1!A3\tn\t3.0\nSheet1!B3\tn\t1.0\nSheet1!C3\tn\t3.0\n"
              "Sheet!A1\tn\t3.0\nSheet!B1\tn\t1.0\nSheet!C1\tn\t3.0\nSheet!A2\tn\t3.0\nSheet!B2\tn\t1.0\n"
              "Sheet!C2\tn\t3.0\nSheet!A3\tn\t3.0\nSheet!B3\tn\t1.0\nSheet!C3\tn\t3.0\n"
              "#sheet\t0\tSheet1\tvisible\n#sheet\t1\tSheet\tvisible\n");
}

TEST(FileInterface, DeletingSheetsKeepsTheShownSheetInTheWorkbook)
{
    const struct {
        std::int32_t Shown, First, Count, ShownAfter;
        std::int32_t Hidden = 0;
    } cases[] = {
        {3, 1, 1, 2},     // behind the deleted sheet: moves along
        {1, 2, 2, 1},     // before it: stays
        {2, 2, 1, 2},     // the deleted sheet itself: the next one
        {3, 2, 2, 1},     // the deleted sheet, with none behind it: the new last one
        {1, 1, 1, 2, 2},  // the next one is hidden: the next visible one
        {3, 3, 1, 1, 2},  // none visible behind it: the last visible one before
    };
    for (const auto& c : cases) {
        TXLSFile xls(nullptr);
        xls.Connect();
        xls.NewFile(3);
        if (c.Hidden) {
            xls.SetActiveSheet(c.Hidden);
            xls.SetActiveSheetVisible(TXlsSheetVisible::sv_Hidden);
        }
        xls.SelectSheet(c.Shown);
        xls.SetActiveSheet(c.First);
        xls.DeleteSheet(c.Count);
        EXPECT_EQ(xls.Workbook().ActiveSheet() + 1, c.ShownAfter) << c.Shown << " " << c.First;
        EXPECT_TRUE(xls.Workbook().Sheets().Items(std::size_t(c.ShownAfter - 1))->Selected());
        TMemoryStream saved;
        xls.Save(true, "", nullptr, nullptr, &saved);
    }

    // The last visible sheets stay.
    TXLSFile xls(nullptr);
    xls.Connect();
    xls.NewFile(3);
    xls.SetActiveSheet(3);
    xls.SetActiveSheetVisible(TXlsSheetVisible::sv_VeryHidden);
    xls.SetActiveSheet(1);
    EXPECT_EQ(ErrorOf([&] { xls.DeleteSheet(2); }), "There are not visible sheets on the file");
    EXPECT_EQ(xls.SheetCount(), 3);
}

TEST(FileInterface, OnAChartSheetCellOperationsChangeNothing)
{
    TXLSFile xls(nullptr);
    xls.Connect();
    xls.OpenFile((kCorpus / "gen" / "gnm_chart_sheet.xls").string());
    std::int32_t chart = 0;
    for (std::int32_t i = 1; i <= xls.SheetCount(); ++i)
        if (!xls.IsWorksheet(i)) chart = i;
    ASSERT_NE(chart, 0);
    xls.SetActiveSheet(chart);
    const std::int32_t formats = xls.FormatListCount();
    xls.SetCellString(1, 1, u"12,5%", u"", u"");
    xls.SetCellString(1, 2, u"text", u"", u"");
    xls.SetCellValue(1, 3, 1.0);
    xls.DeleteRows(1, 1);
    EXPECT_FALSE(xls.IsFileModified());
    EXPECT_EQ(xls.FormatListCount(), formats);
    EXPECT_TRUE(VarIsEmpty(xls.GetCellValue(1, 1)));
    EXPECT_EQ(xls.GetCellFormat(1, 1), -1);
    EXPECT_EQ(xls.MaxRow(), 0);
}

TEST(FileInterface, OperationsOnPartsThisBuildDoesNotModelSaySo)
{
    TXLSFile xls(nullptr);
    xls.Connect();
    xls.NewFile(1);
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"AutofitRow", [&] { xls.AutofitRow(1, 2, true, true, 1.0); }},
        {"CopyToClipboard", [&] { xls.CopyToClipboard(); }},
    };
    for (const auto& [name, call] : cases)
        EXPECT_EQ(ErrorOf(call), std::string(name) + " is not available in this build");
    EXPECT_FALSE(xls.IsFileModified());
}

// ---------------------------------------------------------------------------
// Saving

TEST(FileInterface, NewFileIsTheTemplateWithItsSheets)
{
    TXLSFile one(nullptr);
    one.Connect();
    one.NewFile(1);
    TMemoryStream saved;
    one.Save(true, "", nullptr, nullptr, &saved);
    EXPECT_EQ(saved.Bytes().size(), EmptyWorkbookTemplate().size());

    TXLSFile three(nullptr);
    three.Connect();
    three.NewFile(3);
    EXPECT_EQ(three.SheetCount(), 3);
    for (std::int32_t i = 1; i <= 3; ++i) {
        three.SetActiveSheet(i);
        EXPECT_EQ(three.ActiveSheetName(), u"Sheet" + TXlsString(1, char16_t(u'0' + i)));
        EXPECT_TRUE(three.IsWorksheet(i));
        // Only the first sheet is selected (several would open as a group).
        EXPECT_EQ(three.Workbook().Sheets().Items(std::size_t(i - 1))->Selected(), i == 1);
    }
}

TEST(FileInterface, SaveFollowsTheAdaptersFormatsAndTheOverwriteRule)
{
    TTempDir dir;
    const fs::path file = dir / "book.xls";
    TXLSAdapter adapter;
    auto xls = adapter.GetWorkbook();
    xls->Connect();
    xls->NewFile(1);

    adapter.SaveFormat = {};
    xls->Save(true, file.string(), nullptr, nullptr, nullptr);
    EXPECT_FALSE(fs::exists(file));

    adapter.SaveFormat = {TExcelSaveFormatNative::snCSVComma};
    xls->Save(true, file.string(), nullptr, nullptr, nullptr);
    EXPECT_FALSE(fs::exists(file));

    // The text formats write nothing, and so do not stand in the way either.
    adapter.SaveFormat = {TExcelSaveFormatNative::snCSVComma, TExcelSaveFormatNative::snXLS,
                          TExcelSaveFormatNative::snTabDelimited};
    xls->Save(true, file.string(), nullptr, nullptr, nullptr);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"book.xls"});

    // Not allowed to overwrite (the adapter's default).
    const TBytes before = FileBytes(file);
    xls->SetCellValue(1, 1, 1.0);
    EXPECT_EQ(ErrorOf([&] { xls->Save(true, file.string(), nullptr, nullptr, nullptr); }),
              "Can't write to file \"" + file.string() + "\". Check it is not in use by another user");
    EXPECT_EQ(FileBytes(file), before);

    // The callbacks: a stream wins over a name.
    TMemoryStream stream;
    std::vector<TExcelSaveFormatNative> asked;
    xls->Save(true, file.string(), nullptr,
              [&](TExcelFile&, TExcelSaveFormatNative f, TStream*& out) {
                  asked.push_back(f);
                  out = &stream;
              },
              nullptr);
    EXPECT_EQ(asked, std::vector<TExcelSaveFormatNative>{TExcelSaveFormatNative::snXLS});
    EXPECT_GT(stream.Size(), 0);
    EXPECT_EQ(FileBytes(file), before);

    const auto rename = [&](TExcelFile&, TExcelSaveFormatNative, std::string& name) { name += ".new"; };
    const auto noStream = [](TExcelFile&, TExcelSaveFormatNative, TStream*&) {};
    xls->Save(true, file.string(), rename, noStream, nullptr);
    EXPECT_EQ(FileBytes(dir / "book.xls.new"), stream.Bytes());
    EXPECT_EQ(ErrorOf([&] { xls->Save(true, file.string(), rename, noStream, nullptr); }),
              "Can't write to file \"" + file.string() + ".new\". Check it is not in use by another user");
}

// A save that fails part way, at any point, leaves the file as it was, leaves
// no temporary file, and the workbook can still be saved.
TEST(FileInterface, AWriteFailingPartWayLeavesTheFileIntact)
{
    TTempDir dir;
    const fs::path file = dir / "book.xls";
    fs::copy_file(kCorpus / "gen" / "poi_values.xls", file);
    const TBytes original = FileBytes(file);
    TXLSFile xls(nullptr, true);
    xls.Connect();
    xls.OpenFile(file.string());
    xls.SetCellString(7, 3, u"4022250974", u"", u"");

    TMemoryStream full;
    xls.Save(true, "", nullptr, nullptr, &full);
    const auto size = static_cast<std::int64_t>(full.Bytes().size());
    for (const std::int64_t limit : {std::int64_t(0), std::int64_t(511), std::int64_t(512), size / 2, size - 1}) {
        const std::string error = ErrorOf([&] {
            SaveFileSafely(file.string(), [&](TStream& out) {
                TFailingStream failing(out, limit);
                xls.Save(true, "", nullptr, nullptr, &failing);
            });
        });
        EXPECT_EQ(error, "I/O error on file \"injected\": No space left on device") << limit;
        EXPECT_EQ(FileBytes(file), original) << limit;
        EXPECT_EQ(dir.Names(), std::vector<std::string>{"book.xls"}) << limit;
    }
    xls.Save(true, file.string(), nullptr, nullptr, nullptr);
    EXPECT_EQ(FileBytes(file), full.Bytes());
}

}  // namespace
