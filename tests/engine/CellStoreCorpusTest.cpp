// The cell store over every readable workbook of the corpus: each worksheet's
// rows and cells, loaded the way a sheet loads them (shared formulas
// expanded), hold the values of the reference dump, and save to exactly the
// size computed beforehand and back to the same values.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>

#include "RecordTestSupport.h"
#include "base/UXlsUnicode.h"
#include "records/UXlsOtherRecords.h"
#include "worksheet/UXlsColInfo.h"
#include "drawing/UXlsEscher.h"
#include "worksheet/UXlsRowColEntries.h"

using namespace rectest;
namespace fs = std::filesystem;

namespace {

struct TSheetCells {
    std::string Name;
    TColInfoList Columns;
    std::unique_ptr<TCells> Cells;
};

// Loads the cell records of one sheet substream, from the record behind its
// BOF up to its EOF; embedded substreams (charts) are skipped.
std::size_t LoadSheet(const std::vector<std::unique_ptr<TBaseRecord>>& aRecords, std::size_t aFirst, TSST& aSST,
                      TCells& aCells)
{
    TShrFmlaRecordList shared;
    TFormulaRecord* lastFormula = nullptr;
    int depth = 0;
    std::size_t i = aFirst;
    for (; i < aRecords.size(); ++i) {
        TBaseRecord* rec = aRecords[i].get();
        if (rec->Id() == xlr_BOF) ++depth;
        if (rec->Id() == xlr_EOF && depth-- == 0) break;
        if (depth > 0) continue;
        if (auto* str = dynamic_cast<TStringRecord*>(rec)) {
            if (lastFormula) lastFormula->SetFormulaValue(str->Value());
        } else if (auto* shr = dynamic_cast<TShrFmlaRecord*>(rec)) {
            if (!lastFormula) {
                ADD_FAILURE() << "SHRFMLA without a formula before it";
                continue;
            }
            auto copy = CopyRecord(shr);
            copy->Key = SharedFormulaKey(lastFormula->Row(), lastFormula->Column());
            shared.Add(std::move(copy));
        } else if (auto* row = dynamic_cast<TRowRecord*>(rec)) {
            aCells.AddRow(CopyRecord(row));
        } else if (auto* multiple = dynamic_cast<TMultipleValueRecord*>(rec)) {
            aCells.AddMultipleCells(*multiple);
        } else if (auto* cell = dynamic_cast<TCellRecord*>(rec)) {
            auto copy = CopyRecord(cell);
            if (auto* label = dynamic_cast<TLabelSSTRecord*>(copy.get())) label->AttachToSST(aSST);
            if (auto* formula = dynamic_cast<TFormulaRecord*>(copy.get())) lastFormula = formula;
            aCells.AddCell(std::move(copy));
        }
    }
    aCells.CellList().FixFormulas(shared);
    aCells.FixRows();

    // No formula points at a shared formula any more, and every token array
    // can be walked.
    TCellList& list = aCells.CellList();
    for (std::size_t r = 0; r < list.Count(); ++r) {
        TCellRecordList* cells = list.CellRow(r);
        for (std::size_t k = 0; k < cells->Count(); ++k) {
            auto* formula = dynamic_cast<TFormulaRecord*>(cells->Items(k));
            if (!formula) continue;
            std::uint32_t key = 0;
            std::size_t index = 0;
            EXPECT_FALSE(formula->IsExp(key) && shared.Find(key, index)) << "row " << r;
            TBytes tokens(formula->Data().begin(), formula->Data().end());
            const std::string error = ErrorOf([&] {
                ArrangeTokensInsertRowsAndCols(tokens, TFormulaRecord::TokensOfs,
                                               TFormulaRecord::TokensOfs + formula->TokensSize(), {}, {});
            });
            // The extended tokens (0x18) of one real file are not walked.
            if (error != "Error reading formula, Token Id: 0x18 is not supported") {
                EXPECT_EQ(error, "(no error)") << "row " << r;
            }
            EXPECT_TRUE(SameBytes(tokens, TBytes(formula->Data().begin(), formula->Data().end())));
        }
    }
    return i;
}

std::string Unescaped(const std::string& s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 >= s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        if (c == 't')
            out += '\t';
        else if (c == 'n')
            out += '\n';
        else if (c == 'r')
            out += '\r';
        else if (c == 'x' && i + 2 < s.size()) {
            out += static_cast<char>(std::strtol(s.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::string A1(std::size_t aCol, std::size_t aRow)
{
    std::string letters;
    for (std::size_t c = aCol + 1; c > 0; c = (c - 1) / 26) letters.insert(letters.begin(), char('A' + (c - 1) % 26));
    return letters + std::to_string(aRow + 1);
}

// The dump's kind and value of a cell value.
bool Matches(const TXlsVariant& aValue, const std::string& aKindAndValue)
{
    const char kind = aKindAndValue.at(0);
    const std::string value = Unescaped(aKindAndValue.substr(2));
    switch (kind) {
    case 'n':
        return std::holds_alternative<double>(aValue) &&
               std::get<double>(aValue) == std::strtod(value.c_str(), nullptr);
    case 'b': return std::holds_alternative<bool>(aValue) && std::get<bool>(aValue) == (value == "TRUE");
    case 's':
    case 'e':
        // Error codes without a name read as "#NULL!" in a cell and as no value in a formula.
        if (kind == 'e' && value.starts_with("#ERR")) return true;
        return VarIsString(aValue) && Utf16ToUtf8(std::get<TXlsString>(aValue)) == value;
    default: return false;
    }
}

// Every cell that is not blank, "sheet!A1" -> its value.
std::map<std::string, TXlsVariant> ValuesOf(const std::string& aSheet, TCells& aCells)
{
    std::map<std::string, TXlsVariant> values;
    TCellList& list = aCells.CellList();
    for (std::size_t r = 0; r < list.Count(); ++r) {
        const TCellRecordList* cells = list.CellRow(r);
        for (std::size_t i = 0; i < cells->Count(); ++i) {
            const TCellRecord* cell = cells->Items(i);
            if (cell->Id() == xlr_BLANK) continue;
            values[aSheet + "!" + A1(cell->Column(), r)] = list.GetValue(std::int64_t(r), cell->Column()).Value;
        }
    }
    return values;
}

std::vector<std::unique_ptr<TBaseRecord>> ReadStream(const TBytes& aStream)
{
    TStreamFixture f(Cat({aStream, Rec(xlr_EOF, {})}));
    return ReadAll(f.File());
}

}  // namespace

TEST(CellStoreCorpus, SheetsHoldTheDumpsValuesAndSaveAsSized)
{
    std::size_t checkedCells = 0, savedSheets = 0;
    for (const fs::path& path : ReadableCorpusFiles()) {
        SCOPED_TRACE(path.filename().string());
        std::map<std::string, std::string> dump;
        std::ifstream dumpFile(path.parent_path().parent_path() / "expected" / (path.filename().string() + ".dump"));
        for (std::string line; std::getline(dumpFile, line);) {
            const auto tab = line.find('\t');
            if (tab != std::string::npos && !line.starts_with("#")) dump[line.substr(0, tab)] = line.substr(tab + 1);
        }

        TMemoryStream mem(ReadFileBytes(path.string()));
        TOle2File ole(mem);
        SelectWorkbookStream(ole);
        const auto records = ReadAll(ole);

        TWorkbookGlobals globals{std::make_unique<TDrawingGroup>()};
        TSST& sst = globals.SST();
        std::map<std::int64_t, std::string> sheetAt;  // BOF offset -> worksheet name
        std::vector<std::unique_ptr<TSheetCells>> sheets;
        std::int64_t offset = 0;
        for (std::size_t i = 0; i < records.size(); offset += StreamExtent(*records[i]), ++i) {
            const TBaseRecord* rec = records[i].get();
            if (const auto* s = dynamic_cast<const TSSTRecord*>(rec)) sst.Load(*s);
            if (const auto* b = dynamic_cast<const TBoundSheetRecord*>(rec))
                sheetAt[b->Offset()] = Utf16ToUtf8(b->SheetName());
            const auto* bof = dynamic_cast<const TBOFRecord*>(rec);
            if (!bof || !sheetAt.contains(offset) || bof->BOFType() != TBOFRecord::TypeWorksheet) continue;
            auto sheet = std::make_unique<TSheetCells>();
            sheet->Name = sheetAt[offset];
            sheet->Cells = std::make_unique<TCells>(globals, sheet->Columns);
            const std::size_t eof = LoadSheet(records, i + 1, sst, *sheet->Cells);
            ASSERT_LT(eof, records.size()) << "a sheet without EOF";
            for (; i < eof; ++i) offset += StreamExtent(*records[i]);
            sheets.push_back(std::move(sheet));
        }

        // The values, against the dump.
        std::map<std::string, TXlsVariant> values;
        for (auto& sheet : sheets) values.merge(ValuesOf(sheet->Name, *sheet->Cells));
        for (const auto& [ref, expected] : dump) {
            const auto it = values.find(ref);
            if (it == values.end()) {
                ADD_FAILURE() << ref << " missing";
                continue;
            }
            EXPECT_TRUE(Matches(it->second, expected)) << ref << " " << expected;
            ++checkedCells;
        }
        EXPECT_EQ(values.size(), dump.size());

        // Saved: the size computed first, and the same values read back. The
        // text cells refer to the table as it was saved.
        const TBytes sstBytes = Written([&](TOle2File& w) { sst.SaveToStream(w); });
        const auto sstRecords = ReadStream(sstBytes);
        TWorkbookGlobals savedGlobals{std::make_unique<TDrawingGroup>()};
        TSST& savedSST = savedGlobals.SST();
        savedSST.Load(dynamic_cast<const TSSTRecord&>(*sstRecords.at(0)));
        for (auto& sheet : sheets) {
            const std::int64_t size = sheet->Cells->TotalSize();
            const TBytes out = Written([&](TOle2File& w) { sheet->Cells->SaveToStream(w); });
            EXPECT_EQ(size, std::int64_t(out.size())) << sheet->Name;
            const auto written = ReadStream(out);
            TColInfoList columns;
            TCells reloaded(savedGlobals, columns);
            LoadSheet(written, 0, savedSST, reloaded);
            EXPECT_EQ(ValuesOf(sheet->Name, reloaded), ValuesOf(sheet->Name, *sheet->Cells)) << sheet->Name;
            for (const auto& rec : written)
                for (std::uint16_t dropped : {xlr_SHRFMLA, std::uint16_t(0x00D7), std::uint16_t(0x020B)})
                    EXPECT_NE(rec->Id(), dropped) << sheet->Name;  // SHRFMLA, DBCELL, INDEX
            ++savedSheets;
        }
    }
    EXPECT_GT(checkedCells, 70000u);
    EXPECT_GT(savedSheets, 50u);
}
