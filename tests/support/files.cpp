// The test helpers; see the header.
#include "tests/support/files.h"
#include "app/sjis.h"

TempFolder::TempFolder()
{
  char base[MAX_PATH];
  GetTempPathA(sizeof base, base);
  static LONG counter = 0;
  for (;;) {
    char name[MAX_PATH];
    wsprintfA(name, "%ssetup-test-%lu-%ld", base, GetCurrentProcessId(), InterlockedIncrement(&counter));
    if (CreateDirectoryA(name, nullptr)) {
      path_ = name;
      return;
    }
  }
}

TempFolder::~TempFolder() { RemoveTree(path_); }

bool RemoveTree(const std::string& path)
{
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = entry.cFileName, full = path + "\\" + name;
      if (name == "." || name == "..") continue;
      SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(full);
      else DeleteFileA(full.c_str());
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryA(path.c_str());
  return !FileExists(path);
}

bool WriteWholeFile(const std::string& path, const Bytes& bytes)
{
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

Bytes ReadWholeFile(const std::string& path)
{
  Bytes bytes;
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  bytes.resize(GetFileSize(file, nullptr));
  DWORD got = 0;
  if (!bytes.empty()) ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  bytes.resize(got);
  CloseHandle(file);
  return bytes;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ParentFolder(const std::string& path)
{
  const char* start = path.c_str();
  const char* lastSlash = start;
  for (const char* p = start; *p != '\0'; p = NextSjisChar(p))
    if (*p == '\\') lastSlash = p;
  return std::string(start, static_cast<size_t>(lastSlash - start));
}

std::string ProgramFolder()
{
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, sizeof path);
  return ParentFolder(path);
}

std::string WindowsFolder()
{
  char folder[MAX_PATH];
  GetWindowsDirectoryA(folder, sizeof folder);
  return folder;
}

std::string SystemFolder()
{
  char folder[MAX_PATH];
  GetSystemDirectoryA(folder, sizeof folder);
  return folder;
}

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }
Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }
std::string FileText(const std::string& path) { return Text(ReadWholeFile(path)); }

bool EndsWith(const std::string& text, const std::string& end)
{
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string ShortName(const std::string& path)
{
  char out[MAX_PATH];
  const DWORD length = GetShortPathNameA(path.c_str(), out, sizeof out);
  return length == 0 || length >= sizeof out ? "<no short name>" : out;
}

DWORD Attributes(const std::string& path)
{
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes == INVALID_FILE_ATTRIBUTES ? attributes : attributes & ~FILE_ATTRIBUTE_ARCHIVE;
}

static HKEY Root(HKEY root, std::string* key)
{
  static const struct { const char* Name; HKEY Root; } roots[] = {
      {"HKEY_CLASSES_ROOT\\", HKEY_CLASSES_ROOT}, {"HKEY_CURRENT_USER\\", HKEY_CURRENT_USER},
      {"HKEY_LOCAL_MACHINE\\", HKEY_LOCAL_MACHINE}, {"HKEY_USERS\\", HKEY_USERS}};
  for (const auto& r : roots)
    if (key->compare(0, lstrlenA(r.Name), r.Name) == 0) {
      key->erase(0, lstrlenA(r.Name));
      return r.Root;
    }
  return root;
}

std::string RegistryText(HKEY root, const std::string& path, const char* name, DWORD* type)
{
  std::string key = path;
  HKEY handle;
  if (RegOpenKeyExA(Root(root, &key), key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return "<no key>";
  char data[1024] = "";
  DWORD size = sizeof data - 1, kind = 0;
  const LONG result = RegQueryValueExA(handle, name, nullptr, &kind, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(handle);
  if (type != nullptr) *type = kind;
  if (result != ERROR_SUCCESS) return "<no value>";
  if (kind == REG_DWORD) return std::to_string(*reinterpret_cast<DWORD*>(data));
  if (kind == REG_BINARY || kind == REG_MULTI_SZ) return std::string(data, size);
  return data;
}

void SetRegistryText(HKEY root, const std::string& path, const char* name, const std::string& text)
{
  std::string key = path;
  HKEY handle;
  if (RegCreateKeyExA(Root(root, &key), key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) != 0)
    return;
  RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
  RegCloseKey(handle);
}

Held::Held(const std::string& path)
    : Handle(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}

void Held::Release()
{
  if (Handle != INVALID_HANDLE_VALUE) CloseHandle(Handle);
  Handle = INVALID_HANDLE_VALUE;
}

SavedWindowsFile::SavedWindowsFile(const char* name)
    : Path(WindowsFolder() + "\\" + name), Existed(FileExists(Path))
{
  if (Existed) Saved = ReadWholeFile(Path);
  DeleteFileA(Path.c_str());
}

SavedWindowsFile::~SavedWindowsFile()
{
  DeleteFileA(Path.c_str());
  if (Existed) WriteWholeFile(Path, Saved);
}

static const char PENDING_RENAMES[] = "PendingFileRenameOperations";

static Bytes ReadPending(HKEY key, bool* existed)
{
  DWORD size = 0;
  *existed = RegQueryValueExA(key, PENDING_RENAMES, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
  Bytes value(size);
  if (*existed && size > 0) RegQueryValueExA(key, PENDING_RENAMES, nullptr, nullptr, value.data(), &size);
  return value;
}

SavedPendingRenames::SavedPendingRenames()
{
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0, nullptr, 0,
                  KEY_READ | KEY_WRITE, nullptr, &Key, nullptr);
  Saved = ReadPending(Key, &Existed);
}

SavedPendingRenames::~SavedPendingRenames()
{
  if (Existed) RegSetValueExA(Key, PENDING_RENAMES, 0, REG_MULTI_SZ, Saved.data(), static_cast<DWORD>(Saved.size()));
  else RegDeleteValueA(Key, PENDING_RENAMES);
  RegCloseKey(Key);
}

std::string SavedPendingRenames::Now() const
{
  bool existed = false;
  return Text(ReadPending(Key, &existed));
}
