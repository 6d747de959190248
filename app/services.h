// Services every part of the program uses: the system error box, draining
// the message queue, placing a dialog on the screen and the cancel question.
#pragma once
#include <windows.h>

// Shows the system's text for GetLastError() and the subject (as a rule the
// path or operation that failed) in a box over the current dialog, with the
// caption "ｴﾗｰ情報" and the icon of State.ErrorBoxStyle; the diagnostic log
// gets the error's number with the text. Always returns 0,
// for `return ReportSystemError(path);`.
int ReportSystemError(const char* subject);

// A name that would not fit a path buffer is refused, never cut: the
// system's "file name too long" text with the subject. Returns 0.
int RefuseLongName(const char* subject);

// Refuses a composed path that would not fit MAX_PATH: "パス名が長すぎます。"
// with the path's start. Returns 0.
int RefuseLongPath(const char* start);

// Dispatches every queued message without waiting; messages of the current
// dialog go through IsDialogMessageA.
void PumpMessages();

// Gives the dialog the program's icon and centres it on the screen (top
// edge at 200 with "T", or when the dialog is taller than the screen; left
// edge at 0 when wider); returns x << 16 | y.
int PlaceDialog(HWND dialog);

// CurrentPage once the user has confirmed a cancel.
enum { PAGE_CANCELLED = 100 };

// The reaction to a cancel on a wizard page or the progress dialog: asks
// "今すぐセットアップを終了しますか？" (no question in simple mode; in a
// passive run the box funnel answers Yes unshown); on Yes sets CurrentPage
// to 100, removes a folder the wizard created if it is empty, destroys the
// dialog and empties CurrentDialog. On No shows the dialog again.
void ConfirmCancel(HWND dialog);

// True once the user has confirmed a cancel of the running installation;
// the steps then stop at their next block or item.
bool InstallCancelled();

// Destroys the current dialog, if any, and empties CurrentDialog.
void DestroyCurrentDialog();
