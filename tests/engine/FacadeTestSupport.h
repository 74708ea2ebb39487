// Helpers for the file interface tests: temporary folders, file contents,
// running code as an ordinary user, a stream that fails part way.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/UXlsStreams.h"

namespace factest {

namespace fs = std::filesystem;
using xls::TBytes;

// The user the tests that need an ordinary user run as (root bypasses file permissions).
constexpr uid_t kNobody = 65534;

// A fresh folder (open to every user, so an ordinary user can work in it),
// removed afterwards.
class TTempDir {
public:
    TTempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "factest-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        FPath = pattern;
        fs::permissions(FPath, fs::perms::all);
    }
    ~TTempDir()
    {
        std::error_code ignored;
        fs::remove_all(FPath, ignored);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const fs::path& Path() const { return FPath; }
    fs::path operator/(const std::string& name) const { return FPath / name; }
    // The names of the files in the folder, sorted.
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(FPath)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    fs::path FPath;
};

inline TBytes FileBytes(const fs::path& p) { return xls::ReadFileBytes(p.string()); }

inline void WriteBytes(const fs::path& p, const TBytes& bytes)
{
    xls::TFileStream f(p.string(), xls::TFileMode::Create);
    f.Write(bytes.data(), bytes.size());
    f.Close();
}

inline unsigned ModeOf(const fs::path& p)
{
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0) return 0;
    return static_cast<unsigned>(st.st_mode) & 07777u;
}

// Runs body in a child process and returns its exit code (121 when body
// threw); -1 when it did not end normally.
inline int RunInChild(const std::function<int()>& body)
{
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        int code = 121;
        try {
            code = body();
        } catch (...) {
        }
        ::_exit(code);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs body in a child process as the ordinary user kNobody (when this test
// runs as root), as RunInChild.
inline int RunAsOrdinaryUser(const std::function<int()>& body)
{
    return RunInChild([&] {
        if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) return 120;
        return body();
    });
}

// Passes writes on to another stream until Limit bytes have gone through,
// then fails like a full disk.
class TFailingStream final : public xls::TStream {
public:
    TFailingStream(xls::TStream& target, std::int64_t limit) : FTarget(target), FLeft(limit) {}

    std::size_t Read(void* buffer, std::size_t count) override { return FTarget.Read(buffer, count); }
    void Write(const void* buffer, std::size_t count) override
    {
        if (static_cast<std::int64_t>(count) > FLeft) {
            FTarget.Write(buffer, static_cast<std::size_t>(FLeft));
            FLeft = 0;
            xls::RaiseXls(xls::TXlsMsg::FileIoFailed, {"injected", std::string(std::strerror(ENOSPC))});
        }
        FTarget.Write(buffer, count);
        FLeft -= static_cast<std::int64_t>(count);
    }
    std::int64_t Seek(std::int64_t offset, xls::TSeekOrigin origin) override { return FTarget.Seek(offset, origin); }
    std::int64_t Size() override { return FTarget.Size(); }

private:
    xls::TStream& FTarget;
    std::int64_t FLeft;
};

}  // namespace factest
