// The payload's encodings as bytes appended to a buffer. Little-endian
// throughout; strings are checked against the reader's capacity so that a
// written string is never cut when it is read.
#include "payload/encode.h"
#include "payload/layout.h"

void PutByte(Bytes& out, unsigned value) { out.push_back(static_cast<unsigned char>(value)); }

void PutWord(Bytes& out, unsigned value)
{
  PutByte(out, value & 0xFF);
  PutByte(out, (value >> 8) & 0xFF);
}

void PutInt32(Bytes& out, uint32_t value)
{
  for (int i = 0; i < 4; ++i) PutByte(out, (value >> (8 * i)) & 0xFF);
}

void PutFileTime(Bytes& out, uint64_t value)
{
  PutInt32(out, static_cast<uint32_t>(value));
  PutInt32(out, static_cast<uint32_t>(value >> 32));
}

void PutBytes(Bytes& out, const void* data, size_t size)
{
  const unsigned char* p = static_cast<const unsigned char*>(data);
  out.insert(out.end(), p, p + size);
}

bool PutString(Bytes& out, const std::string& text, size_t capacity)
{
  if (text.find('\0') != std::string::npos || text.size() + 1 > capacity) return false;
  PutBytes(out, text.data(), text.size());
  PutByte(out, 0);
  return true;
}

bool AttachPayload(Bytes& image, const Bytes& payload)
{
  const uint64_t offset = image.size();
  if (offset < PAYLOAD_OFFSET_WORD_AT + 4 || offset > LARGEST_PAYLOAD_OFFSET) return false;
  for (int i = 0; i < 4; ++i)
    image[PAYLOAD_OFFSET_WORD_AT + i] = static_cast<unsigned char>(offset >> (8 * i));
  image.insert(image.end(), payload.begin(), payload.end());
  return true;
}
