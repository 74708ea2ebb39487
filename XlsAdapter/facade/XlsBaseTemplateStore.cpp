#include "facade/XlsBaseTemplateStore.h"

namespace xls {

// Defined here so that the class's virtual table has one home.
TXlsBaseTemplateStore::~TXlsBaseTemplateStore() = default;

}  // namespace xls
