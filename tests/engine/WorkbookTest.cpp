// The workbook container: splitting a Workbook stream into sections, the
// save steps that make the sections agree (code names, shared strings, sheet
// offsets, visibility), and the operations on rows, columns and sheets.
#include <gtest/gtest.h>

#include "WorkbookTestSupport.h"
#include "base/UXlsUnicode.h"

using namespace booktest;

namespace {

struct TSheetDef {
    std::string Name;
    std::uint16_t Options = 0;  // BOUNDSHEET option word: visibility, kind
    TBytes Section;
};

TBytes Book(const std::vector<TSheetDef>& aSheets, std::initializer_list<TBytes> aGlobals = {},
            std::uint16_t aFirstTab = 0)
{
    TBytes s = Rec(xlr_BOF, BofGlobals());
    for (const TBytes& r : aGlobals) s.insert(s.end(), r.begin(), r.end());
    const TBytes window = Rec(0x003D, Window1Body(0, 0x3000, aFirstTab));
    s.insert(s.end(), window.begin(), window.end());
    for (const auto& sheet : aSheets) {
        const TBytes b = Rec(0x0085, BoundSheetBody(sheet.Name, sheet.Options));
        s.insert(s.end(), b.begin(), b.end());
    }
    const TBytes eof = Rec(xlr_EOF, {});
    s.insert(s.end(), eof.begin(), eof.end());
    for (const auto& sheet : aSheets) s.insert(s.end(), sheet.Section.begin(), sheet.Section.end());
    return s;
}

std::vector<std::uint32_t> Offsets(const TWorkbook& aBook)
{
    std::vector<std::uint32_t> offsets;
    const auto& list = aBook.Globals().BoundSheets().BoundSheets();
    for (std::size_t i = 0; i < list.Count(); ++i) offsets.push_back(list.Items(i)->Offset());
    return offsets;
}

TBytes CodeNameBody(std::string_view aName)
{
    return Str2(aName);
}

TBytes SheetWithCodeName(std::string_view aCodeName)
{
    return Section(kWorksheet, {Rec(0x023E, Window2Body(false)), Rec(0x01BA, CodeNameBody(aCodeName))});
}

std::vector<std::u16string> CodeNames(const TWorkbook& aBook)
{
    std::vector<std::u16string> names;
    for (std::size_t i = 0; i < aBook.Sheets().Count(); ++i) names.push_back(aBook.Sheets().Items(i)->CodeName());
    return names;
}

}  // namespace

TEST(Workbook, LoadsTheSectionsAndStopsAtTheZeroFill)
{
    const TBytes stream = Book({{"A", 0, SimpleSheet(true)}, {"B", 0, SimpleSheet()}});
    for (std::size_t padding : {std::size_t(0), std::size_t(3), std::size_t(4096)}) {
        TBytes padded = stream;
        padded.resize(stream.size() + padding, 0);
        TWorkbook book;
        LoadWorkbook(book, padded);
        EXPECT_EQ(book.Sheets().Count(), 2u) << padding;
        EXPECT_TRUE(book.IsWorksheet(1));
        EXPECT_FALSE(book.IsWorksheet(2));
        EXPECT_FALSE(book.IsWorksheet(-1));
    }

    // Whatever follows the last declared sheet is not read.
    TWorkbook book;
    LoadWorkbook(book, Cat({stream, Rec(0x1234, {1, 2, 3})}));
    EXPECT_EQ(book.Sheets().Count(), 2u);

    // Loading again replaces the content.
    LoadWorkbook(book, Book({{"Only", 0, SimpleSheet(true)}}));
    EXPECT_EQ(book.Sheets().Count(), 1u);
    EXPECT_EQ(book.Globals().SheetName(0), u"Only");
}

TEST(Workbook, SheetKindsFollowTheirBOF)
{
    TWorkbook book;
    LoadWorkbook(book, Book({{"W", 0, SimpleSheet(true)},
                             {"C", 0x0200, Section(kChart, {Rec(0x1002, TBytes(16, 0))})},
                             {"M", 0x0100, Section(kMacroSheet, {Rec(0x0200, TBytes(14, 0))})}}));
    ASSERT_EQ(book.Sheets().Count(), 3u);
    EXPECT_TRUE(dynamic_cast<const TWorkSheet*>(book.Sheets().Items(0)));
    EXPECT_TRUE(dynamic_cast<const TTbrChart*>(book.Sheets().Items(1)));
    EXPECT_TRUE(dynamic_cast<const TTbrUnsupportedSheet*>(book.Sheets().Items(2)));
    EXPECT_EQ(ErrorOf([&] { book.GetWorkSheets(1); }), R"(Sheet number "1" is not a worksheet)");
    EXPECT_EQ(ErrorOf([&] { book.GetWorkSheets(3); }), R"(Sheet number "3" invalid. Must be between 0 and 2)");
}

// Sheet i's offset is the globals' size plus the sizes of sheets 0 to i - 1,
// and a BOF record of the right kind lies there.
TEST(Workbook, BoundSheetOffsetsPointAtTheSheets)
{
    TWorkbook book;
    LoadWorkbook(book, Book({{"W", 0, SimpleSheet(true)},
                             {"C", 0x0200, Section(kChart, {Rec(0x1002, TBytes(16, 0))})},
                             {"M", 0x0100, Section(kMacroSheet, {Rec(0x0200, TBytes(14, 0))})}}));
    const TBytes saved = SavedWorkbook(book);
    const std::vector<std::uint32_t> offsets = Offsets(book);
    ASSERT_EQ(offsets.size(), 3u);
    std::int64_t expected = book.Globals().TotalSize();
    const std::uint16_t kinds[] = {kWorksheet, kChart, kMacroSheet};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(offsets[i], expected) << i;
        ASSERT_LT(offsets[i] + 8, saved.size());
        EXPECT_EQ(GetWord(saved, offsets[i]), xlr_BOF) << i;
        EXPECT_EQ(GetWord(saved, offsets[i] + 6), kinds[i]) << i;
        expected += book.Sheets().Items(i)->TotalSize();
    }
    EXPECT_EQ(std::int64_t(saved.size()), expected);

    // The saved stream loads back to the same bytes.
    TWorkbook again;
    LoadWorkbook(again, saved);
    EXPECT_TRUE(SameBytes(SavedWorkbook(again), saved));
}

TEST(Workbook, FirstVisibleTabAndVisibilityChecks)
{
    TWorkbook book;
    LoadWorkbook(book, Book({{"H", 1, SimpleSheet()}, {"V", 2, SimpleSheet()}, {"X", 0, SimpleSheet(true)}}, {}, 1));
    const TBytes saved = SavedWorkbook(book);
    const auto window = AllRecords(saved)[1].Bytes;
    ASSERT_EQ(GetWord(window, 0), 0x003D);
    EXPECT_EQ(GetWord(window, 4 + 12), 2u) << "the first visible tab";

    struct Case {
        std::vector<TSheetDef> Sheets;
        std::string Error;
    };
    const Case cases[] = {
        {{{"A", 0, SimpleSheet()}, {"B", 2, SimpleSheet(true)}}, "To save this file, you must select a visible sheet"},
        {{{"A", 1, SimpleSheet(true)}, {"B", 0, SimpleSheet()}}, "To save this file, you must select a visible sheet"},
        {{{"A", 1, SimpleSheet()}, {"B", 2, SimpleSheet()}}, "There are not visible sheets on the file"},
    };
    for (const auto& c : cases) {
        TWorkbook failing;
        LoadWorkbook(failing, Book(c.Sheets));
        EXPECT_EQ(Offsets(failing), (std::vector<std::uint32_t>{0, 0}));
        EXPECT_EQ(ErrorOf([&] { SavedWorkbook(failing); }), c.Error);
        EXPECT_NE(Offsets(failing)[0], 0u) << "the offsets were computed before the check";
    }
}

TEST(Workbook, CodeNamesForMacroWorkbooks)
{
    const TBytes obProj = Rec(0x00D3, {});
    struct Case {
        std::vector<TSheetDef> Sheets;
        bool Macros;
        std::vector<std::u16string> Expected;
    };
    const Case cases[] = {
        {{{"Data7", 0, SimpleSheet(true)}, {"Data", 0, SimpleSheet()}}, true, {u"Data7", u"Data"}},
        {{{"Other", 0, SheetWithCodeName("Data")}, {"Data", 0, SimpleSheet(true)}}, true, {u"Data", u"Data1"}},
        {{{"X", 0, SheetWithCodeName("Data12")}, {"Data12", 0, SimpleSheet(true)}}, true, {u"Data12", u"Data13"}},
        {{{"Y", 0, SheetWithCodeName("DATA")}, {"data", 0, SimpleSheet(true)}, {"Data", 0, SimpleSheet()}},
         true,
         {u"DATA", u"data1", u"Data2"}},
        {{{"X", 0, SheetWithCodeName("Sheet09")}, {"Sheet09", 0, SimpleSheet(true)}}, true, {u"Sheet09", u"Sheet10"}},
        {{{"Z", 0, SheetWithCodeName("\xDC" "BERSICHT")}, {"\xFC" "bersicht", 0, SimpleSheet(true)}},
         true,
         {u"\u00DC" u"BERSICHT", u"\u00FC" u"bersicht1"}},
        {{{"Data", 0, SimpleSheet(true)}}, false, {u""}},
    };
    for (const auto& c : cases) {
        TWorkbook book;
        LoadWorkbook(book, c.Macros ? Book(c.Sheets, {obProj}) : Book(c.Sheets));
        const TBytes saved = SavedWorkbook(book);
        EXPECT_EQ(CodeNames(book), c.Expected);
        std::size_t written = 0;
        for (auto id : AllIds(saved)) written += id == 0x01BA;
        EXPECT_EQ(written, c.Macros ? c.Sheets.size() : 0u);
    }
}

TEST(Workbook, CodeNamesCompareWithoutCase)
{
    EXPECT_EQ(UnicodeUpperCase(u"abc\u00E4\u00F6\u00FC\u00FF\u00F7\u0101\u013A\u017E\u0131\u03B1\u03C2\u0436\u0451\u4E2D"),
              u"ABC\u00C4\u00D6\u00DC\u0178\u00F7\u0100\u0139\u017D\u0049\u0391\u03A3\u0416\u0401\u4E2D");
    EXPECT_EQ(UnicodeUpperCase(u"\u0100\u0139\u0178\u00DF"), u"\u0100\u0139\u0178\u00DF") << "upper case and \u00DF stay";
}

TEST(Workbook, ActiveSheetSelectsOneSheet)
{
    TWorkbook book;
    LoadWorkbook(book, Book({{"A", 0, SimpleSheet(true)}, {"B", 0, SimpleSheet()}}));
    EXPECT_EQ(book.ActiveSheet(), 0);
    book.SetActiveSheet(1);
    EXPECT_EQ(book.ActiveSheet(), 1);
    EXPECT_FALSE(book.Sheets().Items(0)->Selected());
    EXPECT_TRUE(book.Sheets().Items(1)->Selected());
    EXPECT_EQ(ErrorOf([&] { book.SetActiveSheet(2); }), R"(Sheet number "2" invalid. Must be between 0 and 1)");
    EXPECT_TRUE(book.Sheets().Items(1)->Selected()) << "a refused sheet number changes nothing";
}

TEST(Workbook, RefusesStreamsThatDoNotFormAWorkbook)
{
    const TBytes globals = Book({});
    struct Case {
        const char* What;
        TBytes Stream;
        std::string Error;
    };
    const std::string invalid = "Error reading Excel records. File invalid";
    const std::string bofAt = invalid + " (stream \"Workbook\", record BOF (0x0809) at offset ";
    const Case cases[] = {
        {"more BOUNDSHEETs than sheets", Book({{"A", 0, SimpleSheet(true)}, {"B", 0, TBytes{}}}), invalid},
        {"sheets but no BOUNDSHEET", Cat({globals, SimpleSheet(true)}), invalid},
        {"a record between sections", Cat({Book({{"A", 0, TBytes{}}}), Rec(0x000D, {1, 0}), SimpleSheet(true)}),
         invalid + " (stream \"Workbook\", record CALCMODE (0x000D) at offset 59)"},
        {"a sheet before the globals", Cat({SimpleSheet(true), Book({{"A", 0, SimpleSheet(true)}})}), bofAt + "0)"},
        {"two globals sections", Cat({Book({}), Book({{"A", 0, SimpleSheet(true)}})}), bofAt + "46)"},
        {"no globals", SimpleSheet(true), bofAt + "0)"},
        {"an empty stream", TBytes{}, invalid},
        {"BIFF5", Cat({Rec(xlr_BOF, {0, 5, 5, 0, 0, 0, 0, 0})}),
         "Template file is saved with an invalid Excel version (stream \"Workbook\", record BOF (0x0809) at offset 0)"},
        {"encrypted", Cat({Rec(xlr_BOF, BofGlobals()), Rec(0x002F, TBytes(54, 0))}),
         "File is password protected (stream \"Workbook\", record FILEPASS (0x002F) at offset 20, workbook globals)"},
    };
    for (const auto& c : cases) {
        TWorkbook book;
        EXPECT_EQ(ErrorOf([&] { LoadWorkbook(book, c.Stream); }), c.Error) << c.What;
        EXPECT_EQ(book.Sheets().Count(), 0u) << c.What;
        EXPECT_EQ(book.Globals().SheetCount(), 0u) << c.What;
    }
}

TEST(Workbook, SavingOneSheetWithARange)
{
    TWorkbook book;
    LoadWorkbook(book, Book({{"A", 0, SimpleSheet(true)}, {"B", 0, SimpleSheet()}}));
    const TBytes saved = Written([&](TOle2File& w) { book.SaveRangeToStream(w, 1, {0, 0, 255, 65535}, false); });
    std::size_t boundSheets = 0;
    for (auto id : AllIds(saved)) boundSheets += id == 0x0085;
    EXPECT_EQ(boundSheets, 1u);
    const std::uint32_t offset = Offsets(book)[1];
    EXPECT_EQ(offset, book.Globals().TotalRangeSize(1, {0, 0, 255, 65535}));
    EXPECT_EQ(std::int64_t(saved.size()), offset + book.Sheets().Items(1)->TotalSize());
    EXPECT_EQ(ErrorOf([&] { Written([&](TOle2File& w) { book.SaveRangeToStream(w, 2, {}, false); }); }),
              R"(Sheet number "2" invalid. Must be between 0 and 1)");
}

// ----------------------------------------------------------- rows and columns

TEST(Workbook, InsertingRowsAndColumnsChecksItsArguments)
{
    TWorkbook book;
    LoadWorkbook(book, Book({{"A", 0, SimpleSheet(true)}}));
    struct Case {
        std::int32_t FirstRow, LastRow, DestRow, RowCount, FirstCol, LastCol, DestCol, ColCount;
    };
    const Case bad[] = {
        {5, 4, 0, 1, 0, 0, 0, 0},      // last before first
        {-1, 4, 0, 1, 0, 0, 0, 0},     // negative first row
        {0, 65536, 0, 1, 0, 0, 0, 0},  // beyond the last row
        {0, 4, 3, 1, 0, 0, 0, 0},      // destination inside the source
        {0, 9, 65526, 1, 0, 0, 0, 0},  // copies up to the last row
        {0, 0, -1, 1, 0, 0, 0, 0},     // negative destination
        {0, 0, 0, 0, 0, 256, 0, 1},    // beyond the last column
        {0, 0, 0, 0, 0, 9, 250, 1},    // copies past the last column
        {0, 0, 0, -1, 0, 0, 0, 0},     // negative count
    };
    for (const auto& c : bad)
        EXPECT_EQ(ErrorOf([&] {
                      book.InsertAndCopyRowsAndCols(0, c.FirstRow, c.LastRow, c.DestRow, c.RowCount, c.FirstCol,
                                                    c.LastCol, c.DestCol, c.ColCount, false);
                  }),
                  "Ivalid arguments to call InsertAndCopyRows")
            << c.FirstRow << ' ' << c.LastRow << ' ' << c.DestRow << ' ' << c.LastCol << ' ' << c.DestCol;
    EXPECT_EQ(ErrorOf([&] { book.InsertAndCopyRowsAndCols(1, 0, 0, 1, 1, 0, 0, 0, 0, false); }),
              R"(Sheet number "1" invalid. Must be between 0 and 0)");
    EXPECT_EQ(ErrorOf([&] { book.DeleteRowsAndCols(3, 0, 1, 0, 0); }),
              R"(Sheet number "3" invalid. Must be between 0 and 0)");
    EXPECT_EQ(ErrorOf([&] { book.InsertAndCopyRowsAndCols(0, 0, 9, 65525, 1, 0, 0, 0, 0, false); }), "(no error)")
        << "copies that end before the last row are allowed";
}

// Inserting copies of row 1 moves everything the sheet holds below it;
// deleting the rows again brings it back.
TEST(Workbook, RowsInsertedAndDeletedMoveTheSheetsMembers)
{
    TBytes link(40, 0x11);
    for (std::size_t i = 0; i < 8; i += 2) SetWord(link, i, i < 4 ? 5 : 0);
    TBytes note = CellBody(5, 0, 0);
    AppendWord(note, 1);
    AppendCardinal(note, 0);
    const TBytes sheet =
        Section(kWorksheet, {Rec(0x001B, {1, 0, 5, 0, 0, 0, 255, 0}), Rec(0x0208, RowBody(1, 1)),
                             Rec(0x0203, NumberBody(1, 0, 2.5)), Rec(0x0208, RowBody(5, 1)),
                             Rec(0x0203, NumberBody(5, 0, 3.5)), Rec(0x001C, note), Rec(0x023E, Window2Body(true)),
                             Rec(0x00E5, {1, 0, 5, 0, 6, 0, 0, 0, 1, 0}), Rec(0x01B8, link)});
    TWorkbook book;
    LoadWorkbook(book, Book({{"A", 0, sheet}, {"B", 0, SimpleSheet()}}));
    const TBytes before = SavedWorkbook(book);

    book.InsertAndCopyRowsAndCols(0, 1, 1, 2, 3, 0, 0, 0, 0, false);
    TWorkSheet& ws = book.GetWorkSheets(0);
    EXPECT_EQ(ws.HPageBreaks().Items(0).Pos, 8u);
    EXPECT_EQ(ws.HLinks().Items(0)->GetCellRange().Top, 8);
    EXPECT_EQ(ws.Notes().NoteRow(8)->Items(0)->Row(), 8u);
    const auto& merged = dynamic_cast<const TMergedCells&>(*ws.Ranges().GetItem(0));
    EXPECT_EQ(merged.MergedCell(0).Top, 8);
    for (std::int32_t row : {1, 2, 3, 4, 8}) EXPECT_NE(ws.Cells().CellList().GetValue(row, 0).XF, -1) << row;
    EXPECT_EQ(std::get<double>(ws.Cells().CellList().GetValue(3, 0).Value), 2.5) << "a copy of row 1";
    SavedWorkbook(book);  // sizes still agree with what is written

    book.DeleteRowsAndCols(0, 2, 3, 0, 0);
    EXPECT_TRUE(SameBytes(SavedWorkbook(book), before));
}

// ---------------------------------------------------------------------- sheets

TEST(Workbook, InsertingAndDeletingSheets)
{
    TWorkbook book;
    LoadWorkbook(book, Book({{"A", 0, SimpleSheet(true)}, {"B", 1, SimpleSheet()}}));

    book.InsertSheets(-1, 2, 2);
    ASSERT_EQ(book.Sheets().Count(), 4u);
    EXPECT_EQ(book.Globals().SheetCount(), 4u);
    EXPECT_TRUE(book.IsWorksheet(2) && book.IsWorksheet(3));
    EXPECT_EQ(book.GetWorkSheets(3).DefColWidth(), 8 * 293) << "a sheet of the template";

    book.InsertSheets(1, 0, 1);
    ASSERT_EQ(book.Sheets().Count(), 5u);
    EXPECT_EQ(book.Globals().SheetVisible(0), TXlsSheetVisible::sv_Hidden) << "the source's options";
    EXPECT_FALSE(book.Sheets().Items(0)->Selected()) << "a copy is not selected";
    EXPECT_EQ(std::get<double>(book.GetWorkSheets(0).Cells().CellList().GetValue(0, 0).Value), 1.5);

    TWorkbook again;
    LoadWorkbook(again, SavedWorkbook(book));
    EXPECT_EQ(again.Sheets().Count(), 5u);

    book.DeleteSheets(3, 9);
    EXPECT_EQ(book.Sheets().Count(), 3u);
    EXPECT_EQ(book.Globals().SheetCount(), 3u);
    EXPECT_EQ(book.Globals().SheetName(1), u"A");

    struct Case {
        std::function<void()> Call;
        std::string Error;
    };
    const Case cases[] = {
        {[&] { book.InsertSheets(3, 0, 1); }, R"(Sheet number "3" invalid. Must be between -1 and 2)"},
        {[&] { book.InsertSheets(-2, 0, 1); }, R"(Sheet number "-2" invalid. Must be between -1 and 2)"},
        {[&] { book.InsertSheets(0, 4, 1); }, R"(Sheet number "4" invalid. Must be between 0 and 3)"},
        {[&] { book.DeleteSheets(4, 1); }, R"(Sheet number "4" invalid. Must be between 0 and 3)"},
    };
    for (const auto& c : cases) EXPECT_EQ(ErrorOf(c.Call), c.Error);
    EXPECT_EQ(book.Sheets().Count(), 3u);
}

TEST(Workbook, SheetsThatCannotBeDeleted)
{
    TWorkbook macros;
    LoadWorkbook(macros, Book({{"A", 0, SimpleSheet(true)}, {"B", 0, SimpleSheet()}}, {Rec(0x00D3, {})}));
    EXPECT_EQ(ErrorOf([&] { macros.DeleteSheets(1, 1); }), "Can't delete a sheet on a file containing macros");
    EXPECT_EQ(macros.Sheets().Count(), 2u);
}
