// One product with everything a setup can carry, installed compressed,
// stored and spanned, each checked against one table of expectations (files
// with contents, times and attributes; setup.inf; registry; shortcuts; file
// types; the Uninstall entry; SharedDLLs), then installed again into the
// same folder with the step confirmations ("V"). Each in a prefix of its own.
#include <shlobj.h>
#include <algorithm>
#include <iterator>
#include <map>
#include "resources/dialogs.h"
#include "tests/e2e/scenario.h"

namespace {

const char PRODUCT[] = "全部入り";
const char KEY[] = "HKEY_CURRENT_USER\\Software\\Norvalex\\全部入り";

std::string Special(int csidl)
{
  char path[MAX_PATH] = "";
  SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE);
  return path;
}

// "target arguments" of a shortcut, read back through the shell.
std::string Shortcut(const std::string& lnk)
{
  std::string text = "<unreadable>";
  CoInitialize(nullptr);
  IShellLinkA* link = nullptr;
  IPersistFile* file = nullptr;
  wchar_t wide[MAX_PATH];
  MultiByteToWideChar(CP_ACP, 0, lnk.c_str(), -1, wide, MAX_PATH);
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link))) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
      SUCCEEDED(file->Load(wide, STGM_READ))) {
    char target[MAX_PATH] = "", arguments[MAX_PATH] = "";
    link->GetPath(target, MAX_PATH, nullptr, 0);
    link->GetArguments(arguments, MAX_PATH);
    text = std::string(target) + " " + arguments;
  }
  if (file != nullptr) file->Release();
  if (link != nullptr) link->Release();
  CoUninitialize();
  return text;
}

// Every file and folder below `source`, as paths relative to it.
void Walk(const std::string& source, const std::string& relative, std::vector<std::string>* out)
{
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((source + "\\" + relative + "*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = entry.cFileName;
    if (name == "." || name == "..") continue;
    out->push_back(relative + name);
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) Walk(source, relative + name + "\\", out);
  } while (FindNextFileA(find, &entry));
  FindClose(find);
}

std::vector<std::string> SortedLines(const std::string& text)
{
  std::vector<std::string> lines;
  for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
    lines.push_back(text.substr(at, end - at));
  std::sort(lines.begin(), lines.end());
  return lines;
}

}  // namespace

class Everything : public Scenario, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override
  {
    if (!OwnPrefix()) GTEST_SKIP() << "changes the Windows folder: needs SETUP_OWN_PREFIX=1";
  }

  void Install(const std::string& arguments)
  {
    Start(GetParam(), arguments);
    const DWORD code = RunThrough(folder, {{"ユーザ情報の登録", IDC_NEXT, "", 1, [this](const Screen& page) {
                                               Driver().Type(page, IDC_USER_NAME, "山田 太郎");
                                               Driver().Type(page, IDC_USER_COMPANY, "ﾉｰｽ商会");
                                             }}});
    EXPECT_EQ(0u, code) << Transcript();
    EXPECT_EQ(0, MessageBoxes() - Confirmations() - Prompts()) << Transcript();
  }

  int Count(const char* caption) const
  {
    return static_cast<int>(std::count_if(Seen().begin(), Seen().end(),
                                          [caption](const Screen& s) { return s.Caption == caption; }));
  }
  int Confirmations() const { return Count("ﾃﾞﾊﾞｯｸﾞ"); }
  int Prompts() const { return Count("FD交換") + Count("フォルダ作成確認"); }

  // Every file of both trees byte-identical, with its times and attributes.
  void CheckFiles()
  {
    const std::string sample = ParentFolder(ParentFolder(ParentFolder(ProgramFolder()))) + "\\examples\\sample\\files";
    for (const std::string& tree : {sample, ParentFolder(TreeFile("x"))}) {
      std::vector<std::string> paths;
      Walk(tree, "", &paths);
      ASSERT_GT(paths.size(), 3u) << tree;
      for (const std::string& path : paths) {
        const std::string source = tree + "\\" + path;
        const std::string target = folder + (tree == sample ? "\\" : "\\data\\") + path;
        WIN32_FIND_DATAA from = {}, to = {};
        FindClose(FindFirstFileA(source.c_str(), &from));
        FindClose(FindFirstFileA(target.c_str(), &to));
        EXPECT_EQ(Attributes(source), Attributes(target)) << target;
        const bool dll = EndsWith(path, ".dll");
        expectedLines.push_back((from.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? "FOLDER=" : dll ? "DLL=" : "FILE=") +
                                target);
        if (from.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        EXPECT_EQ(0, CompareFileTime(&from.ftLastWriteTime, &to.ftLastWriteTime)) << target;
        // A checked-out sample file's access time moves when the builder
        // first reads it; the generated tree's times are fixed.
        if (tree != sample) {
          EXPECT_EQ(0, CompareFileTime(&from.ftLastAccessTime, &to.ftLastAccessTime)) << target;
        }
        EXPECT_TRUE(ReadWholeFile(source) == ReadWholeFile(target)) << target;
      }
    }
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY),
              Attributes(folder + "\\data\\docs\\hidden.txt"));
    EXPECT_TRUE(ReadWholeFile(TreeFile("docs\\manual.txt")) == ReadWholeFile(folder + "\\data\\docs\\hidden.txt"));
  }

  // Everything else the product leaves on the machine, as one table.
  void CheckTheRest()
  {
    const std::string viewer = folder + "\\bin\\viewer.exe";
    const std::string desktop = Special(CSIDL_DESKTOPDIRECTORY) + "\\" + PRODUCT + ".lnk";
    const std::string menu = Special(CSIDL_PROGRAMS) + "\\全部入り 説明書.lnk";
    const std::string library = SystemFolder() + "\\samplelib.dll";
    const std::string uninstaller = RegisteredUninstaller(PRODUCT);
    const std::string uninstall = std::string("HKEY_LOCAL_MACHINE\\") + UNINSTALL_KEY + PRODUCT;
    const std::string shared = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
    const std::map<std::string, std::string> table = {
        {"desktop shortcut", Shortcut(desktop)},
        {"start menu shortcut", Shortcut(menu)},
        {"shared library", ReadWholeFile(library) == ReadWholeFile(ProgramFolder() + "\\samplelib.dll") ? "ours" : "?"},
        {"shared count", RegistryText(nullptr, shared, ShortName(library).c_str())},
        {"sz", RegistryText(nullptr, KEY, "表")},
        {"expand_sz", RegistryText(nullptr, KEY, "Path")},
        {"dword", RegistryText(nullptr, KEY, "Zoom")},
        {"binary", RegistryText(nullptr, KEY, "Bytes")},
        {"multi_sz", RegistryText(nullptr, KEY, "List")},
        {"default value", RegistryText(nullptr, std::string(KEY) + "\\Settings", "")},
        {"extension", RegistryText(HKEY_CLASSES_ROOT, ".zbi", "")},
        {"type", RegistryText(HKEY_CLASSES_ROOT, "zbifile", "")},
        {"icon", RegistryText(HKEY_CLASSES_ROOT, "zbifile\\DefaultIcon", "")},
        {"open", RegistryText(HKEY_CLASSES_ROOT, "zbifile\\shell\\open\\command", "")},
        {"print", RegistryText(HKEY_CLASSES_ROOT, "zbifile\\shell\\print\\command", "")},
        {"embedded icon", std::to_string(ReadWholeFile(Embedded(1)).size())},
        {"embedded program", ReadWholeFile(Embedded(2)) == ReadWholeFile(ProgramFolder() + "\\viewer.exe") ? "ours" : "?"},
        {"display name", RegistryText(nullptr, uninstall, "DisplayName")},
        {"uninstall command", RegistryText(nullptr, uninstall, "UninstallString")},
        {"uninstaller", ReadWholeFile(uninstaller) == ReadWholeFile(ProgramFolder() + "\\recorder_uninstaller.exe")
                            ? "ours" : "?"},
    };
    // The shell runs "C:\Sample.exe" for an unquoted "C:\Sample Viewer\...".
    const auto command = [](const std::string& program) {
      return program.find(' ') == std::string::npos ? program : "\"" + program + "\"";
    };
    const std::map<std::string, std::string> expected = {
        {"desktop shortcut", viewer + " "},
        {"start menu shortcut", Embedded(0) + " "},
        {"shared library", "ours"},
        {"shared count", "1"},
        {"sz", "既定の設定"},
        {"expand_sz", "%SystemRoot%\\表"},
        {"dword", "100"},
        {"binary", std::string("\0\\\xFF\1", 4)},
        {"multi_sz", std::string("一\0two\0\0", 8)},
        {"default value", "既定"},
        {"extension", "zbifile"},
        {"type", "全部入り 文書"},
        {"icon", Embedded(1) + ",0"},
        {"open", command(viewer) + " \"%1\""},
        {"print", command(Embedded(2)) + " /p \"%1\""},
        {"embedded icon", std::to_string(ReadWholeFile(ParentFolder(ParentFolder(ParentFolder(ProgramFolder()))) +
                                                       "\\examples\\sample\\sample.ico").size())},
        {"display name", PRODUCT},
        {"uninstall command", "\"" + uninstaller + "\" \"" + PRODUCT + "\" \"" + folder + "\""},
        {"uninstaller", "ours"},
        {"embedded program", "ours"},
    };
    for (const auto& row : expected) EXPECT_EQ(row.second, table.at(row.first)) << row.first;
    EXPECT_EQ(WindowsFolder() + "\\unins000.exe", uninstaller);
    std::string launched;
    for (int i = 0; i < launches; ++i) launched += "\"" + viewer + "\" /first-run\r\nC:\\\r\n";
    EXPECT_EQ(launched, FileText(folder + "\\bin\\viewer.log"));
  }

  // The files carried in the payload: the start menu shortcut's program,
  // the icon, the print program; a second run takes the next free names.
  std::string Embedded(int which) const
  {
    static const char* names[2][3] = {{"setup000.exe", "setup000.ico", "setup001.exe"},
                                      {"setup002.exe", "setup001.ico", "setup003.exe"}};
    return folder + "\\" + names[launches - 1][which];
  }

  // The lines of setup.inf besides those of the two trees.
  std::vector<std::string> OtherLines() const
  {
    const std::string hkcu = std::string("REGKEY=") + KEY, type = "REGKEY=HKEY_CLASSES_ROOT\\zbifile";
    std::vector<std::string> lines = {
        "FOLDER=" + folder + "\\data", "FILE=" + folder + "\\bin\\viewer.exe",
        "FILE=" + folder + "\\data\\docs\\hidden.txt", "SCUT=" + Special(CSIDL_DESKTOPDIRECTORY) + "\\" + PRODUCT + ".lnk",
        "SCUT=" + Special(CSIDL_PROGRAMS) + "\\全部入り 説明書.lnk", "DLL=" + SystemFolder() + "\\samplelib.dll",
        hkcu, std::string("REGDAT=") + KEY + "\\表", std::string("REGDAT=") + KEY + "\\Path",
        std::string("REGDAT=") + KEY + "\\Zoom", std::string("REGDAT=") + KEY + "\\Bytes",
        std::string("REGDAT=") + KEY + "\\List", std::string("REGDAT=") + KEY + "\\Settings\\",
        "REGKEY=HKEY_CLASSES_ROOT\\.zbi", type, type + "\\DefaultIcon", type + "\\shell", type + "\\shell\\open",
        type + "\\shell\\open\\command", type + "\\shell\\print", type + "\\shell\\print\\command",
        "USER=山田 太郎", "SECTION=ﾉｰｽ商会", "AUTHOR=Norvalex", "VER=3.00", "IFOLDER=" + folder};
    for (int i = 0; i < 3; ++i) lines.push_back("FILE=" + Embedded(i));
    return lines;
  }

  std::string folder = folder_ / "全部入り先";
  std::vector<std::string> expectedLines;
  int launches = 1;
};

TEST_P(Everything, InstallsEveryPartThenInstallsAgainStepByStep)
{
  Install("");
  EXPECT_EQ(1, Count("使用許諾内容確認"));
  EXPECT_EQ(1, Count("ｾｯﾄｱｯﾌﾟ完了"));
  CheckFiles();
  CheckTheRest();
  const std::string log = FileText(folder + "\\setup.inf");
  EXPECT_EQ(0u, log.find("USER=山田 太郎\r\nSECTION=ﾉｰｽ商会\r\nAUTHOR=Norvalex\r\nVER=3.00\r\nIFOLDER=" + folder + "\r\n"))
      << log;
  for (const std::string& line : OtherLines()) expectedLines.push_back(line);
  std::sort(expectedLines.begin(), expectedLines.end());
  const std::vector<std::string> lines = SortedLines(log);
  std::vector<std::string> missing, extra;
  std::set_difference(expectedLines.begin(), expectedLines.end(), lines.begin(), lines.end(), std::back_inserter(missing));
  std::set_difference(lines.begin(), lines.end(), expectedLines.begin(), expectedLines.end(), std::back_inserter(extra));
  EXPECT_TRUE(missing.empty() && extra.empty()) << "missing " << ::testing::PrintToString(missing) << "\nextra "
                                                << ::testing::PrintToString(extra);

  // Again, into the same folder, after damage to a file and to the entry.
  const std::string damaged = folder + "\\data\\block_plus_one.bin";
  ASSERT_TRUE(WriteWholeFile(damaged, Bytes(10, 'x')));
  SetRegistryText(HKEY_LOCAL_MACHINE, UNINSTALL_KEY + std::string(PRODUCT), "DisplayName", "古い表示名");
  seen_.clear();
  Install("V");
  EXPECT_EQ(18, Confirmations()) << "a confirmation before and after each of the nine steps";
  EXPECT_EQ(0, Count("フォルダ作成確認"));
  launches = 2;
  expectedLines.clear();
  CheckFiles();
  CheckTheRest();
  // The old log's lines are merged in once each, after the new ones.
  std::vector<std::string> merged = lines;
  for (int i = 0; i < 3; ++i) merged.push_back("FILE=" + Embedded(i));
  std::sort(merged.begin(), merged.end());
  EXPECT_EQ(merged, SortedLines(FileText(folder + "\\setup.inf")));
  EXPECT_FALSE(FileExists(folder + "\\setup.$$$"));
}

INSTANTIATE_TEST_SUITE_P(Layouts, Everything, ::testing::Values("everything", "everything_stored", "everything_spanned"));
