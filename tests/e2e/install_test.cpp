// Installing a product end to end: the wizard accepted, the progress
// dialog, the completion message, and then every folder, file, time,
// attribute, log line, uninstaller and registry value checked on disk; a
// second installation into the same folder; and a run paused before and
// after each step by the debugging confirmations.
#include <vector>
#include "resources/dialogs.h"
#include "tests/e2e/scenario.h"

namespace {

const char FOLDER_PAGE[] = "ｾｯﾄｱｯﾌﾟ ﾌｫﾙﾀﾞ";
const char CONFIRM_PAGE[] = "ｾｯﾄｱｯﾌﾟ条件の確認";
const char DONE[] = "ｾｯﾄｱｯﾌﾟ完了";
const char DEBUGGING[] = "ﾃﾞﾊﾞｯｸﾞ";
const char UNINSTALL_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string HEAD = "USER=\r\nSECTION=\r\nAUTHOR=Norvalex\r\nVER=3.00\r\n";

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


void SetRegistryText(const std::string& key, const char* name, const std::string& text)
{
  HKEY handle;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                           &handle, nullptr));
  RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
  RegCloseKey(handle);
}

std::string FileText(const std::string& path)
{
  const Bytes bytes = ReadWholeFile(path);
  return std::string(bytes.begin(), bytes.end());
}

// The uninstaller that an Uninstall command line names (its first quoted text).
std::string UninstallerOf(const std::string& command)
{
  if (command.size() < 2 || command[0] != '"') return "";
  return command.substr(1, command.find('"', 1) - 1);
}

struct Entry {
  std::string Path;     // relative to the install folder and to the tree
  const char* Kind;     // its log line's key
  DWORD Attributes;     // as installed, archive aside
};

std::vector<Entry> MakeTree()
{
  std::vector<Entry> tree = {
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
    {"many", "FOLDER", FILE_ATTRIBUTE_DIRECTORY},
  };
  // A few hundred small files in ten folders.
  for (int d = 0; d < 10; ++d) {
    char folder[16];
    wsprintfA(folder, "many\\d%02d", d);
    tree.push_back({folder, "FOLDER", FILE_ATTRIBUTE_DIRECTORY});
    for (int f = 0; f < 30; ++f) {
      char file[32];
      wsprintfA(file, "%s\\f%03d.txt", folder, f);
      tree.push_back({file, "FILE", 0});
    }
  }
  return tree;
}

const std::vector<Entry> TREE = MakeTree();

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
    // The background window and the progress dialog share this caption; a
    // small product's progress dialog may be gone again before it is read,
    // so its own caption is checked where a debugging box holds it.
    Expect(title + " セットアップ");
    Screen done = Expect(DONE);
    EXPECT_EQ("「" + title + "」 は正常にセットアップされました。", done.Text(0xFFFF));
    ClickAway(done, IDOK);
    EXPECT_EQ(0u, ExitCode()) << Transcript();
  }

  // The same into a folder that exists: no question to create it.
  void InstallAgainInto(const std::string& product, const std::string& title, const std::string& folder)
  {
    Start(product);
    Screen page3 = Expect(FOLDER_PAGE);
    Driver().Type(page3, IDC_FOLDER, folder);
    Driver().Click(page3, IDC_NEXT);
    Screen page4 = Expect(CONFIRM_PAGE);
    EXPECT_EQ(folder, page4.Text(IDC_FOLDER));
    ClickAway(page4, IDC_NEXT);
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

// ---------------------------------------------------------------------------
// A second installation into the same folder

TEST_F(Install, ReinstallationMergesTheOldLogRewritesTheEntryAndKeepsTheUninstallerName)
{
  const std::string title = "再インストールテスト";
  const std::string key = UNINSTALL_KEY + title;
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
  const std::string folder = folder_ / "再インストール先";
  const std::string base = folder + "\\";

  InstallInto("reinstall", title, folder);
  const std::string firstLog = "IFOLDER=" + folder + "\r\nFOLDER=" + base + "bin\r\nDLL=" + base + "bin\\helper.dll\r\n" +
                               "FILE=" + base + "block_plus_one.bin\r\nFOLDER=" + base + "docs\r\nFOLDER=" + base +
                               "docs\\深い\r\nFILE=" + base + "docs\\深い\\表.txt\r\n";
  EXPECT_EQ(HEAD + firstLog, FileText(base + "setup.inf"));
  DWORD type = 0, size = 0;
  EXPECT_EQ(title, RegistryText(key.c_str(), "DisplayName", &type, &size));
  const std::string firstCommand = RegistryText(key.c_str(), "UninstallString", &type, &size);
  const std::string uninstaller = UninstallerOf(firstCommand);
  EXPECT_EQ("\"" + uninstaller + "\" \"" + title + "\" \"" + folder + "\"", firstCommand);
  EXPECT_EQ(WindowsFolder() + "\\unins", uninstaller.substr(0, WindowsFolder().size() + 6));

  // What the second run must put right: a damaged file and a stale entry.
  ASSERT_TRUE(WriteWholeFile(base + "block_plus_one.bin", Bytes(10, 'x')));
  SetRegistryText(key, "DisplayName", "古い表示名");
  SetRegistryText(key, "UninstallString", "\"C:\\old\\uninst.exe\" \"古い\" \"C:\\old\"");

  InstallAgainInto("reinstall", title, folder);
  EXPECT_TRUE(ReadWholeFile(TreeFile("block_plus_one.bin")) == ReadWholeFile(base + "block_plus_one.bin"));
  EXPECT_TRUE(ReadWholeFile(TreeFile("docs\\深い\\表.txt")) == ReadWholeFile(base + "docs\\深い\\表.txt"));
  // The new lines first (no FOLDER lines: the folders were there), then
  // what the old log had beyond them, each line once.
  EXPECT_EQ(HEAD + "DLL=" + base + "bin\\helper.dll\r\nFILE=" + base + "block_plus_one.bin\r\nFILE=" + base +
                "docs\\深い\\表.txt\r\n" + "IFOLDER=" + folder + "\r\nFOLDER=" + base + "bin\r\nFOLDER=" + base +
                "docs\r\nFOLDER=" + base + "docs\\深い\r\n",
            FileText(base + "setup.inf"));
  EXPECT_FALSE(FileExists(base + "setup.$$$"));

  // The entry is written again in full, naming the same pool file, which
  // holds the uninstaller again.
  EXPECT_EQ(title, RegistryText(key.c_str(), "DisplayName", &type, &size));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ(firstCommand, RegistryText(key.c_str(), "UninstallString", &type, &size));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_TRUE(ReadWholeFile(ProgramFolder() + "\\recorder_uninstaller.exe") == ReadWholeFile(uninstaller));
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
}

// ---------------------------------------------------------------------------
// Step by step

TEST_F(Install, StepByStepConfirmationsComeBeforeAndAfterEveryStep)
{
  const std::string title = "確認テスト";
  const std::string key = UNINSTALL_KEY + title;
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
  const std::string folder = folder_ / "確認先";
  Start("stepwise", "V");
  Screen page3 = Expect(FOLDER_PAGE);
  Driver().Type(page3, IDC_FOLDER, folder);
  Driver().Click(page3, IDC_NEXT);
  ClickAway(Expect("フォルダ作成確認"), IDYES);
  ClickAway(Expect(CONFIRM_PAGE), IDC_NEXT);

  const char* categories[] = {"セットアップ情報ファイル作成", "アンインストーラのセットアップ",
                              "ファイルのセットアップ",       "ショートカットのセットアップ",
                              "共有ファイルのセットアップ",   "レジストリのセットアップ",
                              "ファイルタイプのセットアップ", "最終処理",
                              "最終処理"};
  HWND progress = nullptr;
  for (int row = 0; row < 9; ++row) {
    SCOPED_TRACE("row " + std::to_string(row));
    Screen before = Expect(DEBUGGING);
    ASSERT_EQ("開始 確認", before.Text(0xFFFF)) << Transcript();
    if (row == 0) progress = before.Owner;
    EXPECT_EQ(progress, before.Owner);
    const Screen dialog = Driver().Read(progress);
    EXPECT_EQ(title + " セットアップ", dialog.Caption);
    EXPECT_EQ("中止", dialog.Text(IDC_STOP));
    EXPECT_EQ(categories[row], dialog.Text(IDC_CATEGORY));
    ClickAway(before, IDOK);

    if (row == 8) {
      Screen done = Expect(DONE);
      EXPECT_EQ("「" + title + "」 は正常にセットアップされました。", done.Text(0xFFFF));
      ClickAway(done, IDOK);
    }
    Screen after = Expect(DEBUGGING);
    ASSERT_EQ("終了 確認", after.Text(0xFFFF)) << Transcript();
    // The finish step closed the progress dialog: the last box has no owner.
    EXPECT_EQ(row == 8 ? nullptr : progress, after.Owner);
    if (row == 8) { EXPECT_FALSE(IsWindow(progress)); }
    // Each step's work is done when its confirmation comes.
    DWORD type = 0, size = 0;
    if (row == 0) { EXPECT_TRUE(FileExists(folder + "\\setup.inf")); }
    if (row == 1) { EXPECT_EQ(title, RegistryText(key.c_str(), "DisplayName", &type, &size)); }
    if (row == 1) { EXPECT_FALSE(FileExists(folder + "\\file.txt")); }
    if (row == 2) { EXPECT_EQ("payload file\r\n", FileText(folder + "\\file.txt")); }
    ClickAway(after, IDOK);
  }
  EXPECT_EQ(0u, ExitCode()) << Transcript();
  EXPECT_EQ(HEAD + "IFOLDER=" + folder + "\r\nFILE=" + folder + "\\file.txt\r\n", FileText(folder + "\\setup.inf"));
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
}
