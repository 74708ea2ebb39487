// Owning record lists that know their byte size without walking, write their
// records in order and find records by column, row or key.
//
// Contract: TotalSize (TotalRangeSize for a range) is exactly the number of
// bytes SaveToStream (SaveRangeToStream) writes. Ordinary lists keep the sum
// of their records' sizes as records enter and leave; an owner that resizes a
// record in place reports the difference with AdaptSize.
#pragma once

#include "base/UXlsValueTypes.h"
#include "records/UXlsBaseList.h"
#include "records/UXlsBaseRecords.h"
#include "records/UXlsOtherRecords.h"

namespace xls {


// A list only holds its own kind of record (or an empty slot); its typed
// access relies on that.
template <class T>
void RequireKind(const TBaseRecord* aItem)
{
    if (aItem && !dynamic_cast<const T*>(aItem)) RaiseXls(TXlsMsg::LogicalError);
}

class TBaseRecordList : public TBaseList<TBaseRecord> {
public:
    std::int64_t TotalSize() const { return GetTotalSize(); }
    virtual std::int64_t GetTotalSize() const { return FTotalSize; }
    // For owners that change a record's size in place.
    void AdaptSize(std::int64_t Delta) { FTotalSize += Delta; }
    // An empty list has size 0, whatever was reported before.
    void Clear() override;
    virtual void SaveToStream(TOle2File& DataStream);
    // Appends a copy of every item of aList, in order (empty slots stay empty).
    void CopyFrom(const TBaseRecordList& aList);

protected:
    void Notify(const TBaseRecord* aItem, bool aAdded) override;

private:
    std::int64_t FTotalSize = 0;
};

// Records that start with a row and a column, searched by column.
class TBaseRowColRecordList : public TBaseRecordList {
public:
    TBaseRowColRecord* Items(std::size_t aIndex) const { return static_cast<TBaseRowColRecord*>(GetItem(aIndex)); }

    // Add clears the sorted flag; Insert at a position Find returned keeps it.
    std::size_t Add(std::unique_ptr<TBaseRecord> aItem) override;
    bool Sorted() const { return FSorted; }
    // By column, ascending; records of one column keep their order.
    void Sort();
    // Sorts, and of several records in one column keeps only the one read last.
    void KeepLastInEachColumn();
    // Sorts first when needed; true with the position of aCol, else false
    // with the position where aCol would be inserted.
    bool Find(std::int32_t aCol, std::size_t& aIndex);

    void ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                  std::int32_t aColCount, const TSheetInfo& SheetInfo);
    void ArrangeCopyRowsAndCols(std::int32_t RowOffset, std::int32_t ColOffset);

    // The items inside CellRange, in list order.
    virtual void SaveRangeToStream(TOle2File& DataStream, const TXlsCellRange& CellRange);
    virtual std::int64_t TotalRangeSize(const TXlsCellRange& CellRange, bool NeedsRecalc);

protected:
    void CheckItem(const TBaseRecord* aItem) const override;

private:
    bool FSorted = true;
};

// The cells of one row. Runs of RK cells and of BLANK cells are written as
// MULRK and MULBLANK records, so the size depends on neighbours and is
// measured by walking the row.
class TCellRecordList : public TBaseRowColRecordList {
public:
    TCellRecord* Items(std::size_t aIndex) const { return static_cast<TCellRecord*>(GetItem(aIndex)); }

    std::int64_t GetTotalSize() const override;
    void SaveToStream(TOle2File& DataStream) override;
    void SaveRangeToStream(TOle2File& DataStream, const TXlsCellRange& CellRange) override;
    std::int64_t TotalRangeSize(const TXlsCellRange& CellRange, bool NeedsRecalc) override;
    std::int64_t FixTotalSize(bool NeedsRecalc);

protected:
    void CheckItem(const TBaseRecord* aItem) const override;

private:
    // Writes when aStream is given; returns the bytes written (or that would be).
    std::int64_t SaveOrMeasure(TOle2File* aStream, const TXlsCellRange& CellRange, bool NeedsRecalc) const;
    // The last index of the joinable run starting at aFirst, and its joined
    // size (0 when the cell has nothing to join).
    std::size_t FindRun(std::size_t aFirst, std::int32_t aMaxCol, std::int64_t& aSize) const;
};

// ROW records by row number: slot i holds the ROW record of row i or nothing.
class TRowRecordList : public TBaseRowColRecordList {
public:
    // Fails with "Missing ROW Record for row %d" on an empty slot.
    TRowRecord& Items(std::size_t aIndex) const;
    bool HasRow(std::int64_t aIndex) const;

    // Puts the record into the slot of its row, filling gaps with empty
    // slots; a second record for a filled slot is dropped (and freed).
    std::size_t AddRecord(std::unique_ptr<TRowRecord> aRecord);
    // A standard ROW record for a row that has none.
    void AddRow(std::uint16_t aIndex);

    std::uint16_t RowHeight(std::int64_t aRow) const;
    void SetRowHeight(std::uint16_t aRow, std::uint16_t aHeight);
    void AutoRowHeight(std::int64_t aRow, bool aValue);
    bool IsAutoRowHeight(std::int64_t aRow) const;
    // The largest outline level of all rows becomes the GUTS row level.
    void CalcGuts(TGutsRecord& Guts) const;

    void DeleteRows(std::int32_t aRow, std::int32_t aRowCount, const TSheetInfo& SheetInfo);
    void InsertAndCopyRows(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t DestRow, std::int32_t aCount,
                           const TSheetInfo& SheetInfo);

    // The ROW records of rows Top to Bottom that exist.
    std::int64_t TotalRangeSize(const TXlsCellRange& CellRange, bool NeedsRecalc) override;

protected:
    void CheckItem(const TBaseRecord* aItem) const override;
};

// BOUNDSHEET records: item i is sheet i.
class TBoundSheetRecordList : public TBaseRecordList {
public:
    TBoundSheetRecord* Items(std::size_t aIndex) const { return static_cast<TBoundSheetRecord*>(GetItem(aIndex)); }

    TXlsString GetSheetName(std::size_t aIndex) const { return Items(aIndex)->SheetName(); }
    // Rewrites the name and keeps the list's size current.
    void SetSheetName(std::size_t aIndex, std::u16string_view aValue);
    TXlsSheetVisible GetSheetVisible(std::size_t aIndex) const { return Items(aIndex)->Visible(); }
    void SetSheetVisible(std::size_t aIndex, TXlsSheetVisible aValue) { Items(aIndex)->SetVisible(aValue); }

protected:
    void CheckItem(const TBaseRecord* aItem) const override;
};

}  // namespace xls
