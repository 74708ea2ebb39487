// xlstool set on POSIX systems: file permissions for an ordinary user and a
// disk that fills up, run through the shell as a user runs them.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "FacadeTestSupport.h"
#include "PosixTestSupport.h"
#include "RecordTestSupport.h"

namespace {

using namespace factest;
using posixtest::kNobody;

const fs::path kCorpus = rectest::kCorpus;

struct TRun {
    int Code = -1;
    std::string Out, Err;
};

std::string Quoted(const std::string& s)
{
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string Q(const fs::path& p) { return Quoted(p.string()); }

std::string Tool(const std::string& args) { return Quoted(rectest::kXlsTool) + " " + args; }

// Runs a shell command line; stdout and stderr apart.
TRun Shell(const std::string& command, const fs::path& scratch)
{
    const fs::path err = scratch / "stderr.txt";
    TRun run;
    FILE* p = ::popen((command + " 2>" + Q(err)).c_str(), "r");
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

// An ordinary user cannot save over a write-protected file, nor in a folder
// they may not write to; the file stays as it was and nothing is left behind.
TEST(XlsToolSetGet, WriteProtectionIsRespected)
{
    TTempDir dir;
    fs::permissions(dir.Path(), fs::perms::all);  // the ordinary user works in it
    fs::create_directory(dir / "closed");
    const fs::path readOnly = dir / "readonly.xls";
    const fs::path inClosed = dir / "closed" / "book.xls";
    for (const fs::path& f : {readOnly, inClosed}) fs::copy_file(kCorpus / "gen" / "poi_tiny.xls", f);
    ::chmod(readOnly.c_str(), 0444);
    ::chmod(inClosed.c_str(), 0666);
    ::chmod((dir / "closed").c_str(), 0755);
    std::string asUser;
    if (::geteuid() == 0) {
        if (Shell("command -v setpriv", dir.Path()).Code != 0) GTEST_SKIP() << "needs setpriv to run as an ordinary user";
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
    const auto run = Shell("unshare -m sh " + Q(dir / "run.sh"), dir.Path());
    if (run.Code == 77 || run.Code < 0 || run.Out.empty()) GTEST_SKIP() << "cannot mount a small file system here";
    EXPECT_EQ(run.Out, "exit 1\nunchanged\nbook.xls\n");
    std::ifstream err(dir / "err.txt");
    std::string message;
    std::getline(err, message);
    EXPECT_NE(message.find("No space left on device"), std::string::npos) << message;
}

}  // namespace
