// The token walker: rewrites a parsed formula (a BIFF8 token array, rgce) in
// place when rows, columns or sheets move and when a shared formula is
// expanded into one of its cells.
//
// A token array is given as (bytes, first position, end position). Every
// token is checked against the end position before it is read: an array that
// runs past its end fails with "Error reading formula: the token array runs
// past the end of its record". A token the walker cannot handle fails with
// ETokenException carrying its id; callers turn that into their own message.
#pragma once

#include <cstdint>

#include "records/UXlsBaseRecords.h"

namespace xls {

// Token ids the walker and its callers name.
constexpr std::uint8_t ptgExp = 0x01;
constexpr std::uint8_t ptgTbl = 0x02;
constexpr std::uint8_t ptgStr = 0x17;
constexpr std::uint8_t ptgAttr = 0x19;
constexpr std::uint8_t ptgSheet = 0x1A;
constexpr std::uint8_t ptgInt = 0x1E;
constexpr std::uint8_t ptgRef = 0x24;  // reference class; value class 0x44, array class 0x64
constexpr std::uint8_t ptgArea = 0x25;
constexpr std::uint8_t ptgRefErr = 0x2A;
constexpr std::uint8_t ptgAreaErr = 0x2B;
constexpr std::uint8_t ptgRefN = 0x2C;
constexpr std::uint8_t ptgAreaN = 0x2D;
constexpr std::uint8_t ptgName = 0x23;
constexpr std::uint8_t ptgNameX = 0x39;
constexpr std::uint8_t ptgRef3d = 0x3A;
constexpr std::uint8_t ptgArea3d = 0x3B;
constexpr std::uint8_t ptgRefErr3d = 0x3C;
constexpr std::uint8_t ptgAreaErr3d = 0x3D;

// In a reference's column field: the column is the low byte, bit 14 marks a
// relative column and bit 15 a relative row.
constexpr std::uint16_t ColRelativeBit = 0x4000;
constexpr std::uint16_t RowRelativeBit = 0x8000;

// How references move. Counts insert (above 0) or delete (below 0) rows and
// columns at the positions, on the sheet SheetInfo.InsSheet; the copy offsets
// move every reference of a copied formula, whatever its sheet.
struct TTokenMove {
    bool OnlyRelative = true;  // copy offsets leave absolute parts alone
    std::int32_t RowOffset = 0;
    std::int32_t ColOffset = 0;
    std::int32_t aRowPos = 0;
    std::int32_t aRowCount = 0;
    std::int32_t aColPos = 0;
    std::int32_t aColCount = 0;
};

// Moves the rows (or columns) aFirst to aLast of an area for aCount rows
// inserted (above 0) or deleted (below 0) at aPos. aWhole is the last row
// (column) that means "to the end of the sheet": it never moves. An area
// that starts before deleted rows loses the rows it has among them. Returns
// false, leaving both unchanged, when the area lies wholly in the deleted
// rows. Results are not range-checked.
bool ArrangeSpan(std::int64_t& aFirst, std::int64_t& aLast, std::int32_t aPos, std::int32_t aCount,
                 std::int64_t aWhole);

// Shifts references for inserted or deleted rows and columns and for copied
// cells. References moved off the sheet or into deleted rows or columns turn
// into their error forms (#REF!); ptgExp and ptgTbl cannot, and fail.
void ArrangeTokensInsertRowsAndCols(TByteSpan Data, std::size_t aPos, std::size_t aEnd, const TTokenMove& Move,
                                    const TSheetInfo& SheetInfo);

// Retargets references when sheet SheetInfo.FormulaSheet is copied to
// SheetInfo.InsSheet: 3-D references to the source sheet get the copy's
// EXTERNSHEET index (when SetSheet is given), names of the source sheet or
// global names get the copy's local name of the same text (when there is one).
void ArrangeTokensCopySheet(TByteSpan Data, std::size_t aPos, std::size_t aEnd, const TSheetInfo& SheetInfo);

// Turns the relative tokens of a shared formula into the tokens of the cell at
// (Row, Col): RefN and AreaN become Ref and Area, and relative rows and
// columns get the cell's row and column added (wrapping around the sheet).
void ArrangeTokensSharedFormula(TByteSpan Data, std::size_t aPos, std::size_t aEnd, std::int32_t Row, std::int32_t Col);

}  // namespace xls
