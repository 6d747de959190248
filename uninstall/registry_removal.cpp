// The registry side of the uninstallation. A REGKEY line stands for a key
// that was created or only opened, so a key goes only when it is empty; no
// line reaches a root, a key shared by products or a system's key (see
// IsRemovableKey), save a file type's extension and class that this log
// names as a pair. A file type's values go only while the registry shows
// the type to be this installation's. Key paths are split by Shift-JIS
// character.
#include "uninstall/registry_removal.h"
#include "app/registry.h"
#include "app/sjis.h"
#include "uninstall/log_lines.h"
#include "uninstall/report.h"
#include "uninstall/run.h"

static const char UNINSTALL_KEY[] = UNINSTALL_KEY_PATH;
static const char SHARED_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
static const char CLASSES_ROOT[] = "HKEY_CLASSES_ROOT";

enum { TYPE_MEMORY = 16 };

// The file types judged in this run (see TypeIsOurs).
static struct {
  char Extension[MAX_PATH];
  int Ours;
} Judged[TYPE_MEMORY];
static int JudgedCount;

struct RegistryPath {
  HKEY Root;
  char Key[MAX_PATH];  // below the root
  int Depth;           // components of Key
};

static int ParseRegistryPath(const char* text, RegistryPath* out)
{
  static const struct {
    const char* name;
    HKEY key;
  } roots[] = {{CLASSES_ROOT, HKEY_CLASSES_ROOT},
               {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
               {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
               {"HKEY_USERS", HKEY_USERS},
               {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG}};
  const int textLength = lstrlenA(text);
  for (const auto& root : roots) {
    const int length = lstrlenA(root.name);
    // The text is compared only as far as it goes: a short last line of the
    // log ends its heap block.
    if (textLength <= length + 1 ||
        CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, text, length, root.name, length) != CSTR_EQUAL ||
        text[length] != '\\' || textLength - length - 1 >= MAX_PATH) {
      continue;
    }
    out->Root = root.key;
    lstrcpyA(out->Key, text + length + 1);
    out->Depth = 1;
    for (const char* p = out->Key; *p != '\0'; p = NextSjisChar(p))
      if (*p == '\\') ++out->Depth;
    return 1;
  }
  return 0;
}

static char* LastBackslash(char* text)
{
  char* found = nullptr;
  for (char* p = text; *p != '\0'; p = const_cast<char*>(NextSjisChar(p)))
    if (*p == '\\') found = p;
  return found;
}

static int LogHasLine(const char* line)
{
  for (long i = 0; i < Run.LineCount; ++i)
    if (lstrcmpA(Run.Lines[i], line) == 0) return 1;
  return 0;
}

// Deletes the key when it holds neither values nor subkeys; 1 when it went.
static int DeleteIfEmpty(HKEY root, const char* path)
{
  HKEY key;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  DWORD subkeys = 1;
  DWORD values = 1;
  const LONG queried = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                                        nullptr, nullptr, nullptr, nullptr);
  RegCloseKey(key);
  // A key that still holds something is another's, or the user's.
  if (queried != ERROR_SUCCESS || subkeys != 0 || values != 0) return 0;
  return RegDeleteKeyA(root, path) == ERROR_SUCCESS;
}

// The extension ("smv") of the file type whose key this is: the key lies
// under HKEY_CLASSES_ROOT's ".smv" or "smvfile". 0 for any other key.
// *extensionKey tells which of the two it is.
static int ClassOfKey(const RegistryPath& path, char* extension, int* extensionKey)
{
  if (path.Root != HKEY_CLASSES_ROOT) return 0;
  char top[MAX_PATH];
  lstrcpyA(top, path.Key);
  char* cut = top;
  while (*cut != '\0' && *cut != '\\') cut = const_cast<char*>(NextSjisChar(cut));
  *cut = '\0';
  const int length = lstrlenA(top);
  *extensionKey = top[0] == '.';
  if (*extensionKey) {
    lstrcpyA(extension, top + 1);
  } else if (length > 4 && lstrcmpiA(top + length - 4, "file") == 0) {
    lstrcpynA(extension, top, length - 3);
  } else {
    return 0;
  }
  return extension[0] != '\0';
}

// True when this log names both keys of the file type, as the file-type
// step writes them.
static int NamedAsPair(const char* extension)
{
  char line[MAX_PATH + 32];
  wsprintfA(line, LOG_KEY "%s\\.%s", CLASSES_ROOT, extension);
  if (!LogHasLine(line)) return 0;
  wsprintfA(line, LOG_KEY "%s\\%sfile", CLASSES_ROOT, extension);
  return LogHasLine(line);
}

// True while the file type is this installation's: its class's icon, which
// the file-type step always writes, names a file of the install folder. The
// first look decides for the rest of the run, as the icon goes with its key.
static int TypeIsOurs(const char* extension)
{
  for (int i = 0; i < JudgedCount; ++i)
    if (lstrcmpiA(Judged[i].Extension, extension) == 0) return Judged[i].Ours;
  char key[MAX_PATH + 16];
  wsprintfA(key, "%sfile\\DefaultIcon", extension);
  int ours = 0;
  HKEY handle;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key, 0, KEY_QUERY_VALUE, &handle) == ERROR_SUCCESS) {
    char icon[MAX_PATH];
    ours = ReadRegistryText(handle, nullptr, icon) && SjisPathBelow(icon, Run.Command.Folder) != nullptr;
    RegCloseKey(handle);
  }
  if (JudgedCount < TYPE_MEMORY) {
    lstrcpyA(Judged[JudgedCount].Extension, extension);
    Judged[JudgedCount++].Ours = ours;
  }
  return ours;
}

// Removes the default value the file-type step wrote; the extension's only
// while it still names this product's class.
static void RemoveFileTypeDefault(const RegistryPath& path, const char* extension, int extensionKey)
{
  HKEY key;
  if (RegOpenKeyExA(path.Root, path.Key, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  char value[MAX_PATH];
  char ours[MAX_PATH + 8];
  DWORD size = sizeof value - 1;
  DWORD type = 0;
  wsprintfA(ours, "%sfile", extension);
  const bool read = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) ==
                    ERROR_SUCCESS;
  if (read) value[size] = '\0';
  if (read && (!extensionKey || (type == REG_SZ && lstrcmpiA(value, ours) == 0))) RegDeleteValueA(key, nullptr);
  RegCloseKey(key);
}

void RemoveLoggedValue(const char* text)
{
  RegistryPath path;
  if (!ParseRegistryPath(text, &path)) return NoteLeftover(text, 1);
  char* cut = LastBackslash(path.Key);
  // A value of the root itself is never the product's alone.
  if (cut == nullptr || !IsRemovableKey(text, static_cast<size_t>(lstrlenA(text) - lstrlenA(cut))))
    return NoteLeftover(text, 1);
  *cut = '\0';
  char extension[MAX_PATH];
  int extensionKey = 0;
  if (ClassOfKey(path, extension, &extensionKey) && !TypeIsOurs(extension)) return NoteLeftover(text, 1);
  HKEY key;
  if (RegOpenKeyExA(path.Root, path.Key, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  const LONG result = RegDeleteValueA(key, cut + 1);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) return NoteLeftover(text, 0);
  // The value's key was created or opened for it, as a REGKEY line's is.
  DeleteIfEmpty(path.Root, path.Key);
}

void RemoveLoggedKey(const char* text)
{
  RegistryPath path;
  if (!ParseRegistryPath(text, &path)) return NoteLeftover(text, 1);
  char extension[MAX_PATH];
  int extensionKey = 0;
  if (ClassOfKey(path, extension, &extensionKey) && NamedAsPair(extension)) {
    if (!TypeIsOurs(extension)) return NoteLeftover(text, 1);
    RemoveFileTypeDefault(path, extension, extensionKey);
  } else if (!IsRemovableKey(text, static_cast<size_t>(lstrlenA(text)))) {
    return NoteLeftover(text, 1);
  }
  DeleteIfEmpty(path.Root, path.Key);
}

// The file's name among the SharedDLLs counts: its short path, as the
// setup program counts it, or the path itself when it has none.
static void SharedName(const char* path, char* name)
{
  const DWORD length = GetShortPathNameA(path, name, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) lstrcpynA(name, path, MAX_PATH);
}

int ReadSharedCount(const char* path, char* name, DWORD* count)
{
  SharedName(path, name);
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SHARED_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return 0;
  DWORD size = sizeof *count;
  DWORD type = 0;
  const int found = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(count), &size) ==
                        ERROR_SUCCESS &&
                    type == REG_DWORD && size == sizeof *count;
  RegCloseKey(key);
  return found;
}

void SetSharedCount(const char* name, DWORD count)
{
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SHARED_KEY, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  if (count > 0) {
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof count);
  } else {
    RegDeleteValueA(key, name);
  }
  RegCloseKey(key);
  // The list of counts goes with its last count, as the first count made it.
  if (count == 0) DeleteIfEmpty(HKEY_LOCAL_MACHINE, SHARED_KEY);
}

// True when the command line's last quoted word is this install folder.
static bool NamesOurFolder(const char* command)
{
  char copy[MAX_PATH];
  lstrcpynA(copy, command, sizeof copy);
  int length = lstrlenA(copy);
  if (length < 2 || copy[length - 1] != '"') return false;
  copy[--length] = '\0';
  char* open = copy + length;
  while (open > copy && open[-1] != '"') --open;
  return open > copy && SameSjisPath(open, Run.Command.Folder);
}

void RemoveUninstallEntry()
{
  char entry[MAX_PATH];
  if (lstrlenA(UNINSTALL_KEY) + 1 + lstrlenA(Run.Command.Product) >= MAX_PATH) return;
  wsprintfA(entry, "%s\\%s", UNINSTALL_KEY, Run.Command.Product);
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, entry, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
  char command[MAX_PATH];
  const bool ours = !ReadRegistryText(key, "UninstallString", command) || NamesOurFolder(command);
  RegCloseKey(key);
  if (ours && RegDeleteKeyA(HKEY_LOCAL_MACHINE, entry) != ERROR_SUCCESS) NoteLeftover(entry, 0);
}

int UninstallerStillNamed(const char* self)
{
  HKEY uninstall;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, 0, KEY_READ, &uninstall) != ERROR_SUCCESS) return 0;
  const int selfLength = lstrlenA(self);
  int named = 0;
  char name[MAX_PATH];
  for (DWORD i = 0; !named; ++i) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(uninstall, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    HKEY entry;
    if (RegOpenKeyExA(uninstall, name, 0, KEY_QUERY_VALUE, &entry) != ERROR_SUCCESS) continue;
    char command[MAX_PATH];
    named = ReadRegistryText(entry, "UninstallString", command) && command[0] == '"' &&
            lstrlenA(command) > selfLength + 1 && command[selfLength + 1] == '"' &&
            CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, command + 1, selfLength, self, selfLength) ==
                CSTR_EQUAL;
    RegCloseKey(entry);
  }
  RegCloseKey(uninstall);
  return named;
}
