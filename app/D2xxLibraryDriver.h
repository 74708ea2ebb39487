// FTDI's own D2XX library (ftd2xx.dll on Windows, libftd2xx.so on Linux),
// loaded at run time so that the station builds and runs without it.
#pragma once

#include <memory>
#include <string>

#include "FtdiDriver.h"

namespace tagstation {

class TSharedLibrary;

class TD2xxLibraryDriver final : public TFtdiDriver {
    struct TEntryPoints;
    struct TKey {
        explicit TKey() = default;
    };

public:
    // The library of the system's search path, or the one at `path`; null
    // when it cannot be loaded or lacks one of the calls.
    static std::unique_ptr<TD2xxLibraryDriver> Load(const std::string& path = {});
    ~TD2xxLibraryDriver() override;
    TD2xxLibraryDriver(const TD2xxLibraryDriver&) = delete;
    TD2xxLibraryDriver& operator=(const TD2xxLibraryDriver&) = delete;

    static const char* DefaultLibraryName();

    FT_STATUS FT_Open(int deviceNumber, FT_HANDLE* handle) override;
    FT_STATUS FT_Close(FT_HANDLE handle) override;
    FT_STATUS FT_ResetDevice(FT_HANDLE handle) override;
    FT_STATUS FT_Purge(FT_HANDLE handle, std::uint32_t mask) override;
    FT_STATUS FT_SetBaudRate(FT_HANDLE handle, std::uint32_t baudRate) override;
    FT_STATUS FT_SetDataCharacteristics(FT_HANDLE handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                        std::uint8_t parity) override;
    FT_STATUS FT_SetTimeouts(FT_HANDLE handle, std::uint32_t readTimeoutMs, std::uint32_t writeTimeoutMs) override;
    FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, std::uint32_t* rxBytes) override;
    FT_STATUS FT_Write(FT_HANDLE handle, const std::uint8_t* buffer, std::uint32_t bytesToWrite,
                       std::uint32_t* bytesWritten) override;
    FT_STATUS FT_Read(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t bytesToRead,
                      std::uint32_t* bytesReturned) override;

    // Only Load makes one (the key is private).
    TD2xxLibraryDriver(TKey, std::unique_ptr<TSharedLibrary> library, std::unique_ptr<TEntryPoints> calls);

private:
    std::unique_ptr<TSharedLibrary> FLibrary;
    std::unique_ptr<TEntryPoints> FCalls;
};

}  // namespace tagstation
