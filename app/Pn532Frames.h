// The PN532 frames the station exchanges over the FT232, as pure functions:
// the three host frames it sends, the information frame layout, and the
// reply to a target listing. The poll cycle and the simulated reader both
// build and read frames only through these.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "StationBytes.h"

namespace tagstation::pn532 {

inline constexpr std::uint8_t HostToPn532 = 0xD4;
inline constexpr std::uint8_t Pn532ToHost = 0xD5;
inline constexpr std::uint8_t CmdGetFirmwareVersion = 0x02;
inline constexpr std::uint8_t CmdSamConfiguration = 0x14;
inline constexpr std::uint8_t CmdInListPassiveTarget = 0x4A;
// A response carries the command code plus one.
inline constexpr std::uint8_t ResponseCode(std::uint8_t command) { return static_cast<std::uint8_t>(command + 1); }
inline constexpr std::uint8_t BaudRateTypeA106 = 0x00;

// The host frames, sent exactly as they stand: the wake-up block (55 55,
// zeros, SAMConfiguration in normal mode, 0x01 in the postamble's place),
// InListPassiveTarget for at most 2 type A targets at 106 kbps, and a
// GetFirmwareVersion frame whose checksum byte is 0x28 (not 0x2A), which the
// PN532 therefore never answers.
TByteView WakeUpBlock();
TByteView ListTargetsFrame();
TByteView VersionRequestFrame();

inline constexpr std::array<std::uint8_t, 6> AckFrame = {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00};

// The byte that makes the low byte of the sum of `bytes` and itself zero.
std::uint8_t Checksum(TByteView bytes);
// A normal information frame around `data` (TFI included).
TBytes InformationFrame(TByteView data);

// What a type A target tells in a listing besides its UID.
struct TTypeATarget {
    std::uint16_t SensRes = 0x0004;  // ATQA, sent high byte first
    std::uint8_t SelRes = 0x08;      // SAK
    TBytes Uid;
    // The answer to select, its length byte TL first; empty when the target
    // does not speak ISO 14443-4.
    TBytes Ats;
};

// The InListPassiveTarget response frame for this one target.
TBytes ListingResponse(const TTypeATarget& target);

// The poll reads this many bytes first: the ACK frame and a listing response
// for one target with a 4-byte UID and no ATS.
inline constexpr std::size_t ShortestTagReply = 25;
// Bytes 0-24 of a reply hold the ACK and the head of a response whose
// length byte may ask for more: the whole reply's length (ACK, response,
// postamble), or `ShortestTagReply` when the head is no response head.
std::size_t TagReplyLength(TByteView head);

// The UID of the one type A target that the reply (ACK frame followed by the
// listing response) reports. Nothing unless the reply is complete and well
// formed: start codes, lengths, response code, target count, the UID length
// (4 or 7 bytes), the ATS length and both checksums are checked, so bytes of
// a reply that is shifted, cut or from two targets are never taken for a UID.
std::optional<TBytes> TagUidOf(TByteView reply);

}  // namespace tagstation::pn532
