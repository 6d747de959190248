// The scenario runner; see the header.
#include "tests/e2e/scenario.h"
#include <shlobj.h>
#include "resources/dialogs.h"

const char UNINSTALL_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

void Scenario::SetUp()
{
  char own[8] = "";
  GetEnvironmentVariableA("SETUP_OWN_PREFIX", own, sizeof own);
  if (lstrcmpA(own, "1") != 0) GTEST_SKIP() << "changes the Windows folder: needs SETUP_OWN_PREFIX=1";
}

Scenario::~Scenario()
{
  if (process_.hProcess != nullptr) TerminateProcess(process_.hProcess, 998);
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
}

void Scenario::CopyProduct(const std::string& product)
{
  const std::string source = ProgramFolder() + "\\..\\..\\e2e\\" + product;
  const auto files = Tree(source, 0, false);
  ASSERT_FALSE(files.empty()) << "no product " << source;
  for (const auto& file : files)
    ASSERT_TRUE(CopyFileA((source + "\\" + file.first).c_str(), (folder_ / file.first).c_str(), FALSE));
}

void Scenario::Run(std::string commandLine)
{
  ExitCode();
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
  process_ = {};
  seen_.clear();
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  ASSERT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder_.Path().c_str(),
                             &startup, &process_)) << commandLine;
  driver_ = std::make_unique<UiDriver>(process_.dwProcessId);
}

DWORD Scenario::ExitCode(DWORD timeoutMs)
{
  if (process_.hProcess == nullptr) return 997;
  if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "the program did not end; on screen: " << ::testing::PrintToString(driver_->WindowsNow())
                  << "\n" << Transcript();
    TerminateProcess(process_.hProcess, 999);
    WaitForSingleObject(process_.hProcess, INFINITE);
  }
  DWORD code = 996;
  GetExitCodeProcess(process_.hProcess, &code);
  return code;
}

std::string Scenario::Transcript() const
{
  std::string text;
  for (const Screen& s : seen_) text += "  met \"" + s.Caption + "\" " + (s.IsMessageBox() ? s.Text(0xFFFF) : "") + "\n";
  return text;
}

int Scenario::Count(const std::string& caption) const
{
  int count = 0;
  for (const Screen& s : seen_) count += caption.empty() ? s.IsMessageBox() : s.Caption == caption;
  return count;
}

std::string Scenario::BoxText(const std::string& caption) const
{
  std::string text;
  for (const Screen& s : seen_)
    if (s.Caption == caption && s.IsMessageBox()) text = s.Text(0xFFFF);
  return text;
}

void Scenario::Restart()
{
  Run("wineboot.exe");
  ExitCode();
}

// The user who accepts every proposal; Button 0 leaves the window alone.
static int Accepting(const Screen& screen)
{
  if (screen.IsMessageBox()) {
    if (screen.Caption == "フォルダ作成確認") return IDYES;
    if (screen.Caption == "システム再起動の確認" || screen.Caption == "セットアップの終了") return IDNO;
    return GetDlgItem(screen.Window, IDOK) != nullptr ? IDOK : IDYES;
  }
  if (screen.Texts.count(IDC_DONE) != 0 && screen.Text(IDC_DONE) == "完了") return IDC_DONE;
  if (screen.Texts.count(IDC_STOP) != 0 && screen.Text(IDC_STOP) == "中止") return 0;
  if (screen.Caption == "ｸﾘｰﾝｱｯﾌﾟ") return 0;
  return IDC_NEXT;
}

DWORD Scenario::RunThrough(const std::string& folder, std::vector<Reply> replies)
{
  std::set<HWND> handled, again;
  const DWORD start = GetTickCount();
  while (WaitForSingleObject(process_.hProcess, 10) == WAIT_TIMEOUT && GetTickCount() - start < 60000) {
    for (auto it = handled.begin(); it != handled.end();) {
      const bool back = again.count(*it) && IsWindowEnabled(*it);
      it = IsWindow(*it) && IsWindowVisible(*it) && !back ? std::next(it) : handled.erase(it);
    }
    const HWND window = FindProcessWindow(process_.dwProcessId, "#32770", &handled);
    if (window == nullptr) continue;
    // The caption is taken at once: a short-lived window (the progress of a
    // run that fails at its start, a quick roll-back) may be gone by the
    // time its controls are read.
    const std::string caption = CaptionOf(window);
    Sleep(40);  // let the dialog finish its initialisation
    Screen screen = ReadWindow(window);
    if (screen.Caption.empty()) screen.Caption = caption;
    handled.insert(window);
    again.erase(window);
    seen_.push_back(screen);
    int button = -1;
    for (Reply& reply : replies) {
      if (reply.Caption != screen.Caption || reply.Times < 0) continue;
      if (!reply.BoxText.empty() && reply.BoxText != screen.Text(0xFFFF)) continue;
      if (reply.Times > 0 && --reply.Times == 0) reply.Times = -1;
      if (reply.Action) reply.Action(screen);
      if (reply.OwnerAgain) again.insert(screen.Owner);
      button = reply.Button;
      break;
    }
    if (button < 0) {
      button = Accepting(screen);
      if (screen.Text(IDC_BROWSE) == "参照...") driver_->Type(screen, IDC_FOLDER, folder);
      if (screen.Texts.count(IDC_SHOW_README) != 0 && screen.Text(IDC_DONE) == "完了")
        SendMessageTimeoutA(GetDlgItem(window, IDC_SHOW_README), BM_SETCHECK, BST_UNCHECKED, 0, SMTO_ABORTIFHUNG,
                            5000, nullptr);
    }
    if (button > 0) driver_->Click(screen, button);
  }
  return ExitCode(1000);
}

static std::string Build() { return ParentFolder(ParentFolder(ProgramFolder())); }
std::string TreeFile(const std::string& relative) { return Build() + "\\e2e-tree\\" + relative; }
std::string SourceFile(const std::string& relative) { return ParentFolder(Build()) + "\\" + relative; }

std::string Special(int csidl)
{
  char path[MAX_PATH] = "";
  SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE);
  return path;
}

std::string RegisteredUninstaller(const std::string& product)
{
  const std::string command = RegistryText(HKEY_LOCAL_MACHINE, UNINSTALL_KEY + product, "UninstallString");
  if (command.size() < 2 || command[0] != '"') return "";
  return command.substr(1, command.find('"', 1) - 1);
}

static std::string Hash(const std::string& data)
{
  return std::to_string(data.size()) + "#" + std::to_string(std::hash<std::string>{}(data));
}

static void AddTree(std::map<std::string, std::string>* out, const std::string& root, const std::string& relative,
                    int detail, bool recurse)
{
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((root + "\\" + relative + "*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = relative + entry.cFileName;
    if (lstrcmpA(entry.cFileName, ".") == 0 || lstrcmpA(entry.cFileName, "..") == 0) continue;
    const bool folder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    std::string& line = (*out)[name] = std::to_string(entry.dwFileAttributes & ~FILE_ATTRIBUTE_ARCHIVE);
    // A shortcut saved again records when it was saved: its size stands for it.
    const std::string data = folder || detail < 1 ? "" : FileText(root + "\\" + name);
    if (!data.empty()) line += " " + (EndsWith(name, ".lnk") ? std::to_string(data.size()) : Hash(data));
    const FILETIME* times[] = {&entry.ftLastWriteTime, &entry.ftLastAccessTime};
    for (int i = 0; !folder && i < detail - 1; ++i)
      line += " " + std::to_string(static_cast<unsigned long long>(times[i]->dwHighDateTime) << 32 | times[i]->dwLowDateTime);
    if (recurse && folder) AddTree(out, root, name + "\\", detail, true);
  } while (FindNextFileA(find, &entry));
  FindClose(find);
}

std::map<std::string, std::string> Tree(const std::string& folder, int detail, bool recurse)
{
  std::map<std::string, std::string> tree;
  AddTree(&tree, folder, "", detail, recurse);
  return tree;
}

static void AddKeys(Snapshot* shot, HKEY root, const std::string& path)
{
  const std::string rootName = root == HKEY_LOCAL_MACHINE ? "HKLM:" : "HKCU:";
  HKEY key;
  // Wine's own keys change by themselves. The COM registrations, three
  // quarters of the keys and the most of a shot's time, are the system's:
  // no step writes there.
  if (path == "Software\\Wine" || path == "Software\\Classes\\CLSID" || path == "Software\\Classes\\Interface" ||
      RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return;
  shot->insert(rootName + path + "\\");
  char name[16384];
  static BYTE data[1 << 20];
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = sizeof name, size = sizeof data, type = 0;
    if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
    shot->insert(rootName + path + "\\[" + name + "]=" + std::to_string(type) + ":" + Hash(std::string(data, data + size)));
  }
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = sizeof name;
    if (RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    AddKeys(shot, root, path + "\\" + name);
  }
  RegCloseKey(key);
}

Snapshot Take(const std::string& testFolder)
{
  Snapshot shot;
  const auto add = [&shot](const std::string& folder, int detail, bool recurse) {
    for (const auto& entry : Tree(folder, detail, recurse)) shot.insert(folder + "\\" + entry.first + " " + entry.second);
  };
  add(testFolder, 1, true);
  add(WindowsFolder(), 1, false);
  add(SystemFolder(), 0, false);
  add(Special(CSIDL_DESKTOPDIRECTORY), 1, true);
  add(Special(CSIDL_PROGRAMS), 1, true);
  // The setup program in the test folder is copied in after the first shot.
  for (auto it = shot.begin(); it != shot.end();) it = it->find(testFolder + "\\SETUP.EXE ") == 0 ? shot.erase(it) : std::next(it);
  AddKeys(&shot, HKEY_LOCAL_MACHINE, "Software");
  AddKeys(&shot, HKEY_CURRENT_USER, "Software");
  return shot;
}

std::string Unexplained(const Snapshot& before, const Snapshot& after, const std::vector<std::string>& explained)
{
  std::vector<std::string> changes;
  for (int sign = 0; sign < 2; ++sign)
    for (const std::string& line : sign ? after : before) {
      if ((sign ? before : after).count(line)) continue;
      bool known = false;
      for (const std::string& text : explained) known = known || line.find(text) != std::string::npos;
      if (!known) changes.push_back((sign ? "+" : "-") + line);
    }
  return ::testing::PrintToString(changes);
}
