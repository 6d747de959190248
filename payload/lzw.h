// LzwDecoder: fixed 9-bit LZW with a dictionary of 256 learned strings that
// freezes once full, no clear code and no end code. It pulls compressed
// bytes from a source and pushes decoded bytes to a sink, so neither side
// is ever held in memory. Portable: no Windows types.
#pragma once

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
// message: bytes already sunk stay sunk and the caller decides.
int LzwDecode(LzwSource source, LzwSink sink);
