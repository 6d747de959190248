// Character stepping for Shift-JIS texts; see the header for the rule.
#include "app/sjis.h"

bool IsSjisLeadByte(unsigned char c)
{
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

const char* NextSjisChar(const char* p)
{
  if (*p == '\0') return p;
  if (IsSjisLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') return p + 2;
  return p + 1;
}

size_t SjisFitLength(const char* text, size_t limit)
{
  const char* p = text;
  while (*p != '\0') {
    const char* next = NextSjisChar(p);
    if (static_cast<size_t>(next - text) > limit) break;
    p = next;
  }
  return static_cast<size_t>(p - text);
}

bool CutTrailingBackslash(char* text)
{
  char* last = nullptr;
  for (char* p = text; *p != '\0'; p = const_cast<char*>(NextSjisChar(p))) last = p;
  if (last == nullptr || *last != '\\') return false;
  *last = '\0';
  return true;
}

void StripControlCharacters(char* text)
{
  char* out = text;
  for (const char* in = text; *in != '\0'; ++in) {
    const unsigned char c = static_cast<unsigned char>(*in);
    if (c >= 0x20 && c != 0x7F) *out++ = *in;
  }
  *out = '\0';
}

static char FoldedAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameSjisPath(const char* a, const char* b)
{
  for (;;) {
    if (*a == '\0' || *b == '\0') {
      const char* rest = *a == '\0' ? b : a;
      return rest[0] == '\0' || (rest[0] == '\\' && rest[1] == '\0');
    }
    if (IsSjisLeadByte(static_cast<unsigned char>(*a))) {
      if (a[0] != b[0] || a[1] != b[1] || a[1] == '\0') return false;
      a += 2;
      b += 2;
      continue;
    }
    if (FoldedAscii(*a) != FoldedAscii(*b)) return false;
    ++a;
    ++b;
  }
}

bool SameSjisText(const char* a, const char* b, size_t length)
{
  for (size_t i = 0; i < length; ++i) {
    if (IsSjisLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < length) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (FoldedAscii(a[i]) != FoldedAscii(b[i])) {
      return false;
    }
  }
  return true;
}

const char* SjisPathBelow(const char* path, const char* folder)
{
  if (folder[0] == '\0') return nullptr;
  const char* a = path;
  for (const char* b = folder; *b != '\0' && !(b[0] == '\\' && b[1] == '\0');) {
    if (IsSjisLeadByte(static_cast<unsigned char>(*b))) {
      if (a[0] != b[0] || b[1] == '\0' || a[1] != b[1]) return nullptr;
      a += 2;
      b += 2;
      continue;
    }
    if (FoldedAscii(*a) != FoldedAscii(*b)) return nullptr;
    ++a;
    ++b;
  }
  return a[0] == '\\' && a[1] != '\0' ? a + 1 : nullptr;
}

bool IsFullPath(const char* path)
{
  const char c = path[0];
  const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  return (letter && path[1] == ':' && path[2] == '\\') || (path[0] == '\\' && path[1] == '\\' && path[2] != '\0');
}
