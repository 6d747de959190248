// The payload reader over State.Payload. Invariant: 0 <= Position <= Count
// <= PAYLOAD_BUFFER_BYTES, and a failed refill always leaves the buffer empty, so the next
// read tries again instead of handing out old bytes.
#include "payload/stream.h"
#include "app/file_io.h"
#include "app/flags.h"
#include "app/message_box.h"
#include "app/services.h"
#include "app/state.h"
#include "app/texts.h"

enum { PAYLOAD_OFFSET_AT = 0x30, VOLUME_DIGITS = 3, MAX_VOLUME = 999 };

int OpenVolume(const char* path)
{
  PayloadStream& s = State.Payload;
  s.File = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (s.File == INVALID_HANDLE_VALUE) return ReportSystemError(State.CurrentDialog, path);
  s.Count = 0;
  s.Position = 0;
  ++s.VolumeNumber;
  return 1;
}

int OpenPayload()
{
  if (!OpenVolume(State.OwnPath)) return 0;
  PayloadStream& s = State.Payload;
  // A file too short to hold the offset word counts as one without payload.
  DWORD offset = 0;
  DWORD got = 0;
  if (SetFilePointer(s.File, PAYLOAD_OFFSET_AT, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
      !IoReadFile(s.File, &offset, sizeof offset, &got) || got != sizeof offset) {
    offset = 0;
  }
  if (offset == 0) {
    ShowMessageBox(nullptr, "セットアッププログラムに障害があるため使用できません.",
                   TXT_ERROR_CAPTION, MB_ICONERROR);
    return 0;
  }
  SetFilePointer(s.File, static_cast<LONG>(offset), nullptr, FILE_BEGIN);
  return 1;
}

// Builds the name of volume `number` from the own path: its last three
// characters become the number's three digits.
static int VolumeName(char* name, int number)
{
  const int length = lstrlenA(State.OwnPath);
  if (length < VOLUME_DIGITS || number > MAX_VOLUME) return 0;
  lstrcpynA(name, State.OwnPath, MAX_PATH);
  wsprintfA(name + length - VOLUME_DIGITS, "%3.3d", number);
  return 1;
}

// Asks for the next disk until its volume opens. 0 when the user cancels
// (or past volume 999, which no name can hold).
static int ChangeVolume()
{
  PayloadStream& s = State.Payload;
  for (;;) {
    char prompt[64];
    wsprintfA(prompt, "次の FD (#%d) に入れ替えてください.", s.VolumeNumber + 1);
    if (ShowMessageBox(State.CurrentDialog, prompt, "FD交換", MB_OKCANCEL | MB_ICONINFORMATION) ==
        IDCANCEL) {
      return 0;
    }
    char name[MAX_PATH];
    if (!VolumeName(name, s.VolumeNumber + 1)) return 0;
    ClosePayload();
    if (OpenVolume(name)) return 1;
    // The old volume stays closed; the count of opened volumes is unchanged,
    // so the prompt asks for the same number again.
  }
}

int RefillBuffer()
{
  PayloadStream& s = State.Payload;
  for (;;) {
    s.Count = 0;
    s.Position = 0;
    // After a volume that would not open, no file is current: the only way
    // on is the prompt for that volume again.
    if (s.File != INVALID_HANDLE_VALUE) {
      DWORD got = 0;
      if (!IoReadFile(s.File, s.Buffer, PAYLOAD_BUFFER_BYTES, &got))
        return ReportSystemError(State.CurrentDialog, "ReadFile");
      s.Count = static_cast<int>(got);
      if (s.Count > 0) return 1;
    }
    if (!(State.PayloadFlags & PF_SPANNED)) return 0;
    if (!ChangeVolume()) return 0;
  }
}

int ReadByte()
{
  PayloadStream& s = State.Payload;
  if (s.Position == s.Count && !RefillBuffer()) return -1;
  return s.Buffer[s.Position++];
}

int ReadString(char* destination, int capacity)
{
  PayloadStream& s = State.Payload;
  if (s.Position == s.Count && !RefillBuffer()) return 0;
  int i = 0;
  for (;;) {
    if (i == capacity) {
      destination[capacity - 1] = '\0';
      return 1;
    }
    const char c = static_cast<char>(s.Buffer[s.Position++]);
    destination[i++] = c;
    if (c == '\0') return 1;
    if (s.Position == s.Count && !RefillBuffer()) {
      destination[i < capacity ? i : capacity - 1] = '\0';
      return 1;
    }
  }
}

int PayloadBuffered(const unsigned char** bytes)
{
  PayloadStream& s = State.Payload;
  *bytes = s.Buffer + s.Position;
  return s.Count - s.Position;
}

void ConsumePayload(int n) { State.Payload.Position += n; }

void UsePayloadFlags(unsigned flags) { State.PayloadFlags = flags; }

void ReportPayloadFault(PayloadFault fault)
{
  ReportDataError(fault == PAYLOAD_ENDED ? TXT_DATA_ENDED : TXT_DATA_DAMAGED);
}

void ClosePayload()
{
  PayloadStream& s = State.Payload;
  if (s.File != INVALID_HANDLE_VALUE) CloseHandle(s.File);
  s.File = INVALID_HANDLE_VALUE;
  s.Count = 0;
  s.Position = 0;
}
