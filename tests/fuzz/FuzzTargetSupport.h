// The libFuzzer side of the targets: a finding aborts the run (libFuzzer then
// keeps the input), and the share of inputs that got how far is printed at
// the end of the run.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "FuzzHarness.h"

namespace xlsfuzz {

inline TStats& TargetStats()
{
    static TStats stats;
    return stats;
}

// Prints the summary when the fuzzer ends (libFuzzer ends by exit()).
inline void ReportAtExit(const char* aTarget)
{
    static const char* target = aTarget;
    std::atexit([] { std::fprintf(stderr, "%s\n", StatsLine(target, TargetStats()).c_str()); });
}

template <class F>
int RunTarget(F&& aRun)
{
    try {
        aRun(TargetStats());
    } catch (const EFinding& e) {
        std::fprintf(stderr, "FINDING: %s\n", e.what());
        std::abort();
    }
    return 0;
}

}  // namespace xlsfuzz
