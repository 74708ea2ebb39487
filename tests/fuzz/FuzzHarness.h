// What the fuzz targets do with an input, shared with the test that runs the
// committed regression inputs in the normal build.
//
// A workbook file goes the way users take it: open it, save it unchanged,
// enter a tag (a number and a text into the first sheet), run a script of
// file-interface operations, save. The engine may refuse a file or an
// operation with its error; what it must never do is a finding:
//   - a save that cannot be opened again, or that reads other cells than
//     the workbook it was saved from;
//   - a workbook that saves unchanged but does not take the tag;
//   - the engine's "Logical Error" (its own consistency checks), or any
//     exception that is not an engine error.
// Crashes, hangs and sanitizer reports are findings of the fuzzer itself.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace xlsfuzz {

using TInput = std::span<const std::uint8_t>;

class EFinding : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// How far the inputs got, for the fuzzer's summary.
struct TStats {
    std::uint64_t Inputs = 0;
    std::uint64_t Opened = 0;  // loaded as a workbook
    std::uint64_t Saved = 0;   // and saved unchanged into a file that opens again
};

// Raises EFinding for what the engine must never do (see above).
void RunWorkbook(TInput aFile, TInput aScript, TStats& aStats);

// A compound file whose Workbook stream holds aStream, or its first
// MaxWrappedStream bytes (what one FAT sector can place), zero-filled up to
// the size that keeps it out of the mini stream.
constexpr std::size_t MaxWrappedStream = 126 * 512;
std::vector<std::uint8_t> WrapWorkbookStream(TInput aStream);

// The stream target's input: a script of file-interface operations, then
// the Workbook stream. Its first byte counts the script's operations.
struct TStreamInput {
    TInput Script;
    TInput Stream;
};
TStreamInput SplitStreamInput(TInput aInput);
// The input with this script in front of aStream.
std::vector<std::uint8_t> JoinStreamInput(TInput aScript, TInput aStream);

// Bytes per script operation, the most operations the stream target's
// script holds, and a script that runs each kind of operation once.
constexpr std::size_t ScriptStepSize = 4;
constexpr std::size_t MaxScriptSteps = 15;
std::vector<std::uint8_t> SampleScript();

// "file: N inputs, M opened (x %), K saved (y %)".
std::string StatsLine(const char* aTarget, const TStats& aStats);

}  // namespace xlsfuzz
