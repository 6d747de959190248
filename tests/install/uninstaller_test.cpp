// The uninstaller step against a real Windows folder: which pool name
// (unins000.exe to unins999.exe) it takes for each kind of file already
// there, what it leaves of the files it passes over, the Uninstall entry
// with its exact values on a first and a repeated installation, the refusal
// of a full pool; and the reading of file versions and makers it relies on.
#include <gtest/gtest.h>
#include <windows.h>
#include <map>
#include <memory>
#include <string>
#include <vector>
#include "app/flags.h"
#include "app/state.h"
#include "app/texts.h"
#include "install/uninstaller.h"
#include "app/version_info.h"
#include "payload/encode.h"
#include "payload/lzw_encode.h"
#include "payload/stream.h"
#include "tests/support/box_answerer.h"
#include "tests/support/files.h"
#include "tests/support/payloads.h"

namespace {

const char PRODUCT[] = "アンインストーラ試験";
const char UNINSTALL_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const unsigned char NEXT_SECTION = 0x5A;
const char POOL_FULL[] =
    "アンインストーラを置く名前がありません。\n\nWindows フォルダの unins000.exe から unins999.exe までがすべて使われています。";

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }
Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }


std::string PoolName(int n)
{
  char name[32];
  wsprintfA(name, "unins%3.3d.exe", n);
  return WindowsFolder() + "\\" + name;
}

// An image built beside the test program.
Bytes Image(const std::string& name) { return ReadWholeFile(ProgramFolder() + "\\" + name + ".exe"); }

// The engine's own uninstaller image as every product carries it.
Bytes Ours() { return Image("recorder_uninstaller"); }

Bytes WithTail(Bytes image, const std::string& tail)
{
  image.insert(image.end(), tail.begin(), tail.end());
  return image;
}

bool OwnPrefix()
{
  char own[8] = "";
  GetEnvironmentVariableA("SETUP_OWN_PREFIX", own, sizeof own);
  return lstrcmpA(own, "1") == 0;
}

struct RegistryValue {
  bool Found = false;
  DWORD Type = 0;
  std::string Data;  // the stored text without its terminating NUL
};

// The engine counts a text without its NUL; Windows then stores the NUL
// all the same when it follows the counted bytes, so only the characters
// before it can be compared.
RegistryValue ReadValue(const std::string& key, const char* name)
{
  RegistryValue value;
  HKEY handle;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return value;
  char data[1024];
  DWORD size = sizeof data;
  value.Found = RegQueryValueExA(handle, name, nullptr, &value.Type, reinterpret_cast<BYTE*>(data), &size) ==
                ERROR_SUCCESS;
  RegCloseKey(handle);
  if (!value.Found) return value;
  value.Data.assign(data, size);
  if (!value.Data.empty() && value.Data.back() == '\0') value.Data.pop_back();
  return value;
}

bool KeyExists(const std::string& key)
{
  HKEY handle;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

void SetValue(const std::string& key, const char* name, const std::string& data)
{
  HKEY handle;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                           &handle, nullptr));
  RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                 static_cast<DWORD>(data.size() + 1));
  RegCloseKey(handle);
}

}  // namespace

class Uninstaller : public ::testing::Test {
 protected:
  void SetUp() override
  {
    if (!OwnPrefix()) GTEST_SKIP() << "changes the Windows folder's pool: needs SETUP_OWN_PREFIX=1";
    ASSERT_FALSE(Ours().empty()) << "recorder_uninstaller.exe is not built";
    ClearPool();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, Key().c_str());
    boxes_ = std::make_unique<BoxAnswerer>(std::vector<ExpectedBox>{});
  }

  void TearDown() override
  {
    if (boxes_ == nullptr) return;
    for (const SeenBox& box : Boxes()) ADD_FAILURE() << "box not looked at: " << box.Text;
    boxes_.reset();
    ClosePayload();
    ClearPool();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, Key().c_str());
  }

  static std::string Key() { return std::string(UNINSTALL_KEY) + PRODUCT; }

  static void ClearPool()
  {
    for (int n = 0; n < 1000; ++n) {
      const std::string name = PoolName(n);
      SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(name.c_str());
    }
  }

  // Runs the step over a payload that carries `image` as its uninstaller,
  // from a fresh state; its result. The section must be consumed exactly.
  int RunStep(const Bytes& image, unsigned flags = 0, const std::string& folder = "C:\\製品\\アプリ")
  {
    ClosePayload();
    InitSetupState();
    lstrcpyA(State.OwnPath, (aside_ / "SETUP.EXE").c_str());
    lstrcpyA(State.ProductName, PRODUCT);
    lstrcpynA(State.InstallFolder, folder.c_str(), MAX_PATH);
    State.ErrorBoxStyle = MB_ICONEXCLAMATION;

    Bytes payload;
    PutInt32(payload, static_cast<uint32_t>(image.size()));
    if (!(flags & PF_SPANNED)) PutInt32(payload, 0x12345678);
    const Bytes body = LzwEncode(image.data(), image.size());
    PutBytes(payload, body.data(), body.size());
    PutByte(payload, NEXT_SECTION);
    Bytes program = StandInImage();
    EXPECT_TRUE(AttachPayload(program, payload));
    EXPECT_TRUE(WriteWholeFile(State.OwnPath, program));
    EXPECT_EQ(1, OpenPayload());
    State.PayloadFlags = flags;

    const int result = InstallUninstaller();
    if (result == 1) { EXPECT_EQ(NEXT_SECTION, ReadByte()) << "the image was not read exactly"; }
    EXPECT_EQ(flags, State.PayloadFlags);
    return result;
  }

  // Every box shown since the last call (each was answered with its default).
  std::vector<SeenBox> Boxes()
  {
    std::vector<SeenBox> seen = boxes_->Finish();
    boxes_ = std::make_unique<BoxAnswerer>(std::vector<ExpectedBox>{});
    return seen;
  }

  void ExpectNoBox()
  {
    for (const SeenBox& box : Boxes()) ADD_FAILURE() << "unexpected box: " << box.Caption << ": " << box.Text;
  }

  TempFolder aside_;  // the stand-in executable with the payload
  std::unique_ptr<BoxAnswerer> boxes_;
};

// ---------------------------------------------------------------------------
// The pool

struct PoolCase {
  const char* What;
  std::map<int, Bytes> Before;  // pool files before the step, by number
  int Taken;                    // the number the step takes
};

TEST_F(Uninstaller, TakesTheFirstFreeOrIdenticalNameAndLeavesEveryOtherFileAlone)
{
  const Bytes ours = Ours();
  const Bytes staleCopy = WithTail(ours, "an older copy of the same uninstaller");
  const Bytes foreign = Image("uninstaller_foreign");
  const Bytes noVersion = Image("keepalive");
  const Bytes older = Image("uninstaller_older");
  const Bytes later = Image("uninstaller_later");
  const Bytes english = Image("uninstaller_english");
  const Bytes unstopped = Image("uninstaller_unstopped");
  for (const Bytes* image : {&foreign, &noVersion, &older, &later, &english, &unstopped})
    ASSERT_FALSE(image->empty()) << "an image for the pool is not built";

  const std::vector<PoolCase> cases = {
      {"an empty pool", {}, 0},
      {"an identical uninstaller is overwritten in place", {{0, staleCopy}}, 0},
      {"another maker", {{0, foreign}}, 1},
      {"a program without version information", {{0, noVersion}}, 1},
      {"a file that is no program", {{0, BytesOf("これはプログラムではありません")}}, 1},
      {"this engine's uninstaller of version 2.0.0.0", {{0, older}}, 1},
      {"versions 2.0.0.0 and 3.0.0.1", {{0, older}, {1, later}}, 2},
      {"the maker only in the 040904b0 table", {{0, english}}, 1},
      {"the maker without its full stop", {{0, unstopped}}, 1},
      {"a foreign file, then an identical one", {{0, foreign}, {1, staleCopy}}, 1},
      {"a free name before an identical one", {{0, foreign}, {2, ours}}, 1},
      {"four foreign files, then a gap", {{0, foreign}, {1, noVersion}, {2, older}, {3, english}}, 4},
  };
  for (const PoolCase& c : cases) {
    SCOPED_TRACE(c.What);
    ClearPool();
    for (const auto& file : c.Before) ASSERT_TRUE(WriteWholeFile(PoolName(file.first), file.second));

    ASSERT_EQ(1, RunStep(ours));
    ExpectNoBox();
    EXPECT_EQ(PoolName(c.Taken), State.UninstallerPath);
    EXPECT_TRUE(ours == ReadWholeFile(PoolName(c.Taken))) << "the image was not written whole";
    for (const auto& file : c.Before) {
      if (file.first == c.Taken) continue;
      EXPECT_TRUE(file.second == ReadWholeFile(PoolName(file.first))) << PoolName(file.first) << " was changed";
    }
    for (int n = 0; n < 8; ++n) {
      if (n != c.Taken && c.Before.count(n) == 0) { EXPECT_FALSE(FileExists(PoolName(n))) << PoolName(n); }
    }
    const RegistryValue command = ReadValue(Key(), "UninstallString");
    EXPECT_EQ("\"" + PoolName(c.Taken) + "\" \"" + PRODUCT + "\" \"C:\\製品\\アプリ\"", command.Data);
  }
}

TEST_F(Uninstaller, FullPoolIsRefusedWithABoxAndItsLastNameIsUsedOnceFree)
{
  // 998 files of nobody in particular, then this engine's older version
  // and a program of another maker in the last two names.
  for (int n = 0; n < 998; ++n)
    ASSERT_TRUE(WriteWholeFile(PoolName(n), BytesOf("他社のファイル " + std::to_string(n))));
  const Bytes older = Image("uninstaller_older");
  const Bytes foreign = Image("uninstaller_foreign");
  ASSERT_TRUE(WriteWholeFile(PoolName(998), older));
  ASSERT_TRUE(WriteWholeFile(PoolName(999), foreign));

  EXPECT_EQ(0, RunStep(Ours()));
  const std::vector<SeenBox> seen = Boxes();
  ASSERT_EQ(1u, seen.size());
  EXPECT_EQ(TXT_ERROR_CAPTION, seen[0].Caption);
  EXPECT_EQ(POOL_FULL, seen[0].Text);
  for (int n = 0; n < 998; ++n) {
    if (Text(ReadWholeFile(PoolName(n))) != "他社のファイル " + std::to_string(n)) {
      ADD_FAILURE() << PoolName(n) << " was changed";
      break;
    }
  }
  EXPECT_TRUE(older == ReadWholeFile(PoolName(998)));
  EXPECT_TRUE(foreign == ReadWholeFile(PoolName(999)));
  EXPECT_FALSE(FileExists(WindowsFolder() + "\\unins1000.exe"));
  EXPECT_FALSE(KeyExists(Key())) << "a refused step registered something";
  EXPECT_FALSE(FileExists(WindowsFolder() + "\\WININIT.INI"));

  // The last name is as good as any other once it is free, or identical.
  ASSERT_TRUE(DeleteFileA(PoolName(999).c_str()));
  ASSERT_EQ(1, RunStep(Ours()));
  ExpectNoBox();
  EXPECT_EQ(PoolName(999), State.UninstallerPath);
  EXPECT_TRUE(Ours() == ReadWholeFile(PoolName(999)));
  ASSERT_TRUE(WriteWholeFile(PoolName(999), WithTail(Ours(), "stale")));
  ASSERT_EQ(1, RunStep(Ours()));
  ExpectNoBox();
  EXPECT_EQ(PoolName(999), State.UninstallerPath);
  EXPECT_TRUE(Ours() == ReadWholeFile(PoolName(999)));
  EXPECT_TRUE(older == ReadWholeFile(PoolName(998)));
}

// ---------------------------------------------------------------------------
// The Uninstall entry

TEST_F(Uninstaller, EntryIsWrittenThenRewrittenWithTheNameChosenEachTime)
{
  const std::string folder = "C:\\Program Files\\アンインストーラ試験";
  const std::string expected = "\"" + PoolName(0) + "\" \"" + PRODUCT + "\" \"" + folder + "\"";

  // First installation: nothing was registered before.
  ASSERT_EQ(1, RunStep(Ours(), 0, folder));
  ExpectNoBox();
  EXPECT_EQ(0, State.AlreadyRegistered);
  RegistryValue name = ReadValue(Key(), "DisplayName");
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), name.Type);
  EXPECT_EQ(PRODUCT, name.Data);
  RegistryValue command = ReadValue(Key(), "UninstallString");
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), command.Type);
  EXPECT_EQ(expected, command.Data);

  // Reinstallation after another maker's file took the name: the entry is
  // rewritten and names this run's uninstaller.
  SetValue(Key(), "DisplayName", "古い表示名");
  SetValue(Key(), "UninstallString", "\"C:\\old\\uninst.exe\"");
  ASSERT_TRUE(WriteWholeFile(PoolName(0), Image("uninstaller_foreign")));
  ASSERT_EQ(1, RunStep(Ours(), 0, folder));
  ExpectNoBox();
  EXPECT_EQ(1, State.AlreadyRegistered);
  EXPECT_EQ(PRODUCT, ReadValue(Key(), "DisplayName").Data);
  command = ReadValue(Key(), "UninstallString");
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), command.Type);
  EXPECT_EQ("\"" + PoolName(1) + "\" \"" + PRODUCT + "\" \"" + folder + "\"", command.Data);

  // A key without "DisplayName" does not count as registered.
  ClearPool();
  ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, Key().c_str()));
  SetValue(Key(), "UninstallString", "\"C:\\old\\uninst.exe\"");
  ASSERT_EQ(1, RunStep(Ours(), 0, folder));
  ExpectNoBox();
  EXPECT_EQ(0, State.AlreadyRegistered);
  EXPECT_EQ(PRODUCT, ReadValue(Key(), "DisplayName").Data);
  EXPECT_EQ(expected, ReadValue(Key(), "UninstallString").Data);
}

TEST_F(Uninstaller, ImageIsDecodedWhateverTheProductsFilesAreAndTheFlagsComeBack)
{
  const Bytes ours = Ours();
  for (unsigned flags : {0u, unsigned(PF_STORED_BODIES), unsigned(PF_SPANNED), unsigned(PF_STORED_BODIES | PF_SPANNED)}) {
    SCOPED_TRACE(flags);
    ClearPool();
    ASSERT_EQ(1, RunStep(ours, flags));  // checks the flags afterwards
    ExpectNoBox();
    EXPECT_TRUE(ours == ReadWholeFile(PoolName(0)));
  }
}

TEST_F(Uninstaller, CommandLineFillsTwoHundredFiftyNineCharactersAndOneMoreIsRefused)
{
  // Quotes and blanks take 8 characters beside the path, name and folder.
  const std::string path = PoolName(0);
  const size_t room = 259 - 8 - path.size() - lstrlenA(PRODUCT);
  std::string folder = "C:\\";
  while (folder.size() < room) folder += "f";

  ASSERT_EQ(1, RunStep(Ours(), 0, folder));
  ExpectNoBox();
  const RegistryValue command = ReadValue(Key(), "UninstallString");
  EXPECT_EQ(259u, command.Data.size());
  EXPECT_EQ("\"" + path + "\" \"" + PRODUCT + "\" \"" + folder + "\"", command.Data);

  ClearPool();
  ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, Key().c_str()));
  EXPECT_EQ(0, RunStep(Ours(), 0, folder + "g"));
  const std::vector<SeenBox> seen = Boxes();
  ASSERT_EQ(1u, seen.size());
  EXPECT_EQ(TXT_ERROR_CAPTION, seen[0].Caption);
  EXPECT_EQ(0u, seen[0].Text.find("パス名が長すぎます。")) << seen[0].Text;
  EXPECT_FALSE(FileExists(path)) << "a refused step wrote its uninstaller";
  EXPECT_FALSE(KeyExists(Key())) << "a refused step registered something";
}

// ---------------------------------------------------------------------------
// Reading versions and makers

TEST(UninstallerIdentity, VersionAndMakerAreReadFromTheVersionResource)
{
  const std::string bin = ProgramFolder() + "\\";
  struct Expected {
    const char* Image;
    int HasVersion;
    DWORD Ms, Ls;
    int OurMaker;
  };
  const Expected images[] = {
      {"recorder_uninstaller", 1, 0x30000, 0, 1},
      {"uninstaller_older", 1, 0x20000, 0, 1},
      {"uninstaller_later", 1, 0x30000, 1, 1},
      {"uninstaller_foreign", 1, 0x30000, 0, 0},
      {"uninstaller_english", 1, 0x30000, 0, 0},
      {"uninstaller_unstopped", 1, 0x30000, 0, 0},
      {"keepalive", 0, 0, 0, 0},
      {"no_such_file", 0, 0, 0, 0},
  };
  for (const Expected& e : images) {
    SCOPED_TRACE(e.Image);
    const std::string path = bin + e.Image + ".exe";
    DWORD ms = 0xDEADBEEF, ls = 0xFEEDFACE;
    EXPECT_EQ(e.HasVersion, GetFileVersion(path.c_str(), &ms, &ls));
    EXPECT_EQ(e.HasVersion ? e.Ms : 0xDEADBEEF, ms);
    EXPECT_EQ(e.HasVersion ? e.Ls : 0xFEEDFACE, ls);
    EXPECT_EQ(e.OurMaker, MatchCompanyName(path.c_str(), "Norvalex."));
  }

  // The maker's name is compared whole, byte for byte.
  const std::string ours = bin + "recorder_uninstaller.exe";
  EXPECT_EQ(1, MatchCompanyName((bin + "uninstaller_unstopped.exe").c_str(), "Norvalex"));
  EXPECT_EQ(1, MatchCompanyName((bin + "uninstaller_foreign.exe").c_str(), "Kestrelworks."));
  for (const char* other : {"Norvalex", "norvalex.", "NORVALEX.", "Norvalex. ", "Norvalex.x", ""})
    EXPECT_EQ(0, MatchCompanyName(ours.c_str(), other)) << other;
}
