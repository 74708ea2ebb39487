#include "LineEdit.h"

#include <vector>

#include "SheetEdit.h"

namespace xlstool {

namespace {

enum class TLineAction { Insert, Copy, Delete };

struct TLineChange {
    TLineAction Action;
    std::int32_t First = 0, Last = 0;  // the rows or columns copied
    std::int32_t Pos = 0;              // where they go, or the first one deleted
    std::int32_t Count = 1;
};

// COUNT at aIndex when given, else 1.
std::int32_t CountAt(const std::vector<std::string>& aArgs, std::size_t aIndex)
{
    return aIndex < aArgs.size() ? ParseWholeNumber(aArgs[aIndex], "COUNT") : 1;
}

TLineChange ParseChange(const std::vector<std::string>& p, const TLineAxis& aAxis)
{
    if (p.size() < 4) throw EUsageError("missing arguments");
    const std::string& action = p[2];
    TLineChange change{TLineAction::Insert};
    if (action == "insert" || action == "delete") {
        RequireArgCount(p, 4, 5);
        change.Action = action == "insert" ? TLineAction::Insert : TLineAction::Delete;
        change.Pos = aAxis.Parse(p[3]);
        change.Count = CountAt(p, 4);
    } else if (action == "copy") {
        RequireArgCount(p, 5, 6);
        const std::size_t colon = p[3].find(':');
        change.Action = TLineAction::Copy;
        change.First = aAxis.Parse(p[3].substr(0, colon));
        change.Last = colon == std::string::npos ? change.First : aAxis.Parse(p[3].substr(colon + 1));
        change.Pos = aAxis.Parse(p[4]);
        change.Count = CountAt(p, 5);
    } else {
        throw EUsageError("unknown action '" + action + "' (expected insert, copy or delete)");
    }
    return change;
}

}  // namespace

int ApplyLineChange(const TParsedArgs& parsed, const TLineChange& change, const TLineAxis& aAxis);

int RunLineEdit(TArgs args, const TLineAxis& aAxis)
{
    const TParsedArgs parsed = ParseArgs(args, {"-o"});
    const TLineChange change = ParseChange(parsed.Positional, aAxis);
    return OnFile(parsed.Positional[0], [&] { return ApplyLineChange(parsed, change, aAxis); });
}

int ApplyLineChange(const TParsedArgs& parsed, const TLineChange& change, const TLineAxis& aAxis)
{
    TSheetEdit edit(parsed.Positional[0], parsed.Positional[1]);
    switch (change.Action) {
    case TLineAction::Insert:
        // Empty rows are copies of the sheet's last row: an insertion pushes
        // it off the sheet, so the engine refuses one that finds anything
        // there, and otherwise it is empty.
        aAxis.InsertAndCopy(edit.File(), aAxis.Last, aAxis.Last, change.Pos, change.Count);
        break;
    case TLineAction::Copy:
        aAxis.InsertAndCopy(edit.File(), change.First, change.Last, change.Pos, change.Count);
        break;
    case TLineAction::Delete: aAxis.Delete(edit.File(), change.Pos, change.Count); break;
    }
    edit.Save(parsed.Value("-o"));
    return 0;
}

}  // namespace xlstool
