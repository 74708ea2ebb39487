#include "drawing/UXlsChart.h"

#include <algorithm>

#include "globals/UXlsTokenArray.h"

namespace xls {

TByteView TChartAIRecord::Formula() const
{
    const std::uint16_t len = FLen();
    CheckField(DataSize(), 8, len);
    return Data().subspan(8, len);
}

template <class F>
void TChartAIRecord::ChangeFormula(F aChange)
{
    const std::uint16_t len = FLen();
    if (len == 0) return;
    CheckField(DataSize(), 8, len);
    try {
        aChange(Data(), std::size_t(8), std::size_t(8) + len);
    } catch (const ETokenException& e) {
        RaiseXls(TXlsMsg::ChartFormulaTokenError, {std::int64_t(e.Token)});
    }
}

void TChartAIRecord::ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                              std::int32_t aColCount, const TSheetInfo& SheetInfo)
{
    TTokenMove move;
    move.aRowPos = aRowPos;
    move.aRowCount = aRowCount;
    move.aColPos = aColPos;
    move.aColCount = aColCount;
    ChangeFormula([&](TByteSpan d, std::size_t pos, std::size_t end) {
        ArrangeTokensInsertRowsAndCols(d, pos, end, move, SheetInfo);
    });
}

void TChartAIRecord::ArrangeCopyRowsAndCols(std::int32_t RowOffset, std::int32_t ColOffset)
{
    TTokenMove move;
    move.RowOffset = RowOffset;
    move.ColOffset = ColOffset;
    ChangeFormula([&](TByteSpan d, std::size_t pos, std::size_t end) {
        ArrangeTokensInsertRowsAndCols(d, pos, end, move, TSheetInfo{});
    });
}

void TChartAIRecord::ArrangeCopySheet(const TSheetInfo& SheetInfo)
{
    ChangeFormula([&](TByteSpan d, std::size_t pos, std::size_t end) { ArrangeTokensCopySheet(d, pos, end, SheetInfo); });
}

void TChartRecordList::Notify(const TBaseRecord* aItem, bool aAdded)
{
    TBaseRecordList::Notify(aItem, aAdded);
    if (!dynamic_cast<const TChartAIRecord*>(aItem)) return;
    if (!aAdded) {
        std::erase(FAICache, aItem);
        return;
    }
    // The cache changes the records it holds: the list's own pointer to the
    // item, found from the end, where items are added while loading.
    for (auto it = FList.rbegin(); it != FList.rend(); ++it)
        if (it->get() == aItem) {
            FAICache.push_back(static_cast<TChartAIRecord*>(it->get()));
            return;
        }
}

}  // namespace xls
