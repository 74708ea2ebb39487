#include "worksheet/UXlsColInfo.h"

#include <algorithm>

namespace xls {

// ------------------------------------------------------------- TColInfoRecord

TColInfoRecord::TColInfoRecord(std::uint16_t aId, TBytes aData) : TRecordClass(aId, std::move(aData))
{
    if (DataSize() < 10) RaiseXls(TXlsMsg::RecordInvalid, {std::int64_t(Id())});
}

std::unique_ptr<TColInfoRecord> TColInfoRecord::CreateNew(std::uint16_t aFirstColumn, std::uint16_t aLastColumn,
                                                          std::uint16_t aWidth, std::uint16_t aXF,
                                                          std::uint16_t aOptions)
{
    TBytes d;
    for (std::uint16_t v : {aFirstColumn, aLastColumn, aWidth, aXF, aOptions, std::uint16_t(0)}) AppendWord(d, v);
    return std::make_unique<TColInfoRecord>(xlr_COLINFO, std::move(d));
}

// --------------------------------------------------------------- TColInfoList

void TColInfoList::CheckItem(const TBaseRecord* aItem) const
{
    if (!aItem || !dynamic_cast<const TColInfoRecord*>(aItem)) RaiseXls(TXlsMsg::LogicalError);
}

const TColInfoRecord* TColInfoList::FindColumn(std::int64_t aCol) const
{
    for (std::size_t i = 0; i < Count(); ++i)
        if (Items(i)->HasColumn(aCol)) return Items(i);
    return nullptr;
}

std::int32_t TColInfoList::ColumnXF(std::int64_t aCol) const
{
    const TColInfoRecord* rec = FindColumn(aCol);
    return rec ? rec->XF() : -1;
}

void TColInfoList::SplitAt(std::int64_t aCol)
{
    // Columns past the sheet are never a boundary: a record reaching beyond
    // column 255 keeps its end.
    if (aCol > MaxColumn) return;
    for (std::size_t i = 0; i < Count(); ++i) {
        TColInfoRecord* rec = Items(i);
        if (rec->FirstColumn() < aCol && aCol <= rec->LastColumn()) {
            auto right = CopyRecord(rec);
            right->SetFirstColumn(static_cast<std::uint16_t>(aCol));
            rec->SetLastColumn(static_cast<std::uint16_t>(aCol - 1));
            Insert(i + 1, std::move(right));
            return;
        }
    }
}

void TColInfoList::ArrangeInsertCols(std::int32_t DestCol, std::int32_t aColCount, const TSheetInfo& SheetInfo)
{
    if (!SheetInfo.MovesOwnCells() || aColCount <= 0 || DestCol < 0) return;
    SplitAt(DestCol);
    for (std::size_t i = Count(); i-- > 0;) {
        TColInfoRecord* rec = Items(i);
        if (rec->FirstColumn() < DestCol) continue;
        const std::int64_t first = std::int64_t(rec->FirstColumn()) + aColCount;
        if (first > MaxColumn) {
            Delete(i);
            continue;
        }
        rec->SetFirstColumn(static_cast<std::uint16_t>(first));
        rec->SetLastColumn(
            static_cast<std::uint16_t>(std::min<std::int64_t>(rec->LastColumn() + aColCount, MaxColumn)));
    }
}

void TColInfoList::DeleteCols(std::int32_t aCol, std::int32_t aColCount, const TSheetInfo& SheetInfo)
{
    if (!SheetInfo.MovesOwnCells() || aColCount <= 0 || aCol < 0) return;
    const std::int64_t end = std::int64_t(aCol) + aColCount;
    SplitAt(aCol);
    SplitAt(end);
    for (std::size_t i = Count(); i-- > 0;) {
        TColInfoRecord* rec = Items(i);
        if (rec->FirstColumn() < aCol) continue;
        if (rec->FirstColumn() < end) {
            Delete(i);
            continue;
        }
        rec->SetFirstColumn(static_cast<std::uint16_t>(rec->FirstColumn() - aColCount));
        rec->SetLastColumn(static_cast<std::uint16_t>(rec->LastColumn() - aColCount));
    }
}

void TColInfoList::SetColumn(std::uint16_t aCol, std::uint16_t aWidth, std::uint16_t aXF, std::uint16_t aOptions)
{
    SplitAt(aCol);
    SplitAt(std::int64_t(aCol) + 1);
    std::size_t pos = 0;
    while (pos < Count() && Items(pos)->FirstColumn() < aCol) ++pos;
    if (pos < Count() && Items(pos)->FirstColumn() == aCol) Delete(pos);
    Insert(pos, TColInfoRecord::CreateNew(aCol, aCol, aWidth, aXF, aOptions));
}

void TColInfoList::CopyCols(std::int32_t FirstCol, std::int32_t LastCol, std::int32_t DestCol, std::int32_t aColCount)
{
    if (LastCol < FirstCol || FirstCol < 0 || DestCol < 0) return;
    const std::int64_t width = std::int64_t(LastCol) - FirstCol + 1;
    const std::int64_t moved = FirstCol >= DestCol ? width * aColCount : 0;
    for (std::int64_t k = 0; k < aColCount; ++k) {
        for (std::int64_t c = FirstCol; c <= LastCol; ++c) {
            const std::int64_t target = DestCol + (c - FirstCol) + k * width;
            const TColInfoRecord* source = FindColumn(c + moved);
            if (!source || target > MaxColumn) continue;
            SetColumn(static_cast<std::uint16_t>(target), source->Width(), source->XF(), source->Options());
        }
    }
}

}  // namespace xls
