// Command-line cell and sheet arguments of the subcommands that address one cell.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "facade/XLSAdapter.h"

namespace xlstool {

// A cell as the file interface counts it: row and column from 1.
struct TCellRef {
    std::int32_t Row = 0;
    std::int32_t Col = 0;
};

// Reads an A1 reference ("C7", "$AA$10", "iv65536"): one to three column
// letters, then the row number. Rows and columns beyond the sheet's limits
// come back as they are, for the engine to refuse. Anything else is a usage
// error.
TCellRef ParseCellReference(std::string_view text);

// The 1-based sheet that SHEET names in the open workbook: a number from 1 to
// the sheet count is a position, anything else a sheet name (matched exactly,
// else ignoring the case of A-Z). Fails when no sheet matches.
std::int32_t FindSheetArgument(xls::TExcelFile& file, const std::string& sheet);

}  // namespace xlstool
