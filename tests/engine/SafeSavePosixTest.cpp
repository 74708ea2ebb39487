// Saving over a file on POSIX systems: permission bits, owners, symbolic
// links and what an ordinary user may not write.
#include <gtest/gtest.h>

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

    for (const fs::path& target : {readOnly, inClosed}) {
        const std::string expected = "Can't open file \"" + target.string() + "\": Permission denied";
        const int code = RunAsOrdinaryUser([&] {
            return ErrorOf([&] { SaveFileSafely(target.string(), WriteNew); }) == expected ? 0 : 1;
        });
        EXPECT_EQ(code, 0) << target;
        EXPECT_EQ(FileBytes(target), kOld) << target;
    }
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"closed", "readonly.xls"}));
    EXPECT_EQ(fs::directory_iterator(dir / "closed")->path(), inClosed);
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
