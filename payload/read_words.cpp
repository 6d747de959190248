// The reads that every payload reader builds on its own ReadByte: words
// and fixed-length blocks. One definition for the engine's stream, the
// builder's lister and the fuzzers' memory reader.
#include "payload/reader.h"

int ReadWord()
{
  const int low = ReadByte();
  if (low < 0) return -1;
  const int high = ReadByte();
  if (high < 0) return -1;
  return low + 256 * high;
}

int ReadBytes(void* destination, int n)
{
  unsigned char* out = static_cast<unsigned char*>(destination);
  for (int i = 0; i < n; ++i) {
    const int b = ReadByte();
    if (b < 0) return 0;
    out[i] = static_cast<unsigned char>(b);
  }
  return 1;
}
