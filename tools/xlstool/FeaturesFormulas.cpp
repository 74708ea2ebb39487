// The formula kinds of the feature dump: the workbook (W), the defined names
// (N) and the formulas of the cells (F), as the formula decoder writes them.
#include "DefinedNames.h"
#include "DumpText.h"
#include "Features.h"
#include "drawing/UXlsEscher.h"

namespace xlstool {

using namespace xls;

void WorkbookLines(TWorkbook& aWorkbook, std::string& aOut)
{
    TWorkbookGlobals& g = aWorkbook.Globals();
    FeatureLine(aOut, {"W", "date1904", g.Is1904() ? "1" : "0"});
    FeatureLine(aOut, {"W", "sheets", std::to_string(g.SheetCount())});
    const std::int32_t active = g.ActiveSheet();
    const bool shown = active >= 0 && std::size_t(active) < g.SheetCount();
    FeatureLine(aOut, {"W", "active", shown ? EscapeDumpText(g.SheetName(active)) : "?"});
    const TDrawingGroup& pictures = DrawingGroupOf(g);
    FeatureLine(aOut, {"W", "pictures", std::to_string(pictures.PictureCount()), std::to_string(pictures.PictureBytes())});
}

void NameLines(TWorkbook& aWorkbook, std::string& aOut)
{
    TWorkbookGlobals& g = aWorkbook.Globals();
    for (std::size_t i = 0; i < g.Names().Count(); ++i) {
        const TNameRecord* name = g.Names().Items(i);
        if (!name) continue;
        const TNameFields f = DescribeName(*name, g);
        FeatureLine(aOut, {"N", f.Scope, f.Name, f.Hidden, f.Formula});
    }
}

void FormulaLines(const TFeatureSheet& aSheet, std::string& aOut)
{
    auto* ws = dynamic_cast<TWorkSheet*>(&aSheet.Sheet);
    if (!ws) return;
    TCellList& cells = ws->Cells().CellList();
    for (std::size_t r = 0; r < cells.Count(); ++r) {
        TCellRecordList* row = cells.CellRow(r);
        if (!row) continue;
        if (!row->Sorted()) row->Sort();
        for (std::size_t i = 0; i < row->Count(); ++i) {
            const TCellRecord* cell = row->Items(i);
            if (!AsFormula(cell)) continue;
            std::string text;
            try {
                text = EscapeDumpText(cells.GetFormula(cell->Row(), cell->Column()));
            } catch (const std::exception&) {
                text = "?";
            }
            FeatureLine(aOut, {"F", aSheet.Name + "!" + A1Reference(cell->Row(), cell->Column()), text});
        }
    }
}

}  // namespace xlstool
