// fuzz_payload_walk: the whole-payload walk (every record reader and the LZW
// decoder behind them) over arbitrary bytes read straight from the input, so
// that the sanitizers see any read past it; an input that starts as a setup
// file is walked from its offset word. A walk must end in its launch record or
// an error line, and repeat exactly on the same bytes.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include "payload/encode.h"
#include "payload/walk.h"
#include "tests/fuzz/memory_reader.h"

#define CHECK(c) ((c) ? (void)0 : (fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #c), abort()))

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
  uint32_t offset = 0;
  if (size >= PAYLOAD_OFFSET_WORD_AT + 4 && data[0] == 'M' && data[1] == 'Z') memcpy(&offset, data + PAYLOAD_OFFSET_WORD_AT, 4);
  if (offset <= size) data += offset, size -= offset;
  std::string listings[2];
  int results[2];
  size_t used[2];
  for (int i = 0; i < 2; ++i) {  // no state may leak from one walk into the next
    UseMemoryPayload(data, size);
    results[i] = WalkPayload(&listings[i]);
    used[i] = MemoryPayloadPosition();
  }
  const size_t last = listings[0].rfind('\n', listings[0].size() - 2) + 1;  // the line of the last record
  CHECK(listings[0].find(results[0] == 1 ? "launch " : "error in ", last) == last || memchr(data, '\n', size));
  CHECK(results[1] == results[0] && used[1] == used[0] && listings[1] == listings[0]);
  return 0;
}
