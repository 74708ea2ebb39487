// Cell notes (comments): NOTE records, kept by row. The text and the box of a
// note live in the sheet's drawing, in the comment shape whose object id the
// note holds.
#pragma once

#include "worksheet/UXlsRowColEntries.h"

namespace xls {

// NOTE: row, column, option word, object id of the comment shape,
// then the author.
class TNoteRecord final : public TRecordClass<TNoteRecord, TBaseRowColRecord> {
public:
    // Refuses data too short for the object id.
    TNoteRecord(std::uint16_t aId, TBytes aData);

    std::uint16_t Options() const { return GetWord(Data(), 4); }
    std::uint16_t ObjId() const { return GetWord(Data(), 6); }
};

// Notes kept by row: each row's list holds NOTE records only.
class TNoteRecordList final : public TBaseRowColRecordList {
protected:
    void CheckItem(const TBaseRecord* aItem) const override;
};

class TNoteList final : public TBaseRowColList {
public:
    TNoteRecordList* NoteRow(std::size_t aRow) const { return static_cast<TNoteRecordList*>(GetItem(aRow)); }
    std::size_t NoteCount() const;

protected:
    std::unique_ptr<TBaseRowColRecordList> CreateRowList() const override;
    // Notes follow inserted rows and columns but are not copied: a copy would
    // need a comment shape of its own in the drawing.
    bool IsCopied(const TBaseRowColRecord&, bool) const override { return false; }
};

}  // namespace xls
