// Answers the message boxes of a process from a helper thread, the way a
// user would: each expected box is waited for by caption, read (text,
// owner, buttons), optionally prepared for by an action, and answered by a
// click. Boxes nobody expected are recorded and dismissed so that a test
// can fail instead of hanging. Also records every visible top-level window
// the process shows.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

struct ExpectedBox {
  std::string Caption;               // exact caption (Shift-JIS)
  int Button;                        // control id to click: IDOK, IDYES, ...
  std::function<void()> Before = {}; // runs after the box is read, before the click
};

struct SeenBox {
  std::string Caption;
  std::string Text;
  HWND Owner;
  bool Expected;
};

class BoxAnswerer {
 public:
  // Starts watching the boxes of process `processId` (default: this one).
  explicit BoxAnswerer(std::vector<ExpectedBox> script, DWORD processId = GetCurrentProcessId());
  ~BoxAnswerer();

  // Stops watching; returns every box seen, in order.
  std::vector<SeenBox> Finish();

  // True when every expected box was seen and nothing else was.
  bool AllAnswered() const;

  // Captions and classes of every visible top-level window seen so far.
  std::vector<std::string> WindowsSeen() const;

 private:
  static DWORD WINAPI ThreadMain(void* self);
  void Run();
  void Poll();

  std::vector<ExpectedBox> script_;
  size_t next_ = 0;
  DWORD processId_;
  std::vector<SeenBox> seen_;
  std::vector<std::string> windows_;
  std::vector<HWND> handled_;
  HANDLE thread_ = nullptr;
  volatile LONG stop_ = 0;
  mutable CRITICAL_SECTION lock_;
};

// The text of a window as another process would read it (WM_GETTEXT).
std::string WindowText(HWND window);
