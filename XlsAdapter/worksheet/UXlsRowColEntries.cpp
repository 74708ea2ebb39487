#include "worksheet/UXlsRowColEntries.h"

#include <algorithm>
#include <cmath>

#include "globals/UXlsEncodeFormula.h"
#include "globals/UXlsFormula.h"

namespace xls {

namespace {

void CheckRowCol(std::int64_t Row, std::int64_t Col)
{
    if (Row < 0 || Row > MaxRow) RaiseXls(TXlsMsg::InvalidRow, {Row});
    if (Col < 0 || Col > MaxColumn) RaiseXls(TXlsMsg::InvalidColumn, {Col});
}

std::uint16_t CheckedXF(std::int64_t XF)
{
    if (XF < 0 || XF > 0xFFFF) RaiseXls(TXlsMsg::PropertyIndexOutOfRange, {XF, std::string("XF"), 0, 0xFFFF});
    return static_cast<std::uint16_t>(XF);
}

}  // namespace

// ------------------------------------------------------------- TBaseRowColList

void TBaseRowColList::CheckItem(const TBaseRowColRecordList* aItem) const
{
    if (!aItem) RaiseXls(TXlsMsg::LogicalError);
}

bool TBaseRowColList::IsCopied(const TBaseRowColRecord&, bool) const
{
    return true;
}

std::unique_ptr<TBaseRowColRecord> TBaseRowColList::CopyForOffset(const TBaseRowColRecord& aRecord,
                                                                  std::int32_t RowOffset, std::int32_t ColOffset) const
{
    auto copy = CopyRecord(&aRecord);
    copy->ArrangeCopyRowsAndCols(RowOffset, ColOffset);
    return copy;
}

void TBaseRowColList::EnsureRow(std::size_t aRow)
{
    while (Count() <= aRow) Add(CreateRowList());
}

void TBaseRowColList::AddRecord(std::unique_ptr<TBaseRowColRecord> aRecord, std::size_t aRow)
{
    EnsureRow(aRow);
    GetItem(aRow)->Add(std::move(aRecord));
}

void TBaseRowColList::CopyFrom(const TBaseRowColList& aList)
{
    if (&aList == this) RaiseXls(TXlsMsg::LogicalError);
    for (std::size_t i = 0; i < aList.Count(); ++i) {
        auto row = CreateRowList();
        row->CopyFrom(*aList.GetItem(i));
        Add(std::move(row));
    }
}

void TBaseRowColList::SaveToStream(TOle2File& DataStream)
{
    for (std::size_t i = 0; i < Count(); ++i) GetItem(i)->SaveToStream(DataStream);
}

void TBaseRowColList::SaveRangeToStream(TOle2File& DataStream, const TXlsCellRange& CellRange)
{
    for (std::size_t i = 0; i < Count(); ++i) GetItem(i)->SaveRangeToStream(DataStream, CellRange);
}

std::int64_t TBaseRowColList::TotalSize() const
{
    std::int64_t size = 0;
    for (std::size_t i = 0; i < Count(); ++i) size += GetItem(i)->TotalSize();
    return size;
}

std::int64_t TBaseRowColList::TotalRangeSize(const TXlsCellRange& CellRange, bool NeedsRecalc)
{
    std::int64_t size = 0;
    for (std::size_t i = 0; i < Count(); ++i) size += GetItem(i)->TotalRangeSize(CellRange, NeedsRecalc);
    return size;
}

void TBaseRowColList::ArrangeInsertRowsAndCols(std::int32_t InsRowPos, std::int32_t InsRowCount, std::int32_t InsColPos,
                                               std::int32_t InsColCount, const TSheetInfo& SheetInfo)
{
    for (std::size_t i = 0; i < Count(); ++i)
        GetItem(i)->ArrangeInsertRowsAndCols(InsRowPos, InsRowCount, InsColPos, InsColCount, SheetInfo);
}

void TBaseRowColList::DeleteRows(std::int32_t aRow, std::int32_t aCount, const TSheetInfo& SheetInfo)
{
    if (aRow < 0 || aCount < 0) RaiseXls(TXlsMsg::InvalidInsertArguments);
    const std::size_t first = static_cast<std::size_t>(aRow);
    if (first < Count()) DeleteRange(first, std::min(Count() - first, std::size_t(aCount)));
    ArrangeInsertRowsAndCols(aRow, -aCount, 0, 0, SheetInfo);
}

void TBaseRowColList::DeleteCols(std::int32_t aCol, std::int32_t aCount, const TSheetInfo& SheetInfo)
{
    if (aCol < 0 || aCount < 0) RaiseXls(TXlsMsg::InvalidInsertArguments);
    const std::int64_t end = std::int64_t(aCol) + aCount;
    for (std::size_t r = 0; r < Count(); ++r) {
        TBaseRowColRecordList* row = GetItem(r);
        for (std::size_t i = row->Count(); i-- > 0;)
            if (row->Items(i)->Column() >= aCol && row->Items(i)->Column() < end) row->Delete(i);
    }
    ArrangeInsertRowsAndCols(0, 0, aCol, -aCount, SheetInfo);
}

void TBaseRowColList::InsertAndCopyRows(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t DestRow,
                                        std::int32_t aCount, const TSheetInfo& SheetInfo, bool OnlyFormulas)
{
    if (FirstRow < 0 || DestRow < 0 || aCount < 0) RaiseXls(TXlsMsg::InvalidInsertArguments);
    if (LastRow < FirstRow || aCount == 0) return;
    const std::int64_t width = std::int64_t(LastRow) - FirstRow + 1;
    const std::int64_t inserted = width * aCount;
    ArrangeInsertRowsAndCols(DestRow, static_cast<std::int32_t>(inserted), 0, 0, SheetInfo);

    const std::size_t dest = static_cast<std::size_t>(DestRow);
    if (dest < Count()) {
        for (std::int64_t i = 0; i < inserted; ++i) Insert(dest, CreateRowList());
    }
    const std::int64_t moved = FirstRow >= DestRow ? inserted : 0;
    for (std::int64_t k = 0; k < aCount; ++k) {
        for (std::int64_t s = FirstRow; s <= LastRow; ++s) {
            const std::size_t source = static_cast<std::size_t>(s + moved);
            const std::size_t target = static_cast<std::size_t>(DestRow + k * width + (s - FirstRow));
            if (source >= Count()) continue;
            const TBaseRowColRecordList* from = GetItem(source);
            for (std::size_t i = 0; i < from->Count(); ++i) {
                const TBaseRowColRecord* rec = from->Items(i);
                if (!IsCopied(*rec, OnlyFormulas)) continue;
                AddRecord(CopyForOffset(*rec, static_cast<std::int32_t>(std::int64_t(target) - rec->Row()), 0),
                          target);
            }
        }
    }
}

void TBaseRowColList::InsertAndCopyCols(std::int32_t FirstCol, std::int32_t LastCol, std::int32_t DestCol,
                                        std::int32_t aCount, const TSheetInfo& SheetInfo, bool OnlyFormulas)
{
    if (FirstCol < 0 || DestCol < 0 || aCount < 0) RaiseXls(TXlsMsg::InvalidInsertArguments);
    if (LastCol < FirstCol || aCount == 0) return;
    const std::int64_t width = std::int64_t(LastCol) - FirstCol + 1;
    const std::int64_t inserted = width * aCount;
    ArrangeInsertRowsAndCols(0, 0, DestCol, static_cast<std::int32_t>(inserted), SheetInfo);

    const std::int64_t moved = FirstCol >= DestCol ? inserted : 0;
    for (std::size_t r = 0; r < Count(); ++r) {
        TBaseRowColRecordList* row = GetItem(r);
        // The sources first: the copies go in between them.
        std::vector<const TBaseRowColRecord*> sources;
        for (std::size_t i = 0; i < row->Count(); ++i) {
            const TBaseRowColRecord* rec = row->Items(i);
            const std::int64_t col = rec->Column();
            if (col >= FirstCol + moved && col <= LastCol + moved && IsCopied(*rec, OnlyFormulas))
                sources.push_back(rec);
        }
        for (std::int64_t k = 0; k < aCount; ++k) {
            for (const TBaseRowColRecord* rec : sources) {
                const std::int64_t target = DestCol + k * width + (rec->Column() - moved - FirstCol);
                auto copy = CopyForOffset(*rec, 0, static_cast<std::int32_t>(target - rec->Column()));
                std::size_t index = 0;
                if (row->Find(static_cast<std::int32_t>(target), index)) row->Delete(index);
                row->Insert(index, std::move(copy));
            }
        }
    }
}

// ------------------------------------------------------------------- TCellList

TCellList::TCellList(TWorkbookGlobals& aGlobals, TRowRecordList& aRowRecordList, TColInfoList& aColInfoList)
    : FGlobals(&aGlobals), FRowRecordList(&aRowRecordList), FColInfoList(&aColInfoList)
{
}

std::unique_ptr<TBaseRowColRecordList> TCellList::CreateRowList() const
{
    return std::make_unique<TCellRecordList>();
}

bool TCellList::IsCopied(const TBaseRowColRecord& aRecord, bool OnlyFormulas) const
{
    return !OnlyFormulas || AsFormula(&aRecord) != nullptr;
}

TCellRecordList* TCellList::CellRow(std::size_t aRow) const
{
    return aRow < Count() ? static_cast<TCellRecordList*>(GetItem(aRow)) : nullptr;
}

std::uint16_t TCellList::DefaultFormat(std::size_t aRow, std::uint16_t aCol) const
{
    if (FRowRecordList->HasRow(std::int64_t(aRow))) {
        const TRowRecord& row = FRowRecordList->Items(aRow);
        if (row.IsFormatted()) return row.XF();
    }
    const std::int32_t colXF = FColInfoList->ColumnXF(aCol);
    return colXF >= 0 ? static_cast<std::uint16_t>(colXF) : TRowRecord::DefaultXF;
}

std::unique_ptr<TCellRecord> TCellList::NewCellRecord(std::uint16_t aRow, std::uint16_t aCol, std::uint16_t aFormat,
                                                      std::uint16_t aDefaultFormat, const TXlsVariant& aValue,
                                                      const TRTFRunList& RTFRuns, bool Options1904) const
{
    const auto* text = std::get_if<TXlsString>(&aValue);
    if (VarIsEmpty(aValue) || VarIsNull(aValue) || (text && text->empty())) {
        if (aFormat == aDefaultFormat) return nullptr;
        return TBlankRecord::CreateFromData(aRow, aCol, aFormat);
    }
    if (text) {
        if (text->size() > MaxCellTextLength)
            RaiseXls(TXlsMsg::CellTextTooLong, {std::int64_t(text->size()), std::int64_t(MaxCellTextLength)});
        auto cell = TLabelSSTRecord::CreateFromData(aRow, aCol, aFormat, FGlobals->SST());
        cell->SetAsRichString({*text, RTFRuns});
        return cell;
    }
    if (const bool* b = std::get_if<bool>(&aValue)) {
        auto cell = TBoolErrRecord::CreateFromData(aRow, aCol, aFormat);
        cell->SetValue(*b);
        return cell;
    }
    // Error values and unsigned 64-bit numbers have no cell form: the cell is cleared.
    if (!VarIsNumeric(aValue) || std::holds_alternative<std::uint64_t>(aValue)) return nullptr;
    double x = VarToDouble(aValue);
    if (Options1904 && std::holds_alternative<TVarDate>(aValue)) x -= 1462;
    std::unique_ptr<TCellRecord> cell;
    if (IsRKValue(x))
        cell = TRKRecord::CreateFromData(aRow, aCol, aFormat);
    else
        cell = TNumberRecord::CreateFromData(aRow, aCol, aFormat);
    cell->SetValue(x);
    return cell;
}

void TCellList::FixRowColumns(std::size_t aRow)
{
    if (!FRowRecordList->HasRow(std::int64_t(aRow))) return;
    TRowRecord& row = FRowRecordList->Items(aRow);
    TCellRecordList* cells = CellRow(aRow);
    if (!cells || cells->Count() == 0) {
        row.SetMinCol(0);
        row.SetMaxCol(0);
        return;
    }
    if (!cells->Sorted()) cells->Sort();
    row.SetMinCol(cells->Items(0)->Column());
    row.SetMaxCol(static_cast<std::uint16_t>(cells->Items(cells->Count() - 1)->Column() + 1));
}

void TCellList::FixRowAfterRemoval(std::size_t aRow)
{
    if (!FRowRecordList->HasRow(std::int64_t(aRow))) return;
    const TCellRecordList* cells = CellRow(aRow);
    if ((!cells || cells->Count() == 0) && !FRowRecordList->Items(aRow).IsModified())
        FRowRecordList->SetItem(aRow, nullptr);
    else
        FixRowColumns(aRow);
}

void TCellList::TrimTrailingRows(std::size_t aRow, bool aPlaced)
{
    // Both lists shrink from their ends, so the slot looked at is always the
    // last one of each list that reaches it.
    for (std::size_t slot = std::max(FRowRecordList->Count(), Count()); slot-- > 0;) {
        if (aPlaced && slot <= aRow) break;
        if (FRowRecordList->HasRow(std::int64_t(slot)) && FRowRecordList->Items(slot).IsModified()) break;
        if (slot < Count() && GetItem(slot)->Count() > 0) break;
        if (slot < FRowRecordList->Count()) FRowRecordList->Delete(slot);
        if (slot < Count()) Delete(slot);
    }
}

TCellList::TCellSlot TCellList::LocateCell(std::int64_t Row, std::int64_t Col, std::int32_t XF)
{
    CheckRowCol(Row, Col);
    TCellSlot slot;
    slot.Row = static_cast<std::uint16_t>(Row);
    slot.Col = static_cast<std::uint16_t>(Col);
    slot.DefaultFormat = DefaultFormat(slot.Row, slot.Col);
    slot.Cells = CellRow(slot.Row);
    slot.Exists = slot.Cells && slot.Cells->Find(slot.Col, slot.Index);
    slot.Format = slot.Exists ? slot.Cells->Items(slot.Index)->XF() : slot.DefaultFormat;
    if (XF >= 0) slot.Format = CheckedXF(XF);
    return slot;
}

void TCellList::PlaceCell(const TCellSlot& aSlot, std::unique_ptr<TCellRecord> aCell)
{
    if (aSlot.Exists) {
        aSlot.Cells->Delete(aSlot.Index);
        if (!aCell) FixRowAfterRemoval(aSlot.Row);
    }
    TrimTrailingRows(aSlot.Row, aCell != nullptr);
    if (!aCell) return;

    FRowRecordList->AddRow(aSlot.Row);
    TRowRecord& rowRecord = FRowRecordList->Items(aSlot.Row);
    if (rowRecord.MaxCol() < aSlot.Col + 1) rowRecord.SetMaxCol(static_cast<std::uint16_t>(aSlot.Col + 1));
    if (rowRecord.MinCol() > aSlot.Col) rowRecord.SetMinCol(aSlot.Col);
    if (aSlot.Cells)
        aSlot.Cells->Insert(aSlot.Index, std::move(aCell));
    else
        AddRecord(std::move(aCell), aSlot.Row);
}

void TCellList::SetValueX2(std::int64_t Row, std::int64_t Col, const TXlsCellValue& Value, const TRTFRunList& RTFRuns,
                           bool Options1904)
{
    const TCellSlot slot = LocateCell(Row, Col, Value.XF);
    // The new cell is complete before anything changes, so a refused value leaves the sheet as it was.
    PlaceCell(slot,
              NewCellRecord(slot.Row, slot.Col, slot.Format, slot.DefaultFormat, Value.Value, RTFRuns, Options1904));
}

void TCellList::AssignFormulaX(std::int64_t Row, std::int64_t Col, std::u16string_view Formula,
                               const TXlsVariant& Value, bool Options1904)
{
    const TCellSlot slot = LocateCell(Row, Col, -1);
    std::unique_ptr<TFormulaRecord> cell;
    if (!Formula.empty()) {
        TParseString parser(Formula, *this, TFmReturnType::fmValue);
        parser.Parse();
        const std::size_t size = TFormulaRecord::TokensOfs - 2 + parser.TotalSize();
        cell = TFormulaRecord::CreateFromData(static_cast<std::uint16_t>(size), slot.Row, slot.Col, slot.Format, Value,
                                              Options1904);
        parser.CopyToPtr(cell->Data(), TFormulaRecord::TokensOfs - 2);
    }
    PlaceCell(slot, std::move(cell));
}

TXlsString TCellList::GetFormula(std::int64_t Row, std::int64_t Col)
{
    CheckRowCol(Row, Col);
    TCellRecordList* cells = CellRow(static_cast<std::size_t>(Row));
    std::size_t index = 0;
    if (!cells || !cells->Find(static_cast<std::int32_t>(Col), index)) return {};
    const auto* formula = AsFormula(cells->Items(index));
    if (!formula) return {};
    return DecodeFormula(formula->Data(), TFormulaRecord::TokensOfs, *this);
}

TXlsString TCellList::GetName(std::int32_t ExternSheet, std::int32_t NameIndex)
{
    return FGlobals->GetName(ExternSheet, NameIndex);
}

TXlsString TCellList::GetSheetName(std::int32_t SheetNumber)
{
    return FGlobals->GetSheetName(SheetNumber);
}

bool TCellList::FindSheet(std::u16string_view aName, std::int32_t& Index)
{
    return FGlobals->FindSheet(aName, Index);
}

std::int32_t TCellList::AddExternSheet(std::int32_t FirstSheet, std::int32_t LastSheet)
{
    return FGlobals->AddExternSheet(FirstSheet, LastSheet);
}

void TCellList::GetValueX2(std::int64_t Row, std::int64_t Col, TXlsCellValue& V, TRTFRunList& RTFRuns)
{
    CheckRowCol(Row, Col);
    V = TXlsCellValue{};
    RTFRuns.clear();
    TCellRecordList* cells = CellRow(static_cast<std::size_t>(Row));
    std::size_t index = 0;
    if (!cells || !cells->Find(static_cast<std::int32_t>(Col), index)) return;
    const TCellRecord* cell = cells->Items(index);
    V.XF = cell->XF();
    V.IsFormula = AsFormula(cell) != nullptr;
    TRichString rich;
    if (const auto* sst = dynamic_cast<const TLabelSSTRecord*>(cell)) {
        rich = sst->AsRichString();
    } else if (const auto* rstring = dynamic_cast<const TRStringRecord*>(cell)) {
        rich = rstring->AsRichString();
    } else {
        V.Value = cell->GetValue();
        return;
    }
    V.Value = std::move(rich.Value);
    RTFRuns = std::move(rich.RTFRuns);
}

TXlsCellValue TCellList::GetValue(std::int64_t Row, std::int64_t Col)
{
    TXlsCellValue v;
    TRTFRunList runs;
    GetValueX2(Row, Col, v, runs);
    return v;
}

void TCellList::SetFormat(std::int64_t Row, std::int64_t Col, std::int32_t XF)
{
    CheckRowCol(Row, Col);
    const std::uint16_t format = CheckedXF(XF);
    TCellRecordList* cells = CellRow(static_cast<std::size_t>(Row));
    std::size_t index = 0;
    // An existing cell keeps its value whatever its row record.
    if (cells && cells->Find(static_cast<std::int32_t>(Col), index)) {
        cells->Items(index)->SetXF(format);
        return;
    }
    SetValueX2(Row, Col, TXlsCellValue{TVarNull{}, XF, false}, {}, false);
}

TFormulaRecord& TCellList::FormulaAt(std::int64_t Row, std::int64_t Col)
{
    CheckRowCol(Row, Col);
    if (std::size_t(Row) >= Count()) RaiseXls(TXlsMsg::InvalidRow, {Row});
    TCellRecordList* cells = CellRow(static_cast<std::size_t>(Row));
    std::size_t index = 0;
    TFormulaRecord* formula = nullptr;
    if (cells->Find(static_cast<std::int32_t>(Col), index))
        formula = AsFormula(cells->Items(index));
    if (!formula) RaiseXls(TXlsMsg::SharedFormulaNotFound);
    return *formula;
}

TByteView TCellList::ArrayFormula(std::int64_t Row, std::int64_t Col)
{
    const TFormulaRecord& formula = FormulaAt(Row, Col);
    if (!formula.ArrayRecord()) RaiseXls(TXlsMsg::FormulaCellNotSupported, {Row + 1, Col + 1, std::int64_t(ptgExp)});
    return formula.ArrayRecord()->Data();
}

TByteView TCellList::TableFormula(std::int64_t Row, std::int64_t Col)
{
    const TFormulaRecord& formula = FormulaAt(Row, Col);
    if (!formula.TableRecord()) RaiseXls(TXlsMsg::FormulaCellNotSupported, {Row + 1, Col + 1, std::int64_t(ptgTbl)});
    return formula.TableRecord()->Data();
}

template <class F>
void TCellList::ForEachFormula(F aVisit)
{
    for (std::size_t r = 0; r < Count(); ++r) {
        TCellRecordList* cells = CellRow(r);
        for (std::size_t i = 0; i < cells->Count(); ++i)
            if (auto* formula = AsFormula(cells->Items(i))) aVisit(*cells, *formula);
    }
}

void TCellList::FixFormulas(TShrFmlaRecordList& ShrFmlas)
{
    ForEachFormula([&](TCellRecordList& cells, TFormulaRecord& formula) {
        std::uint32_t key = 0;
        std::size_t index = 0;
        if (!formula.IsExp(key) || !ShrFmlas.Find(key, index)) return;
        const std::int64_t before = formula.TotalSize();
        formula.MixShared(ShrFmlas.Items(index)->Data());
        cells.AdaptSize(formula.TotalSize() - before);
    });
}

void TCellList::ArrangeInsertSheet(const TSheetInfo& SheetInfo)
{
    ForEachFormula([&](TCellRecordList&, TFormulaRecord& formula) { formula.ArrangeCopySheet(SheetInfo); });
}

void TCellList::ArrangeDeletedNames(const TDeletedNames& Deleted)
{
    ForEachFormula([&](TCellRecordList&, TFormulaRecord& formula) { formula.ArrangeDeletedNames(Deleted); });
}

std::int64_t TCellList::FixTotalSize(bool NeedsRecalc)
{
    std::int64_t size = 0;
    for (std::size_t r = 0; r < Count(); ++r) size += CellRow(r)->FixTotalSize(NeedsRecalc);
    return size;
}

void TCellList::RecalcRowHeights(std::int64_t Row1, std::int64_t Row2, bool Forced, bool KeepAutofit, double Adjustment)
{
    double height = StandardRowHeight;
    if (Adjustment != 1 && Adjustment >= 0) height = std::round(height * Adjustment);
    const auto newHeight = static_cast<std::uint16_t>(std::min(height, 32767.0));
    const std::int64_t last = std::min<std::int64_t>(Row2, std::int64_t(FRowRecordList->Count()) - 1);
    for (std::int64_t r = std::max<std::int64_t>(Row1, 0); r <= last; ++r) {
        if (!FRowRecordList->HasRow(r)) continue;
        TRowRecord& row = FRowRecordList->Items(static_cast<std::size_t>(r));
        if (!Forced && !row.IsAutoHeight()) continue;
        row.SetHeight(newHeight);
        if (!KeepAutofit) row.SetAutoHeight(false);
    }
}

void TCellList::ArrangeInsertRowsAndCols(std::int32_t InsRowPos, std::int32_t InsRowCount, std::int32_t InsColPos,
                                         std::int32_t InsColCount, const TSheetInfo& SheetInfo)
{
    TBaseRowColList::ArrangeInsertRowsAndCols(InsRowPos, InsRowCount, InsColPos, InsColCount, SheetInfo);
    if (InsColCount > 0) FColInfoList->ArrangeInsertCols(InsColPos, InsColCount, SheetInfo);
}

void TCellList::InsertAndCopyCols(std::int32_t FirstCol, std::int32_t LastCol, std::int32_t DestCol,
                                  std::int32_t aCount, const TSheetInfo& SheetInfo, bool OnlyFormulas)
{
    TBaseRowColList::InsertAndCopyCols(FirstCol, LastCol, DestCol, aCount, SheetInfo, OnlyFormulas);
    if (!OnlyFormulas) FColInfoList->CopyCols(FirstCol, LastCol, DestCol, aCount, SheetInfo);
}

// ---------------------------------------------------------------------- TCells

TCells::TCells(TWorkbookGlobals& aGlobals, TColInfoList& aColInfoList) : FCellList(aGlobals, FRowList, aColInfoList) {}

void TCells::Clear()
{
    FRowList.Clear();
    FCellList.Clear();
}

void TCells::CopyFrom(const TCells& aList)
{
    if (&aList == this) RaiseXls(TXlsMsg::LogicalError);
    Clear();
    FRowList.CopyFrom(aList.FRowList);
    FCellList.CopyFrom(aList.FCellList);
}

void TCells::AddRow(std::unique_ptr<TRowRecord> aRecord)
{
    FRowList.AddRecord(std::move(aRecord));
}

void TCells::AddCell(std::unique_ptr<TCellRecord> aRecord)
{
    // A cell beyond the sheet's last column could be neither changed nor written back.
    CheckRowCol(aRecord->Row(), aRecord->Column());
    const std::size_t row = aRecord->Row();
    FCellList.AddRecord(std::move(aRecord), row);
    // The first cell of a row makes room for every cell its ROW record spans:
    // the row's list then grows once instead of doubling its way up.
    TCellRecordList* cells = FCellList.CellRow(row);
    if (cells->Count() != 1 || !FRowList.HasRow(std::int64_t(row))) return;
    const TRowRecord& rowRecord = FRowList.Items(row);
    if (rowRecord.MaxCol() > rowRecord.MinCol())
        cells->Reserve(std::min<std::size_t>(rowRecord.MaxCol() - rowRecord.MinCol(), MaxColumn + 1));
}

void TCells::AddMultipleCells(TMultipleValueRecord& aRecord)
{
    while (!aRecord.Eof()) AddCell(aRecord.ExtractOneRecord());
}

void TCells::KeepLastCellOfEachPlace()
{
    for (std::size_t r = 0; r < FCellList.Count(); ++r) FCellList.CellRow(r)->KeepLastInEachColumn();
}

void TCells::FixRowsBetween(std::size_t aFirst, std::size_t aLast)
{
    for (std::size_t r = aFirst; r <= aLast && r < FCellList.Count(); ++r) {
        TCellRecordList* cells = FCellList.CellRow(r);
        if (cells->Count() == 0) continue;
        if (!FRowList.HasRow(std::int64_t(r))) {
            FRowList.AddRow(static_cast<std::uint16_t>(r));
            FCellList.FixRowColumns(r);
            continue;
        }
        // A row read with narrower columns than its cells would drop them on save.
        TRowRecord& row = FRowList.Items(r);
        const std::uint16_t minCol = row.MinCol(), maxCol = row.MaxCol();
        FCellList.FixRowColumns(r);
        row.SetMinCol(std::min(minCol, row.MinCol()));
        row.SetMaxCol(std::max(maxCol, row.MaxCol()));
    }
}

void TCells::FixRows()
{
    if (FCellList.Count() > 0) FixRowsBetween(0, FCellList.Count() - 1);
}

TXlsCellRange TCells::CalcDimensions() const
{
    TXlsCellRange range;
    range.Top = static_cast<std::int32_t>(FRowList.Count());
    std::int64_t maxCol = 0;
    for (std::size_t r = 0; r < FRowList.Count(); ++r) {
        if (!FRowList.HasRow(std::int64_t(r))) continue;
        range.Top = std::min(range.Top, static_cast<std::int32_t>(r));
        maxCol = std::max<std::int64_t>(maxCol, FRowList.Items(r).MaxCol());
    }
    range.Bottom = static_cast<std::int32_t>(FRowList.Count()) - 1;
    range.Left = 0;
    range.Right = static_cast<std::int32_t>(std::min<std::int64_t>(maxCol > 0 ? maxCol - 1 : 0, MaxColumn));
    return range;
}

namespace {

void WriteDimensions(TOle2File& DataStream, const TXlsCellRange& CellRange)
{
    TBytes d;
    AppendWord(d, xlr_DIMENSIONS);
    AppendWord(d, 14);
    AppendCardinal(d, static_cast<std::uint32_t>(CellRange.Top));
    AppendCardinal(d, static_cast<std::uint32_t>(CellRange.Bottom + 1));
    AppendWord(d, static_cast<std::uint16_t>(CellRange.Left));
    AppendWord(d, static_cast<std::uint16_t>(CellRange.Right + 1));
    AppendWord(d, 0);
    StreamWrite(DataStream, d);
}

// A ROW record with its columns clipped to the range, for this write only.
void WriteRow(TOle2File& DataStream, const TRowRecord& aRow, const TXlsCellRange& CellRange)
{
    TBytes d;
    AppendWord(d, aRow.Id());
    AppendWord(d, aRow.DataSize());
    d.insert(d.end(), aRow.Data().begin(), aRow.Data().end());
    TByteSpan data = TByteSpan(d).subspan(4);
    SetWord(data, 2, static_cast<std::uint16_t>(std::max<std::int64_t>(aRow.MinCol(), CellRange.Left)));
    SetWord(data, 4, static_cast<std::uint16_t>(std::min<std::int64_t>(aRow.MaxCol(), CellRange.Right + 1)));
    StreamWrite(DataStream, d);
}

constexpr std::int64_t DimensionsSize = 4 + 14;

}  // namespace

std::int64_t TCells::SaveOrMeasure(TOle2File* aStream, const TXlsCellRange& CellRange, bool NeedsRecalc)
{
    if (aStream) WriteDimensions(*aStream, CellRange);
    std::int64_t size = DimensionsSize;
    const std::int64_t top = std::max<std::int64_t>(CellRange.Top, 0);
    const std::int64_t bottom = std::min<std::int64_t>(CellRange.Bottom, MaxRow);
    for (std::int64_t block = top; block <= bottom; block += RowBlockSize) {
        const std::int64_t blockEnd = std::min<std::int64_t>(block + RowBlockSize - 1, bottom);
        for (std::int64_t r = block; r <= blockEnd; ++r) {
            if (!FRowList.HasRow(r)) continue;
            const TRowRecord& row = FRowList.Items(static_cast<std::size_t>(r));
            if (aStream) WriteRow(*aStream, row, CellRange);
            size += 4 + row.DataSize();
        }
        for (std::int64_t r = block; r <= blockEnd; ++r) {
            TCellRecordList* cells = FCellList.CellRow(static_cast<std::size_t>(r));
            if (!cells) continue;
            if (aStream)
                cells->SaveRangeToStream(*aStream, CellRange);
            else
                size += cells->TotalRangeSize(CellRange, NeedsRecalc);
        }
    }
    return size;
}

void TCells::SaveToStream(TOle2File& DataStream)
{
    SaveOrMeasure(&DataStream, CalcDimensions(), false);
}

void TCells::SaveRangeToStream(TOle2File& DataStream, const TXlsCellRange& CellRange)
{
    SaveOrMeasure(&DataStream, CellRange, false);
}

std::int64_t TCells::TotalRangeSize(const TXlsCellRange& CellRange, bool NeedsRecalc)
{
    return SaveOrMeasure(nullptr, CellRange, NeedsRecalc);
}

std::int64_t TCells::FixTotalSize(bool NeedsRecalc)
{
    return SaveOrMeasure(nullptr, CalcDimensions(), NeedsRecalc);
}

std::int64_t TCells::LastUsedRow() const
{
    for (std::size_t r = std::max(FRowList.Count(), FCellList.Count()); r-- > 0;) {
        const TCellRecordList* cells = FCellList.CellRow(r);
        if (FRowList.HasRow(std::int64_t(r)) || (cells && cells->Count() > 0)) return std::int64_t(r);
    }
    return -1;
}

void TCells::InsertAndCopyRows(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t DestRow, std::int32_t aCount,
                               const TSheetInfo& SheetInfo, bool OnlyFormulas)
{
    if (LastRow < FirstRow || aCount <= 0) return;
    const std::int64_t inserted = (std::int64_t(LastRow) - FirstRow + 1) * aCount;
    // Refuse before anything moves, rather than half way.
    const std::int64_t last = LastUsedRow();
    if (last >= DestRow && last + inserted > MaxRow) RaiseXls(TXlsMsg::TooManyEntries, {last + inserted, MaxRow});

    FRowList.InsertAndCopyRows(FirstRow, LastRow, DestRow, aCount, SheetInfo);
    FCellList.InsertAndCopyRows(FirstRow, LastRow, DestRow, aCount, SheetInfo, OnlyFormulas);
    const auto first = static_cast<std::size_t>(DestRow);
    const auto end = static_cast<std::size_t>(DestRow + inserted);
    if (OnlyFormulas)
        for (std::size_t r = first; r < end && r < FRowList.Count(); ++r) FRowList.SetItem(r, nullptr);
    FixRowsBetween(first, end - 1);
}

void TCells::InsertAndCopyCols(std::int32_t FirstCol, std::int32_t LastCol, std::int32_t DestCol, std::int32_t aCount,
                               const TSheetInfo& SheetInfo, bool OnlyFormulas)
{
    if (LastCol < FirstCol || aCount <= 0) return;
    const std::int64_t inserted = (std::int64_t(LastCol) - FirstCol + 1) * aCount;
    for (std::size_t r = 0; r < FCellList.Count(); ++r) {
        const TCellRecordList* cells = FCellList.CellRow(r);
        for (std::size_t i = 0; i < cells->Count(); ++i) {
            const std::int64_t col = cells->Items(i)->Column();
            if (col >= DestCol && col + inserted > MaxColumn)
                RaiseXls(TXlsMsg::TooManyEntries, {col + inserted, MaxColumn});
        }
    }
    FCellList.InsertAndCopyCols(FirstCol, LastCol, DestCol, aCount, SheetInfo, OnlyFormulas);
    for (std::size_t r = 0; r < FRowList.Count(); ++r) FCellList.FixRowColumns(r);
}

void TCells::DeleteRows(std::int32_t aRow, std::int32_t aCount, const TSheetInfo& SheetInfo)
{
    FRowList.DeleteRows(aRow, aCount, SheetInfo);
    FCellList.DeleteRows(aRow, aCount, SheetInfo);
}

void TCells::DeleteCols(std::int32_t aCol, std::int32_t aCount, const TSheetInfo& SheetInfo)
{
    FCellList.DeleteCols(aCol, aCount, SheetInfo);
    for (std::size_t r = 0; r < FRowList.Count(); ++r) FCellList.FixRowColumns(r);
}

void TCells::ArrangeInsertRowsAndCols(std::int32_t InsRowPos, std::int32_t InsRowCount, std::int32_t InsColPos,
                                      std::int32_t InsColCount, const TSheetInfo& SheetInfo)
{
    FCellList.ArrangeInsertRowsAndCols(InsRowPos, InsRowCount, InsColPos, InsColCount, SheetInfo);
}

}  // namespace xls
