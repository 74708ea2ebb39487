#include "UXlsNotes.h"

namespace xls {

TNoteRecord::TNoteRecord(std::uint16_t aId, TBytes aData) : TRecordClass(aId, std::move(aData))
{
    if (DataSize() < 8) RaiseXls(TXlsMsg::RecordInvalid, {std::int64_t(Id())});
}

}  // namespace xls
