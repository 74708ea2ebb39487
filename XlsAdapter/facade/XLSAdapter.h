// The spreadsheet file interface for BIFF8 workbooks in OLE2 compound files.
//
// TXLSFile holds one workbook in memory together with the image of the
// compound file it came from (every stream but the workbook's own), so that
// saving writes the changed workbook back with every other stream and
// storage unchanged. Sheets, rows and columns count from 1 here and from 0 in
// the model. Operations on cells, rows, columns, pictures, comments and
// links address the active sheet; when that sheet is no worksheet they
// change nothing and answer 0, -1 or an empty value; the view and page
// settings every kind of sheet has work on any sheet. Cell areas that
// operations answer or take (merged cells, hyperlinks) count rows and
// columns from 1 as well; list positions count from 0 (hyperlinks; a
// sheet's pictures, in the order of their top rows, the order of a sheet
// walk; aPos, the pictures or comments of one row, left to right).
// Operations whose parts of the workbook this build does not model raise
// "... is not available in this build".
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "facade/UExcelAdapter.h"
#include "facade/XlsBaseTemplateStore.h"

namespace xls {

class TDrawing;
class THLinkRecord;
class TNameRecord;
class TNoteRecord;
class TSheet;
class TWorkbook;
class TWorkSheet;
class TXLSAdapter;

// The pictures of the active sheet by row: the top row of each picture, in
// the drawing's picture order (which the sheet walk sorts by row). Out of
// date when the drawing it was built on changed.
struct TRowComments {
    const TDrawing* Drawing = nullptr;
    std::uint64_t Version = 0;
    std::vector<std::int32_t> Rows;  // 0-based
};

class TXLSFile final : public TExcelFile {
public:
    explicit TXLSFile(TXLSAdapter* aAdapter, bool aAllowOverwritingFiles = false);
    ~TXLSFile() override;

    // When false, Save refuses to replace an existing file.
    bool AllowOverwritingFiles() const { return FAllowOverwritingFiles; }
    void SetAllowOverwritingFiles(bool Value) { FAllowOverwritingFiles = Value; }
    // Set by every changing operation, cleared by a load.
    bool IsFileModified() const { return FIsFileModified; }
    // The workbook model itself, for callers that need more than this
    // interface offers (tools, tests). Raises unless connected.
    TWorkbook& Workbook();

    // Cell values and formulas by column.
    TXlsVariant GetCellValue(std::int32_t aRow, std::int32_t aCol) override;
    void SetCellValue(std::int32_t aRow, std::int32_t aCol, const TXlsVariant& Value) override;
    TXlsCellValue GetCellValueX(std::int32_t aRow, std::int32_t aCol) override;
    void SetCellValueX(std::int32_t aRow, std::int32_t aCol, const TXlsCellValue& Value) override;
    TXlsString GetCellFormula(std::int32_t aRow, std::int32_t aCol) override;
    void SetCellFormula(std::int32_t aRow, std::int32_t aCol, const TXlsString& Value) override;
    // Comments and pictures by row (aPos counts from 0 within the row).
    std::int32_t GetCommentsCount(std::int32_t Row) override;
    TRichString GetCommentText(std::int32_t Row, std::int32_t aPos) override;
    std::int32_t GetCommentColumn(std::int32_t Row, std::int32_t aPos) override;
    TXlsString GetPictureName(std::int32_t Row, std::int32_t aPos) override;
    std::int32_t GetPicturesCount(std::int32_t Row) override;
    // Named ranges.
    std::int32_t GetExcelNameCount() override;
    TXlsString GetRangeName(std::int32_t index) override;
    std::int32_t GetRangeR1(std::int32_t index) override;
    std::int32_t GetRangeR2(std::int32_t index) override;
    std::int32_t GetRangeC1(std::int32_t index) override;
    std::int32_t GetRangeC2(std::int32_t index) override;
    void SetRangeR1(std::int32_t index, std::int32_t value) override;
    void SetRangeR2(std::int32_t index, std::int32_t value) override;
    void SetRangeC1(std::int32_t index, std::int32_t value) override;
    void SetRangeC2(std::int32_t index, std::int32_t value) override;
    std::int32_t GetRangeSheet(std::int32_t index) override;
    // Active sheet.
    std::int32_t ActiveSheet() override;
    void SetActiveSheet(std::int32_t Value) override;
    TXlsString ActiveSheetName() override;
    void SetActiveSheetName(const TXlsString& Value) override;
    TXlsString ActiveSheetCodeName() override;
    void SetActiveSheetCodeName(const TXlsString& Value) override;
    TXlsSheetVisible ActiveSheetVisible() override;
    void SetActiveSheetVisible(TXlsSheetVisible Value) override;
    // Columns and rows.
    std::int32_t GetColumnWidth(std::int32_t aCol) override;
    std::int32_t GetColumnWidthHiddenIsZero(std::int32_t aCol) override;
    std::int32_t GetRowHeight(std::int32_t aRow) override;
    std::int32_t RowHeightHiddenIsZero(std::int32_t aRow) override;
    void SetColumnWidth(std::int32_t aCol, std::int32_t Value) override;
    void SetRowHeight(std::int32_t aRow, std::int32_t Value) override;
    bool GetRowHidden(std::int32_t aRow) override;
    bool GetColumnHidden(std::int32_t aCol) override;
    void SetRowHidden(std::int32_t aRow, bool Value) override;
    void SetColumnHidden(std::int32_t aCol, bool Value) override;
    std::int32_t DefaultColWidth() override;
    std::int32_t DefaultRowHeight() override;
    bool GetAutoRowHeight(std::int32_t aRow) override;
    void SetAutoRowHeight(std::int32_t aRow, bool Value) override;
    std::int32_t GetColumnFormat(std::int32_t aCol) override;
    std::int32_t GetRowFormat(std::int32_t aRow) override;
    void SetColumnFormat(std::int32_t aCol, std::int32_t Value) override;
    void SetRowFormat(std::int32_t aRow, std::int32_t Value) override;
    // Formats.
    std::int32_t GetCellFormat(std::int32_t aRow, std::int32_t aCol) override;
    void SetCellFormat(std::int32_t aRow, std::int32_t aCol, std::int32_t Value) override;
    std::uint32_t GetColorPalette(std::int32_t Index) override;
    void SetColorPalette(std::int32_t Index, std::uint32_t Value) override;
    TTbrFont GetFontList(std::int32_t index) override;
    void SetFontList(std::int32_t index, const TTbrFont& Value) override;
    TTbrFormat GetFormatList(std::int32_t index) override;
    void SetFormatList(std::int32_t index, const TTbrFormat& Value) override;
    // Page setup and view.
    TXlsString PageFooter() override;
    TXlsString PageHeader() override;
    void SetPageFooter(const TXlsString& Value) override;
    void SetPageHeader(const TXlsString& Value) override;
    bool ShowGridLines() override;
    void SetShowGridLines(bool Value) override;
    bool ShowGridHeaders() override;
    void SetShowGridHeaders(bool Value) override;
    bool PrintGridLines() override;
    void SetPrintGridLines(bool Value) override;
    std::int32_t SheetZoom() override;
    void SetSheetZoom(std::int32_t Value) override;
    TXlsMargins Margins() override;
    void SetMargins(const TXlsMargins& Value) override;
    std::int32_t PrintNumberOfHorizontalPages() override;
    std::int32_t PrintNumberOfVerticalPages() override;
    std::int32_t PrintScale() override;
    std::int32_t PrintOptions() override;
    bool PrintToFit() override;
    void SetPrintNumberOfHorizontalPages(std::int32_t Value) override;
    void SetPrintNumberOfVerticalPages(std::int32_t Value) override;
    void SetPrintScale(std::int32_t Value) override;
    void SetPrintOptions(std::int32_t Value) override;
    void SetPrintToFit(bool Value) override;
    bool PrintHCentered() override;
    bool PrintVCentered() override;
    void SetPrintHCentered(bool Value) override;
    void SetPrintVCentered(bool Value) override;
    std::int32_t PrintCopies() override;
    TPrinterDriverSettings PrinterDriverSettings() override;
    std::int32_t PrintPaperSize() override;
    std::int32_t PrintXResolution() override;
    std::int32_t PrintYResolution() override;
    void SetPrintCopies(std::int32_t Value) override;
    void SetPrinterDriverSettings(const TPrinterDriverSettings& Value) override;
    void SetPrintPaperSize(std::int32_t Value) override;
    void SetPrintXResolution(std::int32_t Value) override;
    void SetPrintYResolution(std::int32_t Value) override;
    // Workbook options.
    bool InvalidateFormulas() override;
    void SetInvalidateFormulas(bool Value) override;
    bool IsXltTemplate() override;
    void SetIsXltTemplate(bool Value) override;
    TXlsCellRange GetCellMergedBounds(std::int32_t aRow, std::int32_t aCol) override;
    TXlsCellRange GetCellMergedList(std::int32_t index) override;
    bool Options1904Dates() override;
    bool OptionsR1C1() override;
    bool OptionsSaveExternalLinkValues() override;
    void SetOptions1904Dates(bool Value) override;
    void SetOptionsR1C1(bool Value) override;
    void SetOptionsSaveExternalLinkValues(bool Value) override;
    bool OptionsPrecisionAsDisplayed() override;
    void SetOptionsPrecisionAsDisplayed(bool Value) override;
    bool OutlineSummaryColsRightOfDetail() override;
    bool OutlineSummaryRowsBelowDetail() override;
    bool OutlineAutomaticStyles() override;
    void SetOutlineSummaryColsRightOfDetail(bool Value) override;
    void SetOutlineSummaryRowsBelowDetail(bool Value) override;
    void SetOutlineAutomaticStyles(bool Value) override;
    // File and sheets.
    void Connect() override;
    void Disconnect() override;
    void OpenFile(const std::string& FileName) override;
    void OpenFileAndSearch(const std::string& FileName) override;
    void NewFile(std::int32_t SheetCount) override;
    void LoadFromStream(TStream& aStream) override;
    void CloseFile() override;
    void InsertAndCopySheets(std::int32_t CopyFrom, std::int32_t InsertBefore, std::int32_t SheetCount) override;
    void ClearSheet() override;
    void DeleteSheet(std::int32_t SheetCount) override;
    std::int32_t SheetCount() override;
    void SelectSheet(std::int32_t SheetNo) override;
    // Rows, breaks, saving.
    void DeleteMarkedRows(const TXlsString& Mark) override;
    void MakePageBreaks(const TXlsString& Mark) override;
    void InsertHPageBreak(std::int32_t aRow) override;
    void InsertVPageBreak(std::int32_t aCol) override;
    void DeleteHPageBreak(std::int32_t aRow) override;
    void DeleteVPageBreak(std::int32_t aCol) override;
    bool HasHPageBreak(std::int32_t aRow) override;
    bool HasVPageBreak(std::int32_t aCol) override;
    void RefreshPivotTables() override;
    void RefreshChartRanges(const TXlsString& VarStr) override;
    void Save(bool AutoClose, const std::string& FileName, const TOnGetFileName& OnGetFileName,
              const TOnGetOutStream& OnGetOutStream, TStream* DataStream) override;
    void InsertAndCopyRows(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t DestRow, std::int32_t aCount,
                           bool OnlyFormulas) override;
    void InsertAndCopyCols(std::int32_t FirstCol, std::int32_t LastCol, std::int32_t DestCol, std::int32_t aCount,
                           bool OnlyFormulas) override;
    void DeleteRows(std::int32_t aRow, std::int32_t aCount) override;
    void DeleteCols(std::int32_t aCol, std::int32_t aCount) override;
    // Sheet walk: orders the active sheet's pictures by row and indexes them.
    void BeginSheet() override;
    void EndSheet(std::int32_t RowOffset) override;
    bool CanOptimizeRead() override;
    void AddRange(const TXlsNamedRange& Range) override;
    // Pictures and comments.
    void AssignPicture(std::int32_t Row, std::int32_t aPos, const TBytes& Pic, TXlsImgTypes PicType) override;
    void AssignPicture(std::int32_t Row, std::int32_t aPos, const TBytes& Pic, TXlsImgTypes PicType,
                       const TImageProperties& Props) override;
    void AssignPictureProperties(std::int32_t Row, std::int32_t aPos, const TImageProperties& Props) override;
    TXlsPicture GetPicture(std::int32_t Row, std::int32_t aPos) override;
    void DeleteImage(std::int32_t Index) override;
    void ClearImage(std::int32_t Index) override;
    void AddImage(const TBytes& Data, TXlsImgTypes DataType, const TImageProperties& Properties) override;
    void AssignComment(std::int32_t Row, std::int32_t aPos, const TRichString& Comment) override;
    void SetCellComment(std::int32_t Row, std::int32_t Col, const TRichString& Value) override;
    TRichString GetCellComment(std::int32_t Row, std::int32_t Col) override;
    // Cell data by column offset (the column counted from GetFirstColumn).
    std::int32_t CellCount(std::int32_t aRow) override;
    TXlsVariant GetCellData(std::int32_t aRow, std::int32_t aColOffset) override;
    TXlsCellValue GetCellDataX(std::int32_t aRow, std::int32_t aColOffset) override;
    void GetCellDataX2(std::int32_t aRow, std::int32_t aColOffset, TXlsCellValue& v, TRTFRunList& RTFRuns) override;
    void AssignCellData(std::int32_t aRow, std::int32_t aColOffset, const TXlsVariant& Value) override;
    void AssignCellDataX(std::int32_t aRow, std::int32_t aColOffset, const TXlsCellValue& Value) override;
    void AssignCellDataX2(std::int32_t aRow, std::int32_t aColOffset, const TXlsCellValue& Value,
                          const TRTFRunList& RTFRuns) override;
    void GetCellValueX2(std::int32_t aRow, std::int32_t aCol, TXlsCellValue& v, TRTFRunList& RTFRuns) override;
    void AssignCellValueX2(std::int32_t aRow, std::int32_t aCol, const TXlsCellValue& Value,
                           const TRTFRunList& RTFRuns) override;
    void SetCellString(std::int32_t aRow, std::int32_t aCol, const TXlsString& Text, const TXlsString& DateFormat,
                       const TXlsString& TimeFormat) override;
    void SetCellString(std::int32_t aRow, std::int32_t aCol, const TXlsString& Text, const TTbrFormat& Fm,
                       const TXlsString& DateFormat, const TXlsString& TimeFormat) override;
    // Sheet queries and blocks.
    std::int32_t MaxRow() override;
    std::int32_t MaxCol() override;
    bool IsEmptyRow(std::int32_t aRow) override;
    void SetCellFormulaX(std::int32_t aRow, std::int32_t aCol, const TXlsString& Formula,
                         const TXlsVariant& Value) override;
    std::int32_t ColByIndex(std::int32_t Row, std::int32_t ColIndex) override;
    std::int32_t ColIndexCount(std::int32_t Row) override;
    std::int32_t ColIndex(std::int32_t Row, std::int32_t Col) override;
    void SetBounds(std::int32_t aRangePos) override;
    std::int32_t GetFirstColumn() override;
    void PrepareBlockData(std::int32_t R1, std::int32_t C1, std::int32_t R2, std::int32_t C2) override;
    void AssignBlockData(std::int32_t Row, std::int32_t Col, const TXlsVariant& v) override;
    void PasteBlockData() override;
    bool IsWorksheet(std::int32_t index) override;
    // Format lists, merging, clipboard.
    std::vector<bool> GetUsedPaletteColors() override;
    std::int32_t FontListCount() override;
    std::int32_t FormatListCount() override;
    std::int32_t AddFormat(const TTbrFormat& Fmt) override;
    std::int32_t AddFont(const TTbrFont& Fnt) override;
    void MergeCells(std::int32_t aRow1, std::int32_t aCol1, std::int32_t aRow2, std::int32_t aCol2) override;
    void UnMergeCells(std::int32_t aRow1, std::int32_t aCol1, std::int32_t aRow2, std::int32_t aCol2) override;
    std::int32_t CellMergedListCount() override;
    void CopyToClipboard() override;
    void CopyToClipboard(const TXlsCellRange& Range) override;
    void PasteFromClipboard(std::int32_t Row, std::int32_t Col) override;
    void ParseComments() override;
    // Hyperlinks, outline, panes, fitting, filters.
    std::int32_t HyperLinkCount() override;
    THyperLink GetHyperLink(std::int32_t HyperLinkIndex) override;
    void SetHyperLink(std::int32_t HyperLinkIndex, const THyperLink& value) override;
    TXlsCellRange GetHyperLinkCellRange(std::int32_t HyperLinkIndex) override;
    void SetHyperLinkCellRange(std::int32_t HyperLinkIndex, const TXlsCellRange& CellRange) override;
    void AddHyperLink(const TXlsCellRange& CellRange, const THyperLink& value) override;
    void DeleteHyperLink(std::int32_t HyperLinkIndex) override;
    std::int32_t GetRowOutlineLevel(std::int32_t aRow) override;
    void SetRowOutlineLevel(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t Level) override;
    std::int32_t GetColOutlineLevel(std::int32_t aCol) override;
    void SetColOutlineLevel(std::int32_t FirstCol, std::int32_t LastCol, std::int32_t Level) override;
    void FreezePanes(std::int32_t aRow, std::int32_t aCol) override;
    void GetFrozenPanes(std::int32_t& aRow, std::int32_t& aCol) override;
    void SplitWindow(std::int32_t xOffset, std::int32_t yOffset) override;
    void GetSplitWindow(std::int32_t& xOffset, std::int32_t& yOffset) override;
    void AutofitRow(std::int32_t Row1, std::int32_t Row2, bool AutofitNotAutofittingRows, bool KeepHeightAutomatic,
                    double Adjustment) override;
    void AutofitCol(std::int32_t Col1, std::int32_t Col2, bool IgnoreStrings, double Adjustment) override;
    void AutofitRowsOnWorkbook(bool AutofitNotAutofittingRows, bool KeepSizesAutomatic, double Adjustment) override;
    void SetAutoFilter(std::int32_t Row, std::int32_t Col1, std::int32_t Col2) override;
    void RemoveAutoFilter() override;
    bool HasAutoFilter() override;
    bool HasAutoFilter(std::int32_t Row, std::int32_t Col) override;
    TXlsCellRange GetAutoFilterRange() override;
    std::int32_t DefaultFormatId() override;

private:
    // Raises unless Connect has made a workbook.
    void CheckConnected() const;
    // The sheet that sheet-level operations address; raises for a position
    // outside the workbook.
    std::int32_t ActiveSheetIndex();
    // The active sheet as a worksheet; null when it is another kind of sheet.
    TWorkSheet* ActiveWorkSheet();
    // The active sheet of any kind, for the settings every sheet has.
    TSheet& ActiveSheetObject();
    // Runs aChange on the active worksheet, if it is one, and marks the file changed.
    template <class F>
    void ChangeWorkSheet(F aChange);
    void LoadWorkbook(TStream& aStream);
    // The workbook's sheet insertion (0-based, CopyFrom -1 for new empty sheets).
    void InsertSheets(std::int32_t CopyFrom, std::int32_t InsertBefore, std::int32_t SheetCount);
    void SaveWorkbook(TStream& OutStream);
    // Named range index (from 1); other indexes fail with "The index ... of the property "Name Index" ...".
    TNameRecord& NameAt(std::int32_t index);
    void SetRangeBound(std::int32_t index, void (TNameRecord::*aSet)(std::int32_t), std::int32_t value);
    void SetCellStringWorker(std::int32_t aRow, std::int32_t aCol, const TXlsString& Text, const TTbrFormat* Fm,
                             const TXlsString& DateFormat, const TXlsString& TimeFormat);
    // The index of the active sheet's pictures by row, built again when out of date.
    const TRowComments& RowPictureIndex(TWorkSheet& aSheet);
    // The drawing position of picture aPos of a row; fails outside the row's pictures.
    std::size_t PictureOfRow(TWorkSheet& aSheet, std::int32_t Row, std::int32_t aPos);
    // The drawing position of the sheet's picture Index (in row order).
    std::size_t PictureAt(TWorkSheet& aSheet, std::int32_t Index);
    // Comment aPos (from 0, left to right) of a row; fails outside the row's comments.
    TNoteRecord& CommentOfRow(TWorkSheet& aSheet, std::int32_t Row, std::int32_t aPos);
    THLinkRecord& HyperLinkAt(TWorkSheet& aSheet, std::int32_t HyperLinkIndex);
    [[noreturn]] static void NotAvailable(const char* Operation);

    TXLSAdapter* FAdapter;
    std::int32_t FActiveSheet = 0;
    std::unique_ptr<TWorkbook> FWorkbook;
    TBytes FOtherStreams;
    std::u16string FWorkbookStream = u"Workbook";  // the stream's name as the file has it
    std::int32_t FirstColumn = 0;  // column offset of the cell data operations
    bool FAllowOverwritingFiles;
    bool FIsFileModified = false;
    TRowComments RowPictures;
};

// Hands out TXLSFile objects with its settings.
class TXLSAdapter final : public TExcelAdapter {
public:
    // When set, OpenFile takes the file's bytes from this store instead of the
    // disk. The adapter does not keep the store alive: once the store is gone,
    // the adapter has none.
    std::shared_ptr<TXlsBaseTemplateStore> TemplateStore() const { return FTemplateStore.lock(); }
    void SetTemplateStore(const std::shared_ptr<TXlsBaseTemplateStore>& Value) { FTemplateStore = Value; }

    // The outputs Save produces.
    TSetOfExcelSaveFormatNative SaveFormat{TExcelSaveFormatNative::snXLS};
    // Given to every file object GetWorkbook creates.
    bool AllowOverwritingFiles = false;

    std::unique_ptr<TExcelFile> GetWorkbook() override;

private:
    std::weak_ptr<TXlsBaseTemplateStore> FTemplateStore;
};

}  // namespace xls
