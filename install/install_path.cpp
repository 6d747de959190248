// Path checks for names from the payload. The text is Shift-JIS: a trail
// byte may be '\', so components are found character by character.
#include "install/install_path.h"
#include "app/sjis.h"
#include "install/log_format.h"

static bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

static char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

static bool SameNameIgnoringCase(const char* text, size_t length, const char* name)
{
  size_t i = 0;
  for (; i < length && name[i] != '\0'; ++i)
    if (UpperAscii(text[i]) != UpperAscii(name[i])) return false;
  return i == length && name[i] == '\0';
}

// Checks one component [start, end): not empty, not "." or "..".
static bool GoodComponent(const char* start, const char* end)
{
  const size_t length = static_cast<size_t>(end - start);
  if (length == 0) return false;
  if (start[0] == '.' && (length == 1 || (length == 2 && start[1] == '.'))) return false;
  return true;
}

int IsSafeInstallPath(const char* path)
{
  const char* p = path;
  const char* component = p;
  int components = 0;
  for (;; p = NextSjisChar(p)) {
    const unsigned char b = static_cast<unsigned char>(*p);
    const bool lead = IsSjisLeadByte(b) && p[1] != '\0';
    if (!lead && (b == '\\' || b == '\0')) {
      if (!GoodComponent(component, p)) return 0;
      ++components;
      if (b == '\0') break;
      component = p + 1;
      continue;
    }
    if (!lead && (b == '/' || b == ':' || IsControl(b))) return 0;
  }
  if (components != 1) return 1;
  const size_t length = static_cast<size_t>(p - component);
  return SameNameIgnoringCase(component, length, LOG_FILE_NAME) ||
                 SameNameIgnoringCase(component, length, EARLIER_LOG_FILE_NAME)
             ? 0
             : 1;
}

int IsSafeFileName(const char* name)
{
  for (const char* p = name; *p != '\0'; p = NextSjisChar(p)) {
    const unsigned char b = static_cast<unsigned char>(*p);
    if (IsSjisLeadByte(b) && p[1] != '\0') continue;
    if (IsControl(b)) return 0;
    for (const char* bad = "\\/:*?\"<>|"; *bad != '\0'; ++bad)
      if (b == static_cast<unsigned char>(*bad)) return 0;
  }
  return 1;
}
