// A loopback device behind D2XX's C entry points: what is written can be
// read back. Lets the run-time loader be tested without FTDI's library.
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using FT_STATUS = std::uint32_t;
using DWORD = std::uint32_t;

struct TLoopback {
    bool Open = false;
    std::vector<unsigned char> Queue;
};

TLoopback Device;  // the one device this library offers

bool IsDevice(void* handle) { return handle == &Device && Device.Open; }

}  // namespace

extern "C" {

__attribute__((visibility("default"))) FT_STATUS FT_Open(int deviceNumber, void** handle)
{
    if (deviceNumber != 0) return 2;  // FT_DEVICE_NOT_FOUND
    if (Device.Open) return 3;        // FT_DEVICE_NOT_OPENED
    Device.Open = true;
    *handle = &Device;
    return 0;
}

__attribute__((visibility("default"))) FT_STATUS FT_Close(void* handle)
{
    if (!IsDevice(handle)) return 1;
    Device = TLoopback();
    return 0;
}

__attribute__((visibility("default"))) FT_STATUS FT_ResetDevice(void* handle) { return IsDevice(handle) ? 0 : 1; }

__attribute__((visibility("default"))) FT_STATUS FT_Purge(void* handle, std::uint32_t mask)
{
    if (!IsDevice(handle)) return 1;
    if (mask & 1) Device.Queue.clear();
    return 0;
}

__attribute__((visibility("default"))) FT_STATUS FT_SetBaudRate(void* handle, std::uint32_t baudRate)
{
    if (!IsDevice(handle)) return 1;
    return baudRate == 0 ? 7 : 0;  // FT_INVALID_BAUD_RATE
}

__attribute__((visibility("default"))) FT_STATUS FT_SetDataCharacteristics(void* handle, unsigned char wordLength,
                                                                          unsigned char stopBits, unsigned char parity)
{
    if (!IsDevice(handle)) return 1;
    return (wordLength == 7 || wordLength == 8) && (stopBits == 0 || stopBits == 2) && parity <= 4 ? 0 : 6;
}

__attribute__((visibility("default"))) FT_STATUS FT_SetTimeouts(void* handle, std::uint32_t, std::uint32_t)
{
    return IsDevice(handle) ? 0 : 1;
}

__attribute__((visibility("default"))) FT_STATUS FT_GetQueueStatus(void* handle, DWORD* rxBytes)
{
    if (!IsDevice(handle)) return 1;
    *rxBytes = static_cast<DWORD>(Device.Queue.size());
    return 0;
}

__attribute__((visibility("default"))) FT_STATUS FT_Write(void* handle, void* buffer, DWORD count, DWORD* written)
{
    if (!IsDevice(handle)) return 1;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    Device.Queue.insert(Device.Queue.end(), bytes, bytes + count);
    *written = count;
    return 0;
}

__attribute__((visibility("default"))) FT_STATUS FT_Read(void* handle, void* buffer, DWORD count, DWORD* read)
{
    if (!IsDevice(handle)) return 1;
    const DWORD n = count < Device.Queue.size() ? count : static_cast<DWORD>(Device.Queue.size());
    std::memcpy(buffer, Device.Queue.data(), n);
    Device.Queue.erase(Device.Queue.begin(), Device.Queue.begin() + n);
    *read = n;
    return 0;
}
}
