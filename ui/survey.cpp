// The drive space survey: one background pass over A: to Z: that fills the
// DriveSpaceTable, the destination's free space on the confirmation page and
// the space check when that page is left. An entry is published by writing
// its Ready mark last; only one thread writes an unpublished entry, the one
// that holds its writer mark.
#include "ui/survey.h"
#include "app/message_box.h"
#include "app/state.h"
#include "resources/dialogs.h"
#include "ui/size_text.h"

enum { UNKNOWN_LEVEL = 10, SURVEY_WAIT_MS = 5000 };

static const char TXT_UNKNOWN[] = "不明";
static const char TXT_NO_SPACE[] =
    "空きディスク容量が足りません。\n\n前のページに戻り別のドライブを選択するか、ディスクの空き領域を増やしてください。";
static const char TXT_NO_SPACE_CAPTION[] = "領域不足ｴﾗｰ";

typedef BOOL(WINAPI* FreeSpaceExCall)(const char*, ULARGE_INTEGER*, ULARGE_INTEGER*,
                                      ULARGE_INTEGER*);

// Surveys under way; with none, an unpublished entry has nobody to fill it.
static volatile long SurveysRunning;
// 1 while a thread writes the entry of that drive.
static volatile long EntryWriter[DRIVE_COUNT];

static void MarkText(char* text, unsigned char mark)
{
  text[0] = static_cast<char>(mark);
  text[1] = '\0';
}

static bool IsPublished(DriveSpace* entry)
{
  return InterlockedCompareExchange(&entry->Ready, 0, 0) != 0;
}

static int QueryDriveSpace(const char* root, char* text)
{
  // Looked up on every call rather than once by the survey, so that both
  // threads may ask and the main thread can ask without a survey.
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) {
    MarkText(text, SPACE_UNKNOWN);
    return UNKNOWN_LEVEL;
  }
  FreeSpaceExCall freeSpaceEx = reinterpret_cast<FreeSpaceExCall>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "GetDiskFreeSpaceExA")));

  unsigned long long freeBytes;
  unsigned long long totalBytes;
  if (freeSpaceEx != nullptr) {
    ULARGE_INTEGER available, total;
    if (!freeSpaceEx(root, &available, &total, nullptr)) {
      MarkText(text, SPACE_UNKNOWN);
      return UNKNOWN_LEVEL;
    }
    freeBytes = available.QuadPart;
    totalBytes = total.QuadPart;
  } else {
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
    if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &totalClusters)) {
      MarkText(text, SPACE_UNKNOWN);
      return UNKNOWN_LEVEL;
    }
    // The old call's figures are taken in 32 bits, as systems without the
    // extended call report them.
    const DWORD cluster = sectorsPerCluster * bytesPerSector;
    freeBytes = cluster * freeClusters;
    totalBytes = cluster * totalClusters;
  }
  FormatByteSize(static_cast<unsigned>(freeBytes), static_cast<unsigned>(freeBytes >> 32), text);
  return SpaceLevel(freeBytes, totalBytes);
}

// Fills and publishes the entry of drive `index` the way the survey does,
// unless it is published already or another thread is writing it.
static void SurveyDrive(int index)
{
  DriveSpace* entry = &State.DriveSpaceTable[index];
  if (InterlockedExchange(&EntryWriter[index], 1) != 0) return;
  if (!IsPublished(entry)) {
    char root[] = "A:\\";
    root[0] = static_cast<char>('A' + index);
    switch (GetDriveTypeA(root)) {
      case DRIVE_UNKNOWN:
      case DRIVE_NO_ROOT_DIR:
        MarkText(entry->Text, SPACE_UNKNOWN);
        entry->Level = UNKNOWN_LEVEL;
        break;
      case DRIVE_REMOVABLE:
      case DRIVE_CDROM:
        // Asking would spin up a floppy or a disc: only a destination is asked.
        MarkText(entry->Text, SPACE_NOT_ASKED);
        break;
      default:
        entry->Level = QueryDriveSpace(root, entry->Text);
        break;
    }
    InterlockedExchange(&entry->Ready, 1);
  }
  InterlockedExchange(&EntryWriter[index], 0);
}

DWORD WINAPI SurveyDrives(void*)
{
  InterlockedIncrement(&SurveysRunning);
  for (int index = 0; index < DRIVE_COUNT; ++index) SurveyDrive(index);
  InterlockedDecrement(&SurveysRunning);
  return 0;
}

// Table index of the drive letter c in either case, or -1.
static int DriveIndex(char c)
{
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a';
  return -1;
}

static int DestinationIndex()
{
  if (State.InstallFolder[0] != '\0' && State.InstallFolder[1] == ':') {
    return DriveIndex(State.InstallFolder[0]);
  }
  // The full path of "." is the current folder: the engine imports no
  // call of its own for that (each import costs room in the image).
  char* name = nullptr;
  const DWORD length = GetFullPathNameA(".", MAX_PATH, TextBuffer, &name);
  if (length == 0 || length >= MAX_PATH) return -1;
  return DriveIndex(TextBuffer[0]);
}

// Waits for the survey to publish the entry; when no survey is running, or
// it has not come to this drive in time, the drive is surveyed here.
static void AwaitEntry(int index)
{
  DriveSpace* entry = &State.DriveSpaceTable[index];
  const DWORD start = GetTickCount();
  while (!IsPublished(entry) && InterlockedCompareExchange(&SurveysRunning, 0, 0) != 0 &&
         GetTickCount() - start < SURVEY_WAIT_MS) {
    // Sleep(1), through a call the engine imports anyway: a wait for no
    // object and no input ends when its time is up.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, 0);
  }
  if (!IsPublished(entry)) SurveyDrive(index);
}

static bool IsUnc(const char* path) { return path[0] == '\\' && path[1] == '\\'; }

static const char* ShownText(const char* text)
{
  return static_cast<unsigned char>(text[0]) == SPACE_UNKNOWN ? TXT_UNKNOWN : text;
}

void DestinationSpace(HWND page)
{
  HWND freeText = GetDlgItem(page, IDC_FREE);
  if (IsUnc(State.InstallFolder)) {
    DriveSpace* network = &State.NetworkSpaceEntry;
    State.DestinationDrive = -1;
    network->Level = QueryDriveSpace(State.InstallFolder, network->Text);
    InterlockedExchange(&network->Ready, 1);
    SetWindowTextA(freeText, ShownText(network->Text));
    return;
  }

  const int index = DestinationIndex();
  State.DestinationDrive = index;
  if (index < 0) {
    SetWindowTextA(freeText, TXT_UNKNOWN);
    return;
  }
  AwaitEntry(index);
  DriveSpace* entry = &State.DriveSpaceTable[index];
  // Still unpublished: the survey is stuck on this very drive.
  if (!IsPublished(entry)) {
    SetWindowTextA(freeText, TXT_UNKNOWN);
    return;
  }
  if (static_cast<unsigned char>(entry->Text[0]) == SPACE_NOT_ASKED) {
    // Published entries are the main thread's alone; the survey skips them.
    wsprintfA(TextBuffer, "%c:\\", 'A' + index);
    entry->Level = QueryDriveSpace(TextBuffer, entry->Text);
  }
  SetWindowTextA(freeText, ShownText(entry->Text));
}

// The destination's free-space text, or null when it is not known.
static const char* DestinationFreeText()
{
  DriveSpace* entry;
  if (IsUnc(State.InstallFolder)) {
    entry = &State.NetworkSpaceEntry;
  } else {
    const int index = State.DestinationDrive;
    if (index < 0 || index >= DRIVE_COUNT) return nullptr;
    entry = &State.DriveSpaceTable[index];
  }
  if (!IsPublished(entry)) return nullptr;
  const unsigned char first = static_cast<unsigned char>(entry->Text[0]);
  if (first == '\0' || first == SPACE_UNKNOWN || first == SPACE_NOT_ASKED) return nullptr;
  return entry->Text;
}

int CheckDiskSpace(int backwards)
{
  if (backwards) {
    if (State.FolderCreated) {
      RemoveDirectoryA(State.InstallFolder);
      State.FolderCreated = 0;
    }
    return 1;
  }
  // Space nobody could measure lets the user go on: the install steps still
  // report a full disk when they meet one.
  const char* freeText = DestinationFreeText();
  if (freeText == nullptr || SizeTextFits(State.RequiredSizeText, freeText)) return 1;
  ShowMessageBox(State.CurrentDialog, TXT_NO_SPACE, TXT_NO_SPACE_CAPTION, MB_ICONEXCLAMATION);
  return 0;
}
