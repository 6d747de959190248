// The payload reader over State.Payload. Invariant: 0 <= Position <= Count
// <= PAYLOAD_BUFFER_BYTES, and a failed refill always leaves the buffer empty, so the next
// read tries again instead of handing out old bytes.
#include "payload/stream.h"
#include "app/file_io.h"
#include "app/flags.h"
#include "app/message_box.h"
#include "app/phase_clock.h"
#include "app/services.h"
#include "app/state.h"
#include "app/texts.h"
#include "payload/layout.h"

enum { VOLUME_DIGITS = 3, MAX_VOLUME = 999 };
enum : DWORD {
  NO_LIMIT = 0xFFFFFFFF,
  LARGEST_OFFSET = LARGEST_PAYLOAD_OFFSET,
  PE_OFFSET_AT = 0x3C,          // where the DOS header keeps the PE header's offset
  PE32_MAGIC = 0x10B,
  PE32_PLUS_MAGIC = 0x20B,
  SECURITY_ENTRY_PE32 = 24 + 96 + 4 * 8,       // signature and file header, optional header, entry 4
  SECURITY_ENTRY_PE32_PLUS = 24 + 112 + 4 * 8,
};

// The payload cannot be read on: the exit code of the run says so. Returns 0.
static int Unreadable()
{
  State.RunFlags |= RF_PAYLOAD_UNREADABLE;
  return 0;
}

static int OpenVolume(const char* path)
{
  PayloadStream& s = State.Payload;
  s.File = OpenToRead(path);
  if (s.File == INVALID_HANDLE_VALUE) return ReportSystemError(path);
  s.Count = 0;
  s.Position = 0;
  s.Left = NO_LIMIT;
  ++s.VolumeNumber;
  return 1;
}

static bool ReadAt(HANDLE file, DWORD at, void* into, DWORD size)
{
  DWORD got = 0;
  return SetFilePointer(file, static_cast<LONG>(at), nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
         IoReadFile(file, into, size, &got) && got == size;
}

// Where the executable's Authenticode signature table starts, or NO_LIMIT.
// Signing appends the table behind the payload; in the first volume of a
// spanned payload, more payload would otherwise seem to follow.
static DWORD SignatureStart(HANDLE file)
{
  DWORD header = 0;
  WORD magic = 0;
  if (!ReadAt(file, PE_OFFSET_AT, &header, sizeof header) || header > LARGEST_OFFSET - SECURITY_ENTRY_PE32_PLUS ||
      !ReadAt(file, header + 24, &magic, sizeof magic)) {
    return NO_LIMIT;
  }
  DWORD entry[2] = {0, 0};  // file offset and size of the table
  const DWORD at = header + (magic == PE32_PLUS_MAGIC ? SECURITY_ENTRY_PE32_PLUS : SECURITY_ENTRY_PE32);
  if ((magic != PE32_MAGIC && magic != PE32_PLUS_MAGIC) || !ReadAt(file, at, entry, sizeof entry) || entry[1] == 0)
    return NO_LIMIT;
  return entry[0];
}

int OpenPayload()
{
  if (!OpenVolume(State.OwnPath)) return Unreadable();
  PayloadStream& s = State.Payload;
  // A file too short to hold the offset word counts as one without payload.
  // An offset past what a seek can reach is no payload either.
  DWORD offset = 0;
  if (!ReadAt(s.File, PAYLOAD_OFFSET_WORD_AT, &offset, sizeof offset) || offset > LARGEST_OFFSET) offset = 0;
  if (offset == 0) {
    ShowMessageBox(nullptr, "セットアッププログラムに障害があるため使用できません.",
                   TXT_ERROR_CAPTION, MB_ICONERROR);
    return Unreadable();
  }
  const DWORD signature = SignatureStart(s.File);
  s.Left = signature >= offset ? signature - offset : NO_LIMIT;
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
// (or past volume 999, which no name can hold). In an unattended run the
// prompt only goes into the log: the volume lies beside the first, or the
// run fails.
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
    if (State.RunFlags & RF_UNATTENDED) return 0;
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
      const DWORD want = s.Left < DWORD{PAYLOAD_BUFFER_BYTES} ? s.Left : DWORD{PAYLOAD_BUFFER_BYTES};
      PhaseSpan span(PHASE_READ);
      if (want > 0 && !IoReadFile(s.File, s.Buffer, want, &got)) {
        ReportSystemError("ReadFile");
        return Unreadable();
      }
      if (s.Left != NO_LIMIT) s.Left -= got;
      s.Count = static_cast<int>(got);
      if (s.Count > 0) return 1;
    }
    if (!(State.PayloadFlags & PF_SPANNED) || !ChangeVolume()) return Unreadable();
  }
}

int ReadByte()
{
  PayloadStream& s = State.Payload;
  if (s.Position == s.Count && !RefillBuffer()) return -1;
  return s.Buffer[s.Position++];
}

int PayloadBuffered(const unsigned char** bytes)
{
  PayloadStream& s = State.Payload;
  *bytes = s.Buffer + s.Position;
  return s.Count - s.Position;
}

void ConsumePayload(int n) { State.Payload.Position += n; }

void UsePayloadFlags(unsigned flags) { State.PayloadFlags = flags; }

// The run's exit code tells of it.
void NotePayloadDamaged() { Unreadable(); }

void ReportPayloadFault(PayloadFault fault)
{
  Unreadable();
  ReportError(fault == PAYLOAD_ENDED ? TXT_DATA_ENDED : TXT_DATA_DAMAGED);
}

void ClosePayload()
{
  PayloadStream& s = State.Payload;
  if (s.File != INVALID_HANDLE_VALUE) CloseHandle(s.File);
  s.File = INVALID_HANDLE_VALUE;
  s.Count = 0;
  s.Position = 0;
}
