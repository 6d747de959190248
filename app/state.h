// SetupState: the one program-wide record of a run. Each subsystem reads and
// writes its own group of fields here; nothing else is global except the
// scratch text TextBuffer. Fields start zero; InitSetupState sets the few
// that start otherwise.
#pragma once
#include <windows.h>
#include "app/sha256.h"

// The buffers that take payload records have the records' capacities; the
// payload's readers assert that the two agree.
enum {
  PANEL_BITMAP_BYTES = 106712,
  PAYLOAD_BUFFER_BYTES = 65536,  // one ReadFile of the payload
  DRIVE_COUNT = 26,              // A: to Z:
  SIZE_TEXT_BYTES = 12,          // a size text such as "117.73MB"
  METER_COUNT = 3,               // item, overall, space
  EXTRACT_BLOCK_BYTES = 4096,    // the unit of extraction's progress steps
  PAGE_CONTROL_COUNT = 7,        // controls 1000 to 1006 of a wizard page
};

// One drive's free space as the survey found it. Text: all zero = not yet
// surveyed; a size text; the byte 255 = unknown; the byte 254 = removable or
// CD-ROM, not asked yet. Level: the free share in tenths. Ready is written
// last, with release ordering, once text and level are complete.
struct DriveSpace {
  char Text[SIZE_TEXT_BYTES];
  int Level;
  volatile long Ready;
};

// The side panel beside the progress dialog and its three meters.
struct MeterState {
  bool Placed;                     // the progress dialog placed the panel
  int X, Y;                        // panel's top-left corner on the background window
  int Level[METER_COUNT];          // blocks shown, 0 to 10
  int StepsPerBlock[METER_COUNT];  // > 0: steps per block; 0: one per step; < 0: -N blocks per step
  int StepCounter[METER_COUNT];    // steps towards the next block
  HWND Controls[4];                // the progress dialog's controls 1000 to 1003 (two texts, two bars)
};

// The sequential reader over the payload and its continuation volumes.
struct PayloadStream {
  HANDLE File;                                  // volume being read, or INVALID_HANDLE_VALUE
  unsigned char Buffer[PAYLOAD_BUFFER_BYTES];   // bytes of the last read
  int Count;                                    // valid bytes in Buffer
  int Position;                                 // index of the next byte to hand out
  int VolumeNumber;                             // volumes opened so far (1 = the executable)
  DWORD Left;                                   // bytes the volume may still hand out
};

struct SetupState {
  // Run: command line, screen and the program itself
  unsigned RunFlags;               // RF_* bits
  int ErrorBoxStyle;               // icon style of ReportSystemError's box
  int ScreenWidth;                 // SM_CXSCREEN at start-up
  int ScreenHeight;                // SM_CYSCREEN at start-up
  HINSTANCE Module;                // the executable's module handle
  HICON ProgramIcon;               // icon resource "SETUP"
  char OwnPath[MAX_PATH];          // full path of the running executable
  char WindowTitle[60];            // "<product> セットアップ"

  // Payload: the reader and what the start-up sections hold
  PayloadStream Payload;           // the one payload reader
  char ProductName[42];            // at most 41 bytes
  unsigned PayloadFlags;           // PF_* bits
  COLORREF GradientTop;            // top of the gradient, or the plain colour
  COLORREF GradientBottom;         // bottom of the gradient
  char FontFace[32];               // face of the title font
  int FontSize;                    // size the title font's height derives from
  char FooterText[41];             // drawn at the bottom right; may be empty
  int FooterLength;                // byte length of FooterText
  int PanelFlag;                   // non-zero: PanelBitmap holds the side picture
  unsigned char PanelBitmap[PANEL_BITMAP_BYTES];  // BITMAPINFOHEADER + 157x226 24-bit rows

  // Screen: the background window and the side panel
  HWND MainWindow;                 // background window; null in simple mode
  HFONT TitleFont;                 // font of the title, or null
  HBRUSH BackgroundBrush;          // brush of the plain background, or null
  MeterState Meters;               // the side panel's placement and meters

  // Drive space survey
  DriveSpace DriveSpaceTable[DRIVE_COUNT];  // A: to Z:, filled by the survey thread
  DriveSpace NetworkSpaceEntry;    // a UNC destination, asked on each showing of page 4
  int DestinationDrive;            // table index of the destination, or -1 (UNC or none)

  // Wizard
  HWND CurrentDialog;              // dialog on screen now: owner of message boxes
  int CurrentPage;                 // wizard page number; 100 after a confirmed cancel
  char UserName[80];               // proposed or entered user name
  char UserCompany[80];            // proposed or entered company
  char DefaultFolder[MAX_PATH];    // the payload's folder, macros expanded
  int DefaultFolderRead;           // the default folder record has been read (it may be empty)
  char InstallFolder[MAX_PATH];    // the destination the user accepted
  int FolderCreated;               // the wizard created InstallFolder itself
  int RequiredUnits;               // disk space needed, in 4096-byte units
  int RequiredSizeRead;            // the required size record has been read
  char RequiredSizeText[SIZE_TEXT_BYTES];  // RequiredUnits x 4096 as a size text
  char* AgreementText;             // heap block with the agreement, or null
  int AgreementRead;               // the agreement block has been read (its text may be missing)
  int PageHistory[4];              // pages shown so far, the last on screen
  int PageHistoryLength;           // entries in PageHistory
  HWND PageControls[PAGE_CONTROL_COUNT];  // controls 1000 to 1006 of the page on screen

  // Install
  HANDLE InstallLog;               // setup.inf while the steps run
  HANDLE EarlierLog;               // setup.$$$, vouched for and shut to writers, until the log's close
  char LogDigest[SHA256_TEXT_BYTES];  // of setup.inf as closed for a roll-back; empty when unknown
  char UninstallerPath[MAX_PATH];  // where the uninstaller was written
  int AlreadyRegistered;           // the Uninstall key existed before
};

extern SetupState State;

// Program-wide scratch text for formatted messages, paths and command lines;
// its content lasts only until the next format into it.
extern char TextBuffer[MAX_PATH];

// Empties the record and sets the fields that do not start at zero
// (handles to their sentinels, ErrorBoxStyle to the error icon).
void InitSetupState();
