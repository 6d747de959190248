// The entry point: one run of setup as a fixed list of stages, from the
// drive survey to ExitProcess(0). The exit code is 0 on every path. The
// program starts here directly, without a C runtime start-up: it takes its
// command line from GetCommandLineA and constructs no global objects.
#include <windows.h>
#include "app/command_line.h"
#include "app/flags.h"
#include "app/process_guard.h"
#include "app/state.h"
#include "app/texts.h"
#include "install/steps.h"
#include "payload/header.h"
#include "payload/stream.h"
#include "ui/background.h"
#include "ui/survey.h"
#include "ui/wizard.h"

static void StartDriveSurvey()
{
  HANDLE thread = CreateThread(nullptr, 0, SurveyDrives, nullptr, 0, nullptr);
  if (thread != nullptr) CloseHandle(thread);
}

static void ParseCommandLine()
{
  State.RunFlags |= CommandLineFlags(GetCommandLineA());
}

static void LearnScreenAndProgram()
{
  State.ScreenWidth = GetSystemMetrics(SM_CXSCREEN);
  State.ScreenHeight = GetSystemMetrics(SM_CYSCREEN);
  State.Module = GetModuleHandleA(nullptr);
  State.ProgramIcon = LoadIconA(State.Module, "setup");
  const DWORD length = GetModuleFileNameA(State.Module, State.OwnPath, sizeof State.OwnPath);
  // A path that filled the buffer was cut: opening it would open another file.
  if (length >= sizeof State.OwnPath) State.OwnPath[0] = '\0';
}

static void CleanUp()
{
  ClosePayload();
  if (State.BackgroundBrush != nullptr) DeleteObject(State.BackgroundBrush);
  if (State.TitleFont != nullptr) DeleteObject(State.TitleFont);
  ShowWindow(State.MainWindow, SW_SHOWNORMAL);
}

// The stack on entry may be aligned to 4 bytes only. The entry point stays
// visible to the linker when the image is compiled as one whole program.
extern "C" __attribute__((force_align_arg_pointer, externally_visible)) void WINAPI SetupStart()
{
  if (!GuardProcess()) ExitProcess(0);
  InitSetupState();
  StartDriveSurvey();
  ParseCommandLine();
  LearnScreenAndProgram();
  if (!ReadProductHeader() || !ReadScreenSettings()) ExitProcess(0);
  wsprintfA(State.WindowTitle, "%s %s", State.ProductName, TXT_SETUP);

  if (!(State.PayloadFlags & PF_SIMPLE_MODE)) CreateBackgroundWindow();
  if (RunWizard()) RunSteps();

  CleanUp();
  ExitProcess(0);
}
