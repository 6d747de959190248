// The registry list written from crafted payloads and checked in the
// registry: keys, values with their exact types and bytes, default values,
// the REGKEY and REGDAT lines of setup.inf, the item label, and the boxes
// of an unknown root, of keys and values that cannot be written and of data
// longer than the format allows.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>
#include "app/state.h"
#include "app/texts.h"
#include "install/registry.h"
#include "payload/encode.h"
#include "payload/reader.h"
#include "payload/stream.h"
#include "tests/support/files.h"
#include "tests/support/step_fixture.h"

namespace {

const unsigned char NEXT_RECORD = 0x5A;
const char TEST_KEY[] = "SetupRegistryTest";
const std::string HKCU_TEST = "HKEY_CURRENT_USER\\Software\\SetupRegistryTest";
const char TXT_UNKNOWN_ROOT[] =
    "ﾚｼﾞｽﾄﾘｷｰが読取れませんでした。\n\nｾｯﾄｱｯﾌﾟ ﾌﾟﾛｸﾞﾗﾑ に障害があります。";

// A text with its NUL, as a payload carries a terminated REG_SZ.
Bytes WithNul(const std::string& text)
{
  Bytes bytes = BytesOf(text);
  bytes.push_back(0);
  return bytes;
}

Bytes KeyEntry(const std::string& path)
{
  Bytes out;
  PutString(out, path, 260);
  PutByte(out, 0);
  return out;
}

Bytes ValueEntry(const std::string& path, unsigned type, const Bytes& data)
{
  Bytes out;
  PutString(out, path, 260);
  PutByte(out, type);
  PutInt32(out, static_cast<uint32_t>(data.size()));
  PutBytes(out, data.data(), data.size());
  return out;
}

struct StoredValue {
  bool Exists = false;
  DWORD Type = 0;
  Bytes Data;
};

StoredValue ReadValue(HKEY root, const std::string& key, const char* name)
{
  StoredValue value;
  HKEY handle;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return value;
  DWORD size = 0;
  if (RegQueryValueExA(handle, name, nullptr, &value.Type, nullptr, &size) == ERROR_SUCCESS) {
    value.Data.resize(size);
    value.Exists = RegQueryValueExA(handle, name, nullptr, &value.Type, value.Data.data(), &size) == ERROR_SUCCESS;
    value.Data.resize(size);
  }
  RegCloseKey(handle);
  return value;
}

bool KeyExists(HKEY root, const std::string& key)
{
  HKEY handle;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

// A non-volatile key cannot be created below a volatile one: the way to
// tell which kind a key is.
bool TakesNonVolatileChild(HKEY root, const std::string& key)
{
  HKEY child;
  const LONG error = RegCreateKeyExA(root, (key + "\\Child").c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_WRITE, nullptr, &child, nullptr);
  if (error != ERROR_SUCCESS) return false;
  RegCloseKey(child);
  return true;
}

// The default value of HKEY_CLASSES_ROOT itself, saved and put back.
struct SavedRootDefault {
  SavedRootDefault() : Saved(ReadValue(HKEY_CLASSES_ROOT, "", nullptr)) {}
  ~SavedRootDefault()
  {
    if (Saved.Exists) RegSetValueExA(HKEY_CLASSES_ROOT, nullptr, 0, Saved.Type, Saved.Data.data(), Saved.Data.size());
    else RegDeleteValueA(HKEY_CLASSES_ROOT, nullptr);
  }
  StoredValue Saved;
};

}  // namespace

class RegistryEntries : public StepFixture {
 protected:
  RegistryEntries()
  {
    installInAside_ = true;
    ownedByDialog_ = true;
    logStartsAgain_ = true;
  }

  void SetUp() override
  {
    StepFixture::SetUp();
    PresetBars(100000, 0, 50, 7);
  }

  void TearDown() override
  {
    StepFixture::TearDown();
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\SetupRegistryTest");
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\SetupRegistryTest");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, TEST_KEY);
    RegDeleteTreeA(HKEY_USERS, TEST_KEY);
    RegDeleteTreeA(HKEY_CURRENT_CONFIG, "Software\\SetupRegistryTest");
  }

  // Expects exactly these error box texts, in order, owned by the dialog.
  void ExpectErrorBoxes(const std::vector<std::string>& texts)
  {
    const std::vector<SeenBox> seen = Boxes();
    ASSERT_EQ(texts.size(), seen.size());
    for (size_t i = 0; i < texts.size(); ++i) {
      EXPECT_EQ(TXT_ERROR_CAPTION, seen[i].Caption);
      EXPECT_EQ(texts[i], seen[i].Text);
      EXPECT_EQ(window_, seen[i].Owner);
    }
  }
};

// ---------------------------------------------------------------------------
// Keys and values

TEST_F(RegistryEntries, KeysAndValuesOfEveryTypeArriveWithTheirExactBytesAndAreLoggedInOrder)
{
  const std::string demo = HKCU_TEST + "\\Demo";
  const Bytes binary = {0x00, 0xFF, 0x5C, 0x0A, 0x00, 0x81};
  const Bytes dword = {0x78, 0x56, 0x34, 0x12};
  const Bytes qword = {1, 2, 3, 4, 5, 6, 7, 8};
  const Bytes multi = Concat({WithNul("one"), WithNul("二番目"), Bytes{0}});
  Open(Concat({KeyEntry(demo), ValueEntry(demo + "\\Path", REG_SZ, WithNul("C:\\Demo\\bin")),
               ValueEntry(demo + "\\Expand", REG_EXPAND_SZ, WithNul("%WINDIR%\\デモ")),
               ValueEntry(demo + "\\Binary", REG_BINARY, binary), ValueEntry(demo + "\\Count", REG_DWORD, dword),
               ValueEntry(demo + "\\List", REG_MULTI_SZ, multi), ValueEntry(demo + "\\Wide", REG_QWORD, qword),
               ValueEntry(demo + "\\Empty", REG_BINARY, Bytes{}), ValueEntry(HKCU_TEST + "\\Other\\Made", REG_SZ, WithNul("x")),
               ListEnd(), Bytes{NEXT_RECORD}}));

  EXPECT_EQ(1, InstallRegistryEntries());
  ExpectNoBox();
  EXPECT_EQ(NEXT_RECORD, ReadByte()) << "the list was not consumed exactly";

  const std::string key = "Software\\SetupRegistryTest\\Demo";
  struct Expected {
    const char* Name;
    DWORD Type;
    Bytes Data;
  };
  const Expected values[] = {
      {"Path", REG_SZ, WithNul("C:\\Demo\\bin")},
      {"Expand", REG_EXPAND_SZ, WithNul("%WINDIR%\\デモ")},
      {"Binary", REG_BINARY, binary},
      {"Count", REG_DWORD, dword},
      {"List", REG_MULTI_SZ, multi},
      {"Wide", REG_QWORD, qword},
      {"Empty", REG_BINARY, Bytes{}},
  };
  for (const Expected& v : values) {
    const StoredValue stored = ReadValue(HKEY_CURRENT_USER, key, v.Name);
    EXPECT_TRUE(stored.Exists) << v.Name;
    EXPECT_EQ(v.Type, stored.Type) << v.Name;
    EXPECT_EQ(v.Data, stored.Data) << v.Name;
  }
  EXPECT_EQ(12u, ReadValue(HKEY_CURRENT_USER, key, "Path").Data.size());
  EXPECT_EQ(WithNul("x"), ReadValue(HKEY_CURRENT_USER, "Software\\SetupRegistryTest\\Other", "Made").Data);
  // Both the key made on its own and the key made for a value outlive a
  // restart, so keys of their own can be made below them.
  EXPECT_TRUE(TakesNonVolatileChild(HKEY_CURRENT_USER, key));
  EXPECT_TRUE(TakesNonVolatileChild(HKEY_CURRENT_USER, "Software\\SetupRegistryTest\\Other"));

  EXPECT_EQ("REGKEY=" + demo + "\r\nREGDAT=" + demo + "\\Path\r\nREGDAT=" + demo + "\\Expand\r\nREGDAT=" + demo +
                "\\Binary\r\nREGDAT=" + demo + "\\Count\r\nREGDAT=" + demo + "\\List\r\nREGDAT=" + demo +
                "\\Wide\r\nREGDAT=" + demo + "\\Empty\r\nREGDAT=" + HKCU_TEST + "\\Other\\Made\r\n",
            Log());
}

TEST_F(RegistryEntries, DataOfTheFullLengthIsWrittenWhole)
{
  Bytes data(260);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * 7 + 3);
  Open(Concat({ValueEntry(HKCU_TEST + "\\Full", REG_BINARY, data), ListEnd()}));
  EXPECT_EQ(1, InstallRegistryEntries());
  ExpectNoBox();
  const StoredValue stored = ReadValue(HKEY_CURRENT_USER, "Software\\SetupRegistryTest", "Full");
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), stored.Type);
  EXPECT_EQ(data, stored.Data);
}

TEST_F(RegistryEntries, ATextGivenWithoutItsNulIsStoredTerminatedWhateverTheEntryBeforeLeft)
{
  // The longer text before leaves "def" behind where the shorter one ends.
  Open(Concat({ValueEntry(HKCU_TEST + "\\Long", REG_SZ, WithNul("abcdef")),
               ValueEntry(HKCU_TEST + "\\Short", REG_SZ, BytesOf("abc")), ListEnd()}));
  EXPECT_EQ(1, InstallRegistryEntries());
  ExpectNoBox();
  EXPECT_EQ(WithNul("abc"), ReadValue(HKEY_CURRENT_USER, "Software\\SetupRegistryTest", "Short").Data);
}

TEST_F(RegistryEntries, APathEndingInABackslashWritesTheKeysDefaultValue)
{
  Open(Concat({ValueEntry(HKCU_TEST + "\\Demo\\", REG_SZ, WithNul("既定の値")), ListEnd()}));
  EXPECT_EQ(1, InstallRegistryEntries());
  ExpectNoBox();
  const StoredValue stored = ReadValue(HKEY_CURRENT_USER, "Software\\SetupRegistryTest\\Demo", nullptr);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), stored.Type);
  EXPECT_EQ(WithNul("既定の値"), stored.Data);
  EXPECT_EQ("REGDAT=" + HKCU_TEST + "\\Demo\\\r\n", Log());
}

TEST_F(RegistryEntries, AValueWithoutABackslashBelowTheRootIsTheRootsOwnDefaultValue)
{
  SavedRootDefault saved;
  Open(Concat({ValueEntry("HKEY_CLASSES_ROOT\\.setuptest", REG_SZ, WithNul("setuptestfile")), ListEnd()}));
  EXPECT_EQ(1, InstallRegistryEntries());
  ExpectNoBox();
  const StoredValue stored = ReadValue(HKEY_CLASSES_ROOT, "", nullptr);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), stored.Type);
  EXPECT_EQ(WithNul("setuptestfile"), stored.Data);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ".setuptest")) << "the name after the root is not a key";
  EXPECT_EQ("REGDAT=HKEY_CLASSES_ROOT\\.setuptest\r\n", Log());
}

TEST_F(RegistryEntries, DoubleByteNamesAreSplitAtTheirLastRealBackslash)
{
  // ソ and 表 both end in the byte 0x5C.
  Open(Concat({ValueEntry(HKCU_TEST + "\\ソフト\\表示", REG_SZ, WithNul("一")),
               ValueEntry(HKCU_TEST + "\\Demo\\表", REG_DWORD, Bytes{7, 0, 0, 0}), KeyEntry(HKCU_TEST + "\\表\\ソ"),
               ListEnd()}));
  EXPECT_EQ(1, InstallRegistryEntries());
  ExpectNoBox();
  EXPECT_EQ(WithNul("一"), ReadValue(HKEY_CURRENT_USER, "Software\\SetupRegistryTest\\ソフト", "表示").Data);
  EXPECT_EQ((Bytes{7, 0, 0, 0}), ReadValue(HKEY_CURRENT_USER, "Software\\SetupRegistryTest\\Demo", "表").Data);
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\SetupRegistryTest\\表\\ソ"));
  EXPECT_EQ("REGDAT=" + HKCU_TEST + "\\ソフト\\表示\r\nREGDAT=" + HKCU_TEST + "\\Demo\\表\r\nREGKEY=" + HKCU_TEST +
                "\\表\\ソ\r\n",
            Log());
  EXPECT_EQ("HKCU\\Software\\SetupRegistryTest\\表\\ソ", Label());
}

TEST_F(RegistryEntries, APathWithoutAnyBackslashIsSkippedWithNothingWritten)
{
  Open(Concat({KeyEntry("HKEY_CURRENT_USER"), KeyEntry(HKCU_TEST + "\\After"), ListEnd(), Bytes{NEXT_RECORD}}));
  EXPECT_EQ(1, InstallRegistryEntries());
  ExpectNoBox();
  EXPECT_EQ(NEXT_RECORD, ReadByte());
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\SetupRegistryTest\\After"));
  EXPECT_EQ("REGKEY=" + HKCU_TEST + "\\After\r\n", Log());
  // The skipped entry took no progress.
  EXPECT_EQ(1, Position(1));
}

TEST_F(RegistryEntries, AnEmptyListOrOneCutAtItsStartWritesNothing)
{
  Open(Concat({ListEnd(), Bytes{NEXT_RECORD}}));
  EXPECT_EQ(1, InstallRegistryEntries());
  EXPECT_EQ(NEXT_RECORD, ReadByte());
  Open(Bytes{});
  EXPECT_EQ(1, InstallRegistryEntries());
  ExpectNoBox();
  EXPECT_EQ("", Log());
}

// ---------------------------------------------------------------------------
// Roots, the item label and the bars

TEST_F(RegistryEntries, EveryRootIsFoundByItsLongNameAndShownByItsShortName)
{
  struct RootCase {
    const char* LongName;
    const char* ShortName;
    HKEY Root;
    const char* Key;
  };
  const RootCase roots[] = {
      {"HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT, "SetupRegistryTest\\Label"},
      {"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER, "Software\\SetupRegistryTest\\Label"},
      {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE, "Software\\SetupRegistryTest\\Label"},
      {"HKEY_USERS", "HKU", HKEY_USERS, "SetupRegistryTest\\Label"},
      {"HKEY_CURRENT_CONFIG", "HKCC", HKEY_CURRENT_CONFIG, "Software\\SetupRegistryTest\\Label"},
      // Wine keeps nothing under this root of Windows 9x, but lets keys be made.
      {"HKEY_DYN_DATA", "HKDD", nullptr, "Software\\SetupRegistryTest\\Label"},
  };
  for (const RootCase& r : roots) {
    SCOPED_TRACE(r.LongName);
    const std::string path = std::string(r.LongName) + "\\" + r.Key;
    Open(Concat({KeyEntry(path), ListEnd()}));
    SendMessageA(State.Meters.Bars[1], PBM_SETPOS, 0, 0);
    State.Meters.StepsPerBlock[0] = 0;

    EXPECT_EQ(1, InstallRegistryEntries());
    ExpectNoBox();
    EXPECT_EQ(std::string(r.ShortName) + "\\" + r.Key, Label());
    EXPECT_EQ(2, ItemMaximum());
    EXPECT_EQ(2, Position(3));
    EXPECT_EQ(1, Position(1));
    EXPECT_EQ(-5, State.Meters.StepsPerBlock[0]);
    EXPECT_EQ("REGKEY=" + path + "\r\n", Log());
    if (r.Root != nullptr) {
      EXPECT_TRUE(KeyExists(r.Root, r.Key));
    }
  }
}

TEST_F(RegistryEntries, EachEntryStartsTheItemBarAfresh)
{
  Open(Concat({KeyEntry(HKCU_TEST + "\\One"), ValueEntry(HKCU_TEST + "\\Two\\V", REG_DWORD, Bytes{1, 0, 0, 0}),
               KeyEntry(HKCU_TEST + "\\Three"), ListEnd()}));
  EXPECT_EQ(1, InstallRegistryEntries());
  ExpectNoBox();
  EXPECT_EQ("HKCU\\Software\\SetupRegistryTest\\Three", Label());
  EXPECT_EQ(2, Position(3));
  EXPECT_EQ(3, Position(1));
}

TEST_F(RegistryEntries, ARootNameOutsideTheTableStopsTheStepWithItsBox)
{
  const char* const paths[] = {
      "HKLM\\Software\\SetupRegistryTest",               // a short name
      "hkey_current_user\\Software\\SetupRegistryTest",  // another letter case
      "\\Software\\SetupRegistryTest",                   // no root at all
      "HKEY_CURRENT_USERS\\Software\\SetupRegistryTest",
      "HKEY_CURRENT\\Software\\SetupRegistryTest",
      "HKEY_CURRENT_USER \\Software\\SetupRegistryTest",
  };
  for (const char* path : paths) {
    SCOPED_TRACE(path);
    Open(Concat({KeyEntry(path), KeyEntry(HKCU_TEST + "\\After"), ListEnd()}));
    EXPECT_EQ(0, InstallRegistryEntries());
    ExpectErrorBoxes({TXT_UNKNOWN_ROOT});
    // The step stopped before the entry's type byte.
    EXPECT_EQ(0, ReadByte());
    EXPECT_EQ("", Log());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\SetupRegistryTest"));
  }
}

// ---------------------------------------------------------------------------
// Keys and values that cannot be written

TEST_F(RegistryEntries, KeysAndValuesThatCannotBeWrittenAreReportedAndTheListGoesOn)
{
  // Wine refuses every key and value of the performance data root.
  Open(Concat({KeyEntry("HKEY_PERFORMANCE_DATA\\Software\\SetupRegistryTest"),
               ValueEntry("HKEY_PERFORMANCE_DATA\\Software\\SetupRegistryTest\\Name", REG_SZ, WithNul("x")),
               ValueEntry("HKEY_PERFORMANCE_DATA\\Counter", REG_DWORD, Bytes{1, 0, 0, 0}),
               ValueEntry(HKCU_TEST + "\\After", REG_DWORD, Bytes{2, 0, 0, 0}), ListEnd(), Bytes{NEXT_RECORD}}));
  EXPECT_EQ(1, InstallRegistryEntries());
  ExpectErrorBoxes({"ﾚｼﾞｽﾄﾘｷｰの書込みに失敗しました。\n\nSoftware\\SetupRegistryTest",
                    "ﾚｼﾞｽﾄﾘｷｰのｵｰﾌﾟﾝに失敗しました。\n\nSoftware\\SetupRegistryTest",
                    "ﾚｼﾞｽﾄﾘの書込みに失敗しました。\n\n"});
  EXPECT_EQ(NEXT_RECORD, ReadByte());
  EXPECT_EQ((Bytes{2, 0, 0, 0}), ReadValue(HKEY_CURRENT_USER, "Software\\SetupRegistryTest", "After").Data);
  EXPECT_EQ("REGDAT=" + HKCU_TEST + "\\After\r\n", Log());
  // The failed entries still took their progress.
  EXPECT_EQ(4, Position(1));
}

TEST_F(RegistryEntries, ARootsOwnValueThatCannotBeWrittenIsReportedWithoutAName)
{
  Open(Concat({ValueEntry("HKEY_PERFORMANCE_DATA\\表示", REG_SZ, WithNul("x")), ListEnd()}));
  EXPECT_EQ(1, InstallRegistryEntries());
  // No backslash below the root: the value is the root's own, without a name.
  ExpectErrorBoxes({"ﾚｼﾞｽﾄﾘの書込みに失敗しました。\n\n"});
  EXPECT_EQ("", Log());
}

TEST_F(RegistryEntries, CreateRegistryKeyHandsOutAWritableNonVolatileKeyAndLogsIt)
{
  HKEY key = nullptr;
  ASSERT_EQ(1, CreateRegistryKey(HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "SetupRegistryTest\\shell", &key));
  ExpectNoBox();
  ASSERT_NE(nullptr, key);
  EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("open"), 4));
  RegCloseKey(key);
  EXPECT_EQ(WithNul("open"), ReadValue(HKEY_CLASSES_ROOT, "SetupRegistryTest\\shell", nullptr).Data);
  EXPECT_TRUE(TakesNonVolatileChild(HKEY_CLASSES_ROOT, "SetupRegistryTest\\shell"));
  EXPECT_EQ("REGKEY=HKEY_CLASSES_ROOT\\SetupRegistryTest\\shell\r\n", Log());
}

TEST_F(RegistryEntries, CreateRegistryKeyReportsAKeyItCannotMakeAndLogsNothing)
{
  HKEY key = reinterpret_cast<HKEY>(1);
  EXPECT_EQ(0, CreateRegistryKey(HKEY_PERFORMANCE_DATA, "HKEY_PERFORMANCE_DATA", "SetupRegistryTest", &key));
  EXPECT_EQ(nullptr, key);
  ExpectErrorBoxes({"ﾚｼﾞｽﾄﾘｷｰの書込みに失敗しました。\n\nSetupRegistryTest"});
  EXPECT_EQ("", Log());
}

// ---------------------------------------------------------------------------
// Damaged and cut payloads

TEST_F(RegistryEntries, DataLongerThanTheFormatAllowsFailsWithTheDataErrorBox)
{
  Open(Concat({KeyEntry(HKCU_TEST + "\\Before"), ValueEntry(HKCU_TEST + "\\Long", REG_BINARY, Bytes(261, 0x41)),
               KeyEntry(HKCU_TEST + "\\After"), ListEnd()}));
  EXPECT_EQ(0, InstallRegistryEntries());
  ExpectErrorBoxes({TXT_DATA_DAMAGED});
  EXPECT_FALSE(ReadValue(HKEY_CURRENT_USER, "Software\\SetupRegistryTest", "Long").Exists);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\SetupRegistryTest\\After"));
  EXPECT_EQ("REGKEY=" + HKCU_TEST + "\\Before\r\n", Log());
}

TEST_F(RegistryEntries, APayloadCutInsideAValueFailsWithoutABox)
{
  const std::string path = HKCU_TEST + "\\Cut";
  Bytes atLength;
  PutString(atLength, path, 260);
  PutByte(atLength, REG_DWORD);
  PutByte(atLength, 4);
  PutByte(atLength, 0);
  Bytes inData;
  PutString(inData, path, 260);
  PutByte(inData, REG_BINARY);
  PutInt32(inData, 8);
  PutBytes(inData, "abc", 3);
  Bytes atType;
  PutString(atType, path, 260);
  for (const Bytes& payload : {atLength, inData, atType}) {
    Open(payload);
    EXPECT_EQ(0, InstallRegistryEntries());
    ExpectNoBox();
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\SetupRegistryTest"));
    EXPECT_EQ("", Log());
  }
}

TEST_F(RegistryEntries, ACancelConfirmedBeforeAnEntryStopsTheList)
{
  State.CurrentPage = 100;
  Open(Concat({KeyEntry(HKCU_TEST + "\\Cancelled"), ListEnd()}));
  EXPECT_EQ(0, InstallRegistryEntries());
  ExpectNoBox();
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\SetupRegistryTest\\Cancelled"));
  EXPECT_EQ("", Log());
}
