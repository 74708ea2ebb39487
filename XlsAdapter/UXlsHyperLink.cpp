#include "UXlsHyperLink.h"

namespace xls {

THLinkRecord::THLinkRecord(const THLinkRecord& other) : TRecordClass(other), FHint(CopyRecord(other.Hint())) {}

void THLinkRecord::SaveToStream(TOle2File& Workbook)
{
    TRecordClass::SaveToStream(Workbook);
    if (FHint) FHint->SaveToStream(Workbook);
}

std::int64_t THLinkRecord::TotalSize() const
{
    return TRecordClass::TotalSize() + (FHint ? FHint->TotalSize() : 0);
}

std::int64_t THLinkRecord::TotalSizeNoHeaders() const
{
    return TRecordClass::TotalSizeNoHeaders() + (FHint ? FHint->TotalSizeNoHeaders() : 0);
}

}  // namespace xls
