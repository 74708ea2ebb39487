// xlstool sheets FILE ACTION SHEET... [-o OUT]: inserts, copies, deletes,
// clears, renames, hides, shows and selects sheets and saves the workbook.
#include <functional>
#include <map>

#include "CellReference.h"
#include "SheetEdit.h"
#include "base/UXlsUnicode.h"
#include "facade/UExcelRecords.h"

namespace xlstool {

namespace {

using xls::TXLSFile;
using xls::TXlsSheetVisible;

// BEFORE: a sheet as FindSheetArgument takes it, or the number one past the
// last sheet for the end of the workbook.
std::int32_t FindInsertPosition(TXLSFile& xls, const std::string& aBefore)
{
    const std::int32_t count = xls.SheetCount();
    if (aBefore == std::to_string(count + 1)) return count + 1;
    if (!aBefore.empty() && aBefore.find_first_not_of("0123456789") == std::string::npos) {
        const std::int32_t number = ParseWholeNumber(aBefore, "BEFORE");
        if (number < 1 || number > count)
            xls::RaiseXls(xls::TXlsMsg::SheetNumberInvalid, {std::int64_t(number), 1, std::int64_t(count) + 1});
    }
    return FindSheetArgument(xls, aBefore);
}

// The last visible sheet stays visible. A hidden sheet cannot stay selected
// (the file could not be saved): the nearest visible sheet is shown instead,
// and one grouped with the shown sheet leaves the group.
void SetVisibility(TXLSFile& xls, std::int32_t aSheet, TXlsSheetVisible aValue)
{
    xls::TWorkbook& book = xls.Workbook();
    const std::int32_t index = aSheet - 1;
    const bool hiding = aValue != TXlsSheetVisible::sv_Visible;
    if (hiding && !book.HasVisibleSheetOutside(index, index + 1)) xls::RaiseXls(xls::TXlsMsg::NoVisibleSheets);
    xls.SetActiveSheet(aSheet);
    xls.SetActiveSheetVisible(aValue);
    if (hiding && book.Sheets().Items(static_cast<std::size_t>(index))->Selected())
        xls.SelectSheet((book.ActiveSheet() == index ? book.VisibleSheetNear(index) : book.ActiveSheet()) + 1);
}

// The name is taken as given: one the engine would have to change (a
// character sheet names cannot hold, more than 31 characters) is refused.
void Rename(TXLSFile& xls, std::int32_t aSheet, const std::string& aName)
{
    const std::u16string name = xls::Utf8ToUtf16(aName);
    xls.SetActiveSheet(aSheet);
    xls.SetActiveSheetName(name);
    if (xls.ActiveSheetName() != name || name.starts_with(u'\'') || name.ends_with(u'\''))
        xls::RaiseXls(xls::TXlsMsg::InvalidSheetName, {aName});
}

struct TSheetAction {
    std::size_t MinArgs, MaxArgs;  // after ACTION
    std::function<void(TXLSFile& xls, const std::vector<std::string>& a)> Apply;
};

std::int32_t CountAt(const std::vector<std::string>& a, std::size_t aIndex)
{
    return aIndex < a.size() ? ParseWholeNumber(a[aIndex], "COUNT") : 1;
}

// Visibility changes for hide, very-hide and show.
TSheetAction Visibility(TXlsSheetVisible aValue)
{
    return {1, 1, [aValue](TXLSFile& xls, const std::vector<std::string>& a) {
                SetVisibility(xls, FindSheetArgument(xls, a[0]), aValue);
            }};
}

const std::map<std::string, TSheetAction>& SheetActions()
{
    static const std::map<std::string, TSheetAction> actions{
        {"insert", {1, 2, [](TXLSFile& xls, const std::vector<std::string>& a) {
                        xls.InsertAndCopySheets(0, FindInsertPosition(xls, a[0]), CountAt(a, 1));
                    }}},
        {"copy", {2, 3, [](TXLSFile& xls, const std::vector<std::string>& a) {
                      const std::int32_t source = FindSheetArgument(xls, a[0]);
                      xls.InsertAndCopySheets(source, FindInsertPosition(xls, a[1]), CountAt(a, 2));
                  }}},
        {"delete", {1, 1, [](TXLSFile& xls, const std::vector<std::string>& a) {
                        xls.SetActiveSheet(FindSheetArgument(xls, a[0]));
                        xls.DeleteSheet(1);
                    }}},
        {"clear", {1, 1, [](TXLSFile& xls, const std::vector<std::string>& a) {
                       xls.SetActiveSheet(FindSheetArgument(xls, a[0]));
                       xls.ClearSheet();
                   }}},
        {"rename", {2, 2, [](TXLSFile& xls, const std::vector<std::string>& a) {
                        Rename(xls, FindSheetArgument(xls, a[0]), a[1]);
                    }}},
        {"hide", Visibility(TXlsSheetVisible::sv_Hidden)},
        {"very-hide", Visibility(TXlsSheetVisible::sv_VeryHidden)},
        {"show", Visibility(TXlsSheetVisible::sv_Visible)},
        {"select", {1, 1, [](TXLSFile& xls, const std::vector<std::string>& a) {
                        xls.SelectSheet(FindSheetArgument(xls, a[0]));
                    }}},
    };
    return actions;
}

}  // namespace

int RunSheets(TArgs args)
{
    const TParsedArgs parsed = ParseArgs(args, {"-o"});
    const std::vector<std::string>& p = parsed.Positional;
    if (p.size() < 2) throw EUsageError("missing arguments");
    const auto action = SheetActions().find(p[1]);
    if (action == SheetActions().end()) throw EUsageError("unknown action '" + p[1] + "'");
    const std::vector<std::string> rest(p.begin() + 2, p.end());
    RequireArgCount(rest, action->second.MinArgs, action->second.MaxArgs);
    return OnFile(p[0], [&] {
        TWorkbookEdit edit(p[0]);
        action->second.Apply(edit.File(), rest);
        edit.Save(parsed.Value("-o"));
        return 0;
    });
}

}  // namespace xlstool
