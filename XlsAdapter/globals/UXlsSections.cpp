#include "globals/UXlsSections.h"

namespace xls {

void TBaseSection::Clear()
{
    FBOF.reset();
    FEOF.reset();
}

std::int64_t TBaseSection::TotalSize() const
{
    return (FBOF ? FBOF->TotalSize() : 0) + (FEOF ? FEOF->TotalSize() : 0);
}

std::int64_t TBaseSection::TotalRangeSize(std::int32_t, const TXlsCellRange&)
{
    return TBaseSection::TotalSize();
}

void TBaseSection::CheckLoaded() const
{
    if (!FBOF || !FEOF) RaiseXls(TXlsMsg::SectionNotLoaded);
}

}  // namespace xls
