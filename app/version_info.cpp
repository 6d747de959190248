// Version resources: the file version and the maker's name, read through
// version.dll. The library is not a known DLL, so it is loaded by full path
// from the system folder and freed by the function that loaded it.
#include "app/heap.h"
#include "app/process_guard.h"
#include "app/version_info.h"

typedef DWORD(WINAPI* InfoSizeFunction)(const char*, DWORD*);
typedef BOOL(WINAPI* InfoFunction)(const char*, DWORD, DWORD, void*);
typedef BOOL(WINAPI* QueryFunction)(const void*, const char*, void**, UINT*);

template <typename F>
static F Function(HMODULE module, const char* name)
{
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Looks up `query` in the version resource of `path` and copies at most
// `capacity` bytes of the value to `out`. 1 when found.
static int QueryVersion(const char* path, const char* query, void* out, UINT capacity)
{
  HMODULE library = LoadSystemLibrary("version.dll");
  if (library == nullptr) return 0;
  const auto infoSize = Function<InfoSizeFunction>(library, "GetFileVersionInfoSizeA");
  const auto info = Function<InfoFunction>(library, "GetFileVersionInfoA");
  const auto queryValue = Function<QueryFunction>(library, "VerQueryValueA");
  int found = 0;
  DWORD ignored = 0;
  const DWORD size = infoSize && info && queryValue ? infoSize(path, &ignored) : 0;
  void* block = size != 0 ? AllocateBlock(size) : nullptr;
  if (block != nullptr) {
    void* value = nullptr;
    UINT length = 0;
    if (info(path, 0, size, block) && queryValue(block, query, &value, &length) && value != nullptr) {
      CopyMemory(out, value, length < capacity ? length : capacity);
      found = 1;
    }
    FreeBlock(block);
  }
  FreeLibrary(library);
  return found;
}

int GetFileVersion(const char* path, DWORD* ms, DWORD* ls)
{
  VS_FIXEDFILEINFO fixed = {};
  if (!QueryVersion(path, "\\", &fixed, sizeof fixed)) return 0;
  *ms = fixed.dwFileVersionMS;
  *ls = fixed.dwFileVersionLS;
  return 1;
}

int MatchCompanyName(const char* path, const char* name)
{
  // One byte more than the name: a longer company name must not match.
  char company[64] = "";
  const int length = lstrlenA(name);
  if (length >= static_cast<int>(sizeof company) - 1) return 0;
  if (!QueryVersion(path, "\\StringFileInfo\\041104b0\\CompanyName", company, sizeof company - 1)) return 0;
  for (int i = 0; i <= length; ++i)
    if (company[i] != name[i]) return 0;
  return 1;
}
