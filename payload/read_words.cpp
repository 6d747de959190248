// The reads that every payload reader builds on its own ReadByte: words,
// fixed-length blocks and texts. One definition for the engine's stream, the
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

// A text longer than its buffer keeps its first capacity - 1 bytes (the
// byte after them is read and lost, the rest stays unread); a text cut by
// the end of the data counts as read.
int ReadString(char* destination, int capacity)
{
  int c = ReadByte();
  if (c < 0) return 0;
  for (int i = 0;;) {
    destination[i++] = static_cast<char>(c);
    if (c == 0) return 1;
    if (i == capacity) {
      destination[capacity - 1] = '\0';
      return 1;
    }
    c = ReadByte();
    if (c < 0) {
      destination[i] = '\0';
      return 1;
    }
  }
}
