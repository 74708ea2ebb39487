#include "drawing/UEscherOtherRecords.h"

namespace xls {

TRuleRecord::TRuleRecord(const TEscherRecordHeader& aHeader, const TEscherContext& aContext,
                         std::vector<std::size_t> aOffsets)
    : TEscherDataRecord(aHeader, aContext)
{
    for (std::size_t ofs : aOffsets) FRefs.push_back({ofs, nullptr});
}

TRuleRecord::TRuleRecord(const TRuleRecord& aSource, const TEscherContext& aContext)
    : TEscherDataRecord(aSource, aContext), FRefs(aSource.FRefs)
{
}

void TRuleRecord::FixPointers(TEscherShapeCache& aShapes)
{
    for (TShapeRef& ref : FRefs)
        if (ref.Offset + 4 <= Data().size()) ref.Shape = aShapes.Find(GetCardinal(Data(), ref.Offset));
}

void TRuleRecord::FixCopiedPointers()
{
    // A copy still refers to the shapes of its source; their copies are the
    // shapes of the new drawing.
    for (TShapeRef& ref : FRefs)
        if (ref.Shape) ref.Shape = dynamic_cast<TEscherSPRecord*>(ref.Shape->CopiedTo());
}

bool TRuleRecord::DeleteRef(const TEscherSPRecord& aShape) const
{
    for (const TShapeRef& ref : FRefs)
        if (ref.Shape == &aShape) return true;
    return false;
}

void TRuleRecord::SaveBody(TOle2File& DataStream, TBreakList& Breaks)
{
    TBytes d(Data().begin(), Data().end());
    for (const TShapeRef& ref : FRefs)
        if (ref.Shape) SetCardinal(d, ref.Offset, ref.Shape->ShapeId());
    Breaks.Write(DataStream, d);
}

}  // namespace xls
