// The common ground of the install step tests: a fixture that sets up the
// program-wide State as the install dialog would (fresh State, a temporary
// install folder made current, setup.inf written aside, the item label and
// both bars as children of a hidden window), puts a crafted payload behind
// a stand-in executable, answers message boxes and fails a test that leaves
// one unexamined. Plus small byte and text helpers for building payloads.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>
#include "payload/encode.h"
#include "tests/support/box_answerer.h"
#include "tests/support/files.h"

std::string Text(const Bytes& bytes);
Bytes BytesOf(const std::string& text);
Bytes Concat(std::initializer_list<Bytes> parts);
// The byte that ends a list of entries.
Bytes ListEnd();
bool EndsWith(const std::string& text, const std::string& end);
// A file's item record as the builder writes it when the payload has an
// end offset field (left zero): archive attribute, one fixed time for all
// three, and the LZW-compressed data.
Bytes PlainFileRecord(const Bytes& data);

class StepFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite();  // common controls for the bars
  void SetUp() override;
  // Fails on boxes not looked at, then closes the payload and the log,
  // destroys the controls and makes the starting folder current again.
  void TearDown() override;

  // Ranges, positions and label that the earlier items left on the bars.
  static void PresetBars(int overallMaximum, int overallPosition, int itemMaximum, int itemPosition);

  // Puts the payload behind a stand-in executable and opens it for reading.
  void Open(const Bytes& payload, unsigned flags = 0);

  // The boxes from here on are answered by this script.
  void Answer(std::vector<ExpectedBox> script);
  // Every box shown since the last call.
  std::vector<SeenBox> Boxes();
  void ExpectNoBox();

  // The lines written to setup.inf: the log is closed, or, when
  // logStartsAgain_ is set, started empty again.
  std::string Log();
  void OpenLog();

  std::string Label() const;
  int Position(int bar) const;
  int ItemMaximum() const;

  // Set by a derived constructor.
  bool installInAside_ = false;  // aside_ is the install folder; the current folder stays
  bool ownedByDialog_ = false;   // the hidden window is State.CurrentDialog
  bool logStartsAgain_ = false;

  TempFolder folder_;  // the install folder, current while the step runs
  TempFolder aside_;   // the executable with the payload, and setup.inf
  char startDirectory_[MAX_PATH] = "";
  HWND window_ = nullptr;
  std::unique_ptr<BoxAnswerer> boxes_;
};
