// The one place every message box of the program goes through, so that a
// run's boxes can be found, read and answered by the same means.
#pragma once
#include <windows.h>

// Sent to a box's owner just before the box shows, so that what the owner
// shows behind it is up to date.
enum { WM_BEFORE_BOX = WM_APP + 1 };

// Shows a modal message box and returns the button pressed (IDOK, IDYES, ...).
int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT style);

// Shows a data error of the payload ("ｴﾗｰ情報", error icon, owned by the
// current dialog) and returns 0, for `return ReportDataError(text);`.
int ReportDataError(const char* text);
