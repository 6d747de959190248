// The one place every message box of the program goes through, so that a
// run's boxes can be found, read and answered by the same means, and an
// unattended run's boxes go to its diagnostic log instead.
#pragma once
#include <windows.h>

// Sent to a box's owner just before the box shows, so that what the owner
// shows behind it is up to date.
enum { WM_BEFORE_BOX = WM_APP + 1 };

// Shows a modal message box and returns the button pressed (IDOK, IDYES, ...).
// Its caption and text go into the diagnostic log. Once
// AnswerBoxesUnshown has been called, no box shows: the default button is
// the answer (No where MB_DEFBUTTON2 makes it the default, else Yes or OK).
int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT style);

// ShowMessageBox, with `head` instead of the caption at the start of its
// line in the diagnostic log.
int ShowLoggedBox(HWND owner, const char* text, const char* caption, UINT style, const char* head);

// From now on no box shows (an unattended run): each is answered with its
// default button.
void AnswerBoxesUnshown();

// Shows an error that is not the system's: damaged payload data, a name or
// path that cannot be used, a step that failed ("ｴﾗｰ情報", error icon, owned
// by the current dialog). Returns 0, for `return ReportError(text);`.
int ReportError(const char* text);

// Shows why a folder cannot be taken ("ｾｯﾄｱｯﾌﾟ ｴﾗｰ", exclamation icon, owned
// by the current dialog). Returns 0, for `return RefuseFolder(text);`.
int RefuseFolder(const char* text);
