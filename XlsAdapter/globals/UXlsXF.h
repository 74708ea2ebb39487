// Cell format records: XF, FONT, FORMAT and STYLE, their lists, and the
// conversions between them and TTbrFormat. Equal formats share one record:
// adding a font, a number format or an XF first looks for an equal one.
#pragma once

#include <vector>

#include "globals/UTbrFormats.h"
#include "records/UXlsBaseRecordLists.h"

namespace xls {

// BIFF8 never uses font index 4: the list holds the FONT records without a
// gap, so list position p is font index p below 4 and p + 1 from 4 on.
constexpr std::uint16_t FontIndexGap = 4;
inline std::size_t FontPositionOf(std::uint16_t aFontIndex)
{
    return aFontIndex >= FontIndexGap ? aFontIndex - 1u : aFontIndex;
}
inline std::int64_t FontIndexOf(std::size_t aPosition)
{
    return aPosition >= FontIndexGap ? std::int64_t(aPosition) + 1 : std::int64_t(aPosition);
}

// FONT: height, options, colour, weight, escapement, underline,
// family, charset, then the name with a 1-byte count at offset 14.
class TFontRecord final : public TRecordClass<TFontRecord> {
public:
    // Refuses a record whose fields or name cannot be read: formats are
    // looked up long after loading, when nothing could be refused any more.
    TFontRecord(std::uint16_t aId, TByteView aData);
    // The name is always written 16-bit; more than 255 characters fail with
    // "Invalid String record".
    static std::unique_ptr<TFontRecord> CreateFromTbrFont(const TTbrFont& aFont);
    TTbrFont TbrFont() const;

    TXlsString Name() const;
    std::uint16_t Height() const { return GetWord(Data(), 0); }
    std::int32_t ColorIndex() const { return std::int32_t(GetWord(Data(), 4)) - 7; }
    std::uint8_t Family() const { return GetByte(Data(), 11); }
    std::uint8_t Charset() const { return GetByte(Data(), 12); }
    SetOfTTbrFontStyle Style() const;
    TTbrUnderline Underline() const;
};

class TFontRecordList : public TBaseRecordList {
public:
    TFontRecord* Items(std::size_t aIndex) const { return static_cast<TFontRecord*>(GetItem(aIndex)); }
    // The XF font index of the first FONT with the same bytes as aFont's
    // record; when there is none, that record is appended first.
    std::uint16_t AddFont(const TTbrFont& aFont);

protected:
    void CheckItem(const TBaseRecord* aItem) const override;
};

// FORMAT: 16-bit format id, then the code with a 2-byte count.
class TFormatRecord final : public TRecordClass<TFormatRecord> {
public:
    // Refuses data too short for the id, and a code that cannot be read
    // (see TFontRecord).
    TFormatRecord(std::uint16_t aId, TByteView aData);
    // The code is 8-bit unless a character is above 255.
    static std::unique_ptr<TFormatRecord> CreateFromData(std::u16string_view Fmt, std::uint16_t NewID);

    std::uint16_t FormatId() const { return FFormatId; }
    TXlsString Value() const;

private:
    std::uint16_t FFormatId;
};

// FORMAT records in file order. Searches by id go through an index sorted
// by id, so the records themselves are written in the order they were read.
class TFormatRecordList : public TBaseRecordList {
public:
    TFormatRecord* Items(std::size_t aIndex) const { return static_cast<TFormatRecord*>(GetItem(aIndex)); }

    bool Sorted() const { return FSorted; }
    // Rebuilds the id index (ascending id, list order among equal ids).
    void Sort();
    // Sorts first when needed; true with the list position of the first
    // record with id aFormatId, else false.
    bool Find(std::uint16_t aFormatId, std::size_t& aIndex);
    // The id of the first FORMAT with exactly this code, else of the first
    // built-in format with it, else of a new FORMAT record (the highest id
    // + 1, at least 164).
    std::uint16_t AddFormat(std::u16string_view Fmt);
    // The code of a FORMAT record, else of a built-in id, else empty.
    TXlsString GetFormat(std::uint16_t aFormatId);

protected:
    void Notify(const TBaseRecord* aItem, bool aAdded) override;
    void CheckItem(const TBaseRecord* aItem) const override;

private:
    std::vector<std::size_t> FById;  // list positions ordered by id
    bool FSorted = true;
};

// STYLE: kept as read.
class TStyleRecord final : public TRecordClass<TStyleRecord> {
public:
    using TRecordClass::TRecordClass;
};

// XF: 20 data bytes (see CreateFromFormat for the layout).
class TXFRecord final : public TRecordClass<TXFRecord> {
public:
    static constexpr std::size_t XFDataSize = 20;
    // Refuses fewer than 20 data bytes.
    TXFRecord(std::uint16_t aId, TByteView aData);
    // Finds or adds the font and the number format for their indexes.
    static std::unique_ptr<TXFRecord> CreateFromFormat(const TTbrFormat& Fmt, TFontRecordList& FontList,
                                                       TFormatRecordList& FormatList);
    TTbrFormat TbrFormat(const TFontRecordList& FontList, TFormatRecordList& FormatList) const;

    std::uint16_t FontIndex() const { return GetWord(Data(), 0); }
    std::uint16_t FormatIndex() const { return GetWord(Data(), 2); }
    // The list position of the font; a position outside the list reads 0.
    std::size_t GetActualFontIndex(const TFontRecordList& FontList) const;

    // The stored fill pattern (Pattern - 1) and its colours as ColorIndex.
    std::uint8_t CellPattern() const;
    std::int32_t CellFgColorIndex() const;
    std::int32_t CellBgColorIndex() const;
    // A 4-bit line style and a 7-bit colour of the word at aPos (Ext: of the
    // 32-bit field at aPos). A stored colour up to 7 reads as 1.
    TTbrBorderStyle GetBorderStyle(std::size_t aPos, unsigned FirstBit) const;
    std::int32_t GetBorderColorIndex(std::size_t aPos, unsigned FirstBit) const;
    TTbrBorderStyle GetBorderStyleExt(std::size_t aPos, unsigned FirstBit) const;
    std::int32_t GetBorderColorIndexExt(std::size_t aPos, unsigned FirstBit) const;
    TTbrDiagonalBorder DiagonalStyle() const;
    THTbrAlignment HAlign() const;
    TVTbrAlignment VAlign() const;
    std::uint8_t Rotation() const { return GetByte(Data(), 7); }
    bool WrapText() const { return (GetWord(Data(), 6) & 0x0008) != 0; }

    // Marks the colours this XF shows (ColorIndex scale; flags outside the
    // array are ignored).
    void FillUsedColors(std::vector<bool>& UsedColors, const TFontRecordList& FontList) const;
};

class TXFRecordList : public TBaseRecordList {
public:
    TXFRecord* Items(std::size_t aIndex) const { return static_cast<TXFRecord*>(GetItem(aIndex)); }
    // The first XF whose data begins with XF's bytes.
    bool FindFormat(const TXFRecord& XF, std::size_t& Index) const;
    // Flag i tells whether ColorIndex i is shown by a border, a fill or a font.
    std::vector<bool> GetUsedColors(std::size_t ColorCount, const TFontRecordList& FontList) const;

protected:
    void CheckItem(const TBaseRecord* aItem) const override;
};

}  // namespace xls
