#include "worksheet/UXlsCellRecords.h"

#include <array>
#include <bit>
#include <cmath>

#include "base/UXlsUnicode.h"

namespace xls {

namespace {

// The bytes [aOfs, aOfs + aCount) of a record's data; fails when the record is shorter.
TByteView Slice(TByteView aData, std::size_t aOfs, std::size_t aCount)
{
    CheckField(aData.size(), aOfs, aCount);
    return aData.subspan(aOfs, aCount);
}

void WriteMulHeader(TOle2File& Workbook, std::uint16_t aId, std::int64_t aJoinedRecordSize)
{
    std::uint8_t header[4];
    SetWord(header, 0, aId);
    SetWord(header, 2, static_cast<std::uint16_t>(aJoinedRecordSize - 4));
    StreamWrite(Workbook, header);
}

void WriteColumn(TOle2File& Workbook, std::uint16_t aCol)
{
    std::uint8_t col[2];
    SetWord(col, 0, aCol);
    StreamWrite(Workbook, col);
}

}  // namespace

// ------------------------------------------------------------------ TBlankRecord

std::unique_ptr<TBlankRecord> TBlankRecord::CreateFromData(std::uint16_t aRow, std::uint16_t aCol, std::uint16_t aXF)
{
    return std::make_unique<TBlankRecord>(xlr_BLANK, CellData(6, aRow, aCol, aXF));
}

bool TBlankRecord::CanJoinNext(const TCellRecord* NextRecord, std::int32_t MaxCol) const
{
    return IsNextOfKind<TBlankRecord>(NextRecord, MaxCol);
}

void TBlankRecord::SaveFirstMul(TOle2File& Workbook, std::int64_t JoinedRecordSize)
{
    WriteMulHeader(Workbook, xlr_MULBLANK, JoinedRecordSize);
    StreamWrite(Workbook, Slice(Data(), 0, 6));  // row, column, XF
}

void TBlankRecord::SaveMidMul(TOle2File& Workbook)
{
    StreamWrite(Workbook, Slice(Data(), 4, 2));
}

void TBlankRecord::SaveLastMul(TOle2File& Workbook)
{
    SaveMidMul(Workbook);
    WriteColumn(Workbook, Column());
}

// ----------------------------------------------------------------- TNumberRecord

std::unique_ptr<TNumberRecord> TNumberRecord::CreateFromData(std::uint16_t aRow, std::uint16_t aCol, std::uint16_t aXF)
{
    return std::make_unique<TNumberRecord>(xlr_NUMBER, CellData(14, aRow, aCol, aXF));
}

void TNumberRecord::SetValue(const TXlsVariant& Value)
{
    SetDouble(Data(), 6, VarToDouble(Value));
}

// --------------------------------------------------------------------- RK codes

bool EncodeRK(double x, std::uint32_t& aRK)
{
    // The unscaled form first, then x * 100 with bit 0 set; at each scale the
    // float form (upper 32 bits of the double) before the 30-bit integer form.
    for (std::uint32_t scaled = 0; scaled <= 1; ++scaled) {
        const double f = scaled ? x * 100 : x;
        const auto bits = std::bit_cast<std::uint64_t>(f);
        if ((bits & 0xFFFFFFFFu) == 0 && ((bits >> 32) & 3) == 0) {
            aRK = static_cast<std::uint32_t>(bits >> 32) + scaled;
            return true;
        }
        if (std::floor(f) == f && f >= -536870912.0 && f <= 536870911.0) {
            aRK = (static_cast<std::uint32_t>(static_cast<std::int32_t>(f)) << 2) + 2 + scaled;
            return true;
        }
    }
    return false;
}

bool IsRKValue(double x)
{
    std::uint32_t rk;
    return EncodeRK(x, rk);
}

double DecodeRK(std::uint32_t aRK)
{
    double d;
    if (aRK & 2)
        d = static_cast<double>(static_cast<std::int32_t>(aRK) >> 2);
    else
        d = std::bit_cast<double>(std::uint64_t(aRK & ~3u) << 32);
    return (aRK & 1) ? d / 100 : d;
}

// --------------------------------------------------------------------- TRKRecord

std::unique_ptr<TRKRecord> TRKRecord::CreateFromData(std::uint16_t aRow, std::uint16_t aCol, std::uint16_t aXF)
{
    return std::make_unique<TRKRecord>(xlr_RK, CellData(10, aRow, aCol, aXF));
}

void TRKRecord::SetValue(const TXlsVariant& Value)
{
    const double x = VarToDouble(Value);
    std::uint32_t rk;
    if (!EncodeRK(x, rk)) RaiseXls(TXlsMsg::InvalidCellValue, {Utf16ToUtf8(VarToText(x))});
    SetCardinal(Data(), 6, rk);
}

bool TRKRecord::CanJoinNext(const TCellRecord* NextRecord, std::int32_t MaxCol) const
{
    return IsNextOfKind<TRKRecord>(NextRecord, MaxCol);
}

void TRKRecord::SaveFirstMul(TOle2File& Workbook, std::int64_t JoinedRecordSize)
{
    WriteMulHeader(Workbook, xlr_MULRK, JoinedRecordSize);
    StreamWrite(Workbook, Slice(Data(), 0, 10));  // row, column, XF, RK
}

void TRKRecord::SaveMidMul(TOle2File& Workbook)
{
    StreamWrite(Workbook, Slice(Data(), 4, 6));  // XF, RK
}

void TRKRecord::SaveLastMul(TOle2File& Workbook)
{
    SaveMidMul(Workbook);
    WriteColumn(Workbook, Column());
}

// ---------------------------------------------------------------- TBoolErrRecord

std::unique_ptr<TBoolErrRecord> TBoolErrRecord::CreateFromData(std::uint16_t aRow, std::uint16_t aCol,
                                                               std::uint16_t aXF)
{
    return std::make_unique<TBoolErrRecord>(xlr_BOOLERR, CellData(8, aRow, aCol, aXF));
}

TXlsVariant TBoolErrRecord::GetValue() const
{
    const std::uint8_t value = GetByte(Data(), 6);
    if (GetByte(Data(), 7) == 0) return value != 0;
    return TXlsString(ErrorCodeText(value));
}

void TBoolErrRecord::SetValue(const TXlsVariant& Value)
{
    if (const bool* b = std::get_if<bool>(&Value)) {
        SetByte(Data(), 6, *b ? 1 : 0);
        SetByte(Data(), 7, 0);
        return;
    }
    if (const TXlsString* s = std::get_if<TXlsString>(&Value)) {
        if (const auto code = ErrorCodeOf(*s)) {
            SetByte(Data(), 6, *code);
            SetByte(Data(), 7, 1);
            return;
        }
        RaiseXls(TXlsMsg::InvalidCellErrorCode, {Utf16ToUtf8(*s)});
    }
    RaiseXls(TXlsMsg::InvalidCellValue, {Utf16ToUtf8(VarToText(Value))});
}

// ------------------------------------------------------- MULRK and MULBLANK split

std::unique_ptr<TCellRecord> TMulRKRecord::ExtractOneRecord()
{
    if (Eof()) RaiseXls(TXlsMsg::ErrorReadingRecord);
    TBytes d(10);
    SetWord(d, 0, GetWord(Data(), 0));
    SetWord(d, 2, static_cast<std::uint16_t>(GetWord(Data(), 2) + CurrentCol));
    TByteView cell = Slice(Data(), 4 + 6 * std::size_t(CurrentCol), 6);  // XF and RK
    std::copy(cell.begin(), cell.end(), d.begin() + 4);
    ++CurrentCol;
    return std::make_unique<TRKRecord>(xlr_RK, std::move(d));
}

std::unique_ptr<TCellRecord> TMulBlankRecord::ExtractOneRecord()
{
    if (Eof()) RaiseXls(TXlsMsg::ErrorReadingRecord);
    TBytes d(6);
    SetWord(d, 0, GetWord(Data(), 0));
    SetWord(d, 2, static_cast<std::uint16_t>(GetWord(Data(), 2) + CurrentCol));
    SetWord(d, 4, GetWord(Data(), 4 + 2 * std::size_t(CurrentCol)));
    ++CurrentCol;
    return std::make_unique<TBlankRecord>(xlr_BLANK, std::move(d));
}

}  // namespace xls
