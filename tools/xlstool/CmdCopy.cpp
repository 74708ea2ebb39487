// xlstool copy IN OUT: loads a workbook and saves it unchanged, as the file
// interface does, carrying every other stream of the compound file.
#include "TempFile.h"
#include "WorkbookFile.h"
#include "XlsToolCommands.h"

namespace xlstool {

int RunCopy(TArgs args)
{
    RequireArgCount(args, 2, 2);
    xls::TWorkbook workbook;
    xls::TBytes image;
    LoadWorkbookFile(args[0], workbook, &image);
    TTempFile temp(args[1]);
    SaveWorkbookFile(workbook, image, temp.Path(), false);
    temp.Commit();
    return 0;
}

}  // namespace xlstool
