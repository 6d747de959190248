// The real setup.exe started with crafted payloads: what the user sees at
// start-up, and that the process ends with exit code 0 on every path.
#include <gtest/gtest.h>
#include "app/flags.h"
#include "tests/support/box_answerer.h"
#include "tests/support/files.h"
#include "tests/support/payloads.h"
#include "tests/support/ui_driver.h"

class Startup : public ::testing::Test {
 protected:
  // Copies the built setup.exe into the test folder with the payload behind it.
  std::string Build(const Bytes& payload)
  {
    Bytes image = ReadWholeFile(ProgramFolder() + "\\setup.exe");
    EXPECT_GT(image.size(), 1024u);
    EXPECT_TRUE(AttachPayload(image, payload));
    const std::string path = folder_ / "SETUP.EXE";
    EXPECT_TRUE(WriteWholeFile(path, image));
    return path;
  }

  // Runs the program while the answerer handles its boxes; returns the exit
  // code. A simple-mode folder page, once it shows, is cancelled.
  DWORD Run(const std::string& path, std::vector<ExpectedBox> script, const char* arguments = "",
            const char* folderPage = nullptr)
  {
    std::string commandLine = "\"" + path + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder_.Path().c_str(), &startup, &process)) {
      ADD_FAILURE() << "CreateProcess failed: " << GetLastError();
      return 999;
    }
    answerer_ = std::make_unique<BoxAnswerer>(std::move(script), process.dwProcessId);
    if (folderPage != nullptr) {
      UiDriver driver(process.dwProcessId);
      Screen page;
      if (driver.WaitFor(folderPage, &page)) driver.Click(page, 1001);
      else ADD_FAILURE() << "no folder page \"" << folderPage << "\"";
    }
    const DWORD waited = WaitForSingleObject(process.hProcess, 30000);
    if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 998);
    WaitForSingleObject(process.hProcess, INFINITE);
    boxes_ = answerer_->Finish();
    DWORD code = 997;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
  }

  TempFolder folder_;
  std::unique_ptr<BoxAnswerer> answerer_;
  std::vector<SeenBox> boxes_;
};

TEST_F(Startup, WholeHeaderRunsToTheEndAndExitsWithZero)
{
  StartupFields fields;
  fields.Flags = PF_SIMPLE_MODE;
  Bytes payload = StartupSections(fields);
  PutString(payload, "C:\\Test", 260);
  PutInt32(payload, 1);
  EXPECT_EQ(0u, Run(Build(payload), {}, "T V", "テスト製品 ｾｯﾄｱｯﾌﾟ"));
  EXPECT_TRUE(answerer_->AllAnswered());
}

TEST_F(Startup, HeaderCutShortEndsWithoutAnyWindow)
{
  const Bytes whole = StartupSections(StartupFields{});
  for (size_t cut : {size_t{0}, size_t{3}, whole.size() - 1}) {
    SCOPED_TRACE(cut);
    EXPECT_EQ(0u, Run(Build(Bytes(whole.begin(), whole.begin() + cut)), {}));
    EXPECT_TRUE(boxes_.empty());
    EXPECT_TRUE(answerer_->WindowsSeen().empty());
  }
}

TEST_F(Startup, MissingPayloadIsReportedOnceBeforeAnyWindow)
{
  Bytes image = ReadWholeFile(ProgramFolder() + "\\setup.exe");
  const std::string path = folder_ / "SETUP.EXE";
  ASSERT_TRUE(WriteWholeFile(path, image));
  EXPECT_EQ(0u, Run(path, {{"ｴﾗｰ情報", IDOK}}));
  EXPECT_TRUE(answerer_->AllAnswered());
  ASSERT_EQ(1u, boxes_.size());
  EXPECT_EQ("セットアッププログラムに障害があるため使用できません.", boxes_[0].Text);
  EXPECT_EQ(1u, answerer_->WindowsSeen().size());
}

TEST_F(Startup, HeaderSpanningTwoVolumesAsksForTheSecondDisk)
{
  StartupFields fields;
  fields.Flags = PF_SPANNED | PF_SIMPLE_MODE;
  const Bytes whole = StartupSections(fields);
  const size_t split = 30;  // inside the screen settings
  const std::string path = Build(Bytes(whole.begin(), whole.begin() + split));
  Bytes rest(whole.begin() + split, whole.end());
  PutString(rest, "C:\\Test", 260);
  PutInt32(rest, 1);
  ASSERT_TRUE(WriteWholeFile(folder_ / "SETUP.002", rest));
  EXPECT_EQ(0u, Run(path, {{"FD交換", IDOK}}, "", "テスト製品 ｾｯﾄｱｯﾌﾟ"));
  EXPECT_TRUE(answerer_->AllAnswered());
  ASSERT_EQ(1u, boxes_.size());
  EXPECT_EQ("次の FD (#2) に入れ替えてください.", boxes_[0].Text);
}

TEST_F(Startup, CancelledDiskPromptEndsTheRunWithZero)
{
  StartupFields fields;
  fields.Flags = PF_SPANNED;
  const Bytes whole = StartupSections(fields);
  const size_t afterFace = 21 + 13;  // the font size is the first field on disk 2
  const std::string path = Build(Bytes(whole.begin(), whole.begin() + afterFace));
  EXPECT_EQ(0u, Run(path, {{"FD交換", IDCANCEL}}));
  EXPECT_TRUE(answerer_->AllAnswered());
  EXPECT_EQ(1u, boxes_.size());
}

TEST_F(Startup, CancelInsideAStringAsksOnceMoreForTheSameDisk)
{
  // A string cut by a cancelled prompt counts as read, so the next field
  // asks for the disk again; a second cancel ends the run.
  StartupFields fields;
  fields.Flags = PF_SPANNED;
  const Bytes whole = StartupSections(fields);
  const std::string path = Build(Bytes(whole.begin(), whole.begin() + 30));
  EXPECT_EQ(0u, Run(path, {{"FD交換", IDCANCEL}, {"FD交換", IDCANCEL}}));
  EXPECT_TRUE(answerer_->AllAnswered());
  ASSERT_EQ(2u, boxes_.size());
  EXPECT_EQ(boxes_[0].Text, boxes_[1].Text);
}
