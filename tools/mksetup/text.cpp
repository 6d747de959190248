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

bool ToSjis(const std::string& utf8, std::string* sjis, std::string* problem)
{
  size_t at = 0;
  if (Convert("CP932", "UTF-8", utf8, sjis, &at)) return true;
  char text[160];
  if (at < utf8.size())
    snprintf(text, sizeof text, "the character U+%04X at byte %zu has no Shift-JIS form (or is not valid UTF-8)",
             CodePointAt(utf8, at), at);
  else
    snprintf(text, sizeof text, "the text ends inside a UTF-8 character");
  *problem = text;
  return false;
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
