// The uninstaller pool (unins000.exe to unins999.exe of the Windows folder):
// which name the step takes for each kind of file already there or planned
// to go at the next start, what it leaves of the files it passes over, and
// the refusal of a full pool and of a list of moves it cannot read.
#include <algorithm>
#include <map>
#include "app/state.h"
#include "app/texts.h"
#include "install/uninstaller.h"
#include "payload/stream.h"
#include "tests/support/step_fixture.h"

const char PRODUCT[] = "アンインストーラ試験";
const std::string ENTRY = std::string("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + PRODUCT;

static std::string PoolName(int n)
{
  char name[32];
  wsprintfA(name, "\\unins%3.3d.exe", n);
  return WindowsFolder() + name;
}

// An empty pool and no Uninstall entry of the product.
static void ClearPool()
{
  for (int n = 0; n < 1000; ++n) DeleteFileA(PoolName(n).c_str());
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, ENTRY.c_str() + 19);
}

// The stand-in uninstaller with one text of its version resource changed
// into another as long: it then differs from ours in that point alone.
static Bytes Edited(const std::string& from, const std::string& to)
{
  Bytes image = VersionedStandIn(0x30000, 0), wideFrom, wideTo;
  for (char c : from) wideFrom.insert(wideFrom.end(), {static_cast<unsigned char>(c), 0});
  for (char c : to) wideTo.insert(wideTo.end(), {static_cast<unsigned char>(c), 0});
  const auto at = std::search(image.begin(), image.end(), wideFrom.begin(), wideFrom.end());
  if (at != image.end()) std::copy(wideTo.begin(), wideTo.end(), at);
  return image;
}

class Uninstaller : public StepFixture {
 protected:
  void TearDown() override
  {
    StepFixture::TearDown();
    ClearPool();
  }
  // Runs the step over a file list that carries our uninstaller; the section must be read exactly.
  int RunStep(const char* name = PRODUCT, size_t cut = 0)
  {
    lstrcpyA(State.ProductName, name);
    Product product;
    product.Uninstaller = ours;
    product.Files.push_back({"next", true, {}});
    SectionWriter writer(0, 0);
    writer.FileList(product);
    writer.Out.resize(writer.Out.size() - cut);
    Open(writer.Out);
    const int result = InstallUninstaller();
    if (result == 1) { EXPECT_EQ('n', ReadByte()) << "the image was not read exactly"; }
    return result;
  }
  const Bytes ours = VersionedStandIn(0x30000, 0);
};

// The first `count` names held by another maker's files, then `more`.
static std::map<int, Bytes> Others(int count, std::map<int, Bytes> more = {})
{
  for (int n = 0; n < count; ++n) more[n] = BytesOf("他社 " + std::to_string(n));
  return more;
}

TEST_F(Uninstaller, TakesTheFirstFreeOrIdenticalNameAndLeavesEveryOtherFileAlone)
{
  Bytes stale = ours;
  stale.push_back('!');
  const Bytes foreign = Edited("Norvalex.", "Morvalex."), older = VersionedStandIn(0x20000, 0);
  const struct {
    const char* What;
    std::map<int, Bytes> Before;  // pool files by number
    int Taken;                    // -1: refused
    std::string Wininit = "";     // WININIT.INI while the step runs
  } rows[] = {
      {"an identical uninstaller is overwritten in place", {{0, stale}}, 0},
      {"another maker", {{0, foreign}}, 1},
      {"a program without version information", {{0, ReadWholeFile(ProgramFolder() + "\\keepalive.exe")}}, 1},
      {"a file that is no program", {{0, BytesOf("これはプログラムではありません")}}, 1},
      {"this engine's uninstaller of version 2.0.0.0", {{0, older}}, 1},
      {"versions 2.0.0.0 and 3.0.0.1", {{0, older}, {1, VersionedStandIn(0x30000, 1)}}, 2},
      {"the maker only in the 040904b0 table", {{0, Edited("041104b0", "040904b0")}}, 1},
      {"the maker without its full stop", {{0, Edited("Norvalex.", std::string("Norvalex\0", 9))}}, 1},
      {"a free name before an identical one", {{0, foreign}, {2, ours}}, 1},
      {"a full pool", Others(999, {{999, foreign}}), -1},
      {"only the last name free", Others(999), 999},
      {"a free name that WININIT.INI deletes", {}, 1, "[rename]\r\nNUL=" + PoolName(0) + "\r\n"},
  };
  const std::string ini = WindowsFolder() + "\\WININIT.INI";
  for (const auto& row : rows) {
    SCOPED_TRACE(row.What);
    ClearPool();
    for (const auto& file : row.Before) ASSERT_TRUE(WriteWholeFile(PoolName(file.first), file.second));
    ASSERT_TRUE(row.Wininit.empty() || WriteWholeFile(ini, BytesOf(row.Wininit)));
    ASSERT_EQ(row.Taken >= 0 ? 1 : 0, RunStep());
    DeleteFileA(ini.c_str());
    const std::vector<SeenBox> seen = Boxes();
    if (row.Taken < 0) {
      ASSERT_EQ(1u, seen.size());
      EXPECT_EQ("アンインストーラを置く名前がありません。\n\nWindows フォルダの unins000.exe から unins999.exe までがすべて使われています。",
                seen[0].Text);
      EXPECT_EQ("<no key>", RegistryText(nullptr, ENTRY, "DisplayName"));
    } else {
      EXPECT_EQ(0u, seen.size());
      EXPECT_EQ(PoolName(row.Taken), State.UninstallerPath);
      EXPECT_TRUE(ours == ReadWholeFile(PoolName(row.Taken))) << "the image was not written whole";
    }
    std::map<int, Bytes> after = row.Before;
    for (int n = 0; n < 4; ++n) after.emplace(n, Bytes{});  // and no file beside the one taken
    after.erase(row.Taken);
    for (const auto& file : after) EXPECT_TRUE(file.second == ReadWholeFile(PoolName(file.first))) << file.first;
  }
  // Others' entries name a same-version uninstaller: a cut image leaves it whole and nothing beside it.
  ClearPool();
  ASSERT_TRUE(WriteWholeFile(PoolName(0), stale));
  EXPECT_EQ(0, RunStep(PRODUCT, 100));
  EXPECT_TRUE(stale == ReadWholeFile(PoolName(0)) && ReadWholeFile(PoolName(1)).empty());
  WIN32_FIND_DATAA found;
  EXPECT_EQ(INVALID_HANDLE_VALUE, FindFirstFileA((WindowsFolder() + "\\uns*.tmp").c_str(), &found));
  // A list of moves that cannot be read vouches for no name.
  ClearPool();
  ASSERT_TRUE(CreateDirectoryA(ini.c_str(), nullptr));
  EXPECT_EQ(0, RunStep());
  RemoveDirectoryA(ini.c_str());
  ExpectOneErrorAbout("Windows の次回起動時に移動・削除されるファイルの一覧 (WININIT.INI) を読み取れませんでした。");
  EXPECT_TRUE(ReadWholeFile(PoolName(0)).empty());
  // A product name that would nest the Uninstall key or break its quotes is damaged data.
  for (const char* name : {"", "製品\\入れ子", "引用\"符"}) {
    ClearPool();
    EXPECT_EQ(0, RunStep(name));
    ExpectOneErrorAbout(TXT_DATA_DAMAGED);
    EXPECT_TRUE(ReadWholeFile(PoolName(0)).empty()) << name;
  }
}
