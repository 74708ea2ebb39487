#include "globals/UXlsGlobalsFactory.h"

#include "globals/UXlsFormula.h"
#include "globals/UXlsPalette.h"
#include "globals/UXlsReferences.h"
#include "globals/UXlsSST.h"
#include "globals/UXlsXF.h"

namespace xls {

namespace {

// Some writers give BIFF8 formula cells the FORMULA id of BIFF4. Such a
// record whose body has a BIFF8 formula's layout (its token array inside
// the body) is read as the formula cell it is and written back under the id
// it came with, so every reader sees it as in the original; any other
// record of that id is kept unknown.
std::unique_ptr<TBaseRecord> CreateBiff4Formula(std::uint16_t aId, TByteView aData)
{
    constexpr std::size_t tokensOfs = TFormulaRecord::TokensOfs;
    if (aData.size() >= tokensOfs && tokensOfs + GetWord(aData, tokensOfs - 2) <= aData.size())
        return std::make_unique<TFormulaRecord>(aId, aData);
    return CreateBaseRecord(aId, aData);
}

// Sorted by id. EXTERNSHEET is read into the references and not kept.
constexpr TRecordKind kGlobalsRecordKinds[] = {
    {xlr_FORMULA, MakeRecord<TFormulaRecord>},
    {xlr_NAME, MakeRecord<TNameRecord>},
    {xlr_EXTERNNAME, MakeRecord<TExternNameRecord>},
    {xlr_FONT, MakeRecord<TFontRecord>},
    {xlr_PALETTE, MakeRecord<TPaletteRecord>},
    {xlr_RSTRING, MakeRecord<TRStringRecord>},
    {xlr_XF, MakeRecord<TXFRecord>},
    {xlr_SST, MakeRecord<TSSTRecord>},
    {xlr_LABELSST, MakeRecord<TLabelSSTRecord>},
    {xlr_SUPBOOK, MakeRecord<TSupBookRecord>},
    {xlr_LABEL, MakeRecord<TLabelRecord>},
    {xlr_ARRAY, MakeRecord<TArrayRecord>},
    {xlr_EXTERNNAME2, MakeRecord<TExternNameRecord>},
    {xlr_TABLE, MakeRecord<TTableRecord>},
    {xlr_STYLE, MakeRecord<TStyleRecord>},
    {xlr_FORMULA_BIFF4, CreateBiff4Formula},
    {xlr_FORMAT, MakeRecord<TFormatRecord>},
    {xlr_SHRFMLA, MakeRecord<TShrFmlaRecord>},
};
static_assert(AreSortedById(kGlobalsRecordKinds), "record kinds must be sorted by id");

}  // namespace

std::unique_ptr<TBaseRecord> CreateGlobalsRecord(std::uint16_t aId, TByteView aData)
{
    if (auto rec = CreateFromKinds(kGlobalsRecordKinds, aId, aData)) return rec;
    return CreateBaseRecord(aId, aData);
}

}  // namespace xls
