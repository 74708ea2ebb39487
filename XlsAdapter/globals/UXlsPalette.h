// The colour palette: the PALETTE record of a workbook and the BIFF8 default
// palette that applies when a workbook has none.
//
// Colours are 32-bit values with red in the lowest byte, then green, then
// blue, then 0; positions are 0-based (position 0 is BIFF8 colour index 8).
#pragma once

#include <cstdint>

#include "records/UXlsBaseRecords.h"

namespace xls {

constexpr std::size_t DefaultPaletteCount = 56;

// Colour aIndex (0 to 55) of the default palette; outside fails with
// "The index "%d" of the property "Palette index" is not in the range 0-55".
std::uint32_t DefaultColor(std::int64_t aIndex);

// PALETTE: a 16-bit colour count, then the colours.
class TPaletteRecord final : public TRecordClass<TPaletteRecord> {
public:
    using TRecordClass::TRecordClass;
    // The default palette as a record: 56 colours, 226 data bytes.
    static std::unique_ptr<TPaletteRecord> CreateStandard();

    // The stored count.
    std::uint16_t Count() const { return GetWord(Data(), 0); }
    // Position 0 to Count - 1; outside fails with the property range message.
    std::uint32_t GetColor(std::int64_t aIndex) const;
    // Position 0 to Count - 1; outside fails with "Too many entries ...".
    void SetColor(std::int64_t aIndex, std::uint32_t aValue);
};

}  // namespace xls
