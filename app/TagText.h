// The texts the station makes of reader bytes: hex dumps for the log, the
// UID as the panel shows it, and the chip number.
#pragma once

#include <QString>

#include "StationBytes.h"

namespace tagstation {

// Two upper-case hex digits, high nibble first.
QString ByteToHex(std::uint8_t value);
// `prefix`, then a blank and ByteToHex for each byte.
QString HexDump(const QString& prefix, TByteView bytes);

// The UID as "DE AD BE EF" (panel) and as "DEADBEEF".
QString UidPanelText(TByteView uid);
QString UidHexText(TByteView uid);
// The UID bytes read as an unsigned little-endian number, in decimal; UIDs of
// up to 8 bytes (a 7-byte UID gives up to 17 digits).
QString ChipNumberText(TByteView uid);

}  // namespace tagstation
