// Formula records: FORMULA cells with the ARRAY, TABLE and STRING records that
// belong to them, shared formulas (SHRFMLA) and defined names (NAME).
//
// The engine does not evaluate formulas: a formula cell keeps the cached
// result as read or as the caller gives it. Formulas read from a file are
// marked for recalculation by the reading application (option bit 0x0002).
#pragma once

#include <functional>
#include <vector>

#include "base/UXlsValueTypes.h"
#include "globals/UXlsFormulaParser.h"
#include "globals/UXlsTokenArray.h"
#include "records/UXlsBaseRecordLists.h"

namespace xls {

// ARRAY: the array formula of the FORMULA cell before it (its master
// cell). Data: first and last row (16-bit) at 0 and 2, first and last column
// (bytes) at 4 and 5, options at 6, 4 reserved bytes, the formula's size
// (cce) at 12 and its tokens from 14.
class TArrayRecord final : public TRecordClass<TArrayRecord> {
public:
    using TRecordClass::TRecordClass;
    bool IsFormulaKind() const override { return true; }

    // The range follows rows and columns of its own sheet, the formula's
    // references follow the rows and columns they point at.
    void ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                  std::int32_t aColCount, const TSheetInfo& SheetInfo);
    // A copied array formula: range and relative references move by the offsets.
    void ArrangeCopyRowsAndCols(std::int32_t RowOffset, std::int32_t ColOffset);
    void ArrangeCopySheet(const TSheetInfo& SheetInfo);
    void ArrangeDeletedNames(const TDeletedNames& Deleted);

private:
    std::size_t TokensEnd() const;
};

// TABLE: the data table of the FORMULA cell before it. Data: first
// and last row (16-bit) at 0 and 2, first and last column (bytes) at 4 and 5,
// options at 6, then row and column words of the first input cell (8, 10)
// and of the second (12, 14); row 0xFFFF or column 0xFF means no input cell.
class TTableRecord final : public TRecordClass<TTableRecord> {
public:
    // Refuses fewer than 16 data bytes; sets bits 0 and 1 of the options.
    TTableRecord(std::uint16_t aId, TByteView aData);
    bool IsFormulaKind() const override { return true; }

    std::uint16_t FirstRow() const { return GetWord(Data(), 0); }
    std::uint16_t LastRow() const { return GetWord(Data(), 2); }
    std::uint8_t FirstCol() const { return GetByte(Data(), 4); }
    std::uint8_t LastCol() const { return GetByte(Data(), 5); }

    // Row fields at or after aRowPos and column fields at or after aColPos
    // move by the counts. The range fails with "Too many entries for this
    // kind of record" when it leaves the sheet; an input cell that leaves it
    // becomes "no input cell".
    void ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                  std::int32_t aColCount);
    // Every field that names a row or column moves by the offsets.
    void ArrangeCopyRowsAndCols(std::int32_t DeltaRow, std::int32_t DeltaCol);

private:
    void MoveRange(std::size_t aOfs, std::int32_t aPos, std::int32_t aCount, bool aIsRow);
    void MoveInputCell(std::size_t aRowOfs, std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                       std::int32_t aColCount);
};

// SHRFMLA: first row, last row (16-bit), first column, last column
// (bytes), a reserved byte and the use count, then the shared formula (cce
// at 8, tokens from 10, relative references as RefN and AreaN). Key
// identifies the formula cell read before it: (column shl 16) or row.
class TShrFmlaRecord final : public TRecordClass<TShrFmlaRecord> {
public:
    using TRecordClass::TRecordClass;
    std::uint32_t Key = 0;
    bool IsFormulaKind() const override { return true; }

    std::uint16_t FirstRow() const { return GetWord(Data(), 0); }
    std::uint16_t LastRow() const { return GetWord(Data(), 2); }
    std::uint8_t FirstCol() const { return GetByte(Data(), 4); }
    std::uint8_t LastCol() const { return GetByte(Data(), 5); }
};

constexpr std::uint32_t SharedFormulaKey(std::uint16_t aRow, std::uint16_t aCol)
{
    return (std::uint32_t(aCol) << 16) | aRow;
}

// FORMULA. Data: the cell header (row, column, XF), the cached result
// at 6 (8 bytes), option bits at 14, 4 bytes at 16 (0 in new records), the
// token array's size (cce) at 20 and the tokens from 22, followed by any data
// of array constants. The cached result is a double unless bytes 12 to 13
// are 0xFFFF; then byte 6 gives its kind: 0 text (in a STRING record after
// the formula), 1 boolean (byte 8), 2 error (code in byte 8), 3 empty text.
class TFormulaRecord final : public TRecordClass<TFormulaRecord, TCellRecord> {
public:
    static constexpr std::size_t TokensOfs = 22;
    static constexpr std::uint16_t OptRecalcOnLoad = 0x0002;
    // A STRING record holds this many data bytes; the rest of the text goes
    // into CONTINUE records of at most StringContinueSize bytes of text each,
    // every one after a copy of the string's option byte.
    static constexpr std::size_t StringRecordSize = 8219;
    static constexpr std::size_t StringContinueSize = 8218;

    // From the file: refuses fewer than 22 data bytes; reads the cached result
    // and sets option bit 0x0002.
    TFormulaRecord(std::uint16_t aId, TByteView aData);
    TFormulaRecord(const TFormulaRecord& other);

    // A new formula cell of aDataSize zero bytes (22 at least) with the header
    // and the cached result aValue; the caller puts cce and the tokens at 20.
    // Option bits stay 0.
    static std::unique_ptr<TFormulaRecord> CreateFromData(std::uint16_t aDataSize, std::uint16_t aRow,
                                                          std::uint16_t aCol, std::uint16_t aXF,
                                                          const TXlsVariant& aValue, bool Options1904);

    // The cached result: empty, a double, a boolean or a text; error results
    // read as their texts ("#DIV/0!").
    TXlsVariant GetValue() const override { return FormulaValue; }
    // Stores a new cached result in the value and in the record's bytes: a
    // number (a date reduced by 1462 in the 1904 date system), a text (then
    // written in a STRING record), a boolean; any other kind leaves no result.
    void SetFormulaValue(const TXlsVariant& aValue, bool Options1904 = false);
    // The result becomes an error with code 0 and the 4 bytes at 16 zero, so
    // the reading application computes it again.
    void ResetCachedResult();

    std::uint16_t OptionFlags() const { return GetWord(Data(), 14); }
    std::uint16_t TokensSize() const { return GetWord(Data(), 20); }

    // True when the formula is only a ptgExp pointing at a shared formula or
    // an array or table; Key identifies its master cell.
    bool IsExp(std::uint32_t& Key) const;
    // Takes the shared formula's cce, tokens and extra data (SHRFMLA data from
    // offset 8 on) and turns them into this cell's own tokens.
    void MixShared(TByteView PData);

    const TArrayRecord* ArrayRecord() const { return FArrayRecord.get(); }
    const TTableRecord* TableRecord() const { return FTableRecord.get(); }
    // Setting a follower frees the one held before.
    void SetArrayRecord(std::unique_ptr<TArrayRecord> aRecord) { FArrayRecord = std::move(aRecord); }
    void SetTableRecord(std::unique_ptr<TTableRecord> aRecord) { FTableRecord = std::move(aRecord); }
    // A TABLE or ARRAY read right behind the formula belongs to it.
    void AttachFollower(std::unique_ptr<TBaseRecord> aFollower) override;
    bool IsFormulaKind() const override { return true; }

    // The cell moves with its sheet's rows and columns, then its references
    // and those of its array formula, then its data table.
    void ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                  std::int32_t aColCount, const TSheetInfo& SheetInfo) override;
    // A copied cell: relative references, the array formula and the data table
    // move by the offsets, then the cell; the cached result is reset.
    void ArrangeCopyRowsAndCols(std::int32_t RowOffset, std::int32_t ColOffset) override;
    // After a sheet copy: references and names of the copied sheet point at the copy.
    void ArrangeCopySheet(const TSheetInfo& SheetInfo);
    // Name tokens follow names that were deleted.
    void ArrangeDeletedNames(const TDeletedNames& Deleted);

    // The FORMULA record, its ARRAY, its TABLE, then the STRING record of a
    // text result.
    void SaveToStream(TOle2File& Workbook) override;
    std::int64_t TotalSize() const override;
    std::int64_t TotalSizeNoHeaders() const override;
    // Resets the cached result first when NeedsRecalc is set.
    std::int64_t FixTotalSize(bool NeedsRecalc) override;

private:
    bool HasStringResult() const;
    // The bytes of the STRING record and its CONTINUE records.
    std::int64_t StringResultSize(bool WithHeaders) const;
    std::size_t TokensEnd() const;
    // Runs aWalk, turning a token failure into this cell's message.
    template <class F>
    void WithCellContext(F aWalk);

    TXlsVariant FormulaValue;
    std::unique_ptr<TTableRecord> FTableRecord;
    std::unique_ptr<TArrayRecord> FArrayRecord;
};

// The record as a formula cell, none for any other record. The virtual test
// comes first because a failing dynamic_cast compares type names up the
// class tree, and a load asks this of every cell of a sheet.
inline TFormulaRecord* AsFormula(TBaseRecord* aRecord)
{
    return aRecord && aRecord->IsFormulaKind() ? dynamic_cast<TFormulaRecord*>(aRecord) : nullptr;
}
inline const TFormulaRecord* AsFormula(const TBaseRecord* aRecord)
{
    return aRecord && aRecord->IsFormulaKind() ? dynamic_cast<const TFormulaRecord*>(aRecord) : nullptr;
}

// NAME (0x0018): a defined name. Data: option flags at 0 (0x0001 hidden,
// 0x0020 built-in), the keyboard shortcut at 2, the name's length in
// characters at 3, the formula's size (cce) at 4, the sheet + 1 of a local
// name at 6 (written, never read) and at 8 (0 for a global name), four text
// lengths at 10, the name's option byte at 14 (bit 0: 16-bit) and its
// characters from 15 (a built-in name is one character, its code 0 to 13),
// then the formula's tokens, whose references are 3-D.
class TNameRecord final : public TRecordClass<TNameRecord> {
public:
    static constexpr std::uint16_t OptHidden = 0x0001;
    static constexpr std::uint16_t OptBuiltIn = 0x0020;
    // The code of the built-in name over an auto filter's header row.
    static constexpr char16_t FilterDatabase = 0x0D;

    using TRecordClass::TRecordClass;

    // A new name from Range: its formula is parsed with every cell
    // reference made an absolute 3-D reference to the sheet DefaultSheet.
    // An empty formula gives a record without formula.
    static std::unique_ptr<TNameRecord> CreateFromData(const TXlsNamedRange& Range, std::u16string_view DefaultSheet,
                                                       TFormulaContext& CellList);

    std::uint16_t OptionFlags() const { return GetWord(Data(), 0); }
    bool IsHidden() const { return (OptionFlags() & OptHidden) != 0; }
    bool IsBuiltIn() const { return (OptionFlags() & OptBuiltIn) != 0; }
    TXlsString Name() const;
    // The sheet of a local name, -1 for a global one.
    std::int32_t RangeSheet() const { return std::int32_t(GetWord(Data(), 8)) - 1; }
    void SetRangeSheet(std::int32_t aSheet) { SetWord(Data(), 8, static_cast<std::uint16_t>(aSheet + 1)); }

    std::uint16_t FormulaSize() const { return GetWord(Data(), 4); }
    // Where the tokens start; the whole formula lies inside the record.
    std::size_t FormulaOfs() const;
    // "=" and the formula's text; "=" alone for a name without formula.
    TXlsString FormulaText(TFormulaContext& aContext) const;

    // Rows and columns of the area (or cell) the formula is, when its first
    // token is a 3-D area or cell; -1 otherwise.
    std::int32_t GetR1() const { return Bound(0); }
    std::int32_t GetR2() const { return Bound(1); }
    std::int32_t GetC1() const { return Bound(2); }
    std::int32_t GetC2() const { return Bound(3); }
    // A 3-D cell is first widened into an area of one cell; a column is
    // written as the whole column field (so it becomes absolute). Nothing
    // happens to a formula that is no 3-D area or cell.
    void SetR1(std::int32_t aValue) { SetBound(0, aValue); }
    void SetR2(std::int32_t aValue) { SetBound(1, aValue); }
    void SetC1(std::int32_t aValue) { SetBound(2, aValue); }
    void SetC2(std::int32_t aValue) { SetBound(3, aValue); }
    // The sheet of the first token's EXTERNSHEET entry, -1 when it is no 3-D reference.
    std::int32_t RefersToSheet(const std::function<std::int32_t(std::int32_t)>& GetSheet) const;

    // The formula's references follow inserted or deleted rows and columns.
    void ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                  std::int32_t aColCount, const TSheetInfo& SheetInfo);
    // A local name of a sheet at or behind FirstSheet moves with its sheet;
    // beyond sheet word 65001 fails with "Too many entries ...".
    void ArrangeInsertSheets(std::int32_t FirstSheet, std::int32_t SheetCount);
    // A copied name: references to the copied sheet point at the copy.
    void ArrangeCopySheet(const TSheetInfo& SheetInfo);
    void ArrangeDeletedNames(const TDeletedNames& Deleted);

private:
    // 0 first row, 1 last row, 2 first column, 3 last column.
    std::int32_t Bound(int aWhich) const;
    void SetBound(int aWhich, std::int32_t aValue);
    std::size_t FormulaEnd() const { return FormulaOfs() + FormulaSize(); }
    // Runs aWalk, turning a token failure into this name's message.
    template <class F>
    void WithNameContext(F aWalk);
};

// NAME records of the workbook. A name's size may change in place, so the
// list's size is summed from its names.
class TNameRecordList : public TBaseRecordList {
public:
    TNameRecord* Items(std::size_t aIndex) const { return static_cast<TNameRecord*>(GetItem(aIndex)); }
    std::int64_t GetTotalSize() const override;

    void ArrangeInsertRowsAndCols(std::int32_t aRowPos, std::int32_t aRowCount, std::int32_t aColPos,
                                  std::int32_t aColCount, const TSheetInfo& SheetInfo);
    // Sheets BeforeSheet to BeforeSheet + SheetCount - 1 were inserted, as
    // copies of sheet CopyFrom when it is 0 or more: every name local to
    // CopyFrom, and every global name whose first reference is to
    // SheetInfo.FormulaSheet (the source's place now), is copied as a local
    // name of each new sheet, retargeted to it. Then local names move with
    // their sheets. All or nothing.
    void InsertSheets(std::int32_t CopyFrom, std::int32_t BeforeSheet, std::int32_t SheetCount,
                      const TSheetInfo& SheetInfo);
    // The names local to sheets SheetIndex to SheetIndex + SheetCount - 1.
    TDeletedNames NamesOfSheets(std::int32_t SheetIndex, std::int32_t SheetCount,
                                std::function<bool(std::int32_t)> IsLocalRef) const;
    // The name tokens of every name that stays follow Deleted.
    void ArrangeDeletedNames(const TDeletedNames& Deleted);
    // Removes the names at Deleted.Positions; name tokens in the names left follow.
    void DeleteNames(const TDeletedNames& Deleted);
    // Removes the names local to the deleted sheets; the names of sheets
    // behind them move along, and name tokens in the names left follow.
    // Returns the removed names.
    TDeletedNames DeleteSheets(std::int32_t SheetIndex, std::int32_t SheetCount,
                               std::function<bool(std::int32_t)> IsLocalRef);

protected:
    void CheckItem(const TBaseRecord* aItem) const override;

private:
    // Fails, changing nothing, when a local name would pass its limit.
    void CheckSheetShift(std::int32_t FirstSheet, std::int32_t SheetCount) const;
};

// SHRFMLA records found by their Key.
class TShrFmlaRecordList : public TBaseRecordList {
public:
    TShrFmlaRecord* Items(std::size_t aIndex) const { return static_cast<TShrFmlaRecord*>(GetItem(aIndex)); }

    std::size_t Add(std::unique_ptr<TBaseRecord> aItem) override;
    bool Sorted() const { return FSorted; }
    void Sort();
    bool Find(std::uint32_t aKey, std::size_t& aIndex);

protected:
    void CheckItem(const TBaseRecord* aItem) const override;

private:
    bool FSorted = true;
};

}  // namespace xls
