// The encoder for LzwDecoder's format: 9-bit codes packed most significant
// bit first (8 codes in 9 bytes), a dictionary of 256 learned strings that
// freezes once full, the last byte padded with zero bits. Greedy: every
// code is the longest string the dictionary holds at that point.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

std::vector<unsigned char> LzwEncode(const unsigned char* data, size_t size);

// The same encoding fed a piece at a time, so that a body of any size is
// encoded in bounded memory: the pieces' concatenation encodes exactly as
// LzwEncode encodes it whole. Feed appends the codes completed so far to
// `out`; Finish appends the last code and the padding.
class LzwEncoder {
 public:
  LzwEncoder();
  void Feed(const unsigned char* data, size_t size, std::vector<unsigned char>& out);
  void Finish(std::vector<unsigned char>& out);

 private:
  std::vector<uint16_t> next_;  // next_[code * 256 + byte]: that string's code plus that byte, or 0
  int entries_ = 0;
  bool started_ = false;
  unsigned current_ = 0;  // the code of the string read but not yet written
  uint32_t bits_ = 0;     // pending bits, right-aligned
  int count_ = 0;         // number of pending bits
};
