// Loading and saving whole workbooks from memory: the largest files of the
// corpus (5,001 rows of cells and formulas; 20,000 shared strings).
#include <benchmark/benchmark.h>

#include <string>

#include "cfb/UOle2Impl.h"
#include "facade/UExcelRecords.h"

namespace {

using namespace xls;

const std::string kCorpus = std::string(TAGSTATION_CORPUS_DIR) + "/";

void LoadInto(TWorkbook& aBook, const TBytes& aFile, TBytes* aImage)
{
    TMemoryStream mem(aFile);
    TOle2File ole(mem);
    ole.SelectStream(u"Workbook");
    aBook.LoadFromStream(ole);
    if (!aImage) return;
    TMemoryStream image;
    ole.PrepareForWrite(image, u"Workbook");
    ole.Close();
    *aImage = image.TakeBytes();
}

void BM_LoadWorkbook(benchmark::State& state, const std::string& aFile)
{
    const TBytes file = ReadFileBytes(kCorpus + aFile);
    for (auto _ : state) {
        TWorkbook book;
        LoadInto(book, file, nullptr);
        benchmark::DoNotOptimize(book.Sheets().Count());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(file.size()));
}

void BM_SaveWorkbook(benchmark::State& state, const std::string& aFile)
{
    const TBytes file = ReadFileBytes(kCorpus + aFile);
    TWorkbook book;
    TBytes image;
    LoadInto(book, file, &image);
    for (auto _ : state) {
        TMemoryStream in(image);
        TMemoryStream out;
        TOle2File ole(in);
        ole.PrepareForWrite(out, u"Workbook");
        book.SaveToStream(ole, false);
        ole.Close();
        benchmark::DoNotOptimize(out.Size());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(file.size()));
}

}  // namespace

BENCHMARK_CAPTURE(BM_LoadWorkbook, large_5000x10, std::string("gen/poi_large_5000x10.xls"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadWorkbook, sst_20000, std::string("gen/xlwt_sst_20000.xls"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SaveWorkbook, large_5000x10, std::string("gen/poi_large_5000x10.xls"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SaveWorkbook, sst_20000, std::string("gen/xlwt_sst_20000.xls"))->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
