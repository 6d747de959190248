// Manifests the builder must refuse, each with a message that names the
// field, its line and the limit; and what an accepted manifest becomes.
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include "app/flags.h"
#include "tools/mksetup/manifest.h"

namespace fs = std::filesystem;

class Manifest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    folder_ = fs::temp_directory_path() / ("mksetup-test-" + std::to_string(getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder_);
    Write("a.txt", "text");
  }
  void TearDown() override { fs::remove_all(folder_); }

  void Write(const std::string& name, const std::string& content)
  {
    fs::create_directories((folder_ / name).parent_path());
    std::ofstream(folder_ / name, std::ios::binary) << content;
  }

  // Loads a manifest made of the minimal product table and `rest`.
  bool Load(const std::string& rest, std::string product = "")
  {
    if (product.empty()) product = "[product]\nname = \"製品\"\ndefault_folder = 'C:\\App'\n";
    Write("product.toml", product + rest);
    error_.clear();
    product_ = Product{};
    return LoadManifest((folder_ / "product.toml").string(), &product_, &error_);
  }

  void ExpectRefused(const std::string& rest, const std::string& field, const std::string& why)
  {
    EXPECT_FALSE(Load(rest)) << rest;
    EXPECT_NE(std::string::npos, error_.find(field)) << error_;
    EXPECT_NE(std::string::npos, error_.find(why)) << error_;
  }

  fs::path folder_;
  Product product_;
  std::string error_;
};

TEST_F(Manifest, MinimalProductTakesItsDefaults)
{
  ASSERT_TRUE(Load("")) << error_;
  EXPECT_EQ("\x90\xBB\x95\x69", product_.Name);  // 製品 in Shift-JIS
  EXPECT_EQ("C:\\App", product_.DefaultFolder);
  EXPECT_EQ(0u, product_.Flags);
  EXPECT_EQ(0x00FF0000u, product_.Top);
  EXPECT_EQ(24, product_.FontSize);
  EXPECT_TRUE(product_.Panel.empty());
  EXPECT_TRUE(product_.Files.empty());
}

TEST_F(Manifest, FeaturesBecomeFlagBits)
{
  ASSERT_TRUE(Load("[features]\nsimple_mode = true\nframed_window = true\nplain_background = true\n"
                   "random_colours = true\nuser_page = true\nreadme_offer = true\nagreement = \"a.txt\"\n"
                   "[shortcuts.desktop]\ntarget = \"x.exe\"\n[shortcuts.start_menu]\ntarget = \"x.exe\"\n"))
      << error_;
  EXPECT_EQ(PF_SIMPLE_MODE | PF_FRAMED_WINDOW | PF_PLAIN_BACKGROUND | PF_RANDOM_COLOURS | PF_USER_PAGE |
                PF_OFFER_README | PF_AGREEMENT_PAGE | PF_DESKTOP_SHORTCUT | PF_STARTMENU_SHORTCUT,
            product_.Flags);
}

TEST_F(Manifest, AgreementTextGetsCrLfAndShiftJis)
{
  Write("license.txt", "\xEF\xBB\xBF一行目\n二行目\r\n");
  ASSERT_TRUE(Load("[features]\nagreement = \"license.txt\"\n")) << error_;
  EXPECT_EQ("\x88\xEA\x8D\x73\x96\xDA\r\n\x93\xF1\x8D\x73\x96\xDA\r\n", product_.Agreement);
}

TEST_F(Manifest, ColoursAreRgbTextOrColorrefNumbers)
{
  ASSERT_TRUE(Load("[screen]\ntop_colour = \"#102030\"\nbottom_colour = 0x00304050\n")) << error_;
  EXPECT_EQ(0x00302010u, product_.Top);
  EXPECT_EQ(0x00304050u, product_.Bottom);
  ExpectRefused("[screen]\ntop_colour = \"blue\"\n", "screen.top_colour (line 5)", "#RRGGBB");
}

TEST_F(Manifest, TextThatJustFitsIsAccepted)
{
  // 21 ASCII bytes and 10 two-byte characters: 41 bytes, the most a name holds.
  ASSERT_TRUE(Load("", "[product]\nname = \"" + std::string(21, 'x') +
                           "あいうえおかきくけこ\"\ndefault_folder = 'C:\\A'\n"))
      << error_;
  EXPECT_EQ(41u, product_.Name.size());
}

TEST_F(Manifest, EveryTextIsCheckedAgainstItsCapacity)
{
  ExpectRefused("[screen]\nfooter = \"" + std::string(41, 'f') + "\"\n", "screen.footer (line 5)",
                "is 41 bytes in Shift-JIS; at most 40 fit");
  ExpectRefused("[screen]\nfont = \"" + std::string(32, 'f') + "\"\n", "screen.font", "at most 31 fit");
  ExpectRefused("[shortcuts.desktop]\nname = \"" + std::string(41, 'n') + "\"\ntarget = \"x\"\n",
                "shortcuts.desktop.name", "at most 40 fit");
  EXPECT_FALSE(Load("", "[product]\nname = \"" + std::string(42, 'x') + "\"\ndefault_folder = 'C:\\A'\n"));
  EXPECT_EQ("product.name (line 2): is 42 bytes in Shift-JIS; at most 41 fit", error_);
}

TEST_F(Manifest, CharacterWithoutShiftJisFormIsRefused)
{
  EXPECT_FALSE(Load("", "[product]\nname = \"Caf\xC3\xA9 \xF0\x9F\x98\x80\"\ndefault_folder = 'C:\\A'\n"));
  EXPECT_NE(std::string::npos, error_.find("product.name (line 2)")) << error_;
  EXPECT_NE(std::string::npos, error_.find("U+00E9")) << error_;
  EXPECT_NE(std::string::npos, error_.find("no Shift-JIS form")) << error_;
}

TEST_F(Manifest, RegistryEntriesAreCheckedBeforeTheyAreWritten)
{
  ExpectRefused("[[registry]]\nkey = 'HKEY_NOWHERE\\Software'\n", "registry[0].key (line 5)",
                "root key HKEY_NOWHERE is not one of");
  ExpectRefused("[[registry]]\nkey = 'HKCU\\Software'\n", "registry[0].key", "root key HKCU");
  ExpectRefused("[[registry]]\nkey = 'HKEY_CURRENT_USER\\S'\nvalue = \"v\"\ntype = \"binary\"\ndata = [" +
                    [] { std::string d; for (int i = 0; i < 261; ++i) d += i ? ",1" : "1"; return d; }() + "]\n",
                "registry[0].data", "is 261 bytes; a value holds at most 260");
  ExpectRefused("[[registry]]\nkey = 'HKEY_CURRENT_USER\\S'\nvalue = \"v\"\ntype = \"qword\"\ndata = 1\n",
                "registry[0].type", "sz, expand_sz, dword, binary or multi_sz");
  ExpectRefused("[[registry]]\nkey = 'HKEY_CURRENT_USER'\n", "registry[0].key", "names only a root key");
}

TEST_F(Manifest, RegistryValuesHoldTheBytesTheSystemStores)
{
  ASSERT_TRUE(Load("[[registry]]\nkey = 'HKEY_CURRENT_USER\\S'\n"
                   "[[registry]]\nkey = 'HKEY_CURRENT_USER\\S'\nvalue = \"\"\ntype = \"sz\"\ndata = \"表\"\n"
                   "[[registry]]\nkey = 'HKEY_CURRENT_USER\\S'\nvalue = \"n\"\ntype = \"dword\"\ndata = 258\n"
                   "[[registry]]\nkey = 'HKEY_CURRENT_USER\\S'\nvalue = \"m\"\ntype = \"multi_sz\"\ndata = [\"a\", \"b\"]\n"))
      << error_;
  ASSERT_EQ(4u, product_.Registry.size());
  EXPECT_EQ("HKEY_CURRENT_USER\\S", product_.Registry[0].Path);
  EXPECT_EQ(0, product_.Registry[0].Type);
  EXPECT_EQ("HKEY_CURRENT_USER\\S\\", product_.Registry[1].Path);
  EXPECT_EQ((Bytes{0x95, 0x5C, 0}), product_.Registry[1].Data);
  EXPECT_EQ((Bytes{2, 1, 0, 0}), product_.Registry[2].Data);
  EXPECT_EQ(4, product_.Registry[2].Type);
  EXPECT_EQ((Bytes{'a', 0, 'b', 0, 0}), product_.Registry[3].Data);
  EXPECT_EQ(7, product_.Registry[3].Type);
}

TEST_F(Manifest, MissingSourcesAreNamed)
{
  ExpectRefused("[[files]]\nsource = \"nothere.txt\"\n", "files[0].source (line 5)", "nothere.txt is missing");
  ExpectRefused("[[files]]\ntree = \"nofolder\"\n", "files[0].tree", "nofolder is missing");
  ExpectRefused("[features]\nagreement = \"gone.txt\"\n", "features.agreement", "gone.txt is missing");
  ExpectRefused("[launch]\nprogram = { embed = \"gone.exe\" }\n", "launch.program.embed", "gone.exe is missing");
}

TEST_F(Manifest, PanelBitmapMustBe24Bit157By226)
{
  auto bitmap = [](int width, int height, int bits) {
    std::string b(54, '\0');
    auto put = [&](int at, uint32_t v) { for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i)); };
    b[0] = 'B';
    b[1] = 'M';
    put(10, 54);
    put(14, 40);
    put(18, static_cast<uint32_t>(width));
    put(22, static_cast<uint32_t>(height));
    b[26] = 1;
    b[28] = static_cast<char>(bits);
    b += std::string(472 * 226, '\x7F');
    return b;
  };
  Write("wide.bmp", bitmap(158, 226, 24));
  ExpectRefused("[screen]\npanel = \"wide.bmp\"\n", "screen.panel (line 5)", "158 x 226 pixels; the panel needs 157 x 226");
  Write("flipped.bmp", bitmap(157, -226, 24));
  ExpectRefused("[screen]\npanel = \"flipped.bmp\"\n", "screen.panel", "stored bottom-up");
  Write("deep.bmp", bitmap(157, 226, 32));
  ExpectRefused("[screen]\npanel = \"deep.bmp\"\n", "screen.panel", "32 bits per pixel");
  Write("good.bmp", bitmap(157, 226, 24));
  ASSERT_TRUE(Load("[screen]\npanel = \"good.bmp\"\n")) << error_;
  EXPECT_EQ(106712u, product_.Panel.size());
  EXPECT_EQ(40, product_.Panel[0]);
}

TEST_F(Manifest, UnknownKeysAndSyntaxErrorsNameTheirLine)
{
  ExpectRefused("[features]\nsimple = true\n", "features.simple (line 5)", "unknown key");
  EXPECT_FALSE(Load("[features\n"));
  EXPECT_NE(std::string::npos, error_.find("(line 4)")) << error_;
}

TEST_F(Manifest, FoldersComeBeforeTheirContents)
{
  Write("tree/b/inner.txt", "1");
  Write("tree/a.txt", "2");
  ASSERT_TRUE(Load("[[files]]\ntree = \"tree\"\ntarget = 'sub\\dir'\n"
                   "[[files]]\nsource = \"a.txt\"\ntarget = 'x\\y\\z.txt'\nattributes = [\"readonly\"]\n"))
      << error_;
  std::vector<std::string> order;
  for (const FileEntry& f : product_.Files) order.push_back((f.Folder ? "D " : "F ") + f.Target);
  const std::vector<std::string> expected = {"D sub", "D sub\\dir", "F sub\\dir\\a.txt", "D sub\\dir\\b",
                                             "F sub\\dir\\b\\inner.txt", "D x", "D x\\y", "F x\\y\\z.txt"};
  EXPECT_EQ(expected, order);
  EXPECT_EQ(0x01u, product_.Files.back().File.Attributes);
}

TEST_F(Manifest, SharedFileVersionComesFromTheManifestOrIsRequired)
{
  ExpectRefused("[[shared]]\npath = 'C:\\x.dll'\nsource = \"a.txt\"\n", "shared[0].version", "no version resource");
  ExpectRefused("[[shared]]\npath = 'C:\\x.dll'\nsource = \"a.txt\"\nversion = \"1.2.3\"\n", "shared[0].version",
                "four numbers");
  ASSERT_TRUE(Load("[[shared]]\npath = 'C:\\x.dll'\nsource = \"a.txt\"\nversion = \"1.2.3.65535\"\n")) << error_;
  EXPECT_EQ(0x00010002u, product_.SharedFiles[0].VersionHigh);
  EXPECT_EQ(0x0003FFFFu, product_.SharedFiles[0].VersionLow);
}

TEST_F(Manifest, RelativeSourcesMayComeFromTheSearchPath)
{
  Write("built/tool.exe", "MZ built");
  Write("product.toml", "[product]\nname = \"p\"\ndefault_folder = 'C:\\A'\n[[files]]\nsource = \"tool.exe\"\n");
  Product product;
  std::string error;
  EXPECT_FALSE(LoadManifest((folder_ / "product.toml").string(), &product, &error));
  EXPECT_NE(std::string::npos, error.find("tool.exe is missing")) << error;
  ASSERT_TRUE(LoadManifest((folder_ / "product.toml").string(), &product, &error, {(folder_ / "built").string()}))
      << error;
  ASSERT_EQ(1u, product.Files.size());
  EXPECT_EQ("MZ built", std::string(product.Files[0].File.Data.begin(), product.Files[0].File.Data.end()));
  // The manifest's own folder comes first.
  Write("tool.exe", "MZ own");
  ASSERT_TRUE(LoadManifest((folder_ / "product.toml").string(), &product, &error, {(folder_ / "built").string()}));
  EXPECT_EQ("MZ own", std::string(product.Files.back().File.Data.begin(), product.Files.back().File.Data.end()));
}
