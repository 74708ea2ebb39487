// Encryption hooks of the compound file and record layers.
//
// No encryption engine exists: encrypted workbooks are refused when their
// FILEPASS record is read. The interface stays so that readers and writers
// have one place to pass data through should an engine ever be added.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/UXlsBytes.h"

namespace xls {

class TEncryptionEngine {
public:
    virtual ~TEncryptionEngine() = default;
    virtual bool CheckHash(const std::string& password) = 0;
    virtual TBytes Decode(TByteView data, std::int64_t streamPosition, std::int64_t startPos, std::int64_t count,
                          std::int32_t recordLen) = 0;
    virtual TBytes Encode(TByteView data, std::int64_t streamPosition, std::int64_t startPos, std::int64_t count,
                          std::int32_t recordLen) = 0;
    virtual std::uint16_t Encode(std::uint16_t data, std::int64_t streamPosition, std::int32_t recordLen) = 0;
    virtual std::uint32_t Encode(std::uint32_t data, std::int64_t streamPosition, std::int32_t recordLen) = 0;
    virtual TBytes GetFilePassRecord() = 0;
    virtual std::int32_t GetFilePassRecordLen() = 0;
};

struct TEncryptionData {
    std::string ReadPassword;
    std::unique_ptr<TEncryptionEngine> Engine;  // always empty in this system
    std::int32_t ActualRecordLen = 0;
};

}  // namespace xls
