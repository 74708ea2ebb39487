// A stand-in for FTDI's D2XX library (ftd2xx.dll, libftd2xx.so) for the
// tests: the library's call contract over the simulated FT232 with a PN532.
// Besides the D2XX calls it offers StandIn_* calls with which a test puts a
// tag on the reader, unplugs the device and reads the transcript of every
// D2XX call with its arguments, status and bytes.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "SimulatedFt232Driver.h"

#ifdef _WIN32
#define STANDIN_EXPORT extern "C" __declspec(dllexport)
#define STANDIN_API __stdcall
#else
#define STANDIN_EXPORT extern "C" __attribute__((visibility("default")))
#define STANDIN_API
#endif

namespace {

using namespace tagstation;

// The library's own types: ULONG and DWORD are 32 bits wide, FT_HANDLE is a pointer.
#ifdef _WIN32
using TUlong = unsigned long;
#else
using TUlong = std::uint32_t;
#endif
using TDword = TUlong;

TSimulatedFt232Driver& Device()
{
    static TSimulatedFt232Driver device(std::make_shared<TSystemTickClock>(),
                                        TPn532Model::TBadChecksumReaction::CancelsPendingCommand);
    return device;
}

std::string& Transcript()
{
    static std::string transcript;
    return transcript;
}

FT_HANDLE HandleOf(void* handle) { return reinterpret_cast<FT_HANDLE>(handle); }

[[maybe_unused]] std::string Hex(const std::uint8_t* bytes, std::size_t count)
{
    std::string text;
    char digits[4];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(digits, sizeof digits, " %02X", bytes[i]);
        text += digits;
    }
    return text;
}

TUlong Logged(const std::string& call, FT_STATUS status, const std::string& detail = {})
{
    Transcript() += call + " = " + std::to_string(status) + detail + "\n";
    return status;
}

std::string Args(std::initializer_list<std::uint32_t> values)
{
    std::string text = "(";
    for (const std::uint32_t v : values) text += (text.size() > 1 ? ", " : "") + std::to_string(v);
    return text + ")";
}

}  // namespace

STANDIN_EXPORT TUlong STANDIN_API FT_Open(int deviceNumber, void** handle)
{
    FT_HANDLE opened = 0;
    const FT_STATUS status = Device().FT_Open(deviceNumber, &opened);
    if (status == FT_OK) *handle = reinterpret_cast<void*>(opened);
    return Logged("FT_Open" + Args({static_cast<std::uint32_t>(deviceNumber)}), status);
}

STANDIN_EXPORT TUlong STANDIN_API FT_Close(void* handle) { return Logged("FT_Close", Device().FT_Close(HandleOf(handle))); }

STANDIN_EXPORT TUlong STANDIN_API FT_ResetDevice(void* handle)
{
    return Logged("FT_ResetDevice", Device().FT_ResetDevice(HandleOf(handle)));
}

STANDIN_EXPORT TUlong STANDIN_API FT_Purge(void* handle, TUlong mask)
{
    return Logged("FT_Purge" + Args({mask}), Device().FT_Purge(HandleOf(handle), mask));
}

STANDIN_EXPORT TUlong STANDIN_API FT_SetBaudRate(void* handle, TUlong baudRate)
{
    return Logged("FT_SetBaudRate" + Args({baudRate}), Device().FT_SetBaudRate(HandleOf(handle), baudRate));
}

STANDIN_EXPORT TUlong STANDIN_API FT_SetDataCharacteristics(void* handle, unsigned char wordLength,
                                                            unsigned char stopBits, unsigned char parity)
{
    return Logged("FT_SetDataCharacteristics" + Args({wordLength, stopBits, parity}),
                  Device().FT_SetDataCharacteristics(HandleOf(handle), wordLength, stopBits, parity));
}

STANDIN_EXPORT TUlong STANDIN_API FT_SetTimeouts(void* handle, TUlong readMs, TUlong writeMs)
{
    return Logged("FT_SetTimeouts" + Args({readMs, writeMs}), Device().FT_SetTimeouts(HandleOf(handle), readMs, writeMs));
}

STANDIN_EXPORT TUlong STANDIN_API FT_GetQueueStatus(void* handle, TDword* rxBytes)
{
    std::uint32_t queued = 0;
    const FT_STATUS status = Device().FT_GetQueueStatus(HandleOf(handle), &queued);
    if (status == FT_OK) *rxBytes = queued;
    return Logged("FT_GetQueueStatus", status, ", " + std::to_string(queued) + " queued");
}

#ifndef STANDIN_WITHOUT_TRANSFERS
STANDIN_EXPORT TUlong STANDIN_API FT_Write(void* handle, void* buffer, TDword count, TDword* written)
{
    std::uint32_t moved = 0;
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    const FT_STATUS status = Device().FT_Write(HandleOf(handle), bytes, count, &moved);
    *written = moved;
    return Logged("FT_Write" + Args({count}), status, ", " + std::to_string(moved) + " written:" + Hex(bytes, moved));
}

STANDIN_EXPORT TUlong STANDIN_API FT_Read(void* handle, void* buffer, TDword count, TDword* read)
{
    std::uint32_t moved = 0;
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    const FT_STATUS status = Device().FT_Read(HandleOf(handle), bytes, count, &moved);
    *read = moved;
    return Logged("FT_Read" + Args({count}), status, ", " + std::to_string(moved) + " read:" + Hex(bytes, moved));
}
#endif

// The test's side.

STANDIN_EXPORT void StandIn_PutTag(const unsigned char* uid) { Device().PutTag({uid[0], uid[1], uid[2], uid[3]}); }

STANDIN_EXPORT void StandIn_TakeTag() { Device().TakeTag(); }

STANDIN_EXPORT void StandIn_Unplug() { Device().Unplug(); }

STANDIN_EXPORT void StandIn_Plug() { Device().Plug(); }

// Copies the transcript so far (cut to the buffer, always terminated) and
// starts a new one; returns its full length.
STANDIN_EXPORT std::size_t StandIn_TakeTranscript(char* buffer, std::size_t size)
{
    const std::string text = std::exchange(Transcript(), {});
    if (size > 0) {
        const std::size_t n = std::min(size - 1, text.size());
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
    return text.size();
}
