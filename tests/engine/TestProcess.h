// Programs the tests run (xlstool, the Python readers in tests/tools) and
// the folders they work in, the same way on every platform.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace testproc {

namespace fs = std::filesystem;

struct TRun {
    int Code = -1;  // -1: it could not be started or did not end normally
    std::string Out, Err;
};

// Runs the program args[0] with the other arguments (UTF-8), without
// standard input; stdout and stderr apart.
TRun RunProgram(const std::vector<std::string>& args);

// Runs one of the Python readers of tests/tools with these options on a file
// of this platform. They run on the build machine's python3 with xlrd; under
// Wine the file's Unix path is handed over.
TRun RunPythonReader(const std::string& script, const std::vector<std::string>& options, const fs::path& file);

// The path of the running test program.
fs::path TestProgramPath();

// A fresh folder below the system's temporary folder, removed afterwards.
class TTempDir {
public:
    explicit TTempDir(const std::string& prefix = "enginetest");
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const fs::path& Path() const { return FPath; }
    fs::path operator/(const std::string& name) const { return FPath / name; }
    // The names of the files in the folder, sorted.
    std::vector<std::string> Names() const;

private:
    fs::path FPath;
};

}  // namespace testproc
