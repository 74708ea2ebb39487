// xlstool features FILE [--kinds K,...]: the feature dump of a workbook, one
// table of line kinds. Workbook kinds print first, then the sheet kinds for
// every sheet in workbook order.
#include <algorithm>
#include <array>
#include <iostream>
#include <set>
#include <string>

#include "DefinedNames.h"
#include "DumpText.h"
#include "XlsToolCommands.h"
#include "facade/UExcelRecords.h"
#include "facade/XLSAdapter.h"

namespace xlstool {

namespace {

struct TFeatureDump {
    xls::TWorkbook& Book;
    std::ostream& Out;

    void Line(std::initializer_list<std::string_view> aFields)
    {
        bool first = true;
        for (std::string_view f : aFields) {
            if (!first) Out << '\t';
            Out << f;
            first = false;
        }
        Out << '\n';
    }
    std::string SheetName(std::int32_t aSheet) { return EscapeDumpText(Book.Globals().SheetName(aSheet)); }
};

// W: the 1904 date system, the number of sheets, the sheet the file shows.
void WorkbookLines(TFeatureDump& d)
{
    xls::TWorkbookGlobals& g = d.Book.Globals();
    d.Line({"W", "date1904", g.Is1904() ? "1" : "0"});
    d.Line({"W", "sheets", std::to_string(g.SheetCount())});
    const std::int32_t active = g.ActiveSheet();
    d.Line({"W", "active", active >= 0 && std::size_t(active) < g.SheetCount() ? d.SheetName(active) : "?"});
}

// N: every defined name in file order.
void NameLines(TFeatureDump& d)
{
    xls::TWorkbookGlobals& g = d.Book.Globals();
    for (std::size_t i = 0; i < g.Names().Count(); ++i) {
        const xls::TNameRecord* name = g.Names().Items(i);
        if (!name) continue;
        const TNameFields f = DescribeName(*name, g);
        d.Line({"N", f.Scope, f.Name, f.Hidden, f.Formula});
    }
}

// F: every formula cell of a worksheet by row, then column.
void FormulaLines(TFeatureDump& d, std::int32_t aSheet)
{
    if (!d.Book.IsWorksheet(aSheet)) return;
    xls::TCellList& cells = d.Book.GetWorkSheets(aSheet).Cells().CellList();
    const std::string sheet = d.SheetName(aSheet);
    for (std::size_t r = 0; r < cells.Count(); ++r) {
        xls::TCellRecordList* row = cells.CellRow(r);
        if (!row) continue;
        if (!row->Sorted()) row->Sort();
        for (std::size_t i = 0; i < row->Count(); ++i) {
            const xls::TCellRecord* cell = row->Items(i);
            if (!dynamic_cast<const xls::TFormulaRecord*>(cell)) continue;
            std::string text;
            try {
                text = EscapeDumpText(cells.GetFormula(cell->Row(), cell->Column()));
            } catch (const std::exception&) {
                text = "?";
            }
            d.Line({"F", sheet + "!" + A1Reference(cell->Row(), cell->Column()), text});
        }
    }
}

struct TFeatureKind {
    char Kind;
    void (*WorkbookLines)(TFeatureDump&);                // lines about the workbook, or none
    void (*SheetLines)(TFeatureDump&, std::int32_t);     // lines about one sheet, or none
};

// In the order the lines are printed.
constexpr std::array kFeatureKinds{
    TFeatureKind{'W', WorkbookLines, nullptr},
    TFeatureKind{'N', NameLines, nullptr},
    TFeatureKind{'F', nullptr, FormulaLines},
};

std::set<char> ParseKinds(const std::string& aList)
{
    std::set<char> kinds;
    for (std::size_t i = 0; i < aList.size(); ++i) {
        if (aList[i] == ',') continue;
        const char k = aList[i];
        const bool known = std::any_of(kFeatureKinds.begin(), kFeatureKinds.end(), [&](const TFeatureKind& f) { return f.Kind == k; });
        if (!known) throw EUsageError(std::string("unknown line kind '") + k + "'");
        kinds.insert(k);
    }
    if (kinds.empty()) throw EUsageError("--kinds needs at least one kind");
    return kinds;
}

}  // namespace

int RunFeatures(TArgs args)
{
    std::string file;
    std::set<char> kinds;
    for (const auto& f : kFeatureKinds) kinds.insert(f.Kind);
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--kinds") {
            if (i + 1 == args.size()) throw EUsageError("--kinds needs a list such as N,F");
            kinds = ParseKinds(args[++i]);
        } else if (file.empty()) {
            file = args[i];
        } else {
            throw EUsageError("too many arguments");
        }
    }
    if (file.empty()) throw EUsageError("missing arguments");

    xls::TXLSFile xls(nullptr);
    xls.Connect();
    xls.OpenFile(file);
    TFeatureDump dump{xls.Workbook(), std::cout};
    for (const auto& f : kFeatureKinds)
        if (f.WorkbookLines && kinds.contains(f.Kind)) f.WorkbookLines(dump);
    for (std::int32_t s = 0; s < static_cast<std::int32_t>(xls.Workbook().Sheets().Count()); ++s)
        for (const auto& f : kFeatureKinds)
            if (f.SheetLines && kinds.contains(f.Kind)) f.SheetLines(dump, s);
    xls.Disconnect();
    return 0;
}

}  // namespace xlstool
