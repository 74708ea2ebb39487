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
    virtual void DeleteHPageBreak(std::int32_t) {}
    virtual void DeleteVPageBreak(std::int32_t) {}
    virtual void InsertHPageBreak(std::int32_t) {}
    virtual void InsertVPageBreak(std::int32_t) {}
    // The bytes SaveToStream writes; formula results are reset first when NeedsRecalc.
    virtual std::int64_t FixTotalSize(bool) { return TotalSize(); }
    virtual void RestoreObjectCoords() {}
    virtual void FixRows() {}

    // WINDOW2's selected flag; false without WINDOW2. Setting it sets or
    // clears "selected" and "shown in the window" together.
    bool Selected() const;
    void SetSelected(bool aValue);

    const TCodeNameRecord* CodeNameRecord() const { return FCodeName.get(); }
    TXlsString CodeName() const;
    void SetCodeName(std::u16string_view aName);

    const TDimensionsRec& OriginalDimensions() const { return FOriginalDimensions; }
    TWindow2Record* Window2() const { return FWindow2; }
    TGutsRecord* Guts() const { return FGuts; }

protected:
    // A new sheet of the same kind with copies of BOF and EOF and no code name.
    virtual std::unique_ptr<TSheet> DoCopyTo() const = 0;
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
    void ArrangeCopySheet(const TSheetInfo& SheetInfo) override;
    void DeleteHPageBreak(std::int32_t aRow) override { FHPageBreaks.DeleteBreak(aRow); }
    void DeleteVPageBreak(std::int32_t aCol) override { FVPageBreaks.DeleteBreak(aCol); }
    void InsertHPageBreak(std::int32_t aRow) override { FHPageBreaks.AddBreak(aRow); }
    void InsertVPageBreak(std::int32_t aCol) override { FVPageBreaks.AddBreak(aCol); }

    // Empties the sheet and gives it the template's records again.
    void ClearValues();

    TCells& Cells() { return FCells; }
    const TCells& Cells() const { return FCells; }
    const TNoteList& Notes() const { return FNotes; }
    const THLinkList& HLinks() const { return FHLinks; }
    const TColInfoList& Columns() const { return FColumns; }
    const TRangeList& Ranges() const { return FRanges; }
    const TDrawing& Drawing() const { return FDrawing; }
    const THPageBreakList& HPageBreaks() const { return FHPageBreaks; }
    const TVPageBreakList& VPageBreaks() const { return FVPageBreaks; }
    const TBaseRecordList& MiscRecords1() const { return FMiscRecords1; }
    const TBaseRecordList& MiscRecords2() const { return FMiscRecords2; }
    std::int32_t DefRowHeight() const { return FDefRowHeight; }
    std::int32_t DefColWidth() const { return FDefColWidth; }

protected:
    std::unique_ptr<TSheet> DoCopyTo() const override;

private:
    struct TLoadState;
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

    const TChartRecordList& ChartRecords() const { return FChartRecords; }
    // The CONTINUE record that came attached to the chart's EOF: drawing data
    // of the worksheet that embeds the chart. The chart never writes it.
    std::unique_ptr<TBaseRecord> TakeRemainingData() { return std::move(FRemainingData); }

protected:
    std::unique_ptr<TSheet> DoCopyTo() const override;

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

    const TBaseRecordList& SheetRecords() const { return FSheetRecords; }

protected:
    std::unique_ptr<TSheet> DoCopyTo() const override;

private:
    // Reads one record; aLastFormula is the formula cell read last.
    void LoadRecord(TOle2File& DataStream, TRecordHeader& RecordHeader, TFormulaRecord*& aLastFormula, TSST& SST);

    TBaseRecordList FSheetRecords;
};

}  // namespace xls
