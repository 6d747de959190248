// Text conversion between the manifest's UTF-8 and the payload's Shift-JIS
// (code page 932), through iconv, and the recognition of UTF-8 text.
#pragma once
#include <cstddef>
#include <string>

// Converts UTF-8 to Shift-JIS. False, with a description of where the text
// stops being UTF-8 or of the first character (code point and the character
// itself) that has no Shift-JIS form, otherwise.
bool ToSjis(const std::string& utf8, std::string* sjis, std::string* problem);

// True when the text is not UTF-8 but reads whole as Shift-JIS.
bool LooksLikeSjis(const std::string& text);

// The text for a message: bytes that are not UTF-8, and control
// characters, become \xNN.
std::string Printable(const std::string& text);

// Converts Shift-JIS to UTF-8 for display; undecodable bytes become "?".
std::string FromSjis(const std::string& sjis);

// Follows a text handed over in pieces: Utf8() is true when every byte so
// far is well-formed UTF-8 (no overlong form, surrogate or value past
// U+10FFFF, no character left open) and some character took more than one
// byte, as a Shift-JIS text hardly ever is.
class Utf8Scan {
 public:
  void Feed(const unsigned char* data, size_t size);
  bool Utf8() const { return valid_ && pending_ == 0 && multibyte_; }
  bool Failed() const { return !valid_; }  // nothing more can make it UTF-8
  bool Whole() const { return pending_ == 0; }  // no character left open

 private:
  bool valid_ = true;
  bool multibyte_ = false;
  int pending_ = 0;                         // continuation bytes the character still needs
  unsigned char low_ = 0x80, high_ = 0xBF;  // the range of the next continuation byte
};
