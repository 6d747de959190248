// Where an install log's lines may reach: every spelling that could name a
// place other than the one it seems to, each kind of line outside its own
// place, and shared or system keys are refused; names whose trail byte is
// '\' (表 95 5C, ソ 83 5C) and paths that differ only in case pass.
#include <gtest/gtest.h>
#include "uninstall/log_lines.h"

static const PathBounds BOUNDS = {
    "C:\\Program Files\\Product", "C:\\Program Files\\Product", {"C:\\WINDOWS", "C:\\WINDOWS\\system32"},
    {"C:\\Users\\me\\Desktop", "C:\\Users\\Public\\Desktop", "C:\\Users\\me\\Programs", ""}, "C:\\Program Files"};

TEST(LogLines, PathsAreActedOnOnlyInTheirKindsOwnPlace)
{
  const struct {
    LineKind Kind;
    const char* Path;
    const char* LongForm;
    PathVerdict Expected;
  } rows[] = {
      {LINE_FILE, "C:\\Program Files\\Product\\bin\\viewer.exe", nullptr, PATH_OWN},
      {LINE_FILE, "c:\\PROGRAM FILES\\product\\viewer.exe", nullptr, PATH_OWN},
      {LINE_FILE, "C:\\Program Files\\Product\\\x95\x5c\\\x83\x5c.txt", nullptr, PATH_OWN},
      {LINE_FILE, "C:\\Program Files\\Product\\a~1.txt", "C:\\Program Files\\Product\\a~1.txt", PATH_OWN},
      {LINE_FILE, "C:\\Program Files\\Product", nullptr, PATH_REFUSED},
      {LINE_FILE, "C:\\Program Files\\Product2\\x.exe", nullptr, PATH_REFUSED},
      {LINE_FILE, "C:\\Users\\me\\Documents\\letter.txt", nullptr, PATH_REFUSED},
      {LINE_FILE, "C:\\Program Files\\Product\\a/../../Other\\x.exe", nullptr, PATH_REFUSED},
      {LINE_FILE, "C:\\Program Files\\Product\\bin.\\x.exe", nullptr, PATH_REFUSED},
      {LINE_FILE, "C:\\Program Files\\Product\\bin \\x.exe", nullptr, PATH_REFUSED},
      {LINE_FILE, "C:\\Program Files\\Product\\x.exe::$DATA", nullptr, PATH_REFUSED},
      {LINE_FILE, "C:\\PROGRA~1\\Product\\x.exe", nullptr, PATH_REFUSED},
      {LINE_FILE, "\\\\?\\C:\\Program Files\\Product\\x.exe", nullptr, PATH_REFUSED},
      {LINE_FILE, "\\\\.\\C:\\Program Files\\Product\\x.exe", nullptr, PATH_REFUSED},
      {LINE_FILE, "\\\\localhost\\C$\\Program Files\\Product\\x.exe", nullptr, PATH_REFUSED},
      {LINE_FILE, "C:\\WINDOWS\\system32\\lib.dll", nullptr, PATH_IF_COUNTED},
      {LINE_FILE, "C:\\Windows/System32\\lib.dll", nullptr, PATH_REFUSED},
      {LINE_FILE, "C:\\Windows.\\lib.dll", nullptr, PATH_REFUSED},
      {LINE_FILE, "C:\\WINDOWS\\SYSTEM~1\\lib.dll", "C:\\WINDOWS\\system32\\lib.dll", PATH_REFUSED},
      {LINE_FOLDER, "C:\\Program Files\\Product\\bin", nullptr, PATH_OWN},
      {LINE_FOLDER, "C:\\Program Files\\Product", nullptr, PATH_REFUSED},
      {LINE_FOLDER, "C:\\WINDOWS\\system32\\sub", nullptr, PATH_REFUSED},
      {LINE_INSTALL_FOLDER, "C:\\PROGRAM FILES\\PRODUCT", nullptr, PATH_OWN},
      {LINE_SHORTCUT, "C:\\Users\\me\\Desktop\\Viewer.lnk", nullptr, PATH_OWN},
      {LINE_SHORTCUT, "C:\\Users\\me\\Programs\\Product\\\x95\x5c.LNK", nullptr, PATH_OWN},
      {LINE_SHORTCUT, "C:\\Users\\Public\\Desktop\\notes.txt", nullptr, PATH_REFUSED},
      {LINE_SHORTCUT, "C:\\Users\\me\\Documents\\x.lnk", nullptr, PATH_REFUSED},
  };
  for (const auto& row : rows) EXPECT_EQ(row.Expected, JudgePath(row.Kind, row.Path, row.LongForm, BOUNDS)) << row.Path;
  // An install folder that is a root or a system folder, or holds one, confines nothing.
  for (const char* folder : {"C:\\", "C:\\Users", "C:\\PROGRA~1", "C:\\WINDOWS"}) {
    PathBounds bounds = BOUNDS;
    bounds.InstallFolder = folder;
    bounds.InstallFolderLong = folder[3] == 'P' ? "C:\\Program Files" : folder;
    const std::string file = std::string(folder) + (folder[3] == '\0' ? "" : "\\") + "Other\\x.exe";
    EXPECT_NE(PATH_OWN, JudgePath(LINE_FILE, file.c_str(), nullptr, bounds)) << file;
  }
}

TEST(LogLines, OnlyKeysBelowSharedOrSystemKeysMayBeTakenBack)
{
  for (const char* key :
       {"HKEY_CURRENT_USER\\Software\\Norvalex\\Product", "hkey_local_machine\\software\\v\\p\\settings",
        "HKEY_CURRENT_USER\\Software\\\x95\x5c\\\x83\x5c", "HKEY_USERS\\S-1-5-21\\Software\\Vendor\\Product",
        "HKEY_CLASSES_ROOT\\CLSID\\{0}", "HKEY_CURRENT_USER\\Control Panel\\Desktop"})
    EXPECT_TRUE(IsRemovableKey(key, strlen(key))) << key;
  for (const char* key :
       {"HKEY_CURRENT_USER", "HKEY_CURRENT_USER\\Software", "HKEY_CLASSES_ROOT\\.txt", "HKEY_CURRENT_USER\\Software\\V",
        "HKEY_USERS\\S-1-5-21\\Software\\V", "HKEY_CURRENT_USER\\Software\\V\\\\P", "HKEY_LOCAL_MACHINE\\SYSTEM\\A\\x",
        "HKEY_LOCAL_MACHINE\\SAM\\SAM\\Domains", "HKEY_LOCAL_MACHINE\\SECURITY\\Policy\\Secrets",
        "HKEY_CURRENT_CONFIG\\Software\\V\\P", "HKEY_LOCAL_MACHINE\\Software\\Classes\\txtfile\\shell",
        "HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\V\\P",
        "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other"})
    EXPECT_FALSE(IsRemovableKey(key, strlen(key))) << key;
}
