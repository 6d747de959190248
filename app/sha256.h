// SHA-256, for the digests that tie an install log to the Uninstall entry
// that an administrator alone may write. Bytes in, bytes out. Portable.
#pragma once
#include <cstddef>
#include <cstdint>

enum { SHA256_BYTES = 32, SHA256_TEXT_BYTES = 2 * SHA256_BYTES + 1 };

struct Sha256 {
  uint32_t State[8];
  uint64_t Length;           // bytes taken so far
  unsigned char Block[64];   // the current block's first Used bytes
  size_t Used;
};

void Sha256Start(Sha256* sha);
void Sha256Add(Sha256* sha, const void* data, size_t size);
// Writes the digest; the state must be started again before further use.
void Sha256Finish(Sha256* sha, unsigned char digest[SHA256_BYTES]);

// The digest as 64 lower-case hexadecimal digits and a NUL.
void Sha256Text(const unsigned char digest[SHA256_BYTES], char text[SHA256_TEXT_BYTES]);

// The digest of `size` bytes at `data`, as text.
void Sha256TextOf(const void* data, size_t size, char text[SHA256_TEXT_BYTES]);
