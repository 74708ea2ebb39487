// The sheet sections of the Workbook stream: each substream from a sheet's BOF
// to its EOF becomes a TWorkSheet (worksheets), a TTbrChart (chart sheets and
// charts embedded in a drawing) or a TTbrUnsupportedSheet (macro sheets,
// dialog sheets and every other kind).
//
// A worksheet parses its cells, rows, columns, ranges, page breaks,
// hyperlinks, notes and drawing into member lists, and keeps every other
// record as read, in file order, in one of two lists: the records before
// WINDOW2 and the records from WINDOW2 on. It writes itself back in this
// order:
//
//   BOF, the records before WINDOW2, HORIZONTALPAGEBREAKS,
//   VERTICALPAGEBREAKS, COLINFO, DIMENSIONS with the rows and cells, the
//   drawing, NOTE, the records from WINDOW2 on, MERGECELLS and CONDFMT/CF
//   (in load order), HLINK, CODENAME, EOF.
//
// DBCELL, INDEX, SHRFMLA and STRING records are not written back; DIMENSIONS
// is computed anew. Settings records stay in their lists and are reached
// through cached pointers.
#pragma once

#include "drawing/UXlsChart.h"
#include "drawing/UXlsEscher.h"
#include "globals/UXlsSections.h"
#include "worksheet/UXlsColInfo.h"
#include "worksheet/UXlsCondFmt.h"
#include "worksheet/UXlsHyperLink.h"
#include "worksheet/UXlsNotes.h"
#include "worksheet/UXlsPageBreaks.h"
#include "worksheet/UXlsRangeRecords.h"
#include "worksheet/UXlsRowColEntries.h"

namespace xls {

class TWorkbookGlobals;

// What sheet sections have in common: the cached settings records, the code
// name and the structural operations the workbook calls on every sheet.
class TSheet : public TBaseSection {
public:
    explicit TSheet(TWorkbookGlobals* aWorkbookGlobals) : FWorkbookGlobals(aWorkbookGlobals) {}

    // Also forgets the cached records and the code name.
    void Clear() override;
    // Sheets have only one range form: the whole sheet, with a worksheet's
    // cells restricted to the range.
    void SaveRangeToStream(TOle2File& DataStream, std::int32_t SheetIndex, const TXlsCellRange& CellRange) override;
    std::int64_t TotalRangeSize(std::int32_t SheetIndex, const TXlsCellRange& CellRange) override;

    // Points the cached field of aRecord's kind at it; other kinds change nothing.
    void CacheRecord(TBaseRecord* aRecord);
    // Caches again from the sheet's own lists (after a copy).
    virtual void FixCachePointers() {}

    // A deep copy (without code name); none for none.
    std::unique_ptr<TSheet> CopyTo() const { return DoCopyTo(); }

    // Rows and columns change: a sheet without cells (a chart, a kept sheet
    // of another kind) keeps its place, so these do nothing here.
    virtual void InsertAndCopyRowsAndCols(std::int32_t /*FirstRow*/, std::int32_t /*LastRow*/,
                                          std::int32_t /*DestRow*/, std::int32_t /*aRowCount*/,
                                          std::int32_t /*FirstCol*/, std::int32_t /*LastCol*/,
                                          std::int32_t /*DestCol*/, std::int32_t /*aColCount*/,
                                          const TSheetInfo& /*SheetInfo*/, bool /*OnlyFormulas*/)
    {
    }
    virtual void DeleteRowsAndCols(std::int32_t /*aRow*/, std::int32_t /*aRowCount*/, std::int32_t /*aCol*/,
                                   std::int32_t /*aColCount*/, const TSheetInfo& /*SheetInfo*/)
    {
    }
    // Rows or columns of another sheet changed: references follow them.
    virtual void ArrangeInsertRowsAndCols(std::int32_t /*InsRowPos*/, std::int32_t /*InsRowCount*/,
                                          std::int32_t /*InsColPos*/, std::int32_t /*InsColCount*/,
                                          const TSheetInfo& /*SheetInfo*/)
    {
    }
    // This sheet is a new copy: references to its source point at it.
    virtual void ArrangeCopySheet(const TSheetInfo&) {}
    // Names of the workbook were deleted: formulas that use names follow.
    virtual void ArrangeDeletedNames(const TDeletedNames&) {}
    virtual void DeleteHPageBreak(std::int32_t) {}
    virtual void DeleteVPageBreak(std::int32_t) {}
    virtual void InsertHPageBreak(std::int32_t) {}
    virtual void InsertVPageBreak(std::int32_t) {}
    // The bytes SaveToStream writes; formula results are reset first when NeedsRecalc.
    virtual std::int64_t FixTotalSize(bool) { return TotalSize(); }
    // Places the shapes that do not size with the cells again at the
    // rectangles they had when their coordinates were last saved.
    virtual void RestoreObjectCoords() {}
    virtual void FixRows() {}
    // Whether the sheet keeps drawing records the engine does not read
    // (they may name pictures of the store by position).
    virtual bool HoldsKeptDrawings() const = 0;

    // WINDOW2's selected flag; false without WINDOW2. Setting it sets or
    // clears "selected" and "shown in the window" together.
    bool Selected() const;
    void SetSelected(bool aValue);

    const TCodeNameRecord* CodeNameRecord() const { return FCodeName.get(); }
    TXlsString CodeName() const;
    void SetCodeName(std::u16string_view aName);

    // View and page settings. A missing record answers the default named
    // here and ignores writes, unless a write says that it creates one.
    bool ShowGridLines() const;  // true
    void SetShowGridLines(bool aValue);
    bool ShowGridHeaders() const;  // true
    void SetShowGridHeaders(bool aValue);
    bool PrintGridLines() const;  // true
    void SetPrintGridLines(bool aValue);
    TXlsString PageHeader() const;  // empty
    void SetPageHeader(std::u16string_view aText);
    TXlsString PageFooter() const;  // empty
    void SetPageFooter(std::u16string_view aText);
    // Left and right 0.748 inches (1.9 cm), top and bottom 0.984 (2.5 cm),
    // header and footer (from SETUP) 0. Writing creates the missing margin
    // records; header and footer margins go only into an existing SETUP.
    TXlsMargins Margins() const;
    void SetMargins(const TXlsMargins& aValue);
    // Percent; 100. Writing keeps it within 10 to 400 and creates SCL.
    std::int32_t SheetZoom() const;
    void SetSheetZoom(std::int32_t aValue);
    bool IsR1C1() const;  // false
    void SetIsR1C1(bool aValue);
    // aRow rows and aCol columns stay in view; (0, 0) unfreezes.
    void FreezePanes(std::int32_t aRow, std::int32_t aCol);
    void GetFrozenPanes(std::int32_t& aRow, std::int32_t& aCol) const;
    // Splits the window at these offsets in twips; (0, 0) removes the split.
    void SplitWindow(std::int32_t xOffset, std::int32_t yOffset);
    void GetSplitWindow(std::int32_t& xOffset, std::int32_t& yOffset) const;

    const TDimensionsRec& OriginalDimensions() const { return FOriginalDimensions; }
    TWindow2Record* Window2() const { return FWindow2; }
    TGutsRecord* Guts() const { return FGuts; }
    const TSetupRecord* Setup() const { return FSetup; }
    const TWsBoolRecord* WSBool() const { return FWSBool; }
    const TPaneRecord* Pane() const { return FPane; }
    const TSCLRecord* Zoom() const { return FZoom; }
    const TPrintCenteredRecord* HCenter() const { return FHCenter; }
    const TPrintCenteredRecord* VCenter() const { return FVCenter; }
    const TPrintGridLinesRecord* PrintGridLinesRecord() const { return FPrintGridLines; }

protected:
    // Per sheet kind: a changed header or footer text (the record's list
    // learns its new size), a new SCL record, a PANE record made or removed.
    virtual void SetPageHeaderFooter(TPageHeaderFooterRecord& aRecord, std::u16string_view aText) = 0;
    virtual void AddZoomRecord() = 0;
    virtual void SetPaneRecord(bool /*aNeeded*/) {}
    // Sets the text of aRecord, which aList holds.
    static void SetRecordText(TBaseRecordList& aList, TPageHeaderFooterRecord& aRecord, std::u16string_view aText);

    // A new sheet of the same kind with copies of BOF and EOF and no code name.
    virtual std::unique_ptr<TSheet> DoCopyTo() const = 0;
    // The margin record's new place: behind the last margin, VCENTER or
    // DEFAULTROWHEIGHT record of FPrintRecords, else at its end.
    TMarginRecord& AddMarginRecord(std::uint16_t aId, double aValue);
    void CopyBaseTo(TSheet& aCopy) const;
    // Fails with "Error reading Excel records. File invalid" for a BOF inside the
    // sheet, and for a sheet that the stream ends in before its EOF.
    static void CheckNextRecord(const TRecordHeader& RecordHeader);
    // The handling every sheet kind shares; true when it took the record.
    bool LoadCommonRecord(std::unique_ptr<TBaseRecord>& aRecord, TSST& SST);

    TWorkbookGlobals* FWorkbookGlobals;  // not owned
    // Cached settings records: owned by the sheet's lists.
    TWindow2Record* FWindow2 = nullptr;
    TPageHeaderRecord* FPageHeader = nullptr;
    TPageFooterRecord* FPageFooter = nullptr;
    TPrintGridLinesRecord* FPrintGridLines = nullptr;
    TMarginRecord* FLeftMargin = nullptr;
    TMarginRecord* FRightMargin = nullptr;
    TMarginRecord* FTopMargin = nullptr;
    TMarginRecord* FBottomMargin = nullptr;
    TSetupRecord* FSetup = nullptr;
    TPlsRecord* FPrinterDriverSettings = nullptr;
    TWsBoolRecord* FWSBool = nullptr;
    TPrintCenteredRecord* FHCenter = nullptr;
    TPrintCenteredRecord* FVCenter = nullptr;
    TSCLRecord* FZoom = nullptr;
    TGutsRecord* FGuts = nullptr;
    TPaneRecord* FPane = nullptr;
    TAutoFilterInfoRecord* FAutoFilterInfo = nullptr;
    TRefModeRecord* FRefMode = nullptr;
    TBaseRecordList* FPrintRecords = nullptr;  // the list new margin records go to; not owned
    std::unique_ptr<TCodeNameRecord> FCodeName;
    TDimensionsRec FOriginalDimensions;

    void ClearCachePointers();
};

class TWorkSheet final : public TSheet {
public:
    static constexpr std::int32_t StandardRowHeight = 255;  // twips
    static constexpr std::int32_t StandardColWidth = 2930;  // 1/256 of a character
    static constexpr std::int32_t DefColWidthFactor = 293;  // DEFCOLWIDTH characters to 1/256

    // The sheet's text cells use aWorkbookGlobals' shared strings, so the
    // globals must outlive the sheet and not be loaded again meanwhile.
    explicit TWorkSheet(TWorkbookGlobals* aWorkbookGlobals);
    // A new empty worksheet: the sheet of the empty workbook template, read
    // with the workbook's shared strings.
    static std::unique_ptr<TWorkSheet> CreateFromData(TWorkbookGlobals* aWorkbookGlobals, TSST& SST);
    // The records of a new empty worksheet, BOF to EOF: those of the empty
    // workbook's sheet. INDEX's last field is left for the workbook's layout.
    static TRecordTable EmptySheetRecords();

    void Clear() override;
    void LoadFromStream(TOle2File& DataStream, TRecordHeader& RecordHeader, std::unique_ptr<TBOFRecord> First,
                        TSST& SST) override;
    void SaveToStream(TOle2File& DataStream) override;
    void SaveRangeToStream(TOle2File& DataStream, std::int32_t SheetIndex, const TXlsCellRange& CellRange) override;
    std::int64_t TotalSize() const override;
    std::int64_t TotalRangeSize(std::int32_t SheetIndex, const TXlsCellRange& CellRange) override;
    std::int64_t FixTotalSize(bool NeedsRecalc) override;
    void FixCachePointers() override;
    void FixRows() override { FCells.FixRows(); }

    void InsertAndCopyRowsAndCols(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t DestRow,
                                  std::int32_t aRowCount, std::int32_t FirstCol, std::int32_t LastCol,
                                  std::int32_t DestCol, std::int32_t aColCount, const TSheetInfo& SheetInfo,
                                  bool OnlyFormulas) override;
    void DeleteRowsAndCols(std::int32_t aRow, std::int32_t aRowCount, std::int32_t aCol, std::int32_t aColCount,
                           const TSheetInfo& SheetInfo) override;
    void ArrangeInsertRowsAndCols(std::int32_t InsRowPos, std::int32_t InsRowCount, std::int32_t InsColPos,
                                  std::int32_t InsColCount, const TSheetInfo& SheetInfo) override;
    void ArrangeDeletedNames(const TDeletedNames& Deleted) override;
    void ArrangeCopySheet(const TSheetInfo& SheetInfo) override;
    void DeleteHPageBreak(std::int32_t aRow) override { FHPageBreaks.DeleteBreak(aRow); }
    void DeleteVPageBreak(std::int32_t aCol) override { FVPageBreaks.DeleteBreak(aCol); }
    void InsertHPageBreak(std::int32_t aRow) override { FHPageBreaks.AddBreak(aRow); }
    void InsertVPageBreak(std::int32_t aCol) override { FVPageBreaks.AddBreak(aCol); }
    void RestoreObjectCoords() override;
    bool HoldsKeptDrawings() const override { return FDrawing.HoldsChartDrawings(); }

    // Empties the sheet and gives it the template's records again.
    void ClearValues();

    // Fails when inserting aRows rows at aDestRow and aCols columns at
    // aDestCol would push a comment, link, merged area or picture off the
    // sheet (the cells refuse that themselves), before anything moves.
    void CheckRoomToInsert(std::int64_t aDestRow, std::int64_t aRows, std::int64_t aDestCol, std::int64_t aCols) const;

    // Columns (0-based). A column without an entry has the default width,
    // XF 15 and no options; writes create its entry where said.
    std::int32_t GetColWidth(std::int32_t aCol);
    std::int32_t GetColWidth(std::int32_t aCol, bool HiddenIsZero);
    void SetColWidth(std::int32_t aCol, std::int32_t Value);
    bool GetColHidden(std::int32_t aCol);
    // Hiding creates the entry; showing a column without one does nothing.
    void SetColHidden(std::int32_t aCol, bool Value);
    std::int32_t GetColFormat(std::int32_t aCol);  // -1 without an entry
    // Also gives every cell of the column this XF.
    void SetColFormat(std::int32_t aCol, std::int32_t Value);
    std::int32_t GetColOutlineLevel(std::int32_t aCol);
    void SetColOutlineLevel(std::int32_t aCol, std::int32_t Value);

    // Rows (0-based), on their ROW records; writes create the row.
    std::int32_t GetRowHeight(std::int32_t aRow) const;
    std::int32_t GetRowHeight(std::int32_t aRow, bool HiddenIsZero) const;
    // Marks the height as set by hand.
    void SetRowHeight(std::int32_t aRow, std::int32_t Value);
    bool GetRowHidden(std::int32_t aRow) const;
    void SetRowHidden(std::int32_t aRow, bool Value);
    bool GetAutoRowHeight(std::int32_t aRow) const;
    void SetAutoRowHeight(std::int32_t aRow, bool Value);
    std::int32_t GetRowFormat(std::int32_t aRow) const;  // -1 for a row without format
    // Also gives every cell of the row this XF.
    void SetRowFormat(std::int32_t aRow, std::int32_t Value);
    std::int32_t GetRowOutlineLevel(std::int32_t aRow) const;
    void SetRowOutlineLevel(std::int32_t aRow, std::int32_t Value);

    // Merged cells (0-based). Merging grows the area over every merged area
    // it overlaps, which go; unmerging removes exactly equal areas only.
    TXlsCellRange CellMergedBounds(std::int32_t aRow, std::int32_t aCol) const;  // the cell itself when unmerged
    TXlsCellRange CellMergedList(std::size_t index) const;  // (0, 0, 0, 0) outside the list
    std::size_t CellMergedListCount() const;
    void MergeCells(std::int32_t aRow1, std::int32_t aCol1, std::int32_t aRow2, std::int32_t aCol2);
    void UnMergeCells(std::int32_t aRow1, std::int32_t aCol1, std::int32_t aRow2, std::int32_t aCol2);

    // Print settings; a missing record answers the default named here.
    bool PrintToFit() const;  // false
    void SetPrintToFit(bool aValue);
    bool PrintHCentered() const;  // false
    void SetPrintHCentered(bool aValue);
    bool PrintVCentered() const;  // false
    void SetPrintVCentered(bool aValue);
    // The printer fields read 100 (scale), 0 (paper), 100 (resolutions) and
    // 1 (copies) while SETUP says it has no printer data; writing one of
    // them says it has. Values outside 0 to 65535 are refused.
    std::int32_t PrintScale() const;  // 100
    void SetPrintScale(std::int32_t aValue);
    std::int32_t PrintNumberOfHorizontalPages() const;  // 1
    void SetPrintNumberOfHorizontalPages(std::int32_t aValue);
    std::int32_t PrintNumberOfVerticalPages() const;  // 1
    void SetPrintNumberOfVerticalPages(std::int32_t aValue);
    std::int32_t PrintOptions() const;  // 0; writing sets the low 8 bits
    void SetPrintOptions(std::int32_t aValue);
    std::int32_t PrintPaperSize() const;  // 1
    void SetPrintPaperSize(std::int32_t aValue);
    std::int32_t PrintCopies() const;  // 1
    void SetPrintCopies(std::int32_t aValue);
    std::int32_t PrintXResolution() const;  // 600
    void SetPrintXResolution(std::int32_t aValue);
    std::int32_t PrintYResolution() const;  // 600
    void SetPrintYResolution(std::int32_t aValue);
    // Environment 0 and no bytes without PLS. Writing replaces every PLS of
    // the sheet by one in front of SETUP; no bytes leave the sheet without.
    TPrinterDriverSettings PrinterDriverSettings() const;
    void SetPrinterDriverSettings(const TPrinterDriverSettings& aValue);
    bool OutlineSummaryRowsBelowDetail() const;  // true
    void SetOutlineSummaryRowsBelowDetail(bool aValue);
    bool OutlineSummaryColsRightOfDetail() const;  // true
    void SetOutlineSummaryColsRightOfDetail(bool aValue);
    bool OutlineAutomaticStyles() const;  // false
    void SetOutlineAutomaticStyles(bool aValue);

    // The auto filter (rows and columns from 0): AUTOFILTERINFO with one
    // drop-down button per column Col1 to Col2 on Row, the buttons in the
    // drawing, and the hidden built-in filter database name of sheet
    // SheetIndex over that part of the row. Earlier criteria (AUTOFILTER,
    // FILTERMODE) go: the new filter filters nothing. Col2 below Col1
    // removes the filter.
    void SetAutoFilter(std::int32_t SheetIndex, std::int32_t Row, std::int32_t Col1, std::int32_t Col2);
    // Removes the filter's records and buttons; the name is the workbook's
    // to remove, since formulas count names by position.
    void RemoveAutoFilter();
    bool HasAutoFilter() const { return FAutoFilterInfo != nullptr; }
    // The area of sheet SheetIndex's filter database name; all -1 without a filter.
    TXlsCellRange GetAutoFilterRange(std::int32_t SheetIndex) const;

    // The widths of the columns and heights of the rows as shapes are placed
    // on them (hidden ones 0).
    TSheetGeometry Geometry();

    TCells& Cells() { return FCells; }
    const TCells& Cells() const { return FCells; }
    TNoteList& Notes() { return FNotes; }
    const TNoteList& Notes() const { return FNotes; }
    THLinkList& HLinks() { return FHLinks; }
    const THLinkList& HLinks() const { return FHLinks; }
    TColInfoList& Columns() { return FColumns; }
    const TColInfoList& Columns() const { return FColumns; }
    const TRangeList& Ranges() const { return FRanges; }
    TDrawing& Drawing() { return FDrawing; }
    const TDrawing& Drawing() const { return FDrawing; }
    const THPageBreakList& HPageBreaks() const { return FHPageBreaks; }
    const TVPageBreakList& VPageBreaks() const { return FVPageBreaks; }
    const TBaseRecordList& MiscRecords1() const { return FMiscRecords1; }
    const TBaseRecordList& MiscRecords2() const { return FMiscRecords2; }
    std::int32_t DefRowHeight() const { return FDefRowHeight; }
    std::int32_t DefColWidth() const { return FDefColWidth; }

protected:
    std::unique_ptr<TSheet> DoCopyTo() const override;
    void SetPageHeaderFooter(TPageHeaderFooterRecord& aRecord, std::u16string_view aText) override;
    // An SCL (zoom 100) right behind WINDOW2 (and a PLV).
    void AddZoomRecord() override;
    // A PANE of zeros behind WINDOW2 (and PLV, SCL), or none.
    void SetPaneRecord(bool aNeeded) override;

private:
    struct TLoadState;
    // A GUTS record (created before DEFAULTROWHEIGHT when missing) that is
    // recomputed on save.
    void NeedGuts();
    // Drops AUTOFILTER, AUTOFILTERINFO and FILTERMODE.
    void RemoveFilterRecords();
    // Where a record goes that follows WINDOW2 and the records of these ids.
    std::size_t PositionBehindWindow2(std::initializer_list<std::uint16_t> aIds) const;
    TSetupRecord* SetupForPrinterField(std::int32_t aValue, const char* aProperty);
    void LoadRecord(TOle2File& DataStream, TRecordHeader& RecordHeader, std::unique_ptr<TBaseRecord> aRecord, TSST& SST,
                    TLoadState& aState);
    void ApplyDefaultSize(const TBaseRecord& aRecord, TLoadState& aState);
    // Fails with "Can't find Shared Formula" for a formula whose master is missing.
    void CheckFormulaMasters();
    // Writes (when aStream is given) the parts in save order; the bytes.
    std::int64_t SaveParts(TOle2File* aStream, const TXlsCellRange* aCellRange, bool NeedsRecalc);
    void RecalcGuts();

    TBaseRecordList FMiscRecords1;
    TBaseRecordList FMiscRecords2;
    THPageBreakList FHPageBreaks;
    TVPageBreakList FVPageBreaks;
    TDrawing FDrawing;
    TColInfoList FColumns;
    TCells FCells;
    TRangeList FRanges;
    TNoteList FNotes;
    THLinkList FHLinks;
    std::int32_t FDefRowHeight = StandardRowHeight;
    std::int32_t FDefColWidth = StandardColWidth;
};

// A chart: a chart sheet, or a chart embedded in a worksheet's drawing. Its
// records are kept in order; BEGIN and END nest, and only records outside
// any BEGIN/END pair count as the sheet's settings.
class TTbrChart final : public TSheet {
public:
    explicit TTbrChart(TWorkbookGlobals* aWorkbookGlobals) : TSheet(aWorkbookGlobals)
    {
        FPrintRecords = &FChartRecords;
    }

    void Clear() override;
    void LoadFromStream(TOle2File& DataStream, TRecordHeader& RecordHeader, std::unique_ptr<TBOFRecord> First,
                        TSST& SST) override;
    // BOF, the chart records, CODENAME, EOF.
    void SaveToStream(TOle2File& DataStream) override;
    std::int64_t TotalSize() const override;
    void FixCachePointers() override;
    bool HoldsKeptDrawings() const override;

    // The series' references follow rows and columns of the sheets they
    // point at, a copy by an offset and a copied sheet.
    void ArrangeInsertRowsAndCols(std::int32_t InsRowPos, std::int32_t InsRowCount, std::int32_t InsColPos,
                                  std::int32_t InsColCount, const TSheetInfo& SheetInfo) override;
    void ArrangeCopySheet(const TSheetInfo& SheetInfo) override;
    void ArrangeCopyRowsAndCols(std::int32_t RowOffset, std::int32_t ColOffset);

    const TChartRecordList& ChartRecords() const { return FChartRecords; }
    // The CONTINUE record that came attached to the chart's EOF: drawing data
    // of the worksheet that embeds the chart. The chart never writes it.
    std::unique_ptr<TBaseRecord> TakeRemainingData() { return std::move(FRemainingData); }

protected:
    std::unique_ptr<TSheet> DoCopyTo() const override;
    void SetPageHeaderFooter(TPageHeaderFooterRecord& aRecord, std::u16string_view aText) override;
    // An SCL (zoom 100) at the end of the chart's records.
    void AddZoomRecord() override;

private:
    // Reads one record; aDepth is the BEGIN/END nesting so far.
    void LoadRecord(TOle2File& DataStream, TRecordHeader& RecordHeader, bool aFirstRecord, std::size_t& aDepth,
                    TSST& SST);

    TChartRecordList FChartRecords;
    std::unique_ptr<TBaseRecord> FRemainingData;
};

// Any other kind of sheet: every record kept as read.
class TTbrUnsupportedSheet final : public TSheet {
public:
    explicit TTbrUnsupportedSheet(TWorkbookGlobals* aWorkbookGlobals) : TSheet(aWorkbookGlobals)
    {
        FPrintRecords = &FSheetRecords;
    }

    void Clear() override;
    void LoadFromStream(TOle2File& DataStream, TRecordHeader& RecordHeader, std::unique_ptr<TBOFRecord> First,
                        TSST& SST) override;
    // BOF, the kept records, CODENAME, EOF.
    void SaveToStream(TOle2File& DataStream) override;
    std::int64_t TotalSize() const override;
    void FixCachePointers() override;
    bool HoldsKeptDrawings() const override;

    const TBaseRecordList& SheetRecords() const { return FSheetRecords; }

protected:
    std::unique_ptr<TSheet> DoCopyTo() const override;
    void SetPageHeaderFooter(TPageHeaderFooterRecord& aRecord, std::u16string_view aText) override;
    // These sheets get no new records.
    void AddZoomRecord() override {}

private:
    // Reads one record; aLastFormula is the formula cell read last.
    void LoadRecord(TOle2File& DataStream, TRecordHeader& RecordHeader, TFormulaRecord*& aLastFormula, TSST& SST);

    TBaseRecordList FSheetRecords;
};

}  // namespace xls
