#include "worksheet/UXlsColInfo.h"

#include <algorithm>

namespace xls {

// ------------------------------------------------------------- TColInfoRecord

TColInfoRecord::TColInfoRecord(std::uint16_t aId, TByteView aData) : TRecordClass(aId, aData)
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

// ------------------------------------------------------------------- TColInfo

bool TColInfo::IsEqual(const TColInfo& aColInfo) const
{
    return Width == aColInfo.Width && XF == aColInfo.XF && Options == aColInfo.Options;
}

void TColInfo::SetHidden(bool aValue)
{
    Options = static_cast<std::uint16_t>(aValue ? Options | OptHidden : Options & ~OptHidden);
}

void TColInfo::SetColOutlineLevel(std::int32_t Level)
{
    Options = static_cast<std::uint16_t>((Options & ~OptOutlineMask) | ((Level & 0x7) << 8));
}

// --------------------------------------------------------------- TColInfoList

void TColInfoList::CheckItem(const TColInfo* aItem) const
{
    if (!aItem) RaiseXls(TXlsMsg::LogicalError);
}

std::size_t TColInfoList::Add(std::unique_ptr<TColInfo> aItem)
{
    FSorted = false;
    return TBaseList::Add(std::move(aItem));
}

void TColInfoList::AddRecord(std::unique_ptr<TColInfoRecord> R)
{
    const std::int64_t last = std::min<std::int64_t>(R->LastColumn(), LastKeptColumn);
    for (std::int64_t c = R->FirstColumn(); c <= last; ++c)
        Add(std::make_unique<TColInfo>(static_cast<std::uint16_t>(c), R->Width(), R->XF(), R->Options()));
}

void TColInfoList::Sort()
{
    std::stable_sort(FList.begin(), FList.end(), [](const auto& a, const auto& b) { return a->Column < b->Column; });
    FSorted = true;
}

bool TColInfoList::Find(std::int64_t aColumn, std::size_t& Index)
{
    if (!FSorted) Sort();
    const auto it = std::lower_bound(FList.begin(), FList.end(), aColumn,
                                     [](const auto& item, std::int64_t col) { return item->Column < col; });
    Index = static_cast<std::size_t>(it - FList.begin());
    return it != FList.end() && (*it)->Column == aColumn;
}

TColInfo* TColInfoList::Column(std::int64_t aColumn)
{
    std::size_t index = 0;
    return Find(aColumn, index) ? Items(index) : nullptr;
}

TColInfo& TColInfoList::EnsureColumn(std::uint16_t aColumn, std::uint16_t aWidth)
{
    std::size_t index = 0;
    if (!Find(aColumn, index)) Insert(index, std::make_unique<TColInfo>(aColumn, aWidth, TColInfo::DefaultXF, 0));
    return *Items(index);
}

std::int32_t TColInfoList::ColumnXF(std::int64_t aColumn)
{
    const TColInfo* info = Column(aColumn);
    return info ? info->XF : -1;
}

void TColInfoList::CopyFrom(const TColInfoList& aList)
{
    for (const auto& item : aList.FList) Add(std::make_unique<TColInfo>(*item));
}

std::vector<TColInfoRun> TColInfoList::Runs()
{
    Sort();
    std::vector<TColInfoRun> runs;
    for (std::size_t first = 0; first < Count();) {
        const TColInfo& run = *Items(first);
        if (run.Column > MaxColumn) break;
        std::size_t last = first;
        while (last + 1 < Count() && Items(last + 1)->Column == Items(last)->Column + 1 &&
               Items(last + 1)->IsEqual(run))
            ++last;
        const auto lastColumn = static_cast<std::uint16_t>(std::min<std::int64_t>(Items(last)->Column, LastKeptColumn));
        runs.push_back({run.Column, lastColumn, &run});
        first = last + 1;
    }
    return runs;
}

void TColInfoList::SaveToStream(TOle2File& DataStream)
{
    for (const TColInfoRun& run : Runs()) {
        const TColInfo& f = *run.Format;
        TColInfoRecord::CreateNew(run.FirstColumn, run.LastColumn, f.Width, f.XF, f.Options)->SaveToStream(DataStream);
    }
}

std::int64_t TColInfoList::TotalSize()
{
    return 16 * std::int64_t(Runs().size());
}

void TColInfoList::ArrangeInsertCols(std::int32_t DestCol, std::int32_t aColCount, const TSheetInfo& SheetInfo)
{
    if (!SheetInfo.MovesOwnCells() || aColCount <= 0) return;
    for (std::size_t i = Count(); i-- > 0;) {
        TColInfo& info = *Items(i);
        if (info.Column < DestCol) continue;
        const std::int64_t moved = std::int64_t(info.Column) + aColCount;
        if (moved > LastKeptColumn)
            Delete(i);
        else
            info.Column = static_cast<std::uint16_t>(moved);
    }
}

void TColInfoList::CopyCols(std::int32_t FirstCol, std::int32_t LastCol, std::int32_t DestCol, std::int32_t aColCount,
                            const TSheetInfo& SheetInfo)
{
    if (!SheetInfo.MovesOwnCells() || LastCol < FirstCol || FirstCol < 0 || DestCol < 0) return;
    const std::int64_t width = std::int64_t(LastCol) - FirstCol + 1;
    const std::int64_t moved = FirstCol >= DestCol ? width * aColCount : 0;
    for (std::int64_t k = 0; k < aColCount; ++k) {
        for (std::int64_t c = FirstCol; c <= LastCol; ++c) {
            const std::int64_t target = DestCol + (c - FirstCol) + k * width;
            const TColInfo* source = Column(c + moved);
            if (!source || target > LastKeptColumn || target == source->Column) continue;
            const TColInfo copy(static_cast<std::uint16_t>(target), source->Width, source->XF, source->Options);
            std::size_t index = 0;
            if (Find(target, index))
                SetItem(index, std::make_unique<TColInfo>(copy));
            else
                Insert(index, std::make_unique<TColInfo>(copy));
        }
    }
}

void TColInfoList::CalcGuts(TGutsRecord& Guts) const
{
    std::int32_t level = 0;
    for (const auto& item : FList) level = std::max(level, item->GetColOutlineLevel());
    Guts.SetColLevel(level);
}

}  // namespace xls
