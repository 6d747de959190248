// Finding the pool names in the lists of moves for the next start of
// Windows. The lists are not ours and may be of any size: each is read in
// one pass, and a path too long for any pool name is passed over.
#include "install/pool_names.h"
#include <cstring>
#include "app/sjis.h"

enum { LISTED_PATH_BYTES = 260, POOL_FILE_NAME_LENGTH = 12 };  // a path of MAX_PATH; "unins000.exe"

// Marks the pool name that the path (length bytes, not NUL-ended, blanks
// around it aside) is, if any.
static void MarkListedPath(const char* path, size_t length, const char* folder, bool named[POOL_SIZE])
{
  for (; length > 0 && (*path == ' ' || *path == '\t'); --length) ++path;
  while (length > 0 && (path[length - 1] == ' ' || path[length - 1] == '\t')) --length;
  if (length >= LISTED_PATH_BYTES) return;
  char copy[LISTED_PATH_BYTES];
  memcpy(copy, path, length);
  copy[length] = '\0';
  const char* name = SjisPathBelow(copy, folder);
  if (name == nullptr || strlen(name) != POOL_FILE_NAME_LENGTH || !SameSjisText(name, "unins", 5) ||
      !SameSjisText(name + 8, ".exe", 4)) {
    return;
  }
  int number = 0;
  for (int i = 5; i < 8; ++i) {
    if (name[i] < '0' || name[i] > '9') return;
    number = number * 10 + (name[i] - '0');
  }
  named[number] = true;
}

void MarkPoolNamesInMoveList(const char* list, size_t size, const char* folder, bool named[POOL_SIZE])
{
  for (size_t start = 0; start < size;) {
    const void* nul = memchr(list + start, '\0', size - start);
    const size_t end = nul == nullptr ? size : static_cast<const char*>(nul) - list;
    const char* path = list + start;
    if (path < list + end && *path == '!') ++path;
    if (list + end - path >= 4 && memcmp(path, "\\??\\", 4) == 0) path += 4;
    MarkListedPath(path, list + end - path, folder, named);
    start = end + 1;
  }
}

void MarkPoolNamesInWininit(const char* text, size_t size, const char* folder, bool named[POOL_SIZE])
{
  for (size_t start = 0; start < size;) {
    const void* lf = memchr(text + start, '\n', size - start);
    const size_t next = lf == nullptr ? size : static_cast<const char*>(lf) - text + 1;
    size_t end = lf == nullptr ? size : next - 1;
    if (end > start && text[end - 1] == '\r') --end;
    const void* equals = memchr(text + start, '=', end - start);
    if (equals != nullptr) {
      const size_t split = static_cast<const char*>(equals) - text;
      MarkListedPath(text + start, split - start, folder, named);
      MarkListedPath(text + split + 1, end - split - 1, folder, named);
    }
    start = next;
  }
}
