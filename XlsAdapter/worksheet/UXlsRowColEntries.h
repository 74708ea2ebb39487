// The cell store of a worksheet: ROW records kept by row number and the cell
// records kept row by row in column order. It is the one way cell values and
// formats are read and changed, and it writes the sheet's DIMENSIONS, ROW and
// cell records in blocks of 32 rows (without DBCELL and INDEX records).
#pragma once

#include "globals/UXlsFormula.h"
#include "globals/UXlsWorkbookGlobals.h"
#include "records/UXlsBaseRecordLists.h"
#include "worksheet/UXlsCellRecords.h"
#include "worksheet/UXlsColInfo.h"

namespace xls {

// The longest text a cell holds (the limit of the spreadsheet application;
// the string format itself could count up to 65,535).
constexpr std::size_t MaxCellTextLength = 32767;
// Rows are not measured against fonts: a recalculated row gets the standard height.
constexpr std::uint16_t StandardRowHeight = 255;
constexpr std::size_t RowBlockSize = 32;

// An owning list whose slot i holds the list of the records of row i (its
// "list class" is what CreateRowList makes). Slots are never empty.
class TBaseRowColList : public TBaseList<TBaseRowColRecordList> {
public:
    // Appends aRecord to the list of row aRow, creating empty row lists up to it.
    void AddRecord(std::unique_ptr<TBaseRowColRecord> aRecord, std::size_t aRow);
    // Appends a deep copy of every row list of aList.
    void CopyFrom(const TBaseRowColList& aList);

    void SaveToStream(TOle2File& DataStream);
    void SaveRangeToStream(TOle2File& DataStream, const TXlsCellRange& CellRange);
    std::int64_t TotalSize() const;
    std::int64_t TotalRangeSize(const TXlsCellRange& CellRange, bool NeedsRecalc);

    // Every record moves (when SheetInfo says these are the sheet's own rows)
    // and adjusts its references. The slots stay: the structural operations
    // below move them.
    virtual void ArrangeInsertRowsAndCols(std::int32_t InsRowPos, std::int32_t InsRowCount, std::int32_t InsColPos,
                                          std::int32_t InsColCount, const TSheetInfo& SheetInfo);
    // Removes the rows aRow to aRow + aCount - 1; the rows below move up.
    void DeleteRows(std::int32_t aRow, std::int32_t aCount, const TSheetInfo& SheetInfo);
    // Removes the records of the columns aCol to aCol + aCount - 1; the columns
    // right of them move left.
    void DeleteCols(std::int32_t aCol, std::int32_t aCount, const TSheetInfo& SheetInfo);
    // Moves the rows from DestRow on down by (LastRow - FirstRow + 1) * aCount
    // and fills the gap with aCount copies of the rows FirstRow to LastRow
    // (source rows at or after DestRow are read at their moved places).
    void InsertAndCopyRows(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t DestRow, std::int32_t aCount,
                           const TSheetInfo& SheetInfo, bool OnlyFormulas);
    // The same for columns, in every row.
    virtual void InsertAndCopyCols(std::int32_t FirstCol, std::int32_t LastCol, std::int32_t DestCol,
                                   std::int32_t aCount, const TSheetInfo& SheetInfo, bool OnlyFormulas);

protected:
    virtual std::unique_ptr<TBaseRowColRecordList> CreateRowList() const = 0;
    // Whether the copy operations copy aRecord.
    virtual bool IsCopied(const TBaseRowColRecord& aRecord, bool OnlyFormulas) const;
    // The copy of aRecord placed by the offsets.
    virtual std::unique_ptr<TBaseRowColRecord> CopyForOffset(const TBaseRowColRecord& aRecord, std::int32_t RowOffset,
                                                             std::int32_t ColOffset) const;
    void CheckItem(const TBaseRowColRecordList* aItem) const override;
    // Row lists up to and including aRow.
    void EnsureRow(std::size_t aRow);
};

// The cells of a sheet, and the sheet context of their formulas.
class TCellList : public TBaseRowColList, public TFormulaContext {
public:
    // New text cells go into the globals' shared strings; formulas take
    // sheets, references and names from the globals.
    TCellList(TWorkbookGlobals& aGlobals, TRowRecordList& aRowRecordList, TColInfoList& aColInfoList);

    // The cells of row aRow; null when the list is shorter.
    TCellRecordList* CellRow(std::size_t aRow) const;

    // Writes a value: a text cell, a number (RK or NUMBER), a boolean, a blank
    // that keeps a format, or nothing. Value.XF >= 0 sets the format, -1 keeps
    // the cell's or takes the default (the row's, the column's, else 15).
    void SetValueX2(std::int64_t Row, std::int64_t Col, const TXlsCellValue& Value, const TRTFRunList& RTFRuns,
                    bool Options1904);
    // Reads a value: empty with XF -1 where there is no cell.
    void GetValueX2(std::int64_t Row, std::int64_t Col, TXlsCellValue& V, TRTFRunList& RTFRuns);
    TXlsCellValue GetValue(std::int64_t Row, std::int64_t Col);
    void SetFormat(std::int64_t Row, std::int64_t Col, std::int32_t XF);

    // The formula text of a formula cell ("=SUM(A1:A3)"); empty for any
    // other cell and where there is none.
    TXlsString GetFormula(std::int64_t Row, std::int64_t Col);
    // Writes the formula as a formula cell with the cached result Value (the
    // format chosen as for a value); an empty formula removes the cell. A
    // formula the encoder refuses fails with its message, changing nothing.
    void AssignFormulaX(std::int64_t Row, std::int64_t Col, std::u16string_view Formula, const TXlsVariant& Value,
                        bool Options1904);
    void SetFormula(std::int64_t Row, std::int64_t Col, std::u16string_view Value)
    {
        AssignFormulaX(Row, Col, Value, TVarEmpty{}, false);
    }

    // The sheet context of the formula encoder and decoder.
    TXlsString GetName(std::int32_t ExternSheet, std::int32_t NameIndex) override;
    TXlsString GetSheetName(std::int32_t SheetNumber) override;
    bool FindSheet(std::u16string_view aName, std::int32_t& Index) override;
    std::int32_t AddExternSheet(std::int32_t FirstSheet, std::int32_t LastSheet) override;
    // The data of the ARRAY or TABLE record of the formula cell there.
    TByteView ArrayFormula(std::int64_t Row, std::int64_t Col) override;
    TByteView TableFormula(std::int64_t Row, std::int64_t Col) override;

    // After load: every formula cell that points at a shared formula gets the
    // shared formula's tokens as its own.
    void FixFormulas(TShrFmlaRecordList& ShrFmlas);
    // After a sheet copy: formulas of the copied sheet point at the copy.
    void ArrangeInsertSheet(const TSheetInfo& SheetInfo);
    // Name tokens of the formulas follow names that were deleted.
    void ArrangeDeletedNames(const TDeletedNames& Deleted);
    // The bytes all cells take when written (formula results reset first when NeedsRecalc).
    std::int64_t FixTotalSize(bool NeedsRecalc);

    // Rows Row1 to Row2 that have a ROW record and an automatic height (every
    // such row when Forced) get the standard height times Adjustment (when it
    // is not 1 and not negative), at most 32767; unless KeepAutofit, the
    // height is then marked as set by hand.
    void RecalcRowHeights(std::int64_t Row1, std::int64_t Row2, bool Forced, bool KeepAutofit, double Adjustment);

    // Sets MinCol and MaxCol of row aRow's ROW record (if any) from its cells:
    // first column and last column + 1, 0 and 0 without cells.
    void FixRowColumns(std::size_t aRow);

    // Column formats follow inserted columns of the sheet; deleted columns
    // leave them where they are.
    void ArrangeInsertRowsAndCols(std::int32_t InsRowPos, std::int32_t InsRowCount, std::int32_t InsColPos,
                                  std::int32_t InsColCount, const TSheetInfo& SheetInfo) override;
    // Also copies the column formats (unless OnlyFormulas).
    void InsertAndCopyCols(std::int32_t FirstCol, std::int32_t LastCol, std::int32_t DestCol, std::int32_t aCount,
                           const TSheetInfo& SheetInfo, bool OnlyFormulas) override;

protected:
    std::unique_ptr<TBaseRowColRecordList> CreateRowList() const override;
    bool IsCopied(const TBaseRowColRecord& aRecord, bool OnlyFormulas) const override;

private:
    std::uint16_t DefaultFormat(std::size_t aRow, std::uint16_t aCol) const;
    std::unique_ptr<TCellRecord> NewCellRecord(std::uint16_t aRow, std::uint16_t aCol, std::uint16_t aFormat,
                                               std::uint16_t aDefaultFormat, const TXlsVariant& aValue,
                                               const TRTFRunList& RTFRuns, bool Options1904) const;
    // A row whose cell was removed: its columns, or its ROW record when it is
    // left empty and unmodified.
    void FixRowAfterRemoval(std::size_t aRow);
    // Drops empty, unmodified rows from the end (not aRow and below when aPlaced).
    void TrimTrailingRows(std::size_t aRow, bool aPlaced);
    TFormulaRecord& FormulaAt(std::int64_t Row, std::int64_t Col);
    template <class F>
    void ForEachFormula(F aVisit);

    // Where a write lands: the row's cells, the cell there (if any), the
    // cell's format (the existing one, else the default; XF >= 0 sets it).
    struct TCellSlot {
        std::uint16_t Row = 0;
        std::uint16_t Col = 0;
        std::uint16_t DefaultFormat = 0;
        std::uint16_t Format = 0;
        TCellRecordList* Cells = nullptr;
        std::size_t Index = 0;
        bool Exists = false;
    };
    TCellSlot LocateCell(std::int64_t Row, std::int64_t Col, std::int32_t XF);
    // Replaces the cell by aCell (none: removes it) and fixes the row.
    void PlaceCell(const TCellSlot& aSlot, std::unique_ptr<TCellRecord> aCell);

    TWorkbookGlobals* FGlobals;      // not owned
    TRowRecordList* FRowRecordList;  // not owned: the same list as TCells' rows
    TColInfoList* FColInfoList;      // not owned
};

// The rows and cells of one worksheet.
class TCells {
public:
    TCells(TWorkbookGlobals& aGlobals, TColInfoList& aColInfoList);
    TCells(const TCells&) = delete;
    TCells& operator=(const TCells&) = delete;

    TRowRecordList& RowList() { return FRowList; }
    const TRowRecordList& RowList() const { return FRowList; }
    TCellList& CellList() { return FCellList; }
    const TCellList& CellList() const { return FCellList; }

    void Clear();
    // A deep copy of aList's rows and cells (text cells share the SST).
    void CopyFrom(const TCells& aList);

    // Loading, in record order.
    void AddRow(std::unique_ptr<TRowRecord> aRecord);
    void AddCell(std::unique_ptr<TCellRecord> aRecord);
    // Splits a MULRK or MULBLANK into its cells.
    void AddMultipleCells(TMultipleValueRecord& aRecord);
    // After the last cell: of two cells read for one place, the later one
    // stays, as other readers show such a file; the copy then holds the
    // cell they showed.
    void KeepLastCellOfEachPlace();
    // After the last record: every row with cells has a ROW record whose
    // columns cover them.
    void FixRows();

    // The used range: the first row with a ROW record to the end of the row
    // list, columns 0 to the largest MaxCol - 1.
    TXlsCellRange CalcDimensions() const;

    void SaveToStream(TOle2File& DataStream);
    void SaveRangeToStream(TOle2File& DataStream, const TXlsCellRange& CellRange);
    std::int64_t TotalSize() { return FixTotalSize(false); }
    std::int64_t TotalRangeSize(const TXlsCellRange& CellRange, bool NeedsRecalc);
    std::int64_t FixTotalSize(bool NeedsRecalc);

    // Structural operations on this sheet's own rows and columns.
    void InsertAndCopyRows(std::int32_t FirstRow, std::int32_t LastRow, std::int32_t DestRow, std::int32_t aCount,
                           const TSheetInfo& SheetInfo, bool OnlyFormulas);
    void InsertAndCopyCols(std::int32_t FirstCol, std::int32_t LastCol, std::int32_t DestCol, std::int32_t aCount,
                           const TSheetInfo& SheetInfo, bool OnlyFormulas);
    void DeleteRows(std::int32_t aRow, std::int32_t aCount, const TSheetInfo& SheetInfo);
    void DeleteCols(std::int32_t aCol, std::int32_t aCount, const TSheetInfo& SheetInfo);
    // Another sheet's rows or columns changed: formulas follow them.
    void ArrangeInsertRowsAndCols(std::int32_t InsRowPos, std::int32_t InsRowCount, std::int32_t InsColPos,
                                  std::int32_t InsColCount, const TSheetInfo& SheetInfo);
    void ArrangeInsertSheet(const TSheetInfo& SheetInfo) { FCellList.ArrangeInsertSheet(SheetInfo); }

private:
    // Writes when aStream is given; returns the bytes written (or that would be).
    std::int64_t SaveOrMeasure(TOle2File* aStream, const TXlsCellRange& CellRange, bool NeedsRecalc);
    // Rows with cells in [aFirst, aLast] get a ROW record and columns that cover their cells.
    void FixRowsBetween(std::size_t aFirst, std::size_t aLast);
    // The last row that holds a ROW record or a cell, -1 for none.
    std::int64_t LastUsedRow() const;

    TRowRecordList FRowList;
    TCellList FCellList;
};

}  // namespace xls
