// Formula text: decoding every formula of a book with 180,000 formulas
// (neighbours, the previous row, other sheets), and parsing 100,000 formula
// texts of the same kind back into tokens.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "cfb/UOle2Impl.h"
#include "facade/UExcelRecords.h"
#include "globals/UXlsEncodeFormula.h"

namespace {

using namespace xls;

const std::string kFormulaBook = std::string(TAGSTATION_SHARED_DIR) + "/bench/formulas.xls";

struct TFormulaCell {
    TCellList* Cells;
    std::uint16_t Row;
    std::uint16_t Col;
};

// The book and where its formula cells are.
struct TFormulaBook {
    TWorkbook Book;
    std::vector<TFormulaCell> Formulas;

    TFormulaBook()
    {
        TMemoryStream mem(ReadFileBytes(kFormulaBook));
        TOle2File ole(mem);
        ole.SelectStream(u"Workbook");
        Book.LoadFromStream(ole);
        for (std::size_t s = 0; s < Book.Sheets().Count(); ++s) {
            if (!Book.IsWorksheet(static_cast<std::int32_t>(s))) continue;
            TCellList& cells = Book.GetWorkSheets(static_cast<std::int32_t>(s)).Cells().CellList();
            for (std::size_t r = 0; r < cells.Count(); ++r) {
                TCellRecordList* row = cells.CellRow(r);
                for (std::size_t i = 0; row && i < row->Count(); ++i)
                    if (dynamic_cast<const TFormulaRecord*>(row->Items(i)))
                        Formulas.push_back({&cells, row->Items(i)->Row(), row->Items(i)->Column()});
            }
        }
    }
};

TFormulaBook& Book()
{
    static TFormulaBook book;
    return book;
}

void BM_DecodeEveryFormula(benchmark::State& state)
{
    TFormulaBook& book = Book();
    for (auto _ : state) {
        std::size_t chars = 0;
        for (const TFormulaCell& f : book.Formulas) chars += f.Cells->GetFormula(f.Row, f.Col).size();
        benchmark::DoNotOptimize(chars);
    }
    state.counters["formulas"] = double(book.Formulas.size());
    state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(book.Formulas.size()));
}

void BM_Parse100000Formulas(benchmark::State& state)
{
    TFormulaBook& book = Book();
    std::vector<TXlsString> texts;
    for (std::size_t i = 0; i < 100000 && i < book.Formulas.size(); ++i)
        texts.push_back(book.Formulas[i].Cells->GetFormula(book.Formulas[i].Row, book.Formulas[i].Col));
    TCellList& context = *book.Formulas.front().Cells;
    std::size_t chars = 0;
    for (const auto& t : texts) chars += t.size();
    for (auto _ : state) {
        std::size_t bytes = 0;
        for (const TXlsString& text : texts) {
            TParseString parser(text, context, TFmReturnType::fmValue);
            parser.Parse();
            bytes += parser.TotalSize();
        }
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["formulas"] = double(texts.size());
    state.counters["chars/formula"] = double(chars) / double(texts.size());
    state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(texts.size()));
}

}  // namespace

BENCHMARK(BM_DecodeEveryFormula)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Parse100000Formulas)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
