// The final message and the questions of the ordinary mode. Leftovers are
// gathered into two fixed lists; an entry that does not fit whole is only
// counted, never cut. The roll-back mode shows nothing: the setup program's
// clean-up dialog speaks for it.
#include "uninstall/report.h"
#include <windows.h>
#include "app/message_box.h"
#include "app/restart.h"
#include "uninstall/run.h"

enum { LIST_BYTES = 2048, MESSAGE_BYTES = 2 * LIST_BYTES + 1024 };

static const char TXT_CAPTION[] = "アンインストール";
static const char TXT_DONE[] = "「%s」のアンインストールが終わりました。";
static const char TXT_KEPT[] = "\n\n次のものは削除できませんでした。\n";
static const char TXT_REFUSED[] = "\n\n次の記録は場所が正しくないため、処理しませんでした。\n";
static const char TXT_MORE[] = "ほか %d 件";
static const char TXT_AT_RESTART[] = "\n\n使用中のファイルは、次にシステムを起動したときに削除されます。";
static const char TXT_RESTART_CAPTION[] = "システム再起動の確認";
static const char TXT_RESTART[] =
    "使用中のファイルの削除を終えるには、システムを再起動する必要があります。\n\n今すぐ再起動しますか？";

struct Leftovers {
  char Text[LIST_BYTES];
  int Length;
  int Hidden;
};
static Leftovers Kept, Refused;

void NoteLeftover(const char* text, int refused)
{
  Leftovers& list = refused ? Refused : Kept;
  const int length = lstrlenA(text);
  // "・", the text and LF.
  if (list.Length + length + 4 > LIST_BYTES) {
    ++list.Hidden;
    return;
  }
  list.Length += wsprintfA(list.Text + list.Length, "・%s\n", text);
}

int Ask(const char* text, const char* caption, int safeNo)
{
  if (Run.Command.RollBack) return IDNO;
  return ShowMessageBox(Run.Window, text, caption,
                        MB_YESNO | MB_ICONQUESTION | (safeNo ? MB_DEFBUTTON2 : 0));
}

void Tell(const char* text)
{
  if (!Run.Command.RollBack) ShowMessageBox(Run.Window, text, TXT_CAPTION, MB_ICONEXCLAMATION);
}

static void Append(char* message, const char* head, const Leftovers& list)
{
  if (list.Length == 0 && list.Hidden == 0) return;
  lstrcatA(message, head);
  lstrcatA(message, list.Text);
  const int length = lstrlenA(message);
  // The list's last line break, unless a count follows it.
  if (list.Hidden > 0) {
    wsprintfA(message + length, TXT_MORE, list.Hidden);
  } else {
    message[length - 1] = '\0';
  }
}

void TellOutcome()
{
  if (Run.Command.RollBack) return;
  static char message[MESSAGE_BYTES];
  wsprintfA(message, TXT_DONE, Run.Command.Product);
  Append(message, TXT_KEPT, Kept);
  Append(message, TXT_REFUSED, Refused);
  if (Run.RestartNeeded) lstrcatA(message, TXT_AT_RESTART);
  ShowMessageBox(Run.Window, message, "アンインストール完了", MB_ICONINFORMATION);
  if (Run.RestartNeeded && Ask(TXT_RESTART, TXT_RESTART_CAPTION, 0) == IDYES) RestartWindows();
}
