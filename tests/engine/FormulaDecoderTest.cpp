// The formula decoder: the text of every kind of token, blanks from space
// attributes, array constants, array and table formulas, and token arrays
// that cannot be read.
#include <gtest/gtest.h>

#include "FormulaTestSupport.h"
#include "globals/UXlsFormulaParser.h"

using namespace formulatest;

namespace {

struct TDecodeCase {
    const char* Tokens;
    const char* Text;
};

void ExpectTexts(TFakeContext& aContext, std::initializer_list<TDecodeCase> aCases)
{
    for (const auto& c : aCases) EXPECT_EQ(Decoded(Hex(c.Tokens), aContext), c.Text) << c.Tokens;
}

std::string DecodeError(const TBytes& aTokens, TFakeContext& aContext, const TBytes& aArrayData = {})
{
    try {
        return "(decoded) " + Decoded(aTokens, aContext, aArrayData);
    } catch (const EXlsException& e) {
        return e.what();
    }
}

}  // namespace

TEST(FormulaDecoder, OperandsOperatorsAndFunctions)
{
    TFakeContext context;
    ExpectTexts(context, {
        {"44 00 00 00 C0 1E 02 00 19 40 00 01 05", "=A1 *2"},
        {"25 00 00 FF FF 00 00 02 00", "=$A:$C"},
        {"25 00 00 FE FF 00 C0 02 C0", "=A1:C65535"},
        {"24 04 00 02 40", "=C$5"},
        {"44 00 00 00 C0 1E 03 00 42 02 04 00", "=SUM(A1,3)"},
        {"1C 63", "=#TABORA_UNKNOWN"},
        {"1C 0F 1C 17 0E", "=#VALUE!<>#REF!"},
        {"1D 01 1D 00 0B", "=TRUE=FALSE"},
        {"1F 00 00 00 00 00 00 F8 3F 1F 00 00 00 00 00 00 F0 41 03", "=1.5+4294967296"},
        {"1F 00 00 90 1E C4 BC D6 42", "=100000000000000"},
        {"1F 00 00 34 26 F5 6B 0C 43", "=1E+15"},
        {"1F 9A 99 99 99 99 99 B9 3F", "=0.1"},
        {"1F 8D ED B5 A0 F7 C6 B0 3E", "=1E-6"},
        {"1F 00 00 00 00 00 00 F0 44", "=1.2089258196146292E+24"},
        {"17 03 00 61 22 62 17 01 01 AC 20 08", "=\"a\"\"b\"&\"€\""},
        {"1E 01 00 12 13 14", "=-+1%"},
        {"1E 01 00 15 1E 02 00 19 40 02 01 19 40 04 02 15 07", "=(1)^ (2  )"},
        {"44 00 00 00 C0 16 1E 02 00 42 03 01 00", "=IF(A1,,2)"},
        {"41 13 00 1E 02 00 41 1B 00", "=ROUND(PI(),2)"},
        {"24 00 00 00 C0 24 01 00 01 C0 10 24 02 00 02 C0 0F 24 03 00 03 C0 11", "=A1,B2 C3:D4"},
        {"2A 00 00 00 00 2B 00 00 00 00 00 00 00 00 03", "=#REF!+#REF!"},
        {"1E 01 00 19 01 00 00 41 13 00 03", "=1+PI()"},
    });
}

TEST(FormulaDecoder, AttributesSumChooseAndLineBreaks)
{
    TFakeContext context;
    ExpectTexts(context, {
        {"25 00 00 02 00 00 C0 00 C0 19 10 00 00", "=SUM(A1:A3)"},
        // CHOOSE(1,2,3) as written with its jump table of 3 offsets.
        {"1E 01 00 19 04 02 00 08 00 0C 00 10 00 1E 02 00 19 08 03 00 1E 03 00 19 08 00 00 42 03 64 00",
         "=CHOOSE(1,2,3)"},
        {"1E 01 00 1E 02 00 19 40 01 02 03", "=1\r\r+2"},
    });
}

TEST(FormulaDecoder, SheetsAndNamesComeFromTheContext)
{
    TFakeContext context;
    context.Xti = {{2, 2}, {0, 1}};
    context.Names = {u"Total", u"Rate"};
    ExpectTexts(context, {
        {"3A 00 00 00 00 00 C0", "='Data'!A1"},
        {"3B 01 00 00 00 09 00 00 00 01 00", "='Sheet1:Sheet2'!$A$1:$B$10"},
        {"23 02 00 00 00", "=Rate"},
        {"39 00 00 01 00 00 00", "='Data'!Total"},
        {"3C 00 00 00 00 00 00 3D 00 00 00 00 00 00 00 00 00 00 03", "=#REF!+#REF!"},
    });
    EXPECT_THROW(Decoded(Hex("23 03 00 00 00"), context), EXlsException);
}

TEST(FormulaDecoder, ArrayConstantsFollowTheTokens)
{
    TFakeContext context;
    TBytes data = Hex("01 01 00");  // 2 columns, 2 rows
    auto value = [&](std::uint8_t aType, std::initializer_list<std::uint8_t> aBytes) {
        data.push_back(aType);
        data.insert(data.end(), aBytes);
    };
    value(0x01, {0, 0, 0, 0, 0, 0, 0xF0, 0x3F});
    value(0x02, {3, 0, 0, 'a', '"', 'b'});
    value(0x04, {1, 0, 0, 0, 0, 0, 0, 0});
    value(0x10, {0x2A, 0, 0, 0, 0, 0, 0, 0});
    const TBytes second = Hex("00 00 00 04 00 00 00 00 00 00 00 00");  // {FALSE}
    data.insert(data.end(), second.begin(), second.end());
    EXPECT_EQ(Decoded(Hex("60 00 00 00 00 00 00 00 60 00 00 00 00 00 00 00 42 02 04 00"), context, data),
              "=SUM({1,\"a\"\"b\";TRUE,#N/A},{FALSE})");
    EXPECT_EQ(DecodeError(Hex("60 00 00 00 00 00 00 00"), context, Hex("00 00 00 03 00 00 00 00 00 00 00 00")),
              "Error reading formula, Token Id: 0x 3 is not supported");
    EXPECT_EQ(DecodeError(Hex("60 00 00 00 00 00 00 00"), context, Hex("01 00 00 01 00 00")), "Error reading record");
}

TEST(FormulaDecoder, ArrayAndTableFormulasOfTheMasterCell)
{
    TFakeContext context;
    // ARRAY: range, options, reserved, then cce at 12 and the tokens.
    context.Arrays[{0, 6}] = Hex("00 00 02 00 06 06 00 00 00 00 00 00 0D 00 45 00 00 02 00 00 C0 00 C0 1E 02 00 05");
    context.Arrays[{5, 5}] = Hex("05 00 05 00 05 05 00 00 00 00 00 00 05 00 01 05 00 05 00");
    // TABLE: range, options (0x08: two input cells), input cells.
    context.Tables[{3, 1}] = Hex("03 00 05 00 01 02 08 00 00 00 00 00 01 00 01 00");
    context.Tables[{9, 1}] = Hex("09 00 09 00 01 01 00 00 02 00 03 00 00 00 00 00");
    ExpectTexts(context, {
        {"01 00 00 06 00", "={=A1:A3*2}"},
        {"02 03 00 01 00", "={=TABLE($A$1,$B$2)}"},
        {"02 09 00 01 00", "={=TABLE($D$3,)}"},
    });
    // An array formula that points at itself.
    EXPECT_EQ(DecodeError(Hex("01 05 00 05 00"), context), "Error reading formula, Token Id: 0x 1 is not supported");
    EXPECT_EQ(DecodeError(Hex("01 07 00 07 00"), context), "Can't find Shared Formula");
}

TEST(FormulaDecoder, UnreadableTokenArraysAreRefused)
{
    TFakeContext context;
    const struct {
        const char* Tokens;
        const char* Message;
    } cases[] = {
        {"18 00", "Error reading formula, Token Id: 0x18 is not supported"},
        {"7F", "Error reading formula, Token Id: 0x7F is not supported"},
        {"03", "String Stack is empty"},
        {"", "String Stack is empty"},
        {"42 02 04 00", "String Stack is empty"},
        {"24 00 00", "Error reading formula: the token array runs past the end of its record"},
        {"17 05 00 61", "Error reading formula: the token array runs past the end of its record"},
        {"19 04 05 00 00 00", "Error reading formula: the token array runs past the end of its record"},
        {"41 70 01", R"(The index "368" of the property "Function name" is not in the range 0-367)"},
    };
    for (const auto& c : cases) EXPECT_EQ(DecodeError(Hex(c.Tokens), context), c.Message) << c.Tokens;

    // A size word that claims more bytes than there are.
    const TBytes block = Hex("09 00 44 00 00 00 C0");
    EXPECT_THROW(DecodeFormula(block, 2, context), EXlsException);
    EXPECT_THROW(DecodeFormula(block, 0, context), EXlsException);
}

TEST(FormulaDecoder, ArbitraryBytesDecodeOrFailWithAnEngineError)
{
    TFakeContext context;
    context.Xti = {{0, 0}, {1, 2}};
    context.Names = {u"One"};
    context.Arrays[{0, 0}] = Hex("00 00 00 00 00 00 00 00 00 00 00 00 05 00 01 00 00 00 00");
    // Token ids and small values the decoder meets, so that walks get deep.
    const std::uint8_t kBytes[] = {0x00, 0x01, 0x02, 0x03, 0x10, 0x15, 0x16, 0x17, 0x19, 0x1C, 0x1E, 0x1F,
                                   0x20, 0x22, 0x23, 0x24, 0x25, 0x26, 0x39, 0x3A, 0x3B, 0x40, 0x41, 0x42,
                                   0x44, 0x60, 0x7F, 0xFF, 0x04, 0x10, 0x40, 0x01, 0x02, 0x05};
    std::uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    int decoded = 0;
    for (int round = 0; round < 20000; ++round) {
        TBytes block(2 + next() % 40);
        for (auto& b : block) b = kBytes[next() % std::size(kBytes)];
        SetWord(block, 0, static_cast<std::uint16_t>(next() % (block.size() + 3)));
        try {
            DecodeFormula(block, 2, context);
            ++decoded;
        } catch (const EXlsException&) {
        }
    }
    EXPECT_GT(decoded, 100);
}
