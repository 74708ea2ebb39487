// Loading shared string tables: the big corpus files and a generated table of
// 200,000 strings. The binary counts operator new calls, so the figures show
// that loading allocates nothing per string (counter allocs_per_string).
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "base/UXlsUnicode.h"
#include "cfb/UOle2Impl.h"
#include "globals/UXlsSST.h"
#include "worksheet/UXlsRecordFactory.h"

namespace {

std::atomic<std::size_t> gAllocations{0};

}  // namespace

// The replaced operator new allocates with malloc, so free is the matching release.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t n)
{
    ++gAllocations;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

using namespace xls;

const std::string kCorpus = std::string(TAGSTATION_CORPUS_DIR) + "/";

// The SST record of a workbook file, with its CONTINUE chain.
std::unique_ptr<TSSTRecord> ReadSSTRecord(TBytes aFileBytes)
{
    TMemoryStream mem(std::move(aFileBytes));
    TOle2File ole(mem);
    ole.SelectStream(u"Workbook");
    TRecordHeader header;
    ReadHeader(ole, header);
    while (!ole.Eof()) {
        std::unique_ptr<TBaseRecord> rec = ReadRecord(ole, header);
        if (dynamic_cast<TSSTRecord*>(rec.get())) return std::unique_ptr<TSSTRecord>(static_cast<TSSTRecord*>(rec.release()));
    }
    throw std::runtime_error("no SST record");
}

// A Workbook stream holding an SST of aCount strings, written by the engine
// into a copy of a small corpus file.
std::unique_ptr<TSSTRecord> GeneratedSSTRecord(std::size_t aCount)
{
    TSST sst;
    for (std::size_t i = 0; i < aCount; ++i) {
        TXlsString s = u"Kunde " + Utf8ToUtf16(std::to_string(i * 7919 % 1000003));
        if (i % 5 == 0) s += u" \u00FC\u4E2D";
        sst.AddString(s);
    }
    TMemoryStream in(ReadFileBytes(kCorpus + "gen/poi_tiny.xls"));
    TMemoryStream out;
    {
        TOle2File file(in);
        file.PrepareForWrite(out, u"Workbook");
        sst.SaveToStream(file);
        file.Close();
    }
    return ReadSSTRecord(out.TakeBytes());
}

void LoadSST(benchmark::State& state, const TSSTRecord& aRecord)
{
    std::size_t allocations = 0;
    for (auto _ : state) {
        const std::size_t before = gAllocations.load();
        TSST sst;
        sst.Load(aRecord);
        benchmark::DoNotOptimize(sst.UsedSize());
        allocations = gAllocations.load() - before;
    }
    const double strings = aRecord.Count();
    state.counters["strings"] = strings;
    state.counters["allocs_per_load"] = double(allocations);
    state.counters["allocs_per_string"] = double(allocations) / strings;
    state.counters["strings_per_s"] = benchmark::Counter(strings, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_LoadCorpusSST(benchmark::State& state, const char* aFile)
{
    auto rec = ReadSSTRecord(ReadFileBytes(kCorpus + aFile));
    LoadSST(state, *rec);
}

void BM_LoadGeneratedSST(benchmark::State& state)
{
    static const auto rec = GeneratedSSTRecord(200000);
    LoadSST(state, *rec);
}

// The whole of xlstool sst without printing: open, find the SST, load it.
void BM_OpenAndLoadSST(benchmark::State& state, const char* aFile)
{
    const TBytes bytes = ReadFileBytes(kCorpus + aFile);
    for (auto _ : state) {
        auto rec = ReadSSTRecord(bytes);
        TSST sst;
        sst.Load(*rec);
        benchmark::DoNotOptimize(sst.Count());
    }
}

}  // namespace

BENCHMARK_CAPTURE(BM_LoadCorpusSST, xlwt_sst_20000, "gen/xlwt_sst_20000.xls")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadCorpusSST, poi_large_5000x10, "gen/poi_large_5000x10.xls")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadGeneratedSST)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenAndLoadSST, xlwt_sst_20000, "gen/xlwt_sst_20000.xls")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenAndLoadSST, poi_large_5000x10, "gen/poi_large_5000x10.xls")->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
