// Tree exclusion: glob patterns over names or relative paths, and the
// patterns that always apply.
#include "tools/mksetup/exclude.h"
#include <algorithm>
#include <cctype>

static const char* const ALWAYS_LEFT_OUT[] = {".git", ".svn", ".hg", "CVS", "*~"};

// The end of the UTF-8 character at `text`, so that "?" takes a whole one.
static const char* NextCharacter(const char* text)
{
  ++text;
  while ((*text & 0xC0) == 0x80) ++text;
  return text;
}

// Matches the whole of `text`; on a mismatch after "*", the star takes one
// character more and the rest is tried again.
static bool Matches(const char* pattern, const char* text)
{
  const char* star = nullptr;
  const char* starText = nullptr;
  while (*text != '\0') {
    if (*pattern == '*') {
      star = pattern++;
      starText = text;
    } else if (*text != '/' && (*pattern == '?' ||
               std::tolower(static_cast<unsigned char>(*pattern)) == std::tolower(static_cast<unsigned char>(*text)))) {
      text = *pattern == '?' ? NextCharacter(text) : text + 1;
      ++pattern;
    } else if (*text == '/' && *pattern == '/') {
      ++text;
      ++pattern;
    } else if (star != nullptr && *starText != '/') {
      pattern = star + 1;
      text = starText = NextCharacter(starText);
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

bool LeftOutOfTree(const std::string& relative, const std::vector<std::string>& patterns)
{
  const size_t slash = relative.find_last_of('/');
  const char* name = relative.c_str() + (slash == std::string::npos ? 0 : slash + 1);
  for (const char* pattern : ALWAYS_LEFT_OUT)
    if (Matches(pattern, name)) return true;
  for (std::string pattern : patterns) {
    std::replace(pattern.begin(), pattern.end(), '\\', '/');
    const bool path = pattern.find('/') != std::string::npos;
    if (pattern[0] == '/') pattern.erase(0, 1);
    if (Matches(pattern.c_str(), path ? relative.c_str() : name)) return true;
  }
  return false;
}
