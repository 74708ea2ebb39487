// Sheets inserted, copied and deleted and rows and columns inserted and
// deleted in corpus workbooks with defined names and 3-D references: the
// saved workbook's names and formulas read as an independent reader (Apache
// POI) read the engine's result when it was checked against the original
// (tests/corpus/expected/structure): every reference still names the same
// sheet and cell, or #REF! where its target was deleted.
#include <gtest/gtest.h>

#include "FacadeTestSupport.h"
#include "FeatureDumpTestSupport.h"
#include "RecordTestSupport.h"
#include "base/UXlsPaths.h"
#include "facade/XLSAdapter.h"

using namespace featuretest;

namespace {

enum class TOperation { InsertSheetBefore, CopySheet, DeleteSheet, InsertRows, DeleteRows, InsertCols, DeleteCols };

struct TStructureCase {
    const char* File;
    const char* Name;  // as in the expected dump's file name
    TOperation Operation;
    std::int32_t Sheet;  // from 1
    std::int32_t Pos = 0;
    std::int32_t Count = 0;
};

// Empty rows and columns are inserted as copies of a row or column far
// below or right of every cell.
void Apply(xls::TXLSFile& f, const TStructureCase& c)
{
    f.SetActiveSheet(c.Sheet);
    switch (c.Operation) {
    case TOperation::InsertSheetBefore: f.InsertAndCopySheets(0, c.Sheet, 1); break;
    case TOperation::CopySheet: f.InsertAndCopySheets(c.Sheet, f.SheetCount() + 1, 1); break;
    case TOperation::DeleteSheet: f.DeleteSheet(1); break;
    case TOperation::InsertRows: f.InsertAndCopyRows(60000, 60000, c.Pos, c.Count, false); break;
    case TOperation::DeleteRows: f.DeleteRows(c.Pos, c.Count); break;
    case TOperation::InsertCols: f.InsertAndCopyCols(250, 250, c.Pos, c.Count, false); break;
    case TOperation::DeleteCols: f.DeleteCols(c.Pos, c.Count); break;
    }
    f.SetActiveSheet(1);
}

}  // namespace

TEST(StructureCorpus, NamesAndFormulasKeepPointingAtTheirSheetsAndCells)
{
    using enum TOperation;
    const TStructureCase cases[] = {
        {"gen/poi_formulas.xls", "insert-sheet-before", InsertSheetBefore, 1},
        {"gen/poi_formulas.xls", "copy-sheet", CopySheet, 1},
        {"gen/poi_formulas.xls", "delete-sheet", DeleteSheet, 2},
        {"gen/poi_formulas.xls", "insert-rows", InsertRows, 2, 3, 2},
        {"gen/poi_formulas.xls", "delete-rows", DeleteRows, 2, 2, 3},
        {"gen/poi_formulas.xls", "insert-cols", InsertCols, 2, 1, 1},
        {"gen/poi_formulas.xls", "delete-cols", DeleteCols, 2, 1, 1},
        {"gen/poi_names_sheets.xls", "insert-sheet-before", InsertSheetBefore, 2},
        {"gen/poi_names_sheets.xls", "copy-sheet", CopySheet, 4},
        {"gen/poi_names_sheets.xls", "delete-sheet", DeleteSheet, 4},
        {"gen/poi_names_sheets.xls", "insert-rows", InsertRows, 1, 2, 3},
        {"gen/poi_names_sheets.xls", "delete-rows", DeleteRows, 1, 1, 1},
        {"gen/gnm_features.xls", "insert-sheet-before", InsertSheetBefore, 1},
        {"gen/gnm_features.xls", "delete-sheet", DeleteSheet, 2},
        {"gen/gnm_features.xls", "insert-rows", InsertRows, 2, 1, 2},
        {"gen/gnm_features.xls", "delete-rows", DeleteRows, 2, 1, 2},
        {"real/namesdemo.xls", "insert-sheet-before", InsertSheetBefore, 1},
        {"real/namesdemo.xls", "copy-sheet", CopySheet, 1},
    };
    factest::TTempDir dir;
    const std::filesystem::path corpus = rectest::kCorpus;
    for (const auto& c : cases) {
        const std::string file = std::filesystem::path(c.File).filename().string();
        SCOPED_TRACE(file + " " + c.Name);
        const auto out = dir / (file + "." + c.Name + ".xls");
        xls::TXLSFile f(nullptr, true);
        f.Connect();
        f.OpenFile(xls::Utf8FromPath(corpus / c.File));
        Apply(f, c);
        f.Save(true, xls::Utf8FromPath(out), nullptr, nullptr, nullptr);

        const rectest::TToolRun run = rectest::RunXlsTool({"features", "--kinds", "N,F", xls::Utf8FromPath(out)});
        ASSERT_EQ(run.Code, 0);
        const auto expected = corpus / "expected" / "structure" / (file + "." + c.Name + ".features");
        const TFeatureComparison comparison = CompareFeatures(FeatureLines(ReadText(expected), "NF"), FeatureLines(run.Out, "NF"));
        for (const auto& p : comparison.Problems) ADD_FAILURE() << p;
        EXPECT_GT(comparison.Equal, 0);
    }
}
