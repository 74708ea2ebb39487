// Whole workbooks of the corpus through xlstool: every readable file dumps
// as the reference dump, copies into a file that both dumps read the same,
// keeps every other stream byte for byte, and copies again into the same
// bytes; every file that must be refused is refused with its message and
// nothing written.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "RecordTestSupport.h"
#include "facade/UExcelRecords.h"

using namespace rectest;
namespace fs = std::filesystem;

namespace {

using testproc::TTempDir;

std::string FileText(const fs::path& aPath)
{
    std::ifstream in(aPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

fs::path Expected(const fs::path& aFile, const std::string& aExtension)
{
    return aFile.parent_path().parent_path() / "expected" / (aFile.filename().string() + aExtension);
}

// The offset of the first sheet's BOF: the second BOF of the stream.
std::size_t FirstSheetOffset(const TBytes& aStream)
{
    std::size_t bofs = 0;
    for (std::size_t pos = 0; pos + 4 <= aStream.size(); pos += 4 + GetWord(aStream, pos + 2))
        if (GetWord(aStream, pos) == xlr_BOF && ++bofs == 2) return pos;
    return aStream.size();
}

}  // namespace

TEST(WorkbookCorpus, DumpCopyAndCopyAgain)
{
    TTempDir tmp;
    std::size_t checked = 0;
    for (const fs::path& file : ReadableCorpusFiles()) {
        SCOPED_TRACE(file.filename().string());
        const std::string expected = FileText(Expected(file, ".dump"));
        const TToolRun dump = RunXlsTool({"dump", file.string()});
        EXPECT_EQ(dump.Code, 0);
        EXPECT_EQ(dump.Out, expected);

        const fs::path copy = tmp.Path() / "copy.xls";
        const fs::path again = tmp.Path() / "again.xls";
        ASSERT_EQ(RunXlsTool({"copy", file.string(), copy.string()}).Code, 0);
        EXPECT_EQ(RunXlsTool({"dump", copy.string()}).Out, expected);
        EXPECT_EQ(RunPython("xlrd_dump.py", copy.string()).Out, expected);
        EXPECT_EQ(OtherStreams(copy), OtherStreams(file));

        ASSERT_EQ(RunXlsTool({"copy", copy.string(), again.string()}).Code, 0);
        EXPECT_TRUE(ReadFileBytes(again.string()) == ReadFileBytes(copy.string())) << "the save is a fixed point";
        fs::remove(copy);
        fs::remove(again);
        ++checked;
    }
    EXPECT_GE(checked, 40u);
}

TEST(WorkbookCorpus, RefusedFilesWriteNothing)
{
    const std::map<std::string, std::set<std::string>> messages{
        {"encrypted", {"File is password protected"}},
        {"corrupt", {"Error reading Excel records. File invalid"}},
        {"not-biff8", {R"(The file "%s" is invalid)", "Template file is saved with an invalid Excel version"}},
    };
    // "xlstool: FILE: " and the message of the file's kind, with the file's
    // name where it has a place for one, then the place where it stopped.
    const auto isMessageOf = [&](const std::string& kind, const fs::path& file, const std::string& text) {
        const std::string prefix = "xlstool: " + file.string() + ": ";
        for (const std::string& format : messages.at(kind)) {
            const std::string message = prefix + FormatText(format, {file.string()}) + " (";
            if (text.starts_with(message) && text.ends_with(")")) return true;
        }
        return false;
    };
    TTempDir tmp;
    std::size_t checked = 0;
    const fs::path corpus = kCorpus;
    for (const char* folder : {"real", "gen"}) {
        for (const auto& entry : fs::directory_iterator(corpus / folder)) {
            const fs::path file = entry.path();
            if (!fs::exists(Expected(file, ".error"))) continue;
            SCOPED_TRACE(file.filename().string());
            std::string kind = FileText(Expected(file, ".error"));
            while (!kind.empty() && (kind.back() == '\n' || kind.back() == '\r')) kind.pop_back();
            ASSERT_TRUE(messages.contains(kind)) << kind;

            const TToolRun dump = RunXlsTool({"dump", file.string()});
            EXPECT_EQ(dump.Code, 1);
            EXPECT_EQ(dump.Out, "") << "nothing on stdout";
            const std::string& error = dump.Err;
            EXPECT_TRUE(isMessageOf(kind, file, error.substr(0, error.size() - 1))) << error;

            const fs::path out = tmp.Path() / "out.xls";
            const TToolRun copy = RunXlsTool({"copy", file.string(), out.string()}, true);
            EXPECT_EQ(copy.Code, 1);
            EXPECT_TRUE(isMessageOf(kind, file, copy.Out.substr(0, copy.Out.size() - 1))) << copy.Out;
            EXPECT_FALSE(fs::exists(out));
            EXPECT_TRUE(fs::is_empty(tmp.Path())) << "no temporary file is left";
            ++checked;
        }
    }
    EXPECT_GE(checked, 4u);
}

// Refusals say where they stopped: the record and its offset in the stream,
// the sheet, or the compound file's sector; for a file that is no compound
// file, the record it starts with.
TEST(WorkbookCorpus, RefusalsNameWhereTheyStopped)
{
    TTempDir tmp;
    // poi_tiny.xls with its number cell moved past the last column.
    TBytes stream = ole2test::ReadStreamOf(ReadFileBytes(kCorpus + "/gen/poi_tiny.xls"), u"Workbook");
    SetWord(stream, 1592 + 4 + 2, 2053);
    const fs::path moved = tmp.Path() / "moved.xls";
    const TBytes movedFile = CompoundFileWith(stream);
    std::ofstream(moved, std::ios::binary)
        .write(reinterpret_cast<const char*>(movedFile.data()), std::streamsize(movedFile.size()));

    const std::string corpus = kCorpus + "/";
    const std::string filepass = R"(File is password protected (stream "Workbook", record FILEPASS (0x002F) at offset 20, workbook globals))";
    const std::pair<std::string, std::string> cases[] = {
        {corpus + "gen/poi_encrypted.xls", filepass},
        {corpus + "gen/lo_encrypted.xls", filepass},
        {corpus + "real/corrupted_error.xls", "Error reading Excel records. File invalid (sector 2 at file offset 1536)"},
        {corpus + "real/biff4_no_format_no_window2.xls",
         "The file \"" + corpus + "real/biff4_no_format_no_window2.xls\" is invalid (record BOF(BIFF4) (0x0409) at offset 0)"},
        {moved.string(),
         R"(Invalid Column (2053) (stream "Workbook", record NUMBER (0x0203) at offset 1592, sheet 1 "Tabelle1"))"},
    };
    for (const auto& [file, message] : cases) {
        const TToolRun dump = RunXlsTool({"dump", file}, true);
        EXPECT_EQ(dump.Code, 1) << file;
        EXPECT_EQ(dump.Out, "xlstool: " + file + ": " + message + "\n");
    }
}

// The files of other writers that bend the format take a tag like any other:
// set C7 and D7 of the first sheet, and the saved file reads as the original
// with exactly those two cells changed; every other stream stays as it was.
TEST(WorkbookCorpus, QuirkFilesTakeATag)
{
    TTempDir tmp;
    std::size_t checked = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(kCorpus) / "quirks")) {
        const fs::path file = entry.path();
        if (file.extension() != ".xls") continue;
        SCOPED_TRACE(file.filename().string());
        std::vector<std::string> expected;
        std::istringstream dump(FileText(Expected(file, ".dump")));
        for (std::string line; std::getline(dump, line);) expected.push_back(line + "\n");
        const auto firstSheet = std::find_if(expected.begin(), expected.end(),
                                             [](const std::string& l) { return l.starts_with("#sheet\t0\t"); });
        ASSERT_NE(firstSheet, expected.end());
        const std::string sheet = firstSheet->substr(9, firstSheet->find('\t', 9) - 9);
        std::erase_if(expected, [&](const std::string& l) {
            return l.starts_with(sheet + "!C7\t") || l.starts_with(sheet + "!D7\t");
        });
        expected.push_back(sheet + "!C7\tn\t4022250974.0\n");
        expected.push_back(sheet + "!D7\ts\tDE AD BE EF\n");
        std::sort(expected.begin(), expected.end());

        const fs::path tagged = tmp.Path() / "tagged.xls";
        fs::copy_file(file, tagged);
        for (const auto& [cell, text] : {std::pair{"C7", "4022250974"}, std::pair{"D7", "DE AD BE EF"}}) {
            const TToolRun set = RunXlsTool({"set", tagged.string(), "1", cell, text});
            ASSERT_EQ(set.Code, 0) << set.Err;
        }
        std::vector<std::string> read;
        std::istringstream xlrd(RunPython("xlrd_dump.py", tagged.string()).Out);
        for (std::string line; std::getline(xlrd, line);) read.push_back(line + "\n");
        std::sort(read.begin(), read.end());
        EXPECT_EQ(read, expected);
        EXPECT_EQ(OtherStreams(tagged), OtherStreams(file));
        fs::remove(tagged);
        ++checked;
    }
    EXPECT_EQ(checked, 4u);
}

TEST(WorkbookCorpus, InfoShowsSheetsAndContents)
{
    const std::string corpus = kCorpus + "/";
    const TToolRun info = RunXlsTool({"info", corpus + "gen/gnm_chart_sheet.xls"});
    EXPECT_EQ(info.Code, 0);
    EXPECT_EQ(info.Out,
              "sheets\t2\n"
              "0\tworksheet\tvisible\t14 cells\t0 formulas\tDaten\n"
              "1\tchart\tvisible\tDiagrammblatt\n"
              "active sheet\t0\n"
              "shared strings\t8\n");

    const TToolRun hidden = RunXlsTool({"info", corpus + "gen/poi_names_sheets.xls"});
    EXPECT_EQ(hidden.Code, 0);
    EXPECT_NE(hidden.Out.find("\thidden\t"), std::string::npos) << hidden.Out;
    EXPECT_NE(hidden.Out.find("\tveryhidden\t"), std::string::npos) << hidden.Out;
}

TEST(WorkbookCorpus, ToolUsage)
{
    struct Case {
        std::vector<std::string> Args;
        int Code;
        std::string Output;
    };
    const Case cases[] = {
        {{"dump"}, 2, "usage: xlstool dump FILE"},
        {{"copy", "onlyone.xls"}, 2, "usage: xlstool copy IN OUT"},
        {{"info", "a", "b"}, 2, "usage: xlstool info FILE"},
        {{"dump", "--help"}, 0, "usage: xlstool dump FILE"},
        {{"--help"}, 0, "  dump"},
    };
    for (const auto& c : cases) {
        const TToolRun run = RunXlsTool(c.Args, true);
        EXPECT_EQ(run.Code, c.Code) << c.Args[0];
        EXPECT_NE(run.Out.find(c.Output), std::string::npos) << c.Args[0] << ": " << run.Out;
    }
}

// Bytes damaged anywhere in the sheets of real workbooks: loading fails with
// an engine error or loads, and a loaded workbook saves or fails the same way.
TEST(WorkbookCorpus, DamagedSheetsLoadOrFailCleanly)
{
    std::mt19937 rnd(4711);
    std::size_t refused = 0, saved = 0;
    for (const char* name : {"gen/lo_charts.xls", "gen/poi_comments.xls", "gen/lo_rich_notes_links_pictures.xls",
                             "gen/poi_filter_condfmt_validation.xls", "gen/lo_formulas_shared.xls",
                             "gen/gnm_chart_sheet.xls", "gen/xlwt_layout_print.xls", "real/profiles.xls"}) {
        SCOPED_TRACE(name);
        const TBytes file = ReadFileBytes(kCorpus + "/" + name);
        const TBytes raw = ole2test::ReadStreamOf(file, u"Workbook");
        const std::size_t first = FirstSheetOffset(raw);
        ASSERT_LT(first, raw.size());
        for (int round = 0; round < 60; ++round) {
            TBytes damaged = raw;
            for (int k = 0; k < 3; ++k) {
                const std::size_t pos = std::uniform_int_distribution<std::size_t>(first, raw.size() - 1)(rnd);
                damaged[pos] = static_cast<std::uint8_t>(rnd());
            }
            TWorkbook book;
            try {
                TStreamFixture f(damaged);
                book.LoadFromStream(f.File());
                Written([&](TOle2File& w) { book.SaveToStream(w, false); });
                ++saved;
            } catch (const EXlsException&) {
                ++refused;
            }
        }
    }
    EXPECT_GT(refused, 0u);
    EXPECT_GT(saved, 0u);
}
