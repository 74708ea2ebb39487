#include "Pn532Frames.h"

#include <algorithm>
#include <numeric>

namespace tagstation::pn532 {

namespace {

constexpr std::array<std::uint8_t, 44> FrameTable = {
    // Wake-up block
    0x55, 0x55, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0xFF, 0x03, 0xFD, 0xD4, 0x14, 0x01, 0x17, 0x01,
    // InListPassiveTarget
    0x00, 0x00, 0xFF, 0x04, 0xFC, 0xD4, 0x4A, 0x02, 0x00, 0xE0, 0x00,
    // GetFirmwareVersion with the checksum byte 0x28
    0x00, 0x00, 0xFF, 0x02, 0xFE, 0xD4, 0x02, 0x28, 0x00};

TByteView TablePart(std::size_t offset, std::size_t size) { return TByteView(FrameTable).subspan(offset, size); }

// Offsets in a reply: the 6-byte ACK frame, then the response frame.
constexpr std::size_t StartCode = 6;  // 00 00 FF
constexpr std::size_t Len = 9;        // TFI, response code and data
constexpr std::size_t Lcs = 10;
constexpr std::size_t Tfi = 11;
constexpr std::size_t Command = 12;
constexpr std::size_t TargetCount = 13;
constexpr std::size_t UidLength = 18;
constexpr std::size_t UidStart = 19;
// TFI, code, NbTg, Tg, SENS_RES (2), SEL_RES and the UID length byte.
constexpr std::size_t TargetHeadLength = 8;
// Start code, LEN and LCS before the data; DCS and postamble after it.
constexpr std::size_t FrameOverhead = 3 + 2 + 2;

bool HasResponseHead(TByteView reply)
{
    if (reply.size() <= Lcs) return false;
    return std::equal(AckFrame.begin(), AckFrame.end(), reply.begin()) && reply[StartCode] == 0x00 &&
           reply[StartCode + 1] == 0x00 && reply[StartCode + 2] == 0xFF &&
           static_cast<std::uint8_t>(reply[Len] + reply[Lcs]) == 0;
}

bool IsUidLength(std::size_t length) { return length == 4 || length == 7; }

}  // namespace

TByteView WakeUpBlock() { return TablePart(0, 24); }
TByteView ListTargetsFrame() { return TablePart(24, 11); }
TByteView VersionRequestFrame() { return TablePart(35, 9); }

std::uint8_t Checksum(TByteView bytes)
{
    const unsigned sum = std::accumulate(bytes.begin(), bytes.end(), 0u);
    return static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
}

TBytes InformationFrame(TByteView data)
{
    const auto len = static_cast<std::uint8_t>(data.size());
    TBytes frame;
    frame.reserve(data.size() + 7);
    for (const std::uint8_t b : {std::uint8_t(0x00), std::uint8_t(0x00), std::uint8_t(0xFF), len,
                                 static_cast<std::uint8_t>(0x100 - len)})
        frame.push_back(b);
    frame.insert(frame.end(), data.begin(), data.end());
    frame.push_back(Checksum(data));
    frame.push_back(0x00);
    return frame;
}

TBytes ListingResponse(const TTypeATarget& target)
{
    TBytes data = {Pn532ToHost,
                   ResponseCode(CmdInListPassiveTarget),
                   0x01,  // NbTg
                   0x01,  // Tg
                   static_cast<std::uint8_t>(target.SensRes >> 8),
                   static_cast<std::uint8_t>(target.SensRes),
                   target.SelRes,
                   static_cast<std::uint8_t>(target.Uid.size())};
    data.insert(data.end(), target.Uid.begin(), target.Uid.end());
    data.insert(data.end(), target.Ats.begin(), target.Ats.end());
    return InformationFrame(data);
}

std::size_t TagReplyLength(TByteView head)
{
    if (!HasResponseHead(head)) return ShortestTagReply;
    return AckFrame.size() + FrameOverhead + head[Len];
}

std::optional<TBytes> TagUidOf(TByteView reply)
{
    if (reply.size() < ShortestTagReply || !HasResponseHead(reply)) return std::nullopt;
    const std::size_t len = reply[Len];
    // The postamble is not examined, so a reply may end with the checksum.
    if (reply.size() < Tfi + len + 1 || len < TargetHeadLength) return std::nullopt;
    if (reply[Tfi] != Pn532ToHost || reply[Command] != ResponseCode(CmdInListPassiveTarget) ||
        reply[TargetCount] != 1)
        return std::nullopt;
    const std::size_t uidLength = reply[UidLength];
    if (!IsUidLength(uidLength) || len < TargetHeadLength + uidLength) return std::nullopt;
    // An answer to select follows the UID for ISO 14443-4 targets; its first
    // byte counts its length.
    const std::size_t atsPart = len - TargetHeadLength - uidLength;
    if (atsPart != 0 && reply[UidStart + uidLength] != atsPart) return std::nullopt;
    const TByteView checked = reply.subspan(Tfi, len + 1);  // the data and DCS
    if (std::accumulate(checked.begin(), checked.end(), 0u) % 0x100 != 0) return std::nullopt;
    const auto uid = reply.subspan(UidStart, uidLength);
    return TBytes(uid.begin(), uid.end());
}

}  // namespace tagstation::pn532
