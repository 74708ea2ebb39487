#include "globals/UXlsGlobalsFactory.h"

#include "globals/UXlsFormula.h"
#include "globals/UXlsPalette.h"
#include "globals/UXlsSST.h"
#include "globals/UXlsXF.h"

namespace xls {

namespace {

// Sorted by id. EXTERNSHEET, EXTERNNAME and SUPBOOK are kept as plain records.
constexpr TRecordKind kGlobalsRecordKinds[] = {
    {xlr_FORMULA, MakeRecord<TFormulaRecord>},
    {xlr_NAME, MakeRecord<TNameRecord>},
    {xlr_FONT, MakeRecord<TFontRecord>},
    {xlr_PALETTE, MakeRecord<TPaletteRecord>},
    {xlr_RSTRING, MakeRecord<TRStringRecord>},
    {xlr_XF, MakeRecord<TXFRecord>},
    {xlr_SST, MakeRecord<TSSTRecord>},
    {xlr_LABELSST, MakeRecord<TLabelSSTRecord>},
    {xlr_LABEL, MakeRecord<TLabelRecord>},
    {xlr_ARRAY, MakeRecord<TArrayRecord>},
    {xlr_TABLE, MakeRecord<TTableRecord>},
    {xlr_STYLE, MakeRecord<TStyleRecord>},
    {xlr_FORMAT, MakeRecord<TFormatRecord>},
    {xlr_SHRFMLA, MakeRecord<TShrFmlaRecord>},
};
static_assert(AreSortedById(kGlobalsRecordKinds), "record kinds must be sorted by id");

}  // namespace

std::unique_ptr<TBaseRecord> CreateGlobalsRecord(std::uint16_t aId, TBytes aData)
{
    if (auto rec = CreateFromKinds(kGlobalsRecordKinds, aId, aData)) return rec;
    return CreateBaseRecord(aId, std::move(aData));
}

}  // namespace xls
