// xlstool formula, names and features, run as a user runs them: formulas and
// names written and read back, and refusals that leave the file as it was.
#include <gtest/gtest.h>

#include "FacadeTestSupport.h"
#include "XlsToolTestSupport.h"

namespace {

using namespace factest;
using namespace tooltest;

const fs::path kCorpus = rectest::kCorpus;

// A copy of poi_formulas.xls (sheets Formeln, Daten 2 and Daten3) in aDir.
fs::path FormulaBook(const TTempDir& aDir)
{
    const fs::path file = aDir / "book.xls";
    fs::copy_file(kCorpus / "gen" / "poi_formulas.xls", file);
    return file;
}

}  // namespace

TEST(XlsToolFormula, WritesFormulasAndReadsThemBack)
{
    TTempDir dir;
    const fs::path book = FormulaBook(dir);
    const fs::path out = dir / "out.xls";
    EXPECT_EQ(Shell(Tool("formula " + Q(book) + " Formeln E5"), dir.Path()).Out, "=SUM(A1:B5)\n");
    EXPECT_EQ(Shell(Tool("formula " + Q(book) + " 1 A1"), dir.Path()).Out, "");  // a number

    const xls::TBytes before = FileBytes(book);
    const TRun write = Shell(Tool("formula " + Q(book) + " Formeln H1 \"=SUM('Daten 2'!A1:A10) * 2\" -o " + Q(out)),
                             dir.Path());
    ASSERT_EQ(write.Code, 0) << write.Err;
    EXPECT_EQ(FileBytes(book), before);
    EXPECT_EQ(Shell(Tool("formula " + Q(out) + " Formeln H1"), dir.Path()).Out, "=SUM('Daten 2'!A1:A10) * 2\n");

    // Without -o the file itself is replaced.
    ASSERT_EQ(Shell(Tool("formula " + Q(book) + " 2 C1 =A1+A2"), dir.Path()).Code, 0);
    EXPECT_EQ(Shell(Tool("formula " + Q(book) + " 'Daten 2' C1"), dir.Path()).Out, "=A1+A2\n");
}

TEST(XlsToolFormula, ARefusedFormulaWritesNothing)
{
    TTempDir dir;
    const fs::path book = FormulaBook(dir);
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
        const TRun run = Shell(Tool("formula " + Q(book) + " 1 H1 " + rectest::Quoted(c.Formula)), dir.Path());
        EXPECT_EQ(run.Code, 1) << c.Formula;
        EXPECT_EQ(run.Err, c.Err) << c.Formula;
    }
    for (const char* usage : {"formula", "formula F 1", "formula F 1 A1 =1 x", "formula F 1 A1 -o x"})
        EXPECT_EQ(Shell(Tool(usage), dir.Path()).Code, 2) << usage;
    EXPECT_EQ(FileBytes(book), before);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"book.xls"});
}

TEST(XlsToolNames, ListsAndAddsNames)
{
    TTempDir dir;
    const fs::path book = FormulaBook(dir);
    EXPECT_EQ(Shell(Tool("names " + Q(book)), dir.Path()).Out,
              "*\tPreis\t0\t='Formeln'!$B$2\n*\tSpalte\t0\t='Daten 2'!$A$1:$A$10\n");
    ASSERT_EQ(Shell(Tool("names " + Q(book) + " --add '*' Rate =0.19"), dir.Path()).Code, 0);
    ASSERT_EQ(Shell(Tool("names " + Q(book) + " --add Formeln Print_Area '=$A$1:$C$4'"), dir.Path()).Code, 0);
    ASSERT_EQ(Shell(Tool("names " + Q(book) + " --add '*' preis =Daten3!A1"), dir.Path()).Code, 0);
    EXPECT_EQ(Shell(Tool("names " + Q(book)), dir.Path()).Out,
              "*\tpreis\t0\t='Daten3'!A1\n*\tSpalte\t0\t='Daten 2'!$A$1:$A$10\n*\tRate\t0\t=0.19\n"
              "Formeln\tPrint_Area\t0\t='Formeln'!$A$1:$C$4\n");

    const xls::TBytes before = FileBytes(book);
    const TRun bad = Shell(Tool("names " + Q(book) + " --add '*' A1 =1"), dir.Path());
    EXPECT_EQ(bad.Code, 1);
    EXPECT_EQ(bad.Err, "Invalid named range: \"A1\"\n");
    for (const char* usage : {"names", "names F --add", "names F --add '*' X", "names F -o out"})
        EXPECT_EQ(Shell(Tool(usage), dir.Path()).Code, 2) << usage;
    EXPECT_EQ(FileBytes(book), before);
}

TEST(XlsToolFeatures, PrintsTheLineKindsAskedForInTheirOrder)
{
    TTempDir dir;
    const std::string book = Q(kCorpus / "gen" / "poi_formulas.xls");
    EXPECT_EQ(Shell(Tool("features " + book + " --kinds W"), dir.Path()).Out,
              "W\tdate1904\t0\nW\tsheets\t3\nW\tactive\tFormeln\n");
    EXPECT_EQ(Shell(Tool("features " + book + " --kinds F,N"), dir.Path()).Out,
              Shell(Tool("features " + book + " --kinds N,F"), dir.Path()).Out);
    std::string kinds;
    std::istringstream all(Shell(Tool("features " + book), dir.Path()).Out);
    for (std::string line; std::getline(all, line);)
        if (kinds.empty() || kinds.back() != line[0]) kinds += line[0];
    EXPECT_EQ(kinds, "WNF");
    for (const char* usage : {"features", "features F --kinds", "features F --kinds X", "features F G"})
        EXPECT_EQ(Shell(Tool(usage), dir.Path()).Code, 2) << usage;
}
