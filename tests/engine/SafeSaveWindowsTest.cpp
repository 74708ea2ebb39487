// Saving over a file on Windows: write-protected files, files that another
// program holds open, and the attributes a replaced file keeps.
#include <windows.h>

#include <gtest/gtest.h>

#include <system_error>

#include "FacadeTestSupport.h"
#include "HeldFileWindows.h"
#include "SafeSaveTestSupport.h"
#include "base/UXlsPaths.h"
#include "cfb/USafeFileSave.h"

namespace {

using namespace factest;
using namespace safesavetest;
using namespace xls;
using testproc::THeldFile;

// The system's own texts, which Wine words differently.
const std::string kInUse = std::system_category().message(ERROR_SHARING_VIOLATION);
const std::string kDenied = std::system_category().message(ERROR_ACCESS_DENIED);

std::string SaveError(const fs::path& file)
{
    return ErrorOf([&] { SaveFileSafely(Utf8FromPath(file), WriteNew); });
}

TEST(SafeFileSaveWindows, RefusesAWriteProtectedFile)
{
    TTempDir dir;
    const fs::path file = dir.Path() / PathFromUtf8("Schreibgeschützt.xls");
    WriteBytes(file, kOld);
    ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(SaveError(file), "Can't open file \"" + Utf8FromPath(file) + "\": Permission denied");
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(FileBytes(file), kOld);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"Schreibgeschützt.xls"});
}

// Held by another program: refused before anything is written when the
// program lets nobody write the file; when it lets others write but not
// rename it, the rename fails and the file is as it was. Either way nothing
// is left behind.
TEST(SafeFileSaveWindows, AFileHeldOpenByAnotherProgramStaysAsItWas)
{
    const struct {
        const char* Access;
        const char* Share;
        std::string Error;
    } cases[] = {
        {"rw", "-", "Can't open file \"%s\": " + kInUse},
        {"r", "r", "Can't open file \"%s\": " + kInUse},
        {"r", "rw", "I/O error on file \"%s\": " + kDenied},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Access) + " sharing " + c.Share);
        TTempDir dir;
        const fs::path file = dir / "Ausleihe.xls";
        WriteBytes(file, kOld);
        {
            const THeldFile held(file, c.Access, c.Share);
            ASSERT_EQ(held.State(), "held");
            std::string expected = c.Error;
            expected.replace(expected.find("%s"), 2, Utf8FromPath(file));
            EXPECT_EQ(SaveError(file), expected);
        }
        EXPECT_EQ(FileBytes(file), kOld);
        EXPECT_EQ(dir.Names(), std::vector<std::string>{"Ausleihe.xls"});
    }
}

// Reading a workbook lets other programs read and write it meanwhile.
TEST(SafeFileSaveWindows, AFileBeingReadStaysOpenToOthers)
{
    TTempDir dir;
    const fs::path file = dir / "Ausleihe.xls";
    WriteBytes(file, kOld);
    TFileStream reading(Utf8FromPath(file), TFileMode::OpenRead);
    EXPECT_EQ(THeldFile(file, "rw", "rw").State(), "held");
}

TEST(SafeFileSaveWindows, AHiddenFileStaysHidden)
{
    TTempDir dir;
    const fs::path file = dir / "Ausleihe.xls";
    WriteBytes(file, kOld);
    ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_HIDDEN));
    SaveFileSafely(Utf8FromPath(file), WriteNew);
    EXPECT_EQ(FileBytes(file), kNew);
    EXPECT_TRUE(GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_HIDDEN);
}

}  // namespace
