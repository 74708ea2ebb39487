// One tag entry as the station makes it: open a workbook, type the chip
// number and the UID text into two cells of the first sheet, save it in
// place. Measured on the big corpus workbooks, once in memory (the engine's
// own work) and once through files (with the safe save's flush to disk).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "UXlsStreams.h"
#include "XLSAdapter.h"

namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = fs::path(TAGSTATION_SHARED_DIR) / "corpus" / "gen";
const char* const kFiles[] = {"poi_large_5000x10.xls", "xlwt_sst_20000.xls", "poi_tiny.xls"};

void TypeTag(xls::TXLSFile& file)
{
    file.SetActiveSheet(1);
    file.SetCellString(7, 3, u"4022250974", u"", u"");
    file.SetCellString(7, 4, u"DE AD BE EF", u"", u"");
}

void BM_TagEntryInMemory(benchmark::State& state)
{
    const xls::TBytes input = xls::ReadFileBytes((kCorpus / kFiles[state.range(0)]).string());
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
    state.SetLabel(kFiles[state.range(0)]);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * (input.size() + written)));
}
BENCHMARK(BM_TagEntryInMemory)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_TagEntryOnDisk(benchmark::State& state)
{
    std::string pattern = (fs::temp_directory_path() / "bench-tag-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        state.SkipWithError("mkdtemp failed");
        return;
    }
    const fs::path file = fs::path(pattern) / "book.xls";
    fs::copy_file(kCorpus / kFiles[state.range(0)], file);
    fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
    for (auto _ : state) {
        xls::TXLSAdapter adapter;
        xls::TXLSFile xlsFile(&adapter, true);
        xlsFile.Connect();
        xlsFile.OpenFile(file.string());
        TypeTag(xlsFile);
        xlsFile.Save(true, file.string(), nullptr, nullptr, nullptr);
        xlsFile.Disconnect();
    }
    state.SetLabel(kFiles[state.range(0)]);
    fs::remove_all(pattern);
}
BENCHMARK(BM_TagEntryOnDisk)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
