#include "worksheet/UXlsPageBreaks.h"

#include <algorithm>

#include "records/UXlsBaseList.h"

namespace xls {

const TPageBreak& TPageBreakList::Items(std::size_t aIndex) const
{
    if (aIndex >= FList.size()) RaiseListIndex(aIndex);
    return FList[aIndex];
}

void TPageBreakList::Sort()
{
    std::stable_sort(FList.begin(), FList.end(), [](const auto& a, const auto& b) { return a.Pos < b.Pos; });
    FSorted = true;
}

bool TPageBreakList::Find(std::int32_t aPos, std::size_t& aIndex)
{
    if (!FSorted) Sort();
    auto it = std::lower_bound(FList.begin(), FList.end(), aPos,
                               [](const TPageBreak& b, std::int32_t pos) { return b.Pos < pos; });
    aIndex = static_cast<std::size_t>(it - FList.begin());
    return it != FList.end() && it->Pos == aPos;
}

void TPageBreakList::InsertAt(std::size_t aIndex, const TPageBreak& aBreak)
{
    if (FList.size() >= MaxBreaks) RaiseXls(TXlsMsg::TooManyPageBreaks);
    FList.insert(FList.begin() + static_cast<std::ptrdiff_t>(aIndex), aBreak);
}

void TPageBreakList::AddRecord(std::unique_ptr<TBaseRecord> aRecord)
{
    const TBaseRecord* rec = aRecord.get();
    std::size_t pos = 0;
    std::uint8_t word[2];
    ReadAcross(rec, pos, 2, word);
    const std::uint16_t count = GetWord(word, 0);
    for (std::uint16_t i = 0; i < count; ++i) {
        std::uint8_t entry[6];
        ReadAcross(rec, pos, 6, entry);
        const TPageBreak b{GetWord(entry, 0), GetWord(entry, 2), GetWord(entry, 4)};
        std::size_t index = 0;
        if (!Find(b.Pos, index)) InsertAt(index, b);
    }
}

void TPageBreakList::AddBreak(std::int32_t aPos)
{
    // Refused at the limit even when the position already has a break.
    if (FList.size() >= MaxBreaks) RaiseXls(TXlsMsg::TooManyPageBreaks);
    if (aPos < 0 || aPos > FMaxPos) RaiseXls(TXlsMsg::TooManyEntries, {std::int64_t(aPos), FMaxPos});
    std::size_t index = 0;
    if (!Find(aPos, index)) InsertAt(index, {static_cast<std::uint16_t>(aPos), 0, FNewLast});
}

void TPageBreakList::DeleteBreak(std::int32_t aPos)
{
    std::size_t index = 0;
    if (Find(aPos, index)) FList.erase(FList.begin() + static_cast<std::ptrdiff_t>(index));
}

bool TPageBreakList::HasPageBreak(std::int32_t aPos)
{
    std::size_t index = 0;
    return Find(aPos, index);
}

void TPageBreakList::ShiftBreaks(std::int32_t aDestPos, std::int32_t aCount)
{
    // Checked first so that a failing shift changes nothing.
    for (const auto& b : FList)
        if (b.Pos >= aDestPos) CheckedShift(b.Pos, aCount, FMaxPos);
    for (auto& b : FList)
        if (b.Pos >= aDestPos) b.Pos = static_cast<std::uint16_t>(b.Pos + aCount);
}

void TPageBreakList::DeleteBreaks(std::int32_t aDestPos, std::int32_t aCount)
{
    const std::int64_t end = std::int64_t(aDestPos) + aCount;
    std::erase_if(FList, [&](const TPageBreak& b) { return b.Pos >= aDestPos && b.Pos < end; });
    for (auto& b : FList)
        if (b.Pos >= end) b.Pos = static_cast<std::uint16_t>(b.Pos - aCount);
}

void TPageBreakList::CopyFrom(const TPageBreakList& aList)
{
    FList = aList.FList;
    FSorted = aList.FSorted;
}

void TPageBreakList::SaveToStream(TOle2File& DataStream)
{
    if (FList.empty()) return;
    if (!FSorted) Sort();
    TBytes d;
    AppendWord(d, static_cast<std::uint16_t>(FList.size()));
    for (const auto& b : FList) {
        AppendWord(d, b.Pos);
        AppendWord(d, b.First);
        AppendWord(d, b.Last);
    }
    TBaseRecord(FRecordId, std::move(d)).SaveToStream(DataStream);
}

}  // namespace xls
