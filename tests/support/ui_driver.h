// Drives windows as a user would. UiDriver works another process's dialogs
// and message boxes: reads each (caption, texts by control id, owner),
// types, clicks and keeps a transcript. BoxAnswerer answers the
// message boxes of a process from a helper thread by a script and dismisses
// unexpected ones, so that a test fails instead of hanging. Clicks are
// posted, never sent: the driven code is free to open its next box.
#pragma once
#include <windows.h>
#include <atomic>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

struct Screen {
  HWND Window = nullptr;
  std::string Caption;
  HWND Owner = nullptr;
  std::map<int, std::string> Texts;  // by control id; a message box's text is id 0xFFFF
  // A message box has its text in a static 0xFFFF and, unlike the setup
  // program's dialogs (whose unnamed labels are 0xFFFF too), no control from 1000.
  bool IsMessageBox() const { return Texts.count(0xFFFF) != 0 && Texts.lower_bound(1000) == Texts.upper_bound(1006); }
  std::string Text(int id) const { return Texts.count(id) ? Texts.at(id) : "<no control>"; }
};

std::string WindowText(HWND window);
std::string CaptionOf(HWND window);
Screen ReadWindow(HWND window);
// The first visible top-level window of the process of this class that is
// not in `skip`, in Z order; null when none is.
HWND FindProcessWindow(DWORD processId, const char* className, const std::set<HWND>* skip = nullptr);

class UiDriver {
 public:
  explicit UiDriver(DWORD processId) : processId_(processId) {}
  void Type(const Screen& screen, int id, const std::string& text);
  void Click(const Screen& screen, int id);
  Screen Read(HWND window) const { return ReadWindow(window); }
  std::vector<std::string> WindowsNow() const;  // "caption" of each window
  const std::vector<std::string>& Transcript() const { return transcript_; }

 private:
  DWORD processId_;
  std::vector<std::string> transcript_;
};

// A box the script expects, the button that answers it (IDOK, IDYES, ...), and
// what runs after the box is read, before the click.
struct ExpectedBox { std::string Caption; int Button; std::function<void()> Before = {}; };
struct SeenBox { std::string Caption, Text; HWND Owner; bool Expected; };

class BoxAnswerer {
 public:
  explicit BoxAnswerer(std::vector<ExpectedBox> script, DWORD processId = GetCurrentProcessId());
  ~BoxAnswerer() { Finish(); }
  std::vector<SeenBox> Finish();  // stops watching; every box seen, in order
  bool AllAnswered() const;       // after Finish: every expected box came and nothing else

 private:
  void Watch(DWORD processId);
  std::vector<ExpectedBox> script_;
  size_t next_ = 0;
  std::vector<SeenBox> seen_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};
