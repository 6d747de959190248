// The window driver for end-to-end tests; see the header.
#include "tests/support/ui_driver.h"
#include "tests/support/box_answerer.h"

enum { POLL_MS = 20 };

const std::string& Screen::Text(int id) const
{
  static const std::string none = "<no control>";
  auto found = Texts.find(id);
  return found == Texts.end() ? none : found->second;
}

namespace {

struct Collected {
  DWORD ProcessId;
  std::vector<HWND> Windows;
};

BOOL CALLBACK CollectTop(HWND window, LPARAM context)
{
  auto* c = reinterpret_cast<Collected*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == c->ProcessId && IsWindowVisible(window)) c->Windows.push_back(window);
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM context)
{
  auto* screen = reinterpret_cast<Screen*>(context);
  if (GetParent(child) != screen->Window) return TRUE;
  const int id = GetDlgCtrlID(child);
  screen->Texts[id] = WindowText(child);
  screen->Visible[id] = IsWindowVisible(child) != 0;
  return TRUE;
}

std::string ClassName(HWND window)
{
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

struct ClassSearch {
  DWORD ProcessId;
  const char* ClassName;
  const std::set<HWND>* Skip;
  HWND Found;
};

BOOL CALLBACK FindOfClass(HWND window, LPARAM context)
{
  auto* search = reinterpret_cast<ClassSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->ProcessId || !IsWindowVisible(window) || ClassName(window) != search->ClassName ||
      (search->Skip != nullptr && search->Skip->count(window) != 0)) {
    return TRUE;
  }
  search->Found = window;
  return FALSE;
}

}  // namespace

HWND FindProcessWindow(DWORD processId, const char* className, const std::set<HWND>* skip)
{
  ClassSearch search{processId, className, skip, nullptr};
  EnumWindows(FindOfClass, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

Screen UiDriver::Read(HWND window) const
{
  Screen screen;
  screen.Window = window;
  screen.Caption = WindowText(window);
  screen.Class = ClassName(window);
  screen.Owner = GetWindow(window, GW_OWNER);
  GetWindowRect(window, &screen.Rect);
  EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&screen));
  return screen;
}

std::vector<std::string> UiDriver::WindowsNow() const
{
  Collected c{processId_, {}};
  EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&c));
  std::vector<std::string> names;
  for (HWND w : c.Windows) names.push_back(ClassName(w) + ":" + WindowText(w));
  return names;
}

bool UiDriver::WaitFor(const std::string& caption, Screen* screen, DWORD timeoutMs)
{
  const DWORD start = GetTickCount();
  do {
    Collected c{processId_, {}};
    EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&c));
    for (HWND w : c.Windows) {
      if (w == last_ || WindowText(w) != caption) continue;
      // Let the dialog finish its initialisation before it is read.
      Sleep(POLL_MS * 3);
      *screen = Read(w);
      last_ = w;
      std::string line = "shown \"" + screen->Caption + "\"";
      if (screen->IsMessageBox()) line += ": " + screen->Text(0xFFFF);
      transcript_.push_back(line);
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
  PostMessageA(screen.Window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(screen.Window, id)));
  transcript_.push_back("clicked " + std::to_string(id) + " on \"" + screen.Caption + "\"");
}

void UiDriver::Escape(const Screen& screen)
{
  // The dialog's message loop turns the key into the IDCANCEL command.
  PostMessageA(screen.Window, WM_KEYDOWN, VK_ESCAPE, 0);
  transcript_.push_back("pressed Esc on \"" + screen.Caption + "\"");
}

void UiDriver::Close(const Screen& screen)
{
  PostMessageA(screen.Window, WM_CLOSE, 0, 0);
  transcript_.push_back("closed \"" + screen.Caption + "\"");
}
