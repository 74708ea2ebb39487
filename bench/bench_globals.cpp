// The workbook globals: loading and writing back the globals of the corpus
// files with the most formats, and finding or adding cell formats (the
// lists are searched front to back, so this shows what a long XF list costs).
#include <benchmark/benchmark.h>

#include <string>

#include "cfb/UOle2Impl.h"
#include "drawing/UXlsEscher.h"
#include "globals/UXlsWorkbookGlobals.h"
#include "worksheet/UXlsRecordFactory.h"

namespace {

using namespace xls;

const std::string kCorpus = std::string(TAGSTATION_CORPUS_DIR) + "/";

void LoadGlobals(TWorkbookGlobals& aGlobals, const TBytes& aFileBytes)
{
    TMemoryStream mem(aFileBytes);
    TOle2File ole(mem);
    ole.SelectStream(u"Workbook");
    TRecordHeader header;
    ReadHeader(ole, header);
    std::unique_ptr<TBaseRecord> bof = ReadRecord(ole, header);
    auto* typed = dynamic_cast<TBOFRecord*>(bof.get());
    if (!typed) throw std::runtime_error("no BOF record");
    bof.release();
    TSST unused;
    aGlobals.LoadFromStream(ole, header, std::unique_ptr<TBOFRecord>(typed), unused);
}

// Load, size and write the globals into a new compound file.
void BM_GlobalsRoundTrip(benchmark::State& state, const char* aFile)
{
    const TBytes bytes = ReadFileBytes(kCorpus + aFile);
    for (auto _ : state) {
        TWorkbookGlobals g{std::make_unique<TDrawingGroup>()};
        LoadGlobals(g, bytes);
        TMemoryStream in(bytes);
        TMemoryStream out;
        TOle2File file(in);
        file.PrepareForWrite(out, u"Workbook");
        benchmark::DoNotOptimize(g.TotalSize());
        g.SaveToStream(file);
        file.Close();
        benchmark::DoNotOptimize(out.Size());
    }
}

// Adds state.range(0) distinct formats (each a new XF, every fifth a new
// number format, every tenth a new font) to the globals of a corpus file,
// then finds each of them again.
void BM_AddFormats(benchmark::State& state, const char* aFile)
{
    const TBytes bytes = ReadFileBytes(kCorpus + aFile);
    const auto count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        TWorkbookGlobals g{std::make_unique<TDrawingGroup>()};
        LoadGlobals(g, bytes);
        TTbrFormat base = g.GetFormat(0);
        state.ResumeTiming();
        for (int pass = 0; pass < 2; ++pass) {
            for (int i = 0; i < count; ++i) {
                TTbrFormat f = base;
                f.FillPattern = {2, 1 + i % 56, 1};
                f.Rotation = static_cast<std::uint8_t>(i / 56);
                f.Format = u"0." + std::u16string(static_cast<std::size_t>(1 + i / 5 % 30), u'0');
                f.Font.Size20 = static_cast<std::uint16_t>(160 + 20 * (i / 10 % 20));
                benchmark::DoNotOptimize(g.AddFormat(f));
            }
        }
    }
    state.counters["adds_per_s"] = benchmark::Counter(2.0 * count, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

BENCHMARK_CAPTURE(BM_GlobalsRoundTrip, poi_styles_palette, "gen/poi_styles_palette.xls")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_GlobalsRoundTrip, xlwt_styles_palette, "gen/xlwt_styles_palette.xls")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_GlobalsRoundTrip, invalid_formula, "real/invalid_formula.xls")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_AddFormats, poi_styles_palette, "gen/poi_styles_palette.xls")
    ->Arg(100)
    ->Arg(1000)
    ->Arg(4000)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
