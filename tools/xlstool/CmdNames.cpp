// xlstool names FILE [--add SCOPE NAME "=FORMULA" [-o OUT]]: lists the
// defined names, or adds (replaces) one and saves.
#include <iostream>

#include "CellReference.h"
#include "DefinedNames.h"
#include "SheetEdit.h"
#include "XlsToolCommands.h"
#include "base/UXlsUnicode.h"
#include "facade/UExcelRecords.h"
#include "facade/XLSAdapter.h"

namespace xlstool {

namespace {

void ListNames(xls::TXLSFile& xls)
{
    xls::TWorkbookGlobals& globals = xls.Workbook().Globals();
    for (std::size_t i = 0; i < globals.Names().Count(); ++i) {
        const xls::TNameRecord* name = globals.Names().Items(i);
        if (!name) continue;
        const TNameFields f = DescribeName(*name, globals);
        std::cout << f.Scope << '\t' << f.Name << '\t' << f.Hidden << '\t' << f.Formula << '\n';
    }
}

xls::TXlsNamedRange NamedRange(xls::TXLSFile& xls, const std::string& aScope, const std::string& aName,
                               const std::string& aFormula)
{
    xls::TXlsNamedRange range;
    range.NameSheetIndex = aScope == "*" ? -1 : FindSheetArgument(xls, aScope) - 1;
    if (const auto code = BuiltInNameCode(aName))
        range.Name = std::u16string(1, *code);
    else
        range.Name = xls::Utf8ToUtf16(aName);
    range.RangeFormula = xls::Utf8ToUtf16(aFormula);
    return range;
}

}  // namespace

int RunNames(TArgs args)
{
    const TParsedArgs parsed = ParseArgs(args, {"-o"});
    const std::vector<std::string>& positional = parsed.Positional;
    const std::string out = parsed.Value("-o");
    const bool adding = positional.size() > 1 && positional[1] == "--add";
    RequireArgCount(positional, adding ? 5 : 1, adding ? 5 : 1);
    if (!adding && !out.empty()) throw EUsageError("-o needs --add");

    return OnFile(positional[0], [&] {
        xls::TXLSFile xls(nullptr, true);
        xls.Connect();
        xls.OpenFile(positional[0]);
        if (adding) {
            xls.AddRange(NamedRange(xls, positional[2], positional[3], positional[4]));
            xls.Save(true, out.empty() ? positional[0] : out, nullptr, nullptr, nullptr);
        } else {
            ListNames(xls);
        }
        xls.Disconnect();
        return 0;
    });
}

}  // namespace xlstool
