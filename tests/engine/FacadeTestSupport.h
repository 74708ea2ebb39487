// Helpers for the file interface tests: temporary folders, file contents, a
// stream that fails part way.
#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "TestProcess.h"
#include "base/UXlsPaths.h"
#include "base/UXlsStreams.h"

namespace factest {

namespace fs = std::filesystem;
using xls::TBytes;

using testproc::TTempDir;

inline TBytes FileBytes(const fs::path& p) { return xls::ReadFileBytes(xls::Utf8FromPath(p)); }

inline void WriteBytes(const fs::path& p, const TBytes& bytes)
{
    xls::TFileStream f(xls::Utf8FromPath(p), xls::TFileMode::Create);
    f.Write(bytes.data(), bytes.size());
    f.Close();
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
