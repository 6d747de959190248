// Merging an older install log into the new one: chosen logs, then a line by
// line reference model over random logs.
#include <gtest/gtest.h>
#include <algorithm>
#include <random>
#include <string>
#include <vector>
#include "app/sjis.h"
#include "install/log_merge.h"

// A line is the bytes before a LF or the end, less one CR at its end.
static std::vector<std::string> Lines(const std::string& log)
{
  std::vector<std::string> lines;
  for (size_t start = 0, end; start < log.size(); start = end + 1) {
    end = std::min(log.find('\n', start), log.size());
    lines.push_back(log.substr(start, end - start - (end > start && log[end - 1] == '\r')));
  }
  return lines;
}

static bool Holds(const std::vector<std::string>& lines, const std::string& line)
{
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& held) {
    return held.size() == line.size() && SameSjisText(held.data(), line.data(), line.size());
  });
}

// The merge as a log reader would do it: only a log of this engine, each
// old line against the whole new log as it grows.
static std::string ReferenceMerge(const std::string& oldLog, std::string newLog)
{
  const std::vector<std::string> old = Lines(oldLog);
  std::string appended;
  if (std::find(old.begin(), old.end(), "AUTHOR=Norvalex") == old.end()) return appended;
  for (const std::string& line : old) {
    if (Holds(Lines(newLog), line)) continue;
    newLog += line + "\r\n";
    appended += line + "\r\n";
  }
  return appended;
}

// Workspace and output exactly as large as promised: an overrun shows under the address sanitizer.
static std::string Merge(const std::string& oldLog, const std::string& newLog)
{
  std::vector<char> workspace(MergeWorkspaceBytes(oldLog.data(), oldLog.size(), newLog.data(), newLog.size()));
  std::vector<char> out(MergeOutputBytes(oldLog.size()));
  const size_t length = MergeLogs(oldLog.data(), oldLog.size(), newLog.data(), newLog.size(), workspace.data(), out.data());
  return std::string(out.data(), std::min(length, out.size()));
}

TEST(LogMerge, KeepsEveryByteComparesLinesAsPathsAndAgreesWithTheModel)
{
  const std::string author = "AUTHOR=Norvalex\r\n";
  const std::string rows[][3] = {  // old, new, appended
      {author + "FILE=C:\\App\\data2\n", author, "FILE=C:\\App\\data2\r\n"},
      {author + "FILE=C:\\App\\last", author, "FILE=C:\\App\\last\r\n"},
      {author + "FILE=C:\\App\\a\r\n", author + "FILE=c:\\app\\A\r\n", ""},
      {author + "FILE=C:\\ア\r\nFILE=C:\\ヂ\r\n", author + "FILE=c:\\ア\r\n", "FILE=C:\\ヂ\r\n"},  // trail bytes 'A', 'a'
  };
  for (const auto& row : rows) EXPECT_EQ(row[2], Merge(row[0], row[1])) << row[0];

  std::mt19937 random(2024);
  const std::string pool[] = {"USER=a", "USER=山田", "SECTION=", "AUTHOR=Norvalex", "AUTHOR=Norvalex ", "AUTHOR=norvalex",
                              "VER=3.00", "FILE=C:\\x", "FILE=c:\\X", "FILE=C:\\表", "FILE=C:\\ア", "FILE=C:\\ヂ",
                              "DLL=C:\\z.dll", "", "REGKEY=HKEY_CURRENT_USER\\S"};
  for (int round = 0; round < 2000; ++round) {
    std::string oldLog, newLog;
    for (int i = random() % 12; i > 0; --i) oldLog += pool[random() % std::size(pool)] + (random() % 7 ? "\r\n" : "\n");
    if (random() % 3 == 0) oldLog += "FILE=C:\\tail";
    for (int i = random() % 8; i > 0; --i) newLog += pool[random() % std::size(pool)] + "\r\n";
    ASSERT_EQ(ReferenceMerge(oldLog, newLog), Merge(oldLog, newLog)) << "old:\n" << oldLog << "\nnew:\n" << newLog;
  }
}
