#include "Pn532Model.h"

namespace tagstation {

using namespace pn532;

namespace {

// ATQA and SAK of a MIFARE Classic 1K (4-byte UID) and of an NTAG (7 bytes).
constexpr std::uint16_t ClassicSensRes = 0x0004;
constexpr std::uint8_t ClassicSelRes = 0x08;
constexpr std::uint16_t NtagSensRes = 0x0044;
constexpr std::uint8_t NtagSelRes = 0x00;

constexpr std::uint8_t SyntaxErrorFrame[] = {0x00, 0x00, 0xFF, 0x01, 0xFF, 0x7F, 0x81, 0x00};

void Append(TBytes& to, TByteView from) { to.insert(to.end(), from.begin(), from.end()); }

}  // namespace

TPn532Model::TPn532Model(TBadChecksumReaction reaction) : FReaction(reaction) {}

TBytes TPn532Model::AckFrame() { return TBytes(pn532::AckFrame.begin(), pn532::AckFrame.end()); }

TTypeATarget TPn532Model::TargetWithUid(const TUid& uid)
{
    const bool classic = uid.size() == 4;
    return {classic ? ClassicSensRes : NtagSensRes, classic ? ClassicSelRes : NtagSelRes, uid, {}};
}

TBytes TPn532Model::ListingResponse(const TUid& uid) { return pn532::ListingResponse(TargetWithUid(uid)); }

TBytes TPn532Model::Receive(TByteView bytes)
{
    FInput.insert(FInput.end(), bytes.begin(), bytes.end());
    TBytes reply;
    while (ParseFrame(reply)) {
    }
    return reply;
}

bool TPn532Model::ParseFrame(TBytes& reply)
{
    // Everything before a start code (wake-up bytes, preamble, postamble) is noise.
    std::size_t start = 0;
    while (start + 1 < FInput.size() && !(FInput[start] == 0x00 && FInput[start + 1] == 0xFF)) ++start;
    FInput.erase(FInput.begin(), FInput.begin() + static_cast<std::ptrdiff_t>(start));
    if (FInput.size() < 4) return false;

    const std::uint8_t len = FInput[2];
    const std::uint8_t lcs = FInput[3];
    if (len == 0x00 && lcs == 0xFF) {  // ACK from the host aborts the running command
        FListingPending = false;
        FInput.erase(FInput.begin(), FInput.begin() + 4);
        return true;
    }
    if (static_cast<std::uint8_t>(len + lcs) != 0) {  // not a frame after all: look further
        FInput.erase(FInput.begin(), FInput.begin() + 2);
        return true;
    }
    const std::size_t frameEnd = 4 + std::size_t(len) + 1;  // data and DCS
    if (FInput.size() < frameEnd) return false;

    const TByteView data(FInput.data() + 4, len);
    if (Checksum(data) == FInput[4 + len]) {
        HandleCommand(data, reply);
    } else if (FReaction == TBadChecksumReaction::CancelsPendingCommand) {
        FListingPending = false;
    }
    FInput.erase(FInput.begin(), FInput.begin() + static_cast<std::ptrdiff_t>(frameEnd));
    return true;
}

void TPn532Model::HandleCommand(TByteView data, TBytes& reply)
{
    if (data.size() < 2 || data[0] != HostToPn532) return;
    const std::uint8_t command = data[1];
    // After power-up over HSU the chip takes nothing before SAMConfiguration.
    if (!FAwake && command != CmdSamConfiguration) return;

    FListingPending = false;  // a new command replaces one still running
    switch (command) {
    case CmdSamConfiguration:
        FAwake = true;
        Append(reply, AckFrame());
        Append(reply, InformationFrame(TBytes{Pn532ToHost, ResponseCode(CmdSamConfiguration)}));
        break;
    case CmdGetFirmwareVersion:
        Append(reply, AckFrame());
        Append(reply,
               InformationFrame(TBytes{Pn532ToHost, ResponseCode(CmdGetFirmwareVersion), 0x32, 0x01, 0x06, 0x07}));
        break;
    case CmdInListPassiveTarget:
        Append(reply, AckFrame());
        if (data.size() < 4 || data[3] != BaudRateTypeA106)
            Append(reply, InformationFrame(TBytes{Pn532ToHost, ResponseCode(CmdInListPassiveTarget), 0x00}));
        else if (FTag)
            Append(reply, pn532::ListingResponse(*FTag));
        else
            FListingPending = true;
        break;
    default:
        Append(reply, SyntaxErrorFrame);
        break;
    }
}

TBytes TPn532Model::PutTag(const TUid& uid) { return PutTag(TargetWithUid(uid)); }

TBytes TPn532Model::PutTag(const TTypeATarget& target)
{
    FTag = target;
    if (!FListingPending) return {};
    FListingPending = false;
    return pn532::ListingResponse(target);
}

void TPn532Model::TakeTag() { FTag.reset(); }

void TPn532Model::PowerCycle()
{
    FAwake = false;
    FListingPending = false;
    FInput.clear();
}

}  // namespace tagstation
