// The scenario runner of the end-to-end tests: a product built by mksetup
// (build/e2e/<name>/) is copied into a test folder and started, or any
// command line is, and each window is answered as a user would, by a table
// of replies; plus what the scenarios read back from the machine.
#pragma once
#include <gtest/gtest.h>
#include <memory>
#include "tests/support/files.h"
#include "tests/support/ui_driver.h"

extern const char UNINSTALL_KEY[];

// How a user answers a window: by caption (and the text of a box, when
// given); Button 0 leaves the window to the program; Action runs first.
// A reply is used at most Times times (0: always). With OwnerAgain, the
// box's owner is met again once the box has gone.
struct Reply {
  std::string Caption;
  int Button;
  std::string BoxText = "";
  int Times = 0;
  std::function<void(const Screen&)> Action = {};
  bool OwnerAgain = false;
};

class Scenario : public ::testing::Test {
 protected:
  void SetUp() override;
  ~Scenario() override;
  void CopyProduct(const std::string& product);
  void Launch(const std::string& arguments) { Run("\"" + (folder_ / "SETUP.EXE") + "\" " + arguments); }
  void Run(std::string commandLine);  // forgets the windows met
  // The exit code, or 999 when the process had to be ended after the timeout.
  DWORD ExitCode(DWORD timeoutMs = 60000);
  // Answers every window until the process ends: `replies` first, then a
  // user who accepts every proposal and installs into `folder`.
  DWORD RunThrough(const std::string& folder, std::vector<Reply> replies = {});
  std::string Transcript() const;  // the windows met
  int Count(const std::string& caption) const;  // windows met with this caption ("": message boxes)
  std::string BoxText(const std::string& caption) const;  // of the last such box met
  // Windows starting again: the moves planned for its next start happen.
  void Restart();

  TempFolder folder_;
  std::unique_ptr<UiDriver> driver_;
  PROCESS_INFORMATION process_ = {};
  std::vector<Screen> seen_;  // every window met, in order
};

// A file of the generated tree (build/e2e-tree), or of the sources, as Wine sees it.
std::string TreeFile(const std::string& relative);
std::string SourceFile(const std::string& relative);
std::string Special(int csidl);
// The pool file the product's Uninstall entry names ("" without one).
std::string RegisteredUninstaller(const std::string& product);

// Each file and folder below `folder` by its relative path: attributes
// (without the archive bit) and, from detail 1 on, size and a hash of the
// contents; 2 adds the last write time, 3 the last access time.
std::map<std::string, std::string> Tree(const std::string& folder, int detail, bool recurse = true);

// Everything an installation may touch, one line per file, folder, key and
// value: the test folder, the Windows and system folders, the desktop and
// the Start menu, HKLM and HKCU (and so HKCR) below Software.
using Snapshot = std::set<std::string>;
Snapshot Take(const std::string& testFolder);
// The changes between two snapshots ("-" gone, "+" come) that contain none
// of the explained texts, printed as a list ("{}" when there are none).
std::string Unexplained(const Snapshot& before, const Snapshot& after, const std::vector<std::string>& explained = {});
