// File-type associations under HKEY_CLASSES_ROOT: for each extension of the
// payload's list the extension key, its class key "<ext>file" with the
// description and the icon, and the open and print commands, each key
// logged. A key that cannot be written is reported and the rest still go
// in. An icon value or command that would not fit 260 bytes, or an
// extension whose keys would not fit their log lines, is refused, never cut.
#include "install/file_types.h"
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <cstdarg>
#include <cstdio>
#include "app/message_box.h"
#include "app/services.h"
#include "app/state.h"
#include "install/file_reference.h"
#include "install/kept_values.h"
#include "install/log.h"
#include "payload/layout.h"
#include "payload/reader.h"
#include "ui/panel.h"

enum {
  FILE_TYPE_BLOCKS_PER_STEP = -10,  // one step fills the item meter
  // SHCNF_FLUSHNOWAIT as older headers define it: no items, do not wait.
  ASSOCIATIONS_FLUSH_NO_WAIT = 0x2000,
};

static const char TXT_FILE_TYPE_FAILED[] = "拡張子の設定に失敗しました。";

// One command of a file type, as the payload asks for it.
struct FileCommand {
  int Wanted;               // the payload's flag: not 0 = write the command
  char Line[MAX_PATH];      // the program's path, a blank and the arguments
};

// The entry being read and registered.
static struct {
  char Extension[PATH_CAPACITY];  // without the full stop
  char Description[PATH_CAPACITY];
  char IconValue[MAX_PATH];       // the icon file's path, a comma and the index
  FileCommand Open;
  FileCommand Print;
} Entry;

// Formats into a 260-byte buffer. 0 when the text would not fit whole.
static int FormatWhole(char* out, const char* format, ...)
{
  va_list arguments;
  va_start(arguments, format);
  const int length = _vsnprintf(out, MAX_PATH, format, arguments);
  va_end(arguments);
  out[MAX_PATH - 1] = '\0';
  return length >= 0 && length < MAX_PATH;
}

static int FileTypeFailed() { return ReportError(TXT_FILE_TYPE_FAILED); }

// Creates or opens `key` under HKEY_CLASSES_ROOT, logs it and sets its
// default value when one is given. 0 after reporting.
static int SetClassKey(const char* key, const char* value)
{
  // A file type's value that was there goes back if the run does not
  // finish, and a key the run makes goes again once empty: the value is
  // kept before its key is created.
  if (value != nullptr && !KeepValue(HKEY_CLASSES_ROOT, key, nullptr)) return FileTypeFailed();
  HKEY handle;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, &handle, nullptr) != ERROR_SUCCESS) {
    return FileTypeFailed();
  }
  // A log line that cannot be written has been reported; the key stays.
  if (FormatWhole(TextBuffer, "HKEY_CLASSES_ROOT\\%s", key)) WriteLogLine(LOG_KEY "%s", TextBuffer);
  int result = 1;
  if (value != nullptr && RegSetValueExA(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                         static_cast<DWORD>(lstrlenA(value))) != ERROR_SUCCESS) {
    result = FileTypeFailed();
  }
  RegCloseKey(handle);
  return result;
}

// SetClassKey of a key named by a format with the extension; the
// extension's length was checked when it was read, so every key fits.
static void SetExtensionKey(const char* format, const char* value)
{
  char key[MAX_PATH];
  if (FormatWhole(key, format, Entry.Extension)) SetClassKey(key, value);
}

// Writes the keys of the entry just read; a key that fails was reported
// and the others are still written.
static void RegisterFileType()
{
  char text[MAX_PATH];
  FormatWhole(text, "%sfile", Entry.Extension);
  SetExtensionKey(".%s", text);
  SetExtensionKey("%sfile", Entry.Description);
  AdvanceProgress(ADVANCE_ITEM);

  SetExtensionKey("%sfile\\DefaultIcon", Entry.IconValue);
  AdvanceProgress(ADVANCE_ITEM);

  if (Entry.Open.Wanted || Entry.Print.Wanted) SetExtensionKey("%sfile\\shell", nullptr);
  AdvanceProgress(ADVANCE_ITEM);

  if (Entry.Open.Wanted) {
    SetExtensionKey("%sfile\\shell\\open", nullptr);
    SetExtensionKey("%sfile\\shell\\open\\command", Entry.Open.Line);
  }
  AdvanceProgress(ADVANCE_ITEM);

  if (Entry.Print.Wanted) {
    SetExtensionKey("%sfile\\shell\\print", nullptr);
    SetExtensionKey("%sfile\\shell\\print\\command", Entry.Print.Line);
  }
  AdvanceProgress(ADVANCE_ITEM);
}

// Reads the icon's file reference and makes the value "<path>,<index>".
// 0 after reporting.
static int ReadIcon(int iconIndex)
{
  char path[MAX_PATH];
  if (!ReadFileReference("ico", path)) return 0;
  return FormatWhole(Entry.IconValue, "%s,%d", path, iconIndex) ? 1 : RefuseLongPath(path);
}

// Reads a command's flag and, when it is set, its program (quoted when it
// holds a blank) and arguments, joined by a blank unless the arguments are
// empty. 0 after reporting, or
// without a message when the data ends at the arguments.
static int ReadCommand(FileCommand* command)
{
  command->Wanted = ReadByte();
  // A flag lost at the end of the data counts as set: the program's file
  // reference then reports the end.
  if (command->Wanted == 0) return 1;
  char program[MAX_PATH];
  char arguments[PATH_CAPACITY];
  if (!ReadFileReference("exe", program) || !ReadString(arguments, PATH_CAPACITY)) return 0;
  // Unquoted, "C:\Sample Viewer\viewer.exe" would let the shell run
  // "C:\Sample.exe". A blank is never a trail byte, so a plain search finds it.
  bool quote = false;
  for (const char* c = program; *c != '\0'; ++c) quote = quote || *c == ' ';
  const char* format = quote ? (arguments[0] == '\0' ? "\"%s\"" : "\"%s\" %s")
                             : (arguments[0] == '\0' ? "%s" : "%s %s");
  const int fits = FormatWhole(command->Line, format, program, arguments);
  return fits ? 1 : RefuseLongPath(program);
}

// Shows the extension as the item and starts the item meter afresh. The
// item bar keeps the range the registry step gave it.
static void ShowEntry()
{
  StartItem(Entry.Extension, ITEM_RANGE_KEPT, FILE_TYPE_BLOCKS_PER_STEP);
}

// Reads the rest of the entry whose extension was read and registers it.
// 0 after reporting, or without a message when the data ends at a text.
static int InstallFileType()
{
  if (lstrlenA(Entry.Extension) > EXTENSION_LIMIT) return RefuseLongPath(Entry.Extension);
  ShowEntry();
  const int iconIndex = ReadByte();
  if (iconIndex < 0 || !ReadString(Entry.Description, PATH_CAPACITY)) return 0;
  AdvanceProgress(ADVANCE_ITEM);

  if (!ReadIcon(iconIndex)) return 0;
  AdvanceProgress(ADVANCE_ITEM);

  if (!ReadCommand(&Entry.Open)) return 0;
  AdvanceProgress(ADVANCE_ITEM);
  if (!ReadCommand(&Entry.Print)) return 0;
  AdvanceProgress(ADVANCE_ITEM);

  RegisterFileType();
  AdvanceProgress(ADVANCE_OVERALL | ADVANCE_ITEM);
  return 1;
}

int InstallFileTypes()
{
  // The end of the data where an extension should start ends the list.
  int handled = 0;
  for (ReadListPath(Entry.Extension); Entry.Extension[0] != '\0'; ReadListPath(Entry.Extension)) {
    if (!InstallFileType()) return 0;
    handled = 1;
  }
  if (handled) SHChangeNotify(SHCNE_ASSOCCHANGED, ASSOCIATIONS_FLUSH_NO_WAIT, nullptr, nullptr);
  return 1;
}
