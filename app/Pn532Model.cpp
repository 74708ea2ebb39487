#include "Pn532Model.h"

#include <algorithm>
#include <numeric>

namespace tagstation {

namespace {

constexpr std::uint8_t HostToPn532 = 0xD4;
constexpr std::uint8_t Pn532ToHost = 0xD5;
constexpr std::uint8_t CmdGetFirmwareVersion = 0x02;
constexpr std::uint8_t CmdSamConfiguration = 0x14;
constexpr std::uint8_t CmdInListPassiveTarget = 0x4A;
constexpr std::uint8_t BaudRateTypeA106 = 0x00;
// A response carries the command code plus one.
constexpr std::uint8_t RespGetFirmwareVersion = CmdGetFirmwareVersion + 1;
constexpr std::uint8_t RespSamConfiguration = CmdSamConfiguration + 1;
constexpr std::uint8_t RespInListPassiveTarget = CmdInListPassiveTarget + 1;

// Answer of a type A tag to REQA and its SAK: a 1K MIFARE Classic card.
constexpr std::uint8_t SensRes[2] = {0x00, 0x04};
constexpr std::uint8_t SelRes = 0x08;

constexpr std::uint8_t SyntaxErrorFrame[] = {0x00, 0x00, 0xFF, 0x01, 0xFF, 0x7F, 0x81, 0x00};

std::uint8_t Checksum(TByteView bytes)
{
    const unsigned sum = std::accumulate(bytes.begin(), bytes.end(), 0u);
    return static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
}

void Append(TBytes& to, TByteView from) { to.insert(to.end(), from.begin(), from.end()); }

}  // namespace

TPn532Model::TPn532Model(TBadChecksumReaction reaction) : FReaction(reaction) {}

TBytes TPn532Model::AckFrame() { return {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00}; }

TBytes TPn532Model::InformationFrame(TByteView data)
{
    const auto len = static_cast<std::uint8_t>(data.size());
    TBytes frame = {0x00, 0x00, 0xFF, len, static_cast<std::uint8_t>(0x100 - len)};
    frame.insert(frame.end(), data.begin(), data.end());
    frame.push_back(Checksum(data));
    frame.push_back(0x00);
    return frame;
}

TBytes TPn532Model::ListingResponse(const TUid& uid)
{
    TBytes data = {Pn532ToHost, RespInListPassiveTarget, 0x01 /*NbTg*/, 0x01 /*Tg*/, SensRes[0], SensRes[1],
                   SelRes, 0x04 /*NFCID1 length*/};
    data.insert(data.end(), uid.begin(), uid.end());
    return InformationFrame(data);
}

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
        Append(reply, InformationFrame(TBytes{Pn532ToHost, RespSamConfiguration}));
        break;
    case CmdGetFirmwareVersion:
        Append(reply, AckFrame());
        Append(reply, InformationFrame(TBytes{Pn532ToHost, RespGetFirmwareVersion, 0x32, 0x01, 0x06, 0x07}));
        break;
    case CmdInListPassiveTarget:
        Append(reply, AckFrame());
        if (data.size() < 4 || data[3] != BaudRateTypeA106)
            Append(reply, InformationFrame(TBytes{Pn532ToHost, RespInListPassiveTarget, 0x00}));
        else if (FTag)
            Append(reply, ListingResponse(*FTag));
        else
            FListingPending = true;
        break;
    default:
        Append(reply, SyntaxErrorFrame);
        break;
    }
}

TBytes TPn532Model::PutTag(const TUid& uid)
{
    FTag = uid;
    if (!FListingPending) return {};
    FListingPending = false;
    return ListingResponse(uid);
}

void TPn532Model::TakeTag() { FTag.reset(); }

void TPn532Model::PowerCycle()
{
    FAwake = false;
    FListingPending = false;
    FInput.clear();
}

}  // namespace tagstation
