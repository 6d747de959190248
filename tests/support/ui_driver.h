// Drives the windows of another process as a user would: waits for each of
// its dialogs and message boxes, reads them (caption, texts by control id,
// which controls are visible, the owner), types into edits, clicks buttons
// and keeps a transcript of everything it saw. Clicks are posted, never
// sent, so the driven program is free to open its next box.
#pragma once
#include <windows.h>
#include <map>
#include <set>
#include <string>
#include <vector>

struct Screen {
  HWND Window = nullptr;
  std::string Caption;
  std::string Class;
  HWND Owner = nullptr;
  std::map<int, std::string> Texts;  // by control id; a message box's text is id 0xFFFF
  std::map<int, bool> Visible;       // by control id
  RECT Rect = {};

  // A message box has its text in a static 0xFFFF and, unlike the setup
  // program's own dialogs (whose unnamed labels are 0xFFFF too), no control
  // numbered from 1000.
  bool IsMessageBox() const { return Texts.count(0xFFFF) != 0 && Texts.lower_bound(1000) == Texts.upper_bound(1006); }
  const std::string& Text(int id) const;
};

// The first visible top-level window of the process whose class is
// `className` and which is not in `skip`; null when there is none.
HWND FindProcessWindow(DWORD processId, const char* className, const std::set<HWND>* skip = nullptr);

class UiDriver {
 public:
  explicit UiDriver(DWORD processId) : processId_(processId) {}

  // Waits for a visible top-level window of the process with this caption
  // that is not the one last handled. False after the timeout, with what
  // was on screen noted in the transcript.
  bool WaitFor(const std::string& caption, Screen* screen, DWORD timeoutMs = 15000);

  // Waits until the window is gone or hidden.
  bool WaitGone(HWND window, DWORD timeoutMs = 15000);

  void Type(const Screen& screen, int id, const std::string& text);
  void Click(const Screen& screen, int id);
  void Escape(const Screen& screen);
  void Close(const Screen& screen);

  // Re-reads a window already found (texts change while it is shown).
  Screen Read(HWND window) const;

  // Visible top-level windows of the process now, as "class:caption".
  std::vector<std::string> WindowsNow() const;

  const std::vector<std::string>& Transcript() const { return transcript_; }

 private:
  DWORD processId_;
  HWND last_ = nullptr;
  std::vector<std::string> transcript_;
};
