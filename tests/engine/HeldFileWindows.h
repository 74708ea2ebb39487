// Another process that holds a file open, as a second program would
// (tests/windows/HoldFile.cpp), until this object goes.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace testproc {

class THeldFile {
public:
    // access: "r", "w" or "rw"; share: what others may do meanwhile, letters
    // r, w and d (delete), or "-" for nothing.
    THeldFile(const std::filesystem::path& file, const std::string& access, const std::string& share);
    ~THeldFile();
    THeldFile(const THeldFile&) = delete;
    THeldFile& operator=(const THeldFile&) = delete;

    // "held" once the other process has the file open, else "error N" with
    // its system error code.
    const std::string& State() const { return FState; }

private:
    struct TProcess;
    std::unique_ptr<TProcess> FProcess;
    std::string FState;
};

}  // namespace testproc
