#include "UXlsFormula.h"

namespace xls {

TFormulaRecord::TFormulaRecord(const TFormulaRecord& other)
    : TRecordClass(other), FTableRecord(CopyRecord(other.TableRecord())), FArrayRecord(CopyRecord(other.ArrayRecord()))
{
}

void TFormulaRecord::SaveToStream(TOle2File& Workbook)
{
    TRecordClass::SaveToStream(Workbook);
    if (FArrayRecord) FArrayRecord->SaveToStream(Workbook);
    if (FTableRecord) FTableRecord->SaveToStream(Workbook);
}

std::int64_t TFormulaRecord::TotalSize() const
{
    return TRecordClass::TotalSize() + (FArrayRecord ? FArrayRecord->TotalSize() : 0) +
           (FTableRecord ? FTableRecord->TotalSize() : 0);
}

std::int64_t TFormulaRecord::TotalSizeNoHeaders() const
{
    return TRecordClass::TotalSizeNoHeaders() + (FArrayRecord ? FArrayRecord->TotalSizeNoHeaders() : 0) +
           (FTableRecord ? FTableRecord->TotalSizeNoHeaders() : 0);
}

}  // namespace xls
