// The formula encoder: the tokens of formula texts (precedence, classes,
// references, constants, functions, blanks), every refusal with its message,
// and texts that decode back unchanged.
#include <gtest/gtest.h>

#include "FormulaTestSupport.h"
#include "Ole2TestFiles.h"
#include "globals/UXlsEncodeFormula.h"

using namespace formulatest;
using ole2test::ErrorOf;

namespace {

std::string Tokens(const std::string& aText, TFakeContext& aContext, TFmReturnType aType = TFmReturnType::fmValue)
{
    TParseString parser(Utf8ToUtf16(aText), aContext, aType);
    parser.Parse();
    return HexOf(parser.Tokens());
}

std::string Tokens(const std::string& aText)
{
    TFakeContext context;
    return Tokens(aText, context);
}

std::string Refusal(const std::string& aText)
{
    TFakeContext context;
    try {
        TParseString parser(Utf8ToUtf16(aText), context, TFmReturnType::fmValue);
        parser.Parse();
    } catch (const EXlsException& e) {
        return e.what();
    }
    return "(parsed)";
}

struct TEncodeCase {
    const char* Text;
    const char* Tokens;
};

void ExpectTokens(std::initializer_list<TEncodeCase> aCases)
{
    for (const auto& c : aCases) EXPECT_EQ(Tokens(c.Text), c.Tokens) << c.Text;
}

}  // namespace

TEST(FormulaEncoder, OperatorsBindByPrecedenceAndFromTheLeft)
{
    ExpectTokens({
        {"=1+2*3", "1E 01 00 1E 02 00 1E 03 00 05 03"},
        {"=(1+2)*3", "1E 01 00 1E 02 00 03 15 1E 03 00 05"},
        {"=1-2-3", "1E 01 00 1E 02 00 04 1E 03 00 04"},
        {"=2^3^2", "1E 02 00 1E 03 00 07 1E 02 00 07"},
        {"=1&2=3", "1E 01 00 1E 02 00 08 1E 03 00 0B"},
        {"=1<2", "1E 01 00 1E 02 00 09"},
        {"=1<=2", "1E 01 00 1E 02 00 0A"},
        {"=1>=2", "1E 01 00 1E 02 00 0C"},
        {"=1>2", "1E 01 00 1E 02 00 0D"},
        {"=1<>2", "1E 01 00 1E 02 00 0E"},
        {"=6/3", "1E 06 00 1E 03 00 06"},
    });
}

TEST(FormulaEncoder, SignsBindTighterThanPowerAndPercent)
{
    ExpectTokens({
        {"=-2^2", "1E 02 00 13 1E 02 00 07"},
        {"=-A1%", "44 00 00 00 C0 13 14"},
        {"=A1%%", "44 00 00 00 C0 14 14"},
        {"=--1", "1E 01 00 13 13"},
        // The sign next to the operand applies first.
        {"=-+A1", "44 00 00 00 C0 12 13"},
    });
}

TEST(FormulaEncoder, ReferencesAreasWholeRowsAndColumns)
{
    ExpectTokens({
        {"=A1", "44 00 00 00 C0"},
        {"=$B$3", "44 02 00 01 00"},
        {"=B$3", "44 02 00 01 40"},
        {"=$B3", "44 02 00 01 80"},
        {"=IV65536", "44 FF FF FF C0"},
        {"=A1:B2", "45 00 00 01 00 00 C0 01 C0"},
        {"=A:B", "45 00 00 FF FF 00 C0 01 C0"},
        {"=$3:$5", "45 02 00 04 00 00 40 FF 40"},
        // ":" after an area is the range operator.
        {"=A1:B2:C3", "25 00 00 01 00 00 C0 01 C0 24 02 00 02 C0 11"},
    });
}

TEST(FormulaEncoder, UnionOnlyInsideParentheses)
{
    ExpectTokens({
        {"=SUM((A1,B2))", "24 00 00 00 C0 24 01 00 01 C0 10 15 42 01 04 00"},
        {"=SUM(A1,B2)", "24 00 00 00 C0 24 01 00 01 C0 42 02 04 00"},
    });
    EXPECT_EQ(Refusal("=A1,B2"), R"(Unexpected char "," at pos 4 on formula: "=A1,B2")");
}

TEST(FormulaEncoder, Constants)
{
    ExpectTokens({
        {"=65535", "1E FF FF"},
        {"=65536", "1F 00 00 00 00 00 00 F0 40"},
        {"=1.5", "1F 00 00 00 00 00 00 F8 3F"},
        {"=.5", "1F 00 00 00 00 00 00 E0 3F"},
        {"=1E3", "1E E8 03"},
        {"=2.5e-1", "1F 00 00 00 00 00 00 D0 3F"},
        {"=1E+1", "1E 0A 00"},
        {"=\"a\"\"b\"", "17 03 00 61 22 62"},
        {"=\"\"", "17 00 00"},
        {"=\"€\"", "17 01 01 AC 20"},
        {"=TRUE", "1D 01"},
        {"=false", "1D 00"},
        {"=#N/A", "1C 2A"},
        {"=#div/0!", "1C 07"},
        {"=#NULL!", "1C 00"},
    });
}

TEST(FormulaEncoder, FunctionsWithFixedAndVariableArguments)
{
    ExpectTokens({
        {"=PI()", "41 13 00"},
        {"=TRUE()", "41 22 00"},
        {"=SIN(1)", "1E 01 00 41 0F 00"},
        {"=SUM()", "42 00 04 00"},
        {"=SUM(1,,2)", "1E 01 00 16 1E 02 00 42 03 04 00"},
        {"=SUM(,)", "16 16 42 02 04 00"},
        // IF returns a reference; the cell's result is a value.
        {"=IF(A1>0,\"y\",B1)", "44 00 00 00 C0 1E 00 00 0D 17 01 00 79 24 00 00 01 C0 42 03 01 00"},
        {"=ABS(A1)", "44 00 00 00 C0 41 18 00"},
        {"=TRANSPOSE(A1:B2)", "65 00 00 01 00 00 C0 01 C0 61 53 00"},
        {"=sum(a1)", "24 00 00 00 C0 42 01 04 00"},
    });
}

TEST(FormulaEncoder, SheetReferencesShareTheirExternSheetEntry)
{
    TFakeContext context;
    EXPECT_EQ(Tokens("=Sheet2!A1", context), "5A 00 00 00 00 00 C0");
    EXPECT_EQ(Tokens("='My Sheet'!$A$1:$B$2", context), "5B 01 00 00 00 01 00 00 00 01 00");
    EXPECT_EQ(Tokens("=SUM(Sheet1:Data!A1)+sheet2!B1", context),
              "3A 02 00 00 00 00 C0 42 01 04 00 5A 00 00 00 00 01 C0 03");
    EXPECT_EQ(context.Xti, (std::vector<std::pair<std::int32_t, std::int32_t>>{{1, 1}, {3, 3}, {0, 2}}));
}

TEST(FormulaEncoder, NameFormulasAreForcedToAbsolute3dReferences)
{
    TFakeContext context;
    TParseString name(u"=A1:B2+Sheet1!C3", context, true, u"Data", TFmReturnType::fmRef);
    name.Parse();
    EXPECT_EQ(HexOf(name.Tokens()), "5B 00 00 00 00 01 00 00 00 01 00 5A 01 00 02 00 02 C0 03");
    TParseString single(u"=A1", context, true, u"Data", TFmReturnType::fmRef);
    single.Parse();
    EXPECT_EQ(HexOf(single.Tokens()), "3A 00 00 00 00 00 00");
    EXPECT_EQ(context.Xti.size(), 2u);
}

TEST(FormulaEncoder, BlanksBecomeSpaceAttributesOfTheirToken)
{
    ExpectTokens({
        {"=A1 *2", "44 00 00 00 C0 1E 02 00 19 40 00 01 05"},
        {"=SUM(A1:B2, 3)", "25 00 00 01 00 00 C0 01 C0 19 40 00 01 1E 03 00 42 02 04 00"},
        {"=( 1  )", "19 40 00 01 1E 01 00 19 40 04 02 15"},
        {"=1+ (2)", "1E 01 00 1E 02 00 19 40 02 01 15 03"},
        {"= -1", "1E 01 00 19 40 00 01 13"},
        {"=SUM(1, )", "1E 01 00 19 40 00 01 16 42 02 04 00"},
        // Blanks in front of "," and at the end belong to no token.
        {"=SUM(1 ,2)  ", "1E 01 00 1E 02 00 42 02 04 00"},
    });
}

TEST(FormulaEncoder, EveryRefusalNamesItsCause)
{
    const std::string longString = "=\"" + std::string(256, 'x') + "\"";
    std::string tooLong = "=1";
    while (tooLong.size() < 1024) tooLong += "+1";
    ASSERT_EQ(tooLong.size(), 1024u);
    const struct {
        std::string Text;
        std::string Message;
    } cases[] = {
        {"A1", R"(Formula must start with "=": "A1")"},
        {" =A1", R"(Formula must start with "=": " =A1")"},
        {"=", R"(Unexpected end of formula: "=")"},
        {"=1+", R"(Unexpected end of formula: "=1+")"},
        {"=1 2", R"(Unexpected char "2" at pos 4 on formula: "=1 2")"},
        {"=1+€", R"(Unexpected char "€" at pos 4 on formula: "=1+€")"},
        {"=(1+2", R"(Missing closing parentheses on formula: "=(1+2")"},
        {"=\"abc", R"(Unterminated string on formula: "="abc")"},
        {"='Data", R"(Unterminated string on formula: "='Data")"},
        {"='Data'A1", R"(Unexpected char "A" at pos 8 on formula: "='Data'A1")"},
        {"={1,2}", "Writing array formulas is not yet supported"},
        {"=#ABCDEFGH", R"(Unexpected Identifier: "#ABCDEFG" on formula "=#ABCDEFGH")"},
        {"=#N/", R"(Unexpected end of formula: "=#N/")"},
        {"=MyName", R"(Unexpected Identifier: "MYNAME" on formula "=MyName")"},
        {"=IW1", R"(Unexpected Identifier: "IW1" on formula "=IW1")"},
        {"=A65537", R"(Unexpected Identifier: "A65537" on formula "=A65537")"},
        {"=1.2.3", R"(Unexpected Identifier: "1.2.3" on formula "=1.2.3")"},
        {"=FOO(1)", R"m(Function not found: "FOO" on formula "=FOO(1)")m"},
        {"=SIN(1,2)", R"(Invalid number of parameters to function "SIN": Expected 1 and found 2)"},
        {"=PI(1)", R"(Invalid number of parameters to function "PI": Expected 0 and found 1)"},
        {"=IF(1)", R"(Invalid number of parameters to function "IF": Expected 2 and found 1)"},
        {"=SUM(1", R"(Unexpected end of formula: "=SUM(1")"},
        {"=SUM(1;2)", R"m(Unexpected char ";" at pos 7 on formula: "=SUM(1;2)")m"},
        {"=Sheet9!A1", "Invalid sheet: Sheet9"},
        {"=Sheet1:Nope!A1", "Invalid sheet: Nope"},
        {"=Data!Total", "External names are not supported: TOTAL"},
        {"=Data!IW1", R"(Unexpected Identifier: "1, 257" on formula "=Data!IW1")"},
        {"=Data!A70000", R"(Unexpected Identifier: "70000, 1" on formula "=Data!A70000")"},
        {"=Data!", R"(Unexpected end of formula: "=Data!")"},
        {longString, "Invalid String record"},
        {tooLong, R"(Formula too long: ")" + tooLong + "\""},
    };
    for (const auto& c : cases) EXPECT_EQ(Refusal(c.Text), c.Message) << c.Text;
}

TEST(FormulaEncoder, AFormulaThatDoesNotDecodeIsRefused)
{
    // A context that cannot name the sheets of its EXTERNSHEET entries.
    struct TNoSheetNames final : TFakeContext {
        TXlsString GetSheetName(std::int32_t) override { RaiseXls(TXlsMsg::LogicalError); }
    } context;
    TParseString parser(u"=Data!A1", context, TFmReturnType::fmValue);
    EXPECT_EQ(ErrorOf([&] { parser.Parse(); }), R"(Formula can't be evaluated: "=Data!A1")");
}

TEST(FormulaEncoder, LongestAndDeepestTextsAreAccepted)
{
    std::string text = "=11";
    while (text.size() < 1023) text += "+1";
    ASSERT_EQ(text.size(), 1023u);
    EXPECT_EQ(Refusal(text), "(parsed)");
    // As deep as the length allows: 510 parentheses and function calls.
    const std::string deep = "=" + std::string(255, '(') + [] {
        std::string calls;
        for (int i = 0; i < 50; ++i) calls += "ABS(";
        return calls + "1" + std::string(50, ')');
    }() + std::string(255, ')');
    EXPECT_EQ(Refusal(deep), "(parsed)");
}

TEST(FormulaEncoder, SizeWordAndTokensAreCopiedOut)
{
    TFakeContext context;
    TParseString parser(u"=A1+1", context, TFmReturnType::fmValue);
    parser.Parse();
    ASSERT_EQ(parser.TotalSize(), 2u + 9u);
    TBytes out(parser.TotalSize() + 1, 0xEE);
    parser.CopyToPtr(out, 1);
    EXPECT_EQ(HexOf(out), "EE 09 00 44 00 00 00 C0 1E 01 00 03");
    EXPECT_THROW(parser.CopyToPtrNoLen(out, 4), EXlsException);
}

TEST(FormulaEncoder, DecodedTextIsTheTextParsed)
{
    for (const char* text : {
             "=SUM(A1:B2, 3)", "=A1 *2", "='My Sheet'!$A$1:$B$2", "='Sheet1:Data'!B$2", "=-+A1", "=( 1 )",
             "=IF(A1>0,\"yes\",\"no\")", "=A1&\"x\"\"y\"", "=$A:$C", "=1.5E+20", "=0.001", "=#DIV/0!", "=TRUE",
             "=SUM(1,,2)", "=A1%", "=(A1:B2 )", "=ROUND(PI(),2)", "=-2^2", "=1<>2",
         }) {
        TFakeContext context;
        TParseString parser(Utf8ToUtf16(text), context, TFmReturnType::fmValue);
        parser.Parse();
        EXPECT_EQ(Decoded(TBytes(parser.Tokens().begin(), parser.Tokens().end()), context), text);
    }
}

TEST(FormulaEncoder, ArbitraryTextsParseOrFailWithAnEngineError)
{
    const char16_t kChars[] = u"=+-*/^&%<>(),:;!$'\"#{} .1234567890eEABCIVSUMifDataSheet2_\\";
    std::uint32_t seed = 4242;
    auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    int parsed = 0;
    for (int round = 0; round < 20000; ++round) {
        TXlsString text = u"=";
        for (std::size_t n = next() % 24; n > 0; --n) text += kChars[next() % (std::size(kChars) - 1)];
        TFakeContext context;
        try {
            TParseString parser(text, context, TFmReturnType::fmValue);
            parser.Parse();
            // What parses decodes to a text that parses to the same tokens.
            const TBytes tokens(parser.Tokens().begin(), parser.Tokens().end());
            TParseString again(Utf8ToUtf16(Decoded(tokens, context)), context, TFmReturnType::fmValue);
            again.Parse();
            EXPECT_EQ(HexOf(again.Tokens()), HexOf(tokens)) << Utf16ToUtf8(text);
            ++parsed;
        } catch (const EXlsException&) {
        }
    }
    EXPECT_GT(parsed, 100);
}
