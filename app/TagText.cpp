#include "TagText.h"

namespace tagstation {

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

QString UidPanelText(TByteView uid) { return HexDump(QString(), uid).mid(1); }

QString UidHexText(TByteView uid) { return UidPanelText(uid).remove(' '); }

QString ChipNumberText(TByteView uid)
{
    if (uid.size() > sizeof(std::uint64_t)) return {};
    std::uint64_t number = 0;
    for (std::size_t i = uid.size(); i-- > 0;) number = (number << 8) | uid[i];
    return QString::number(number);
}

}  // namespace tagstation
