// A file beside a target that becomes the target only on Commit: a command
// that fails half-way leaves the target as it was and no temporary behind.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace xlstool {

class TTempFile {
public:
    explicit TTempFile(const std::filesystem::path& target) : FTarget(target)
    {
        std::random_device random;
        do {
            FPath = target;
            FPath += ".tmp" + std::to_string(random());
        } while (std::filesystem::exists(FPath));
    }
    ~TTempFile()
    {
        std::error_code ignored;
        if (!FCommitted) std::filesystem::remove(FPath, ignored);
    }
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;

    std::string Path() const { return FPath.string(); }
    void Commit()
    {
        std::filesystem::rename(FPath, FTarget);
        FCommitted = true;
    }

private:
    std::filesystem::path FTarget;
    std::filesystem::path FPath;
    bool FCommitted = false;
};

}  // namespace xlstool
