// install_driver.exe: the Windows side of install_bench.sh, run under Wine.
//
//   install_driver setup SETUP.EXE FOLDER
//     Runs a setup program and goes through its wizard: types FOLDER into
//     the folder page, agrees to create it, waits for the confirmation page
//     to finish its space survey and clicks "実行", then closes the
//     completion message. Prints the milliseconds from that click to the
//     appearance of the completion message.
//   install_driver run PROGRAM [ARGUMENT...]
//     Runs a program and prints the milliseconds from its start to its end.
//   install_driver first SETUP.EXE
//     Starts a setup program, prints the milliseconds from just before its
//     start to the moment its first wizard page is visible, and ends it.
//
// Prints "elapsed_ms=N" on success; anything else exits non-zero with what
// was on screen. Built by install_bench.sh (a test-only program, not part
// of the build).
#include <windows.h>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include "resources/dialogs.h"
#include "tests/support/ui_driver.h"
#include "tests/support/ui_driver.h"

namespace {

const char FOLDER_PAGE[] = "ｾｯﾄｱｯﾌﾟ ﾌｫﾙﾀﾞ";
const char CONFIRM_PAGE[] = "ｾｯﾄｱｯﾌﾟ条件の確認";
const char CREATE_FOLDER[] = "フォルダ作成確認";
const char DONE[] = "ｾｯﾄｱｯﾌﾟ完了";
const char CALCULATING[] = "計算中";

enum { POLL_MS = 5, SETTLE_MS = 60, REREADS = 10, GIVE_UP_MS = 600000 };

double Now()
{
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::string Quoted(const std::string& argument)
{
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  return "\"" + argument + "\"";
}

bool Start(std::string commandLine, const char* folder, PROCESS_INFORMATION* process)
{
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, process))
    return true;
  fprintf(stderr, "install_driver: cannot start %s (error %lu)\n", commandLine.c_str(), GetLastError());
  return false;
}

void Fail(UiDriver& driver, const PROCESS_INFORMATION& process, const std::string& why)
{
  fprintf(stderr, "install_driver: %s\n", why.c_str());
  for (const std::string& line : driver.Transcript()) fprintf(stderr, "  %s\n", line.c_str());
  std::string seen;
  for (const std::string& w : driver.WindowsNow()) seen += " [" + w + "]";
  fprintf(stderr, "  on screen:%s\n", seen.c_str());
  TerminateProcess(process.hProcess, 99);
}

int RunSetup(const std::string& setup, const std::string& folder)
{
  std::string workFolder = setup.substr(0, setup.find_last_of("\\/") + 1);
  PROCESS_INFORMATION process;
  if (!Start(Quoted(setup), workFolder.empty() ? nullptr : workFolder.c_str(), &process)) return 99;
  UiDriver driver(process.dwProcessId);
  std::set<HWND> handled;
  std::map<HWND, int> rereads;
  double clicked = 0, done = 0;
  const double start = Now();

  while (WaitForSingleObject(process.hProcess, POLL_MS) == WAIT_TIMEOUT) {
    if (Now() - start > GIVE_UP_MS) {
      Fail(driver, process, "gave up after 10 minutes");
      return 99;
    }
    for (auto it = handled.begin(); it != handled.end();) it = IsWindow(*it) ? std::next(it) : handled.erase(it);
    const HWND dialog = FindProcessWindow(process.dwProcessId, "#32770", &handled);
    if (dialog == nullptr) continue;
    // The completion message is timed the moment it is visible, before it is read.
    const double seenAt = Now();
    Sleep(SETTLE_MS);  // let the dialog finish its initialisation before it is read
    Screen screen = driver.Read(dialog);
    handled.insert(dialog);

    if (screen.Caption == DONE) {
      if (clicked == 0) {
        Fail(driver, process, "the completion message came before the install was started");
        return 99;
      }
      done = seenAt;
      driver.Click(screen, screen.IsMessageBox() ? IDOK : IDC_DONE);
    } else if (screen.Caption == CREATE_FOLDER) {
      driver.Click(screen, IDYES);
    } else if (screen.IsMessageBox() && screen.Texts.lower_bound(IDOK) == screen.Texts.upper_bound(IDNO) &&
               ++rereads[dialog] < REREADS) {
      // A dialog still creating its controls (a visible template shows its
      // frame first): read again at the next poll, a few times.
      handled.erase(dialog);
    } else if (screen.IsMessageBox()) {
      Fail(driver, process, "unexpected message \"" + screen.Caption + "\": " + screen.Text(0xFFFF));
      return 99;
    } else if (screen.Caption == FOLDER_PAGE) {
      driver.Type(screen, IDC_FOLDER, folder);
      driver.Click(screen, IDC_NEXT);
    } else if (screen.Caption == CONFIRM_PAGE) {
      // The space survey fills the page in the background; it is waited for
      // so that the time from the click is the installation's own.
      const double asked = Now();
      while (screen.Text(IDC_FREE) == CALCULATING && Now() - asked < 15000) {
        Sleep(20);
        screen = driver.Read(dialog);
      }
      clicked = Now();
      driver.Click(screen, IDC_NEXT);
    } else if (screen.Texts.count(IDC_STOP) != 0 && screen.Text(IDC_STOP) == "中止") {
      // The progress dialog: nothing to press.
    } else {
      driver.Click(screen, IDC_NEXT);  // any other page: its default button
    }
  }

  DWORD code = 99;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (code != 0 || done == 0) {
    fprintf(stderr, "install_driver: setup exited with code %lu%s\n", code,
            done == 0 ? " before its completion message" : "");
    for (const std::string& line : driver.Transcript()) fprintf(stderr, "  %s\n", line.c_str());
    return 98;
  }
  printf("elapsed_ms=%.1f\n", done - clicked);
  return 0;
}

int FirstPage(const std::string& setup)
{
  std::string workFolder = setup.substr(0, setup.find_last_of("\\/") + 1);
  PROCESS_INFORMATION process;
  const double start = Now();
  if (!Start(Quoted(setup), workFolder.empty() ? nullptr : workFolder.c_str(), &process)) return 99;
  double shown = 0;
  while (shown == 0 && Now() - start < 60000) {
    if (FindProcessWindow(process.dwProcessId, "#32770", nullptr) != nullptr) shown = Now();
    else if (WaitForSingleObject(process.hProcess, 1) != WAIT_TIMEOUT) break;
  }
  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (shown == 0) {
    fprintf(stderr, "install_driver: %s showed no page\n", setup.c_str());
    return 98;
  }
  printf("elapsed_ms=%.1f\n", shown - start);
  return 0;
}

int RunProgram(int argc, char** argv)
{
  std::string commandLine;
  for (int i = 2; i < argc; ++i) {
    // NSIS takes /D= unquoted, as the last argument, whatever it holds.
    const std::string argument = argv[i];
    commandLine += (i > 2 ? " " : "") + (argument.rfind("/D=", 0) == 0 ? argument : Quoted(argument));
  }
  PROCESS_INFORMATION process;
  const double start = Now();
  if (!Start(commandLine, nullptr, &process)) return 99;
  if (WaitForSingleObject(process.hProcess, GIVE_UP_MS) != WAIT_OBJECT_0) {
    fprintf(stderr, "install_driver: %s did not end in 10 minutes\n", commandLine.c_str());
    TerminateProcess(process.hProcess, 99);
    return 99;
  }
  const double end = Now();
  DWORD code = 99;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (code != 0) {
    fprintf(stderr, "install_driver: %s exited with code %lu\n", commandLine.c_str(), code);
    return 98;
  }
  printf("elapsed_ms=%.1f\n", end - start);
  return 0;
}

}  // namespace

int main(int argc, char** argv)
{
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "setup" && argc == 4) return RunSetup(argv[2], argv[3]);
  if (mode == "run" && argc > 2) return RunProgram(argc, argv);
  if (mode == "first" && argc == 3) return FirstPage(argv[2]);
  fprintf(stderr, "usage: install_driver setup SETUP.EXE FOLDER | install_driver run PROGRAM [ARGUMENT...] | install_driver first SETUP.EXE\n");
  return 2;
}
