// The PC/SC interface over the system's library, loaded at run time.
#include <algorithm>
#include <cstring>

#include "PcscApi.h"

#ifdef _WIN32
#define NOMINMAX
#include <windows.h>
#include <winscard.h>
#else
#include <dlfcn.h>
#include <winscard.h>
#endif

namespace tagstation {

namespace {

#ifdef _WIN32
#define PCSC_CALL WINAPI
constexpr const char* LibraryName = "winscard.dll";
// The names' narrow-character forms.
constexpr const char* ListReadersName = "SCardListReadersA";
constexpr const char* ConnectName = "SCardConnectA";
#else
#define PCSC_CALL
constexpr const char* LibraryName = "libpcsclite.so.1";
constexpr const char* ListReadersName = "SCardListReaders";
constexpr const char* ConnectName = "SCardConnect";
#endif

void* OpenLibrary()
{
#ifdef _WIN32
    return reinterpret_cast<void*>(LoadLibraryA(LibraryName));
#else
    return dlopen(LibraryName, RTLD_NOW | RTLD_LOCAL);
#endif
}

void CloseLibrary(void* library)
{
#ifdef _WIN32
    FreeLibrary(reinterpret_cast<HMODULE>(library));
#else
    dlclose(library);
#endif
}

template <typename TFunction>
bool Resolve(void* library, const char* name, TFunction& function)
{
#ifdef _WIN32
    const FARPROC address = GetProcAddress(reinterpret_cast<HMODULE>(library), name);
#else
    void* const address = dlsym(library, name);
#endif
    if (!address) return false;
    static_assert(sizeof function == sizeof address);
    std::memcpy(&function, &address, sizeof function);
    return true;
}

TScardStatus Status(LONG status) { return static_cast<TScardStatus>(status); }

// SCARDCONTEXT and SCARDHANDLE are integers as wide as a pointer or narrower.
template <typename THandle>
THandle Native(std::intptr_t handle)
{
    return static_cast<THandle>(handle);
}

class TPcscLibrary final : public TPcscApi {
public:
    explicit TPcscLibrary(void* library) : FLibrary(library) {}
    ~TPcscLibrary() override { CloseLibrary(FLibrary); }
    TPcscLibrary(const TPcscLibrary&) = delete;
    TPcscLibrary& operator=(const TPcscLibrary&) = delete;

    bool ResolveAll()
    {
        return Resolve(FLibrary, "SCardEstablishContext", FEstablishContext) &&
               Resolve(FLibrary, "SCardReleaseContext", FReleaseContext) &&
               Resolve(FLibrary, ListReadersName, FListReaders) && Resolve(FLibrary, ConnectName, FConnect) &&
               Resolve(FLibrary, "SCardDisconnect", FDisconnect) && Resolve(FLibrary, "SCardTransmit", FTransmit);
    }

    TScardStatus EstablishContext(TContext& context) override
    {
        SCARDCONTEXT native{};
        const TScardStatus status = Status(FEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &native));
        context = static_cast<TContext>(native);
        return status;
    }

    TScardStatus ReleaseContext(TContext context) override
    {
        return Status(FReleaseContext(Native<SCARDCONTEXT>(context)));
    }

    TScardStatus ListReaders(TContext context, std::vector<std::string>& readers) override
    {
        readers.clear();
        DWORD size = 0;
        TScardStatus status = Status(FListReaders(Native<SCARDCONTEXT>(context), nullptr, nullptr, &size));
        if (status != ScardSuccess) return status;
        std::vector<char> names(size + 1, '\0');  // one more: the list ends in a NUL whatever the library writes
        status = Status(FListReaders(Native<SCARDCONTEXT>(context), nullptr, names.data(), &size));
        if (status != ScardSuccess) return status;
        // NUL-terminated names, one after the other, ending in an empty one.
        for (std::size_t at = 0; at < names.size() && names[at] != '\0';) {
            const std::string name(&names[at]);
            readers.push_back(name);
            at += name.size() + 1;
        }
        return status;
    }

    TScardStatus Connect(TContext context, const std::string& reader, TCard& card, std::uint32_t& protocol) override
    {
        SCARDHANDLE native{};
        DWORD active = 0;
        const TScardStatus status = Status(FConnect(Native<SCARDCONTEXT>(context), reader.c_str(), SCARD_SHARE_SHARED,
                                                    SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &native, &active));
        card = static_cast<TCard>(native);
        protocol = static_cast<std::uint32_t>(active);
        return status;
    }

    TScardStatus Disconnect(TCard card) override
    {
        return Status(FDisconnect(Native<SCARDHANDLE>(card), SCARD_LEAVE_CARD));
    }

    TScardStatus Transmit(TCard card, std::uint32_t protocol, TByteView command, TBytes& response) override
    {
        // Two bytes of status after at most 256 of data.
        response.assign(258, 0);
        SCARD_IO_REQUEST request{};
        request.dwProtocol = protocol;
        request.cbPciLength = sizeof request;
        DWORD length = static_cast<DWORD>(response.size());
        const TScardStatus status =
            Status(FTransmit(Native<SCARDHANDLE>(card), &request, command.data(), static_cast<DWORD>(command.size()),
                             nullptr, response.data(), &length));
        response.resize(status == ScardSuccess ? std::min<std::size_t>(length, response.size()) : 0);
        return status;
    }

private:
    void* FLibrary;
    decltype(&::SCardEstablishContext) FEstablishContext = nullptr;
    decltype(&::SCardReleaseContext) FReleaseContext = nullptr;
    LONG(PCSC_CALL* FListReaders)(SCARDCONTEXT, LPCSTR, LPSTR, LPDWORD) = nullptr;
    LONG(PCSC_CALL* FConnect)(SCARDCONTEXT, LPCSTR, DWORD, DWORD, LPSCARDHANDLE, LPDWORD) = nullptr;
    decltype(&::SCardDisconnect) FDisconnect = nullptr;
    decltype(&::SCardTransmit) FTransmit = nullptr;
};

}  // namespace

const char* PcscLibraryName() { return LibraryName; }

std::unique_ptr<TPcscApi> LoadPcscLibrary()
{
    void* library = OpenLibrary();
    if (!library) return nullptr;
    auto api = std::make_unique<TPcscLibrary>(library);
    if (!api->ResolveAll()) return nullptr;  // the destructor closes the library
    return api;
}

}  // namespace tagstation
