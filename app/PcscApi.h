// The few PC/SC calls the station makes (pcsc-lite on Linux, WinSCard on
// Windows), behind an interface so that tests can put a reader of their own
// in. Statuses are the PC/SC ones (0 is success), as 32-bit numbers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "StationBytes.h"

namespace tagstation {

using TScardStatus = std::uint32_t;

inline constexpr TScardStatus ScardSuccess = 0;
inline constexpr TScardStatus ScardInvalidHandle = 0x80100003;
inline constexpr TScardStatus ScardUnknownReader = 0x80100009;
inline constexpr TScardStatus ScardNoSmartcard = 0x8010000C;
inline constexpr TScardStatus ScardReaderUnavailable = 0x80100017;
inline constexpr TScardStatus ScardNoService = 0x8010001D;
inline constexpr TScardStatus ScardServiceStopped = 0x8010001E;
inline constexpr TScardStatus ScardNoReadersAvailable = 0x8010002E;
inline constexpr TScardStatus ScardUnresponsiveCard = 0x80100066;
inline constexpr TScardStatus ScardUnpoweredCard = 0x80100067;
inline constexpr TScardStatus ScardResetCard = 0x80100068;
inline constexpr TScardStatus ScardRemovedCard = 0x80100069;

class TPcscApi {
public:
    using TContext = std::intptr_t;
    using TCard = std::intptr_t;

    virtual ~TPcscApi() = default;

    virtual TScardStatus EstablishContext(TContext& context) = 0;
    virtual TScardStatus ReleaseContext(TContext context) = 0;
    virtual TScardStatus ListReaders(TContext context, std::vector<std::string>& readers) = 0;
    // Shared access, T=0 or T=1; `protocol` gets the one in use.
    virtual TScardStatus Connect(TContext context, const std::string& reader, TCard& card, std::uint32_t& protocol) = 0;
    // Leaves the card as it is.
    virtual TScardStatus Disconnect(TCard card) = 0;
    virtual TScardStatus Transmit(TCard card, std::uint32_t protocol, TByteView command, TBytes& response) = 0;
};

// pcsc-lite's client library (libpcsclite.so.1) or winscard.dll, loaded at
// run time so that the station starts without them; null when it cannot be
// loaded or lacks one of the calls.
std::unique_ptr<TPcscApi> LoadPcscLibrary();
const char* PcscLibraryName();

}  // namespace tagstation
