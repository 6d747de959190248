// The WININIT.INI edit: where the rename entry goes, what counts as the
// section line, and that every other byte of the old file survives.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "install/wininit.h"

namespace {

const char TARGET[] = "C:\\PROGRA~1\\SAMPLE\\LIB.DLL";
const char SOURCE[] = "C:\\PROGRA~1\\SAMPLE\\LIB.000";
const std::string ENTRY = std::string(TARGET) + "=" + SOURCE + "\r\n";

// The edited file, written into a buffer of exactly the size the edit
// promises, so that a write past it is caught by the address sanitizer.
std::string Edit(const std::string& old, const char* target = TARGET, const char* source = SOURCE)
{
  const size_t capacity = RenameOutputBytes(old.size(), target, source);
  std::vector<char> out(capacity);
  const size_t length = AddRenameEntry(old.data(), old.size(), target, source, out.data());
  EXPECT_LE(length, capacity);
  return std::string(out.data(), length);
}

}  // namespace

TEST(WininitEdit, WithoutAnOldFileTheSectionHoldsOnlyTheNewEntry)
{
  EXPECT_EQ("[rename]\r\n" + ENTRY, Edit(""));
}

TEST(WininitEdit, NewEntryGoesFirstIntoTheExistingSectionAndAllElseStays)
{
  const std::string boot = "[boot]\r\nshell=Explorer.exe\r\n\r\n";
  const std::string older = "C:\\WINDOWS\\OLD.DLL=C:\\WINDOWS\\OLD.000\r\n";
  const std::string after = "[other]\r\nkey=value\r\n";
  EXPECT_EQ(boot + "[rename]\r\n" + ENTRY + older + after,
            Edit(boot + "[rename]\r\n" + older + after));
}

TEST(WininitEdit, OnlyTheFirstOfTwoSectionsGetsTheEntry)
{
  const std::string second = "[rename]\r\nA=B\r\n";
  EXPECT_EQ("[rename]\r\n" + ENTRY + "X=Y\r\n" + second, Edit("[rename]\r\nX=Y\r\n" + second));
}

TEST(WininitEdit, SectionLineMatchesOnlyByteForByteWithItsCrLf)
{
  // Another case, a bare LF, a line end missing, leading blanks or a
  // trailing comment: none of these is the section line, so the old text is
  // kept whole and a new section follows it.
  const std::vector<std::string> unlike = {
      "[Rename]\r\nA=B\r\n", "[RENAME]\r\nA=B\r\n", "[rename]\nA=B\n",
      " [rename]\r\nA=B\r\n", "[rename] ; moves\r\nA=B\r\n", "[rename]\r\r\nA=B\r\n",
  };
  for (const std::string& old : unlike) EXPECT_EQ(old + "[rename]\r\n" + ENTRY, Edit(old)) << old;
}

TEST(WininitEdit, LastLineWithoutLineEndIsClosedBeforeTheNewSection)
{
  EXPECT_EQ("[boot]\r\nshell=x\r\n[rename]\r\n" + ENTRY, Edit("[boot]\r\nshell=x"));
  EXPECT_EQ("[boot]\r\n[rename]\r\n[rename]\r\n" + ENTRY, Edit("[boot]\r\n[rename]"));
  EXPECT_EQ("x\n[rename]\r\n" + ENTRY, Edit("x\n"));
}

TEST(WininitEdit, ALastLineWithoutLineEndAfterTheSectionStaysAsItWas)
{
  EXPECT_EQ("[rename]\r\n" + ENTRY + "A=B", Edit("[rename]\r\nA=B"));
  EXPECT_EQ("[rename]\r\n" + ENTRY, Edit("[rename]\r\n"));
}

TEST(WininitEdit, LinesOfAnyLengthAndAnyBytesAreCopiedUnchanged)
{
  std::string longBefore(70000, 'b');
  std::string longAfter(150000, 'a');
  for (size_t i = 0; i < longAfter.size(); i += 97) longAfter[i] = static_cast<char>(i % 256);
  for (char& c : longAfter)
    if (c == '\n') c = 'n';
  longBefore[5] = '\0';
  const std::string old = "[boot]\r\n" + longBefore + "\r\n[rename]\r\n" + longAfter + "\r\nend";
  EXPECT_EQ("[boot]\r\n" + longBefore + "\r\n[rename]\r\n" + ENTRY + longAfter + "\r\nend", Edit(old));
}

TEST(WininitEdit, ShiftJisNamesWhoseTrailBytesAreBackslashesAreWrittenAsGiven)
{
  // ソ and 表 end in the byte 0x5C.
  const char target[] = "C:\\ソフト\\表.DLL";
  const char source[] = "C:\\ソフト\\表.000";
  EXPECT_EQ(std::string("[rename]\r\n") + target + "=" + source + "\r\n", Edit("", target, source));
  EXPECT_EQ(0x5C, static_cast<unsigned char>(target[4]));
}

TEST(WininitEdit, OutputNeverExceedsItsPromisedSize)
{
  // The largest growth: a last line without LF and no section.
  const std::string old = "no line end";
  EXPECT_EQ(RenameOutputBytes(old.size(), TARGET, SOURCE), Edit(old).size());
}
