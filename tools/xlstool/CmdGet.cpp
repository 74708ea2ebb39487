// xlstool get FILE SHEET CELL: one cell's value as a line of the dump format.
#include <iostream>

#include "CellReference.h"
#include "DumpCell.h"
#include "DumpText.h"
#include "SheetEdit.h"
#include "XlsToolCommands.h"
#include "facade/UExcelRecords.h"

namespace xlstool {

int RunGet(TArgs args)
{
    RequireArgCount(args, 3, 3);
    const TCellRef cell = ParseCellReference(args[2]);
    return OnFile(args[0], [&] {
        TSheetEdit edit(args[0], args[1]);
        xls::TXLSFile& xls = edit.File();
        // Refuses a cell outside the sheet; an empty cell prints nothing.
        if (xls.GetCellFormat(cell.Row, cell.Col) < 0) return 0;

        xls::TCellRecordList* row = edit.Sheet().Cells().CellList().CellRow(static_cast<std::size_t>(cell.Row - 1));
        std::size_t index = 0;
        if (!row || !row->Find(cell.Col - 1, index)) return 0;
        const std::optional<TDumpValue> value = DumpCellValue(*row->Items(index));
        if (!value) return 0;
        std::cout << EscapeDumpText(xls.ActiveSheetName()) << '!'
                  << A1Reference(static_cast<std::uint32_t>(cell.Row - 1), static_cast<std::uint32_t>(cell.Col - 1)) << '\t'
                  << value->Kind << '\t' << value->Text << '\n';
        return 0;
    });
}

}  // namespace xlstool
