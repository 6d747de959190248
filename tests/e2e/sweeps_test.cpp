// Sweeps over the ways an installation ends early, each against one table:
// the sample's payload cut at each record's start and inside each section,
// and a confirmed cancel at each point where the user can press Cancel.
// Every run ends with exit code 0, at most one error box, no partial file,
// no completion message, and the roll-back started once exactly when the
// uninstaller exists.
#include <map>
#include <regex>
#include "resources/dialogs.h"
#include "tests/e2e/scenario.h"

namespace {

const char QUESTION[] = "セットアップの終了";
// The boxes that ask or inform rather than report an error.
const std::set<std::string> NOT_ERRORS = {"フォルダ作成確認", QUESTION, "FD交換", "ﾃﾞﾊﾞｯｸﾞ", "共有ﾌｧｲﾙの上書確認", "ｸﾘｰﾝｱｯﾌﾟ"};

}  // namespace

class EarlyEnd : public Scenario {
 protected:
  std::string folder = folder_ / "途中先";

  // Runs the copied product and checks what every early end must leave.
  void RunAndCheck(const std::string& product, const std::string& arguments, std::vector<Reply> replies,
                   bool rolledBack, bool folderKept, bool completed = false)
  {
    // What the recorder uninstaller of each pool file has noted of its runs.
    std::map<std::string, std::string> records;
    for (int n = 0; n < 10; ++n) {
      const std::string pool = WindowsFolder() + "\\unins00" + std::to_string(n) + ".exe";
      records[pool] = FileText(pool + ".log");
    }
    Launch(arguments);
    EXPECT_EQ(0u, RunThrough(folder, std::move(replies))) << Transcript();
    int errors = 0;
    for (const Screen& s : seen_) errors += s.IsMessageBox() && NOT_ERRORS.count(s.Caption) == 0;
    EXPECT_EQ(completed ? 1 : 0, Count("ｾｯﾄｱｯﾌﾟ完了")) << Transcript();
    EXPECT_LE(errors, 1) << Transcript();
    const std::string uninstaller = RegisteredUninstaller(product);
    if (rolledBack) { EXPECT_EQ(1u, records.count(uninstaller)) << uninstaller; }
    // The roll-back hands over the digest of the log it closed (checked where the real uninstaller runs).
    const std::string rollBack = "\"" + uninstaller + "\" s \"" + product + "\" \"" + folder + "\" <digest>\r\n" +
                                 WindowsFolder().substr(0, 3) + "\r\n";
    const std::regex digest(" [0-9a-f]{64}\r\n");
    for (const auto& record : records) {
      const bool ran = rolledBack && record.first == uninstaller;
      EXPECT_EQ(std::regex_replace(record.second + (ran ? rollBack : ""), digest, " <digest>\r\n"),
                std::regex_replace(FileText(record.first + ".log"), digest, " <digest>\r\n"))
          << (ran ? "not rolled back once" : "rolled back, or by the wrong uninstaller") << Transcript();
    }
    EXPECT_EQ(folderKept, FileExists(folder)) << Transcript();
    for (const auto& file : sources) {
      const std::string path = folder + "\\" + file.first;
      EXPECT_TRUE(!FileExists(path) || ReadWholeFile(file.second) == ReadWholeFile(path)) << "partial " << file.first;
    }
  }

  const std::string sample = SourceFile("examples\\sample\\");
  std::vector<std::pair<std::string, std::string>> sources = {
      {"bin\\viewer.exe", ProgramFolder() + "\\viewer.exe"}, {"bin\\viewer.ini", sample + "files\\bin\\viewer.ini"},
      {"docs\\manual.txt", sample + "files\\docs\\manual.txt"}, {"readme.txt", sample + "files\\readme.txt"},
      {"data\\bin\\large.bin", TreeFile("bin\\large.bin")}, {"data\\bin\\helper.dll", TreeFile("bin\\helper.dll")},
      {"setup000.ico", sample + "sample.ico"}};
};

// ---------------------------------------------------------------------------
// The sample's payload cut at the start of each record that begins with a
// text (a marker), and halfway to the next one.

struct Cut {
  const char* Marker;  // Shift-JIS text that begins the record, in payload order
  bool RolledBack;
  bool FolderKept;
};

const Cut CUTS[] = {
    {"サンプル ビューア", false, false}, {"標準フォント", false, false},
    {"Norvalex.", false, false},                  // and in the panel picture
    {"$(SYSDRV):\\Sample Viewer", false, true},  // and in the uninstaller's image
    {"bin\0\x10\0\0", true, true},             {"bin\\viewer.ini", true, true},
    {"docs\\manual.txt", true, true},            {"readme.txt", true, true},
    {"bin\\viewer.exe", true, true},             {"サンプル ビューア 説明書", true, true},
    {"$(SYSDIR)\\samplelib.dll", true, true},    {"HKEY_CURRENT_USER\\Software\\Norvalex\\Sample Viewer", true, true},
    {"smv", true, true},                        {"/first-run", true, true},
};

// Where a marker begins, searched in payload order after `from`.
size_t Find(const std::string& image, const char* marker, size_t from)
{
  const std::string text = marker[0] == 'b' && marker[3] == '\0' ? std::string(marker, 7) : std::string(marker) + '\0';
  return image.find(text, from);
}

class Truncation : public EarlyEnd, public ::testing::WithParamInterface<size_t> {};

TEST_P(Truncation, EndsQuietlyWithNoPartialFile)
{
  const size_t row = GetParam() / 2, rows = sizeof CUTS / sizeof CUTS[0];
  const bool half = GetParam() % 2 != 0;
  CopyProduct("sample");
  const std::string image = FileText(folder_ / "SETUP.EXE");
  size_t at = 0;
  for (int i = 3; i >= 0; --i) at = at << 8 | static_cast<unsigned char>(image[0x30 + i]);  // the payload's offset
  for (size_t i = 0; i <= row; ++i) {
    at = Find(image, CUTS[i].Marker, at);
    ASSERT_NE(std::string::npos, at) << CUTS[i].Marker;
  }
  const size_t next = row + 1 < rows ? Find(image, CUTS[row + 1].Marker, at) : image.size();
  ASSERT_TRUE(WriteWholeFile(folder_ / "SETUP.EXE", BytesOf(image.substr(0, half ? (at + next) / 2 : at))));
  // A launch record cut inside its text counts as read.
  const bool completed = half && row + 1 == rows;
  RunAndCheck("サンプル ビューア", "", {}, CUTS[row].RolledBack && !completed, CUTS[row].FolderKept, completed);
}

INSTANTIATE_TEST_SUITE_P(Cuts, Truncation, ::testing::Range(size_t{0}, 2 * sizeof CUTS / sizeof CUTS[0]));

// ---------------------------------------------------------------------------
// A confirmed cancel at each point, on the sample (quick) or on the
// everything product where a large file or volumes are needed.

enum Prepared { NOTHING, USERS_FOLDER, NEWER_SHARED_FILE };

struct CancelPoint {
  const char* Name;
  const char* Product;
  const char* Arguments;
  Prepared Before;
  std::vector<Reply> Replies;
  bool RolledBack;
  bool FolderKept;
};

std::vector<Reply> OnPage(const char* caption) { return {{caption, IDC_CANCEL_PAGE, "", 1}, {QUESTION, IDYES, "", 1}}; }

// Stop pressed on the progress dialog behind the box of the step that waits.
std::vector<Reply> AtStep(int step, UINT message = WM_COMMAND)
{
  return {{"ﾃﾞﾊﾞｯｸﾞ", IDOK, "開始 確認", step > 1 ? step - 1 : -1},
          {"ﾃﾞﾊﾞｯｸﾞ", IDOK, "開始 確認", 1,
           [message](const Screen& box) { PostMessageA(box.Owner, message, message == WM_CLOSE ? 0 : IDC_STOP, 0); }},
          {QUESTION, IDYES, "", 1}};
}

const CancelPoint CANCEL_POINTS[] = {
    {"AgreementPage", "sample", "", NOTHING, OnPage("使用許諾内容確認"), false, false},
    {"UserPage", "sample", "", NOTHING, OnPage("ユーザ情報の登録"), false, false},
    {"FolderPage", "sample", "", NOTHING, OnPage("ｾｯﾄｱｯﾌﾟ ﾌｫﾙﾀﾞ"), false, false},
    {"ConfirmationPageRemovesTheCreatedFolder", "sample", "", NOTHING, OnPage("ｾｯﾄｱｯﾌﾟ条件の確認"), false, false},
    {"ConfirmationPageKeepsTheUsersFolder", "sample", "", USERS_FOLDER, OnPage("ｾｯﾄｱｯﾌﾟ条件の確認"), false, true},
    {"PrepareStep", "sample", "V", NOTHING, AtStep(1), false, false},
    {"UninstallerStep", "sample", "V", NOTHING, AtStep(2), false, true},
    {"FileStep", "sample", "V", NOTHING, AtStep(3), true, true},
    {"ShortcutStep", "sample", "V", NOTHING, AtStep(4), true, true},
    {"SharedFileStep", "sample", "V", NOTHING, AtStep(5), true, true},
    {"RegistryStep", "sample", "V", NOTHING, AtStep(6), true, true},
    {"FileTypeStep", "sample", "V", NOTHING, AtStep(7), true, true},
    {"FinishStep", "sample", "V", NOTHING, AtStep(8), true, true},
    {"ProgressCloseBox", "sample", "V", NOTHING, AtStep(3, WM_CLOSE), true, true},
    // The first volume ends inside it: Stop is pressed while the next is asked for.
    {"MiddleOfALargeFile", "everything_spanned", "", NOTHING,
     {{"FD交換", IDOK, "", 1,
       [](const Screen& box) {
         EXPECT_EQ("large.bin", WindowText(GetDlgItem(box.Owner, IDC_ITEM_NAME)));
         PostMessageA(box.Owner, WM_COMMAND, IDC_STOP, 0);
       }},
      {QUESTION, IDYES, "", 1}},
     true, true},
    {"SharedFileQuestion", "sample", "", NEWER_SHARED_FILE,
     {{"共有ﾌｧｲﾙの上書確認", IDYES, "", 1, [](const Screen& box) { PostMessageA(box.Owner, WM_COMMAND, IDC_STOP, 0); }},
      {QUESTION, IDYES, "", 1}},
     true, true},
    {"VolumePrompt", "everything_spanned", "", NOTHING, {{"FD交換", IDCANCEL, "", 1}}, true, true},
};

class Cancel : public EarlyEnd, public ::testing::WithParamInterface<CancelPoint> {};

TEST_P(Cancel, EndsAsTheTableSays)
{
  const CancelPoint& point = GetParam();
  const std::string library = SystemFolder() + "\\samplelib.dll";
  CopyProduct(point.Product);
  if (point.Before == USERS_FOLDER) CreateDirectoryA(folder.c_str(), nullptr);
  if (point.Before == NEWER_SHARED_FILE) CopyFileA((ProgramFolder() + "\\uninstaller_later.exe").c_str(), library.c_str(), FALSE);
  RunAndCheck(point.Product == std::string("sample") ? "サンプル ビューア" : "全部入り", point.Arguments, point.Replies,
              point.RolledBack, point.FolderKept);
  DeleteFileA(library.c_str());
}

INSTANTIATE_TEST_SUITE_P(Points, Cancel, ::testing::ValuesIn(CANCEL_POINTS),
                         [](const ::testing::TestParamInfo<CancelPoint>& info) { return std::string(info.param.Name); });
