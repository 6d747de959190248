// Greedy LZW encoding. The dictionary is looked up as a table indexed by
// (code of the current string, next byte); an entry is learned each time a
// code is written, exactly as the decoder learns it one code later.
#include "payload/lzw_encode.h"
#include <cstdint>

enum { LITERALS = 256, MAX_ENTRIES = 256, CODES = LITERALS + MAX_ENTRIES, CODE_BITS = 9 };

namespace {

struct BitWriter {
  std::vector<unsigned char>& Out;
  uint32_t Bits = 0;  // pending bits, right-aligned
  int Count = 0;      // number of pending bits

  void Put(unsigned code)
  {
    Bits = (Bits << CODE_BITS) | code;
    Count += CODE_BITS;
    while (Count >= 8) {
      Count -= 8;
      Out.push_back(static_cast<unsigned char>(Bits >> Count));
    }
    Bits &= (1u << Count) - 1;
  }
  void Flush()
  {
    if (Count > 0) Out.push_back(static_cast<unsigned char>(Bits << (8 - Count)));
    Count = 0;
  }
};

}  // namespace

std::vector<unsigned char> LzwEncode(const unsigned char* data, size_t size)
{
  std::vector<unsigned char> out;
  out.reserve(size + size / 8 + 2);
  if (size == 0) return out;

  // next[code][byte]: the entry's code for that string plus that byte, or 0.
  std::vector<uint16_t> next(static_cast<size_t>(CODES) * 256, 0);
  int entries = 0;
  BitWriter writer{out};

  unsigned current = data[0];
  for (size_t i = 1; i < size; ++i) {
    const unsigned char byte = data[i];
    const uint16_t known = next[current * 256 + byte];
    if (known != 0) {
      current = known;
      continue;
    }
    writer.Put(current);
    if (entries < MAX_ENTRIES) next[current * 256 + byte] = static_cast<uint16_t>(LITERALS + entries++);
    current = byte;
  }
  writer.Put(current);
  writer.Flush();
  return out;
}
