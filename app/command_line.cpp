// Scans the command line after the program name: for the letters T and V,
// and for the switches of an unattended run. Both step by character, so the
// trail byte of a two-byte Japanese character in a path never counts as a
// letter, and a value that does not fit its buffer is refused, never cut.
#include "app/command_line.h"
#include "app/flags.h"
#include "app/sjis.h"

static const char TXT_UNKNOWN_SWITCH[] = "このスイッチはありません。";
static const char TXT_EMPTY_VALUE[] = "スイッチの値がありません。";
static const char TXT_VALUE_TOO_LONG[] = "スイッチの値が長すぎます。";
static const char TXT_UNCLOSED_QUOTE[] = "引用符の対応が正しくありません。";
static const char TXT_FOLDER_NOT_FULL[] =
    "/D= のフォルダは、ドライブ名から始まる完全なパス (例: C:\\Program Files\\製品) で、コマンドラインの最後に指定してください。";
static const char TXT_TWO_MODES[] = "/S と /P は同時に指定できません。";

// The first word after the program name, or null when there is none.
static const char* AfterProgramName(const char* commandLine)
{
  if (commandLine == nullptr || commandLine[0] == '\0') return nullptr;
  const char end = commandLine[0] == '"' ? '"' : ' ';
  const char* p = NextSjisChar(commandLine);
  while (*p != '\0' && *p != end) p = NextSjisChar(p);
  if (*p == '\0') return nullptr;
  ++p;
  while (*p == ' ') ++p;
  return p;
}

unsigned CommandLineFlags(const char* commandLine)
{
  const char* p = AfterProgramName(commandLine);
  if (p == nullptr) return 0;
  unsigned flags = 0;
  for (; *p != '\0'; p = NextSjisChar(p)) {
    if (*p == 'T') flags |= RF_DIALOGS_AT_200;
    else if (*p == 'V') flags |= RF_CONFIRM_STEPS;
  }
  return flags;
}

static bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// True when the switch at p ("/" and a name of ASCII letters) is `name` in
// any case, followed by "=" when it takes a value, else by a blank or the
// end (by the closing quote first when the whole word is quoted); *value
// then points after it.
static bool IsSwitch(const char* p, const char* name, bool takesValue, bool wrapped, const char** value)
{
  for (++p; *name != '\0'; ++p, ++name) {
    const char c = *p >= 'a' && *p <= 'z' ? static_cast<char>(*p - 'a' + 'A') : *p;
    if (c != *name) return false;
  }
  if (!takesValue && wrapped && *p++ != '"') return false;
  if (takesValue ? *p != '=' : (*p != '\0' && !IsBlank(*p))) return false;
  *value = takesValue ? p + 1 : p;
  return true;
}

static const char* RefuseValue(char* value, const char* why, const char** fault)
{
  value[0] = '\0';
  *fault = why;
  return nullptr;
}

// Copies the value at p into value (capacity bytes): quoted (or the whole
// word was: wrapped), to the closing quote, which a blank or the end
// follows; else to the next blank or, with toEnd, to the end of the line,
// the blanks that end it dropped. Returns the text after it, or null with
// *fault set and value empty.
static const char* TakeValue(const char* p, char* value, int capacity, bool toEnd, bool wrapped, const char** fault)
{
  const bool quoted = wrapped || *p == '"';
  if (quoted && !wrapped) ++p;
  int length = 0;
  while (*p != '\0' && (quoted ? *p != '"' : toEnd || !IsBlank(*p))) {
    const char* next = NextSjisChar(p);
    if (length + (next - p) >= capacity) return RefuseValue(value, TXT_VALUE_TOO_LONG, fault);
    while (p < next) value[length++] = *p++;
  }
  if (quoted) {
    if (*p != '"') return RefuseValue(value, TXT_UNCLOSED_QUOTE, fault);
    ++p;
    while (toEnd && IsBlank(*p)) ++p;
    if (*p != '\0' && (toEnd || !IsBlank(*p)))
      return RefuseValue(value, toEnd ? TXT_FOLDER_NOT_FULL : TXT_UNCLOSED_QUOTE, fault);
  }
  while (!quoted && length > 0 && IsBlank(value[length - 1])) --length;
  value[length] = '\0';
  return length == 0 ? RefuseValue(value, TXT_EMPTY_VALUE, fault) : p;
}

bool ParseSwitches(const char* commandLine, CommandSwitches* out)
{
  *out = CommandSwitches{};
  const char* p = AfterProgramName(commandLine);
  while (p != nullptr && *p != '\0') {
    if (IsBlank(*p)) {
      ++p;
      continue;
    }
    const char* word = p;
    // A switch may be quoted whole, as some tools quote a word with a blank.
    const bool wrapped = p[0] == '"' && p[1] == '/';
    if (wrapped) {
      ++p;
    } else if (*p != '/') {
      // A word for the option letters' scan alone.
      while (*p != '\0' && !IsBlank(*p)) p = NextSjisChar(p);
      continue;
    }
    out->Flags |= RF_EXIT_CODES;
    const char* fault = TXT_UNKNOWN_SWITCH;
    const char* value = nullptr;
    const char* rest = nullptr;
    if (IsSwitch(p, "S", false, wrapped, &rest)) {
      out->Flags |= RF_SILENT;
    } else if (IsSwitch(p, "P", false, wrapped, &rest)) {
      out->Flags |= RF_PASSIVE;
    } else if (IsSwitch(p, "D", true, wrapped, &value)) {
      rest = TakeValue(value, out->Folder, sizeof out->Folder, true, wrapped, &fault);
      if (rest != nullptr && !IsFullPath(out->Folder)) rest = RefuseValue(out->Folder, TXT_FOLDER_NOT_FULL, &fault);
    } else if (IsSwitch(p, "USER", true, wrapped, &value)) {
      rest = TakeValue(value, out->User, sizeof out->User, false, wrapped, &fault);
    } else if (IsSwitch(p, "COMPANY", true, wrapped, &value)) {
      rest = TakeValue(value, out->Company, sizeof out->Company, false, wrapped, &fault);
    } else if (IsSwitch(p, "LOG", true, wrapped, &value)) {
      rest = TakeValue(value, out->Log, sizeof out->Log, false, wrapped, &fault);
    }
    if (rest == nullptr || (out->Flags & RF_UNATTENDED) == RF_UNATTENDED) {
      // The first fault is the one told; the words after it are still read,
      // so that a /LOG= among them gets the reason.
      if (out->Fault == nullptr) {
        out->Fault = rest == nullptr ? fault : TXT_TWO_MODES;
        out->FaultAt = word;
      }
      rest = word + 1;
      while (*rest != '\0' && !IsBlank(*rest)) rest = NextSjisChar(rest);
    }
    p = rest;
  }
  return out->Fault == nullptr;
}
