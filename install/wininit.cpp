// Adding one rename entry to the text of WININIT.INI: a single pass over the
// old bytes finds the section line, and everything around it is copied
// unchanged, so no line length is ever assumed.
#include "install/wininit.h"
#include <cstring>

static const char SECTION_LINE[] = "[rename]\r\n";
static const size_t SECTION_LENGTH = sizeof SECTION_LINE - 1;
static const char LINE_END[] = "\r\n";
static const size_t LINE_END_LENGTH = sizeof LINE_END - 1;

size_t RenameOutputBytes(size_t oldSize, const char* target, const char* source)
{
  return oldSize + LINE_END_LENGTH + SECTION_LENGTH + strlen(target) + 1 + strlen(source) +
         LINE_END_LENGTH;
}

// Offset of the first line that is exactly the section line, or oldSize.
static size_t FindSectionLine(const char* old, size_t oldSize)
{
  size_t start = 0;
  while (start < oldSize) {
    const void* lf = memchr(old + start, '\n', oldSize - start);
    const size_t end = lf == nullptr ? oldSize : static_cast<const char*>(lf) - old + 1;
    if (end - start == SECTION_LENGTH && memcmp(old + start, SECTION_LINE, SECTION_LENGTH) == 0)
      return start;
    start = end;
  }
  return oldSize;
}

static size_t Put(char* out, size_t at, const char* bytes, size_t length)
{
  if (length != 0) memcpy(out + at, bytes, length);
  return at + length;
}

size_t AddRenameEntry(const char* old, size_t oldSize, const char* target, const char* source,
                      char* out)
{
  const size_t section = FindSectionLine(old, oldSize);
  size_t at = Put(out, 0, old, section);
  const bool found = section < oldSize;
  // Appended after a last line without its LF, the section line would only
  // lengthen that line and the entry would land in the section before it.
  if (!found && section > 0 && old[section - 1] != '\n') at = Put(out, at, LINE_END, LINE_END_LENGTH);
  at = Put(out, at, SECTION_LINE, SECTION_LENGTH);
  at = Put(out, at, target, strlen(target));
  at = Put(out, at, "=", 1);
  at = Put(out, at, source, strlen(source));
  at = Put(out, at, LINE_END, LINE_END_LENGTH);
  if (found) {
    const size_t rest = section + SECTION_LENGTH;
    at = Put(out, at, old + rest, oldSize - rest);
  }
  return at;
}
