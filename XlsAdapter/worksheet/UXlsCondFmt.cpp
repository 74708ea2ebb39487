#include "worksheet/UXlsCondFmt.h"

#include "globals/UXlsTokenArray.h"
#include "worksheet/UXlsRecordFactory.h"

namespace xls {

TCondFmtRecord::TCondFmtRecord(std::uint16_t aId, TByteView aData) : TRecordClass(aId, aData)
{
    if (DataSize() < RangesOfs) RaiseXls(TXlsMsg::RecordInvalid, {std::int64_t(Id())});
}

TCFRecord::TCFRecord(std::uint16_t aId, TByteView aData) : TRecordClass(aId, aData)
{
    if (DataSize() < 6) RaiseXls(TXlsMsg::RecordInvalid, {std::int64_t(Id())});
}

void TCFRecord::ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                         std::int32_t aColCount, const TSheetInfo& SheetInfo)
{
    const std::size_t formulas = std::size_t(Cce1()) + Cce2();
    if (formulas + 6 > DataSize()) RaiseXls(TXlsMsg::RecordInvalid, {std::int64_t(Id())});
    const std::size_t first = DataSize() - formulas;
    const std::size_t second = DataSize() - Cce2();
    TTokenMove move;
    move.aRowPos = aRowPos;
    move.aRowCount = aRowCount;
    move.aColPos = aColPos;
    move.aColCount = aColCount;
    try {
        ArrangeTokensInsertRowsAndCols(Data(), first, second, move, SheetInfo);
        ArrangeTokensInsertRowsAndCols(Data(), second, DataSize(), move, SheetInfo);
    } catch (const ETokenException& e) {
        RaiseXls(TXlsMsg::CondFmtTokenError, {std::int64_t(e.Token)});
    }
}

void TCFRecordList::CheckItem(const TBaseRecord* aItem) const
{
    if (!dynamic_cast<const TCFRecord*>(aItem)) RaiseXls(TXlsMsg::LogicalError);
}

void TCFRecordList::ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                             std::int32_t aColCount, const TSheetInfo& SheetInfo)
{
    for (std::size_t i = 0; i < Count(); ++i)
        Items(i)->ArrangeInsertRowsAndCols(aRowPos, aRowCount, aColPos, aColCount, SheetInfo);
}

void TCondFmt::LoadFromStream(TOle2File& DataStream, TRecordHeader& RecordHeader, std::unique_ptr<TBaseRecord> First)
{
    FRangeValuesList.Clear();
    FCFs.Clear();
    const auto* header = dynamic_cast<const TCondFmtRecord*>(First.get());
    if (!header) RaiseXls(TXlsMsg::InvalidCondFmtRecord);
    const std::uint16_t cfCount = header->CFCount();
    FFlag = header->Flag();
    FAllRange = header->AllRange();
    FRangeValuesList.Load(*First, TCondFmtRecord::RangesOfs);
    First.reset();
    for (std::uint16_t i = 0; i < cfCount; ++i) {
        AtNextRecord(DataStream, RecordHeader, [&] {
            // Checked before reading, so that the record after the format stays in the stream.
            if (RecordHeader.Id != xlr_CF) RaiseXls(TXlsMsg::InvalidCondFmtRecord);
            std::unique_ptr<TBaseRecord> rec = ReadRecord(DataStream, RecordHeader);
            if (!dynamic_cast<TCFRecord*>(rec.get())) RaiseXls(TXlsMsg::InvalidCondFmtRecord);
            FCFs.Add(std::move(rec));
        });
    }
}

void TCondFmt::SaveToStream(TOle2File& DataStream)
{
    const std::size_t count = FRangeValuesList.Count();
    if (count == 0) return;
    for (std::size_t line = 0; line < FRangeValuesList.RepeatCountR(count); ++line) {
        TBytes d;
        d.reserve(FRangeValuesList.RecordSizeR(line, count));
        AppendWord(d, static_cast<std::uint16_t>(FCFs.Count()));
        AppendWord(d, FFlag);
        AppendWord(d, FAllRange.R1);
        AppendWord(d, FAllRange.R2);
        AppendWord(d, FAllRange.C1);
        AppendWord(d, FAllRange.C2);
        FRangeValuesList.AppendRecordRanges(d, line);
        TBaseRecord(xlr_CONDFMT, std::move(d)).SaveToStream(DataStream);
        FCFs.SaveToStream(DataStream);
    }
}

std::int64_t TCondFmt::TotalSize() const
{
    const std::size_t count = FRangeValuesList.Count();
    if (count == 0) return 0;
    return FRangeValuesList.TotalSizeR(count) + std::int64_t(FRangeValuesList.RepeatCountR(count)) * FCFs.TotalSize();
}

void TCondFmt::ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                        std::int32_t aColCount, const TSheetInfo& SheetInfo)
{
    if (!SheetInfo.MovesOwnCells()) return;
    if (FAllRange.R2 >= aRowPos || FAllRange.C2 >= aColPos)
        FRangeValuesList.ArrangeInsertRowsAndCols(aRowPos, aRowCount, aColPos, aColCount);
    ShiftRange(FAllRange, aRowPos, aRowCount, aColPos, aColCount);
    FCFs.ArrangeInsertRowsAndCols(aRowPos, aRowCount, aColPos, aColCount, SheetInfo);
}

void TCondFmt::InsertAndCopyRowsOrCols(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t DestRow,
                                       std::int32_t aCount, const TSheetInfo& SheetInfo, bool UseCols)
{
    if (!SheetInfo.MovesOwnCells() || aCount <= 0 || LastRow < FirstRow) return;
    const std::uint16_t allFirst = UseCols ? FAllRange.C1 : FAllRange.R1;
    const std::uint16_t allLast = UseCols ? FAllRange.C2 : FAllRange.R2;
    const bool touched = allFirst <= LastRow && allLast >= FirstRow;
    const std::int32_t inserted = aCount * (LastRow - FirstRow + 1);
    if (UseCols)
        ArrangeInsertRowsAndCols(0, 0, DestRow, inserted, SheetInfo);
    else
        ArrangeInsertRowsAndCols(DestRow, inserted, 0, 0, SheetInfo);
    TExcelRange added;
    if (!touched || !FRangeValuesList.CopyRowsExclusive(FirstRow, LastRow, DestRow, aCount, UseCols, added)) return;
    FAllRange = BoundsOf(FAllRange, added);
}

void TCondFmt::DeleteRowsOrCols(std::int32_t aRow, std::int32_t aCount, const TSheetInfo& SheetInfo, bool UseCols)
{
    if (!SheetInfo.MovesOwnCells()) return;
    // The ranges lose what lay in the deleted rows and move; the bounds and
    // the rules' references move with them.
    FRangeValuesList.DeleteRows(aRow, aCount, true, UseCols);
    if (UseCols) {
        ShiftRange(FAllRange, 0, 0, aRow, -aCount);
        FCFs.ArrangeInsertRowsAndCols(0, 0, aRow, -aCount, SheetInfo);
    } else {
        ShiftRange(FAllRange, aRow, -aCount, 0, 0);
        FCFs.ArrangeInsertRowsAndCols(aRow, -aCount, 0, 0, SheetInfo);
    }
}

std::unique_ptr<TRangeEntry> TCondFmt::DoCopyTo() const
{
    auto copy = std::make_unique<TCondFmt>();
    copy->FRangeValuesList.CopyFrom(FRangeValuesList);
    copy->FFlag = FFlag;
    copy->FAllRange = FAllRange;
    copy->FCFs.CopyFrom(FCFs);
    return copy;
}

}  // namespace xls
