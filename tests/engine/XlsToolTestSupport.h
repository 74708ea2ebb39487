// Running xlstool as a user runs it: a shell command line with stdout and
// stderr apart.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "RecordTestSupport.h"

namespace tooltest {

namespace fs = std::filesystem;
using rectest::Quoted;

struct TRun {
    int Code = -1;
    std::string Out, Err;
};

// Runs a shell command line; stdout and stderr apart.
inline TRun Shell(const std::string& command, const fs::path& scratch)
{
    const fs::path err = scratch / "stderr.txt";
    TRun run;
    FILE* p = ::popen((command + " 2>" + Quoted(err.string())).c_str(), "r");
    if (!p) return run;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) run.Out.append(buf, n);
    const int status = ::pclose(p);
    run.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream f(err);
    std::stringstream s;
    s << f.rdbuf();
    run.Err = s.str();
    fs::remove(err);
    return run;
}

inline std::string Tool(const std::string& args) { return Quoted(rectest::kXlsTool) + " " + args; }

inline std::string Q(const fs::path& p) { return Quoted(p.string()); }

}  // namespace tooltest
