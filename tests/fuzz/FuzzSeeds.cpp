// xls_fuzz_seeds FILE_DIR STREAM_DIR WORKBOOK...: the fuzzers' first inputs:
// each workbook that is small enough as it is for the file target, and its
// workbook stream behind each piece of the sample script for the stream target.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "FuzzHarness.h"
#include "base/UXlsStreams.h"
#include "cfb/UOle2Impl.h"
#include "facade/UExcelRecords.h"

namespace {

constexpr std::size_t kMaxFileSeed = 128 * 1024;

void Write(const std::filesystem::path& aPath, const std::vector<std::uint8_t>& aBytes)
{
    std::ofstream(aPath, std::ios::binary).write(reinterpret_cast<const char*>(aBytes.data()), std::streamsize(aBytes.size()));
}

std::vector<std::uint8_t> WorkbookStream(const xls::TBytes& aFile)
{
    xls::TMemoryStream mem(aFile);
    xls::TOle2File ole(mem);
    xls::SelectWorkbookStream(ole);
    xls::TBytes stream(static_cast<std::size_t>(ole.Length()));
    ole.ReadMem(stream.data(), stream.size());
    return stream;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: xls_fuzz_seeds FILE_DIR STREAM_DIR WORKBOOK...\n");
        return 2;
    }
    const std::filesystem::path fileDir = argv[1], streamDir = argv[2];
    for (int i = 3; i < argc; ++i) {
        const std::string name = std::filesystem::path(argv[i]).filename().string();
        const xls::TBytes file = xls::ReadFileBytes(argv[i]);
        if (file.size() <= kMaxFileSeed) Write(fileDir / name, file);
        try {
            const xls::TBytes stream = WorkbookStream(file);
            if (stream.size() > xlsfuzz::MaxWrappedStream) continue;
            // The sample script in pieces the stream target's script can hold.
            const std::vector<std::uint8_t> script = xlsfuzz::SampleScript();
            constexpr std::size_t piece = xlsfuzz::MaxScriptSteps * xlsfuzz::ScriptStepSize;
            for (std::size_t from = 0; from < script.size(); from += piece) {
                const auto part = xlsfuzz::TInput(script).subspan(from, std::min(piece, script.size() - from));
                Write(streamDir / (name + "." + std::to_string(from / piece)), xlsfuzz::JoinStreamInput(part, stream));
            }
        } catch (const xls::EXlsException&) {
            // No stream to take: the file is a seed of the file target only.
        }
    }
    return 0;
}
