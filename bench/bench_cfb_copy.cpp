// xlstool cfb-copy of a 40 MB compound file against cp of the same file:
// wall time of each child process, their ratio and cfb-copy's peak memory.
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "cfb/UOle2Impl.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace xls;

constexpr std::size_t kWorkbookBytes = 40u << 20;

struct TChild {
    double Seconds;
    long MaxRssKiB;
};

// posix_spawn does not copy this process's memory into the child, so the
// child's max RSS is its own.
TChild RunChild(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    auto start = std::chrono::steady_clock::now();
    pid_t pid;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start " + args[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error(args[0] + " " + args[1] + " failed");
    return {elapsed.count(), usage.ru_maxrss};
}

// A corpus file whose summary streams live in the mini stream, with 40 MB
// written into its Workbook stream; made once, removed at exit.
class TBigFile {
public:
    TBigFile() : FDir(fs::temp_directory_path() / ("bench_cfb_copy_" + std::to_string(getpid())))
    {
        fs::create_directories(FDir);
        TMemoryStream base(ReadFileBytes(std::string(TAGSTATION_CORPUS_DIR) + "/gen/poi_docprops.xls"));
        TFileStream out(Path().string(), TFileMode::Create);
        TOle2File file(base);
        file.PrepareForWrite(out, u"Workbook");
        TBytes chunk(1 << 20);
        for (std::size_t i = 0; i < chunk.size(); ++i) chunk[i] = std::uint8_t(i * 7 + i / 251);
        for (std::size_t written = 0; written < kWorkbookBytes; written += chunk.size())
            file.WriteMem(chunk.data(), chunk.size());
        file.Close();
        out.Close();
    }
    ~TBigFile() { fs::remove_all(FDir); }

    fs::path Path() const { return FDir / "big.xls"; }
    fs::path Dir() const { return FDir; }

private:
    fs::path FDir;
};

void BM_CfbCopyVsCp(benchmark::State& state)
{
    static TBigFile big;
    const std::string in = big.Path().string();
    const std::string copyOut = (big.Dir() / "copy.xls").string();
    const std::string cpOut = (big.Dir() / "cp.xls").string();
    double copySeconds = 0, cpSeconds = 0;
    long maxRss = 0;
    for (auto _ : state) {
        TChild cp = RunChild({"/bin/cp", in, cpOut});
        TChild copy = RunChild({TAGSTATION_XLSTOOL, "cfb-copy", in, copyOut});
        cpSeconds += cp.Seconds;
        copySeconds += copy.Seconds;
        maxRss = std::max(maxRss, copy.MaxRssKiB);
        state.SetIterationTime(copy.Seconds);
    }
    const double n = double(state.iterations());
    state.counters["cfb_copy_ms"] = copySeconds / n * 1000;
    state.counters["cp_ms"] = cpSeconds / n * 1000;
    state.counters["ratio"] = copySeconds / cpSeconds;
    state.counters["peak_rss_MiB"] = double(maxRss) / 1024;
    state.counters["fat_MiB"] = double(fs::file_size(in)) / 512 * 4 / (1 << 20);
}

BENCHMARK(BM_CfbCopyVsCp)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
