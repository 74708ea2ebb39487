// Byte buffers of the reader link: the frames sent to the PN532 and its replies.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tagstation {

using TBytes = std::vector<std::uint8_t>;
using TByteView = std::span<const std::uint8_t>;
using TByteSpan = std::span<std::uint8_t>;

}  // namespace tagstation
