// The real uninstaller end to end: products installed through their wizard
// and taken back by the command their Uninstall entry registers, with the
// machine compared before and after; what other products, the user and a
// failed installation or reinstallation must keep; and refused logs.
#include <shlobj.h>
#include "resources/dialogs.h"
#include "tests/e2e/scenario.h"

namespace {

const char SAMPLE[] = "サンプル ビューア";
const char OTHER[] = "サンプル ツール";
const char SAMPLE_KEY[] = "Software\\Norvalex\\Sample Viewer";
const char DONE[] = "アンインストール完了";
// A first installation leaves the vendor key above the product's key: no log line names it.
const char VENDOR_KEY[] = "HKCU:Software\\Norvalex\\";

const char SHARED_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

std::string SharedCount(const std::string& file = SystemFolder() + "\\samplelib.dll")
{
  return RegistryText(HKEY_LOCAL_MACHINE, SHARED_KEY, ShortName(file).c_str());
}

}  // namespace

class Uninstallation : public Scenario {
 protected:
  // Installs a product through its wizard as a user who accepts every
  // proposal. With a marker (the last text of one section) the payload is
  // cut just after it: the step of that section fails and rolls back.
  // With `into`, the cut is that many bytes after the marker's first place.
  void Install(const std::string& product, const std::string& folder, const char* marker = nullptr, size_t into = 0)
  {
    CopyProduct(product);
    if (marker != nullptr) {
      const std::string image = FileText(folder_ / "SETUP.EXE");
      const size_t at = into != 0 ? image.find(marker) : image.rfind(marker);
      ASSERT_NE(std::string::npos, at) << marker;
      ASSERT_TRUE(WriteWholeFile(folder_ / "SETUP.EXE", BytesOf(image.substr(0, at + (into != 0 ? into : 2)))));
    }
    Launch("");
    EXPECT_EQ(0u, RunThrough(folder)) << Transcript();
    EXPECT_EQ(marker == nullptr ? 1 : 0, Count("ｾｯﾄｱｯﾌﾟ完了")) << product << " " << (marker ? marker : "");
  }

  // Runs the product's registered UninstallString as Add/Remove Programs
  // would, answering Yes to its questions and No to the restart.
  void Uninstall(const char* product)
  {
    Run(RegistryText(HKEY_LOCAL_MACHINE, UNINSTALL_KEY + std::string(product), "UninstallString"));
    RunThrough("");
    EXPECT_NE(std::string::npos, BoxText("アンインストールの確認").find("「" + std::string(product) + "」をアンインストールします。"))
        << Transcript();
  }
};

// Two products share the pooled uninstaller and a library; the user has put
// a value into the sample's key before the installation and a file into the
// other product's folder after it; the names proposed from the registry
// hold line breaks (which must not become lines of setup.inf). A log that
// is missing, of another maker or damaged is refused with nothing changed:
// a log changed by a byte by the digest its entry holds, a foreign or
// damaged one without that digest (an earlier build's entry) still. A log
// rewritten to name what lies outside the product, and a link put in
// place of a product folder, change nothing in either mode; the ordinary
// mode names the refused lines. Each uninstallation keeps what the other
// product and the user still use; a file in use goes at the restart, a file
// the system may not delete stays (a shared one with its last count). The
// second product is refused in the first's folder; installed again while
// its pool file waits for its deletion, it takes another. The machine ends
// as it was but for what the user added or held.
TEST_F(Uninstallation, TakesBothProductsBackButWhatOthersAndTheUserStillUse)
{
  const std::string sample = folder_ / "サンプル", other = folder_ / "ツール", log = sample + "\\setup.inf";
  const char names[] = "Software\\Microsoft\\MS Setup (ACME)\\User Info";
  SetRegistryText(HKEY_CURRENT_USER, names, "DefName", "山田\r\nDLL=C:\\evil.dll");
  SetRegistryText(HKEY_CURRENT_USER, names, "DefCompany", "社\nFOLDER=C:\\");
  SetRegistryText(HKEY_CURRENT_USER, SAMPLE_KEY, "Mine", "own");
  const std::string system = SystemFolder(), windows = WindowsFolder(), linked = Special(CSIDL_PERSONAL) + "\\linked";
  const std::string library = system + "\\canary.dll", counted = system + "\\canarylib.dll", vendor = "Canary Vendor";
  const std::string canaryFiles[] = {Special(CSIDL_PERSONAL) + "\\letter.txt", library, counted,
                                     linked + "\\manual.txt"};
  ASSERT_TRUE(CreateDirectoryA(linked.c_str(), nullptr));
  for (const std::string& file : canaryFiles) ASSERT_TRUE(WriteWholeFile(file, BytesOf(file)));
  SetRegistryText(HKEY_LOCAL_MACHINE, "Software\\" + vendor, "Setting", "kept");
  const DWORD three = 3;
  RegSetKeyValueA(HKEY_LOCAL_MACHINE, SHARED_KEY, ShortName(counted).c_str(), REG_DWORD, &three, sizeof three);
  const auto canaries = [&] {
    std::string state = RegistryText(HKEY_LOCAL_MACHINE, "Software\\" + vendor, "Setting");
    for (const std::string& file : canaryFiles) state += "|" + FileText(file);
    for (const char* key : {".txt", "txtfile", "txtfile\\shell\\open\\command"})
      state += "|" + RegistryText(HKEY_CLASSES_ROOT, key, "");
    return state;
  };
  const std::string untouched = canaries();
  const Snapshot before = Take(folder_.Path());
  Install("uninstall-sample", sample);
  Install("uninstall-other", other);
  // The other product is refused in the sample's folder, where it would take the sample's log for its own.
  Launch("");
  const char FOLDER[] = "ｾｯﾄｱｯﾌﾟ ﾌｫﾙﾀﾞ";
  EXPECT_EQ(0u, RunThrough("", {{FOLDER, IDC_NEXT, "", 1, [&](const Screen& page) { driver_->Type(page, IDC_FOLDER, sample); }},
                                {"ｾｯﾄｱｯﾌﾟ ｴﾗｰ", IDOK, "", 1, {}, true}, {FOLDER, IDC_CANCEL_PAGE, "", 1},
                                {"セットアップの終了", IDYES, "", 1}}));
  EXPECT_EQ(sample + "\n\nこのフォルダには「" + SAMPLE + "」がインストールされています。\n"
                     "ほかの製品のフォルダにはインストールできません。別のフォルダを指定してください。",
            BoxText("ｾｯﾄｱｯﾌﾟ ｴﾗｰ")) << Transcript();
  const std::string original = FileText(log);
  EXPECT_EQ(0u, original.find("USER=山田DLL=C:\\evil.dll\r\nSECTION=社FOLDER=C:\\\r\n")) << original;
  EXPECT_EQ(RegisteredUninstaller(OTHER), RegisteredUninstaller(SAMPLE)) << "one pooled uninstaller";
  EXPECT_EQ("2", SharedCount());
  ASSERT_TRUE(WriteWholeFile(other + "\\my notes.txt", BytesOf("my")));

  std::string foreign = original, damaged = original, changed = original;
  foreign.replace(foreign.find("AUTHOR=Norvalex"), 15, "AUTHOR=Someone");
  damaged.insert(damaged.find("FILE="), 1, '\0');
  changed[changed.find("FILE=") + 3] ^= 1;
  const char unreadable[] = "このセットアップが書いたアンインストール情報として読み取れません。";
  const std::string entry = UNINSTALL_KEY + std::string(SAMPLE), digest = RegistryText(HKEY_LOCAL_MACHINE, entry, "InstallLogSha256");
  ASSERT_EQ(64u, digest.size());
  const struct {
    const std::string* Log;  // null: no setup.inf at all
    const char* Says;
    bool Vouched;  // the entry holds the log's digest
  } refused[] = {{nullptr, "アンインストール情報 (setup.inf) が見つかりません。", true},
                 {&changed, "インストールの後で書き換えられています。", true},
                 {&foreign, unreadable, false},
                 {&damaged, unreadable, false}};
  for (const auto& row : refused) {
    DeleteFileA(log.c_str());
    ASSERT_TRUE(row.Log == nullptr || WriteWholeFile(log, BytesOf(*row.Log)));
    if (row.Vouched) SetRegistryText(HKEY_LOCAL_MACHINE, entry, "InstallLogSha256", digest);
    else RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, entry.c_str(), "InstallLogSha256");
    const Snapshot now = Take(folder_.Path());
    Uninstall(SAMPLE);
    const std::string says = BoxText("アンインストール");
    EXPECT_EQ(2, Count("")) << Transcript();
    EXPECT_TRUE(says.find(row.Says) != std::string::npos && EndsWith(says, "\n\n何も削除しませんでした。")) << says;
    EXPECT_EQ("{}", Unexplained(now, Take(folder_.Path()))) << row.Says;
  }
  // Refused lines are named as the log gives them, last first.
  const std::string refusedLines[] = {
      "FILE=" + canaryFiles[0], "DLL=" + library, "SCUT=" + library, "FILE=" + system + "/canary.dll",
      "FILE=\\\\?\\" + library, "FILE=" + windows + "." + library.substr(windows.size()),
      "FILE=\\\\localhost\\" + library.substr(0, 1) + "$" + library.substr(2),
      "REGKEY=HKEY_LOCAL_MACHINE\\Software\\" + vendor, "REGDAT=HKEY_LOCAL_MACHINE\\Software\\" + vendor + "\\Setting",
      "REGKEY=HKEY_CLASSES_ROOT\\.txt", "REGKEY=HKEY_CLASSES_ROOT\\txtfile",
      "REGDAT=HKEY_CLASSES_ROOT\\txtfile\\shell\\open\\command\\"};
  std::string hostile, named;
  for (const std::string& line : refusedLines) {
    hostile += line + "\r\n";
    named = "\n・" + line.substr(line.find('=') + 1) + named;
  }
  for (const std::string& line : {counted, counted, system + "\\CANARYLIB.DLL"}) hostile += "DLL=" + line + "\r\n";
  // An installation by an earlier build has no digest of its log.
  const auto forgetDigest = [&entry] { RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, entry.c_str(), "InstallLogSha256"); };

  // The setup program's roll-back of a reinstallation (mode s, with the
  // earlier log waiting as setup.$$$) over a log of nothing else.
  ASSERT_TRUE(WriteWholeFile(sample + "\\setup.$$$", BytesOf(original)));
  ASSERT_TRUE(WriteWholeFile(log, BytesOf("AUTHOR=Norvalex\r\n" + hostile)));
  forgetDigest();
  Run(RegistryText(HKEY_LOCAL_MACHINE, entry, "QuietUninstallString"));
  RunThrough("");
  EXPECT_EQ("", Transcript());
  EXPECT_EQ(untouched, canaries());
  EXPECT_EQ("2", SharedCount(counted));
  ASSERT_TRUE(MoveFileA((sample + "\\setup.$$$").c_str(), log.c_str()));

  // The docs folder goes and a link to the user's folder takes its place; a
  // file held open goes at the next start of Windows; a program loaded from
  // the product (which the system may not delete) stays.
  ASSERT_TRUE(DeleteFileA((sample + "\\docs\\manual.txt").c_str()) && RemoveDirectoryA((sample + "\\docs").c_str()));
  ASSERT_TRUE(HostLink(sample + "\\docs", linked));
  ASSERT_TRUE(WriteWholeFile(log, BytesOf(original + hostile)));
  forgetDigest();
  {
    Held held(sample + "\\readme.txt");
    const std::string viewerFile = sample + "\\bin\\viewer.exe";
    const HMODULE viewer = LoadLibraryExA(viewerFile.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    Uninstall(SAMPLE);
    FreeLibrary(viewer);
  }
  EXPECT_EQ(untouched, canaries());
  EXPECT_EQ("1", SharedCount(counted));
  EXPECT_EQ(0, Count("共有ファイルの削除確認"));
  EXPECT_EQ(1, Count("システム再起動の確認"));
  EXPECT_EQ("「" + std::string(SAMPLE) + "」のアンインストールが終わりました。\n\n次のものは削除できませんでした。\n・" + sample +
                "\\bin\\viewer.exe\n・" + sample + "\\bin\n・" + sample + "\n\n次の記録は場所が正しくないため、処理しませんでした。" +
                named + "\n・" + sample + "\\docs\\manual.txt\n・" + sample + "\\docs" +
                "\n\n使用中のファイルは、次にシステムを起動したときに削除されます。",
            BoxText(DONE));
  Restart();
  EXPECT_FALSE(FileExists(sample + "\\readme.txt"));
  EXPECT_EQ("1", SharedCount());
  ASSERT_TRUE(HostLink(sample + "\\docs", ""));

  // The library's last count stays while the user's program keeps the
  // library from going; once the program has ended, the same command takes it.
  const std::string samplelib = SystemFolder() + "\\samplelib.dll", otherLog = FileText(other + "\\setup.inf");
  const std::string pooled = RegisteredUninstaller(OTHER);
  const std::string command = RegistryText(HKEY_LOCAL_MACHINE, UNINSTALL_KEY + std::string(OTHER), "UninstallString");
  const HMODULE loaded = LoadLibraryExA(samplelib.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
  Uninstall(OTHER);
  FreeLibrary(loaded);
  EXPECT_EQ(1, Count("共有ファイルの削除確認"));
  EXPECT_EQ(0, Count("システム再起動の確認"));
  EXPECT_TRUE(EndsWith(BoxText(DONE), "・" + samplelib + "\n・" + other)) << BoxText(DONE);
  EXPECT_EQ("1", SharedCount());
  ASSERT_TRUE(WriteWholeFile(other + "\\setup.inf", BytesOf(otherLog)));
  Run(command);
  RunThrough("");
  EXPECT_EQ(1, Count("共有ファイルの削除確認"));
  EXPECT_FALSE(FileExists(samplelib));
  // The last product's pool file waits for its deletion at the next start:
  // a product installed before then registers another name, which stays.
  Install("uninstall-other", other);
  Restart();
  EXPECT_TRUE(RegisteredUninstaller(OTHER) != pooled && FileExists(RegisteredUninstaller(OTHER))) << pooled;
  Uninstall(OTHER);
  Restart();
  EXPECT_EQ("{}", Unexplained(before, Take(folder_.Path()), {sample + " 16", sample + "\\bin", other + " 16",
                                                              other + "\\my notes.txt ", ShortName(counted)}));
}

// A payload cut in each section after the uninstaller's, and inside the
// body of a file: a first installation (into a folder that holds a log
// nothing vouches for) rolls back to the snapshot before it, but for the shared library, which the roll-back never deletes (the
// next installation finds it there uncounted and counts its unknown owner
// too). A reinstallation over a working installation that the user has
// changed since (a file's data and attributes, a value) leaves all of it as
// it was, also where its folder is typed in another case.
class FailedInstallation : public Uninstallation, public ::testing::WithParamInterface<bool> {};

TEST_P(FailedInstallation, LeavesWhatWasThereBefore)
{
  const struct {
    const char* Marker;  // the last text of the section cut, or the name of a file cut inside its body
    size_t Into;         // bytes after the name's first place; 0 for the last text of a section
    const char* Kept;    // what a failed first installation leaves, besides the vendor's key
    bool Retyped;        // a reinstallation types the folder in upper case
  } sections[] = {{"bin\\viewer.exe", 1000, nullptr, true},
                  {"サンプル ビューア 説明書", 0, nullptr, false},
                  {"$(SYSDIR)\\samplelib.dll", 0, nullptr, true},
                  {"InstallVersion", 0, "\\samplelib.dll ", false},
                  {"サンプル ビューア 文書", 0, nullptr, true},
                  {"/first-run", 0, nullptr, false}};
  const std::string folder = folder_ / "サンプル", readme = folder + "\\readme.txt";
  const std::string upper = CharUpperA(&std::string(folder_.Path())[0]);  // an ASCII path
  for (const auto& section : sections) {
    // A first installation into a folder that holds a log no entry vouches
    // for: the log is kept aside while the run lasts, and comes back.
    if (!GetParam()) {
      CreateDirectoryA(folder.c_str(), nullptr);
      ASSERT_TRUE(WriteWholeFile(folder + "\\setup.inf", BytesOf("AUTHOR=Norvalex\r\nFILE=" + readme + "\r\n")));
    }
    if (GetParam()) {
      Install("uninstall-sample", folder);
      ASSERT_TRUE(WriteWholeFile(readme, BytesOf("the user's notes")) &&
                  SetFileAttributesA(readme.c_str(), FILE_ATTRIBUTE_READONLY));
      SetRegistryText(HKEY_CURRENT_USER, SAMPLE_KEY, "InstallVersion", "0.9");
    }
    const Snapshot before = Take(folder_.Path());
    Install("uninstall-sample", GetParam() && section.Retyped ? upper + "\\サンプル" : folder, section.Marker,
            section.Into);
    Restart();
    const char* explained = GetParam() || section.Kept == nullptr ? VENDOR_KEY : section.Kept;
    EXPECT_EQ("{}", Unexplained(before, Take(folder_.Path()), {VENDOR_KEY, explained})) << section.Marker;
    if (GetParam()) SetFileAttributesA(readme.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

INSTANTIATE_TEST_SUITE_P(Sections, FailedInstallation, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "OverAnInstallation" : "FirstInstallation";
                         });

// The setup program ended, as Task Manager ends it, at the start of each
// step from the uninstaller's on (with the folder made and the log open),
// and a reinstallation ended after its file step (every file replaced, the
// old ones kept aside); the same setup then run to its end and
// uninstalled: the machine is as it was before the first run, with no copy
// kept aside, no temporary file and no log left over.
class EndedRun : public Uninstallation, public ::testing::WithParamInterface<int> {};

TEST_P(EndedRun, IsFinishedByTheNextRunAndUninstalledWhole)
{
  const std::string folder = folder_ / "サンプル";
  const Snapshot before = Take(folder_.Path());
  const bool again = GetParam() > 8;
  if (again) Install("uninstall-sample", folder);
  CopyProduct("uninstall-sample");
  Launch("V");
  const int step = again ? 4 : GetParam();
  RunThrough(folder, {{"ﾃﾞﾊﾞｯｸﾞ", IDOK, "開始 確認", step - 1},
                      {"ﾃﾞﾊﾞｯｸﾞ", 0, "開始 確認", 1, [this](const Screen&) { TerminateProcess(process_.hProcess, 1); }}});
  ASSERT_EQ(step, Count("ﾃﾞﾊﾞｯｸﾞ") / 2 + 1) << Transcript();
  Install("uninstall-sample", folder);
  // What the product's program wrote at its first start is the user's.
  DeleteFileA((folder + "\\bin\\viewer.log").c_str());
  Uninstall(SAMPLE);
  Restart();
  EXPECT_EQ("{}", Unexplained(before, Take(folder_.Path()), {VENDOR_KEY}));
}

INSTANTIATE_TEST_SUITE_P(Steps, EndedRun, ::testing::Range(2, 10));
