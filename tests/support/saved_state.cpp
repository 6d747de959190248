// Saving and restoring Windows state around a test; see the header.
#include "tests/support/saved_state.h"
#include "tests/support/files.h"

namespace {

const char SESSION_MANAGER[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char PENDING_RENAMES[] = "PendingFileRenameOperations";

Bytes ReadPending(HKEY key, bool* existed)
{
  DWORD size = 0;
  *existed = RegQueryValueExA(key, PENDING_RENAMES, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
  Bytes value(size);
  if (*existed && size > 0) RegQueryValueExA(key, PENDING_RENAMES, nullptr, nullptr, value.data(), &size);
  return value;
}

}  // namespace

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

SavedPendingRenames::SavedPendingRenames()
{
  RegCreateKeyExA(HKEY_LOCAL_MACHINE, SESSION_MANAGER, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &Key, nullptr);
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
  const Bytes value = ReadPending(Key, &existed);
  return std::string(value.begin(), value.end());
}
