// xlstool new, set and get, run as a user runs them, including the failures
// that must leave the user's file as it was.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "FacadeTestSupport.h"
#include "RecordTestSupport.h"
#include "facade/UXlsEmptyTemplate.h"

namespace {

using namespace factest;
using rectest::Quoted;
using rectest::RunCommand;
using rectest::RunPython;

const fs::path kCorpus = rectest::kCorpus;

struct TRun {
    int Code = -1;
    std::string Out, Err;
};

// Runs a shell command line; stdout and stderr apart.
TRun Shell(const std::string& command, const fs::path& scratch)
{
    const fs::path err = scratch / "stderr.txt";
    TRun run;
    FILE* p = ::popen((command + " 2>" + Quoted(err.string())).c_str(), "r");
    if (!p) return run;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) run.Out.append(buf, n);
    const int status = ::pclose(p);
    run.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream f(err);
    std::stringstream s;
    s << f.rdbuf();
    run.Err = s.str();
    fs::remove(err);
    return run;
}

std::string Tool(const std::string& args) { return Quoted(rectest::kXlsTool) + " " + args; }

std::string Q(const fs::path& p) { return Quoted(p.string()); }

// Sorted listing of `xlstool streams`: type, size and path of every entry.
std::string StreamLayout(const fs::path& file)
{
    std::istringstream in(rectest::RunXlsTool("streams " + Q(file)).Out);
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
    const TRun one = Shell(Tool("new " + Q(dir / "one.xls")), dir.Path());
    ASSERT_EQ(one.Code, 0) << one.Err;
    EXPECT_EQ(RunPython("xlrd_dump.py", (dir / "one.xls").string()).Out, "#sheet\t0\tSheet1\tvisible\n");
    EXPECT_EQ(fs::file_size(dir / "one.xls"), xls::EmptyWorkbookTemplate().size());
    WriteBytes(dir / "template.xls", xls::EmptyWorkbookTemplate());
    EXPECT_EQ(StreamLayout(dir / "one.xls"), StreamLayout(dir / "template.xls"));

    const TRun three = Shell(Tool("new " + Q(dir / "three.xls") + " 3"), dir.Path());
    ASSERT_EQ(three.Code, 0) << three.Err;
    EXPECT_EQ(RunPython("xlrd_dump.py", (dir / "three.xls").string()).Out,
              "#sheet\t0\tSheet1\tvisible\n#sheet\t1\tSheet2\tvisible\n#sheet\t2\tSheet3\tvisible\n");

    EXPECT_EQ(Shell(Tool("new"), dir.Path()).Code, 2);
    for (const char* bad : {" 0", " x", " 3x", " 4097", " 1 2"})
        EXPECT_EQ(Shell(Tool("new " + Q(dir / "bad.xls") + bad), dir.Path()).Code, 2) << bad;
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
        const std::string end = std::string(c.Text) == "-o" ? " -- " : " ";
        const TRun set = Shell(Tool("set " + Q(file) + " " + Quoted(c.Sheet) + " " + Quoted(c.Cell) + end +
                                    Quoted(c.Text)),
                               dir.Path());
        EXPECT_EQ(set.Code, 0) << set.Err;
        const TRun get = Shell(Tool("get " + Q(file) + " " + Quoted(c.Sheet) + " " + Quoted(c.Cell)), dir.Path());
        EXPECT_EQ(get.Out, c.Line) << get.Err;
    }
    // An empty cell prints nothing; the file reads as before apart from the set cells.
    EXPECT_EQ(Shell(Tool("get " + Q(file) + " 1 Z99"), dir.Path()).Out, "");
    EXPECT_EQ(Shell(Tool("get " + Q(file) + " 1 A1"), dir.Path()).Out, "Werte!A1\ts\tZahl\n");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"tags.xls"});

    // -o leaves the input alone.
    const xls::TBytes before = FileBytes(file);
    ASSERT_EQ(Shell(Tool("set " + Q(file) + " 1 A1 7 -o " + Q(dir / "out.xls")), dir.Path()).Code, 0);
    EXPECT_EQ(FileBytes(file), before);
    EXPECT_EQ(Shell(Tool("get " + Q(dir / "out.xls") + " 1 A1"), dir.Path()).Out, "Werte!A1\tn\t7.0\n");
}

TEST(XlsToolSetGet, RefusalsNameTheProblemAndChangeNothing)
{
    TTempDir dir;
    const fs::path file = dir / "book.xls";
    fs::copy_file(kCorpus / "gen" / "poi_tiny.xls", file);
    const xls::TBytes before = FileBytes(file);
    const std::string missing = (dir / "missing.xls").string();
    // "xlstool: FILE: message", FILE being the file the message is about.
    const std::string in = "xlstool: " + file.string() + ": ";
    const std::string out = (dir / "no" / "out.xls").string();
    const struct {
        std::string Args;
        int Code;
        std::string Err;
    } cases[] = {
        {"get " + Quoted(missing) + " 1 A1", 1,
         "xlstool: " + missing + ": Can't open file \"" + missing + "\": No such file or directory\n"},
        {"get " + Q(file) + " 1 A65537", 1, in + "Invalid Row (65536)\n"},
        {"get " + Q(file) + " 1 IW1", 1, in + "Invalid Column (256)\n"},
        {"set " + Q(file) + " 1 A65537 1", 1, in + "Invalid Row (65536)\n"},
        {"set " + Q(file) + " 1 IW1 1", 1, in + "Invalid Column (256)\n"},
        {"set " + Q(file) + " 2 A1 1", 1, in + "Sheet number \"2\" invalid. Must be between 1 and 1\n"},
        {"set " + Q(file) + " Daten A1 1", 1, in + "There is no sheet \"Daten\"\n"},
        {"set " + Q(file) + " 1 A1 1 -o " + Quoted(out), 1,
         "xlstool: " + out + ": Can't open file \"" + out + "\": No such file or directory\n"},
        {"set " + Q(file) + " 1 A1 1 -o " + Q(dir.Path()), 1,
         "xlstool: " + dir.Path().string() + ": Can't open file \"" + dir.Path().string() + "\": Is a directory\n"},
    };
    for (const auto& c : cases) {
        const TRun run = Shell(Tool(c.Args), dir.Path());
        EXPECT_EQ(run.Code, c.Code) << c.Args;
        EXPECT_EQ(run.Err, c.Err) << c.Args;
        EXPECT_EQ(run.Out, "") << c.Args;
    }
    const std::string chart = Quoted((kCorpus / "gen" / "gnm_chart_sheet.xls").string());
    for (const char* sheet : {"2", "Diagrammblatt"}) {
        const TRun run = Shell(Tool("get " + chart + " " + sheet + " A1"), dir.Path());
        EXPECT_EQ(run.Code, 1);
        EXPECT_EQ(run.Err, "xlstool: " + (kCorpus / "gen" / "gnm_chart_sheet.xls").string() + ": Sheet " +
                               std::string(sheet) + " is not a worksheet\n");
    }
    for (const char* usage : {"get", "set", "get F 1", "get F 1 7C", "get F 1 ABCD1", "get F 1 A", "set F 1 A1",
                              "set F 1 A1 x -o", "set F 1 A1 x y"})
        EXPECT_EQ(Shell(Tool(usage), dir.Path()).Code, 2) << usage;
    EXPECT_EQ(FileBytes(file), before);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"book.xls"});
}

// An ordinary user cannot save over a write-protected file, nor in a folder
// they may not write to; the file stays as it was and nothing is left behind.
TEST(XlsToolSetGet, WriteProtectionIsRespected)
{
    TTempDir dir;
    fs::create_directory(dir / "closed");
    const fs::path readOnly = dir / "readonly.xls";
    const fs::path inClosed = dir / "closed" / "book.xls";
    for (const fs::path& f : {readOnly, inClosed}) fs::copy_file(kCorpus / "gen" / "poi_tiny.xls", f);
    ::chmod(readOnly.c_str(), 0444);
    ::chmod(inClosed.c_str(), 0666);
    ::chmod((dir / "closed").c_str(), 0755);
    std::string asUser;
    if (::geteuid() == 0) {
        if (RunCommand("command -v setpriv").Code != 0) GTEST_SKIP() << "needs setpriv to run as an ordinary user";
        for (const fs::path& f : {readOnly, inClosed}) ASSERT_EQ(::chown(f.c_str(), kNobody, kNobody), 0);
        asUser = "setpriv --reuid=" + std::to_string(kNobody) + " --regid=" + std::to_string(kNobody) +
                 " --clear-groups ";
    }
    const xls::TBytes original = FileBytes(readOnly);
    for (const fs::path& f : {readOnly, inClosed}) {
        const TRun run = Shell(asUser + Tool("set " + Q(f) + " 1 C7 4022250974"), dir.Path());
        EXPECT_EQ(run.Code, 1) << f;
        EXPECT_EQ(run.Err, "xlstool: " + f.string() + ": Can't open file \"" + f.string() + "\": Permission denied\n");
        EXPECT_EQ(FileBytes(f), original);
    }
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"closed", "readonly.xls"}));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "closed"), fs::directory_iterator()), 1);
}

// A disk that fills up while the workbook is written: a small file system of
// its own (in a private mount namespace, so nothing outlives the test).
TEST(XlsToolSetGet, AFullDiskLeavesTheFileIntact)
{
    TTempDir dir;
    fs::create_directory(dir / "disk");
    const fs::path source = kCorpus / "gen" / "poi_large_5000x10.xls";
    const std::string script =
        "mount -t tmpfs -o size=1600k tmpfs " + Q(dir / "disk") + " 2>/dev/null || exit 77\n"
        "cp " + Q(source) + " " + Q(dir / "disk" / "book.xls") + "\n"
        "before=$(sha256sum < " + Q(dir / "disk" / "book.xls") + ")\n" +
        Tool("set " + Q(dir / "disk" / "book.xls") + " 1 C7 4022250974") + " 2>" + Q(dir / "err.txt") + "\n"
        "echo \"exit $?\"\n"
        "[ \"$before\" = \"$(sha256sum < " + Q(dir / "disk" / "book.xls") + ")\" ] && echo unchanged\n"
        "ls -A " + Q(dir / "disk") + "\n";
    std::ofstream(dir / "run.sh") << script;
    const auto run = RunCommand("unshare -m sh " + Q(dir / "run.sh"));
    if (run.Code == 77 || run.Code < 0 || run.Out.empty()) GTEST_SKIP() << "cannot mount a small file system here";
    EXPECT_EQ(run.Out, "exit 1\nunchanged\nbook.xls\n");
    std::ifstream err(dir / "err.txt");
    std::string message;
    std::getline(err, message);
    EXPECT_NE(message.find("No space left on device"), std::string::npos) << message;
}

}  // namespace
