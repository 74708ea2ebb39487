// The workbook globals: the first section of the Workbook stream. It is read
// into the shared strings, the format lists, the sheet list, the references,
// the names and the drawing group; every other record is kept as read. It is
// written back in a fixed order:
//
//   BOF, TEMPLATE (for a template), the kept records (the FONT, FORMAT and XF
//   lists where their first record was read), BOUNDSHEETs, SUPBOOKs with
//   their EXTERNNAMEs, EXTERNSHEET, NAMEs, the drawing group, SST and
//   EXTSST, EOF.
#pragma once

#include "globals/USheetNameList.h"
#include "globals/UXlsFormula.h"
#include "globals/UXlsPalette.h"
#include "globals/UXlsReferences.h"
#include "globals/UXlsSST.h"
#include "globals/UXlsSections.h"
#include "globals/UXlsXF.h"

namespace xls {

// The BOUNDSHEET records in sheet order, and the index that keeps their names unique.
class TBoundSheetList {
public:
    void Clear();
    std::size_t Count() const { return FBoundSheets.Count(); }
    TBoundSheetRecordList& BoundSheets() { return FBoundSheets; }
    const TBoundSheetRecordList& BoundSheets() const { return FBoundSheets; }
    const TSheetNameList& SheetNames() const { return FSheetNames; }

    // Registers the name ("Sheet name already exists: %s" for a repeated
    // one), then appends the record.
    void Add(std::unique_ptr<TBoundSheetRecord> aRecord);
    // A new BOUNDSHEET at BeforeSheet named SheetName, made unique.
    void InsertSheet(std::size_t BeforeSheet, std::uint16_t OptionFlags, std::u16string_view SheetName);
    void DeleteSheet(std::size_t SheetIndex);
    // Renames sheet aIndex (the name is not made valid here); a name of
    // another sheet or one too long for the record fails and changes nothing.
    void SetSheetName(std::size_t aIndex, std::u16string_view aName);

    void SaveToStream(TOle2File& DataStream);
    // Only the BOUNDSHEET of SheetIndex.
    void SaveRangeToStream(TOle2File& DataStream, std::int32_t SheetIndex);
    std::int64_t TotalSize() const { return FBoundSheets.TotalSize(); }
    std::int64_t TotalRangeSize(std::int32_t SheetIndex) const;

    // Fails with "Sheet number "%d" invalid. Must be between %d and %d".
    std::size_t CheckSheet(std::int64_t SheetIndex) const;

private:
    TSheetNameList FSheetNames;
    TBoundSheetRecordList FBoundSheets;
};

// The workbook's drawing group (the picture store and the shape id
// bookkeeping every sheet drawing refers to), as the globals hold it: the
// drawing layer implements it.
class TBaseDrawingGroup {
public:
    virtual ~TBaseDrawingGroup() = default;
    // First is an MSODRAWINGGROUP record; the group reads the records that
    // continue it.
    virtual void LoadFromStream(TOle2File& DataStream, TRecordHeader& RecordHeader,
                                std::unique_ptr<TBaseRecord> First) = 0;
    virtual void SaveToStream(TOle2File& DataStream) = 0;
    virtual std::int64_t TotalSize() const = 0;
    virtual void Clear() = 0;
};

// The globals are the sheet context of the defined names' formulas: sheets,
// EXTERNSHEET entries and names; names hold no array or table formulas.
class TWorkbookGlobals final : public TBaseSection, public TFormulaContext {
public:
    explicit TWorkbookGlobals(std::unique_ptr<TBaseDrawingGroup> aDrawingGroup);
    ~TWorkbookGlobals() override;

    // Empties every list and clears the flags.
    void Clear() override;
    // The globals load into their own shared string table; SST is ignored
    // (sheet sections load into the table they are given).
    void LoadFromStream(TOle2File& DataStream, TRecordHeader& RecordHeader, std::unique_ptr<TBOFRecord> First,
                        TSST& SST) override;
    void SaveToStream(TOle2File& DataStream) override;
    // The globals of a file that holds only sheet SheetIndex: one BOUNDSHEET,
    // no drawing group.
    void SaveRangeToStream(TOle2File& DataStream, std::int32_t SheetIndex, const TXlsCellRange& CellRange) override;
    std::int64_t TotalSize() const override;
    std::int64_t TotalRangeSize(std::int32_t SheetIndex, const TXlsCellRange& CellRange) override;

    // Replaced by Clear (and so by every load).
    TSST& SST() { return *FSST; }
    TReferences& References() { return FReferences; }
    const TReferences& References() const { return FReferences; }
    TNameRecordList& Names() { return FNames; }
    const TNameRecordList& Names() const { return FNames; }
    TBaseDrawingGroup& DrawingGroup() { return *FDrawingGroup; }
    TXFRecordList& XF() { return FXF; }
    TFontRecordList& Fonts() { return FFonts; }
    TFormatRecordList& Formats() { return FFormats; }
    const TBoundSheetList& BoundSheets() const { return FBoundSheets; }
    // The kept records in file order, with the format list placeholders.
    const TBaseRecordList& MiscRecords() const { return FMiscRecords; }

    // Cell formats for the facade.
    // The format of XF aXF; an index outside the XF list reads XF 0.
    TTbrFormat GetFormat(std::int64_t aXF);
    // The position of the first XF equal to aFormat's, appended when there is none.
    std::size_t AddFormat(const TTbrFormat& aFormat);
    // The XF font index of the font, appended when there is none.
    std::uint16_t AddFont(const TTbrFont& aFont);

    // Workbook settings.
    std::size_t SheetCount() const { return FBoundSheets.Count(); }
    // WINDOW1's active sheet; 0 without WINDOW1.
    std::int32_t ActiveSheet() const;
    // Also makes the first tab visible and the active sheet the only one
    // selected; nothing without WINDOW1. Fails for a sheet that is not there.
    void SetActiveSheet(std::int32_t aSheet);
    // WINDOW1's first visible tab; nothing without WINDOW1.
    void SetFirstSheetVisible(std::int32_t aSheet);
    bool Is1904() const;
    void SetIs1904(bool aValue);
    bool PrecisionAsDisplayed() const;
    void SetPrecisionAsDisplayed(bool aValue);
    bool SaveExternalLinkValues() const;
    void SetSaveExternalLinkValues(bool aValue);
    bool HasMacro() const { return FHasMacro; }
    const TXlsString& CodeName() const { return FCodeName; }
    bool IsXltTemplate() const { return FIsXltTemplate; }
    void SetIsXltTemplate(bool aValue) { FIsXltTemplate = aValue; }

    // Palette position 0 to 55 (or the PALETTE record's count - 1). Writing
    // to a workbook without PALETTE first adds the default palette record.
    std::uint32_t ColorPalette(std::int64_t aIndex) const;
    void SetColorPalette(std::int64_t aIndex, std::uint32_t aColor);

    // Sheets; indexes outside the sheet list fail with the sheet number message.
    TXlsString SheetName(std::int32_t aSheet) const;
    // The name is made valid first; another sheet's name fails.
    void SetSheetName(std::int32_t aSheet, std::u16string_view aValue);
    TXlsSheetVisible SheetVisible(std::int32_t aSheet) const;
    void SetSheetVisible(std::int32_t aSheet, TXlsSheetVisible aValue);
    std::uint16_t SheetOptionFlags(std::int32_t aSheet) const;
    // The stream offset of the sheet's BOF (32-bit).
    void SheetSetOffset(std::int32_t aSheet, std::int64_t aOffset);

    // SheetCount new BOUNDSHEETs from BeforeSheet on, named from Name made
    // unique ("Sheet1", "Sheet2", ...); references and sheet-local names
    // that point behind them move along. New sheets that copy sheet
    // CopyFrom (-1: none) get copies of its names. All or nothing.
    void InsertSheets(std::int32_t CopyFrom, std::int32_t BeforeSheet, std::uint16_t OptionFlags,
                      std::u16string_view Name, std::int32_t SheetCount);
    // Deletes SheetCount sheets from SheetIndex on (up to the last sheet),
    // the names local to them, and points references to them at no sheet.
    // Fails with "Can't delete a sheet on a file containing macros" for a
    // workbook with a macro project. Returns the removed names, which the
    // sheets' formulas must follow.
    TDeletedNames DeleteSheets(std::int32_t SheetIndex, std::int32_t SheetCount);
    // The names DeleteSheets would remove.
    TDeletedNames NamesOfSheets(std::int32_t SheetIndex, std::int32_t SheetCount) const;
    // The names at these positions (ascending), as deleting them would remove them.
    TDeletedNames NamesAt(std::vector<std::size_t> aPositions) const { return {std::move(aPositions), LocalRefTest()}; }
    void DeleteNames(const TDeletedNames& Deleted) { FNames.DeleteNames(Deleted); }

    // The defined names follow rows and columns inserted (copied) or
    // deleted in sheet SheetInfo.InsSheet.
    void InsertAndCopyRowsAndCols(std::int32_t DestRow, std::int32_t aRowCount, std::int32_t DestCol,
                                  std::int32_t aColCount, const TSheetInfo& SheetInfo);
    void DeleteRowsAndCols(std::int32_t aRow, std::int32_t aRowCount, std::int32_t aCol, std::int32_t aColCount,
                           const TSheetInfo& SheetInfo);
    // The context of a structural operation: the sheets and the mapping of
    // EXTERNSHEET entries (new entries are added as needed).
    TSheetInfo SheetInfo(std::int32_t InsSheet, std::int32_t FormulaSheet);

    // Defined names.
    // Adds the name, or replaces the one of the same sheet whose text equals
    // it ignoring case. An invalid new name fails with "Invalid named range:
    // "%s""; a formula the encoder refuses fails with its message. Either
    // way nothing changes.
    void AddName(const TXlsNamedRange& Range, TFormulaContext& CellList);
    // The last name of that sheet (-1: global) whose text equals aName
    // ignoring case; none when there is none.
    TNameRecord* GetName(std::int32_t sheet, std::u16string_view aName) const;
    // Whether aName may be a defined name; a one-character name of code 0 to
    // 13 is a built-in one and gets bit 0x0020 in OptionFlags.
    static bool IsValidRangeName(std::u16string_view aName, std::int32_t& OptionFlags);
    // A built-in name (bit 0x0020) drops the last COUNTRY record.
    void CheckInternalNames(std::int32_t OptionFlags);
    void DeleteCountry();

    // The context of the names' formulas.
    TXlsString GetName(std::int32_t ExternSheet, std::int32_t NameIndex) override;
    TXlsString GetSheetName(std::int32_t SheetNumber) override;
    bool FindSheet(std::u16string_view aName, std::int32_t& Index) override;
    std::int32_t AddExternSheet(std::int32_t FirstSheet, std::int32_t LastSheet) override;
    // Fail with "Error reading formula, Token Id: 0x%2x is not supported".
    TByteView ArrayFormula(std::int64_t Row, std::int64_t Col) override;
    TByteView TableFormula(std::int64_t Row, std::int64_t Col) override;

private:
    void LoadRecord(TOle2File& DataStream, TRecordHeader& RecordHeader, std::unique_ptr<TBaseRecord> aRecord);
    void KeepRecord(std::unique_ptr<TBaseRecord> aRecord);
    // Keeps the record as the class the factory made for it; that record.
    template <class T>
    T* KeepAs(std::unique_ptr<TBaseRecord> aRecord);
    void AddPlaceholder(TBaseRecordList& aList);
    bool HasPlaceholder(const TBaseRecordList& aList) const;
    void EnsurePlaceholders();
    std::int64_t SubListsSize() const;
    void SaveBody(TOle2File& DataStream, std::int32_t OnlySheet);
    void ClearRecordFields();
    // Whether an EXTERNSHEET entry names this workbook.
    std::function<bool(std::int32_t)> LocalRefTest() const;

    std::unique_ptr<TSST> FSST = std::make_unique<TSST>();  // replaced by Clear
    TReferences FReferences;
    TBoundSheetList FBoundSheets;
    TBaseRecordList FMiscRecords;
    TNameRecordList FNames;
    std::unique_ptr<TBaseDrawingGroup> FDrawingGroup;
    // Records held in FMiscRecords, or null.
    TWindow1Record* FWindow1 = nullptr;
    T1904Record* F1904 = nullptr;
    TBookBoolRecord* FBookBool = nullptr;
    TPrecisionRecord* FPrecision = nullptr;
    TXFRecordList FXF;
    TFontRecordList FFonts;
    TFormatRecordList FFormats;
    TPaletteRecord* FPaletteCache = nullptr;
    // Where a new PALETTE goes in FMiscRecords: behind the formatting records
    // it follows in a BIFF8 globals section; -1 for the end.
    std::int32_t FPaletteIndex = -1;
    bool FHasMacro = false;
    bool FIsXltTemplate = false;
    TXlsString FCodeName;
};

}  // namespace xls
