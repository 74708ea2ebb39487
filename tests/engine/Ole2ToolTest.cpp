// xlstool streams and cfb-copy, run as the user runs them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "Ole2TestFiles.h"
#include "TestProcess.h"

using namespace ole2test;
namespace fs = std::filesystem;

namespace {

const std::string kCorpus = TAGSTATION_CORPUS_DIR;
const std::string kXlsTool = TAGSTATION_XLSTOOL;

using testproc::RunProgram;
using testproc::TRun;
using testproc::TTempDir;

std::string FileText(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void WriteFile(const fs::path& p, const TBytes& bytes)
{
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Every corpus workbook, real ones and generated ones, in name order.
std::vector<fs::path> CorpusFiles()
{
    std::vector<fs::path> files;
    for (const char* folder : {"real", "gen"})
        for (const auto& entry : fs::directory_iterator(kCorpus + "/" + folder))
            if (entry.path().extension() == ".xls") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

fs::path Expected(const fs::path& file, const std::string& kind)
{
    return fs::path(kCorpus) / "expected" / (file.filename().string() + kind);
}

}  // namespace

TEST(Ole2Tool, CfbCopyKeepsEveryStreamOfEveryCorpusWorkbook)
{
    TTempDir tmp;
    int checked = 0;
    for (const fs::path& original : CorpusFiles()) {
        if (!fs::exists(Expected(original, ".dump"))) continue;
        SCOPED_TRACE(original.filename().string());
        const fs::path copy = tmp / original.filename().string();
        TRun r = RunProgram({kXlsTool, "cfb-copy", original.string(), copy.string()});
        ASSERT_TRUE(r.Code == 0) << r.Err;

        TBytes inBytes = ReadFileBytes(original.string());
        TBytes outBytes = ReadFileBytes(copy.string());
        TMemoryStream inStream(inBytes), outStream(outBytes);
        TOle2File in(inStream), out(outStream);
        std::vector<TOle2Directory> dir = in.ReadDirectory();
        for (std::size_t i = 1; i < dir.size(); ++i) {
            if (dir[i].ObjType() != STGTY_STREAM) continue;
            std::u16string name = dir[i].Name();
            TBytes expected = ReadWholeStream(in, name);
            if (TOle2File::SameName(name, u"Workbook") && expected.size() < 4096) expected.resize(4096, 0);
            EXPECT_EQ(ReadWholeStream(out, name), expected) << Utf16ToUtf8(name);
        }

        TRun dump = testproc::RunPythonReader("xlrd_dump.py", {}, copy);
        EXPECT_EQ(dump.Code, 0) << dump.Err;
        EXPECT_EQ(dump.Out, FileText(Expected(original, ".dump")));
        ++checked;
    }
    EXPECT_GE(checked, 40);
}

TEST(Ole2Tool, RefusedCorpusFilesNeverCrashTheTools)
{
    TTempDir tmp;
    int checked = 0;
    for (const fs::path& original : CorpusFiles()) {
        if (!fs::exists(Expected(original, ".error"))) continue;
        SCOPED_TRACE(original.filename().string());
        const bool corrupt = original.filename() == "corrupted_error.xls";
        TRun streams = RunProgram({kXlsTool, "streams", original.string()});
        TRun copy = RunProgram({kXlsTool, "cfb-copy", original.string(), (tmp / "copy.xls").string()});
        for (const TRun& r : {streams, copy}) {
            ASSERT_NE(r.Code, -1) << "ended abnormally";
            EXPECT_TRUE(r.Code == 0 || r.Code == 1) << r.Code;
            if (corrupt) {
                EXPECT_EQ(r.Code, 1);
                EXPECT_EQ(r.Err, "xlstool: " + original.string() +
                                     ": Error reading Excel records. File invalid (sector 2 at file offset 1536)\n");
            }
        }
        if (copy.Code != 0) {
            EXPECT_TRUE(fs::is_empty(tmp.Path())) << "a failed copy leaves nothing behind";
        }
        fs::remove(tmp / "copy.xls");
        ++checked;
    }
    EXPECT_GE(checked, 4);
}

TEST(Ole2Tool, StreamsListsEveryEntryWithItsPath)
{
    std::vector<TTestEntry> e{Root(),
                              {u"Workbook", STGTY_STREAM, Pattern(5000, 1), 3, 2},
                              {u"\x05SummaryInformation", STGTY_STREAM, Pattern(200, 2)},
                              {u"_VBA_PROJECT_CUR", STGTY_STORAGE, {}, NOSTREAM, NOSTREAM, 4},
                              {u"VBA", STGTY_STORAGE, {}, NOSTREAM, NOSTREAM, 5},
                              {u"dir", STGTY_STREAM, Pattern(300, 3)},
                              {u"Lost/One", STGTY_STREAM, Pattern(10, 4)},
                              {u"Old", STGTY_INVALID, {}}};
    e[0].Child = 1;
    TTempDir tmp;
    WriteFile(tmp / "f.xls", BuildCompoundFile(e).Bytes);
    TRun r = RunProgram({kXlsTool, "streams", (tmp / "f.xls").string()});
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out,
              "0\troot\t640\t/\n"
              "1\tstream\t5000\t/Workbook\n"
              "2\tstream\t200\t/\\x05SummaryInformation\n"
              "3\tstorage\t0\t/_VBA_PROJECT_CUR\n"
              "4\tstorage\t0\t/_VBA_PROJECT_CUR/VBA\n"
              "5\tstream\t300\t/_VBA_PROJECT_CUR/VBA/dir\n"
              "6\tstream\t10\t?/Lost\\x2fOne\n"
              "7\tfree\t0\t?/Old\n");
}

TEST(Ole2Tool, BadInputExitsWithOneAndAClearMessage)
{
    TTempDir tmp;
    WriteFile(tmp / "random.xls", Pattern(5000, 11));
    TBytes damaged = BuildCompoundFile(FlatTree({Root(), {u"Workbook", STGTY_STREAM, Pattern(5000, 1)}})).Bytes;
    SetCardinal(damaged, 44, 0x7FFFFFFF);
    WriteFile(tmp / "damaged.xls", damaged);
    WriteFile(tmp / "nobook.xls", BuildCompoundFile(FlatTree({Root(), {u"Books", STGTY_STREAM, Pattern(5000, 1)}})).Bytes);
    WriteFile(tmp / "out.xls", TBytes{1, 2, 3});

    struct Case {
        std::vector<std::string> Args;
        int Code;
        std::string Err;
    };
    const std::string in = (tmp / "random.xls").string(), out = (tmp / "out.xls").string();
    const std::string nobook = (tmp / "nobook.xls").string(), broken = (tmp / "damaged.xls").string();
    const std::vector<Case> cases{
        {{"streams", in}, 1, "xlstool: " + in + ": The file \"" + in + "\" is invalid\n"},
        {{"cfb-copy", in, out}, 1, "xlstool: " + in + ": The file \"" + in + "\" is invalid\n"},
        {{"streams", broken}, 1, "xlstool: " + broken + ": Error reading Excel records. File invalid\n"},
        {{"cfb-copy", nobook, out}, 1, "xlstool: " + nobook + ": The file \"" + nobook + "\" is invalid\n"},
        {{"cfb-copy", (tmp / "missing.xls").string(), out}, 1, ""},
        {{"streams"}, 2, ""},
        {{"cfb-copy", in}, 2, ""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{kXlsTool};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        TRun r = RunProgram(args);
        EXPECT_EQ(r.Code, c.Code) << c.Args[0] << ' ' << r.Err;
        EXPECT_TRUE(r.Out.empty());
        if (!c.Err.empty()) {
            EXPECT_EQ(r.Err, c.Err);
        }
        EXPECT_FALSE(r.Err.empty());
    }
    EXPECT_EQ(ReadFileBytes(out), (TBytes{1, 2, 3})) << "a failed copy leaves OUT as it was";
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.Path()), fs::directory_iterator()), 4) << "and no temporary file";
}
