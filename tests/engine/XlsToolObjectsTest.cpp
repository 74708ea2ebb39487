// xlstool pictures, add-picture, delete-picture, comment, link and filter,
// run as a user runs them: what they print and change, and what they refuse.
#include <gtest/gtest.h>

#include "FacadeTestSupport.h"
#include "RecordTestSupport.h"
#include "facade/UExcelRecords.h"
#include "facade/XLSAdapter.h"

namespace {

using namespace factest;
using rectest::RunXlsTool;
using namespace xls;

const fs::path kCorpus = rectest::kCorpus;

std::vector<std::string> Lines(const std::string& aText)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = aText.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(aText.substr(start, end - start));
    return lines;
}

}  // namespace

TEST(XlsToolObjects, PicturesListedAddedExtractedAndDeleted)
{
    TTempDir tmp;
    const fs::path book = tmp / "book.xls";
    fs::copy_file(kCorpus / "gen" / "poi_pictures.xls", book);
    const std::string file = book.string();
    const auto listed = Lines(RunXlsTool({"pictures", file, "Bilder", "--extract", tmp.Path().string()}).Out);
    EXPECT_EQ(listed, (std::vector<std::string>{"0\tB2:E9\tpng\t435\t", "1\tF2:I9\tjpeg\t1833\t",
                                                "2\tB10:D15\tpng\t435\t"}));
    const TBytes jpeg = FileBytes(tmp / "picture1.jpeg");
    EXPECT_EQ(jpeg.size(), 1833u);

    // The JPEG again at C20, 80 x 60 pixels: C20 to D23 on the sheet's columns and rows.
    EXPECT_EQ(RunXlsTool({"add-picture", file, "Bilder", "C20", (tmp / "picture1.jpeg").string(), "--name", "Foto"}).Code, 0);
    const auto added = Lines(RunXlsTool({"pictures", file, "Bilder"}).Out);
    ASSERT_EQ(added.size(), 4u);
    EXPECT_EQ(added[3], "3\tC20:D23\tjpeg\t1833\tFoto");

    EXPECT_EQ(RunXlsTool({"delete-picture", file, "Bilder", "1"}).Code, 0);
    EXPECT_EQ(Lines(RunXlsTool({"pictures", file, "Bilder"}).Out).size(), 3u);

    const auto refused = RunXlsTool({"delete-picture", file, "Bilder", "7"}, true);
    EXPECT_EQ(refused.Code, 1);
    EXPECT_EQ(refused.Out, "The index \"7\" of the property \"Index\" is not in the range 0-2\n");
    const TBytes text{'n', 'o'};
    WriteBytes(tmp / "text.txt", text);
    const TBytes before = FileBytes(book);
    const auto notAPicture = RunXlsTool({"add-picture", file, "Bilder", "A1", (tmp / "text.txt").string()}, true);
    EXPECT_EQ(notAPicture.Code, 1);
    EXPECT_EQ(notAPicture.Out, "The picture is no PNG, JPEG, BMP, WMF or EMF image\n");
    EXPECT_EQ(FileBytes(book), before) << "a refused change leaves the file as it was";
    EXPECT_EQ(RunXlsTool({"add-picture", file, "Bilder", "A1"}).Code, 2);
}

TEST(XlsToolObjects, CommentsAndLinks)
{
    TTempDir tmp;
    const fs::path book = tmp / "book.xls";
    fs::copy_file(kCorpus / "gen" / "poi_tiny.xls", book);
    const fs::path out = tmp / "out.xls";
    const std::string saved = out.string();
    EXPECT_EQ(RunXlsTool({"comment", book.string(), "1", "B2", "Prüfen!", "-o", saved}).Code, 0);
    EXPECT_EQ(RunXlsTool({"link", saved, "1", "A1:B1", "https://example.org/", "--description", "Beispiel", "--tip", "Tipp"}).Code, 0);
    EXPECT_EQ(RunXlsTool({"link", saved, "1", "C3", "#'Sheet1'!A1"}).Code, 0);
    EXPECT_EQ(RunXlsTool({"link", saved, "1", "C4", "\\\\server\\share\\x.xls"}).Code, 0);
    EXPECT_EQ(testproc::RunPythonReader("xlrd_escher.py", {"--check"}, out).Out, "ok\n");

    TXLSFile xls(nullptr);
    xls.Connect();
    xls.OpenFile(out.string());
    EXPECT_EQ(xls.GetCellComment(2, 2).Value, u"Prüfen!");
    ASSERT_EQ(xls.HyperLinkCount(), 3);
    const THyperLink url = xls.GetHyperLink(0);
    EXPECT_EQ(url.LinkType, THyperLinkType::hl_URL);
    EXPECT_EQ(url.Text, u"https://example.org/");
    EXPECT_EQ(url.Hint, u"Tipp");
    EXPECT_EQ(xls.GetHyperLinkCellRange(0).Right, 2);
    EXPECT_EQ(xls.GetHyperLink(1).TextMark, u"'Sheet1'!A1");
    EXPECT_EQ(xls.GetHyperLink(2).LinkType, THyperLinkType::hl_UNC);
    xls.Disconnect();

    // An empty text takes the comment away.
    EXPECT_EQ(RunXlsTool({"comment", saved, "1", "B2", ""}).Code, 0);
    TXLSFile again(nullptr);
    again.Connect();
    again.OpenFile(out.string());
    EXPECT_EQ(again.GetCommentsCount(2), 0);
    again.Disconnect();

    EXPECT_EQ(RunXlsTool({"link", saved, "1", "C3:A1", "x"}, true).Code, 2);
    EXPECT_EQ(RunXlsTool({"comment", saved, "1", "IW1", "x"}, true).Out, "Invalid Column (256)\n");
}

namespace {

// The lines of the dump that start with aKind and a tab.
std::string LinesOfKind(const std::string& aDump, char aKind)
{
    std::string out;
    for (const std::string& line : Lines(aDump))
        if (line.size() > 1 && line[0] == aKind && line[1] == '\t') out += line + "\n";
    return out;
}

}  // namespace

// The filter's buttons, records and name come and go together.
TEST(XlsToolObjects, AutoFilterSetAndRemoved)
{
    TTempDir tmp;
    const fs::path book = tmp / "book.xls";
    fs::copy_file(kCorpus / "real" / "formula_test_names.xls", book);
    const std::string file = book.string();
    const std::string before = RunXlsTool({"features", "--kinds", "N,F,P", file}).Out;

    ASSERT_EQ(RunXlsTool({"filter", file, "Sheet1", "B5:D9"}).Code, 0);
    const std::string filtered = RunXlsTool({"features", "--kinds", "N,F", file}).Out;
    EXPECT_EQ(LinesOfKind(filtered, 'N'), LinesOfKind(before, 'N') + "N\tSheet1\t_FilterDatabase\t1\t='Sheet1'!$B$5:$D$5\n");
    EXPECT_EQ(LinesOfKind(filtered, 'F'), LinesOfKind(before, 'F'));
    EXPECT_EQ(testproc::RunPythonReader("xlrd_escher.py", {"--check"}, book).Out, "ok\n");
    {
        TXLSFile xls(nullptr);
        xls.Connect();
        xls.OpenFile(file);
        EXPECT_TRUE(xls.HasAutoFilter());
        const TXlsCellRange range = xls.GetAutoFilterRange();
        EXPECT_EQ(std::vector<std::int32_t>({range.Left, range.Top, range.Right, range.Bottom}),
                  std::vector<std::int32_t>({2, 5, 4, 5}));
        EXPECT_TRUE(xls.HasAutoFilter(5, 4));
        EXPECT_FALSE(xls.HasAutoFilter(6, 4));
        EXPECT_FALSE(xls.HasAutoFilter(5, 5));
        EXPECT_EQ(xls.Workbook().GetWorkSheets(0).Drawing().AutoFilterCount(), 3u);
        xls.Disconnect();
    }

    // A second filter replaces the first: its buttons, its name.
    ASSERT_EQ(RunXlsTool({"filter", file, "Sheet1", "A1:B3"}).Code, 0);
    std::string expected = LinesOfKind(filtered, 'N');
    expected.replace(expected.find("$B$5:$D$5"), 9, "$A$1:$B$1");
    EXPECT_EQ(LinesOfKind(RunXlsTool({"features", "--kinds", "N", file}).Out, 'N'), expected);

    // A name behind the filter's stays.
    ASSERT_EQ(RunXlsTool({"names", file, "--add", "*", "Later", "=7"}).Code, 0);
    ASSERT_EQ(RunXlsTool({"filter", file, "Sheet1", "--remove"}).Code, 0);
    const std::string removed = RunXlsTool({"features", "--kinds", "N,F,P", file}).Out;
    EXPECT_EQ(LinesOfKind(removed, 'N'), LinesOfKind(before, 'N') + "N\t*\tLater\t0\t=7\n");
    EXPECT_EQ(LinesOfKind(removed, 'F'), LinesOfKind(before, 'F'));
    for (const std::string& line : Lines(LinesOfKind(removed, 'P'))) EXPECT_TRUE(line.ends_with("\t0\t0")) << line;
    TXLSFile xls(nullptr);
    xls.Connect();
    xls.OpenFile(file);
    EXPECT_FALSE(xls.HasAutoFilter());
    EXPECT_EQ(xls.GetAutoFilterRange().Top, -1);
    xls.Disconnect();
}

// Names are counted by position in formulas; when a formula cannot be read to
// renumber them, the filter goes and its hidden name stays.
TEST(XlsToolObjects, AutoFilterNameStaysWhenFormulasCannotFollow)
{
    TTempDir tmp;
    const fs::path book = tmp / "book.xls";
    fs::copy_file(kCorpus / "real" / "namesdemo.xls", book);
    const std::string file = book.string();
    ASSERT_EQ(RunXlsTool({"filter", file, "Sheet1", "B5:D9"}).Code, 0);
    const std::string filtered = RunXlsTool({"features", "--kinds", "N,F", file}).Out;
    ASSERT_EQ(RunXlsTool({"filter", file, "Sheet1", "--remove"}).Code, 0);
    EXPECT_EQ(RunXlsTool({"features", "--kinds", "N,F", file}).Out, filtered);
    TXLSFile xls(nullptr);
    xls.Connect();
    xls.OpenFile(file);
    EXPECT_FALSE(xls.HasAutoFilter());
    EXPECT_EQ(xls.GetAutoFilterRange().Top, -1);
    EXPECT_EQ(xls.Workbook().GetWorkSheets(0).Drawing().AutoFilterCount(), 0u);
    xls.Disconnect();
}
