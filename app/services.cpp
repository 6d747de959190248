// Shared services of the run: error reporting, message pumping, dialog
// placement and the cancel question. All run on the user-interface thread.
#include "app/services.h"
#include "app/flags.h"
#include "app/message_box.h"
#include "app/phase_clock.h"
#include "app/sjis.h"
#include "app/state.h"
#include "app/texts.h"

enum { PLACED_TOP = 200 };

// Appends at most limit bytes of text to out (capacity bytes, out[*used] is
// the end), cutting at a character boundary when it does not fit.
static void AppendFitting(char* out, size_t capacity, size_t* used, const char* text,
                          size_t limit)
{
  size_t room = capacity - 1 - *used;
  if (limit < room) room = limit;
  const size_t n = SjisFitLength(text, room);
  CopyMemory(out + *used, text, n);
  *used += n;
  out[*used] = '\0';
}

int ReportSystemError(const char* subject)
{
  const DWORD error = GetLastError();
  // The system's text keeps its inserts ("%1") as they stand: there is
  // nothing to put in them, and asked to, the call would fail or read
  // arguments that are not there.
  char* systemText = nullptr;
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, error, 0x400, reinterpret_cast<char*>(&systemText), 0, nullptr);

  char number[32];
  const char* reason = systemText;
  if (reason == nullptr || reason[0] == '\0') {
    wsprintfA(number, "エラー %lu", error);
    reason = number;
  }

  // The subject is usually a path, so it keeps its room and the system's
  // text gives way when the two do not fit together.
  char composed[MAX_PATH];
  const size_t capacity = sizeof composed;
  const size_t subjectLength = lstrlenA(subject);
  const size_t reasonLimit = subjectLength + 2 < capacity ? capacity - 2 - subjectLength : 0;
  size_t used = 0;
  composed[0] = '\0';
  AppendFitting(composed, capacity, &used, reason, reasonLimit);
  AppendFitting(composed, capacity, &used, "\n", 1);
  AppendFitting(composed, capacity, &used, subject, capacity);

  // The diagnostic log gets the error's number with the text.
  char head[sizeof TXT_ERROR_CAPTION + 32];
  wsprintfA(head, "%s (エラー %lu)", TXT_ERROR_CAPTION, error);
  ShowLoggedBox(State.CurrentDialog, composed, TXT_ERROR_CAPTION, State.ErrorBoxStyle, head);
  if (systemText != nullptr) LocalFree(systemText);
  return 0;
}

int RefuseLongName(const char* subject)
{
  SetLastError(ERROR_FILENAME_EXCED_RANGE);
  return ReportSystemError(subject);
}

int RefuseLongPath(const char* start)
{
  char text[MAX_PATH + 64];
  wsprintfA(text, "パス名が長すぎます。\n\n%.200s", start);
  return ReportError(text);
}

void PumpMessages()
{
  PhaseSpan span(PHASE_PUMP);
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (State.CurrentDialog != nullptr && IsDialogMessageA(State.CurrentDialog, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

int PlaceDialog(HWND dialog)
{
  SetClassLongPtrA(dialog, GCLP_HICON, reinterpret_cast<LONG_PTR>(State.ProgramIcon));
  RECT rect;
  GetWindowRect(dialog, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  int x = (State.ScreenWidth - width) / 2;
  if (x < 0) x = 0;
  int y = (State.ScreenHeight - height) / 2;
  if (y < 0 || (State.RunFlags & RF_DIALOGS_AT_200)) y = PLACED_TOP;
  MoveWindow(dialog, x, y, width, height, TRUE);
  return (x << 16) | y;
}

void DestroyCurrentDialog()
{
  if (State.CurrentDialog != nullptr) DestroyWindow(State.CurrentDialog);
  State.CurrentDialog = nullptr;
}

bool InstallCancelled() { return State.CurrentPage == PAGE_CANCELLED; }

static void EndDialogForCancel(HWND dialog)
{
  State.CurrentPage = PAGE_CANCELLED;
  DestroyWindow(dialog);
  State.CurrentDialog = nullptr;
}

void ConfirmCancel(HWND dialog)
{
  if (State.PayloadFlags & PF_SIMPLE_MODE) {
    EndDialogForCancel(dialog);
    return;
  }
  ShowWindow(State.CurrentDialog, SW_HIDE);
  const int answer = ShowMessageBox(State.MainWindow, "今すぐセットアップを終了しますか？",
                                    "セットアップの終了", MB_ICONQUESTION | MB_YESNO);
  if (answer != IDYES) {
    ShowWindow(State.CurrentDialog, SW_SHOW);
    return;
  }
  if (State.FolderCreated) RemoveDirectoryA(State.InstallFolder);
  EndDialogForCancel(dialog);
}
