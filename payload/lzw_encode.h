// The encoder for LzwDecoder's format: 9-bit codes packed most significant
// bit first (8 codes in 9 bytes), a dictionary of 256 learned strings that
// freezes once full, the last byte padded with zero bits. Greedy: every
// code is the longest string the dictionary holds at that point.
#pragma once
#include <cstddef>
#include <vector>

std::vector<unsigned char> LzwEncode(const unsigned char* data, size_t size);
