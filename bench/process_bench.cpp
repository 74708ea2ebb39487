// The engine as users run it: `xlstool copy`, `set` (one number into A1 of
// the first sheet, saved in place) and `dump` on each benchmark book, each
// run a fresh process, side by side with the floor (xls_floor) on the same
// files in the same run. Prints the medians of wall time, CPU time and peak
// RSS, and the ratio of wall time to the floor's: compare ratios, not
// absolute times, across runs.
//   process_bench [--runs N] [BOOK...]   default: the four shared benchmark books
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct TSample {
    double WallMs = 0;
    double CpuMs = 0;
    double PeakMiB = 0;
};

// Runs aArgs with stdout on /dev/null; the child's own CPU time and peak RSS.
TSample RunProcess(const std::vector<std::string>& aArgs)
{
    std::vector<char*> argv;
    for (const std::string& a : aArgs) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid < 0) {
        std::perror("fork");
        std::exit(1);
    }
    if (pid == 0) {
        const int devNull = ::open("/dev/null", O_WRONLY);
        ::dup2(devNull, STDOUT_FILENO);
        ::execv(argv[0], argv.data());
        std::perror(argv[0]);
        std::_Exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    const auto wall = std::chrono::steady_clock::now() - start;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "process_bench: %s %s failed\n", aArgs[0].c_str(), aArgs[1].c_str());
        std::exit(1);
    }
    const auto ms = [](const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return {std::chrono::duration<double, std::milli>(wall).count(), ms(usage.ru_utime) + ms(usage.ru_stime),
            double(usage.ru_maxrss) / 1024.0};
}

double Median(std::vector<double> aValues)
{
    std::sort(aValues.begin(), aValues.end());
    const std::size_t n = aValues.size();
    return n % 2 ? aValues[n / 2] : (aValues[n / 2 - 1] + aValues[n / 2]) / 2;
}

struct TOperation {
    const char* Name;
    std::vector<std::string> (*Args)(const fs::path& aBook, const fs::path& aWork);
};

const std::string kTool = TAGSTATION_XLSTOOL;
const std::string kFloor = TAGSTATION_FLOOR;

const TOperation kOperations[] = {
    {"floor", [](const fs::path& b, const fs::path& w) { return std::vector<std::string>{kFloor, b, w / "floor.xls"}; }},
    {"copy",
     [](const fs::path& b, const fs::path& w) { return std::vector<std::string>{kTool, "copy", b, w / "copy.xls"}; }},
    {"set",
     [](const fs::path&, const fs::path& w) {
         return std::vector<std::string>{kTool, "set", w / "set.xls", "1", "A1", "42"};
     }},
    {"dump", [](const fs::path& b, const fs::path&) { return std::vector<std::string>{kTool, "dump", b}; }},
};

}  // namespace

int main(int argc, char** argv)
{
    int runs = 5;
    std::vector<fs::path> books;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (arg.starts_with("-")) {
            std::fprintf(stderr, "usage: process_bench [--runs N] [BOOK...]\n");
            return 2;
        } else
            books.emplace_back(arg);
    }
    for (const fs::path& book : books)
        if (!fs::is_regular_file(book)) {
            std::fprintf(stderr, "process_bench: no such book: %s\n", book.c_str());
            return 1;
        }
    if (books.empty())
        for (const char* name : {"small.xls", "big.xls", "sst.xls", "formulas.xls"})
            books.push_back(fs::path(TAGSTATION_SHARED_DIR) / "bench" / name);

    const fs::path work = fs::temp_directory_path() / ("process_bench." + std::to_string(::getpid()));
    fs::create_directories(work);
    std::printf("%-14s %-6s %10s %10s %10s %8s\n", "book", "op", "wall ms", "cpu ms", "peak MiB", "x floor");
    for (const fs::path& book : books) {
        // Each book is read from the work folder, like a user's copy of it.
        const fs::path local = work / book.filename();
        fs::copy_file(book, local, fs::copy_options::overwrite_existing);
        fs::copy_file(book, work / "set.xls", fs::copy_options::overwrite_existing);
        std::map<std::string, std::vector<TSample>> samples;
        RunProcess(kOperations[1].Args(local, work));  // warms the page cache
        for (int r = 0; r < runs; ++r)
            for (const TOperation& op : kOperations) samples[op.Name].push_back(RunProcess(op.Args(local, work)));

        double floorMs = 0;
        for (const TOperation& op : kOperations) {
            std::vector<double> wall, cpu, peak;
            for (const TSample& s : samples[op.Name]) {
                wall.push_back(s.WallMs);
                cpu.push_back(s.CpuMs);
                peak.push_back(s.PeakMiB);
            }
            if (op.Name == std::string("floor")) floorMs = Median(wall);
            std::printf("%-14s %-6s %10.1f %10.1f %10.1f %8.1f\n", book.filename().c_str(), op.Name, Median(wall),
                        Median(cpu), Median(peak), floorMs > 0 ? Median(wall) / floorMs : 0.0);
        }
    }
    fs::remove_all(work);
    return 0;
}
