// One tag entry as the station makes it: open a workbook, type the chip
// number and the UID text into two cells of the first sheet, save it in
// place. Measured on register workbooks of 300 rows (the station's automatic
// advance ends there) and of 65,536 rows (a full sheet), made here with the
// engine, and on the big corpus workbooks; once in memory (the engine's own
// work) and once through files (with the safe save's flush to disk).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "base/UXlsStreams.h"
#include "base/UXlsUnicode.h"
#include "facade/XLSAdapter.h"

namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = fs::path(TAGSTATION_CORPUS_DIR) / "gen";

// The cases by benchmark argument: generated registers first, then corpus files.
const char* const kCases[] = {"register_300", "register_65536", "poi_large_5000x10.xls", "xlwt_sst_20000.xls",
                              "poi_tiny.xls"};
constexpr int kCaseCount = 5;

// The UID as the station shows it: "DE AD BE EF" for chip number 4022250974.
std::string UidText(std::uint32_t chipNumber)
{
    char text[12];
    std::snprintf(text, sizeof text, "%02X %02X %02X %02X", chipNumber & 0xFF, (chipNumber >> 8) & 0xFF,
                  (chipNumber >> 16) & 0xFF, chipNumber >> 24);
    return text;
}

// A register as users keep one: a heading row, then per row a running
// number, a label, a chip number and its UID text.
xls::TBytes MakeRegister(std::int32_t rows)
{
    xls::TXLSFile file(nullptr, true);
    file.Connect();
    file.NewFile(1);
    file.SetActiveSheet(1);
    file.SetCellValue(1, 1, xls::TXlsString(u"Nr"));
    file.SetCellValue(1, 2, xls::TXlsString(u"Bezeichnung"));
    file.SetCellValue(1, 3, xls::TXlsString(u"Chipnummer"));
    file.SetCellValue(1, 4, xls::TXlsString(u"UID"));
    for (std::int32_t row = 2; row <= rows; ++row) {
        const auto n = static_cast<std::uint32_t>(row) * 2654435761u;
        file.SetCellValue(row, 1, static_cast<double>(row - 1));
        file.SetCellValue(row, 2, xls::TXlsString(u"Behälter " + xls::Utf8ToUtf16(std::to_string(row - 1))));
        file.SetCellValue(row, 3, static_cast<double>(n));
        file.SetCellValue(row, 4, xls::Utf8ToUtf16(UidText(n)));
    }
    xls::TMemoryStream out;
    file.Save(true, "", nullptr, nullptr, &out);
    return out.Bytes();
}

const xls::TBytes& CaseBytes(int index)
{
    static std::map<int, xls::TBytes> made;
    auto [it, added] = made.try_emplace(index);
    if (added) {
        if (index == 0) it->second = MakeRegister(300);
        else if (index == 1) it->second = MakeRegister(65536);
        else it->second = xls::ReadFileBytes((kCorpus / kCases[index]).string());
    }
    return it->second;
}

void TypeTag(xls::TXLSFile& file)
{
    file.SetActiveSheet(1);
    file.SetCellString(7, 3, u"4022250974", u"", u"");
    file.SetCellString(7, 4, u"DE AD BE EF", u"", u"");
}

void BM_TagEntryInMemory(benchmark::State& state)
{
    const xls::TBytes& input = CaseBytes(static_cast<int>(state.range(0)));
    std::size_t written = 0;
    for (auto _ : state) {
        xls::TMemoryStream in(input);
        xls::TXLSFile file(nullptr, true);
        file.Connect();
        file.LoadFromStream(in);
        TypeTag(file);
        xls::TMemoryStream out;
        file.Save(true, "", nullptr, nullptr, &out);
        written = out.Bytes().size();
        file.Disconnect();
    }
    state.SetLabel(kCases[state.range(0)]);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * (input.size() + written)));
}
BENCHMARK(BM_TagEntryInMemory)->DenseRange(0, kCaseCount - 1)->Unit(benchmark::kMillisecond);

void BM_TagEntryOnDisk(benchmark::State& state)
{
    std::string pattern = (fs::temp_directory_path() / "bench-tag-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        state.SkipWithError("mkdtemp failed");
        return;
    }
    const fs::path file = fs::path(pattern) / "book.xls";
    {
        const xls::TBytes& bytes = CaseBytes(static_cast<int>(state.range(0)));
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    for (auto _ : state) {
        xls::TXLSAdapter adapter;
        xls::TXLSFile xlsFile(&adapter, true);
        xlsFile.Connect();
        xlsFile.OpenFile(file.string());
        TypeTag(xlsFile);
        xlsFile.Save(true, file.string(), nullptr, nullptr, nullptr);
        xlsFile.Disconnect();
    }
    state.SetLabel(kCases[state.range(0)]);
    fs::remove_all(pattern);
}
BENCHMARK(BM_TagEntryOnDisk)->DenseRange(0, kCaseCount - 1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
