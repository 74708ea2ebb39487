// The encoder against the decoder on every formula of the corpus: a formula
// whose tokens the grammar covers parses from its decoded text back to the
// same tokens, up to what the encoder never writes (attributes other than
// blanks, operand classes); formulas beyond the grammar are counted.
#include <gtest/gtest.h>

#include <cmath>
#include <cmath>

#include "RecordTestSupport.h"
#include "base/UXlsPaths.h"
#include "facade/UExcelRecords.h"
#include "facade/XLSAdapter.h"
#include "globals/UXlsEncodeFormula.h"

using namespace rectest;

namespace {

// A token of a formula as stored, resolved so that arrays parsed against
// another EXTERNSHEET table compare: a 3-D reference's index is replaced by
// the entry it names.
struct TToken {
    TBytes Bytes;
    bool operator==(const TToken&) const = default;
};

// The size of the token at aPos, 0 for a token the grammar does not cover.
std::size_t GrammarTokenSize(TByteView d, std::size_t aPos)
{
    const std::uint8_t id = d[aPos];
    if (id >= ptgAdd && id <= ptgMissArg && id != ptgIsect) return 1;
    switch (BaseTokenId(id)) {
    case ptgStr: return 3 + std::size_t(d[aPos + 1]) * ((d[aPos + 2] & 1) ? 2 : 1);
    case ptgAttr: return 4 + ((d[aPos + 1] & attrChoose) ? 2 * (std::size_t(GetWord(d, aPos + 2)) + 1) : 0);
    case ptgErr:
    case ptgBool: return 2;
    case ptgInt:
    case ptgFunc: return 3;
    case ptgFuncVar: return GetWord(d, aPos + 2) == 255 ? 0 : 4;  // a call by name is a name
    case ptgNum: {
        // Signs are operators, and whole numbers up to 65535 are written as ptgInt.
        const double v = GetDouble(d, aPos + 1);
        const bool asInt = v >= 0 && v <= 0xFFFF && v == std::floor(v);
        return std::isfinite(v) && v >= 0 && !asInt ? 9 : 0;
    }
    case ptgRef: return 5;
    case ptgArea: return 9;
    case ptgRef3d: return 7;
    case ptgArea3d: return 11;
    default: return 0;
    }
}

bool IsSpace(const TToken& t) { return t.Bytes[0] == ptgAttr && (t.Bytes[1] & attrSpace); }

// The tokens of [aPos, aEnd), or nothing when one lies beyond the grammar
// (names, error references, array constants, array and table formulas, line
// breaks, numbers the encoder writes otherwise, references to deleted sheets).
std::optional<std::vector<TToken>> GrammarTokens(TByteView d, std::size_t aPos, std::size_t aEnd,
                                                 const TExternRefList& aRefs)
{
    std::vector<TToken> tokens;
    while (aPos < aEnd) {
        const std::size_t size = GrammarTokenSize(d, aPos);
        if (size == 0) return std::nullopt;
        TToken t{TBytes(d.begin() + std::ptrdiff_t(aPos), d.begin() + std::ptrdiff_t(aPos + size))};
        if (IsSpace(t) && t.Bytes[2] % 2 == 1) return std::nullopt;  // line breaks
        const std::uint8_t base = BaseTokenId(t.Bytes[0]);
        if (base == ptgRef3d || base == ptgArea3d) {
            const TExternRef& ref = aRefs.Items(GetWord(t.Bytes, 1));
            if (ref.FirstSheet == XtiDeletedSheet || ref.LastSheet == XtiDeletedSheet) return std::nullopt;
            if (ref.FirstSheet == XtiDeletedSheet || ref.LastSheet == XtiDeletedSheet) return std::nullopt;
            t.Bytes.erase(t.Bytes.begin() + 1, t.Bytes.begin() + 3);
            for (std::uint16_t w : {ref.SupBookRecord, ref.FirstSheet, ref.LastSheet}) AppendWord(t.Bytes, w);
        }
        tokens.push_back(std::move(t));
        aPos += size;
    }
    return tokens;
}

// What the encoder cannot write taken out: attributes other than blanks go
// (a SUM attribute becomes the SUM call it stands for), every operand gets
// reference class.
std::vector<TToken> WithoutAttributesAndClasses(const std::vector<TToken>& aTokens)
{
    std::vector<TToken> out;
    for (TToken t : aTokens) {
        if (t.Bytes[0] == ptgAttr && !IsSpace(t)) {
            if (!(t.Bytes[1] & attrSum)) continue;
            t.Bytes = {ptgFuncVar, 1, 4, 0};
        }
        if (t.Bytes[0] >= 0x20) t.Bytes[0] = static_cast<std::uint8_t>((t.Bytes[0] & ~ptgClassMask) | ptgClassRef);
        out.push_back(std::move(t));
    }
    return out;
}

struct TRoundTrip {
    std::size_t Exact = 0;
    std::size_t ModuloAttributesAndClasses = 0;
    std::size_t OutsideGrammar = 0;
    std::vector<std::string> Failures;
};

void CheckFormula(TCellList& aCells, const TFormulaRecord& aFormula, const TExternRefList& aRefs,
                  const std::string& aWhere, TRoundTrip& aResult)
{
    const TByteView d = aFormula.Data();
    const std::size_t end = TFormulaRecord::TokensOfs + aFormula.TokensSize();
    const auto original = GrammarTokens(d, TFormulaRecord::TokensOfs, end, aRefs);
    if (!original) {
        ++aResult.OutsideGrammar;
        return;
    }
    const TXlsString text = aCells.GetFormula(aFormula.Row(), aFormula.Column());
    try {
        TParseString parser(text, aCells, TFmReturnType::fmValue);
        parser.Parse();
        const TByteView t = parser.Tokens();
        const auto parsed = GrammarTokens(t, 0, t.size(), aRefs);
        if (parsed && *parsed == *original)
            ++aResult.Exact;
        else if (parsed && WithoutAttributesAndClasses(*parsed) == WithoutAttributesAndClasses(*original))
            ++aResult.ModuloAttributesAndClasses;
        else
            aResult.Failures.push_back(aWhere + " " + Utf16ToUtf8(text) + " parses to other tokens");
    } catch (const EXlsException& e) {
        aResult.Failures.push_back(aWhere + " " + Utf16ToUtf8(text) + ": " + e.what());
    }
}

}  // namespace

TEST(FormulaRoundTrip, CorpusFormulasParseBackToTheirTokens)
{
    TRoundTrip result;
    for (const auto& path : ReadableCorpusFiles()) {
        TXLSFile xls(nullptr);
        xls.Connect();
        xls.OpenFile(Utf8FromPath(path));
        TWorkbook& book = xls.Workbook();
        const TExternRefList& refs = book.Globals().References().ExternRefs();
        for (std::int32_t s = 0; s < std::int32_t(book.Sheets().Count()); ++s) {
            if (!book.IsWorksheet(s)) continue;
            TCellList& cells = book.GetWorkSheets(s).Cells().CellList();
            for (std::size_t r = 0; r < cells.Count(); ++r) {
                TCellRecordList* row = cells.CellRow(r);
                for (std::size_t i = 0; row && i < row->Count(); ++i) {
                    const auto* formula = dynamic_cast<const TFormulaRecord*>(row->Items(i));
                    if (!formula) continue;
                    CheckFormula(cells, *formula, refs,
                                 path.filename().string() + " " + std::to_string(s) + ":" + std::to_string(r) + "," +
                                     std::to_string(formula->Column()),
                                 result);
                }
            }
        }
    }
    for (const auto& f : result.Failures) ADD_FAILURE() << f;
    std::cout << "round trip: " << result.Exact << " exact, " << result.ModuloAttributesAndClasses
              << " modulo attributes and classes, " << result.OutsideGrammar << " outside the grammar\n";
    EXPECT_GT(result.Exact, 5000u);
}
