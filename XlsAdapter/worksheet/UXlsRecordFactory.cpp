#include "worksheet/UXlsRecordFactory.h"

#include "drawing/UXlsChart.h"
#include "globals/UXlsGlobalsFactory.h"
#include "worksheet/UXlsCellRecords.h"
#include "worksheet/UXlsColInfo.h"
#include "worksheet/UXlsCondFmt.h"
#include "worksheet/UXlsHyperLink.h"
#include "worksheet/UXlsNotes.h"
#include "worksheet/UXlsPageBreaks.h"

namespace xls {

namespace {

// Sorted by id. MSODRAWINGGROUP and MSODRAWING are kept as plain records.
constexpr TRecordKind kSheetRecordKinds[] = {
    {xlr_VPAGEBREAKS, MakeRecord<TVPageBreakRecord>},
    {xlr_HPAGEBREAKS, MakeRecord<THPageBreakRecord>},
    {xlr_NOTE, MakeRecord<TNoteRecord>},
    {xlr_COLINFO, MakeRecord<TColInfoRecord>},
    {xlr_MULRK, MakeRecord<TMulRKRecord>},
    {xlr_MULBLANK, MakeRecord<TMulBlankRecord>},
    {xlr_CONDFMT, MakeRecord<TCondFmtRecord>},
    {xlr_CF, MakeRecord<TCFRecord>},
    {xlr_HLINK, MakeRecord<THLinkRecord>},
    {xlr_BLANK, MakeRecord<TBlankRecord>},
    {xlr_NUMBER, MakeRecord<TNumberRecord>},
    {xlr_BOOLERR, MakeRecord<TBoolErrRecord>},
    {xlr_RK, MakeRecord<TRKRecord>},
    {xlr_HLINKTOOLTIP, MakeRecord<TScreenTipRecord>},
    {xlr_CHARTBEGIN, MakeRecord<TBeginRecord>},
    {xlr_CHARTEND, MakeRecord<TEndRecord>},
    {xlr_CHARTAI, MakeRecord<TChartAIRecord>},
};
static_assert(AreSortedById(kSheetRecordKinds), "record kinds must be sorted by id");

}  // namespace

std::unique_ptr<TBaseRecord> CreateRecord(std::uint16_t aId, TByteView aData)
{
    if (auto rec = CreateFromKinds(kSheetRecordKinds, aId, aData)) return rec;
    return CreateGlobalsRecord(aId, aData);
}

}  // namespace xls
