// Seekable byte streams: the files and memory blocks the engine reads and writes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "base/UXlsBytes.h"

namespace xls {

enum class TSeekOrigin { Begin, Current, End };

class TStream {
public:
    virtual ~TStream() = default;

    // Reads up to count bytes and returns how many were read (fewer only at the end).
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    // Writes all count bytes or raises.
    virtual void Write(const void* buffer, std::size_t count) = 0;
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
    virtual std::int64_t Size() = 0;

    std::int64_t Position() { return Seek(0, TSeekOrigin::Current); }
    void SetPosition(std::int64_t pos) { Seek(pos, TSeekOrigin::Begin); }
    // Reads exactly count bytes; a short read raises "End of stream reached ...".
    void ReadBuffer(void* buffer, std::size_t count);
};

// A stream over a growing byte vector.
class TMemoryStream final : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(TBytes bytes) : FData(std::move(bytes)) {}

    std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void* buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() override { return static_cast<std::int64_t>(FData.size()); }

    const TBytes& Bytes() const { return FData; }
    TBytes TakeBytes();

private:
    TBytes FData;
    std::size_t FPos = 0;
};

enum class TFileMode {
    OpenRead,       // an existing file, read only (others may read and write it meanwhile)
    Create,         // a new or emptied file for writing and reading
    OpenReadWrite,  // an existing file for reading and writing
};

// A stream over a file, closed when the object goes away.
class TFileStream final : public TStream {
public:
    // Errors name aDisplayName when given (a temporary file stands in for the
    // file the user knows), else the path.
    TFileStream(std::string path, TFileMode mode, std::string aDisplayName = {});
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void* buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() override;

    // Pushes everything written so far to the disk (not only to the OS cache).
    void Sync();
    // Closes the file, raising when buffered data cannot be written.
    void Close();
    const std::string& FileName() const { return FPath; }

private:
    [[noreturn]] void RaiseIo() const;

    enum class TLastOp { None, Read, Write };
    // Moves the C stream to FPos; needed between reads and writes, cheap otherwise.
    void Reposition();

    std::string FPath;
    std::string FDisplayName;
    std::unique_ptr<char[]> FBuffer;  // outlives FFile, which uses it
    std::FILE* FFile = nullptr;
    // The file position, kept here so that reading on where the file already
    // stands (sector after sector) costs no seek system call.
    std::int64_t FPos = 0;
    TLastOp FLastOp = TLastOp::None;
};

// Whole-file helpers.
TBytes ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);

}  // namespace xls
