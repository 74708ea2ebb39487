// xlstool set FILE SHEET CELL TEXT [-o OUT]: types TEXT into one cell and saves.
#include <string>
#include <vector>

#include "CellReference.h"
#include "XlsToolCommands.h"
#include "base/UXlsUnicode.h"
#include "facade/XLSAdapter.h"

namespace xlstool {

int RunSet(TArgs args)
{
    const TSavingArgs split = SplitSavingArgs(args);
    const std::vector<std::string>& positional = split.Positional;
    const std::string& out = split.Out;
    RequireArgCount(positional, 4, 4);
    const std::string& file = positional[0];
    const TCellRef cell = ParseCellReference(positional[2]);

    xls::TXLSFile xls(nullptr, true);
    xls.Connect();
    xls.OpenFile(file);
    SelectWorksheet(xls, positional[1]);
    xls.SetCellString(cell.Row, cell.Col, xls::Utf8ToUtf16(positional[3]), u"", u"");
    xls.Save(true, out.empty() ? file : out, nullptr, nullptr, nullptr);
    xls.Disconnect();
    return 0;
}

}  // namespace xlstool
