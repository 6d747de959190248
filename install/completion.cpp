// The last rows of the installation and the roll-back. Programs started here
// are waited for without spinning: the wait wakes for every message, which
// is dispatched, so the windows stay painted and responsive. An unattended
// run starts no program of the product, asks nothing and never restarts.
#include "install/completion.h"
#include <windows.h>
#include <shellapi.h>
#include "app/flags.h"
#include "app/message_box.h"
#include "app/restart.h"
#include "app/services.h"
#include "app/sjis.h"
#include "app/state.h"
#include "install/file_reference.h"
#include "install/install_folder.h"
#include "install/kept_values.h"
#include "install/log.h"
#include "install/replaced_files.h"
#include "install/uninstaller.h"
#include "payload/reader.h"
#include "resources/dialogs.h"
#include "ui/panel.h"

enum { FULL_LEVEL = 10, ROOT_LENGTH = 3 };

// Starts a command line with the Windows drive's root as current folder
// and waits for it to end, keeping the windows alive.
static void RunAndWait(char* command)
{
  char root[MAX_PATH];
  GetWindowsDirectoryA(root, sizeof root);
  root[ROOT_LENGTH] = '\0';
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, root, &startup, &process))
    return;
  CloseHandle(process.hThread);
  for (;;) {
    PumpMessages();
    if (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0) break;
  }
  CloseHandle(process.hProcess);
}

// Formats the quoted program and its arguments into TextBuffer; 0 after a
// message when the command line would not fit.
static int ComposeCommand(const char* program, const char* arguments)
{
  const int length = lstrlenA(program) + 2 + (arguments[0] ? 1 + lstrlenA(arguments) : 0);
  if (length >= MAX_PATH) return RefuseLongPath(program);
  wsprintfA(TextBuffer, arguments[0] ? "\"%s\" %s" : "\"%s\"", program, arguments);
  return 1;
}

int LaunchStep()
{
  const int flag = ReadByte();
  if (flag == 0) return 1;
  char arguments[MAX_PATH];
  char program[MAX_PATH];
  if (flag < 0 || !ReadString(arguments, sizeof arguments) || !ReadFileReference("exe", program)) return 0;
  // Nobody is there to use the program: its record is read, not run.
  if (State.RunFlags & RF_UNATTENDED) return 1;
  if (!ComposeCommand(program, arguments)) return 0;
  EnableWindow(State.MainWindow, FALSE);
  ShowWindow(State.CurrentDialog, SW_HIDE);
  RunAndWait(TextBuffer);
  EnableWindow(State.MainWindow, TRUE);
  SetForegroundWindow(State.MainWindow);
  return 1;
}

static INT_PTR CALLBACK ReadmeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
  switch (message) {
    case WM_INITDIALOG:
      PlaceDialog(dialog);
      EnableMenuItem(GetSystemMenu(dialog, FALSE), SC_CLOSE, MF_GRAYED);
      SetWindowTextA(GetDlgItem(dialog, IDC_README_NAME), State.ProductName);
      SendMessageA(GetDlgItem(dialog, IDC_SHOW_README), BM_SETCHECK, BST_CHECKED, 0);
      SetFocus(GetDlgItem(dialog, IDC_DONE));
      return FALSE;
    case WM_COMMAND:
      if (wParam == IDC_DONE)
        EndDialog(dialog, SendMessageA(GetDlgItem(dialog, IDC_SHOW_README), BM_GETCHECK, 0, 0) == BST_CHECKED);
      return TRUE;
  }
  return FALSE;
}

static int OfferReadme()
{
  char readme[MAX_PATH];
  if (lstrlenA(State.InstallFolder) + sizeof "\\readme.txt" > sizeof readme) return 0;
  wsprintfA(readme, "%s\\readme.txt", State.InstallFolder);
  if (GetFileAttributesA(readme) == INVALID_FILE_ATTRIBUTES) {
    wsprintfA(readme, "%s\\Readme.txt", State.InstallFolder);
    if (GetFileAttributesA(readme) == INVALID_FILE_ATTRIBUTES) return 0;
  }
  if (DialogBoxParamA(State.Module, "readme", State.MainWindow, ReadmeProc, 0) > 0)
    ShellExecuteA(State.MainWindow, "open", readme, nullptr, nullptr, SW_SHOWNORMAL);
  return 1;
}

int FinishStep()
{
  // Nothing of the run is given back from here on.
  ForgetReplacedFiles();
  ForgetValues();
  RegisterEstimatedSize();
  RaiseMeter(METER_OVERALL, FULL_LEVEL);
  ShowProgress();
  DestroyCurrentDialog();
  const bool unattended = (State.RunFlags & RF_UNATTENDED) != 0;
  const int readmeShown = (State.PayloadFlags & PF_OFFER_README) && !unattended ? OfferReadme() : 0;

  if (State.RunFlags & RF_RESTART_NEEDED) {
    // Unattended, the exit code tells that the restart is needed.
    const char* question =
        "いくつかのファイルが使用中のためインストールできませんでした。\nシステムを再起動するとインストールは終了します。\n\n今すぐ再起動しますか？";
    if (!unattended &&
        ShowMessageBox(State.MainWindow, question, "システム再起動の確認", MB_YESNO | MB_ICONQUESTION) == IDYES) {
      // The log is merged and closed first; the run ends while Windows ends.
      CloseInstallLog();
      RestartWindows();
    }
    return 1;
  }
  if (!readmeShown) {
    wsprintfA(TextBuffer, "「%s」 は正常にセットアップされました。", State.ProductName);
    ShowMessageBox(State.MainWindow, TextBuffer, "ｾｯﾄｱｯﾌﾟ完了", MB_ICONINFORMATION);
  }
  return 1;
}

static INT_PTR CALLBACK CleanUpProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
  if (message != WM_INITDIALOG) return FALSE;
  PlaceDialog(dialog);
  EnableMenuItem(GetSystemMenu(dialog, FALSE), SC_CLOSE, MF_GRAYED);
  return TRUE;
}

void RollBack()
{
  if (!(State.RunFlags & RF_SILENT))
    State.CurrentDialog = CreateDialogParamA(State.Module, "cleanUp", State.MainWindow, CleanUpProc, 0);
  char log[MAX_PATH];
  char earlier[MAX_PATH];
  const int named = InstallFolderPath(LOG_FILE_NAME, log) && InstallFolderPath(EARLIER_LOG_FILE_NAME, earlier);
  // The list of replaced files leaves the folder before the uninstaller
  // removes what the run created; their old data comes back after it.
  const int replaced = TakeReplacedList();
  // The earlier entry, named before the uninstaller runs, keeps it from
  // removing the entry and its own pool file.
  RestoreUninstallEntry();
  // The digest of the log as this run closed it goes with the command: the
  // entry, just given back, vouches for the earlier installation's log.
  // The command outgrows the 260 bytes of the registered ones by the digest.
  char command[2 * MAX_PATH];
  const int length = lstrlenA(State.UninstallerPath) + lstrlenA(State.ProductName) + lstrlenA(State.InstallFolder) +
                     11 + lstrlenA(State.LogDigest);
  if (length < static_cast<int>(sizeof command)) {
    wsprintfA(command, "\"%s\" s \"%s\" \"%s\" %s", State.UninstallerPath, State.ProductName, State.InstallFolder,
              State.LogDigest);
    // A current folder inside the product would keep it from being removed.
    char root[MAX_PATH];
    GetWindowsDirectoryA(root, sizeof root);
    root[ROOT_LENGTH] = '\0';
    SetCurrentDirectoryA(root);
    RunAndWait(command);
  } else {
    RefuseLongPath(State.InstallFolder);
  }
  if (replaced) GiveBackReplacedFiles();
  GiveBackValues();
  // After a failed reinstallation the earlier log is the log again. A log
  // the uninstaller left (it refused it, or did not run) still tells what
  // this run put on disk: it is kept aside under "setup.NNN", never deleted.
  if (named && GetFileAttributesA(earlier) != INVALID_FILE_ATTRIBUTES) {
    char aside[MAX_PATH];
    for (int n = 0; n < LOG_ASIDE_NAMES && GetFileAttributesA(log) != INVALID_FILE_ATTRIBUTES; ++n) {
      wsprintfA(TextBuffer, LOG_ASIDE_NAME_FORMAT, n);
      if (InstallFolderPath(TextBuffer, aside)) MoveFileExA(log, aside, 0);
    }
    MoveFileExA(earlier, log, 0);
  }
  GiveBackKeptLogs();
  RestoreUninstallEntry();
  DestroyCurrentDialog();
}
