// The value of one cell as the dump format prints it.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "worksheet/UXlsCellRecords.h"
#include "worksheet/UXlsSheet.h"

namespace xlstool {

struct TDumpValue {
    char Kind;         // n number, s text, b boolean, e error
    std::string Text;  // the value's dump text
};

// The kind and text of a cell's value; a formula cell gives its cached
// result. None for a blank cell.
std::optional<TDumpValue> DumpCellValue(const xls::TCellRecord& aCell);

// aVisit(cell, value) for every cell of the sheet that has a value, by row
// and column.
void ForEachDumpCell(xls::TWorkSheet& aSheet,
                     const std::function<void(const xls::TCellRecord&, const TDumpValue&)>& aVisit);

}  // namespace xlstool
