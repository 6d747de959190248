// Text conversion between the manifest's UTF-8 and the payload's Shift-JIS
// (code page 932), through iconv.
#pragma once
#include <string>

// Converts UTF-8 to Shift-JIS. False, with a description of the first
// character that has no Shift-JIS form (or of the bad UTF-8), otherwise.
bool ToSjis(const std::string& utf8, std::string* sjis, std::string* problem);

// Converts Shift-JIS to UTF-8 for display; undecodable bytes become "?".
std::string FromSjis(const std::string& sjis);
