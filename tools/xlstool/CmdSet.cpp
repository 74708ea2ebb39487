// xlstool set FILE SHEET CELL TEXT [-o OUT]: types TEXT into one cell and saves.
#include <stdexcept>
#include <string>
#include <vector>

#include "CellReference.h"
#include "XlsToolCommands.h"
#include "base/UXlsUnicode.h"
#include "facade/XLSAdapter.h"

namespace xlstool {

int RunSet(TArgs args)
{
    std::vector<std::string> positional;
    std::string out;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (!optionsEnded && args[i] == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && args[i] == "-o") {
            if (i + 1 == args.size()) throw EUsageError("-o needs a file name");
            out = args[++i];
        } else {
            positional.push_back(args[i]);
        }
    }
    RequireArgCount(positional, 4, 4);
    const std::string& file = positional[0];
    const TCellRef cell = ParseCellReference(positional[2]);

    xls::TXLSFile xls(nullptr, true);
    xls.Connect();
    OnFile(file, [&] {
        xls.OpenFile(file);
        const std::int32_t sheet = FindSheetArgument(xls, positional[1]);
        if (!xls.IsWorksheet(sheet)) throw EFileError("Sheet " + positional[1] + " is not a worksheet");
        xls.SetActiveSheet(sheet);
        xls.SetCellString(cell.Row, cell.Col, xls::Utf8ToUtf16(positional[3]), u"", u"");
    });
    xls.Save(true, out.empty() ? file : out, nullptr, nullptr, nullptr);
    xls.Disconnect();
    return 0;
}

}  // namespace xlstool
