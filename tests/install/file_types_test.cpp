// The shell's notice of changed associations: one, after the last file
// type's keys exist; and what a roll-back gives back: a key the step made
// goes, a value it rewrote holds its old text again. (The keys themselves
// are checked end to end.)
#include <shlobj.h>
#include "install/file_types.h"
#include "install/kept_values.h"
#include "tests/support/step_fixture.h"

const UINT WM_ASSOCIATIONS = WM_APP + 17;
static int Notices = 0, KeyWasThere = 0;

static LRESULT CALLBACK Watch(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (message != WM_ASSOCIATIONS) return DefWindowProcA(window, message, wParam, lParam);
  ++Notices;
  KeyWasThere += RegistryText(HKEY_CLASSES_ROOT, "ntbfile\\shell\\open\\command", "") != "<no key>";
  return 0;
}

class FileTypes : public StepFixture {};

TEST_F(FileTypes, ShellIsToldOnceAfterTheLastEntryAndTheEntriesGoBack)
{
  SetRegistryText(HKEY_CLASSES_ROOT, ".ntb", "", "before");
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Watch));
  SHChangeNotifyEntry entry = {nullptr, TRUE};
  const ULONG id = SHChangeNotifyRegister(window, SHCNRF_ShellLevel | SHCNRF_InterruptLevel, SHCNE_ASSOCCHANGED,
                                          WM_ASSOCIATIONS, 1, &entry);
  ASSERT_NE(0u, id);
  Product product;
  for (const char* extension : {"nta", "ntb"}) {
    FileTypeEntry type;
    type.Extension = extension;
    type.Icon.Name = "a.ico";
    type.Open.Present = true;
    type.Open.Program.Name = "a.exe";
    product.FileTypes.push_back(type);
  }
  SectionWriter writer(0, 0);
  writer.FileTypes(product);
  Open(writer.Out);
  EXPECT_EQ(1, InstallFileTypes());
  MSG message;
  while (PeekMessageA(&message, window, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  EXPECT_EQ(1, Notices);
  EXPECT_EQ(1, KeyWasThere);
  GiveBackValues();
  EXPECT_EQ("<no key>", RegistryText(HKEY_CLASSES_ROOT, ".nta", ""));
  EXPECT_EQ("before", RegistryText(HKEY_CLASSES_ROOT, ".ntb", ""));
  SHChangeNotifyDeregister(id);
  DestroyWindow(window);
  for (const char* key : {".nta", "ntafile", ".ntb", "ntbfile"}) RegDeleteTreeA(HKEY_CLASSES_ROOT, key);
}
