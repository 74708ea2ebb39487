#include "worksheet/UXlsNotes.h"

namespace xls {

TNoteRecord::TNoteRecord(std::uint16_t aId, TBytes aData) : TRecordClass(aId, std::move(aData))
{
    if (DataSize() < 8) RaiseXls(TXlsMsg::RecordInvalid, {std::int64_t(Id())});
}

void TNoteRecordList::CheckItem(const TBaseRecord* aItem) const
{
    if (aItem && !dynamic_cast<const TNoteRecord*>(aItem)) RaiseXls(TXlsMsg::LogicalError);
}

std::size_t TNoteList::NoteCount() const
{
    std::size_t count = 0;
    for (std::size_t row = 0; row < Count(); ++row) count += NoteRow(row)->Count();
    return count;
}

std::unique_ptr<TBaseRowColRecordList> TNoteList::CreateRowList() const
{
    return std::make_unique<TNoteRecordList>();
}

}  // namespace xls
