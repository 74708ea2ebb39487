// xlstool comment FILE SHEET CELL TEXT [-o OUT]: gives a cell a comment (or
// a new text), or with an empty TEXT takes it away.
#include "CellReference.h"
#include "SheetEdit.h"
#include "base/UXlsUnicode.h"

namespace xlstool {

int RunComment(TArgs args)
{
    const TParsedArgs parsed = ParseArgs(args, {"-o"});
    RequireArgCount(parsed.Positional, 4, 4);
    const TCellRef cell = ParseCellReference(parsed.Positional[2]);
    return OnFile(parsed.Positional[0], [&] {
        TSheetEdit edit(parsed.Positional[0], parsed.Positional[1]);
        edit.File().SetCellComment(cell.Row, cell.Col, xls::TRichString{xls::Utf8ToUtf16(parsed.Positional[3]), {}});
        edit.Save(parsed.Value("-o"));
        return 0;
    });
}

}  // namespace xlstool
