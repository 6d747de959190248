// The scenario runner of the end-to-end tests: a product built by mksetup
// (build/e2e/<name>/) is copied into a test folder, started, and either
// driven window by window or run through as a user who answers each window
// by a table of replies; plus what the scenarios read back from the machine.
#pragma once
#include <gtest/gtest.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>
#include "tests/support/files.h"
#include "tests/support/ui_driver.h"

extern const char UNINSTALL_KEY[];

// How a user answers a window: by caption (and the text of a box, when
// given); Button 0 leaves the window to the program; Action runs first.
// A reply is used at most Times times (0: always).
struct Reply {
  std::string Caption;
  int Button;
  std::string BoxText = "";
  int Times = 0;
  std::function<void(const Screen&)> Action = {};
};

class Scenario : public ::testing::Test {
 protected:
  ~Scenario() override;
  void Start(const std::string& product, const std::string& arguments = "");
  void CopyProduct(const std::string& product);
  void Launch(const std::string& arguments);
  // The exit code, or 999 when the process had to be ended after the timeout.
  DWORD ExitCode(DWORD timeoutMs = 60000);
  Screen Expect(const std::string& caption);
  void ClickAway(const Screen& screen, int id);
  UiDriver& Driver() { return *driver_; }
  std::string Transcript() const;

  // Answers every window until the process ends: `replies` first, then a
  // user who accepts every proposal and installs into `folder`. Returns the
  // exit code; Seen() holds every window met, in order.
  DWORD RunThrough(const std::string& folder, std::vector<Reply> replies = {});
  const std::vector<Screen>& Seen() const { return seen_; }
  int MessageBoxes() const;

  TempFolder folder_;
  std::unique_ptr<UiDriver> driver_;
  PROCESS_INFORMATION process_ = {};
  std::vector<Screen> seen_;
};

// A file of the generated tree (build/e2e-tree) as Wine sees it.
std::string TreeFile(const std::string& relative);
// The pool file the product's Uninstall entry names ("" without one).
std::string RegisteredUninstaller(const std::string& product);
// What a roll-back run of the recorder uninstaller appends to its record.
std::string RollBackRecord(const std::string& uninstaller, const std::string& product, const std::string& folder);
bool OwnPrefix();
