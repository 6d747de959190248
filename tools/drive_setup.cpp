// drive_setup.exe SETUP.EXE [SCREENSHOTS [ARGUMENTS]]: runs a setup program
// (or an uninstaller, with its ARGUMENTS) and goes through it as a user who
// accepts every proposal would: agrees, takes the proposed folder (creating
// it), installs, answers Yes to other questions, declines a restart and
// closes the completion message. Prints what it saw, saves a screenshot of every
// dialog into SCREENSHOTS, and exits with the setup program's exit code
// (99 when it had to give up). A dialog is read and photographed only once
// it and every control on it have painted: a photograph taken sooner shows
// an empty frame.
#include <windows.h>
#include <cstdio>
#include <set>
#include <string>
#include "resources/dialogs.h"
#include "tests/support/screen_capture.h"
#include "tests/support/ui_driver.h"

namespace {

// The button a user who accepts everything presses on this window, or 0
// to leave it (the progress dialog).
int Answer(const Screen& screen)
{
  if (screen.IsMessageBox()) {
    if (screen.Caption == "フォルダ作成確認") return IDYES;
    if (screen.Caption == "システム再起動の確認") return IDNO;
    if (screen.Caption == "セットアップの終了") return IDNO;
    return screen.Texts.count(IDYES) ? IDYES : IDOK;
  }
  if (screen.Texts.count(IDC_DONE) && screen.Text(IDC_DONE) == "完了") return IDC_DONE;
  if (screen.Texts.count(IDC_STOP) && screen.Text(IDC_STOP) == "中止") return 0;
  return IDC_NEXT;
}

// True once the window and each of its controls has no part waiting to be
// painted, the process waits for input, and the dialog's thread has
// answered a message sent after that; false after five seconds.
bool Painted(HANDLE process, HWND dialog)
{
  for (int round = 0; round < 100; ++round, Sleep(50)) {
    if (WaitForInputIdle(process, 1000) == WAIT_FAILED) return false;
    bool waiting = GetUpdateRect(dialog, nullptr, FALSE) != 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
      waiting = waiting || (IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE) != 0);
    DWORD_PTR answer = 0;
    if (!waiting && SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer) != 0) {
      Sleep(50);  // for the drawing to reach the display
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc < 2) {
    fprintf(stderr, "usage: drive_setup SETUP.EXE [SCREENSHOTS]\n");
    return 2;
  }
  const std::string shots = argc > 2 ? argv[2] : "";
  if (!shots.empty()) CreateDirectoryA(shots.c_str(), nullptr);
  std::string commandLine = std::string("\"") + argv[1] + "\"";
  if (argc > 3) commandLine += std::string(" ") + argv[3];
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    fprintf(stderr, "drive_setup: cannot start %s (%lu)\n", argv[1], GetLastError());
    return 99;
  }
  UiDriver driver(process.dwProcessId);
  std::set<HWND> handled;
  int count = 0;
  const DWORD start = GetTickCount();
  while (WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT) {
    if (GetTickCount() - start > 180000) {
      fprintf(stderr, "drive_setup: gave up after 3 minutes\n");
      TerminateProcess(process.hProcess, 99);
      break;
    }
    const HWND dialog = FindProcessWindow(process.dwProcessId, "#32770", &handled);
    if (dialog == nullptr) continue;
    if (!Painted(process.hProcess, dialog)) fprintf(stderr, "drive_setup: a dialog did not finish painting\n");
    const Screen screen = driver.Read(dialog);
    handled.insert(dialog);
    printf("%s%s%s\n", screen.Caption.c_str(), screen.IsMessageBox() ? ": " : "",
           screen.IsMessageBox() ? screen.Text(0xFFFF).c_str() : "");
    if (!shots.empty()) {
      char name[16];
      wsprintfA(name, "\\%02d.bmp", ++count);
      SaveScreenshotAs(CaptureScreen(), (shots + name).c_str());
    }
    const int button = Answer(screen);
    if (button != 0) driver.Click(screen, button);
  }
  DWORD code = 99;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  printf("setup.exe exited with code %lu\n", code);
  return static_cast<int>(code);
}
