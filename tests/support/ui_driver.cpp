// The window driver and the box answerer; see the header. Both find the
// windows of a process the same way and click by posting.
#include "tests/support/ui_driver.h"

enum { POLL_MS = 20, MESSAGE_TEXT_ID = 0xFFFF };

std::string WindowText(HWND window)
{
  char text[2048] = "";
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 2000,
                      nullptr);
  return text;
}

// The system's copy of a window's caption: read without a message, it
// answers at once even while the program is busy.
std::string CaptionOf(HWND window)
{
  char text[256] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

static std::string ClassOf(HWND window)
{
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

// The visible top-level windows of a process, in Z order.
static std::vector<HWND> ProcessWindows(DWORD processId)
{
  std::vector<HWND> windows;
  for (HWND w = GetTopWindow(nullptr); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == processId && IsWindowVisible(w)) windows.push_back(w);
  }
  return windows;
}

HWND FindProcessWindow(DWORD processId, const char* className, const std::set<HWND>* skip)
{
  for (HWND w : ProcessWindows(processId))
    if (ClassOf(w) == className && (skip == nullptr || skip->count(w) == 0)) return w;
  return nullptr;
}

Screen ReadWindow(HWND window)
{
  Screen screen;
  screen.Window = window;
  screen.Caption = CaptionOf(window);
  screen.Owner = GetWindow(window, GW_OWNER);
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
    screen.Texts[GetDlgCtrlID(child)] = WindowText(child);
  return screen;
}

static void PostClick(HWND window, int id)
{
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

std::vector<std::string> UiDriver::WindowsNow() const
{
  std::vector<std::string> names;
  for (HWND w : ProcessWindows(processId_)) names.push_back(CaptionOf(w));
  return names;
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

BoxAnswerer::BoxAnswerer(std::vector<ExpectedBox> script, DWORD processId)
    : script_(std::move(script)), thread_(&BoxAnswerer::Watch, this, processId) {}

std::vector<SeenBox> BoxAnswerer::Finish()
{
  if (thread_.joinable()) {
    Sleep(POLL_MS * 2);  // one last look, so that a box still on screen is answered
    stop_ = true;
    thread_.join();
  }
  return seen_;
}

bool BoxAnswerer::AllAnswered() const
{
  bool all = next_ == script_.size();
  for (const SeenBox& box : seen_) all = all && box.Expected;
  return all;
}

// Answers each message box of the process once: by the script when it is
// the next expected one, otherwise with Cancel, No or OK.
void BoxAnswerer::Watch(DWORD processId)
{
  for (bool last = false; !last; Sleep(POLL_MS / 2)) {
    last = stop_;
    for (HWND window : ProcessWindows(processId)) {
      // Only dialogs are read: a window of a thread that is not pumping would hold up the answerer.
      const Screen box = ClassOf(window) == "#32770" ? ReadWindow(window) : Screen{};
      if (!box.IsMessageBox()) continue;
      ExpectedBox* step = next_ < script_.size() && script_[next_].Caption == box.Caption ? &script_[next_++] : nullptr;
      seen_.push_back({box.Caption, box.Text(MESSAGE_TEXT_ID), box.Owner, step != nullptr});
      if (step != nullptr && step->Before) step->Before();
      int button = step != nullptr ? step->Button : 0;
      for (int id : {IDCANCEL, IDNO, IDOK})
        if (button == 0 && GetDlgItem(window, id) != nullptr) button = id;
      PostClick(window, button);
      for (int wait = 0; wait < 250 && IsWindow(window) && IsWindowVisible(window); ++wait) Sleep(POLL_MS);  // not taken twice
    }
  }
}
