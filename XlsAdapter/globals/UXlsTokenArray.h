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
#include <functional>
#include <vector>

#include "records/UXlsBaseRecords.h"

namespace xls {

// Token ids. Operand tokens (0x20 to 0x7F) carry their class in bits 5 and
// 6: 0x2n reference, 0x4n value, 0x6n array; the constants are the
// reference-class ids.
constexpr std::uint8_t ptgExp = 0x01;
constexpr std::uint8_t ptgTbl = 0x02;
constexpr std::uint8_t ptgAdd = 0x03;
constexpr std::uint8_t ptgSub = 0x04;
constexpr std::uint8_t ptgMul = 0x05;
constexpr std::uint8_t ptgDiv = 0x06;
constexpr std::uint8_t ptgPower = 0x07;
constexpr std::uint8_t ptgConcat = 0x08;
constexpr std::uint8_t ptgLT = 0x09;
constexpr std::uint8_t ptgLE = 0x0A;
constexpr std::uint8_t ptgEQ = 0x0B;
constexpr std::uint8_t ptgGE = 0x0C;
constexpr std::uint8_t ptgGT = 0x0D;
constexpr std::uint8_t ptgNE = 0x0E;
constexpr std::uint8_t ptgIsect = 0x0F;
constexpr std::uint8_t ptgUnion = 0x10;
constexpr std::uint8_t ptgRange = 0x11;
constexpr std::uint8_t ptgUplus = 0x12;
constexpr std::uint8_t ptgUminus = 0x13;
constexpr std::uint8_t ptgPercent = 0x14;
constexpr std::uint8_t ptgParen = 0x15;
constexpr std::uint8_t ptgMissArg = 0x16;
constexpr std::uint8_t ptgStr = 0x17;
constexpr std::uint8_t ptgAttr = 0x19;
constexpr std::uint8_t ptgSheet = 0x1A;
constexpr std::uint8_t ptgEndSheet = 0x1B;
constexpr std::uint8_t ptgErr = 0x1C;
constexpr std::uint8_t ptgBool = 0x1D;
constexpr std::uint8_t ptgInt = 0x1E;
constexpr std::uint8_t ptgNum = 0x1F;
constexpr std::uint8_t ptgArray = 0x20;
constexpr std::uint8_t ptgFunc = 0x21;
constexpr std::uint8_t ptgFuncVar = 0x22;
constexpr std::uint8_t ptgName = 0x23;
constexpr std::uint8_t ptgRef = 0x24;
constexpr std::uint8_t ptgArea = 0x25;
constexpr std::uint8_t ptgMemArea = 0x26;
constexpr std::uint8_t ptgMemErr = 0x27;
constexpr std::uint8_t ptgMemNoMem = 0x28;
constexpr std::uint8_t ptgMemFunc = 0x29;
constexpr std::uint8_t ptgRefErr = 0x2A;
constexpr std::uint8_t ptgAreaErr = 0x2B;
constexpr std::uint8_t ptgRefN = 0x2C;
constexpr std::uint8_t ptgAreaN = 0x2D;
constexpr std::uint8_t ptgMemAreaN = 0x2E;
constexpr std::uint8_t ptgMemNoMemN = 0x2F;
constexpr std::uint8_t ptgNameX = 0x39;
constexpr std::uint8_t ptgRef3d = 0x3A;
constexpr std::uint8_t ptgArea3d = 0x3B;
constexpr std::uint8_t ptgRefErr3d = 0x3C;
constexpr std::uint8_t ptgAreaErr3d = 0x3D;

// The class bits of an operand token id.
constexpr std::uint8_t ptgClassMask = 0x60;
constexpr std::uint8_t ptgClassRef = 0x20;
constexpr std::uint8_t ptgClassValue = 0x40;
constexpr std::uint8_t ptgClassArray = 0x60;

// The reference-class id of an operand token (0x4n and 0x6n fold to 0x2n);
// other ids as they are.
constexpr std::uint8_t BaseTokenId(std::uint8_t aId)
{
    return aId < 0x20 ? aId : static_cast<std::uint8_t>(0x20 | (aId & 0x1F));
}

// ptgAttr option bits.
constexpr std::uint8_t attrChoose = 0x04;
constexpr std::uint8_t attrSum = 0x10;
constexpr std::uint8_t attrSpace = 0x40;

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

// Names that left the workbook's name list: their positions (from 0,
// ascending) and whether an EXTERNSHEET entry names this workbook.
struct TDeletedNames {
    std::vector<std::size_t> Positions;
    std::function<bool(std::int32_t)> IsLocalRef;
    // Only walk the tokens, so that a formula that cannot be walked fails
    // before anything changes.
    bool CheckOnly = false;
};

// Name tokens of this workbook (ptgName, and ptgNameX through a local entry)
// follow the renumbered names; one that named a deleted name becomes #REF!
// (ptgRefErr or ptgRefErr3d, which have the same size).
void ArrangeTokensDeleteNames(TByteSpan Data, std::size_t aPos, std::size_t aEnd, const TDeletedNames& Deleted);

// Turns the relative tokens of a shared formula into the tokens of the cell at
// (Row, Col): RefN and AreaN become Ref and Area, and relative rows and
// columns get the cell's row and column added (wrapping around the sheet).
void ArrangeTokensSharedFormula(TByteSpan Data, std::size_t aPos, std::size_t aEnd, std::int32_t Row, std::int32_t Col);

}  // namespace xls
