// The spreadsheet file interface: what a program sees of a workbook file.
//
// TExcelFile is the abstract file object (every operation a caller may use on
// an open workbook), TExcelAdapter the abstract factory that hands file
// objects out with its settings. XLSAdapter implements both for BIFF8 .xls
// files. Sheets, rows and columns are counted from 1 at this interface. The
// value types that cross it live in base/UXlsValueTypes.h.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/UXlsBytes.h"
#include "base/UXlsStreams.h"
#include "base/UXlsValueTypes.h"
#include "base/UXlsVariant.h"
#include "globals/UTbrFormats.h"

namespace xls {

class TExcelFile;

// The outputs Save can produce, in the order it produces them.
enum class TExcelSaveFormatNative { snXLS, snCSVComma, snCSVSemiColon, snTabDelimited };

class TSetOfExcelSaveFormatNative {
public:
    constexpr TSetOfExcelSaveFormatNative() = default;
    constexpr TSetOfExcelSaveFormatNative(std::initializer_list<TExcelSaveFormatNative> formats)
    {
        for (auto f : formats) FBits |= Bit(f);
    }
    constexpr bool Contains(TExcelSaveFormatNative f) const { return (FBits & Bit(f)) != 0; }
    constexpr bool operator==(const TSetOfExcelSaveFormatNative&) const = default;

private:
    static constexpr unsigned Bit(TExcelSaveFormatNative f) { return 1u << static_cast<unsigned>(f); }
    unsigned FBits = 0;
};

// May change the file name an output is written to.
using TOnGetFileName = std::function<void(TExcelFile& File, TExcelSaveFormatNative Format, std::string& FileName)>;
// May supply the stream an output is written to (the callback's owner keeps it
// alive); a stream left null means "write the file as usual".
using TOnGetOutStream =
    std::function<void(TExcelFile& File, TExcelSaveFormatNative Format, TStream*& OutStream)>;

// An open workbook. The order of the operations is the order of the
// interface's table of virtual operations.
class TExcelFile {
public:
    virtual ~TExcelFile() = default;
    TExcelFile() = default;
    TExcelFile(const TExcelFile&) = delete;
    TExcelFile& operator=(const TExcelFile&) = delete;

    // Cell values and formulas by column.
    virtual TXlsVariant GetCellValue(std::int32_t aRow, std::int32_t aCol) = 0;
    virtual void SetCellValue(std::int32_t aRow, std::int32_t aCol, const TXlsVariant& Value) = 0;
    virtual TXlsCellValue GetCellValueX(std::int32_t aRow, std::int32_t aCol) = 0;
    virtual void SetCellValueX(std::int32_t aRow, std::int32_t aCol, const TXlsCellValue& Value) = 0;
    virtual TXlsString GetCellFormula(std::int32_t aRow, std::int32_t aCol) = 0;
    virtual void SetCellFormula(std::int32_t aRow, std::int32_t aCol, const TXlsString& Value) = 0;

    // Comments and pictures by row (aPos counts from 0 within the row).
    virtual std::int32_t GetCommentsCount(std::int32_t Row) = 0;
    virtual TRichString GetCommentText(std::int32_t Row, std::int32_t aPos) = 0;
    virtual std::int32_t GetCommentColumn(std::int32_t Row, std::int32_t aPos) = 0;
    virtual TXlsString GetPictureName(std::int32_t Row, std::int32_t aPos) = 0;
    virtual std::int32_t GetPicturesCount(std::int32_t Row) = 0;

    // Named ranges.
    virtual std::int32_t GetExcelNameCount() = 0;
    std::int32_t RangeCount() { return GetExcelNameCount(); }
    virtual TXlsString GetRangeName(std::int32_t index) = 0;
    virtual std::int32_t GetRangeR1(std::int32_t index) = 0;
    virtual std::int32_t GetRangeR2(std::int32_t index) = 0;
    virtual std::int32_t GetRangeC1(std::int32_t index) = 0;
    virtual std::int32_t GetRangeC2(std::int32_t index) = 0;
    virtual void SetRangeR1(std::int32_t index, std::int32_t value) = 0;
    virtual void SetRangeR2(std::int32_t index, std::int32_t value) = 0;
    virtual void SetRangeC1(std::int32_t index, std::int32_t value) = 0;
    virtual void SetRangeC2(std::int32_t index, std::int32_t value) = 0;
    virtual std::int32_t GetRangeSheet(std::int32_t index) = 0;

    // Active sheet.
    virtual std::int32_t ActiveSheet() = 0;
    virtual void SetActiveSheet(std::int32_t Value) = 0;
    virtual TXlsString ActiveSheetName() = 0;
    virtual void SetActiveSheetName(const TXlsString& Value) = 0;
    virtual TXlsString ActiveSheetCodeName() = 0;
    virtual void SetActiveSheetCodeName(const TXlsString& Value) = 0;
    virtual TXlsSheetVisible ActiveSheetVisible() = 0;
    virtual void SetActiveSheetVisible(TXlsSheetVisible Value) = 0;

    // Columns and rows.
    virtual std::int32_t GetColumnWidth(std::int32_t aCol) = 0;
    virtual std::int32_t GetColumnWidthHiddenIsZero(std::int32_t aCol) = 0;
    virtual std::int32_t GetRowHeight(std::int32_t aRow) = 0;
    virtual std::int32_t RowHeightHiddenIsZero(std::int32_t aRow) = 0;
    virtual void SetColumnWidth(std::int32_t aCol, std::int32_t Value) = 0;
    virtual void SetRowHeight(std::int32_t aRow, std::int32_t Value) = 0;
    virtual bool GetRowHidden(std::int32_t aRow) = 0;
    virtual bool GetColumnHidden(std::int32_t aCol) = 0;
    virtual void SetRowHidden(std::int32_t aRow, bool Value) = 0;
    virtual void SetColumnHidden(std::int32_t aCol, bool Value) = 0;
    virtual std::int32_t DefaultColWidth() = 0;
    virtual std::int32_t DefaultRowHeight() = 0;
    virtual bool GetAutoRowHeight(std::int32_t aRow) = 0;
    virtual void SetAutoRowHeight(std::int32_t aRow, bool Value) = 0;
    virtual std::int32_t GetColumnFormat(std::int32_t aCol) = 0;
    virtual std::int32_t GetRowFormat(std::int32_t aRow) = 0;
    virtual void SetColumnFormat(std::int32_t aCol, std::int32_t Value) = 0;
    virtual void SetRowFormat(std::int32_t aRow, std::int32_t Value) = 0;

    // Formats.
    virtual std::int32_t GetCellFormat(std::int32_t aRow, std::int32_t aCol) = 0;
    virtual void SetCellFormat(std::int32_t aRow, std::int32_t aCol, std::int32_t Value) = 0;
    // Index 1 to 56; colours as 0x00BBGGRR.
    virtual std::uint32_t GetColorPalette(std::int32_t Index) = 0;
    virtual void SetColorPalette(std::int32_t Index, std::uint32_t Value) = 0;
    // Fonts by their position in the workbook's font list, from 0 (the font
    // index an XF stores skips 4); AddFont answers a position too.
    virtual TTbrFont GetFontList(std::int32_t index) = 0;
    virtual void SetFontList(std::int32_t index, const TTbrFont& Value) = 0;
    virtual TTbrFormat GetFormatList(std::int32_t index) = 0;
    virtual void SetFormatList(std::int32_t index, const TTbrFormat& Value) = 0;

    // Page setup and view.
    virtual TXlsString PageFooter() = 0;
    virtual TXlsString PageHeader() = 0;
    virtual void SetPageFooter(const TXlsString& Value) = 0;
    virtual void SetPageHeader(const TXlsString& Value) = 0;
    virtual bool ShowGridLines() = 0;
    virtual void SetShowGridLines(bool Value) = 0;
    virtual bool ShowGridHeaders() = 0;
    virtual void SetShowGridHeaders(bool Value) = 0;
    virtual bool PrintGridLines() = 0;
    virtual void SetPrintGridLines(bool Value) = 0;
    virtual std::int32_t SheetZoom() = 0;
    virtual void SetSheetZoom(std::int32_t Value) = 0;
    virtual TXlsMargins Margins() = 0;
    virtual void SetMargins(const TXlsMargins& Value) = 0;
    virtual std::int32_t PrintNumberOfHorizontalPages() = 0;
    virtual std::int32_t PrintNumberOfVerticalPages() = 0;
    virtual std::int32_t PrintScale() = 0;
    virtual std::int32_t PrintOptions() = 0;
    virtual bool PrintToFit() = 0;
    virtual void SetPrintNumberOfHorizontalPages(std::int32_t Value) = 0;
    virtual void SetPrintNumberOfVerticalPages(std::int32_t Value) = 0;
    virtual void SetPrintScale(std::int32_t Value) = 0;
    virtual void SetPrintOptions(std::int32_t Value) = 0;
    virtual void SetPrintToFit(bool Value) = 0;
    virtual bool PrintHCentered() = 0;
    virtual bool PrintVCentered() = 0;
    virtual void SetPrintHCentered(bool Value) = 0;
    virtual void SetPrintVCentered(bool Value) = 0;
    virtual std::int32_t PrintCopies() = 0;
    virtual TPrinterDriverSettings PrinterDriverSettings() = 0;
    virtual std::int32_t PrintPaperSize() = 0;
    virtual std::int32_t PrintXResolution() = 0;
    virtual std::int32_t PrintYResolution() = 0;
    virtual void SetPrintCopies(std::int32_t Value) = 0;
    virtual void SetPrinterDriverSettings(const TPrinterDriverSettings& Value) = 0;
    virtual void SetPrintPaperSize(std::int32_t Value) = 0;
    virtual void SetPrintXResolution(std::int32_t Value) = 0;
    virtual void SetPrintYResolution(std::int32_t Value) = 0;

    // Workbook options.
    virtual bool InvalidateFormulas() = 0;
    virtual void SetInvalidateFormulas(bool Value) = 0;
    virtual bool IsXltTemplate() = 0;
    virtual void SetIsXltTemplate(bool Value) = 0;
    // The merged area holding the cell (the cell itself when it is not
    // merged), and the merged area at list position index (from 0; all 0
    // outside the list); rows and columns from 1.
    virtual TXlsCellRange GetCellMergedBounds(std::int32_t aRow, std::int32_t aCol) = 0;
    virtual TXlsCellRange GetCellMergedList(std::int32_t index) = 0;
    virtual bool Options1904Dates() = 0;
    virtual bool OptionsR1C1() = 0;
    virtual bool OptionsSaveExternalLinkValues() = 0;
    virtual void SetOptions1904Dates(bool Value) = 0;
    virtual void SetOptionsR1C1(bool Value) = 0;
    virtual void SetOptionsSaveExternalLinkValues(bool Value) = 0;
    virtual bool OptionsPrecisionAsDisplayed() = 0;
    virtual void SetOptionsPrecisionAsDisplayed(bool Value) = 0;
    virtual bool OutlineSummaryColsRightOfDetail() = 0;
    virtual bool OutlineSummaryRowsBelowDetail() = 0;
    virtual bool OutlineAutomaticStyles() = 0;
    virtual void SetOutlineSummaryColsRightOfDetail(bool Value) = 0;
    virtual void SetOutlineSummaryRowsBelowDetail(bool Value) = 0;
    virtual void SetOutlineAutomaticStyles(bool Value) = 0;

    // File and sheets.
    virtual void Connect() = 0;
    virtual void Disconnect() = 0;
    virtual void OpenFile(const std::string& FileName) = 0;
    virtual void OpenFileAndSearch(const std::string& FileName) = 0;
    virtual void NewFile(std::int32_t SheetCount) = 0;
    virtual void LoadFromStream(TStream& aStream) = 0;
    virtual void CloseFile() = 0;
    virtual void InsertAndCopySheets(std::int32_t CopyFrom, std::int32_t InsertBefore, std::int32_t SheetCount) = 0;
    virtual void ClearSheet() = 0;
    virtual void DeleteSheet(std::int32_t SheetCount) = 0;
    virtual std::int32_t SheetCount() = 0;
    virtual void SelectSheet(std::int32_t SheetNo) = 0;

    // Rows, breaks, saving.
    virtual void DeleteMarkedRows(const TXlsString& Mark) = 0;
    virtual void MakePageBreaks(const TXlsString& Mark) = 0;
    virtual void InsertHPageBreak(std::int32_t aRow) = 0;
    virtual void InsertVPageBreak(std::int32_t aCol) = 0;
    virtual void DeleteHPageBreak(std::int32_t aRow) = 0;
    virtual void DeleteVPageBreak(std::int32_t aCol) = 0;
    virtual bool HasHPageBreak(std::int32_t aRow) = 0;
    virtual bool HasVPageBreak(std::int32_t aCol) = 0;
    virtual void RefreshPivotTables() = 0;
    virtual void RefreshChartRanges(const TXlsString& VarStr) = 0;
    virtual void Save(bool AutoClose, const std::string& FileName, const TOnGetFileName& OnGetFileName,
                      const TOnGetOutStream& OnGetOutStream, TStream* DataStream) = 0;
    virtual void InsertAndCopyRows(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t DestRow,
                                   std::int32_t aCount, bool OnlyFormulas) = 0;
    virtual void InsertAndCopyCols(std::int32_t FirstCol, std::int32_t LastCol, std::int32_t DestCol,
                                   std::int32_t aCount, bool OnlyFormulas) = 0;
    virtual void DeleteRows(std::int32_t aRow, std::int32_t aCount) = 0;
    virtual void DeleteCols(std::int32_t aCol, std::int32_t aCount) = 0;

    // Sheet walk.
    virtual void BeginSheet() = 0;
    virtual void EndSheet(std::int32_t RowOffset) = 0;
    virtual bool CanOptimizeRead() = 0;
    virtual void AddRange(const TXlsNamedRange& Range) = 0;

    // Pictures and comments.
    virtual void AssignPicture(std::int32_t Row, std::int32_t aPos, const TBytes& Pic, TXlsImgTypes PicType) = 0;
    virtual void AssignPicture(std::int32_t Row, std::int32_t aPos, const TBytes& Pic, TXlsImgTypes PicType,
                               const TImageProperties& Props) = 0;
    virtual void AssignPictureProperties(std::int32_t Row, std::int32_t aPos, const TImageProperties& Props) = 0;
    virtual TXlsPicture GetPicture(std::int32_t Row, std::int32_t aPos) = 0;
    virtual void DeleteImage(std::int32_t Index) = 0;
    virtual void ClearImage(std::int32_t Index) = 0;
    virtual void AddImage(const TBytes& Data, TXlsImgTypes DataType, const TImageProperties& Properties) = 0;
    virtual void AssignComment(std::int32_t Row, std::int32_t aPos, const TRichString& Comment) = 0;
    virtual void SetCellComment(std::int32_t Row, std::int32_t Col, const TRichString& Value) = 0;
    virtual TRichString GetCellComment(std::int32_t Row, std::int32_t Col) = 0;

    // Cell data by column offset (the column counted from GetFirstColumn).
    virtual std::int32_t CellCount(std::int32_t aRow) = 0;
    virtual TXlsVariant GetCellData(std::int32_t aRow, std::int32_t aColOffset) = 0;
    virtual TXlsCellValue GetCellDataX(std::int32_t aRow, std::int32_t aColOffset) = 0;
    virtual void GetCellDataX2(std::int32_t aRow, std::int32_t aColOffset, TXlsCellValue& v, TRTFRunList& RTFRuns) = 0;
    virtual void AssignCellData(std::int32_t aRow, std::int32_t aColOffset, const TXlsVariant& Value) = 0;
    virtual void AssignCellDataX(std::int32_t aRow, std::int32_t aColOffset, const TXlsCellValue& Value) = 0;
    virtual void AssignCellDataX2(std::int32_t aRow, std::int32_t aColOffset, const TXlsCellValue& Value,
                                  const TRTFRunList& RTFRuns) = 0;
    virtual void GetCellValueX2(std::int32_t aRow, std::int32_t aCol, TXlsCellValue& v, TRTFRunList& RTFRuns) = 0;
    virtual void AssignCellValueX2(std::int32_t aRow, std::int32_t aCol, const TXlsCellValue& Value,
                                   const TRTFRunList& RTFRuns) = 0;
    virtual void SetCellString(std::int32_t aRow, std::int32_t aCol, const TXlsString& Text,
                               const TXlsString& DateFormat, const TXlsString& TimeFormat) = 0;
    virtual void SetCellString(std::int32_t aRow, std::int32_t aCol, const TXlsString& Text, const TTbrFormat& Fm,
                               const TXlsString& DateFormat, const TXlsString& TimeFormat) = 0;

    // Sheet queries and blocks.
    virtual std::int32_t MaxRow() = 0;
    virtual std::int32_t MaxCol() = 0;
    virtual bool IsEmptyRow(std::int32_t aRow) = 0;
    virtual void SetCellFormulaX(std::int32_t aRow, std::int32_t aCol, const TXlsString& Formula,
                                 const TXlsVariant& Value) = 0;
    virtual std::int32_t ColByIndex(std::int32_t Row, std::int32_t ColIndex) = 0;
    virtual std::int32_t ColIndexCount(std::int32_t Row) = 0;
    virtual std::int32_t ColIndex(std::int32_t Row, std::int32_t Col) = 0;
    virtual void SetBounds(std::int32_t aRangePos) = 0;
    virtual std::int32_t GetFirstColumn() = 0;
    virtual void PrepareBlockData(std::int32_t R1, std::int32_t C1, std::int32_t R2, std::int32_t C2) = 0;
    virtual void AssignBlockData(std::int32_t Row, std::int32_t Col, const TXlsVariant& v) = 0;
    virtual void PasteBlockData() = 0;
    virtual bool IsWorksheet(std::int32_t index) = 0;

    // Format lists, merging, clipboard.
    virtual std::vector<bool> GetUsedPaletteColors() = 0;
    virtual std::int32_t FontListCount() = 0;
    virtual std::int32_t FormatListCount() = 0;
    virtual std::int32_t AddFormat(const TTbrFormat& Fmt) = 0;
    virtual std::int32_t AddFont(const TTbrFont& Fnt) = 0;
    virtual void MergeCells(std::int32_t aRow1, std::int32_t aCol1, std::int32_t aRow2, std::int32_t aCol2) = 0;
    virtual void UnMergeCells(std::int32_t aRow1, std::int32_t aCol1, std::int32_t aRow2, std::int32_t aCol2) = 0;
    virtual std::int32_t CellMergedListCount() = 0;
    virtual void CopyToClipboard() = 0;
    virtual void CopyToClipboard(const TXlsCellRange& Range) = 0;
    virtual void PasteFromClipboard(std::int32_t Row, std::int32_t Col) = 0;
    virtual void ParseComments() = 0;

    // Hyperlinks, outline, panes, fitting, filters.
    virtual std::int32_t HyperLinkCount() = 0;
    virtual THyperLink GetHyperLink(std::int32_t HyperLinkIndex) = 0;
    virtual void SetHyperLink(std::int32_t HyperLinkIndex, const THyperLink& value) = 0;
    virtual TXlsCellRange GetHyperLinkCellRange(std::int32_t HyperLinkIndex) = 0;
    virtual void SetHyperLinkCellRange(std::int32_t HyperLinkIndex, const TXlsCellRange& CellRange) = 0;
    virtual void AddHyperLink(const TXlsCellRange& CellRange, const THyperLink& value) = 0;
    virtual void DeleteHyperLink(std::int32_t HyperLinkIndex) = 0;
    virtual std::int32_t GetRowOutlineLevel(std::int32_t aRow) = 0;
    virtual void SetRowOutlineLevel(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t Level) = 0;
    virtual std::int32_t GetColOutlineLevel(std::int32_t aCol) = 0;
    virtual void SetColOutlineLevel(std::int32_t FirstCol, std::int32_t LastCol, std::int32_t Level) = 0;
    // aRow rows and aCol columns stay in view; (0, 0) unfreezes. A split
    // window's offsets are in twips; (0, 0) removes the split.
    virtual void FreezePanes(std::int32_t aRow, std::int32_t aCol) = 0;
    virtual void GetFrozenPanes(std::int32_t& aRow, std::int32_t& aCol) = 0;
    virtual void SplitWindow(std::int32_t xOffset, std::int32_t yOffset) = 0;
    virtual void GetSplitWindow(std::int32_t& xOffset, std::int32_t& yOffset) = 0;
    virtual void AutofitRow(std::int32_t Row1, std::int32_t Row2, bool AutofitNotAutofittingRows,
                            bool KeepHeightAutomatic, double Adjustment) = 0;
    virtual void AutofitCol(std::int32_t Col1, std::int32_t Col2, bool IgnoreStrings, double Adjustment) = 0;
    virtual void AutofitRowsOnWorkbook(bool AutofitNotAutofittingRows, bool KeepSizesAutomatic,
                                       double Adjustment) = 0;
    // The active sheet's auto filter: drop-down buttons on row Row over
    // columns Col1 to Col2 (Col2 below Col1 removes it) and the hidden filter
    // database name. Whether the sheet has one, whether (Row, Col) is one of
    // its header cells, and its area (all -1 without a filter).
    virtual void SetAutoFilter(std::int32_t Row, std::int32_t Col1, std::int32_t Col2) = 0;
    virtual void RemoveAutoFilter() = 0;
    virtual bool HasAutoFilter() = 0;
    virtual bool HasAutoFilter(std::int32_t Row, std::int32_t Col) = 0;
    virtual TXlsCellRange GetAutoFilterRange() = 0;
    virtual std::int32_t DefaultFormatId() = 0;
};

// Hands out file objects that carry the adapter's settings.
class TExcelAdapter {
public:
    virtual ~TExcelAdapter() = default;

    // The folder OpenFileAndSearch looks in for relative names.
    std::string BasePathToOpen;

    // A new file object of the adapter's kind; the caller owns it.
    virtual std::unique_ptr<TExcelFile> GetWorkbook() = 0;
};

}  // namespace xls
