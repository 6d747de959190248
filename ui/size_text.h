// Size texts ("0B", "1.50KB", "117.73MB") and their comparison, as shown on
// the confirmation page. Portable: no Windows types.
#pragma once

enum { SIZE_TEXT_CAPACITY = 12 };

// Writes the byte count (low and high 32-bit halves) as a size text into a
// buffer of at least 10 bytes.
void FormatByteSize(unsigned low, unsigned high, char* text);

// The leading decimal number of text times 100, plus the number after its
// full stop, if any.
int SizeTextValue(const char* text);

// True when a size text `required` fits into the space of size text `free`,
// compared as the texts show them: by unit letter, then by value.
bool SizeTextFits(const char* required, const char* free);

// The free share in tenths: free / (total / 10), both 64-bit values halved
// until total fits 32 bits. A total below 10 bytes gives 0.
int SpaceLevel(unsigned long long freeBytes, unsigned long long totalBytes);
