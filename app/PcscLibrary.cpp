// The PC/SC interface over the system's library, loaded at run time.
#include <algorithm>

#include "PcscApi.h"
#include "SharedLibrary.h"

#ifdef _WIN32
#include <windows.h>
#endif
#include <winscard.h>

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

TScardStatus Status(LONG status) { return static_cast<TScardStatus>(status); }

class TPcscLibrary final : public TPcscApi {
public:
    explicit TPcscLibrary(std::unique_ptr<TSharedLibrary> library) : FLibrary(std::move(library)) {}

    bool ResolveAll()
    {
        return FLibrary->Resolve("SCardEstablishContext", FEstablishContext) &&
               FLibrary->Resolve("SCardReleaseContext", FReleaseContext) &&
               FLibrary->Resolve(ListReadersName, FListReaders) && FLibrary->Resolve(ConnectName, FConnect) &&
               FLibrary->Resolve("SCardDisconnect", FDisconnect) && FLibrary->Resolve("SCardTransmit", FTransmit);
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
        return Status(FReleaseContext(static_cast<SCARDCONTEXT>(context)));
    }

    TScardStatus ListReaders(TContext context, std::vector<std::string>& readers) override
    {
        readers.clear();
        DWORD size = 0;
        TScardStatus status = Status(FListReaders(static_cast<SCARDCONTEXT>(context), nullptr, nullptr, &size));
        if (status != ScardSuccess) return status;
        std::vector<char> names(size + 1, '\0');  // one more: the list ends in a NUL whatever the library writes
        status = Status(FListReaders(static_cast<SCARDCONTEXT>(context), nullptr, names.data(), &size));
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
        const TScardStatus status =
            Status(FConnect(static_cast<SCARDCONTEXT>(context), reader.c_str(), SCARD_SHARE_SHARED,
                            SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &native, &active));
        card = static_cast<TCard>(native);
        protocol = static_cast<std::uint32_t>(active);
        return status;
    }

    TScardStatus Disconnect(TCard card) override
    {
        return Status(FDisconnect(static_cast<SCARDHANDLE>(card), SCARD_LEAVE_CARD));
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
            Status(FTransmit(static_cast<SCARDHANDLE>(card), &request, command.data(),
                             static_cast<DWORD>(command.size()), nullptr, response.data(), &length));
        response.resize(status == ScardSuccess ? std::min<std::size_t>(length, response.size()) : 0);
        return status;
    }

private:
    std::unique_ptr<TSharedLibrary> FLibrary;
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
    auto library = TSharedLibrary::Open(LibraryName);
    if (!library) return nullptr;
    auto api = std::make_unique<TPcscLibrary>(std::move(library));
    if (!api->ResolveAll()) return nullptr;
    return api;
}

}  // namespace tagstation
