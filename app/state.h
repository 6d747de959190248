// SetupState: the one program-wide record of a run. Every Part reads and
// writes its own group of fields here; nothing else is global except the
// scratch text TextBuffer. Fields start zero; InitSetupState sets the few
// that start otherwise.
#pragma once
#include <windows.h>

enum { PANEL_BITMAP_BYTES = 106712, PAYLOAD_BUFFER_BYTES = 512 };

// The sequential reader over the payload and its continuation volumes.
struct PayloadStream {
  HANDLE File;                                  // volume being read, or INVALID_HANDLE_VALUE
  unsigned char Buffer[PAYLOAD_BUFFER_BYTES];   // bytes of the last read
  int Count;                                    // valid bytes in Buffer
  int Position;                                 // index of the next byte to hand out
  int VolumeNumber;                             // volumes opened so far (1 = the executable)
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

  // Screen: the background window
  HWND MainWindow;                 // background window; null in simple mode
  HFONT TitleFont;                 // font of the title, or null
  HBRUSH BackgroundBrush;          // brush of the plain background, or null

  // Wizard
  HWND CurrentDialog;              // dialog on screen now: owner of message boxes
  int CurrentPage;                 // wizard page number; 100 after a confirmed cancel
  char UserName[80];               // proposed or entered user name
  char UserCompany[80];            // proposed or entered company
  char DefaultFolder[MAX_PATH];    // the payload's folder, macros expanded
  char InstallFolder[MAX_PATH];    // the destination the user accepted
  int FolderCreated;               // the wizard created InstallFolder itself
  int RequiredUnits;               // disk space needed, in 4096-byte units

  // Install
  HANDLE InstallLog;               // setup.inf while the steps run
  HANDLE Heap;                     // the process heap
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
