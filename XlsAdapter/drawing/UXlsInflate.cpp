#include "drawing/UXlsInflate.h"

#include <array>

namespace xls {

namespace {

[[noreturn]] void Damaged() { RaiseXls(TXlsMsg::PictureDataInvalid); }

class TBitReader {
public:
    explicit TBitReader(TByteView aData) : FData(aData) {}

    std::uint32_t Bits(int aCount)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < aCount; ++i) {
            if (FPos >= FData.size()) Damaged();
            value |= std::uint32_t((FData[FPos] >> FBit) & 1) << i;
            if (++FBit == 8) FBit = 0, ++FPos;
        }
        return value;
    }
    // Stored blocks start at a byte.
    void AlignToByte()
    {
        if (FBit != 0) FBit = 0, ++FPos;
    }
    std::uint8_t Byte()
    {
        if (FPos >= FData.size()) Damaged();
        return FData[FPos++];
    }

private:
    TByteView FData;
    std::size_t FPos = 0;
    int FBit = 0;
};

// A canonical Huffman code: the number of codes of each length, and the
// symbols in code order.
struct THuffman {
    std::array<std::uint16_t, 16> Counts{};
    std::vector<std::uint16_t> Symbols;

    void Build(const std::uint8_t* aLengths, std::size_t aCount)
    {
        Counts.fill(0);
        for (std::size_t i = 0; i < aCount; ++i) ++Counts[aLengths[i]];
        Counts[0] = 0;
        std::array<std::uint16_t, 16> offsets{};
        for (std::size_t len = 1; len < 16; ++len) offsets[len] = static_cast<std::uint16_t>(offsets[len - 1] + Counts[len - 1]);
        Symbols.assign(aCount, 0);
        for (std::size_t i = 0; i < aCount; ++i)
            if (aLengths[i] != 0) Symbols[offsets[aLengths[i]]++] = static_cast<std::uint16_t>(i);
    }

    std::uint16_t Decode(TBitReader& aBits) const
    {
        int code = 0, first = 0, index = 0;
        for (int len = 1; len < 16; ++len) {
            code |= static_cast<int>(aBits.Bits(1));
            const int count = Counts[static_cast<std::size_t>(len)];
            if (code - count < first) return Symbols.at(static_cast<std::size_t>(index + (code - first)));
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        Damaged();
    }
};

constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                           31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                         193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::uint8_t kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void Append(TBytes& aOut, std::uint8_t aByte, std::size_t aMaxSize)
{
    if (aOut.size() >= aMaxSize) Damaged();
    aOut.push_back(aByte);
}

void InflateCodes(TBitReader& aBits, const THuffman& aLengths, const THuffman& aDistances, TBytes& aOut,
                  std::size_t aMaxSize)
{
    for (;;) {
        const std::uint16_t symbol = aLengths.Decode(aBits);
        if (symbol < 256) {
            Append(aOut, static_cast<std::uint8_t>(symbol), aMaxSize);
        } else if (symbol == 256) {
            return;
        } else {
            const std::size_t l = symbol - 257u;
            if (l >= 29) Damaged();
            const std::size_t length = kLengthBase[l] + aBits.Bits(kLengthExtra[l]);
            const std::uint16_t d = aDistances.Decode(aBits);
            if (d >= 30) Damaged();
            const std::size_t distance = kDistBase[d] + aBits.Bits(kDistExtra[d]);
            if (distance > aOut.size()) Damaged();
            for (std::size_t i = 0; i < length; ++i) Append(aOut, aOut[aOut.size() - distance], aMaxSize);
        }
    }
}

void FixedCodes(THuffman& aLengths, THuffman& aDistances)
{
    std::uint8_t lengths[288];
    for (int i = 0; i < 288; ++i) lengths[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
    aLengths.Build(lengths, 288);
    std::uint8_t distances[30];
    for (auto& d : distances) d = 5;
    aDistances.Build(distances, 30);
}

void DynamicCodes(TBitReader& aBits, THuffman& aLengths, THuffman& aDistances)
{
    const std::size_t nlen = aBits.Bits(5) + 257, ndist = aBits.Bits(5) + 1, ncode = aBits.Bits(4) + 4;
    if (nlen > 286 || ndist > 30) Damaged();
    static constexpr std::uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    std::uint8_t lengths[320] = {};
    for (std::size_t i = 0; i < ncode; ++i) lengths[kOrder[i]] = static_cast<std::uint8_t>(aBits.Bits(3));
    THuffman codeLengths;
    codeLengths.Build(lengths, 19);
    for (std::size_t i = 0; i < nlen + ndist;) {
        const std::uint16_t symbol = codeLengths.Decode(aBits);
        if (symbol < 16) {
            lengths[i++] = static_cast<std::uint8_t>(symbol);
            continue;
        }
        std::uint8_t value = 0;
        std::size_t repeat = 0;
        if (symbol == 16) {
            if (i == 0) Damaged();
            value = lengths[i - 1];
            repeat = 3 + aBits.Bits(2);
        } else if (symbol == 17) {
            repeat = 3 + aBits.Bits(3);
        } else {
            repeat = 11 + aBits.Bits(7);
        }
        if (i + repeat > nlen + ndist) Damaged();
        while (repeat-- > 0) lengths[i++] = value;
    }
    aLengths.Build(lengths, nlen);
    aDistances.Build(lengths + nlen, ndist);
}

}  // namespace

TBytes Inflate(TByteView aData, std::size_t aMaxSize)
{
    // A zlib stream: compression method 8 and a header that checks.
    if (aData.size() >= 2 && (aData[0] & 0x0F) == 8 && ((aData[0] << 8) | aData[1]) % 31 == 0) aData = aData.subspan(2);
    TBitReader bits(aData);
    TBytes out;
    for (bool last = false; !last;) {
        last = bits.Bits(1) != 0;
        switch (bits.Bits(2)) {
        case 0: {
            bits.AlignToByte();
            const std::uint16_t length = static_cast<std::uint16_t>(bits.Byte() | (bits.Byte() << 8));
            const std::uint16_t check = static_cast<std::uint16_t>(bits.Byte() | (bits.Byte() << 8));
            if (static_cast<std::uint16_t>(~check) != length) Damaged();
            for (std::uint16_t i = 0; i < length; ++i) Append(out, bits.Byte(), aMaxSize);
            break;
        }
        case 1: {
            THuffman lengths, distances;
            FixedCodes(lengths, distances);
            InflateCodes(bits, lengths, distances, out, aMaxSize);
            break;
        }
        case 2: {
            THuffman lengths, distances;
            DynamicCodes(bits, lengths, distances);
            InflateCodes(bits, lengths, distances, out, aMaxSize);
            break;
        }
        default: Damaged();
        }
    }
    return out;
}

}  // namespace xls
