// Saving over a file on POSIX systems: permission bits, owners, symbolic
// links, what an ordinary user may not write, locks, read-only mounts and
// network paths.
#include <gtest/gtest.h>

#include <sys/file.h>
#include <sys/mount.h>

#include <fcntl.h>
#include <sched.h>

#include <fstream>

#include "FacadeTestSupport.h"
#include "PosixTestSupport.h"
#include "SafeSaveTestSupport.h"
#include "cfb/USafeFileSave.h"

namespace {

using namespace factest;
using namespace posixtest;
using namespace safesavetest;
using namespace xls;

TEST(SafeFileSave, CreatesANewFileWithTheUsualPermissions)
{
    TTempDir dir;
    const mode_t mask = ::umask(022);
    SaveFileSafely((dir / "new.xls").string(), WriteNew);
    ::umask(mask);
    EXPECT_EQ(FileBytes(dir / "new.xls"), kNew);
    EXPECT_EQ(ModeOf(dir / "new.xls"), 0644u);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"new.xls"});
}

TEST(SafeFileSave, ReplacesAFileKeepingItsPermissions)
{
    for (const unsigned mode : {0600u, 0640u, 0664u}) {
        TTempDir dir;
        const fs::path file = dir / "book.xls";
        WriteBytes(file, kOld);
        ::chmod(file.c_str(), mode);
        SaveFileSafely(file.string(), WriteNew);
        EXPECT_EQ(FileBytes(file), kNew);
        EXPECT_EQ(ModeOf(file), mode);
        EXPECT_EQ(dir.Names(), std::vector<std::string>{"book.xls"});
    }
}

TEST(SafeFileSave, FollowsASymbolicLink)
{
    TTempDir dir;
    WriteBytes(dir / "real.xls", kOld);
    fs::create_symlink("real.xls", dir / "link.xls");
    SaveFileSafely((dir / "link.xls").string(), WriteNew);
    EXPECT_TRUE(fs::is_symlink(dir / "link.xls"));
    EXPECT_EQ(FileBytes(dir / "real.xls"), kNew);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"link.xls", "real.xls"}));
}

// What an ordinary user may not write stays as it was, and no temporary file
// remains: a write-protected file, and a writable file in a folder the user
// may not write to.
TEST(SafeFileSave, RefusesWhatTheUserMayNotWrite)
{
    TTempDir dir;
    fs::permissions(dir.Path(), fs::perms::all);  // the ordinary user works in it
    const fs::path readOnly = dir / "readonly.xls";
    WriteBytes(readOnly, kOld);
    ::chmod(readOnly.c_str(), 0444);
    fs::create_directory(dir / "closed");
    const fs::path inClosed = dir / "closed" / "book.xls";
    WriteBytes(inClosed, kOld);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(readOnly.c_str(), kNobody, kNobody), 0);
        ASSERT_EQ(::chown(inClosed.c_str(), kNobody, kNobody), 0);
    }
    ::chmod((dir / "closed").c_str(), 0755);
    ::chmod(inClosed.c_str(), 0666);

    for (const fs::path& target : {readOnly, inClosed, dir / "closed" / "new.xls"}) {
        const std::string expected = "Can't open file \"" + target.string() + "\": Permission denied";
        const int code = RunAsOrdinaryUser([&] {
            return ErrorOf([&] { SaveFileSafely(target.string(), WriteNew); }) == expected ? 0 : 1;
        });
        EXPECT_EQ(code, 0) << target;
        if (fs::exists(target)) {
            EXPECT_EQ(FileBytes(target), kOld) << target;
        }
    }
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"closed", "readonly.xls"}));
    EXPECT_EQ(fs::directory_iterator(dir / "closed")->path(), inClosed);
}

// The target open in another program that locks it, with a record lock or a
// lock on the whole file: the file stays as it is, under that program.
TEST(SafeFileSave, RefusesAFileAnotherProgramHoldsLocked)
{
    const struct {
        const char* What;
        std::function<bool(int)> Lock;
    } locks[] = {
        {"record lock",
         [](int fd) {
             struct flock l {};
             l.l_type = F_WRLCK;
             l.l_whence = SEEK_SET;
             return ::fcntl(fd, F_SETLK, &l) == 0;
         }},
        {"whole-file lock", [](int fd) { return ::flock(fd, LOCK_EX) == 0; }},
    };
    for (const auto& lock : locks) {
        TTempDir dir;
        const fs::path file = dir / "book.xls";
        WriteBytes(file, kOld);
        // The other program: locks the file, says so, and holds it until told to stop.
        int locked[2], stop[2];
        ASSERT_EQ(::pipe(locked), 0);
        ASSERT_EQ(::pipe(stop), 0);
        const pid_t other = ::fork();
        ASSERT_GE(other, 0);
        if (other == 0) {
            ::close(locked[0]);
            ::close(stop[1]);
            const int fd = ::open(file.c_str(), O_RDWR);
            const char ok = fd >= 0 && lock.Lock(fd) ? '1' : '0';
            if (::write(locked[1], &ok, 1) != 1) ::_exit(1);
            char c;
            while (::read(stop[0], &c, 1) < 0 && errno == EINTR) {
            }
            ::_exit(0);
        }
        ::close(locked[1]);
        ::close(stop[0]);
        char ok = '0';
        ASSERT_EQ(::read(locked[0], &ok, 1), 1);
        ASSERT_EQ(ok, '1') << lock.What;

        EXPECT_EQ(ErrorOf([&] { SaveFileSafely(file.string(), WriteNew); }),
                  "Can't write to file \"" + file.string() + "\". Check it is not in use by another user")
            << lock.What;
        EXPECT_EQ(FileBytes(file), kOld) << lock.What;
        EXPECT_EQ(dir.Names(), std::vector<std::string>{"book.xls"}) << lock.What;

        ::close(locked[0]);
        ::close(stop[1]);  // the other program ends
        ::waitpid(other, nullptr, 0);
        SaveFileSafely(file.string(), WriteNew);  // once the other program is gone
        EXPECT_EQ(FileBytes(file), kNew) << lock.What;
    }
}

// A target on a file system mounted read-only (a small one of its own, in a
// private mount namespace of a child process, so nothing outlives the test):
// the file stays as it is, and a new file is not made.
TEST(SafeFileSave, RefusesATargetOnAReadOnlyFileSystem)
{
    TTempDir dir;
    fs::create_directory(dir / "ro");
    const fs::path file = dir / "ro" / "book.xls";
    const fs::path report = dir / "report.txt";
    const int code = RunInChild([&] {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", (dir / "ro").c_str(), "tmpfs", 0, "size=1m") != 0)
            return 77;
        WriteBytes(file, kOld);
        if (::mount(nullptr, (dir / "ro").c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) return 77;
        std::ofstream out(report);
        out << ErrorOf([&] { SaveFileSafely(file.string(), WriteNew); }) << '\n'
            << ErrorOf([&] { SaveFileSafely((dir / "ro" / "new.xls").string(), WriteNew); }) << '\n'
            << (FileBytes(file) == kOld ? "unchanged" : "changed") << '\n';
        for (const auto& e : fs::directory_iterator(dir / "ro")) out << e.path().filename().string() << '\n';
        return 0;
    });
    if (code == 77) GTEST_SKIP() << "cannot mount a file system here";
    ASSERT_EQ(code, 0);
    std::ifstream in(report);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "Can't open file \"" + file.string() + "\": Read-only file system\n" +
                        "Can't open file \"" + (dir / "ro" / "new.xls").string() + "\": Read-only file system\n" +
                        "unchanged\nbook.xls\n");
}

// Network paths to a server that is not there, in the forms of both
// platforms: refused, and nothing is written in the working folder either.
TEST(SafeFileSave, RefusesANetworkPathThatDoesNotExist)
{
    for (const std::string path : {"//no-such-server/share/book.xls", "\\\\no-such-server\\share\\book.xls"}) {
        TTempDir dir;
        const int code = RunInChild([&] {
            if (::chdir(dir.Path().c_str()) != 0) return 2;
            const std::string error = ErrorOf([&] { SaveFileSafely(path, WriteNew); });
            return error == "Can't open file \"" + path + "\": No such file or directory" ? 0 : 1;
        });
        EXPECT_EQ(code, 0) << path;
        EXPECT_TRUE(dir.Names().empty()) << path;
    }
}

TEST(SafeFileSave, KeepsTheOwnerWhenSavedByAnAdministrator)
{
    if (::geteuid() != 0) GTEST_SKIP() << "needs root";
    TTempDir dir;
    const fs::path file = dir / "book.xls";
    WriteBytes(file, kOld);
    ASSERT_EQ(::chown(file.c_str(), kNobody, kNobody), 0);
    SaveFileSafely(file.string(), WriteNew);
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, kNobody);
    EXPECT_EQ(st.st_gid, kNobody);
}

}  // namespace
