// fuzz_lzw_differential: the table decoder (LzwDecode and LzwDecodeBlocks)
// against the byte-at-a-time decoder it replaced, kept here as the
// reference. For any input, corrupt ones included, all three must sink the
// same bytes, take the same compressed bytes and return the same result.
// Input: 4 bytes declared length, 2 bytes refusal point (in blocks), 1 byte
// input window, 1 byte output block; bit 31 of the first word encodes the
// rest and flips one bit of it (so that damage lies deep in valid data).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
#include "payload/lzw.h"
#include "payload/lzw_encode.h"

namespace {

#define CHECK(condition)                                                          \
  do {                                                                            \
    if (!(condition)) {                                                           \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      abort();                                                                    \
    }                                                                             \
  } while (0)

// The reference: the decoder as it was, one byte pulled and pushed per call.
namespace reference {

enum { CODE_BITS = 9, LITERALS = 256, MAX_ENTRIES = 256, MAX_STRING = MAX_ENTRIES + 1 };

struct {
  LzwSource Source;
  LzwSink Sink;
  unsigned Dictionary[MAX_ENTRIES];
  int Entries;
  int Accumulator;
  int Shift;
  bool CapturePending;
  int CapturedByte;
} Decoder;

int ReadCode()
{
  for (;;) {
    const int b = Decoder.Source();
    if (b < 0) return b;
    const int byte = b & 0xFF;
    if (Decoder.Shift < 0) {
      Decoder.Accumulator = byte << 1;
      Decoder.Shift = 7;
      continue;
    }
    const int code = ((byte >> Decoder.Shift) | Decoder.Accumulator) & 0x1FF;
    Decoder.Accumulator = byte << (CODE_BITS - Decoder.Shift);
    --Decoder.Shift;
    return code;
  }
}

int Emit(int byte) { return Decoder.Sink(byte) ? LZW_OK : LZW_STOPPED; }

void Define(int prefix, int suffix)
{
  if (Decoder.Entries < MAX_ENTRIES)
    Decoder.Dictionary[Decoder.Entries++] = static_cast<unsigned>(prefix) << 16 | (suffix & 0xFF);
}

int ExpandEntry(int index, int* first)
{
  unsigned char stack[MAX_STRING];
  int depth = 0;
  int code = index + LITERALS;
  while (code >= LITERALS) {
    if (code - LITERALS >= Decoder.Entries || depth == MAX_STRING - 1) return LZW_CORRUPT;
    const unsigned entry = Decoder.Dictionary[code - LITERALS];
    stack[depth++] = static_cast<unsigned char>(entry & 0xFF);
    code = static_cast<int>(entry >> 16);
  }
  if (Decoder.CapturePending) {
    Decoder.CapturedByte = code;
    Decoder.CapturePending = false;
  }
  if (Emit(code) != LZW_OK) return LZW_STOPPED;
  while (depth > 0)
    if (Emit(stack[--depth]) != LZW_OK) return LZW_STOPPED;
  *first = code;
  return LZW_OK;
}

int DecodeStep(int prev, int code)
{
  if (code < LITERALS) {
    if (Decoder.CapturePending) {
      Decoder.CapturedByte = code;
      Decoder.CapturePending = false;
    }
    if (Emit(code) != LZW_OK) return LZW_STOPPED;
    Define(prev, code);
    return LZW_OK;
  }
  if (code - LITERALS < Decoder.Entries) {
    int first = 0;
    const int r = ExpandEntry(code - LITERALS, &first);
    if (r != LZW_OK) return r;
    Define(prev, first);
    return LZW_OK;
  }
  if (code - LITERALS > Decoder.Entries || Decoder.CapturePending) return LZW_CORRUPT;
  Decoder.CapturePending = true;
  const int r = DecodeStep(prev, prev);
  if (r != LZW_OK) return r;
  return Emit(Decoder.CapturedByte);
}

int Decode(LzwSource source, LzwSink sink)
{
  Decoder.Source = source;
  Decoder.Sink = sink;
  Decoder.Entries = 0;
  Decoder.Accumulator = 0;
  Decoder.CapturePending = false;
  Decoder.Shift = -1;
  int prev = ReadCode();
  if (prev == LZW_COMPLETE) return LZW_OK;
  if (prev < 0) return LZW_STOPPED;
  if (prev >= LITERALS) return LZW_CORRUPT;
  if (Emit(prev) != LZW_OK) return LZW_STOPPED;
  for (;;) {
    const int code = ReadCode();
    if (code == LZW_COMPLETE) return LZW_OK;
    if (code < 0) return LZW_STOPPED;
    const int r = DecodeStep(prev, code);
    if (r != LZW_OK) return r;
    prev = code;
  }
}

}  // namespace reference

struct Outcome {
  int Result;
  size_t Read;
  std::vector<unsigned char> Output;
  uint64_t Trace;  // the order of source and sink calls
};

bool operator==(const Outcome& a, const Outcome& b)
{
  return a.Result == b.Result && a.Read == b.Read && a.Output == b.Output && a.Trace == b.Trace;
}

// A body as the payload readers decode it: the source says complete once
// the declared length is sunk; the sink refuses past it, and refuses the
// byte after `refuseAfter` bytes (a failed write).
struct {
  const unsigned char* Input;
  size_t Size;
  size_t Declared;
  size_t RefuseAfter;
  Outcome* Out;
} Run;

int Source()
{
  Run.Out->Trace = Run.Out->Trace * 31 + 1 + Run.Out->Output.size();
  if (Run.Out->Output.size() == Run.Declared) return LZW_COMPLETE;
  if (Run.Out->Read == Run.Size) return LZW_CANNOT_READ;
  return Run.Input[Run.Out->Read++];
}

int Sink(int byte)
{
  Run.Out->Trace = Run.Out->Trace * 31 + 7;
  const size_t written = Run.Out->Output.size();
  if (written == Run.Declared || written == Run.RefuseAfter) return 0;
  Run.Out->Output.push_back(static_cast<unsigned char>(byte));
  return 1;
}

Outcome ByteAtATime(int (*decode)(LzwSource, LzwSink))
{
  Outcome outcome{};
  Run.Out = &outcome;
  outcome.Result = decode(Source, Sink);
  return outcome;
}

// LzwDecodeBlocks over windows of `window` input bytes and output blocks of
// `block` bytes; the flush numbered refuseAt (from 1) refuses.
struct {
  size_t Window;
  size_t Given;
  std::vector<unsigned char> Block;
  size_t Flushes;
  size_t RefuseAt;
  Outcome* Out;
} Blocks;

int BlocksRefill(LzwBlocks* b)
{
  CHECK(b->Next == b->End);
  if (Blocks.Given == Run.Size) return LZW_CANNOT_READ;
  const size_t n = Run.Size - Blocks.Given < Blocks.Window ? Run.Size - Blocks.Given : Blocks.Window;
  b->Next = Run.Input + Blocks.Given;
  b->End = b->Next + n;
  Blocks.Given += n;
  return 1;
}

int BlocksFlush(LzwBlocks* b)
{
  CHECK(b->Out == b->OutEnd);
  if (++Blocks.Flushes == Blocks.RefuseAt) return 0;
  Blocks.Out->Output.insert(Blocks.Out->Output.end(), Blocks.Block.begin(), Blocks.Block.end());
  b->Out = Blocks.Block.data();
  return 1;
}

Outcome InBlocks(size_t window, size_t block, size_t refuseAt)
{
  Outcome outcome{};
  Blocks.Window = window;
  Blocks.Given = 0;
  Blocks.Block.assign(block, 0);
  Blocks.Flushes = 0;
  Blocks.RefuseAt = refuseAt;
  Blocks.Out = &outcome;
  LzwBlocks b;
  b.Next = b.End = Run.Input;
  b.Refill = BlocksRefill;
  b.Out = Blocks.Block.data();
  b.OutEnd = b.Out + block;
  b.Flush = BlocksFlush;
  b.Remaining = Run.Declared;
  outcome.Result = LzwDecodeBlocks(&b);
  outcome.Output.insert(outcome.Output.end(), Blocks.Block.data(), b.Out);
  outcome.Read = Blocks.Given - static_cast<size_t>(b.End - b.Next);
  CHECK(b.Remaining == Run.Declared - outcome.Output.size() || outcome.Result != LZW_OK);
  return outcome;
}

void Compare(const unsigned char* input, size_t size, size_t declared, size_t refuseBlocks,
             size_t window, size_t block)
{
  Run.Input = input;
  Run.Size = size;
  Run.Declared = declared;
  Run.RefuseAfter = refuseBlocks == 0 ? SIZE_MAX : refuseBlocks * block;
  const Outcome expected = ByteAtATime(reference::Decode);
  CHECK(ByteAtATime(LzwDecode) == expected);

  Outcome got = InBlocks(window, block, refuseBlocks == 0 ? SIZE_MAX : refuseBlocks);
  got.Trace = expected.Trace;  // blocks sink late by design; the rest must agree
  CHECK(got.Result == expected.Result);
  CHECK(got.Read == expected.Read);
  CHECK(got.Output == expected.Output);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size < 8) return 0;
  const uint32_t word = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
                        static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
  const size_t refuseBlocks = data[4] | data[5] << 8;
  const size_t window = 1 + data[6] % 64;
  const size_t block = 1 + data[7];
  const size_t declared = word & 0xFFFFF;
  data += 8;
  size -= 8;
  if (!(word & 0x80000000u)) {
    Compare(data, size, declared, refuseBlocks, window, block);
    return 0;
  }
  std::vector<unsigned char> packed = LzwEncode(data, size);
  if (!packed.empty() && (word & 0x40000000u)) {
    const size_t bit = (word >> 8 & 0x3FFFFF) % (packed.size() * 8);
    packed[bit / 8] ^= static_cast<unsigned char>(1 << bit % 8);
  }
  Compare(packed.data(), packed.size(), (word & 0x20000000u) ? declared : size, refuseBlocks,
          window, block);
  return 0;
}
