// One product with everything a setup can carry, installed compressed,
// stored and spanned, each checked against one table of expectations (files
// with contents, times and attributes; setup.inf; registry; shortcuts; file
// types; the Uninstall entry; SharedDLLs), then again into the same folder
// with the step confirmations ("V") while one of its files is damaged and
// held open; once more compressed with that run on Windows 98, where only
// WININIT.INI names the move. A library planted beside the setup program is
// never loaded.
#include <shlobj.h>
#include <set>
#include "resources/dialogs.h"
#include "tests/e2e/scenario.h"

namespace {

const char PRODUCT[] = "全部入り";
const char KEY[] = "HKEY_CURRENT_USER\\Software\\Norvalex\\全部入り";
const char RESTART[] = "システム再起動の確認";

// "target arguments" of a shortcut, read back through the shell.
std::string Shortcut(const std::string& lnk)
{
  std::string text = "<unreadable>";
  wchar_t wide[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, lnk.c_str(), -1, wide, MAX_PATH);
  CoInitialize(nullptr);
  IShellLinkA* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* file = nullptr;
    char target[MAX_PATH] = "", arguments[MAX_PATH] = "";
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      if (SUCCEEDED(file->Load(wide, STGM_READ)) && SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, 0)) &&
          SUCCEEDED(link->GetArguments(arguments, MAX_PATH)))
        text = std::string(target) + " " + arguments;
      file->Release();
    }
    link->Release();
  }
  CoUninitialize();
  return text;
}

std::multiset<std::string> Lines(const std::string& text)
{
  std::multiset<std::string> lines;
  for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
    lines.insert(text.substr(at, end - at));
  return lines;
}

const char* const PLANTED[] = {"comctl32", "uxtheme", "msimg32", "dwmapi"};

}  // namespace

// The product's layout, and whether the reinstallation runs on Windows 98.
class Everything : public Scenario, public ::testing::WithParamInterface<std::pair<const char*, bool>> {
 protected:
  // Windows loads a library that is not a known DLL from the program's
  // folder first (a downloads folder): here Wine is told to do the same for
  // those the program and the system's own libraries take by name.
  void Install(const std::string& arguments)
  {
    CopyProduct(GetParam().first);
    for (const char* name : PLANTED) {
      SetRegistryText(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\SETUP.EXE\\DllOverrides", name, "native,builtin");
      ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\planted\\comctl32.dll").c_str(), (folder_ / name + ".dll").c_str(), FALSE));
    }
    Launch(arguments);
    const DWORD code = RunThrough(folder, {{"ユーザ情報の登録", IDC_NEXT, "", 1, [this](const Screen& page) {
                                               driver_->Type(page, IDC_USER_NAME, "山田 太郎");
                                               driver_->Type(page, IDC_USER_COMPANY, "ﾉｰｽ商会");
                                             }}});
    EXPECT_EQ(0u, code) << Transcript();
    EXPECT_EQ(1, Count("使用許諾内容確認"));
    EXPECT_EQ(1, Count("ｾｯﾄｱｯﾌﾟ完了"));
    EXPECT_EQ(Count(""), Count("ﾃﾞﾊﾞｯｸﾞ") + Count("FD交換") + Count("フォルダ作成確認") + Count(RESTART))
        << Transcript();
    for (const char* name : PLANTED)
      EXPECT_FALSE(FileExists(WindowsFolder().substr(0, 2) + "\\planted-" + name + ".dll.txt")) << name << " was loaded";
  }

  // Every file and folder of both trees byte-identical, with its attributes
  // and times; the setup.inf lines they call for are added to `lines`.
  void CheckFiles(std::multiset<std::string>* lines)
  {
    // Write times only: the builder records a file's write time as its
    // access time, and the host moves an access time no later than the
    // write time as soon as the installed file is read.
    const struct {
      std::string Source, Target;
      int Detail;
    } trees[] = {{SourceFile("examples\\sample\\files"), folder, 2}, {ParentFolder(TreeFile("x")), folder + "\\data", 2}};
    for (const auto& tree : trees) {
      const auto source = Tree(tree.Source, tree.Detail), installed = Tree(tree.Target, tree.Detail);
      ASSERT_GT(source.size(), 3u) << tree.Source;
      for (const auto& file : source) {
        const std::string target = tree.Target + "\\" + file.first;
        EXPECT_EQ(file.second, installed.count(file.first) ? installed.at(file.first) : "missing") << target;
        const bool isFolder = std::stoul(file.second) & FILE_ATTRIBUTE_DIRECTORY;
        lines->insert((isFolder ? "FOLDER=" : EndsWith(target, ".dll") ? "DLL=" : "FILE=") + target);
      }
    }
  }

  // Everything else the product leaves on the machine, as one table.
  void CheckTheRest()
  {
    const std::string viewer = folder + "\\bin\\viewer.exe", hidden = folder + "\\data\\docs\\hidden.txt";
    const std::string launch = "\"" + viewer + "\" /first-run\r\nC:\\\r\n";
    const std::string library = SystemFolder() + "\\samplelib.dll";
    const std::string uninstaller = RegisteredUninstaller(PRODUCT);
    const std::string uninstall = std::string("HKEY_LOCAL_MACHINE\\") + UNINSTALL_KEY + PRODUCT;
    const std::string shared = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
    const auto entry = [&uninstall](const char* name) { return RegistryText(nullptr, uninstall, name) + "|"; };
    const auto same = [](const std::string& a, const std::string& b) {
      return ReadWholeFile(a) == ReadWholeFile(b) ? "same" : "differs";
    };
    // The shell runs "C:\Sample.exe" for an unquoted "C:\Sample Viewer\...".
    const auto command = [](const std::string& program) {
      return program.find(' ') == std::string::npos ? program : "\"" + program + "\"";
    };
    const struct {
      const char* What;
      std::string Now, Expected;
    } rows[] = {
        {"desktop shortcut", Shortcut(Special(CSIDL_DESKTOPDIRECTORY) + "\\" + PRODUCT + ".lnk"), viewer + " "},
        {"start menu shortcut", Shortcut(Special(CSIDL_PROGRAMS) + "\\全部入り 説明書.lnk"), Embedded(0) + " /s \"表\""},
        {"shared library", same(library, ProgramFolder() + "\\samplelib.dll"), "same"},
        {"shared count", RegistryText(nullptr, shared, ShortName(library).c_str()), "1"},
        {"sz", RegistryText(nullptr, KEY, "表"), "既定の設定"},
        {"expand_sz", RegistryText(nullptr, KEY, "Path"), "%SystemRoot%\\表"},
        {"dword", RegistryText(nullptr, KEY, "Zoom"), "100"},
        {"binary", RegistryText(nullptr, KEY, "Bytes"), std::string("\0\\\xFF\1", 4)},
        {"multi_sz", RegistryText(nullptr, KEY, "List"), std::string("一\0two\0\0", 8)},
        {"default value", RegistryText(nullptr, std::string(KEY) + "\\Settings", ""), "既定"},
        {"extension", RegistryText(HKEY_CLASSES_ROOT, ".zbi", ""), "zbifile"},
        {"type", RegistryText(HKEY_CLASSES_ROOT, "zbifile", ""), "全部入り 文書"},
        {"icon", RegistryText(HKEY_CLASSES_ROOT, "zbifile\\DefaultIcon", ""), Embedded(1) + ",0"},
        {"open", RegistryText(HKEY_CLASSES_ROOT, "zbifile\\shell\\open\\command", ""), command(viewer) + " \"%1\""},
        {"print", RegistryText(HKEY_CLASSES_ROOT, "zbifile\\shell\\print\\command", ""),
         command(Embedded(2)) + " /p \"%1\""},
        {"embedded icon", same(Embedded(1), SourceFile("examples\\sample\\sample.ico")), "same"},
        {"embedded program", same(Embedded(2), ProgramFolder() + "\\viewer.exe"), "same"},
        {"display name", RegistryText(nullptr, uninstall, "DisplayName"), PRODUCT},
        {"uninstall command", RegistryText(nullptr, uninstall, "UninstallString"),
         "\"" + uninstaller + "\" \"" + PRODUCT + "\" \"" + folder + "\""},
        {"quiet command", RegistryText(nullptr, uninstall, "QuietUninstallString"),
         "\"" + uninstaller + "\" s \"" + PRODUCT + "\" \"" + folder + "\""},
        {"entry", entry("InstallLocation") + entry("DisplayIcon") + entry("NoModify") + entry("NoRepair"),
         folder + "|" + uninstaller + "|1|1|"},
        {"estimated size", RegistryText(nullptr, uninstall, "EstimatedSize"), InstalledKilobytes()},
        {"uninstaller", uninstaller, WindowsFolder() + "\\unins000.exe"},
        {"uninstaller image", same(uninstaller, ProgramFolder() + "\\" + image), "same"},
        {"launches", FileText(folder + "\\bin\\viewer.log"), std::string(ran > 1 ? launch : "") + (ran > 0 ? launch : "")},
        {"hidden copy", std::to_string(Attributes(hidden)) + same(hidden, TreeFile("docs\\manual.txt")),
         std::to_string(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY) + "same"},
    };
    for (const auto& row : rows) EXPECT_EQ(row.Expected, row.Now) << row.What;
  }

  // The files carried in the payload: the start menu shortcut's program,
  // the icon, the print program; a second run takes the next free names.
  std::string Embedded(int which, int run = 0) const
  {
    static const char* names[2][3] = {{"setup000.exe", "setup000.ico", "setup001.exe"},
                                      {"setup002.exe", "setup001.ico", "setup003.exe"}};
    return folder + "\\" + names[(run != 0 ? run : launches) - 1][which];
  }

  // The size of the files the last run installed, in kilobytes rounded up:
  // those of the log's file lines, less those a first run's embedded files
  // left in the log of a second, which the estimate does not count (it is
  // made before the earlier log is merged).
  std::string InstalledKilobytes() const
  {
    unsigned long long bytes = 0;
    for (const std::string& line : Lines(FileText(folder + "\\setup.inf"))) {
      const std::string path = line.substr(line.find('=') + 1);
      const bool file = line.rfind("FILE=", 0) == 0 || line.rfind("DLL=", 0) == 0;
      const bool earlier = launches == 2 && (path == Embedded(0, 1) || path == Embedded(1, 1) || path == Embedded(2, 1));
      if (file && !earlier) bytes += ReadWholeFile(path).size();
    }
    return std::to_string((bytes + 1023) / 1024);
  }

  // The lines of setup.inf besides those of the two trees.
  std::multiset<std::string> OtherLines() const
  {
    const std::string hkcu = std::string("REGDAT=") + KEY + "\\", type = "REGKEY=HKEY_CLASSES_ROOT\\zbifile";
    return {
        "FOLDER=" + folder + "\\data", "FILE=" + folder + "\\bin\\viewer.exe",
        "FILE=" + folder + "\\data\\docs\\hidden.txt", "SCUT=" + Special(CSIDL_DESKTOPDIRECTORY) + "\\" + PRODUCT + ".lnk",
        "SCUT=" + Special(CSIDL_PROGRAMS) + "\\全部入り 説明書.lnk", "DLL=" + SystemFolder() + "\\samplelib.dll",
        std::string("REGKEY=") + KEY, hkcu + "表", hkcu + "Path", hkcu + "Zoom", hkcu + "Bytes", hkcu + "List",
        hkcu + "Settings\\", "REGKEY=HKEY_CLASSES_ROOT\\.zbi", type, type + "\\DefaultIcon", type + "\\shell",
        type + "\\shell\\open", type + "\\shell\\open\\command", type + "\\shell\\print", type + "\\shell\\print\\command",
        "USER=山田 太郎", "SECTION=ﾉｰｽ商会", "AUTHOR=Norvalex", "VER=3.00", "IFOLDER=" + folder,
        "FILE=" + Embedded(0), "FILE=" + Embedded(1), "FILE=" + Embedded(2)};
  }

  std::string folder = folder_ / "全部入り先";
  int launches = 1, ran = 1;  // installations, and starts of the product's program
  std::string image = "recorder_uninstaller.exe";
};

TEST_P(Everything, InstallsEveryPartThenInstallsAgainStepByStep)
{
  Install("");
  std::multiset<std::string> expected = OtherLines();
  CheckFiles(&expected);
  CheckTheRest();
  const std::string log = FileText(folder + "\\setup.inf");
  EXPECT_EQ(0u, log.find("USER=山田 太郎\r\nSECTION=ﾉｰｽ商会\r\nAUTHOR=Norvalex\r\nVER=3.00\r\nIFOLDER=" + folder + "\r\n"))
      << log;
  EXPECT_EQ(expected, Lines(log));

  // Again, into the same folder, after damage to the entry and to a file
  // that a program holds open: its data waits under an alternate name until
  // the restart, which the last question offers. Windows 98 keeps no list
  // of its own: only WININIT.INI names the move.
  const bool windows98 = GetParam().second;
  const std::string damaged = folder + "\\data\\block_plus_one.bin", alternate = folder + "\\data\\block_plus_one.000";
  ASSERT_TRUE(WriteWholeFile(damaged, Bytes(10, 'x')));
  SetRegistryText(HKEY_LOCAL_MACHINE, UNINSTALL_KEY + std::string(PRODUCT), "DisplayName", "古い表示名");
  if (windows98) SetRegistryText(HKEY_CURRENT_USER, "Software\\Wine", "Version", "win98");
  {
    Held inUse(damaged);
    Install("V");
  }
  if (windows98) RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\Wine", "Version");
  EXPECT_EQ(18, Count("ﾃﾞﾊﾞｯｸﾞ")) << "a confirmation before and after each of the nine steps";
  EXPECT_EQ(0, Count("フォルダ作成確認"));
  EXPECT_EQ("いくつかのファイルが使用中のためインストールできませんでした。\nシステムを再起動するとインストールは終了します。\n\n今すぐ再起動しますか？",
            BoxText(RESTART));
  EXPECT_NE(std::string::npos,
            FileText(WindowsFolder() + "\\WININIT.INI").find(ShortName(damaged) + "=" + ShortName(alternate) + "\r\n"));
  EXPECT_EQ(!windows98, RegistryText(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                                     "PendingFileRenameOperations").find(alternate) != std::string::npos);
  Restart();
  launches = ran = 2;
  std::multiset<std::string> again;
  CheckFiles(&again);
  CheckTheRest();
  EXPECT_FALSE(FileExists(alternate));
  // The old log's lines are merged in once each.
  expected.insert({"FILE=" + Embedded(0), "FILE=" + Embedded(1), "FILE=" + Embedded(2)});
  EXPECT_EQ(expected, Lines(FileText(folder + "\\setup.inf")));
  EXPECT_FALSE(FileExists(folder + "\\setup.$$$"));
}

INSTANTIATE_TEST_SUITE_P(Layouts, Everything,
                         ::testing::Values(std::make_pair("everything", false), std::make_pair("everything_stored", false),
                                           std::make_pair("everything_spanned", false), std::make_pair("everything", true)));

// The everything product, with the real uninstaller, as a deployment script
// installs it: no page, no box, the outcome in the exit code.
class Unattended : public Everything {
 protected:
  Unattended() : quiet("/S /USER=\"山田 太郎\" /company=ﾉｰｽ商会 /D=C:\\Tools\\Vendor App")
  {
    folder = "C:\\Tools\\Vendor App";  // both letters of the command line's scan, and a blank
    ran = 0;
    image = "uninstaller.exe";
  }
  // Waits for the run's end; `shown` gets each window it showed.
  DWORD Unseen(std::set<std::string>* shown)
  {
    const DWORD start = GetTickCount();
    while (WaitForSingleObject(process_.hProcess, 5) == WAIT_TIMEOUT && GetTickCount() - start < 60000)
      for (const std::string& window : driver_->WindowsNow()) shown->insert(window);
    return ExitCode(1000);
  }
  const std::string quiet;
};

// Refused while the folder's parent is missing (1639, the reason in the
// log) and while another setup runs (1618, the uninstaller too), nothing
// written either time; installed silently against the wizard run's table
// (0); again while a file is held open (3010), the file in place after the
// restart; taken back by the quiet uninstallation (0): the machine as before.
TEST_P(Unattended, InstallsAgainAndUninstallsWithoutAWindow)
{
  CopyProduct(GetParam().first);
  const Snapshot before = Take(folder_.Path());
  std::set<std::string> shown;
  Launch("/LOG=refused.log " + quiet);
  EXPECT_EQ(1639u, Unseen(&shown));
  const std::string refused = FileText(folder_ / "refused.log");
  EXPECT_TRUE(refused.find("(エラー 3): ") != std::string::npos && refused.find("\n    " + folder + "\r\n") != std::string::npos)
      << refused;
  ASSERT_TRUE(CreateDirectoryA("C:\\Tools", nullptr));
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION first = {};
  std::string wizard = folder_ / "SETUP.EXE";
  ASSERT_TRUE(CreateProcessA(nullptr, &wizard[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &first));
  for (int i = 0; i < 500 && FindProcessWindow(first.dwProcessId, "#32770") == nullptr; ++i) Sleep(20);
  Launch(quiet);
  EXPECT_EQ(1618u, Unseen(&shown));
  Run("\"" + ProgramFolder() + "\\uninstaller.exe\" s \"" + PRODUCT + "\" \"" + folder + "\"");
  EXPECT_EQ(1618u, Unseen(&shown));
  TerminateProcess(first.hProcess, 0);
  WaitForSingleObject(first.hProcess, INFINITE);
  CloseHandle(first.hThread);
  CloseHandle(first.hProcess);
  EXPECT_EQ("{}", Unexplained(before, Take(folder_.Path()), {"refused.log"}));

  Launch(quiet);
  EXPECT_EQ(0u, Unseen(&shown));
  std::multiset<std::string> expected = OtherLines();
  CheckFiles(&expected);
  CheckTheRest();
  EXPECT_EQ(expected, Lines(FileText(folder + "\\setup.inf")));
  const std::string damaged = folder + "\\data\\block_plus_one.bin";
  ASSERT_TRUE(WriteWholeFile(damaged, Bytes(10, 'x')));
  {
    Held inUse(damaged);
    Launch(quiet);
    EXPECT_EQ(3010u, Unseen(&shown));
  }
  Restart();
  launches = 2;
  CheckFiles(&expected);
  Run(RegistryText(HKEY_LOCAL_MACHINE, UNINSTALL_KEY + std::string(PRODUCT), "QuietUninstallString"));
  EXPECT_EQ(0u, Unseen(&shown));
  Restart();
  EXPECT_FALSE(FileExists(folder));
  // Mode s keeps a shared file at its last count; WININIT.INI has been read
  // at the restart; the vendor's key is named by no log line.
  EXPECT_EQ("{}", Unexplained(before, Take(folder_.Path()), {"refused.log", "\\samplelib.dll ", "\\wininit.bak ",
                                                              "HKCU:Software\\Norvalex\\"}));
  EXPECT_TRUE(shown.empty()) << ::testing::PrintToString(shown);
}

// A payload cut in the file list, in passive mode: the progress and the
// roll-back shown, no box, 1620, the machine as before. A volume missing,
// in silent mode: no prompt, 1620, and the log names the failing step and
// the system's text. A passive run stopped: 1602, without a question.
TEST_P(Unattended, FailsWithoutABoxTellingWhy)
{
  CopyProduct(GetParam().first);
  const std::string image = FileText(folder_ / "SETUP.EXE");
  ASSERT_TRUE(WriteWholeFile(folder_ / "SETUP.EXE", BytesOf(image.substr(0, image.size() / 2))));
  CreateDirectoryA("C:\\Tools", nullptr);
  const Snapshot before = Take(folder_.Path());
  Launch("/P /D=" + folder);
  EXPECT_EQ(1620u, RunThrough(""));
  // The progress dialog, the roll-back's, and no box. Both may be gone
  // before their texts are read: their captions alone are compared.
  EXPECT_TRUE(seen_.size() == 2 && Count("ｸﾘｰﾝｱｯﾌﾟ") == 1) << Transcript();
  Restart();
  EXPECT_FALSE(FileExists(folder));
  EXPECT_EQ("{}", Unexplained(before, Take(folder_.Path())));

  CopyProduct("everything_spanned");
  ASSERT_TRUE(DeleteFileA((folder_ / "SETUP.002").c_str()));
  Launch("/LOG=failed.log /S /D=" + folder);
  EXPECT_EQ(1620u, RunThrough(""));
  EXPECT_EQ("", Transcript());
  char text[512] = "";
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_FILE_NOT_FOUND, 0x400, text,
                 sizeof text, nullptr);
  const std::string log = FileText(folder_ / "failed.log"), reason(text, strcspn(text, "\r\n"));
  const std::string lines[] = {"失敗: ファイル\r\n", "(エラー 2): " + reason + "\r\n    " + folder_ / "SETUP.002\r\n",
                               "終了コード: 1620\r\n"};
  for (const std::string& line : lines)
    EXPECT_NE(std::string::npos, log.find(line)) << line << " in\n" << log;

  CopyProduct(GetParam().first);
  Launch("/P /D=" + folder);
  EXPECT_EQ(1602u, RunThrough("", {{"全部入り セットアップ", IDC_STOP, "", 1}}));
  EXPECT_EQ(0, Count("セットアップの終了")) << Transcript();
}

INSTANTIATE_TEST_SUITE_P(Quiet, Unattended, ::testing::Values(std::make_pair("uninstall-everything", false)));
