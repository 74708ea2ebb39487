// xlstool set FILE SHEET CELL TEXT [-o OUT]: types TEXT into one cell and saves.
#include "CellReference.h"
#include "SheetEdit.h"
#include "base/UXlsUnicode.h"

namespace xlstool {

int RunSet(TArgs args)
{
    const TParsedArgs parsed = ParseArgs(args, {"-o"});
    RequireArgCount(parsed.Positional, 4, 4);
    const TCellRef cell = ParseCellReference(parsed.Positional[2]);
    return OnFile(parsed.Positional[0], [&] {
        TSheetEdit edit(parsed.Positional[0], parsed.Positional[1]);
        edit.File().SetCellString(cell.Row, cell.Col, xls::Utf8ToUtf16(parsed.Positional[3]), u"", u"");
        edit.Save(parsed.Value("-o"));
        return 0;
    });
}

}  // namespace xlstool
