// A PN532 as seen over its high-speed UART: it parses the host's frames and
// answers them the way the chip does (an ACK frame first, then the response
// frame), keeps an InListPassiveTarget pending until a tag comes into the
// field, and needs SAMConfiguration after power-up before it takes other
// commands. Models one ISO 14443 type A tag with a 4-byte UID.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "StationBytes.h"

namespace tagstation {

class TPn532Model {
public:
    // What the chip does with a frame whose data checksum is wrong is not
    // documented; both plausible reactions can be chosen.
    enum class TBadChecksumReaction { CancelsPendingCommand, Ignored };
    using TUid = std::array<std::uint8_t, 4>;

    explicit TPn532Model(TBadChecksumReaction reaction = TBadChecksumReaction::CancelsPendingCommand);

    // Bytes from the host; returns the bytes the chip sends back at once.
    TBytes Receive(TByteView bytes);
    // A tag enters the field; returns the response of a pending listing.
    TBytes PutTag(const TUid& uid);
    void TakeTag();
    // Power lost and back: the chip sleeps and forgets pending commands.
    void PowerCycle();

    bool Awake() const { return FAwake; }
    bool ListingPending() const { return FListingPending; }
    std::optional<TUid> Tag() const { return FTag; }
    TBadChecksumReaction BadChecksumReaction() const { return FReaction; }

    static TBytes AckFrame();
    // A normal information frame around `data` (TFI included).
    static TBytes InformationFrame(TByteView data);
    // The InListPassiveTarget response for one type A target with this UID.
    static TBytes ListingResponse(const TUid& uid);

private:
    // Takes one complete frame off the front of the input; false when the
    // input holds no complete frame yet.
    bool ParseFrame(TBytes& reply);
    void HandleCommand(TByteView data, TBytes& reply);

    TBadChecksumReaction FReaction;
    TBytes FInput;
    bool FAwake = false;
    bool FListingPending = false;
    std::optional<TUid> FTag;
};

}  // namespace tagstation
