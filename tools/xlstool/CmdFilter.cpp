// xlstool filter FILE SHEET CELLS [-o OUT], xlstool filter FILE SHEET
// --remove [-o OUT]: sets the sheet's auto filter on the first row of CELLS
// over its columns, or takes it away.
#include "SheetEdit.h"

namespace xlstool {

int RunFilter(TArgs args)
{
    const TParsedArgs parsed = ParseArgs(args, {"-o"}, {"--remove"});
    const bool remove = parsed.Has("--remove");
    RequireArgCount(parsed.Positional, remove ? 2 : 3, remove ? 2 : 3);
    return OnFile(parsed.Positional[0], [&] {
        TSheetEdit edit(parsed.Positional[0], parsed.Positional[1]);
        if (remove) {
            edit.File().RemoveAutoFilter();
        } else {
            const xls::TXlsCellRange cells = ParseRangeReference(parsed.Positional[2]);
            edit.File().SetAutoFilter(cells.Top, cells.Left, cells.Right);
        }
        edit.Save(parsed.Value("-o"));
        return 0;
    });
}

}  // namespace xlstool
