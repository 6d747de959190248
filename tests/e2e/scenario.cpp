// The scenario runner; see the header.
#include "tests/e2e/scenario.h"
#include "resources/dialogs.h"

const char UNINSTALL_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

Scenario::~Scenario()
{
  if (process_.hProcess != nullptr) {
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 998);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
}

void Scenario::Start(const std::string& product, const std::string& arguments)
{
  CopyProduct(product);
  if (!HasFatalFailure()) Launch(arguments);
}

void Scenario::CopyProduct(const std::string& product)
{
  const std::string source = ProgramFolder() + "\\..\\..\\e2e\\" + product;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((source + "\\SETUP.*").c_str(), &entry);
  ASSERT_NE(INVALID_HANDLE_VALUE, find) << "no product " << source;
  do {
    ASSERT_TRUE(CopyFileA((source + "\\" + entry.cFileName).c_str(), (folder_ / entry.cFileName).c_str(), FALSE));
  } while (FindNextFileA(find, &entry));
  FindClose(find);
}

void Scenario::Launch(const std::string& arguments)
{
  std::string commandLine = "\"" + (folder_ / "SETUP.EXE") + "\" " + arguments;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  ASSERT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder_.Path().c_str(),
                             &startup, &process_));
  driver_ = std::make_unique<UiDriver>(process_.dwProcessId);
}

DWORD Scenario::ExitCode(DWORD timeoutMs)
{
  if (process_.hProcess == nullptr) return 997;
  if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "setup did not end; on screen: " << ::testing::PrintToString(driver_->WindowsNow()) << "\n"
                  << Transcript();
    TerminateProcess(process_.hProcess, 999);
    WaitForSingleObject(process_.hProcess, INFINITE);
  }
  DWORD code = 996;
  GetExitCodeProcess(process_.hProcess, &code);
  return code;
}

Screen Scenario::Expect(const std::string& caption)
{
  Screen screen;
  if (!driver_->WaitFor(caption, &screen)) ADD_FAILURE() << "no window \"" << caption << "\"\n" << Transcript();
  return screen;
}

void Scenario::ClickAway(const Screen& screen, int id)
{
  driver_->Click(screen, id);
  if (!driver_->WaitGone(screen.Window)) ADD_FAILURE() << "\"" << screen.Caption << "\" stayed\n" << Transcript();
}

std::string Scenario::Transcript() const
{
  std::string text;
  if (driver_)
    for (const std::string& line : driver_->Transcript()) text += "  " + line + "\n";
  for (const Screen& s : seen_) text += "  met \"" + s.Caption + "\" " + (s.IsMessageBox() ? s.Text(0xFFFF) : "") + "\n";
  return text;
}

int Scenario::MessageBoxes() const
{
  int boxes = 0;
  for (const Screen& s : seen_) boxes += s.IsMessageBox() ? 1 : 0;
  return boxes;
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
  std::set<HWND> handled;
  const DWORD start = GetTickCount();
  while (WaitForSingleObject(process_.hProcess, 10) == WAIT_TIMEOUT && GetTickCount() - start < 60000) {
    for (auto it = handled.begin(); it != handled.end();)
      it = IsWindow(*it) && IsWindowVisible(*it) ? std::next(it) : handled.erase(it);
    const HWND window = FindProcessWindow(process_.dwProcessId, "#32770", &handled);
    if (window == nullptr) continue;
    Sleep(40);  // let the dialog finish its initialisation
    const Screen screen = ReadWindow(window);
    handled.insert(window);
    seen_.push_back(screen);
    int button = -1;
    for (Reply& reply : replies) {
      if (reply.Caption != screen.Caption || reply.Times < 0) continue;
      if (!reply.BoxText.empty() && reply.BoxText != screen.Text(0xFFFF)) continue;
      if (reply.Times > 0 && --reply.Times == 0) reply.Times = -1;
      if (reply.Action) reply.Action(screen);
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

std::string TreeFile(const std::string& relative)
{
  return ParentFolder(ParentFolder(ProgramFolder())) + "\\e2e-tree\\" + relative;
}

std::string RegisteredUninstaller(const std::string& product)
{
  const std::string command = RegistryText(HKEY_LOCAL_MACHINE, UNINSTALL_KEY + product, "UninstallString");
  if (command.size() < 2 || command[0] != '"') return "";
  return command.substr(1, command.find('"', 1) - 1);
}

std::string RollBackRecord(const std::string& uninstaller, const std::string& product, const std::string& folder)
{
  return "\"" + uninstaller + "\" s \"" + product + "\" \"" + folder + "\"\r\n" + WindowsFolder().substr(0, 3) + "\r\n";
}

bool OwnPrefix()
{
  char own[8] = "";
  GetEnvironmentVariableA("SETUP_OWN_PREFIX", own, sizeof own);
  return lstrcmpA(own, "1") == 0;
}
