// xlstool features [--kinds K,...] FILE: the feature dump of a workbook, one
// table of line kinds for the workbook and one for each sheet.
#include <array>
#include <iostream>

#include "DumpText.h"
#include "Features.h"
#include "XlsToolCommands.h"
#include "facade/XLSAdapter.h"

namespace xlstool {

namespace {

using namespace xls;

struct TWorkbookKind {
    char Letter;
    TWorkbookFeatureKind Write;
};

struct TSheetKind {
    char Letter;
    TSheetFeatureKind Write;
};

// The workbook kinds come first, then the sheet kinds for each sheet, each
// in the order of its table.
constexpr std::array kWorkbookKinds{TWorkbookKind{'W', WorkbookLines}, TWorkbookKind{'N', NameLines}};
constexpr std::array kSheetKinds{
    TSheetKind{'F', FormulaLines},    TSheetKind{'M', MergedCellLines}, TSheetKind{'C', ColumnLines},
    TSheetKind{'R', RowLines},        TSheetKind{'B', PageBreakLines},  TSheetKind{'L', LinkLines},
    TSheetKind{'K', CommentLines},    TSheetKind{'P', DrawingLines},    TSheetKind{'S', SettingLines},
};

bool IsKnownKind(char aLetter)
{
    for (const auto& kind : kWorkbookKinds)
        if (kind.Letter == aLetter) return true;
    for (const auto& kind : kSheetKinds)
        if (kind.Letter == aLetter) return true;
    return false;
}

bool Wanted(const std::string& aKinds, char aLetter)
{
    return aKinds.empty() || aKinds.find(aLetter) != std::string::npos;
}

// "M,C,S" as the set of letters asked for.
std::string ParseKinds(const std::string& aList)
{
    std::string kinds;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = aList.find(',', start);
        const std::string kind = aList.substr(start, comma - start);
        if (kind.size() != 1 || !IsKnownKind(kind[0])) throw EUsageError("unknown kind '" + kind + "' in --kinds");
        kinds += kind;
        if (comma == std::string::npos) return kinds;
        start = comma + 1;
    }
}

// The sheets the dump covers: worksheets, and charts and macro sheets that
// have a window.
bool IsDumped(const TSheet& aSheet)
{
    if (dynamic_cast<const TWorkSheet*>(&aSheet)) return true;
    if (!aSheet.Window2()) return false;
    if (dynamic_cast<const TTbrChart*>(&aSheet)) return true;
    return aSheet.BOF() && aSheet.BOF()->BOFType() == TBOFRecord::TypeMacroSheet;
}

}  // namespace

int RunFeatures(TArgs args)
{
    std::string kinds;
    std::string file;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--kinds") {
            if (++i == args.size()) throw EUsageError("--kinds needs a list");
            kinds = ParseKinds(args[i]);
        } else if (!file.empty() || (args[i].size() > 1 && args[i][0] == '-')) {
            throw EUsageError("unexpected argument '" + args[i] + "'");
        } else {
            file = args[i];
        }
    }
    if (file.empty()) throw EUsageError("missing arguments");

    return OnFile(file, [&] {
        TXLSFile xls(nullptr);
        xls.Connect();
        xls.OpenFile(file);
        TWorkbook& workbook = xls.Workbook();
        std::string out;
        for (const auto& kind : kWorkbookKinds)
            if (Wanted(kinds, kind.Letter)) kind.Write(workbook, out);
        for (std::size_t i = 0; i < workbook.Sheets().Count(); ++i) {
            TSheet& sheet = *workbook.Sheets().Items(i);
            if (!IsDumped(sheet)) continue;
            const auto index = static_cast<std::int32_t>(i);
            const TFeatureSheet view{workbook, sheet, index, EscapeDumpText(workbook.Globals().SheetName(index))};
            for (const auto& kind : kSheetKinds)
                if (Wanted(kinds, kind.Letter)) kind.Write(view, out);
        }
        std::cout << out;
        return 0;
    });
}

}  // namespace xlstool
