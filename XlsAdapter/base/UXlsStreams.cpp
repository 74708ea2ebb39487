#include "base/UXlsStreams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "base/UXlsPaths.h"

#ifdef _WIN32
#include <io.h>
#include <share.h>
#define XLS_FSEEK _fseeki64
#define XLS_FTELL _ftelli64
#else
#include <unistd.h>
#define XLS_FSEEK fseeko
#define XLS_FTELL ftello
#endif

namespace xls {

namespace {

std::FILE* OpenFile(const std::string& path, TFileMode mode)
{
#ifdef _WIN32
    // Others may read and write a file while it is read; while a file is
    // written, they may only read it. Child processes inherit none of them.
    const wchar_t* how = mode == TFileMode::OpenRead ? L"rbN" : mode == TFileMode::Create ? L"w+bN" : L"r+bN";
    return _wfsopen(FileSystemPath(path).c_str(), how, mode == TFileMode::OpenRead ? _SH_DENYNO : _SH_DENYWR);
#else
    const char* how = mode == TFileMode::OpenRead ? "rb" : mode == TFileMode::Create ? "w+b" : "r+b";
    return std::fopen(path.c_str(), how);
#endif
}

}  // namespace

void TStream::ReadBuffer(void* buffer, std::size_t count)
{
    std::size_t got = Read(buffer, count);
    if (got != count) RaiseXls(TXlsMsg::EndOfStream, {std::int64_t(count - got)});
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count)
{
    if (FPos >= FData.size()) return 0;
    std::size_t n = std::min(count, FData.size() - FPos);
    std::memcpy(buffer, FData.data() + FPos, n);
    FPos += n;
    return n;
}

void TMemoryStream::Write(const void* buffer, std::size_t count)
{
    if (count == 0) return;
    if (FPos + count > FData.size()) FData.resize(FPos + count);
    std::memcpy(FData.data() + FPos, buffer, count);
    FPos += count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    std::int64_t base = origin == TSeekOrigin::Begin ? 0
                        : origin == TSeekOrigin::Current ? static_cast<std::int64_t>(FPos)
                                                         : static_cast<std::int64_t>(FData.size());
    std::int64_t pos = base + offset;
    if (pos < 0) pos = 0;
    FPos = static_cast<std::size_t>(pos);
    return pos;
}

TBytes TMemoryStream::TakeBytes()
{
    FPos = 0;
    return std::exchange(FData, {});
}

TFileStream::TFileStream(std::string path, TFileMode mode, std::string aDisplayName)
    : FPath(std::move(path)), FDisplayName(aDisplayName.empty() ? FPath : std::move(aDisplayName))
{
    FFile = OpenFile(FPath, mode);
    if (!FFile) RaiseXls(TXlsMsg::FileOpenFailed, {FDisplayName, std::string(std::strerror(errno))});
    // Larger than the default buffer: fewer system calls for the many small reads.
    constexpr std::size_t kBufferSize = 64 * 1024;
    FBuffer = std::make_unique<char[]>(kBufferSize);
    std::setvbuf(FFile, FBuffer.get(), _IOFBF, kBufferSize);
}

TFileStream::~TFileStream()
{
    if (FFile) std::fclose(FFile);
}

void TFileStream::RaiseIo() const { RaiseXls(TXlsMsg::FileIoFailed, {FDisplayName, std::string(std::strerror(errno))}); }

void TFileStream::Reposition()
{
    if (XLS_FSEEK(FFile, FPos, SEEK_SET) != 0) RaiseIo();
}

std::size_t TFileStream::Read(void* buffer, std::size_t count)
{
    if (FLastOp == TLastOp::Write) Reposition();  // C streams need a seek between writing and reading
    FLastOp = TLastOp::Read;
    std::size_t n = std::fread(buffer, 1, count, FFile);
    FPos += static_cast<std::int64_t>(n);
    if (n < count && std::ferror(FFile)) RaiseIo();
    return n;
}

void TFileStream::Write(const void* buffer, std::size_t count)
{
    if (count == 0) return;
    if (FLastOp == TLastOp::Read) Reposition();
    FLastOp = TLastOp::Write;
    if (std::fwrite(buffer, 1, count, FFile) != count) RaiseIo();
    FPos += static_cast<std::int64_t>(count);
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    if (origin == TSeekOrigin::Current) {
        offset += FPos;
        origin = TSeekOrigin::Begin;
    }
    if (origin == TSeekOrigin::Begin && offset == FPos) return FPos;
    if (XLS_FSEEK(FFile, offset, origin == TSeekOrigin::Begin ? SEEK_SET : SEEK_END) != 0) RaiseIo();
    auto pos = XLS_FTELL(FFile);
    if (pos < 0) RaiseIo();
    FPos = pos;
    FLastOp = TLastOp::None;
    return pos;
}

std::int64_t TFileStream::Size()
{
    auto here = Position();
    auto end = Seek(0, TSeekOrigin::End);
    SetPosition(here);
    return end;
}

void TFileStream::Sync()
{
    if (std::fflush(FFile) != 0) RaiseIo();
#ifdef _WIN32
    if (_commit(_fileno(FFile)) != 0) RaiseIo();
#else
    if (fsync(fileno(FFile)) != 0) RaiseIo();
#endif
}

void TFileStream::Close()
{
    if (!FFile) return;
    std::FILE* f = std::exchange(FFile, nullptr);
    if (std::fclose(f) != 0) RaiseIo();
}

TBytes ReadFileBytes(const std::string& path)
{
    TFileStream f(path, TFileMode::OpenRead);
    TBytes bytes(static_cast<std::size_t>(f.Size()));
    f.ReadBuffer(bytes.data(), bytes.size());
    return bytes;
}

bool FileExists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(FileSystemPath(path), ec);
}

}  // namespace xls
