#include "globals/UXlsEncodeFormula.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "base/UXlsUnicode.h"
#include "records/UXlsStrings.h"
#include "globals/UXlsTokenArray.h"

namespace xls {

namespace {

constexpr std::int32_t kMaxRefColumn = 256;    // IV, counted from 1
constexpr std::int32_t kMaxRefRow = 65536;     // counted from 1
constexpr std::int64_t kNumberCap = 1000000000;  // rows and columns read stop growing here
constexpr std::uint8_t kSpaceBeforeToken = 0;  // space attribute kinds
constexpr std::uint8_t kSpaceBeforeOpen = 2;
constexpr std::uint8_t kSpaceBeforeClose = 4;

bool IsAsciiLetter(char16_t c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// ASCII letters and the letters of Latin-1 (sheet names such as Übersicht).
bool IsLetter(char16_t c)
{
    return IsAsciiLetter(c) || (c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7);
}

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool IsIdentifierChar(char16_t c)
{
    return IsLetter(c) || IsDigit(c) || c == u'_' || c == u'\\' || c == u'.' || c == u':';
}

std::string Utf8(std::u16string_view s)
{
    return Utf16ToUtf8(s);
}

// "#DIV/0!" is the longest error literal.
std::int32_t LongestErrorText()
{
    return static_cast<std::int32_t>(ErrorCodeText(0x07).size());
}

std::uint8_t ClassBits(TFmReturnType aType)
{
    switch (aType) {
    case TFmReturnType::fmRef: return ptgClassRef;
    case TFmReturnType::fmArray: return ptgClassArray;
    default: return ptgClassValue;
    }
}

}  // namespace

// One end of an A1 reference as written: column and row counted from 1,
// either may be missing (a whole row or column).
struct TParseString::TRefEnd {
    std::int64_t Row = 0;
    std::int64_t Col = 0;
    bool HasRow = false;
    bool HasCol = false;
    bool RowAbs = false;
    bool ColAbs = false;

    bool InRange() const
    {
        return (!HasRow || (Row >= 1 && Row <= kMaxRefRow)) && (!HasCol || (Col >= 1 && Col <= kMaxRefColumn));
    }
    bool SameKind(const TRefEnd& o) const { return HasRow == o.HasRow && HasCol == o.HasCol; }
};

TParseString::TParseString(std::u16string_view aw, TFormulaContext& aCellList, TFmReturnType ReturnType)
    : TParseString(aw, aCellList, false, u"", ReturnType)
{
}

TParseString::TParseString(std::u16string_view aw, TFormulaContext& aCellList, bool aForce3D,
                           std::u16string_view aDefault3DExternSheet, TFmReturnType ReturnType)
    : Fw(aw),
      MaxErrorLen(LongestErrorText()),
      FCellList(aCellList),
      Default3DExternSheet(aDefault3DExternSheet),
      Force3d(aForce3D),
      InitialRefMode(ReturnType)
{
}

// ------------------------------------------------------------ reading text

char16_t TParseString::CharAt(std::int32_t aPos) const
{
    return aPos >= 1 && aPos <= static_cast<std::int32_t>(Fw.size()) ? Fw[static_cast<std::size_t>(aPos - 1)] : u'\0';
}

void TParseString::NextChar()
{
    ++ParsePos;
    if (ParsePos > static_cast<std::int32_t>(MaxFormulaLength) + 1) RaiseXls(TXlsMsg::FormulaTooLong, {Utf8(Fw)});
}

bool TParseString::PeekNonBlank(char16_t& c, std::int32_t& aPos) const
{
    aPos = ParsePos;
    while (aPos <= static_cast<std::int32_t>(Fw.size()) && CharAt(aPos) == u' ') ++aPos;
    c = CharAt(aPos);
    return aPos <= static_cast<std::int32_t>(Fw.size());
}

bool TParseString::NextIs(char16_t c) const
{
    char16_t next;
    std::int32_t pos;
    return PeekNonBlank(next, pos) && next == c;
}

void TParseString::SkipWhiteSpace()
{
    std::size_t count = 0;
    while (!AtEnd() && CharAt(ParsePos) == u' ') {
        NextChar();
        ++count;
    }
    const char16_t next = CharAt(ParsePos);
    const std::uint8_t kind = next == u'(' ? kSpaceBeforeOpen : next == u')' ? kSpaceBeforeClose : kSpaceBeforeToken;
    // An attribute counts at most 255 blanks; the rest are dropped.
    StackWs.Push({static_cast<std::uint8_t>(std::min<std::size_t>(count, 255)), kind});
}

void TParseString::RaiseUnexpectedChar(std::int32_t aPos) const
{
    RaiseXls(TXlsMsg::FormulaUnexpectedChar,
             {Utf8(std::u16string(1, CharAt(aPos))), std::int64_t(aPos), Utf8(Fw)});
}

void TParseString::RaiseUnexpectedEnd() const
{
    RaiseXls(TXlsMsg::FormulaUnexpectedEnd, {Utf8(Fw)});
}

void TParseString::RaiseUnexpectedIdentifier(std::u16string_view aText) const
{
    RaiseXls(TXlsMsg::FormulaUnexpectedIdentifier, {Utf8(aText), Utf8(Fw)});
}

// --------------------------------------------------------------- emitting

void TParseString::WriteWhiteSpace(TWhiteSpace aWs)
{
    if (aWs.Count == 0) return;
    FParsedData.insert(FParsedData.end(), {ptgAttr, attrSpace, aWs.Kind, aWs.Count});
}

void TParseString::AddToken(std::uint8_t aId)
{
    WriteWhiteSpace(StackWs.Pop());
    if (aId != ptgAttr && aId != ptgParen) LastRefOp = static_cast<std::int32_t>(FParsedData.size());
    FParsedData.push_back(aId);
}

void TParseString::AddWord(std::uint16_t aValue)
{
    AppendWord(FParsedData, aValue);
}

// Only operand tokens carry a class; an array operand keeps it when aKeepArray.
void TParseString::SetLastClass(std::uint8_t aClass, bool aKeepArray)
{
    if (LastRefOp < 0) return;
    std::uint8_t& id = FParsedData[static_cast<std::size_t>(LastRefOp)];
    if (id < 0x20) return;
    if (aKeepArray && (id & ptgClassMask) == ptgClassArray) return;
    id = static_cast<std::uint8_t>((id & ~ptgClassMask) | aClass);
}

void TParseString::SetArgClass(char aParamClass)
{
    if (aParamClass == 'R') return;
    if (aParamClass == 'A')
        SetLastClass(ptgClassArray, false);
    else
        MakeLastValue();
}

void TParseString::SetResultClass(TFmReturnType aMode)
{
    SetLastClass(ClassBits(aMode), aMode == TFmReturnType::fmValue);
}

// ---------------------------------------------------------------- grammar

void TParseString::Parse()
{
    if (Fw.empty() || Fw[0] != u'=') RaiseXls(TXlsMsg::FormulaMustStartWithEqual, {Utf8(Fw)});
    ParsePos = 2;
    Expression();
    SetResultClass(InitialRefMode);
    char16_t c;
    std::int32_t pos;
    if (PeekNonBlank(c, pos)) RaiseUnexpectedChar(pos);
    if (StackWs.Count() != 0) RaiseXls(TXlsMsg::LogicalError);
    CheckByDecoding();
}

void TParseString::CheckByDecoding() const
{
    TBytes scratch(TotalSize());
    CopyToPtr(scratch, 0);
    try {
        DecodeFormula(scratch, 2, FCellList);
    } catch (const std::exception&) {
        RaiseXls(TXlsMsg::FormulaCantEvaluate, {Utf8(Fw)});
    }
}

void TParseString::Expression()
{
    Comparison();
}

// aOperators holds the operator characters of one level, aTokens their tokens.
template <class Next>
void TParseString::BinaryLevel(std::u16string_view aOperators, const std::uint8_t* aTokens, Next aNext)
{
    (this->*aNext)();
    for (;;) {
        char16_t c;
        std::int32_t pos;
        if (!PeekNonBlank(c, pos)) return;
        const std::size_t op = aOperators.find(c);
        if (op == std::u16string_view::npos) return;
        MakeLastValue();
        SkipWhiteSpace();
        NextChar();
        (this->*aNext)();
        MakeLastValue();
        AddToken(aTokens[op]);
    }
}

void TParseString::Comparison()
{
    Concatenation();
    for (;;) {
        char16_t c;
        std::int32_t pos;
        if (!PeekNonBlank(c, pos) || (c != u'=' && c != u'<' && c != u'>')) return;
        const char16_t second = CharAt(pos + 1);
        std::uint8_t token = ptgEQ;
        bool twoChars = false;
        if (c == u'<') {
            twoChars = second == u'=' || second == u'>';
            token = second == u'=' ? ptgLE : second == u'>' ? ptgNE : ptgLT;
        } else if (c == u'>') {
            twoChars = second == u'=';
            token = twoChars ? ptgGE : ptgGT;
        }
        MakeLastValue();
        SkipWhiteSpace();
        NextChar();
        if (twoChars) NextChar();
        Concatenation();
        MakeLastValue();
        AddToken(token);
    }
}

void TParseString::Concatenation()
{
    static constexpr std::uint8_t kTokens[] = {ptgConcat};
    BinaryLevel(u"&", kTokens, &TParseString::Additive);
}

void TParseString::Additive()
{
    static constexpr std::uint8_t kTokens[] = {ptgAdd, ptgSub};
    BinaryLevel(u"+-", kTokens, &TParseString::Multiplicative);
}

void TParseString::Multiplicative()
{
    static constexpr std::uint8_t kTokens[] = {ptgMul, ptgDiv};
    BinaryLevel(u"*/", kTokens, &TParseString::Power);
}

void TParseString::Power()
{
    static constexpr std::uint8_t kTokens[] = {ptgPower};
    BinaryLevel(u"^", kTokens, &TParseString::Percent);
}

void TParseString::Percent()
{
    Sign();
    while (NextIs(u'%')) {
        MakeLastValue();
        SkipWhiteSpace();
        NextChar();
        AddToken(ptgPercent);
    }
}

void TParseString::Sign()
{
    std::string signs;  // as written
    char16_t c;
    std::int32_t pos;
    while (PeekNonBlank(c, pos) && (c == u'-' || c == u'+')) {
        SkipWhiteSpace();
        NextChar();
        signs.push_back(static_cast<char>(c));
    }
    ReferenceOperators();
    if (signs.empty()) return;
    MakeLastValue();
    // The sign nearest to the operand applies first, so "-+A1" reads back as written.
    for (auto it = signs.rbegin(); it != signs.rend(); ++it) AddToken(*it == '-' ? ptgUminus : ptgUplus);
}

void TParseString::ReferenceOperators()
{
    Primary();
    for (;;) {
        char16_t c;
        std::int32_t pos;
        if (!PeekNonBlank(c, pos)) return;
        const bool inParentheses = !DirectlyInFormula.empty() && DirectlyInFormula.back() == '0';
        if (c != u':' && !(c == u',' && inParentheses)) return;
        SkipWhiteSpace();
        NextChar();
        Primary();
        AddToken(c == u':' ? ptgRange : ptgUnion);
    }
}

void TParseString::Primary()
{
    char16_t c;
    std::int32_t pos;
    if (!PeekNonBlank(c, pos)) RaiseUnexpectedEnd();
    if (c > 0xFF) RaiseUnexpectedChar(pos);
    switch (c) {
    case u'(': Parentheses(); return;
    case u'"': StringConstant(); return;
    case u'{': RaiseXls(TXlsMsg::ArrayFormulaNotSupported);
    case u'#': ErrorConstant(); return;
    default: break;
    }
    if (TryCellReference()) return;
    if (IsDigit(c) || c == u'.')
        NumberConstant();
    else if (IsLetter(c) || c == u'_' || c == u'\\')
        Identifier();
    else if (c == u'\'')
        QuotedSheetReference();
    else
        RaiseUnexpectedChar(pos);
}

void TParseString::Parentheses()
{
    SkipWhiteSpace();  // the blanks before "(" ...
    NextChar();
    DirectlyInFormula.push_back('0');
    Expression();
    if (!NextIs(u')')) RaiseXls(TXlsMsg::FormulaMissingParenthesis, {Utf8(Fw)});
    SkipWhiteSpace();  // ... and before ")" go with the parenthesis token
    NextChar();
    DirectlyInFormula.pop_back();
    const TWhiteSpace after = StackWs.Pop();
    WriteWhiteSpace(StackWs.Pop());
    StackWs.Push(after);
    AddToken(ptgParen);
}

TXlsString TParseString::QuotedText(char16_t aQuote)
{
    NextChar();
    TXlsString text;
    for (;;) {
        if (AtEnd()) RaiseXls(TXlsMsg::FormulaUnterminatedString, {Utf8(Fw)});
        const char16_t c = CharAt(ParsePos);
        NextChar();
        if (c == aQuote) {
            if (CharAt(ParsePos) != aQuote) break;
            NextChar();  // a doubled quote stands for one
        }
        text.push_back(c);
    }
    return text;
}

void TParseString::StringConstant()
{
    SkipWhiteSpace();
    const TXlsString text = QuotedText(u'"');
    TBytes serialised;
    TExcelString(1, text, false).AppendTo(serialised);  // more than 255 characters fail
    AddToken(ptgStr);
    FParsedData.insert(FParsedData.end(), serialised.begin(), serialised.end());
}

void TParseString::ErrorConstant()
{
    SkipWhiteSpace();
    TXlsString text;
    for (;;) {
        if (AtEnd()) RaiseUnexpectedEnd();
        const char16_t c = CharAt(ParsePos);
        text.push_back(c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 0x20) : c);
        NextChar();
        if (const std::optional<std::uint8_t> code = ErrorCodeOf(text)) {
            AddToken(ptgErr);
            FParsedData.push_back(*code);
            return;
        }
        if (static_cast<std::int32_t>(text.size()) > MaxErrorLen) RaiseUnexpectedIdentifier(text);
    }
}

// Reads [$]letters[$]digits at ParsePos; a missing part makes a whole row
// or column. False, with ParsePos anywhere, when the text there is none.
bool TParseString::ReadRefEnd(TRefEnd& aEnd)
{
    aEnd = TRefEnd{};
    bool firstDollar = false;
    if (CharAt(ParsePos) == u'$') {
        firstDollar = true;
        NextChar();
    }
    while (IsAsciiLetter(CharAt(ParsePos))) {
        const char16_t c = CharAt(ParsePos) & ~0x20;
        aEnd.Col = std::min<std::int64_t>(aEnd.Col * 26 + (c - u'A' + 1), kNumberCap);
        aEnd.HasCol = true;
        NextChar();
    }
    bool secondDollar = false;
    if (aEnd.HasCol && CharAt(ParsePos) == u'$') {
        secondDollar = true;
        NextChar();
    }
    while (IsDigit(CharAt(ParsePos))) {
        aEnd.Row = std::min<std::int64_t>(aEnd.Row * 10 + (CharAt(ParsePos) - u'0'), kNumberCap);
        aEnd.HasRow = true;
        NextChar();
    }
    if (aEnd.HasCol) {
        aEnd.ColAbs = firstDollar;
        aEnd.RowAbs = secondDollar;
    } else {
        aEnd.RowAbs = firstDollar;
    }
    if (secondDollar && !aEnd.HasRow) return false;
    return aEnd.HasCol || aEnd.HasRow;
}

// A cell or an area (A1:B2, A:B, 3:5) at ParsePos, not followed by more
// of a name. rrOutOfRange: it has the form of one, but a row or column lies
// outside the sheet (aFirst is that end).
TParseString::TRefRead TParseString::ReadReference(TRefEnd& aFirst, TRefEnd& aLast, bool& aIsArea)
{
    aIsArea = false;
    if (!ReadRefEnd(aFirst)) return rrNone;
    if (CharAt(ParsePos) == u':') {
        const std::int32_t colon = ParsePos;
        NextChar();
        if (ReadRefEnd(aLast) && aLast.SameKind(aFirst)) {
            aIsArea = true;
        } else {
            ParsePos = colon;
        }
    }
    // "Q1!", "A1B" or "LOG10(" are names, not references.
    const char16_t next = CharAt(ParsePos);
    if ((IsIdentifierChar(next) && next != u':') || next == u'!' || next == u'(') return rrNone;
    if (!aIsArea && !(aFirst.HasRow && aFirst.HasCol)) return rrNone;
    if (!aFirst.InRange()) return rrOutOfRange;
    if (aIsArea && !aLast.InRange()) {
        aFirst = aLast;
        return rrOutOfRange;
    }
    return rrOk;
}

std::int32_t TParseString::DefaultExternSheet()
{
    if (FDefaultExternSheet < 0) {
        std::int32_t sheet = -1;
        if (!FCellList.FindSheet(Default3DExternSheet, sheet))
            RaiseXls(TXlsMsg::FormulaInvalidSheet, {Utf8(Default3DExternSheet)});
        FDefaultExternSheet = FCellList.AddExternSheet(sheet, sheet);
    }
    return FDefaultExternSheet;
}

// ptgRef/ptgArea, or their 3-D forms with aExternSheet >= 0: rows from 0,
// column fields with 0x8000 for a relative row and 0x4000 for a relative
// column (none when aAbsolute).
void TParseString::AddReference(const TRefEnd& aFirst, const TRefEnd& aLast, bool aIsArea, std::int32_t aExternSheet,
                                bool aAbsolute)
{
    auto rowWord = [](const TRefEnd& e, bool aLastEnd) {
        if (!e.HasRow) return static_cast<std::uint16_t>(aLastEnd ? kMaxRefRow - 1 : 0);
        return static_cast<std::uint16_t>(e.Row - 1);
    };
    auto colField = [&](const TRefEnd& e, bool aLastEnd) {
        std::uint16_t field = static_cast<std::uint16_t>(e.HasCol ? e.Col - 1 : (aLastEnd ? kMaxRefColumn - 1 : 0));
        if (!aAbsolute && !e.RowAbs) field |= RowRelativeBit;
        if (!aAbsolute && !e.ColAbs) field |= ColRelativeBit;
        return field;
    };
    const bool is3d = aExternSheet >= 0;
    AddToken(aIsArea ? (is3d ? ptgArea3d : ptgArea) : (is3d ? ptgRef3d : ptgRef));
    if (is3d) AddWord(static_cast<std::uint16_t>(aExternSheet));
    if (aIsArea) {
        AddWord(rowWord(aFirst, false));
        AddWord(rowWord(aLast, true));
        AddWord(colField(aFirst, false));
        AddWord(colField(aLast, true));
    } else {
        AddWord(rowWord(aFirst, false));
        AddWord(colField(aFirst, false));
    }
}

bool TParseString::TryCellReference()
{
    const std::int32_t start = ParsePos;
    SkipWhiteSpace();
    TRefEnd first, last;
    bool isArea = false;
    if (ReadReference(first, last, isArea) != rrOk) {
        ParsePos = start;
        StackWs.Pop();
        return false;
    }
    if (Force3d)
        AddReference(first, last, isArea, DefaultExternSheet(), true);
    else
        AddReference(first, last, isArea, -1, false);
    return true;
}

void TParseString::NumberConstant()
{
    SkipWhiteSpace();
    std::string text;
    while (IsDigit(CharAt(ParsePos)) || CharAt(ParsePos) == u'.') {
        text.push_back(static_cast<char>(CharAt(ParsePos)));
        NextChar();
    }
    const char16_t e = CharAt(ParsePos);
    const char16_t afterE = CharAt(ParsePos + 1);
    const bool signedExponent = (afterE == u'+' || afterE == u'-') && IsDigit(CharAt(ParsePos + 2));
    if ((e == u'e' || e == u'E') && (IsDigit(afterE) || signedExponent)) {
        text.push_back('e');
        NextChar();
        if (signedExponent) {
            text.push_back(static_cast<char>(afterE));
            NextChar();
        }
        while (IsDigit(CharAt(ParsePos))) {
            text.push_back(static_cast<char>(CharAt(ParsePos)));
            NextChar();
        }
    }
    double value = 0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), value);
    if (res.ec != std::errc() || res.ptr != text.data() + text.size()) RaiseUnexpectedIdentifier(Utf8ToUtf16(text));
    if (value >= 0 && value <= 0xFFFF && value == std::floor(value)) {
        AddToken(ptgInt);
        AddWord(static_cast<std::uint16_t>(value));
    } else {
        AddToken(ptgNum);
        AppendDouble(FParsedData, value);
    }
}

void TParseString::Identifier()
{
    SkipWhiteSpace();
    const std::int32_t start = ParsePos;
    while (IsIdentifierChar(CharAt(ParsePos))) NextChar();
    const std::u16string_view written = std::u16string_view(Fw).substr(static_cast<std::size_t>(start - 1),
                                                                      static_cast<std::size_t>(ParsePos - start));
    const TXlsString name = AsciiUpperCase(written);
    if (CharAt(ParsePos) == u'(') {
        FunctionCall(name);
    } else if (CharAt(ParsePos) == u'!') {
        SheetReference(written);
    } else if (name == u"TRUE" || name == u"FALSE") {
        AddToken(ptgBool);
        FParsedData.push_back(name == u"TRUE" ? 1 : 0);
    } else {
        RaiseUnexpectedIdentifier(name);
    }
}

void TParseString::QuotedSheetReference()
{
    SkipWhiteSpace();
    const TXlsString sheets = QuotedText(u'\'');
    if (CharAt(ParsePos) != u'!') {
        if (AtEnd()) RaiseUnexpectedEnd();
        RaiseUnexpectedChar(ParsePos);
    }
    SheetReference(sheets);
}

// aSheets ("Data" or "First:Last") is followed by "!" at ParsePos, then a
// cell or an area; the blank run in front of the sheet part is on StackWs.
void TParseString::SheetReference(std::u16string_view aSheets)
{
    const std::size_t colon = aSheets.find(u':');
    const std::u16string_view firstName = aSheets.substr(0, colon);
    const std::u16string_view lastName = colon == std::u16string_view::npos ? firstName : aSheets.substr(colon + 1);
    std::int32_t first = -1, last = -1;
    if (!FCellList.FindSheet(firstName, first)) RaiseXls(TXlsMsg::FormulaInvalidSheet, {Utf8(firstName)});
    if (!FCellList.FindSheet(lastName, last)) RaiseXls(TXlsMsg::FormulaInvalidSheet, {Utf8(lastName)});
    NextChar();  // "!"

    const std::int32_t start = ParsePos;
    TRefEnd firstEnd, lastEnd;
    bool isArea = false;
    const TRefRead read = ReadReference(firstEnd, lastEnd, isArea);
    if (read == rrOutOfRange)
        RaiseUnexpectedIdentifier(Utf8ToUtf16(std::to_string(firstEnd.Row) + ", " + std::to_string(firstEnd.Col)));
    if (read == rrNone) {
        ParsePos = start;
        if (!IsIdentifierChar(CharAt(ParsePos))) {
            if (AtEnd()) RaiseUnexpectedEnd();
            RaiseUnexpectedChar(ParsePos);
        }
        while (IsIdentifierChar(CharAt(ParsePos))) NextChar();
        const std::u16string_view name = std::u16string_view(Fw).substr(static_cast<std::size_t>(start - 1),
                                                                        static_cast<std::size_t>(ParsePos - start));
        RaiseXls(TXlsMsg::FormulaExternalNames, {Utf8(AsciiUpperCase(name))});
    }
    AddReference(firstEnd, lastEnd, isArea, FCellList.AddExternSheet(first, last), false);
}

void TParseString::FunctionCall(const TXlsString& aName)
{
    const std::string name = Utf8(aName);
    const std::optional<TCellFuncData> func = FindFunction(name);
    if (!func) RaiseXls(TXlsMsg::FormulaFunctionNotFound, {name, Utf8(Fw)});
    NextChar();  // "("
    DirectlyInFormula.push_back('1');
    std::size_t args = 0;
    if (!NextIs(u')')) {
        for (;;) {
            char16_t c;
            std::int32_t pos;
            if (!PeekNonBlank(c, pos)) RaiseUnexpectedEnd();
            if (c == u',' || c == u')') {
                SkipWhiteSpace();
                const TWhiteSpace ws = StackWs.Pop();
                StackWs.Push({ws.Count, kSpaceBeforeToken});
                AddToken(ptgMissArg);
            } else {
                Expression();
                SetArgClass(ParamClass(*func, args));
            }
            ++args;
            if (!PeekNonBlank(c, pos)) RaiseUnexpectedEnd();
            if (c == u')') break;
            if (c != u',') RaiseUnexpectedChar(pos);
            SkipWhiteSpace();
            StackWs.Pop();  // blanks in front of "," belong to no token
            NextChar();
        }
    }
    SkipWhiteSpace();  // the blanks before the closing ")" go with the function token
    NextChar();
    DirectlyInFormula.pop_back();
    if (args < func->MinArgCount || args > func->MaxArgCount)
        RaiseXls(TXlsMsg::FormulaInvalidParamCount,
                 {name, std::int64_t(func->MinArgCount), static_cast<std::int64_t>(args)});

    const TWhiteSpace close = StackWs.Pop();
    WriteWhiteSpace(StackWs.Pop());
    StackWs.Push(close);
    const std::uint8_t cls = ClassBits(func->ReturnType);
    if (func->MinArgCount == func->MaxArgCount) {
        AddToken(static_cast<std::uint8_t>((ptgFunc & ~ptgClassMask) | cls));
    } else {
        AddToken(static_cast<std::uint8_t>((ptgFuncVar & ~ptgClassMask) | cls));
        FParsedData.push_back(static_cast<std::uint8_t>(args));
    }
    AddWord(func->Index);
}

// ------------------------------------------------------------------ output

void TParseString::CopyToPtr(TByteSpan Ptr, std::size_t aPos) const
{
    SetWord(Ptr, aPos, static_cast<std::uint16_t>(FParsedData.size() + FParsedArrayData.size()));
    CopyToPtrNoLen(Ptr, aPos + 2);
}

void TParseString::CopyToPtrNoLen(TByteSpan Ptr, std::size_t destIndex) const
{
    CheckField(Ptr.size(), destIndex, FParsedData.size() + FParsedArrayData.size());
    std::copy(FParsedData.begin(), FParsedData.end(), Ptr.begin() + static_cast<std::ptrdiff_t>(destIndex));
    std::copy(FParsedArrayData.begin(), FParsedArrayData.end(),
              Ptr.begin() + static_cast<std::ptrdiff_t>(destIndex + FParsedData.size()));
}

}  // namespace xls
