// The drive survey racing the confirmation page, and the space check's
// comparison at its edges, against the drives of the test prefix. (The
// shortage as the user meets it is checked end to end.)
#include <gtest/gtest.h>
#include "app/state.h"
#include "resources/dialogs.h"
#include "tests/support/ui_driver.h"
#include "ui/survey.h"

enum { DRIVE_Z = 25, HANG_LIMIT_MS = 30000 };  // Z: is the drive the survey reaches last

// A stand-in for the confirmation page: its free-space label only.
static HWND NewPage()
{
  HWND page = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
  CreateWindowExA(0, "STATIC", "", WS_CHILD, 10, 10, 200, 20, page, reinterpret_cast<HMENU>(IDC_FREE), nullptr,
                  nullptr);
  return page;
}

// Shows a page and leaves the free space it showed in `shown`; run on a
// thread of its own where a wait that never ends must fail, not hang.
static DWORD WINAPI ShowPage(void* shown)
{
  HWND page = NewPage();
  DestinationSpace(page);
  GetDlgItemTextA(page, IDC_FREE, static_cast<char*>(shown), 64);
  DestroyWindow(page);
  return 0;
}

TEST(Survey, PageWaitsForARunningSurveyAndAsksTheDriveItselfWithoutOne)
{
  for (const bool surveying : {false, true}) {
    SCOPED_TRACE(surveying ? "while the survey runs" : "without a survey");
    InitSetupState();
    lstrcpyA(State.InstallFolder, "Z:\\x");
    char shown[64] = "";
    if (surveying) {
      // Shown at once after the survey starts: the page must wait for Z:.
      HANDLE survey = CreateThread(nullptr, 0, SurveyDrives, nullptr, 0, nullptr);
      ShowPage(shown);
      ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(survey, HANG_LIMIT_MS));
      CloseHandle(survey);
    } else {
      HANDLE page = CreateThread(nullptr, 0, ShowPage, shown, 0, nullptr);
      ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(page, HANG_LIMIT_MS)) << "the page is still waiting";
      CloseHandle(page);
    }
    EXPECT_STRNE("", shown);
    EXPECT_STREQ(State.DriveSpaceTable[DRIVE_Z].Text, shown);
  }
}

TEST(Survey, SpaceCheckRefusesOnlyWhatDoesNotFit)
{
  const struct {
    const char* Folder;
    const char* Free;  // the survey's entry for Z:, as shown
    const char* Required;
    bool Refused;
  } rows[] = {
      {"Z:\\x", "1.05MB", "1.06MB", true}, {"Z:\\x", "1KB", "1KB", false},  // the comparison's edges are the size texts'
      {"\\\\nosuchserver\\share\\x", "1KB", "15.99EB", false},  // unknown free space passes
  };
  InitSetupState();
  State.CurrentDialog = NewPage();
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.Free) + " for " + row.Required);
    lstrcpyA(State.DriveSpaceTable[DRIVE_Z].Text, row.Free);
    State.DriveSpaceTable[DRIVE_Z].Ready = 1;
    lstrcpyA(State.InstallFolder, row.Folder);
    DestinationSpace(State.CurrentDialog);
    lstrcpyA(State.RequiredSizeText, row.Required);
    BoxAnswerer answerer({{"領域不足ｴﾗｰ", IDOK}});
    EXPECT_EQ(row.Refused ? 0 : 1, CheckDiskSpace(0));
    const std::vector<SeenBox> boxes = answerer.Finish();
    EXPECT_EQ(row.Refused ? 1u : 0u, boxes.size());
    EXPECT_EQ(row.Refused ? State.CurrentDialog : nullptr, boxes.empty() ? nullptr : boxes[0].Owner);
  }
  DestroyWindow(State.CurrentDialog);
}
