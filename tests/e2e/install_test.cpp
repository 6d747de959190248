// Installing a product end to end: the wizard accepted, the progress
// dialog, the completion message, and then every folder, file, time,
// attribute, log line, uninstaller and registry value checked on disk.
#include <vector>
#include "resources/dialogs.h"
#include "tests/e2e/scenario.h"

namespace {

const char FOLDER_PAGE[] = "ｾｯﾄｱｯﾌﾟ ﾌｫﾙﾀﾞ";
const char CONFIRM_PAGE[] = "ｾｯﾄｱｯﾌﾟ条件の確認";
const char DONE[] = "ｾｯﾄｱｯﾌﾟ完了";

// The generated tree (build/e2e-tree), as Wine sees the host's files.
std::string TreeFile(const std::string& relative)
{
  const std::string build = ParentFolder(ParentFolder(ProgramFolder()));  // from build\windows\bin
  return build + "\\e2e-tree\\" + relative;
}

FILETIME LastWrite(const std::string& path, FILETIME* access)
{
  FILETIME created = {}, accessed = {}, written = {};
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  GetFileTime(file, &created, &accessed, &written);
  CloseHandle(file);
  *access = accessed;
  return written;
}

// Wine reports every file as archived, whatever was set.
DWORD Attributes(const std::string& path)
{
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes == INVALID_FILE_ATTRIBUTES ? attributes : attributes & ~FILE_ATTRIBUTE_ARCHIVE;
}

std::string RegistryText(const char* key, const char* name, DWORD* type, DWORD* size)
{
  HKEY handle;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return "<no key>";
  char data[512] = "";
  *size = sizeof data;
  const LONG result = RegQueryValueExA(handle, name, nullptr, type, reinterpret_cast<BYTE*>(data), size);
  RegCloseKey(handle);
  return result == ERROR_SUCCESS ? std::string(data) : "<no value>";
}

struct Entry {
  const char* Path;     // relative to the install folder and to the tree
  const char* Kind;     // its log line's key
  DWORD Attributes;     // as installed, archive aside
};

const std::vector<Entry> TREE = {
    {"bin", "FOLDER", FILE_ATTRIBUTE_DIRECTORY},
    {"bin\\helper.dll", "DLL", 0},
    {"bin\\large.bin", "FILE", 0},
    {"block.bin", "FILE", 0},
    {"block_plus_one.bin", "FILE", 0},
    {"docs", "FOLDER", FILE_ATTRIBUTE_DIRECTORY},
    {"docs\\manual.txt", "FILE", 0},
    {"docs\\readonly.txt", "FILE", FILE_ATTRIBUTE_READONLY},
    {"docs\\深い", "FOLDER", FILE_ATTRIBUTE_DIRECTORY},
    {"docs\\深い\\表.txt", "FILE", 0},
    {"empty.txt", "FILE", 0},
};

}  // namespace

class Install : public Scenario {
 protected:
  // Accepts the wizard with a new folder and waits for the completion message.
  void InstallInto(const std::string& product, const std::string& title, const std::string& folder)
  {
    Start(product);
    Screen page3 = Expect(FOLDER_PAGE);
    Driver().Type(page3, IDC_FOLDER, folder);
    Driver().Click(page3, IDC_NEXT);
    ClickAway(Expect("フォルダ作成確認"), IDYES);
    Screen page4 = Expect(CONFIRM_PAGE);
    ClickAway(page4, IDC_NEXT);
    Screen progress = Expect(title + " セットアップ");
    EXPECT_EQ(title + " セットアップ", progress.Caption);
    Screen done = Expect(DONE);
    EXPECT_EQ("「" + title + "」 は正常にセットアップされました。", done.Text(0xFFFF));
    ClickAway(done, IDOK);
    EXPECT_EQ(0u, ExitCode()) << Transcript();
  }

  void CheckTree(const std::string& folder)
  {
    for (const Entry& entry : TREE) {
      SCOPED_TRACE(entry.Path);
      const std::string installed = folder + "\\" + entry.Path;
      EXPECT_EQ(entry.Attributes ? entry.Attributes : static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL),
                Attributes(installed) ? Attributes(installed) : static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
      if (entry.Attributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      const Bytes expected = ReadWholeFile(TreeFile(entry.Path));
      EXPECT_TRUE(expected == ReadWholeFile(installed)) << "contents differ";
      FILETIME sourceAccess, installedAccess;
      const FILETIME sourceWrite = LastWrite(TreeFile(entry.Path), &sourceAccess);
      const FILETIME installedWrite = LastWrite(installed, &installedAccess);
      EXPECT_EQ(0, CompareFileTime(&sourceWrite, &installedWrite));
      EXPECT_EQ(0, CompareFileTime(&sourceAccess, &installedAccess));
    }
    const std::string hidden = folder + "\\docs\\hidden.txt";
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY), Attributes(hidden));
    EXPECT_TRUE(ReadWholeFile(TreeFile("docs\\manual.txt")) == ReadWholeFile(hidden));
  }

  std::string ExpectedLog(const std::string& folder)
  {
    std::string log = "USER=\r\nSECTION=\r\nAUTHOR=Norvalex\r\nVER=3.00\r\nIFOLDER=" + folder + "\r\n";
    for (const Entry& entry : TREE) log += std::string(entry.Kind) + "=" + folder + "\\" + entry.Path + "\r\n";
    return log + "FILE=" + folder + "\\docs\\hidden.txt\r\n";
  }
};

TEST_F(Install, CompressedTreeLandsWithItsContentsTimesAttributesAndLog)
{
  const std::string folder = folder_ / "インストール先";
  InstallInto("install", "インストールテスト", folder);
  CheckTree(folder);
  const Bytes log = ReadWholeFile(folder + "\\setup.inf");
  EXPECT_EQ(ExpectedLog(folder), std::string(log.begin(), log.end()));

  // The uninstaller is in the pool and registered under the product's name.
  const char* key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\インストールテスト";
  DWORD type = 0, size = 0;
  EXPECT_EQ("インストールテスト", RegistryText(key, "DisplayName", &type, &size));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  const std::string command = RegistryText(key, "UninstallString", &type, &size);
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, sizeof windows);
  const std::string prefix = std::string("\"") + windows + "\\unins";
  ASSERT_EQ(prefix, command.substr(0, prefix.size()));
  EXPECT_EQ(".exe\" \"インストールテスト\" \"" + folder + "\"", command.substr(prefix.size() + 3));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  const std::string uninstaller = command.substr(1, command.find('"', 1) - 1);
  EXPECT_TRUE(ReadWholeFile(ProgramFolder() + "\\recorder_uninstaller.exe") == ReadWholeFile(uninstaller));
}

TEST_F(Install, StoredTreeLandsTheSame)
{
  const std::string folder = folder_ / "保存先";
  InstallInto("install_stored", "保存インストール", folder);
  CheckTree(folder);
}
