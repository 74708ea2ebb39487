#include "DumpCell.h"

#include "DumpText.h"
#include "globals/UXlsFormula.h"
#include "globals/UXlsSST.h"

namespace xlstool {

using namespace xls;

namespace {

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

}  // namespace

std::optional<TDumpValue> DumpCellValue(const TCellRecord& aCell)
{
    if (const auto* formula = AsFormula(&aCell)) return FormulaValue(*formula);
    // The id before the cast: a dynamic_cast that fails is slow, and a dump
    // asks for every cell.
    const auto* boolErr = aCell.Id() == xlr_BOOLERR ? dynamic_cast<const TBoolErrRecord*>(&aCell) : nullptr;
    if (boolErr) {
        const std::uint8_t value = GetByte(boolErr->Data(), 6);
        if (GetByte(boolErr->Data(), 7) != 0) return TDumpValue{'e', DumpErrorText(value)};
        return TDumpValue{'b', BoolText(value != 0)};
    }
    if (const auto* label = aCell.Id() == xlr_LABELSST ? dynamic_cast<const TLabelSSTRecord*>(&aCell) : nullptr)
        return TDumpValue{'s', EscapeDumpText(label->AsString())};
    const TXlsVariant value = aCell.GetValue();
    if (const auto* text = std::get_if<TXlsString>(&value)) return TDumpValue{'s', EscapeDumpText(*text)};
    if (const auto* number = std::get_if<double>(&value)) return TDumpValue{'n', DumpNumber(*number)};
    return std::nullopt;
}

void ForEachDumpCell(TWorkSheet& aSheet, const std::function<void(const TCellRecord&, const TDumpValue&)>& aVisit)
{
    TCellList& cells = aSheet.Cells().CellList();
    for (std::size_t row = 0; row < cells.Count(); ++row) {
        TCellRecordList* list = cells.CellRow(row);
        if (!list) continue;
        if (!list->Sorted()) list->Sort();
        for (std::size_t i = 0; i < list->Count(); ++i) {
            const TCellRecord& cell = *list->Items(i);
            if (const std::optional<TDumpValue> value = DumpCellValue(cell)) aVisit(cell, *value);
        }
    }
}

}  // namespace xlstool
