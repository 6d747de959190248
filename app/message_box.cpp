// Message boxes: a thin funnel over MessageBoxA that logs every box, and
// answers it unshown in an unattended run; plus the error box that the
// payload's readers and the install steps share, and the box that refuses a
// folder. Whether boxes show is a file static, not a field of State: the
// uninstaller shares the funnel and never reaches State.
#include "app/message_box.h"
#include "app/diagnostic_log.h"
#include "app/phase_clock.h"
#include "app/state.h"
#include "app/texts.h"

static bool Unshown;

void AnswerBoxesUnshown() { Unshown = true; }

int ShowLoggedBox(HWND owner, const char* text, const char* caption, UINT style, const char* head)
{
  LogEvent(head != nullptr ? head : "", text);
  if (Unshown) {
    if ((style & MB_TYPEMASK) != MB_YESNO) return IDOK;
    return (style & MB_DEFMASK) == MB_DEFBUTTON2 ? IDNO : IDYES;
  }
  if (owner != nullptr) SendMessageA(owner, WM_BEFORE_BOX, 0, 0);
  PhaseSpan span(PHASE_BOX);
  return MessageBoxA(owner, text, caption, style);
}

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT style)
{
  return ShowLoggedBox(owner, text, caption, style, caption);
}

int ReportError(const char* text)
{
  ShowMessageBox(State.CurrentDialog, text, TXT_ERROR_CAPTION, MB_ICONERROR);
  return 0;
}

int RefuseFolder(const char* text)
{
  ShowMessageBox(State.CurrentDialog, text, TXT_SETUP_ERROR, MB_ICONEXCLAMATION);
  return 0;
}
