// The D2XX call contract that the reader link talks through.
//
// The signatures, status values and out-parameter conventions follow FTDI's
// D2XX library, so the vendor library itself can stand behind the interface;
// the operating system's serial port and a simulated reader are the other
// implementations.
#pragma once

#include <cstdint>

namespace tagstation {

using FT_HANDLE = std::uintptr_t;  // opaque; 0 means "no device"
using FT_STATUS = std::uint32_t;

inline constexpr FT_STATUS FT_OK = 0;
inline constexpr FT_STATUS FT_INVALID_HANDLE = 1;
inline constexpr FT_STATUS FT_DEVICE_NOT_FOUND = 2;
inline constexpr FT_STATUS FT_DEVICE_NOT_OPENED = 3;
inline constexpr FT_STATUS FT_IO_ERROR = 4;
inline constexpr FT_STATUS FT_INSUFFICIENT_RESOURCES = 5;
inline constexpr FT_STATUS FT_INVALID_PARAMETER = 6;
inline constexpr FT_STATUS FT_INVALID_BAUD_RATE = 7;
inline constexpr FT_STATUS FT_OTHER_ERROR = 17;

inline constexpr std::uint32_t FT_PURGE_RX = 1;
inline constexpr std::uint32_t FT_PURGE_TX = 2;

inline constexpr std::uint8_t FT_BITS_7 = 7;
inline constexpr std::uint8_t FT_BITS_8 = 8;
inline constexpr std::uint8_t FT_STOP_BITS_1 = 0;
inline constexpr std::uint8_t FT_STOP_BITS_2 = 2;
inline constexpr std::uint8_t FT_PARITY_NONE = 0;
inline constexpr std::uint8_t FT_PARITY_ODD = 1;
inline constexpr std::uint8_t FT_PARITY_EVEN = 2;

class TFtdiDriver {
public:
    virtual ~TFtdiDriver() = default;

    virtual FT_STATUS FT_Open(int deviceNumber, FT_HANDLE* handle) = 0;
    virtual FT_STATUS FT_Close(FT_HANDLE handle) = 0;
    virtual FT_STATUS FT_ResetDevice(FT_HANDLE handle) = 0;
    virtual FT_STATUS FT_Purge(FT_HANDLE handle, std::uint32_t mask) = 0;
    virtual FT_STATUS FT_SetBaudRate(FT_HANDLE handle, std::uint32_t baudRate) = 0;
    virtual FT_STATUS FT_SetDataCharacteristics(FT_HANDLE handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                                std::uint8_t parity) = 0;
    virtual FT_STATUS FT_SetTimeouts(FT_HANDLE handle, std::uint32_t readTimeoutMs, std::uint32_t writeTimeoutMs) = 0;
    virtual FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, std::uint32_t* rxBytes) = 0;
    // Both transfers report the bytes really moved through the count, also
    // when they fail or time out. FT_Read returns once `bytesToRead` bytes
    // have arrived or the read time-out has passed, whichever comes first.
    virtual FT_STATUS FT_Write(FT_HANDLE handle, const std::uint8_t* buffer, std::uint32_t bytesToWrite,
                               std::uint32_t* bytesWritten) = 0;
    virtual FT_STATUS FT_Read(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t bytesToRead,
                              std::uint32_t* bytesReturned) = 0;
};

}  // namespace tagstation
