// Merging an older install log into the new one.
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>
#include "install/log_merge.h"

namespace {

std::string Merge(const std::string& oldLog, const std::string& newLog)
{
  std::vector<char> workspace(MergeWorkspaceBytes(oldLog.data(), oldLog.size(), newLog.data(), newLog.size()));
  std::string out(MergeOutputBytes(oldLog.size()), '\0');
  out.resize(MergeLogs(oldLog.data(), oldLog.size(), newLog.data(), newLog.size(), workspace.data(), &out[0]));
  return out;
}

// The merge as a log reader would do it, one line at a time against the
// whole new log each time: the behaviour the fast merge must reproduce.
std::vector<std::string> Lines(const std::string& log)
{
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < log.size(); ++i) {
    if (log[i] != '\n') continue;
    lines.push_back(i == start ? "" : log.substr(start, i - start - 1));
    start = i + 1;
  }
  return lines;
}

std::string ReferenceMerge(const std::string& oldLog, std::string newLog)
{
  bool ours = false;
  for (const std::string& line : Lines(oldLog)) ours = ours || line == "AUTHOR=Norvalex";
  if (!ours) return "";
  std::string appended;
  for (const std::string& line : Lines(oldLog)) {
    bool found = false;
    for (const std::string& existing : Lines(newLog)) found = found || existing == line;
    if (!found) {
      newLog += line + "\r\n";
      appended += line + "\r\n";
    }
  }
  return appended;
}

const std::string HEAD = "USER=山田\r\nSECTION=表計算\r\nAUTHOR=Norvalex\r\nVER=3.00\r\n";

}  // namespace

TEST(LogMerge, SameUserAddsOnlyWhatTheNewLogLacks)
{
  const std::string oldLog = HEAD + "IFOLDER=C:\\App\r\nFILE=C:\\App\\a.txt\r\nFILE=C:\\App\\old.txt\r\n";
  const std::string newLog = HEAD + "FILE=C:\\App\\a.txt\r\n";
  EXPECT_EQ("IFOLDER=C:\\App\r\nFILE=C:\\App\\old.txt\r\n", Merge(oldLog, newLog));
}

TEST(LogMerge, AnotherUsersHeadLinesAreCarriedOver)
{
  const std::string oldLog = "USER=佐藤\r\nSECTION=\r\nAUTHOR=Norvalex\r\nVER=2.10\r\n";
  EXPECT_EQ("USER=佐藤\r\nSECTION=\r\nVER=2.10\r\n", Merge(oldLog, HEAD));
}

TEST(LogMerge, OnlyLogsOfThisEngineAreMerged)
{
  for (const char* author : {"AUTHOR=Other", "AUTHOR=Norvalex ", "AUTHOR=norvalex", "AUTHOR=Norvalex."}) {
    const std::string oldLog = std::string("USER=x\r\n") + author + "\r\nFILE=C:\\x\r\n";
    EXPECT_EQ("", Merge(oldLog, HEAD)) << author;
  }
  EXPECT_EQ("", Merge("FILE=C:\\x\r\n", HEAD));
  // The mark may stand anywhere.
  EXPECT_EQ("FILE=C:\\x\r\n", Merge("FILE=C:\\x\r\nAUTHOR=Norvalex\r\n", HEAD));
}

TEST(LogMerge, LastLineWithoutLineEndIsLost)
{
  EXPECT_EQ("FILE=C:\\kept\r\n", Merge("AUTHOR=Norvalex\r\nFILE=C:\\kept\r\nFILE=C:\\lost", HEAD));
}

TEST(LogMerge, RepeatedAndEmptyLinesAreAppendedOnce)
{
  EXPECT_EQ("FILE=C:\\twice\r\n\r\n",
            Merge("AUTHOR=Norvalex\r\nFILE=C:\\twice\r\nFILE=C:\\twice\r\n\r\n\r\n", HEAD));
}

TEST(LogMerge, LineEndsAreTakenAsTheLastByteBeforeTheLineFeed)
{
  // A bare LF still drops the byte before it, as a reader of CR LF lines does.
  EXPECT_EQ("FILE=C:\\a\r\n", Merge("AUTHOR=Norvalex\r\nFILE=C:\\ab\n", HEAD));
}

TEST(LogMerge, AgreesWithLineByLineMergeOnRandomLogs)
{
  std::mt19937 random(2024);
  const char* pool[] = {"USER=a", "USER=b", "SECTION=", "AUTHOR=Norvalex", "VER=3.00", "VER=2.00",
                        "FILE=C:\\x", "FILE=C:\\y", "DLL=C:\\z.dll", "", "REGKEY=HKEY_CURRENT_USER\\S"};
  for (int round = 0; round < 500; ++round) {
    std::string oldLog, newLog;
    for (int i = random() % 12; i > 0; --i) oldLog += std::string(pool[random() % 11]) + (random() % 7 ? "\r\n" : "\n");
    if (random() % 3 == 0) oldLog += "FILE=C:\\tail";
    for (int i = random() % 8; i > 0; --i) newLog += std::string(pool[random() % 11]) + "\r\n";
    ASSERT_EQ(ReferenceMerge(oldLog, newLog), Merge(oldLog, newLog)) << "old:\n" << oldLog << "\nnew:\n" << newLog;
  }
}
