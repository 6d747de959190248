// Shared files over files placed first with chosen versions: the version
// comparison (as signed numbers), the question before a newer file is
// replaced and each answer's effect, and the SharedDLLs count under the
// short path: new (2 over a file that was there uncounted, for its unknown
// owner) or raised by one, on a reinstallation only for a file the earlier
// log does not list.
#include "app/state.h"
#include "install/shared_files.h"
#include "tests/support/step_fixture.h"

const char SHARED_DLLS[] = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

struct Version { DWORD Ms, Ls; };

static Version V(unsigned major, unsigned minor, unsigned build, unsigned revision)
{
  return {major << 16 | minor, build << 16 | revision};
}

static std::string Question(const std::string& path, const std::string& version)
{
  return "ｲﾝｽﾄｰﾙしようとした共有ﾌｧｲﾙよりも新しいﾌｧｲﾙが既にｼｽﾃﾑに存在します。\n"
         "現在のﾌｧｲﾙをそのまま使用することをお勧めします。\n\nﾌｧｲﾙ名 : " + path + "\nﾌｧｲﾙ ﾊﾞｰｼﾞｮﾝ : " + version +
         "\n\n現在のﾌｧｲﾙをそのまま使いますか ?";
}

class SharedFiles : public StepFixture {};

TEST_F(SharedFiles, NewerInstalledFilesAreKeptOnlyWhenTheUserSaysSo)
{
  const struct {
    const char* Name;
    bool Placed;        // a versioned file is there before
    Version Installed;
    Version Payload;
    int Answer;         // 0: no question
    const char* Shown;  // the installed version in the question
    bool Replaced;
  } rows[] = {
      {"new", false, {}, V(1, 2, 3, 4), 0, "", true},
      {"equal", true, V(3, 0, 0, 0), V(3, 0, 0, 0), 0, "", true},
      {"later build", true, V(3, 0, 0, 0), V(3, 0, 0, 1), 0, "", true},
      {"later minor", true, V(3, 0, 9, 9), V(3, 1, 0, 0), 0, "", true},
      {"signed major", true, V(32768, 0, 0, 0), V(1, 0, 0, 0), 0, "", true},  // 32768.0 stands below 1.0
      {"older, kept", true, V(2, 0, 0, 1), V(2, 0, 0, 0), IDYES, "2.0.1", false},
      {"older word", true, V(4, 0, 1, 2), V(4, 0, 1, 1), IDYES, "4.0.65538", false},
      {"signed build", true, V(3, 0, 65535, 65535), V(3, 0, 65535, 65534), IDYES, "3.0.-1", false},
      {"older, replaced", true, V(4, 0, 1, 2), V(2, 0, 0, 0), IDNO, "4.0.65538", true},
  };
  int n = 0;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Name);
    const std::string path = folder_ / ("Shared Library " + std::to_string(++n) + ".dll");
    const Bytes placed = VersionedStandIn(row.Installed.Ms, row.Installed.Ls), data = BytesOf(path);
    if (row.Placed) { ASSERT_TRUE(WriteWholeFile(path, placed)); }
    Product product;
    product.SharedFiles.push_back({path, row.Payload.Ms, row.Payload.Ls, Source(data)});
    SectionWriter writer(0, 0);
    writer.SharedFiles(product);
    // Installed twice: the count is new, then raised from 4 (set in between) to 5.
    for (const char* count : {row.Placed ? "2" : "1", "5"}) {
      const bool asked = row.Answer != 0 && (*count != '5' || !row.Replaced);
      if (asked) Answer({{"共有ﾌｧｲﾙの上書確認", row.Answer}});
      Open(writer.Out);
      EXPECT_EQ(1, InstallSharedFiles());
      const std::vector<SeenBox> seen = Boxes();
      ASSERT_EQ(asked ? 1u : 0u, seen.size());
      if (asked) {
        EXPECT_EQ(Question(path, row.Shown), seen[0].Text);
        EXPECT_EQ(window_, seen[0].Owner);
      }
      EXPECT_TRUE((row.Replaced ? data : placed) == ReadWholeFile(path));
      EXPECT_NE(path, ShortName(path)) << "the count must be under the short path";
      EXPECT_EQ(count, RegistryText(nullptr, SHARED_DLLS, ShortName(path).c_str()));
      EXPECT_EQ("<no value>", RegistryText(nullptr, SHARED_DLLS, path.c_str()));
      const DWORD four = 4;
      RegSetKeyValueA(HKEY_LOCAL_MACHINE, SHARED_DLLS + 19, ShortName(path).c_str(), REG_DWORD, &four, sizeof four);
      if (*count == '5') RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, SHARED_DLLS + 19, ShortName(path).c_str());
    }
  }
}

TEST_F(SharedFiles, AReinstallationCountsOnlyTheFilesItsEarlierLogDoesNotList)
{
  const std::string listed = folder_ / "Listed.dll", control = folder_ / "Control.ocx", added = folder_ / "Added.dll";
  // Listed in another case, as when the folder was typed so the first time.
  const std::string earlier = "AUTHOR=Norvalex\r\nDLL=" + folder_ / "LISTED.DLL\r\nFILE=" + control + "\r\nFILE=" + added + ".old";
  ASSERT_TRUE(WriteWholeFile(folder_ / "setup.$$$", BytesOf(earlier)));
  Product product;
  const DWORD three = 3;
  for (const std::string& path : {listed, control, added}) {
    ASSERT_TRUE(WriteWholeFile(path, BytesOf(path)));
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, SHARED_DLLS + 19, ShortName(path).c_str(), REG_DWORD, &three, sizeof three);
    product.SharedFiles.push_back({path, 0, 0, Source(BytesOf(path))});
  }
  SectionWriter writer(0, 0);
  writer.SharedFiles(product);
  Open(writer.Out);
  State.AlreadyRegistered = 1;
  State.EarlierLog = CreateFileA("setup.$$$", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(1, InstallSharedFiles());
  CloseHandle(State.EarlierLog);
  for (const auto& [path, count] : {std::pair{listed, "3"}, {control, "3"}, {added, "4"}})
    EXPECT_EQ(count, RegistryText(nullptr, SHARED_DLLS, ShortName(path).c_str())) << path;
}
