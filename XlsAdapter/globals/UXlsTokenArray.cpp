#include "globals/UXlsTokenArray.h"

#include <algorithm>

#include "globals/UXlsFormula.h"
#include "records/UXlsBaseRecordLists.h"

namespace xls {

namespace {

enum class TTokenKind {
    Unsupported,
    Plain,  // operators, constants, functions: nothing to move
    Exp,    // ptgExp, ptgTbl: the master cell of an array or table formula
    Name,   // ptgName
    NameX,  // ptgNameX
    Ref,    // ptgRef, ptgRefErr
    Area,   // ptgArea, ptgAreaErr
    RefN,   // relative forms of shared formulas
    AreaN,
    Ref3d,   // ptgRef3d, ptgRefErr3d
    Area3d,  // ptgArea3d, ptgAreaErr3d
};

struct TToken {
    TTokenKind Kind = TTokenKind::Unsupported;
    std::size_t Size = 0;  // bytes, id included
};

// The class bits 0x20, 0x40 and 0x60 of an operand token select reference,
// value or array class; the walker treats the three alike.
TToken OperandToken(std::uint8_t aId)
{
    switch (BaseTokenId(aId)) {
    case ptgArray: return {TTokenKind::Plain, 8};
    case ptgFunc: return {TTokenKind::Plain, 3};
    case ptgFuncVar: return {TTokenKind::Plain, 4};
    case ptgName: return {TTokenKind::Name, 5};
    case ptgRef:
    case ptgRefErr: return {TTokenKind::Ref, 5};
    case ptgArea:
    case ptgAreaErr: return {TTokenKind::Area, 9};
    case ptgMemFunc:  // its sub-expression follows as ordinary tokens
        return {TTokenKind::Plain, 3};
    case ptgRefN: return {TTokenKind::RefN, 5};
    case ptgAreaN: return {TTokenKind::AreaN, 9};
    case ptgNameX: return {TTokenKind::NameX, 7};
    case ptgRef3d:
    case ptgRefErr3d: return {TTokenKind::Ref3d, 7};
    case ptgArea3d:
    case ptgAreaErr3d: return {TTokenKind::Area3d, 11};
    default: return {};
    }
}

[[noreturn]] void RaiseTruncated()
{
    RaiseXls(TXlsMsg::TokenArrayTruncated);
}

// The token at aPos with its size; variable sizes are read from the token,
// every byte of it inside [aPos, aEnd).
TToken ReadToken(TByteView Data, std::size_t aPos, std::size_t aEnd)
{
    const std::uint8_t id = Data[aPos];
    TToken t;
    if (id == ptgExp || id == ptgTbl) {
        t = {TTokenKind::Exp, 5};
    } else if (id >= 0x03 && id <= 0x16) {
        t = {TTokenKind::Plain, 1};
    } else if (id == ptgStr) {
        // Character count and option byte, then 8-bit or 16-bit characters.
        if (aEnd - aPos < 3) RaiseTruncated();
        const std::size_t charSize = (Data[aPos + 2] & 1) ? 2 : 1;
        t = {TTokenKind::Plain, 3 + charSize * Data[aPos + 1]};
    } else if (id == ptgAttr) {
        if (aEnd - aPos < 4) RaiseTruncated();
        // The choose form carries a jump table of (count + 1) offsets.
        const bool choose = (Data[aPos + 1] & attrChoose) != 0;
        t = {TTokenKind::Plain, 4 + (choose ? 2 * (std::size_t(GetWord(Data, aPos + 2)) + 1) : 0)};
    } else if (id == ptgErr || id == ptgBool) {
        t = {TTokenKind::Plain, 2};
    } else if (id == ptgInt) {
        t = {TTokenKind::Plain, 3};
    } else if (id == ptgNum) {
        t = {TTokenKind::Plain, 9};
    } else if (id >= 0x20 && id < 0x80) {
        t = OperandToken(id);
    }
    if (t.Kind == TTokenKind::Unsupported) throw ETokenException(id);
    if (t.Size > aEnd - aPos) RaiseTruncated();
    return t;
}

// Calls aVisit(id position, token) for every token of [aPos, aEnd).
template <class F>
void WalkTokens(TByteSpan Data, std::size_t aPos, std::size_t aEnd, F aVisit)
{
    if (aPos > aEnd || aEnd > Data.size()) RaiseTruncated();
    // Every token is at least one byte long, so the walk ends.
    while (aPos < aEnd) {
        const TToken t = ReadToken(Data, aPos, aEnd);
        aVisit(aPos, t);
        aPos += t.Size;
    }
}

// -------------------------------------------------------------- relocation

// One end of a reference: row and column with their relative bits.
struct TRefEnd {
    std::int64_t Row = 0;
    std::int64_t Col = 0;
    bool RowRel = false;
    bool ColRel = false;
};

TRefEnd ReadEnd(TByteView Data, std::size_t aRowOfs, std::size_t aColOfs)
{
    const std::uint16_t colField = GetWord(Data, aColOfs);
    return {GetWord(Data, aRowOfs), colField & 0xFF, (colField & RowRelativeBit) != 0,
            (colField & ColRelativeBit) != 0};
}

void WriteEnd(TByteSpan Data, std::size_t aRowOfs, std::size_t aColOfs, const TRefEnd& aEnd)
{
    SetWord(Data, aRowOfs, static_cast<std::uint16_t>(aEnd.Row));
    const std::uint16_t colField = GetWord(Data, aColOfs);
    SetWord(Data, aColOfs, static_cast<std::uint16_t>((colField & 0xFF00) | aEnd.Col));
}

bool InSheet(const TRefEnd& e)
{
    return e.Row >= 0 && e.Row <= MaxRow && e.Col >= 0 && e.Col <= MaxColumn;
}

// A single row or column at aValue; false when it lies in deleted rows or columns.
bool MoveSingle(std::int64_t& aValue, std::int32_t aPos, std::int32_t aCount)
{
    if (aCount == 0 || aValue < aPos) return true;
    if (aCount < 0 && aValue <= std::int64_t(aPos) - aCount - 1) return false;
    aValue += aCount;
    return true;
}

void ApplyOffsets(TRefEnd& e, const TTokenMove& Move, bool aAlwaysRelative)
{
    if (aAlwaysRelative || !Move.OnlyRelative || e.RowRel) e.Row += Move.RowOffset;
    if (aAlwaysRelative || !Move.OnlyRelative || e.ColRel) e.Col += Move.ColOffset;
}

// The error form of a reference token (#REF!); one already in error form stays.
void MakeErrorForm(TByteSpan Data, std::size_t aPos, TTokenKind aKind)
{
    const std::uint8_t id = Data[aPos];
    const std::uint8_t base = BaseTokenId(id);
    if (base == ptgRefErr || base == ptgAreaErr || base == ptgRefErr3d || base == ptgAreaErr3d) return;
    switch (aKind) {
    case TTokenKind::Ref:
    case TTokenKind::Area: Data[aPos] = static_cast<std::uint8_t>(id + 6); return;
    case TTokenKind::Ref3d:
    case TTokenKind::Area3d: Data[aPos] = static_cast<std::uint8_t>(id + 2); return;
    default: throw ETokenException(id);
    }
}

struct TRelocation {
    const TTokenMove& Move;
    const TSheetInfo& SheetInfo;
};

std::int32_t TargetSheet(TByteView Data, std::size_t aPos, TTokenKind aKind, const TSheetInfo& SheetInfo)
{
    if ((aKind == TTokenKind::Ref3d || aKind == TTokenKind::Area3d) && SheetInfo.GetSheet)
        return SheetInfo.GetSheet(GetWord(Data, aPos + 1));
    return SheetInfo.FormulaSheet;
}

bool IsInsertionSheet(std::int32_t aSheet, const TSheetInfo& SheetInfo)
{
    return SheetInfo.InsSheet >= 0 && aSheet == SheetInfo.InsSheet;
}

void RelocateRef(TByteSpan Data, std::size_t aPos, TTokenKind aKind, const TRelocation& R)
{
    const std::size_t rowOfs = aPos + (aKind == TTokenKind::Ref3d ? 3 : 1);
    TRefEnd e = ReadEnd(Data, rowOfs, rowOfs + 2);
    bool ok = true;
    if (IsInsertionSheet(TargetSheet(Data, aPos, aKind, R.SheetInfo), R.SheetInfo)) {
        ok = MoveSingle(e.Row, R.Move.aRowPos, R.Move.aRowCount) && MoveSingle(e.Col, R.Move.aColPos, R.Move.aColCount);
    }
    ApplyOffsets(e, R.Move, false);
    if (ok && InSheet(e))
        WriteEnd(Data, rowOfs, rowOfs + 2, e);
    else
        MakeErrorForm(Data, aPos, aKind);
}

void RelocateArea(TByteSpan Data, std::size_t aPos, TTokenKind aKind, const TRelocation& R)
{
    const std::size_t r1 = aPos + (aKind == TTokenKind::Area3d ? 3 : 1);
    const std::size_t r2 = r1 + 2, c1 = r1 + 4, c2 = r1 + 6;
    TRefEnd first = ReadEnd(Data, r1, c1);
    TRefEnd last = ReadEnd(Data, r2, c2);
    bool ok = true;
    if (IsInsertionSheet(TargetSheet(Data, aPos, aKind, R.SheetInfo), R.SheetInfo)) {
        ok = ArrangeSpan(first.Row, last.Row, R.Move.aRowPos, R.Move.aRowCount, MaxRow) &&
             ArrangeSpan(first.Col, last.Col, R.Move.aColPos, R.Move.aColCount, MaxColumn);
    }
    ApplyOffsets(first, R.Move, false);
    ApplyOffsets(last, R.Move, false);
    if (ok && InSheet(first) && InSheet(last)) {
        WriteEnd(Data, r1, c1, first);
        WriteEnd(Data, r2, c2, last);
    } else {
        MakeErrorForm(Data, aPos, aKind);
    }
}

// The master cell of an array or table formula: a plain row and column, moved
// with its own sheet's cells and always by copy offsets.
void RelocateMasterCell(TByteSpan Data, std::size_t aPos, const TRelocation& R)
{
    if (R.SheetInfo.FormulaSheet != R.SheetInfo.InsSheet) return;
    TRefEnd e{GetWord(Data, aPos + 1), GetWord(Data, aPos + 3), false, false};
    bool ok = true;
    if (R.SheetInfo.InsSheet >= 0)
        ok = MoveSingle(e.Row, R.Move.aRowPos, R.Move.aRowCount) && MoveSingle(e.Col, R.Move.aColPos, R.Move.aColCount);
    ApplyOffsets(e, R.Move, true);
    if (!ok || !InSheet(e)) throw ETokenException(Data[aPos]);
    SetWord(Data, aPos + 1, static_cast<std::uint16_t>(e.Row));
    SetWord(Data, aPos + 3, static_cast<std::uint16_t>(e.Col));
}

void Relocate(TByteSpan Data, std::size_t aPos, std::size_t aEnd, const TRelocation& R)
{
    WalkTokens(Data, aPos, aEnd, [&](std::size_t p, const TToken& t) {
        switch (t.Kind) {
        case TTokenKind::Exp: RelocateMasterCell(Data, p, R); break;
        case TTokenKind::Ref:
        case TTokenKind::Ref3d: RelocateRef(Data, p, t.Kind, R); break;
        case TTokenKind::Area:
        case TTokenKind::Area3d: RelocateArea(Data, p, t.Kind, R); break;
        default: break;
        }
    });
}

// ---------------------------------------------------------------- sheet copy

// The position in Names of the first name local to aSheet whose text is aText.
bool FindLocalName(const TNameRecordList& Names, std::int32_t aSheet, const TXlsString& aText, std::size_t& aIndex)
{
    for (std::size_t i = 0; i < Names.Count(); ++i) {
        const TNameRecord* n = Names.Items(i);
        if (n && n->RangeSheet() == aSheet && n->Name() == aText) {
            aIndex = i;
            return true;
        }
    }
    return false;
}

// A name index (1-based) at aOfs that names a name of the source sheet or a
// global one is pointed at the copy's local name of the same text.
void RedirectName(TByteSpan Data, std::size_t aOfs, const TSheetInfo& SheetInfo)
{
    if (!SheetInfo.Names) return;
    const TNameRecordList& names = *SheetInfo.Names;
    const std::uint16_t index = GetWord(Data, aOfs);
    if (index == 0 || index > names.Count()) return;
    const TNameRecord* name = names.Items(index - 1u);
    if (!name) return;
    const std::int32_t sheet = name->RangeSheet();
    if (sheet != SheetInfo.FormulaSheet && sheet != -1) return;
    std::size_t target = 0;
    if (FindLocalName(names, SheetInfo.InsSheet, name->Name(), target))
        SetWord(Data, aOfs, static_cast<std::uint16_t>(target + 1));
}

void RedirectSheet(TByteSpan Data, std::size_t aPos, TTokenKind aKind, const TSheetInfo& SheetInfo)
{
    if (!SheetInfo.SetSheet || TargetSheet(Data, aPos, aKind, SheetInfo) != SheetInfo.FormulaSheet) return;
    const std::int32_t ixti = SheetInfo.SetSheet(SheetInfo.InsSheet);
    if (ixti < 0 || ixti > 0xFFFF) RaiseXls(TXlsMsg::TooManyEntries, {std::int64_t(ixti), std::int64_t(0xFFFF)});
    SetWord(Data, aPos + 1, static_cast<std::uint16_t>(ixti));
}

// ------------------------------------------------------------- expansion

void AddToRelative(TByteSpan Data, std::size_t aRowOfs, std::size_t aColOfs, std::int32_t Row, std::int32_t Col)
{
    const std::uint16_t colField = GetWord(Data, aColOfs);
    if (colField & RowRelativeBit) SetWord(Data, aRowOfs, static_cast<std::uint16_t>(GetWord(Data, aRowOfs) + Row));
    // The column is the low byte; a carry must not reach the flag byte.
    if (colField & ColRelativeBit)
        SetWord(Data, aColOfs, static_cast<std::uint16_t>((colField & 0xFF00) | ((colField + Col) & 0xFF)));
}

}  // namespace

bool ArrangeSpan(std::int64_t& aFirst, std::int64_t& aLast, std::int32_t aPos, std::int32_t aCount, std::int64_t aWhole)
{
    if (aCount == 0) return true;
    if (aCount > 0) {
        if (aFirst >= aPos) aFirst += aCount;
        if (aLast >= aPos && aLast != aWhole) aLast += aCount;
        return true;
    }
    const std::int64_t n = -std::int64_t(aCount);
    if (aFirst < aPos) {
        if (aLast != aWhole && aLast >= aPos) aLast -= std::min(n, aLast - aPos + 1);
        return true;
    }
    if (aLast <= aPos + n - 1) return false;
    aFirst = std::max(aFirst - n, std::int64_t(aPos));
    if (aLast != aWhole) aLast -= n;
    return true;
}

void ArrangeTokensInsertRowsAndCols(TByteSpan Data, std::size_t aPos, std::size_t aEnd, const TTokenMove& Move,
                                    const TSheetInfo& SheetInfo)
{
    Relocate(Data, aPos, aEnd, TRelocation{Move, SheetInfo});
}

void ArrangeTokensCopySheet(TByteSpan Data, std::size_t aPos, std::size_t aEnd, const TSheetInfo& SheetInfo)
{
    // With no counts and no offsets nothing else moves: only sheets and names
    // are retargeted (array and table master cells stay where they are).
    WalkTokens(Data, aPos, aEnd, [&](std::size_t p, const TToken& t) {
        switch (t.Kind) {
        case TTokenKind::Ref3d:
        case TTokenKind::Area3d: RedirectSheet(Data, p, t.Kind, SheetInfo); break;
        case TTokenKind::Name: RedirectName(Data, p + 1, SheetInfo); break;
        case TTokenKind::NameX: RedirectName(Data, p + 3, SheetInfo); break;
        default: break;
        }
    });
}

namespace {

// A 1-based name index after names were deleted; 0 for a deleted one (and for 0).
std::uint16_t RenumberedName(std::uint16_t aIndex, const TDeletedNames& Deleted)
{
    if (aIndex == 0) return 0;
    const auto& pos = Deleted.Positions;
    const auto it = std::lower_bound(pos.begin(), pos.end(), std::size_t(aIndex) - 1);
    if (it != pos.end() && *it == std::size_t(aIndex) - 1) return 0;
    return static_cast<std::uint16_t>(aIndex - (it - pos.begin()));
}

// The name token at aPos (its index word at aOfs) turned into #REF! when
// its name is gone, else renumbered.
void ArrangeNameToken(TByteSpan Data, std::size_t aPos, std::size_t aOfs, std::uint8_t aErrorId,
                      const TDeletedNames& Deleted)
{
    const std::uint16_t index = GetWord(Data, aOfs);
    const std::uint16_t moved = RenumberedName(index, Deleted);
    if (index == 0 || moved != 0) {
        SetWord(Data, aOfs, moved);
        return;
    }
    // Same size and class: ptgRefErr (row, column) or ptgRefErr3d (entry, row, column).
    Data[aPos] = static_cast<std::uint8_t>((Data[aPos] & ptgClassMask) | (aErrorId & ~ptgClassMask));
    std::fill(Data.begin() + std::ptrdiff_t(aOfs), Data.begin() + std::ptrdiff_t(aOfs + 4), std::uint8_t(0));
}

}  // namespace

void ArrangeTokensDeleteNames(TByteSpan Data, std::size_t aPos, std::size_t aEnd, const TDeletedNames& Deleted)
{
    if (Deleted.Positions.empty()) return;
    WalkTokens(Data, aPos, aEnd, [&](std::size_t p, const TToken& t) {
        if (Deleted.CheckOnly) return;
        if (t.Kind == TTokenKind::Name) ArrangeNameToken(Data, p, p + 1, ptgRefErr, Deleted);
        if (t.Kind == TTokenKind::NameX && Deleted.IsLocalRef && Deleted.IsLocalRef(GetWord(Data, p + 1)))
            ArrangeNameToken(Data, p, p + 3, ptgRefErr3d, Deleted);
    });
}

void ArrangeTokensSharedFormula(TByteSpan Data, std::size_t aPos, std::size_t aEnd, std::int32_t Row, std::int32_t Col)
{
    WalkTokens(Data, aPos, aEnd, [&](std::size_t p, const TToken& t) {
        switch (t.Kind) {
        case TTokenKind::RefN: Data[p] = static_cast<std::uint8_t>(Data[p] - 8); [[fallthrough]];
        case TTokenKind::Ref: AddToRelative(Data, p + 1, p + 3, Row, Col); break;
        case TTokenKind::AreaN: Data[p] = static_cast<std::uint8_t>(Data[p] - 8); [[fallthrough]];
        case TTokenKind::Area:
            AddToRelative(Data, p + 1, p + 5, Row, Col);
            AddToRelative(Data, p + 3, p + 7, Row, Col);
            break;
        default: break;
        }
    });
}

}  // namespace xls
