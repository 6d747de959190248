// Shortcuts made from crafted payloads, checked as the user finds them: the
// ".lnk" files on the desktop and in the Start menu's programs folder read
// back through the shell (target and arguments), the SCUT lines of
// setup.inf, the item label and bar, and the one message of a failure.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <algorithm>
#include <set>
#include <string>
#include <vector>
#include "app/flags.h"
#include "app/state.h"
#include "app/texts.h"
#include "install/shortcuts.h"
#include "payload/encode.h"
#include "payload/reader.h"
#include "payload/stream.h"
#include "tests/support/files.h"
#include "tests/support/step_fixture.h"

namespace {

const unsigned char NEXT_SECTION = 0x5A;
const unsigned BOTH = PF_DESKTOP_SHORTCUT | PF_STARTMENU_SHORTCUT;
const char USER_SHELL_FOLDERS[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// A shortcut record: the name, a file reference naming a file of the
// install folder (or, when `embedded` is given, an empty one followed by
// the embedded file's record), and the arguments.
Bytes Record(const std::string& name, const std::string& reference, const std::string& arguments,
             const Bytes& embedded = {})
{
  Bytes out;
  EXPECT_TRUE(PutString(out, name, 41));
  EXPECT_TRUE(PutString(out, embedded.empty() ? reference : "", 260));
  out.insert(out.end(), embedded.begin(), embedded.end());
  EXPECT_TRUE(PutString(out, arguments, 260));
  return out;
}

std::string SpecialFolder(int csidl)
{
  char path[MAX_PATH] = "";
  EXPECT_TRUE(SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE));
  return path;
}

std::set<std::string> Links(const std::string& folder)
{
  std::set<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "\\*.lnk").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.insert(entry.cFileName);
  while (FindNextFileA(find, &entry));
  FindClose(find);
  return names;
}

// What a saved shortcut holds, read back through the shell's link object.
struct Link {
  bool Loaded = false;
  std::string Target;
  std::string Arguments;
  std::string WorkingFolder;
  std::string Description;
  std::string IconFile;
  WORD HotKey = 0xFFFF;
};

Link ReadLink(const std::string& path)
{
  Link result;
  WCHAR name[MAX_PATH];
  if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, name, MAX_PATH) == 0) return result;
  IShellLinkA* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&link)))) {
    return result;
  }
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    if (SUCCEEDED(file->Load(name, STGM_READ))) {
      char text[1024];
      int icon = 0;
      result.Loaded = true;
      if (SUCCEEDED(link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH))) result.Target = text;
      if (SUCCEEDED(link->GetArguments(text, sizeof text))) result.Arguments = text;
      if (SUCCEEDED(link->GetWorkingDirectory(text, sizeof text))) result.WorkingFolder = text;
      if (SUCCEEDED(link->GetDescription(text, sizeof text))) result.Description = text;
      if (SUCCEEDED(link->GetIconLocation(text, sizeof text, &icon))) result.IconFile = text;
      link->GetHotkey(&result.HotKey);
    }
    file->Release();
  }
  link->Release();
  return result;
}

// Sets a shell folder of the user to another path, and puts the old value
// back afterwards.
struct RedirectedShellFolder {
  RedirectedShellFolder(const char* value, const std::string& path) : Value(value)
  {
    RegCreateKeyExA(HKEY_CURRENT_USER, USER_SHELL_FOLDERS, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                    &Key, nullptr);
    DWORD size = sizeof Saved;
    Existed = RegQueryValueExA(Key, Value, nullptr, &Type, Saved, &size) == ERROR_SUCCESS;
    SavedSize = size;
    RegSetValueExA(Key, Value, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   static_cast<DWORD>(path.size() + 1));
  }
  ~RedirectedShellFolder()
  {
    if (Existed) RegSetValueExA(Key, Value, 0, Type, Saved, SavedSize);
    else RegDeleteValueA(Key, Value);
    RegCloseKey(Key);
  }
  const char* Value;
  HKEY Key = nullptr;
  bool Existed = false;
  DWORD Type = 0;
  BYTE Saved[1024];
  DWORD SavedSize = 0;
};

}  // namespace

class Shortcuts : public StepFixture {
 protected:
  static void SetUpTestSuite()
  {
    StepFixture::SetUpTestSuite();
    CoInitialize(nullptr);
  }

  void SetUp() override
  {
    StepFixture::SetUp();
    lstrcpyA(State.ProductName, "テスト製品");
    PresetBars(1000, 5, 50, 33);
    desktop_ = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
    programs_ = SpecialFolder(CSIDL_PROGRAMS);
    desktopBefore_ = Links(desktop_);
    programsBefore_ = Links(programs_);
  }

  void TearDown() override
  {
    StepFixture::TearDown();
    RemoveNewLinks(desktop_, desktopBefore_);
    RemoveNewLinks(programs_, programsBefore_);
  }

  static void RemoveNewLinks(const std::string& folder, const std::set<std::string>& before)
  {
    for (const std::string& name : Links(folder))
      if (before.count(name) == 0) DeleteFileA((folder + "\\" + name).c_str());
  }

  void ExpectOneErrorBox(const std::string& text)
  {
    const std::vector<SeenBox> seen = Boxes();
    ASSERT_EQ(1u, seen.size());
    EXPECT_EQ(TXT_ERROR_CAPTION, seen[0].Caption);
    EXPECT_EQ(text, seen[0].Text);
  }

  std::string desktop_;
  std::string programs_;
  std::set<std::string> desktopBefore_;
  std::set<std::string> programsBefore_;
};

// ---------------------------------------------------------------------------
// The two passes

TEST_F(Shortcuts, DesktopShortcutNamesTheProgramAndItsArgumentsUnquoted)
{
  // ソ and 表 end in the byte 0x5C; the target holds a blank.
  const std::string arguments = "/open \"C:\\My Data\\a b.txt\" %1";
  Open(Concat({Record("デモ 表示", "ソフト\\表 示.exe", arguments), Bytes{NEXT_SECTION}}),
       PF_DESKTOP_SHORTCUT);

  EXPECT_EQ(1, InstallShortcuts());
  ExpectNoBox();
  EXPECT_EQ(NEXT_SECTION, ReadByte()) << "the record was not read exactly";
  const std::string path = desktop_ + "\\デモ 表示.lnk";
  const Link link = ReadLink(path);
  ASSERT_TRUE(link.Loaded) << path;
  EXPECT_EQ(folder_ / "ソフト\\表 示.exe", link.Target);
  EXPECT_EQ(arguments, link.Arguments);
  EXPECT_EQ("", link.WorkingFolder);
  EXPECT_EQ("", link.Description);
  EXPECT_EQ("", link.IconFile);
  EXPECT_EQ(0, link.HotKey);
  EXPECT_EQ(programsBefore_, Links(programs_));
  EXPECT_EQ("SCUT=" + path + "\r\n", Log());

  EXPECT_EQ("ﾃﾞｽｸﾄｯﾌﾟ ｼｮｰﾄｶｯﾄ", Label());
  EXPECT_EQ(1, ItemMaximum());
  EXPECT_EQ(1, Position(3));
  EXPECT_EQ(5, Position(1)) << "the overall bar moved";
}

TEST_F(Shortcuts, BothShortcutsAreMadeDesktopFirstAndEachIsLogged)
{
  Open(Concat({Record("机上", "app.exe", "-d"), Record("メニュー", "bin\\app.exe", ""), Bytes{NEXT_SECTION}}),
       BOTH);

  EXPECT_EQ(1, InstallShortcuts());
  ExpectNoBox();
  EXPECT_EQ(NEXT_SECTION, ReadByte());
  const std::string onDesktop = desktop_ + "\\机上.lnk";
  const std::string inPrograms = programs_ + "\\メニュー.lnk";
  const Link first = ReadLink(onDesktop);
  const Link second = ReadLink(inPrograms);
  ASSERT_TRUE(first.Loaded);
  ASSERT_TRUE(second.Loaded);
  EXPECT_EQ(folder_ / "app.exe", first.Target);
  EXPECT_EQ("-d", first.Arguments);
  EXPECT_EQ(folder_ / "bin\\app.exe", second.Target);
  EXPECT_EQ("", second.Arguments);
  EXPECT_EQ("SCUT=" + onDesktop + "\r\nSCUT=" + inPrograms + "\r\n", Log());
  EXPECT_EQ("ｽﾀｰﾄ ﾒﾆｭｰ ｼｮｰﾄｶｯﾄ", Label());
  EXPECT_EQ(1, Position(3));
}

TEST_F(Shortcuts, OnlyTheStartMenuRecordIsReadWhenTheDesktopFlagIsClear)
{
  Open(Concat({Record("メニュー", "app.exe", "x"), Bytes{NEXT_SECTION}}), PF_STARTMENU_SHORTCUT);

  EXPECT_EQ(1, InstallShortcuts());
  ExpectNoBox();
  EXPECT_EQ(NEXT_SECTION, ReadByte());
  EXPECT_EQ(desktopBefore_, Links(desktop_));
  const std::string path = programs_ + "\\メニュー.lnk";
  const Link link = ReadLink(path);
  ASSERT_TRUE(link.Loaded);
  EXPECT_EQ(folder_ / "app.exe", link.Target);
  EXPECT_EQ("x", link.Arguments);
  EXPECT_EQ("SCUT=" + path + "\r\n", Log());
}

TEST_F(Shortcuts, WithNeitherFlagNothingIsReadMadeOrLogged)
{
  Open(Bytes{NEXT_SECTION}, PF_AGREEMENT_PAGE | PF_USER_PAGE);

  EXPECT_EQ(1, InstallShortcuts());
  ExpectNoBox();
  EXPECT_EQ(NEXT_SECTION, ReadByte());
  EXPECT_EQ(desktopBefore_, Links(desktop_));
  EXPECT_EQ(programsBefore_, Links(programs_));
  EXPECT_EQ("", Log());
  EXPECT_EQ("前の項目", Label());
}

TEST_F(Shortcuts, EmptyNameBecomesTheProductNameEvenAtItsFullLength)
{
  // 41 bytes: one more than a shortcut name may hold.
  const std::string product = "ａｂｃｄｅｆｇｈｉｊｋｌｍｎｏｐｑｒｓｔ1";
  ASSERT_EQ(41u, product.size());
  lstrcpyA(State.ProductName, product.c_str());
  Open(Record("", "app.exe", ""), PF_STARTMENU_SHORTCUT);

  EXPECT_EQ(1, InstallShortcuts());
  ExpectNoBox();
  const std::string path = programs_ + "\\" + product + ".lnk";
  const Link link = ReadLink(path);
  ASSERT_TRUE(link.Loaded) << path;
  EXPECT_EQ(folder_ / "app.exe", link.Target);
  EXPECT_EQ("SCUT=" + path + "\r\n", Log());
}

TEST_F(Shortcuts, EmbeddedTargetIsExtractedAsSetup000AndLoggedBeforeTheShortcut)
{
  const Bytes program = BytesOf("MZ a small program of the product, stored in the payload");
  Open(Concat({Record("埋込み", "", "-embedded", PlainFileRecord(program)), Bytes{NEXT_SECTION}}),
       PF_DESKTOP_SHORTCUT);

  EXPECT_EQ(1, InstallShortcuts());
  ExpectNoBox();
  EXPECT_EQ(NEXT_SECTION, ReadByte());
  const std::string target = folder_ / "setup000.exe";
  EXPECT_EQ(program, ReadWholeFile(target));
  const std::string path = desktop_ + "\\埋込み.lnk";
  const Link link = ReadLink(path);
  ASSERT_TRUE(link.Loaded);
  EXPECT_EQ(target, link.Target);
  EXPECT_EQ("-embedded", link.Arguments);
  EXPECT_EQ("FILE=" + target + "\r\nSCUT=" + path + "\r\n", Log());
  // The pass shows itself after the extraction showed the file.
  EXPECT_EQ("ﾃﾞｽｸﾄｯﾌﾟ ｼｮｰﾄｶｯﾄ", Label());
  EXPECT_EQ(1, ItemMaximum());
}

TEST_F(Shortcuts, ItemMeterStartsEmptyAndOneStepFillsIt)
{
  State.PanelFlag = 1;
  State.Meters.Level[0] = 4;
  State.Meters.StepsPerBlock[0] = 3;
  Open(Record("メーター", "app.exe", ""), PF_DESKTOP_SHORTCUT);

  EXPECT_EQ(1, InstallShortcuts());
  ExpectNoBox();
  EXPECT_EQ(-10, State.Meters.StepsPerBlock[0]);
  EXPECT_EQ(10, State.Meters.Level[0]);
}

// ---------------------------------------------------------------------------
// Failures: one message at most

TEST_F(Shortcuts, SaveFailureIsReportedOnceAndTheStartMenuRecordIsLeftUnread)
{
  // A name with a backslash names a sub-folder that is not there.
  const Bytes second = Record("メニュー", "app.exe", "");
  Open(Concat({Record("無い\\アプリ", "app.exe", ""), second}), BOTH);

  EXPECT_EQ(0, InstallShortcuts());
  ExpectOneErrorBox("ｼｮｰﾄｶｯﾄ の作成に失敗しました。");
  EXPECT_FALSE(FileExists(desktop_ + "\\無い"));
  EXPECT_EQ(desktopBefore_, Links(desktop_));
  EXPECT_EQ(programsBefore_, Links(programs_));
  EXPECT_EQ(second[0], ReadByte());
  EXPECT_EQ("", Log());
}

TEST_F(Shortcuts, NameInAnExistingSubFolderIsSavedThere)
{
  const std::string sub = desktop_ + "\\製品";
  ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
  Open(Record("製品\\アプリ", "app.exe", ""), PF_DESKTOP_SHORTCUT);

  EXPECT_EQ(1, InstallShortcuts());
  ExpectNoBox();
  const std::string path = sub + "\\アプリ.lnk";
  EXPECT_TRUE(ReadLink(path).Loaded);
  EXPECT_EQ("SCUT=" + path + "\r\n", Log());
  DeleteFileA(path.c_str());
  RemoveDirectoryA(sub.c_str());
}

TEST_F(Shortcuts, PayloadEndingAtTheNameShowsTheDataEndedBox)
{
  Open(Bytes{}, PF_DESKTOP_SHORTCUT);
  EXPECT_EQ(0, InstallShortcuts());
  ExpectOneErrorBox(TXT_DATA_ENDED);
  EXPECT_EQ("", Log());
}

TEST_F(Shortcuts, PayloadEndingAtTheTargetShowsTheDataEndedBox)
{
  Bytes payload;
  PutString(payload, "名前", 41);
  Open(payload, PF_DESKTOP_SHORTCUT);
  EXPECT_EQ(0, InstallShortcuts());
  ExpectOneErrorBox(TXT_DATA_ENDED);
  EXPECT_EQ(desktopBefore_, Links(desktop_));
}

TEST_F(Shortcuts, PayloadEndingAtTheArgumentsFailsWithoutAMessage)
{
  Bytes payload;
  PutString(payload, "名前", 41);
  PutString(payload, "app.exe", 260);
  Open(payload, PF_DESKTOP_SHORTCUT);
  EXPECT_EQ(0, InstallShortcuts());
  ExpectNoBox();
  EXPECT_EQ(desktopBefore_, Links(desktop_));
  EXPECT_EQ("", Log());
}

// The shortcut path's length decides; its SCUT line must fit the log's 257
// characters, so the path may have 252.
class LongShortcutPaths : public Shortcuts {
 protected:
  // A desktop folder whose path leaves `room` characters for "\<name>.lnk".
  void MoveDesktopLeaving(size_t room)
  {
    std::string path = deep_.Path();
    const size_t length = 252 - room;
    ASSERT_LT(path.size() + 2, length);
    while (path.size() < length) {
      const size_t part = std::min<size_t>(100, length - path.size() - 1);
      path += "\\" + std::string(part, 'd');
      ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path;
    }
    ASSERT_EQ(length, path.size());
    redirected_ = std::make_unique<RedirectedShellFolder>("Desktop", path);
    desktop_ = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
    ASSERT_EQ(path, desktop_);
  }

  TempFolder deep_;
  std::unique_ptr<RedirectedShellFolder> redirected_;
};

TEST_F(LongShortcutPaths, PathOfExactly252CharactersIsSavedAndLogged)
{
  const std::string name(40, 'n');
  MoveDesktopLeaving(1 + 40 + 4);
  Open(Record(name, "app.exe", ""), PF_DESKTOP_SHORTCUT);

  EXPECT_EQ(1, InstallShortcuts());
  ExpectNoBox();
  const std::string path = desktop_ + "\\" + name + ".lnk";
  ASSERT_EQ(252u, path.size());
  EXPECT_TRUE(ReadLink(path).Loaded);
  EXPECT_EQ("SCUT=" + path + "\r\n", Log());
}

TEST_F(LongShortcutPaths, OneCharacterMoreIsRefusedNotCut)
{
  const std::string name(40, 'n');
  MoveDesktopLeaving(1 + 40 + 4 - 1);
  Open(Concat({Record(name, "app.exe", ""), Bytes{NEXT_SECTION}}), PF_DESKTOP_SHORTCUT);

  EXPECT_EQ(0, InstallShortcuts());
  const std::vector<SeenBox> seen = Boxes();
  ASSERT_EQ(1u, seen.size());
  EXPECT_EQ(TXT_ERROR_CAPTION, seen[0].Caption);
  EXPECT_EQ(0u, seen[0].Text.find("パス名が長すぎます。\n\n")) << seen[0].Text;
  EXPECT_NE(std::string::npos, seen[0].Text.find("dddd")) << seen[0].Text;
  EXPECT_TRUE(Links(desktop_).empty());
  EXPECT_EQ("", Log());
}
