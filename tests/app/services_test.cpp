// The shared services: the system error box, dialog placement and the
// cancel question, each answered on screen as a user would.
#include <gtest/gtest.h>
#include "app/flags.h"
#include "app/services.h"
#include "app/state.h"
#include "tests/support/box_answerer.h"
#include "tests/support/files.h"

class Services : public ::testing::Test {
 protected:
  void SetUp() override { InitSetupState(); }
};

static HWND MakeWindow(int width, int height, DWORD style = WS_POPUP)
{
  return CreateWindowExA(0, "STATIC", "dialog", style, 10, 10, width, height, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

TEST_F(Services, SystemErrorShowsTheSystemTextAndTheSubject)
{
  BoxAnswerer answerer({{"ｴﾗｰ情報", IDOK}});
  SetLastError(ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(0, ReportSystemError(nullptr, "C:\\なし\\表.txt"));
  const auto boxes = answerer.Finish();
  ASSERT_TRUE(answerer.AllAnswered());
  ASSERT_EQ(1u, boxes.size());
  const std::string& text = boxes[0].Text;
  // The system's own text first, then the subject on its own line.
  ASSERT_GT(text.size(), sizeof "\nC:\\なし\\表.txt");
  EXPECT_EQ("\nC:\\なし\\表.txt", text.substr(text.size() - (sizeof "\nC:\\なし\\表.txt" - 1)));
  EXPECT_NE('\n', text[0]);
}

TEST_F(Services, SystemErrorWithoutSystemTextShowsTheNumber)
{
  BoxAnswerer answerer({{"ｴﾗｰ情報", IDOK}});
  SetLastError(0x2000BEEF);
  ReportSystemError(nullptr, "subject");
  const auto boxes = answerer.Finish();
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("エラー 536919791\nsubject", boxes[0].Text);
}

TEST_F(Services, SystemErrorKeepsALongSubjectWholeWithinTheBuffer)
{
  // 258 bytes: the longest subject that still fits with its line break.
  std::string subject = "C:\\";
  while (subject.size() < 256) subject += "表";
  subject.resize(258, 'x');
  BoxAnswerer answerer({{"ｴﾗｰ情報", IDOK}});
  SetLastError(ERROR_ACCESS_DENIED);
  ReportSystemError(nullptr, subject.c_str());
  const auto boxes = answerer.Finish();
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("\n" + subject, boxes[0].Text);
}

TEST_F(Services, SystemErrorCutsAnOverlongSubjectAtACharacter)
{
  std::string subject;
  while (subject.size() < 400) subject += "表";
  BoxAnswerer answerer({{"ｴﾗｰ情報", IDOK}});
  SetLastError(ERROR_ACCESS_DENIED);
  ReportSystemError(nullptr, subject.c_str());
  const auto boxes = answerer.Finish();
  ASSERT_EQ(1u, boxes.size());
  const std::string& text = boxes[0].Text;
  EXPECT_LE(text.size(), 259u);
  ASSERT_EQ('\n', text[0]);
  // Whole characters only: an odd length would end in a lone lead byte.
  EXPECT_EQ(0u, (text.size() - 1) % 2);
  EXPECT_EQ(0, subject.compare(0, text.size() - 1, text.substr(1)));
}

TEST_F(Services, PlaceDialogCentresOnTheScreen)
{
  State.ScreenWidth = 1024;
  State.ScreenHeight = 768;
  HWND dialog = MakeWindow(400, 300);
  const int placed = PlaceDialog(dialog);
  EXPECT_EQ(312 << 16 | 234, placed);
  RECT rect;
  GetWindowRect(dialog, &rect);
  EXPECT_EQ(312, rect.left);
  EXPECT_EQ(234, rect.top);
  EXPECT_EQ(400, rect.right - rect.left);
  DestroyWindow(dialog);
}

TEST_F(Services, PlaceDialogPutsATallDialogAt200AndAWideOneAtTheLeftEdge)
{
  State.ScreenWidth = 640;
  State.ScreenHeight = 480;
  HWND tall = MakeWindow(300, 500);
  EXPECT_EQ(170 << 16 | 200, PlaceDialog(tall));
  HWND wide = MakeWindow(700, 100);
  EXPECT_EQ(0 << 16 | 190, PlaceDialog(wide));
  DestroyWindow(tall);
  DestroyWindow(wide);
}

TEST_F(Services, PlaceDialogWithTPutsEveryDialogAt200)
{
  State.ScreenWidth = 1024;
  State.ScreenHeight = 768;
  State.RunFlags = RF_DIALOGS_AT_200;
  HWND dialog = MakeWindow(400, 300);
  EXPECT_EQ(312 << 16 | 200, PlaceDialog(dialog));
  DestroyWindow(dialog);
}

class CancelQuestion : public Services {
 protected:
  void SetUp() override
  {
    Services::SetUp();
    State.MainWindow = MakeWindow(100, 100, WS_POPUP | WS_VISIBLE);
    dialog_ = MakeWindow(200, 100, WS_POPUP | WS_VISIBLE);
    State.CurrentDialog = dialog_;
    State.CurrentPage = 3;
    lstrcpyA(State.InstallFolder, (folder_ / "製品").c_str());
    CreateDirectoryA(State.InstallFolder, nullptr);
    State.FolderCreated = 1;
  }
  void TearDown() override
  {
    if (IsWindow(dialog_)) DestroyWindow(dialog_);
    DestroyWindow(State.MainWindow);
  }
  TempFolder folder_;
  HWND dialog_ = nullptr;
};

TEST_F(CancelQuestion, YesEndsThePageAndRemovesTheCreatedFolder)
{
  BoxAnswerer answerer({{"セットアップの終了", IDYES}});
  ConfirmCancel(dialog_);
  const auto boxes = answerer.Finish();
  ASSERT_TRUE(answerer.AllAnswered());
  EXPECT_EQ("今すぐセットアップを終了しますか？", boxes[0].Text);
  EXPECT_EQ(State.MainWindow, boxes[0].Owner);
  EXPECT_EQ(100, State.CurrentPage);
  EXPECT_EQ(nullptr, State.CurrentDialog);
  EXPECT_FALSE(IsWindow(dialog_));
  EXPECT_FALSE(FileExists(State.InstallFolder));
}

TEST_F(CancelQuestion, YesKeepsAFolderThatIsNotEmptyOrWasNotCreated)
{
  WriteWholeFile(std::string(State.InstallFolder) + "\\keep.txt", Bytes{1});
  BoxAnswerer answerer({{"セットアップの終了", IDYES}});
  ConfirmCancel(dialog_);
  answerer.Finish();
  EXPECT_TRUE(FileExists(State.InstallFolder));
  EXPECT_EQ(100, State.CurrentPage);
}

TEST_F(CancelQuestion, NoShowsThePageAgainAndChangesNothing)
{
  BoxAnswerer answerer({{"セットアップの終了", IDNO}});
  ConfirmCancel(dialog_);
  answerer.Finish();
  ASSERT_TRUE(answerer.AllAnswered());
  EXPECT_EQ(3, State.CurrentPage);
  EXPECT_EQ(dialog_, State.CurrentDialog);
  EXPECT_TRUE(IsWindowVisible(dialog_));
  EXPECT_TRUE(FileExists(State.InstallFolder));
}

TEST_F(CancelQuestion, SimpleModeAsksNothingAndKeepsTheFolder)
{
  State.PayloadFlags = PF_SIMPLE_MODE;
  BoxAnswerer answerer({});
  ConfirmCancel(dialog_);
  const auto boxes = answerer.Finish();
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(100, State.CurrentPage);
  EXPECT_EQ(nullptr, State.CurrentDialog);
  EXPECT_FALSE(IsWindow(dialog_));
  EXPECT_TRUE(FileExists(State.InstallFolder));
}

static int ProbeMessages = 0;

static LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM w, LPARAM l)
{
  if (message == WM_APP) ++ProbeMessages;
  return DefWindowProcA(window, message, w, l);
}

TEST_F(Services, PumpMessagesDispatchesEveryQueuedMessageWithoutWaiting)
{
  WNDCLASSA probe = {};
  probe.lpfnWndProc = ProbeProc;
  probe.hInstance = GetModuleHandleA(nullptr);
  probe.lpszClassName = "PumpProbe";
  RegisterClassA(&probe);
  HWND window = CreateWindowExA(0, "PumpProbe", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                probe.hInstance, nullptr);
  ProbeMessages = 0;
  for (int i = 0; i < 3; ++i) PostMessageA(window, WM_APP, 0, 0);
  PumpMessages();
  EXPECT_EQ(3, ProbeMessages);
  const DWORD start = GetTickCount();
  PumpMessages();  // an empty queue returns at once
  EXPECT_LT(GetTickCount() - start, 1000u);
  DestroyWindow(window);
}
