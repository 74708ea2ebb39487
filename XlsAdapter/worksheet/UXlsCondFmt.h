// Conditional formats: a CONDFMT record (the ranges the format applies to)
// with the CF records (one rule each) that follow it. The ranges are held as
// a range list; the CF records keep their bytes.
#pragma once

#include "worksheet/UXlsRangeRecords.h"

namespace xls {

// CONDFMT: the count of CF records behind it (word 0), a flag (word 2), the
// bounding range (rows at 4 and 6, columns at 8 and 10), then the range list
// from RangesOfs.
class TCondFmtRecord final : public TRecordClass<TCondFmtRecord> {
public:
    static constexpr std::size_t RangesOfs = 12;
    // Refuses data too short for its header fields.
    TCondFmtRecord(std::uint16_t aId, TByteView aData);

    std::uint16_t CFCount() const { return GetWord(Data(), 0); }
    std::uint16_t Flag() const { return GetWord(Data(), 2); }
    TExcelRange AllRange() const { return {GetWord(Data(), 4), GetWord(Data(), 6), GetWord(Data(), 8), GetWord(Data(), 10)}; }
};

// CF: one rule: type (byte 0), operator (byte 1), the lengths of its two
// formulas Cce1 (2) and Cce2 (4), the formatting, then the formulas: the
// data's last Cce1 + Cce2 bytes, the second one last.
class TCFRecord final : public TRecordClass<TCFRecord> {
public:
    // Refuses data too short for its header fields.
    TCFRecord(std::uint16_t aId, TByteView aData);

    std::uint8_t CfType() const { return GetByte(Data(), 0); }
    std::uint8_t Op() const { return GetByte(Data(), 1); }
    std::uint16_t Cce1() const { return GetWord(Data(), 2); }
    std::uint16_t Cce2() const { return GetWord(Data(), 4); }

    // The references of both formulas follow the rows and columns; a formula
    // that cannot follow fails with "Bad Conditional format. Token Id: 0x%2x".
    void ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                  std::int32_t aColCount, const TSheetInfo& SheetInfo);
};

class TCFRecordList final : public TBaseRecordList {
public:
    TCFRecord* Items(std::size_t aIndex) const { return static_cast<TCFRecord*>(GetItem(aIndex)); }
    void ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                  std::int32_t aColCount, const TSheetInfo& SheetInfo);

protected:
    void CheckItem(const TBaseRecord* aItem) const override;
};

// One conditional format: its ranges, the bounding range and its rules.
// Moving rows or columns moves the ranges, the bounding range and the
// references inside the rules' formulas; copying rows or columns extends the
// format over the copies.
class TCondFmt final : public TRangeEntry {
public:
    TCondFmt() : TRangeEntry(12) {}

    // Reads the CONDFMT record First and exactly as many CF records as it
    // announces; anything else fails with "Invalid conditional format record".
    void LoadFromStream(TOle2File& DataStream, TRecordHeader& RecordHeader,
                        std::unique_ptr<TBaseRecord> First) override;
    // Nothing without ranges (the rules go with them); else one CONDFMT per
    // 513 ranges, each followed by all rules.
    void SaveToStream(TOle2File& DataStream) override;
    std::int64_t TotalSize() const override;
    void ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                  std::int32_t aColCount, const TSheetInfo& SheetInfo) override;
    void InsertAndCopyRowsOrCols(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t DestRow, std::int32_t aCount,
                                 const TSheetInfo& SheetInfo, bool UseCols) override;
    void DeleteRowsOrCols(std::int32_t aRow, std::int32_t aCount, const TSheetInfo& SheetInfo, bool UseCols) override;

    std::uint16_t Flag() const { return FFlag; }
    const TExcelRange& AllRange() const { return FAllRange; }
    const TCFRecordList& CFs() const { return FCFs; }

protected:
    std::unique_ptr<TRangeEntry> DoCopyTo() const override;

private:
    std::uint16_t FFlag = 0;
    TExcelRange FAllRange;
    TCFRecordList FCFs;
};

}  // namespace xls
