// The Escher atoms of a drawing that refer to shapes or carry a shape's
// text: the solver's rules and the client text box.
//
// Rules refer to shapes by shape id (32-bit), read at these data offsets:
// connector rule (0xF012) the two connected shapes at 4 and 8 and the
// connector at 12; arc rule (0xF014) and callout rule (0xF017) their shape at
// 4; an align rule (0xF013) names none. After a load the ids become the
// shapes themselves, so that they are written with the ids the shapes have
// then.
#pragma once

#include "drawing/UEscherRecords.h"

namespace xls {

class TRuleRecord : public TEscherDataRecord {
public:
    TRuleRecord(const TEscherRecordHeader& aHeader, const TEscherContext& aContext, std::vector<std::size_t> aOffsets);
    TRuleRecord(const TRuleRecord& aSource, const TEscherContext& aContext);

    // The shapes the ids name (an id of no shape stays as it is).
    void FixPointers(TEscherShapeCache& aShapes);
    // After a drawing was copied: the copies of the shapes.
    void FixCopiedPointers();
    // Whether the rule refers to the shape.
    bool DeleteRef(const TEscherSPRecord& aShape) const;

protected:
    void SaveBody(TOle2File& DataStream, TBreakList& Breaks) override;

private:
    struct TShapeRef {
        std::size_t Offset;
        TEscherSPRecord* Shape;
    };
    std::vector<TShapeRef> FRefs;
};

class TEscherConnectorRuleRecord final : public TEscherClass<TEscherConnectorRuleRecord, TRuleRecord> {
public:
    TEscherConnectorRuleRecord(const TEscherRecordHeader& aHeader, const TEscherContext& aContext)
        : TEscherClass(aHeader, aContext, {4, 8, 12})
    {
    }
    using TEscherClass::TEscherClass;
};

class TEscherAlignRuleRecord final : public TEscherClass<TEscherAlignRuleRecord, TRuleRecord> {
public:
    TEscherAlignRuleRecord(const TEscherRecordHeader& aHeader, const TEscherContext& aContext)
        : TEscherClass(aHeader, aContext, {})
    {
    }
    using TEscherClass::TEscherClass;
};

class TEscherArcRuleRecord final : public TEscherClass<TEscherArcRuleRecord, TRuleRecord> {
public:
    TEscherArcRuleRecord(const TEscherRecordHeader& aHeader, const TEscherContext& aContext)
        : TEscherClass(aHeader, aContext, {4})
    {
    }
    using TEscherClass::TEscherClass;
};

class TEscherCalloutRuleRecord final : public TEscherClass<TEscherCalloutRuleRecord, TRuleRecord> {
public:
    TEscherCalloutRuleRecord(const TEscherRecordHeader& aHeader, const TEscherContext& aContext)
        : TEscherClass(aHeader, aContext, {4})
    {
    }
    using TEscherClass::TEscherClass;
};

// The text box of a shape: its TXO record follows the drawing record.
class TEscherClientTextBoxRecord final : public TEscherClass<TEscherClientTextBoxRecord, TEscherClientRecord> {
public:
    using TEscherClass::TEscherClass;
};

// The colours of the split menu; kept as read.
class TEscherSplitMenuRecord final : public TEscherClass<TEscherSplitMenuRecord, TEscherDataRecord> {
public:
    using TEscherClass::TEscherClass;
};

}  // namespace xls
