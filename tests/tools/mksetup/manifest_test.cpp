// Manifests the builder must refuse, each with a message naming the field,
// its line and the limit (names and paths Windows or the install log would
// misread among them), and texts that just fit: u8, as manifests are UTF-8.
// One table per group of checks: the default folder, references, duplicates,
// files inside a tree, and every mistake of a manifest at once.
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
      {"[[shared]]\npath = '$(SYSDIR)x.dll'\nsource = \"a.txt\"\nversion = \"1.0.0.0\"\n", "shared[0].path (line 5): goes on after $(SYSDIR) without a backslash"},
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
      // What the setup could write but not log for its removal, or not log at all.
      {"[[registry]]\nkey = 'HKEY_CURRENT_USER\\S'\nvalue = \"a\\tb\"\ntype = \"sz\"\ndata = \"1\"\n",
       "registry[0].value (line 6): holds a control character"},
      {"[[registry]]\nkey = 'HKEY_CURRENT_USER\\" + std::string(240, 'k') + "'\n" + "value = \"v\"\ntype = \"sz\"\ndata = \"1\"\n",
       "registry[0].value (line 6): with its key, makes an install-log line of 267 characters; at most 257 fit"},
      {"[[file_types]]\nextension = \"" + std::string(209, 'e') + "\"\n", "file_types[0].extension (line 5): is 209 bytes; at most 208"},
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

namespace {

const std::string HEAD = "[product]\nname = \"x\"\ndefault_folder = 'C:\\App'\n";

// A temporary folder for a manifest and its sources, removed afterwards.
struct Scratch {
  fs::path Folder = fs::temp_directory_path() / ("mksetup-checks-" + std::to_string(getpid()));
  Scratch() { fs::create_directories(Folder); }
  ~Scratch() { fs::remove_all(Folder); }
  std::string Path(const std::string& name) const { return (Folder / name).string(); }
  void Write(const std::string& name, const std::string& bytes) const { std::ofstream(Folder / name) << bytes; }
  // The manifest's refusal, "" when it loads.
  std::string Load(const std::string& text, std::vector<std::string>* warnings = nullptr) const
  {
    Write("product.toml", text);
    Product product;
    std::string error;
    EXPECT_EQ(error.empty(), LoadManifest(Path("product.toml"), &product, &error, {}, warnings));
    return error;
  }
};

}  // namespace

TEST(Manifest, DefaultFolderIsAFullPathUnderTheRulesOfTargets)
{
  const Scratch s;
  const std::pair<std::string, std::string> rows[] = {
      {"$(SYSDRIVE):\\Tsubasa", "starts with the unknown macro $(SYSDRIVE); the macros are $(SYSDIR), $(WINDIR) and $(SYSDRV)"},
      {"$(SYSDRV):\\Tsu*basa", "holds the character *; a file name cannot hold"},
      {"$(SYSDRV):\\..\\Tsubasa", "must not hold a \".\" or \"..\" component"},
      {"$(SYSDRV):\\CON", "names the device CON, which Windows reserves"},
      {"Tsubasa", "is not a full path"},
      {"$(SYSDRV):\\Tsubasa ", "has a component \"Tsubasa \" that ends with a dot or blank"},
      {"$(SYSDRV):\\Tsubasa/Sub", "holds the character /"},
      {"$(SYSDRV):Tsubasa", "is not a full path"},
      {"$(SYSDRV):\\", "is a drive's root"},
      {"$(WINDIR)\\A\\$(SYSDIR)", "holds the macro $(SYSDIR) past its start"},
      {u8"$(SYSDRV):\\翼\\表", ""}, {"\\\\server\\share\\App", ""}, {"$(SYSDIR)\\App", ""}};
  for (const auto& [folder, message] : rows) {
    const std::string error = s.Load("[product]\nname = \"x\"\ndefault_folder = '" + folder + "'\n");
    EXPECT_EQ(message.empty() ? std::string::npos : 0, error.find("product.default_folder (line 3): " + message)) << error;
  }
}

TEST(Manifest, ReferencesNameAFileThatIsInstalledOrCarried)
{
  const Scratch s;
  s.Write("viewer.exe", "MZ");
  s.Write("a.txt", "text");
  s.Write("a.ico", std::string("\0\0\1\0\1\0", 6) + std::string(16, '\0'));
  s.Write("cut.ico", std::string("\0\0\1\0\2\0", 6) + std::string(16, '\0'));
  const std::string files = HEAD + "[[files]]\nsource = \"viewer.exe\"\ntarget = 'bin\\viewer.exe'\n";  // lines 4-6
  const std::string type = "[[file_types]]\nextension = \"v\"\n";                                       // lines 7-8
  const std::pair<std::string, std::string> rows[] = {
      {"[shortcuts.desktop]\ntarget = 'bin\\nothere.exe'\n", "shortcuts.desktop.target (line 8): names bin\\nothere.exe, "
                                                               "which no [[files]] entry installs; install it there, or carry it with { embed = \"file\" }"},
      {"[launch]\nprogram = 'viewer.exe'\n", "launch.program (line 8): names viewer.exe, which no [[files]] entry installs"},
      {type + "icon = 'bin\\viewer.exe'\nopen = { program = 'bin' }\n", "file_types[0].open.program (line 10): names bin, which no"},
      {type + "icon = { embed = \"a.txt\" }\nopen = { program = 'bin\\viewer.exe' }\n",
       "file_types[0].icon.embed (line 9): " + s.Path("a.txt") + " is not an icon file (.ico)"},
      {type + "icon = { embed = \"cut.ico\" }\nopen = { program = 'bin\\viewer.exe' }\n", "is an icon file cut short"},
      {"[shortcuts.desktop]\ntarget = 'BIN\\Viewer.EXE'\n[launch]\nprogram = { embed = \"viewer.exe\" }\n" + type +
           "icon = { embed = \"a.ico\" }\nopen = { program = 'bin\\viewer.exe' }\n", ""}};
  for (const auto& [rest, message] : rows) {
    const std::string error = s.Load(files + rest);
    EXPECT_TRUE(message.empty() ? error.empty() : error.find(message) != std::string::npos) << rest << error;
  }
  std::vector<std::string> warnings;
  EXPECT_EQ("", s.Load(files + type + "icon = 'bin\\viewer.exe'\n", &warnings));
  EXPECT_EQ(std::vector<std::string>{"file_types[0] (line 7): has no open command, so a .v document opens with nothing"}, warnings);
}

TEST(Manifest, DuplicatesAndMixedEntriesAreRefusedNamingBothPlaces)
{
  const Scratch s;
  s.Write("a.txt", "text");
  s.Write("a.ico", std::string("\0\0\1\0\1\0", 6) + std::string(16, '\0'));
  const auto value = [](const char* key, const char* name) {
    return "[[registry]]\nkey = 'HKEY_CURRENT_USER\\" + std::string(key) + "'\nvalue = \"" + name + "\"\ntype = \"dword\"\ndata = 1\n";
  };
  const auto shared = [](const char* path) { return "[[shared]]\npath = '" + std::string(path) + "'\nsource = \"a.txt\"\nversion = \"1.0.0.0\"\n"; };
  const auto type = [](const char* extension) { return "[[file_types]]\nextension = \"" + std::string(extension) + "\"\nicon = { embed = \"a.ico\" }\n"; };
  const std::pair<std::string, std::string> rows[] = {
      {value("S", "v") + value("s", "V"), "registry[1].value (line 11): the value V of HKEY_CURRENT_USER\\s is written twice, first by registry[0].value (line 6)"},
      {shared("$(SYSDIR)\\a.dll") + shared("$(SYSDIR)\\A.DLL"), "shared[1].path (line 9): $(SYSDIR)\\A.DLL is given twice, first by shared[0].path (line 5)"},
      {type("tbs") + type("TBS"), "file_types[1].extension (line 8): TBS is registered twice (Windows does not tell case apart), first by file_types[0].extension (line 5)"},
      {"[[files]]\ntree = \".\"\nsource = \"a.txt\"\n", "files[0] (line 4): give one of tree, source or folder; this entry has tree and source"},
      {"[[files]]\nsource = \"a.txt\"\ntarget = '$(SYSDIR)\\x.dll'\n", "files[0] (line 4): target $(SYSDIR)\\x.dll holds the macro $(SYSDIR), which is expanded only in a [[shared]] path"},
      {value("S", "v") + value("S\\T", "v") + shared("$(SYSDIR)\\a.dll") + shared("$(WINDIR)\\a.dll"), ""}};
  for (const auto& [rest, message] : rows) {
    const std::string error = s.Load(HEAD + rest);
    EXPECT_TRUE(message.empty() ? error.empty() : error.find(message) != std::string::npos) << rest << error;
  }
}

TEST(Manifest, RefusalsOfAFileInATreeNameTheFile)
{
  const Scratch s;
  const std::string tree = s.Path("t") + "/";
  s.Write("a.txt", "text");
  const struct {
    std::string Entry, LinkTo, Message;  // Entry: a file, or a link to LinkTo
  } rows[] = {
      {"e\xE8" "ah", "", tree + "e\\xE8ah: is not UTF-8: the byte 0xE8 at byte 1 starts no UTF-8 character"},
      {u8"😀/a.txt", "", tree + u8"😀: the character U+1F600 \"😀\" at byte 0 has no Shift-JIS form"},
      {std::string(100, 'd') + "/" + u8"表表表表表表表表表表表表表表表表表表表表表表表表表表表表表表表表表表表表表表表表"
                                      u8"表表表表表表表表表表表表表表表表表表表表表表表表表表表表表表表表表表表表表表表表",
       "", u8"表 is too long for its install-log line (270 characters even under \"C:\\\"; at most 257)"},
      {"CON.txt", "", tree + "CON.txt: target CON.txt names the device CON.txt, which Windows reserves"},
      {"a/up", "..", "source folder " + tree + "a/up links back to a folder it lies in (a loop of symbolic links)"},
      {"self", "self", "source " + tree + "self cannot be read: Too many levels of symbolic links"},
      {"../a.txt", "", "source folder " + s.Path("a.txt") + " is a file, not a folder; give one file as source"}};
  for (const auto& row : rows) {
    fs::remove_all(tree);
    fs::create_directories(fs::path(tree + row.Entry).parent_path());
    if (row.LinkTo.empty()) s.Write("t/" + row.Entry, "");
    else fs::create_symlink(row.LinkTo, tree + row.Entry);
    const std::string source = row.Entry == "../a.txt" ? "a.txt" : "t";
    const std::string error = s.Load(HEAD + "[[files]]\ntree = \"" + source + "\"\n");
    EXPECT_EQ(error.find("files[0].tree (line 5): "), 0u) << error;
    EXPECT_NE(error.find(row.Message), std::string::npos) << error;
    EXPECT_EQ(error.find("U+"), error.rfind("U+")) << "a refused folder's files are not judged again: " << error;
  }
  // Two links, each into the other's folder.
  fs::remove_all(tree);
  fs::create_directories(tree + "a");
  fs::create_directories(tree + "b");
  fs::create_symlink("../b", tree + "a/x");
  fs::create_symlink("../a", tree + "b/y");
  const std::string error = s.Load(HEAD + "[[files]]\ntree = \"t\"\n");
  EXPECT_NE(error.find("t/a/x/y links back to a folder it lies in"), std::string::npos) << error;
}

TEST(Manifest, EveryMistakeIsReportedInOneRunInLineOrder)
{
  const Scratch s;
  s.Write("sjis.txt", "\x83\x65\x83\x58\x83\x67");  // テスト in Shift-JIS
  EXPECT_EQ(s.Load(HEAD + "[features]\nagreement = \"sjis.txt\"\n[screen]\ntop_color = 1\n[[file_types]]\nextension = \"v\"\n[screeen]\n"),
            "features.agreement (line 5): is not UTF-8 (it looks like Shift-JIS); convert it with iconv -f CP932 -t UTF-8\n"
            "screen.top_color (line 7): unknown key; screen takes top_colour, bottom_colour, font, font_size, footer and "
            "panel; did you mean `top_colour`?\n"
            "file_types[0].icon (line 8): missing\n"
            "screeen (line 10): unknown section; the sections are product, features, screen, files, shortcuts, shared, "
            "registry, file_types, launch and output; did you mean `screen`?\n" +
                s.Path("product.toml") + ": 4 mistakes");
  Product product;
  std::string error;
  std::vector<std::string> warnings;
  EXPECT_FALSE(LoadManifest(s.Path("none.toml"), &product, &error));
  EXPECT_EQ(s.Path("none.toml") + ": no such file", error);
  EXPECT_FALSE(LoadManifest(s.Path("product.toml"), &product, &error, {"/nonexistent"}, &warnings));
  EXPECT_EQ("-I /nonexistent: no such folder", warnings.at(0));
}
