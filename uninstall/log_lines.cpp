// Lines of an install log and where they may reach. A path or key is
// judged against folders and keys the machine names, never against what the
// log says of itself; a spelling that could name a place other than the one
// it seems to (a "/", a trailing dot, a short form, a device or \?\ path)
// is refused. Every scan steps by Shift-JIS character, since a trail byte
// may be a backslash, or a '~'.
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
              {LOG_INSTALL_FOLDER, LINE_INSTALL_FOLDER}, {LOG_SHORTCUT, LINE_SHORTCUT}, {LOG_KEY, LINE_KEY},
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

// A byte no component of a path may hold outside a double-byte character.
static bool IsReservedByte(unsigned char b)
{
  return b < 0x20 || b == 0x7F || (b != '\0' && strchr("/:*?\"<>|", b) != nullptr);
}

// Checks the components from p on: none empty, none ending in a dot or a
// blank (Windows drops those, so "a." names "a" and ".." a parent), none
// with a reserved byte or a lead byte without its trail.
static bool ComponentsSound(const char* p)
{
  const char* start = p;
  for (;; p = NextSjisChar(p)) {
    const unsigned char b = static_cast<unsigned char>(*p);
    if (IsSjisLeadByte(b)) {
      if (p[1] == '\0') return false;
      continue;
    }
    if (b != '\\' && b != '\0') {
      if (IsReservedByte(b)) return false;
      continue;
    }
    // A trail byte is never a dot or a blank, so the byte before tells.
    if (p == start || p[-1] == '.' || p[-1] == ' ') return false;
    if (b == '\0') return true;
    start = p + 1;
  }
}

// True for an absolute path of sound components that goes below its root:
// "X:\..." or "\\server\share\..." (a server of "?" or "." fails as a
// component).
static bool SoundPath(const char* path)
{
  if (strlen(path) > LOG_LINE_LIMIT) return false;
  const char letter = Folded(path[0]);
  if (letter >= 'A' && letter <= 'Z' && path[1] == ':' && path[2] == '\\') return ComponentsSound(path + 3);
  if (path[0] != '\\' || path[1] != '\\' || !ComponentsSound(path + 2)) return false;
  int separators = 0;
  for (const char* p = path + 2; *p != '\0'; p = NextSjisChar(p))
    if (*p == '\\') ++separators;
  return separators >= 2;
}


// Below for a folder the system named, which must itself be sound.
static const char* BelowBound(const char* path, const char* folder)
{
  return SoundPath(folder) ? SjisPathBelow(path, folder) : nullptr;
}

// True when a component of the text holds '~' and a digit: a short form.
static bool HasShortForm(const char* p)
{
  for (; *p != '\0'; p = NextSjisChar(p))
    if (*p == '~' && p[1] >= '0' && p[1] <= '9') return true;
  return false;
}

// True for a name ending in ".lnk", whatever its case.
static bool IsLinkFile(const char* path)
{
  const char* dot = nullptr;
  for (const char* p = path; *p != '\0'; p = NextSjisChar(p))
    if (*p == '.') dot = p;
  if (dot == nullptr || strlen(dot) != 4) return false;
  return Folded(dot[1]) == 'L' && Folded(dot[2]) == 'N' && Folded(dot[3]) == 'K';
}

// True when the install folder can confine lines: sound, not a root, and
// neither one of the system's folders nor above one, in either spelling.
static bool InstallFolderConfines(const PathBounds& bounds)
{
  if (!SoundPath(bounds.InstallFolder)) return false;
  const char* guarded[SHARED_PLACES + SHORTCUT_PLACES + 1];
  size_t count = 0;
  for (const char* folder : bounds.Shared) guarded[count++] = folder;
  for (const char* folder : bounds.Shortcuts) guarded[count++] = folder;
  guarded[count++] = bounds.ProgramFiles;
  const char* const spellings[] = {bounds.InstallFolder, bounds.InstallFolderLong};
  for (const char* spelling : spellings) {
    for (const char* folder : guarded) {
      if (folder[0] != '\0' && (SameSjisPath(spelling, folder) || SjisPathBelow(folder, spelling) != nullptr)) return false;
    }
  }
  return true;
}

PathVerdict JudgePath(LineKind kind, const char* path, const char* longForm, const PathBounds& bounds)
{
  if (!SoundPath(path)) return PATH_REFUSED;
  const char* rest = nullptr;
  PathVerdict verdict = PATH_OWN;
  if (kind == LINE_SHORTCUT) {
    if (!IsLinkFile(path)) return PATH_REFUSED;
    for (const char* folder : bounds.Shortcuts)
      if (rest == nullptr) rest = BelowBound(path, folder);
  } else if (kind == LINE_FILE || kind == LINE_FOLDER || kind == LINE_INSTALL_FOLDER) {
    if (InstallFolderConfines(bounds)) {
      rest = SjisPathBelow(path, bounds.InstallFolder);
      if (kind == LINE_INSTALL_FOLDER && SameSjisPath(path, bounds.InstallFolder)) rest = "";
    }
    for (size_t i = 0; rest == nullptr && kind == LINE_FILE && i < SHARED_PLACES; ++i) {
      rest = BelowBound(path, bounds.Shared[i]);
      verdict = PATH_IF_COUNTED;
    }
  }
  if (rest == nullptr) return PATH_REFUSED;
  // A short form may name a folder other than the one it seems to.
  if (HasShortForm(rest) && (longForm == nullptr || !SameSjisPath(path, longForm))) return PATH_REFUSED;
  return verdict;
}

namespace {
struct KeyPart {
  const char* Start;
  size_t Length;
};
}  // namespace

static bool PartIs(const KeyPart& part, const char* name)
{
  if (strlen(name) != part.Length) return false;
  for (size_t i = 0; i < part.Length; ++i)
    if (Folded(part.Start[i]) != Folded(name[i])) return false;
  return true;
}

// Enough for HKEY_USERS\<user>\Software\Microsoft\Windows\CurrentVersion\Uninstall.
enum { KEY_PARTS = 6 };

bool IsRemovableKey(const char* text, size_t length)
{
  const char* end = text + length;
  const char* p = text;
  while (p < end && *p != '\\') p = NextSjisChar(p);
  const KeyPart root = {text, static_cast<size_t>(p - text)};
  // The keys below the root, the first KEY_PARTS of them kept; none empty.
  KeyPart parts[KEY_PARTS];
  size_t count = 0;
  while (p < end) {
    const char* start = ++p;
    while (p < end && *p != '\\') p = NextSjisChar(p);
    if (p == start) return false;
    if (count < KEY_PARTS) parts[count] = {start, static_cast<size_t>(p - start)};
    ++count;
  }
  if (PartIs(root, "HKEY_CLASSES_ROOT")) return count >= 2;
  size_t first = 0;
  if (PartIs(root, "HKEY_USERS")) {
    first = 1;  // the user's own root
  } else if (PartIs(root, "HKEY_LOCAL_MACHINE")) {
    // The rest of the machine's keys (SYSTEM, SAM, SECURITY, HARDWARE) is the system's.
    if (count < 1 || !PartIs(parts[0], "Software")) return false;
  } else if (!PartIs(root, "HKEY_CURRENT_USER")) {
    return false;
  }
  if (count <= first) return false;
  const KeyPart* below = parts + first;
  const size_t depth = count - first;
  if (!PartIs(below[0], "Software")) return depth >= 2;
  if (depth >= 2 && (PartIs(below[1], "Classes") || PartIs(below[1], "Wow6432Node"))) return false;
  if (depth >= 5 && PartIs(below[1], "Microsoft") && PartIs(below[2], "Windows") &&
      PartIs(below[3], "CurrentVersion") && (PartIs(below[4], "Uninstall") || PartIs(below[4], "SharedDLLs"))) {
    return false;
  }
  return depth >= 3;
}
