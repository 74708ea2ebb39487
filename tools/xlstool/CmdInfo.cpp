// xlstool info FILE: the sheets of a workbook with their kinds, visibility
// and contents, the active sheet and the number of shared strings.
#include <iostream>

#include "DumpText.h"
#include "XlsToolCommands.h"
#include "facade/UExcelRecords.h"
#include "facade/XLSAdapter.h"
#include "globals/UXlsFormula.h"

namespace xlstool {

namespace {

using namespace xls;

std::string SheetKind(const TSheet& aSheet)
{
    if (dynamic_cast<const TWorkSheet*>(&aSheet)) return "worksheet";
    if (dynamic_cast<const TTbrChart*>(&aSheet)) return "chart";
    if (aSheet.BOF() && aSheet.BOF()->BOFType() == 0x0040) return "macro";
    return "other";
}

std::string VisibilityText(TXlsSheetVisible aVisible)
{
    switch (aVisible) {
    case TXlsSheetVisible::sv_Hidden: return "hidden";
    case TXlsSheetVisible::sv_VeryHidden: return "veryhidden";
    default: return "visible";
    }
}

// Cell records (blank cells included) and formula cells of a worksheet.
void CountCells(const TWorkSheet& aSheet, std::size_t& aCells, std::size_t& aFormulas)
{
    const TCellList& cells = aSheet.Cells().CellList();
    for (std::size_t row = 0; row < cells.Count(); ++row) {
        const TCellRecordList* list = cells.CellRow(row);
        if (!list) continue;
        aCells += list->Count();
        for (std::size_t i = 0; i < list->Count(); ++i)
            if (AsFormula(list->Items(i))) ++aFormulas;
    }
}

}  // namespace

namespace {

int ShowInfo(TArgs args)
{
    TXLSFile xls(nullptr);
    xls.Connect();
    xls.OpenFile(args[0]);
    TWorkbook& workbook = xls.Workbook();
    TWorkbookGlobals& globals = workbook.Globals();

    std::string out = "sheets\t" + std::to_string(workbook.Sheets().Count()) + "\n";
    for (std::size_t i = 0; i < workbook.Sheets().Count(); ++i) {
        const TSheet& sheet = *workbook.Sheets().Items(i);
        const auto index = static_cast<std::int32_t>(i);
        out += std::to_string(i) + "\t" + SheetKind(sheet) + "\t" + VisibilityText(globals.SheetVisible(index));
        if (const auto* ws = dynamic_cast<const TWorkSheet*>(&sheet)) {
            std::size_t cells = 0, formulas = 0;
            CountCells(*ws, cells, formulas);
            out += "\t" + std::to_string(cells) + " cells\t" + std::to_string(formulas) + " formulas";
        }
        out += "\t" + EscapeDumpText(globals.SheetName(index)) + "\n";
    }
    out += "active sheet\t" + std::to_string(workbook.ActiveSheet()) + "\n";
    out += "shared strings\t" + std::to_string(globals.SST().Count()) + "\n";
    std::cout << out;
    return 0;
}

}  // namespace

int RunInfo(TArgs args)
{
    RequireArgCount(args, 1, 1);
    return OnFile(args[0], [&] { return ShowInfo(args); });
}

}  // namespace xlstool
