// What xlstool rows and xlstool columns share: whole rows or columns of one
// worksheet inserted empty, inserted as copies, or deleted.
#pragma once

#include <cstdint>
#include <string>

#include "XlsToolCommands.h"
#include "facade/XLSAdapter.h"

namespace xlstool {

// Rows or columns, counted from 1 as the file interface counts them.
struct TLineAxis {
    std::int32_t Last;                               // the sheet's last row or column
    std::int32_t (*Parse)(const std::string& aText);  // a ROW or COL argument
    void (*InsertAndCopy)(xls::TXLSFile& aFile, std::int32_t aFirst, std::int32_t aLast, std::int32_t aDest,
                          std::int32_t aCount);
    void (*Delete)(xls::TXLSFile& aFile, std::int32_t aFirst, std::int32_t aCount);
};

// FILE SHEET insert POS [COUNT] | copy FIRST[:LAST] POS [COUNT] | delete POS [COUNT], [-o OUT].
int RunLineEdit(TArgs args, const TLineAxis& aAxis);

}  // namespace xlstool
