// xlstool copy IN OUT: loads a workbook and saves it unchanged through the
// file interface, carrying every other stream of the compound file.
#include "XlsToolCommands.h"
#include "facade/XLSAdapter.h"

namespace xlstool {

int RunCopy(TArgs args)
{
    RequireArgCount(args, 2, 2);
    xls::TXLSFile xls(nullptr, true);
    xls.Connect();
    xls.OpenFile(args[0]);
    xls.Save(true, args[1], nullptr, nullptr, nullptr);
    xls.Disconnect();
    return 0;
}

}  // namespace xlstool
