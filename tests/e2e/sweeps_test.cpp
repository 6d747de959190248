// Sweeps over the ways an installation ends early, each against one table:
// the sample's payload cut at each record's start and inside each section,
// and a confirmed cancel at each point where the user can press Cancel.
// Every run ends with exit code 0, at most one error box, no partial file,
// no completion message, and the roll-back started once exactly when the
// uninstaller exists.
#include <algorithm>
#include <map>
#include "resources/dialogs.h"
#include "tests/e2e/scenario.h"

namespace {

const char PROGRESS_SUFFIX[] = " セットアップ";
const char QUESTION[] = "セットアップの終了";

std::string SourceRoot() { return ParentFolder(ParentFolder(ParentFolder(ProgramFolder()))); }

}  // namespace

class EarlyEnd : public Scenario {
 public:
  std::string folder = folder_ / "途中先";

 protected:
  void SetUp() override
  {
    if (!OwnPrefix()) GTEST_SKIP() << "changes the Windows folder: needs SETUP_OWN_PREFIX=1";
  }

  // Runs the copied product and checks what every early end must leave.
  void RunAndCheck(const std::string& product, const std::string& arguments, std::vector<Reply> replies,
                   bool rolledBack, bool folderKept, bool completed = false)
  {
    // The records of every pool file, since products share identical ones.
    std::map<std::string, std::string> records;
    for (int n = 0; n < 10; ++n) {
      const std::string pool = WindowsFolder() + "\\unins00" + std::to_string(n) + ".exe";
      records[pool] = FileText(pool + ".log");
    }
    Launch(arguments);
    EXPECT_EQ(0u, RunThrough(folder, std::move(replies))) << Transcript();
    int errors = 0, completions = 0;
    for (const Screen& s : Seen()) {
      errors += s.IsMessageBox() && s.Caption != "フォルダ作成確認" && s.Caption != QUESTION &&
                s.Caption != "FD交換" && s.Caption != "ﾃﾞﾊﾞｯｸﾞ" && s.Caption != "共有ﾌｧｲﾙの上書確認" &&
                s.Caption != "ｸﾘｰﾝｱｯﾌﾟ";
      completions += s.Caption == "ｾｯﾄｱｯﾌﾟ完了";
    }
    EXPECT_EQ(completed ? 1 : 0, completions) << Transcript();
    EXPECT_LE(errors, 1) << Transcript();
    const std::string uninstaller = RegisteredUninstaller(product);
    if (rolledBack) { EXPECT_EQ(1u, records.count(uninstaller)) << uninstaller; }
    for (const auto& record : records) {
      const bool ran = rolledBack && record.first == uninstaller;
      EXPECT_EQ(record.second + (ran ? RollBackRecord(uninstaller, product, folder) : ""), FileText(record.first + ".log"))
          << (ran ? "not rolled back once" : "rolled back, or by the wrong uninstaller") << Transcript();
    }
    EXPECT_EQ(folderKept, FileExists(folder)) << Transcript();
    // A closed log; every file there whole.
    HANDLE log = CreateFileA((folder + "\\setup.inf").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_TRUE(log != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION);
    CloseHandle(log);
    for (const auto& file : sources) {
      const std::string path = folder + "\\" + file.first;
      EXPECT_TRUE(!FileExists(path) || ReadWholeFile(file.second) == ReadWholeFile(path)) << "partial " << file.first;
    }
  }

  std::vector<std::pair<std::string, std::string>> sources = {
      {"bin\\viewer.exe", ProgramFolder() + "\\viewer.exe"},
      {"bin\\viewer.ini", SourceRoot() + "\\examples\\sample\\files\\bin\\viewer.ini"},
      {"docs\\manual.txt", SourceRoot() + "\\examples\\sample\\files\\docs\\manual.txt"},
      {"readme.txt", SourceRoot() + "\\examples\\sample\\files\\readme.txt"},
      {"data\\bin\\large.bin", TreeFile("bin\\large.bin")},
      {"data\\bin\\helper.dll", TreeFile("bin\\helper.dll")},
  };
};

// ---------------------------------------------------------------------------
// The sample's payload cut: at the start of each record that begins with a
// text (a marker), and halfway to the next one.

struct Cut {
  const char* Marker;  // Shift-JIS text that begins the record, in payload order
  int Half;            // 0: at its start; 1: halfway to the next marker or the end
  bool RolledBack;
  bool FolderKept = true;
  bool Completed = false;  // a launch record cut inside a text counts as read
};

const Cut CUTS[] = {
    {"サンプル ビューア", 0, false, false}, {"サンプル ビューア", 1, false, false},
    {"標準フォント", 0, false, false},      {"標準フォント", 1, false, false},
    {"Norvalex.", 0, false, false},         {"Norvalex.", 1, false, false},  // in the panel picture
    {"$(SYSDRV):\\Sample Viewer", 0, false, true},
    {"$(SYSDRV):\\Sample Viewer", 1, false, true},  // in the uninstaller's image
    {"bin\0\x10\0\0", 0, true},      {"bin\0\x10\0\0", 1, true},
    {"bin\\viewer.ini", 0, true},    {"bin\\viewer.ini", 1, true},
    {"docs\\manual.txt", 0, true},   {"docs\\manual.txt", 1, true},
    {"readme.txt", 0, true},         {"readme.txt", 1, true},
    {"bin\\viewer.exe", 0, true},    {"bin\\viewer.exe", 1, true},
    {"サンプル ビューア 説明書", 0, true}, {"サンプル ビューア 説明書", 1, true},
    {"$(SYSDIR)\\samplelib.dll", 0, true}, {"$(SYSDIR)\\samplelib.dll", 1, true},
    {"HKEY_CURRENT_USER\\Software\\Norvalex\\Sample Viewer", 0, true},
    {"HKEY_CURRENT_USER\\Software\\Norvalex\\Sample Viewer", 1, true},
    {"smv", 0, true},                {"smv", 1, true},
    {"/first-run", 0, true},         {"/first-run", 1, false, true, true},
};

// Where each marker begins, searched in payload order after `from`.
size_t Find(const std::string& image, const char* marker, size_t from)
{
  const std::string text = marker[0] == 'b' && marker[3] == '\0' ? std::string(marker, 7) : std::string(marker) + '\0';
  return image.find(text, from);
}

class Truncation : public EarlyEnd, public ::testing::WithParamInterface<size_t> {};

TEST_P(Truncation, EndsQuietlyWithNoPartialFile)
{
  CopyProduct("sample");
  const std::string image = FileText(folder_ / "SETUP.EXE");
  size_t payload = 0;
  for (int i = 3; i >= 0; --i) payload = payload << 8 | static_cast<unsigned char>(image[0x30 + i]);
  size_t at = payload, next = image.size();
  for (size_t i = 0; i <= GetParam() / 2 * 2; i += 2) {
    at = Find(image, CUTS[i].Marker, at);
    ASSERT_NE(std::string::npos, at) << CUTS[i].Marker;
    if (i + 2 < sizeof CUTS / sizeof CUTS[0]) next = Find(image, CUTS[i + 2].Marker, at);
    else next = image.size();
  }
  const size_t cut = CUTS[GetParam()].Half ? (at + next) / 2 : at;
  ASSERT_TRUE(WriteWholeFile(folder_ / "SETUP.EXE", BytesOf(image.substr(0, cut))));
  sources.push_back({"setup000.ico", SourceRoot() + "\\examples\\sample\\sample.ico"});
  RunAndCheck("サンプル ビューア", "", {}, CUTS[GetParam()].RolledBack, CUTS[GetParam()].FolderKept,
              CUTS[GetParam()].Completed);
}

INSTANTIATE_TEST_SUITE_P(Cuts, Truncation, ::testing::Range(size_t{0}, sizeof CUTS / sizeof CUTS[0]));

// ---------------------------------------------------------------------------
// A confirmed cancel at each point, on the sample (quick) or on the
// everything product where a large file or volumes are needed.

struct CancelPoint {
  const char* Name;
  const char* Product;
  const char* Arguments;
  std::function<std::vector<Reply>(EarlyEnd*)> Replies;
  bool RolledBack;
  bool FolderKept;
};

std::vector<Reply> OnPage(const char* caption, int button = IDC_CANCEL_PAGE)
{
  return {{caption, button, "", 1}, {QUESTION, IDYES, "", 1}};
}

// Stop pressed on the progress dialog behind the box of the step that waits.
std::vector<Reply> AtStep(int step, bool closeBox = false)
{
  std::vector<Reply> replies = {
      {"ﾃﾞﾊﾞｯｸﾞ", IDOK, "開始 確認", 1,
       [closeBox](const Screen& box) {
         if (closeBox) PostMessageA(box.Owner, WM_CLOSE, 0, 0);
         else PostMessageA(box.Owner, WM_COMMAND, IDC_STOP, reinterpret_cast<LPARAM>(GetDlgItem(box.Owner, IDC_STOP)));
       }},
      {QUESTION, IDYES, "", 1}};
  if (step > 1) replies.insert(replies.begin(), Reply{"ﾃﾞﾊﾞｯｸﾞ", IDOK, "開始 確認", step - 1});
  return replies;
}

const CancelPoint CANCEL_POINTS[] = {
    {"AgreementPage", "sample", "", [](EarlyEnd*) { return OnPage("使用許諾内容確認"); }, false, false},
    {"UserPage", "sample", "", [](EarlyEnd*) { return OnPage("ユーザ情報の登録"); }, false, false},
    {"FolderPage", "sample", "", [](EarlyEnd*) { return OnPage("ｾｯﾄｱｯﾌﾟ ﾌｫﾙﾀﾞ"); }, false, false},
    {"ConfirmationPageRemovesTheCreatedFolder", "sample", "",
     [](EarlyEnd*) { return OnPage("ｾｯﾄｱｯﾌﾟ条件の確認"); }, false, false},
    {"ConfirmationPageKeepsTheUsersFolder", "sample", "",
     [](EarlyEnd* test) {
       CreateDirectoryA(test->folder.c_str(), nullptr);
       return OnPage("ｾｯﾄｱｯﾌﾟ条件の確認");
     },
     false, true},
    {"PrepareStep", "sample", "V", [](EarlyEnd*) { return AtStep(1); }, false, false},
    {"UninstallerStep", "sample", "V", [](EarlyEnd*) { return AtStep(2); }, false, true},
    {"FileStep", "sample", "V", [](EarlyEnd*) { return AtStep(3); }, true, true},
    {"ShortcutStep", "sample", "V", [](EarlyEnd*) { return AtStep(4); }, true, true},
    {"SharedFileStep", "sample", "V", [](EarlyEnd*) { return AtStep(5); }, true, true},
    {"RegistryStep", "sample", "V", [](EarlyEnd*) { return AtStep(6); }, true, true},
    {"FileTypeStep", "sample", "V", [](EarlyEnd*) { return AtStep(7); }, true, true},
    {"FinishStep", "sample", "V", [](EarlyEnd*) { return AtStep(8); }, true, true},
    {"ProgressCloseBox", "sample", "V", [](EarlyEnd*) { return AtStep(3, true); }, true, true},
    {"MiddleOfALargeFile", "everything", "",
     [](EarlyEnd*) {
       return std::vector<Reply>{{std::string("全部入り") + PROGRESS_SUFFIX, 0, "", 1,
                                  [](const Screen& progress) {
                                    HWND item = GetDlgItem(progress.Window, IDC_ITEM_NAME);
                                    for (int i = 0; i < 2000 && WindowText(item) != "large.bin"; ++i) Sleep(5);
                                    PostMessageA(progress.Window, WM_COMMAND, IDC_STOP, 0);
                                  }},
                                 {QUESTION, IDYES, "", 1}};
     },
     true, true},
    {"SharedFileQuestion", "sample", "",
     [](EarlyEnd*) {
       CopyFileA((ProgramFolder() + "\\uninstaller_later.exe").c_str(), (SystemFolder() + "\\samplelib.dll").c_str(),
                 FALSE);
       return std::vector<Reply>{{"共有ﾌｧｲﾙの上書確認", IDYES, "", 1,
                                  [](const Screen& box) { PostMessageA(box.Owner, WM_COMMAND, IDC_STOP, 0); }},
                                 {QUESTION, IDYES, "", 1}};
     },
     true, true},
    {"VolumePrompt", "everything_spanned", "", [](EarlyEnd*) { return std::vector<Reply>{{"FD交換", IDCANCEL, "", 1}}; },
     true, true},
};

class Cancel : public EarlyEnd, public ::testing::WithParamInterface<CancelPoint> {};

TEST_P(Cancel, EndsAsTheTableSays)
{
  CopyProduct(GetParam().Product);
  const bool sample = GetParam().Product == std::string("sample");
  RunAndCheck(sample ? "サンプル ビューア" : "全部入り", GetParam().Arguments, GetParam().Replies(this), GetParam().RolledBack, GetParam().FolderKept);
  DeleteFileA((SystemFolder() + "\\samplelib.dll").c_str());
}

INSTANTIATE_TEST_SUITE_P(Points, Cancel, ::testing::ValuesIn(CANCEL_POINTS),
                         [](const ::testing::TestParamInfo<CancelPoint>& info) { return std::string(info.param.Name); });

// ---------------------------------------------------------------------------
// A file held open by another program: its data waits under an alternate
// name, Windows is told to move it at the next start, and the run ends with
// the restart question instead of the completion message.

TEST_F(EarlyEnd, FileInUseWaitsUnderAnAlternateNameForTheRestart)
{
  SavedWindowsFile wininit("WININIT.INI");
  SavedPendingRenames pending;
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) && CreateDirectoryA((folder + "\\data").c_str(), nullptr));
  const std::string target = folder + "\\data\\block.bin", alternate = folder + "\\data\\block.000";
  ASSERT_TRUE(WriteWholeFile(target, BytesOf("old")));
  {
    Held inUse(target);
    Start("everything");
    EXPECT_EQ(0u, RunThrough(folder)) << Transcript();
  }
  const Screen& last = Seen().back();
  EXPECT_EQ("システム再起動の確認", last.Caption) << Transcript();
  EXPECT_EQ("いくつかのファイルが使用中のためインストールできませんでした。\nシステムを再起動するとインストールは終了します。\n\n今すぐ再起動しますか？",
            last.Text(0xFFFF));
  EXPECT_EQ("old", FileText(target));
  EXPECT_TRUE(ReadWholeFile(TreeFile("block.bin")) == ReadWholeFile(alternate));
  WIN32_FIND_DATAA written = {}, source = {};
  FindClose(FindFirstFileA(alternate.c_str(), &written));
  FindClose(FindFirstFileA(TreeFile("block.bin").c_str(), &source));
  EXPECT_EQ(0, CompareFileTime(&source.ftLastWriteTime, &written.ftLastWriteTime));
  const std::string log = FileText(folder + "\\setup.inf");
  EXPECT_NE(std::string::npos, log.find("\r\nFILE=" + target + "\r\n"));
  EXPECT_EQ(std::string::npos, log.find("block.000"));
  EXPECT_EQ("[rename]\r\n" + ShortName(target) + "=" + ShortName(alternate) + "\r\n", FileText(wininit.Path));
  EXPECT_NE(std::string::npos, pending.Now().find(alternate)) << "no move planned from the alternate file";
}
