// Rows and columns of the file interface (counted from 1) as the model counts
// them (from 0), refused outside the sheet's limits as the cell store
// refuses them.
#pragma once

#include <cstdint>

#include "records/UXlsBaseRecords.h"

namespace xls {

inline std::int64_t ModelRow(std::int32_t aRow)
{
    const std::int64_t row = std::int64_t(aRow) - 1;
    if (row < 0 || row > MaxRow) RaiseXls(TXlsMsg::InvalidRow, {row});
    return row;
}

inline std::int64_t ModelCol(std::int32_t aCol)
{
    const std::int64_t col = std::int64_t(aCol) - 1;
    if (col < 0 || col > MaxColumn) RaiseXls(TXlsMsg::InvalidColumn, {col});
    return col;
}

}  // namespace xls
