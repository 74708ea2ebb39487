// A PN532 as seen over its high-speed UART: it parses the host's frames and
// answers them the way the chip does (an ACK frame first, then the response
// frame), keeps an InListPassiveTarget pending until a tag comes into the
// field, and needs SAMConfiguration after power-up before it takes other
// commands. Models one ISO 14443 type A tag with a 4- or 7-byte UID.
#pragma once

#include <cstdint>
#include <optional>

#include "Pn532Frames.h"
#include "StationBytes.h"

namespace tagstation {

class TPn532Model {
public:
    // What the chip does with a frame whose data checksum is wrong is not
    // documented; both plausible reactions can be chosen.
    enum class TBadChecksumReaction { CancelsPendingCommand, Ignored };
    using TUid = TBytes;

    explicit TPn532Model(TBadChecksumReaction reaction = TBadChecksumReaction::CancelsPendingCommand);

    // Bytes from the host; returns the bytes the chip sends back at once.
    TBytes Receive(TByteView bytes);
    // A tag enters the field; returns the response of a pending listing. A
    // bare UID is a MIFARE Classic 1K (4 bytes) or an NTAG (7 bytes).
    TBytes PutTag(const TUid& uid);
    TBytes PutTag(const pn532::TTypeATarget& target);
    void TakeTag();
    // Power lost and back: the chip sleeps and forgets pending commands.
    void PowerCycle();

    bool Awake() const { return FAwake; }
    bool ListingPending() const { return FListingPending; }
    std::optional<TUid> Tag() const { return FTag ? std::optional<TUid>(FTag->Uid) : std::nullopt; }
    TBadChecksumReaction BadChecksumReaction() const { return FReaction; }

    static TBytes AckFrame();
    static TBytes InformationFrame(TByteView data) { return pn532::InformationFrame(data); }
    // The InListPassiveTarget response for the tag that PutTag(uid) puts on.
    static TBytes ListingResponse(const TUid& uid);
    static pn532::TTypeATarget TargetWithUid(const TUid& uid);

private:
    // Takes one complete frame off the front of the input; false when the
    // input holds no complete frame yet.
    bool ParseFrame(TBytes& reply);
    void HandleCommand(TByteView data, TBytes& reply);

    TBadChecksumReaction FReaction;
    TBytes FInput;
    bool FAwake = false;
    bool FListingPending = false;
    std::optional<pn532::TTypeATarget> FTag;
};

}  // namespace tagstation
