// The fixture of the install step tests: a fresh program-wide State as the
// install dialog leaves it (a temporary install folder made current, the
// log open aside, the progress dialog's label and bars on a hidden window
// that is the current dialog), a payload from the builder's writers behind
// a stand-in executable, boxes answered and a test failed that leaves one unexamined.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <memory>
#include <string>
#include <vector>
#include "tools/mksetup/section_writer.h"
#include "tests/support/files.h"
#include "tests/support/ui_driver.h"
#include "tools/mksetup/product.h"

// A file as the builder holds it, with one time for all three.
SourceFile Source(const Bytes& data, uint32_t attributes = FILE_ATTRIBUTE_ARCHIVE);
// Its item record as the builder writes it under these payload flags.
Bytes FileRecord(const Bytes& data, uint32_t attributes = FILE_ATTRIBUTE_ARCHIVE, unsigned flags = 0);
// The stand-in uninstaller's image with its fixed file version rewritten.
Bytes VersionedStandIn(DWORD ms, DWORD ls);

class StepFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  void Open(const Bytes& payload, unsigned flags = 0);
  void Answer(std::vector<ExpectedBox> script);
  std::vector<SeenBox> Boxes();  // every box since the last call
  // Exactly one error box, whose text is `subject` or ends with it on a line of its own.
  void ExpectOneErrorAbout(const std::string& subject);
  std::string Log();  // closes the log and returns its lines

  TempFolder folder_;  // the install folder, current while the step runs
  TempFolder aside_;   // the executable with the payload, and setup.inf
  char startDirectory_[MAX_PATH] = "";
  HWND window_ = nullptr;
  std::unique_ptr<BoxAnswerer> boxes_;
};
