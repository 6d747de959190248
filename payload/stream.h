// PayloadStream: the one sequential reader of the payload behind the
// executable's image and its continuation volumes (setup.002, setup.003, ...).
// Reads go strictly forward through one buffer, refilled only when it is used
// up (so a spanned payload asks for its next disk when the last byte of a
// volume has been handed out, not earlier); nothing seeks back.
// The reader's failures are reported here, once; callers only pass on 0 or -1.
#pragma once
#include "payload/reader.h"

// Opens State.OwnPath and positions the reader at the payload offset held in
// the DOS header word at 0x30. 0 after reporting: the file cannot be opened,
// or no payload is attached (offset 0).
int OpenPayload();

// Reads the next bytes, up to a bufferful, asking for the next volume with "FD交換"
// when a spanned payload's volume is exhausted. 0 at the end of the data,
// after a read error (reported) or when the user cancels the prompt.
int RefillBuffer();

// Bulk access for the body decoders: the bytes of the buffer not yet handed
// out (their count, 0 when it is used up; RefillBuffer then reads on). They
// stay in the stream until ConsumePayload hands out the first n of them.
int PayloadBuffered(const unsigned char** bytes);
void ConsumePayload(int n);

// ReadByte, ReadWord, ReadBytes and ReadString (declared in reader.h) hand
// out the payload in order. ReadString reads one NUL-terminated string into
// a buffer of `capacity` bytes and fails only when the data ends before its
// first byte; a longer string leaves its first capacity-1 bytes, loses the
// next and keeps the rest in the stream; a string cut by the end of the
// data counts as read.

// Closes the current volume; harmless when nothing is open.
void ClosePayload();
