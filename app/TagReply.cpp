#include "TagReply.h"

#include <QStringList>
#include <numeric>

namespace tagstation {

namespace {

constexpr std::uint8_t AckFrame[] = {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00};

// Offsets inside the reply, after the 6-byte ACK frame.
constexpr std::size_t StartCode = 6;     // 00 00 FF
constexpr std::size_t Len = 9;           // 0C: TFI, command and 10 data bytes
constexpr std::size_t Lcs = 10;
constexpr std::size_t Tfi = 11;          // D5
constexpr std::size_t Command = 12;      // 4B: InListPassiveTarget response
constexpr std::size_t TargetCount = 13;  // NbTg
constexpr std::size_t UidLength = 18;    // NFCID1 length
constexpr std::size_t Dcs = 23;
constexpr std::uint8_t OneTargetLen = 0x0C;

}  // namespace

QString ByteToHex(std::uint8_t value)
{
    static constexpr char Digits[] = "0123456789ABCDEF";
    const QChar digits[2] = {QLatin1Char(Digits[value >> 4]), QLatin1Char(Digits[value & 0x0F])};
    return QString(digits, 2);
}

QString HexDump(const QString& prefix, TByteView bytes)
{
    QString text = prefix;
    for (const std::uint8_t b : bytes) text += ' ' + ByteToHex(b);
    return text;
}

bool IsTagReply(TByteView reply)
{
    if (reply.size() != TagReplySize) return false;
    if (!std::equal(std::begin(AckFrame), std::end(AckFrame), reply.begin())) return false;
    if (reply[StartCode] != 0x00 || reply[StartCode + 1] != 0x00 || reply[StartCode + 2] != 0xFF) return false;
    if (reply[Len] != OneTargetLen || static_cast<std::uint8_t>(reply[Len] + reply[Lcs]) != 0) return false;
    if (reply[Tfi] != 0xD5 || reply[Command] != 0x4B || reply[TargetCount] != 1 || reply[UidLength] != UidSize)
        return false;
    const unsigned sum = std::accumulate(reply.begin() + Tfi, reply.begin() + Dcs + 1, 0u);
    return (sum & 0xFF) == 0;
}

QString UidHexOf(TByteView reply) { return UidPanelTextOf(reply).remove(' '); }

QString UidPanelTextOf(TByteView reply)
{
    if (reply.size() < UidOffset + UidSize) return {};
    return HexDump(QString(), reply.subspan(UidOffset, UidSize)).mid(1);
}

QString ChipNumberOf(TByteView reply)
{
    if (reply.size() < UidOffset + UidSize) return {};
    // The UID bytes read as an unsigned little-endian number.
    std::uint32_t number = 0;
    for (std::size_t i = UidSize; i-- > 0;) number = (number << 8) | reply[UidOffset + i];
    return QString::number(number);
}

}  // namespace tagstation
