// The StepTable and its runner. Each step reads exactly its own sections of
// the payload, so the rows run in payload order and stop at the first
// failure. A confirmed cancel counts as a failure of the running step.
#include "install/steps.h"
#include <windows.h>
#include <commctrl.h>
#include "app/flags.h"
#include "app/message_box.h"
#include "app/phase_clock.h"
#include "app/process_guard.h"
#include "app/services.h"
#include "app/state.h"
#include "install/completion.h"
#include "install/extract.h"
#include "install/file_types.h"
#include "install/kept_values.h"
#include "install/log.h"
#include "install/registry.h"
#include "install/replaced_files.h"
#include "install/shared_files.h"
#include "install/shortcuts.h"
#include "install/uninstaller.h"
#include "resources/dialogs.h"
#include "ui/panel.h"

enum { LAST_ROW_WITHOUT_ROLLBACK = 1 };

struct StepRow {
  const char* text;  // category text, or null to keep the current one
  int withSuffix;    // append "のセットアップ"
  int (*step)();     // null ends the table
};

static const StepRow StepTable[] = {
    {nullptr, 0, PrepareInstall},
    {"アンインストーラ", 1, InstallUninstaller},
    {"ファイル", 1, InstallFiles},
    {"ショートカット", 1, InstallShortcuts},
    {"共有ファイル", 1, InstallSharedFiles},
    {"レジストリ", 1, InstallRegistryEntries},
    {"ファイルタイプ", 1, InstallFileTypes},
    {"最終処理", 0, LaunchStep},
    {nullptr, 0, FinishStep},
    {nullptr, 0, nullptr},
};

static INT_PTR CALLBACK ProgressProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
  switch (message) {
    case WM_INITDIALOG:
      return InitProgressDialog(dialog);
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_STOP) ConfirmCancel(dialog);
      return TRUE;
    case WM_CLOSE:
      ConfirmCancel(dialog);
      return TRUE;
    case WM_BEFORE_BOX:
      ShowProgress();
      return TRUE;
  }
  return FALSE;
}

static void Confirm(const char* text)
{
  if (State.RunFlags & RF_CONFIRM_STEPS) ShowMessageBox(State.CurrentDialog, text, "ﾃﾞﾊﾞｯｸﾞ", 0);
}

// Runs row i; 1 when it succeeded and the user did not cancel meanwhile.
static int RunRow(const StepRow& row)
{
  PumpMessages();
  if (row.text != nullptr) {
    lstrcpyA(TextBuffer, row.text);
    if (row.withSuffix) lstrcatA(TextBuffer, "のセットアップ");
  }
  StartStep(row.text != nullptr ? TextBuffer : nullptr);
  if (InstallCancelled()) return 0;
  Confirm("開始 確認");
  // The user may have cancelled while the confirmation was up.
  if (InstallCancelled()) return 0;
  return row.step() && !InstallCancelled();
}

void RunSteps()
{
  // The progress bars' class; the library is loaded from the system folder
  // by full path and kept until the last dialog that shows the bars is gone.
  HMODULE controls = LoadProgressBarClass();
  EnterPhase(PHASE_OTHER);
  State.ErrorBoxStyle = MB_ICONEXCLAMATION;
  State.CurrentDialog = CreateDialogParamA(State.Module, "progress", State.MainWindow, ProgressProc, 0);

  int i = 0;
  for (; StepTable[i].step != nullptr; ++i) {
    if (!RunRow(StepTable[i])) {
      DestroyCurrentDialog();
      break;
    }
    Confirm("終了 確認");
  }
  for (HWND& control : State.Meters.Controls) control = nullptr;
  // A roll-back takes back this run alone: the earlier installation's log is
  // merged only into a run that went through.
  if (i > LAST_ROW_WITHOUT_ROLLBACK && StepTable[i].step != nullptr) {
    CloseInstallLogForRollBack();
    RollBack();
  } else {
    // A run that ends before its roll-back could start gives back what it
    // replaced and rewrote all the same (the pool's uninstaller file).
    if (StepTable[i].step != nullptr && TakeReplacedList()) GiveBackReplacedFiles();
    if (StepTable[i].step != nullptr) GiveBackValues();
    CloseInstallLog();
  }
  LeavePhase();
  WritePhaseTimes();
  if (controls != nullptr) FreeLibrary(controls);
}
