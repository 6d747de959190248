// Reading a file reference. Composed paths that would not fit 260 bytes are
// refused, never cut, since a cut path names another file.
#include "install/file_reference.h"
#include "app/message_box.h"
#include "app/services.h"
#include "app/state.h"
#include "app/texts.h"
#include "install/extract.h"
#include "install/install_path.h"
#include "payload/layout.h"

enum { GENERATED_NAME_EXTRA = 16 };  // "\setup000." and the NUL

int ReadFileReference(const char* extension, char* path)
{
  if (!ReadReferenceName(TextBuffer)) return 0;
  const int folderLength = lstrlenA(State.InstallFolder);
  if (TextBuffer[0] != '\0') {
    if (!IsSafeInstallPath(TextBuffer)) return ReportError(TXT_DATA_DAMAGED);
    if (folderLength + 1 + lstrlenA(TextBuffer) >= MAX_PATH) return RefuseLongPath(TextBuffer);
    wsprintfA(path, "%s\\%s", State.InstallFolder, TextBuffer);
    return 1;
  }
  if (folderLength + GENERATED_NAME_EXTRA + lstrlenA(extension) > MAX_PATH)
    return RefuseLongPath(State.InstallFolder);
  int n = 0;
  for (; n < 1000; ++n) {
    wsprintfA(path, "%s\\setup%3.3d.%s", State.InstallFolder, n, extension);
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) break;
  }
  if (n == 1000) {
    char caption[32];
    wsprintfA(caption, "ｴﾗｰｺｰﾄﾞ : %4.4d", 1);
    ShowMessageBox(State.CurrentDialog, "ﾃﾝﾎﾟﾗﾘ ﾌｧｲﾙの生成に失敗しました。", caption, MB_ICONERROR);
    return 0;
  }
  return InstallItem(path);
}
