// The token walker: references following inserted and deleted rows and
// columns, copy offsets, sheet copies, shared formula expansion, and token
// arrays that cannot be walked.
#include <gtest/gtest.h>

#include "RecordTestSupport.h"
#include "globals/UXlsFormula.h"
#include "globals/UXlsTokenArray.h"
#include "records/UXlsBaseRecordLists.h"

using namespace rectest;

namespace {

constexpr std::uint16_t Rel = RowRelativeBit | ColRelativeBit;

TBytes RefToken(std::uint8_t aId, std::uint16_t aRow, std::uint8_t aCol, std::uint16_t aFlags = Rel)
{
    TBytes t{aId};
    AppendWord(t, aRow);
    AppendWord(t, static_cast<std::uint16_t>(aFlags | aCol));
    return t;
}

TBytes AreaToken(std::uint8_t aId, std::uint16_t aRow1, std::uint16_t aRow2, std::uint8_t aCol1, std::uint8_t aCol2,
                 std::uint16_t aFlags = Rel)
{
    TBytes t{aId};
    AppendWord(t, aRow1);
    AppendWord(t, aRow2);
    AppendWord(t, static_cast<std::uint16_t>(aFlags | aCol1));
    AppendWord(t, static_cast<std::uint16_t>(aFlags | aCol2));
    return t;
}

TBytes Ref3dToken(std::uint8_t aId, std::uint16_t aIxti, std::uint16_t aRow, std::uint8_t aCol)
{
    TBytes t{aId};
    AppendWord(t, aIxti);
    AppendWord(t, aRow);
    AppendWord(t, static_cast<std::uint16_t>(Rel | aCol));
    return t;
}

TSheetInfo OwnSheet(std::int32_t aSheet = 0)
{
    TSheetInfo info;
    info.InsSheet = info.FormulaSheet = aSheet;
    return info;
}

TTokenMove Rows(std::int32_t aPos, std::int32_t aCount)
{
    TTokenMove m;
    m.aRowPos = aPos;
    m.aRowCount = aCount;
    return m;
}

TTokenMove Cols(std::int32_t aPos, std::int32_t aCount)
{
    TTokenMove m;
    m.aColPos = aPos;
    m.aColCount = aCount;
    return m;
}

TBytes Moved(TBytes aTokens, const TTokenMove& aMove, const TSheetInfo& aInfo = OwnSheet())
{
    ArrangeTokensInsertRowsAndCols(aTokens, 0, aTokens.size(), aMove, aInfo);
    return aTokens;
}

// A NAME record for the walker's name lookups.
std::unique_ptr<TNameRecord> NameRec(std::string_view aName, std::int32_t aSheet)
{
    TBytes d(14, 0);
    SetByte(d, 3, static_cast<std::uint8_t>(aName.size()));
    SetWord(d, 8, static_cast<std::uint16_t>(aSheet + 1));
    AppendByte(d, 0);
    for (char c : aName) AppendByte(d, static_cast<std::uint8_t>(c));
    return std::make_unique<TNameRecord>(xlr_NAME, d);
}

// A formula cell at (aRow, aCol) whose token array is aTokens.
std::unique_ptr<TFormulaRecord> FormulaWith(std::uint16_t aRow, std::uint16_t aCol, const TBytes& aTokens)
{
    auto f =
        TFormulaRecord::CreateFromData(static_cast<std::uint16_t>(22 + aTokens.size()), aRow, aCol, 15, 1.0, false);
    SetWord(f->Data(), 20, static_cast<std::uint16_t>(aTokens.size()));
    std::copy(aTokens.begin(), aTokens.end(), f->Data().begin() + 22);
    return f;
}

}  // namespace

TEST(TokenWalker, ReferencesFollowInsertedAndDeletedRows)
{
    struct Case {
        const char* What;
        TBytes Token;
        TTokenMove Move;
        TBytes Expected;
    };
    const Case cases[] = {
        {"ref below insertion", RefToken(ptgRef, 7, 1), Rows(5, 2), RefToken(ptgRef, 9, 1)},
        {"ref above insertion", RefToken(ptgRef, 3, 1), Rows(5, 2), RefToken(ptgRef, 3, 1)},
        {"ref at insertion", RefToken(ptgRef, 5, 1), Rows(5, 2), RefToken(ptgRef, 7, 1)},
        {"ref in deleted rows", RefToken(ptgRef, 6, 1), Rows(5, -2), RefToken(ptgRefErr, 6, 1)},
        {"ref below deleted rows", RefToken(ptgRef, 9, 1), Rows(5, -2), RefToken(ptgRef, 7, 1)},
        {"value-class ref in deleted rows", RefToken(0x44, 5, 1), Rows(5, -2), RefToken(0x4A, 5, 1)},
        {"absolute ref moves as well", RefToken(ptgRef, 7, 1, 0), Rows(5, 2), RefToken(ptgRef, 9, 1, 0)},
        {"error ref moves and stays an error", RefToken(ptgRefErr, 7, 1), Rows(5, 2), RefToken(ptgRefErr, 9, 1)},
        {"ref pushed off the sheet", RefToken(ptgRef, 65535, 1), Rows(0, 1), RefToken(ptgRefErr, 65535, 1)},
        {"area loses deleted rows inside", AreaToken(ptgArea, 4, 10, 0, 2), Rows(5, -2),
         AreaToken(ptgArea, 4, 8, 0, 2)},
        {"area wholly deleted", AreaToken(ptgArea, 5, 6, 0, 2), Rows(5, -2), AreaToken(ptgAreaErr, 5, 6, 0, 2)},
        {"area starting in deleted rows", AreaToken(ptgArea, 6, 10, 0, 2), Rows(5, -2), AreaToken(ptgArea, 5, 8, 0, 2)},
        {"area ending in deleted rows", AreaToken(ptgArea, 3, 5, 0, 2), Rows(5, -2), AreaToken(ptgArea, 3, 4, 0, 2)},
        {"area below deleted rows", AreaToken(ptgArea, 8, 10, 0, 2), Rows(5, -2), AreaToken(ptgArea, 6, 8, 0, 2)},
        {"area grows by inserted rows", AreaToken(ptgArea, 4, 10, 0, 2), Rows(5, 2), AreaToken(ptgArea, 4, 12, 0, 2)},
        {"whole column on insertion", AreaToken(ptgArea, 6, 0xFFFF, 0, 2), Rows(5, 2),
         AreaToken(ptgArea, 8, 0xFFFF, 0, 2)},
        {"whole column on deletion", AreaToken(ptgArea, 0, 0xFFFF, 0, 2), Rows(5, -2),
         AreaToken(ptgArea, 0, 0xFFFF, 0, 2)},
        {"area pushed off the sheet", AreaToken(ptgArea, 4, 65534, 0, 2), Rows(1, 2),
         AreaToken(ptgAreaErr, 4, 65534, 0, 2)},
    };
    for (const auto& c : cases) EXPECT_TRUE(SameBytes(Moved(c.Token, c.Move), c.Expected)) << c.What;
}

TEST(TokenWalker, ReferencesFollowInsertedAndDeletedColumns)
{
    struct Case {
        const char* What;
        TBytes Token;
        TTokenMove Move;
        TBytes Expected;
    };
    const Case cases[] = {
        {"ref right of insertion", RefToken(ptgRef, 1, 4), Cols(3, 2), RefToken(ptgRef, 1, 6)},
        {"ref in deleted columns", RefToken(ptgRef, 1, 4), Cols(3, -2), RefToken(ptgRefErr, 1, 4)},
        {"ref pushed past column 255", RefToken(ptgRef, 1, 255), Cols(3, 1), RefToken(ptgRefErr, 1, 255)},
        {"area loses deleted columns", AreaToken(ptgArea, 0, 9, 2, 6), Cols(3, -2), AreaToken(ptgArea, 0, 9, 2, 4)},
        {"area wholly deleted", AreaToken(ptgArea, 0, 9, 3, 4), Cols(3, -2), AreaToken(ptgAreaErr, 0, 9, 3, 4)},
        {"area right of deleted columns", AreaToken(ptgArea, 0, 9, 6, 8), Cols(3, -2), AreaToken(ptgArea, 0, 9, 4, 6)},
        {"whole row keeps its end", AreaToken(ptgArea, 0, 9, 4, 0xFF), Cols(3, 2), AreaToken(ptgArea, 0, 9, 6, 0xFF)},
    };
    for (const auto& c : cases) EXPECT_TRUE(SameBytes(Moved(c.Token, c.Move), c.Expected)) << c.What;
}

TEST(TokenWalker, OnlyReferencesToTheChangedSheetMove)
{
    // A 2-D reference lies on the formula's sheet; a 3-D one on the sheet of its EXTERNSHEET entry.
    TSheetInfo otherSheet;
    otherSheet.InsSheet = 1;
    otherSheet.FormulaSheet = 0;
    otherSheet.GetSheet = [](std::int32_t ixti) { return ixti == 7 ? 1 : (ixti == 8 ? -1 : 0); };
    const TBytes tokens = Cat({RefToken(ptgRef, 7, 1), Ref3dToken(ptgRef3d, 7, 7, 1), Ref3dToken(ptgRef3d, 3, 7, 1),
                               Ref3dToken(0x5A, 7, 5, 1), Ref3dToken(ptgRef3d, 8, 7, 1)});
    const TBytes expected = Cat({RefToken(ptgRef, 7, 1), Ref3dToken(ptgRef3d, 7, 9, 1), Ref3dToken(ptgRef3d, 3, 7, 1),
                                 Ref3dToken(0x5A, 7, 7, 1), Ref3dToken(ptgRef3d, 8, 7, 1)});
    EXPECT_TRUE(SameBytes(Moved(tokens, Rows(5, 2), otherSheet), expected));

    const TBytes deleted = Moved(Ref3dToken(ptgRef3d, 7, 6, 1), Rows(5, -2), otherSheet);
    EXPECT_EQ(deleted[0], ptgRefErr3d);
    EXPECT_TRUE(SameBytes(Moved(Ref3dToken(ptgRef3d, 0, 0, 0), Rows(0, -1), otherSheet), Ref3dToken(ptgRef3d, 0, 0, 0)))
        << "ixti 0 is sheet 0, which did not change";
}

TEST(TokenWalker, CopyOffsetsMoveRelativePartsOnly)
{
    TTokenMove copy;
    copy.RowOffset = 3;
    copy.ColOffset = 1;
    const TBytes tokens = Cat({RefToken(ptgRef, 2, 1), RefToken(ptgRef, 2, 1, 0),
                               RefToken(ptgRef, 2, 1, RowRelativeBit), AreaToken(ptgArea, 0, 4, 0, 1, ColRelativeBit)});
    const TBytes expected =
        Cat({RefToken(ptgRef, 5, 2), RefToken(ptgRef, 2, 1, 0), RefToken(ptgRef, 5, 1, RowRelativeBit),
             AreaToken(ptgArea, 0, 4, 1, 2, ColRelativeBit)});
    EXPECT_TRUE(SameBytes(Moved(tokens, copy, TSheetInfo{}), expected));

    // Two rows down copied by 65,535 rows leaves the sheet; absolute rows stay.
    TTokenMove far;
    far.RowOffset = 65535;
    EXPECT_EQ(Moved(RefToken(ptgRef, 2, 1), far, TSheetInfo{})[0], ptgRefErr);
    EXPECT_TRUE(SameBytes(Moved(RefToken(ptgRef, 2, 1, 0), far, TSheetInfo{}), RefToken(ptgRef, 2, 1, 0)));
    far.RowOffset = -3;
    EXPECT_EQ(Moved(AreaToken(ptgArea, 2, 9, 0, 0), far, TSheetInfo{})[0], ptgAreaErr);
}

TEST(TokenWalker, MasterCellsMoveWithTheirSheetAndCannotBecomeErrors)
{
    TBytes exp{ptgExp};
    AppendWord(exp, 7);
    AppendWord(exp, 2);
    TBytes expected{ptgExp};
    AppendWord(expected, 9);
    AppendWord(expected, 2);
    EXPECT_TRUE(SameBytes(Moved(exp, Rows(5, 2)), expected));

    TSheetInfo otherSheet;
    otherSheet.InsSheet = 1;
    otherSheet.FormulaSheet = 0;
    EXPECT_TRUE(SameBytes(Moved(exp, Rows(5, 2), otherSheet), exp));

    TBytes tokens = exp;
    try {
        ArrangeTokensInsertRowsAndCols(tokens, 0, tokens.size(), Rows(6, -3), OwnSheet());
        FAIL() << "no error";
    } catch (const ETokenException& e) {
        EXPECT_EQ(e.Token, ptgExp);
    }
}

TEST(TokenWalker, OperandsAndOperatorsAreWalkedOver)
{
    // =IF(A8>1,"ab",SUM(B8:B9)) with an attribute jump table, then a reference after them all.
    TBytes tokens = RefToken(ptgRef, 7, 0);
    tokens.insert(tokens.end(), {ptgInt, 1, 0, 0x0D});               // 1, >
    tokens.insert(tokens.end(), {ptgAttr, 0x04, 1, 0, 4, 0, 8, 0});  // choose with 2 offsets
    tokens.insert(tokens.end(), {ptgStr, 2, 0, 'a', 'b'});
    tokens.insert(tokens.end(), {ptgStr, 1, 1, 'x', 0});                // a 16-bit string
    tokens.insert(tokens.end(), {0x1F, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F});  // 1.0
    tokens.insert(tokens.end(), {0x1C, 7, 0x1D, 1, 0x16, 0x15});        // #DIV/0!, TRUE, missing arg, paren
    tokens.insert(tokens.end(), {0x29, 9, 0, 0x49, 0, 0, 0x69, 0, 0});  // mem func, all classes
    const TBytes area = AreaToken(ptgArea, 7, 8, 1, 1);
    tokens.insert(tokens.end(), area.begin(), area.end());
    tokens.insert(tokens.end(), {0x42, 2, 4, 0, 0x41, 1, 0, 0x60, 0, 0, 0, 0, 0, 0, 0});  // func var, func, array
    const TBytes last = RefToken(0x64, 7, 3);
    tokens.insert(tokens.end(), last.begin(), last.end());

    const TBytes moved = Moved(tokens, Rows(0, 1));
    EXPECT_EQ(GetWord(moved, 1), 8);
    EXPECT_EQ(GetWord(moved, 52), 8);
    EXPECT_EQ(GetWord(moved, 54), 9);
    EXPECT_EQ(GetWord(moved, moved.size() - 4), 8);
}

TEST(TokenWalker, RefusesTokensItCannotWalk)
{
    const std::uint8_t unsupported[] = {0x00, 0x18, 0x1A, 0x1B, 0x26, 0x27, 0x28, 0x2E, 0x2F, 0x46, 0x6F, 0x80, 0xFF};
    for (std::uint8_t id : unsupported) {
        TBytes tokens = Cat({RefToken(ptgRef, 1, 1), TBytes{id, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}});
        try {
            ArrangeTokensInsertRowsAndCols(tokens, 0, tokens.size(), Rows(0, 1), OwnSheet());
            ADD_FAILURE() << "no error for " << int(id);
        } catch (const ETokenException& e) {
            EXPECT_EQ(e.Token, id);
        }
    }
}

TEST(TokenWalker, ATokenArrayThatRunsPastItsEndIsRefused)
{
    const std::string message = "Error reading formula: the token array runs past the end of its record";
    struct Case {
        const char* What;
        TBytes Tokens;
        std::size_t End;
    };
    const Case cases[] = {
        {"reference cut short", RefToken(ptgRef, 1, 1), 3},
        {"area cut short", AreaToken(ptgArea, 1, 2, 1, 1), 8},
        {"string longer than the array", {ptgStr, 5, 0, 'a', 'b'}, 5},
        {"string without its header", {ptgStr, 5}, 2},
        {"jump table longer than the array", {ptgAttr, 0x04, 9, 0, 1, 0}, 6},
        {"end beyond the bytes", {0x03}, 4},
    };
    for (const auto& c : cases) {
        TBytes tokens = c.Tokens;
        EXPECT_EQ(ErrorOf([&] { ArrangeTokensInsertRowsAndCols(tokens, 0, c.End, Rows(0, 1), OwnSheet()); }), message)
            << c.What;
        EXPECT_EQ(ErrorOf([&] { ArrangeTokensSharedFormula(tokens, 0, c.End, 1, 1); }), message) << c.What;
    }

    // A formula cell whose cce claims more bytes than the record has.
    auto formula = FormulaWith(3, 1, RefToken(ptgRef, 1, 1));
    SetWord(formula->Data(), 20, 6);
    EXPECT_EQ(ErrorOf([&] { formula->ArrangeInsertRowsAndCols(0, 1, 0, 0, OwnSheet()); }), message);
}

TEST(TokenWalker, FormulaCellsReportTheTokenTheyCannotMove)
{
    auto formula = FormulaWith(4, 2, Cat({RefToken(ptgRef, 1, 1), TBytes{ptgSheet, 0, 0, 0, 0}}));
    EXPECT_EQ(ErrorOf([&] { formula->ArrangeInsertRowsAndCols(0, 1, 0, 0, OwnSheet()); }),
              "Formula at Row 6, column 3 is not supported. Token Id: 0x1A");  // the cell itself moved to row 5
    auto copy = FormulaWith(4, 2, TBytes{ptgSheet, 0, 0, 0, 0});
    EXPECT_EQ(ErrorOf([&] { copy->ArrangeCopyRowsAndCols(1, 0); }),
              "Formula at Row 5, column 3 is not supported. Token Id: 0x1A");
}

TEST(TokenWalker, SharedFormulaExpansion)
{
    // RefN one row up (-1 as 0xFFFF), AreaN over the column to the left (-1 as
    // 0xFF) rows 0 to +2, an absolute part, and an already absolute ref.
    const TBytes shared = Cat({RefToken(ptgRefN, 0xFFFF, 0), AreaToken(0x4D, 0, 2, 0xFF, 0xFF),
                               RefToken(ptgRefN, 0, 5, ColRelativeBit), RefToken(ptgRef, 1, 1, 0)});
    TBytes tokens = shared;
    ArrangeTokensSharedFormula(tokens, 0, tokens.size(), 5, 3);
    const TBytes expected = Cat({RefToken(ptgRef, 4, 3), AreaToken(0x45, 5, 7, 2, 2),
                                 RefToken(ptgRef, 0, 8, ColRelativeBit), RefToken(ptgRef, 1, 1, 0)});
    EXPECT_TRUE(SameBytes(tokens, expected));

    // A column that runs past 255 wraps within the column byte; the flags stay.
    TBytes wrap = RefToken(ptgRefN, 0, 2);
    ArrangeTokensSharedFormula(wrap, 0, wrap.size(), 0, 255);
    EXPECT_TRUE(SameBytes(wrap, RefToken(ptgRef, 0, 1)));
}

TEST(TokenWalker, SheetCopyRetargetsSheetsAndNames)
{
    TNameRecordList names;
    names.Add(NameRec("Data", -1));  // 1: global
    names.Add(NameRec("Area", 0));   // 2: local to the copied sheet
    names.Add(NameRec("Data", 2));   // 3: local to the copy
    names.Add(NameRec("Area", 2));   // 4: local to the copy
    names.Add(NameRec("Other", 1));  // 5: local to another sheet
    names.Add(NameRec("Other", 2));  // 6
    TSheetInfo info;
    info.FormulaSheet = 0;
    info.InsSheet = 2;
    info.Names = &names;
    info.GetSheet = [](std::int32_t ixti) { return ixti; };
    info.SetSheet = [](std::int32_t sheet) { return sheet + 10; };

    auto name = [](std::uint8_t id, std::uint16_t index) {
        TBytes t{id};
        AppendWord(t, index);
        AppendWord(t, 0);
        return t;
    };
    auto nameX = [](std::uint16_t ixti, std::uint16_t index) {
        TBytes t{ptgNameX};
        AppendWord(t, ixti);
        AppendWord(t, index);
        AppendWord(t, 0);
        return t;
    };
    TBytes tokens = Cat({name(ptgName, 1), name(0x43, 2), name(ptgName, 5), name(ptgName, 9), nameX(0, 2),
                         Ref3dToken(ptgRef3d, 0, 1, 1), Ref3dToken(ptgRef3d, 1, 1, 1), RefToken(ptgRef, 1, 1)});
    ArrangeTokensCopySheet(tokens, 0, tokens.size(), info);
    const TBytes expected =
        Cat({name(ptgName, 3), name(0x43, 4), name(ptgName, 5), name(ptgName, 9), nameX(0, 4),
             Ref3dToken(ptgRef3d, 12, 1, 1), Ref3dToken(ptgRef3d, 1, 1, 1), RefToken(ptgRef, 1, 1)});
    EXPECT_TRUE(SameBytes(tokens, expected));
}

TEST(TokenWalker, DamagedTokenArraysFailCleanly)
{
    // Random bytes: every walk either succeeds or fails with an engine error,
    // never reads or writes outside the array (checked under the sanitizers).
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<std::uint8_t>(seed >> 16);
    };
    TNameRecordList names;
    names.Add(NameRec("N", -1));
    TSheetInfo info = OwnSheet();
    info.GetSheet = [](std::int32_t ixti) { return ixti % 3; };
    info.SetSheet = [](std::int32_t sheet) { return sheet; };
    info.Names = &names;
    std::size_t walked = 0;
    for (int round = 0; round < 3000; ++round) {
        TBytes tokens(1 + next() % 24);
        for (auto& b : tokens) b = next();
        // Mostly known operand ids, so walks get past the first token.
        const std::uint8_t ids[] = {ptgRef, ptgArea, ptgRefN, ptgAreaN, ptgRef3d, ptgArea3d, ptgStr, ptgAttr, ptgExp};
        tokens[0] = ids[next() % std::size(ids)];
        const std::string error = ErrorOf([&] {
            TBytes a = tokens, b = tokens, c = tokens;
            ArrangeTokensInsertRowsAndCols(a, 0, a.size(), Rows(next() % 8, next() % 5 - 2), info);
            ArrangeTokensSharedFormula(b, 0, b.size(), next(), next());
            ArrangeTokensCopySheet(c, 0, c.size(), info);
        });
        if (error == "(no error)") ++walked;
    }
    EXPECT_GT(walked, 100u);
}
