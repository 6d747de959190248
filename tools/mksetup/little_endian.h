// Little-endian numbers read out of a file's bytes, as the builder's readers
// of Windows formats (programs, bitmaps) take them: a read past the end
// gives 0, which no format's checks take for a valid value.
#pragma once
#include <cstddef>
#include <cstdint>
#include "payload/encode.h"

inline uint32_t Get16(const Bytes& b, size_t at) { return at + 2 <= b.size() ? b[at] | b[at + 1] << 8 : 0; }
inline uint32_t Get32(const Bytes& b, size_t at)
{
  return at + 4 <= b.size() ? Get16(b, at) | Get16(b, at + 2) << 16 : 0;
}
