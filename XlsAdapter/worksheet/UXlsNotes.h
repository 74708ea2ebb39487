// Cell notes (comments): NOTE records, kept by row. The text and the box of
// a note live in the sheet's drawing, in the comment shape whose object id
// the note holds: a note finds its shape by that id, so that a note and its
// shape can never point at freed memory, and a note removed from the list
// takes its shape out of the drawing.
#pragma once

#include "base/UXlsValueTypes.h"
#include "worksheet/UXlsRowColEntries.h"

namespace xls {

class TDrawing;
class TEscherClientRecord;
struct TClientAnchor;

// NOTE: row 0, column 2, options 4 (0x0002: the box is shown), object id of
// the comment shape 6, then the author (a string with a 2-byte count).
class TNoteRecord final : public TRecordClass<TNoteRecord, TBaseRowColRecord> {
public:
    // Refuses data too short for the object id.
    TNoteRecord(std::uint16_t aId, TByteView aData);
    // A new hidden note without author for the shape aObjId.
    static std::unique_ptr<TNoteRecord> CreateNew(std::uint16_t aRow, std::uint16_t aCol, std::uint16_t aObjId);

    std::uint16_t Options() const { return GetWord(Data(), 4); }
    bool Visible() const { return (Options() & 0x0002) != 0; }
    std::uint16_t ObjId() const { return GetWord(Data(), 6); }
    void SetObjId(std::uint16_t aObjId) { SetWord(Data(), 6, aObjId); }
    // Empty when the record has none (or one that cannot be read).
    TXlsString Author() const;

    // The client data atom of the note's comment shape, or none.
    TEscherClientRecord* Dwg(const TDrawing& Drawing) const;
    // The text of the note's comment shape; a note without a shape reads as
    // empty and ignores writes.
    TRichString GetText(const TDrawing& Drawing) const;
    void SetText(TDrawing& Drawing, const TRichString& aText) const;
};

// The notes of one row. A note that leaves the list takes its shape along.
class TNoteRecordList final : public TBaseRowColRecordList {
public:
    explicit TNoteRecordList(TDrawing* aDrawing) : FDrawing(aDrawing) {}
    TNoteRecord* Items(std::size_t aIndex) const { return static_cast<TNoteRecord*>(GetItem(aIndex)); }

protected:
    void CheckItem(const TBaseRecord* aItem) const override;
    void Notify(const TBaseRecord* aItem, bool aAdded) override;

private:
    TDrawing* FDrawing;  // not owned
};

class TNoteList final : public TBaseRowColList {
public:
    explicit TNoteList(TDrawing& aDrawing) : FDrawing(&aDrawing) {}

    // The notes of row aRow (an empty list past the last row with notes).
    TNoteRecordList* NoteRow(std::size_t aRow) const { return static_cast<TNoteRecordList*>(GetItem(aRow)); }
    std::size_t NoteCount() const;
    // The note of a cell, or none.
    TNoteRecord* FindNote(std::int64_t aRow, std::int64_t aCol) const;

    // A new note on cell (Row, Col) with a comment box at aBox holding Txt.
    // Rows outside 0 to 65535 and columns outside 0 to 255 fail with "The
    // index "%d" of the property "%s" is not in the range %d-%d".
    TNoteRecord& AddNewComment(std::int64_t Row, std::int64_t Col, const TRichString& Txt, const TClientAnchor& aBox);
    // Removes the note of a cell with its shape; false when there is none.
    bool DeleteNote(std::int64_t aRow, std::int64_t aCol);

    // The notes and their comment boxes follow inserted and deleted rows and columns.
    void ArrangeInsertRowsAndCols(std::int32_t InsRowPos, std::int32_t InsRowCount, std::int32_t InsColPos,
                                  std::int32_t InsColCount, const TSheetInfo& SheetInfo) override;

protected:
    std::unique_ptr<TBaseRowColRecordList> CreateRowList() const override;
    // A copied note gets a copy of its comment shape.
    std::unique_ptr<TBaseRowColRecord> CopyForOffset(const TBaseRowColRecord& aRecord, std::int32_t RowOffset,
                                                     std::int32_t ColOffset) const override;
    void Notify(const TBaseRowColRecordList* aItem, bool aAdded) override;

private:
    TDrawing* FDrawing;  // not owned: the sheet's drawing
};

}  // namespace xls
