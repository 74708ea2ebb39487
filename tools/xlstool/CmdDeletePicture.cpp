// xlstool delete-picture FILE SHEET INDEX [-o OUT]: takes picture INDEX (as
// `pictures` lists it) off a sheet.
#include "SheetEdit.h"

namespace xlstool {

int RunDeletePicture(TArgs args)
{
    const TParsedArgs parsed = ParseArgs(args, {"-o"});
    RequireArgCount(parsed.Positional, 3, 3);
    std::int32_t index = 0;
    try {
        index = std::stoi(parsed.Positional[2]);
    } catch (const std::exception&) {
        throw EUsageError("not a picture index: '" + parsed.Positional[2] + "'");
    }
    return OnFile(parsed.Positional[0], [&] {
        TSheetEdit edit(parsed.Positional[0], parsed.Positional[1]);
        edit.File().DeleteImage(index);
        edit.Save(parsed.Value("-o"));
        return 0;
    });
}

}  // namespace xlstool
