#include "D2xxLibraryDriver.h"

#include "SharedLibrary.h"

#ifdef _WIN32
#include <windows.h>
#define D2XX_API WINAPI
#else
#define D2XX_API
#endif

namespace tagstation {

namespace {

// The library's own types: ULONG and DWORD are 32 bits wide on every
// platform it ships for, FT_HANDLE is a pointer.
#ifdef _WIN32
using TUlong = unsigned long;
using TDword = unsigned long;
#else
using TUlong = std::uint32_t;
using TDword = std::uint32_t;
#endif
using TLibHandle = void*;

TLibHandle ToLib(FT_HANDLE handle) { return reinterpret_cast<TLibHandle>(handle); }

}  // namespace

struct TD2xxLibraryDriver::TEntryPoints {
    TUlong(D2XX_API* Open)(int, TLibHandle*) = nullptr;
    TUlong(D2XX_API* Close)(TLibHandle) = nullptr;
    TUlong(D2XX_API* ResetDevice)(TLibHandle) = nullptr;
    TUlong(D2XX_API* Purge)(TLibHandle, TUlong) = nullptr;
    TUlong(D2XX_API* SetBaudRate)(TLibHandle, TUlong) = nullptr;
    TUlong(D2XX_API* SetDataCharacteristics)(TLibHandle, unsigned char, unsigned char, unsigned char) = nullptr;
    TUlong(D2XX_API* SetTimeouts)(TLibHandle, TUlong, TUlong) = nullptr;
    TUlong(D2XX_API* GetQueueStatus)(TLibHandle, TDword*) = nullptr;
    TUlong(D2XX_API* Write)(TLibHandle, void*, TDword, TDword*) = nullptr;
    TUlong(D2XX_API* Read)(TLibHandle, void*, TDword, TDword*) = nullptr;

    bool ResolveAll(const TSharedLibrary& library)
    {
        return library.Resolve("FT_Open", Open) && library.Resolve("FT_Close", Close) &&
               library.Resolve("FT_ResetDevice", ResetDevice) && library.Resolve("FT_Purge", Purge) &&
               library.Resolve("FT_SetBaudRate", SetBaudRate) &&
               library.Resolve("FT_SetDataCharacteristics", SetDataCharacteristics) &&
               library.Resolve("FT_SetTimeouts", SetTimeouts) && library.Resolve("FT_GetQueueStatus", GetQueueStatus) &&
               library.Resolve("FT_Write", Write) && library.Resolve("FT_Read", Read);
    }
};

const char* TD2xxLibraryDriver::DefaultLibraryName()
{
#ifdef _WIN32
    return "ftd2xx.dll";
#else
    return "libftd2xx.so";
#endif
}

std::unique_ptr<TD2xxLibraryDriver> TD2xxLibraryDriver::Load(const std::string& path)
{
    auto library = TSharedLibrary::Open(path.empty() ? DefaultLibraryName() : path);
    if (!library) return nullptr;
    auto calls = std::make_unique<TEntryPoints>();
    if (!calls->ResolveAll(*library)) return nullptr;
    return std::make_unique<TD2xxLibraryDriver>(TKey{}, std::move(library), std::move(calls));
}

TD2xxLibraryDriver::TD2xxLibraryDriver(TKey, std::unique_ptr<TSharedLibrary> library,
                                       std::unique_ptr<TEntryPoints> calls)
    : FLibrary(std::move(library)), FCalls(std::move(calls))
{
}

TD2xxLibraryDriver::~TD2xxLibraryDriver() = default;

FT_STATUS TD2xxLibraryDriver::FT_Open(int deviceNumber, FT_HANDLE* handle)
{
    TLibHandle lib = nullptr;
    const auto status = static_cast<FT_STATUS>(FCalls->Open(deviceNumber, &lib));
    if (status == FT_OK) *handle = reinterpret_cast<FT_HANDLE>(lib);
    return status;
}

FT_STATUS TD2xxLibraryDriver::FT_Close(FT_HANDLE handle) { return static_cast<FT_STATUS>(FCalls->Close(ToLib(handle))); }

FT_STATUS TD2xxLibraryDriver::FT_ResetDevice(FT_HANDLE handle)
{
    return static_cast<FT_STATUS>(FCalls->ResetDevice(ToLib(handle)));
}

FT_STATUS TD2xxLibraryDriver::FT_Purge(FT_HANDLE handle, std::uint32_t mask)
{
    return static_cast<FT_STATUS>(FCalls->Purge(ToLib(handle), mask));
}

FT_STATUS TD2xxLibraryDriver::FT_SetBaudRate(FT_HANDLE handle, std::uint32_t baudRate)
{
    return static_cast<FT_STATUS>(FCalls->SetBaudRate(ToLib(handle), baudRate));
}

FT_STATUS TD2xxLibraryDriver::FT_SetDataCharacteristics(FT_HANDLE handle, std::uint8_t wordLength,
                                                        std::uint8_t stopBits, std::uint8_t parity)
{
    return static_cast<FT_STATUS>(FCalls->SetDataCharacteristics(ToLib(handle), wordLength, stopBits, parity));
}

FT_STATUS TD2xxLibraryDriver::FT_SetTimeouts(FT_HANDLE handle, std::uint32_t readTimeoutMs,
                                             std::uint32_t writeTimeoutMs)
{
    return static_cast<FT_STATUS>(FCalls->SetTimeouts(ToLib(handle), readTimeoutMs, writeTimeoutMs));
}

FT_STATUS TD2xxLibraryDriver::FT_GetQueueStatus(FT_HANDLE handle, std::uint32_t* rxBytes)
{
    TDword count = 0;
    const auto status = static_cast<FT_STATUS>(FCalls->GetQueueStatus(ToLib(handle), &count));
    *rxBytes = static_cast<std::uint32_t>(count);
    return status;
}

FT_STATUS TD2xxLibraryDriver::FT_Write(FT_HANDLE handle, const std::uint8_t* buffer, std::uint32_t bytesToWrite,
                                       std::uint32_t* bytesWritten)
{
    TDword written = 0;
    // The library's prototype takes a non-const buffer; it only reads it.
    const auto status = static_cast<FT_STATUS>(
        FCalls->Write(ToLib(handle), const_cast<std::uint8_t*>(buffer), bytesToWrite, &written));
    *bytesWritten = static_cast<std::uint32_t>(written);
    return status;
}

FT_STATUS TD2xxLibraryDriver::FT_Read(FT_HANDLE handle, std::uint8_t* buffer, std::uint32_t bytesToRead,
                                      std::uint32_t* bytesReturned)
{
    TDword read = 0;
    const auto status = static_cast<FT_STATUS>(FCalls->Read(ToLib(handle), buffer, bytesToRead, &read));
    *bytesReturned = static_cast<std::uint32_t>(read);
    return status;
}

}  // namespace tagstation
