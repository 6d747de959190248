// fuzz_payload_walk: the whole-payload walk (every record reader and the
// LZW decoder behind them) over arbitrary bytes, read straight from the
// fuzz input. Besides the sanitizers' checks, a walk must repeat exactly on
// the same bytes and never read past them.
#include <cstdint>
#include <cstdlib>
#include <string>
#include "payload/walk.h"
#include "tests/fuzz/memory_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  std::string first, second;
  UseMemoryPayload(data, size);
  const int result = WalkPayload(&first);
  const size_t used = MemoryPayloadPosition();
  UseMemoryPayload(data, size);
  if ((result != 0 && result != 1) || used > size || WalkPayload(&second) != result || second != first ||
      MemoryPayloadPosition() != used)
    abort();
  return 0;
}
