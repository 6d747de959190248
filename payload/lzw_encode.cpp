// Greedy LZW encoding. The dictionary is looked up as a table indexed by
// (code of the current string, next byte); an entry is learned each time a
// code is written, exactly as the decoder learns it one code later.
#include "payload/lzw_encode.h"

enum { LITERALS = 256, MAX_ENTRIES = 256, CODES = LITERALS + MAX_ENTRIES, CODE_BITS = 9 };

namespace {

struct BitWriter {
  std::vector<unsigned char>& Out;
  uint32_t Bits;  // pending bits, right-aligned
  int Count;      // number of pending bits

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

LzwEncoder::LzwEncoder() : next_(static_cast<size_t>(CODES) * 256, 0) {}

void LzwEncoder::Feed(const unsigned char* data, size_t size, std::vector<unsigned char>& out)
{
  if (size == 0) return;
  size_t i = 0;
  if (!started_) {
    current_ = data[i++];
    started_ = true;
  }
  // The loop works on locals: the table and the state stay in registers.
  BitWriter writer{out, bits_, count_};
  uint16_t* next = next_.data();
  unsigned current = current_;
  int entries = entries_;
  for (; i < size; ++i) {
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
  current_ = current;
  entries_ = entries;
  bits_ = writer.Bits;
  count_ = writer.Count;
}

void LzwEncoder::Finish(std::vector<unsigned char>& out)
{
  if (!started_) return;
  BitWriter writer{out, bits_, count_};
  writer.Put(current_);
  writer.Flush();
  started_ = false;
  bits_ = 0;
  count_ = 0;
}

std::vector<unsigned char> LzwEncode(const unsigned char* data, size_t size)
{
  std::vector<unsigned char> out;
  out.reserve(size + size / 8 + 2);
  LzwEncoder encoder;
  encoder.Feed(data, size, out);
  encoder.Finish(out);
  return out;
}
