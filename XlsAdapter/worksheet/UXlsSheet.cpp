#include "worksheet/UXlsSheet.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "cfb/UOle2Impl.h"
#include "globals/UXlsFormula.h"
#include "globals/UXlsFormulaParser.h"
#include "globals/UXlsWorkbookGlobals.h"
#include "worksheet/UXlsRecordFactory.h"

namespace xls {

// --------------------------------------------------------------------- TSheet

void TSheet::Clear()
{
    TBaseSection::Clear();
    ClearCachePointers();
    FCodeName.reset();
    FOriginalDimensions = {};
}

void TSheet::ClearCachePointers()
{
    FWindow2 = nullptr;
    FPageHeader = nullptr;
    FPageFooter = nullptr;
    FPrintGridLines = nullptr;
    FLeftMargin = FRightMargin = FTopMargin = FBottomMargin = nullptr;
    FSetup = nullptr;
    FPrinterDriverSettings = nullptr;
    FWSBool = nullptr;
    FHCenter = FVCenter = nullptr;
    FZoom = nullptr;
    FGuts = nullptr;
    FPane = nullptr;
    FAutoFilterInfo = nullptr;
    FRefMode = nullptr;
}

namespace {

template <class T>
void CacheAs(T*& aField, TBaseRecord* aRecord)
{
    if (auto* typed = dynamic_cast<T*>(aRecord)) aField = typed;
}

}  // namespace

void TSheet::CacheRecord(TBaseRecord* aRecord)
{
    if (!aRecord) return;
    switch (aRecord->Id()) {
    case xlr_WINDOW2: CacheAs(FWindow2, aRecord); break;
    case xlr_HEADER: CacheAs(FPageHeader, aRecord); break;
    case xlr_FOOTER: CacheAs(FPageFooter, aRecord); break;
    case xlr_PRINTGRIDLINES: CacheAs(FPrintGridLines, aRecord); break;
    case xlr_LEFTMARGIN: CacheAs(FLeftMargin, aRecord); break;
    case xlr_RIGHTMARGIN: CacheAs(FRightMargin, aRecord); break;
    case xlr_TOPMARGIN: CacheAs(FTopMargin, aRecord); break;
    case xlr_BOTTOMMARGIN: CacheAs(FBottomMargin, aRecord); break;
    case xlr_SETUP: CacheAs(FSetup, aRecord); break;
    case xlr_PLS: CacheAs(FPrinterDriverSettings, aRecord); break;
    case xlr_WSBOOL: CacheAs(FWSBool, aRecord); break;
    case xlr_HCENTER: CacheAs(FHCenter, aRecord); break;
    case xlr_VCENTER: CacheAs(FVCenter, aRecord); break;
    case xlr_SCL: CacheAs(FZoom, aRecord); break;
    case xlr_GUTS: CacheAs(FGuts, aRecord); break;
    case xlr_PANE: CacheAs(FPane, aRecord); break;
    case xlr_AUTOFILTERINFO: CacheAs(FAutoFilterInfo, aRecord); break;
    case xlr_REFMODE: CacheAs(FRefMode, aRecord); break;
    default: break;
    }
}

void TSheet::SaveRangeToStream(TOle2File& DataStream, std::int32_t, const TXlsCellRange&)
{
    SaveToStream(DataStream);
}

std::int64_t TSheet::TotalRangeSize(std::int32_t, const TXlsCellRange&)
{
    return TotalSize();
}

bool TSheet::Selected() const
{
    return FWindow2 && (FWindow2->Options() & TWindow2Record::OptSelected) != 0;
}

void TSheet::SetSelected(bool aValue)
{
    if (!FWindow2) return;
    constexpr std::uint16_t shown = TWindow2Record::OptSelected | TWindow2Record::OptPaged;
    const std::uint16_t options = FWindow2->Options();
    FWindow2->SetOptions(static_cast<std::uint16_t>(aValue ? options | shown : options & ~shown));
}

TXlsString TSheet::CodeName() const
{
    return FCodeName ? FCodeName->Value() : TXlsString();
}

void TSheet::SetCodeName(std::u16string_view aName)
{
    FCodeName = TCodeNameRecord::CreateNew(aName);
}

void TSheet::CopyBaseTo(TSheet& aCopy) const
{
    aCopy.FBOF = CopyRecord(FBOF.get());
    aCopy.FEOF = CopyRecord(FEOF.get());
    aCopy.FOriginalDimensions = FOriginalDimensions;
}

void TSheet::CheckNextRecord(const TRecordHeader& RecordHeader)
{
    // A section must end with its own EOF; the end of the stream is no EOF.
    if (RecordHeader.StreamEnded) RaiseXls(TXlsMsg::SectionWithoutEOF);
    if (RecordHeader.Id == xlr_BOF) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
}

// ----------------------------------------------------------------- TWorkSheet

namespace {

// The position of the list's first record with that id; its count without one.
std::size_t PositionOfFirst(const TBaseRecordList& aList, std::uint16_t aId)
{
    for (std::size_t i = 0; i < aList.Count(); ++i)
        if (aList.GetItem(i) && aList.GetItem(i)->Id() == aId) return i;
    return aList.Count();
}

TWorkbookGlobals& RequireGlobals(TWorkbookGlobals* aWorkbookGlobals)
{
    // A worksheet's text cells live in the globals' shared strings.
    if (!aWorkbookGlobals) RaiseXls(TXlsMsg::LogicalError);
    return *aWorkbookGlobals;
}

}  // namespace

TWorkSheet::TWorkSheet(TWorkbookGlobals* aWorkbookGlobals)
    : TSheet(aWorkbookGlobals), FDrawing(DrawingGroupOf(RequireGlobals(aWorkbookGlobals))),
      FCells(RequireGlobals(aWorkbookGlobals), FColumns), FNotes(FDrawing)
{
    FPrintRecords = &FMiscRecords1;
}

namespace {

// The empty sheet's records, read as the sheet of a workbook stream.
template <class F>
void ReadTemplateSheet(F aLoad)
{
    TBytes stream;
    AppendRecords(stream, TWorkSheet::EmptySheetRecords());
    stream.resize(std::max<std::size_t>(stream.size(), TOle2Header::MiniSectorCutoff), 0);
    const TNewStream streams[] = {{u"Workbook", std::move(stream)}};
    TMemoryStream mem(BuildCompoundFile(streams, TBytes(16, 0)));
    TOle2File ole(mem);
    ole.SelectStream(u"Workbook");
    TRecordHeader header;
    ReadHeader(ole, header);
    if (header.Id != xlr_BOF) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
    std::unique_ptr<TBaseRecord> bof = ReadRecord(ole, header);
    aLoad(ole, header, TakeRecordAs<TBOFRecord>(std::move(bof)));
}

}  // namespace

TRecordTable TWorkSheet::EmptySheetRecords()
{
    return {
        {xlr_BOF, BytesFromHex("00 06 10 00 38 13 CD 07 C1 C0 00 00 06 03 00 00")},  // BOF: BIFF8 worksheet
        // INDEX: no rows; its last field (the DEFCOLWIDTH position) is filled in from the layout
        {xlr_INDEX, BytesFromHex("00 00 00 00 00 00 00 00 00 00 00 00 59 06 00 00")},
        {xlr_CALCMODE, BytesFromHex("01 00")},                    // CALCMODE: automatic
        {xlr_CALCCOUNT, BytesFromHex("64 00")},                    // CALCCOUNT: 100
        {xlr_REFMODE, BytesFromHex("01 00")},                    // REFMODE: A1
        {xlr_ITERATION, BytesFromHex("00 00")},                    // ITERATION: off
        {xlr_DELTA, BytesFromHex("FC A9 F1 D2 4D 62 50 3F")},  // DELTA: 0.001
        {xlr_SAVERECALC, BytesFromHex("01 00")},                    // SAVERECALC: on
        {xlr_PRINTHEADERS, BytesFromHex("00 00")},                    // PRINTHEADERS: off
        {xlr_PRINTGRIDLINES, BytesFromHex("00 00")},                    // PRINTGRIDLINES: off
        {xlr_GRIDSET, BytesFromHex("01 00")},                    // GRIDSET
        {xlr_GUTS, BytesFromHex("00 00 00 00 00 00 00 00")},  // GUTS: no outline
        {xlr_DEFAULTROWHEIGHT, BytesFromHex("00 00 FF 00")},              // DEFAULTROWHEIGHT: 255 twips
        {xlr_WSBOOL, BytesFromHex("C1 04")},                    // WSBOOL
        {xlr_HEADER, {}},                              // HEADER: empty
        {xlr_FOOTER, {}},                              // FOOTER: empty
        {xlr_HCENTER, BytesFromHex("00 00")},                    // HCENTER: off
        {xlr_VCENTER, BytesFromHex("00 00")},                    // VCENTER: off
        // SETUP: scale 255, start page 1, fit 1 x 1, no printer settings;
        // header and footer margins 0.5 inch; no copies given
        {xlr_SETUP, BytesFromHex("00 00 FF 00 01 00 01 00 01 00 04 00 00 00 00 00 "
                     "00 00 00 00 00 00 E0 3F 00 00 00 00 00 00 E0 3F 00 00")},
        {xlr_DEFCOLWIDTH, BytesFromHex("08 00")},              // DEFCOLWIDTH: 8 characters
        {xlr_DIMENSIONS, BytesFromHex("00 00 00 00 00 00 00 00 00 00 00 00 00 00")},  // DIMENSIONS: empty sheet
        {xlr_WINDOW2, BytesFromHex("B6 06 00 00 00 00 40 00 00 00 00 00 00 00 00 00 00 00")},  // WINDOW2
        {xlr_SELECTION, BytesFromHex("03 00 00 00 00 00 00 01 00 00 00 00 00 00 00")},  // SELECTION: A1
        {xlr_PHONETICINFO, BytesFromHex("00 00 37 00 00 00")},        // PHONETICINFO
        {xlr_EOF, {}},                              // EOF
    };
}


std::unique_ptr<TWorkSheet> TWorkSheet::CreateFromData(TWorkbookGlobals* aWorkbookGlobals, TSST& SST)
{
    auto sheet = std::make_unique<TWorkSheet>(aWorkbookGlobals);
    ReadTemplateSheet([&](TOle2File& ole, TRecordHeader& header, std::unique_ptr<TBOFRecord> bof) {
        sheet->LoadFromStream(ole, header, std::move(bof), SST);
    });
    return sheet;
}

void TWorkSheet::ClearValues()
{
    // The template's sheet is selected; a cleared sheet keeps its own state,
    // or the file would open with two sheets grouped.
    const bool selected = Selected();
    Clear();
    ReadTemplateSheet([&](TOle2File& ole, TRecordHeader& header, std::unique_ptr<TBOFRecord> bof) {
        LoadFromStream(ole, header, std::move(bof), FWorkbookGlobals->SST());
    });
    SetSelected(selected);
}

void TWorkSheet::Clear()
{
    TSheet::Clear();
    FMiscRecords1.Clear();
    FMiscRecords2.Clear();
    FHPageBreaks.Clear();
    FVPageBreaks.Clear();
    FDrawing.Clear();
    FCells.Clear();
    FColumns.Clear();
    FRanges.Clear();
    FNotes.Clear();
    FHLinks.Clear();
    FDefRowHeight = StandardRowHeight;
    FDefColWidth = StandardColWidth;
}

struct TWorkSheet::TLoadState {
    TBaseRecordList* Current = nullptr;     // where kept records go
    TShrFmlaRecordList ShrFmlas;            // expanded into their cells after the load
    TFormulaRecord* LastFormula = nullptr;  // the formula cell read last
    std::uint16_t LastDefColWidth = 8;      // characters
    bool StandardWidthApplied = false;

    TFormulaRecord& FormulaBefore() const
    {
        if (!LastFormula) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
        return *LastFormula;
    }
};

void TWorkSheet::LoadFromStream(TOle2File& DataStream, TRecordHeader& RecordHeader, std::unique_ptr<TBOFRecord> First,
                                TSST& SST)
{
    Clear();
    TLoadState state;
    state.Current = &FMiscRecords1;
    while (!FEOF) {
        AtNextRecord(DataStream, RecordHeader, [&] {
            CheckNextRecord(RecordHeader);
            LoadRecord(DataStream, RecordHeader, ReadRecord(DataStream, RecordHeader), SST, state);
        });
    }
    FCells.KeepLastCellOfEachPlace();
    FCells.CellList().FixFormulas(state.ShrFmlas);
    CheckFormulaMasters();
    FCells.FixRows();
    if (FDrawing.NeedsGeometry()) FDrawing.SaveObjectCoords(Geometry());
    FBOF = std::move(First);
}

TSheetGeometry TWorkSheet::Geometry()
{
    std::vector<std::int32_t> widths, heights;
    for (std::int32_t c = 0; c <= MaxColumn; ++c) widths.push_back(GetColWidth(c, true));
    for (std::int32_t r = 0; r <= MaxRow; ++r) heights.push_back(GetRowHeight(r, true) & 0x7FFF);
    return TSheetGeometry(widths, heights);
}

void TWorkSheet::RestoreObjectCoords()
{
    if (FDrawing.NeedsGeometry()) FDrawing.RestoreObjectCoords(Geometry());
}

void TWorkSheet::CheckFormulaMasters()
{
    // A formula that is still only a pointer to its master cell after the
    // shared formulas were expanded needs an array formula or a data table
    // there; else its shared formula was missing, and the pointer would be
    // written back pointing at nothing.
    TCellList& cells = FCells.CellList();
    std::vector<std::uint32_t> masters;
    for (std::size_t r = 0; r < cells.Count(); ++r) {
        const TCellRecordList* row = cells.CellRow(r);
        std::uint32_t key = 0;
        for (std::size_t i = 0; i < row->Count(); ++i)
            if (const auto* f = AsFormula(row->Items(i)); f && f->IsExp(key))
                masters.push_back(key);
    }
    for (std::uint32_t key : masters) {
        TCellRecordList* row = cells.CellRow(key & 0xFFFF);
        std::size_t index = 0;
        const TFormulaRecord* master = row && row->Find(std::int32_t(key >> 16), index)
                                           ? AsFormula(row->Items(index))
                                           : nullptr;
        if (!master || (!master->ArrayRecord() && !master->TableRecord())) RaiseXls(TXlsMsg::SharedFormulaNotFound);
    }
}

void TWorkSheet::ApplyDefaultSize(const TBaseRecord& aRecord, TLoadState& aState)
{
    // A STANDARDWIDTH counts only while no DEFCOLWIDTH other than 8 was read,
    // and a DEFCOLWIDTH of 8 does not override an applied STANDARDWIDTH.
    // The id first: this runs for every record of the sheet.
    const std::uint16_t id = aRecord.Id();
    if (id != xlr_DEFCOLWIDTH && id != xlr_STANDARDWIDTH && id != xlr_DEFAULTROWHEIGHT) return;
    if (const auto* defColWidth = dynamic_cast<const TDefColWidthRecord*>(&aRecord)) {
        const std::uint16_t width = defColWidth->Width();
        if (aState.StandardWidthApplied && width == 8) return;
        FDefColWidth = DefColWidthFactor * width;
        aState.LastDefColWidth = width;
    } else if (const auto* standardWidth = dynamic_cast<const TStandardWidthRecord*>(&aRecord)) {
        if (aState.LastDefColWidth != 8) return;
        FDefColWidth = standardWidth->Width();
        aState.StandardWidthApplied = true;
    } else if (const auto* defRowHeight = dynamic_cast<const TDefRowHeightRecord*>(&aRecord)) {
        FDefRowHeight = defRowHeight->Height();
    }
}

namespace {

template <class T>
std::unique_ptr<T> TakeAs(std::unique_ptr<TBaseRecord>& aRecord)
{
    auto* typed = dynamic_cast<T*>(aRecord.get());
    if (!typed) return nullptr;
    aRecord.release();
    return std::unique_ptr<T>(typed);
}

}  // namespace

void TWorkSheet::LoadRecord(TOle2File& DataStream, TRecordHeader& RecordHeader, std::unique_ptr<TBaseRecord> aRecord,
                            TSST& SST, TLoadState& aState)
{
    TBaseRecord* rec = aRecord.get();
    if (rec->Id() == xlr_WINDOW2) aState.Current = &FMiscRecords2;
    CacheRecord(rec);
    ApplyDefaultSize(*rec, aState);

    // Cells first and rows next: they are nearly all of a big sheet's records.
    if (rec->AsCell()) {
        std::unique_ptr<TCellRecord> cell(aRecord.release()->AsCell());
        // Formula cells under the BIFF4 id take their STRING result too.
        if (auto* formula = AsFormula(cell.get())) aState.LastFormula = formula;
        if (cell->Id() == xlr_LABELSST) static_cast<TLabelSSTRecord*>(cell.get())->AttachToSST(SST);
        FCells.AddCell(std::move(cell));
    } else if (rec->Id() == xlr_ROW && dynamic_cast<TRowRecord*>(rec)) {
        FCells.AddRow(TakeAs<TRowRecord>(aRecord));
    } else if (TDrawing::StartsDrawing(rec->Id())) {
        FDrawing.LoadFromStream(DataStream, RecordHeader, std::move(aRecord), SST);
    } else if (dynamic_cast<TIgnoreRecord*>(rec)) {
        // dropped: rebuilt or meaningless after a save
    } else if (auto* dim = dynamic_cast<TDimensionsRecord*>(rec)) {
        FOriginalDimensions = dim->Dim();
    } else if (auto note = TakeAs<TNoteRecord>(aRecord)) {
        const std::uint16_t row = note->Row();
        FNotes.AddRecord(std::move(note), row);
    } else if (auto colInfo = TakeAs<TColInfoRecord>(aRecord)) {
        FColumns.AddRecord(std::move(colInfo));
    } else if (auto* multiple = dynamic_cast<TMultipleValueRecord*>(rec)) {
        FCells.AddMultipleCells(*multiple);
    } else if (dynamic_cast<TCondFmtRecord*>(rec)) {
        auto entry = std::make_unique<TCondFmt>();
        entry->LoadFromStream(DataStream, RecordHeader, std::move(aRecord));
        FRanges.Add(std::move(entry));
    } else if (dynamic_cast<TCellMergingRecord*>(rec)) {
        auto entry = std::make_unique<TMergedCells>();
        entry->LoadFromStream(DataStream, RecordHeader, std::move(aRecord));
        FRanges.Add(std::move(entry));
    } else if (dynamic_cast<THLinkRecord*>(rec)) {
        FHLinks.Add(std::move(aRecord));
    } else if (auto shared = TakeAs<TShrFmlaRecord>(aRecord)) {
        const TFormulaRecord& formula = aState.FormulaBefore();
        shared->Key = SharedFormulaKey(formula.Row(), formula.Column());
        aState.ShrFmlas.Add(std::move(shared));
    } else if (dynamic_cast<THPageBreakRecord*>(rec)) {
        FHPageBreaks.AddRecord(std::move(aRecord));
    } else if (dynamic_cast<TVPageBreakRecord*>(rec)) {
        FVPageBreaks.AddRecord(std::move(aRecord));
    } else if (auto* text = dynamic_cast<TStringRecord*>(rec)) {
        aState.FormulaBefore().SetFormulaValue(text->Value());
    } else if (auto array = TakeAs<TArrayRecord>(aRecord)) {
        aState.FormulaBefore().SetArrayRecord(std::move(array));
    } else if (auto eof = TakeAs<TEOFRecord>(aRecord)) {
        FEOF = std::move(eof);
    } else if (auto codeName = TakeAs<TCodeNameRecord>(aRecord)) {
        FCodeName = std::move(codeName);
    } else {
        aState.Current->Add(std::move(aRecord));
    }
}

void TWorkSheet::RecalcGuts()
{
    if (!FGuts || !FGuts->RecalcNeeded) return;
    FCells.RowList().CalcGuts(*FGuts);
    FColumns.CalcGuts(*FGuts);
    FGuts->RecalcNeeded = false;
}

std::int64_t TWorkSheet::SaveParts(TOle2File* aStream, const TXlsCellRange* aCellRange, bool NeedsRecalc)
{
    CheckLoaded();
    // Each part is written when there is a stream, else measured.
    std::int64_t size = 0;
    auto part = [&](auto&& aMeasure, auto&& aSave) {
        if (aStream)
            aSave(*aStream);
        else
            size += aMeasure();
    };
    auto records = [&](auto& aList) {
        part([&] { return aList.TotalSize(); }, [&](TOle2File& s) { aList.SaveToStream(s); });
    };

    records(*FBOF);
    if (aStream) RecalcGuts();  // GUTS has a fixed size
    records(FMiscRecords1);
    records(FHPageBreaks);
    records(FVPageBreaks);
    records(FColumns);
    if (aCellRange)
        part([&] { return FCells.TotalRangeSize(*aCellRange, NeedsRecalc); },
             [&](TOle2File& s) { FCells.SaveRangeToStream(s, *aCellRange); });
    else
        part([&] { return FCells.FixTotalSize(NeedsRecalc); }, [&](TOle2File& s) { FCells.SaveToStream(s); });
    records(FDrawing);
    records(FNotes);
    records(FMiscRecords2);
    records(FRanges);
    records(FHLinks);
    if (FCodeName) records(*FCodeName);
    records(*FEOF);
    return size;
}

void TWorkSheet::SaveToStream(TOle2File& DataStream)
{
    SaveParts(&DataStream, nullptr, false);
}

void TWorkSheet::SaveRangeToStream(TOle2File& DataStream, std::int32_t, const TXlsCellRange& CellRange)
{
    SaveParts(&DataStream, &CellRange, false);
}

std::int64_t TWorkSheet::TotalSize() const
{
    // Measuring without a recalculation changes nothing.
    return const_cast<TWorkSheet*>(this)->SaveParts(nullptr, nullptr, false);
}

std::int64_t TWorkSheet::TotalRangeSize(std::int32_t, const TXlsCellRange& CellRange)
{
    return SaveParts(nullptr, &CellRange, false);
}

std::int64_t TWorkSheet::FixTotalSize(bool NeedsRecalc)
{
    return SaveParts(nullptr, nullptr, NeedsRecalc);
}

void TWorkSheet::FixCachePointers()
{
    ClearCachePointers();
    for (const TBaseRecordList* list : {&FMiscRecords1, &FMiscRecords2})
        for (std::size_t i = 0; i < list->Count(); ++i) CacheRecord(list->GetItem(i));
}

std::unique_ptr<TSheet> TWorkSheet::DoCopyTo() const
{
    auto copy = std::make_unique<TWorkSheet>(FWorkbookGlobals);
    // The drawing first: the copied notes name its shapes.
    copy->FDrawing.CopyFrom(FDrawing);
    CopyBaseTo(*copy);
    copy->FMiscRecords1.CopyFrom(FMiscRecords1);
    copy->FMiscRecords2.CopyFrom(FMiscRecords2);
    copy->FHPageBreaks.CopyFrom(FHPageBreaks);
    copy->FVPageBreaks.CopyFrom(FVPageBreaks);
    copy->FColumns.CopyFrom(FColumns);
    copy->FCells.CopyFrom(FCells);
    copy->FRanges.CopyFrom(FRanges);
    copy->FNotes.CopyFrom(FNotes);
    copy->FHLinks.CopyFrom(FHLinks);
    copy->FDefRowHeight = FDefRowHeight;
    copy->FDefColWidth = FDefColWidth;
    copy->FixCachePointers();
    return copy;
}

namespace {

// Lines (rows or columns) from aPos on move by aCount: one that ends on aLast
// must stay inside the sheet.
void CheckStaysOnSheet(std::int64_t aLast, std::int64_t aPos, std::int64_t aCount, std::int64_t aMax)
{
    if (aCount > 0 && aLast >= aPos && aLast + aCount > aMax) RaiseXls(TXlsMsg::TooManyEntries, {aLast + aCount, aMax});
}

}  // namespace

void TWorkSheet::CheckRoomToInsert(std::int64_t aDestRow, std::int64_t aRows, std::int64_t aDestCol,
                                   std::int64_t aCols) const
{
    const auto check = [&](std::int64_t aLastRow, std::int64_t aLastCol) {
        CheckStaysOnSheet(aLastRow, aDestRow, aRows, MaxRow);
        CheckStaysOnSheet(aLastCol, aDestCol, aCols, MaxColumn);
    };
    for (std::size_t r = 0; r < FNotes.Count(); ++r)
        if (const TNoteRecordList* notes = FNotes.NoteRow(r))
            for (std::size_t i = 0; i < notes->Count(); ++i) check(notes->Items(i)->Row(), notes->Items(i)->Column());
    for (std::size_t i = 0; i < FHLinks.Count(); ++i) {
        const TXlsCellRange range = FHLinks.Items(i)->GetCellRange();
        check(range.Bottom, range.Right);
    }
    for (std::size_t i = 0; i < CellMergedListCount(); ++i) {
        const TXlsCellRange range = CellMergedList(i);
        check(range.Bottom, range.Right);
    }
    for (std::size_t i = 0; i < FDrawing.DrawingCount(); ++i) {
        const TClientAnchor anchor = FDrawing.GetAnchor(i);
        check(anchor.Row2, anchor.Col2);
    }
}

void TWorkSheet::InsertAndCopyRowsAndCols(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t DestRow,
                                          std::int32_t aRowCount, std::int32_t FirstCol, std::int32_t LastCol,
                                          std::int32_t DestCol, std::int32_t aColCount, const TSheetInfo& SheetInfo,
                                          bool OnlyFormulas)
{
    CheckRoomToInsert(DestRow, aRowCount > 0 ? std::int64_t(aRowCount) * (LastRow - FirstRow + 1) : 0, DestCol,
                      aColCount > 0 ? std::int64_t(aColCount) * (LastCol - FirstCol + 1) : 0);
    // Shapes that do not size with the cells keep their rectangles.
    const bool placed = FDrawing.NeedsGeometry();
    if (placed) FDrawing.SaveObjectCoords(Geometry());
    if (aRowCount > 0) {
        FCells.InsertAndCopyRows(FirstRow, LastRow, DestRow, aRowCount, SheetInfo, OnlyFormulas);
        FRanges.InsertAndCopyRowsOrCols(FirstRow, LastRow, DestRow, aRowCount, SheetInfo, false);
        FDrawing.InsertAndCopyRows(FirstRow, LastRow, DestRow, aRowCount, SheetInfo);
        FNotes.InsertAndCopyRows(FirstRow, LastRow, DestRow, aRowCount, SheetInfo, false);
        FHPageBreaks.InsertRows(DestRow, aRowCount * (LastRow - FirstRow + 1));
        FHLinks.InsertAndCopyRange({0, FirstRow, std::int32_t(MaxColumn), LastRow}, DestRow, 0, aRowCount, 0,
                                   SheetInfo);
    }
    if (aColCount > 0) {
        FCells.InsertAndCopyCols(FirstCol, LastCol, DestCol, aColCount, SheetInfo, OnlyFormulas);
        FRanges.InsertAndCopyRowsOrCols(FirstCol, LastCol, DestCol, aColCount, SheetInfo, true);
        FDrawing.InsertAndCopyCols(FirstCol, LastCol, DestCol, aColCount, SheetInfo);
        FNotes.InsertAndCopyCols(FirstCol, LastCol, DestCol, aColCount, SheetInfo, false);
        FVPageBreaks.InsertCols(DestCol, aColCount * (LastCol - FirstCol + 1));
        FHLinks.InsertAndCopyRange({FirstCol, 0, LastCol, std::int32_t(MaxRow)}, 0, DestCol, 0, aColCount, SheetInfo);
    }
    if (placed) FDrawing.RestoreObjectCoords(Geometry());
}

void TWorkSheet::DeleteRowsAndCols(std::int32_t aRow, std::int32_t aRowCount, std::int32_t aCol, std::int32_t aColCount,
                                   const TSheetInfo& SheetInfo)
{
    const bool placed = FDrawing.NeedsGeometry();
    if (placed) FDrawing.SaveObjectCoords(Geometry());
    if (aRowCount > 0) {
        FCells.DeleteRows(aRow, aRowCount, SheetInfo);
        FDrawing.DeleteRows(aRow, aRowCount, SheetInfo);
        FRanges.DeleteRowsOrCols(aRow, aRowCount, SheetInfo, false);
        FNotes.DeleteRows(aRow, aRowCount, SheetInfo);
        FHPageBreaks.DeleteRows(aRow, aRowCount);
        FHLinks.DeleteRange({0, aRow, std::int32_t(MaxColumn), aRow + aRowCount - 1}, 1, 0, SheetInfo);
    }
    if (aColCount > 0) {
        FCells.DeleteCols(aCol, aColCount, SheetInfo);
        FDrawing.DeleteCols(aCol, aColCount, SheetInfo);
        FRanges.DeleteRowsOrCols(aCol, aColCount, SheetInfo, true);
        FNotes.DeleteCols(aCol, aColCount, SheetInfo);
        FVPageBreaks.DeleteCols(aCol, aColCount);
        FHLinks.DeleteRange({aCol, 0, aCol + aColCount - 1, std::int32_t(MaxRow)}, 0, 1, SheetInfo);
    }
    if (placed) FDrawing.RestoreObjectCoords(Geometry());
}

void TWorkSheet::ArrangeInsertRowsAndCols(std::int32_t InsRowPos, std::int32_t InsRowCount, std::int32_t InsColPos,
                                          std::int32_t InsColCount, const TSheetInfo& SheetInfo)
{
    FCells.ArrangeInsertRowsAndCols(InsRowPos, InsRowCount, InsColPos, InsColCount, SheetInfo);
    FDrawing.ArrangeInsertRowsAndCols(InsRowPos, InsRowCount, InsColPos, InsColCount, SheetInfo);
}

void TWorkSheet::ArrangeCopySheet(const TSheetInfo& SheetInfo)
{
    FCells.ArrangeInsertSheet(SheetInfo);
    FDrawing.ArrangeCopySheet(SheetInfo);
}

void TWorkSheet::ArrangeDeletedNames(const TDeletedNames& Deleted)
{
    FCells.CellList().ArrangeDeletedNames(Deleted);
}

// ------------------------------------------------------------------ TTbrChart

void TTbrChart::Clear()
{
    TSheet::Clear();
    FChartRecords.Clear();
    FRemainingData.reset();
}

void TTbrChart::LoadFromStream(TOle2File& DataStream, TRecordHeader& RecordHeader, std::unique_ptr<TBOFRecord> First,
                               TSST& SST)
{
    Clear();
    // Depth of BEGIN/END nesting: only records outside every pair are the
    // sheet's settings. An END without its BEGIN is kept as it is.
    std::size_t depth = 0;
    for (bool firstRecord = true; !FEOF; firstRecord = false)
        AtNextRecord(DataStream, RecordHeader, [&] { LoadRecord(DataStream, RecordHeader, firstRecord, depth, SST); });
    FBOF = std::move(First);
}

void TTbrChart::LoadRecord(TOle2File& DataStream, TRecordHeader& RecordHeader, bool aFirstRecord, std::size_t& aDepth,
                           TSST& SST)
{
    // Some writers repeat the chart's BOF right behind it; it is kept.
    const bool repeatedBOF = aFirstRecord && RecordHeader.Id == xlr_BOF;
    if (!repeatedBOF) CheckNextRecord(RecordHeader);
    std::unique_ptr<TBaseRecord> rec = ReadRecord(DataStream, RecordHeader);
    if (repeatedBOF && static_cast<TBOFRecord&>(*rec).BOFType() != TBOFRecord::TypeChart)
        RaiseXls(TXlsMsg::ExcelRecordsInvalid);
    if (aDepth == 0) CacheRecord(rec.get());
    if (auto* label = dynamic_cast<TLabelSSTRecord*>(rec.get())) label->AttachToSST(SST);

    if (dynamic_cast<TIgnoreRecord*>(rec.get())) return;
    if (auto eof = TakeAs<TEOFRecord>(rec)) {
        // Drawing data that came after the EOF of an embedded chart.
        FRemainingData = eof->DetachContinue();
        FEOF = std::move(eof);
    } else if (auto codeName = TakeAs<TCodeNameRecord>(rec)) {
        FCodeName = std::move(codeName);
    } else {
        if (dynamic_cast<TBeginRecord*>(rec.get())) ++aDepth;
        if (dynamic_cast<TEndRecord*>(rec.get()) && aDepth > 0) --aDepth;
        FChartRecords.Add(std::move(rec));
    }
}

void TTbrChart::SaveToStream(TOle2File& DataStream)
{
    CheckLoaded();
    FBOF->SaveToStream(DataStream);
    FChartRecords.SaveToStream(DataStream);
    if (FCodeName) FCodeName->SaveToStream(DataStream);
    FEOF->SaveToStream(DataStream);
}

std::int64_t TTbrChart::TotalSize() const
{
    CheckLoaded();
    return FBOF->TotalSize() + FChartRecords.TotalSize() + (FCodeName ? FCodeName->TotalSize() : 0) + FEOF->TotalSize();
}

void TTbrChart::FixCachePointers()
{
    ClearCachePointers();
    std::size_t depth = 0;
    for (std::size_t i = 0; i < FChartRecords.Count(); ++i) {
        TBaseRecord* rec = FChartRecords.GetItem(i);
        if (depth == 0) CacheRecord(rec);
        if (dynamic_cast<TBeginRecord*>(rec)) ++depth;
        if (dynamic_cast<TEndRecord*>(rec) && depth > 0) --depth;
    }
}

namespace {

bool HoldsDrawingRecords(const TBaseRecordList& aList)
{
    for (std::size_t i = 0; i < aList.Count(); ++i)
        if (aList.GetItem(i) && aList.GetItem(i)->Id() == xlr_MSODRAWING) return true;
    return false;
}

}  // namespace

bool TTbrChart::HoldsKeptDrawings() const
{
    return HoldsDrawingRecords(FChartRecords);
}

void TTbrChart::ArrangeInsertRowsAndCols(std::int32_t InsRowPos, std::int32_t InsRowCount, std::int32_t InsColPos,
                                         std::int32_t InsColCount, const TSheetInfo& SheetInfo)
{
    for (TChartAIRecord* ai : FChartRecords.AICache())
        ai->ArrangeInsertRowsAndCols(InsRowPos, InsRowCount, InsColPos, InsColCount, SheetInfo);
}

void TTbrChart::ArrangeCopySheet(const TSheetInfo& SheetInfo)
{
    for (TChartAIRecord* ai : FChartRecords.AICache()) ai->ArrangeCopySheet(SheetInfo);
}

void TTbrChart::ArrangeCopyRowsAndCols(std::int32_t RowOffset, std::int32_t ColOffset)
{
    for (TChartAIRecord* ai : FChartRecords.AICache()) ai->ArrangeCopyRowsAndCols(RowOffset, ColOffset);
}

std::unique_ptr<TSheet> TTbrChart::DoCopyTo() const
{
    auto copy = std::make_unique<TTbrChart>(FWorkbookGlobals);
    CopyBaseTo(*copy);
    copy->FChartRecords.CopyFrom(FChartRecords);
    copy->FixCachePointers();
    return copy;
}

// ------------------------------------------------------- TTbrUnsupportedSheet

void TTbrUnsupportedSheet::Clear()
{
    TSheet::Clear();
    FSheetRecords.Clear();
}

void TTbrUnsupportedSheet::LoadFromStream(TOle2File& DataStream, TRecordHeader& RecordHeader,
                                          std::unique_ptr<TBOFRecord> First, TSST& SST)
{
    Clear();
    TFormulaRecord* lastFormula = nullptr;
    while (!FEOF)
        AtNextRecord(DataStream, RecordHeader, [&] { LoadRecord(DataStream, RecordHeader, lastFormula, SST); });
    FBOF = std::move(First);
}

void TTbrUnsupportedSheet::LoadRecord(TOle2File& DataStream, TRecordHeader& RecordHeader,
                                      TFormulaRecord*& aLastFormula, TSST& SST)
{
    CheckNextRecord(RecordHeader);
    std::unique_ptr<TBaseRecord> rec = ReadRecord(DataStream, RecordHeader);
    CacheRecord(rec.get());
    if (auto* label = dynamic_cast<TLabelSSTRecord*>(rec.get())) label->AttachToSST(SST);
    if (auto* formula = AsFormula(rec.get())) aLastFormula = formula;

    if (dynamic_cast<TIgnoreRecord*>(rec.get())) return;
    if (auto* text = dynamic_cast<TStringRecord*>(rec.get())) {
        // The formula cell writes its text result itself, so the list's
        // size grows with it.
        if (!aLastFormula) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
        const std::int64_t before = aLastFormula->TotalSize();
        aLastFormula->SetFormulaValue(text->Value());
        FSheetRecords.AdaptSize(aLastFormula->TotalSize() - before);
    } else if (auto eof = TakeAs<TEOFRecord>(rec)) {
        FEOF = std::move(eof);
    } else if (auto codeName = TakeAs<TCodeNameRecord>(rec)) {
        FCodeName = std::move(codeName);
    } else {
        FSheetRecords.Add(std::move(rec));
    }
}

void TTbrUnsupportedSheet::SaveToStream(TOle2File& DataStream)
{
    CheckLoaded();
    FBOF->SaveToStream(DataStream);
    FSheetRecords.SaveToStream(DataStream);
    if (FCodeName) FCodeName->SaveToStream(DataStream);
    FEOF->SaveToStream(DataStream);
}

std::int64_t TTbrUnsupportedSheet::TotalSize() const
{
    CheckLoaded();
    return FBOF->TotalSize() + FSheetRecords.TotalSize() + (FCodeName ? FCodeName->TotalSize() : 0) + FEOF->TotalSize();
}

bool TTbrUnsupportedSheet::HoldsKeptDrawings() const
{
    return HoldsDrawingRecords(FSheetRecords);
}

void TTbrUnsupportedSheet::FixCachePointers()
{
    ClearCachePointers();
    for (std::size_t i = 0; i < FSheetRecords.Count(); ++i) CacheRecord(FSheetRecords.GetItem(i));
}

std::unique_ptr<TSheet> TTbrUnsupportedSheet::DoCopyTo() const
{
    auto copy = std::make_unique<TTbrUnsupportedSheet>(FWorkbookGlobals);
    CopyBaseTo(*copy);
    copy->FSheetRecords.CopyFrom(FSheetRecords);
    copy->FixCachePointers();
    return copy;
}

// ============================================================== sheet settings

namespace {

constexpr double DefaultSideMargin = 0.7480314960629921;       // 1.9 cm
constexpr double DefaultTopBottomMargin = 0.984251968503937;  // 2.5 cm
constexpr std::int32_t MinZoom = 10;
constexpr std::int32_t MaxZoom = 400;
constexpr std::int32_t DefaultResolution = 600;
constexpr std::int32_t NoPrinterResolution = 100;

bool IsMarginId(std::uint16_t aId)
{
    return (aId >= xlr_LEFTMARGIN && aId <= xlr_BOTTOMMARGIN) || aId == xlr_VCENTER || aId == xlr_DEFAULTROWHEIGHT;
}

std::uint16_t CheckedWord(std::int32_t aValue, const char* aProperty)
{
    if (aValue < 0 || aValue > 0xFFFF)
        RaiseXls(TXlsMsg::PropertyIndexOutOfRange, {std::int64_t(aValue), std::string(aProperty), 0, 0xFFFF});
    return static_cast<std::uint16_t>(aValue);
}

bool Holds(const TBaseRecordList& aList, const TBaseRecord* aRecord)
{
    for (std::size_t i = 0; i < aList.Count(); ++i)
        if (aList.GetItem(i) == aRecord) return true;
    return false;
}

// Pane 0 (lower right) needs both splits, 1 (upper right) a column split, 2
// (lower left) a row split; pane 3 (upper left) is always there.
std::uint16_t ValidActivePane(std::uint16_t aPane, bool aColSplit, bool aRowSplit)
{
    if (aPane == 0 && !(aColSplit && aRowSplit)) return aColSplit ? 1 : aRowSplit ? 2 : 3;
    if (aPane == 1 && !aColSplit) return 3;
    if (aPane == 2 && !aRowSplit) return 3;
    return aPane;
}

}  // namespace

bool TSheet::ShowGridLines() const
{
    return !FWindow2 || FWindow2->HasOption(TWindow2Record::OptShowGridLines);
}

void TSheet::SetShowGridLines(bool aValue)
{
    if (FWindow2) FWindow2->SetOption(TWindow2Record::OptShowGridLines, aValue);
}

bool TSheet::ShowGridHeaders() const
{
    return !FWindow2 || FWindow2->HasOption(TWindow2Record::OptShowHeaders);
}

void TSheet::SetShowGridHeaders(bool aValue)
{
    if (FWindow2) FWindow2->SetOption(TWindow2Record::OptShowHeaders, aValue);
}

bool TSheet::PrintGridLines() const
{
    return !FPrintGridLines || FPrintGridLines->Value() == 1;
}

void TSheet::SetPrintGridLines(bool aValue)
{
    if (FPrintGridLines) FPrintGridLines->SetValue(aValue ? 1 : 0);
}

TXlsString TSheet::PageHeader() const
{
    return FPageHeader ? FPageHeader->Text() : TXlsString();
}

void TSheet::SetPageHeader(std::u16string_view aText)
{
    if (FPageHeader) SetPageHeaderFooter(*FPageHeader, aText);
}

TXlsString TSheet::PageFooter() const
{
    return FPageFooter ? FPageFooter->Text() : TXlsString();
}

void TSheet::SetPageFooter(std::u16string_view aText)
{
    if (FPageFooter) SetPageHeaderFooter(*FPageFooter, aText);
}

void TSheet::SetRecordText(TBaseRecordList& aList, TPageHeaderFooterRecord& aRecord, std::u16string_view aText)
{
    const std::int64_t before = aRecord.TotalSize();
    aRecord.SetText(aText);
    aList.AdaptSize(aRecord.TotalSize() - before);
}

TXlsMargins TSheet::Margins() const
{
    auto margin = [](const TMarginRecord* aRecord, double aDefault) { return aRecord ? aRecord->Value() : aDefault; };
    TXlsMargins m;
    m.Left = margin(FLeftMargin, DefaultSideMargin);
    m.Right = margin(FRightMargin, DefaultSideMargin);
    m.Top = margin(FTopMargin, DefaultTopBottomMargin);
    m.Bottom = margin(FBottomMargin, DefaultTopBottomMargin);
    if (FSetup) {
        m.Header = FSetup->HeaderMargin();
        m.Footer = FSetup->FooterMargin();
    }
    return m;
}

TMarginRecord& TSheet::AddMarginRecord(std::uint16_t aId, double aValue)
{
    std::size_t pos = FPrintRecords->Count();
    for (std::size_t i = FPrintRecords->Count(); i-- > 0;) {
        const TBaseRecord* rec = FPrintRecords->GetItem(i);
        if (rec && IsMarginId(rec->Id())) {
            pos = i + 1;
            break;
        }
    }
    auto created = TMarginRecord::CreateNew(aId, aValue);
    TMarginRecord& rec = *created;
    FPrintRecords->Insert(pos, std::move(created));
    CacheRecord(&rec);
    return rec;
}

void TSheet::SetMargins(const TXlsMargins& aValue)
{
    const std::pair<TMarginRecord* TSheet::*, std::pair<std::uint16_t, double>> margins[] = {
        {&TSheet::FLeftMargin, {xlr_LEFTMARGIN, aValue.Left}},
        {&TSheet::FRightMargin, {xlr_RIGHTMARGIN, aValue.Right}},
        {&TSheet::FTopMargin, {xlr_TOPMARGIN, aValue.Top}},
        {&TSheet::FBottomMargin, {xlr_BOTTOMMARGIN, aValue.Bottom}},
    };
    for (const auto& [field, margin] : margins) {
        if (this->*field)
            (this->*field)->SetValue(margin.second);
        else if (FPrintRecords)
            AddMarginRecord(margin.first, margin.second);
    }
    if (FSetup) {
        FSetup->SetHeaderMargin(aValue.Header);
        FSetup->SetFooterMargin(aValue.Footer);
    }
}

std::int32_t TSheet::SheetZoom() const
{
    if (!FZoom || FZoom->Denominator() == 0) return 100;
    return static_cast<std::int32_t>(std::lround(FZoom->Numerator() * 100.0 / FZoom->Denominator()));
}

void TSheet::SetSheetZoom(std::int32_t aValue)
{
    if (!FZoom) AddZoomRecord();
    if (FZoom) FZoom->SetZoom(static_cast<std::uint16_t>(std::clamp(aValue, MinZoom, MaxZoom)), 100);
}

bool TSheet::IsR1C1() const
{
    return FRefMode && FRefMode->Value() != 1;
}

void TSheet::SetIsR1C1(bool aValue)
{
    if (FRefMode) FRefMode->SetValue(aValue ? 0 : 1);
}

void TSheet::FreezePanes(std::int32_t aRow, std::int32_t aCol)
{
    if (aRow < 0 || aRow > MaxRow) RaiseXls(TXlsMsg::InvalidRow, {std::int64_t(aRow)});
    if (aCol < 0 || aCol > MaxColumn) RaiseXls(TXlsMsg::InvalidColumn, {std::int64_t(aCol)});
    const bool frozen = aRow > 0 || aCol > 0;
    if (FWindow2) FWindow2->SetOption(TWindow2Record::OptFrozen | TWindow2Record::OptFrozenNoSplit, frozen);
    SetPaneRecord(frozen);
    if (!FPane) return;
    const auto row = static_cast<std::uint16_t>(aRow);
    const auto col = static_cast<std::uint16_t>(aCol);
    FPane->SetRowSplit(row);
    FPane->SetFirstVisibleRow(std::max<std::uint16_t>(FPane->FirstVisibleRow(), std::max<std::uint16_t>(row, 1)));
    FPane->SetColSplit(col);
    FPane->SetFirstVisibleCol(std::max<std::uint16_t>(FPane->FirstVisibleCol(), std::max<std::uint16_t>(col, 1)));
    FPane->SetActivePane(ValidActivePane(FPane->ActivePane(), col > 0, row > 0));
}

void TSheet::GetFrozenPanes(std::int32_t& aRow, std::int32_t& aCol) const
{
    aRow = aCol = 0;
    if (!FPane || (FWindow2 && !FWindow2->HasOption(TWindow2Record::OptFrozen))) return;
    aRow = FPane->RowSplit();
    aCol = FPane->ColSplit();
}

void TSheet::SplitWindow(std::int32_t xOffset, std::int32_t yOffset)
{
    const std::uint16_t x = CheckedWord(xOffset, "xOffset");
    const std::uint16_t y = CheckedWord(yOffset, "yOffset");
    if (FWindow2) FWindow2->SetOption(TWindow2Record::OptFrozen | TWindow2Record::OptFrozenNoSplit, false);
    SetPaneRecord(x > 0 || y > 0);
    if (!FPane) return;
    FPane->SetRowSplit(y);
    FPane->SetColSplit(x);
    if (FPane->FirstVisibleRow() == 0) FPane->SetFirstVisibleRow(1);
    if (FPane->FirstVisibleCol() == 0) FPane->SetFirstVisibleCol(1);
    FPane->SetActivePane(ValidActivePane(FPane->ActivePane(), x > 0, y > 0));
}

void TSheet::GetSplitWindow(std::int32_t& xOffset, std::int32_t& yOffset) const
{
    xOffset = yOffset = 0;
    if (!FPane || !FWindow2 || FWindow2->HasOption(TWindow2Record::OptFrozen)) return;
    xOffset = FPane->ColSplit();
    yOffset = FPane->RowSplit();
}

// ------------------------------------------------------- worksheet settings

void TWorkSheet::SetPageHeaderFooter(TPageHeaderFooterRecord& aRecord, std::u16string_view aText)
{
    SetRecordText(Holds(FMiscRecords1, &aRecord) ? FMiscRecords1 : FMiscRecords2, aRecord, aText);
}

std::size_t TWorkSheet::PositionBehindWindow2(std::initializer_list<std::uint16_t> aIds) const
{
    std::size_t pos = 1;
    while (pos < FMiscRecords2.Count() && FMiscRecords2.GetItem(pos) &&
           std::find(aIds.begin(), aIds.end(), FMiscRecords2.GetItem(pos)->Id()) != aIds.end())
        ++pos;
    return pos;
}

void TWorkSheet::AddZoomRecord()
{
    // The second list starts with WINDOW2; without it the sheet has no window to zoom.
    if (!FWindow2 || FMiscRecords2.Count() == 0) return;
    auto rec = TSCLRecord::CreateNew(100, 100);
    FZoom = rec.get();
    FMiscRecords2.Insert(PositionBehindWindow2({xlr_PLV}), std::move(rec));
}

void TWorkSheet::SetPaneRecord(bool aNeeded)
{
    if (!aNeeded) {
        for (std::size_t i = 0; FPane && i < FMiscRecords2.Count(); ++i)
            if (FMiscRecords2.GetItem(i) == FPane) {
                FMiscRecords2.Delete(i);
                break;
            }
        FPane = nullptr;
        return;
    }
    if (FPane || !FWindow2 || FMiscRecords2.Count() == 0) return;
    auto rec = TPaneRecord::CreateNew();
    FPane = rec.get();
    FMiscRecords2.Insert(PositionBehindWindow2({xlr_PLV, xlr_SCL}), std::move(rec));
}

void TWorkSheet::NeedGuts()
{
    if (!FGuts) {
        auto rec = TGutsRecord::CreateNew();
        FGuts = rec.get();
        FMiscRecords1.Insert(PositionOfFirst(FMiscRecords1, xlr_DEFAULTROWHEIGHT), std::move(rec));
    }
    FGuts->RecalcNeeded = true;
}

bool TWorkSheet::PrintToFit() const
{
    return FWSBool && FWSBool->HasOption(TWsBoolRecord::OptFitToPage);
}

void TWorkSheet::SetPrintToFit(bool aValue)
{
    if (FWSBool) FWSBool->SetOption(TWsBoolRecord::OptFitToPage, aValue);
}

bool TWorkSheet::OutlineSummaryRowsBelowDetail() const
{
    return !FWSBool || FWSBool->HasOption(TWsBoolRecord::OptRowSumsBelow);
}

void TWorkSheet::SetOutlineSummaryRowsBelowDetail(bool aValue)
{
    if (FWSBool) FWSBool->SetOption(TWsBoolRecord::OptRowSumsBelow, aValue);
}

bool TWorkSheet::OutlineSummaryColsRightOfDetail() const
{
    return !FWSBool || FWSBool->HasOption(TWsBoolRecord::OptColSumsRight);
}

void TWorkSheet::SetOutlineSummaryColsRightOfDetail(bool aValue)
{
    if (FWSBool) FWSBool->SetOption(TWsBoolRecord::OptColSumsRight, aValue);
}

bool TWorkSheet::OutlineAutomaticStyles() const
{
    return FWSBool && FWSBool->HasOption(TWsBoolRecord::OptAutoStyles);
}

void TWorkSheet::SetOutlineAutomaticStyles(bool aValue)
{
    if (FWSBool) FWSBool->SetOption(TWsBoolRecord::OptAutoStyles, aValue);
}

bool TWorkSheet::PrintHCentered() const
{
    return FHCenter && FHCenter->Value() == 1;
}

void TWorkSheet::SetPrintHCentered(bool aValue)
{
    if (FHCenter) FHCenter->SetValue(aValue ? 1 : 0);
}

bool TWorkSheet::PrintVCentered() const
{
    return FVCenter && FVCenter->Value() == 1;
}

void TWorkSheet::SetPrintVCentered(bool aValue)
{
    if (FVCenter) FVCenter->SetValue(aValue ? 1 : 0);
}

TSetupRecord* TWorkSheet::SetupForPrinterField(std::int32_t aValue, const char* aProperty)
{
    CheckedWord(aValue, aProperty);
    if (FSetup) FSetup->SetNoPrinterData(false);
    return FSetup;
}

std::int32_t TWorkSheet::PrintScale() const
{
    return FSetup && !FSetup->NoPrinterData() ? FSetup->Scale() : 100;
}

void TWorkSheet::SetPrintScale(std::int32_t aValue)
{
    if (TSetupRecord* setup = SetupForPrinterField(aValue, "PrintScale")) setup->SetScale(std::uint16_t(aValue));
}

std::int32_t TWorkSheet::PrintNumberOfHorizontalPages() const
{
    return FSetup ? FSetup->FitWidth() : 1;
}

void TWorkSheet::SetPrintNumberOfHorizontalPages(std::int32_t aValue)
{
    const std::uint16_t pages = CheckedWord(aValue, "PrintNumberOfHorizontalPages");
    if (FSetup) FSetup->SetFitWidth(pages);
}

std::int32_t TWorkSheet::PrintNumberOfVerticalPages() const
{
    return FSetup ? FSetup->FitHeight() : 1;
}

void TWorkSheet::SetPrintNumberOfVerticalPages(std::int32_t aValue)
{
    const std::uint16_t pages = CheckedWord(aValue, "PrintNumberOfVerticalPages");
    if (FSetup) FSetup->SetFitHeight(pages);
}

std::int32_t TWorkSheet::PrintOptions() const
{
    return FSetup ? FSetup->GrBit() : 0;
}

void TWorkSheet::SetPrintOptions(std::int32_t aValue)
{
    // Only the low byte holds print options; the high one (the error and
    // end-note printing) stays as it is.
    if (FSetup) FSetup->SetGrBit(static_cast<std::uint16_t>((FSetup->GrBit() & 0xFF00) | (aValue & 0xFF)));
}

std::int32_t TWorkSheet::PrintPaperSize() const
{
    if (!FSetup) return 1;
    return FSetup->NoPrinterData() ? 0 : FSetup->PaperSize();
}

void TWorkSheet::SetPrintPaperSize(std::int32_t aValue)
{
    if (TSetupRecord* setup = SetupForPrinterField(aValue, "PrintPaperSize"))
        setup->SetPaperSize(std::uint16_t(aValue));
}

std::int32_t TWorkSheet::PrintCopies() const
{
    return FSetup && !FSetup->NoPrinterData() ? FSetup->Copies() : 1;
}

void TWorkSheet::SetPrintCopies(std::int32_t aValue)
{
    if (TSetupRecord* setup = SetupForPrinterField(aValue, "PrintCopies")) setup->SetCopies(std::uint16_t(aValue));
}

std::int32_t TWorkSheet::PrintXResolution() const
{
    if (!FSetup) return DefaultResolution;
    return FSetup->NoPrinterData() ? NoPrinterResolution : FSetup->Resolution();
}

void TWorkSheet::SetPrintXResolution(std::int32_t aValue)
{
    if (TSetupRecord* setup = SetupForPrinterField(aValue, "PrintXResolution"))
        setup->SetResolution(std::uint16_t(aValue));
}

std::int32_t TWorkSheet::PrintYResolution() const
{
    if (!FSetup) return DefaultResolution;
    return FSetup->NoPrinterData() ? NoPrinterResolution : FSetup->VResolution();
}

void TWorkSheet::SetPrintYResolution(std::int32_t aValue)
{
    if (TSetupRecord* setup = SetupForPrinterField(aValue, "PrintYResolution"))
        setup->SetVResolution(std::uint16_t(aValue));
}

TPrinterDriverSettings TWorkSheet::PrinterDriverSettings() const
{
    return FPrinterDriverSettings ? FPrinterDriverSettings->Settings() : TPrinterDriverSettings{};
}

void TWorkSheet::SetPrinterDriverSettings(const TPrinterDriverSettings& aValue)
{
    auto created = aValue.Data.empty() ? nullptr : TPlsRecord::CreateNew(aValue);
    for (TBaseRecordList* list : {&FMiscRecords1, &FMiscRecords2})
        for (std::size_t i = list->Count(); i-- > 0;)
            if (list->GetItem(i) && list->GetItem(i)->Id() == xlr_PLS) list->Delete(i);
    FPrinterDriverSettings = nullptr;
    if (!created) return;
    std::size_t pos = FMiscRecords1.Count();
    for (std::size_t i = 0; i < FMiscRecords1.Count(); ++i)
        if (FMiscRecords1.GetItem(i) == FSetup) pos = i;
    FPrinterDriverSettings = created.get();
    FMiscRecords1.Insert(pos, std::move(created));
    if (FSetup) FSetup->SetNoPrinterData(false);
}

// ---------------------------------------------------------------- auto filter

void TWorkSheet::SetAutoFilter(std::int32_t SheetIndex, std::int32_t Row, std::int32_t Col1, std::int32_t Col2)
{
    if (Col2 < Col1) {
        RemoveAutoFilter();
        return;
    }
    if (Row < 0 || Row > MaxRow || Col1 < 0 || Col2 > MaxColumn) RaiseXls(TXlsMsg::InvalidInsertArguments);
    // "=$B$5:$D$5": the header row the buttons stand on.
    const TXlsString row = Utf8ToUtf16(std::to_string(Row + 1));
    const TXlsString formula = u"=$" + ColumnLetters(std::uint32_t(Col1)) + u"$" + row + u":$" +
                               ColumnLetters(std::uint32_t(Col2)) + u"$" + row;
    TWorkbookGlobals& globals = RequireGlobals(FWorkbookGlobals);
    globals.AddName({TXlsString(1, TNameRecord::FilterDatabase), formula, TNameRecord::OptHidden | TNameRecord::OptBuiltIn,
                     SheetIndex},
                    globals);

    RemoveFilterRecords();
    auto info = TAutoFilterInfoRecord::CreateNew();
    info->SetDropDownCount(static_cast<std::uint16_t>(Col2 - Col1 + 1));
    FAutoFilterInfo = info.get();
    FMiscRecords1.Insert(PositionOfFirst(FMiscRecords1, xlr_DEFCOLWIDTH), std::move(info));
    if (FDrawing.AutoFilterCount() > 0) FDrawing.RemoveAutoFilter();
    FDrawing.AddAutoFilter(Row, Col1, Col2);
}

void TWorkSheet::RemoveAutoFilter()
{
    RemoveFilterRecords();
    if (FDrawing.AutoFilterCount() > 0) FDrawing.RemoveAutoFilter();
}

void TWorkSheet::RemoveFilterRecords()
{
    for (std::size_t i = FMiscRecords1.Count(); i-- > 0;) {
        const TBaseRecord* rec = FMiscRecords1.GetItem(i);
        if (rec && (rec->Id() == xlr_AUTOFILTER || rec->Id() == xlr_AUTOFILTERINFO || rec->Id() == xlr_FILTERMODE))
            FMiscRecords1.Delete(i);
    }
    FAutoFilterInfo = nullptr;
}

TXlsCellRange TWorkSheet::GetAutoFilterRange(std::int32_t SheetIndex) const
{
    const TNameRecord* name = FAutoFilterInfo ? RequireGlobals(FWorkbookGlobals).GetName(
                                                    SheetIndex, TXlsString(1, TNameRecord::FilterDatabase))
                                              : nullptr;
    if (!name || !name->IsBuiltIn() || name->GetR1() < 0) return {-1, -1, -1, -1};
    return {name->GetC1(), name->GetR1(), name->GetC2(), name->GetR2()};
}

// ------------------------------------------------------- columns and rows

namespace {

std::uint16_t CheckedColumn(std::int32_t aCol)
{
    if (aCol < 0 || aCol > MaxColumn) RaiseXls(TXlsMsg::InvalidColumn, {std::int64_t(aCol)});
    return static_cast<std::uint16_t>(aCol);
}

std::uint16_t CheckedRow(std::int32_t aRow)
{
    if (aRow < 0 || aRow > MaxRow) RaiseXls(TXlsMsg::InvalidRow, {std::int64_t(aRow)});
    return static_cast<std::uint16_t>(aRow);
}

std::uint16_t DefaultWidthWord(std::int32_t aWidth)
{
    return static_cast<std::uint16_t>(std::clamp(aWidth, 0, 0xFFFF));
}

}  // namespace

std::int32_t TWorkSheet::GetColWidth(std::int32_t aCol)
{
    const TColInfo* info = FColumns.Column(CheckedColumn(aCol));
    return info ? info->Width : FDefColWidth;
}

std::int32_t TWorkSheet::GetColWidth(std::int32_t aCol, bool HiddenIsZero)
{
    const TColInfo* info = FColumns.Column(CheckedColumn(aCol));
    if (info && HiddenIsZero && info->Hidden()) return 0;
    return GetColWidth(aCol);
}

void TWorkSheet::SetColWidth(std::int32_t aCol, std::int32_t Value)
{
    const std::uint16_t width = CheckedWord(Value, "ColumnWidth");
    FColumns.EnsureColumn(CheckedColumn(aCol), width).Width = width;
}

bool TWorkSheet::GetColHidden(std::int32_t aCol)
{
    const TColInfo* info = FColumns.Column(CheckedColumn(aCol));
    return info && info->Hidden();
}

void TWorkSheet::SetColHidden(std::int32_t aCol, bool Value)
{
    const std::uint16_t col = CheckedColumn(aCol);
    if (Value) {
        FColumns.EnsureColumn(col, DefaultWidthWord(FDefColWidth)).SetHidden(true);
        return;
    }
    TColInfo* info = FColumns.Column(col);
    if (!info) return;
    info->SetHidden(false);
    if (info->Width == 0) info->Width = DefaultWidthWord(FDefColWidth);
}

std::int32_t TWorkSheet::GetColFormat(std::int32_t aCol)
{
    return FColumns.ColumnXF(CheckedColumn(aCol));
}

void TWorkSheet::SetColFormat(std::int32_t aCol, std::int32_t Value)
{
    const std::uint16_t col = CheckedColumn(aCol);
    const std::uint16_t xf = CheckedWord(Value, "XF");
    FColumns.EnsureColumn(col, DefaultWidthWord(FDefColWidth)).XF = xf;
    TCellList& cells = FCells.CellList();
    for (std::size_t r = 0; r < cells.Count(); ++r) {
        TCellRecordList* row = cells.CellRow(r);
        std::size_t index = 0;
        if (row->Find(col, index)) row->Items(index)->SetXF(xf);
    }
}

std::int32_t TWorkSheet::GetColOutlineLevel(std::int32_t aCol)
{
    const TColInfo* info = FColumns.Column(CheckedColumn(aCol));
    return info ? info->GetColOutlineLevel() : 0;
}

void TWorkSheet::SetColOutlineLevel(std::int32_t aCol, std::int32_t Value)
{
    const std::uint16_t col = CheckedColumn(aCol);
    NeedGuts();
    FColumns.EnsureColumn(col, DefaultWidthWord(FDefColWidth)).SetColOutlineLevel(Value);
}

std::int32_t TWorkSheet::GetRowHeight(std::int32_t aRow) const
{
    const TRowRecordList& rows = FCells.RowList();
    return rows.HasRow(CheckedRow(aRow)) ? rows.Items(std::size_t(aRow)).Height() : FDefRowHeight;
}

std::int32_t TWorkSheet::GetRowHeight(std::int32_t aRow, bool HiddenIsZero) const
{
    return HiddenIsZero && GetRowHidden(aRow) ? 0 : GetRowHeight(aRow);
}

void TWorkSheet::SetRowHeight(std::int32_t aRow, std::int32_t Value)
{
    const std::uint16_t row = CheckedRow(aRow);
    if (Value < 0 || Value > 0x7FFF)
        RaiseXls(TXlsMsg::PropertyIndexOutOfRange, {std::int64_t(Value), std::string("RowHeight"), 0, 0x7FFF});
    FCells.RowList().SetRowHeight(row, static_cast<std::uint16_t>(Value));
}

bool TWorkSheet::GetRowHidden(std::int32_t aRow) const
{
    const TRowRecordList& rows = FCells.RowList();
    return rows.HasRow(CheckedRow(aRow)) && (rows.Items(std::size_t(aRow)).Options() & TRowRecord::OptHidden) != 0;
}

void TWorkSheet::SetRowHidden(std::int32_t aRow, bool Value)
{
    const std::uint16_t row = CheckedRow(aRow);
    FCells.RowList().AddRow(row);
    TRowRecord& rec = FCells.RowList().Items(row);
    const std::uint16_t options = rec.Options();
    rec.SetOptions(
        static_cast<std::uint16_t>(Value ? options | TRowRecord::OptHidden : options & ~TRowRecord::OptHidden));
}

bool TWorkSheet::GetAutoRowHeight(std::int32_t aRow) const
{
    return FCells.RowList().IsAutoRowHeight(CheckedRow(aRow));
}

void TWorkSheet::SetAutoRowHeight(std::int32_t aRow, bool Value)
{
    FCells.RowList().AutoRowHeight(CheckedRow(aRow), Value);
}

std::int32_t TWorkSheet::GetRowFormat(std::int32_t aRow) const
{
    const TRowRecordList& rows = FCells.RowList();
    if (!rows.HasRow(CheckedRow(aRow))) return -1;
    const TRowRecord& rec = rows.Items(std::size_t(aRow));
    return rec.IsFormatted() ? rec.XF() : -1;
}

void TWorkSheet::SetRowFormat(std::int32_t aRow, std::int32_t Value)
{
    const std::uint16_t row = CheckedRow(aRow);
    // The row's XF word keeps 12 bits.
    if (Value < 0 || Value > 0x0FFF)
        RaiseXls(TXlsMsg::PropertyIndexOutOfRange, {std::int64_t(Value), std::string("XF"), 0, 0x0FFF});
    const auto xf = static_cast<std::uint16_t>(Value);
    FCells.RowList().AddRow(row);
    FCells.RowList().Items(row).SetXF(xf);
    if (TCellRecordList* cells = FCells.CellList().CellRow(row))
        for (std::size_t i = 0; i < cells->Count(); ++i) cells->Items(i)->SetXF(xf);
}

std::int32_t TWorkSheet::GetRowOutlineLevel(std::int32_t aRow) const
{
    const TRowRecordList& rows = FCells.RowList();
    return rows.HasRow(CheckedRow(aRow)) ? rows.Items(std::size_t(aRow)).OutlineLevel() : 0;
}

void TWorkSheet::SetRowOutlineLevel(std::int32_t aRow, std::int32_t Value)
{
    const std::uint16_t row = CheckedRow(aRow);
    NeedGuts();
    FCells.RowList().AddRow(row);
    TRowRecord& rec = FCells.RowList().Items(row);
    rec.SetOptions(static_cast<std::uint16_t>((rec.Options() & ~TRowRecord::OptOutlineMask) | (Value & 0x7)));
}

// ---------------------------------------------------------------- merging

TXlsCellRange TWorkSheet::CellMergedBounds(std::int32_t aRow, std::int32_t aCol) const
{
    TXlsCellRange bounds{aCol, aRow, aCol, aRow};
    for (std::size_t i = 0; i < FRanges.Count(); ++i)
        if (const auto* merged = dynamic_cast<const TMergedCells*>(FRanges.GetItem(i)))
            if (merged->CheckCell(aRow, aCol, bounds)) break;
    return bounds;
}

std::size_t TWorkSheet::CellMergedListCount() const
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < FRanges.Count(); ++i)
        if (const auto* merged = dynamic_cast<const TMergedCells*>(FRanges.GetItem(i))) count += merged->MergedCount();
    return count;
}

TXlsCellRange TWorkSheet::CellMergedList(std::size_t index) const
{
    for (std::size_t i = 0; i < FRanges.Count(); ++i) {
        const auto* merged = dynamic_cast<const TMergedCells*>(FRanges.GetItem(i));
        if (!merged) continue;
        if (index < merged->MergedCount()) return merged->MergedCell(index);
        index -= merged->MergedCount();
    }
    return {};
}

void TWorkSheet::MergeCells(std::int32_t aRow1, std::int32_t aCol1, std::int32_t aRow2, std::int32_t aCol2)
{
    std::int32_t r1 = std::min(aRow1, aRow2), r2 = std::max(aRow1, aRow2);
    std::int32_t c1 = std::min(aCol1, aCol2), c2 = std::max(aCol1, aCol2);
    // Growing over one area can make the area overlap another one met before.
    for (TXlsCellRange before{}; before.Left != c1 || before.Top != r1 || before.Right != c2 || before.Bottom != r2;) {
        before = {c1, r1, c2, r2};
        for (std::size_t i = 0; i < FRanges.Count(); ++i)
            if (auto* merged = dynamic_cast<TMergedCells*>(FRanges.GetItem(i))) merged->PreMerge(r1, c1, r2, c2);
    }
    TMergedCells* last = nullptr;
    for (std::size_t i = 0; i < FRanges.Count(); ++i)
        if (auto* merged = dynamic_cast<TMergedCells*>(FRanges.GetItem(i))) last = merged;
    if (!last) {
        auto created = std::make_unique<TMergedCells>();
        last = created.get();
        FRanges.Add(std::move(created));
    }
    last->MergeCells(r1, c1, r2, c2);
}

void TWorkSheet::UnMergeCells(std::int32_t aRow1, std::int32_t aCol1, std::int32_t aRow2, std::int32_t aCol2)
{
    const std::int32_t r1 = std::min(aRow1, aRow2), r2 = std::max(aRow1, aRow2);
    const std::int32_t c1 = std::min(aCol1, aCol2), c2 = std::max(aCol1, aCol2);
    for (std::size_t i = 0; i < FRanges.Count(); ++i)
        if (auto* merged = dynamic_cast<TMergedCells*>(FRanges.GetItem(i))) merged->UnMergeCells(r1, c1, r2, c2);
}

// ------------------------------------------------------ other sheet kinds

void TTbrChart::SetPageHeaderFooter(TPageHeaderFooterRecord& aRecord, std::u16string_view aText)
{
    SetRecordText(FChartRecords, aRecord, aText);
}

void TTbrChart::AddZoomRecord()
{
    auto rec = TSCLRecord::CreateNew(100, 100);
    FZoom = rec.get();
    FChartRecords.Add(std::move(rec));
}

void TTbrUnsupportedSheet::SetPageHeaderFooter(TPageHeaderFooterRecord& aRecord, std::u16string_view aText)
{
    SetRecordText(FSheetRecords, aRecord, aText);
}

}  // namespace xls
