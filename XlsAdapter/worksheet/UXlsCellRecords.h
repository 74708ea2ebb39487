// Value cells that are neither text nor formulas (BLANK, NUMBER, RK, BOOLERR)
// and the multiple-cell forms MULRK and MULBLANK, which exist only in the
// file: they are split into single cells on load and runs of RK or BLANK
// cells are joined back on save.
#pragma once

#include "base/UXlsVariant.h"
#include "records/UXlsBaseRecords.h"

namespace xls {

// BLANK, 6 data bytes: a formatted empty cell.
class TBlankRecord final : public TSizedRecordClass<TBlankRecord, 6, TCellRecord> {
public:
    using TSizedRecordClass::TSizedRecordClass;
    static std::unique_ptr<TBlankRecord> CreateFromData(std::uint16_t aRow, std::uint16_t aCol, std::uint16_t aXF);

    bool CanJoinNext(const TCellRecord* NextRecord, std::int32_t MaxCol) const override;
    void SaveFirstMul(TOle2File& Workbook, std::int64_t JoinedRecordSize) override;
    void SaveMidMul(TOle2File& Workbook) override;
    void SaveLastMul(TOle2File& Workbook) override;
    std::int64_t TotalSizeFirst() const override { return 10; }
    std::int64_t TotalSizeMid() const override { return 2; }
    std::int64_t TotalSizeLast() const override { return 4; }
};

// NUMBER, 14 data bytes: an IEEE double at offset 6.
class TNumberRecord final : public TSizedRecordClass<TNumberRecord, 14, TCellRecord> {
public:
    using TSizedRecordClass::TSizedRecordClass;
    static std::unique_ptr<TNumberRecord> CreateFromData(std::uint16_t aRow, std::uint16_t aCol, std::uint16_t aXF);
    TXlsVariant GetValue() const override { return GetDouble(Data(), 6); }
    void SetValue(const TXlsVariant& Value) override;
};

// The RK number code: true with the code when x can be stored as RK.
bool EncodeRK(double x, std::uint32_t& aRK);
bool IsRKValue(double x);
double DecodeRK(std::uint32_t aRK);

// RK, 10 data bytes: a 32-bit RK code at offset 6.
class TRKRecord final : public TSizedRecordClass<TRKRecord, 10, TCellRecord> {
public:
    using TSizedRecordClass::TSizedRecordClass;
    static std::unique_ptr<TRKRecord> CreateFromData(std::uint16_t aRow, std::uint16_t aCol, std::uint16_t aXF);
    TXlsVariant GetValue() const override { return DecodeRK(GetCardinal(Data(), 6)); }
    // Fails with "Invalid cell value" when the number has no RK form.
    void SetValue(const TXlsVariant& Value) override;

    bool CanJoinNext(const TCellRecord* NextRecord, std::int32_t MaxCol) const override;
    void SaveFirstMul(TOle2File& Workbook, std::int64_t JoinedRecordSize) override;
    void SaveMidMul(TOle2File& Workbook) override;
    void SaveLastMul(TOle2File& Workbook) override;
    std::int64_t TotalSizeFirst() const override { return 14; }
    std::int64_t TotalSizeMid() const override { return 6; }
    std::int64_t TotalSizeLast() const override { return 8; }
};

// BOOLERR, 8 data bytes: value byte, kind byte (0 boolean, 1 error).
class TBoolErrRecord final : public TSizedRecordClass<TBoolErrRecord, 8, TCellRecord> {
public:
    using TSizedRecordClass::TSizedRecordClass;
    static std::unique_ptr<TBoolErrRecord> CreateFromData(std::uint16_t aRow, std::uint16_t aCol, std::uint16_t aXF);
    // A boolean, or the error text ("#N/A", ...) as a string.
    TXlsVariant GetValue() const override;
    void SetValue(const TXlsVariant& Value) override;
};

// MULRK and MULBLANK: row, first column, per cell data, last column.
class TMultipleValueRecord : public TBaseRecord {
public:
    using TBaseRecord::TBaseRecord;
    virtual bool Eof() const = 0;
    // The next cell; only valid while Eof is false.
    virtual std::unique_ptr<TCellRecord> ExtractOneRecord() = 0;

protected:
    TMultipleValueRecord(const TMultipleValueRecord&) = default;
    std::int32_t CurrentCol = 0;
};

class TMulRKRecord final : public TRecordClass<TMulRKRecord, TMultipleValueRecord> {
public:
    using TRecordClass::TRecordClass;
    bool Eof() const override { return CurrentCol * 6 + 10 >= DataSize(); }
    std::unique_ptr<TCellRecord> ExtractOneRecord() override;
};

class TMulBlankRecord final : public TRecordClass<TMulBlankRecord, TMultipleValueRecord> {
public:
    using TRecordClass::TRecordClass;
    bool Eof() const override { return CurrentCol * 2 + 6 >= DataSize(); }
    std::unique_ptr<TCellRecord> ExtractOneRecord() override;
};

}  // namespace xls
