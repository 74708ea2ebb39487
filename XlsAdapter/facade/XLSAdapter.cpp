#include "facade/XLSAdapter.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <optional>

#include "base/UXlsLocale.h"
#include "base/UXlsPaths.h"
#include "base/UXlsUnicode.h"
#include "cfb/UOle2Impl.h"
#include "cfb/USafeFileSave.h"
#include "facade/UExcelRecords.h"
#include "facade/UXlsCellText.h"
#include "facade/UXlsEmptyTemplate.h"
#include "facade/UXlsInterfaceCounts.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace xls {

namespace {

namespace fs = std::filesystem;

constexpr std::u16string_view kWorkbookStream = u"Workbook";
// The format of a cell without a format of its own.
constexpr std::int32_t kDefaultFormatId = 15;
// Colour positions of the palette at this interface: 1 to 56.
constexpr std::size_t kPaletteColors = 56;

// The local calendar year, which completes a date typed without one.
int CurrentYear()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return local.tm_year + 1900;
}

// The folder of the running program file.
fs::path ProgramFolder()
{
#ifdef _WIN32
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return fs::path(path).parent_path();
#else
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path() : exe.parent_path();
#endif
}

bool IsBlank(const std::string& s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

// The cells of a row (1-based), null for a row without cells.
TCellRecordList* CellsOfRow(TWorkSheet& ws, std::int32_t aRow)
{
    return ws.Cells().CellList().CellRow(static_cast<std::size_t>(ModelRow(aRow)));
}

bool HasBreakAt(const TPageBreakList& aBreaks, std::int64_t aPos)
{
    for (std::size_t i = 0; i < aBreaks.Count(); ++i)
        if (aBreaks.Items(i).Pos == aPos) return true;
    return false;
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction, connection, the active sheet

TXLSFile::TXLSFile(TXLSAdapter* aAdapter, bool aAllowOverwritingFiles)
    : FAdapter(aAdapter), FAllowOverwritingFiles(aAllowOverwritingFiles)
{
}

TXLSFile::~TXLSFile() = default;

void TXLSFile::NotAvailable(const char* Operation) { RaiseXls(TXlsMsg::NotAvailable, {std::string(Operation)}); }

void TXLSFile::CheckConnected() const
{
    if (!FWorkbook) RaiseXls(TXlsMsg::NotConnected);
}

TWorkbook& TXLSFile::Workbook()
{
    CheckConnected();
    return *FWorkbook;
}

std::int32_t TXLSFile::ActiveSheetIndex()
{
    const auto count = static_cast<std::int64_t>(Workbook().Sheets().Count());
    if (FActiveSheet < 1 || FActiveSheet > count)
        RaiseXls(TXlsMsg::SheetNumberInvalid, {std::int64_t(FActiveSheet), std::int64_t(1), count});
    return FActiveSheet - 1;
}

TWorkSheet* TXLSFile::ActiveWorkSheet()
{
    const std::int32_t index = ActiveSheetIndex();
    return Workbook().IsWorksheet(index) ? &Workbook().GetWorkSheets(index) : nullptr;
}

TSheet& TXLSFile::ActiveSheetObject()
{
    return *Workbook().Sheets().Items(static_cast<std::size_t>(ActiveSheetIndex()));
}

template <class F>
void TXLSFile::ChangeWorkSheet(F aChange)
{
    if (TWorkSheet* ws = ActiveWorkSheet()) {
        aChange(*ws);
        FIsFileModified = true;
    }
}

void TXLSFile::Connect() { FWorkbook = std::make_unique<TWorkbook>(); }

void TXLSFile::Disconnect() { FWorkbook.reset(); }

std::int32_t TXLSFile::ActiveSheet() { return FActiveSheet; }

void TXLSFile::SetActiveSheet(std::int32_t Value) { FActiveSheet = Value; }

TXlsString TXLSFile::ActiveSheetName() { return Workbook().Globals().SheetName(ActiveSheetIndex()); }

void TXLSFile::SetActiveSheetName(const TXlsString& Value)
{
    Workbook().Globals().SetSheetName(ActiveSheetIndex(), Value);
    FIsFileModified = true;
}

TXlsString TXLSFile::ActiveSheetCodeName()
{
    return Workbook().Sheets().Items(static_cast<std::size_t>(ActiveSheetIndex()))->CodeName();
}

void TXLSFile::SetActiveSheetCodeName(const TXlsString& Value)
{
    Workbook().Sheets().Items(static_cast<std::size_t>(ActiveSheetIndex()))->SetCodeName(Value);
    FIsFileModified = true;
}

TXlsSheetVisible TXLSFile::ActiveSheetVisible() { return Workbook().Globals().SheetVisible(ActiveSheetIndex()); }

void TXLSFile::SetActiveSheetVisible(TXlsSheetVisible Value)
{
    Workbook().Globals().SetSheetVisible(ActiveSheetIndex(), Value);
    FIsFileModified = true;
}

std::int32_t TXLSFile::SheetCount() { return static_cast<std::int32_t>(Workbook().Globals().SheetCount()); }

void TXLSFile::SelectSheet(std::int32_t SheetNo)
{
    Workbook().SetActiveSheet(SheetNo - 1);
    FIsFileModified = true;
}

bool TXLSFile::IsWorksheet(std::int32_t index) { return Workbook().IsWorksheet(index - 1); }

// ---------------------------------------------------------------------------
// Loading

void TXLSFile::LoadWorkbook(TStream& aStream)
{
    // Load into a new workbook and take it only when everything succeeded, so
    // that a failed load leaves the file object as it was (a later save must
    // never put another workbook into the image of this one).
    CheckConnected();
    auto workbook = std::make_unique<TWorkbook>();
    TMemoryStream image;
    {
        TOle2File ole(aStream);
        ole.SelectStream(kWorkbookStream);
        workbook->LoadFromStream(ole);
        ole.PrepareForWrite(image, kWorkbookStream);
        ole.Close();
    }
    FWorkbook = std::move(workbook);
    FOtherStreams = image.TakeBytes();
    FActiveSheet = FWorkbook->ActiveSheet() + 1;
    FIsFileModified = false;
}

void TXLSFile::LoadFromStream(TStream& aStream) { LoadWorkbook(aStream); }

void TXLSFile::OpenFile(const std::string& FileName)
{
    if (FAdapter) {
        if (const auto store = FAdapter->TemplateStore()) {
            TMemoryStream stored(store->GetStoredFile(FileName));
            LoadWorkbook(stored);
            return;
        }
    }
    TFileStream file(FileName, TFileMode::OpenRead);
    try {
        LoadWorkbook(file);
    } catch (const EXlsException& e) {
        // The compound file layer reads a stream and cannot name the file.
        if (e.MsgId() == TXlsMsg::FileInvalid) RaiseXls(TXlsMsg::FileInvalid, {FileName});
        throw;
    }
}

void TXLSFile::OpenFileAndSearch(const std::string& FileName)
{
    if (!FAdapter || FAdapter->TemplateStore()) {
        OpenFile(FileName);
        return;
    }
    const fs::path name = PathFromUtf8(FileName);
    std::string path;
    std::string shown;  // the name the error message gives
    if (name.has_root_name() || name.has_root_directory()) {
        path = shown = FileName;
    } else if (!IsBlank(FAdapter->BasePathToOpen)) {
        path = shown = Utf8FromPath(PathFromUtf8(FAdapter->BasePathToOpen) / name);
    } else {
        path = Utf8FromPath(ProgramFolder() / name);
        shown = FileName;
    }
    if (!FileExists(path)) RaiseXls(TXlsMsg::CantFindFile, {shown});
    OpenFile(path);
}

void TXLSFile::NewFile(std::int32_t SheetCount)
{
    TMemoryStream empty(EmptyWorkbookTemplate());
    LoadWorkbook(empty);
    // The sheets behind the template's "Sheet1" are named on from it, Sheet2,
    // Sheet3, ...; the workbook's own rule for new sheets would give "Sheet",
    // "Sheet2", ... here.
    for (std::int32_t i = 1; i < SheetCount; ++i) {
        InsertSheets(-1, i, 1);
        FWorkbook->Globals().SetSheetName(i, u"Sheet" + Utf8ToUtf16(std::to_string(i + 1)));
    }
}

void TXLSFile::CloseFile() {}

// ---------------------------------------------------------------------------
// Saving

void TXLSFile::SaveWorkbook(TStream& OutStream)
{
    CheckConnected();
    TMemoryStream image(FOtherStreams);
    TOle2File ole(image);
    ole.PrepareForWrite(OutStream, kWorkbookStream);
    // Formula results stay as they were read, also in a changed workbook:
    // every formula read from a file is marked to be calculated when the
    // file is opened, and readers that do not calculate keep showing the last
    // results instead of an error in every formula cell.
    FWorkbook->SaveToStream(ole, false);
    ole.Close();
}

void TXLSFile::Save(bool /*AutoClose*/, const std::string& FileName, const TOnGetFileName& OnGetFileName,
                    const TOnGetOutStream& OnGetOutStream, TStream* DataStream)
{
    // Of the outputs (snXLS, snCSVComma, snCSVSemiColon, snTabDelimited) this
    // program writes the workbook only: the text formats produce nothing, so
    // they ask for no file name or stream and cannot fail either.
    const TExcelSaveFormatNative format = TExcelSaveFormatNative::snXLS;
    if (FAdapter && !FAdapter->SaveFormat.Contains(format)) return;
    std::string name = FileName;
    TStream* out = DataStream;
    if (!out && OnGetOutStream) OnGetOutStream(*this, format, out);
    if (out) {
        SaveWorkbook(*out);
        return;
    }
    if (OnGetFileName) OnGetFileName(*this, format, name);
    if (!FAllowOverwritingFiles && FileExists(name)) RaiseXls(TXlsMsg::CantWriteToFile, {name});
    SaveFileSafely(name, [this](TStream& s) { SaveWorkbook(s); });
}

// ---------------------------------------------------------------------------
// Sheets, rows and columns through the workbook container

void TXLSFile::InsertSheets(std::int32_t CopyFrom, std::int32_t InsertBefore, std::int32_t SheetCount)
{
    Workbook().InsertSheets(CopyFrom, InsertBefore, SheetCount);
    FIsFileModified = true;
}

void TXLSFile::InsertAndCopySheets(std::int32_t CopyFrom, std::int32_t InsertBefore, std::int32_t SheetCount)
{
    // CopyFrom below 1: new empty worksheets.
    InsertSheets(CopyFrom < 1 ? -1 : CopyFrom - 1, InsertBefore - 1, SheetCount);
}

void TXLSFile::DeleteSheet(std::int32_t SheetCount)
{
    Workbook().DeleteSheets(ActiveSheetIndex(), SheetCount);
    FIsFileModified = true;
}

void TXLSFile::ClearSheet()
{
    if (TWorkSheet* ws = ActiveWorkSheet()) {
        ws->ClearValues();
        FIsFileModified = true;
    }
}

void TXLSFile::InsertAndCopyRows(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t DestRow,
                                 std::int32_t aCount, bool OnlyFormulas)
{
    if (!ActiveWorkSheet()) return;
    Workbook().InsertAndCopyRowsAndCols(ActiveSheetIndex(), FirstRow - 1, LastRow - 1, DestRow - 1, aCount, 0, 0, 0,
                                        0, OnlyFormulas);
    FIsFileModified = true;
}

void TXLSFile::InsertAndCopyCols(std::int32_t FirstCol, std::int32_t LastCol, std::int32_t DestCol,
                                 std::int32_t aCount, bool OnlyFormulas)
{
    if (!ActiveWorkSheet()) return;
    Workbook().InsertAndCopyRowsAndCols(ActiveSheetIndex(), 0, 0, 0, 0, FirstCol - 1, LastCol - 1, DestCol - 1, aCount,
                                        OnlyFormulas);
    FIsFileModified = true;
}

void TXLSFile::DeleteRows(std::int32_t aRow, std::int32_t aCount)
{
    if (!ActiveWorkSheet()) return;
    Workbook().DeleteRowsAndCols(ActiveSheetIndex(), aRow - 1, aCount, 0, 0);
    FIsFileModified = true;
}

void TXLSFile::DeleteCols(std::int32_t aCol, std::int32_t aCount)
{
    if (!ActiveWorkSheet()) return;
    Workbook().DeleteRowsAndCols(ActiveSheetIndex(), 0, 0, aCol - 1, aCount);
    FIsFileModified = true;
}

void TXLSFile::InsertHPageBreak(std::int32_t aRow)
{
    if (!ActiveWorkSheet()) return;
    Workbook().InsertHPageBreak(ActiveSheetIndex(), static_cast<std::int32_t>(ModelRow(aRow)));
    FIsFileModified = true;
}

void TXLSFile::InsertVPageBreak(std::int32_t aCol)
{
    if (!ActiveWorkSheet()) return;
    Workbook().InsertVPageBreak(ActiveSheetIndex(), static_cast<std::int32_t>(ModelCol(aCol)));
    FIsFileModified = true;
}

void TXLSFile::DeleteHPageBreak(std::int32_t aRow)
{
    if (TWorkSheet* ws = ActiveWorkSheet()) {
        ws->DeleteHPageBreak(static_cast<std::int32_t>(ModelRow(aRow)));
        FIsFileModified = true;
    }
}

void TXLSFile::DeleteVPageBreak(std::int32_t aCol)
{
    if (TWorkSheet* ws = ActiveWorkSheet()) {
        ws->DeleteVPageBreak(static_cast<std::int32_t>(ModelCol(aCol)));
        FIsFileModified = true;
    }
}

bool TXLSFile::HasHPageBreak(std::int32_t aRow)
{
    TWorkSheet* ws = ActiveWorkSheet();
    return ws && HasBreakAt(ws->HPageBreaks(), ModelRow(aRow));
}

bool TXLSFile::HasVPageBreak(std::int32_t aCol)
{
    TWorkSheet* ws = ActiveWorkSheet();
    return ws && HasBreakAt(ws->VPageBreaks(), ModelCol(aCol));
}

// ---------------------------------------------------------------------------
// Cell values and formats

TXlsVariant TXLSFile::GetCellValue(std::int32_t aRow, std::int32_t aCol) { return GetCellValueX(aRow, aCol).Value; }

void TXLSFile::SetCellValue(std::int32_t aRow, std::int32_t aCol, const TXlsVariant& Value)
{
    SetCellValueX(aRow, aCol, TXlsCellValue{Value, -1, false});
}

TXlsCellValue TXLSFile::GetCellValueX(std::int32_t aRow, std::int32_t aCol)
{
    TXlsCellValue v;
    TRTFRunList runs;
    GetCellValueX2(aRow, aCol, v, runs);
    return v;
}

void TXLSFile::SetCellValueX(std::int32_t aRow, std::int32_t aCol, const TXlsCellValue& Value)
{
    AssignCellValueX2(aRow, aCol, Value, {});
}

void TXLSFile::GetCellValueX2(std::int32_t aRow, std::int32_t aCol, TXlsCellValue& v, TRTFRunList& RTFRuns)
{
    v = TXlsCellValue{};
    RTFRuns.clear();
    if (TWorkSheet* ws = ActiveWorkSheet()) ws->Cells().CellList().GetValueX2(ModelRow(aRow), ModelCol(aCol), v, RTFRuns);
}

void TXLSFile::AssignCellValueX2(std::int32_t aRow, std::int32_t aCol, const TXlsCellValue& Value,
                                 const TRTFRunList& RTFRuns)
{
    TWorkSheet* ws = ActiveWorkSheet();
    if (!ws) return;
    ws->Cells().CellList().SetValueX2(ModelRow(aRow), ModelCol(aCol), Value, RTFRuns, Workbook().Globals().Is1904());
    FIsFileModified = true;
}

TXlsString TXLSFile::GetCellFormula(std::int32_t aRow, std::int32_t aCol)
{
    TWorkSheet* ws = ActiveWorkSheet();
    return ws ? ws->Cells().CellList().GetFormula(ModelRow(aRow), ModelCol(aCol)) : TXlsString();
}

void TXLSFile::SetCellFormula(std::int32_t aRow, std::int32_t aCol, const TXlsString& Value)
{
    SetCellFormulaX(aRow, aCol, Value, TVarEmpty{});
}

void TXLSFile::SetCellFormulaX(std::int32_t aRow, std::int32_t aCol, const TXlsString& Formula,
                               const TXlsVariant& Value)
{
    TWorkSheet* ws = ActiveWorkSheet();
    if (!ws) return;
    ws->Cells().CellList().AssignFormulaX(ModelRow(aRow), ModelCol(aCol), Formula, Value,
                                          Workbook().Globals().Is1904());
    FIsFileModified = true;
}

std::int32_t TXLSFile::GetCellFormat(std::int32_t aRow, std::int32_t aCol) { return GetCellValueX(aRow, aCol).XF; }

void TXLSFile::SetCellFormat(std::int32_t aRow, std::int32_t aCol, std::int32_t Value)
{
    TWorkSheet* ws = ActiveWorkSheet();
    if (!ws) return;
    ws->Cells().CellList().SetFormat(ModelRow(aRow), ModelCol(aCol), Value);
    FIsFileModified = true;
}

void TXLSFile::SetCellString(std::int32_t aRow, std::int32_t aCol, const TXlsString& Text,
                             const TXlsString& DateFormat, const TXlsString& TimeFormat)
{
    SetCellStringWorker(aRow, aCol, Text, nullptr, DateFormat, TimeFormat);
}

void TXLSFile::SetCellString(std::int32_t aRow, std::int32_t aCol, const TXlsString& Text, const TTbrFormat& Fm,
                             const TXlsString& DateFormat, const TXlsString& TimeFormat)
{
    SetCellStringWorker(aRow, aCol, Text, &Fm, DateFormat, TimeFormat);
}

void TXLSFile::SetCellStringWorker(std::int32_t aRow, std::int32_t aCol, const TXlsString& Text,
                                   const TTbrFormat* Fm, const TXlsString& DateFormat, const TXlsString& TimeFormat)
{
    // On another kind of sheet nothing is written, so no format may be added either.
    if (!ActiveWorkSheet()) return;
    const TXlsFormatSettings& settings = XlsFormatSettings();
    const int year = CurrentYear();
    TCellTextReading reading = ReadCellText(Text, settings, DateFormat, TimeFormat, year);

    // A number or a date takes the caller's format or the cell's present one,
    // with the number format the text asks for.
    const auto formatFor = [&](const TCellTextReading& r) {
        TTbrFormat f = Fm ? *Fm : GetFormatList(GetCellFormat(aRow, aCol));
        if (r.FormatCode) f.Format = *r.FormatCode;
        return f;
    };
    if (reading.Kind == TCellTextKind::Number) {
        std::optional<TTbrFormat> format;
        try {
            format = formatFor(reading);
        } catch (const EXlsException&) {
            // The number cannot get its format: the text is taken as no number.
            reading = ReadCellTextAsNonNumber(Text, settings, DateFormat, TimeFormat, year);
        }
        if (format) {
            SetCellValueX(aRow, aCol, TXlsCellValue{reading.Value, AddFormat(*format), false});
            return;
        }
    }
    if (reading.Kind == TCellTextKind::Date) {
        SetCellValueX(aRow, aCol, TXlsCellValue{reading.Value, AddFormat(formatFor(reading)), false});
    } else if (Fm) {
        SetCellValueX(aRow, aCol, TXlsCellValue{reading.Value, AddFormat(*Fm), false});
    } else {
        SetCellValue(aRow, aCol, reading.Value);
    }
}

// ---------------------------------------------------------------------------
// Cell data by column offset, sheet queries and blocks

std::int32_t TXLSFile::CellCount(std::int32_t aRow) { return ColIndexCount(aRow); }

TXlsVariant TXLSFile::GetCellData(std::int32_t aRow, std::int32_t aColOffset)
{
    return GetCellValue(aRow, FirstColumn + aColOffset);
}

TXlsCellValue TXLSFile::GetCellDataX(std::int32_t aRow, std::int32_t aColOffset)
{
    return GetCellValueX(aRow, FirstColumn + aColOffset);
}

void TXLSFile::GetCellDataX2(std::int32_t aRow, std::int32_t aColOffset, TXlsCellValue& v, TRTFRunList& RTFRuns)
{
    GetCellValueX2(aRow, FirstColumn + aColOffset, v, RTFRuns);
}

void TXLSFile::AssignCellData(std::int32_t aRow, std::int32_t aColOffset, const TXlsVariant& Value)
{
    SetCellValue(aRow, FirstColumn + aColOffset, Value);
}

void TXLSFile::AssignCellDataX(std::int32_t aRow, std::int32_t aColOffset, const TXlsCellValue& Value)
{
    SetCellValueX(aRow, FirstColumn + aColOffset, Value);
}

void TXLSFile::AssignCellDataX2(std::int32_t aRow, std::int32_t aColOffset, const TXlsCellValue& Value,
                                const TRTFRunList& RTFRuns)
{
    AssignCellValueX2(aRow, FirstColumn + aColOffset, Value, RTFRuns);
}

std::int32_t TXLSFile::MaxRow()
{
    TWorkSheet* ws = ActiveWorkSheet();
    if (!ws) return 0;
    const TCellList& cells = ws->Cells().CellList();
    for (std::size_t r = cells.Count(); r > 0; --r)
        if (cells.CellRow(r - 1) && cells.CellRow(r - 1)->Count() > 0) return static_cast<std::int32_t>(r);
    return 0;
}

std::int32_t TXLSFile::MaxCol()
{
    TWorkSheet* ws = ActiveWorkSheet();
    if (!ws) return 0;
    const TCellList& cells = ws->Cells().CellList();
    std::int32_t last = 0;
    for (std::size_t r = 0; r < cells.Count(); ++r) {
        const TCellRecordList* row = cells.CellRow(r);
        for (std::size_t i = 0; row && i < row->Count(); ++i)
            last = std::max<std::int32_t>(last, row->Items(i)->Column() + 1);
    }
    return last;
}

bool TXLSFile::IsEmptyRow(std::int32_t aRow) { return ColIndexCount(aRow) == 0; }

std::int32_t TXLSFile::ColIndexCount(std::int32_t Row)
{
    TWorkSheet* ws = ActiveWorkSheet();
    const TCellRecordList* cells = ws ? CellsOfRow(*ws, Row) : nullptr;
    return cells ? static_cast<std::int32_t>(cells->Count()) : 0;
}

std::int32_t TXLSFile::ColByIndex(std::int32_t Row, std::int32_t ColIndex)
{
    TWorkSheet* ws = ActiveWorkSheet();
    TCellRecordList* cells = ws ? CellsOfRow(*ws, Row) : nullptr;
    if (!cells || ColIndex < 1 || ColIndex > static_cast<std::int64_t>(cells->Count())) return 0;
    if (!cells->Sorted()) cells->Sort();
    return cells->Items(static_cast<std::size_t>(ColIndex - 1))->Column() + 1;
}

std::int32_t TXLSFile::ColIndex(std::int32_t Row, std::int32_t Col)
{
    TWorkSheet* ws = ActiveWorkSheet();
    TCellRecordList* cells = ws ? CellsOfRow(*ws, Row) : nullptr;
    std::size_t index = 0;
    if (!cells || !cells->Find(static_cast<std::int32_t>(ModelCol(Col)), index)) return 0;
    return static_cast<std::int32_t>(index) + 1;
}

std::int32_t TXLSFile::DefaultColWidth()
{
    TWorkSheet* ws = ActiveWorkSheet();
    return ws ? ws->DefColWidth() : 0;
}

std::int32_t TXLSFile::DefaultRowHeight()
{
    TWorkSheet* ws = ActiveWorkSheet();
    return ws ? ws->DefRowHeight() : 0;
}

std::int32_t TXLSFile::GetFirstColumn() { return FirstColumn; }

// Block data is written straight into the cells, so there is nothing to
// prepare or to paste afterwards.
void TXLSFile::PrepareBlockData(std::int32_t, std::int32_t, std::int32_t, std::int32_t) {}

void TXLSFile::AssignBlockData(std::int32_t Row, std::int32_t Col, const TXlsVariant& v) { SetCellValue(Row, Col, v); }

void TXLSFile::PasteBlockData() {}

// ---------------------------------------------------------------------------
// Columns and rows

namespace {

std::int32_t Row0(std::int32_t aRow) { return static_cast<std::int32_t>(ModelRow(aRow)); }
std::int32_t Col0(std::int32_t aCol) { return static_cast<std::int32_t>(ModelCol(aCol)); }

// A model area (from 0) as this interface counts (from 1).
TXlsCellRange InterfaceRange(const TXlsCellRange& aRange)
{
    return {aRange.Left + 1, aRange.Top + 1, aRange.Right + 1, aRange.Bottom + 1};
}

}  // namespace

std::int32_t TXLSFile::GetColumnWidth(std::int32_t aCol)
{
    TWorkSheet* ws = ActiveWorkSheet();
    return ws ? ws->GetColWidth(Col0(aCol)) : 0;
}

std::int32_t TXLSFile::GetColumnWidthHiddenIsZero(std::int32_t aCol)
{
    TWorkSheet* ws = ActiveWorkSheet();
    return ws ? ws->GetColWidth(Col0(aCol), true) : 0;
}

std::int32_t TXLSFile::GetRowHeight(std::int32_t aRow)
{
    TWorkSheet* ws = ActiveWorkSheet();
    return ws ? ws->GetRowHeight(Row0(aRow)) : 0;
}

std::int32_t TXLSFile::RowHeightHiddenIsZero(std::int32_t aRow)
{
    TWorkSheet* ws = ActiveWorkSheet();
    return ws ? ws->GetRowHeight(Row0(aRow), true) : 0;
}

void TXLSFile::SetColumnWidth(std::int32_t aCol, std::int32_t Value)
{
    ChangeWorkSheet([&](TWorkSheet& ws) { ws.SetColWidth(Col0(aCol), Value); });
}

void TXLSFile::SetRowHeight(std::int32_t aRow, std::int32_t Value)
{
    ChangeWorkSheet([&](TWorkSheet& ws) { ws.SetRowHeight(Row0(aRow), Value); });
}

bool TXLSFile::GetRowHidden(std::int32_t aRow)
{
    TWorkSheet* ws = ActiveWorkSheet();
    return ws && ws->GetRowHidden(Row0(aRow));
}

bool TXLSFile::GetColumnHidden(std::int32_t aCol)
{
    TWorkSheet* ws = ActiveWorkSheet();
    return ws && ws->GetColHidden(Col0(aCol));
}

void TXLSFile::SetRowHidden(std::int32_t aRow, bool Value)
{
    ChangeWorkSheet([&](TWorkSheet& ws) { ws.SetRowHidden(Row0(aRow), Value); });
}

void TXLSFile::SetColumnHidden(std::int32_t aCol, bool Value)
{
    ChangeWorkSheet([&](TWorkSheet& ws) { ws.SetColHidden(Col0(aCol), Value); });
}

bool TXLSFile::GetAutoRowHeight(std::int32_t aRow)
{
    TWorkSheet* ws = ActiveWorkSheet();
    return ws && ws->GetAutoRowHeight(Row0(aRow));
}

void TXLSFile::SetAutoRowHeight(std::int32_t aRow, bool Value)
{
    ChangeWorkSheet([&](TWorkSheet& ws) { ws.SetAutoRowHeight(Row0(aRow), Value); });
}

std::int32_t TXLSFile::GetColumnFormat(std::int32_t aCol)
{
    TWorkSheet* ws = ActiveWorkSheet();
    return ws ? ws->GetColFormat(Col0(aCol)) : -1;
}

std::int32_t TXLSFile::GetRowFormat(std::int32_t aRow)
{
    TWorkSheet* ws = ActiveWorkSheet();
    return ws ? ws->GetRowFormat(Row0(aRow)) : -1;
}

void TXLSFile::SetColumnFormat(std::int32_t aCol, std::int32_t Value)
{
    ChangeWorkSheet([&](TWorkSheet& ws) { ws.SetColFormat(Col0(aCol), Value); });
}

void TXLSFile::SetRowFormat(std::int32_t aRow, std::int32_t Value)
{
    ChangeWorkSheet([&](TWorkSheet& ws) { ws.SetRowFormat(Row0(aRow), Value); });
}

std::int32_t TXLSFile::GetRowOutlineLevel(std::int32_t aRow)
{
    TWorkSheet* ws = ActiveWorkSheet();
    return ws ? ws->GetRowOutlineLevel(Row0(aRow)) : 0;
}

void TXLSFile::SetRowOutlineLevel(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t Level)
{
    const std::int32_t first = Row0(FirstRow), last = Row0(LastRow);
    ChangeWorkSheet([&](TWorkSheet& ws) {
        for (std::int32_t r = first; r <= last; ++r) ws.SetRowOutlineLevel(r, Level);
    });
}

std::int32_t TXLSFile::GetColOutlineLevel(std::int32_t aCol)
{
    TWorkSheet* ws = ActiveWorkSheet();
    return ws ? ws->GetColOutlineLevel(Col0(aCol)) : 0;
}

void TXLSFile::SetColOutlineLevel(std::int32_t FirstCol, std::int32_t LastCol, std::int32_t Level)
{
    const std::int32_t first = Col0(FirstCol), last = Col0(LastCol);
    ChangeWorkSheet([&](TWorkSheet& ws) {
        for (std::int32_t c = first; c <= last; ++c) ws.SetColOutlineLevel(c, Level);
    });
}

// ---------------------------------------------------------------------------
// Merged cells

TXlsCellRange TXLSFile::GetCellMergedBounds(std::int32_t aRow, std::int32_t aCol)
{
    TWorkSheet* ws = ActiveWorkSheet();
    if (!ws) return {};
    return InterfaceRange(ws->CellMergedBounds(Row0(aRow), Col0(aCol)));
}

TXlsCellRange TXLSFile::GetCellMergedList(std::int32_t index)
{
    TWorkSheet* ws = ActiveWorkSheet();
    if (!ws || index < 0 || std::size_t(index) >= ws->CellMergedListCount()) return {};
    return InterfaceRange(ws->CellMergedList(std::size_t(index)));
}

std::int32_t TXLSFile::CellMergedListCount()
{
    TWorkSheet* ws = ActiveWorkSheet();
    return ws ? static_cast<std::int32_t>(ws->CellMergedListCount()) : 0;
}

void TXLSFile::MergeCells(std::int32_t aRow1, std::int32_t aCol1, std::int32_t aRow2, std::int32_t aCol2)
{
    const std::int32_t r1 = Row0(aRow1), c1 = Col0(aCol1), r2 = Row0(aRow2), c2 = Col0(aCol2);
    ChangeWorkSheet([&](TWorkSheet& ws) { ws.MergeCells(r1, c1, r2, c2); });
}

void TXLSFile::UnMergeCells(std::int32_t aRow1, std::int32_t aCol1, std::int32_t aRow2, std::int32_t aCol2)
{
    const std::int32_t r1 = Row0(aRow1), c1 = Col0(aCol1), r2 = Row0(aRow2), c2 = Col0(aCol2);
    ChangeWorkSheet([&](TWorkSheet& ws) { ws.UnMergeCells(r1, c1, r2, c2); });
}

// ---------------------------------------------------------------------------
// Page setup and view: every kind of sheet

TXlsString TXLSFile::PageFooter() { return ActiveSheetObject().PageFooter(); }
TXlsString TXLSFile::PageHeader() { return ActiveSheetObject().PageHeader(); }

void TXLSFile::SetPageFooter(const TXlsString& Value)
{
    ActiveSheetObject().SetPageFooter(Value);
    FIsFileModified = true;
}

void TXLSFile::SetPageHeader(const TXlsString& Value)
{
    ActiveSheetObject().SetPageHeader(Value);
    FIsFileModified = true;
}

bool TXLSFile::ShowGridLines() { return ActiveSheetObject().ShowGridLines(); }

void TXLSFile::SetShowGridLines(bool Value)
{
    ActiveSheetObject().SetShowGridLines(Value);
    FIsFileModified = true;
}

bool TXLSFile::ShowGridHeaders() { return ActiveSheetObject().ShowGridHeaders(); }

void TXLSFile::SetShowGridHeaders(bool Value)
{
    ActiveSheetObject().SetShowGridHeaders(Value);
    FIsFileModified = true;
}

bool TXLSFile::PrintGridLines() { return ActiveSheetObject().PrintGridLines(); }

void TXLSFile::SetPrintGridLines(bool Value)
{
    ActiveSheetObject().SetPrintGridLines(Value);
    FIsFileModified = true;
}

std::int32_t TXLSFile::SheetZoom() { return ActiveSheetObject().SheetZoom(); }

void TXLSFile::SetSheetZoom(std::int32_t Value)
{
    ActiveSheetObject().SetSheetZoom(Value);
    FIsFileModified = true;
}

TXlsMargins TXLSFile::Margins() { return ActiveSheetObject().Margins(); }

void TXLSFile::SetMargins(const TXlsMargins& Value)
{
    ActiveSheetObject().SetMargins(Value);
    FIsFileModified = true;
}

bool TXLSFile::OptionsR1C1() { return ActiveSheetObject().IsR1C1(); }

void TXLSFile::SetOptionsR1C1(bool Value)
{
    ActiveSheetObject().SetIsR1C1(Value);
    FIsFileModified = true;
}

void TXLSFile::FreezePanes(std::int32_t aRow, std::int32_t aCol)
{
    ActiveSheetObject().FreezePanes(aRow, aCol);
    FIsFileModified = true;
}

void TXLSFile::GetFrozenPanes(std::int32_t& aRow, std::int32_t& aCol)
{
    ActiveSheetObject().GetFrozenPanes(aRow, aCol);
}

void TXLSFile::SplitWindow(std::int32_t xOffset, std::int32_t yOffset)
{
    ActiveSheetObject().SplitWindow(xOffset, yOffset);
    FIsFileModified = true;
}

void TXLSFile::GetSplitWindow(std::int32_t& xOffset, std::int32_t& yOffset)
{
    ActiveSheetObject().GetSplitWindow(xOffset, yOffset);
}

// ---------------------------------------------------------------------------
// Print settings and outline options of worksheets

namespace {

template <class R>
R FromWorkSheet(TWorkSheet* aSheet, R (TWorkSheet::*aGetter)() const)
{
    return aSheet ? (aSheet->*aGetter)() : R{};
}

}  // namespace

std::int32_t TXLSFile::PrintNumberOfHorizontalPages()
{
    return FromWorkSheet(ActiveWorkSheet(), &TWorkSheet::PrintNumberOfHorizontalPages);
}
std::int32_t TXLSFile::PrintNumberOfVerticalPages()
{
    return FromWorkSheet(ActiveWorkSheet(), &TWorkSheet::PrintNumberOfVerticalPages);
}
std::int32_t TXLSFile::PrintScale() { return FromWorkSheet(ActiveWorkSheet(), &TWorkSheet::PrintScale); }
std::int32_t TXLSFile::PrintOptions() { return FromWorkSheet(ActiveWorkSheet(), &TWorkSheet::PrintOptions); }
bool TXLSFile::PrintToFit() { return FromWorkSheet(ActiveWorkSheet(), &TWorkSheet::PrintToFit); }
bool TXLSFile::PrintHCentered() { return FromWorkSheet(ActiveWorkSheet(), &TWorkSheet::PrintHCentered); }
bool TXLSFile::PrintVCentered() { return FromWorkSheet(ActiveWorkSheet(), &TWorkSheet::PrintVCentered); }
std::int32_t TXLSFile::PrintCopies() { return FromWorkSheet(ActiveWorkSheet(), &TWorkSheet::PrintCopies); }
std::int32_t TXLSFile::PrintPaperSize() { return FromWorkSheet(ActiveWorkSheet(), &TWorkSheet::PrintPaperSize); }
std::int32_t TXLSFile::PrintXResolution() { return FromWorkSheet(ActiveWorkSheet(), &TWorkSheet::PrintXResolution); }
std::int32_t TXLSFile::PrintYResolution() { return FromWorkSheet(ActiveWorkSheet(), &TWorkSheet::PrintYResolution); }
TPrinterDriverSettings TXLSFile::PrinterDriverSettings()
{
    return FromWorkSheet(ActiveWorkSheet(), &TWorkSheet::PrinterDriverSettings);
}
bool TXLSFile::OutlineSummaryColsRightOfDetail()
{
    return FromWorkSheet(ActiveWorkSheet(), &TWorkSheet::OutlineSummaryColsRightOfDetail);
}
bool TXLSFile::OutlineSummaryRowsBelowDetail()
{
    return FromWorkSheet(ActiveWorkSheet(), &TWorkSheet::OutlineSummaryRowsBelowDetail);
}
bool TXLSFile::OutlineAutomaticStyles()
{
    return FromWorkSheet(ActiveWorkSheet(), &TWorkSheet::OutlineAutomaticStyles);
}

void TXLSFile::SetPrintNumberOfHorizontalPages(std::int32_t Value)
{
    ChangeWorkSheet([&](TWorkSheet& ws) { ws.SetPrintNumberOfHorizontalPages(Value); });
}
void TXLSFile::SetPrintNumberOfVerticalPages(std::int32_t Value)
{
    ChangeWorkSheet([&](TWorkSheet& ws) { ws.SetPrintNumberOfVerticalPages(Value); });
}
void TXLSFile::SetPrintScale(std::int32_t Value)
{
    ChangeWorkSheet([&](TWorkSheet& ws) { ws.SetPrintScale(Value); });
}
void TXLSFile::SetPrintOptions(std::int32_t Value)
{
    ChangeWorkSheet([&](TWorkSheet& ws) { ws.SetPrintOptions(Value); });
}
void TXLSFile::SetPrintToFit(bool Value)
{
    ChangeWorkSheet([&](TWorkSheet& ws) { ws.SetPrintToFit(Value); });
}
void TXLSFile::SetPrintHCentered(bool Value)
{
    ChangeWorkSheet([&](TWorkSheet& ws) { ws.SetPrintHCentered(Value); });
}
void TXLSFile::SetPrintVCentered(bool Value)
{
    ChangeWorkSheet([&](TWorkSheet& ws) { ws.SetPrintVCentered(Value); });
}
void TXLSFile::SetPrintCopies(std::int32_t Value)
{
    ChangeWorkSheet([&](TWorkSheet& ws) { ws.SetPrintCopies(Value); });
}
void TXLSFile::SetPrinterDriverSettings(const TPrinterDriverSettings& Value)
{
    ChangeWorkSheet([&](TWorkSheet& ws) { ws.SetPrinterDriverSettings(Value); });
}
void TXLSFile::SetPrintPaperSize(std::int32_t Value)
{
    ChangeWorkSheet([&](TWorkSheet& ws) { ws.SetPrintPaperSize(Value); });
}
void TXLSFile::SetPrintXResolution(std::int32_t Value)
{
    ChangeWorkSheet([&](TWorkSheet& ws) { ws.SetPrintXResolution(Value); });
}
void TXLSFile::SetPrintYResolution(std::int32_t Value)
{
    ChangeWorkSheet([&](TWorkSheet& ws) { ws.SetPrintYResolution(Value); });
}
void TXLSFile::SetOutlineSummaryColsRightOfDetail(bool Value)
{
    ChangeWorkSheet([&](TWorkSheet& ws) { ws.SetOutlineSummaryColsRightOfDetail(Value); });
}
void TXLSFile::SetOutlineSummaryRowsBelowDetail(bool Value)
{
    ChangeWorkSheet([&](TWorkSheet& ws) { ws.SetOutlineSummaryRowsBelowDetail(Value); });
}
void TXLSFile::SetOutlineAutomaticStyles(bool Value)
{
    ChangeWorkSheet([&](TWorkSheet& ws) { ws.SetOutlineAutomaticStyles(Value); });
}

// ---------------------------------------------------------------------------
// Formats, fonts and the palette

TTbrFormat TXLSFile::GetFormatList(std::int32_t index) { return Workbook().Globals().GetFormat(index); }

std::int32_t TXLSFile::AddFormat(const TTbrFormat& Fmt)
{
    const std::size_t index = Workbook().Globals().AddFormat(Fmt);
    FIsFileModified = true;
    return static_cast<std::int32_t>(index);
}

std::int32_t TXLSFile::FormatListCount() { return static_cast<std::int32_t>(Workbook().Globals().XF().Count()); }

std::int32_t TXLSFile::DefaultFormatId() { return kDefaultFormatId; }

TTbrFont TXLSFile::GetFontList(std::int32_t index)
{
    const TFontRecordList& fonts = Workbook().Globals().Fonts();
    const std::size_t position = index >= 0 && index < static_cast<std::int64_t>(fonts.Count()) ? index : 0;
    return fonts.Items(position)->TbrFont();
}

void TXLSFile::SetFontList(std::int32_t index, const TTbrFont& Value)
{
    TFontRecordList& fonts = Workbook().Globals().Fonts();
    fonts.SetItem(static_cast<std::size_t>(index), TFontRecord::CreateFromTbrFont(Value));
    FIsFileModified = true;
}

std::int32_t TXLSFile::FontListCount() { return static_cast<std::int32_t>(Workbook().Globals().Fonts().Count()); }

std::int32_t TXLSFile::AddFont(const TTbrFont& Fnt)
{
    const std::uint16_t index = Workbook().Globals().AddFont(Fnt);
    FIsFileModified = true;
    return static_cast<std::int32_t>(FontPositionOf(index));
}

std::uint32_t TXLSFile::GetColorPalette(std::int32_t Index) { return Workbook().Globals().ColorPalette(Index - 1); }

void TXLSFile::SetColorPalette(std::int32_t Index, std::uint32_t Value)
{
    Workbook().Globals().SetColorPalette(Index - 1, Value);
    FIsFileModified = true;
}

std::vector<bool> TXLSFile::GetUsedPaletteColors()
{
    TWorkbookGlobals& globals = Workbook().Globals();
    // Flag i: colour index i, so 1 to 56 are the palette's colours.
    return globals.XF().GetUsedColors(kPaletteColors + 1, globals.Fonts());
}

// ---------------------------------------------------------------------------
// Workbook options

bool TXLSFile::IsXltTemplate() { return Workbook().IsXltTemplate(); }

void TXLSFile::SetIsXltTemplate(bool Value)
{
    Workbook().SetIsXltTemplate(Value);
    FIsFileModified = true;
}

bool TXLSFile::Options1904Dates() { return Workbook().Globals().Is1904(); }

void TXLSFile::SetOptions1904Dates(bool Value)
{
    Workbook().Globals().SetIs1904(Value);
    FIsFileModified = true;
}

bool TXLSFile::OptionsSaveExternalLinkValues() { return Workbook().Globals().SaveExternalLinkValues(); }

void TXLSFile::SetOptionsSaveExternalLinkValues(bool Value)
{
    Workbook().Globals().SetSaveExternalLinkValues(Value);
    FIsFileModified = true;
}

bool TXLSFile::OptionsPrecisionAsDisplayed() { return Workbook().Globals().PrecisionAsDisplayed(); }

void TXLSFile::SetOptionsPrecisionAsDisplayed(bool Value)
{
    Workbook().Globals().SetPrecisionAsDisplayed(Value);
    FIsFileModified = true;
}

// ---------------------------------------------------------------------------
// Named ranges: counted from 1; rows, columns and sheets from 1, 0 where a
// name is no single area or cell.

TNameRecord& TXLSFile::NameAt(std::int32_t index)
{
    TNameRecordList& names = Workbook().Globals().Names();
    if (index < 1 || index > static_cast<std::int32_t>(names.Count()) || !names.Items(index - 1u))
        RaiseXls(TXlsMsg::PropertyIndexOutOfRange,
                 {std::int64_t(index), std::string("Name Index"), std::int64_t(1), std::int64_t(names.Count())});
    return *names.Items(static_cast<std::size_t>(index - 1));
}

std::int32_t TXLSFile::GetExcelNameCount() { return static_cast<std::int32_t>(Workbook().Globals().Names().Count()); }

TXlsString TXLSFile::GetRangeName(std::int32_t index) { return NameAt(index).Name(); }

std::int32_t TXLSFile::GetRangeR1(std::int32_t index) { return NameAt(index).GetR1() + 1; }

std::int32_t TXLSFile::GetRangeR2(std::int32_t index) { return NameAt(index).GetR2() + 1; }

std::int32_t TXLSFile::GetRangeC1(std::int32_t index) { return NameAt(index).GetC1() + 1; }

std::int32_t TXLSFile::GetRangeC2(std::int32_t index) { return NameAt(index).GetC2() + 1; }

void TXLSFile::SetRangeBound(std::int32_t index, void (TNameRecord::*aSet)(std::int32_t), std::int32_t value)
{
    (NameAt(index).*aSet)(value - 1);
    FIsFileModified = true;
}

void TXLSFile::SetRangeR1(std::int32_t index, std::int32_t value) { SetRangeBound(index, &TNameRecord::SetR1, value); }

void TXLSFile::SetRangeR2(std::int32_t index, std::int32_t value) { SetRangeBound(index, &TNameRecord::SetR2, value); }

void TXLSFile::SetRangeC1(std::int32_t index, std::int32_t value) { SetRangeBound(index, &TNameRecord::SetC1, value); }

void TXLSFile::SetRangeC2(std::int32_t index, std::int32_t value) { SetRangeBound(index, &TNameRecord::SetC2, value); }

std::int32_t TXLSFile::GetRangeSheet(std::int32_t index)
{
    const TReferences& refs = Workbook().Globals().References();
    return NameAt(index).RefersToSheet([&](std::int32_t SheetRef) { return refs.GetSheet(SheetRef); }) + 1;
}

void TXLSFile::AddRange(const TXlsNamedRange& Range)
{
    TWorkbookGlobals& globals = Workbook().Globals();
    globals.AddName(Range, globals);
    FIsFileModified = true;
}

// ---------------------------------------------------------------------------
// Auto filter

void TXLSFile::SetAutoFilter(std::int32_t Row, std::int32_t Col1, std::int32_t Col2)
{
    TWorkSheet* ws = ActiveWorkSheet();
    if (!ws) return;
    if (Col2 < Col1) {
        RemoveAutoFilter();
        return;
    }
    ws->SetAutoFilter(FActiveSheet - 1, Row - 1, Col1 - 1, Col2 - 1);
    FIsFileModified = true;
}

void TXLSFile::RemoveAutoFilter()
{
    TWorkSheet* ws = ActiveWorkSheet();
    if (!ws) return;
    const TNameRecordList& names = Workbook().Globals().Names();
    std::vector<std::size_t> filterNames;
    for (std::size_t i = 0; i < names.Count(); ++i) {
        const TNameRecord* name = names.Items(i);
        if (name && name->IsBuiltIn() && name->RangeSheet() == FActiveSheet - 1 &&
            name->Name() == TXlsString(1, TNameRecord::FilterDatabase))
            filterNames.push_back(i);
    }
    try {
        Workbook().DeleteNames(std::move(filterNames));
    } catch (const EXlsException&) {
        // A formula that cannot be read could name a name behind it; the
        // hidden name stays, as spreadsheet programs leave it too.
    }
    ws->RemoveAutoFilter();
    FIsFileModified = true;
}

bool TXLSFile::HasAutoFilter()
{
    const TWorkSheet* ws = ActiveWorkSheet();
    return ws && ws->HasAutoFilter();
}

bool TXLSFile::HasAutoFilter(std::int32_t Row, std::int32_t Col)
{
    const TXlsCellRange range = GetAutoFilterRange();
    return range.Top >= 0 && range.HasRow(Row) && range.HasColumn(Col);
}

TXlsCellRange TXLSFile::GetAutoFilterRange()
{
    const TWorkSheet* ws = ActiveWorkSheet();
    TXlsCellRange range = ws ? ws->GetAutoFilterRange(FActiveSheet - 1) : TXlsCellRange{-1, -1, -1, -1};
    if (range.Top < 0) return {-1, -1, -1, -1};
    return {range.Left + 1, range.Top + 1, range.Right + 1, range.Bottom + 1};
}

// ---------------------------------------------------------------------------
// Sheet walk and what this program does not refresh

void TXLSFile::EndSheet(std::int32_t) {}

bool TXLSFile::CanOptimizeRead() { return true; }

void TXLSFile::RefreshPivotTables() {}

void TXLSFile::RefreshChartRanges(const TXlsString&) {}

// ---------------------------------------------------------------------------
// Operations on parts of the workbook this build does not model



// The bounds come from a named range.
void TXLSFile::SetBounds(std::int32_t) { NotAvailable("SetBounds"); }

void TXLSFile::AutofitRow(std::int32_t, std::int32_t, bool, bool, double) { NotAvailable("AutofitRow"); }
void TXLSFile::AutofitCol(std::int32_t, std::int32_t, bool, double) { NotAvailable("AutofitCol"); }
void TXLSFile::AutofitRowsOnWorkbook(bool, bool, double) { NotAvailable("AutofitRowsOnWorkbook"); }
void TXLSFile::DeleteMarkedRows(const TXlsString&) { NotAvailable("DeleteMarkedRows"); }
void TXLSFile::MakePageBreaks(const TXlsString&) { NotAvailable("MakePageBreaks"); }


// An XF is shared by styles and cells; replacing one in place has no defined meaning yet.
void TXLSFile::SetFormatList(std::int32_t, const TTbrFormat&) { NotAvailable("SetFormatList"); }
bool TXLSFile::InvalidateFormulas() { NotAvailable("InvalidateFormulas"); }
void TXLSFile::SetInvalidateFormulas(bool) { NotAvailable("InvalidateFormulas"); }



void TXLSFile::CopyToClipboard() { NotAvailable("CopyToClipboard"); }
void TXLSFile::CopyToClipboard(const TXlsCellRange&) { NotAvailable("CopyToClipboard"); }
void TXLSFile::PasteFromClipboard(std::int32_t, std::int32_t) { NotAvailable("PasteFromClipboard"); }

// ---------------------------------------------------------------------------
// The adapter

std::unique_ptr<TExcelFile> TXLSAdapter::GetWorkbook() { return std::make_unique<TXLSFile>(this, AllowOverwritingFiles); }

}  // namespace xls
