// The formula encoder: a recursive-descent parser that turns formula text
// such as =SUM(A1:B2)*2 into a BIFF8 token array, emitting the tokens in
// reverse Polish order while it reads. It knows A1 references, sheet
// references, the operators and the built-in functions; it does not accept
// defined names, external references, R1C1 references or array constants.
//
// Binding, loosest first, every binary operator left-associative:
// comparison (= < > <= >= <>), "&", "+ -", "* /", "^", postfix "%", prefix
// signs, then the reference operators ":" and "," (the union only inside
// plain parentheses). Blanks in front of a token are kept as space
// attributes in front of it.
#pragma once

#include <cstdint>
#include <string>

#include "globals/UTbrStack.h"
#include "globals/UXlsFormulaParser.h"
#include "globals/UXlsTokenArray.h"
#include "globals/XlsFormulaMessages.h"

namespace xls {

// A formula text holds at most this many characters.
constexpr std::size_t MaxFormulaLength = 1023;

class TParseString {
public:
    // A cell formula; the result gets the class ReturnType.
    TParseString(std::u16string_view aw, TFormulaContext& aCellList, TFmReturnType ReturnType);
    // With aForce3D every cell reference without a sheet is written as an
    // absolute 3-D reference to the sheet named aDefault3DExternSheet (the
    // form of defined names).
    TParseString(std::u16string_view aw, TFormulaContext& aCellList, bool aForce3D,
                 std::u16string_view aDefault3DExternSheet, TFmReturnType ReturnType);

    // Parses the whole text or fails with the message of the first fault;
    // may add EXTERNSHEET entries through the context. A parsed formula is
    // decoded once as a check ("Formula can't be evaluated" when it fails).
    void Parse();

    TByteView Tokens() const { return FParsedData; }
    // The size word, the tokens and the array data.
    std::size_t TotalSize() const { return 2 + FParsedData.size() + FParsedArrayData.size(); }
    // Writes the size word (tokens + array data), the tokens and the array
    // data at aPos; CopyToPtrNoLen the same without the size word.
    void CopyToPtr(TByteSpan Ptr, std::size_t aPos) const;
    void CopyToPtrNoLen(TByteSpan Ptr, std::size_t destIndex) const;

private:
    struct TRefEnd;

    // Reading the text.
    char16_t CharAt(std::int32_t aPos) const;
    bool AtEnd() const { return ParsePos > static_cast<std::int32_t>(Fw.size()); }
    void NextChar();
    // The next non-blank character and its position; false at the end.
    bool PeekNonBlank(char16_t& c, std::int32_t& aPos) const;
    bool NextIs(char16_t c) const;
    // Skips the blanks in front of the next token and remembers their run.
    void SkipWhiteSpace();
    [[noreturn]] void RaiseUnexpectedChar(std::int32_t aPos) const;
    [[noreturn]] void RaiseUnexpectedEnd() const;
    [[noreturn]] void RaiseUnexpectedIdentifier(std::u16string_view aText) const;

    // Emitting tokens.
    void WriteWhiteSpace(TWhiteSpace aWs);
    // The token of the lexeme whose blank run is the last one remembered.
    void AddToken(std::uint8_t aId);
    void AddWord(std::uint16_t aValue);
    void SetLastClass(std::uint8_t aClass, bool aKeepArray);
    void MakeLastValue() { SetLastClass(ptgClassValue, true); }
    void SetArgClass(char aParamClass);
    void SetResultClass(TFmReturnType aMode);

    // The grammar, loosest level first.
    void Expression();
    void Comparison();
    template <class Next>
    void BinaryLevel(std::u16string_view aOperators, const std::uint8_t* aTokens, Next aNext);
    void Concatenation();
    void Additive();
    void Multiplicative();
    void Power();
    void Percent();
    void Sign();
    void ReferenceOperators();
    void Primary();
    void Parentheses();
    // The text of a literal that opens with aQuote at ParsePos ("" inside stands for ").
    TXlsString QuotedText(char16_t aQuote);
    void StringConstant();
    void ErrorConstant();
    bool TryCellReference();
    void NumberConstant();
    void Identifier();
    void QuotedSheetReference();
    void SheetReference(std::u16string_view aSheets);
    void FunctionCall(const TXlsString& aName);
    enum TRefRead { rrNone, rrOk, rrOutOfRange };
    bool ReadRefEnd(TRefEnd& aEnd);
    TRefRead ReadReference(TRefEnd& aFirst, TRefEnd& aLast, bool& aIsArea);
    void AddReference(const TRefEnd& aFirst, const TRefEnd& aLast, bool aIsArea, std::int32_t aExternSheet,
                      bool aAbsolute);
    std::int32_t DefaultExternSheet();

    void CheckByDecoding() const;

    std::int32_t ParsePos = 1;  // counted from 1
    TXlsString Fw;
    TBytes FParsedData;
    TBytes FParsedArrayData;  // stays empty: array constants are refused
    std::int32_t MaxErrorLen = 0;
    std::string DirectlyInFormula;  // per open bracket: '0' parenthesis, '1' argument list
    std::int32_t LastRefOp = -1;
    TFormulaContext& FCellList;
    TWhiteSpaceStack StackWs;
    TXlsString Default3DExternSheet;
    bool Force3d = false;
    TFmReturnType InitialRefMode;
    std::int32_t FDefaultExternSheet = -1;  // found on first use
};

}  // namespace xls
