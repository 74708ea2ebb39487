#include "globals/UXlsPalette.h"

#include <array>

namespace xls {

namespace {

// BIFF8 colour indexes 8 to 63, as 0x00BBGGRR.
constexpr std::array<std::uint32_t, DefaultPaletteCount> kDefaultPalette{
    0x000000, 0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF, 0xFF00FF, 0xFFFF00,  // 8 to 15
    0x000080, 0x008000, 0x800000, 0x008080, 0x800080, 0x808000, 0xC0C0C0, 0x808080,  // 16 to 23
    0xFF9999, 0x663399, 0xCCFFFF, 0xFFFFCC, 0x660066, 0x8080FF, 0xCC6600, 0xFFCCCC,  // 24 to 31
    0x800000, 0xFF00FF, 0x00FFFF, 0xFFFF00, 0x800080, 0x000080, 0x808000, 0xFF0000,  // 32 to 39
    0xFFCC00, 0xFFFFCC, 0xCCFFCC, 0x99FFFF, 0xFFCC99, 0xCC99FF, 0xFF99CC, 0x99CCFF,  // 40 to 47
    0xFF6633, 0xCCCC33, 0x00CC99, 0x00CCFF, 0x0099FF, 0x0066FF, 0x996666, 0x969696,  // 48 to 55
    0x663300, 0x669933, 0x003300, 0x003333, 0x003399, 0x663399, 0x993333, 0x333333,  // 56 to 63
};

constexpr std::size_t kColorsOfs = 2;

}  // namespace

std::uint32_t DefaultColor(std::int64_t aIndex)
{
    if (aIndex < 0 || aIndex >= std::int64_t(DefaultPaletteCount))
        RaiseXls(TXlsMsg::PropertyIndexOutOfRange,
                 {aIndex, std::string("Palette index"), std::int64_t(0), std::int64_t(DefaultPaletteCount - 1)});
    return kDefaultPalette[static_cast<std::size_t>(aIndex)];
}

std::unique_ptr<TPaletteRecord> TPaletteRecord::CreateStandard()
{
    TBytes d;
    AppendWord(d, static_cast<std::uint16_t>(DefaultPaletteCount));
    for (std::uint32_t c : kDefaultPalette) AppendCardinal(d, c);
    return std::make_unique<TPaletteRecord>(xlr_PALETTE, std::move(d));
}

std::uint32_t TPaletteRecord::GetColor(std::int64_t aIndex) const
{
    const std::int64_t count = Count();
    if (aIndex < 0 || aIndex >= count)
        RaiseXls(TXlsMsg::PropertyIndexOutOfRange,
                 {aIndex, std::string("Palette Color Index"), std::int64_t(0), count - 1});
    return GetCardinal(Data(), kColorsOfs + 4 * static_cast<std::size_t>(aIndex));
}

void TPaletteRecord::SetColor(std::int64_t aIndex, std::uint32_t aValue)
{
    const std::int64_t count = Count();
    if (aIndex < 0 || aIndex >= count) RaiseXls(TXlsMsg::TooManyEntries, {aIndex, count - 1});
    SetCardinal(Data(), kColorsOfs + 4 * static_cast<std::size_t>(aIndex), aValue);
}

}  // namespace xls
