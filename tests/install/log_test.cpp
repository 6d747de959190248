// The install log as it lands on disk: the head lines of a first
// installation, the lines of installed paths, the merge with an older log
// on reinstallation, and what a failed write, a failed prepare step and an
// overlong line leave behind. Every check reads the bytes of setup.inf.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <memory>
#include <string>
#include <vector>
#include "app/file_io.h"
#include "app/state.h"
#include "install/log.h"
#include "resources/dialogs.h"
#include "tests/support/box_answerer.h"
#include "tests/support/files.h"

namespace {

const std::string HEAD = "USER=山田 太郎\r\nSECTION=ﾉｰｽ商会\r\nAUTHOR=Norvalex\r\nVER=3.00\r\n";
const std::string TOO_LONG = "ｾｯﾄｱｯﾌﾟ情報ﾌｧｲﾙ に書き込めない長さの行です。\n\n";

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

std::string Repeat(const std::string& piece, int times)
{
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

bool EndsWith(const std::string& text, const std::string& end)
{
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class InstallLog : public ::testing::Test {
 protected:
  void SetUp() override
  {
    InitSetupState();
    GetCurrentDirectoryA(sizeof startDirectory_, startDirectory_);
    lstrcpyA(State.InstallFolder, folder_.Path().c_str());
    lstrcpyA(State.UserName, "山田 太郎");
    lstrcpyA(State.UserCompany, "ﾉｰｽ商会");
    boxes_ = std::make_unique<BoxAnswerer>(std::vector<ExpectedBox>{});
  }

  void TearDown() override
  {
    const std::vector<SeenBox> unseen = Boxes();
    for (const SeenBox& box : unseen) ADD_FAILURE() << "box not looked at: " << box.Text;
    boxes_.reset();
    IoInjectFault(IO_WRITE, -1, 0);
    IoInjectFault(IO_READ, -1, 0);
    if (State.InstallLog != INVALID_HANDLE_VALUE) CloseHandle(State.InstallLog);
    // The prepare step moves the process into the install folder, which
    // could not be removed while it is current.
    SetCurrentDirectoryA(startDirectory_);
  }

  // The boxes shown (and answered with OK) since the last look.
  std::vector<SeenBox> Boxes(std::vector<ExpectedBox> nextScript = {})
  {
    std::vector<SeenBox> seen = boxes_->Finish();
    boxes_ = std::make_unique<BoxAnswerer>(std::move(nextScript));
    return seen;
  }

  // Expects exactly one system error box about `subject`.
  void ExpectOneErrorAbout(const std::string& subject)
  {
    const std::vector<SeenBox> seen = Boxes();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ("ｴﾗｰ情報", seen[0].Caption);
    EXPECT_TRUE(EndsWith(seen[0].Text, "\n" + subject)) << seen[0].Text;
  }

  std::string Path(const std::string& name) const { return folder_ / name; }
  std::string LogText() const { return Text(ReadWholeFile(Path("setup.inf"))); }
  bool OldLogExists() const { return FileExists(Path("setup.$$$")); }
  void WriteOldLog(const std::string& text) { ASSERT_TRUE(WriteWholeFile(Path("setup.inf"), BytesOf(text))); }

  // One installation that extracts the named files into the install folder;
  // returns setup.inf afterwards.
  std::string Install(const std::vector<std::string>& files)
  {
    EXPECT_EQ(1, PrepareInstall());
    for (const std::string& file : files) EXPECT_EQ(1, LogInstalledPath("FILE", file.c_str()));
    CloseInstallLog();
    return LogText();
  }

  std::string FileLine(const std::string& name) const { return "FILE=" + Path(name) + "\r\n"; }

  TempFolder folder_;
  char startDirectory_[MAX_PATH] = "";
  std::unique_ptr<BoxAnswerer> boxes_;
};

TEST_F(InstallLog, FirstInstallationWritesTheHeadLinesInOrder)
{
  ASSERT_EQ(1, PrepareInstall());
  char current[MAX_PATH];
  GetCurrentDirectoryA(sizeof current, current);
  EXPECT_EQ(folder_.Path(), current);
  CloseInstallLog();

  EXPECT_EQ(HEAD, LogText());
  EXPECT_FALSE(OldLogExists());
}

TEST_F(InstallLog, FolderTheWizardCreatedIsRecorded)
{
  State.FolderCreated = 1;
  ASSERT_EQ(1, PrepareInstall());
  CloseInstallLog();
  EXPECT_EQ(HEAD + "IFOLDER=" + folder_.Path() + "\r\n", LogText());
}

TEST_F(InstallLog, PrepareNamesTheLogAndFillsTheItemBar)
{
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&classes);
  HINSTANCE module = GetModuleHandleA(nullptr);
  HWND name = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 20, nullptr, nullptr, module, nullptr);
  HWND overall = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_POPUP, 0, 0, 200, 20, nullptr, nullptr, module, nullptr);
  HWND item = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_POPUP, 0, 0, 200, 20, nullptr, nullptr, module, nullptr);
  State.Meters.Bars[IDC_ITEM_NAME - IDC_CATEGORY] = name;
  State.Meters.Bars[IDC_OVERALL_BAR - IDC_CATEGORY] = overall;
  State.Meters.Bars[IDC_ITEM_BAR - IDC_CATEGORY] = item;
  SendMessageA(overall, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  SendMessageA(overall, PBM_SETSTEP, 1, 0);
  SendMessageA(item, PBM_SETSTEP, 1, 0);

  ASSERT_EQ(1, PrepareInstall());
  CloseInstallLog();

  EXPECT_EQ("setup.inf", WindowText(name));
  PBRANGE range = {};
  SendMessageA(item, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  EXPECT_EQ(0, range.iLow);
  EXPECT_EQ(10, range.iHigh);
  EXPECT_EQ(10, SendMessageA(item, PBM_GETPOS, 0, 0));
  EXPECT_EQ(1, SendMessageA(overall, PBM_GETPOS, 0, 0));
  DestroyWindow(name);
  DestroyWindow(overall);
  DestroyWindow(item);
}

TEST_F(InstallLog, InstalledPathsAreLoggedAbsolute)
{
  ASSERT_EQ(1, PrepareInstall());
  EXPECT_EQ(1, LogInstalledPath("FILE", "bin\\demo.exe"));
  EXPECT_EQ(1, LogInstalledPath("DLL", "C:\\WINDOWS\\SYSTEM\\demo32.dll"));
  EXPECT_EQ(1, LogInstalledPath("FILE", "\\\\server\\share\\demo.txt"));
  EXPECT_EQ(1, LogInstalledPath("FILE", "\\demo.txt"));
  EXPECT_EQ(1, LogInstalledPath("FOLDER", "docs"));
  EXPECT_EQ(1, LogInstalledPath("FILE", "表\\予定.txt"));
  // The composition alone, without touching those places: a bare drive
  // and a UNC folder as the install folder.
  lstrcpyA(State.InstallFolder, "D:");
  EXPECT_EQ(1, LogInstalledPath("FILE", "demo.exe"));
  lstrcpyA(State.InstallFolder, "\\\\server\\share");
  EXPECT_EQ(1, LogInstalledPath("FILE", "demo.txt"));
  CloseInstallLog();

  const std::string folder = folder_.Path();
  EXPECT_EQ(HEAD + "FILE=" + folder + "\\bin\\demo.exe\r\n" +
                "DLL=C:\\WINDOWS\\SYSTEM\\demo32.dll\r\n" +
                "FILE=\\\\server\\share\\demo.txt\r\n" +
                "FILE=" + folder + "\\\\demo.txt\r\n" +
                "FOLDER=" + folder + "\\docs\r\n" +
                "FILE=" + folder + "\\表\\予定.txt\r\n" +
                "FILE=D:\\demo.exe\r\n" +
                "FILE=\\\\server\\share\\demo.txt\r\n",
            LogText());
}

// A bare drive as the install folder puts the log at the drive's root,
// which the shared test prefix must not get: this runs only in a private one.
TEST_F(InstallLog, BareDriveInstallFolderLogsAtTheDriveRoot)
{
  char own[8] = "";
  GetEnvironmentVariableA("SETUP_OWN_PREFIX", own, sizeof own);
  if (lstrcmpA(own, "1") != 0) GTEST_SKIP() << "needs a private Wine prefix (SETUP_OWN_PREFIX=1)";
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, sizeof windows);
  const std::string drive(windows, 2);
  const std::string log = drive + "\\setup.inf";
  ASSERT_FALSE(FileExists(log));
  ASSERT_FALSE(FileExists(drive + "\\setup.$$$"));

  // Standing on that drive, "C:" alone would name the folder we stand in.
  ASSERT_TRUE(SetCurrentDirectoryA(folder_.Path().c_str()));
  lstrcpyA(State.InstallFolder, drive.c_str());
  ASSERT_EQ(1, PrepareInstall());
  char current[MAX_PATH];
  GetCurrentDirectoryA(sizeof current, current);
  EXPECT_EQ(drive + "\\", current);
  EXPECT_EQ(1, LogInstalledPath("FILE", "demo.exe"));
  CloseInstallLog();

  EXPECT_EQ(HEAD + "FILE=" + drive + "\\demo.exe\r\n", Text(ReadWholeFile(log)));
  DeleteFileA(log.c_str());
}

TEST_F(InstallLog, ReinstallationBySameUserAddsOnlyWhatTheNewLogLacks)
{
  WriteOldLog(HEAD + "IFOLDER=" + folder_.Path() + "\r\n" + FileLine("a.txt") + FileLine("old.txt"));
  EXPECT_EQ(HEAD + FileLine("a.txt") + FileLine("new.txt") + "IFOLDER=" + folder_.Path() + "\r\n" +
                FileLine("old.txt"),
            Install({"a.txt", "new.txt"}));
  EXPECT_FALSE(OldLogExists());
}

TEST_F(InstallLog, ReinstallationByAnotherUserKeepsTheOldUserLines)
{
  WriteOldLog("USER=佐藤\r\nSECTION=\r\nAUTHOR=Norvalex\r\nVER=3.00\r\n" + FileLine("a.txt"));
  EXPECT_EQ(HEAD + FileLine("a.txt") + "USER=佐藤\r\nSECTION=\r\n", Install({"a.txt"}));
}

TEST_F(InstallLog, LogOfAnotherMakerIsDroppedUnmerged)
{
  for (const char* author : {"AUTHOR=Other", "AUTHOR=Norvalex ", "AUTHOR=norvalex", "AUTHOR= Norvalex"}) {
    SCOPED_TRACE(author);
    WriteOldLog(std::string("USER=佐藤\r\n") + author + "\r\n" + FileLine("old.txt"));
    EXPECT_EQ(HEAD + FileLine("a.txt"), Install({"a.txt"}));
    EXPECT_FALSE(OldLogExists());
  }
  WriteOldLog("USER=佐藤\r\n" + FileLine("old.txt"));
  EXPECT_EQ(HEAD, Install({}));
  EXPECT_FALSE(OldLogExists());
}

TEST_F(InstallLog, MakerLineMayStandAnywhereAndAnOlderVersionIsCarriedOver)
{
  WriteOldLog(FileLine("old.txt") + "USER=山田 太郎\r\nVER=2.10\r\nAUTHOR=Norvalex\r\n");
  EXPECT_EQ(HEAD + FileLine("old.txt") + "VER=2.10\r\n", Install({}));
}

TEST_F(InstallLog, OldLinesAreCarriedOverOnceEachAndAnUnendedLastLineIsLost)
{
  WriteOldLog("AUTHOR=Norvalex\r\n" + FileLine("dup.txt") + "\r\n" + FileLine("dup.txt") + "\r\n" +
              "FILE=" + Path("lost.txt"));
  EXPECT_EQ(HEAD + FileLine("dup.txt") + "\r\n", Install({}));
}

TEST_F(InstallLog, StrayOldLogOfAnUnfinishedRunIsMergedNotLost)
{
  ASSERT_TRUE(WriteWholeFile(Path("setup.$$$"), BytesOf("AUTHOR=Norvalex\r\n" + FileLine("stray.txt"))));
  WriteOldLog(HEAD + FileLine("kept.txt"));
  EXPECT_EQ(HEAD + FileLine("kept.txt") + FileLine("stray.txt"), Install({}));
  EXPECT_FALSE(OldLogExists());

  // Alone, it is the only log there is: it gets its name back.
  DeleteFileA(Path("setup.inf").c_str());
  ASSERT_TRUE(WriteWholeFile(Path("setup.$$$"), BytesOf("AUTHOR=Norvalex\r\n" + FileLine("stray.txt"))));
  EXPECT_EQ(HEAD + FileLine("stray.txt"), Install({}));
  EXPECT_FALSE(OldLogExists());
}

TEST_F(InstallLog, ReadOnlyOldLogIsMergedAndRemoved)
{
  WriteOldLog(HEAD + FileLine("old.txt"));
  SetFileAttributesA(Path("setup.inf").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(HEAD + FileLine("old.txt"), Install({}));
  EXPECT_FALSE(OldLogExists());
}

TEST_F(InstallLog, ManyLinesMergeInOrder)
{
  std::string oldLog = HEAD;
  std::vector<std::string> files;
  std::string expected = HEAD;
  std::string carried;
  for (int i = 0; i < 10000; ++i) oldLog += FileLine("f" + std::to_string(i) + ".txt");
  for (int i = 5000; i < 15000; ++i) {
    files.push_back("f" + std::to_string(i) + ".txt");
    expected += FileLine(files.back());
  }
  for (int i = 0; i < 5000; ++i) carried += FileLine("f" + std::to_string(i) + ".txt");
  WriteOldLog(oldLog);
  EXPECT_EQ(expected + carried, Install(files));
}

TEST_F(InstallLog, MergeProblemsKeepTheOldLogForTheNextRun)
{
  const struct {
    IoKind Operation;
    DWORD Error;
  } faults[] = {{IO_READ, ERROR_READ_FAULT}, {IO_WRITE, ERROR_DISK_FULL}};
  for (const auto& fault : faults) {
    WriteOldLog(HEAD + FileLine("old.txt"));
    ASSERT_EQ(1, PrepareInstall());
    IoInjectFault(fault.Operation, 0, fault.Error);
    CloseInstallLog();
    EXPECT_EQ(HEAD, LogText());
    EXPECT_TRUE(OldLogExists()) << "the only copy of the earlier lines was deleted";
    EXPECT_TRUE(Boxes().empty());
    // The next run takes the kept lines in.
    EXPECT_EQ(HEAD + FileLine("old.txt"), Install({}));
    EXPECT_FALSE(OldLogExists());
    DeleteFileA(Path("setup.inf").c_str());
  }
}

// Which of the four head line writes fails.
class HeadLineWriteFailure : public InstallLog, public ::testing::WithParamInterface<int> {};

TEST_P(HeadLineWriteFailure, IsReportedOnceAndKeepsTheLinesBefore)
{
  const std::string lines[] = {"USER=山田 太郎\r\nSECTION=ﾉｰｽ商会\r\n", "AUTHOR=Norvalex\r\n", "VER=3.00\r\n",
                               "IFOLDER=" + folder_.Path() + "\r\n"};
  State.FolderCreated = 1;
  IoInjectFault(IO_WRITE, GetParam(), ERROR_DISK_FULL);
  EXPECT_EQ(0, PrepareInstall());
  ExpectOneErrorAbout("setup.inf");
  CloseInstallLog();

  std::string expected;
  for (int i = 0; i < GetParam(); ++i) expected += lines[i];
  ASSERT_TRUE(FileExists(Path("setup.inf")));
  EXPECT_EQ(expected, LogText());
}

INSTANTIATE_TEST_SUITE_P(EachWrite, HeadLineWriteFailure, ::testing::Range(0, 4));

TEST_F(InstallLog, FailedPathWriteIsReportedOnceAndLeavesNoPartialLine)
{
  ASSERT_EQ(1, PrepareInstall());
  IoInjectFault(IO_WRITE, 1, ERROR_DISK_FULL);
  EXPECT_EQ(1, LogInstalledPath("FILE", "a.txt"));
  EXPECT_EQ(0, LogInstalledPath("FILE", "b.txt"));
  ExpectOneErrorAbout("setup.inf");
  EXPECT_EQ(1, LogInstalledPath("FILE", "c.txt"));
  CloseInstallLog();
  EXPECT_EQ(HEAD + FileLine("a.txt") + FileLine("c.txt"), LogText());
}

TEST_F(InstallLog, MissingInstallFolderLeavesEveryLogAlone)
{
  // The process stands in a folder with logs of its own; the install
  // folder does not exist.
  const std::string own = HEAD + FileLine("own.txt");
  const std::string stray = "AUTHOR=Norvalex\r\n" + FileLine("stray.txt");
  WriteOldLog(own);
  ASSERT_TRUE(WriteWholeFile(Path("setup.$$$"), BytesOf(stray)));
  ASSERT_TRUE(SetCurrentDirectoryA(folder_.Path().c_str()));
  const std::string missing = Path("なし");
  lstrcpyA(State.InstallFolder, missing.c_str());

  EXPECT_EQ(0, PrepareInstall());
  ExpectOneErrorAbout(missing);
  CloseInstallLog();
  CloseInstallLog();

  EXPECT_EQ(own, LogText());
  EXPECT_EQ(stray, Text(ReadWholeFile(Path("setup.$$$"))));
  EXPECT_FALSE(FileExists(missing));
}

// An item bar that, once the older log has been moved aside, puts a folder
// where the new log would go, so that its creation fails.
std::string BlockedFolder;

LRESULT CALLBACK BlockingBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  const std::string log = BlockedFolder + "\\setup.inf";
  if (message == PBM_STEPIT && FileExists(BlockedFolder + "\\setup.$$$") && !FileExists(log))
    CreateDirectoryA(log.c_str(), nullptr);
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(InstallLog, OldLogGetsItsNameBackWhenTheNewOneCannotBeCreated)
{
  WNDCLASSA barClass = {};
  barClass.lpfnWndProc = BlockingBarProc;
  barClass.hInstance = GetModuleHandleA(nullptr);
  barClass.lpszClassName = "BlockingItemBar";
  RegisterClassA(&barClass);
  HWND bar = CreateWindowExA(0, "BlockingItemBar", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             barClass.hInstance, nullptr);
  State.Meters.Bars[IDC_ITEM_BAR - IDC_CATEGORY] = bar;
  BlockedFolder = folder_.Path();
  const std::string old = HEAD + FileLine("old.txt");
  WriteOldLog(old);
  const std::string log = Path("setup.inf");
  // The user reads the error while the way is cleared again.
  Boxes({{"ｴﾗｰ情報", IDOK, [log] { RemoveDirectoryA(log.c_str()); }}});

  EXPECT_EQ(0, PrepareInstall());
  const std::vector<SeenBox> seen = Boxes();
  ASSERT_EQ(1u, seen.size());
  EXPECT_TRUE(seen[0].Expected);
  EXPECT_TRUE(EndsWith(seen[0].Text, "\nsetup.inf")) << seen[0].Text;
  CloseInstallLog();

  EXPECT_EQ(old, LogText());
  EXPECT_FALSE(OldLogExists());
  DestroyWindow(bar);
}

TEST_F(InstallLog, OverlongLineIsRefusedNotCut)
{
  ASSERT_EQ(1, PrepareInstall());
  const std::string fits = Repeat("a", 252);  // FILE= and 252: the 257 a line holds
  EXPECT_EQ(1, WriteLogLine("FILE=%s", fits.c_str()));
  EXPECT_EQ(0, WriteLogLine("FILE=%s", (fits + "b").c_str()));
  const std::string wide = Repeat("表", 200);
  EXPECT_EQ(0, WriteLogLine("FILE=%s", wide.c_str()));
  const std::string deep = Repeat("x", MAX_PATH - 2 - static_cast<int>(folder_.Path().size()));
  EXPECT_EQ(0, LogInstalledPath("FILE", deep.c_str()));
  CloseInstallLog();

  EXPECT_EQ(HEAD + "FILE=" + fits + "\r\n", LogText());
  const std::vector<SeenBox> seen = Boxes();
  ASSERT_EQ(3u, seen.size());
  for (const SeenBox& box : seen) EXPECT_EQ("ｴﾗｰ情報", box.Caption);
  // The start of the line, cut between characters for the message only.
  EXPECT_EQ(TOO_LONG + "FILE=" + fits.substr(0, 59) + "…", seen[0].Text);
  EXPECT_EQ(TOO_LONG + "FILE=" + Repeat("表", 29) + "…", seen[1].Text);
  const std::string deepLine = "FILE=" + folder_.Path() + "\\" + deep;
  EXPECT_EQ(TOO_LONG + deepLine.substr(0, 64) + "…", seen[2].Text);
}

}  // namespace
