// The shared services: the system error box and the cancel question, each
// answered on screen as a user would.
#include <gtest/gtest.h>
#include "app/flags.h"
#include "app/services.h"
#include "app/state.h"
#include "tests/support/ui_driver.h"
#include "tests/support/files.h"

// The text of the one error box that reporting `error` about `subject` shows.
static std::string ErrorText(DWORD error, const std::string& subject)
{
  BoxAnswerer answerer({{"ｴﾗｰ情報", IDOK}});
  SetLastError(error);
  EXPECT_EQ(0, ReportSystemError(subject.c_str()));
  const auto boxes = answerer.Finish();
  return boxes.size() == 1 && answerer.AllAnswered() ? boxes[0].Text : "";
}

TEST(Services, SystemErrorShowsTheSystemTextThenTheSubjectWholeOrCutAtACharacter)
{
  InitSetupState();
  const std::string path = "\nC:\\なし\\表.txt", shown = ErrorText(ERROR_FILE_NOT_FOUND, path.substr(1));
  EXPECT_TRUE(shown.size() > path.size() + 2 && EndsWith(shown, path)) << "the system's text, then the subject";
  EXPECT_EQ("エラー 536919791\nsubject", ErrorText(0x2000BEEF, "subject"));
  const std::string insert = ErrorText(ERROR_BAD_EXE_FORMAT, "C:\\a.exe");  // its text has an insert, %1
  EXPECT_TRUE(insert.rfind("エラー ", 0) != 0 && EndsWith(insert, "\nC:\\a.exe")) << insert;
  std::string subject = "C:\\";  // 258 bytes: the longest that fits with its line break
  while (subject.size() < 256) subject += "表";
  subject.resize(258, 'x');
  EXPECT_EQ("\n" + subject, ErrorText(ERROR_ACCESS_DENIED, subject));
  for (subject = "C:\\"; subject.size() < 400;) subject += "表";
  EXPECT_EQ("\n" + subject.substr(0, 257), ErrorText(ERROR_ACCESS_DENIED, subject)) << "whole characters only";
}

TEST(Services, CancelQuestionRemovesOnlyAnEmptyFolderTheWizardCreated)
{
  const struct {
    const char* Case;
    unsigned Flags;
    int Answer;  // 0: no question
    bool Created, Filled, Ended, FolderKept;
  } rows[] = {{"yes", 0, IDYES, true, false, true, false},        {"yes, not created", 0, IDYES, false, false, true, true},
              {"yes, not empty", 0, IDYES, true, true, true, true}, {"no", 0, IDNO, true, false, false, true},
              {"simple mode", PF_SIMPLE_MODE, 0, true, false, true, true}};
  const auto window = [] {
    return CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 10, 10, 200, 100, nullptr, nullptr, nullptr, nullptr);
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Case);
    TempFolder folder;
    InitSetupState();
    State.PayloadFlags = row.Flags;
    State.MainWindow = window();
    HWND dialog = State.CurrentDialog = window();
    State.CurrentPage = 3;
    lstrcpyA(State.InstallFolder, (folder / "製品").c_str());
    CreateDirectoryA(State.InstallFolder, nullptr);
    if (row.Filled) WriteWholeFile(folder / "製品\\keep.txt", Bytes{1});
    State.FolderCreated = row.Created;
    BoxAnswerer answerer(row.Answer ? std::vector<ExpectedBox>{{"セットアップの終了", row.Answer}} : std::vector<ExpectedBox>{});
    ConfirmCancel(dialog);
    for (const SeenBox& box : answerer.Finish()) {
      EXPECT_EQ("今すぐセットアップを終了しますか？", box.Text);
      EXPECT_EQ(State.MainWindow, box.Owner) << "owned by the main window";
    }
    EXPECT_TRUE(answerer.AllAnswered());
    EXPECT_EQ(row.Ended ? 100 : 3, State.CurrentPage);
    EXPECT_EQ(row.Ended ? nullptr : dialog, State.CurrentDialog);
    EXPECT_EQ(row.Ended, !IsWindow(dialog));
    EXPECT_EQ(row.FolderKept, FileExists(State.InstallFolder));
    DestroyWindow(dialog);
    DestroyWindow(State.MainWindow);
  }
}
