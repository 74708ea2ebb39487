// Every input a fuzz target ever found wrong (a crash, a hang, a save that
// did not open again) is kept in tests/fuzz/regressions and goes the fuzz
// targets' way here, in the normal build; so do the corpus workbooks the
// fuzzers start from.
#include <gtest/gtest.h>

#include <filesystem>

#include "FuzzHarness.h"
#include "RecordTestSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace xlsfuzz;

const fs::path kRegressions = TAGSTATION_FUZZ_REGRESSIONS_DIR;

std::vector<fs::path> FilesIn(const fs::path& aFolder)
{
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(aFolder))
        if (e.is_regular_file() && e.path().filename() != "README.md") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string FindingOf(const std::function<void()>& aRun)
{
    try {
        aRun();
    } catch (const EFinding& e) {
        return e.what();
    }
    return "";
}

}  // namespace

TEST(FuzzRegressions, FileTargetInputsRunClean)
{
    TStats stats;
    for (const fs::path& input : FilesIn(kRegressions / "file")) {
        const xls::TBytes bytes = xls::ReadFileBytes(input.string());
        EXPECT_EQ(FindingOf([&] { RunWorkbook(bytes, SampleScript(), stats); }), "") << input.filename();
    }
}

TEST(FuzzRegressions, StreamTargetInputsRunClean)
{
    TStats stats;
    for (const fs::path& input : FilesIn(kRegressions / "stream")) {
        const xls::TBytes bytes = xls::ReadFileBytes(input.string());
        const TStreamInput parts = SplitStreamInput(bytes);
        EXPECT_EQ(FindingOf([&] { RunWorkbook(WrapWorkbookStream(parts.Stream), parts.Script, stats); }), "")
            << input.filename();
    }
}

// The readable corpus workbooks open, save, take the tag and save again
// after the sample script; the refused ones are refused without a finding.
TEST(FuzzRegressions, CorpusWorkbooksRunClean)
{
    TStats stats;
    for (const char* folder : {"real", "gen", "quirks"}) {
        for (const fs::path& file : FilesIn(fs::path(rectest::kCorpus) / folder)) {
            if (file.extension() != ".xls") continue;
            const xls::TBytes bytes = xls::ReadFileBytes(file.string());
            EXPECT_EQ(FindingOf([&] { RunWorkbook(bytes, SampleScript(), stats); }), "") << file.filename();
        }
    }
    const std::size_t readable = rectest::ReadableCorpusFiles().size();
    EXPECT_EQ(stats.Opened, readable);
    EXPECT_EQ(stats.Saved, readable);
}
