// The subcommands of xlstool. Each one lives in its own Cmd*.cpp file.
#pragma once

#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/UXlsExceptions.h"

namespace xlstool {

using TArgs = std::span<const std::string>;

// Wrong arguments: main prints the message and the subcommand's help, exit code 2.
class EUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A failure the tool finds in a file itself (no sheet of that name, a sheet
// that is no worksheet): exit code 1, reported like the engine's errors.
class EFileError : public std::runtime_error {
public:
    explicit EFileError(const std::string& aMessage, std::string aFile = {})
        : std::runtime_error(aMessage), File(std::move(aFile)) {}
    std::string File;
};

// Runs aStep on the file aPath: its errors that name no file name this one.
template <class F>
decltype(auto) OnFile(const std::string& aPath, F&& aStep)
{
    try {
        return xls::WithErrorPlace(aStep, [&](xls::EXlsException& e) { e.SetFile(aPath); });
    } catch (EFileError& e) {
        if (e.File.empty()) e.File = aPath;
        throw;
    }
}

struct TSubcommand {
    std::string_view Name;
    std::string_view Summary;  // one line for `xlstool --help`
    std::string_view Help;     // full text for `xlstool NAME --help`
    int (*Run)(TArgs args);    // returns the exit code; engine errors propagate as exceptions
};

// Throws EUsageError unless args has between min and max entries.
void RequireArgCount(TArgs args, std::size_t min, std::size_t max);

int RunStreams(TArgs args);
int RunCfbCopy(TArgs args);
int RunTemplate(TArgs args);
int RunRecords(TArgs args);
int RunSst(TArgs args);
int RunDump(TArgs args);
int RunCopy(TArgs args);
int RunInfo(TArgs args);
int RunGet(TArgs args);
int RunSet(TArgs args);
int RunNew(TArgs args);
int RunFeatures(TArgs args);
int RunSheet(TArgs args);
int RunFormula(TArgs args);
int RunNames(TArgs args);
int RunPictures(TArgs args);
int RunAddPicture(TArgs args);
int RunDeletePicture(TArgs args);
int RunComment(TArgs args);
int RunLink(TArgs args);
int RunFilter(TArgs args);
int RunRows(TArgs args);
int RunColumns(TArgs args);
int RunSheets(TArgs args);

}  // namespace xlstool
