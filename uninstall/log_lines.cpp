// Lines of an install log and the shape of the paths they name. A path
// that could reach beyond what an installation creates (a root, the Windows
// folder itself, a ".." step) is never acted on. Every scan steps by
// Shift-JIS character, since a trail byte may be a backslash.
#include "uninstall/log_lines.h"
#include <cstring>
#include "app/sjis.h"

long SplitLogLines(char* text, size_t size, char** lines, size_t max)
{
  if (memchr(text, '\0', size) != nullptr) return -1;
  size_t count = 0;
  size_t start = 0;
  for (size_t i = 0; i <= size; ++i) {
    if (i < size && text[i] != '\n') continue;
    if (i == size && start == size) break;
    if (count == max) return -1;
    size_t end = i;
    if (end > start && text[end - 1] == '\r') --end;
    text[end] = '\0';
    lines[count++] = text + start;
    start = i + 1;
  }
  return static_cast<long>(count);
}

bool HasAuthorLine(char* const* lines, size_t count)
{
  for (size_t i = 0; i < count; ++i)
    if (strcmp(lines[i], LOG_AUTHOR_LINE) == 0) return true;
  return false;
}

LineKind ClassifyLine(const char* line, const char** value)
{
  static const struct {
    const char* key;
    LineKind kind;
  } keys[] = {{LOG_FILE, LINE_FILE},     {LOG_SHARED_FILE, LINE_FILE}, {LOG_FOLDER, LINE_FOLDER},
              {LOG_INSTALL_FOLDER, LINE_FOLDER}, {LOG_SHORTCUT, LINE_SHORTCUT}, {LOG_KEY, LINE_KEY},
              {LOG_VALUE, LINE_VALUE}};
  for (const auto& k : keys) {
    const size_t length = strlen(k.key);
    if (strncmp(line, k.key, length) == 0) {
      *value = line + length;
      return k.kind;
    }
  }
  *value = line;
  return LINE_OTHER;
}

static char Folded(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameFolder(const char* a, const char* b)
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
    if (Folded(*a) != Folded(*b)) return false;
    ++a;
    ++b;
  }
}

// Checks the components from `p` on: none empty, "." or "..".
static bool ComponentsSound(const char* p)
{
  const char* start = p;
  for (;; p = NextSjisChar(p)) {
    if (*p != '\\' && *p != '\0') continue;
    const size_t length = static_cast<size_t>(p - start);
    if (length == 0) return false;
    if ((length == 1 && start[0] == '.') || (length == 2 && start[0] == '.' && start[1] == '.')) return false;
    if (*p == '\0') return true;
    start = p + 1;
  }
}

bool IsRemovablePath(const char* path, const char* const* guarded, size_t guardedCount)
{
  const size_t length = strlen(path);
  if (length > LOG_LINE_LIMIT) return false;
  const char* rest = nullptr;
  const char letter = Folded(path[0]);
  if (letter >= 'A' && letter <= 'Z' && path[1] == ':' && path[2] == '\\') {
    rest = path + 3;
  } else if (path[0] == '\\' && path[1] == '\\') {
    // A share's root is \\server\share: the path must go below it.
    const char* p = path + 2;
    int separators = 0;
    for (; *p != '\0' && separators < 2; p = NextSjisChar(p))
      if (*p == '\\') ++separators;
    if (separators < 2) return false;
    rest = path + 2;
  } else {
    return false;
  }
  if (*rest == '\0' || !ComponentsSound(rest)) return false;
  for (size_t i = 0; i < guardedCount; ++i)
    if (guarded[i][0] != '\0' && SameFolder(path, guarded[i])) return false;
  return true;
}
