// Hyperlinks: HLINK records with the HLINKTOOLTIP (screen tip) record that
// follows them in the file, and the sheet's list of them. The records keep
// their bytes as read until a link is changed.
//
// HLINK data: first row 0, last row 2, first column 4, last column 6 (16-bit
// each), the hyperlink class id 8 (16 bytes), stream version 24, option
// flags 28 (32-bit; the engine reads and writes the low 16 bits), then the
// parts the flags announce, in this order: display name (0x10), target
// frame (0x80), the link target (0x01: a moniker, or with 0x100 a string),
// text mark (0x08). A string is a 32-bit count of UTF-16 units (its
// terminating NUL included), then the units.
#pragma once

#include "base/UXlsValueTypes.h"
#include "records/UXlsBaseRecordLists.h"

namespace xls {

// HLINKTOOLTIP: its own id repeated 0, the link's range 2 (4 words), the tip
// text from 10 as UTF-16 up to a NUL.
class TScreenTipRecord final : public TRecordClass<TScreenTipRecord> {
public:
    using TRecordClass::TRecordClass;
    static std::unique_ptr<TScreenTipRecord> CreateNew(std::u16string_view aDescription);

    TXlsString Text() const;
    void SetText(std::u16string_view aDescription);
};

// HLINK. Writes itself, then its screen tip.
class THLinkRecord final : public TRecordClass<THLinkRecord> {
public:
    // Refuses data too short for the range.
    THLinkRecord(std::uint16_t aId, TByteView aData);
    THLinkRecord(const THLinkRecord& other);
    // A new link over CellRange to HLink.
    static std::unique_ptr<THLinkRecord> CreateNew(const TXlsCellRange& CellRange, const THyperLink& HLink);

    // The link as callers see it. Data that cannot be read fails with
    // "Error reading record".
    THyperLink GetProperties() const;
    std::uint16_t OptionFlags() const { return GetWord(Data(), 28); }
    // The up-level count of a file link's path ("..\" in front of it in the
    // link's Text); 0 for other links.
    std::uint16_t FileUpLevels() const;
    // Rewrites the link's parts; an empty Hint drops the screen tip.
    void SetProperties(const THyperLink& value);

    const TScreenTipRecord* Hint() const { return FHint.get(); }
    // Replaces (and frees) the tip held before.
    void AddHint(std::unique_ptr<TScreenTipRecord> aHint) { FHint = std::move(aHint); }
    // An HLINKTOOLTIP read right behind the link is its hint.
    void AttachFollower(std::unique_ptr<TBaseRecord> aFollower) override;
    // Copies the link's range into its tip, which repeats it.
    void SyncHintRange();

    TXlsCellRange GetCellRange() const;
    void SetCellRange(const TXlsCellRange& CellRange);
    // Moves the link by the offsets; fails when it would leave the sheet.
    void Offset(std::int32_t DeltaRow, std::int32_t DeltaCol);
    // Rows (columns) at or after the area's top (left) move by aRowCount
    // (aColCount) times the area's height (width), for a link inside the
    // area's columns (rows); only for the sheet's own changes.
    void ArrangeInsertRange(const TXlsCellRange& CellRange, std::int32_t aRowCount, std::int32_t aColCount,
                            const TSheetInfo& SheetInfo);

    void SaveToStream(TOle2File& Workbook) override;
    std::int64_t TotalSize() const override;
    std::int64_t TotalSizeNoHeaders() const override;

private:
    THyperLink ReadLink(std::uint16_t* aUpLevels) const;
    std::unique_ptr<TScreenTipRecord> FHint;
};

// The hyperlinks of a worksheet; written sorted by first row, then first
// column, each tip with the range of its link.
class THLinkList final : public TBaseRecordList {
public:
    THLinkRecord* Items(std::size_t aIndex) const { return static_cast<THLinkRecord*>(GetItem(aIndex)); }

    void Sort();
    // Appends copies of aHLinkList's links that lie wholly inside CopyRange,
    // moved by the offsets.
    void CopyObjectsFrom(const THLinkList& aHLinkList, const TXlsCellRange& CopyRange, std::int32_t RowOfs,
                         std::int32_t ColOfs);
    // Measured by walking: a link's tip can change while it is in the list.
    std::int64_t GetTotalSize() const override;
    void SaveToStream(TOle2File& DataStream) override;

    // Links at or behind the inserted rows (columns) move with them; every
    // link inside the source area is copied into each inserted block. Rows:
    // SourceRange is columns 0 to 255 of the source rows and aColCount 0;
    // columns: rows 0 to 65535 of the source columns and aRowCount 0.
    void InsertAndCopyRange(const TXlsCellRange& SourceRange, std::int32_t DestRow, std::int32_t DestCol,
                            std::int32_t aRowCount, std::int32_t aColCount, const TSheetInfo& SheetInfo);
    // Removes the links inside the deleted area and moves the others up
    // (left). A link reaching into the deleted rows (columns) is cut at them.
    void DeleteRange(const TXlsCellRange& CellRange, std::int32_t aRowCount, std::int32_t aColCount,
                     const TSheetInfo& SheetInfo);

protected:
    void CheckItem(const TBaseRecord* aItem) const override;
};

}  // namespace xls
