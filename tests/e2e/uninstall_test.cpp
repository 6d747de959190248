// The real uninstaller end to end: the sample installed through its wizard
// and taken back by the command its Uninstall entry registers, with the file
// tree and the registry compared before and after; what other products, the
// user and a failed reinstallation must keep; refused logs; and roll-backs.
#include <shlobj.h>
#include <algorithm>
#include <functional>
#include <set>
#include <vector>
#include "resources/dialogs.h"
#include "tests/e2e/scenario.h"

namespace {

const char SAMPLE[] = "サンプル ビューア";
const char OTHER[] = "サンプル ツール";
const char ENTRIES[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char SHARED[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const char SAMPLE_KEY[] = "Software\\Norvalex\\Sample Viewer";
const char CONFIRM[] = "アンインストールの確認";
const char SHARED_QUESTION[] = "共有ファイルの削除確認";
const char DONE[] = "アンインストール完了";
const char RESTART[] = "システム再起動の確認";
const char REFUSED[] = "アンインストール";

using Snapshot = std::set<std::string>;

std::string Special(int csidl)
{
  char path[MAX_PATH] = "";
  SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE);
  return path;
}

std::string Hash(const void* data, size_t size)
{
  return std::to_string(std::hash<std::string>{}(std::string(static_cast<const char*>(data), size)));
}

// Paths, attributes (without the archive bit, which Wine always reports)
// and, with contents, each file's size and hash.
void AddTree(Snapshot* shot, const std::string& folder, bool recurse, bool contents)
{
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = entry.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = folder + "\\" + name;
    const DWORD attributes = entry.dwFileAttributes & ~FILE_ATTRIBUTE_ARCHIVE;
    std::string line = path + " " + std::to_string(attributes);
    // A shortcut saved again records when it was saved: its size stands for it.
    const bool shortcut = name.size() > 4 && name.compare(name.size() - 4, 4, ".lnk") == 0;
    if (contents && !shortcut && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      const Bytes bytes = ReadWholeFile(path);
      line += " " + std::to_string(bytes.size()) + " " + Hash(bytes.data(), bytes.size());
    }
    shot->insert(line);
    if (recurse && (attributes & FILE_ATTRIBUTE_DIRECTORY)) AddTree(shot, path, true, contents);
  } while (FindNextFileA(find, &entry));
  FindClose(find);
}

void AddKeys(Snapshot* shot, HKEY root, const std::string& path)
{
  const std::string rootName = root == HKEY_LOCAL_MACHINE ? "HKLM:" : "HKCU:";
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  shot->insert(rootName + path + "\\");
  char name[16384];
  static BYTE data[1 << 20];
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = sizeof name, size = sizeof data, type = 0;
    if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
    shot->insert(rootName + path + "\\[" + name + "]=" + std::to_string(type) + ":" + Hash(data, size));
  }
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = sizeof name;
    if (RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    AddKeys(shot, root, path + "\\" + name);
  }
  RegCloseKey(key);
}

// Everything an installation may touch: the test folder, the Windows and
// system folders, the desktop and the Start menu, HKLM and HKCU (and so
// HKCR) below Software. Wine's own keys change by themselves.
Snapshot Take(const std::string& testFolder)
{
  Snapshot shot;
  AddTree(&shot, testFolder, true, true);
  AddTree(&shot, WindowsFolder(), false, true);
  AddTree(&shot, SystemFolder(), false, false);
  AddTree(&shot, Special(CSIDL_DESKTOPDIRECTORY), true, true);
  AddTree(&shot, Special(CSIDL_PROGRAMS), true, true);
  AddKeys(&shot, HKEY_LOCAL_MACHINE, "Software");
  AddKeys(&shot, HKEY_CURRENT_USER, "Software");
  // The setup program in the test folder is copied in after the first shot.
  const std::string setup = testFolder + "\\SETUP.EXE ";
  for (auto it = shot.begin(); it != shot.end();)
    it = it->find(":Software\\Wine\\") == 4 || it->find(setup) == 0 ? shot.erase(it) : std::next(it);
  return shot;
}

// The changes from one shot to the next ("-" lines that went, "+" lines
// that came) that none of the explained texts accounts for.
std::vector<std::string> Unexplained(const Snapshot& before, const Snapshot& after,
                                     const std::vector<std::string>& explained)
{
  std::vector<std::string> changes;
  for (int sign = 0; sign < 2; ++sign)
    for (const std::string& line : sign ? after : before) {
      if ((sign ? before : after).count(line)) continue;
      bool known = false;
      for (const std::string& text : explained) known = known || line.find(text) != std::string::npos;
      if (!known) changes.push_back((sign ? "+" : "-") + line);
    }
  return changes;
}

std::string Entry(const char* product, const char* name) { return RegistryText(HKEY_LOCAL_MACHINE, ENTRIES + std::string(product), name); }

std::string SharedCount()
{
  char path[MAX_PATH] = "";
  GetShortPathNameA((SystemFolder() + "\\samplelib.dll").c_str(), path, sizeof path);
  return RegistryText(HKEY_LOCAL_MACHINE, SHARED, path);
}

// Runs a command line to its end; its boxes answered as the script says.
std::vector<SeenBox> RunAnswering(std::string command, std::vector<ExpectedBox> script, bool* allAnswered = nullptr)
{
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    ADD_FAILURE() << "cannot start " << command;
    return {};
  }
  BoxAnswerer boxes(std::move(script), process.dwProcessId);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 60000)) << command;
  TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (allAnswered != nullptr) *allAnswered = boxes.AllAnswered();
  return boxes.Finish();
}

// Windows starting again: the moves planned for the next start happen.
void Restart() { RunAnswering("wineboot.exe", {}); }

std::string PendingMoves()
{
  static char data[1 << 16];
  DWORD size = sizeof data;
  const LONG read = RegGetValueA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                                 "PendingFileRenameOperations", RRF_RT_ANY, nullptr, data, &size);
  return read == ERROR_SUCCESS ? std::string(data, size) : "";
}

}  // namespace

class Uninstallation : public Scenario {
 protected:
  // Installs a product through its wizard into folder; the sample shows
  // its agreement, user page and readme offer, the other product none.
  // With a marker (the last text of one section) the copy is cut just
  // after it: the step of that section fails and rolls back.
  void Install(const std::string& product, const std::string& folder, bool folderExists = false,
               const char* marker = nullptr)
  {
    CopyProduct(product);
    if (marker != nullptr) {
      const Bytes image = ReadWholeFile(folder_ / "SETUP.EXE");
      const size_t at = std::string(image.begin(), image.end()).rfind(marker);
      ASSERT_NE(std::string::npos, at) << marker;
      ASSERT_TRUE(WriteWholeFile(folder_ / "SETUP.EXE", Bytes(image.begin(), image.begin() + at + 2)));
    }
    Launch("");
    if (product.find("sample") != std::string::npos) {
      ClickAway(Expect("使用許諾内容確認"), IDC_NEXT);
      ClickAway(Expect("ユーザ情報の登録"), IDC_NEXT);
    }
    Screen page3 = Expect("ｾｯﾄｱｯﾌﾟ ﾌｫﾙﾀﾞ");
    Driver().Type(page3, IDC_FOLDER, folder);
    Driver().Click(page3, IDC_NEXT);
    if (!folderExists) ClickAway(Expect("フォルダ作成確認"), IDYES);
    ClickAway(Expect("ｾｯﾄｱｯﾌﾟ条件の確認"), IDC_NEXT);
    if (HasFailure()) return;
    if (marker == nullptr) return EndSetup();
    BoxAnswerer boxes({}, process_.dwProcessId);
    Finish();
    for (const SeenBox& box : boxes.Finish()) EXPECT_NE("ｾｯﾄｱｯﾌﾟ完了", box.Caption) << marker;
  }

  // Waits for the end of the running setup: the readme offer left closed,
  // or the completion message.
  void EndSetup()
  {
    Screen done = Expect("ｾｯﾄｱｯﾌﾟ完了");
    if (!done.IsMessageBox())
      SendMessageTimeoutA(GetDlgItem(done.Window, IDC_SHOW_README), BM_SETCHECK, BST_UNCHECKED, 0,
                          SMTO_ABORTIFHUNG, 5000, nullptr);
    ClickAway(done, done.IsMessageBox() ? IDOK : IDC_DONE);
    Finish();
  }

  void Finish()
  {
    EXPECT_EQ(0u, ExitCode()) << Transcript();
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
    process_ = {};
  }

  // Runs the product's registered UninstallString as Add/Remove Programs
  // would, answering Yes to its questions (No to the restart); returns the
  // final message's text.
  std::string Uninstall(const char* product, bool sharedQuestion, bool restartQuestion = false)
  {
    std::vector<ExpectedBox> script = {{CONFIRM, IDYES}};
    if (sharedQuestion) script.push_back({SHARED_QUESTION, IDYES});
    script.push_back({DONE, IDOK});
    if (restartQuestion) script.push_back({RESTART, IDNO});
    bool answered = false;
    const std::vector<SeenBox> seen = RunAnswering(Entry(product, "UninstallString"), script, &answered);
    std::string texts;
    for (const SeenBox& box : seen) texts += "[" + box.Caption + "] " + box.Text + "\n";
    EXPECT_TRUE(answered) << texts;
    EXPECT_NE(std::string::npos, texts.find("「" + std::string(product) + "」をアンインストールします。")) << texts;
    for (const SeenBox& box : seen)
      if (box.Caption == DONE) return box.Text;
    return "";
  }
};

// What stays of the sample after its uninstallation, and why: the viewer's
// own record of its first run (bin\viewer.log) is nothing the installation
// wrote, so it and the folders holding it stay; the vendor key above the
// product's key was created without a log line of its own.
TEST_F(Uninstallation, TakesTheSampleBackToTheSnapshot)
{
  const std::string folder = folder_ / "サンプル";
  const Snapshot before = Take(folder_.Path());
  Install("uninstall-sample", folder);

  const std::string unins = Entry(SAMPLE, "UninstallString").substr(1, Entry(SAMPLE, "UninstallString").find('"', 1) - 1);
  const struct {
    const char* Name;
    std::string Expected;
  } entry[] = {
      {"DisplayName", SAMPLE},
      {"UninstallString", "\"" + unins + "\" \"" + SAMPLE + "\" \"" + folder + "\""},
      {"QuietUninstallString", "\"" + unins + "\" s \"" + SAMPLE + "\" \"" + folder + "\""},
      {"InstallLocation", folder},
      {"DisplayIcon", unins},
      {"NoModify", "1"},
      {"NoRepair", "1"},
  };
  for (const auto& row : entry) EXPECT_EQ(row.Expected, Entry(SAMPLE, row.Name)) << row.Name;
  EXPECT_GT(std::stoul(Entry(SAMPLE, "EstimatedSize")), 10u);

  // A file held open is deleted at the next start of Windows.
  const std::string manual = folder + "\\docs\\manual.txt";
  HANDLE held = CreateFileA(manual.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  const std::string message = Uninstall(SAMPLE, true, true);
  CloseHandle(held);
  EXPECT_NE(std::string::npos, PendingMoves().find("manual.txt"));
  EXPECT_TRUE(FileExists(manual));
  const std::string kept = "「" + std::string(SAMPLE) + "」のアンインストールが終わりました。\n\n次のものは削除できませんでした。\n・" +
                           folder + "\\bin\n\n使用中のファイルは、次にシステムを起動したときに削除されます。";
  EXPECT_EQ(kept, message);
  Restart();
  EXPECT_FALSE(FileExists(manual));
  EXPECT_FALSE(FileExists(unins));

  const std::vector<std::string> explained = {folder + " 16", folder + "\\bin 16", folder + "\\bin\\viewer.log ",
                                               "HKCU:Software\\Norvalex\\"};
  EXPECT_EQ("{}", ::testing::PrintToString(Unexplained(before, Take(folder_.Path()), explained)));
}

TEST_F(Uninstallation, KeepsWhatOthersAndTheUserStillUse)
{
  const std::string sample = folder_ / "サンプル";
  const std::string other = folder_ / "ツール";
  const std::string library = SystemFolder() + "\\samplelib.dll";
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, SAMPLE_KEY, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
  RegSetValueExA(key, "Mine", 0, REG_SZ, reinterpret_cast<const BYTE*>("own"), 4);
  RegCloseKey(key);
  Install("uninstall-sample", sample);
  Install("uninstall-other", other);
  ASSERT_TRUE(WriteWholeFile(sample + "\\my notes.txt", Bytes{'m', 'y'}));
  const std::string unins = Entry(OTHER, "UninstallString").substr(1, Entry(OTHER, "UninstallString").find('"', 1) - 1);
  EXPECT_EQ(0u, Entry(SAMPLE, "UninstallString").find("\"" + unins + "\"")) << "one pooled uninstaller";
  EXPECT_EQ("2", SharedCount());

  const std::string message = Uninstall(SAMPLE, false);
  const std::string last = "・" + sample;
  EXPECT_EQ(last, message.substr(message.size() - std::min(message.size(), last.size()))) << message;
  Restart();
  const struct {
    const char* What;
    bool Now, Expected;
  } first[] = {
      {"the user's file", FileExists(sample + "\\my notes.txt"), true},
      {"the user's registry value", RegistryText(HKEY_CURRENT_USER, SAMPLE_KEY, "Mine") == "own", true},
      {"the product's value beside it", RegistryText(HKEY_CURRENT_USER, SAMPLE_KEY, "InstallVersion") == "1.0", false},
      {"the shared library", FileExists(library), true},
      {"its count, one lower", SharedCount() == "1", true},
      {"the pooled uninstaller", FileExists(unins), true},
      {"the other product's entry", Entry(OTHER, "DisplayName") == OTHER, true},
      {"the sample's entry", Entry(SAMPLE, "DisplayName") != "<no key>", false},
      {"the sample's viewer", FileExists(sample + "\\bin\\viewer.exe"), false},
  };
  for (const auto& row : first) EXPECT_EQ(row.Expected, row.Now) << row.What;

  Uninstall(OTHER, true);
  Restart();
  EXPECT_FALSE(FileExists(library));
  EXPECT_EQ("<no key>", SharedCount()) << "the list of counts goes with its last count";
  EXPECT_FALSE(FileExists(unins));
  EXPECT_FALSE(FileExists(other));
  EXPECT_EQ("<no key>", Entry(OTHER, "DisplayName"));
}

// A log that is missing, of another maker or damaged: one message, and
// nothing of the installation changes.
TEST_F(Uninstallation, RefusesALogItCannotTrust)
{
  const std::string folder = folder_ / "サンプル";
  Install("uninstall-sample", folder);
  const std::string log = folder + "\\setup.inf";
  const Bytes original = ReadWholeFile(log);
  std::string text(original.begin(), original.end());
  std::string foreign = text, damaged = text;
  foreign.replace(foreign.find("AUTHOR=Norvalex"), 15, "AUTHOR=Someone");
  damaged.insert(damaged.find("FILE="), 1, '\0');
  const struct {
    const char* Name;
    const std::string* Log;  // null: no setup.inf at all
    const char* Says;
  } rows[] = {
      {"missing", nullptr, "アンインストール情報 (setup.inf) が見つかりません。"},
      {"foreign", &foreign, "このセットアップが書いたアンインストール情報として読み取れません。"},
      {"damaged", &damaged, "このセットアップが書いたアンインストール情報として読み取れません。"},
  };
  for (const auto& row : rows) {
    DeleteFileA(log.c_str());
    if (row.Log != nullptr) {
      ASSERT_TRUE(WriteWholeFile(log, Bytes(row.Log->begin(), row.Log->end())));
    }
    const Snapshot before = Take(folder_.Path());
    bool answered = false;
    const std::vector<SeenBox> seen =
        RunAnswering(Entry(SAMPLE, "UninstallString"), {{CONFIRM, IDYES}, {REFUSED, IDOK}}, &answered);
    EXPECT_TRUE(answered) << row.Name;
    ASSERT_EQ(2u, seen.size()) << row.Name;
    EXPECT_NE(std::string::npos, seen[1].Text.find(row.Says)) << row.Name << ": " << seen[1].Text;
    EXPECT_NE(std::string::npos, seen[1].Text.find("何も削除しませんでした。")) << row.Name;
    EXPECT_EQ("{}", ::testing::PrintToString(Unexplained(before, Take(folder_.Path()), {}))) << row.Name;
  }
}

// A payload cut in each section after the uninstaller's: a first
// installation rolls back to the snapshot before it; a reinstallation over
// a working installation leaves that installation as it was.
struct Cut {
  const char* Name;       // the step whose section is cut
  const char* Marker;     // the last text of that section
  bool Over;              // a reinstallation over a working installation
  const char* Rewritten;  // a value the failed run wrote again, which the log cannot tell from the earlier one
};

void PrintTo(const Cut& cut, std::ostream* out) { *out << cut.Name << (cut.Over ? " over an installation" : ""); }

class CutRollBack : public Uninstallation, public ::testing::WithParamInterface<Cut> {};

TEST_P(CutRollBack, LeavesWhatWasThereBefore)
{
  const std::string folder = folder_ / "サンプル";
  if (GetParam().Over) Install("uninstall-sample", folder);
  const Snapshot before = Take(folder_.Path());
  Install("uninstall-sample", folder, GetParam().Over, GetParam().Marker);
  Restart();
  // A first installation leaves the vendor key above the product's key: no log line names it.
  const char* explained = GetParam().Over ? GetParam().Rewritten : "HKCU:Software\\Norvalex\\";
  const std::vector<std::string> changes =
      Unexplained(before, Take(folder_.Path()), explained ? std::vector<std::string>{explained} : std::vector<std::string>{});
  EXPECT_EQ("{}", ::testing::PrintToString(changes));
}

std::vector<Cut> Cuts()
{
  // A reinstallation embeds the file type's icon under the next free name
  // and points the icon value at it; the roll-back removes that icon but
  // keeps the value, which an earlier installation's log lists as well.
  const Cut sections[] = {{"Shortcuts", "サンプル ビューア 説明書", false, nullptr},
                          {"SharedFiles", "$(SYSDIR)\\samplelib.dll", false, nullptr},
                          {"Registry", "InstallVersion", false, nullptr},
                          {"FileTypes", "サンプル ビューア 文書", false, nullptr},
                          {"Launch", "/first-run", false, "smvfile\\DefaultIcon\\[]"}};
  std::vector<Cut> cuts;
  for (bool over : {false, true})
    for (Cut cut : sections) cuts.push_back({cut.Name, cut.Marker, over, cut.Rewritten});
  return cuts;
}

INSTANTIATE_TEST_SUITE_P(Sections, CutRollBack, ::testing::ValuesIn(Cuts()), [](const ::testing::TestParamInfo<Cut>& info) {
  return std::string(info.param.Name) + (info.param.Over ? "OverAnInstallation" : "FirstInstallation");
});
