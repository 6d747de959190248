// The test helpers; see the header.
#include "tests/support/files.h"
#include <shellapi.h>
#include "app/sjis.h"

TempFolder::TempFolder()
{
  char base[MAX_PATH], name[MAX_PATH];
  GetTempPathA(sizeof base, base);
  static LONG counter = 0;
  do wsprintfA(name, "%ssetup-test-%lu-%ld", base, GetCurrentProcessId(), InterlockedIncrement(&counter));
  while (!CreateDirectoryA(name, nullptr));
  path_ = name;
}

TempFolder::~TempFolder()
{
  const std::string from = path_ + '\0';  // the list ends with a second NUL
  SHFILEOPSTRUCTA remove = {nullptr, FO_DELETE, from.c_str(), nullptr, FOF_NO_UI, FALSE, nullptr, nullptr};
  SHFileOperationA(&remove);
}

bool WriteWholeFile(const std::string& path, const Bytes& bytes)
{
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  const BOOL ok = file != INVALID_HANDLE_VALUE &&
                  (bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  CloseHandle(file);
  return ok && written == bytes.size();
}

Bytes ReadWholeFile(const std::string& path)
{
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  Bytes bytes(file == INVALID_HANDLE_VALUE ? 0 : GetFileSize(file, nullptr));
  DWORD got = 0;
  if (!bytes.empty()) ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  bytes.resize(got);
  CloseHandle(file);
  return bytes;
}

bool WriteStandInSetup(const std::string& path, const Bytes& payload)
{
  Bytes image(64, 0);
  image[0] = 'M', image[1] = 'Z';
  return AttachPayload(image, payload) && WriteWholeFile(path, image);
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ParentFolder(const std::string& path)
{
  const char* lastSlash = path.c_str();
  for (const char* p = lastSlash; *p != '\0'; p = NextSjisChar(p))
    if (*p == '\\') lastSlash = p;
  return path.substr(0, static_cast<size_t>(lastSlash - path.c_str()));
}

std::string ProgramFolder()
{
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, sizeof path);
  return ParentFolder(path);
}

static std::string Folder(UINT(WINAPI* get)(char*, UINT))
{
  char folder[MAX_PATH];
  get(folder, sizeof folder);
  return folder;
}

std::string WindowsFolder() { return Folder(GetWindowsDirectoryA); }
std::string SystemFolder() { return Folder(GetSystemDirectoryA); }

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::string FileText(const std::string& path)
{
  const Bytes bytes = ReadWholeFile(path);
  return std::string(bytes.begin(), bytes.end());
}

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
  DWORD size = 0, kind = 0;
  LONG result = RegQueryValueExA(handle, name, nullptr, &kind, nullptr, &size);
  std::string data(size, '\0');
  if (result == ERROR_SUCCESS && size > 0)
    result = RegQueryValueExA(handle, name, nullptr, &kind, reinterpret_cast<BYTE*>(&data[0]), &size);
  RegCloseKey(handle);
  if (type != nullptr) *type = kind;
  if (result != ERROR_SUCCESS) return "<no value>";
  if (kind == REG_DWORD && size == sizeof(DWORD)) return std::to_string(*reinterpret_cast<const DWORD*>(data.data()));
  if (kind == REG_BINARY || kind == REG_MULTI_SZ) return data.substr(0, size);
  return data.c_str();
}

void SetRegistryText(HKEY root, const std::string& path, const char* name, const std::string& text)
{
  std::string key = path;
  RegSetKeyValueA(Root(root, &key), key.c_str(), name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

bool HostLink(const std::string& link, const std::string& target)
{
  typedef char*(CDECL * UnixName)(const WCHAR*);
  const auto unixName = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  std::wstring command = target.empty() ? L"/bin/rm" : L"/bin/ln -s";
  for (const std::string& path : {target, link}) {
    WCHAR wide[MAX_PATH], host[4 * MAX_PATH];
    const bool wideName = !path.empty() && MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) != 0;
    char* name = wideName ? unixName(wide) : nullptr;
    const bool named = name != nullptr && MultiByteToWideChar(CP_UTF8, 0, name, -1, host, 4 * MAX_PATH) != 0;
    HeapFree(GetProcessHeap(), 0, name);
    if (named) command += L" \"" + std::wstring(host) + L"\"";
  }
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  // Wine hands back no handle that waits for a host program.
  for (int i = 0; i < 100; ++i, Sleep(50)) {
    const DWORD attributes = GetFileAttributesA(link.c_str());
    if (target.empty() == (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)))
      return true;
  }
  return false;
}
