#include "globals/UXlsXF.h"

#include <algorithm>

#include "records/UXlsStrings.h"

namespace xls {

namespace {

template <class T>
void RequireRecordOf(const TBaseRecord* aItem)
{
    // Format lists are searched and indexed by position: no empty slots.
    if (!aItem || !dynamic_cast<const T*>(aItem)) RaiseXls(TXlsMsg::LogicalError);
}

std::uint16_t CheckedIndex(std::int64_t aIndex)
{
    if (aIndex > 0xFFFF) RaiseXls(TXlsMsg::TooManyEntries, {aIndex, std::int64_t(0xFFFF)});
    return static_cast<std::uint16_t>(aIndex);
}

// The 7-bit BIFF8 colour of a ColorIndex.
std::uint32_t ColorField(std::int32_t aColorIndex)
{
    return static_cast<std::uint32_t>(std::int64_t(aColorIndex) + 7) & 0x7F;
}

// Left, right, top and bottom border colours must name a palette colour or
// the system foreground.
std::uint32_t BorderColorField(std::int32_t aColorIndex)
{
    return std::clamp<std::uint32_t>(ColorField(aColorIndex), 8, 64);
}

// A stored border colour up to 7 is no palette colour; it reads as the first one.
std::int32_t BorderColorIndexOf(std::uint32_t aField)
{
    return aField > 7 ? std::int32_t(aField) - 7 : 1;
}

std::uint32_t Bits(std::uint32_t aValue, unsigned aFirstBit, std::uint32_t aMask)
{
    return (aValue >> aFirstBit) & aMask;
}

// aValue cut to aMask and moved to aFirstBit.
std::uint32_t Put(std::uint32_t aValue, std::uint32_t aMask, unsigned aFirstBit)
{
    return (aValue & aMask) << aFirstBit;
}

constexpr std::uint16_t kWeightBold = 700;
constexpr std::uint16_t kWeightNormal = 400;
constexpr std::uint16_t kFontItalic = 0x0002;
constexpr std::uint16_t kFontStrikeOut = 0x0008;
constexpr std::size_t kFontNameOfs = 14;

std::uint8_t UnderlineCode(TTbrUnderline aUnderline)
{
    switch (aUnderline) {
    case TTbrUnderline::fu_Single:
        return 0x01;
    case TTbrUnderline::fu_Double:
        return 0x02;
    case TTbrUnderline::fu_SingleAccounting:
        return 0x21;
    case TTbrUnderline::fu_DoubleAccounting:
        return 0x22;
    default:
        return 0x00;
    }
}

// XF field offsets.
constexpr std::size_t kXFProtection = 4;
constexpr std::size_t kXFAlignment = 6;
constexpr std::size_t kXFIndent = 8;
constexpr std::size_t kXFBorderStyles = 10;
constexpr std::size_t kXFSideColors = 12;
constexpr std::size_t kXFTopBottom = 14;
constexpr std::size_t kXFFillColors = 18;

constexpr std::uint16_t kXFLocked = 0x0001;
constexpr std::uint16_t kXFHidden = 0x0002;
constexpr std::uint16_t kXFShrink = 0x0010;
constexpr std::uint16_t kXFAllAttributesSet = 0xFC00;

}  // namespace

// ---------------------------------------------------------------- TFontRecord

TFontRecord::TFontRecord(std::uint16_t aId, TByteView aData) : TRecordClass(aId, aData)
{
    TbrFont();
}

std::unique_ptr<TFontRecord> TFontRecord::CreateFromTbrFont(const TTbrFont& aFont)
{
    const TExcelString name(1, aFont.Name, true);
    const SetOfTTbrFontStyle& s = aFont.Style;
    std::uint16_t options = 0;
    if (s.Contains(TTbrFontStyle::flsItalic)) options |= kFontItalic;
    if (s.Contains(TTbrFontStyle::flsStrikeOut)) options |= kFontStrikeOut;
    std::uint16_t escapement = 0;
    if (s.Contains(TTbrFontStyle::flsSubscript))
        escapement = 2;
    else if (s.Contains(TTbrFontStyle::flsSuperscript))
        escapement = 1;

    TBytes d;
    AppendWord(d, aFont.Size20);
    AppendWord(d, options);
    AppendWord(d, static_cast<std::uint16_t>(std::int64_t(aFont.ColorIndex) + 7));
    AppendWord(d, s.Contains(TTbrFontStyle::flsBold) ? kWeightBold : kWeightNormal);
    AppendWord(d, escapement);
    AppendByte(d, UnderlineCode(aFont.Underline));
    AppendByte(d, aFont.Family);
    AppendByte(d, aFont.CharSet);
    AppendByte(d, 0);
    name.AppendTo(d);
    return std::make_unique<TFontRecord>(xlr_FONT, std::move(d));
}

TXlsString TFontRecord::Name() const
{
    const TBaseRecord* rec = this;
    std::size_t pos = kFontNameOfs;
    return TExcelString(1, rec, pos).Value();
}

SetOfTTbrFontStyle TFontRecord::Style() const
{
    SetOfTTbrFontStyle s;
    const std::uint16_t options = GetWord(Data(), 2);
    if (GetWord(Data(), 6) == kWeightBold) s.Include(TTbrFontStyle::flsBold);
    if (options & kFontItalic) s.Include(TTbrFontStyle::flsItalic);
    if (options & kFontStrikeOut) s.Include(TTbrFontStyle::flsStrikeOut);
    const std::uint16_t escapement = GetWord(Data(), 8);
    if (escapement == 1) s.Include(TTbrFontStyle::flsSuperscript);
    if (escapement == 2) s.Include(TTbrFontStyle::flsSubscript);
    return s;
}

TTbrUnderline TFontRecord::Underline() const
{
    switch (GetByte(Data(), 10)) {
    case 0x01:
        return TTbrUnderline::fu_Single;
    case 0x02:
        return TTbrUnderline::fu_Double;
    case 0x21:
        return TTbrUnderline::fu_SingleAccounting;
    case 0x22:
        return TTbrUnderline::fu_DoubleAccounting;
    default:
        return TTbrUnderline::fu_None;
    }
}

TTbrFont TFontRecord::TbrFont() const
{
    TTbrFont f;
    f.Name = Name();
    f.Size20 = Height();
    f.ColorIndex = ColorIndex();
    f.Style = Style();
    f.Underline = Underline();
    f.Family = Family();
    f.CharSet = Charset();
    return f;
}

// ------------------------------------------------------------ TFontRecordList

void TFontRecordList::CheckItem(const TBaseRecord* aItem) const
{
    RequireRecordOf<TFontRecord>(aItem);
}

std::uint16_t TFontRecordList::AddFont(const TTbrFont& aFont)
{
    std::unique_ptr<TFontRecord> font = TFontRecord::CreateFromTbrFont(aFont);
    for (std::size_t i = 0; i < Count(); ++i) {
        const TFontRecord* item = Items(i);
        if (!item->Continue() && std::ranges::equal(item->Data(), font->Data())) return CheckedIndex(FontIndexOf(i));
    }
    const std::uint16_t index = CheckedIndex(FontIndexOf(Count()));
    Add(std::move(font));
    return index;
}

// -------------------------------------------------------------- TFormatRecord

TFormatRecord::TFormatRecord(std::uint16_t aId, TByteView aData)
    : TRecordClass(aId, aData), FFormatId(GetWord(Data(), 0))
{
    Value();
}

std::unique_ptr<TFormatRecord> TFormatRecord::CreateFromData(std::u16string_view Fmt, std::uint16_t NewID)
{
    TBytes d;
    AppendWord(d, NewID);
    TExcelString(2, Fmt, false).AppendTo(d);
    // A code that does not fit one record body could not be read back.
    if (d.size() > MaxRecordDataSize) RaiseXls(TXlsMsg::InvalidStringRecord);
    return std::make_unique<TFormatRecord>(xlr_FORMAT, std::move(d));
}

TXlsString TFormatRecord::Value() const
{
    const TBaseRecord* rec = this;
    std::size_t pos = 2;
    // Some writers count one character more than they store.
    return TExcelString(2, rec, pos, TStringKind::Trailing).Value();
}

// ---------------------------------------------------------- TFormatRecordList

void TFormatRecordList::CheckItem(const TBaseRecord* aItem) const
{
    RequireRecordOf<TFormatRecord>(aItem);
}

void TFormatRecordList::Notify(const TBaseRecord* aItem, bool aAdded)
{
    TBaseRecordList::Notify(aItem, aAdded);
    FSorted = false;
}

void TFormatRecordList::Sort()
{
    FById.resize(Count());
    for (std::size_t i = 0; i < FById.size(); ++i) FById[i] = i;
    std::ranges::stable_sort(FById, {}, [this](std::size_t i) { return Items(i)->FormatId(); });
    FSorted = true;
}

bool TFormatRecordList::Find(std::uint16_t aFormatId, std::size_t& aIndex)
{
    if (!FSorted) Sort();
    auto it = std::ranges::lower_bound(FById, aFormatId, {}, [this](std::size_t i) { return Items(i)->FormatId(); });
    if (it == FById.end() || Items(*it)->FormatId() != aFormatId) return false;
    aIndex = *it;
    return true;
}

std::uint16_t TFormatRecordList::AddFormat(std::u16string_view Fmt)
{
    for (std::size_t i = 0; i < Count(); ++i)
        if (Items(i)->Value() == Fmt) return Items(i)->FormatId();

    const TXlsFormatSettings& settings = XlsFormatSettings();
    for (std::uint16_t id = 0; id < BuiltInFormatCount; ++id)
        if (BuiltInFormat(id, settings) == Fmt) return id;

    if (!FSorted) Sort();
    std::int64_t newId = FirstUserFormatId;
    if (!FById.empty()) newId = std::max<std::int64_t>(newId, Items(FById.back())->FormatId() + 1);
    const std::uint16_t id = CheckedIndex(newId);
    Add(TFormatRecord::CreateFromData(Fmt, id));
    return id;
}

TXlsString TFormatRecordList::GetFormat(std::uint16_t aFormatId)
{
    std::size_t pos = 0;
    if (Find(aFormatId, pos)) return Items(pos)->Value();
    return BuiltInFormat(aFormatId);
}

// ------------------------------------------------------------------ TXFRecord

TXFRecord::TXFRecord(std::uint16_t aId, TByteView aData) : TRecordClass(aId, aData)
{
    if (DataSize() < XFDataSize) RaiseXls(TXlsMsg::RecordInvalid, {std::int64_t(Id())});
}

std::unique_ptr<TXFRecord> TXFRecord::CreateFromFormat(const TTbrFormat& Fmt, TFontRecordList& FontList,
                                                       TFormatRecordList& FormatList)
{
    const TTbrBorders& b = Fmt.Borders;
    auto style = [](const TTbrOneBorder& aBorder) { return static_cast<std::uint32_t>(aBorder.Style); };
    // Pattern 0 is no pattern code; it is written like 1, no fill.
    const std::uint32_t pattern = Fmt.FillPattern.Pattern > 0 ? Fmt.FillPattern.Pattern - 1u : 0;

    const std::uint32_t protection = Put(Fmt.Locked, 1, 0) | Put(Fmt.Hidden, 1, 1);
    const std::uint32_t alignment = Put(static_cast<std::uint32_t>(Fmt.HAlignment), 0x07, 0) | Put(Fmt.WrapText, 1, 3) |
                                    Put(static_cast<std::uint32_t>(Fmt.VAlignment), 0x07, 4) | Put(Fmt.Rotation, 0xFF, 8);
    const std::uint32_t indent = Put(Fmt.Indent, 0x0F, 0) | Put(Fmt.ShrinkToFit, 1, 4) | kXFAllAttributesSet;
    const std::uint32_t styles =
        Put(style(b.Left), 0x0F, 0) | Put(style(b.Right), 0x0F, 4) | Put(style(b.Top), 0x0F, 8) | Put(style(b.Bottom), 0x0F, 12);
    const std::uint32_t sides = Put(BorderColorField(b.Left.ColorIndex), 0x7F, 0) |
                                Put(BorderColorField(b.Right.ColorIndex), 0x7F, 7) |
                                Put(static_cast<std::uint32_t>(b.DiagonalStyle), 0x03, 14);
    const std::uint32_t topBottom = Put(BorderColorField(b.Top.ColorIndex), 0x7F, 0) |
                                    Put(BorderColorField(b.Bottom.ColorIndex), 0x7F, 7) |
                                    Put(ColorField(b.Diagonal.ColorIndex), 0x7F, 14) | Put(style(b.Diagonal), 0x0F, 21) |
                                    Put(pattern, 0x3F, 26);
    const std::uint32_t fill =
        Put(ColorField(Fmt.FillPattern.FgColorIndex), 0x7F, 0) | Put(ColorField(Fmt.FillPattern.BgColorIndex), 0x7F, 7);

    TBytes d(XFDataSize, 0);
    SetWord(d, 0, FontList.AddFont(Fmt.Font));
    SetWord(d, 2, FormatList.AddFormat(Fmt.Format));
    SetWord(d, kXFProtection, static_cast<std::uint16_t>(protection));
    SetWord(d, kXFAlignment, static_cast<std::uint16_t>(alignment));
    SetWord(d, kXFIndent, static_cast<std::uint16_t>(indent));
    SetWord(d, kXFBorderStyles, static_cast<std::uint16_t>(styles));
    SetWord(d, kXFSideColors, static_cast<std::uint16_t>(sides));
    SetCardinal(d, kXFTopBottom, topBottom);
    SetWord(d, kXFFillColors, static_cast<std::uint16_t>(fill));
    return std::make_unique<TXFRecord>(xlr_XF, std::move(d));
}

std::size_t TXFRecord::GetActualFontIndex(const TFontRecordList& FontList) const
{
    const std::size_t pos = FontPositionOf(FontIndex());
    return pos < FontList.Count() ? pos : 0;
}

std::uint8_t TXFRecord::CellPattern() const
{
    return static_cast<std::uint8_t>(Bits(GetCardinal(Data(), kXFTopBottom), 26, 0x3F));
}

std::int32_t TXFRecord::CellFgColorIndex() const
{
    return std::int32_t(Bits(GetWord(Data(), kXFFillColors), 0, 0x7F)) - 7;
}

std::int32_t TXFRecord::CellBgColorIndex() const
{
    return std::int32_t(Bits(GetWord(Data(), kXFFillColors), 7, 0x7F)) - 7;
}

TTbrBorderStyle TXFRecord::GetBorderStyle(std::size_t aPos, unsigned FirstBit) const
{
    return static_cast<TTbrBorderStyle>(Bits(GetWord(Data(), aPos), FirstBit, 0x0F));
}

std::int32_t TXFRecord::GetBorderColorIndex(std::size_t aPos, unsigned FirstBit) const
{
    return BorderColorIndexOf(Bits(GetWord(Data(), aPos), FirstBit, 0x7F));
}

TTbrBorderStyle TXFRecord::GetBorderStyleExt(std::size_t aPos, unsigned FirstBit) const
{
    return static_cast<TTbrBorderStyle>(Bits(GetCardinal(Data(), aPos), FirstBit, 0x0F));
}

std::int32_t TXFRecord::GetBorderColorIndexExt(std::size_t aPos, unsigned FirstBit) const
{
    return BorderColorIndexOf(Bits(GetCardinal(Data(), aPos), FirstBit, 0x7F));
}

TTbrDiagonalBorder TXFRecord::DiagonalStyle() const
{
    return static_cast<TTbrDiagonalBorder>(Bits(GetWord(Data(), kXFSideColors), 14, 0x03));
}

THTbrAlignment TXFRecord::HAlign() const
{
    return static_cast<THTbrAlignment>(Bits(GetWord(Data(), kXFAlignment), 0, 0x07));
}

TVTbrAlignment TXFRecord::VAlign() const
{
    return static_cast<TVTbrAlignment>(Bits(GetWord(Data(), kXFAlignment), 4, 0x07));
}

TTbrFormat TXFRecord::TbrFormat(const TFontRecordList& FontList, TFormatRecordList& FormatList) const
{
    TTbrFormat f;
    f.Font = FontList.Count() > 0 ? FontList.Items(GetActualFontIndex(FontList))->TbrFont() : DefaultCellFont();

    TTbrBorders& b = f.Borders;
    b.Left = {GetBorderStyle(kXFBorderStyles, 0), GetBorderColorIndex(kXFSideColors, 0)};
    b.Right = {GetBorderStyle(kXFBorderStyles, 4), GetBorderColorIndex(kXFSideColors, 7)};
    b.Top = {GetBorderStyle(kXFBorderStyles, 8), GetBorderColorIndexExt(kXFTopBottom, 0)};
    b.Bottom = {GetBorderStyle(kXFBorderStyles, 12), GetBorderColorIndexExt(kXFTopBottom, 7)};
    // The diagonal colour is written unclamped, so it is read without adjustment.
    const std::int32_t diagonalColor = std::int32_t(Bits(GetCardinal(Data(), kXFTopBottom), 14, 0x7F)) - 7;
    b.Diagonal = {GetBorderStyleExt(kXFTopBottom, 21), diagonalColor};
    b.DiagonalStyle = DiagonalStyle();

    f.Format = FormatList.GetFormat(FormatIndex());
    f.FillPattern = {static_cast<TTbrPatternStyle>(CellPattern() + 1), CellFgColorIndex(), CellBgColorIndex()};

    const std::uint16_t protection = GetWord(Data(), kXFProtection);
    const std::uint16_t indent = GetWord(Data(), kXFIndent);
    f.HAlignment = HAlign();
    f.VAlignment = VAlign();
    f.Locked = (protection & kXFLocked) != 0;
    f.Hidden = (protection & kXFHidden) != 0;
    f.Parent = protection & 0xFFF0;
    f.WrapText = WrapText();
    f.ShrinkToFit = (indent & kXFShrink) != 0;
    f.Rotation = Rotation();
    f.Indent = static_cast<std::uint8_t>(indent & 0x0F);
    return f;
}

void TXFRecord::FillUsedColors(std::vector<bool>& UsedColors, const TFontRecordList& FontList) const
{
    auto mark = [&UsedColors](std::int64_t aColorIndex) {
        if (aColorIndex >= 0 && aColorIndex < std::int64_t(UsedColors.size()))
            UsedColors[static_cast<std::size_t>(aColorIndex)] = true;
    };
    const std::uint32_t styles = GetWord(Data(), kXFBorderStyles);
    const std::uint32_t sides = GetWord(Data(), kXFSideColors);
    const std::uint32_t topBottom = GetCardinal(Data(), kXFTopBottom);
    struct TSide {
        std::uint32_t Style;
        std::uint32_t Color;
    };
    const TSide borders[] = {
        {Bits(styles, 0, 0x0F), Bits(sides, 0, 0x7F)},        {Bits(styles, 4, 0x0F), Bits(sides, 7, 0x7F)},
        {Bits(styles, 8, 0x0F), Bits(topBottom, 0, 0x7F)},    {Bits(styles, 12, 0x0F), Bits(topBottom, 7, 0x7F)},
        {Bits(topBottom, 21, 0x0F), Bits(topBottom, 14, 0x7F)},
    };
    for (const TSide& side : borders)
        if (side.Style != 0) mark(std::int64_t(side.Color) - 7);

    const std::uint8_t pattern = CellPattern();
    if (pattern != 0) mark(CellFgColorIndex());
    if (pattern != 0 && pattern != 1) mark(CellBgColorIndex());
    if (FontList.Count() > 0) mark(FontList.Items(GetActualFontIndex(FontList))->ColorIndex());
}

// -------------------------------------------------------------- TXFRecordList

void TXFRecordList::CheckItem(const TBaseRecord* aItem) const
{
    RequireRecordOf<TXFRecord>(aItem);
}

bool TXFRecordList::FindFormat(const TXFRecord& XF, std::size_t& Index) const
{
    const TByteView wanted = XF.Data();
    for (std::size_t i = 0; i < Count(); ++i) {
        const TByteView have = Items(i)->Data();
        if (have.size() >= wanted.size() && std::equal(wanted.begin(), wanted.end(), have.begin())) {
            Index = i;
            return true;
        }
    }
    return false;
}

std::vector<bool> TXFRecordList::GetUsedColors(std::size_t ColorCount, const TFontRecordList& FontList) const
{
    std::vector<bool> used(ColorCount, false);
    for (std::size_t i = 0; i < Count(); ++i) Items(i)->FillUsedColors(used, FontList);
    return used;
}

}  // namespace xls
