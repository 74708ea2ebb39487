#include "globals/UXlsFormulaParser.h"

#include <charconv>
#include <iterator>
#include <cmath>

#include "globals/UTbrStack.h"
#include "globals/UXlsTokenArray.h"
#include "globals/XlsFormulaMessages.h"

namespace xls {

TXlsString ColumnLetters(std::uint32_t aCol)
{
    char16_t letters[8];
    std::size_t n = 0;
    for (std::uint32_t c = aCol + 1; c > 0; c = (c - 1) / 26) letters[n++] = static_cast<char16_t>(u'A' + (c - 1) % 26);
    return TXlsString(std::make_reverse_iterator(letters + n), std::make_reverse_iterator(letters));
}

namespace {

constexpr std::u16string_view kUnknownError = u"#TABORA_UNKNOWN";
constexpr std::u16string_view kRefError = u"#REF!";

void AppendAscii(TXlsString& s, std::string_view a)
{
    s.append(a.begin(), a.end());
}

void AppendDecimal(TXlsString& s, std::uint32_t v)
{
    char buf[12];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    AppendAscii(s, std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)));
}

std::u16string_view ErrorText(std::uint8_t aCode)
{
    return IsKnownErrorCode(aCode) ? ErrorCodeText(aCode) : kUnknownError;
}

void AppendColumn(TXlsString& s, std::uint32_t aCol) { s += ColumnLetters(aCol); }

// A cell of a reference token: "$" marks an absolute column or row; the
// column field holds the column in its low byte and the relative bits.
void AppendCell(TXlsString& s, std::uint16_t aRow, std::uint16_t aColField)
{
    if (!(aColField & ColRelativeBit)) s.push_back(u'$');
    AppendColumn(s, aColField & 0xFF);
    if (!(aColField & RowRelativeBit)) s.push_back(u'$');
    AppendDecimal(s, std::uint32_t(aRow) + 1);
}

void AppendQuoted(TXlsString& s, std::u16string_view aText)
{
    s.push_back(u'"');
    for (char16_t c : aText) {
        if (c == u'"') s.push_back(u'"');
        s.push_back(c);
    }
    s.push_back(u'"');
}

class TFormulaDecoder {
public:
    TFormulaDecoder(TByteView aData, TFormulaContext& aContext, bool aNested)
        : Data(aData), Context(aContext), Nested(aNested)
    {
    }

    TXlsString Decode(std::size_t aPos)
    {
        if (aPos < 2) RaiseXls(TXlsMsg::TokenArrayTruncated);
        return Decode(aPos, GetWord(Data, aPos - 2));
    }

    TXlsString Decode(std::size_t aPos, std::size_t aSize)
    {
        Pos = aPos;
        End = aPos + aSize;
        if (aPos > Data.size() || aSize > Data.size() - aPos) RaiseXls(TXlsMsg::TokenArrayTruncated);
        ArrayPos = End;
        while (Pos < End) DecodeToken();
        TXlsString text = Stack.Pop();
        text.insert(text.begin(), u'=');
        return text;
    }

private:
    // The token at Pos is aSize bytes long; it must end inside the token array.
    void Need(std::size_t aSize) const
    {
        if (aSize > End - Pos) RaiseXls(TXlsMsg::TokenArrayTruncated);
    }

    std::uint8_t Byte(std::size_t aOfs) const { return Data[Pos + aOfs]; }
    std::uint16_t Word(std::size_t aOfs) const { return GetWord(Data, Pos + aOfs); }

    // The spaces announced for the next pushed text.
    TXlsString Spaced() const { return Stack.FmSpaces; }

    // An operand token of aSize bytes: the announced spaces, then its text.
    template <class F>
    void Operand(std::size_t aSize, F aText)
    {
        Need(aSize);
        TXlsString s = Spaced();
        aText(s);
        Stack.Push(std::move(s));
        Pos += aSize;
    }

    void DecodeToken();
    void Binary(std::u16string_view aOperator);
    void Attribute();
    void Function(std::uint16_t aIndex, std::size_t aArgCount);
    void Area(std::size_t aOfs, TXlsString& s) const;
    TXlsString ArrayConstant();
    void MasterCellFormula(std::uint8_t aId);

    TByteView Data;
    TFormulaContext& Context;
    bool Nested;  // inside an array formula: no second level
    std::size_t Pos = 0;
    std::size_t End = 0;
    std::size_t ArrayPos = 0;  // the next array constant behind the tokens
    TFormulaStack Stack;
};

void TFormulaDecoder::Binary(std::u16string_view aOperator)
{
    TXlsString right = Stack.Pop();
    TXlsString left = Stack.Pop();
    left.reserve(left.size() + Stack.FmSpaces.size() + aOperator.size() + right.size());
    left += Stack.FmSpaces;
    left += aOperator;
    left += right;
    Stack.Push(std::move(left));
}

void TFormulaDecoder::Attribute()
{
    Need(4);
    const std::uint8_t options = Byte(1);
    if (options & attrChoose) {
        // The jump table of the choose form: (count + 1) offsets.
        const std::size_t size = 4 + 2 * (std::size_t(Word(2)) + 1);
        Need(size);
        Pos += size;
        return;
    }
    if (options & attrSum) {
        TXlsString s = Spaced();
        AppendAscii(s, "SUM(");
        s += Stack.Pop();
        s.push_back(u')');
        Stack.Push(std::move(s));
    } else if (options & attrSpace) {
        const std::uint8_t kind = Byte(2);
        const TXlsString run(Byte(3), kind % 2 == 0 ? u' ' : u'\r');
        if (kind <= 1) Stack.FmSpaces = run;
        else if (kind <= 3) Stack.FmPreSpaces = run;
        else if (kind <= 5) Stack.FmPostSpaces = run;
    }
    Pos += 4;
}

void TFormulaDecoder::Function(std::uint16_t aIndex, std::size_t aArgCount)
{
    if (aIndex >= FunctionCount)
        RaiseXls(TXlsMsg::PropertyIndexOutOfRange, {std::int64_t(aIndex), std::string("Function name"),
                                                     std::int64_t(0), std::int64_t(FunctionCount - 1)});
    TXlsString s = Stack.FmSpaces;
    // A call by name (255) has its name as the operand below the arguments.
    const bool byName = aIndex == 255;
    const std::size_t args = byName && aArgCount > 0 ? aArgCount - 1 : aArgCount;
    TXlsString arguments = Stack.PopJoined(args, u',');
    if (byName)
        s += Stack.Pop();
    else
        AppendAscii(s, FuncNameArray()[aIndex].Name);
    s.push_back(u'(');
    s += arguments;
    s.push_back(u')');
    Stack.Push(std::move(s));
}

// First row, last row, first column field, last column field from aOfs on:
// an area over all rows is written as its columns only.
void TFormulaDecoder::Area(std::size_t aOfs, TXlsString& s) const
{
    const std::uint16_t r1 = Word(aOfs), r2 = Word(aOfs + 2);
    const std::uint16_t c1 = Word(aOfs + 4), c2 = Word(aOfs + 6);
    if (r1 == 0 && r2 == 0xFFFF) {
        if (!(c1 & ColRelativeBit)) s.push_back(u'$');
        AppendColumn(s, c1 & 0xFF);
        s.push_back(u':');
        if (!(c2 & ColRelativeBit)) s.push_back(u'$');
        AppendColumn(s, c2 & 0xFF);
        return;
    }
    AppendCell(s, r1, c1);
    s.push_back(u':');
    AppendCell(s, r2, c2);
}

// The array constant behind the tokens: column count - 1 (byte), row count
// - 1 (16-bit), then the values row by row, each a type byte and 8 bytes
// (a string: its serialised form with a 2-byte count).
TXlsString TFormulaDecoder::ArrayConstant()
{
    std::size_t p = ArrayPos;
    const std::size_t cols = std::size_t(GetByte(Data, p)) + 1;
    const std::size_t rows = std::size_t(GetWord(Data, p + 1)) + 1;
    p += 3;
    TXlsString s = u"{";
    for (std::size_t r = 0; r < rows; ++r) {
        if (r > 0) s.push_back(u';');
        for (std::size_t c = 0; c < cols; ++c) {
            if (c > 0) s.push_back(u',');
            const std::uint8_t type = GetByte(Data, p);
            switch (type) {
            case 0x01: AppendFormulaNumber(s, GetDouble(Data, p + 1)); p += 9; break;
            case 0x02: {
                const std::size_t count = GetWord(Data, p + 1);
                const bool wide = (GetByte(Data, p + 3) & 1) != 0;
                const std::size_t first = p + 4;
                CheckField(Data.size(), first, count * (wide ? 2 : 1));
                TXlsString text(count, u'\0');
                for (std::size_t i = 0; i < count; ++i)
                    text[i] = wide ? static_cast<char16_t>(GetWord(Data, first + 2 * i)) : char16_t(Data[first + i]);
                AppendQuoted(s, text);
                p = first + count * (wide ? 2 : 1);
                break;
            }
            case 0x04:
                AppendAscii(s, GetByte(Data, p + 1) ? "TRUE" : "FALSE");
                p += 9;
                break;
            case 0x10: s += ErrorText(GetByte(Data, p + 1)); p += 9; break;
            default: throw ETokenException(type);
            }
            CheckField(Data.size(), 0, p);
        }
    }
    s.push_back(u'}');
    ArrayPos = p;
    return s;
}

// ptgExp and ptgTbl: the formula of the array or data table whose master
// cell the token names.
void TFormulaDecoder::MasterCellFormula(std::uint8_t aId)
{
    Need(5);
    // An array formula holding another one could point back at itself.
    if (Nested) throw ETokenException(aId);
    const std::uint16_t row = Word(1), col = Word(3);
    TXlsString s = u"{";
    if (aId == ptgExp) {
        // ARRAY data: the formula's size at 12, its tokens from 14.
        const TByteView array = Context.ArrayFormula(row, col);
        s += TFormulaDecoder(array, Context, true).Decode(14);
    } else {
        // TABLE data: options at 6 (0x08: two input cells), the input cells'
        // row and column words at 8 and 12.
        const TByteView table = Context.TableFormula(row, col);
        AppendAscii(s, "=TABLE(");
        AppendCell(s, GetWord(table, 8), GetWord(table, 10) & 0xFF);
        s.push_back(u',');
        if (GetByte(table, 6) & 0x08) AppendCell(s, GetWord(table, 12), GetWord(table, 14) & 0xFF);
        s.push_back(u')');
    }
    s.push_back(u'}');
    Stack.Push(std::move(s));
    Pos += 5;
}

void TFormulaDecoder::DecodeToken()
{
    static constexpr std::u16string_view kOperators[] = {u"+", u"-", u"*", u"/", u"^", u"&",  u"<",
                                                         u"<=", u"=", u">=", u">", u"<>", u" ", u",", u":"};
    const std::uint8_t id = Data[Pos];
    switch (BaseTokenId(id)) {
    case ptgExp:
    case ptgTbl: MasterCellFormula(id); return;
    case ptgAdd: case ptgSub: case ptgMul: case ptgDiv: case ptgPower: case ptgConcat: case ptgLT: case ptgLE:
    case ptgEQ: case ptgGE: case ptgGT: case ptgNE: case ptgIsect: case ptgUnion: case ptgRange:
        Binary(kOperators[id - ptgAdd]);
        Pos += 1;
        return;
    case ptgUplus:
    case ptgUminus: {
        TXlsString s = Spaced();
        s.push_back(id == ptgUplus ? u'+' : u'-');
        s += Stack.Pop();
        Stack.Push(std::move(s));
        Pos += 1;
        return;
    }
    case ptgPercent: {
        TXlsString s = Stack.Pop();
        s += Stack.FmSpaces;
        s.push_back(u'%');
        Stack.Push(std::move(s));
        Pos += 1;
        return;
    }
    case ptgParen: {
        TXlsString s = Stack.FmPreSpaces;
        s.push_back(u'(');
        s += Stack.Pop();
        s += Stack.FmPostSpaces;
        s.push_back(u')');
        Stack.Push(std::move(s));
        Pos += 1;
        return;
    }
    case ptgMissArg: Operand(1, [](TXlsString&) {}); return;
    case ptgStr: {
        Need(3);
        const std::size_t count = Byte(1);
        const bool wide = (Byte(2) & 1) != 0;
        Operand(3 + count * (wide ? 2 : 1), [&](TXlsString& s) {
            TXlsString text(count, u'\0');
            for (std::size_t i = 0; i < count; ++i)
                text[i] = wide ? static_cast<char16_t>(Word(3 + 2 * i)) : char16_t(Byte(3 + i));
            AppendQuoted(s, text);
        });
        return;
    }
    case ptgAttr: Attribute(); return;
    case ptgSheet:
    case ptgEndSheet: Pos += 1; return;
    case ptgErr: Operand(2, [&](TXlsString& s) { s += ErrorText(Byte(1)); }); return;
    case ptgBool: Operand(2, [&](TXlsString& s) { AppendAscii(s, Byte(1) == 1 ? "TRUE" : "FALSE"); }); return;
    case ptgInt: Operand(3, [&](TXlsString& s) { AppendDecimal(s, Word(1)); }); return;
    case ptgNum: Operand(9, [&](TXlsString& s) { AppendFormulaNumber(s, GetDouble(Data, Pos + 1)); }); return;
    case ptgArray: Operand(8, [&](TXlsString& s) { s += ArrayConstant(); }); return;
    case ptgFunc: {
        Need(3);
        const std::uint16_t index = Word(1);
        Function(index, index < FunctionCount ? FuncNameArray()[index].MinArgCount : 0);
        Pos += 3;
        return;
    }
    case ptgFuncVar:
        Need(4);
        Function(Word(2), Byte(1) & 0x7F);
        Pos += 4;
        return;
    case ptgName: Operand(5, [&](TXlsString& s) { s += Context.GetName(-1, std::int32_t(Word(1)) - 1); }); return;
    case ptgRef:
    case ptgRefN: Operand(5, [&](TXlsString& s) { AppendCell(s, Word(1), Word(3)); }); return;
    case ptgArea:
    case ptgAreaN: Operand(9, [&](TXlsString& s) { Area(1, s); }); return;
    case ptgMemArea:
    case ptgMemAreaN:
        Need(7);
        // Its list of areas lies with the array constants: a count, 8 bytes each.
        ArrayPos += 2 + 8 * std::size_t(GetWord(Data, ArrayPos));
        CheckField(Data.size(), 0, ArrayPos);
        Pos += 7;
        return;
    case ptgMemErr:
    case ptgMemNoMem:
    case ptgMemNoMemN: Need(7); Pos += 7; return;
    case ptgMemFunc: Need(3); Pos += 3; return;
    // A reference that was deleted or moved off the sheet.
    case ptgRefErr: Operand(5, [](TXlsString& s) { s += kRefError; }); return;
    case ptgAreaErr: Operand(9, [](TXlsString& s) { s += kRefError; }); return;
    case ptgRefErr3d: Operand(7, [](TXlsString& s) { s += kRefError; }); return;
    case ptgAreaErr3d: Operand(11, [](TXlsString& s) { s += kRefError; }); return;
    case ptgNameX:
        Operand(7, [&](TXlsString& s) {
            s += Context.GetSheetName(Word(1));
            s += Context.GetName(Word(1), std::int32_t(Word(3)) - 1);
        });
        return;
    case ptgRef3d:
        Operand(7, [&](TXlsString& s) {
            s += Context.GetSheetName(Word(1));
            AppendCell(s, Word(3), Word(5));
        });
        return;
    case ptgArea3d:
        Operand(11, [&](TXlsString& s) {
            s += Context.GetSheetName(Word(1));
            AppendCell(s, Word(3), Word(7));
            s.push_back(u':');
            AppendCell(s, Word(5), Word(9));
        });
        return;
    default: throw ETokenException(id);
    }
}

}  // namespace

TXlsString DecodeFormula(TByteView Data, std::size_t aPos, TFormulaContext& CellList)
{
    return TFormulaDecoder(Data, CellList, false).Decode(aPos);
}

TXlsString DecodeFormula(TByteView Data, std::size_t aPos, std::size_t aSize, TFormulaContext& CellList)
{
    return TFormulaDecoder(Data, CellList, false).Decode(aPos, aSize);
}

void AppendFormulaNumber(TXlsString& aText, double aValue)
{
    char buf[40];
    auto res = std::to_chars(buf, buf + sizeof buf, aValue, std::chars_format::scientific);
    const std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));
    const std::size_t e = sci.find('e');
    if (e == std::string_view::npos) {  // inf or nan
        AppendAscii(aText, sci);
        return;
    }
    int exponent = 0;
    std::from_chars(sci.data() + e + 1 + (sci[e + 1] == '+' ? 1 : 0), sci.data() + sci.size(), exponent);
    if (exponent < -5 || exponent >= 15) {
        AppendAscii(aText, sci.substr(0, e));
        aText.push_back(u'E');
        aText.push_back(exponent < 0 ? u'-' : u'+');
        AppendDecimal(aText, static_cast<std::uint32_t>(exponent < 0 ? -exponent : exponent));
        return;
    }
    res = std::to_chars(buf, buf + sizeof buf, aValue, std::chars_format::fixed);
    AppendAscii(aText, std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)));
}

}  // namespace xls
