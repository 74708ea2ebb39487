// Cell ranges held as lists: the merged cells (MERGECELLS) and the range part
// of conditional formats (UXlsCondFmt). A list is loaded from a record and
// written back in records of at most MaxRangesPerRecord ranges.
#pragma once

#include <vector>

#include "records/UXlsBaseRecordLists.h"

namespace xls {

// A range in record layout: rows R1..R2, columns C1..C2, inclusive.
struct TExcelRange {
    std::uint16_t R1 = 0;
    std::uint16_t R2 = 0;
    std::uint16_t C1 = 0;
    std::uint16_t C2 = 0;
    bool operator==(const TExcelRange&) const = default;
};

// The smallest range that holds both.
TExcelRange BoundsOf(const TExcelRange& a, const TExcelRange& b);

// Moves the rows (columns) of aRange at or after the position by the count,
// keeping them inside the sheet and the last one at or after the first. A
// last row that lay in deleted rows (a negative count) becomes the row
// before them.
void ShiftRange(TExcelRange& aRange, std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                std::int32_t aColCount);

// The ranges of one entry. A record holds FOtherDataLen bytes of its own in
// front of the range count.
class TRangeValuesList {
public:
    TRangeValuesList(std::size_t aMaxRangesPerRecord, std::size_t aOtherDataLen)
        : MaxRangesPerRecord(aMaxRangesPerRecord), FOtherDataLen(aOtherDataLen)
    {
    }

    const std::size_t MaxRangesPerRecord;

    std::size_t Count() const { return FList.size(); }
    const TExcelRange& Items(std::size_t aIndex) const;
    void Add(const TExcelRange& aRange) { FList.push_back(aRange); }
    void Delete(std::size_t aIndex);
    void Clear() { FList.clear(); }
    void CopyFrom(const TRangeValuesList& aList) { FList = aList.FList; }

    // A 16-bit count at data offset aPos, then the ranges, read across the
    // record's CONTINUE chain.
    void Load(const TBaseRecord& aRecord, std::size_t aPos);
    // Records needed for aCount ranges (1 for none), the data size of record
    // Line, the bytes of all of them (headers and other data included).
    std::size_t RepeatCountR(std::size_t aCount) const;
    std::size_t RecordSizeR(std::size_t Line, std::size_t aCount) const;
    std::int64_t TotalSizeR(std::size_t aCount) const;
    // Appends the count and the ranges of record Line.
    void AppendRecordRanges(TBytes& aData, std::size_t Line) const;

    // Rows (columns) at or after the position move by the count and are kept
    // inside the sheet; a range never fails here.
    void ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                  std::int32_t aColCount);
    // Removes the ranges that lie in the deleted rows (columns with UseCols),
    // and without Allow1Cell also those that would shrink to one cell, then
    // moves the rest up (left).
    void DeleteRows(std::int32_t aRow, std::int32_t aCount, bool Allow1Cell, bool UseCols);
    // Appends a copy, moved by the offsets, of every range inside the source
    // rows (columns with UseCols); fails when a copy leaves the sheet.
    void CopyRowsInclusive(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t RowOffset, bool UseCols);
    // Conditional formats: stretches, cuts and copies the ranges touching the
    // source rows FirstRow to LastRow (at their place after the shift) over
    // the aCount blocks inserted at DestRow; answers the bounds of what it
    // added or stretched, false when nothing.
    bool CopyRowsExclusive(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t DestRow, std::int32_t aCount,
                           bool UseCols, TExcelRange& Added);

    // Merging. Both ignore an area outside the sheet, reversed or of one cell.
    // Grows the area over every range it overlaps (walking from the last
    // range to the first) and removes those ranges.
    void PreAddNewRange(std::int32_t& R1, std::int32_t& C1, std::int32_t& R2, std::int32_t& C2);
    void AddNewRange(std::int32_t FirstRow, std::int32_t FirstCol, std::int32_t LastRow, std::int32_t LastCol);
    // Removes every range equal to the area.
    void RemoveRange(const TExcelRange& aRange);

private:
    std::size_t FOtherDataLen;
    std::vector<TExcelRange> FList;
};

// Base of the range groups a worksheet keeps in load order.
class TRangeEntry {
public:
    virtual ~TRangeEntry() = default;
    TRangeEntry(const TRangeEntry&) = delete;
    TRangeEntry& operator=(const TRangeEntry&) = delete;

    std::unique_ptr<TRangeEntry> CopyTo() const { return DoCopyTo(); }
    TRangeValuesList& RangeValuesList() { return FRangeValuesList; }
    const TRangeValuesList& RangeValuesList() const { return FRangeValuesList; }

    // First is the record already read; RecordHeader the look-ahead header.
    virtual void LoadFromStream(TOle2File& DataStream, TRecordHeader& RecordHeader,
                                std::unique_ptr<TBaseRecord> First) = 0;
    virtual void SaveToStream(TOle2File& DataStream) = 0;
    virtual std::int64_t TotalSize() const = 0;
    virtual void ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                          std::int32_t aColCount, const TSheetInfo& SheetInfo) = 0;
    // Shifts for the aCount blocks of source rows (columns) inserted at
    // DestRow, then copies what the blocks hold.
    virtual void InsertAndCopyRowsOrCols(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t DestRow,
                                         std::int32_t aCount, const TSheetInfo& SheetInfo, bool UseCols) = 0;
    virtual void DeleteRowsOrCols(std::int32_t aRow, std::int32_t aCount, const TSheetInfo& SheetInfo,
                                  bool UseCols) = 0;

protected:
    explicit TRangeEntry(std::size_t aOtherDataLen) : FRangeValuesList(513, aOtherDataLen) {}
    virtual std::unique_ptr<TRangeEntry> DoCopyTo() const = 0;

    TRangeValuesList FRangeValuesList;
};

// Merged cells: each range is a merged area.
class TMergedCells final : public TRangeEntry {
public:
    TMergedCells() : TRangeEntry(0) {}

    // Loads the MERGECELLS record's ranges and frees it.
    void LoadFromStream(TOle2File& DataStream, TRecordHeader& RecordHeader,
                        std::unique_ptr<TBaseRecord> First) override;
    // Nothing without ranges.
    void SaveToStream(TOle2File& DataStream) override;
    std::int64_t TotalSize() const override;
    void ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                  std::int32_t aColCount, const TSheetInfo& SheetInfo) override;
    void InsertAndCopyRowsOrCols(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t DestRow, std::int32_t aCount,
                                 const TSheetInfo& SheetInfo, bool UseCols) override;
    void DeleteRowsOrCols(std::int32_t aRow, std::int32_t aCount, const TSheetInfo& SheetInfo, bool UseCols) override;

    std::size_t MergedCount() const { return FRangeValuesList.Count(); }
    // The area i as a cell range.
    TXlsCellRange MergedCell(std::size_t i) const;
    // The first area holding the cell, if any.
    bool CheckCell(std::int32_t aRow, std::int32_t aCol, TXlsCellRange& CellBounds) const;

    // Grows the area over the areas it overlaps, which go (see PreAddNewRange).
    void PreMerge(std::int32_t& R1, std::int32_t& C1, std::int32_t& R2, std::int32_t& C2);
    void MergeCells(std::int32_t FirstRow, std::int32_t FirstCol, std::int32_t LastRow, std::int32_t LastCol);
    // Removes the areas exactly equal to the bounds.
    void UnMergeCells(std::int32_t FirstRow, std::int32_t FirstCol, std::int32_t LastRow, std::int32_t LastCol);

protected:
    std::unique_ptr<TRangeEntry> DoCopyTo() const override;
};

// The merged cells and conditional formats of a worksheet, in load order.
class TRangeList : public TBaseList<TRangeEntry> {
public:
    void CopyFrom(const TRangeList& aList);
    void SaveToStream(TOle2File& DataStream);
    std::int64_t TotalSize() const;
    void InsertAndCopyRowsOrCols(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t DestRow, std::int32_t aCount,
                                 const TSheetInfo& SheetInfo, bool UseCols);
    void DeleteRowsOrCols(std::int32_t aRow, std::int32_t aCount, const TSheetInfo& SheetInfo, bool UseCols);

protected:
    void CheckItem(const TRangeEntry* aItem) const override;
};

}  // namespace xls
