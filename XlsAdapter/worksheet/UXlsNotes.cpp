#include "worksheet/UXlsNotes.h"

#include "drawing/UXlsClientData.h"
#include "drawing/UXlsEscher.h"
#include "records/UXlsStrings.h"

namespace xls {

TNoteRecord::TNoteRecord(std::uint16_t aId, TByteView aData) : TRecordClass(aId, aData)
{
    if (DataSize() < 8) RaiseXls(TXlsMsg::RecordInvalid, {std::int64_t(Id())});
}

std::unique_ptr<TNoteRecord> TNoteRecord::CreateNew(std::uint16_t aRow, std::uint16_t aCol, std::uint16_t aObjId)
{
    TBytes d;
    AppendWord(d, aRow);
    AppendWord(d, aCol);
    AppendWord(d, 0);
    AppendWord(d, aObjId);
    AppendCardinal(d, 0);  // an empty author and the padding byte behind it
    return std::make_unique<TNoteRecord>(xlr_NOTE, std::move(d));
}

TXlsString TNoteRecord::Author() const
{
    if (DataSize() < 11) return {};
    try {
        const TBaseRecord* rec = this;
        std::size_t ofs = 8;
        return TExcelString(2, rec, ofs).Value();
    } catch (const EXlsException&) {
        return {};
    }
}

TEscherClientRecord* TNoteRecord::Dwg(const TDrawing& Drawing) const
{
    return Drawing.FindObjId(ObjId());
}

TRichString TNoteRecord::GetText(const TDrawing& Drawing) const
{
    const TTXO* text = Drawing.ShapeText(ObjId());
    return text ? text->GetValue() : TRichString{};
}

void TNoteRecord::SetText(TDrawing& Drawing, const TRichString& aText) const
{
    if (TTXO* text = Drawing.ShapeText(ObjId())) text->SetValue(aText);
}

// ------------------------------------------------------------ TNoteRecordList

void TNoteRecordList::CheckItem(const TBaseRecord* aItem) const
{
    if (aItem && !dynamic_cast<const TNoteRecord*>(aItem)) RaiseXls(TXlsMsg::LogicalError);
}

void TNoteRecordList::Notify(const TBaseRecord* aItem, bool aAdded)
{
    TBaseRowColRecordList::Notify(aItem, aAdded);
    if (!aAdded && aItem && FDrawing) FDrawing->DeleteObject(static_cast<const TNoteRecord*>(aItem)->ObjId());
}

// ------------------------------------------------------------------ TNoteList

std::size_t TNoteList::NoteCount() const
{
    std::size_t count = 0;
    for (std::size_t row = 0; row < Count(); ++row) count += NoteRow(row)->Count();
    return count;
}

std::unique_ptr<TBaseRowColRecordList> TNoteList::CreateRowList() const
{
    return std::make_unique<TNoteRecordList>(FDrawing);
}

TNoteRecord* TNoteList::FindNote(std::int64_t aRow, std::int64_t aCol) const
{
    if (aRow < 0 || aRow >= std::int64_t(Count())) return nullptr;
    const TNoteRecordList* row = NoteRow(static_cast<std::size_t>(aRow));
    for (std::size_t i = 0; i < row->Count(); ++i)
        if (row->Items(i)->Column() == aCol) return row->Items(i);
    return nullptr;
}

TNoteRecord& TNoteList::AddNewComment(std::int64_t Row, std::int64_t Col, const TRichString& Txt,
                                      const TClientAnchor& aBox)
{
    if (Row < 0 || Row > MaxRow) RaiseXls(TXlsMsg::PropertyIndexOutOfRange, {Row, std::string("Row"), 0, MaxRow});
    if (Col < 0 || Col > MaxColumn)
        RaiseXls(TXlsMsg::PropertyIndexOutOfRange, {Col, std::string("Column"), 0, MaxColumn});
    const std::uint16_t objId = FDrawing->AddNewComment(aBox);
    auto note = TNoteRecord::CreateNew(static_cast<std::uint16_t>(Row), static_cast<std::uint16_t>(Col), objId);
    TNoteRecord& added = *note;
    EnsureRow(static_cast<std::size_t>(Row));
    TNoteRecordList* row = NoteRow(static_cast<std::size_t>(Row));
    std::size_t index = 0;
    row->Find(static_cast<std::int32_t>(Col), index);
    row->Insert(index, std::move(note));
    added.SetText(*FDrawing, Txt);
    return added;
}

bool TNoteList::DeleteNote(std::int64_t aRow, std::int64_t aCol)
{
    if (aRow < 0 || aRow >= std::int64_t(Count())) return false;
    TNoteRecordList* row = NoteRow(static_cast<std::size_t>(aRow));
    for (std::size_t i = 0; i < row->Count(); ++i)
        if (row->Items(i)->Column() == aCol) {
            row->Delete(i);  // its shape goes with it
            return true;
        }
    return false;
}

void TNoteList::ArrangeInsertRowsAndCols(std::int32_t InsRowPos, std::int32_t InsRowCount, std::int32_t InsColPos,
                                         std::int32_t InsColCount, const TSheetInfo& SheetInfo)
{
    if (SheetInfo.MovesOwnCells()) {
        for (std::size_t r = 0; r < Count(); ++r) {
            const TNoteRecordList* row = NoteRow(r);
            for (std::size_t i = 0; i < row->Count(); ++i) {
                FDrawing->MoveObjectRows(row->Items(i)->ObjId(), InsRowPos, InsRowCount);
                FDrawing->MoveObjectCols(row->Items(i)->ObjId(), InsColPos, InsColCount);
            }
        }
    }
    TBaseRowColList::ArrangeInsertRowsAndCols(InsRowPos, InsRowCount, InsColPos, InsColCount, SheetInfo);
}

std::unique_ptr<TBaseRowColRecord> TNoteList::CopyForOffset(const TBaseRowColRecord& aRecord, std::int32_t RowOffset,
                                                            std::int32_t ColOffset) const
{
    auto copy = TBaseRowColList::CopyForOffset(aRecord, RowOffset, ColOffset);
    auto& note = static_cast<TNoteRecord&>(*copy);
    note.SetObjId(FDrawing->CopyObject(note.ObjId(), RowOffset, ColOffset));
    return copy;
}

void TNoteList::Notify(const TBaseRowColRecordList* aItem, bool aAdded)
{
    // A row of notes that leaves the list takes the notes' shapes along.
    if (aAdded || !aItem) return;
    for (std::size_t i = 0; i < aItem->Count(); ++i)
        FDrawing->DeleteObject(static_cast<const TNoteRecord*>(aItem->Items(i))->ObjId());
}

}  // namespace xls
