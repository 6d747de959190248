// The uninstaller pool (unins000.exe to unins999.exe of the Windows folder):
// which name the step takes for each kind of file already there, what it
// leaves of the files it passes over, and the refusal of a full pool.
#include <map>
#include "app/state.h"
#include "install/uninstaller.h"
#include "payload/lzw_encode.h"
#include "payload/stream.h"
#include "tests/support/step_fixture.h"

namespace {

const char PRODUCT[] = "アンインストーラ試験";
const unsigned char NEXT_SECTION = 0x5A;

std::string PoolName(int n)
{
  char name[32];
  wsprintfA(name, "\\unins%3.3d.exe", n);
  return WindowsFolder() + name;
}

Bytes Image(const std::string& name) { return ReadWholeFile(ProgramFolder() + "\\" + name + ".exe"); }

Bytes WithTail(Bytes image, const std::string& tail)
{
  image.insert(image.end(), tail.begin(), tail.end());
  return image;
}

void ClearPool()
{
  for (int n = 0; n < 1000; ++n) DeleteFileA(PoolName(n).c_str());
}

}  // namespace

class Uninstaller : public StepFixture {
 protected:
  void SetUp() override
  {
    StepFixture::SetUp();
    ClearPool();
    lstrcpyA(State.ProductName, PRODUCT);
  }
  void TearDown() override
  {
    StepFixture::TearDown();
    ClearPool();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + PRODUCT).c_str());
  }
  // Runs the step over a payload that carries our uninstaller; the section must be read exactly.
  int RunStep()
  {
    Bytes payload;
    PutInt32(payload, static_cast<uint32_t>(ours.size()));
    PutInt32(payload, 0);
    const Bytes body = LzwEncode(ours.data(), ours.size());
    PutBytes(payload, body.data(), body.size());
    PutByte(payload, NEXT_SECTION);
    Open(payload);
    const int result = InstallUninstaller();
    if (result == 1) { EXPECT_EQ(NEXT_SECTION, ReadByte()) << "the image was not read exactly"; }
    return result;
  }
  const Bytes ours = Image("recorder_uninstaller");
};

TEST_F(Uninstaller, TakesTheFirstFreeOrIdenticalNameAndLeavesEveryOtherFileAlone)
{
  const Bytes stale = WithTail(ours, "an older copy of the same uninstaller"), foreign = Image("uninstaller_foreign"),
              noVersion = Image("keepalive"), older = Image("uninstaller_older"), later = Image("uninstaller_later"),
              english = Image("uninstaller_english"), unstopped = Image("uninstaller_unstopped");
  struct Row {
    const char* What;
    std::map<int, Bytes> Before;  // pool files by number
    int Taken;
  };
  const Row rows[] = {
      {"an empty pool", {}, 0},
      {"an identical uninstaller is overwritten in place", {{0, stale}}, 0},
      {"another maker", {{0, foreign}}, 1},
      {"a program without version information", {{0, noVersion}}, 1},
      {"a file that is no program", {{0, BytesOf("これはプログラムではありません")}}, 1},
      {"this engine's uninstaller of version 2.0.0.0", {{0, older}}, 1},
      {"versions 2.0.0.0 and 3.0.0.1", {{0, older}, {1, later}}, 2},
      {"the maker only in the 040904b0 table", {{0, english}}, 1},
      {"the maker without its full stop", {{0, unstopped}}, 1},
      {"a free name before an identical one", {{0, foreign}, {2, ours}}, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.What);
    ClearPool();
    for (const auto& file : row.Before) ASSERT_TRUE(WriteWholeFile(PoolName(file.first), file.second));
    ASSERT_EQ(1, RunStep());
    EXPECT_EQ(0u, Boxes().size());
    EXPECT_EQ(PoolName(row.Taken), State.UninstallerPath);
    EXPECT_TRUE(ours == ReadWholeFile(PoolName(row.Taken))) << "the image was not written whole";
    for (int n = 0; n < 4; ++n) {
      const auto before = row.Before.find(n);
      if (n == row.Taken) continue;
      EXPECT_TRUE((before == row.Before.end() ? Bytes{} : before->second) == ReadWholeFile(PoolName(n))) << n;
    }
  }
}

TEST_F(Uninstaller, FullPoolIsRefusedWithABoxAndItsLastNameIsUsedOnceFree)
{
  for (int n = 0; n < 999; ++n) ASSERT_TRUE(WriteWholeFile(PoolName(n), BytesOf("他社 " + std::to_string(n))));
  const Bytes foreign = Image("uninstaller_foreign");
  ASSERT_TRUE(WriteWholeFile(PoolName(999), foreign));
  EXPECT_EQ(0, RunStep());
  const std::vector<SeenBox> seen = Boxes();
  ASSERT_EQ(1u, seen.size());
  EXPECT_EQ("アンインストーラを置く名前がありません。\n\nWindows フォルダの unins000.exe から unins999.exe までがすべて使われています。",
            seen[0].Text);
  EXPECT_EQ("他社 998", FileText(PoolName(998)));
  EXPECT_TRUE(foreign == ReadWholeFile(PoolName(999)));
  EXPECT_EQ("<no key>", RegistryText(HKEY_LOCAL_MACHINE, std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + PRODUCT, "DisplayName"));
  ASSERT_TRUE(DeleteFileA(PoolName(999).c_str()));
  ASSERT_EQ(1, RunStep());
  EXPECT_EQ(PoolName(999), State.UninstallerPath);
  EXPECT_TRUE(ours == ReadWholeFile(PoolName(999)));
}
