// Saving over a file: the old file stays intact until the new one is complete.
#include <gtest/gtest.h>

#include "FacadeTestSupport.h"
#include "SafeSaveTestSupport.h"
#include "base/UXlsPaths.h"
#include "cfb/USafeFileSave.h"

namespace {

using namespace factest;
using namespace safesavetest;
using namespace xls;

TEST(SafeFileSave, AFailingWriteLeavesTheFileAsItWasAndNoTemporaryFile)
{
    TTempDir dir;
    const fs::path file = dir / "book.xls";
    WriteBytes(file, kOld);
    const std::string error = ErrorOf([&] {
        SaveFileSafely(file.string(), [](TStream& s) {
            TFailingStream failing(s, 40000);
            WriteNew(failing);
        });
    });
    EXPECT_EQ(error, "I/O error on file \"injected\": No space left on device");
    EXPECT_EQ(FileBytes(file), kOld);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"book.xls"});
}

TEST(SafeFileSave, RefusesTargetsItCannotReplace)
{
    TTempDir dir;
    fs::create_directory(dir / "folder");
    EXPECT_EQ(ErrorOf([&] { SaveFileSafely((dir / "missing" / "book.xls").string(), WriteNew); }),
              "Can't open file \"" + (dir / "missing" / "book.xls").string() + "\": No such file or directory");
    EXPECT_EQ(ErrorOf([&] { SaveFileSafely((dir / "folder").string(), WriteNew); }),
              "Can't open file \"" + (dir / "folder").string() + "\": Is a directory");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"folder"});
    EXPECT_TRUE(fs::is_empty(dir / "folder"));
}

// Names beyond ASCII and paths beyond the classic 260 characters of Windows,
// for a new file and for one that is replaced.
TEST(SafeFileSave, SavesUnderAnyNameAndPathLength)
{
    TTempDir dir;
    fs::path deep = dir.Path();
    while (deep.native().size() < 300) deep /= PathFromUtf8("Ordner mit langem Namen für die Ablage " + std::to_string(deep.native().size()));
    fs::create_directories(LongPathForm(deep));
    for (const fs::path& file : {dir / "Lager äöü ß €.xls", dir / "在庫 \U0001F600.xls", deep / "Ausleihe.xls"}) {
        SCOPED_TRACE(Utf8FromPath(file));
        const std::string name = Utf8FromPath(file);
        SaveFileSafely(name, [](TStream& s) { s.Write(kOld.data(), kOld.size()); });
        EXPECT_EQ(FileBytes(file), kOld);
        SaveFileSafely(name, WriteNew);
        EXPECT_EQ(FileBytes(file), kNew);
    }
    // (The C runtime's folder listing stops at 260 characters on Windows: the
    // short folder stands for both.)
    EXPECT_EQ(dir.Names().size(), 3u) << "no temporary file is left";
}

}  // namespace
