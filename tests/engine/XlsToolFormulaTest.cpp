// xlstool formula, names and features, run as a user runs them: formulas and
// names written and read back, and refusals that leave the file as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "FacadeTestSupport.h"
#include "RecordTestSupport.h"
#include "base/UXlsPaths.h"

namespace {

using namespace factest;
using rectest::RunXlsTool;
using rectest::TToolRun;

const fs::path kCorpus = rectest::kCorpus;

// A copy of poi_formulas.xls (sheets Formeln, Daten 2 and Daten3) in aDir.
std::string FormulaBook(const TTempDir& aDir)
{
    const fs::path file = aDir / "book.xls";
    fs::copy_file(kCorpus / "gen" / "poi_formulas.xls", file);
    return xls::Utf8FromPath(file);
}

}  // namespace

TEST(XlsToolFormula, WritesFormulasAndReadsThemBack)
{
    TTempDir dir;
    const std::string book = FormulaBook(dir);
    const std::string out = xls::Utf8FromPath(dir / "out.xls");
    EXPECT_EQ(RunXlsTool({"formula", book, "Formeln", "E5"}).Out, "=SUM(A1:B5)\n");
    EXPECT_EQ(RunXlsTool({"formula", book, "1", "A1"}).Out, "");  // a number

    const xls::TBytes before = FileBytes(book);
    const TToolRun write = RunXlsTool({"formula", book, "Formeln", "H1", "=SUM('Daten 2'!A1:A10) * 2", "-o", out});
    ASSERT_EQ(write.Code, 0) << write.Err;
    EXPECT_EQ(FileBytes(book), before);
    EXPECT_EQ(RunXlsTool({"formula", out, "Formeln", "H1"}).Out, "=SUM('Daten 2'!A1:A10) * 2\n");

    // Without -o the file itself is replaced.
    ASSERT_EQ(RunXlsTool({"formula", book, "2", "C1", "=A1+A2"}).Code, 0);
    EXPECT_EQ(RunXlsTool({"formula", book, "Daten 2", "C1"}).Out, "=A1+A2\n");
}

TEST(XlsToolFormula, ARefusedFormulaWritesNothing)
{
    TTempDir dir;
    const std::string book = FormulaBook(dir);
    const xls::TBytes before = FileBytes(book);
    const struct {
        std::string Formula;
        std::string Err;
    } cases[] = {
        {"=SUM(1", "Unexpected end of formula: \"=SUM(1\"\n"},
        {"=Nowhere!A1", "Invalid sheet: Nowhere\n"},
        {"=FOO(1)", "Function not found: \"FOO\" on formula \"=FOO(1)\"\n"},
        {"SUM(1)", "Formula must start with \"=\": \"SUM(1)\"\n"},
    };
    for (const auto& c : cases) {
        const TToolRun run = RunXlsTool({"formula", book, "1", "H1", c.Formula});
        EXPECT_EQ(run.Code, 1) << c.Formula;
        EXPECT_EQ(run.Err, c.Err) << c.Formula;
    }
    for (const std::vector<std::string>& usage : std::vector<std::vector<std::string>>{
             {"formula"}, {"formula", "F", "1"}, {"formula", "F", "1", "A1", "=1", "x"}, {"formula", "F", "1", "A1", "-o", "x"}})
        EXPECT_EQ(RunXlsTool(usage).Code, 2) << usage.size();
    EXPECT_EQ(FileBytes(book), before);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"book.xls"});
}

TEST(XlsToolNames, ListsAndAddsNames)
{
    TTempDir dir;
    const std::string book = FormulaBook(dir);
    EXPECT_EQ(RunXlsTool({"names", book}).Out, "*\tPreis\t0\t='Formeln'!$B$2\n*\tSpalte\t0\t='Daten 2'!$A$1:$A$10\n");
    ASSERT_EQ(RunXlsTool({"names", book, "--add", "*", "Rate", "=0.19"}).Code, 0);
    ASSERT_EQ(RunXlsTool({"names", book, "--add", "Formeln", "Print_Area", "=$A$1:$C$4"}).Code, 0);
    ASSERT_EQ(RunXlsTool({"names", book, "--add", "*", "preis", "=Daten3!A1"}).Code, 0);
    EXPECT_EQ(RunXlsTool({"names", book}).Out,
              "*\tpreis\t0\t='Daten3'!A1\n*\tSpalte\t0\t='Daten 2'!$A$1:$A$10\n*\tRate\t0\t=0.19\n"
              "Formeln\tPrint_Area\t0\t='Formeln'!$A$1:$C$4\n");

    const xls::TBytes before = FileBytes(book);
    const TToolRun bad = RunXlsTool({"names", book, "--add", "*", "A1", "=1"});
    EXPECT_EQ(bad.Code, 1);
    EXPECT_EQ(bad.Err, "Invalid named range: \"A1\"\n");
    for (const std::vector<std::string>& usage : std::vector<std::vector<std::string>>{
             {"names"}, {"names", "F", "--add"}, {"names", "F", "--add", "*", "X"}, {"names", "F", "-o", "out"}})
        EXPECT_EQ(RunXlsTool(usage).Code, 2) << usage.size();
    EXPECT_EQ(FileBytes(book), before);
}

TEST(XlsToolFeatures, PrintsTheFormulaKindsAskedForInTheirOrder)
{
    const std::string book = xls::Utf8FromPath(kCorpus / "gen" / "poi_formulas.xls");
    EXPECT_EQ(RunXlsTool({"features", "--kinds", "W", book}).Out, "W\tdate1904\t0\nW\tsheets\t3\nW\tactive\tFormeln\nW\tpictures\t0\t0\n");
    EXPECT_EQ(RunXlsTool({"features", "--kinds", "F,N", book}).Out, RunXlsTool({"features", "--kinds", "N,F", book}).Out);
    std::string kinds;
    std::istringstream all(RunXlsTool({"features", book}).Out);
    for (std::string line; std::getline(all, line);)
        if (kinds.empty() || kinds.back() != line[0]) kinds += line[0];
    EXPECT_TRUE(kinds.starts_with("WNF")) << kinds;
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), 'F'), 1) << kinds;
}
