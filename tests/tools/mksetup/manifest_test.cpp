// Manifests the builder must refuse, each with a message naming the field,
// its line and the limit (names and paths Windows or the install log would
// misread among them), and texts that just fit: u8, as manifests are UTF-8.
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include "tools/mksetup/manifest.h"

namespace fs = std::filesystem;

TEST(Manifest, RefusalsNameTheFieldItsLineAndTheLimit)
{
  const fs::path folder = fs::temp_directory_path() / ("mksetup-test-" + std::to_string(getpid()));
  fs::create_directories(folder);
  std::ofstream(folder / "a.txt") << "text";
  // "BM", offset 54, header size 40, 158 x 226 pixels, 1 plane, 24 bits
  std::ofstream(folder / "wide.bmp") << std::string("BM\0\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x9E\0\0\0\xE2\0\0\0\1\0\x18\0", 30)
                                     << std::string(24 + 472 * 226, '\x7F');
  std::string data = "1";
  for (int i = 1; i < 261; ++i) data += ",1";
  const std::string value = "[[registry]]\nkey = 'HKEY_CURRENT_USER\\S'\nvalue = \"v\"\n";
  const auto file = [](const std::string& target) { return "[[files]]\nsource = \"a.txt\"\ntarget = '" + target + "'\n"; };
  const struct {
    std::string Rest, Message, Name = u8"製品", Folder = "C:\\App";  // Rest: line 4 on; Message: "" where none
  } rows[] = {
      {"[screen]\nfooter = \"" + std::string(41, 'f') + "\"\n", "screen.footer (line 5): is 41 bytes in Shift-JIS; at most 40 fit"},
      {"[screen]\ntop_colour = \"blue\"\n", "screen.top_colour (line 5): a colour is"},
      {"[screen]\npanel = \"wide.bmp\"\n", "screen.panel (line 5): panel bitmap"},
      {"[screen]\npanel = \"wide.bmp\"\n", "is 158 x 226 pixels; the panel needs 157 x 226"},
      {"[[registry]]\nkey = 'HKEY_NOWHERE\\Software'\n", "registry[0].key (line 5): the root key HKEY_NOWHERE is not one of"},
      {value + "type = \"binary\"\ndata = [" + data + "]\n", "registry[0].data (line 8): is 261 bytes; a value holds at most 260"},
      {value + "type = \"qword\"\ndata = 1\n", "registry[0].type (line 7): is sz, expand_sz, dword, binary or multi_sz"},
      {"[launch]\nprogram = { embed = \"gone.exe\" }\n", "launch.program.embed (line 5)"},
      {"[[shared]]\npath = 'C:\\x.dll'\nsource = \"a.txt\"\n", "shared[0].version"},
      {"[features]\nsimple = true\n", "features.simple (line 5): unknown key"},
      {file("..\\evil.exe"), "files[0] (line 4): target ..\\evil.exe must not hold a \".\" or \"..\" component"},
      {file("\\windows\\evil.dll"), "must not start with a backslash"},
      {file("a/b.txt"), "holds the character /"},
      {file("docs\\CON.txt"), "names the device CON.txt"},
      {file("lpt1"), "names the device lpt1"},
      {file("name."), "ends with a dot or blank"},
      {file("C:evil.exe"), "names a drive"},
      {file("C:\\AUTOEXEC.BAT"), "files[0] (line 4): target C:\\AUTOEXEC.BAT names a drive"},
      {file("a.txt:evil"), "holds the character :"},
      {"", "product.default_folder (line 3): is not a full path", "x", "Apps\\Demo"},
      {"", "product.default_folder (line 3): is not a full path", "x", "$(SYSDRV)Demo"},
      {file("SETUP.INF"), "is the name of the install log"},
      {file(std::string(250, 'x')), "is too long for its install-log line"},
      {file("Readme.txt") + file("README.TXT"), "files[1] (line 7): target README.TXT differs only in case from Readme.txt"},
      {"[shortcuts.desktop]\nname = \"a:b\"\ntarget = 'x.exe'\n", "shortcuts.desktop.name (line 5): holds the character :"},
      {"[shortcuts.desktop]\nname = \"a\"\ntarget = '..\\x.exe'\n", "shortcuts.desktop.target (line 6): must not hold"},
      {"[[registry]]\nkey = 'HKEY_CURRENT_USER\\S'\nvalue = 'a\\b'\ntype = \"sz\"\ndata = \"1\"\n",
       "registry[0].value (line 6): a value name cannot hold a backslash"},
      {"[[registry]]\nkey = 'HKEY_CURRENT_USER\\S\\'\n", "registry[0].key (line 5): has an empty component"},
      {"", "product.name (line 2): is 42 bytes in Shift-JIS; at most 41 fit", std::string(42, 'x')},
      {"", "product.name (line 2): the character U+00E9", "Caf\xC3\xA9"},
      {"", "product.name (line 2): holds the character \\", "A\\\\B"},
      {"", "product.default_folder (line 3): must not be empty", "x", ""},
      // 41 bytes in Shift-JIS, the most a name holds; 表 and 能 end in the byte of '\'.
      {file(u8"docs\\一覧表") + u8"[[registry]]\nkey = 'HKEY_CURRENT_USER\\Software\\機能'\n", "",
       std::string(21, 'x') + u8"あいうえおかきくけこ"},
  };
  for (const auto& row : rows) {
    std::ofstream(folder / "product.toml")
        << "[product]\nname = \"" + row.Name + "\"\ndefault_folder = '" + row.Folder + "'\n" + row.Rest;
    Product product;
    std::string error;
    const bool loaded = LoadManifest((folder / "product.toml").string(), &product, &error);
    EXPECT_EQ(row.Message.empty(), loaded) << row.Rest << error;
    EXPECT_NE(std::string::npos, error.find(row.Message)) << row.Rest << error;
    EXPECT_TRUE(!loaded || !row.Message.empty() || product.Name.size() == 41) << "a name of 41 bytes in Shift-JIS";
  }

  // Japanese Windows reads a text file without a byte-order mark as Shift-JIS: UTF-8 ones are named in a warning.
  const std::pair<std::string, std::string> texts[] = {
      {"utf8.txt", u8"日本語"}, {"ReadMe", u8"Café"}, {"marked.ini", u8"\uFEFF日本語"}, {"sjis.txt", "日本語 ｶﾅ"},
      {"ascii.ini", "[a]"}, {"cut.txt", u8"日本語\xE6\x97"}, {"surrogate.txt", "\xED\xA0\x80"}, {"utf8.dat", u8"日本語"}};
  std::string list;
  for (const auto& [name, text] : texts) {
    std::ofstream(folder / name) << text;
    list += "[[files]]\nsource = \"" + name + "\"\n";
  }
  std::ofstream(folder / "product.toml") << "[product]\nname = \"x\"\ndefault_folder = 'C:\\App'\n" + list;
  Product product;
  std::string error;
  std::vector<std::string> warnings;
  ASSERT_TRUE(LoadManifest((folder / "product.toml").string(), &product, &error, {}, &warnings)) << error;
  ASSERT_EQ(2u, warnings.size());
  EXPECT_NE(std::string::npos, warnings[0].find("files[0] (line 4): " + (folder / "utf8.txt").string() + " holds UTF-8 text"));
  EXPECT_NE(std::string::npos, warnings[1].find("ReadMe holds UTF-8 text without a byte-order mark")) << warnings[1];
  fs::remove_all(folder);
}
