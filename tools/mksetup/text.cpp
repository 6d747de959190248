// UTF-8 <-> CP932 with iconv; conversion stops at the first character that
// the target cannot hold, so no text is silently changed. UTF-8 is
// recognised by its encoding rules alone.
#include "tools/mksetup/text.h"
#include <cerrno>
#include <cstdio>
#include <iconv.h>
#include <vector>

namespace {

// Decodes the UTF-8 character at s (for naming it in a message).
unsigned CodePointAt(const std::string& s, size_t at)
{
  const unsigned char c = s[at];
  int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
  unsigned cp = extra == 3 ? c & 0x07 : extra == 2 ? c & 0x0F : extra == 1 ? c & 0x1F : c;
  for (int i = 1; i <= extra && at + i < s.size(); ++i) cp = cp << 6 | (s[at + i] & 0x3F);
  return cp;
}

bool Convert(const char* to, const char* from, const std::string& in, std::string* out,
             size_t* failedAt)
{
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    *failedAt = 0;
    return false;
  }
  std::vector<char> buffer(in.size() * 4 + 16);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = buffer.data();
  size_t dstLeft = buffer.size();
  const size_t result = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (result == static_cast<size_t>(-1)) {
    *failedAt = in.size() - srcLeft;
    return false;
  }
  out->assign(buffer.data(), buffer.size() - dstLeft);
  return true;
}

}  // namespace

// Where a text stops being UTF-8: the offset of the first character that
// is not one, the size when it ends inside a character, npos when it is whole.
static size_t Utf8BreaksAt(const std::string& text)
{
  Utf8Scan scan;
  for (size_t i = 0, start = 0; i < text.size(); ++i) {
    if (scan.Whole()) start = i;
    scan.Feed(reinterpret_cast<const unsigned char*>(&text[i]), 1);
    if (scan.Failed()) return start;
  }
  return scan.Failed() || !scan.Whole() ? text.size() : std::string::npos;
}

bool ToSjis(const std::string& utf8, std::string* sjis, std::string* problem)
{
  const size_t broken = Utf8BreaksAt(utf8);
  if (broken == utf8.size()) {
    *problem = "is not UTF-8: it ends inside a character";
    return false;
  }
  char text[160];
  if (broken != std::string::npos) {
    snprintf(text, sizeof text, "is not UTF-8: the byte 0x%02X at byte %zu starts no UTF-8 character",
             static_cast<unsigned char>(utf8[broken]), broken);
    *problem = text;
    return false;
  }
  size_t at = 0;
  if (Convert("CP932", "UTF-8", utf8, sjis, &at)) return true;
  const unsigned char lead = utf8[at];
  const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  snprintf(text, sizeof text, "the character U+%04X \"%s\" at byte %zu has no Shift-JIS form", CodePointAt(utf8, at),
           utf8.substr(at, length).c_str(), at);
  *problem = text;
  return false;
}

bool LooksLikeSjis(const std::string& text)
{
  std::string utf8;
  size_t at = 0;
  return Utf8BreaksAt(text) != std::string::npos && Convert("UTF-8", "CP932", text, &utf8, &at);
}

std::string Printable(const std::string& text)
{
  std::string shown;
  for (size_t i = 0; i < text.size();) {
    const size_t broken = Utf8BreaksAt(text.substr(i, 4));
    const unsigned char c = text[i];
    const size_t length = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    if (c >= 0x20 && c != 0x7F && (broken == std::string::npos || broken >= length)) {
      shown += text.substr(i, length);
      i += length;
      continue;
    }
    char escape[8];
    snprintf(escape, sizeof escape, "\\x%02X", c);
    shown += escape;
    ++i;
  }
  return shown;
}

std::string FromSjis(const std::string& sjis)
{
  std::string out;
  size_t i = 0;
  while (i < sjis.size()) {
    std::string piece;
    size_t at = 0;
    const std::string rest = sjis.substr(i);
    if (Convert("UTF-8", "CP932", rest, &piece, &at)) return out + piece;
    std::string head;
    Convert("UTF-8", "CP932", rest.substr(0, at), &head, &at);
    out += head + "?";
    i += at + 1;
  }
  return out;
}

void Utf8Scan::Feed(const unsigned char* data, size_t size)
{
  for (size_t i = 0; i < size && valid_; ++i) {
    const unsigned char c = data[i];
    if (pending_ > 0) {
      valid_ = c >= low_ && c <= high_;
      low_ = 0x80, high_ = 0xBF;
      --pending_;
    } else if (c >= 0x80) {
      // The lead byte tells the length; E0, ED, F0 and F4 narrow the next
      // byte so that no overlong form, surrogate or value past U+10FFFF passes.
      multibyte_ = true;
      pending_ = c >= 0xC2 && c <= 0xDF ? 1 : c >= 0xE0 && c <= 0xEF ? 2 : c >= 0xF0 && c <= 0xF4 ? 3 : 0;
      valid_ = pending_ > 0;
      low_ = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
      high_ = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
    }
  }
}
