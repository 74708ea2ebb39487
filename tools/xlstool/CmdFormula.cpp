// xlstool formula FILE SHEET CELL ["=TEXT" [-o OUT]]: prints a cell's formula,
// or writes one and saves.
#include <iostream>

#include "CellReference.h"
#include "XlsToolCommands.h"
#include "base/UXlsUnicode.h"

namespace xlstool {

int RunFormula(TArgs args)
{
    const TSavingArgs split = SplitSavingArgs(args);
    const std::vector<std::string>& positional = split.Positional;
    RequireArgCount(positional, 3, 4);
    if (positional.size() == 3 && !split.Out.empty()) throw EUsageError("-o needs a formula to write");
    return OnFile(positional[0], [&] {
        TCellCommand command(positional[0], positional[1], positional[2]);
        xls::TXLSFile& xls = command.File;
        const TCellRef cell = command.Cell;
        if (positional.size() == 3) {
            const std::u16string formula = xls.GetCellFormula(cell.Row, cell.Col);
            if (!formula.empty()) std::cout << xls::Utf16ToUtf8(formula) << '\n';
            return 0;
        }
        // A text the encoder refuses fails here, before anything is written.
        xls.SetCellFormula(cell.Row, cell.Col, xls::Utf8ToUtf16(positional[3]));
        xls.Save(true, split.Out.empty() ? positional[0] : split.Out, nullptr, nullptr, nullptr);
        return 0;
    });
}

}  // namespace xlstool
