// The progress window: the product's name, the entry being taken back and a
// bar over the log's lines. The queue is drained at every line, so the
// window stays painted while files are deleted.
#include "uninstall/window.h"
#include <windows.h>
#include <commctrl.h>
#include "app/process_guard.h"
#include "uninstall/run.h"
#include "uninstall/uninstall_dialog.h"

static INT_PTR CALLBACK ProgressProc(HWND, UINT message, WPARAM, LPARAM)
{
  return message == WM_INITDIALOG;
}

// The common controls, loaded from the system folder while the window lives.
static HMODULE Controls;

void OpenProgress(long lines)
{
  if (Run.Command.RollBack) return;
  Controls = LoadProgressBarClass();
  Run.Window = CreateDialogParamA(GetModuleHandleA(nullptr), "UNINSTALL", nullptr, ProgressProc, 0);
  if (Run.Window == nullptr) return;
  char text[MAX_PATH + 64];
  wsprintfA(text, "「%s」を削除しています。", Run.Command.Product);
  SetDlgItemTextA(Run.Window, IDC_UNINSTALL_PRODUCT, text);
  SendDlgItemMessageA(Run.Window, IDC_UNINSTALL_BAR, PBM_SETRANGE32, 0, lines);
}

void ShowProgress(long done, const char* item)
{
  if (Run.Window == nullptr) return;
  SetDlgItemTextA(Run.Window, IDC_UNINSTALL_ITEM, item);
  SendDlgItemMessageA(Run.Window, IDC_UNINSTALL_BAR, PBM_SETPOS, done, 0);
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (IsDialogMessageA(Run.Window, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

void CloseProgress()
{
  if (Run.Window != nullptr) DestroyWindow(Run.Window);
  Run.Window = nullptr;
  if (Controls != nullptr) FreeLibrary(Controls);
  Controls = nullptr;
}
