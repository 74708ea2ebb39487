// What the poll cycle makes of the reader's bytes: hex texts for the log and
// the panels, the reply check, and the chip number.
#pragma once

#include <QString>
#include <cstddef>

#include "StationBytes.h"

namespace tagstation {

// The reply the poll reads: the ACK frame of the target listing followed by
// its response for one target with a 4-byte UID.
inline constexpr std::size_t TagReplySize = 25;
inline constexpr std::size_t UidOffset = 19;
inline constexpr std::size_t UidSize = 4;

// Two upper-case hex digits, high nibble first.
QString ByteToHex(std::uint8_t value);
// `prefix`, then a blank and ByteToHex for each byte.
QString HexDump(const QString& prefix, TByteView bytes);

// True when `reply` is a well-formed ACK plus listing response for exactly
// one target with a 4-byte UID: start codes, lengths, command code and both
// checksums are checked, so bytes of a reply that is shifted, cut, or from a
// tag with a longer UID are never taken for a UID.
bool IsTagReply(TByteView reply);

// The UID bytes of a tag reply, as "DEADBEEF" and as "DE AD BE EF".
QString UidHexOf(TByteView reply);
QString UidPanelTextOf(TByteView reply);
// The UID read as an unsigned little-endian 32-bit number, in decimal.
QString ChipNumberOf(TByteView reply);

}  // namespace tagstation
