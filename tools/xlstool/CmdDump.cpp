// xlstool dump FILE: the canonical cell dump of a workbook (the format of the
// reference tool xlsdump.py): one line per non-empty cell of every
// worksheet, then one line per worksheet.
#include <iostream>
#include <optional>

#include "DumpText.h"
#include "UXlsFormula.h"
#include "WorkbookFile.h"
#include "XlsToolCommands.h"

namespace xlstool {

namespace {

using namespace xls;

struct TDumpValue {
    char Kind;
    std::string Text;
};

std::string BoolText(bool aValue)
{
    return aValue ? "TRUE" : "FALSE";
}

// The cached result of a formula cell, by the kind stored in its bytes.
std::optional<TDumpValue> FormulaValue(const TFormulaRecord& aFormula)
{
    TByteView d = aFormula.Data();
    if (GetWord(d, 12) != 0xFFFF) return TDumpValue{'n', DumpNumber(GetDouble(d, 6))};
    switch (GetByte(d, 6)) {
    case 0: {
        const TXlsVariant value = aFormula.GetValue();
        const auto* text = std::get_if<TXlsString>(&value);
        return TDumpValue{'s', text ? EscapeDumpText(*text) : std::string()};
    }
    case 1: return TDumpValue{'b', BoolText(GetByte(d, 8) != 0)};
    case 2: return TDumpValue{'e', DumpErrorText(GetByte(d, 8))};
    case 3: return TDumpValue{'s', std::string()};
    default: return std::nullopt;
    }
}

// None for blank cells.
std::optional<TDumpValue> CellValue(const TCellRecord& aCell)
{
    if (const auto* formula = dynamic_cast<const TFormulaRecord*>(&aCell)) return FormulaValue(*formula);
    if (const auto* boolErr = dynamic_cast<const TBoolErrRecord*>(&aCell)) {
        const std::uint8_t value = GetByte(boolErr->Data(), 6);
        if (GetByte(boolErr->Data(), 7) != 0) return TDumpValue{'e', DumpErrorText(value)};
        return TDumpValue{'b', BoolText(value != 0)};
    }
    if (const auto* label = dynamic_cast<const TLabelSSTRecord*>(&aCell))
        return TDumpValue{'s', EscapeDumpText(label->AsString())};
    const TXlsVariant value = aCell.GetValue();
    if (const auto* text = std::get_if<TXlsString>(&value)) return TDumpValue{'s', EscapeDumpText(*text)};
    if (const auto* number = std::get_if<double>(&value)) return TDumpValue{'n', DumpNumber(*number)};
    return std::nullopt;
}

std::string_view VisibilityText(TXlsSheetVisible aVisible)
{
    switch (aVisible) {
    case TXlsSheetVisible::sv_Hidden: return "hidden";
    case TXlsSheetVisible::sv_VeryHidden: return "veryhidden";
    default: return "visible";
    }
}

void DumpCells(TWorkSheet& aSheet, const std::string& aName, std::string& aOut)
{
    TCellList& cells = aSheet.Cells().CellList();
    for (std::size_t row = 0; row < cells.Count(); ++row) {
        TCellRecordList* list = cells.CellRow(row);
        if (!list) continue;
        list->Sort();
        for (std::size_t i = 0; i < list->Count(); ++i) {
            const TCellRecord& cell = *list->Items(i);
            const std::optional<TDumpValue> value = CellValue(cell);
            if (!value) continue;
            aOut +=
                aName + "!" + A1Reference(cell.Row(), cell.Column()) + "\t" + value->Kind + "\t" + value->Text + "\n";
        }
    }
}

}  // namespace

int RunDump(TArgs args)
{
    RequireArgCount(args, 1, 1);
    TWorkbook workbook;
    LoadWorkbookFile(args[0], workbook);
    const TWorkbookGlobals& globals = workbook.Globals();

    std::string out;
    std::string sheetLines;
    std::size_t worksheets = 0;
    for (std::size_t i = 0; i < workbook.Sheets().Count(); ++i) {
        auto* sheet = dynamic_cast<TWorkSheet*>(workbook.Sheets().Items(i));
        if (!sheet) continue;
        const auto index = static_cast<std::int32_t>(i);
        const std::string name = EscapeDumpText(globals.SheetName(index));
        DumpCells(*sheet, name, out);
        sheetLines += "#sheet\t" + std::to_string(worksheets++) + "\t" + name + "\t" +
                      std::string(VisibilityText(globals.SheetVisible(index))) + "\n";
    }
    std::cout << out << sheetLines;
    return 0;
}

}  // namespace xlstool
