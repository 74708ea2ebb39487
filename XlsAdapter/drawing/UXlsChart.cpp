#include "drawing/UXlsChart.h"

#include <algorithm>

namespace xls {

TByteView TChartAIRecord::Formula() const
{
    const std::uint16_t len = FLen();
    CheckField(DataSize(), 8, len);
    return Data().subspan(8, len);
}

void TChartRecordList::Notify(const TBaseRecord* aItem, bool aAdded)
{
    TBaseRecordList::Notify(aItem, aAdded);
    const auto* ai = dynamic_cast<const TChartAIRecord*>(aItem);
    if (!ai) return;
    if (aAdded)
        FAICache.push_back(ai);
    else
        std::erase(FAICache, ai);
}

}  // namespace xls
