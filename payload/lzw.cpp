// The LZW decoder. Once defined, a code's string never changes (the
// dictionary only grows, then freezes at 256 entries), so every code keeps
// its whole string in a pool, and decoding a code is one table look-up and
// one block copy. A reference past the entry being defined, and a first code
// that refers to an entry at all, are corrupt data.
#include "payload/lzw.h"
#include <cstddef>
#include <cstring>

enum {
  CODE_BITS = 9,
  LITERALS = 256,
  MAX_ENTRIES = 256,
  CODES = LITERALS + MAX_ENTRIES,
  // A string is at most one byte longer than the entry it extends, so the
  // strings of entries 0..255 need at most 2 + 3 + ... + 257 bytes.
  ENTRY_POOL_BYTES = MAX_ENTRIES * (MAX_ENTRIES + 3) / 2,
  // Short strings are copied in one fixed-width move that may read past
  // their end in the pool and write scratch past it in the output.
  COPY_WIDTH = 16,
  POOL_BYTES = LITERALS + ENTRY_POOL_BYTES + COPY_WIDTH,
  MAX_STRING = MAX_ENTRIES + 1,
  // A group of 9 bytes holds 8 codes; decoding one at full speed needs room
  // for 8 strings of the longest length and the scratch of the last.
  GROUP_CODES = 8,
  GROUP_ROOM = GROUP_CODES * MAX_STRING + COPY_WIDTH,
};

static struct {
  struct {
    uint16_t Start;  // where the defined code's string begins in Pool
    uint16_t Length;
  } Code[CODES];
  unsigned PoolEnd;
  unsigned char Pool[POOL_BYTES];  // the literals 0..255, then entry strings
} Table;

static void ResetTable()
{
  for (int c = 0; c < LITERALS; ++c) {
    Table.Code[c].Start = static_cast<uint16_t>(c);
    Table.Code[c].Length = 1;
    Table.Pool[c] = static_cast<unsigned char>(c);
  }
  Table.PoolEnd = LITERALS;
}

// Defines `code` as (prev, suffix): the string of prev followed by suffix.
static void Define(int code, int prev, unsigned char suffix)
{
  const unsigned length = Table.Code[prev].Length;
  unsigned char* at = Table.Pool + Table.PoolEnd;
  memcpy(at, Table.Pool + Table.Code[prev].Start, length);
  at[length] = suffix;
  Table.Code[code].Start = static_cast<uint16_t>(Table.PoolEnd);
  Table.Code[code].Length = static_cast<uint16_t>(length + 1);
  Table.PoolEnd += length + 1;
}

// Sinks n bytes of a string through the output block, making room with
// Flush; a string past Remaining is sunk up to it and then refused.
static int PutString(LzwBlocks* blocks, const unsigned char* string, uint64_t n)
{
  const bool overrun = n > blocks->Remaining;
  if (overrun) n = blocks->Remaining;
  blocks->Remaining -= n;
  while (n > 0) {
    if (blocks->Out == blocks->OutEnd && !blocks->Flush(blocks)) return LZW_STOPPED;
    const uint64_t room = static_cast<uint64_t>(blocks->OutEnd - blocks->Out);
    const size_t part = static_cast<size_t>(n < room ? n : room);
    memcpy(blocks->Out, string, part);
    blocks->Out += part;
    string += part;
    n -= part;
  }
  return overrun ? LZW_STOPPED : LZW_OK;
}

// The engine is optimised for size, and the whole groups of codes, where
// nearly every byte of a body is decoded, for speed (GCC keeps PutGroups
// out of line, as its options differ from its caller's). Loops are not
// made into memcpy calls, which the engine does not import.
#if defined(__OPTIMIZE_SIZE__) && !defined(__clang__)
#pragma GCC push_options
#pragma GCC optimize("O2", "no-tree-loop-distribute-patterns")
#define LZW_FOR_SPEED 1
#endif

// Copies COPY_WIDTH bytes: one move where the processor has 16-byte
// registers, else four word moves. Where the build weighs code size, a
// block move of that width without them becomes a string instruction even
// in code optimised for speed (the options above do not change that), and
// string instructions start slowly.
#ifdef __SSE__
__attribute__((always_inline)) static inline void CopyWide(unsigned char* to, const unsigned char* from)
{
  memcpy(to, from, COPY_WIDTH);
}
#else
__attribute__((always_inline)) static inline void CopyWord(unsigned char* to, const unsigned char* from)
{
  uint32_t word;
  memcpy(&word, from, sizeof word);
  memcpy(to, &word, sizeof word);
}

__attribute__((always_inline)) static inline void CopyWide(unsigned char* to, const unsigned char* from)
{
  static_assert(COPY_WIDTH == 16, "four words");
  CopyWord(to, from);
  CopyWord(to + 4, from + 4);
  CopyWord(to + 8, from + 8);
  CopyWord(to + 12, from + 12);
}
#endif

// Copies the string of `code` to out inside a group decoded at full speed
// (room was checked for the whole group) and returns its length. It goes
// in fixed-width moves: the last may read past the string in the pool and
// write scratch past it in the output.
__attribute__((always_inline)) static inline unsigned PutGroupString(unsigned code, unsigned char* out)
{
  code &= 0x1FF;
  const unsigned length = Table.Code[code].Length;
  const unsigned char* string = Table.Pool + Table.Code[code].Start;
  unsigned done = 0;
  do {
    CopyWide(out + done, string + done);
    done += COPY_WIDTH;
  } while (done < length);
  return length;
}

// Decodes whole groups of 8 codes while one is at hand before end and out
// has gone at most span bytes on (none where span is negative); returns
// where next and out stop.
struct Groups {
  const unsigned char* Next;
  unsigned char* Out;
};

static Groups PutGroups(const unsigned char* next, const unsigned char* end, unsigned char* out, ptrdiff_t span)
{
  const unsigned char* const first = out;
  while (out - first <= span && end - next >= CODE_BITS) {
    const uint32_t high = static_cast<uint32_t>(next[0]) << 24 | next[1] << 16 | next[2] << 8 | next[3];
    const uint32_t low = static_cast<uint32_t>(next[4]) << 24 | next[5] << 16 | next[6] << 8 | next[7];
    out += PutGroupString(high >> 23, out);
    out += PutGroupString(high >> 14, out);
    out += PutGroupString(high >> 5, out);
    out += PutGroupString(high << 4 | low >> 28, out);
    out += PutGroupString(low >> 19, out);
    out += PutGroupString(low >> 10, out);
    out += PutGroupString(low >> 1, out);
    out += PutGroupString(low << 8 | next[8], out);
    next += CODE_BITS;
  }
  return {next, out};
}

#ifdef LZW_FOR_SPEED
#pragma GCC pop_options
#endif

// The hot loop keeps the block fields and the count of entries in locals (a
// byte copy could alias them) and hands them back around every call out.
int LzwDecodeBlocks(LzwBlocks* blocks)
{
  ResetTable();
  const unsigned char* next = blocks->Next;
  const unsigned char* end = blocks->End;
  unsigned char* out = blocks->Out;
  unsigned char* outEnd = blocks->OutEnd;
  uint64_t remaining = blocks->Remaining;
  int accumulator = 0;
  int shift = -1;  // -1 at a group boundary of 9 bytes, else the next byte's shift
  int prev = -1;
  int entries = 0;
  int result = LZW_OK;
  for (;;) {
    // Once the dictionary is frozen every code is defined, and a whole
    // group of 9 bytes holds 8 codes. Where the group is at hand and its
    // strings cannot reach Remaining or the block's end, the group is
    // decoded without a check per byte: the bytes taken and the output are
    // those of the loop below. Codes are packed first bit first, so code k
    // is bits 9k to 9k + 8 of the group's 72: high holds bits 0-31, low
    // bits 32-63 and the ninth byte the last 8. The limits of Remaining and
    // the block come down to one bound, how far out may go before a group
    // starts, and Remaining is counted down once the groups end: their loop
    // does no 64-bit arithmetic.
    if (shift < 0 && entries == MAX_ENTRIES) {
      ptrdiff_t span = (outEnd - out) - GROUP_ROOM;
      if (remaining <= PTRDIFF_MAX && static_cast<ptrdiff_t>(remaining) - (GROUP_CODES * MAX_STRING + 1) < span)
        span = static_cast<ptrdiff_t>(remaining) - (GROUP_CODES * MAX_STRING + 1);
      const Groups groups = PutGroups(next, end, out, span);
      remaining -= static_cast<size_t>(groups.Out - out);
      next = groups.Next;
      out = groups.Out;
    }
    int code = 0;
    for (;;) {
      if (remaining == 0) goto done;
      while (next == end) {
        blocks->Next = next;
        blocks->Out = out;
        blocks->Remaining = remaining;
        const int refilled = blocks->Refill(blocks);
        next = blocks->Next;
        end = blocks->End;
        out = blocks->Out;
        outEnd = blocks->OutEnd;
        if (refilled != 1) {
          result = refilled == LZW_COMPLETE ? LZW_OK : LZW_STOPPED;
          goto done;
        }
      }
      const int byte = *next++;
      if (shift < 0) {
        accumulator = byte << 1;
        shift = 7;
        continue;
      }
      code = ((byte >> shift) | accumulator) & 0x1FF;
      accumulator = byte << (CODE_BITS - shift);
      --shift;
      break;
    }

    const int defined = LITERALS + entries;
    if (prev < 0) {
      if (code >= LITERALS) {
        result = LZW_CORRUPT;
        goto done;
      }
    } else if (code > defined) {
      result = LZW_CORRUPT;
      goto done;
    } else if (code == defined) {
      // Only the entry this very code defines can be referred to before it
      // exists: the string of prev followed by its own first byte.
      Define(defined, prev, Table.Pool[Table.Code[prev].Start]);
      ++entries;
    } else if (entries < MAX_ENTRIES) {
      Define(defined, prev, Table.Pool[Table.Code[code].Start]);
      ++entries;
    }
    prev = code;

    const unsigned length = Table.Code[code].Length;
    const unsigned char* string = Table.Pool + Table.Code[code].Start;
    if (length <= COPY_WIDTH && length <= remaining && outEnd - out >= COPY_WIDTH) {
      CopyWide(out, string);
      out += length;
      remaining -= length;
    } else {
      blocks->Out = out;
      blocks->Remaining = remaining;
      const int put = PutString(blocks, string, length);
      out = blocks->Out;
      outEnd = blocks->OutEnd;
      remaining = blocks->Remaining;
      if (put != LZW_OK) {
        result = put;
        goto done;
      }
    }
  }
done:
  blocks->Next = next;
  blocks->Out = out;
  blocks->Remaining = remaining;
  return result;
}

// LzwDecode over the block decoder: one compressed byte per block, and the
// decoded bytes of each code sunk before the next byte is asked for.
static struct {
  LzwSource Source;
  LzwSink Sink;
  unsigned char Byte;
  unsigned char Pending[2 * MAX_STRING];
} Single;

static int SinkPending(LzwBlocks* blocks)
{
  for (const unsigned char* p = Single.Pending; p < blocks->Out; ++p) {
    if (!Single.Sink(*p)) return 0;
  }
  blocks->Out = Single.Pending;
  return 1;
}

static int SingleRefill(LzwBlocks* blocks)
{
  if (!SinkPending(blocks)) return LZW_CANNOT_READ;
  const int b = Single.Source();
  if (b < 0) return b;
  Single.Byte = static_cast<unsigned char>(b);
  blocks->Next = &Single.Byte;
  blocks->End = &Single.Byte + 1;
  return 1;
}

int LzwDecode(LzwSource source, LzwSink sink)
{
  Single.Source = source;
  Single.Sink = sink;
  LzwBlocks blocks;
  blocks.Next = blocks.End = &Single.Byte;
  blocks.Refill = SingleRefill;
  blocks.Out = Single.Pending;
  blocks.OutEnd = Single.Pending + sizeof Single.Pending;
  blocks.Flush = SinkPending;
  blocks.Remaining = UINT64_MAX;
  const int result = LzwDecodeBlocks(&blocks);
  if (result == LZW_OK && !SinkPending(&blocks)) return LZW_STOPPED;
  return result;
}
