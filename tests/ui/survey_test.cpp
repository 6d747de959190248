// The drive survey racing the confirmation page, and the space check's
// comparison at its edges, against the drives of the test prefix. (The
// shortage as the user meets it is checked end to end.)
#include <gtest/gtest.h>
#include "app/state.h"
#include "resources/dialogs.h"
#include "tests/support/files.h"
#include "tests/support/ui_driver.h"
#include "ui/survey.h"

enum { DRIVE_C = 2, HANG_LIMIT_MS = 30000 };

static DWORD WINAPI ShowOnOtherThread(void* page)
{
  DestinationSpace(static_cast<HWND>(page));
  return 0;
}

class Survey : public ::testing::Test {
 protected:
  void SetUp() override
  {
    InitSetupState();
    page_ = CreateWindowExA(0, "STATIC", "page 4", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
    CreateWindowExA(0, "STATIC", "", WS_CHILD, 10, 10, 200, 20, page_, reinterpret_cast<HMENU>(IDC_FREE), nullptr,
                    nullptr);
    State.CurrentDialog = page_;
    lstrcpyA(State.InstallFolder, "C:\\x");
  }
  void TearDown() override { DestroyWindow(page_); }
  std::string Label() const
  {
    char text[64] = "";
    GetDlgItemTextA(page_, IDC_FREE, text, sizeof text);
    return text;
  }
  HWND page_ = nullptr;
};

TEST_F(Survey, PageShownWhileTheSurveyRunsWaitsForTheEntry)
{
  HANDLE thread = CreateThread(nullptr, 0, SurveyDrives, nullptr, 0, nullptr);
  ASSERT_NE(nullptr, thread);
  DestinationSpace(page_);
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, HANG_LIMIT_MS));
  CloseHandle(thread);
  EXPECT_EQ(std::string(State.DriveSpaceTable[DRIVE_C].Text), Label());
  EXPECT_NE("", Label());
  for (int index = 0; index < DRIVE_COUNT; ++index) EXPECT_EQ(1, State.DriveSpaceTable[index].Ready);
}

TEST_F(Survey, PageShownWithoutAnySurveyAsksTheDriveItself)
{
  // On a thread of its own, so that a wait that never ends fails the test
  // instead of hanging it; the label's messages are served meanwhile.
  HANDLE thread = CreateThread(nullptr, 0, ShowOnOtherThread, page_, 0, nullptr);
  ASSERT_NE(nullptr, thread);
  bool ended = false;
  for (const DWORD start = GetTickCount(); !ended && GetTickCount() - start < HANG_LIMIT_MS;) {
    ended = MsgWaitForMultipleObjects(1, &thread, FALSE, 100, QS_ALLINPUT) == WAIT_OBJECT_0;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  ASSERT_TRUE(ended) << "the page waited for a survey that never ran";
  CloseHandle(thread);
  EXPECT_EQ(1, State.DriveSpaceTable[DRIVE_C].Ready);
  EXPECT_EQ(std::string(State.DriveSpaceTable[DRIVE_C].Text), Label());
}

TEST_F(Survey, SpaceCheckRefusesOnlyWhatDoesNotFit)
{
  struct Row {
    const char* Folder;
    const char* Free;  // the survey's entry for C:, as shown
    const char* Required;
    bool Refused;
  };
  const Row rows[] = {
      {"C:\\x", "1.05MB", "1.50MB", true},   {"C:\\x", "1KB", "1023B", false},
      {"C:\\x", "1KB", "1KB", false},        {"C:\\x", "1.05MB", "1.06MB", true},
      {"\\\\nosuchserver\\share\\x", "1KB", "15.99EB", false},  // unknown free space passes
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.Free) + " for " + row.Required);
    DriveSpace& entry = State.DriveSpaceTable[DRIVE_C];
    lstrcpyA(entry.Text, row.Free);
    entry.Ready = 1;
    lstrcpyA(State.InstallFolder, row.Folder);
    DestinationSpace(page_);
    lstrcpyA(State.RequiredSizeText, row.Required);
    BoxAnswerer answerer({{"領域不足ｴﾗｰ", IDOK}});
    EXPECT_EQ(row.Refused ? 0 : 1, CheckDiskSpace(0));
    const std::vector<SeenBox> boxes = answerer.Finish();
    EXPECT_EQ(row.Refused ? 1u : 0u, boxes.size());
    if (row.Refused && !boxes.empty()) { EXPECT_EQ(page_, boxes[0].Owner); }
  }
}
