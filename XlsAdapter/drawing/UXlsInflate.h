// DEFLATE (RFC 1951) decompression for the metafile pictures the picture
// store keeps compressed, with or without the zlib wrapper (RFC 1950).
#pragma once

#include "base/UXlsBytes.h"

namespace xls {

// The decompressed bytes, at most aMaxSize of them. Damaged data, or data
// that would grow beyond aMaxSize, fails with "The picture's data is damaged".
TBytes Inflate(TByteView aData, std::size_t aMaxSize);

}  // namespace xls
