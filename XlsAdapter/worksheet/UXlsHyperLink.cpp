#include "worksheet/UXlsHyperLink.h"

#include <algorithm>

namespace xls {

THLinkRecord::THLinkRecord(std::uint16_t aId, TBytes aData) : TRecordClass(aId, std::move(aData))
{
    if (DataSize() < 8) RaiseXls(TXlsMsg::RecordInvalid, {std::int64_t(Id())});
}

THLinkRecord::THLinkRecord(const THLinkRecord& other) : TRecordClass(other), FHint(CopyRecord(other.Hint())) {}

TXlsCellRange THLinkRecord::GetCellRange() const
{
    TByteView d = Data();
    return {GetWord(d, 4), GetWord(d, 0), GetWord(d, 6), GetWord(d, 2)};
}

void THLinkRecord::SetCellRange(const TXlsCellRange& CellRange)
{
    for (std::int64_t row : {CellRange.Top, CellRange.Bottom})
        if (row < 0 || row > MaxRow) RaiseXls(TXlsMsg::TooManyEntries, {row, MaxRow});
    for (std::int64_t col : {CellRange.Left, CellRange.Right})
        if (col < 0 || col > MaxColumn) RaiseXls(TXlsMsg::TooManyEntries, {col, MaxColumn});
    TByteSpan d = Data();
    SetWord(d, 0, static_cast<std::uint16_t>(CellRange.Top));
    SetWord(d, 2, static_cast<std::uint16_t>(CellRange.Bottom));
    SetWord(d, 4, static_cast<std::uint16_t>(CellRange.Left));
    SetWord(d, 6, static_cast<std::uint16_t>(CellRange.Right));
}

void THLinkRecord::Offset(std::int32_t DeltaRow, std::int32_t DeltaCol)
{
    TXlsCellRange r = GetCellRange();
    r.Top += DeltaRow;
    r.Bottom += DeltaRow;
    r.Left += DeltaCol;
    r.Right += DeltaCol;
    SetCellRange(r);
}

void THLinkRecord::ArrangeInsertRange(const TXlsCellRange& CellRange, std::int32_t aRowCount, std::int32_t aColCount,
                                      const TSheetInfo& SheetInfo)
{
    if (!SheetInfo.MovesOwnCells()) return;
    TXlsCellRange r = GetCellRange();
    const std::int32_t rows = aRowCount * (CellRange.Bottom - CellRange.Top + 1);
    const std::int32_t cols = aColCount * (CellRange.Right - CellRange.Left + 1);
    if (aRowCount != 0 && r.Left >= CellRange.Left && r.Right <= CellRange.Right) {
        if (r.Top >= CellRange.Top) r.Top += rows;
        if (r.Bottom >= CellRange.Top) r.Bottom += rows;
    }
    if (aColCount != 0 && r.Top >= CellRange.Top && r.Bottom <= CellRange.Bottom) {
        if (r.Left >= CellRange.Left) r.Left += cols;
        if (r.Right >= CellRange.Left) r.Right += cols;
    }
    SetCellRange(r);
}

void THLinkRecord::SyncHintRange()
{
    if (FHint && FHint->DataSize() >= 10) std::copy_n(Data().begin(), 8, FHint->Data().begin() + 2);
}

void THLinkRecord::SaveToStream(TOle2File& Workbook)
{
    TRecordClass::SaveToStream(Workbook);
    if (FHint) FHint->SaveToStream(Workbook);
}

std::int64_t THLinkRecord::TotalSize() const
{
    return TRecordClass::TotalSize() + (FHint ? FHint->TotalSize() : 0);
}

std::int64_t THLinkRecord::TotalSizeNoHeaders() const
{
    return TRecordClass::TotalSizeNoHeaders() + (FHint ? FHint->TotalSizeNoHeaders() : 0);
}

// ----------------------------------------------------------------- THLinkList

void THLinkList::CheckItem(const TBaseRecord* aItem) const
{
    if (!dynamic_cast<const THLinkRecord*>(aItem)) RaiseXls(TXlsMsg::LogicalError);
}

void THLinkList::Sort()
{
    std::stable_sort(FList.begin(), FList.end(), [](const auto& a, const auto& b) {
        const TXlsCellRange ra = static_cast<const THLinkRecord&>(*a).GetCellRange();
        const TXlsCellRange rb = static_cast<const THLinkRecord&>(*b).GetCellRange();
        return ra.Top != rb.Top ? ra.Top < rb.Top : ra.Left < rb.Left;
    });
}

std::int64_t THLinkList::GetTotalSize() const
{
    std::int64_t size = 0;
    for (const auto& link : FList) size += link->TotalSize();
    return size;
}

void THLinkList::SaveToStream(TOle2File& DataStream)
{
    Sort();
    for (std::size_t i = 0; i < Count(); ++i) Items(i)->SyncHintRange();
    TBaseRecordList::SaveToStream(DataStream);
}

namespace {

bool Inside(const TXlsCellRange& aInner, const TXlsCellRange& aOuter)
{
    return aInner.Top >= aOuter.Top && aInner.Bottom <= aOuter.Bottom && aInner.Left >= aOuter.Left &&
           aInner.Right <= aOuter.Right;
}

}  // namespace

void THLinkList::InsertAndCopyRange(const TXlsCellRange& SourceRange, std::int32_t DestRow, std::int32_t DestCol,
                                    std::int32_t aRowCount, std::int32_t aColCount, const TSheetInfo& SheetInfo)
{
    if (!SheetInfo.MovesOwnCells() || (aRowCount <= 0 && aColCount <= 0)) return;
    const std::int32_t height = SourceRange.Bottom - SourceRange.Top + 1;
    const std::int32_t width = SourceRange.Right - SourceRange.Left + 1;
    TXlsCellRange insertion = SourceRange;
    TXlsCellRange source = SourceRange;
    if (aRowCount > 0) {
        insertion.Top = DestRow;
        insertion.Bottom = DestRow + height - 1;
        if (source.Top >= DestRow) source.Top += aRowCount * height, source.Bottom += aRowCount * height;
    } else {
        insertion.Left = DestCol;
        insertion.Right = DestCol + width - 1;
        if (source.Left >= DestCol) source.Left += aColCount * width, source.Right += aColCount * width;
    }
    for (std::size_t i = 0; i < Count(); ++i) Items(i)->ArrangeInsertRange(insertion, aRowCount, aColCount, SheetInfo);

    const std::size_t existing = Count();
    for (std::size_t i = 0; i < existing; ++i) {
        if (!Inside(Items(i)->GetCellRange(), source)) continue;
        for (std::int32_t k = 0; k < std::max(aRowCount, aColCount); ++k) {
            auto copy = CopyRecord(Items(i));
            if (aRowCount > 0)
                copy->Offset(DestRow + k * height - source.Top, 0);
            else
                copy->Offset(0, DestCol + k * width - source.Left);
            Add(std::move(copy));
        }
    }
}

namespace {

// A bound before the deleted block stays, one behind it moves back by the
// block's size, one inside it goes to the block's start (first bound) or just
// before it (last bound).
std::int32_t FirstAfterDelete(std::int32_t aValue, std::int32_t aStart, std::int32_t aEnd)
{
    if (aValue < aStart) return aValue;
    return aValue > aEnd ? aValue - (aEnd - aStart + 1) : aStart;
}

std::int32_t LastAfterDelete(std::int32_t aValue, std::int32_t aStart, std::int32_t aEnd)
{
    if (aValue < aStart) return aValue;
    return aValue > aEnd ? aValue - (aEnd - aStart + 1) : aStart - 1;
}

}  // namespace

void THLinkList::DeleteRange(const TXlsCellRange& CellRange, std::int32_t aRowCount, std::int32_t aColCount,
                             const TSheetInfo& SheetInfo)
{
    if (!SheetInfo.MovesOwnCells() || (aRowCount <= 0 && aColCount <= 0)) return;
    for (std::size_t i = Count(); i-- > 0;) {
        THLinkRecord* link = Items(i);
        TXlsCellRange r = link->GetCellRange();
        if (Inside(r, CellRange)) {
            Delete(i);
            continue;
        }
        if (aRowCount > 0 && r.Left >= CellRange.Left && r.Right <= CellRange.Right) {
            r.Top = FirstAfterDelete(r.Top, CellRange.Top, CellRange.Bottom);
            r.Bottom = LastAfterDelete(r.Bottom, CellRange.Top, CellRange.Bottom);
        }
        if (aColCount > 0 && r.Top >= CellRange.Top && r.Bottom <= CellRange.Bottom) {
            r.Left = FirstAfterDelete(r.Left, CellRange.Left, CellRange.Right);
            r.Right = LastAfterDelete(r.Right, CellRange.Left, CellRange.Right);
        }
        if (r.Bottom < r.Top || r.Right < r.Left)
            Delete(i);
        else
            link->SetCellRange(r);
    }
}

void THLinkRecord::AttachFollower(std::unique_ptr<TBaseRecord> aFollower)
{
    AddHint(TakeRecordAs<TScreenTipRecord>(std::move(aFollower)));
}

}  // namespace xls
