// The shell's notice of changed associations: one, after the last file
// type's keys exist. (The keys themselves are checked end to end.)
#include <shlobj.h>
#include "install/file_types.h"
#include "tests/support/step_fixture.h"

namespace {

const UINT WM_ASSOCIATIONS = WM_APP + 17;
int Notices = 0, KeyWasThere = 0;

LRESULT CALLBACK Watch(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (message != WM_ASSOCIATIONS) return DefWindowProcA(window, message, wParam, lParam);
  ++Notices;
  HKEY key;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "ntbfile\\shell\\open\\command", 0, KEY_READ, &key) == ERROR_SUCCESS) {
    ++KeyWasThere;
    RegCloseKey(key);
  }
  return 0;
}

Bytes Entry(const std::string& extension)
{
  Bytes out;
  PutString(out, extension, 260);
  PutByte(out, 0);                  // icon index
  PutString(out, "", 260);          // description
  PutString(out, "a.ico", 260);     // icon, a file of the install folder
  PutByte(out, 1);                  // open
  PutString(out, "a.exe", 260);
  PutString(out, "", 260);
  PutByte(out, 0);                  // no print
  return out;
}

}  // namespace

class FileTypes : public StepFixture {};

TEST_F(FileTypes, ShellIsToldOnceAfterTheLastEntry)
{
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Watch));
  SHChangeNotifyEntry entry = {nullptr, TRUE};
  const ULONG id = SHChangeNotifyRegister(window, SHCNRF_ShellLevel | SHCNRF_InterruptLevel, SHCNE_ASSOCCHANGED,
                                          WM_ASSOCIATIONS, 1, &entry);
  ASSERT_NE(0u, id);
  Bytes payload = Entry("nta");
  const Bytes second = Entry("ntb");
  payload.insert(payload.end(), second.begin(), second.end());
  Open(payload);  // the data ends where the next extension would start
  EXPECT_EQ(1, InstallFileTypes());
  EXPECT_EQ(0u, Boxes().size());
  MSG message;
  while (PeekMessageA(&message, window, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  EXPECT_EQ(1, Notices);
  EXPECT_EQ(1, KeyWasThere);
  SHChangeNotifyDeregister(id);
  DestroyWindow(window);
  for (const char* key : {".nta", "ntafile", ".ntb", "ntbfile"}) RegDeleteTreeA(HKEY_CLASSES_ROOT, key), RegDeleteKeyA(HKEY_CLASSES_ROOT, key);
}
