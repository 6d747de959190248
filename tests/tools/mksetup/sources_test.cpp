// Source trees and files as the builder takes them: what a tree leaves out, by default and by its
// entry's patterns, and the times a file is recorded with.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include "tools/mksetup/sources.h"

namespace fs = std::filesystem;

TEST(Sources, TreesLeaveOutVersionControlBackupsAndWhatTheirPatternsName)
{
  const fs::path root = fs::temp_directory_path() / ("mksetup-tree-" + std::to_string(getpid()));
  for (const char* file : {"keep.txt", "a.BAK", "notes~", ".git/HEAD", "sub/.svn/x", "sub/.hg/x", "sub/CVS/Root",
                           "docs/old/x.pdf", "docs/new.pdf", "sub/docs/old/y.pdf", u8"表/能.txt"}) {
    fs::create_directories((root / file).parent_path());
    std::ofstream(root / file) << "x";
  }
  const struct {
    std::string Pattern, Relative;  // Pattern: "" for none
    bool Kept;
  } rows[] = {
      {"", "keep.txt", true}, {"", "a.BAK", true}, {"", "notes~", false}, {"", ".git", false},
      {"", "sub/.svn", false}, {"", "sub/.hg", false}, {"", "sub/CVS", false},
      {"*.bak", "a.BAK", false},  // letters match in either case
      {"*.bak", "keep.txt", true}, {"?eep.txt", "keep.txt", false},
      {"old", "sub/docs/old", false},  // a name, at any depth
      {"docs\\old", "docs/old", false}, {"docs\\old", "sub/docs/old", true},  // a path, from the root
      {"docs\\*.pdf", "docs/new.pdf", false}, {"docs\\*.pdf", "docs/old/x.pdf", true},  // "*" stops at a backslash
      {"\\docs/n*", "docs/new.pdf", false}, {u8"?.txt", u8"表/能.txt", false},  // "?" is a character, not a byte
  };
  for (const auto& row : rows) {
    std::vector<TreeItem> items;
    size_t leftOut = 0;
    std::string error;
    std::vector<std::string> patterns;
    if (!row.Pattern.empty()) patterns.push_back(row.Pattern);
    ASSERT_TRUE(ListTree(root.string(), patterns, &items, &leftOut, &error)) << error;
    const auto at = [&](const TreeItem& i) { return i.Relative == row.Relative || i.Relative.rfind(row.Relative + "/", 0) == 0; };
    EXPECT_EQ(row.Kept, std::any_of(items.begin(), items.end(), at)) << row.Relative << " with " << row.Pattern;
    EXPECT_TRUE(!row.Pattern.empty() || leftOut == 5) << leftOut << " left out by default, not 5";
  }
  fs::remove_all(root);
}

TEST(Sources, AFileIsRecordedAsLastAccessedWhenItWasWritten)
{
  const std::string path = fs::temp_directory_path() / ("mksetup-times-" + std::to_string(getpid()));
  std::ofstream(path) << "x";
  const timespec times[] = {{1000000000, 0}, {1500000000, 0}};  // accessed, written
  ASSERT_EQ(0, utimensat(AT_FDCWD, path.c_str(), times, 0));
  SourceFile file;
  std::string error;
  ASSERT_TRUE(ReadSourceFile(path, &file, &error)) << error;
  EXPECT_EQ((1500000000 + 11644473600ull) * 10000000, file.LastWrite);
  EXPECT_EQ(file.LastWrite, file.LastAccess) << "the build machine's last reading of the file is recorded";
  fs::remove(path);
}
