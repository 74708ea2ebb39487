// The formula decoder: turns a BIFF8 token array (rgce) back into formula
// text starting with "=". A stack machine: operands push their text,
// operators and functions pop theirs and push the combined text.
// Parentheses come only from ptgParen tokens, blanks and line breaks only
// from space attributes.
#pragma once

#include <cstdint>
#include <string_view>

#include "base/UXlsBytes.h"
#include "base/UXlsVariant.h"

namespace xls {

// The sheet context of formula text: names, sheets, EXTERNSHEET entries and
// the array and table formulas of master cells. The cell store of a sheet
// gives it to cell formulas, the globals to defined names.
class TFormulaContext {
public:
    virtual ~TFormulaContext() = default;

    // The text of defined name NameIndex (from 0) of this workbook when
    // ExternSheet < 0, else of the book that EXTERNSHEET entry names.
    virtual TXlsString GetName(std::int32_t ExternSheet, std::int32_t NameIndex) = 0;
    // The sheet part of a 3-D reference through EXTERNSHEET entry
    // SheetNumber, such as "'Data'!"; empty for none.
    virtual TXlsString GetSheetName(std::int32_t SheetNumber) = 0;
    // The sheet of that name, compared without case; false with -1 for none.
    virtual bool FindSheet(std::u16string_view aName, std::int32_t& Index) = 0;
    // The EXTERNSHEET entry for sheets First to Last of this workbook,
    // added when there is none.
    virtual std::int32_t AddExternSheet(std::int32_t FirstSheet, std::int32_t LastSheet) = 0;
    // The data of the ARRAY or TABLE record of the formula cell at (Row, Col).
    virtual TByteView ArrayFormula(std::int64_t Row, std::int64_t Col) = 0;
    virtual TByteView TableFormula(std::int64_t Row, std::int64_t Col) = 0;
};

// The formula text of the token array at aPos of Data; its 16-bit size lies
// just before aPos, array constants follow its end. Unknown tokens fail with
// "Error reading formula, Token Id: 0x%2x is not supported", operators
// without their operands with "String Stack is empty", a token array that
// runs past Data with "Error reading formula: the token array runs past the
// end of its record".
TXlsString DecodeFormula(TByteView Data, std::size_t aPos, TFormulaContext& CellList);
// The letters of column aCol (from 0): 0 is "A", 26 is "AA".
TXlsString ColumnLetters(std::uint32_t aCol);
// The same for the aSize bytes of tokens at aPos (a NAME keeps its size apart).
TXlsString DecodeFormula(TByteView Data, std::size_t aPos, std::size_t aSize, TFormulaContext& CellList);

// A number as formula text: the shortest digits that read back to the same
// double, positional for exponents from -5 to 14, else as in 1.5E+20.
void AppendFormulaNumber(TXlsString& aText, double aValue);

}  // namespace xls
