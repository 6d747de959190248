// LzwDecoder: fixed 9-bit LZW with a dictionary of 256 learned strings that
// freezes once full, no clear code and no end code. It pulls compressed
// bytes from a source and pushes decoded bytes to a sink, so neither side
// is ever held in memory. Portable: no Windows types.
#pragma once
#include <cstdint>

// Returns the next compressed byte 0-255, LZW_CANNOT_READ when the data
// cannot be had (the decode fails), or LZW_COMPLETE when the user has all it
// expects (the decode ends successfully).
using LzwSource = int (*)();
// Takes one decoded byte (low 8 bits); non-zero accepts it, 0 refuses.
using LzwSink = int (*)(int byte);

enum { LZW_CANNOT_READ = -1, LZW_COMPLETE = -2 };

enum LzwResult {
  LZW_OK = 0,       // the source ended the data with LZW_COMPLETE
  LZW_STOPPED = 1,  // the source could not read or the sink refused a byte
  LZW_CORRUPT = 2,  // a reference to an entry that cannot exist
};

// Decodes until the source says LZW_COMPLETE or something fails. Shows no
// message: bytes already sunk stay sunk and the caller decides. The source
// is asked for a byte only after every byte decoded before it was sunk.
int LzwDecode(LzwSource source, LzwSink sink);

// The same decoder over blocks, for users that hold compressed bytes in a
// buffer and gather decoded bytes in one: a body of a declared length.
struct LzwBlocks {
  const unsigned char* Next;  // compressed bytes not yet taken, up to End
  const unsigned char* End;
  // Called when Next reaches End and another byte is needed: 1 with new
  // bytes in Next..End, or LZW_CANNOT_READ / LZW_COMPLETE as a source says.
  int (*Refill)(LzwBlocks* blocks);
  unsigned char* Out;  // where the next decoded byte goes, up to OutEnd
  unsigned char* OutEnd;
  // Called when Out reaches OutEnd and another byte is to go there: 1 with
  // room made in Out..OutEnd, or 0 to refuse that byte.
  int (*Flush)(LzwBlocks* blocks);
  // Decoded bytes still expected. At 0 no further byte is taken and the
  // decode ends with LZW_OK; a string that runs past it is sunk up to it
  // and then refused (LZW_STOPPED).
  uint64_t Remaining;
};

// Same results, same bytes taken and sunk as LzwDecode with a source that
// says LZW_COMPLETE once Remaining bytes were sunk. Decoded bytes stay in
// Out..OutEnd until Flush or the caller takes them.
int LzwDecodeBlocks(LzwBlocks* blocks);
