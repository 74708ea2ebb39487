// Little-endian field access on byte buffers.
//
// Every record field is little-endian. Reads are bounds-checked: a field that
// does not lie wholly inside the buffer raises "Error reading record" instead
// of reading past it. The checked shift moves a row or column field by a
// signed count and refuses results outside the field's range.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

#include "base/UXlsExceptions.h"

namespace xls {

using TBytes = std::vector<std::uint8_t>;
using TByteView = std::span<const std::uint8_t>;
using TByteSpan = std::span<std::uint8_t>;

inline void CheckField(std::size_t bufferSize, std::size_t ofs, std::size_t width)
{
    if (ofs > bufferSize || width > bufferSize - ofs) RaiseXls(TXlsMsg::ErrorReadingRecord);
}

inline std::uint8_t GetByte(TByteView d, std::size_t ofs)
{
    CheckField(d.size(), ofs, 1);
    return d[ofs];
}

inline std::uint16_t GetWord(TByteView d, std::size_t ofs)
{
    CheckField(d.size(), ofs, 2);
    return static_cast<std::uint16_t>(d[ofs] | (d[ofs + 1] << 8));
}

inline std::uint32_t GetCardinal(TByteView d, std::size_t ofs)
{
    CheckField(d.size(), ofs, 4);
    return std::uint32_t(d[ofs]) | (std::uint32_t(d[ofs + 1]) << 8) | (std::uint32_t(d[ofs + 2]) << 16) |
           (std::uint32_t(d[ofs + 3]) << 24);
}

inline std::int32_t GetInteger(TByteView d, std::size_t ofs) { return static_cast<std::int32_t>(GetCardinal(d, ofs)); }

inline std::uint64_t GetUInt64(TByteView d, std::size_t ofs)
{
    CheckField(d.size(), ofs, 8);
    return std::uint64_t(GetCardinal(d, ofs)) | (std::uint64_t(GetCardinal(d, ofs + 4)) << 32);
}

inline double GetDouble(TByteView d, std::size_t ofs)
{
    std::uint64_t bits = GetUInt64(d, ofs);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

inline void SetByte(TByteSpan d, std::size_t ofs, std::uint8_t v)
{
    CheckField(d.size(), ofs, 1);
    d[ofs] = v;
}

inline void SetWord(TByteSpan d, std::size_t ofs, std::uint16_t v)
{
    CheckField(d.size(), ofs, 2);
    d[ofs] = static_cast<std::uint8_t>(v);
    d[ofs + 1] = static_cast<std::uint8_t>(v >> 8);
}

inline void SetCardinal(TByteSpan d, std::size_t ofs, std::uint32_t v)
{
    CheckField(d.size(), ofs, 4);
    for (int i = 0; i < 4; ++i) d[ofs + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void SetInteger(TByteSpan d, std::size_t ofs, std::int32_t v) { SetCardinal(d, ofs, static_cast<std::uint32_t>(v)); }

inline void SetUInt64(TByteSpan d, std::size_t ofs, std::uint64_t v)
{
    CheckField(d.size(), ofs, 8);
    SetCardinal(d, ofs, static_cast<std::uint32_t>(v));
    SetCardinal(d, ofs + 4, static_cast<std::uint32_t>(v >> 32));
}

inline void SetDouble(TByteSpan d, std::size_t ofs, double v)
{
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    SetUInt64(d, ofs, bits);
}

// Appending writers for building record bodies.
inline void AppendByte(TBytes& b, std::uint8_t v) { b.push_back(v); }
inline void AppendWord(TBytes& b, std::uint16_t v)
{
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void AppendCardinal(TBytes& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline void AppendDouble(TBytes& b, double v)
{
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    AppendCardinal(b, static_cast<std::uint32_t>(bits));
    AppendCardinal(b, static_cast<std::uint32_t>(bits >> 32));
}

// Bytes written as hexadecimal pairs, blanks between them allowed:
// "00 06 10 00" -> {0x00, 0x06, 0x10, 0x00}. For the engine's own tables;
// anything but hex digit pairs fails with "Logical error".
TBytes BytesFromHex(std::string_view aText);

// value + delta, computed in 64 bits; a result below 0 or above max fails with
// "Too many entries for this kind of record (%d out of a maximum of %d)".
inline std::int64_t CheckedShift(std::int64_t value, std::int64_t delta, std::int64_t max)
{
    std::int64_t result = value + delta;
    if (result < 0 || result > max) RaiseXls(TXlsMsg::TooManyEntries, {result, max});
    return result;
}

// Moves the 16-bit field at ofs by delta with the maximum max (65535 for rows, 255 for columns).
inline void IncWord(TByteSpan d, std::size_t ofs, std::int64_t delta, std::int64_t max)
{
    SetWord(d, ofs, static_cast<std::uint16_t>(CheckedShift(GetWord(d, ofs), delta, max)));
}

// The same for an 8-bit field.
inline void IncByte(TByteSpan d, std::size_t ofs, std::int64_t delta, std::int64_t max)
{
    SetByte(d, ofs, static_cast<std::uint8_t>(CheckedShift(GetByte(d, ofs), delta, max)));
}

}  // namespace xls
