// The LZW decoder. Entry i of the dictionary is (prefix code, suffix byte);
// a prefix is a literal (< 256) or an earlier entry, so every chain ends in
// a literal within 256 steps. Strings are expanded through a 257-byte stack
// instead of recursion. A reference past the entry being defined, and a
// first code that refers to an entry at all, are corrupt data.
#include "payload/lzw.h"

enum { CODE_BITS = 9, LITERALS = 256, MAX_ENTRIES = 256, MAX_STRING = MAX_ENTRIES + 1 };

static struct {
  LzwSource Source;
  LzwSink Sink;
  unsigned Dictionary[MAX_ENTRIES];  // prefix << 16 | suffix
  int Entries;
  int Accumulator;  // bits of the last byte that belong to the next code
  int Shift;        // -1 at a group boundary, else the shift for the next byte
  bool CapturePending;
  int CapturedByte;
} Decoder;

// The next 9-bit code, or the source's LZW_CANNOT_READ / LZW_COMPLETE.
static int ReadCode()
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

static int Emit(int byte) { return Decoder.Sink(byte) ? LZW_OK : LZW_STOPPED; }

static void Define(int prefix, int suffix)
{
  if (Decoder.Entries < MAX_ENTRIES)
    Decoder.Dictionary[Decoder.Entries++] = static_cast<unsigned>(prefix) << 16 | (suffix & 0xFF);
}

// Sends the string of entry `index` to the sink and stores its first byte.
static int ExpandEntry(int index, int* first)
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

static int DecodeStep(int prev, int code)
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
  // Only the entry this very step defines can be referred to before it
  // exists: the string of prev followed by its own first byte.
  if (code - LITERALS > Decoder.Entries || Decoder.CapturePending) return LZW_CORRUPT;
  Decoder.CapturePending = true;
  const int r = DecodeStep(prev, prev);
  if (r != LZW_OK) return r;
  return Emit(Decoder.CapturedByte);
}

int LzwDecode(LzwSource source, LzwSink sink)
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
