// fuzz_payload_walk: the whole-payload walk (every record reader and the
// LZW decoder behind them) over arbitrary bytes, read straight from the
// fuzz input through the memory reader. Besides the sanitizers' checks, a
// walk must repeat exactly on the same bytes, and its listing must agree
// with its result: an "error in" line exactly when it fails (as far as the
// input's own texts cannot fake one), the launch record when it succeeds.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include "payload/walk.h"
#include "tests/fuzz/memory_reader.h"

namespace {

#define CHECK(condition)                                                          \
  do {                                                                            \
    if (!(condition)) {                                                           \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      abort();                                                                    \
    }                                                                             \
  } while (0)

struct Walk {
  std::string Listing;
  int Result;
  size_t Used;
};

Walk WalkOver(const uint8_t* data, size_t size)
{
  Walk walk;
  UseMemoryPayload(data, size);
  walk.Result = WalkPayload(&walk.Listing);
  walk.Used = MemoryPayloadPosition();
  return walk;
}

std::string LastLine(const std::string& listing)
{
  if (listing.empty() || listing.back() != '\n') return {};
  const size_t start = listing.rfind('\n', listing.size() - 2);
  return listing.substr(start == std::string::npos ? 0 : start + 1);
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

bool Contains(const uint8_t* data, size_t size, const std::string& text)
{
  return std::search(data, data + size, text.begin(), text.end()) != data + size;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  const Walk first = WalkOver(data, size);
  CHECK(first.Result == 0 || first.Result == 1);
  CHECK(!first.Listing.empty() && first.Listing.back() == '\n');
  // Every text of the listing is a run of input bytes inside quotes, so
  // only an input holding these bytes can put them there itself.
  const bool hasError = first.Listing.find("error in ") != std::string::npos;
  if (first.Result == 0) CHECK(hasError);
  if (first.Result == 1) {
    CHECK(StartsWith(first.Listing, "product "));
    CHECK(first.Listing.find("\nlaunch ") != std::string::npos);
    if (!Contains(data, size, "error in")) CHECK(!hasError);
  }
  // Without a line feed in the input, every line is one record's own.
  if (!Contains(data, size, "\n")) {
    const std::string last = LastLine(first.Listing);
    CHECK(StartsWith(last, first.Result == 1 ? "launch " : "error in "));
  }

  // No state may leak from one walk into the next.
  const Walk second = WalkOver(data, size);
  CHECK(second.Result == first.Result);
  CHECK(second.Used == first.Used);
  CHECK(second.Listing == first.Listing);
  return 0;
}
