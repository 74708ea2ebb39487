// Names of BIFF record ids, as the record listings show them.
#pragma once

#include <cstdint>
#include <string_view>

namespace xlstool {

// The record's name, or "?" for an unknown id.
std::string_view RecordName(std::uint16_t aId);

}  // namespace xlstool
