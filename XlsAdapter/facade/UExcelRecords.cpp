#include "facade/UExcelRecords.h"

#include <algorithm>
#include <set>

#include "base/UXlsUnicode.h"
#include "cfb/UOle2Impl.h"
#include "worksheet/UXlsRecordFactory.h"

namespace xls {

// ------------------------------------------------------------ workbook stream

namespace {

// The workbook's stream, and the name BIFF5 gave it; letters in any case.
constexpr std::u16string_view kWorkbookStreamNames[] = {u"Workbook", u"Book"};

}  // namespace

std::u16string SelectWorkbookStream(TOle2File& aOle)
{
    for (const std::u16string_view name : kWorkbookStreamNames) {
        if (const auto dir = aOle.FindDir(name)) {
            aOle.SelectStream(name);
            return dir->Name();
        }
    }
    aOle.SelectStream(kWorkbookStreamNames[0]);  // raises the error of a missing stream
    return std::u16string(kWorkbookStreamNames[0]);
}

// ----------------------------------------------------------------- TSheetList

void TSheetList::CheckItem(const TSheet* aItem) const
{
    if (!aItem) RaiseXls(TXlsMsg::LogicalError);
}

void TSheetList::SaveToStream(TOle2File& DataStream)
{
    for (const auto& sheet : FList) sheet->SaveToStream(DataStream);
}

void TSheetList::InsertAndCopyRowsAndCols(std::int32_t SheetNo, std::int32_t FirstRow, std::int32_t LastRow,
                                          std::int32_t DestRow, std::int32_t aRowCount, std::int32_t FirstCol,
                                          std::int32_t LastCol, std::int32_t DestCol, std::int32_t aColCount,
                                          TSheetInfo SheetInfo, bool OnlyFormulas)
{
    const std::int32_t rows = aRowCount * (LastRow - FirstRow + 1);
    const std::int32_t cols = aColCount * (LastCol - FirstCol + 1);
    // The sheet itself goes first: it refuses cells pushed off the sheet
    // before any other sheet's formulas have followed.
    SheetInfo.FormulaSheet = SheetNo;
    Items(static_cast<std::size_t>(SheetNo))
        ->InsertAndCopyRowsAndCols(FirstRow, LastRow, DestRow, aRowCount, FirstCol, LastCol, DestCol, aColCount,
                                   SheetInfo, OnlyFormulas);
    for (std::size_t i = 0; i < Count(); ++i) {
        SheetInfo.FormulaSheet = static_cast<std::int32_t>(i);
        if (SheetInfo.FormulaSheet != SheetNo) Items(i)->ArrangeInsertRowsAndCols(DestRow, rows, DestCol, cols, SheetInfo);
    }
}

void TSheetList::DeleteRowsAndCols(std::int32_t SheetNo, std::int32_t aRow, std::int32_t aRowCount, std::int32_t aCol,
                                   std::int32_t aColCount, TSheetInfo SheetInfo)
{
    for (std::size_t i = 0; i < Count(); ++i) {
        SheetInfo.FormulaSheet = static_cast<std::int32_t>(i);
        if (SheetInfo.FormulaSheet == SheetNo)
            Items(i)->DeleteRowsAndCols(aRow, aRowCount, aCol, aColCount, SheetInfo);
        else
            Items(i)->ArrangeInsertRowsAndCols(aRow, -aRowCount, aCol, -aColCount, SheetInfo);
    }
}

void TSheetList::DeleteSheets(std::int32_t SheetIndex, std::int32_t SheetCount)
{
    if (SheetIndex < 0 || SheetCount <= 0 || static_cast<std::size_t>(SheetIndex) >= Count()) return;
    const std::size_t count = std::min<std::size_t>(SheetCount, Count() - SheetIndex);
    for (std::size_t i = 0; i < count; ++i) Items(SheetIndex + i)->Clear();
    DeleteRange(SheetIndex, count);
}

// ------------------------------------------------------------------ TWorkbook

TWorkbook::TWorkbook() : FGlobals(std::make_unique<TWorkbookGlobals>(std::make_unique<TDrawingGroup>())) {}

TWorkbook::~TWorkbook() = default;

void TWorkbook::Clear()
{
    // Sheets first: their text cells refer to the globals' shared strings.
    FSheets.Clear();
    FGlobals->Clear();
}

void TWorkbook::LoadFromStream(TOle2File& DataStream)
{
    Clear();
    try {
        LoadSections(DataStream);
    } catch (...) {
        Clear();
        throw;
    }
}

std::unique_ptr<TSheet> TWorkbook::CreateSheet(std::uint16_t aBOFType)
{
    switch (aBOFType) {
    case TBOFRecord::TypeWorksheet: return std::make_unique<TWorkSheet>(FGlobals.get());
    case TBOFRecord::TypeChart: return std::make_unique<TTbrChart>(FGlobals.get());
    default: return std::make_unique<TTbrUnsupportedSheet>(FGlobals.get());
    }
}

void TWorkbook::LoadSections(TOle2File& DataStream)
{
    TRecordHeader header;
    if (DataStream.NextEof(3)) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
    ReadHeader(DataStream, header);
    bool globalsLoaded = false;
    // A zero id in header position is the zero fill behind the last EOF;
    // anything behind the last declared sheet is not read.
    while (!header.StreamEnded && header.Id != 0) {
        std::unique_ptr<TBOFRecord> first = AtNextRecord(DataStream, header, [&]() -> std::unique_ptr<TBOFRecord> {
            std::unique_ptr<TBaseRecord> rec = ReadRecord(DataStream, header);
            if (!dynamic_cast<TBOFRecord*>(rec.get())) {
                if (rec->Id() != xlr_EOF) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
                return nullptr;
            }
            auto bof = TakeRecordAs<TBOFRecord>(std::move(rec));
            // The sheets' text cells use the globals' shared strings, which a
            // globals load replaces: one globals section, and it comes first.
            if ((bof->BOFType() == TBOFRecord::TypeGlobals) == globalsLoaded) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
            return bof;
        });
        if (first) {
            if (first->BOFType() == TBOFRecord::TypeGlobals) {
                InSection(0, [&] { FGlobals->LoadFromStream(DataStream, header, std::move(first), FGlobals->SST()); });
                globalsLoaded = true;
            } else {
                FSheets.Add(CreateSheet(first->BOFType()));
                InSection(FSheets.Count(), [&] {
                    FSheets.Items(FSheets.Count() - 1)
                        ->LoadFromStream(DataStream, header, std::move(first), FGlobals->SST());
                });
            }
        }
        if (FGlobals->SheetCount() > 0 && FSheets.Count() >= FGlobals->SheetCount()) break;
    }
    if (!globalsLoaded) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
    // Every BOUNDSHEET needs its sheet: offsets and names are paired by position.
    CheckSheetCount();
    FGlobals->SST().Sort();
    // Drawings kept unread may name pictures by their store position.
    TDrawingGroup& group = DrawingGroupOf(*FGlobals);
    for (std::size_t i = 0; i < FSheets.Count(); ++i)
        if (FSheets.Items(i)->HoldsKeptDrawings()) group.SetKeepStorePositions(true);
    group.SortPictureStore();
}

template <class F>
void TWorkbook::InSection(std::size_t aSheet, F&& aLoad)
{
    WithErrorPlace(aLoad, [&](EXlsException& e) {
        // The sheet's name is its BOUNDSHEET's, when the globals have one for it.
        std::string name;
        if (aSheet > 0 && aSheet <= FGlobals->SheetCount()) {
            try {
                name = Utf16ToUtf8(FGlobals->SheetName(static_cast<std::int32_t>(aSheet - 1)));
            } catch (const EXlsException&) {
                // A name that cannot be read is left out; the number still tells the sheet.
            }
        }
        e.SetSheet(static_cast<std::int32_t>(aSheet), name);
    });
}

void TWorkbook::CheckSheetCount() const
{
    if (FGlobals->SheetCount() != FSheets.Count()) RaiseXls(TXlsMsg::ExcelRecordsInvalid);
}

namespace {

// The decimal text of aDigits + 1 (aDigits without leading zeros; "" is 0).
std::u16string Increment(std::u16string aDigits)
{
    for (std::size_t i = aDigits.size(); i-- > 0;) {
        if (aDigits[i] != u'9') {
            ++aDigits[i];
            return aDigits;
        }
        aDigits[i] = u'0';
    }
    aDigits.insert(aDigits.begin(), u'1');
    return aDigits;
}

// Sheet "Data12" gets the code name "Data12", or "Data13", "Data14"... while
// those are taken; "Data" gets "Data", or "Data1", "Data2"...
std::u16string UniqueCodeName(std::u16string_view aSheetName, const std::set<std::u16string>& aUsed)
{
    std::size_t stemEnd = aSheetName.size();
    while (stemEnd > 0 && aSheetName[stemEnd - 1] >= u'0' && aSheetName[stemEnd - 1] <= u'9') --stemEnd;
    std::u16string number(aSheetName.substr(stemEnd));
    number.erase(0, number.find_first_not_of(u'0'));
    std::u16string candidate(aSheetName);
    while (aUsed.contains(UnicodeUpperCase(candidate))) {
        number = Increment(number);
        candidate.assign(aSheetName.substr(0, stemEnd));
        candidate.append(number);
    }
    return candidate;
}

}  // namespace

void TWorkbook::FixCodeNames()
{
    if (!FGlobals->HasMacro()) return;
    std::set<std::u16string> used;  // upper-cased: code names compare without case
    if (!FGlobals->CodeName().empty()) used.insert(UnicodeUpperCase(FGlobals->CodeName()));
    for (std::size_t i = 0; i < FSheets.Count(); ++i)
        if (FSheets.Items(i)->CodeNameRecord()) used.insert(UnicodeUpperCase(FSheets.Items(i)->CodeName()));

    for (std::size_t i = 0; i < FSheets.Count(); ++i) {
        TSheet& sheet = *FSheets.Items(i);
        if (sheet.CodeNameRecord()) continue;
        const std::u16string codeName = UniqueCodeName(FGlobals->SheetName(static_cast<std::int32_t>(i)), used);
        sheet.SetCodeName(codeName);
        used.insert(UnicodeUpperCase(codeName));
    }
}

void TWorkbook::PrepareSave()
{
    FixCodeNames();
    for (std::size_t i = 0; i < FSheets.Count(); ++i) FSheets.Items(i)->FixRows();
    FGlobals->SST().FixRefs();
}

std::int32_t TWorkbook::FirstVisibleSheet() const
{
    std::int32_t firstVisible = -1;
    for (std::size_t i = FSheets.Count(); i-- > 0;) {
        const auto index = static_cast<std::int32_t>(i);
        if (FGlobals->SheetVisible(index) == TXlsSheetVisible::sv_Visible)
            firstVisible = index;
        else if (FSheets.Items(i)->Selected())
            RaiseXls(TXlsMsg::NoVisibleSheetSelected);
    }
    if (firstVisible < 0) RaiseXls(TXlsMsg::NoVisibleSheets);
    return firstVisible;
}

namespace {

// Sizes are computed before writing and must be what is written: a section
// that ends elsewhere would leave every BOUNDSHEET offset behind it wrong.
void CheckPosition(TOle2File& DataStream, std::int64_t aExpected)
{
    if (StreamPosition(DataStream) != aExpected) RaiseXls(TXlsMsg::LogicalError);
}

}  // namespace

void TWorkbook::SaveToStream(TOle2File& DataStream, bool NeedsRecalc)
{
    PrepareSave();
    std::int64_t offset = FGlobals->TotalSize();
    CheckSheetCount();
    std::vector<std::int64_t> offsets;
    for (std::size_t i = 0; i < FSheets.Count(); ++i) {
        FGlobals->SheetSetOffset(static_cast<std::int32_t>(i), offset);
        offsets.push_back(offset);
        offset += FSheets.Items(i)->FixTotalSize(NeedsRecalc);
    }
    FGlobals->SetFirstSheetVisible(FirstVisibleSheet());

    const std::int64_t start = StreamPosition(DataStream);
    FGlobals->SaveToStream(DataStream);
    for (std::size_t i = 0; i < FSheets.Count(); ++i) {
        CheckPosition(DataStream, start + offsets[i]);
        FSheets.Items(i)->SaveToStream(DataStream);
    }
    CheckPosition(DataStream, start + offset);
}

void TWorkbook::SaveRangeToStream(TOle2File& DataStream, std::int32_t SheetIndex, const TXlsCellRange& CellRange,
                                  bool NeedsRecalc)
{
    TSheet& sheet = CheckedSheet(SheetIndex);
    PrepareSave();
    const std::int64_t offset = FGlobals->TotalRangeSize(SheetIndex, CellRange);
    CheckSheetCount();
    sheet.FixTotalSize(NeedsRecalc);
    FGlobals->SheetSetOffset(SheetIndex, offset);

    const std::int64_t start = StreamPosition(DataStream);
    FGlobals->SaveRangeToStream(DataStream, SheetIndex, CellRange);
    CheckPosition(DataStream, start + offset);
    sheet.SaveRangeToStream(DataStream, SheetIndex, CellRange);
}

TSheet& TWorkbook::CheckedSheet(std::int64_t SheetNo) const
{
    const auto count = static_cast<std::int64_t>(FSheets.Count());
    if (SheetNo < 0 || SheetNo >= count) RaiseXls(TXlsMsg::SheetNumberInvalid, {SheetNo, 0, count - 1});
    return *FSheets.Items(static_cast<std::size_t>(SheetNo));
}

bool TWorkbook::IsWorksheet(std::int32_t Index) const
{
    return Index >= 0 && static_cast<std::size_t>(Index) < FSheets.Count() &&
           dynamic_cast<const TWorkSheet*>(FSheets.Items(Index));
}

TWorkSheet& TWorkbook::GetWorkSheets(std::int32_t Index)
{
    auto* sheet = dynamic_cast<TWorkSheet*>(&CheckedSheet(Index));
    if (!sheet) RaiseXls(TXlsMsg::NotAWorksheet, {std::int64_t(Index)});
    return *sheet;
}

void TWorkbook::SetActiveSheet(std::int32_t Value)
{
    TSheet& active = CheckedSheet(Value);
    for (std::size_t i = 0; i < FSheets.Count(); ++i) FSheets.Items(i)->SetSelected(false);
    FGlobals->SetActiveSheet(Value);
    active.SetSelected(true);
}

namespace {

// Rows (columns with aMax 255) First to Last copied Count times to Dest stay inside the sheet.
bool ValidCopy(std::int64_t First, std::int64_t Last, std::int64_t Dest, std::int64_t Count, std::int64_t aMax)
{
    if (Last < First || First < 0 || Last > aMax || Dest < 0 || Count < 0) return false;
    if (First < Dest && Dest <= Last) return false;
    return Dest + Count * (Last - First + 1) <= aMax;
}

// Count rows (columns with aMax 255) from First lie inside the sheet.
bool ValidDelete(std::int64_t First, std::int64_t Count, std::int64_t aMax)
{
    return First >= 0 && First <= aMax && Count >= 0 && First + Count - 1 <= aMax;
}

}  // namespace

void TWorkbook::InsertAndCopyRowsAndCols(std::int32_t SheetNo, std::int32_t FirstRow, std::int32_t LastRow,
                                         std::int32_t DestRow, std::int32_t aRowCount, std::int32_t FirstCol,
                                         std::int32_t LastCol, std::int32_t DestCol, std::int32_t aColCount,
                                         bool OnlyFormulas)
{
    if (!ValidCopy(FirstRow, LastRow, DestRow, aRowCount, MaxRow) ||
        !ValidCopy(FirstCol, LastCol, DestCol, aColCount, MaxColumn))
        RaiseXls(TXlsMsg::InvalidInsertArguments);
    CheckedSheet(SheetNo);
    FSheets.InsertAndCopyRowsAndCols(SheetNo, FirstRow, LastRow, DestRow, aRowCount, FirstCol, LastCol, DestCol,
                                     aColCount, FGlobals->SheetInfo(SheetNo, SheetNo), OnlyFormulas);
    // The names' references are 3-D: each follows the sheet it names.
    FGlobals->InsertAndCopyRowsAndCols(DestRow, aRowCount * (LastRow - FirstRow + 1), DestCol,
                                       aColCount * (LastCol - FirstCol + 1), FGlobals->SheetInfo(SheetNo, -1));
}

void TWorkbook::DeleteRowsAndCols(std::int32_t SheetNo, std::int32_t aRow, std::int32_t aRowCount, std::int32_t aCol,
                                  std::int32_t aColCount)
{
    if (!ValidDelete(aRow, aRowCount, MaxRow) || !ValidDelete(aCol, aColCount, MaxColumn))
        RaiseXls(TXlsMsg::InvalidInsertArguments);
    CheckedSheet(SheetNo);
    FSheets.DeleteRowsAndCols(SheetNo, aRow, aRowCount, aCol, aColCount, FGlobals->SheetInfo(SheetNo, SheetNo));
    FGlobals->DeleteRowsAndCols(aRow, aRowCount, aCol, aColCount, FGlobals->SheetInfo(SheetNo, -1));
}

void TWorkbook::InsertSheets(std::int32_t CopyFrom, std::int32_t InsertBefore, std::int32_t SheetCount)
{
    const auto count = static_cast<std::int64_t>(FSheets.Count());
    if (CopyFrom < -1 || CopyFrom >= count)
        RaiseXls(TXlsMsg::SheetNumberInvalid, {std::int64_t(CopyFrom), -1, count - 1});
    if (InsertBefore < 0 || InsertBefore > count)
        RaiseXls(TXlsMsg::SheetNumberInvalid, {std::int64_t(InsertBefore), 0, count});
    if (SheetCount <= 0) return;

    // The new sheets are made before anything changes: a sheet that cannot
    // be copied leaves the workbook as it was.
    std::vector<std::unique_ptr<TSheet>> added;
    for (std::int32_t k = 0; k < SheetCount; ++k) {
        added.push_back(CopyFrom >= 0 ? FSheets.Items(CopyFrom)->CopyTo()
                                      : TWorkSheet::CreateFromData(FGlobals.get(), FGlobals->SST()));
        // The empty sheet a new one starts from is selected; several selected
        // sheets would open as a group that edits them all.
        added.back()->SetSelected(false);
    }

    const std::uint16_t options = CopyFrom >= 0 ? FGlobals->SheetOptionFlags(CopyFrom) : 0;
    const std::int32_t shown = ActiveSheet();
    FGlobals->InsertSheets(CopyFrom, InsertBefore, options, u"Sheet", SheetCount);
    // The sheet the file shows moves with the sheets behind the new ones.
    if (shown >= InsertBefore) FGlobals->SetActiveSheet(shown + SheetCount);
    // The source sheet has moved behind the new ones when it stood at or after them.
    const std::int32_t source = CopyFrom < InsertBefore ? CopyFrom : CopyFrom + SheetCount;
    for (std::int32_t k = 0; k < SheetCount; ++k) {
        TSheet* sheet = added[k].get();
        FSheets.Insert(InsertBefore, std::move(added[k]));
        if (CopyFrom < 0) continue;
        TSheetInfo info = FGlobals->SheetInfo(InsertBefore + SheetCount - k - 1, source);
        info.Names = &FGlobals->Names();
        sheet->ArrangeCopySheet(info);
    }
}

void TWorkbook::DeleteSheets(std::int32_t SheetPos, std::int32_t SheetCount)
{
    const auto count = static_cast<std::int64_t>(FSheets.Count());
    if (SheetPos < 0 || SheetPos > count) RaiseXls(TXlsMsg::SheetNumberInvalid, {std::int64_t(SheetPos), 0, count});
    if (SheetCount <= 0) return;
    const std::int64_t end = std::min(count, std::int64_t(SheetPos) + SheetCount);
    if (!HasVisibleSheetOutside(SheetPos, end)) RaiseXls(TXlsMsg::NoVisibleSheets);
    const std::int32_t shown = ActiveSheet();
    // Formulas name names by position: the names behind deleted ones move up.
    // A formula that cannot follow fails before anything changes.
    CheckNamesCanGo(FGlobals->NamesOfSheets(SheetPos, SheetCount), SheetPos, SheetCount);
    const TDeletedNames names = FGlobals->DeleteSheets(SheetPos, SheetCount);
    FSheets.DeleteSheets(SheetPos, SheetCount);
    if (!names.Positions.empty())
        for (std::size_t i = 0; i < FSheets.Count(); ++i) FSheets.Items(i)->ArrangeDeletedNames(names);
    // The sheet the file shows moves with the sheets behind the deleted ones;
    // when it was deleted itself, the next visible one (or the last visible
    // one before) takes its place, so that the file shows a sheet it has and
    // can be saved.
    if (shown < SheetPos) return;
    const auto deleted = static_cast<std::int32_t>(count - static_cast<std::int64_t>(FSheets.Count()));
    SetActiveSheet(shown >= SheetPos + deleted ? shown - deleted : VisibleSheetNear(SheetPos));
}

bool TWorkbook::HasVisibleSheetOutside(std::int64_t aFirst, std::int64_t aEnd) const
{
    for (std::int64_t i = 0; i < static_cast<std::int64_t>(FSheets.Count()); ++i)
        if ((i < aFirst || i >= aEnd) && FGlobals->SheetVisible(static_cast<std::int32_t>(i)) == TXlsSheetVisible::sv_Visible)
            return true;
    return false;
}

std::int32_t TWorkbook::VisibleSheetNear(std::int32_t aSheet) const
{
    const auto count = static_cast<std::int32_t>(FSheets.Count());
    for (std::int32_t i = aSheet; i < count; ++i)
        if (FGlobals->SheetVisible(i) == TXlsSheetVisible::sv_Visible) return i;
    for (std::int32_t i = std::min(aSheet, count) - 1; i >= 0; --i)
        if (FGlobals->SheetVisible(i) == TXlsSheetVisible::sv_Visible) return i;
    return std::min(aSheet, count - 1);
}

void TWorkbook::CheckNamesCanGo(TDeletedNames aNames, std::int32_t SkipFirst, std::int32_t SkipCount)
{
    if (aNames.Positions.empty()) return;
    aNames.CheckOnly = true;
    FGlobals->Names().ArrangeDeletedNames(aNames);
    for (std::int64_t i = 0; i < std::int64_t(FSheets.Count()); ++i)
        if (i < SkipFirst || i >= std::int64_t(SkipFirst) + SkipCount) FSheets.Items(i)->ArrangeDeletedNames(aNames);
}

void TWorkbook::DeleteNames(std::vector<std::size_t> aPositions)
{
    const TDeletedNames names = FGlobals->NamesAt(std::move(aPositions));
    if (names.Positions.empty()) return;
    CheckNamesCanGo(names, 0, 0);
    FGlobals->DeleteNames(names);
    for (std::size_t i = 0; i < FSheets.Count(); ++i) FSheets.Items(i)->ArrangeDeletedNames(names);
}

void TWorkbook::InsertHPageBreak(std::int32_t SheetNo, std::int32_t aRow)
{
    CheckedSheet(SheetNo).InsertHPageBreak(aRow);
}

void TWorkbook::InsertVPageBreak(std::int32_t SheetNo, std::int32_t aCol)
{
    CheckedSheet(SheetNo).InsertVPageBreak(aCol);
}

void TWorkbook::RestoreObjectCoords(std::int32_t dSheet)
{
    CheckedSheet(dSheet).RestoreObjectCoords();
}

}  // namespace xls
