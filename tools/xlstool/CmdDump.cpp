// xlstool dump FILE: the canonical cell dump of a workbook (the format of the
// reference tool xlsdump.py): one line per non-empty cell of every
// worksheet, then one line per worksheet.
#include <iostream>
#include <optional>

#include "DumpCell.h"
#include "DumpText.h"
#include "XlsToolCommands.h"
#include "facade/UExcelRecords.h"
#include "facade/XLSAdapter.h"

namespace xlstool {

namespace {

using namespace xls;

std::string_view VisibilityText(TXlsSheetVisible aVisible)
{
    switch (aVisible) {
    case TXlsSheetVisible::sv_Hidden: return "hidden";
    case TXlsSheetVisible::sv_VeryHidden: return "veryhidden";
    default: return "visible";
    }
}

// The lines go out in blocks: a big sheet's dump is larger than the workbook.
constexpr std::size_t kBlockSize = 1 << 16;

void DumpCells(TWorkSheet& aSheet, const std::string& aName, std::string& aOut)
{
    ForEachDumpCell(aSheet, [&](const TCellRecord& cell, const TDumpValue& value) {
        aOut.append(aName).append(1, '!').append(A1Reference(cell.Row(), cell.Column()));
        aOut.append(1, '\t').append(1, value.Kind).append(1, '\t').append(value.Text).append(1, '\n');
        if (aOut.size() < kBlockSize) return;
        std::cout << aOut;
        aOut.clear();
    });
}

}  // namespace

namespace {

int DumpWorkbook(TArgs args)
{
    TXLSFile xls(nullptr);
    xls.Connect();
    xls.OpenFile(args[0]);
    TWorkbook& workbook = xls.Workbook();
    const TWorkbookGlobals& globals = workbook.Globals();

    std::string out;
    std::string sheetLines;
    std::size_t worksheets = 0;
    for (std::size_t i = 0; i < workbook.Sheets().Count(); ++i) {
        auto* sheet = dynamic_cast<TWorkSheet*>(workbook.Sheets().Items(i));
        if (!sheet) continue;
        const auto index = static_cast<std::int32_t>(i);
        const std::string name = EscapeDumpText(globals.SheetName(index));
        DumpCells(*sheet, name, out);
        sheetLines += "#sheet\t" + std::to_string(worksheets++) + "\t" + name + "\t" +
                      std::string(VisibilityText(globals.SheetVisible(index))) + "\n";
    }
    std::cout << out << sheetLines;
    return 0;
}

}  // namespace

int RunDump(TArgs args)
{
    RequireArgCount(args, 1, 1);
    return OnFile(args[0], [&] { return DumpWorkbook(args); });
}

}  // namespace xlstool
