// xlstool template OUT: writes the empty workbook the engine starts new files from.
#include "XlsToolCommands.h"
#include "base/UXlsStreams.h"
#include "facade/UXlsEmptyTemplate.h"

namespace xlstool {

int RunTemplate(TArgs args)
{
    RequireArgCount(args, 1, 1);
    const xls::TBytes& bytes = xls::EmptyWorkbookTemplate();
    xls::TFileStream out(args[0], xls::TFileMode::Create);
    out.Write(bytes.data(), bytes.size());
    out.Close();
    return 0;
}

}  // namespace xlstool
