// File types registered from crafted payloads, checked in the registry
// under HKEY_CLASSES_ROOT (keys, default values and their bytes), in the
// REGKEY lines of setup.inf, in the icon and programs extracted into the
// install folder, in the shell's association notice, and in the one
// message of a refusal.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <string>
#include <vector>
#include "app/state.h"
#include "app/texts.h"
#include "install/file_types.h"
#include "payload/encode.h"
#include "payload/reader.h"
#include "payload/stream.h"
#include "tests/support/files.h"
#include "tests/support/step_fixture.h"

namespace {

const unsigned char NEXT_SECTION = 0x5A;
const UINT WM_ASSOCIATIONS = WM_APP + 17;
const char ROOT[] = "HKEY_CLASSES_ROOT\\";

// A file reference naming a file of the install folder.
Bytes Named(const std::string& name)
{
  Bytes out;
  EXPECT_TRUE(PutString(out, name, 260));
  return out;
}

// An empty file reference and the record of the embedded file after it.
Bytes Embedded(const Bytes& data)
{
  Bytes out;
  PutString(out, "", 260);
  return Concat({out, PlainFileRecord(data)});
}

// An open or print command: its flag set, the program and the arguments.
Bytes Command(const Bytes& program, const std::string& arguments)
{
  Bytes out{1};
  out.insert(out.end(), program.begin(), program.end());
  EXPECT_TRUE(PutString(out, arguments, 260));
  return out;
}

const Bytes NO_COMMAND{0};

Bytes TypeEntry(const std::string& extension, int iconIndex, const std::string& description,
                const Bytes& icon, const Bytes& open, const Bytes& print)
{
  Bytes out;
  EXPECT_TRUE(PutString(out, extension, 260));
  PutByte(out, static_cast<unsigned>(iconIndex));
  EXPECT_TRUE(PutString(out, description, 260));
  return Concat({out, icon, open, print});
}

const Bytes LIST_END{0};

// A key's default value as stored: REG_SZ text with the NUL that the
// registry keeps behind it.
std::string Sz(const std::string& text) { return text + std::string(1, '\0'); }

bool KeyExists(const std::string& key)
{
  HKEY handle;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

// The default value's type and bytes; "absent" when the key has none.
std::string DefaultValue(const std::string& key, DWORD expectedType = REG_SZ)
{
  HKEY handle;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return "no key";
  DWORD type = 0;
  BYTE data[1024];
  DWORD size = sizeof data;
  const LONG result = RegQueryValueExA(handle, nullptr, nullptr, &type, data, &size);
  RegCloseKey(handle);
  if (result == ERROR_FILE_NOT_FOUND) return "absent";
  if (result != ERROR_SUCCESS) return "unreadable";
  if (type != expectedType) return "type " + std::to_string(type);
  return std::string(reinterpret_cast<char*>(data), size);
}

std::string Lines(const std::vector<std::string>& lines)
{
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

// A window the shell tells of changed associations. Each notice records
// whether the key that the test names existed by then.
class AssociationWatch {
 public:
  explicit AssociationWatch(const std::string& lastKey)
  {
    LastKey = lastKey;
    Notices = 0;
    KeyWasThere = 0;
    window_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Procedure)));
    SHChangeNotifyEntry entry = {nullptr, TRUE};
    id_ = SHChangeNotifyRegister(window_, SHCNRF_ShellLevel | SHCNRF_InterruptLevel, SHCNE_ASSOCCHANGED,
                                 WM_ASSOCIATIONS, 1, &entry);
  }
  ~AssociationWatch()
  {
    SHChangeNotifyDeregister(id_);
    SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    DestroyWindow(window_);
  }
  bool Registered() const { return id_ != 0; }

  // Notices so far, after the ones already queued have been handled.
  int Count() const
  {
    MSG message;
    while (PeekMessageA(&message, window_, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    return Notices;
  }

  static std::string LastKey;
  static int Notices;
  static int KeyWasThere;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
  {
    if (message == WM_ASSOCIATIONS) {
      ++Notices;
      if (KeyExists(LastKey)) ++KeyWasThere;
      return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
  }

  HWND window_ = nullptr;
  WNDPROC previous_ = nullptr;
  ULONG id_ = 0;
};

std::string AssociationWatch::LastKey;
int AssociationWatch::Notices;
int AssociationWatch::KeyWasThere;

}  // namespace

class FileTypes : public StepFixture {
 protected:
  void SetUp() override
  {
    StepFixture::SetUp();
    // The item bar has the range 0 to 2 that the registry step gives it.
    PresetBars(1000, 5, 2, 1);
  }

  void TearDown() override
  {
    StepFixture::TearDown();
    for (const std::string& extension : extensions_) {
      RegDeleteTreeA(HKEY_CLASSES_ROOT, ("." + extension).c_str());
      RegDeleteKeyA(HKEY_CLASSES_ROOT, ("." + extension).c_str());
      RegDeleteTreeA(HKEY_CLASSES_ROOT, (extension + "file").c_str());
      RegDeleteKeyA(HKEY_CLASSES_ROOT, (extension + "file").c_str());
    }
  }

  // Names an extension whose keys the test may leave behind.
  std::string Extension(const std::string& extension)
  {
    extensions_.push_back(extension);
    return extension;
  }

  // Expects one error box that begins with `text`; returns its text.
  std::string ExpectOneErrorBoxBeginning(const std::string& text)
  {
    const std::vector<SeenBox> seen = Boxes();
    EXPECT_EQ(1u, seen.size());
    if (seen.empty()) return "";
    EXPECT_EQ(TXT_ERROR_CAPTION, seen[0].Caption);
    EXPECT_EQ(0u, seen[0].Text.find(text)) << seen[0].Text;
    return seen[0].Text;
  }

  std::vector<std::string> extensions_;
};

// ---------------------------------------------------------------------------
// Keys and values

TEST_F(FileTypes, EmbeddedIconAndOpenCommandGiveSixKeysLoggedInOrder)
{
  const std::string abc = Extension("abc");
  const Bytes icon = BytesOf("an icon of the product, carried in the payload");
  const std::string description = "ABC 表示ソフト文書";
  Open(Concat({TypeEntry(abc, 3, description, Embedded(icon), Command(Named("bin\\abcview.exe"), "%1"),
                         NO_COMMAND),
               LIST_END, Bytes{NEXT_SECTION}}));

  EXPECT_EQ(1, InstallFileTypes());
  ExpectNoBox();
  EXPECT_EQ(NEXT_SECTION, ReadByte()) << "the list was not read exactly";
  const std::string iconPath = folder_ / "setup000.ico";
  EXPECT_EQ(icon, ReadWholeFile(iconPath));
  EXPECT_EQ(Sz("abcfile"), DefaultValue(".abc"));
  EXPECT_EQ(Sz(description), DefaultValue("abcfile"));
  EXPECT_EQ(Sz(iconPath + ",3"), DefaultValue("abcfile\\DefaultIcon"));
  EXPECT_EQ("absent", DefaultValue("abcfile\\shell"));
  EXPECT_EQ("absent", DefaultValue("abcfile\\shell\\open"));
  EXPECT_EQ(Sz((folder_ / "bin\\abcview.exe") + " %1"), DefaultValue("abcfile\\shell\\open\\command"));
  EXPECT_FALSE(KeyExists("abcfile\\shell\\print"));
  EXPECT_EQ(Lines({"FILE=" + iconPath, "REGKEY=HKEY_CLASSES_ROOT\\.abc", "REGKEY=HKEY_CLASSES_ROOT\\abcfile",
                   "REGKEY=HKEY_CLASSES_ROOT\\abcfile\\DefaultIcon", "REGKEY=HKEY_CLASSES_ROOT\\abcfile\\shell",
                   "REGKEY=HKEY_CLASSES_ROOT\\abcfile\\shell\\open",
                   "REGKEY=HKEY_CLASSES_ROOT\\abcfile\\shell\\open\\command"}),
            Log());
}

TEST_F(FileTypes, PrintOnlyGivesShellAndPrintKeysAndEmptyArgumentsLeaveThePathAlone)
{
  const std::string ext = Extension("prn");
  Open(Concat({TypeEntry(ext, 0, "印刷だけ", Named("prn.ico"), NO_COMMAND, Command(Named("印刷.exe"), "")),
               LIST_END}));

  EXPECT_EQ(1, InstallFileTypes());
  ExpectNoBox();
  EXPECT_EQ(Sz(folder_ / "prn.ico,0"), DefaultValue("prnfile\\DefaultIcon"));
  EXPECT_EQ(Sz(folder_ / "印刷.exe"), DefaultValue("prnfile\\shell\\print\\command"));
  EXPECT_EQ("absent", DefaultValue("prnfile\\shell\\print"));
  EXPECT_FALSE(KeyExists("prnfile\\shell\\open"));
  EXPECT_EQ(Lines({"REGKEY=HKEY_CLASSES_ROOT\\.prn", "REGKEY=HKEY_CLASSES_ROOT\\prnfile",
                   "REGKEY=HKEY_CLASSES_ROOT\\prnfile\\DefaultIcon", "REGKEY=HKEY_CLASSES_ROOT\\prnfile\\shell",
                   "REGKEY=HKEY_CLASSES_ROOT\\prnfile\\shell\\print",
                   "REGKEY=HKEY_CLASSES_ROOT\\prnfile\\shell\\print\\command"}),
            Log());
}

TEST_F(FileTypes, WithoutOpenAndPrintThereIsNoShellKey)
{
  const std::string ext = Extension("txq");
  Open(Concat({TypeEntry(ext, 7, "", Named("doc.ico"), NO_COMMAND, NO_COMMAND), LIST_END}));

  EXPECT_EQ(1, InstallFileTypes());
  ExpectNoBox();
  EXPECT_EQ(Sz("txqfile"), DefaultValue(".txq"));
  // An empty text is counted as 0 bytes, and nothing at all is stored.
  EXPECT_EQ("", DefaultValue("txqfile"));
  EXPECT_EQ(Sz(folder_ / "doc.ico,7"), DefaultValue("txqfile\\DefaultIcon"));
  EXPECT_FALSE(KeyExists("txqfile\\shell"));
  EXPECT_EQ(Lines({"REGKEY=HKEY_CLASSES_ROOT\\.txq", "REGKEY=HKEY_CLASSES_ROOT\\txqfile",
                   "REGKEY=HKEY_CLASSES_ROOT\\txqfile\\DefaultIcon"}),
            Log());
}

TEST_F(FileTypes, OpenAndPrintProgramsCarriedInThePayloadGetTheNextFreeNumbers)
{
  const std::string ext = Extension("dual");
  const Bytes viewer = BytesOf("MZ viewer");
  const Bytes printer = BytesOf("MZ printer");
  Open(Concat({TypeEntry(ext, 255, "両方", Named("app.ico"), Command(Embedded(viewer), "/v \"%1\""),
                         Command(Embedded(printer), "/p \"%1\"")),
               LIST_END}));

  EXPECT_EQ(1, InstallFileTypes());
  ExpectNoBox();
  const std::string first = folder_ / "setup000.exe";
  const std::string second = folder_ / "setup001.exe";
  EXPECT_EQ(viewer, ReadWholeFile(first));
  EXPECT_EQ(printer, ReadWholeFile(second));
  EXPECT_EQ(Sz(folder_ / "app.ico,255"), DefaultValue("dualfile\\DefaultIcon"));
  EXPECT_EQ(Sz(first + " /v \"%1\""), DefaultValue("dualfile\\shell\\open\\command"));
  EXPECT_EQ(Sz(second + " /p \"%1\""), DefaultValue("dualfile\\shell\\print\\command"));
  EXPECT_EQ(Lines({"FILE=" + first, "FILE=" + second, "REGKEY=HKEY_CLASSES_ROOT\\.dual",
                   "REGKEY=HKEY_CLASSES_ROOT\\dualfile", "REGKEY=HKEY_CLASSES_ROOT\\dualfile\\DefaultIcon",
                   "REGKEY=HKEY_CLASSES_ROOT\\dualfile\\shell", "REGKEY=HKEY_CLASSES_ROOT\\dualfile\\shell\\open",
                   "REGKEY=HKEY_CLASSES_ROOT\\dualfile\\shell\\open\\command",
                   "REGKEY=HKEY_CLASSES_ROOT\\dualfile\\shell\\print",
                   "REGKEY=HKEY_CLASSES_ROOT\\dualfile\\shell\\print\\command"}),
            Log());
}

TEST_F(FileTypes, EachEntryShowsItsExtensionAndStepsTheOverallBarOnce)
{
  // 表 ends in the byte 0x5C.
  const std::string first = Extension("one");
  const std::string second = Extension("表");
  State.PanelFlag = 1;
  State.Meters.Level[0] = 4;
  Open(Concat({TypeEntry(first, 1, "一", Named("a.ico"), NO_COMMAND, NO_COMMAND),
               TypeEntry(second, 2, "二", Named("b.ico"), Command(Named("b.exe"), "%1"), NO_COMMAND),
               LIST_END}));

  EXPECT_EQ(1, InstallFileTypes());
  ExpectNoBox();
  EXPECT_EQ("表", Label());
  EXPECT_EQ(7, Position(1));
  EXPECT_EQ(2, Position(3));
  // Ten steps of ten blocks each, counted from an empty meter.
  EXPECT_EQ(-10, State.Meters.StepsPerBlock[0]);
  EXPECT_EQ(100, State.Meters.Level[0]);
  EXPECT_EQ(Sz("onefile"), DefaultValue(".one"));
  EXPECT_EQ(Sz("表file"), DefaultValue(".表"));
  EXPECT_EQ(Sz(folder_ / "b.exe %1"), DefaultValue("表file\\shell\\open\\command"));
}

// ---------------------------------------------------------------------------
// The shell's notice

TEST_F(FileTypes, ShellIsToldOnceAfterTheLastEntry)
{
  const std::string first = Extension("nta");
  const std::string second = Extension("ntb");
  AssociationWatch watch("ntbfile\\shell\\open\\command");
  ASSERT_TRUE(watch.Registered());
  Open(Concat({TypeEntry(first, 0, "", Named("a.ico"), Command(Named("a.exe"), ""), NO_COMMAND),
               TypeEntry(second, 0, "", Named("b.ico"), Command(Named("b.exe"), ""), NO_COMMAND)}));

  // The data ends where the next extension should start.
  EXPECT_EQ(1, InstallFileTypes());
  ExpectNoBox();
  EXPECT_EQ(1, watch.Count());
  EXPECT_EQ(1, AssociationWatch::KeyWasThere);
}

TEST_F(FileTypes, EmptyListWritesNothingAndTellsTheShellNothing)
{
  AssociationWatch watch("");
  ASSERT_TRUE(watch.Registered());
  Open(Concat({LIST_END, Bytes{NEXT_SECTION}}));

  EXPECT_EQ(1, InstallFileTypes());
  ExpectNoBox();
  EXPECT_EQ(NEXT_SECTION, ReadByte());
  EXPECT_EQ(0, watch.Count());
  EXPECT_EQ("", Log());
  EXPECT_EQ("前の項目", Label());
}

TEST_F(FileTypes, PayloadEndingWhereTheListShouldStartSucceedsWithoutANotice)
{
  AssociationWatch watch("");
  ASSERT_TRUE(watch.Registered());
  Open(Bytes{});

  EXPECT_EQ(1, InstallFileTypes());
  ExpectNoBox();
  EXPECT_EQ(0, watch.Count());
  EXPECT_EQ("", Log());
}

// ---------------------------------------------------------------------------
// Failures

TEST_F(FileTypes, PayloadEndingAtTheDescriptionFailsWithoutAMessage)
{
  const std::string ext = Extension("cut");
  AssociationWatch watch("");
  Bytes payload;
  PutString(payload, ext, 260);
  PutByte(payload, 1);
  Open(payload);

  EXPECT_EQ(0, InstallFileTypes());
  ExpectNoBox();
  EXPECT_FALSE(KeyExists(".cut"));
  EXPECT_EQ(0, watch.Count());
  EXPECT_EQ("", Log());
}

TEST_F(FileTypes, PayloadEndingAtTheOpenArgumentsFailsWithoutAMessage)
{
  const std::string ext = Extension("cut");
  Bytes entry = TypeEntry(ext, 1, "途中", Named("a.ico"), Command(Named("a.exe"), ""), NO_COMMAND);
  entry.resize(entry.size() - 2);  // the empty arguments and the print flag
  Open(entry);

  EXPECT_EQ(0, InstallFileTypes());
  ExpectNoBox();
  EXPECT_FALSE(KeyExists(".cut"));
}

TEST_F(FileTypes, PayloadEndingAtTheOpenFlagShowsTheDataEndedBox)
{
  const std::string ext = Extension("cut");
  Bytes entry = TypeEntry(ext, 1, "途中", Named("a.ico"), NO_COMMAND, NO_COMMAND);
  entry.resize(entry.size() - 2);
  Open(entry);

  EXPECT_EQ(0, InstallFileTypes());
  EXPECT_EQ(TXT_DATA_ENDED, ExpectOneErrorBoxBeginning(TXT_DATA_ENDED));
  EXPECT_FALSE(KeyExists(".cut"));
}

TEST_F(FileTypes, KeyThatCannotBeCreatedIsReportedAndTheOtherKeysStillGoIn)
{
  const std::string ext = Extension("den");
  // A lasting key cannot be made under a volatile one: the open command
  // fails, the print keys after it do not.
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, "denfile\\shell", 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_ALL_ACCESS, nullptr, &key, nullptr));
  RegCloseKey(key);
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, "denfile\\shell\\open", 0, nullptr,
                                           REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  RegCloseKey(key);
  AssociationWatch watch("");
  Open(Concat({TypeEntry(ext, 0, "拒否", Named("a.ico"), Command(Named("a.exe"), ""), Command(Named("p.exe"), "")),
               LIST_END}));

  EXPECT_EQ(1, InstallFileTypes());
  const std::vector<SeenBox> seen = Boxes();
  ASSERT_EQ(1u, seen.size());
  EXPECT_EQ(TXT_ERROR_CAPTION, seen[0].Caption);
  EXPECT_EQ("拡張子の設定に失敗しました。", seen[0].Text);
  EXPECT_FALSE(KeyExists("denfile\\shell\\open\\command"));
  EXPECT_EQ(Sz(folder_ / "p.exe"), DefaultValue("denfile\\shell\\print\\command"));
  EXPECT_EQ(1, watch.Count());
  EXPECT_EQ(Lines({"REGKEY=HKEY_CLASSES_ROOT\\.den", "REGKEY=HKEY_CLASSES_ROOT\\denfile",
                   "REGKEY=HKEY_CLASSES_ROOT\\denfile\\DefaultIcon", "REGKEY=HKEY_CLASSES_ROOT\\denfile\\shell",
                   "REGKEY=HKEY_CLASSES_ROOT\\denfile\\shell\\open",
                   "REGKEY=HKEY_CLASSES_ROOT\\denfile\\shell\\print",
                   "REGKEY=HKEY_CLASSES_ROOT\\denfile\\shell\\print\\command"}),
            Log());
}

// Commands, icon values and keys are built in 260 bytes; what would not
// fit is refused before any key of its entry is written.
class FileTypeLimits : public FileTypes {
 protected:
  // A program name that makes "<install folder>\<name> <arguments>" exactly
  // `length` characters long.
  std::string ProgramName(size_t length, const std::string& arguments) const
  {
    const size_t fixed = folder_.Path().size() + 1 + 1 + arguments.size() + 4;
    EXPECT_LT(fixed, length);
    return std::string(length - fixed, 'p') + ".exe";
  }
};

TEST_F(FileTypeLimits, CommandOfExactly259CharactersIsWrittenWhole)
{
  const std::string ext = Extension("lng");
  const std::string arguments(60, 'a');
  const std::string program = ProgramName(259, arguments);
  Open(Concat({TypeEntry(ext, 0, "", Named("a.ico"), Command(Named(program), arguments), NO_COMMAND), LIST_END}));

  EXPECT_EQ(1, InstallFileTypes());
  ExpectNoBox();
  const std::string command = (folder_ / program) + " " + arguments;
  ASSERT_EQ(259u, command.size());
  EXPECT_EQ(Sz(command), DefaultValue("lngfile\\shell\\open\\command"));
}

TEST_F(FileTypeLimits, CommandOneCharacterLongerIsRefusedAndItsEntryWritesNoKey)
{
  const std::string ext = Extension("lng");
  const std::string arguments(60, 'a');
  const std::string program = ProgramName(260, arguments);
  AssociationWatch watch("");
  Open(Concat({TypeEntry(ext, 0, "", Named("a.ico"), NO_COMMAND, Command(Named(program), arguments)), LIST_END}));

  EXPECT_EQ(0, InstallFileTypes());
  const std::string text = ExpectOneErrorBoxBeginning("パス名が長すぎます。\n\n");
  EXPECT_NE(std::string::npos, text.find(folder_ / "ppp")) << text;
  EXPECT_FALSE(KeyExists(".lng"));
  EXPECT_FALSE(KeyExists("lngfile"));
  EXPECT_EQ(0, watch.Count());
  EXPECT_EQ("", Log());
}

TEST_F(FileTypeLimits, IconValueThatWouldPassThe259thCharacterIsRefused)
{
  const std::string ext = Extension("icx");
  // The icon's path has 258 characters; ",3" would make 260.
  const std::string icon(258 - folder_.Path().size() - 1, 'i');
  Open(Concat({TypeEntry(ext, 3, "", Named(icon), NO_COMMAND, NO_COMMAND), LIST_END}));

  EXPECT_EQ(0, InstallFileTypes());
  const std::string text = ExpectOneErrorBoxBeginning("パス名が長すぎます。\n\n");
  EXPECT_NE(std::string::npos, text.find(folder_ / "iii")) << text;
  EXPECT_FALSE(KeyExists(".icx"));
  EXPECT_EQ("", Log());
}

TEST_F(FileTypeLimits, IconValueOfExactly259CharactersIsWrittenWhole)
{
  const std::string ext = Extension("icx");
  const std::string icon(257 - folder_.Path().size() - 1, 'i');
  Open(Concat({TypeEntry(ext, 3, "", Named(icon), NO_COMMAND, NO_COMMAND), LIST_END}));

  EXPECT_EQ(1, InstallFileTypes());
  ExpectNoBox();
  const std::string value = (folder_ / icon) + ",3";
  ASSERT_EQ(259u, value.size());
  EXPECT_EQ(Sz(value), DefaultValue("icxfile\\DefaultIcon"));
}

// The longest key, "<ext>file\shell\print\command", and its log line must
// fit: an extension may have 208 characters.
TEST_F(FileTypeLimits, ExtensionOf208CharactersGivesEveryKeyAndLogLine)
{
  const std::string ext = Extension(std::string(208, 'e'));
  Open(Concat({TypeEntry(ext, 0, "", Named("a.ico"), NO_COMMAND, Command(Named("p.exe"), "")), LIST_END}));

  EXPECT_EQ(1, InstallFileTypes());
  ExpectNoBox();
  const std::string longest = ext + "file\\shell\\print\\command";
  EXPECT_EQ(Sz(folder_ / "p.exe"), DefaultValue(longest));
  const std::string log = Log();
  const std::string last = "REGKEY=" + std::string(ROOT) + longest + "\r\n";
  ASSERT_EQ(259u, last.size());
  EXPECT_EQ(log.size() - last.size(), log.rfind(last));
}

TEST_F(FileTypeLimits, ExtensionOf209CharactersIsRefused)
{
  const std::string ext = Extension(std::string(209, 'e'));
  Open(Concat({TypeEntry(ext, 0, "", Named("a.ico"), NO_COMMAND, NO_COMMAND), LIST_END}));

  EXPECT_EQ(0, InstallFileTypes());
  ExpectOneErrorBoxBeginning("パス名が長すぎます。\n\neeee");
  EXPECT_FALSE(KeyExists("." + ext));
  EXPECT_EQ("", Log());
}
