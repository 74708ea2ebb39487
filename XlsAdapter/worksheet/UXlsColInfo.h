// Column formats: the COLINFO records of a sheet.
//
// The records are kept as read and written back unchanged and in their order.
// The cell store asks them for the format of a new cell's column. When columns
// are inserted or deleted the records' column ranges follow, split where an
// insertion or deletion cuts through them.
#pragma once

#include "records/UXlsBaseRecordLists.h"

namespace xls {

// COLINFO, 12 data bytes: first column, last column, width (1/256 of
// a character), XF, options (0x0001 hidden, bits 8 to 10 outline level),
// reserved; all 16-bit.
class TColInfoRecord final : public TRecordClass<TColInfoRecord> {
public:
    // Refuses fewer than the 10 data bytes that hold the fields read here.
    TColInfoRecord(std::uint16_t aId, TBytes aData);
    static std::unique_ptr<TColInfoRecord> CreateNew(std::uint16_t aFirstColumn, std::uint16_t aLastColumn,
                                                     std::uint16_t aWidth, std::uint16_t aXF, std::uint16_t aOptions);

    std::uint16_t FirstColumn() const { return GetWord(Data(), 0); }
    void SetFirstColumn(std::uint16_t v) { SetWord(Data(), 0, v); }
    std::uint16_t LastColumn() const { return GetWord(Data(), 2); }
    void SetLastColumn(std::uint16_t v) { SetWord(Data(), 2, v); }
    std::uint16_t Width() const { return GetWord(Data(), 4); }
    std::uint16_t XF() const { return GetWord(Data(), 6); }
    std::uint16_t Options() const { return GetWord(Data(), 8); }

    bool HasColumn(std::int64_t aCol) const { return FirstColumn() <= aCol && aCol <= LastColumn(); }
};

class TColInfoList : public TBaseRecordList {
public:
    TColInfoRecord* Items(std::size_t aIndex) const { return static_cast<TColInfoRecord*>(GetItem(aIndex)); }

    // Loading, in file order.
    void AddRecord(std::unique_ptr<TColInfoRecord> aRecord) { Add(std::move(aRecord)); }

    // The record that covers aCol (the first one, should records overlap).
    const TColInfoRecord* FindColumn(std::int64_t aCol) const;
    // The XF of aCol's column format, -1 when no record covers it.
    std::int32_t ColumnXF(std::int64_t aCol) const;

    // aColCount columns inserted at DestCol: formats at or right of DestCol
    // move right (the inserted columns get none), formats moved past column
    // 255 are dropped. Only for the sheet's own columns (SheetInfo).
    void ArrangeInsertCols(std::int32_t DestCol, std::int32_t aColCount, const TSheetInfo& SheetInfo);
    // aColCount columns deleted at aCol: their formats go, formats right of
    // them move left.
    void DeleteCols(std::int32_t aCol, std::int32_t aColCount, const TSheetInfo& SheetInfo);
    // After ArrangeInsertCols: the inserted columns DestCol on take the formats
    // of the columns FirstCol to LastCol, aColCount times (source columns at or
    // right of DestCol are read at their moved places).
    void CopyCols(std::int32_t FirstCol, std::int32_t LastCol, std::int32_t DestCol, std::int32_t aColCount);

protected:
    void CheckItem(const TBaseRecord* aItem) const override;

private:
    // Splits the record that covers both aCol - 1 and aCol, so a record starts at aCol.
    void SplitAt(std::int64_t aCol);
    // Gives column aCol alone these fields, splitting a record that covers more.
    void SetColumn(std::uint16_t aCol, std::uint16_t aWidth, std::uint16_t aXF, std::uint16_t aOptions);
};

}  // namespace xls
