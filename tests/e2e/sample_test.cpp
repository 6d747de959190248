// The full-featured sample installed end to end: every page, the readme
// offer, and then each shortcut, shared file and its count, registry value,
// file type and the launched program checked artifact by artifact.
#include <shlobj.h>
#include <vector>
#include "resources/dialogs.h"
#include "tests/e2e/scenario.h"

namespace {

const char PRODUCT[] = "サンプル ビューア";

std::string Special(int csidl)
{
  char path[MAX_PATH] = "";
  SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE);
  return path;
}

// The target and arguments of a saved shortcut.
bool ReadShortcut(const std::string& lnk, std::string* target, std::string* arguments)
{
  bool read = false;
  CoInitialize(nullptr);
  IShellLinkA* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      wchar_t wide[MAX_PATH];
      MultiByteToWideChar(CP_ACP, 0, lnk.c_str(), -1, wide, MAX_PATH);
      if (SUCCEEDED(file->Load(wide, STGM_READ))) {
        char text[MAX_PATH] = "";
        link->GetPath(text, MAX_PATH, nullptr, 0);
        *target = text;
        link->GetArguments(text, MAX_PATH);
        *arguments = text;
        read = true;
      }
      file->Release();
    }
    link->Release();
  }
  CoUninitialize();
  return read;
}

std::string Text(HKEY root, const std::string& key, const char* name)
{
  HKEY handle;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return "<no key>";
  char data[MAX_PATH] = "";
  DWORD size = sizeof data - 1;
  DWORD type = 0;
  const LONG result = RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(handle);
  if (result != ERROR_SUCCESS) return "<no value>";
  return type == REG_DWORD ? std::to_string(*reinterpret_cast<DWORD*>(data)) : std::string(data);
}

}  // namespace

class Sample : public Scenario {};

TEST_F(Sample, InstallsEverySectionOfTheProduct)
{
  const std::string folder = folder_ / "サンプル";
  Start("sample");
  ClickAway(Expect("使用許諾内容確認"), IDC_NEXT);
  ClickAway(Expect("ユーザ情報の登録"), IDC_NEXT);
  Screen page3 = Expect("ｾｯﾄｱｯﾌﾟ ﾌｫﾙﾀﾞ");
  Driver().Type(page3, IDC_FOLDER, folder);
  Driver().Click(page3, IDC_NEXT);
  ClickAway(Expect("フォルダ作成確認"), IDYES);
  ClickAway(Expect("ｾｯﾄｱｯﾌﾟ条件の確認"), IDC_NEXT);

  // The readme is offered instead of the completion message; leave it closed.
  Screen readme = Expect("ｾｯﾄｱｯﾌﾟ完了");
  EXPECT_EQ(PRODUCT, readme.Text(IDC_README_NAME));
  EXPECT_EQ("今すぐ README ファイルを表示しますか ？", readme.Text(IDC_SHOW_README));
  SendMessageTimeoutA(GetDlgItem(readme.Window, IDC_SHOW_README), BM_SETCHECK, BST_UNCHECKED, 0,
                      SMTO_ABORTIFHUNG, 5000, nullptr);
  ClickAway(readme, IDC_DONE);
  EXPECT_EQ(0u, ExitCode()) << Transcript();

  const std::string viewer = folder + "\\bin\\viewer.exe";
  std::string target, arguments;
  ASSERT_TRUE(ReadShortcut(Special(CSIDL_DESKTOPDIRECTORY) + "\\" + PRODUCT + ".lnk", &target, &arguments));
  EXPECT_EQ(viewer, target);
  EXPECT_EQ("", arguments);
  const std::string manual = Special(CSIDL_PROGRAMS) + "\\サンプル ビューア 説明書.lnk";
  ASSERT_TRUE(ReadShortcut(manual, &target, &arguments));
  EXPECT_EQ(folder + "\\docs\\manual.txt", target);

  // The shared library, and one more user of it counted under its short path.
  char system[MAX_PATH];
  GetSystemDirectoryA(system, sizeof system);
  const std::string library = std::string(system) + "\\samplelib.dll";
  EXPECT_TRUE(ReadWholeFile(ProgramFolder() + "\\samplelib.dll") == ReadWholeFile(library));
  char shortPath[MAX_PATH] = "";
  GetShortPathNameA(library.c_str(), shortPath, sizeof shortPath);
  EXPECT_NE("<no value>", Text(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", shortPath));

  const std::string key = "Software\\Norvalex\\Sample Viewer";
  EXPECT_EQ("1.0", Text(HKEY_CURRENT_USER, key, "InstallVersion"));
  EXPECT_EQ("100", Text(HKEY_CURRENT_USER, key + "\\Settings", "Zoom"));
  EXPECT_EQ("既定の設定", Text(HKEY_CURRENT_USER, key + "\\Settings", ""));

  EXPECT_EQ("smvfile", Text(HKEY_CLASSES_ROOT, ".smv", ""));
  EXPECT_EQ("サンプル ビューア 文書", Text(HKEY_CLASSES_ROOT, "smvfile", ""));
  EXPECT_EQ(folder + "\\setup000.ico,0", Text(HKEY_CLASSES_ROOT, "smvfile\\DefaultIcon", ""));
  EXPECT_EQ(viewer + " \"%1\"", Text(HKEY_CLASSES_ROOT, "smvfile\\shell\\open\\command", ""));
  EXPECT_EQ(viewer + " /p \"%1\"", Text(HKEY_CLASSES_ROOT, "smvfile\\shell\\print\\command", ""));
  EXPECT_EQ(766u, ReadWholeFile(folder + "\\setup000.ico").size());  // the sample's icon

  // The launched program was started with its arguments from the Windows drive's root.
  const Bytes started = ReadWholeFile(folder + "\\bin\\viewer.log");
  EXPECT_EQ("\"" + viewer + "\" /first-run\r\nC:\\\r\n", std::string(started.begin(), started.end()));

  const Bytes log = ReadWholeFile(folder + "\\setup.inf");
  const std::string text(log.begin(), log.end());
  for (const std::string& line : std::vector<std::string>{"SCUT=" + Special(CSIDL_DESKTOPDIRECTORY) + "\\" + PRODUCT + ".lnk", "SCUT=" + manual, "DLL=" + library,
        "REGKEY=HKEY_CURRENT_USER\\" + key, "REGDAT=HKEY_CURRENT_USER\\" + key + "\\InstallVersion",
        "REGKEY=HKEY_CLASSES_ROOT\\smvfile\\shell\\open\\command", "FILE=" + folder + "\\setup000.ico"}) {
    EXPECT_NE(std::string::npos, text.find(line + "\r\n")) << line;
  }
}
