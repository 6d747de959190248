// A scenario of the end-to-end tests: a product built by mksetup (under
// build/e2e/<name>/), copied into a test folder, started as a user would
// start it, and driven through its windows.
#pragma once
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include "tests/support/files.h"
#include "tests/support/ui_driver.h"

class Scenario : public ::testing::Test {
 protected:
  ~Scenario() override;

  // Copies the product's setup files into the test folder and starts it.
  void Start(const std::string& product, const std::string& arguments = "");

  // The two halves of Start, for tests that change the copy before it runs.
  void CopyProduct(const std::string& product);
  void Launch(const std::string& arguments);

  // Waits for the process to end; its exit code, or 999 when it had to be
  // ended after the timeout.
  DWORD ExitCode(DWORD timeoutMs = 30000);

  // Waits for a window by caption; fails the test when it does not come.
  Screen Expect(const std::string& caption);

  // Clicks a button and waits for its window to go.
  void ClickAway(const Screen& screen, int id);

  UiDriver& Driver() { return *driver_; }
  std::string Transcript() const;

  TempFolder folder_;
  std::unique_ptr<UiDriver> driver_;
  PROCESS_INFORMATION process_ = {};
};
