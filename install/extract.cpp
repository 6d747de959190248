// Folders and files of the payload put on disk: the file list step, the item
// record, and the file body decoded from the payload buffer into the block
// buffer and written from there, many 4096-byte blocks per write. An
// existing target keeps its data until the new data is whole beside it; a
// target that another program holds open gets its data under an alternate
// name that Windows moves into place at its next start. Whatever a failing
// item wrote is removed again; a file it never opened is left alone.
#include "install/extract.h"
#include <windows.h>
#include <commctrl.h>
#include <cstdint>
#include <cstring>
#include "app/file_io.h"
#include "app/flags.h"
#include "app/message_box.h"
#include "app/phase_clock.h"
#include "app/services.h"
#include "app/sjis.h"
#include "app/state.h"
#include "app/texts.h"
#include "install/install_path.h"
#include "install/log.h"
#include "install/replace_at_restart.h"
#include "install/replaced_files.h"
#include "payload/layout.h"
#include "payload/lzw.h"
#include "payload/reader.h"
#include "payload/stream.h"
#include "ui/panel.h"

enum {
  BLOCK_SHIFT = 12,                 // 4096-byte blocks
  BLOCK_MASK = EXTRACT_BLOCK_BYTES - 1,
  EXTRACT_BUFFER_BYTES = 65536,     // decoded bytes gathered for one WriteFile
  FOLDER_BLOCKS_PER_STEP = -10,     // a folder fills the item meter at once
  METER_FULL = 10,
  ALTERNATE_NUMBERS = 1000,         // .000 to .999
  ALTERNATE_DIGITS = 3,
};

static const char FOLDER_CLASH[] =
    "作成しようとしたﾌｫﾙﾀﾞ(%s)と同一名称のﾌｧｲﾙが既に存在する為\n\nﾌｫﾙﾀﾞの作成に失敗しました。";

// The file item being made: its record's times and attributes, where its
// data goes, and the decoded blocks on their way there.
static struct {
  DWORD Attributes;
  FILETIME Creation;
  FILETIME LastAccess;
  FILETIME LastWrite;
  int Timed;                      // the times go on the file before it is closed
  int Created;                    // the target did not exist: it has the attributes of a new file
  HANDLE Output;                  // the file being written while a body is
  const char* OutputPath;         // its name, for the report of a failed write
  int TargetCreated;              // the item created its target
  int Replacing;                  // the data goes to NewData, then in place of an existing target
  DWORD BodySize;                 // the bytes of the body being written
  char NewData[MAX_PATH];         // beside the target: "name.$new"
  char AlternateName[MAX_PATH];   // empty, or where the data goes because the target is in use
  unsigned char Block[EXTRACT_BUFFER_BYTES];  // decoded bytes waiting to be written
} Item;

static const char* LastComponent(const char* path)
{
  const char* name = path;
  for (const char* p = path; *p != '\0'; p = NextSjisChar(p))
    if (*p == '\\') name = p + 1;
  return name;
}

// Offset of the last full stop in text, or -1.
static int LastFullStop(const char* text)
{
  int stop = -1;
  for (const char* p = text; *p != '\0'; p = NextSjisChar(p))
    if (*p == '.') stop = static_cast<int>(p - text);
  return stop;
}

static int IsDllName(const char* path)
{
  const int stop = LastFullStop(path);
  if (stop < 0) return 0;
  const char* ext = path + stop + 1;
  return (ext[0] == 'd' || ext[0] == 'D') && (ext[1] == 'l' || ext[1] == 'L') &&
         (ext[2] == 'l' || ext[2] == 'L') && ext[3] == '\0';
}

static int MakeFolderItem(const char* path)
{
  StartItem(path, 1, FOLDER_BLOCKS_PER_STEP);

  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (!CreateDirectoryA(path, nullptr)) return ReportSystemError(path);
    AdvanceProgress(ADVANCE_BOTH);
    if (LogInstalledPath(LOG_FOLDER, path)) return 1;
    RemoveDirectoryA(path);
    return 0;
  }
  if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == FILE_ATTRIBUTE_DIRECTORY) {
    AdvanceProgress(ADVANCE_BOTH);
    return 1;
  }
  // A folder that is a link stays as it is: removing it could take its target.
  const char* format = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? TXT_LINKED_FOLDER : FOLDER_CLASH;
  char text[sizeof TXT_LINKED_FOLDER + MAX_PATH];
  static_assert(sizeof FOLDER_CLASH <= sizeof TXT_LINKED_FOLDER, "room");
  wsprintfA(text, format, path);
  ShowMessageBox(State.CurrentDialog, text, "ﾌｫﾙﾀﾞ作成ｴﾗｰ", MB_ICONERROR);
  return 0;
}

// Writes the first `count` bytes of the block buffer; each 4096-byte block
// of them (a last partial one included) is one progress step. A write that
// fails or falls short (a full disk) fails the file.
static int WriteBlocks(DWORD count)
{
  PhaseSpan span(PHASE_WRITE);
  DWORD done = 0;
  if (!IoWriteFile(Item.Output, Item.Block, count, &done)) return ReportSystemError(Item.OutputPath);
  if (done != count) {
    SetLastError(ERROR_DISK_FULL);
    return ReportSystemError(Item.OutputPath);
  }
  AdvanceProgressBy(ADVANCE_BOTH, static_cast<int>((count + BLOCK_MASK) >> BLOCK_SHIFT));
  return 1;
}

// Writes the whole blocks gathered in the buffer and keeps the partial one
// at its front. A cancel confirmed meanwhile stops the file here.
static int WriteWholeBlocks(unsigned char** out)
{
  unsigned char* block = Item.Block;
  const DWORD gathered = static_cast<DWORD>(*out - block);
  const DWORD whole = gathered & ~static_cast<DWORD>(BLOCK_MASK);
  if (whole == 0) return 1;
  if (!WriteBlocks(whole)) return 0;
  memmove(block, block + whole, gathered - whole);
  *out = block + (gathered - whole);
  return !InstallCancelled();
}

// The decoder's window is the payload buffer itself; what it takes is
// handed out of the stream when it asks for more and when it ends.
static const unsigned char* Window;

static int BodyFlush(LzwBlocks* blocks) { return WriteWholeBlocks(&blocks->Out); }

// The blocks decoded so far reach the file before the stream reads on, so
// that a prompt for the next disk finds them written.
static int BodyRefill(LzwBlocks* blocks)
{
  ConsumePayload(static_cast<int>(blocks->Next - Window));
  if (!WriteWholeBlocks(&blocks->Out) || !RefillBuffer()) return LZW_CANNOT_READ;
  const int count = PayloadBuffered(&Window);
  blocks->Next = Window;
  blocks->End = Window + count;
  return 1;
}

// Decodes `size` bytes into the block buffer, writing it whenever it fills
// up; leaves the last, partial buffer for the caller. 0 on any failure.
static int DecodeInto(DWORD size, unsigned char** out)
{
  const int count = PayloadBuffered(&Window);
  LzwBlocks blocks;
  blocks.Next = Window;
  blocks.End = Window + count;
  blocks.Refill = BodyRefill;
  blocks.Out = Item.Block;
  blocks.OutEnd = Item.Block + EXTRACT_BUFFER_BYTES;
  blocks.Flush = BodyFlush;
  blocks.Remaining = size;
  const int result = LzwDecodeBlocks(&blocks);
  // A corrupt code is a damaged payload, which the run's exit code tells.
  if (result == LZW_CORRUPT) NotePayloadDamaged();
  ConsumePayload(static_cast<int>(blocks.Next - Window));
  *out = blocks.Out;
  return result == LZW_OK;
}

// Copies `size` stored bytes into the block buffer, as DecodeInto does.
static int CopyInto(DWORD size, unsigned char** out)
{
  unsigned char* const end = Item.Block + EXTRACT_BUFFER_BYTES;
  *out = Item.Block;
  while (size > 0) {
    const unsigned char* bytes = nullptr;
    DWORD count = static_cast<DWORD>(PayloadBuffered(&bytes));
    if (count == 0) {
      if (!WriteWholeBlocks(out) || !RefillBuffer()) return 0;
      continue;
    }
    if (*out == end && !WriteWholeBlocks(out)) return 0;
    const DWORD room = static_cast<DWORD>(end - *out);
    if (count > size) count = size;
    if (count > room) count = room;
    memcpy(*out, bytes, count);
    ConsumePayload(static_cast<int>(count));
    *out += count;
    size -= count;
  }
  return 1;
}

// The body's size and data into the open output. A payload that ends or a
// corrupt code fails without a message of its own; a failed write reports.
static int WriteBody(unsigned payloadFlags)
{
  PhaseSpan span(PHASE_DECODE);
  uint32_t size = 0;
  if (!ReadBodySize(&size, payloadFlags)) return 0;
  Item.BodySize = size;
  const DWORD blocks = (size >> BLOCK_SHIFT) + ((size & BLOCK_MASK) != 0 ? 1 : 0);
  StartItem(nullptr, static_cast<long>(blocks), static_cast<int>(blocks / 10));

  unsigned char* out = nullptr;
  const bool stored = (payloadFlags & PF_STORED_BODIES) != 0;
  if (!(stored ? CopyInto(size, &out) : DecodeInto(size, &out))) return 0;
  // The whole blocks end like every other whole block (a cancel confirmed
  // while they were written stops the file); the partial one follows.
  if (!WriteWholeBlocks(&out)) return 0;
  const DWORD rest = static_cast<DWORD>(out - Item.Block);
  if (rest != 0 && !WriteBlocks(rest)) return 0;
  RaiseMeter(METER_ITEM, METER_FULL);
  return 1;
}

// Opens the first free name made of path with its extension replaced by
// three digits (a name without one gets a full stop and the digits). 0 with
// the last error set; the caller reports.
static int OpenAlternate(const char* path)
{
  char* name = Item.AlternateName;
  lstrcpynA(name, path, MAX_PATH);
  // Only a full stop of the file's own name counts: one in a folder name
  // would put the alternate file beside that folder.
  const char* file = LastComponent(name);
  const int stop = LastFullStop(file);
  const int digitsAt =
      stop >= 0 ? static_cast<int>(file - name) + stop + 1 : lstrlenA(name) + 1;
  if (digitsAt + ALTERNATE_DIGITS >= MAX_PATH) {
    name[0] = '\0';
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return 0;
  }
  name[digitsAt - 1] = '.';
  int n = 0;
  for (; n < ALTERNATE_NUMBERS; ++n) {
    wsprintfA(name + digitsAt, "%3.3d", n);
    if (GetFileAttributesA(name) == INVALID_FILE_ATTRIBUTES) break;
  }
  if (n == ALTERNATE_NUMBERS) {
    name[0] = '\0';
    SetLastError(ERROR_SHARING_VIOLATION);
    return 0;
  }
  Item.Output = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (Item.Output != INVALID_HANDLE_VALUE) return 1;
  const DWORD error = GetLastError();
  name[0] = '\0';
  SetLastError(error);
  return 0;
}

// Opens where the new data goes: a file that is not there yet is created
// in place; an existing one keeps its data until the new data is whole
// beside it; one that a program holds gets its data under an alternate
// name. 0 after reporting.
static int OpenOutput(const char* path)
{
  Item.Output = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  if (Item.Output != INVALID_HANDLE_VALUE) {
    Item.Created = 1;
    Item.TargetCreated = 1;
    return 1;
  }
  if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return ReportSystemError(path);
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return ReportSystemError(path);
  }
  // Opened alone for reading: a program that holds the file refuses that.
  HANDLE probe = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (probe != INVALID_HANDLE_VALUE) CloseHandle(probe);
  if (probe == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION) {
    if (!OpenAlternate(path)) return ReportSystemError(path);
    State.RunFlags |= RF_ALTERNATE_TARGET;
    return 1;
  }
  if (!BeginReplacement(path, Item.NewData)) return 0;
  Item.Output = CreateFileA(Item.NewData, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (Item.Output == INVALID_HANDLE_VALUE) return ReportSystemError(path);
  Item.Created = 1;
  Item.Replacing = 1;
  return 1;
}

// The body's data, then with Item.Timed the record's times through the same
// handle: the data is all written, and a read-only file gives no other.
static int Extract(const char* path, const char* label, unsigned payloadFlags)
{
  if (lstrlenA(path) >= MAX_PATH) return RefuseLongName(path);
  // The range and the meter's rule follow once the body's size is read.
  StartItem(label, ITEM_RANGE_KEPT, 0);
  State.RunFlags &= ~RF_ALTERNATE_TARGET;
  Item.AlternateName[0] = '\0';
  Item.TargetCreated = 0;
  Item.Replacing = 0;

  if (!OpenOutput(path)) return 0;
  Item.OutputPath = (State.RunFlags & RF_ALTERNATE_TARGET) ? Item.AlternateName : Item.Replacing ? Item.NewData : path;
  int written = WriteBody(payloadFlags);
  if (written && Item.Timed && !SetFileTime(Item.Output, &Item.Creation, &Item.LastAccess, &Item.LastWrite))
    written = ReportSystemError(Item.OutputPath);
  CloseHandle(Item.Output);
  Item.Output = INVALID_HANDLE_VALUE;
  Item.OutputPath = nullptr;
  if (!written) return 0;

  if (Item.Replacing) {
    int inUse = 0;
    if (!PutInPlace(path, Item.NewData, &inUse)) return 0;
    Item.Replacing = 0;
    if (!inUse) return 1;
    // Taken by a program since it was looked at: the new data waits.
    lstrcpyA(Item.AlternateName, Item.NewData);
    State.RunFlags |= RF_ALTERNATE_TARGET;
  }
  if (!(State.RunFlags & RF_ALTERNATE_TARGET)) return 1;
  if (!ReplaceAtNextStart(path, Item.AlternateName)) return 0;
  State.RunFlags |= RF_RESTART_NEEDED;
  return 1;
}

int ExtractFile(const char* path, unsigned payloadFlags) { return ExtractFileAs(path, LastComponent(path), payloadFlags); }

int ExtractFileAs(const char* path, const char* label, unsigned payloadFlags)
{
  Item.Timed = 0;
  return Extract(path, label, payloadFlags);
}

static unsigned long long InstalledBytes;

unsigned long long InstalledFileBytes() { return InstalledBytes; }

static int MakeFileItem(const char* path)
{
  Item.Timed = 1;
  if (!Extract(path, LastComponent(path), State.PayloadFlags)) return 0;
  const char* written = (State.RunFlags & RF_ALTERNATE_TARGET) ? Item.AlternateName : path;
  // A file just created already has the archive bit alone.
  const bool created = Item.Created && !(State.RunFlags & RF_ALTERNATE_TARGET);
  const BOOL marked = (created && Item.Attributes == FILE_ATTRIBUTE_ARCHIVE) || SetFileAttributesA(written, Item.Attributes);
  if (!marked) return ReportSystemError(written);
  // The target is logged also when its data waits under the alternate name.
  if (!LogInstalledPath(IsDllName(path) ? LOG_SHARED_FILE : LOG_FILE, path)) return 0;
  InstalledBytes += Item.BodySize;
  return 1;
}

// Removes the file a failed item wrote: its alternate file, the new data
// beside its target, or the target it created. A target it never opened,
// in use or not, is not touched, and one it replaces keeps its data.
static void RemoveItemFile(const char* path)
{
  const char* written = nullptr;
  if (State.RunFlags & RF_ALTERNATE_TARGET) written = Item.AlternateName;
  else if (Item.Replacing) written = Item.NewData;
  else if (Item.TargetCreated) written = path;
  if (written == nullptr) return;
  // The attributes may already have made it read-only.
  SetFileAttributesA(written, FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(written);
}

static FILETIME ToFileTime(const FileTime64& time)
{
  FILETIME result;
  result.dwLowDateTime = time.Low;
  result.dwHighDateTime = time.High;
  return result;
}

int InstallItem(const char* path)
{
  // The benchmark's clock charges an item's own work, the file system's
  // calls, to files; decoding, writing, the log and the bars count apart.
  PhaseSpan span(PHASE_FILES);
  if (lstrlenA(path) >= MAX_PATH) return RefuseLongName(path);
  // The data ending at the attributes is reported by the record reader; an
  // end in the times has nothing more to say.
  ItemRecord item;
  if (!ReadItemHead(&item)) return 0;
  Item.Attributes = item.Attributes;
  if (IsFolder(item)) {
    return MakeFolderItem(path);
  }
  Item.Creation = ToFileTime(item.Creation);
  Item.LastAccess = ToFileTime(item.LastAccess);
  Item.LastWrite = ToFileTime(item.LastWrite);
  Item.TargetCreated = 0;
  Item.Replacing = 0;
  State.RunFlags &= ~RF_ALTERNATE_TARGET;
  if (MakeFileItem(path)) return 1;
  RemoveItemFile(path);
  return 0;
}

int InstallFiles()
{
  char path[MAX_PATH];
  for (;;) {
    // A cancel confirmed during the last item ends the list here.
    if (InstallCancelled()) return 0;
    if (!ReadFileListPath(path)) return 0;
    if (path[0] == '\0') return 1;
    // Written under the drive's root or beside the open log, a file would
    // be logged as something else than it is.
    if (!IsSafeInstallPath(path)) return ReportError(TXT_DATA_DAMAGED);
    if (!InstallItem(path)) return 0;
  }
}
