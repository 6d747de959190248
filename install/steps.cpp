// The StepTable and its runner. Each step reads exactly its own sections of
// the payload, so the rows run in payload order and stop at the first
// failure. A confirmed cancel counts as a failure of the running step. The
// diagnostic log gets the start and end of each step and of the roll-back.
#include "install/steps.h"
#include <windows.h>
#include <commctrl.h>
#include "app/diagnostic_log.h"
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
  const char* name;  // the step in the diagnostic log
};

static const StepRow StepTable[] = {
    {nullptr, 0, PrepareInstall, "準備"},
    {"アンインストーラ", 1, InstallUninstaller, "アンインストーラ"},
    {"ファイル", 1, InstallFiles, "ファイル"},
    {"ショートカット", 1, InstallShortcuts, "ショートカット"},
    {"共有ファイル", 1, InstallSharedFiles, "共有ファイル"},
    {"レジストリ", 1, InstallRegistryEntries, "レジストリ"},
    {"ファイルタイプ", 1, InstallFileTypes, "ファイルタイプ"},
    {"最終処理", 0, LaunchStep, "プログラムの起動"},
    {nullptr, 0, FinishStep, "完了"},
    {nullptr, 0, nullptr, nullptr},
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

// An unattended run never waits for a click: "V" shows no box there.
static void Confirm(const char* text)
{
  if ((State.RunFlags & (RF_CONFIRM_STEPS | RF_UNATTENDED)) == RF_CONFIRM_STEPS)
    ShowMessageBox(State.CurrentDialog, text, "ﾃﾞﾊﾞｯｸﾞ", 0);
}

// Runs the row; 1 when it succeeded and the user did not cancel meanwhile.
static int RunStep(const StepRow& row)
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

// RunStep between its two lines in the diagnostic log.
static int RunRow(const StepRow& row)
{
  LogEvent("開始", row.name);
  const int done = RunStep(row);
  LogEvent(done ? "終了" : InstallCancelled() ? "中止" : "失敗", row.name);
  return done;
}

int RunSteps()
{
  // The progress bars' class; the library is loaded from the system folder
  // by full path and kept until the last dialog that shows the bars is gone.
  // A silent run shows no window at all.
  const bool silent = (State.RunFlags & RF_SILENT) != 0;
  HMODULE controls = silent ? nullptr : LoadProgressBarClass();
  EnterPhase(PHASE_OTHER);
  State.ErrorBoxStyle = MB_ICONEXCLAMATION;
  if (!silent) State.CurrentDialog = CreateDialogParamA(State.Module, "progress", State.MainWindow, ProgressProc, 0);

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
    LogEvent("開始", "ロールバック");
    RollBack();
    LogEvent("終了", "ロールバック");
  } else {
    // A run that ends before its roll-back could start gives back what it
    // replaced and rewrote all the same (the pool's uninstaller file).
    if (StepTable[i].step != nullptr) {
      if (TakeReplacedList()) GiveBackReplacedFiles();
      GiveBackValues();
    }
    CloseInstallLog();
  }
  LeavePhase();
  WritePhaseTimes();
  if (controls != nullptr) FreeLibrary(controls);
  return StepTable[i].step == nullptr;
}
