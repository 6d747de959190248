// ReadByte, ReadWord, ReadBytes and ReadString over memory, with the same
// results as the engine's stream reader: a string longer than its buffer
// keeps capacity - 1 bytes and loses the next, a string cut by the end of
// the data counts as read, and only an end before a string's first byte
// fails. Never touches a byte outside the block it was given.
#include "tests/fuzz/memory_reader.h"
#include <cstdio>
#include <cstdlib>
#include "payload/reader.h"

namespace {

struct {
  const unsigned char* Data = nullptr;
  size_t Size = 0;
  size_t Position = 0;
} Memory;

bool AtEnd() { return Memory.Position >= Memory.Size; }

}  // namespace

void UseMemoryPayload(const unsigned char* data, size_t size)
{
  Memory.Data = data;
  Memory.Size = data != nullptr ? size : 0;
  Memory.Position = 0;
}

size_t MemoryPayloadPosition() { return Memory.Position; }

int ReadByte()
{
  if (AtEnd()) return -1;
  return Memory.Data[Memory.Position++];
}

int ReadString(char* destination, int capacity)
{
  if (capacity < 1) {
    // No caller may ask for a string without room for its terminator.
    fprintf(stderr, "ReadString called with capacity %d\n", capacity);
    abort();
  }
  if (AtEnd()) return 0;
  int i = 0;
  for (;;) {
    if (i == capacity) {
      destination[capacity - 1] = '\0';
      return 1;
    }
    const char c = static_cast<char>(Memory.Data[Memory.Position++]);
    destination[i++] = c;
    if (c == '\0') return 1;
    if (AtEnd()) {
      destination[i < capacity ? i : capacity - 1] = '\0';
      return 1;
    }
  }
}

void UsePayloadFlags(unsigned) {}

void ReportPayloadFault(PayloadFault) {}
