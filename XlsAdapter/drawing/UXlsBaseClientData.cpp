#include "drawing/UXlsBaseClientData.h"

namespace xls {

TBaseClientData::~TBaseClientData() = default;

void TBaseClientData::ArrangeId(std::uint16_t&) {}

}  // namespace xls
