// The primitive reads that the payload's record readers are written
// against. The engine implements them over its PayloadStream; the builder's
// lister over a setup file and its volumes; fuzzers over memory. Exactly one
// implementation is linked into each program.
#pragma once

int ReadByte();                                   // 0-255, or -1 when no more data can be had
int ReadWord();                                   // little-endian 0-65535, or -1
int ReadBytes(void* destination, int n);          // 1, or 0 when the data ends first
int ReadString(char* destination, int capacity);  // 1, or 0 when the data ends before it

// PayloadFlags as the product header gave them; the reader needs PF_SPANNED.
void UsePayloadFlags(unsigned flags);

enum PayloadFault {
  PAYLOAD_ENDED,    // the data ended where a record had to start
  PAYLOAD_DAMAGED,  // a field holds what no valid payload holds
};

// Tells the user (or the lister's caller) of the fault, once, where it is met.
void ReportPayloadFault(PayloadFault fault);

// A body's compressed codes do not decode: damage that no record reader
// sees. Shows nothing; the decoder's caller decides what to tell.
void NotePayloadDamaged();
