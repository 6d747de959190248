// The window driver and the box answerer; see the header. Both find the
// windows of a process the same way and answer by posting a click.
#include "tests/support/ui_driver.h"

enum { POLL_MS = 20, MESSAGE_TEXT_ID = 0xFFFF };

const std::string& Screen::Text(int id) const
{
  static const std::string none = "<no control>";
  auto found = Texts.find(id);
  return found == Texts.end() ? none : found->second;
}

std::string WindowText(HWND window)
{
  char text[2048] = "";
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 2000,
                      nullptr);
  return text;
}

static std::string ClassOf(HWND window)
{
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

struct Collected {
  DWORD ProcessId;
  std::vector<HWND> Windows;
};

static BOOL CALLBACK CollectTop(HWND window, LPARAM context)
{
  auto* c = reinterpret_cast<Collected*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == c->ProcessId && IsWindowVisible(window)) c->Windows.push_back(window);
  return TRUE;
}

std::vector<HWND> ProcessWindows(DWORD processId)
{
  Collected c{processId, {}};
  EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&c));
  return c.Windows;
}

HWND FindProcessWindow(DWORD processId, const char* className, const std::set<HWND>* skip)
{
  for (HWND w : ProcessWindows(processId))
    if (ClassOf(w) == className && (skip == nullptr || skip->count(w) == 0)) return w;
  return nullptr;
}

static BOOL CALLBACK CollectChild(HWND child, LPARAM context)
{
  auto* screen = reinterpret_cast<Screen*>(context);
  if (GetParent(child) != screen->Window) return TRUE;
  const int id = GetDlgCtrlID(child);
  screen->Texts[id] = WindowText(child);
  screen->Visible[id] = IsWindowVisible(child) != 0;
  return TRUE;
}

Screen ReadWindow(HWND window)
{
  Screen screen;
  screen.Window = window;
  screen.Caption = WindowText(window);
  screen.Owner = GetWindow(window, GW_OWNER);
  EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&screen));
  return screen;
}

static void PostClick(HWND window, int id)
{
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

std::vector<std::string> UiDriver::WindowsNow() const
{
  std::vector<std::string> names;
  for (HWND w : ProcessWindows(processId_)) names.push_back(WindowText(w));
  return names;
}

bool UiDriver::WaitFor(const std::string& caption, Screen* screen, DWORD timeoutMs)
{
  const DWORD start = GetTickCount();
  do {
    for (HWND w : ProcessWindows(processId_)) {
      if (w == last_ || WindowText(w) != caption) continue;
      Sleep(POLL_MS * 3);  // let the dialog finish its initialisation
      *screen = ReadWindow(w);
      last_ = w;
      transcript_.push_back("shown \"" + caption + "\"" +
                            (screen->IsMessageBox() ? ": " + screen->Text(MESSAGE_TEXT_ID) : ""));
      return true;
    }
    Sleep(POLL_MS);
  } while (GetTickCount() - start < timeoutMs);
  std::string seen;
  for (const std::string& w : WindowsNow()) seen += " [" + w + "]";
  transcript_.push_back("timed out waiting for \"" + caption + "\"; on screen:" + seen);
  return false;
}

bool UiDriver::WaitGone(HWND window, DWORD timeoutMs)
{
  const DWORD start = GetTickCount();
  while (IsWindow(window) && IsWindowVisible(window)) {
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(POLL_MS);
  }
  return true;
}

void UiDriver::Type(const Screen& screen, int id, const std::string& text)
{
  SendMessageTimeoutA(GetDlgItem(screen.Window, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                      SMTO_ABORTIFHUNG, 5000, nullptr);
  transcript_.push_back("typed into " + std::to_string(id) + ": " + text);
}

void UiDriver::Click(const Screen& screen, int id)
{
  PostClick(screen.Window, id);
  transcript_.push_back("clicked " + std::to_string(id) + " on \"" + screen.Caption + "\"");
}

void UiDriver::Close(const Screen& screen)
{
  PostMessageA(screen.Window, WM_CLOSE, 0, 0);
  transcript_.push_back("closed \"" + screen.Caption + "\"");
}

BoxAnswerer::BoxAnswerer(std::vector<ExpectedBox> script, DWORD processId)
    : script_(std::move(script)), processId_(processId)
{
  InitializeCriticalSection(&lock_);
  thread_ = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
}

BoxAnswerer::~BoxAnswerer()
{
  Finish();
  DeleteCriticalSection(&lock_);
}

std::vector<SeenBox> BoxAnswerer::Finish()
{
  if (thread_ != nullptr) {
    Sleep(POLL_MS * 2);  // one last look, so that a box still on screen is answered
    InterlockedExchange(&stop_, 1);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  EnterCriticalSection(&lock_);
  std::vector<SeenBox> seen = seen_;
  LeaveCriticalSection(&lock_);
  return seen;
}

bool BoxAnswerer::AllAnswered() const
{
  EnterCriticalSection(&lock_);
  bool all = next_ == script_.size();
  for (const SeenBox& box : seen_) all = all && box.Expected;
  LeaveCriticalSection(&lock_);
  return all;
}

DWORD WINAPI BoxAnswerer::ThreadMain(void* self)
{
  auto* answerer = static_cast<BoxAnswerer*>(self);
  while (!answerer->stop_) {
    answerer->Poll();
    Sleep(POLL_MS / 2);
  }
  answerer->Poll();
  return 0;
}

void BoxAnswerer::Poll()
{
  for (HWND window : ProcessWindows(processId_)) {
    const Screen box = ReadWindow(window);
    EnterCriticalSection(&lock_);
    ExpectedBox* step = nullptr;
    const bool isBox = ClassOf(window) == "#32770" && box.IsMessageBox();
    if (isBox && next_ < script_.size() && script_[next_].Caption == box.Caption) step = &script_[next_++];
    if (isBox) seen_.push_back({box.Caption, box.Text(MESSAGE_TEXT_ID), box.Owner, step != nullptr});
    LeaveCriticalSection(&lock_);
    if (!isBox) continue;
    if (step != nullptr && step->Before) step->Before();
    int button = step != nullptr ? step->Button : 0;
    for (int id : {IDCANCEL, IDNO, IDOK})
      if (button == 0 && GetDlgItem(window, id) != nullptr) button = id;
    PostClick(window, button);
    // Wait for it to go, so that it is not taken twice.
    for (int i = 0; i < 500 && IsWindow(window) && IsWindowVisible(window); ++i) Sleep(POLL_MS / 2);
  }
}
