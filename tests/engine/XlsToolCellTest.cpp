// xlstool new, set, get, sheet and features, run as a user runs them,
// including the failures that must leave the user's file as it was.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "FacadeTestSupport.h"
#include "RecordTestSupport.h"
#include "facade/UXlsEmptyTemplate.h"

namespace {

using namespace factest;
using rectest::RunPython;
using rectest::RunXlsTool;
using rectest::TToolRun;

const fs::path kCorpus = rectest::kCorpus;

// Sorted listing of `xlstool streams`: type, size and path of every entry.
std::string StreamLayout(const fs::path& file)
{
    std::istringstream in(RunXlsTool({"streams", file.string()}).Out);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line.substr(line.find('\t') + 1));
    std::sort(lines.begin(), lines.end());
    std::string out;
    for (const auto& l : lines) out += l + "\n";
    return out;
}

TEST(XlsToolNew, WritesTheEmptyWorkbookWithItsSheets)
{
    TTempDir dir;
    const TToolRun one = RunXlsTool({"new", (dir / "one.xls").string()});
    ASSERT_EQ(one.Code, 0) << one.Err;
    EXPECT_EQ(RunPython("xlrd_dump.py", (dir / "one.xls").string()).Out, "#sheet\t0\tSheet1\tvisible\n");
    EXPECT_EQ(fs::file_size(dir / "one.xls"), xls::EmptyWorkbookTemplate().size());
    WriteBytes(dir / "template.xls", xls::EmptyWorkbookTemplate());
    EXPECT_EQ(StreamLayout(dir / "one.xls"), StreamLayout(dir / "template.xls"));

    const TToolRun three = RunXlsTool({"new", (dir / "three.xls").string(), "3"});
    ASSERT_EQ(three.Code, 0) << three.Err;
    EXPECT_EQ(RunPython("xlrd_dump.py", (dir / "three.xls").string()).Out,
              "#sheet\t0\tSheet1\tvisible\n#sheet\t1\tSheet2\tvisible\n#sheet\t2\tSheet3\tvisible\n");

    EXPECT_EQ(RunXlsTool({"new"}).Code, 2);
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{{"0"}, {"x"}, {"3x"}, {"4097"}, {"1", "2"}}) {
        std::vector<std::string> args{"new", (dir / "bad.xls").string()};
        args.insert(args.end(), bad.begin(), bad.end());
        EXPECT_EQ(RunXlsTool(args).Code, 2) << bad[0];
    }
    EXPECT_FALSE(fs::exists(dir / "bad.xls"));
}

TEST(XlsToolSetGet, TypesTextsAndReadsThemBack)
{
    TTempDir dir;
    const fs::path file = dir / "tags.xls";
    fs::copy_file(kCorpus / "gen" / "poi_values.xls", file);
    const struct {
        const char* Sheet;
        const char* Cell;
        const char* Text;
        const char* Line;
    } cases[] = {
        {"1", "C7", "4022250974", "Werte!C7\tn\t4022250974.0\n"},
        {"Werte", "$d$7", "DE AD BE EF", "Werte!D7\ts\tDE AD BE EF\n"},
        {"werte", "E7", " true ", "Werte!E7\tb\tTRUE\n"},
        {"Daten", "IV65536", "Grüße\tTab", "Daten!IV65536\ts\tGrüße\\tTab\n"},
        {"1", "F7", "-o", "Werte!F7\ts\t-o\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"set", file.string(), c.Sheet, c.Cell};
        if (std::string(c.Text) == "-o") args.push_back("--");
        args.push_back(c.Text);
        const TToolRun set = RunXlsTool(args);
        EXPECT_EQ(set.Code, 0) << set.Err;
        const TToolRun get = RunXlsTool({"get", file.string(), c.Sheet, c.Cell});
        EXPECT_EQ(get.Out, c.Line) << get.Err;
    }
    // An empty cell prints nothing; the file reads as before apart from the set cells.
    EXPECT_EQ(RunXlsTool({"get", file.string(), "1", "Z99"}).Out, "");
    EXPECT_EQ(RunXlsTool({"get", file.string(), "1", "A1"}).Out, "Werte!A1\ts\tZahl\n");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"tags.xls"});

    // -o leaves the input alone.
    const xls::TBytes before = FileBytes(file);
    ASSERT_EQ(RunXlsTool({"set", file.string(), "1", "A1", "7", "-o", (dir / "out.xls").string()}).Code, 0);
    EXPECT_EQ(FileBytes(file), before);
    EXPECT_EQ(RunXlsTool({"get", (dir / "out.xls").string(), "1", "A1"}).Out, "Werte!A1\tn\t7.0\n");
}

TEST(XlsToolSetGet, RefusalsNameTheProblemAndChangeNothing)
{
    TTempDir dir;
    const fs::path file = dir / "book.xls";
    fs::copy_file(kCorpus / "gen" / "poi_tiny.xls", file);
    const xls::TBytes before = FileBytes(file);
    const std::string missing = (dir / "missing.xls").string();
    const std::string book = file.string();
    const std::string noFolder = (dir / "no" / "out.xls").string();
    // "xlstool: FILE: message", FILE being the file the message is about.
    const std::string in = "xlstool: " + book + ": ";
    const struct {
        std::vector<std::string> Args;
        int Code;
        std::string Err;
    } cases[] = {
        {{"get", missing, "1", "A1"}, 1,
         "xlstool: " + missing + ": Can't open file \"" + missing + "\": No such file or directory\n"},
        {{"get", book, "1", "A65537"}, 1, in + "Invalid Row (65536)\n"},
        {{"get", book, "1", "IW1"}, 1, in + "Invalid Column (256)\n"},
        {{"set", book, "1", "A65537", "1"}, 1, in + "Invalid Row (65536)\n"},
        {{"set", book, "1", "IW1", "1"}, 1, in + "Invalid Column (256)\n"},
        {{"set", book, "2", "A1", "1"}, 1, in + "Sheet number \"2\" invalid. Must be between 1 and 1\n"},
        {{"set", book, "Daten", "A1", "1"}, 1, in + "There is no sheet \"Daten\"\n"},
        {{"set", book, "1", "A1", "1", "-o", noFolder}, 1,
         "xlstool: " + noFolder + ": Can't open file \"" + noFolder + "\": No such file or directory\n"},
        {{"set", book, "1", "A1", "1", "-o", dir.Path().string()}, 1,
         "xlstool: " + dir.Path().string() + ": Can't open file \"" + dir.Path().string() + "\": Is a directory\n"},
    };
    for (const auto& c : cases) {
        const TToolRun run = RunXlsTool(c.Args);
        EXPECT_EQ(run.Code, c.Code) << c.Args[0] << " " << c.Args.back();
        EXPECT_EQ(run.Err, c.Err) << c.Args[0] << " " << c.Args.back();
        EXPECT_EQ(run.Out, "") << c.Args[0] << " " << c.Args.back();
    }
    const std::string chart = (kCorpus / "gen" / "gnm_chart_sheet.xls").string();
    for (const char* sheet : {"2", "Diagrammblatt"}) {
        const TToolRun run = RunXlsTool({"get", chart, sheet, "A1"});
        EXPECT_EQ(run.Code, 1);
        EXPECT_EQ(run.Err, "xlstool: " + (kCorpus / "gen" / "gnm_chart_sheet.xls").string() + ": Sheet " +
                               std::string(sheet) + " is not a worksheet\n");
    }
    const std::vector<std::vector<std::string>> usages = {
        {"get"}, {"set"}, {"get", "F", "1"}, {"get", "F", "1", "7C"}, {"get", "F", "1", "ABCD1"}, {"get", "F", "1", "A"},
        {"set", "F", "1", "A1"}, {"set", "F", "1", "A1", "x", "-o"}, {"set", "F", "1", "A1", "x", "y"}};
    for (const auto& usage : usages) EXPECT_EQ(RunXlsTool(usage).Code, 2) << usage.size() << " arguments";
    EXPECT_EQ(FileBytes(file), before);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"book.xls"});
}

// The file name reaches the tool unchanged however it is spelled and however
// deep the folder is (beyond the classic 260 characters of Windows).
TEST(XlsToolSetGet, AnyFileNameAndPathLength)
{
    TTempDir dir;
    fs::path deep = dir.Path();
    while (deep.native().size() < 300) deep /= xls::PathFromUtf8("Bücher und Geräte " + std::to_string(deep.native().size()));
    fs::create_directories(xls::LongPathForm(deep));
    const fs::path file = deep / xls::PathFromUtf8("Ausleihe äöü € 在庫.xls");
    const std::string name = xls::Utf8FromPath(file);
    ASSERT_EQ(RunXlsTool({"new", name}).Code, 0);
    const TToolRun set = RunXlsTool({"set", name, "Sheet1", "C7", "4022250974"});
    EXPECT_EQ(set.Code, 0) << set.Err;
    EXPECT_EQ(RunXlsTool({"get", name, "1", "C7"}).Out, "Sheet1!C7\tn\t4022250974.0\n");
    EXPECT_EQ(RunPython("xlrd_dump.py", file).Out, "Sheet1!C7\tn\t4022250974.0\n#sheet\t0\tSheet1\tvisible\n");
}

TEST(XlsToolSheet, ChangesTheSettingsGivenInTheirOrder)
{
    TTempDir dir;
    const fs::path file = dir / "book.xls";
    fs::copy_file(kCorpus / "gen" / "poi_tiny.xls", file);
    const std::string name = xls::Utf8FromPath(file);
    const TToolRun run = RunXlsTool({"sheet", name, "Tabelle1", "--col-width", "B=20", "--hide-col", "C", "--row-height",
                                     "3=30", "--merge", "A1:C1", "--merge", "B1:D2", "--unmerge", "E5:F6", "--freeze",
                                     "B2", "--zoom", "150", "--header", "&CSeite &P", "--margins", "1,1,1.5,1.5",
                                     "--landscape", "--paper", "9", "--fit", "2x1", "--gridlines", "off", "--hcenter",
                                     "on"});
    ASSERT_EQ(run.Code, 0) << run.Err;
    EXPECT_EQ(RunXlsTool({"features", "--kinds", "M,C,R", name}).Out,
              "M\tTabelle1\tA1:D2\n"
              "C\tTabelle1\tB:B\t5120\t0\t0\t15\n"
              "C\tTabelle1\tC:C\t2344\t1\t0\t15\n"
              "R\tTabelle1\t3\t600\t0\t0\t1\n");
    const std::string settings = RunXlsTool({"features", "--kinds", "S", name}).Out;
    for (const char* line : {"gridlines\t0", "zoom\t150/100", "freeze\t1,1,1,1", "margins\t1.0,1.0,1.5,1.5,0.5,0.5",
                             "header\t|Seite &P|", "paper\t9", "fit\t2x1/1", "landscape\t1", "hcenter\t1"})
        EXPECT_NE(settings.find(std::string("S\tTabelle1\t") + line + "\n"), std::string::npos) << line;
    EXPECT_EQ(RunXlsTool({"dump", name}).Out,
              RunXlsTool({"dump", xls::Utf8FromPath(kCorpus / "gen" / "poi_tiny.xls")}).Out);
    EXPECT_NE(RunXlsTool({"sheet", "--help"}).Out.find("--col-width COL=CHARS"), std::string::npos);
}

// Splits options given as one line on blanks.
std::vector<std::string> Words(const std::string& aText)
{
    std::vector<std::string> words;
    std::istringstream in(aText);
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

TEST(XlsToolSheet, RefusedValuesWriteNothing)
{
    TTempDir dir;
    const fs::path file = dir / "book.xls";
    fs::copy_file(kCorpus / "gen" / "poi_tiny.xls", file);
    const xls::TBytes before = FileBytes(file);
    const struct {
        std::string Options;
        int Code;
        std::string Err;
    } cases[] = {
        {"--zoom 1000", 1, "The index \"1000\" of the property \"SheetZoom\" is not in the range 10-400\n"},
        {"--row-height 70000=20", 1, "Invalid Row (69999)\n"},
        {"--merge A1:IW1", 1, "Invalid Column (256)\n"},
        {"--col-width B=20 --scale 70000", 1,
         "The index \"70000\" of the property \"PrintScale\" is not in the range 0-65535\n"},
        {"--freeze A0", 1, "Invalid Row (-1)\n"},
        {"--merge A1:C", 2, ""},
        {"--zoom big", 2, ""},
        {"--gridlines maybe", 2, ""},
        {"--bogus 1", 2, ""},
        {"", 2, ""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"sheet", xls::Utf8FromPath(file), "1"};
        for (const auto& w : Words(c.Options)) args.push_back(w);
        args.insert(args.end(), {"-o", xls::Utf8FromPath(dir / "out.xls")});
        const TToolRun run = RunXlsTool(args);
        EXPECT_EQ(run.Code, c.Code) << c.Options;
        if (c.Code == 1) {
            EXPECT_EQ(run.Err, "xlstool: " + xls::Utf8FromPath(file) + ": " + c.Err) << c.Options;
        }
    }
    EXPECT_EQ(FileBytes(file), before);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"book.xls"});
}

TEST(XlsToolFeatures, KindsAndFailures)
{
    const std::string layout = xls::Utf8FromPath(kCorpus / "gen" / "poi_layout.xls");
    const TToolRun merged = RunXlsTool({"features", "--kinds", "M", layout});
    EXPECT_EQ(merged.Code, 0);
    EXPECT_EQ(merged.Out, "M\tLayout\tA1:C1\nM\tLayout\tE3:F6\nM\tLayout\tH10:H20\n");
    EXPECT_EQ(RunXlsTool({"features", "--kinds", "M,Q", layout}).Code, 2);
    EXPECT_EQ(RunXlsTool({"features"}).Code, 2);
    const TToolRun encrypted = RunXlsTool({"features", xls::Utf8FromPath(kCorpus / "gen" / "poi_encrypted.xls")});
    EXPECT_EQ(encrypted.Code, 1);
    EXPECT_EQ(encrypted.Err, "xlstool: " + xls::Utf8FromPath(kCorpus / "gen" / "poi_encrypted.xls") +
                                 ": File is password protected (stream \"Workbook\", record FILEPASS (0x002F) at offset 20, "
                                 "workbook globals)\n");
}

}  // namespace
