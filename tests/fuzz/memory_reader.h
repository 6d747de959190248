// The primitive reads of reader.h over a block of memory, for native tests
// of the record readers: a read past its end is caught by the address
// sanitizer. Faults are not recorded; flags are ignored.
#pragma once
#include <cstddef>

// Makes `data` (size bytes, not copied) the payload that the reads hand out.
void UseMemoryPayload(const unsigned char* data, size_t size);

// How many bytes the reads have taken so far.
size_t MemoryPayloadPosition();
