// The empty workbook the engine starts from: new files and new worksheets are
// loaded from it, so the engine never has to build a workbook from nothing.
#pragma once

#include "base/UXlsBytes.h"

namespace xls {

// The complete compound document (13,824 bytes, 512-byte sectors): a
// "Workbook" stream holding one empty visible worksheet "Sheet1", plus the
// summary-information and document-summary-information streams, 4096 bytes
// each. Assembled on first use and kept for the rest of the run.
const TBytes& EmptyWorkbookTemplate();

}  // namespace xls
