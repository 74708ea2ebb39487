// The in-memory workbook: the globals section and the list of sheet sections
// of a Workbook stream. Loading splits the stream into sections; saving makes
// the sections consistent with each other (code names, row records, shared
// strings, every sheet's stream offset, the first visible tab) before the
// globals and then the sheets write themselves. The operations that touch
// several sections at once (rows, columns and sheets inserted, copied or
// deleted) live here too.
#pragma once

#include "globals/UXlsWorkbookGlobals.h"
#include "worksheet/UXlsSheet.h"

namespace xls {

// Selects the stream that holds the workbook's records, "Workbook" or else
// "Book" (the name BIFF5 gave it), letters in any case, and returns its name
// as the file has it; a file without either fails with "The file "%s" is
// invalid". Whether the records are BIFF8 is for them to tell.
std::u16string SelectWorkbookStream(TOle2File& aOle);

// The sheets of a workbook; sheet i belongs to BOUNDSHEET i of the globals.
class TSheetList : public TBaseList<TSheet> {
public:
    TSheet* Items(std::size_t aIndex) const { return GetItem(aIndex); }

    // Every sheet, in list order.
    void SaveToStream(TOle2File& DataStream);
    // Sheet SheetNo changes; every other sheet's references follow it.
    void InsertAndCopyRowsAndCols(std::int32_t SheetNo, std::int32_t FirstRow, std::int32_t LastRow,
                                  std::int32_t DestRow, std::int32_t aRowCount, std::int32_t FirstCol,
                                  std::int32_t LastCol, std::int32_t DestCol, std::int32_t aColCount,
                                  TSheetInfo SheetInfo, bool OnlyFormulas);
    void DeleteRowsAndCols(std::int32_t SheetNo, std::int32_t aRow, std::int32_t aRowCount, std::int32_t aCol,
                           std::int32_t aColCount, TSheetInfo SheetInfo);
    // Frees SheetCount sheets from SheetIndex on (up to the end of the list).
    void DeleteSheets(std::int32_t SheetIndex, std::int32_t SheetCount);

protected:
    void CheckItem(const TSheet* aItem) const override;
};

class TWorkbook {
public:
    TWorkbook();
    ~TWorkbook();
    TWorkbook(const TWorkbook&) = delete;
    TWorkbook& operator=(const TWorkbook&) = delete;

    TWorkbookGlobals& Globals() { return *FGlobals; }
    const TWorkbookGlobals& Globals() const { return *FGlobals; }
    TSheetList& Sheets() { return FSheets; }
    const TSheetList& Sheets() const { return FSheets; }

    // DataStream has its Workbook stream selected, at position 0. Loading
    // replaces what the workbook held; after a failure it is empty.
    void LoadFromStream(TOle2File& DataStream);
    // DataStream is prepared for writing. NeedsRecalc resets the cached
    // results of formulas so that the reading application computes them.
    void SaveToStream(TOle2File& DataStream, bool NeedsRecalc);
    // The globals and one sheet, its cells restricted to CellRange.
    void SaveRangeToStream(TOle2File& DataStream, std::int32_t SheetIndex, const TXlsCellRange& CellRange,
                           bool NeedsRecalc);

    bool IsWorksheet(std::int32_t Index) const;
    // Fails with the sheet number message for a sheet that is not there or
    // not a worksheet.
    TWorkSheet& GetWorkSheets(std::int32_t Index);

    // The sheet the file shows when opened. Writing it selects that sheet only.
    std::int32_t ActiveSheet() const { return FGlobals->ActiveSheet(); }
    void SetActiveSheet(std::int32_t Value);
    bool IsXltTemplate() const { return FGlobals->IsXltTemplate(); }
    void SetIsXltTemplate(bool Value) { FGlobals->SetIsXltTemplate(Value); }

    // Inserts aRowCount copies of rows FirstRow to LastRow at DestRow and
    // aColCount copies of columns FirstCol to LastCol at DestCol in sheet
    // SheetNo; references in all sheets follow.
    void InsertAndCopyRowsAndCols(std::int32_t SheetNo, std::int32_t FirstRow, std::int32_t LastRow,
                                  std::int32_t DestRow, std::int32_t aRowCount, std::int32_t FirstCol,
                                  std::int32_t LastCol, std::int32_t DestCol, std::int32_t aColCount,
                                  bool OnlyFormulas);
    void DeleteRowsAndCols(std::int32_t SheetNo, std::int32_t aRow, std::int32_t aRowCount, std::int32_t aCol,
                           std::int32_t aColCount);
    // SheetCount new sheets before InsertBefore: copies of sheet CopyFrom, or
    // empty worksheets for CopyFrom -1.
    void InsertSheets(std::int32_t CopyFrom, std::int32_t InsertBefore, std::int32_t SheetCount);
    // Refused when no visible sheet would be left; when the sheet the file
    // shows goes, the nearest visible one takes its place.
    void DeleteSheets(std::int32_t SheetPos, std::int32_t SheetCount);
    // Removes the defined names at these positions (from 0, ascending);
    // formulas that name names behind them follow, one that named a removed
    // name gets #REF!. A formula that cannot follow fails before anything changes.
    void DeleteNames(std::vector<std::size_t> aPositions);
    void InsertHPageBreak(std::int32_t SheetNo, std::int32_t aRow);
    void InsertVPageBreak(std::int32_t SheetNo, std::int32_t aCol);
    void RestoreObjectCoords(std::int32_t dSheet);

    // Whether a sheet before aFirst or from aEnd on is visible.
    bool HasVisibleSheetOutside(std::int64_t aFirst, std::int64_t aEnd) const;
    // The first visible sheet from aSheet on, else the last visible one before it.
    std::int32_t VisibleSheetNear(std::int32_t aSheet) const;

private:
    void Clear();
    void LoadSections(TOle2File& DataStream);
    std::unique_ptr<TSheet> CreateSheet(std::uint16_t aBOFType);
    // Gives every sheet without a code name a unique one (macro workbooks only).
    void FixCodeNames();
    // Save steps shared by both save forms: code names, rows, shared strings.
    void PrepareSave();
    // The first visible sheet; fails when a selected sheet or every sheet is hidden.
    std::int32_t FirstVisibleSheet() const;
    void CheckSheetCount() const;
    // Runs aLoad, the load of section aSheet (0: the globals, else the sheet's
    // number from 1); its errors name the section.
    template <class F>
    void InSection(std::size_t aSheet, F&& aLoad);
    TSheet& CheckedSheet(std::int64_t SheetNo) const;
    // Walks every name and the formulas of every sheet outside the deleted
    // sheets SkipFirst to SkipFirst + SkipCount - 1, failing when one cannot
    // follow the names' deletion.
    void CheckNamesCanGo(TDeletedNames aNames, std::int32_t SkipFirst, std::int32_t SkipCount);

    std::unique_ptr<TWorkbookGlobals> FGlobals;
    TSheetList FSheets;
};

}  // namespace xls
