// The primitive reads of reader.h over a block of memory, with the stream
// reader's results: a string longer than its buffer keeps capacity - 1 bytes
// and loses the next, one cut by the end of the data counts as read, and
// only an end before a string's first byte fails. Faults are not recorded.
#include "tests/fuzz/memory_reader.h"
#include "payload/reader.h"

static struct {
  const unsigned char* Data;
  size_t Size, Position;
} Memory;

void UseMemoryPayload(const unsigned char* data, size_t size) { Memory = {data, data ? size : 0, 0}; }

size_t MemoryPayloadPosition() { return Memory.Position; }

int ReadByte() { return Memory.Position < Memory.Size ? Memory.Data[Memory.Position++] : -1; }

int ReadString(char* destination, int capacity)
{
  if (Memory.Position >= Memory.Size) return 0;
  for (int i = 0; i < capacity; ++i) {
    const int c = ReadByte();
    destination[i] = static_cast<char>(c > 0 && i < capacity - 1 ? c : 0);
    if (c <= 0) break;
  }
  return 1;
}

void UsePayloadFlags(unsigned) {}

void ReportPayloadFault(PayloadFault) {}
