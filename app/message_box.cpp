// Message boxes: a thin funnel over MessageBoxA, plus the payload's data
// error box that several readers share.
#include "app/message_box.h"
#include "app/state.h"
#include "app/texts.h"

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT style)
{
  if (owner != nullptr) SendMessageA(owner, WM_BEFORE_BOX, 0, 0);
  return MessageBoxA(owner, text, caption, style);
}

int ReportDataError(const char* text)
{
  ShowMessageBox(State.CurrentDialog, text, TXT_ERROR_CAPTION, MB_ICONERROR);
  return 0;
}
