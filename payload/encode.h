// Writing the payload's encodings: bytes, little-endian words and int32s,
// FILETIMEs, NUL-terminated strings within their capacity, and the payload
// attached behind an engine image. Bytes in, bytes out: the builder's
// section writer and the tests use them; the engine only reads.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

void PutByte(Bytes& out, unsigned value);
void PutWord(Bytes& out, unsigned value);
void PutInt32(Bytes& out, uint32_t value);
void PutFileTime(Bytes& out, uint64_t value);
void PutBytes(Bytes& out, const void* data, size_t size);

// Appends text and its NUL. False, appending nothing, when the text holds a
// NUL or needs more than capacity - 1 bytes.
bool PutString(Bytes& out, const std::string& text, size_t capacity);

// Appends the payload behind the image and stores its offset in the image's
// DOS header word at 0x30. False when the image is too short to hold it or
// the offset does not fit 32 bits.
bool AttachPayload(Bytes& image, const Bytes& payload);
