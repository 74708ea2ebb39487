#include "records/UXlsBaseList.h"

#include "base/UXlsExceptions.h"

namespace xls {

void RaiseListIndex(std::size_t aIndex)
{
    RaiseXls(TXlsMsg::ListIndexOutOfBounds, {static_cast<std::int64_t>(aIndex)});
}

}  // namespace xls
