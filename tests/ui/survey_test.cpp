// The drive survey and the confirmation page's free space and space check,
// against the drives of the test prefix: what the survey records per drive,
// what label 1006 shows for each kind of destination, and when the page
// refuses to be left.
#include <gtest/gtest.h>
#include <string>
#include "app/state.h"
#include "resources/dialogs.h"
#include "tests/support/box_answerer.h"
#include "tests/support/files.h"
#include "ui/size_text.h"
#include "ui/survey.h"

enum { DRIVE_C = 2, HANG_LIMIT_MS = 30000 };

static const char NO_SPACE_TEXT[] =
    "空きディスク容量が足りません。\n\n前のページに戻り別のドライブを選択するか、ディスクの空き領域を増やしてください。";
static const char NO_SPACE_CAPTION[] = "領域不足ｴﾗｰ";
static const char UNKNOWN_TEXT[] = "不明";

static std::string Root(int index) { return std::string(1, static_cast<char>('A' + index)) + ":\\"; }

static bool IsAskedBySurvey(UINT type)
{
  return type != DRIVE_UNKNOWN && type != DRIVE_NO_ROOT_DIR && type != DRIVE_REMOVABLE &&
         type != DRIVE_CDROM;
}

// The first drive other than C: that the survey asks, or -1.
static int OtherAskedDrive()
{
  for (int index = DRIVE_COUNT - 1; index >= 0; --index) {
    if (index != DRIVE_C && IsAskedBySurvey(GetDriveTypeA(Root(index).c_str()))) return index;
  }
  return -1;
}

// A letter with nothing behind it.
static int LetterWithoutRoot()
{
  for (int index = DRIVE_COUNT - 1; index >= 0; --index) {
    if (GetDriveTypeA(Root(index).c_str()) == DRIVE_NO_ROOT_DIR) return index;
  }
  return -1;
}

// What the drive reports now, to bracket what the survey saw: other
// programs write to the same disk while the tests run.
struct DiskNow {
  unsigned long long Free;
  unsigned long long Total;
};

static DiskNow AskDisk(int index)
{
  ULARGE_INTEGER available{}, total{};
  EXPECT_TRUE(GetDiskFreeSpaceExA(Root(index).c_str(), &available, &total, nullptr));
  return {available.QuadPart, total.QuadPart};
}

static std::string SizeText(unsigned long long bytes)
{
  char text[SIZE_TEXT_BYTES];
  FormatByteSize(static_cast<unsigned>(bytes), static_cast<unsigned>(bytes >> 32), text);
  return text;
}

// True when text and level lie within what the disk reported before and
// after they were taken.
static testing::AssertionResult SeenBetween(const std::string& text, int level, DiskNow before,
                                            DiskNow after)
{
  const DiskNow& low = before.Free <= after.Free ? before : after;
  const DiskNow& high = before.Free <= after.Free ? after : before;
  const std::string lowText = SizeText(low.Free), highText = SizeText(high.Free);
  if (!SizeTextFits(lowText.c_str(), text.c_str()) || !SizeTextFits(text.c_str(), highText.c_str())) {
    return testing::AssertionFailure() << text << " is not within " << lowText << " .. " << highText;
  }
  const int lowLevel = SpaceLevel(low.Free, low.Total), highLevel = SpaceLevel(high.Free, high.Total);
  if (level < lowLevel || level > highLevel) {
    return testing::AssertionFailure() << "level " << level << " is not within " << lowLevel
                                       << " .. " << highLevel;
  }
  return testing::AssertionSuccess();
}

static void SetEntry(int index, const char* text, int level)
{
  DriveSpace& entry = State.DriveSpaceTable[index];
  lstrcpynA(entry.Text, text, sizeof entry.Text);
  entry.Level = level;
  entry.Ready = 1;
}

class Survey : public ::testing::Test {
 protected:
  void SetUp() override
  {
    InitSetupState();
    GetCurrentDirectoryA(sizeof savedDirectory_, savedDirectory_);
    const HINSTANCE module = GetModuleHandleA(nullptr);
    page_ = CreateWindowExA(0, "STATIC", "page 4", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                            module, nullptr);
    CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 10, 10, 200, 20, page_,
                    reinterpret_cast<HMENU>(IDC_FREE), module, nullptr);
    State.CurrentDialog = page_;
  }

  void TearDown() override
  {
    SetCurrentDirectoryA(savedDirectory_);
    DestroyWindow(page_);
  }

  std::string Label() const
  {
    char text[64] = "";
    GetDlgItemTextA(page_, IDC_FREE, text, sizeof text);
    return text;
  }

  // Shows the page's free space for `folder` and returns the label.
  std::string ShowFor(const char* folder)
  {
    lstrcpynA(State.InstallFolder, folder, sizeof State.InstallFolder);
    SetDlgItemTextA(page_, IDC_FREE, "(untouched)");
    DestinationSpace(page_);
    return Label();
  }

  HWND page_ = nullptr;
  char savedDirectory_[MAX_PATH] = "";
};

TEST_F(Survey, FillsTheFixedDriveCWithItsFreeSpace)
{
  const DiskNow before = AskDisk(DRIVE_C);
  EXPECT_EQ(0u, SurveyDrives(nullptr));
  const DiskNow after = AskDisk(DRIVE_C);

  const DriveSpace& c = State.DriveSpaceTable[DRIVE_C];
  ASSERT_EQ(1, c.Ready);
  EXPECT_TRUE(SeenBetween(c.Text, c.Level, before, after));
}

TEST_F(Survey, RecordsEveryLetterByItsDriveType)
{
  SurveyDrives(nullptr);
  for (int index = 0; index < DRIVE_COUNT; ++index) {
    const DriveSpace& entry = State.DriveSpaceTable[index];
    const std::string text = entry.Text;
    SCOPED_TRACE(Root(index));
    ASSERT_EQ(1, entry.Ready);
    switch (GetDriveTypeA(Root(index).c_str())) {
      case DRIVE_UNKNOWN:
      case DRIVE_NO_ROOT_DIR:
        EXPECT_EQ("\xFF", text);
        EXPECT_EQ(10, entry.Level);
        break;
      case DRIVE_REMOVABLE:
      case DRIVE_CDROM:
        EXPECT_EQ("\xFE", text);
        EXPECT_EQ(0, entry.Level);
        break;
      default:
        ASSERT_GE(text.size(), 2u);
        EXPECT_TRUE(text[0] >= '0' && text[0] <= '9') << text;
        EXPECT_EQ('B', text.back()) << text;
        EXPECT_GE(entry.Level, 0);
        EXPECT_LE(entry.Level, 10);
        break;
    }
  }
  const int missing = LetterWithoutRoot();
  ASSERT_NE(-1, missing) << "the prefix maps every letter";
  EXPECT_EQ(10, State.DriveSpaceTable[missing].Level);
}

TEST_F(Survey, DestinationOnCShowsTheSurveyedFreeSpace)
{
  const DiskNow before = AskDisk(DRIVE_C);
  SurveyDrives(nullptr);
  const DiskNow after = AskDisk(DRIVE_C);

  const std::string shown = ShowFor("C:\\Program Files\\製品");
  EXPECT_EQ(DRIVE_C, State.DestinationDrive);
  EXPECT_EQ(std::string(State.DriveSpaceTable[DRIVE_C].Text), shown);
  EXPECT_TRUE(SeenBetween(shown, State.DriveSpaceTable[DRIVE_C].Level, before, after));
}

TEST_F(Survey, LowerCaseDriveLetterFindsTheSameEntry)
{
  SurveyDrives(nullptr);
  const std::string shown = ShowFor("c:\\x");
  EXPECT_EQ(DRIVE_C, State.DestinationDrive);
  EXPECT_EQ(std::string(State.DriveSpaceTable[DRIVE_C].Text), shown);
}

TEST_F(Survey, FolderWithoutDriveLetterTakesTheCurrentDirectorysDrive)
{
  const int other = OtherAskedDrive();
  if (other == -1) GTEST_SKIP() << "the prefix has no second asked drive";
  SurveyDrives(nullptr);
  // The other drive's text may equal C:'s, so the index tells them apart.
  ASSERT_TRUE(SetCurrentDirectoryA(Root(other).c_str()));
  EXPECT_EQ(std::string(State.DriveSpaceTable[other].Text), ShowFor("製品\\x"));
  EXPECT_EQ(other, State.DestinationDrive);

  ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
  EXPECT_EQ(std::string(State.DriveSpaceTable[DRIVE_C].Text), ShowFor("x"));
  EXPECT_EQ(DRIVE_C, State.DestinationDrive);
}

TEST_F(Survey, AnEntryOnceSurveyedIsShownWithoutAskingAgain)
{
  SetEntry(DRIVE_C, "300KB", 1);
  EXPECT_EQ("300KB", ShowFor("C:\\x"));
  EXPECT_EQ(1, State.DriveSpaceTable[DRIVE_C].Level);
}

TEST_F(Survey, UncDestinationThatCannotBeAskedShowsUnknownEveryTime)
{
  EXPECT_EQ(UNKNOWN_TEXT, ShowFor("\\\\nosuchserver\\share\\x"));
  EXPECT_EQ(-1, State.DestinationDrive);
  EXPECT_EQ(std::string("\xFF"), State.NetworkSpaceEntry.Text);
  EXPECT_EQ(10, State.NetworkSpaceEntry.Level);

  // Asked afresh at every showing, unlike a drive of the table.
  lstrcpyA(State.NetworkSpaceEntry.Text, "1KB");
  State.NetworkSpaceEntry.Level = 0;
  EXPECT_EQ(UNKNOWN_TEXT, ShowFor("\\\\nosuchserver\\share\\x"));
  EXPECT_EQ(std::string("\xFF"), State.NetworkSpaceEntry.Text);
  EXPECT_EQ(10, State.NetworkSpaceEntry.Level);
}

TEST_F(Survey, DestinationWithoutATableEntryIsUnknown)
{
  SurveyDrives(nullptr);
  EXPECT_EQ(UNKNOWN_TEXT, ShowFor("1:\\x"));
  EXPECT_EQ(-1, State.DestinationDrive);
}

TEST_F(Survey, DriveNotAskedBeforeIsAskedWhenItIsTheDestination)
{
  SetEntry(DRIVE_C, "\xFE", 0);
  const DiskNow before = AskDisk(DRIVE_C);
  const std::string shown = ShowFor("C:\\x");
  const DiskNow after = AskDisk(DRIVE_C);
  EXPECT_EQ(std::string(State.DriveSpaceTable[DRIVE_C].Text), shown);
  EXPECT_TRUE(SeenBetween(shown, State.DriveSpaceTable[DRIVE_C].Level, before, after));
}

TEST_F(Survey, DriveWithoutADiscShowsUnknownAndKeepsIt)
{
  const int missing = LetterWithoutRoot();
  ASSERT_NE(-1, missing);
  SetEntry(missing, "\xFE", 0);
  const std::string folder = Root(missing) + "x";
  EXPECT_EQ(UNKNOWN_TEXT, ShowFor(folder.c_str()));
  EXPECT_EQ(std::string("\xFF"), State.DriveSpaceTable[missing].Text);
  EXPECT_EQ(10, State.DriveSpaceTable[missing].Level);
  EXPECT_EQ(UNKNOWN_TEXT, ShowFor(folder.c_str()));
}

TEST_F(Survey, PageShownWhileTheSurveyRunsWaitsForTheEntry)
{
  const DiskNow before = AskDisk(DRIVE_C);
  HANDLE thread = CreateThread(nullptr, 0, SurveyDrives, nullptr, 0, nullptr);
  ASSERT_NE(nullptr, thread);
  const std::string shown = ShowFor("C:\\x");
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, HANG_LIMIT_MS));
  CloseHandle(thread);
  const DiskNow after = AskDisk(DRIVE_C);

  EXPECT_EQ(std::string(State.DriveSpaceTable[DRIVE_C].Text), shown);
  EXPECT_TRUE(SeenBetween(shown, State.DriveSpaceTable[DRIVE_C].Level, before, after));
  for (int index = 0; index < DRIVE_COUNT; ++index) EXPECT_EQ(1, State.DriveSpaceTable[index].Ready);
}

struct ShowCall {
  HWND Page;
};

static DWORD WINAPI ShowOnOtherThread(void* call)
{
  DestinationSpace(static_cast<ShowCall*>(call)->Page);
  return 0;
}

TEST_F(Survey, PageShownWithoutAnySurveyAsksTheDriveItself)
{
  lstrcpyA(State.InstallFolder, "C:\\x");
  const DiskNow before = AskDisk(DRIVE_C);
  // On a thread of its own, so that a wait that never ends fails the test
  // instead of hanging it; the label's messages are served meanwhile.
  ShowCall call{page_};
  HANDLE thread = CreateThread(nullptr, 0, ShowOnOtherThread, &call, 0, nullptr);
  ASSERT_NE(nullptr, thread);
  const DWORD start = GetTickCount();
  bool ended = false;
  while (!ended && GetTickCount() - start < HANG_LIMIT_MS) {
    ended = MsgWaitForMultipleObjects(1, &thread, FALSE, 100, QS_ALLINPUT) == WAIT_OBJECT_0;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  ASSERT_TRUE(ended) << "DestinationSpace waited for a survey that never ran";
  CloseHandle(thread);
  const DiskNow after = AskDisk(DRIVE_C);

  const DriveSpace& c = State.DriveSpaceTable[DRIVE_C];
  EXPECT_EQ(1, c.Ready);
  EXPECT_EQ(std::string(c.Text), Label());
  EXPECT_TRUE(SeenBetween(c.Text, c.Level, before, after));
}

class SpaceCheck : public Survey {};

TEST_F(SpaceCheck, ShortageShowsTheMessageAndKeepsThePage)
{
  SetEntry(DRIVE_C, "1.05MB", 0);
  ShowFor("C:\\x");
  lstrcpyA(State.RequiredSizeText, "1.50MB");
  BoxAnswerer answerer({{NO_SPACE_CAPTION, IDOK}});
  EXPECT_EQ(0, CheckDiskSpace(0));
  const auto boxes = answerer.Finish();
  EXPECT_TRUE(answerer.AllAnswered());
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ(NO_SPACE_TEXT, boxes[0].Text);
  EXPECT_EQ(page_, boxes[0].Owner);
}

TEST_F(SpaceCheck, RequiredSizeThatFitsPassesWithoutAMessage)
{
  SetEntry(DRIVE_C, "1KB", 0);
  ShowFor("C:\\x");
  BoxAnswerer answerer({});
  lstrcpyA(State.RequiredSizeText, "1023B");
  EXPECT_EQ(1, CheckDiskSpace(0));
  lstrcpyA(State.RequiredSizeText, "1KB");
  EXPECT_EQ(1, CheckDiskSpace(0));
  EXPECT_TRUE(answerer.Finish().empty());
}

TEST_F(SpaceCheck, RealDriveRefusesMoreThanAnyDiskHolds)
{
  SurveyDrives(nullptr);
  ShowFor("C:\\x");
  lstrcpyA(State.RequiredSizeText, "15.99EB");
  BoxAnswerer answerer({{NO_SPACE_CAPTION, IDOK}});
  EXPECT_EQ(0, CheckDiskSpace(0));
  EXPECT_EQ(1u, answerer.Finish().size());

  lstrcpyA(State.RequiredSizeText, "0B");
  BoxAnswerer none({});
  EXPECT_EQ(1, CheckDiskSpace(0));
  EXPECT_TRUE(none.Finish().empty());
}

TEST_F(SpaceCheck, UnknownFreeSpacePasses)
{
  lstrcpyA(State.RequiredSizeText, "15.99EB");
  BoxAnswerer answerer({});

  const int missing = LetterWithoutRoot();
  ASSERT_NE(-1, missing);
  SetEntry(missing, "\xFF", 10);
  ShowFor((Root(missing) + "x").c_str());
  EXPECT_EQ(1, CheckDiskSpace(0));

  ShowFor("\\\\nosuchserver\\share\\x");
  EXPECT_EQ(1, CheckDiskSpace(0));

  ShowFor("1:\\x");
  EXPECT_EQ(1, CheckDiskSpace(0));
  EXPECT_TRUE(answerer.Finish().empty());
}

TEST_F(SpaceCheck, GoingBackRemovesTheFolderTheWizardCreated)
{
  TempFolder temp;
  const std::string folder = temp / "新しいフォルダ";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  lstrcpyA(State.InstallFolder, folder.c_str());
  State.FolderCreated = 1;
  lstrcpyA(State.RequiredSizeText, "15.99EB");
  BoxAnswerer answerer({});

  EXPECT_EQ(1, CheckDiskSpace(1));
  EXPECT_FALSE(FileExists(folder));
  EXPECT_EQ(0, State.FolderCreated);
  EXPECT_TRUE(answerer.Finish().empty());
}

TEST_F(SpaceCheck, GoingBackLeavesAFolderTheUserHad)
{
  TempFolder temp;
  lstrcpyA(State.InstallFolder, temp.Path().c_str());
  State.FolderCreated = 0;
  EXPECT_EQ(1, CheckDiskSpace(1));
  EXPECT_TRUE(FileExists(temp.Path()));
}
