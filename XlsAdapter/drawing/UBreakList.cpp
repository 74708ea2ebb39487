#include "drawing/UBreakList.h"

#include <algorithm>

#include "records/UXlsBaseRecords.h"

namespace xls {

void TBreakList::Add(std::uint16_t aId, std::int64_t aPreviousSize)
{
    const std::int64_t total = FEntries.empty() ? aPreviousSize : FEntries.back().Total + aPreviousSize;
    FEntries.push_back({aId, aPreviousSize, total});
}

std::int64_t TBreakList::DuePosition() const
{
    return FZeroPos + FEntries[FCurrentPos].Total + 4 * std::int64_t(FCurrentPos);
}

void TBreakList::Write(TOle2File& DataStream, TByteView aData)
{
    while (!aData.empty()) {
        std::size_t count = aData.size();
        if (HasDueHeader()) {
            const std::int64_t pos = StreamPosition(DataStream);
            const std::int64_t due = DuePosition();
            if (pos > due) RaiseXls(TXlsMsg::LogicalError);
            if (pos == due) {
                // The header of cut i carries the size of the piece after it.
                std::uint8_t header[4];
                SetWord(header, 0, FEntries[FCurrentPos].Id);
                SetWord(header, 2, static_cast<std::uint16_t>(FEntries[FCurrentPos + 1].PreviousSize));
                StreamWrite(DataStream, header);
                ++FCurrentPos;
                continue;
            }
            count = static_cast<std::size_t>(std::min<std::int64_t>(std::int64_t(count), due - pos));
        }
        StreamWrite(DataStream, aData.first(count));
        aData = aData.subspan(count);
    }
}

// ----------------------------------------------------------------- TSplitState

void TSplitState::BeginRecord()
{
    if (NextDwg <= 0) return;
    if (Breaks) Breaks->Add(static_cast<std::uint16_t>(NextDwg), NextPos);
    RealSize += 4;
    NextPos = 0;
    NextDwg = -1;
}

void TSplitState::Account(std::int64_t aCount)
{
    if (NextPos > MaxDrawingPieceSize) RaiseXls(TXlsMsg::LogicalError);
    NextPos += aCount;
    RealSize += aCount;
    while (NextPos > MaxDrawingPieceSize) {
        NextPos -= MaxDrawingPieceSize;
        RealSize += 4;
        if (Breaks) Breaks->Add(xlr_CONTINUE, MaxDrawingPieceSize);
    }
}

void TSplitState::AddClientRecords(std::int64_t aSize, std::uint16_t aNextRecord)
{
    RealSize += aSize;
    NextDwg = aNextRecord;
}

void TSplitState::Finish()
{
    if (Breaks) Breaks->Add(0, NextPos);
}

}  // namespace xls
