// xlstool formula FILE SHEET CELL ["=TEXT" [-o OUT]]: prints a cell's formula,
// or writes one and saves.
#include <iostream>

#include "CellReference.h"
#include "SheetEdit.h"
#include "XlsToolCommands.h"
#include "base/UXlsUnicode.h"

namespace xlstool {

int RunFormula(TArgs args)
{
    const TParsedArgs parsed = ParseArgs(args, {"-o"});
    const std::vector<std::string>& positional = parsed.Positional;
    RequireArgCount(positional, 3, 4);
    if (positional.size() == 3 && !parsed.Value("-o").empty()) throw EUsageError("-o needs a formula to write");
    const TCellRef cell = ParseCellReference(positional[2]);
    return OnFile(positional[0], [&] {
        TSheetEdit edit(positional[0], positional[1]);
        xls::TXLSFile& xls = edit.File();
        if (positional.size() == 3) {
            const std::u16string formula = xls.GetCellFormula(cell.Row, cell.Col);
            if (!formula.empty()) std::cout << xls::Utf16ToUtf8(formula) << '\n';
            return 0;
        }
        // A text the encoder refuses fails here, before anything is written.
        xls.SetCellFormula(cell.Row, cell.Col, xls::Utf8ToUtf16(positional[3]));
        edit.Save(parsed.Value("-o"));
        return 0;
    });
}

}  // namespace xlstool
