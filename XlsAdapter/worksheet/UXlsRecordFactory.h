// The whole record factory: the record classes of the worksheet and drawing
// layers, then those of the globals and records layers. Sheets, drawings and
// the workbook read their records through it.
#pragma once

#include "records/UXlsBaseRecords.h"

namespace xls {

std::unique_ptr<TBaseRecord> CreateRecord(std::uint16_t aId, TByteView aData);

// ReadRecord with the whole factory.
inline std::unique_ptr<TBaseRecord> ReadRecord(TOle2File& DataStream, TRecordHeader& RecordHeader)
{
    return ReadRecord(DataStream, RecordHeader, CreateRecord);
}

}  // namespace xls
