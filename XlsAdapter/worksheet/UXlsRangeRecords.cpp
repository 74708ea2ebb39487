#include "worksheet/UXlsRangeRecords.h"

#include <algorithm>

namespace xls {

// ----------------------------------------------------------- TRangeValuesList

const TExcelRange& TRangeValuesList::Items(std::size_t aIndex) const
{
    if (aIndex >= FList.size()) RaiseListIndex(aIndex);
    return FList[aIndex];
}

void TRangeValuesList::Delete(std::size_t aIndex)
{
    if (aIndex >= FList.size()) RaiseListIndex(aIndex);
    FList.erase(FList.begin() + static_cast<std::ptrdiff_t>(aIndex));
}

void TRangeValuesList::Load(const TBaseRecord& aRecord, std::size_t aPos)
{
    const TBaseRecord* rec = &aRecord;
    std::uint8_t word[2];
    ReadAcross(rec, aPos, 2, word);
    const std::uint16_t count = GetWord(word, 0);
    for (std::uint16_t i = 0; i < count; ++i) {
        std::uint8_t r[8];
        ReadAcross(rec, aPos, 8, r);
        FList.push_back({GetWord(r, 0), GetWord(r, 2), GetWord(r, 4), GetWord(r, 6)});
    }
}

std::size_t TRangeValuesList::RepeatCountR(std::size_t aCount) const
{
    return aCount == 0 ? 1 : (aCount - 1) / MaxRangesPerRecord + 1;
}

std::size_t TRangeValuesList::RecordSizeR(std::size_t Line, std::size_t aCount) const
{
    const std::size_t before = Line * MaxRangesPerRecord;
    const std::size_t inRecord = aCount > before ? std::min(MaxRangesPerRecord, aCount - before) : 0;
    return FOtherDataLen + 2 + 8 * inRecord;
}

std::int64_t TRangeValuesList::TotalSizeR(std::size_t aCount) const
{
    return std::int64_t(RepeatCountR(aCount) * (FOtherDataLen + 6) + 8 * aCount);
}

void TRangeValuesList::AppendRecordRanges(TBytes& aData, std::size_t Line) const
{
    const std::size_t first = Line * MaxRangesPerRecord;
    const std::size_t last = std::min(FList.size(), first + MaxRangesPerRecord);
    AppendWord(aData, static_cast<std::uint16_t>(last > first ? last - first : 0));
    for (std::size_t i = first; i < last; ++i) {
        AppendWord(aData, FList[i].R1);
        AppendWord(aData, FList[i].R2);
        AppendWord(aData, FList[i].C1);
        AppendWord(aData, FList[i].C2);
    }
}

namespace {

// A bound at or after aPos moves by aCount and stays within [aLow, aMax].
std::uint16_t ShiftClamped(std::uint16_t aValue, std::int32_t aPos, std::int32_t aCount, std::int64_t aLow,
                           std::int64_t aMax)
{
    if (aValue < aPos) return aValue;
    return static_cast<std::uint16_t>(std::clamp<std::int64_t>(std::int64_t(aValue) + aCount, aLow, aMax));
}

void ShiftPair(std::uint16_t& aFirst, std::uint16_t& aLast, std::int32_t aPos, std::int32_t aCount, std::int64_t aMax)
{
    aFirst = ShiftClamped(aFirst, aPos, aCount, std::max<std::int64_t>(aPos, 0), aMax);
    // A range that ended in deleted rows now ends on the row before them,
    // not on its first row.
    const std::int64_t lowest = aCount < 0 ? std::max<std::int64_t>(aFirst, std::int64_t(aPos) - 1) : aFirst;
    aLast = ShiftClamped(aLast, aPos, aCount, lowest, aMax);
}

bool IsSheetArea(std::int32_t R1, std::int32_t C1, std::int32_t R2, std::int32_t C2)
{
    return R1 >= 0 && C1 >= 0 && R2 >= R1 && C2 >= C1 && R2 <= MaxRow && C2 <= MaxColumn;
}

// An area that merging takes: inside the sheet, in order, more than one cell.
bool IsMergeableArea(std::int32_t R1, std::int32_t C1, std::int32_t R2, std::int32_t C2)
{
    return IsSheetArea(R1, C1, R2, C2) && (R1 != R2 || C1 != C2);
}

// The rows (columns with UseCols) of a range as a pair of references.
struct TSpan {
    std::uint16_t& First;
    std::uint16_t& Last;
};

TSpan SpanOf(TExcelRange& aRange, bool UseCols)
{
    return UseCols ? TSpan{aRange.C1, aRange.C2} : TSpan{aRange.R1, aRange.R2};
}

void Include(TExcelRange& aBounds, bool& aAny, const TExcelRange& aRange)
{
    aBounds = aAny ? BoundsOf(aBounds, aRange) : aRange;
    aAny = true;
}

}  // namespace

TExcelRange BoundsOf(const TExcelRange& a, const TExcelRange& b)
{
    return {std::min(a.R1, b.R1), std::max(a.R2, b.R2), std::min(a.C1, b.C1), std::max(a.C2, b.C2)};
}

void ShiftRange(TExcelRange& aRange, std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                std::int32_t aColCount)
{
    if (aRowCount != 0) ShiftPair(aRange.R1, aRange.R2, aRowPos, aRowCount, MaxRow);
    if (aColCount != 0) ShiftPair(aRange.C1, aRange.C2, aColPos, aColCount, MaxColumn);
}

void TRangeValuesList::ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                                std::int32_t aColCount)
{
    for (auto& r : FList) ShiftRange(r, aRowPos, aRowCount, aColPos, aColCount);
}

void TRangeValuesList::DeleteRows(std::int32_t aRow, std::int32_t aCount, bool Allow1Cell, bool UseCols)
{
    const std::int64_t end = std::int64_t(aRow) + aCount;
    std::erase_if(FList, [&](const TExcelRange& r) {
        const std::int64_t first = UseCols ? r.C1 : r.R1;
        const std::int64_t last = UseCols ? r.C2 : r.R2;
        const bool oneWide = UseCols ? r.R1 == r.R2 : r.C1 == r.C2;
        if (first < aRow) return false;
        return last < end || (!Allow1Cell && last == end && oneWide);
    });
    if (UseCols)
        ArrangeInsertRowsAndCols(0, 0, aRow, -aCount);
    else
        ArrangeInsertRowsAndCols(aRow, -aCount, 0, 0);
}

void TRangeValuesList::CopyRowsInclusive(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t RowOffset,
                                         bool UseCols)
{
    const std::size_t count = FList.size();
    const std::int64_t max = UseCols ? MaxColumn : MaxRow;
    for (std::size_t i = 0; i < count; ++i) {
        TExcelRange r = FList[i];
        std::uint16_t& first = UseCols ? r.C1 : r.R1;
        std::uint16_t& last = UseCols ? r.C2 : r.R2;
        if (first < FirstRow || last > LastRow) continue;
        first = static_cast<std::uint16_t>(CheckedShift(first, RowOffset, max));
        last = static_cast<std::uint16_t>(CheckedShift(last, RowOffset, max));
        FList.push_back(r);
    }
}

bool TRangeValuesList::CopyRowsExclusive(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t DestRow,
                                         std::int32_t aCount, bool UseCols, TExcelRange& Added)
{
    if (LastRow < FirstRow || aCount <= 0) return false;
    const std::int64_t height = std::int64_t(LastRow) - FirstRow + 1;
    const std::int64_t insertedEnd = DestRow + height * aCount;  // first row behind the blocks
    const std::int64_t max = UseCols ? MaxColumn : MaxRow;
    const bool sourceBelow = FirstRow >= DestRow;
    const std::int64_t first = sourceBelow ? FirstRow + height * aCount : FirstRow;
    const std::int64_t last = first + height - 1;
    const auto clamp = [&](std::int64_t v) { return static_cast<std::uint16_t>(std::clamp<std::int64_t>(v, 0, max)); };

    bool any = false;
    const std::size_t count = FList.size();
    for (std::size_t i = 0; i < count; ++i) {
        TSpan span = SpanOf(FList[i], UseCols);
        if (span.Last < first || span.First > last) continue;
        if (span.First < DestRow && span.Last >= DestRow) continue;  // the shift stretched it already
        if (!sourceBelow && span.Last == DestRow - 1 && span.First <= first) {
            span.Last = clamp(insertedEnd - 1);
            Include(Added, any, FList[i]);
            continue;
        }
        if (sourceBelow && span.First == insertedEnd && span.Last >= last) {
            span.First = clamp(DestRow);
            Include(Added, any, FList[i]);
            continue;
        }
        const bool whole = span.First <= first && span.Last >= last;
        const std::int64_t cutFirst = std::max<std::int64_t>(span.First, first) - first;
        const std::int64_t cutLast = std::min<std::int64_t>(span.Last, last) - first;
        for (std::int64_t k = 0; k < (whole ? 1 : aCount); ++k) {
            TExcelRange copy = FList[i];
            TSpan target = SpanOf(copy, UseCols);
            target.First = clamp(whole ? DestRow : DestRow + k * height + cutFirst);
            target.Last = clamp(whole ? insertedEnd - 1 : DestRow + k * height + cutLast);
            FList.push_back(copy);
            Include(Added, any, copy);
        }
    }
    return any;
}

void TRangeValuesList::PreAddNewRange(std::int32_t& R1, std::int32_t& C1, std::int32_t& R2, std::int32_t& C2)
{
    if (!IsMergeableArea(R1, C1, R2, C2)) return;
    for (std::size_t i = FList.size(); i-- > 0;) {
        const TExcelRange& r = FList[i];
        if (r.R2 < R1 || r.R1 > R2 || r.C2 < C1 || r.C1 > C2) continue;
        R1 = std::min<std::int32_t>(R1, r.R1);
        C1 = std::min<std::int32_t>(C1, r.C1);
        R2 = std::max<std::int32_t>(R2, r.R2);
        C2 = std::max<std::int32_t>(C2, r.C2);
        Delete(i);
    }
}

void TRangeValuesList::AddNewRange(std::int32_t FirstRow, std::int32_t FirstCol, std::int32_t LastRow,
                                   std::int32_t LastCol)
{
    if (!IsMergeableArea(FirstRow, FirstCol, LastRow, LastCol)) return;
    Add({static_cast<std::uint16_t>(FirstRow), static_cast<std::uint16_t>(LastRow),
         static_cast<std::uint16_t>(FirstCol), static_cast<std::uint16_t>(LastCol)});
}

void TRangeValuesList::RemoveRange(const TExcelRange& aRange)
{
    std::erase(FList, aRange);
}

// --------------------------------------------------------------- TMergedCells

void TMergedCells::LoadFromStream(TOle2File&, TRecordHeader&, std::unique_ptr<TBaseRecord> First)
{
    FRangeValuesList.Clear();
    FRangeValuesList.Load(*First, 0);
}

void TMergedCells::SaveToStream(TOle2File& DataStream)
{
    const std::size_t count = FRangeValuesList.Count();
    if (count == 0) return;
    for (std::size_t line = 0; line < FRangeValuesList.RepeatCountR(count); ++line) {
        TBytes d;
        d.reserve(FRangeValuesList.RecordSizeR(line, count));
        FRangeValuesList.AppendRecordRanges(d, line);
        TBaseRecord(xlr_MERGECELLS, std::move(d)).SaveToStream(DataStream);
    }
}

std::int64_t TMergedCells::TotalSize() const
{
    const std::size_t count = FRangeValuesList.Count();
    return count == 0 ? 0 : FRangeValuesList.TotalSizeR(count);
}

void TMergedCells::ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                            std::int32_t aColCount, const TSheetInfo& SheetInfo)
{
    if (!SheetInfo.MovesOwnCells()) return;
    FRangeValuesList.ArrangeInsertRowsAndCols(aRowPos, aRowCount, aColPos, aColCount);
}

void TMergedCells::InsertAndCopyRowsOrCols(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t DestRow,
                                           std::int32_t aCount, const TSheetInfo& SheetInfo, bool UseCols)
{
    if (!SheetInfo.MovesOwnCells() || aCount <= 0) return;
    const std::int32_t height = LastRow - FirstRow + 1;
    const std::int32_t inserted = aCount * height;
    if (UseCols)
        FRangeValuesList.ArrangeInsertRowsAndCols(0, 0, DestRow, inserted);
    else
        FRangeValuesList.ArrangeInsertRowsAndCols(DestRow, inserted, 0, 0);
    // Source rows at or after the insertion point have moved with the rest.
    const std::int32_t shift = FirstRow >= DestRow ? inserted : 0;
    for (std::int32_t k = 0; k < aCount; ++k)
        FRangeValuesList.CopyRowsInclusive(FirstRow + shift, LastRow + shift, DestRow + k * height - FirstRow - shift,
                                           UseCols);
}

void TMergedCells::DeleteRowsOrCols(std::int32_t aRow, std::int32_t aCount, const TSheetInfo& SheetInfo, bool UseCols)
{
    if (!SheetInfo.MovesOwnCells()) return;
    FRangeValuesList.DeleteRows(aRow, aCount, false, UseCols);
}

TXlsCellRange TMergedCells::MergedCell(std::size_t i) const
{
    const TExcelRange& r = FRangeValuesList.Items(i);
    return {r.C1, r.R1, r.C2, r.R2};
}

bool TMergedCells::CheckCell(std::int32_t aRow, std::int32_t aCol, TXlsCellRange& CellBounds) const
{
    for (std::size_t i = 0; i < FRangeValuesList.Count(); ++i) {
        const TXlsCellRange r = MergedCell(i);
        if (r.HasRow(aRow) && r.HasColumn(aCol)) {
            CellBounds = r;
            return true;
        }
    }
    return false;
}

void TMergedCells::PreMerge(std::int32_t& R1, std::int32_t& C1, std::int32_t& R2, std::int32_t& C2)
{
    FRangeValuesList.PreAddNewRange(R1, C1, R2, C2);
}

void TMergedCells::MergeCells(std::int32_t FirstRow, std::int32_t FirstCol, std::int32_t LastRow, std::int32_t LastCol)
{
    FRangeValuesList.AddNewRange(FirstRow, FirstCol, LastRow, LastCol);
}

void TMergedCells::UnMergeCells(std::int32_t FirstRow, std::int32_t FirstCol, std::int32_t LastRow,
                                std::int32_t LastCol)
{
    if (!IsSheetArea(FirstRow, FirstCol, LastRow, LastCol)) return;
    FRangeValuesList.RemoveRange({static_cast<std::uint16_t>(FirstRow), static_cast<std::uint16_t>(LastRow),
                                  static_cast<std::uint16_t>(FirstCol), static_cast<std::uint16_t>(LastCol)});
}

std::unique_ptr<TRangeEntry> TMergedCells::DoCopyTo() const
{
    auto copy = std::make_unique<TMergedCells>();
    copy->FRangeValuesList.CopyFrom(FRangeValuesList);
    return copy;
}

// ----------------------------------------------------------------- TRangeList

void TRangeList::CheckItem(const TRangeEntry* aItem) const
{
    if (!aItem) RaiseXls(TXlsMsg::LogicalError);
}

void TRangeList::CopyFrom(const TRangeList& aList)
{
    for (std::size_t i = 0; i < aList.Count(); ++i) Add(aList.GetItem(i)->CopyTo());
}

void TRangeList::SaveToStream(TOle2File& DataStream)
{
    for (const auto& entry : FList) entry->SaveToStream(DataStream);
}

std::int64_t TRangeList::TotalSize() const
{
    std::int64_t size = 0;
    for (const auto& entry : FList) size += entry->TotalSize();
    return size;
}

void TRangeList::InsertAndCopyRowsOrCols(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t DestRow,
                                         std::int32_t aCount, const TSheetInfo& SheetInfo, bool UseCols)
{
    for (const auto& entry : FList)
        entry->InsertAndCopyRowsOrCols(FirstRow, LastRow, DestRow, aCount, SheetInfo, UseCols);
}

void TRangeList::DeleteRowsOrCols(std::int32_t aRow, std::int32_t aCount, const TSheetInfo& SheetInfo, bool UseCols)
{
    for (const auto& entry : FList) entry->DeleteRowsOrCols(aRow, aCount, SheetInfo, UseCols);
}

}  // namespace xls
