// The MD5 digest (RFC 1321) that identifies a picture in the workbook's
// picture store, computed as the bytes are written to it.
#pragma once

#include <array>
#include <cstdint>

#include "base/UXlsStreams.h"

namespace xls {

using TMd5Digest = std::array<std::uint8_t, 16>;

// A write-only stream: everything written goes into the digest. Reading
// fails with "Tabora: Logical Error"; seeking only tells the position.
class TMd5Stream final : public TStream {
public:
    TMd5Stream();

    std::size_t Read(void* buffer, std::size_t count) override;
    void Write(const void* buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() override { return std::int64_t(FLength); }

    // The digest of what was written; the stream starts over afterwards.
    TMd5Digest Digest();

private:
    void Reset();
    void Transform(const std::uint8_t* aBlock);

    std::array<std::uint32_t, 4> FState{};
    std::array<std::uint8_t, 64> FBuffer{};
    std::uint64_t FLength = 0;  // bytes written
};

// The digest of aData.
TMd5Digest Md5Of(TByteView aData);

}  // namespace xls
