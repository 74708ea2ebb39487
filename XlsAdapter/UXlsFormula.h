// Formula records: FORMULA cells with the ARRAY or TABLE record attached to
// them, shared formulas (SHRFMLA) and defined names (NAME). The record layer
// keeps their bytes and the attached followers; token handling builds on
// these classes.
#pragma once

#include "UXlsCellRecords.h"

namespace xls {

// ARRAY (0x0221): the array formula of the FORMULA cell before it.
class TArrayRecord final : public TRecordClass<TArrayRecord> {
public:
    using TRecordClass::TRecordClass;
};

// TABLE (0x0236): the data table of the FORMULA cell before it.
class TTableRecord final : public TRecordClass<TTableRecord> {
public:
    using TRecordClass::TRecordClass;
};

// FORMULA (0x0006). Writes itself, then the ARRAY or TABLE record attached to it.
class TFormulaRecord final : public TRecordClass<TFormulaRecord, TCellRecord> {
public:
    using TRecordClass::TRecordClass;
    TFormulaRecord(const TFormulaRecord& other);

    const TArrayRecord* ArrayRecord() const { return FArrayRecord.get(); }
    const TTableRecord* TableRecord() const { return FTableRecord.get(); }
    // Setting a follower frees the one held before.
    void SetArrayRecord(std::unique_ptr<TArrayRecord> aRecord) { FArrayRecord = std::move(aRecord); }
    void SetTableRecord(std::unique_ptr<TTableRecord> aRecord) { FTableRecord = std::move(aRecord); }

    void SaveToStream(TOle2File& Workbook) override;
    std::int64_t TotalSize() const override;
    std::int64_t TotalSizeNoHeaders() const override;

private:
    std::unique_ptr<TTableRecord> FTableRecord;
    std::unique_ptr<TArrayRecord> FArrayRecord;
};

// SHRFMLA (0x04BC): first row, last row (16-bit), first column, last column
// (bytes), then the shared formula. Key identifies the formula cell read
// before it: (column shl 16) or row.
class TShrFmlaRecord final : public TRecordClass<TShrFmlaRecord> {
public:
    using TRecordClass::TRecordClass;
    std::uint32_t Key = 0;

    std::uint16_t FirstRow() const { return GetWord(Data(), 0); }
    std::uint16_t LastRow() const { return GetWord(Data(), 2); }
    std::uint8_t FirstCol() const { return GetByte(Data(), 4); }
    std::uint8_t LastCol() const { return GetByte(Data(), 5); }
};

// NAME (0x0018): a defined name.
class TNameRecord final : public TRecordClass<TNameRecord> {
public:
    using TRecordClass::TRecordClass;
};

}  // namespace xls
