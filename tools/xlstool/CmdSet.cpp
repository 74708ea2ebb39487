// xlstool set FILE SHEET CELL TEXT [-o OUT]: types TEXT into one cell and saves.
#include "CellReference.h"
#include "XlsToolCommands.h"
#include "base/UXlsUnicode.h"

namespace xlstool {

int RunSet(TArgs args)
{
    const TSavingArgs split = SplitSavingArgs(args);
    const std::vector<std::string>& positional = split.Positional;
    RequireArgCount(positional, 4, 4);
    return OnFile(positional[0], [&] {
        TCellCommand command(positional[0], positional[1], positional[2]);
        command.File.SetCellString(command.Cell.Row, command.Cell.Col, xls::Utf8ToUtf16(positional[3]), u"", u"");
        command.File.Save(true, split.Out.empty() ? positional[0] : split.Out, nullptr, nullptr, nullptr);
        return 0;
    });
}

}  // namespace xlstool
