// Starting and ending the product of a scenario; see the header.
#include "tests/e2e/scenario.h"

Scenario::~Scenario()
{
  if (process_.hProcess != nullptr) {
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 998);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
}

void Scenario::Start(const std::string& product, const std::string& arguments)
{
  CopyProduct(product);
  if (!HasFatalFailure()) Launch(arguments);
}

void Scenario::CopyProduct(const std::string& product)
{
  const std::string source = ProgramFolder() + "\\..\\..\\e2e\\" + product;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((source + "\\SETUP.*").c_str(), &entry);
  ASSERT_NE(INVALID_HANDLE_VALUE, find) << "no product " << source;
  do {
    ASSERT_TRUE(CopyFileA((source + "\\" + entry.cFileName).c_str(), (folder_ / entry.cFileName).c_str(), FALSE));
  } while (FindNextFileA(find, &entry));
  FindClose(find);
}

void Scenario::Launch(const std::string& arguments)
{
  std::string commandLine = "\"" + (folder_ / "SETUP.EXE") + "\" " + arguments;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  ASSERT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                             folder_.Path().c_str(), &startup, &process_));
  driver_ = std::make_unique<UiDriver>(process_.dwProcessId);
}

DWORD Scenario::ExitCode(DWORD timeoutMs)
{
  if (process_.hProcess == nullptr) return 997;
  if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "setup did not end; on screen: " << ::testing::PrintToString(driver_->WindowsNow())
                  << "\n" << Transcript();
    TerminateProcess(process_.hProcess, 999);
    WaitForSingleObject(process_.hProcess, INFINITE);
  }
  DWORD code = 996;
  GetExitCodeProcess(process_.hProcess, &code);
  return code;
}

Screen Scenario::Expect(const std::string& caption)
{
  Screen screen;
  if (!driver_->WaitFor(caption, &screen)) ADD_FAILURE() << "no window \"" << caption << "\"\n" << Transcript();
  return screen;
}

void Scenario::ClickAway(const Screen& screen, int id)
{
  driver_->Click(screen, id);
  if (!driver_->WaitGone(screen.Window)) ADD_FAILURE() << "\"" << screen.Caption << "\" stayed\n" << Transcript();
}

std::string Scenario::Transcript() const
{
  std::string text;
  if (driver_)
    for (const std::string& line : driver_->Transcript()) text += "  " + line + "\n";
  return text;
}
