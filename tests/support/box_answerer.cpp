// The message-box answering thread; see the header. Boxes are found with
// EnumWindows and answered by posting a click, never by sending one: a
// sent click would block while the answered code opens its next box.
#include "tests/support/box_answerer.h"

enum { MESSAGE_TEXT_ID = 0xFFFF, POLL_MS = 10 };

std::string WindowText(HWND window)
{
  char text[2048] = "";
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, 2000, nullptr);
  return text;
}

static std::string ClassOf(HWND window)
{
  char name[128] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
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
    // One last look, so that a box still on screen is answered, not left.
    Sleep(POLL_MS * 3);
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

std::vector<std::string> BoxAnswerer::WindowsSeen() const
{
  EnterCriticalSection(&lock_);
  std::vector<std::string> windows = windows_;
  LeaveCriticalSection(&lock_);
  return windows;
}

DWORD WINAPI BoxAnswerer::ThreadMain(void* self)
{
  static_cast<BoxAnswerer*>(self)->Run();
  return 0;
}

void BoxAnswerer::Run()
{
  while (!stop_) {
    Poll();
    Sleep(POLL_MS);
  }
  Poll();
}

struct Found {
  DWORD ProcessId;
  std::vector<HWND> Windows;
};

static BOOL CALLBACK Collect(HWND window, LPARAM context)
{
  Found* found = reinterpret_cast<Found*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == found->ProcessId && IsWindowVisible(window)) found->Windows.push_back(window);
  return TRUE;
}

static bool HasButton(HWND box, int id) { return GetDlgItem(box, id) != nullptr; }

static void Click(HWND box, int id)
{
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}

void BoxAnswerer::Poll()
{
  Found found{processId_, {}};
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&found));
  for (HWND window : found.Windows) {
    const std::string caption = WindowText(window);
    const std::string className = ClassOf(window);
    EnterCriticalSection(&lock_);
    const std::string entry = className + ":" + caption;
    bool known = false;
    for (const std::string& w : windows_) known = known || w == entry;
    if (!known) windows_.push_back(entry);
    bool handled = false;
    for (HWND h : handled_) handled = handled || h == window;
    LeaveCriticalSection(&lock_);

    // A message box is a dialog whose text static carries the id 0xFFFF and
    // that has none of the setup program's own controls (1000 and up).
    bool ownControls = false;
    for (int id = 1000; id <= 1006; ++id) ownControls = ownControls || GetDlgItem(window, id) != nullptr;
    if (handled || className != "#32770" || GetDlgItem(window, MESSAGE_TEXT_ID) == nullptr || ownControls)
      continue;

    SeenBox box{caption, WindowText(GetDlgItem(window, MESSAGE_TEXT_ID)),
                GetWindow(window, GW_OWNER), false};
    ExpectedBox* step = nullptr;
    EnterCriticalSection(&lock_);
    if (next_ < script_.size() && script_[next_].Caption == caption) {
      step = &script_[next_++];
      box.Expected = true;
    }
    seen_.push_back(box);
    handled_.push_back(window);
    LeaveCriticalSection(&lock_);

    if (step != nullptr) {
      if (step->Before) step->Before();
      Click(window, step->Button);
    } else {
      const int ids[] = {IDCANCEL, IDNO, IDOK};
      for (int id : ids) {
        if (HasButton(window, id)) {
          Click(window, id);
          break;
        }
      }
    }
    // Wait for the answered box to go, so that it is not taken twice and a
    // later box that reuses its handle is still seen.
    for (int i = 0; i < 500 && IsWindow(window) && IsWindowVisible(window); ++i) Sleep(POLL_MS);
    EnterCriticalSection(&lock_);
    handled_.clear();
    LeaveCriticalSection(&lock_);
  }
}
