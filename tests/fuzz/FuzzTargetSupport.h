// The libFuzzer side of the targets: a finding aborts the run (libFuzzer then
// keeps the input), and the share of inputs that got how far is printed
// every minute, before a finding aborts and at the end of the run, so a run
// that a crash or a hang ends still shows how far its inputs got.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "FuzzHarness.h"

namespace xlsfuzz {

struct TTargetState {
    const char* Name = "";
    TStats Stats;
    std::chrono::steady_clock::time_point LastReport = std::chrono::steady_clock::now();
};

inline TTargetState& Target()
{
    static TTargetState state;
    return state;
}

inline void Report() { std::fprintf(stderr, "%s\n", StatsLine(Target().Name, Target().Stats).c_str()); }

// Names the target and prints the summary when the fuzzer ends (libFuzzer
// ends by exit()).
inline void ReportAtExit(const char* aTarget)
{
    Target().Name = aTarget;
    std::atexit(Report);
}

template <class F>
int RunTarget(F&& aRun)
{
    TTargetState& target = Target();
    try {
        aRun(target.Stats);
    } catch (const EFinding& e) {
        std::fprintf(stderr, "FINDING: %s\n", e.what());
        Report();
        std::abort();
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - target.LastReport >= std::chrono::minutes(1)) {
        target.LastReport = now;
        Report();
    }
    return 0;
}

}  // namespace xlsfuzz
