#include "records/UXlsBaseRecordLists.h"

#include <algorithm>

namespace xls {

// ------------------------------------------------------------ TBaseRecordList

void TBaseRecordList::Notify(const TBaseRecord* aItem, bool aAdded)
{
    if (!aItem) return;
    FTotalSize += aAdded ? aItem->TotalSize() : -aItem->TotalSize();
}

void TBaseRecordList::Clear()
{
    TBaseList::Clear();
    FTotalSize = 0;
}

void TBaseRecordList::SaveToStream(TOle2File& DataStream)
{
    for (const auto& item : FList)
        if (item) item->SaveToStream(DataStream);
}

void TBaseRecordList::CopyFrom(const TBaseRecordList& aList)
{
    if (&aList == this) RaiseXls(TXlsMsg::LogicalError);
    for (std::size_t i = 0; i < aList.Count(); ++i) {
        const TBaseRecord* item = aList.GetItem(i);
        Add(item ? item->CopyTo() : nullptr);
    }
}

// ------------------------------------------------------ TBaseRowColRecordList

void TBaseRowColRecordList::CheckItem(const TBaseRecord* aItem) const
{
    RequireKind<TBaseRowColRecord>(aItem);
}

namespace {

std::int64_t ColumnOf(const std::unique_ptr<TBaseRecord>& aItem)
{
    // Empty slots sort last.
    return aItem ? static_cast<const TBaseRowColRecord&>(*aItem).Column() : 0x10000;
}

bool ColumnLess(const std::unique_ptr<TBaseRecord>& a, const std::unique_ptr<TBaseRecord>& b)
{
    return ColumnOf(a) < ColumnOf(b);
}

}  // namespace

std::size_t TBaseRowColRecordList::Add(std::unique_ptr<TBaseRecord> aItem)
{
    const std::size_t index = TBaseRecordList::Add(std::move(aItem));
    // Files list a row's cells by column: appending in order keeps the list sorted.
    if (index > 0 && ColumnLess(FList[index], FList[index - 1])) FSorted = false;
    return index;
}

void TBaseRowColRecordList::Sort()
{
    // Sorting allocates a buffer; rows read from files are mostly in order.
    if (!std::is_sorted(FList.begin(), FList.end(), ColumnLess))
        std::stable_sort(FList.begin(), FList.end(), ColumnLess);
    FSorted = true;
}

void TBaseRowColRecordList::KeepLastInEachColumn()
{
    Sort();
    // One pass: a row of thousands of cells in one column must not cost an
    // erase each.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < FList.size(); ++i) {
        if (i + 1 < FList.size() && ColumnOf(FList[i]) == ColumnOf(FList[i + 1])) {
            Notify(FList[i].get(), false);
            FList[i].reset();
            continue;
        }
        FList[kept++] = std::move(FList[i]);
    }
    FList.resize(kept);
}

bool TBaseRowColRecordList::Find(std::int32_t aCol, std::size_t& aIndex)
{
    if (!FSorted) Sort();
    auto it = std::lower_bound(FList.begin(), FList.end(), aCol,
                               [](const auto& item, std::int32_t col) { return ColumnOf(item) < col; });
    aIndex = static_cast<std::size_t>(it - FList.begin());
    return it != FList.end() && ColumnOf(*it) == aCol;
}

void TBaseRowColRecordList::ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount,
                                                     std::int32_t aColPos, std::int32_t aColCount,
                                                     const TSheetInfo& SheetInfo)
{
    for (std::size_t i = 0; i < Count(); ++i)
        if (TBaseRowColRecord* r = Items(i)) r->ArrangeInsertRowsAndCols(aRowPos, aRowCount, aColPos, aColCount, SheetInfo);
}

void TBaseRowColRecordList::ArrangeCopyRowsAndCols(std::int32_t RowOffset, std::int32_t ColOffset)
{
    for (std::size_t i = 0; i < Count(); ++i)
        if (TBaseRowColRecord* r = Items(i)) r->ArrangeCopyRowsAndCols(RowOffset, ColOffset);
}

void TBaseRowColRecordList::SaveRangeToStream(TOle2File& DataStream, const TXlsCellRange& CellRange)
{
    for (std::size_t i = 0; i < Count(); ++i) {
        TBaseRowColRecord* r = Items(i);
        if (r && CellRange.HasRow(r->Row()) && CellRange.HasColumn(r->Column())) r->SaveToStream(DataStream);
    }
}

std::int64_t TBaseRowColRecordList::TotalRangeSize(const TXlsCellRange& CellRange, bool NeedsRecalc)
{
    std::int64_t size = 0;
    for (std::size_t i = 0; i < Count(); ++i) {
        TBaseRowColRecord* r = Items(i);
        if (r && CellRange.HasRow(r->Row()) && CellRange.HasColumn(r->Column())) size += r->FixTotalSize(NeedsRecalc);
    }
    return size;
}

// ------------------------------------------------------------ TCellRecordList

void TCellRecordList::CheckItem(const TBaseRecord* aItem) const
{
    // A row holds cells, no empty slots.
    if (!aItem) RaiseXls(TXlsMsg::LogicalError);
    if (aItem && !aItem->AsCell()) RaiseXls(TXlsMsg::LogicalError);
}

std::size_t TCellRecordList::FindRun(std::size_t aFirst, std::int32_t aMaxCol, std::int64_t& aSize) const
{
    // Columns end at aMaxCol (255 at most), so a run always fits one record body.
    std::size_t last = aFirst;
    while (last + 1 < Count() && Items(last)->CanJoinNext(Items(last + 1), aMaxCol)) ++last;
    aSize = 0;
    if (last == aFirst) return last;
    aSize = Items(aFirst)->TotalSizeFirst() + Items(last)->TotalSizeLast();
    for (std::size_t k = aFirst + 1; k < last; ++k) aSize += Items(k)->TotalSizeMid();
    return last;
}

std::int64_t TCellRecordList::SaveOrMeasure(TOle2File* aStream, const TXlsCellRange& CellRange,
                                            bool NeedsRecalc) const
{
    // All records of the list share one row.
    if (Count() == 0 || !CellRange.HasRow(Items(0)->Row())) return 0;
    std::int64_t total = 0;
    std::size_t i = 0;
    while (i < Count()) {
        TCellRecord* rec = Items(i);
        if (!CellRange.HasColumn(rec->Column())) {
            ++i;
            continue;
        }
        std::int64_t runSize = 0;
        const std::size_t last = FindRun(i, CellRange.Right, runSize);
        if (last == i) {
            if (aStream) rec->SaveToStream(*aStream);
            total += rec->FixTotalSize(NeedsRecalc);
        } else {
            if (aStream) {
                rec->SaveFirstMul(*aStream, runSize);
                for (std::size_t k = i + 1; k < last; ++k) Items(k)->SaveMidMul(*aStream);
                Items(last)->SaveLastMul(*aStream);
            }
            total += runSize;
        }
        i = last + 1;
    }
    return total;
}

std::int64_t TCellRecordList::GetTotalSize() const
{
    return SaveOrMeasure(nullptr, WholeSheetRange, false);
}

void TCellRecordList::SaveToStream(TOle2File& DataStream)
{
    SaveOrMeasure(&DataStream, WholeSheetRange, false);
}

void TCellRecordList::SaveRangeToStream(TOle2File& DataStream, const TXlsCellRange& CellRange)
{
    SaveOrMeasure(&DataStream, CellRange, false);
}

std::int64_t TCellRecordList::TotalRangeSize(const TXlsCellRange& CellRange, bool NeedsRecalc)
{
    return SaveOrMeasure(nullptr, CellRange, NeedsRecalc);
}

std::int64_t TCellRecordList::FixTotalSize(bool NeedsRecalc)
{
    return TotalRangeSize(WholeSheetRange, NeedsRecalc);
}

// ------------------------------------------------------------- TRowRecordList

void TRowRecordList::CheckItem(const TBaseRecord* aItem) const
{
    RequireKind<TRowRecord>(aItem);
}

TRowRecord& TRowRecordList::Items(std::size_t aIndex) const
{
    auto* rec = static_cast<TRowRecord*>(GetItem(aIndex));
    if (!rec) RaiseXls(TXlsMsg::MissingRowRecord, {std::int64_t(aIndex)});
    return *rec;
}

bool TRowRecordList::HasRow(std::int64_t aIndex) const
{
    return aIndex >= 0 && aIndex < std::int64_t(Count()) && FList[static_cast<std::size_t>(aIndex)] != nullptr;
}

std::size_t TRowRecordList::AddRecord(std::unique_ptr<TRowRecord> aRecord)
{
    const std::size_t row = aRecord->Row();
    if (row < Count()) {
        if (!FList[row]) SetItem(row, std::move(aRecord));
        return row;
    }
    while (Count() < row) TBaseRecordList::Add(nullptr);
    return TBaseRecordList::Add(std::move(aRecord));
}

void TRowRecordList::AddRow(std::uint16_t aIndex)
{
    if (!HasRow(aIndex)) AddRecord(TRowRecord::CreateStandard(aIndex));
}

std::uint16_t TRowRecordList::RowHeight(std::int64_t aRow) const
{
    return HasRow(aRow) ? Items(static_cast<std::size_t>(aRow)).Height() : 0;
}

void TRowRecordList::SetRowHeight(std::uint16_t aRow, std::uint16_t aHeight)
{
    AddRow(aRow);
    TRowRecord& row = Items(aRow);
    row.SetHeight(aHeight);
    row.SetAutoHeight(false);
}

void TRowRecordList::AutoRowHeight(std::int64_t aRow, bool aValue)
{
    if (HasRow(aRow)) Items(static_cast<std::size_t>(aRow)).SetAutoHeight(aValue);
}

bool TRowRecordList::IsAutoRowHeight(std::int64_t aRow) const
{
    return !HasRow(aRow) || Items(static_cast<std::size_t>(aRow)).IsAutoHeight();
}

void TRowRecordList::CalcGuts(TGutsRecord& Guts) const
{
    std::uint8_t level = 0;
    for (std::size_t i = 0; i < Count(); ++i)
        if (HasRow(std::int64_t(i))) level = std::max(level, Items(i).OutlineLevel());
    Guts.SetRowLevel(level);
}

void TRowRecordList::DeleteRows(std::int32_t aRow, std::int32_t aRowCount, const TSheetInfo& SheetInfo)
{
    if (aRow < 0 || aRowCount < 0) RaiseXls(TXlsMsg::InvalidInsertArguments);
    const std::size_t first = static_cast<std::size_t>(aRow);
    if (first < Count()) DeleteRange(first, std::min(Count(), first + std::size_t(aRowCount)) - first);
    for (std::size_t i = first; i < Count(); ++i)
        if (HasRow(std::int64_t(i))) Items(i).ArrangeInsertRowsAndCols(aRow, -aRowCount, 0, 0, SheetInfo);
}

void TRowRecordList::InsertAndCopyRows(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t DestRow,
                                       std::int32_t aCount, const TSheetInfo& SheetInfo)
{
    if (LastRow < FirstRow) return;
    const std::int64_t n = std::int64_t(LastRow) - FirstRow + 1;
    // Every inserted slot is a row of the sheet: refuse what cannot fit.
    if (FirstRow < 0 || DestRow < 0 || aCount < 0 || DestRow + n * aCount > MaxRow + 1)
        RaiseXls(TXlsMsg::InvalidInsertArguments);

    for (std::size_t i = static_cast<std::size_t>(DestRow); i < Count(); ++i)
        if (HasRow(std::int64_t(i)))
            Items(i).ArrangeInsertRowsAndCols(DestRow, static_cast<std::int32_t>(n * aCount), 0, 0, SheetInfo);

    std::size_t dest = static_cast<std::size_t>(DestRow);
    std::size_t inserted = 0;
    for (std::int32_t k = 0; k < aCount; ++k) {
        for (std::int32_t s = FirstRow; s <= LastRow; ++s) {
            const std::size_t src = static_cast<std::size_t>(s) + (FirstRow >= DestRow ? inserted : 0);
            std::unique_ptr<TRowRecord> copy;
            if (HasRow(std::int64_t(src))) {
                copy = CopyRecord(&Items(src));
                copy->SetRow(static_cast<std::uint16_t>(dest));
            }
            while (Count() < dest) TBaseRecordList::Add(nullptr);
            Insert(dest, std::move(copy));
            ++dest;
            ++inserted;
        }
    }
}

std::int64_t TRowRecordList::TotalRangeSize(const TXlsCellRange& CellRange, bool NeedsRecalc)
{
    // Rows without a ROW record are not written, so they count nothing.
    std::int64_t size = 0;
    const std::int64_t last = std::min<std::int64_t>(CellRange.Bottom, std::int64_t(Count()) - 1);
    for (std::int64_t r = std::max<std::int64_t>(CellRange.Top, 0); r <= last; ++r)
        if (HasRow(r)) size += Items(static_cast<std::size_t>(r)).FixTotalSize(NeedsRecalc);
    return size;
}

// ------------------------------------------------------------ the typed lists

void TBoundSheetRecordList::CheckItem(const TBaseRecord* aItem) const
{
    RequireKind<TBoundSheetRecord>(aItem);
}

void TBoundSheetRecordList::SetSheetName(std::size_t aIndex, std::u16string_view aValue)
{
    TBoundSheetRecord* rec = Items(aIndex);
    const std::int64_t before = rec->TotalSize();
    rec->SetSheetName(aValue);
    AdaptSize(rec->TotalSize() - before);
}

}  // namespace xls
