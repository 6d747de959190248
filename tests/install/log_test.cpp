// The install log where an end-to-end run cannot reach it cheaply: a failed
// write of each head line, the older log given back when the new one
// cannot be created, earlier lines kept through stray logs, failed merges
// and a missing install folder, logs the Uninstall entry does not vouch for
// kept aside, and a bare drive as the install folder.
#include <windows.h>
#include "app/file_io.h"
#include "app/sha256.h"
#include "app/state.h"
#include "install/log.h"
#include "tests/support/step_fixture.h"

const std::string HEAD = "USER=山田 太郎\r\nSECTION=ﾉｰｽ商会\r\nAUTHOR=Norvalex\r\nVER=3.00\r\n";
const char ENTRY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ログ試験";

class InstallLog : public StepFixture {
 protected:
  void SetUp() override
  {
    StepFixture::SetUp();
    Log();  // the step opens its own
    lstrcpyA(State.UserName, "山田 太郎");
    lstrcpyA(State.UserCompany, "ﾉｰｽ商会");
    lstrcpyA(State.ProductName, "ログ試験");
    Vouch({});
  }
  std::string LogText() const { return FileText(folder_ / "setup.inf"); }
  // The product's Uninstall entry vouches for logs of these texts (at most two).
  static void Vouch(const std::vector<std::string>& logs)
  {
    const char* names[] = {"InstallLogSha256", "EarlierLogSha256"};
    for (size_t i = 0; i < 2; ++i) {
      char text[SHA256_TEXT_BYTES] = "";
      if (i < logs.size()) Sha256TextOf(logs[i].data(), logs[i].size(), text);
      SetRegistryText(HKEY_LOCAL_MACHINE, ENTRY, names[i], text);
    }
  }
};

TEST_F(InstallLog, FailedHeadLineIsReportedOnceAndKeepsTheLinesBefore)
{
  const std::string lines = HEAD + "IFOLDER=" + folder_.Path() + "\r\n";
  size_t kept = 0;
  for (int write = 0; write < 5; ++write, kept = lines.find('\n', kept) + 1) {
    SCOPED_TRACE(write);
    DeleteFileA((folder_ / "setup.inf").c_str());
    State.FolderCreated = 1;
    IoInjectFault(IO_WRITE, write, ERROR_DISK_FULL);
    EXPECT_EQ(0, PrepareInstall());
    ExpectOneErrorAbout("setup.inf");
    CloseInstallLog();
    EXPECT_EQ(lines.substr(0, kept), LogText());
  }
}

TEST_F(InstallLog, OldLogGetsItsNameBackWhenTheNewOneCannotBeCreated)
{
  const std::string old = HEAD + "FILE=old.txt\r\n";
  ASSERT_TRUE(WriteWholeFile(folder_ / "setup.inf", BytesOf(old)));
  Vouch({old});
  IoInjectFault(IO_CREATE, 0, ERROR_ACCESS_DENIED);
  EXPECT_EQ(0, PrepareInstall());
  ExpectOneErrorAbout("setup.inf");
  CloseInstallLog();
  EXPECT_EQ(old, LogText());
  EXPECT_FALSE(FileExists(folder_ / "setup.$$$"));
}

// An older log goes only once its lines are in the new one: a stray one of
// an unfinished run is merged (or, alone, given its name back), and one the
// merge could not read or write stays, vouched for, for the next run. An
// install folder that does not exist leaves the logs of the current folder
// alone, and logs that nothing vouches for are kept aside, never merged.
TEST_F(InstallLog, EarlierLinesAreNeverLost)
{
  const std::string log = folder_ / "setup.inf", old = folder_ / "setup.$$$", missing = folder_ / "なし";
  const std::string stray = "AUTHOR=Norvalex\r\nFILE=stray.txt\r\n";
  const auto run = [this](int faultKind = -1) {
    EXPECT_EQ(1, PrepareInstall());
    if (faultKind >= 0) IoInjectFault(static_cast<IoKind>(faultKind), 0, ERROR_DISK_FULL);
    CloseInstallLog();
    return LogText();
  };
  ASSERT_TRUE(WriteWholeFile(old, BytesOf(stray)));
  ASSERT_TRUE(WriteWholeFile(log, BytesOf(HEAD + "FILE=kept.txt\r\n")));
  lstrcpyA(State.InstallFolder, missing.c_str());
  EXPECT_EQ(0, PrepareInstall());
  ExpectOneErrorAbout(missing);
  CloseInstallLog();
  EXPECT_EQ(HEAD + "FILE=kept.txt\r\n", LogText());
  EXPECT_EQ(stray, FileText(old));
  EXPECT_FALSE(FileExists(missing));
  lstrcpyA(State.InstallFolder, folder_.Path().c_str());
  EXPECT_EQ(HEAD, run());
  const std::vector<SeenBox> boxes = Boxes();
  ASSERT_EQ(1u, boxes.size());
  EXPECT_TRUE(EndsWith(boxes[0].Text, "\n\nsetup.$$$ → setup.000\nsetup.inf → setup.001\n\nインストールを続けます。")) << boxes[0].Text;
  EXPECT_EQ(stray, FileText(folder_ / "setup.000"));
  EXPECT_EQ(HEAD + "FILE=kept.txt\r\n", FileText(folder_ / "setup.001"));
  ASSERT_TRUE(WriteWholeFile(old, BytesOf(stray)));
  ASSERT_TRUE(WriteWholeFile(log, BytesOf(HEAD + "FILE=kept.txt\r\n")));
  Vouch({HEAD + "FILE=kept.txt\r\n", stray});
  // The merged stray is vouched for at once: a roll-back leaves it the log of record.
  ASSERT_EQ(1, PrepareInstall());
  CloseInstallLogForRollBack();
  const std::string merged = FileText(old);
  char digest[SHA256_TEXT_BYTES];
  Sha256TextOf(merged.data(), merged.size(), digest);
  EXPECT_EQ(HEAD + "FILE=kept.txt\r\nFILE=stray.txt\r\n", merged);
  EXPECT_EQ(digest, RegistryText(HKEY_LOCAL_MACHINE, ENTRY, "InstallLogSha256"));
  ASSERT_TRUE(DeleteFileA(log.c_str()) && MoveFileA(old.c_str(), log.c_str()));  // as the roll-back leaves them
  EXPECT_EQ(HEAD + "FILE=kept.txt\r\nFILE=stray.txt\r\n", run());
  EXPECT_FALSE(FileExists(old));
  DeleteFileA(log.c_str());
  ASSERT_TRUE(WriteWholeFile(old, BytesOf(stray)));
  Vouch({stray});
  EXPECT_EQ(HEAD + "FILE=stray.txt\r\n", run());
  EXPECT_FALSE(FileExists(old));
  for (const IoKind kind : {IO_READ, IO_WRITE}) {
    SCOPED_TRACE(kind);
    ASSERT_TRUE(WriteWholeFile(log, BytesOf(HEAD + "FILE=old.txt\r\n")));
    Vouch({HEAD + "FILE=old.txt\r\n"});
    EXPECT_EQ(HEAD, run(kind));
    EXPECT_TRUE(FileExists(old)) << "the only copy of the earlier lines was deleted";
    EXPECT_EQ(HEAD + "FILE=old.txt\r\n", run());
    EXPECT_FALSE(FileExists(old));
  }
}

// The log then lands in the drive's root: this program runs in a prefix of its own.
TEST_F(InstallLog, BareDriveInstallFolderLogsAtTheDriveRoot)
{
  const std::string drive = WindowsFolder().substr(0, 2), log = drive + "\\setup.inf";
  ASSERT_FALSE(FileExists(log));
  lstrcpyA(State.InstallFolder, drive.c_str());  // standing on that drive, "C:" alone names the folder we stand in
  ASSERT_EQ(1, PrepareInstall());
  EXPECT_EQ(1, LogInstalledPath(LOG_FILE, "demo.exe"));
  CloseInstallLog();
  EXPECT_EQ(HEAD + "FILE=" + drive + "\\demo.exe\r\n", FileText(log));
  DeleteFileA(log.c_str());
}
