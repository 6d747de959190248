// fuzz_lzw_decode: the LZW decoder on arbitrary compressed data, and the
// encoder and decoder in round trips. The first four bytes (little-endian)
// choose the mode: with bit 31 clear they are the declared length (modulo
// MAX_DECLARED + 1) and the rest is compressed data; with bit 31 set the
// rest is plain data to encode and decode back (bit 30: cut the encoded
// data short at the position in the low bits first).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
#include "payload/lzw.h"
#include "payload/lzw_encode.h"

namespace {

constexpr size_t MAX_DECLARED = size_t{1} << 20;
constexpr uint32_t ROUND_TRIP = 0x80000000u;
constexpr uint32_t CUT_SHORT = 0x40000000u;
constexpr uint32_t CUT_POSITION = 0x000FFFFFu;

#define CHECK(condition)                                                          \
  do {                                                                            \
    if (!(condition)) {                                                           \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      abort();                                                                    \
    }                                                                             \
  } while (0)

unsigned char Output[MAX_DECLARED];

// One decode, as the payload readers drive it: the source says complete as
// soon as the declared number of bytes has been sunk, and the sink takes no
// byte beyond them.
struct {
  const unsigned char* Input;
  size_t InputSize;
  size_t Read;
  size_t Declared;
  size_t Written;
  int SourceEnd;  // 0 while the source has handed out only bytes
  bool Refused;
} Run;

int Source()
{
  CHECK(Run.SourceEnd == 0);  // asked again after the data was ended
  if (Run.Written == Run.Declared) return Run.SourceEnd = LZW_COMPLETE;
  if (Run.Read == Run.InputSize) return Run.SourceEnd = LZW_CANNOT_READ;
  return Run.Input[Run.Read++];
}

int Sink(int byte)
{
  CHECK(!Run.Refused);  // handed another byte after a refusal
  if (Run.Written == Run.Declared) {
    Run.Refused = true;
    return 0;
  }
  Output[Run.Written++] = static_cast<unsigned char>(byte);
  return 1;
}

int Decode(const unsigned char* input, size_t size, size_t declared)
{
  Run.Input = input;
  Run.InputSize = size;
  Run.Read = 0;
  Run.Declared = declared;
  Run.Written = 0;
  Run.SourceEnd = 0;
  Run.Refused = false;
  const int result = LzwDecode(Source, Sink);
  // Each result has exactly one kind of cause.
  switch (result) {
    case LZW_OK:
      CHECK(Run.SourceEnd == LZW_COMPLETE && !Run.Refused);
      CHECK(Run.Written == Run.Declared);
      break;
    case LZW_STOPPED:
      CHECK(Run.Refused != (Run.SourceEnd == LZW_CANNOT_READ));
      break;
    case LZW_CORRUPT:
      CHECK(Run.SourceEnd == 0 && !Run.Refused);
      break;
    default:
      CHECK(!"LzwDecode returned an unknown result");
  }
  return result;
}

void DecodeArbitrary(const unsigned char* data, size_t size, size_t declared)
{
  if (Decode(data, size, declared) != LZW_OK || Run.Written == 0) return;
  // Whatever decodes must survive a round trip of its own.
  const std::vector<unsigned char> decoded(Output, Output + Run.Written);
  const std::vector<unsigned char> packed = LzwEncode(decoded.data(), decoded.size());
  CHECK(Decode(packed.data(), packed.size(), decoded.size()) == LZW_OK);
  CHECK(memcmp(Output, decoded.data(), decoded.size()) == 0);
  CHECK(Run.Read == packed.size());
}

void RoundTrip(const unsigned char* data, size_t size, uint32_t mode)
{
  if (size > MAX_DECLARED) return;
  const std::vector<unsigned char> packed = LzwEncode(data, size);
  // At most one 9-bit code per byte, packed 8 codes to 9 bytes.
  CHECK(packed.size() <= (9 * size + 7) / 8);
  CHECK((size == 0) == packed.empty());

  if ((mode & CUT_SHORT) && !packed.empty()) {
    // Without its last byte or more the final code is incomplete: the
    // decode must stop, having sunk only a proper prefix of the data.
    const size_t cut = (mode & CUT_POSITION) % packed.size();
    CHECK(Decode(packed.data(), cut, size) == LZW_STOPPED);
    CHECK(Run.SourceEnd == LZW_CANNOT_READ && Run.Read == cut);
    CHECK(Run.Written < size);
    CHECK(memcmp(Output, data, Run.Written) == 0);
    return;
  }
  CHECK(Decode(packed.data(), packed.size(), size) == LZW_OK);
  CHECK(memcmp(Output, data, size) == 0);
  CHECK(Run.Read == packed.size());  // every packed byte needed, none left over
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size < 4) return 0;
  const uint32_t word = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
                        static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
  if (word & ROUND_TRIP)
    RoundTrip(data + 4, size - 4, word);
  else
    DecodeArbitrary(data + 4, size - 4, word % (MAX_DECLARED + 1));
  return 0;
}
