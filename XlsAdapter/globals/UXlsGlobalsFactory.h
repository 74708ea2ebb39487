// The record factory's table for the record classes of the globals layer
// (formats, strings, names, formulas); other ids go to the records layer's.
#pragma once

#include "records/UXlsBaseRecords.h"

namespace xls {

std::unique_ptr<TBaseRecord> CreateGlobalsRecord(std::uint16_t aId, TByteView aData);

}  // namespace xls
