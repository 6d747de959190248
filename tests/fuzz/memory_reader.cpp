// The primitive reads of reader.h over a block of memory (words, blocks and
// texts come from their one definition over ReadByte). Faults are not
// recorded.
#include "tests/fuzz/memory_reader.h"
#include "payload/reader.h"

static struct {
  const unsigned char* Data;
  size_t Size, Position;
} Memory;

void UseMemoryPayload(const unsigned char* data, size_t size) { Memory = {data, data ? size : 0, 0}; }

size_t MemoryPayloadPosition() { return Memory.Position; }

int ReadByte() { return Memory.Position < Memory.Size ? Memory.Data[Memory.Position++] : -1; }

void UsePayloadFlags(unsigned) {}

void ReportPayloadFault(PayloadFault) {}
