#include "globals/UXlsWorkbookGlobals.h"

#include <algorithm>
#include <vector>

#include "base/UXlsUnicode.h"
#include "globals/UXlsGlobalsFactory.h"

namespace xls {

namespace {

// Records of the formatting block that a PALETTE record follows in a BIFF8
// globals section: XF, XFCRC, XFEXT, DXF, STYLE, STYLEEXT and the table styles.
bool PrecedesPalette(std::uint16_t aId)
{
    switch (aId) {
    case xlr_XF:
    case xlr_STYLE:
    case xlr_XFCRC:
    case xlr_XFEXT:
    case xlr_DXF:
    case xlr_TABLESTYLES:
    case xlr_TABLESTYLE:
    case xlr_TABLESTYLEELEMENT:
    case xlr_STYLEEXT:
        return true;
    default:
        return false;
    }
}

// The record as the class the factory made for its id.
template <class T>
std::unique_ptr<T> As(std::unique_ptr<TBaseRecord> aRecord)
{
    auto* typed = dynamic_cast<T*>(aRecord.get());
    if (!typed) RaiseXls(TXlsMsg::LogicalError);
    aRecord.release();
    return std::unique_ptr<T>(typed);
}

constexpr std::int64_t kMaxSheets = 0xFFFF;

}  // namespace

// ------------------------------------------------------------ TBoundSheetList

void TBoundSheetList::Clear()
{
    FBoundSheets.Clear();
    FSheetNames.Clear();
}

std::size_t TBoundSheetList::CheckSheet(std::int64_t SheetIndex) const
{
    if (SheetIndex < 0 || SheetIndex >= std::int64_t(Count()))
        RaiseXls(TXlsMsg::SheetNumberInvalid, {SheetIndex, std::int64_t(0), std::int64_t(Count()) - 1});
    return static_cast<std::size_t>(SheetIndex);
}

void TBoundSheetList::Add(std::unique_ptr<TBoundSheetRecord> aRecord)
{
    const TXlsString name = aRecord->SheetName();
    FSheetNames.Add(name);
    FBoundSheets.Add(std::move(aRecord));
}

void TBoundSheetList::InsertSheet(std::size_t BeforeSheet, std::uint16_t OptionFlags, std::u16string_view SheetName)
{
    if (BeforeSheet > Count()) RaiseListIndex(BeforeSheet);
    const TXlsString name = FSheetNames.AddUniqueName(SheetName);
    std::unique_ptr<TBoundSheetRecord> rec;
    try {
        rec = TBoundSheetRecord::CreateNew(OptionFlags, name);
    } catch (...) {
        FSheetNames.DeleteSheet(name);
        throw;
    }
    FBoundSheets.Insert(BeforeSheet, std::move(rec));
}

void TBoundSheetList::DeleteSheet(std::size_t SheetIndex)
{
    FSheetNames.DeleteSheet(FBoundSheets.GetSheetName(CheckSheet(std::int64_t(SheetIndex))));
    FBoundSheets.Delete(SheetIndex);
}

void TBoundSheetList::SetSheetName(std::size_t aIndex, std::u16string_view aName)
{
    const TXlsString old = FBoundSheets.GetSheetName(CheckSheet(std::int64_t(aIndex)));
    FSheetNames.Rename(old, aName);
    try {
        FBoundSheets.SetSheetName(aIndex, aName);
    } catch (...) {
        FSheetNames.Rename(aName, old);
        throw;
    }
}

void TBoundSheetList::SaveToStream(TOle2File& DataStream)
{
    FBoundSheets.SaveToStream(DataStream);
}

void TBoundSheetList::SaveRangeToStream(TOle2File& DataStream, std::int32_t SheetIndex)
{
    FBoundSheets.Items(CheckSheet(SheetIndex))->SaveToStream(DataStream);
}

std::int64_t TBoundSheetList::TotalRangeSize(std::int32_t SheetIndex) const
{
    return FBoundSheets.Items(CheckSheet(SheetIndex))->TotalSize();
}

// ----------------------------------------------------------- TWorkbookGlobals

TWorkbookGlobals::TWorkbookGlobals(std::unique_ptr<TBaseDrawingGroup> aDrawingGroup)
    : FDrawingGroup(std::move(aDrawingGroup))
{
    if (!FDrawingGroup) RaiseXls(TXlsMsg::LogicalError);
}

TWorkbookGlobals::~TWorkbookGlobals() = default;

void TWorkbookGlobals::ClearRecordFields()
{
    FWindow1 = nullptr;
    F1904 = nullptr;
    FBookBool = nullptr;
    FPrecision = nullptr;
    FPaletteCache = nullptr;
    FPaletteIndex = -1;
}

void TWorkbookGlobals::Clear()
{
    ClearRecordFields();
    FMiscRecords.Clear();
    FSST = std::make_unique<TSST>();
    FReferences.Clear();
    FBoundSheets.Clear();
    FNames.Clear();
    FDrawingGroup->Clear();
    FXF.Clear();
    FFonts.Clear();
    FFormats.Clear();
    FHasMacro = false;
    FIsXltTemplate = false;
    FCodeName.clear();
    TBaseSection::Clear();
}

// ------------------------------------------------------------------- loading

void TWorkbookGlobals::LoadFromStream(TOle2File& DataStream, TRecordHeader& RecordHeader,
                                      std::unique_ptr<TBOFRecord> First, TSST&)
{
    Clear();
    // Every round reads one record; the record stream yields EOF at its end.
    while (!FEOF)
        AtNextRecord(DataStream, RecordHeader, [&] {
            LoadRecord(DataStream, RecordHeader, ReadRecord(DataStream, RecordHeader, CreateGlobalsRecord));
        });
    FBOF = std::move(First);
}

void TWorkbookGlobals::AddPlaceholder(TBaseRecordList& aList)
{
    FMiscRecords.Add(TSubListRecord::CreateAndAssign(&aList));
}

void TWorkbookGlobals::KeepRecord(std::unique_ptr<TBaseRecord> aRecord)
{
    FMiscRecords.Add(std::move(aRecord));
}

template <class T>
T* TWorkbookGlobals::KeepAs(std::unique_ptr<TBaseRecord> aRecord)
{
    std::unique_ptr<T> typed = As<T>(std::move(aRecord));
    T* kept = typed.get();
    KeepRecord(std::move(typed));
    return kept;
}

void TWorkbookGlobals::LoadRecord(TOle2File& DataStream, TRecordHeader& RecordHeader,
                                  std::unique_ptr<TBaseRecord> aRecord)
{
    const std::uint16_t id = aRecord->Id();
    // The format lists are written where their first record was read.
    if (id == xlr_XF && FXF.Count() == 0) AddPlaceholder(FXF);
    if (id == xlr_FONT && FFonts.Count() == 0) AddPlaceholder(FFonts);
    if (id == xlr_FORMAT && FFormats.Count() == 0) AddPlaceholder(FFormats);

    if (dynamic_cast<const TIgnoreRecord*>(aRecord.get())) return;  // EXTSST and the other rebuilt kinds
    switch (id) {
    case xlr_BOF:
        RaiseXls(TXlsMsg::ExcelRecordsInvalid);
    case xlr_EOF:
        FEOF = As<TEOFRecord>(std::move(aRecord));
        break;
    case xlr_BOUNDSHEET:
        FBoundSheets.Add(As<TBoundSheetRecord>(std::move(aRecord)));
        break;
    case xlr_NAME:
        FNames.Add(std::move(aRecord));
        break;
    case xlr_XF:
        FXF.Add(std::move(aRecord));
        break;
    case xlr_FONT:
        FFonts.Add(std::move(aRecord));
        break;
    case xlr_FORMAT:
        FFormats.Add(std::move(aRecord));
        break;
    case xlr_SST:
        FSST->Load(*As<TSSTRecord>(std::move(aRecord)));
        break;
    case xlr_SUPBOOK:
        FReferences.AddSupBook(TakeRecordAs<TSupBookRecord>(std::move(aRecord)));
        break;
    case xlr_EXTERNNAME:
    case xlr_EXTERNNAME2:
        FReferences.AddExternName(TakeRecordAs<TExternNameRecord>(std::move(aRecord)));
        break;
    case xlr_EXTERNSHEET:
        FReferences.AddExternRef(*aRecord);
        break;
    case xlr_MSODRAWINGGROUP:
        FDrawingGroup->LoadFromStream(DataStream, RecordHeader, std::move(aRecord));
        break;
    case xlr_TEMPLATE:
        FIsXltTemplate = true;
        break;
    case xlr_WINDOW1:
        FWindow1 = KeepAs<TWindow1Record>(std::move(aRecord));
        break;
    case xlr_DATEMODE:
        F1904 = KeepAs<T1904Record>(std::move(aRecord));
        break;
    case xlr_BOOKBOOL:
        FBookBool = KeepAs<TBookBoolRecord>(std::move(aRecord));
        break;
    case xlr_PRECISION:
        FPrecision = KeepAs<TPrecisionRecord>(std::move(aRecord));
        break;
    case xlr_PALETTE:
        FPaletteCache = KeepAs<TPaletteRecord>(std::move(aRecord));
        break;
    case xlr_OBPROJ:
        FHasMacro = true;
        KeepRecord(std::move(aRecord));
        break;
    case xlr_CODENAME:
        FCodeName = KeepAs<TCodeNameRecord>(std::move(aRecord))->Value();
        break;
    default:
        KeepRecord(std::move(aRecord));
        break;
    }
    if (PrecedesPalette(id)) FPaletteIndex = static_cast<std::int32_t>(FMiscRecords.Count());
}

// -------------------------------------------------------------------- saving

bool TWorkbookGlobals::HasPlaceholder(const TBaseRecordList& aList) const
{
    for (std::size_t i = 0; i < FMiscRecords.Count(); ++i) {
        const auto* p = dynamic_cast<const TSubListRecord*>(FMiscRecords.GetItem(i));
        if (p && p->SubList() == &aList) return true;
    }
    return false;
}

void TWorkbookGlobals::EnsurePlaceholders()
{
    // A workbook read without FONT, FORMAT or XF records gets a place for
    // them when one is added: in front of the lists that follow it, else at
    // the end, so that nothing added is left unwritten.
    TBaseRecordList* const order[] = {&FFonts, &FFormats, &FXF};
    for (std::size_t k = 0; k < std::size(order); ++k) {
        if (order[k]->Count() == 0 || HasPlaceholder(*order[k])) continue;
        std::size_t pos = FMiscRecords.Count();
        for (std::size_t i = 0; i < FMiscRecords.Count(); ++i) {
            const auto* p = dynamic_cast<const TSubListRecord*>(FMiscRecords.GetItem(i));
            if (p && std::find(order + k + 1, std::end(order), p->SubList()) != std::end(order)) {
                pos = i;
                break;
            }
        }
        FMiscRecords.Insert(pos, TSubListRecord::CreateAndAssign(order[k]));
        if (FPaletteIndex >= 0 && std::size_t(FPaletteIndex) >= pos) ++FPaletteIndex;
        if (order[k] == &FXF && FPaletteIndex < 0) FPaletteIndex = static_cast<std::int32_t>(pos + 1);
    }
}

std::int64_t TWorkbookGlobals::SubListsSize() const
{
    // Each placeholder writes its whole list.
    std::int64_t size = 0;
    for (std::size_t i = 0; i < FMiscRecords.Count(); ++i)
        if (const auto* p = dynamic_cast<const TSubListRecord*>(FMiscRecords.GetItem(i)); p && p->SubList())
            size += p->SubList()->TotalSize();
    return size;
}

// OnlySheet < 0: every BOUNDSHEET and the drawing group; else the range form.
void TWorkbookGlobals::SaveBody(TOle2File& DataStream, std::int32_t OnlySheet)
{
    CheckLoaded();
    FBOF->SaveToStream(DataStream);
    if (FIsXltTemplate) TTemplateRecord::SaveNewRecord(DataStream);
    FMiscRecords.SaveToStream(DataStream);
    if (OnlySheet >= 0)
        FBoundSheets.SaveRangeToStream(DataStream, OnlySheet);
    else
        FBoundSheets.SaveToStream(DataStream);
    FReferences.SaveToStream(DataStream);
    FNames.SaveToStream(DataStream);
    if (OnlySheet < 0) FDrawingGroup->SaveToStream(DataStream);
    FSST->SaveToStream(DataStream);
    FEOF->SaveToStream(DataStream);
}

void TWorkbookGlobals::SaveToStream(TOle2File& DataStream)
{
    SaveBody(DataStream, -1);
}

void TWorkbookGlobals::SaveRangeToStream(TOle2File& DataStream, std::int32_t SheetIndex, const TXlsCellRange&)
{
    // A negative index must fail like any other index outside the list.
    FBoundSheets.CheckSheet(SheetIndex);
    SaveBody(DataStream, SheetIndex);
}

std::int64_t TWorkbookGlobals::TotalSize() const
{
    return TBaseSection::TotalSize() + TTemplateRecord::GetSize(FIsXltTemplate) + FMiscRecords.TotalSize() +
           SubListsSize() + FBoundSheets.TotalSize() + FReferences.TotalSize() + FNames.TotalSize() +
           FDrawingGroup->TotalSize() + FSST->TotalSize();
}

std::int64_t TWorkbookGlobals::TotalRangeSize(std::int32_t SheetIndex, const TXlsCellRange&)
{
    return TBaseSection::TotalSize() + TTemplateRecord::GetSize(FIsXltTemplate) + FMiscRecords.TotalSize() +
           SubListsSize() + FBoundSheets.TotalRangeSize(SheetIndex) + FReferences.TotalSize() + FNames.TotalSize() +
           FSST->TotalSize();
}

// ------------------------------------------------------------------- formats

TTbrFormat TWorkbookGlobals::GetFormat(std::int64_t aXF)
{
    if (FXF.Count() == 0) return DefaultCellFormat();
    const std::size_t index = aXF >= 0 && aXF < std::int64_t(FXF.Count()) ? static_cast<std::size_t>(aXF) : 0;
    return FXF.Items(index)->TbrFormat(FFonts, FFormats);
}

std::size_t TWorkbookGlobals::AddFormat(const TTbrFormat& aFormat)
{
    std::unique_ptr<TXFRecord> xf = TXFRecord::CreateFromFormat(aFormat, FFonts, FFormats);
    std::size_t index = 0;
    if (!FXF.FindFormat(*xf, index)) {
        // Cells hold the XF index in 16 bits.
        if (FXF.Count() > 0xFFFF) RaiseXls(TXlsMsg::TooManyEntries, {std::int64_t(FXF.Count()), std::int64_t(0xFFFF)});
        index = FXF.Add(std::move(xf));
    }
    EnsurePlaceholders();
    return index;
}

std::uint16_t TWorkbookGlobals::AddFont(const TTbrFont& aFont)
{
    const std::uint16_t index = FFonts.AddFont(aFont);
    EnsurePlaceholders();
    return index;
}

// ----------------------------------------------------------- workbook settings

std::int32_t TWorkbookGlobals::ActiveSheet() const
{
    return FWindow1 ? FWindow1->ActiveSheet() : 0;
}

void TWorkbookGlobals::SetActiveSheet(std::int32_t aSheet)
{
    const std::size_t sheet = FBoundSheets.CheckSheet(aSheet);
    if (!FWindow1) return;
    FWindow1->SetActiveSheet(static_cast<std::uint16_t>(sheet));
    FWindow1->SetFirstTab(0);
    FWindow1->SetSelectedTabs(1);
}

void TWorkbookGlobals::SetFirstSheetVisible(std::int32_t aSheet)
{
    const std::size_t sheet = FBoundSheets.CheckSheet(aSheet);
    if (FWindow1) FWindow1->SetFirstTab(static_cast<std::uint16_t>(sheet));
}

bool TWorkbookGlobals::Is1904() const
{
    return F1904 && F1904->Is1904();
}

void TWorkbookGlobals::SetIs1904(bool aValue)
{
    if (F1904) F1904->SetIs1904(aValue);
}

bool TWorkbookGlobals::PrecisionAsDisplayed() const
{
    return FPrecision && FPrecision->AsDisplayed();
}

void TWorkbookGlobals::SetPrecisionAsDisplayed(bool aValue)
{
    if (FPrecision) FPrecision->SetAsDisplayed(aValue);
}

bool TWorkbookGlobals::SaveExternalLinkValues() const
{
    return FBookBool && FBookBool->SaveExternalLinkValues();
}

void TWorkbookGlobals::SetSaveExternalLinkValues(bool aValue)
{
    if (FBookBool) FBookBool->SetSaveExternalLinkValues(aValue);
}

std::uint32_t TWorkbookGlobals::ColorPalette(std::int64_t aIndex) const
{
    return FPaletteCache ? FPaletteCache->GetColor(aIndex) : DefaultColor(aIndex);
}

void TWorkbookGlobals::SetColorPalette(std::int64_t aIndex, std::uint32_t aColor)
{
    if (!FPaletteCache) {
        // Refuse a bad index before the workbook gains a PALETTE record.
        if (aIndex < 0 || aIndex >= std::int64_t(DefaultPaletteCount))
            RaiseXls(TXlsMsg::TooManyEntries, {aIndex, std::int64_t(DefaultPaletteCount) - 1});
        std::unique_ptr<TPaletteRecord> palette = TPaletteRecord::CreateStandard();
        TPaletteRecord* added = palette.get();
        const std::size_t pos = FPaletteIndex >= 0 ? std::min<std::size_t>(FPaletteIndex, FMiscRecords.Count())
                                                   : FMiscRecords.Count();
        FMiscRecords.Insert(pos, std::move(palette));
        FPaletteCache = added;
    }
    FPaletteCache->SetColor(aIndex, aColor);
}

// --------------------------------------------------------------------- sheets

TXlsString TWorkbookGlobals::SheetName(std::int32_t aSheet) const
{
    return FBoundSheets.BoundSheets().GetSheetName(FBoundSheets.CheckSheet(aSheet));
}

void TWorkbookGlobals::SetSheetName(std::int32_t aSheet, std::u16string_view aValue)
{
    const TXlsString name = TSheetNameList::MakeValidSheetName(aValue);
    // A sheet without a name cannot be referred to; spreadsheet programs refuse such a file.
    if (name.empty()) RaiseXls(TXlsMsg::InvalidSheetName, {Utf16ToUtf8(aValue)});
    FBoundSheets.SetSheetName(FBoundSheets.CheckSheet(aSheet), name);
}

TXlsSheetVisible TWorkbookGlobals::SheetVisible(std::int32_t aSheet) const
{
    return FBoundSheets.BoundSheets().GetSheetVisible(FBoundSheets.CheckSheet(aSheet));
}

void TWorkbookGlobals::SetSheetVisible(std::int32_t aSheet, TXlsSheetVisible aValue)
{
    FBoundSheets.BoundSheets().SetSheetVisible(FBoundSheets.CheckSheet(aSheet), aValue);
}

std::uint16_t TWorkbookGlobals::SheetOptionFlags(std::int32_t aSheet) const
{
    return FBoundSheets.BoundSheets().Items(FBoundSheets.CheckSheet(aSheet))->OptionFlags();
}

void TWorkbookGlobals::SheetSetOffset(std::int32_t aSheet, std::int64_t aOffset)
{
    const std::size_t sheet = FBoundSheets.CheckSheet(aSheet);
    if (aOffset < 0 || aOffset > std::int64_t(UINT32_MAX))
        RaiseXls(TXlsMsg::TooManyEntries, {aOffset, std::int64_t(UINT32_MAX)});
    FBoundSheets.BoundSheets().Items(sheet)->SetOffset(static_cast<std::uint32_t>(aOffset));
}

TSheetInfo TWorkbookGlobals::SheetInfo(std::int32_t InsSheet, std::int32_t FormulaSheet)
{
    TSheetInfo info;
    info.InsSheet = InsSheet;
    info.FormulaSheet = FormulaSheet;
    info.GetSheet = [this](std::int32_t SheetRef) { return FReferences.GetSheet(SheetRef); };
    info.SetSheet = [this](std::int32_t Sheet) {
        return FReferences.AddSheet(static_cast<std::int32_t>(SheetCount()), Sheet, Sheet);
    };
    return info;
}

void TWorkbookGlobals::InsertSheets(std::int32_t CopyFrom, std::int32_t BeforeSheet, std::uint16_t OptionFlags,
                                    std::u16string_view Name, std::int32_t SheetCount)
{
    const std::int64_t count = std::int64_t(FBoundSheets.Count());
    if (BeforeSheet < 0 || BeforeSheet > count)
        RaiseXls(TXlsMsg::SheetNumberInvalid, {std::int64_t(BeforeSheet), std::int64_t(0), count});
    if (CopyFrom < -1 || CopyFrom >= count)
        RaiseXls(TXlsMsg::SheetNumberInvalid, {std::int64_t(CopyFrom), std::int64_t(-1), count - 1});
    if (SheetCount < 0) RaiseXls(TXlsMsg::LogicalError);
    CheckedShift(count, SheetCount, kMaxSheets);

    // All or nothing: each step checks before it changes anything, and the
    // steps done are undone when a later one refuses.
    std::int32_t inserted = 0;
    auto removeInserted = [&] {
        for (; inserted > 0; --inserted) FBoundSheets.DeleteSheet(static_cast<std::size_t>(BeforeSheet));
    };
    try {
        for (; inserted < SheetCount; ++inserted)
            FBoundSheets.InsertSheet(static_cast<std::size_t>(BeforeSheet + inserted), OptionFlags, Name);
        FReferences.InsertSheets(BeforeSheet, SheetCount);
    } catch (...) {
        removeInserted();
        throw;
    }
    try {
        // The references already point at the source sheet's new place.
        const std::int32_t source = CopyFrom < BeforeSheet ? CopyFrom : CopyFrom + SheetCount;
        FNames.InsertSheets(CopyFrom, BeforeSheet, SheetCount, SheetInfo(-1, source));
    } catch (...) {
        FReferences.InsertSheets(BeforeSheet, -SheetCount);
        removeInserted();
        throw;
    }
}

TDeletedNames TWorkbookGlobals::DeleteSheets(std::int32_t SheetIndex, std::int32_t SheetCount)
{
    if (FHasMacro) RaiseXls(TXlsMsg::CantDeleteSheetWithMacros);
    const std::int64_t count = std::int64_t(FBoundSheets.Count());
    if (SheetIndex < 0 || SheetIndex > count)
        RaiseXls(TXlsMsg::SheetNumberInvalid, {std::int64_t(SheetIndex), std::int64_t(0), count});
    if (SheetCount < 0) RaiseXls(TXlsMsg::LogicalError);
    const auto deleted = static_cast<std::int32_t>(std::min<std::int64_t>(SheetCount, count - SheetIndex));
    if (deleted == 0) return {};

    FReferences.InsertSheets(SheetIndex, -deleted);
    TDeletedNames removed = FNames.DeleteSheets(SheetIndex, deleted, LocalRefTest());
    for (std::int32_t k = 0; k < deleted; ++k) FBoundSheets.DeleteSheet(static_cast<std::size_t>(SheetIndex));
    return removed;
}

std::function<bool(std::int32_t)> TWorkbookGlobals::LocalRefTest() const
{
    return [this](std::int32_t SheetRef) { return FReferences.IsLocalRef(SheetRef); };
}

TDeletedNames TWorkbookGlobals::NamesOfSheets(std::int32_t SheetIndex, std::int32_t SheetCount) const
{
    return FNames.NamesOfSheets(SheetIndex, SheetCount, LocalRefTest());
}

void TWorkbookGlobals::InsertAndCopyRowsAndCols(std::int32_t DestRow, std::int32_t aRowCount, std::int32_t DestCol,
                                                std::int32_t aColCount, const TSheetInfo& SheetInfo)
{
    FNames.ArrangeInsertRowsAndCols(DestRow, aRowCount, DestCol, aColCount, SheetInfo);
}

void TWorkbookGlobals::DeleteRowsAndCols(std::int32_t aRow, std::int32_t aRowCount, std::int32_t aCol,
                                         std::int32_t aColCount, const TSheetInfo& SheetInfo)
{
    FNames.ArrangeInsertRowsAndCols(aRow, -aRowCount, aCol, -aColCount, SheetInfo);
}

// ---------------------------------------------------------------------- names

namespace {

bool IsAsciiLetter(char16_t c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

bool AllDigits(std::u16string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

// Characters a defined name may not hold: controls, blanks and most
// punctuation, and the Latin-1 signs (but the micro sign).
bool IsForbiddenNameChar(char16_t c)
{
    if (c <= 47 || (c >= 58 && c <= 62) || c == 64 || c == 160) return true;
    if (c == u'{' || c == u'}' || c == u'[' || c == u']' || c == u'~') return true;
    return c >= 127 && c <= 191 && c != 181;
}

constexpr char16_t kLastBuiltInName = 13;

}  // namespace

bool TWorkbookGlobals::IsValidRangeName(std::u16string_view aName, std::int32_t& OptionFlags)
{
    if (aName.empty() || aName.size() > 254 || aName == u"R" || aName == u"r") return false;
    if (aName.size() == 1 && aName[0] <= kLastBuiltInName) {
        OptionFlags |= TNameRecord::OptBuiltIn;
        return true;
    }
    if (std::any_of(aName.begin(), aName.end(), IsForbiddenNameChar)) return false;
    if (aName[0] < 65) return false;
    if (!IsAsciiLetter(aName[0]) || aName.size() == 1) return true;
    // Names that read as a cell (A1, AB12) are not names.
    if (IsAsciiLetter(aName[1])) return aName.size() < 3 || !AllDigits(aName.substr(2));
    return !AllDigits(aName.substr(1));
}

TNameRecord* TWorkbookGlobals::GetName(std::int32_t sheet, std::u16string_view aName) const
{
    const TXlsString wanted = UnicodeUpperCase(aName);
    for (std::size_t i = FNames.Count(); i-- > 0;) {
        TNameRecord* name = FNames.Items(i);
        if (name && name->RangeSheet() == sheet && UnicodeUpperCase(name->Name()) == wanted) return name;
    }
    return nullptr;
}

void TWorkbookGlobals::AddName(const TXlsNamedRange& Range, TFormulaContext& CellList)
{
    TXlsNamedRange range = Range;
    const bool valid = IsValidRangeName(range.Name, range.OptionFlags);
    const TXlsString wanted = UnicodeUpperCase(range.Name);
    auto newRecord = [&] {
        const std::int32_t sheet = range.NameSheetIndex >= 0 ? range.NameSheetIndex : 0;
        return TNameRecord::CreateFromData(range, SheetName(sheet), CellList);
    };
    for (std::size_t i = 0; i < FNames.Count(); ++i) {
        const TNameRecord* name = FNames.Items(i);
        if (!name || name->RangeSheet() != range.NameSheetIndex || UnicodeUpperCase(name->Name()) != wanted) continue;
        std::unique_ptr<TNameRecord> replacement = newRecord();
        FNames.Delete(i);
        FNames.Insert(i, std::move(replacement));
        return;
    }
    if (!valid) RaiseXls(TXlsMsg::InvalidNamedRange, {Utf16ToUtf8(range.Name)});
    FNames.Add(newRecord());
    CheckInternalNames(range.OptionFlags);
}

void TWorkbookGlobals::CheckInternalNames(std::int32_t OptionFlags)
{
    if (OptionFlags & TNameRecord::OptBuiltIn) DeleteCountry();
}

void TWorkbookGlobals::DeleteCountry()
{
    for (std::size_t i = FMiscRecords.Count(); i-- > 0;) {
        const TBaseRecord* rec = FMiscRecords.GetItem(i);
        if (!rec || rec->Id() != xlr_COUNTRY) continue;
        FMiscRecords.Delete(i);
        if (FPaletteIndex > std::int32_t(i)) --FPaletteIndex;
        return;
    }
}

// ----------------------------------------------------- the names' formula context

TXlsString TWorkbookGlobals::GetName(std::int32_t ExternSheet, std::int32_t NameIndex)
{
    return FReferences.GetName(ExternSheet, NameIndex, FNames);
}

TXlsString TWorkbookGlobals::GetSheetName(std::int32_t SheetNumber)
{
    return FReferences.GetSheetName(SheetNumber, FBoundSheets.BoundSheets());
}

bool TWorkbookGlobals::FindSheet(std::u16string_view aName, std::int32_t& Index)
{
    const TXlsString wanted = UnicodeUpperCase(aName);
    for (std::size_t i = 0; i < FBoundSheets.Count(); ++i) {
        if (UnicodeUpperCase(FBoundSheets.BoundSheets().GetSheetName(i)) != wanted) continue;
        Index = static_cast<std::int32_t>(i);
        return true;
    }
    Index = -1;
    return false;
}

std::int32_t TWorkbookGlobals::AddExternSheet(std::int32_t FirstSheet, std::int32_t LastSheet)
{
    return FReferences.AddSheet(static_cast<std::int32_t>(SheetCount()), FirstSheet, LastSheet);
}

TByteView TWorkbookGlobals::ArrayFormula(std::int64_t, std::int64_t)
{
    throw ETokenException(ptgExp);
}

TByteView TWorkbookGlobals::TableFormula(std::int64_t, std::int64_t)
{
    throw ETokenException(ptgTbl);
}

}  // namespace xls
