// Installations that do not end normally: a file held open by another
// program (replaced at the next start, with the restart question), failing
// prepare and uninstaller steps, a payload cut short inside a file (the
// roll-back under its clean-up dialog) and a cancel confirmed between steps.
// They change the Windows folder, so they run only in a prefix of their own.
#include <algorithm>
#include <functional>
#include <map>
#include "resources/dialogs.h"
#include "tests/e2e/scenario.h"
#include "tests/support/saved_state.h"
#include "tests/support/box_answerer.h"

namespace {

const char FOLDER_PAGE[] = "ｾｯﾄｱｯﾌﾟ ﾌｫﾙﾀﾞ";
const char CONFIRM_PAGE[] = "ｾｯﾄｱｯﾌﾟ条件の確認";
const char CREATE[] = "フォルダ作成確認";
const char DONE[] = "ｾｯﾄｱｯﾌﾟ完了";
const char DEBUGGING[] = "ﾃﾞﾊﾞｯｸﾞ";
const char CLEAN_UP[] = "ｸﾘｰﾝｱｯﾌﾟ";
const char ERROR_CAPTION[] = "ｴﾗｰ情報";
const char PRODUCT[] = "インストールテスト";  // the "install" product
const char UNINSTALL_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string HEAD = "USER=\r\nSECTION=\r\nAUTHOR=Norvalex\r\nVER=3.00\r\n";
// Also named in tests/support/uninstaller/held.cpp.
const char GATE_EVENT[] = "SetupTestHeldUninstallerGate";

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }
std::string FileText(const std::string& path) { return Text(ReadWholeFile(path)); }


// The generated tree (build/e2e-tree) that the "install" product carries.
std::string TreeFile(const std::string& relative)
{
  return ParentFolder(ParentFolder(ProgramFolder())) + "\\e2e-tree\\" + relative;
}

std::string RegistryText(const std::string& key, const char* name)
{
  HKEY handle;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return "<no key>";
  char data[512] = "";
  DWORD size = sizeof data;
  const LONG result = RegQueryValueExA(handle, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(handle);
  return result == ERROR_SUCCESS ? std::string(data) : "<no value>";
}

// The pool file that the product's Uninstall entry names.
std::string RegisteredUninstaller()
{
  const std::string command = RegistryText(std::string(UNINSTALL_KEY) + PRODUCT, "UninstallString");
  if (command.size() < 2 || command[0] != '"') return "";
  return command.substr(1, command.find('"', 1) - 1);
}

// Names and sizes of the files of the Windows folder whose names begin
// with "unins": the pool and the records of its stand-in uninstallers.
std::map<std::string, DWORD> PoolNow()
{
  std::map<std::string, DWORD> pool;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((WindowsFolder() + "\\unins*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return pool;
  do {
    pool[entry.cFileName] = entry.nFileSizeLow;
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  return pool;
}

// Every text of a window's controls, in their order.
std::vector<std::string> ControlTexts(HWND window)
{
  std::vector<std::string> texts;
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
    texts.push_back(WindowText(child));
  return texts;
}

// Polls for a condition that another process brings about; false when it
// has not come after 15 seconds.
bool Eventually(const std::function<bool()>& condition)
{
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > 15000) return false;
    Sleep(20);
  }
  return true;
}

bool EndsWith(const std::string& text, const std::string& end)
{
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string ShortName(const std::string& path)
{
  char out[MAX_PATH];
  const DWORD length = GetShortPathNameA(path.c_str(), out, sizeof out);
  return length == 0 || length >= sizeof out ? "<no short name>" : out;
}

// A file held open without sharing, as a running program holds its files.
struct Held {
  explicit Held(const std::string& path)
      : Handle(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~Held() { CloseHandle(Handle); }
  HANDLE Handle;
};



// Keeps the held stand-in uninstaller running until opened, at the latest
// when the test ends.
struct Gate {
  Gate() : Event(CreateEventA(nullptr, TRUE, FALSE, GATE_EVENT)) {}
  ~Gate()
  {
    Open();
    CloseHandle(Event);
  }
  void Open() { SetEvent(Event); }
  HANDLE Event;
};


}  // namespace

class Unfinished : public Scenario {
 protected:
  void SetUp() override
  {
    char own[8] = "";
    GetEnvironmentVariableA("SETUP_OWN_PREFIX", own, sizeof own);
    if (lstrcmpA(own, "1") != 0) GTEST_SKIP() << "changes the Windows folder: needs SETUP_OWN_PREFIX=1";
  }

  // Goes through the folder page and the confirmation to the first step.
  void AcceptWizard(const std::string& folder, bool folderExists)
  {
    Screen page3 = Expect(FOLDER_PAGE);
    Driver().Type(page3, IDC_FOLDER, folder);
    Driver().Click(page3, IDC_NEXT);
    if (!folderExists) ClickAway(Expect(CREATE), IDYES);
    Screen page4 = Expect(CONFIRM_PAGE);
    EXPECT_EQ(folder, page4.Text(IDC_FOLDER));
    ClickAway(page4, IDC_NEXT);
  }

  // Waits for the debugging box with `text` and returns it unanswered.
  Screen Debugging(const std::string& text)
  {
    Screen box = Expect(DEBUGGING);
    EXPECT_EQ(text, box.Text(0xFFFF)) << Transcript();
    return box;
  }

  // Answers the debugging boxes of the prepare and uninstaller steps.
  void PassFirstTwoSteps()
  {
    for (int row = 0; row < 2; ++row) {
      ClickAway(Debugging("開始 確認"), IDOK);
      ClickAway(Debugging("終了 確認"), IDOK);
    }
  }

  // The background window: the process's visible window of the class "setup".
  HWND Background() const
  {
    return FindProcessWindow(process_.dwProcessId, "setup");
  }

  // The lines a roll-back run of the uninstaller records.
  static std::string RollBackRecord(const std::string& uninstaller, const std::string& folder)
  {
    return "\"" + uninstaller + "\" s \"" + PRODUCT + "\" \"" + folder + "\"\r\n" + WindowsFolder().substr(0, 3) +
           "\r\n";
  }
};

// ---------------------------------------------------------------------------
// A file in use

TEST_F(Unfinished, FileInUseGoesToAnAlternateNameAndTheRunEndsWithTheRestartQuestion)
{
  SavedWindowsFile wininit("WININIT.INI");
  SavedPendingRenames pending;
  const std::string folder = folder_ / "使用中";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  const std::string target = folder + "\\block.bin";
  ASSERT_TRUE(WriteWholeFile(target, Bytes{'o', 'l', 'd'}));
  const std::string alternate = folder + "\\block.000";
  {
    Held inUse(target);
    ASSERT_NE(INVALID_HANDLE_VALUE, inUse.Handle);

    Start("install");
    AcceptWizard(folder, true);
    Screen question = Expect("システム再起動の確認");
    EXPECT_EQ("いくつかのファイルが使用中のためインストールできませんでした。\nシステムを再起動するとインストールは終了します。\n\n今すぐ再起動しますか？",
              question.Text(0xFFFF));
    EXPECT_TRUE(question.Visible[IDYES] && question.Visible[IDNO]);
    EXPECT_EQ(Background(), question.Owner);
    EXPECT_NE(nullptr, question.Owner);
    ClickAway(question, IDNO);
    // A completion message would hold the process until answered.
    EXPECT_EQ(0u, ExitCode()) << Transcript();
  }

  // The data waits under the alternate name with its times; the target is
  // as the other program left it, and the log names the target.
  EXPECT_EQ("old", FileText(target));
  EXPECT_TRUE(ReadWholeFile(TreeFile("block.bin")) == ReadWholeFile(alternate));
  WIN32_FIND_DATAA written = {}, source = {};
  FindClose(FindFirstFileA(alternate.c_str(), &written));
  FindClose(FindFirstFileA(TreeFile("block.bin").c_str(), &source));
  EXPECT_EQ(0, CompareFileTime(&source.ftLastWriteTime, &written.ftLastWriteTime));
  const std::string log = FileText(folder + "\\setup.inf");
  EXPECT_EQ(0u, log.find(HEAD + "FOLDER=" + folder + "\\bin\r\n")) << log;
  EXPECT_NE(std::string::npos, log.find("\r\nFILE=" + target + "\r\nFILE=" + folder + "\\block_plus_one.bin\r\n"));
  EXPECT_EQ(std::string::npos, log.find("block.000"));
  EXPECT_TRUE(EndsWith(log, "FILE=" + folder + "\\docs\\hidden.txt\r\n")) << "the run did not go on after the file";

  // Windows is told to move it into place at its next start.
  EXPECT_EQ("[rename]\r\n" + ShortName(target) + "=" + ShortName(alternate) + "\r\n", FileText(wininit.Path));
  EXPECT_FALSE(FileExists(WindowsFolder() + "\\WININIT.BAK"));
  EXPECT_NE(std::string::npos, pending.Now().find(alternate)) << "no move planned from the alternate file";
}

// ---------------------------------------------------------------------------
// Failures before the uninstaller exists: no roll-back

TEST_F(Unfinished, LogThatCannotBeCreatedEndsTheRunWithOneBoxAndNoRollBack)
{
  // A folder named setup.inf, which cannot be moved aside as an older log
  // would be, because a folder named setup.$$$ stands in the way.
  const std::string folder = folder_ / "ログ不可";
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((folder + "\\setup.inf").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((folder + "\\setup.$$$").c_str(), nullptr));
  const std::map<std::string, DWORD> poolBefore = PoolNow();
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(UNINSTALL_KEY) + PRODUCT).c_str());

  Start("install");
  AcceptWizard(folder, true);
  Screen box = Expect(ERROR_CAPTION);
  EXPECT_TRUE(EndsWith(box.Text(0xFFFF), "\nsetup.inf")) << box.Text(0xFFFF);
  EXPECT_NE(nullptr, box.Owner);
  EXPECT_NE(Background(), box.Owner) << "the box belongs to the progress dialog";
  ClickAway(box, IDOK);
  EXPECT_EQ(0u, ExitCode()) << Transcript();

  // No uninstaller was written, registered or run, and nothing installed.
  EXPECT_EQ(poolBefore, PoolNow());
  EXPECT_EQ("<no key>", RegistryText(std::string(UNINSTALL_KEY) + PRODUCT, "DisplayName"));
  EXPECT_FALSE(FileExists(folder + "\\bin"));
  // Without a new log the closing leaves both names alone.
  for (const char* name : {"setup.inf", "setup.$$$"}) {
    const DWORD attributes = GetFileAttributesA((folder + "\\" + name).c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) << name;
  }
}

TEST_F(Unfinished, PoolWithoutAFreeNameEndsTheRunWithOneBoxAndNoRollBack)
{
  // Every name belongs to someone else; the last one records any start.
  for (int n = 0; n < 999; ++n) {
    char name[16];
    wsprintfA(name, "\\unins%3.3d.exe", n);
    ASSERT_TRUE(WriteWholeFile(WindowsFolder() + name, Bytes{'x'}));
  }
  const std::string last = WindowsFolder() + "\\unins999.exe";
  ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\uninstaller_foreign.exe").c_str(), last.c_str(), FALSE));
  DeleteFileA((last + ".log").c_str());
  const std::string folder = folder_ / "満杯";

  Start("install");
  AcceptWizard(folder, false);
  Screen box = Expect(ERROR_CAPTION);
  EXPECT_EQ("アンインストーラを置く名前がありません。\n\nWindows フォルダの unins000.exe から unins999.exe までがすべて使われています。",
            box.Text(0xFFFF));
  ClickAway(box, IDOK);
  EXPECT_EQ(0u, ExitCode()) << Transcript();

  EXPECT_FALSE(FileExists(last + ".log")) << "a roll-back started another maker's program";
  EXPECT_TRUE(ReadWholeFile(ProgramFolder() + "\\uninstaller_foreign.exe") == ReadWholeFile(last));
  EXPECT_EQ("x", FileText(WindowsFolder() + "\\unins000.exe"));
  // The log was closed with its head lines; nothing of the product came.
  EXPECT_EQ(HEAD + "IFOLDER=" + folder + "\r\n", FileText(folder + "\\setup.inf"));
  EXPECT_FALSE(FileExists(folder + "\\bin"));
  for (int n = 0; n < 1000; ++n) {
    char name[16];
    wsprintfA(name, "\\unins%3.3d.exe", n);
    DeleteFileA((WindowsFolder() + name).c_str());
  }
}

// ---------------------------------------------------------------------------
// Failures after the uninstaller exists: the roll-back

TEST_F(Unfinished, PayloadCutInsideAFileRollsBackUnderTheCleanUpDialog)
{
  // Half the executable ends inside the body of the 3 MB file, which is
  // most of the payload.
  CopyProduct("install");
  const std::string setup = folder_ / "SETUP.EXE";
  HANDLE file = CreateFileA(setup.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  const DWORD size = GetFileSize(file, nullptr);
  ASSERT_GT(size, 3u * 1024 * 1024);
  SetFilePointer(file, size / 2, nullptr, FILE_BEGIN);
  ASSERT_TRUE(SetEndOfFile(file));
  CloseHandle(file);

  Gate gate;
  ASSERT_NE(nullptr, gate.Event);
  const std::string folder = folder_ / "途中まで";
  Launch("V");
  AcceptWizard(folder, false);
  ClickAway(Debugging("開始 確認"), IDOK);
  ClickAway(Debugging("終了 確認"), IDOK);
  ClickAway(Debugging("開始 確認"), IDOK);
  Screen uninstallerDone = Debugging("終了 確認");

  // The uninstaller is in the pool now; a stand-in that stays until let go
  // takes its place, so that the roll-back can be watched.
  const std::string uninstaller = RegisteredUninstaller();
  ASSERT_EQ(WindowsFolder() + "\\unins", uninstaller.substr(0, WindowsFolder().size() + 6));
  const Bytes recorder = ReadWholeFile(uninstaller);
  const std::string record = uninstaller + ".log";
  const std::string recordBefore = FileText(record);
  ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\held_uninstaller.exe").c_str(), uninstaller.c_str(), FALSE));
  ClickAway(uninstallerDone, IDOK);
  ClickAway(Debugging("開始 確認"), IDOK);

  // The file step fails without a box of its own and without "終了 確認";
  // the clean-up dialog stands while the uninstaller runs.
  Screen cleanUp = Expect(CLEAN_UP);
  EXPECT_EQ(Background(), cleanUp.Owner);
  const std::vector<std::string> texts = ControlTexts(cleanUp.Window);
  EXPECT_NE(texts.end(), std::find(texts.begin(), texts.end(), "ｲﾝｽﾄｰﾙしたﾌｧｲﾙを削除しています。"));
  EXPECT_NE(texts.end(), std::find(texts.begin(), texts.end(), "しばらくお待ちください。"));
  const std::vector<std::string> windows = Driver().WindowsNow();
  EXPECT_EQ(windows.end(), std::find(windows.begin(), windows.end(), std::string("#32770:") + PRODUCT + " セットアップ"))
      << "the progress dialog is still there";
  EXPECT_TRUE(Eventually([&] { return FileText(record).size() > recordBefore.size(); }));
  EXPECT_EQ(recordBefore + RollBackRecord(uninstaller, folder), FileText(record));

  // By now the log is closed and holds what was installed before the cut;
  // the partly written file is gone.
  HANDLE log = CreateFileA((folder + "\\setup.inf").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(INVALID_HANDLE_VALUE, log) << "setup.inf is still open";
  CloseHandle(log);
  EXPECT_EQ(HEAD + "IFOLDER=" + folder + "\r\nFOLDER=" + folder + "\\bin\r\nDLL=" + folder + "\\bin\\helper.dll\r\n",
            FileText(folder + "\\setup.inf"));
  EXPECT_FALSE(FileExists(folder + "\\bin\\large.bin"));
  EXPECT_FALSE(FileExists(folder + "\\block.bin"));
  EXPECT_FALSE(FileExists(folder + "\\setup.$$$"));
  EXPECT_TRUE(IsWindowVisible(cleanUp.Window)) << "the dialog did not wait for the uninstaller";

  gate.Open();
  EXPECT_TRUE(Driver().WaitGone(cleanUp.Window));
  EXPECT_EQ(0u, ExitCode()) << Transcript();
  EXPECT_EQ(recordBefore + RollBackRecord(uninstaller, folder), FileText(record)) << "run more than once";
  WriteWholeFile(uninstaller, recorder);
}

TEST_F(Unfinished, CancelConfirmedWhileAStepWaitsRollsBackAndInstallsNothingMore)
{
  const std::string folder = folder_ / "中止先";
  Start("install", "V");
  AcceptWizard(folder, false);
  PassFirstTwoSteps();
  const std::string uninstaller = RegisteredUninstaller();
  ASSERT_EQ(WindowsFolder() + "\\unins", uninstaller.substr(0, WindowsFolder().size() + 6));
  const std::string record = uninstaller + ".log";
  const std::string recordBefore = FileText(record);

  // The file step waits at its "開始 確認"; the user presses 中止 on the
  // progress dialog behind it and confirms.
  Screen waiting = Debugging("開始 確認");
  const Screen progress = Driver().Read(waiting.Owner);
  ASSERT_EQ("中止", progress.Text(IDC_STOP));
  Driver().Click(progress, IDC_STOP);
  Screen question = Expect("セットアップの終了");
  EXPECT_EQ("今すぐセットアップを終了しますか？", question.Text(0xFFFF));
  ClickAway(question, IDYES);
  // Closing the progress dialog may have taken its box along.
  if (IsWindow(waiting.Window) && IsWindowVisible(waiting.Window)) ClickAway(waiting, IDOK);

  // A completion message or a further debugging box would hold the
  // process until answered.
  EXPECT_EQ(0u, ExitCode()) << Transcript();
  EXPECT_EQ(recordBefore + RollBackRecord(uninstaller, folder), FileText(record));
  EXPECT_EQ(HEAD + "IFOLDER=" + folder + "\r\n", FileText(folder + "\\setup.inf"));
  for (const char* item : {"bin", "block.bin", "docs", "empty.txt"})
    EXPECT_FALSE(FileExists(folder + "\\" + item)) << item << " was installed after the cancel";
}

// ---------------------------------------------------------------------------
// A payload cut inside each later section of the full sample: the step that
// reads it fails, no completion message comes, and the uninstaller runs in
// its roll-back mode.

struct CutSection {
  const char* Name;    // the step whose section is cut
  const char* Marker;  // a text that stands only in that section, near its end
};

class CutSample : public Unfinished, public ::testing::WithParamInterface<CutSection> {};

TEST_P(CutSample, FailingStepRollsBack)
{
  CopyProduct("sample");
  const std::string setup = folder_ / "SETUP.EXE";
  const Bytes image = ReadWholeFile(setup);
  const std::string bytes(image.begin(), image.end());
  const size_t at = bytes.rfind(GetParam().Marker);
  ASSERT_NE(std::string::npos, at) << GetParam().Marker;
  ASSERT_TRUE(WriteWholeFile(setup, Bytes(image.begin(), image.begin() + at + 2)));

  const std::string folder = folder_ / "切断";
  Launch("");
  ClickAway(Expect("使用許諾内容確認"), IDC_NEXT);
  ClickAway(Expect("ユーザ情報の登録"), IDC_NEXT);
  AcceptWizard(folder, false);
  // Whatever the failing step says is answered; a completion message must not come.
  BoxAnswerer boxes({}, process_.dwProcessId);
  EXPECT_EQ(0u, ExitCode()) << Transcript();
  for (const SeenBox& box : boxes.Finish()) EXPECT_NE(DONE, box.Caption) << box.Text;

  const std::string command =
      RegistryText(std::string(UNINSTALL_KEY) + "サンプル ビューア", "UninstallString");
  ASSERT_GT(command.size(), 2u);
  const std::string uninstaller = command.substr(1, command.find('"', 1) - 1);
  const std::string record = "\"" + uninstaller + "\" s \"サンプル ビューア\" \"" + folder + "\"\r\n" +
                             WindowsFolder().substr(0, 3) + "\r\n";
  const std::string recorded = FileText(uninstaller + ".log");
  ASSERT_GE(recorded.size(), record.size());
  EXPECT_EQ(record, recorded.substr(recorded.size() - record.size()));
  // The log was merged and closed before the uninstaller ran.
  HANDLE log = CreateFileA((folder + "\\setup.inf").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(INVALID_HANDLE_VALUE, log);
  CloseHandle(log);
}

INSTANTIATE_TEST_SUITE_P(Rows, CutSample,
                         ::testing::Values(CutSection{"Shortcuts", "サンプル ビューア 説明書"},
                                           CutSection{"SharedFiles", "$(SYSDIR)\\samplelib.dll"},
                                           CutSection{"Registry", "InstallVersion"},
                                           CutSection{"FileTypes", "サンプル ビューア 文書"},
                                           CutSection{"Launch", "/first-run"}),
                         [](const ::testing::TestParamInfo<CutSection>& info) { return std::string(info.param.Name); });
