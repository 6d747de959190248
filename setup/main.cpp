// The entry point: one run of setup as a fixed list of stages, from the
// command line to ExitProcess. With a switch on the command line the exit
// code tells the outcome (app/exit_codes.h); without one it is 0 on every
// path. The program starts here directly, without a C runtime start-up: it
// takes its command line from GetCommandLineA and constructs no global objects.
#include <windows.h>
#include "app/command_line.h"
#include "app/diagnostic_log.h"
#include "app/exit_codes.h"
#include "app/flags.h"
#include "app/message_box.h"
#include "app/process_guard.h"
#include "app/services.h"
#include "app/single_run.h"
#include "app/sjis.h"
#include "app/state.h"
#include "app/texts.h"
#include "install/steps.h"
#include "payload/header.h"
#include "payload/stream.h"
#include "ui/background.h"
#include "ui/survey.h"
#include "ui/wizard.h"

static const char TXT_BAD_COMMAND_LINE[] = "コマンドラインの指定が正しくありません。";

static void StartDriveSurvey()
{
  HANDLE thread = CreateThread(nullptr, 0, SurveyDrives, nullptr, 0, nullptr);
  if (thread != nullptr) CloseHandle(thread);
}

// The letters and the switches into State; false when a switch is refused.
static bool ParseCommandLine(CommandSwitches* switches)
{
  const char* line = GetCommandLineA();
  State.RunFlags |= CommandLineFlags(line);
  const bool parsed = ParseSwitches(line, switches);
  State.RunFlags |= switches->Flags;
  static_assert(sizeof switches->Folder == sizeof State.InstallFolder && sizeof switches->User == sizeof State.UserName &&
                    sizeof switches->Company == sizeof State.UserCompany, "the switches fit the wizard's fields");
  lstrcpyA(State.InstallFolder, switches->Folder);
  lstrcpyA(State.UserName, switches->User);
  lstrcpyA(State.UserCompany, switches->Company);
  // A line break would become a line of the install log, as on the user page.
  StripControlCharacters(State.UserName);
  StripControlCharacters(State.UserCompany);
  if (State.RunFlags & RF_UNATTENDED) AnswerBoxesUnshown();
  return parsed;
}

// Tells why the command line is refused, with the refused word and what
// follows it as far as the box holds it.
static void RefuseCommandLine(const CommandSwitches& switches)
{
  char text[sizeof TXT_BAD_COMMAND_LINE + 2 * MAX_PATH];
  const int length = wsprintfA(text, "%s\n\n%s\n\n", TXT_BAD_COMMAND_LINE, switches.Fault);
  const size_t shown = SjisFitLength(switches.FaultAt, sizeof text - 1 - length);
  CopyMemory(text + length, switches.FaultAt, shown);
  text[length + shown] = '\0';
  ShowMessageBox(nullptr, text, TXT_SETUP_ERROR, MB_ICONEXCLAMATION);
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

// The exit code of a run that installed nothing, or failed: a cancel first,
// then a payload that could not be read, else `otherwise`.
static unsigned Failure(unsigned otherwise)
{
  if (InstallCancelled()) return EXIT_CANCELLED;
  return (State.RunFlags & RF_PAYLOAD_UNREADABLE) ? EXIT_PAYLOAD_UNREADABLE : otherwise;
}

[[noreturn]] static void EndRun(unsigned code)
{
  ClosePayload();
  if (State.BackgroundBrush != nullptr) DeleteObject(State.BackgroundBrush);
  if (State.TitleFont != nullptr) DeleteObject(State.TitleFont);
  ShowWindow(State.MainWindow, SW_SHOWNORMAL);
  CloseDiagnosticLog(code);
  ExitProcess((State.RunFlags & RF_EXIT_CODES) ? code : 0);
}

// The stack on entry may be aligned to 4 bytes only. The entry point stays
// visible to the linker when the image is compiled as one whole program.
extern "C" __attribute__((force_align_arg_pointer, externally_visible)) void WINAPI SetupStart()
{
  InitSetupState();
  CommandSwitches switches;
  const bool wellFormed = ParseCommandLine(&switches);
  // Held from here to the end of the process.
  const bool alone = ClaimSingleRun();
  DWORD logError = ERROR_SUCCESS;
  if (switches.Log[0] != '\0' && !OpenDiagnosticLog(switches.Log)) logError = GetLastError();
  LogEvent("セットアップ開始", GetCommandLineA());
  // No box shows before the guard: a box may load libraries by name.
  if (!GuardProcess()) EndRun(EXIT_FAILED);
  if (!alone) {
    ShowMessageBox(nullptr, TXT_ANOTHER_RUN, TXT_SETUP_ERROR, MB_ICONEXCLAMATION);
    EndRun(EXIT_ANOTHER_RUN);
  }
  if (logError != ERROR_SUCCESS) {
    SetLastError(logError);
    ReportSystemError(switches.Log);
    EndRun(EXIT_FAILED);
  }
  if (!wellFormed) {
    RefuseCommandLine(switches);
    EndRun(EXIT_BAD_COMMAND_LINE);
  }
  StartDriveSurvey();
  LearnScreenAndProgram();
  if (!ReadProductHeader() || !ReadScreenSettings()) EndRun(EXIT_PAYLOAD_UNREADABLE);
  wsprintfA(State.WindowTitle, "%s %s", State.ProductName, TXT_SETUP);

  if (!(State.PayloadFlags & PF_SIMPLE_MODE) && !(State.RunFlags & RF_SILENT)) CreateBackgroundWindow();
  if (State.RunFlags & RF_UNATTENDED) {
    if (!TakeWizardProposals()) EndRun(Failure(EXIT_BAD_COMMAND_LINE));
  } else if (!RunWizard()) {
    EndRun(Failure(EXIT_CANCELLED));
  }
  if (!RunSteps()) EndRun(Failure(EXIT_FAILED));
  EndRun((State.RunFlags & RF_RESTART_NEEDED) ? EXIT_RESTART_NEEDED : EXIT_DONE);
}
