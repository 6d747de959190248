// fuzz_lzw_differential: the table decoder (LzwDecode and LzwDecodeBlocks)
// against the byte-at-a-time decoder it replaced, kept here as the
// reference. For any input, corrupt ones included, all three must sink the
// same bytes, take the same compressed bytes and return the same result.
// Input: 4 bytes declared length, 2 bytes refusal point (in blocks), 1 byte
// input window, 1 byte output block (small, or large enough for whole groups
// of codes decoded at once); bit 31 of the first word encodes the rest, bit
// 30 flips one bit of that (so that damage lies deep in valid data) and bit
// 29 declares a length up to twice the rest's.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <tuple>
#include <vector>
#include "payload/lzw.h"
#include "payload/lzw_encode.h"

// The reference: the decoder as it was, one byte pulled and one pushed per
// call, every learned string expanded afresh from its chain of codes.
static struct {
  LzwSource Source;
  LzwSink Sink;
  unsigned Bits, Held;                       // bits read but not yet taken, and how many
  std::vector<std::pair<int, int>> Learned;  // code 256 + i: an earlier code, then a byte
} D;

static int ReadCode()
{
  for (; D.Held < 9; D.Held += 8) {
    const int byte = D.Source();
    if (byte < 0) return byte;
    D.Bits = D.Bits << 8 | (byte & 0xFF);
  }
  D.Held -= 9;
  return D.Bits >> D.Held & 0x1FF;
}

// Sinks the string of `code`, first byte first; *first gets that byte.
static bool Emit(int code, int* first)
{
  std::vector<int> string;  // last byte first
  for (; code >= 256; code = D.Learned[code - 256].first) string.push_back(D.Learned[code - 256].second);
  string.push_back(code);
  *first = code;
  return std::all_of(string.rbegin(), string.rend(), D.Sink);
}

static int ReferenceDecode(LzwSource source, LzwSink sink)
{
  D = {source, sink, 0, 0, {}};
  int first = 0, prev = ReadCode();
  if (prev == LZW_COMPLETE) return LZW_OK;
  if (prev >= 256) return LZW_CORRUPT;
  if (prev < 0 || !Emit(prev, &first)) return LZW_STOPPED;
  for (int code; (code = ReadCode()) != LZW_COMPLETE; prev = code) {
    if (code < 0) return LZW_STOPPED;
    const int next = 256 + static_cast<int>(D.Learned.size());  // the code learned now
    if (code > next) return LZW_CORRUPT;
    if (!Emit(code < next ? code : prev, &first)) return LZW_STOPPED;
    if (next < 512) D.Learned.push_back({prev, first});
    if (code == next && !D.Sink(first)) return LZW_STOPPED;
  }
  return LZW_OK;
}

// A body as the payload readers decode it: the source says complete once Declared bytes are sunk, and
// the sink refuses past that and after RefuseAfter bytes (a failed write). The block decoder gets the
// input Window bytes at a time; its flush that would pass RefuseAfter refuses.
static struct {
  std::vector<unsigned char> Input, Output, Block;
  size_t Declared, RefuseAfter, Window;
  size_t Read;  // compressed bytes taken
} Run;

static int Source()
{
  if (Run.Output.size() == Run.Declared) return LZW_COMPLETE;
  return Run.Read == Run.Input.size() ? LZW_CANNOT_READ : Run.Input[Run.Read++];
}

static int Sink(int byte)
{
  if (Run.Output.size() == Run.Declared || Run.Output.size() == Run.RefuseAfter) return 0;
  Run.Output.push_back(static_cast<unsigned char>(byte));
  return 1;
}

static int Refill(LzwBlocks* b)
{
  if (Run.Read == Run.Input.size()) return LZW_CANNOT_READ;
  b->Next = Run.Input.data() + Run.Read;
  Run.Read += std::min(Run.Input.size() - Run.Read, Run.Window);
  b->End = Run.Input.data() + Run.Read;
  return 1;
}

static int Flush(LzwBlocks* b)
{
  if (Run.Output.size() + Run.Block.size() == Run.RefuseAfter) return 0;
  Run.Output.insert(Run.Output.end(), Run.Block.begin(), Run.Block.end());
  b->Out = Run.Block.data();
  return 1;
}

// Decodes Run's body with `decode`, or in blocks where it is null: the
// result, the compressed bytes taken and the bytes sunk.
static std::tuple<int, size_t, std::vector<unsigned char>> Decode(int (*decode)(LzwSource, LzwSink))
{
  Run.Read = 0;
  Run.Output.clear();
  if (decode) return {decode(Source, Sink), Run.Read, Run.Output};
  unsigned char* block = Run.Block.data();
  LzwBlocks b{Run.Input.data(), Run.Input.data(), Refill, block, block + Run.Block.size(), Flush, Run.Declared};
  const int result = LzwDecodeBlocks(&b);
  Run.Output.insert(Run.Output.end(), block, b.Out);
  if (result == LZW_OK && b.Remaining != Run.Declared - Run.Output.size()) abort();
  return {result, Run.Read - static_cast<size_t>(b.End - b.Next), Run.Output};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size < 8) return 0;
  const uint32_t word = data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24;
  const size_t refuseBlocks = data[4] | data[5] << 8;
  Run.Input.assign(data + 8, data + size);
  Run.Declared = word & 0xFFFFF;
  if (word & 0x80000000u) {
    // The body's own length, or one near it: shorter or longer than the data.
    Run.Declared = word & 0x20000000u ? Run.Declared % (2 * (size - 8) + 1) : size - 8;
    Run.Input = LzwEncode(data + 8, size - 8);
    const size_t bit = (word >> 8 & 0x3FFFFF) % (Run.Input.size() * 8 + 1);
    if ((word & 0x40000000u) && bit < Run.Input.size() * 8) Run.Input[bit / 8] ^= static_cast<unsigned char>(1 << bit % 8);
  }
  Run.Window = 1 + data[6] % 64;
  Run.Block.assign(data[7] < 192 ? 1 + data[7] : (data[7] - 191) * 256, 0);
  Run.RefuseAfter = refuseBlocks ? refuseBlocks * Run.Block.size() : SIZE_MAX;
  const auto expected = Decode(ReferenceDecode);
  if (Decode(LzwDecode) != expected || Decode(nullptr) != expected) abort();
  return 0;
}
