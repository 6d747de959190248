// Merging an older install log into the new one, checked against a line by
// line reference model over random logs.
#include <gtest/gtest.h>
#include <algorithm>
#include <random>
#include <string>
#include <vector>
#include "install/log_merge.h"

// A line is the bytes before a LF without the last of them; a last line without LF is none.
static std::vector<std::string> Lines(const std::string& log)
{
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = log.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(end == start ? "" : log.substr(start, end - start - 1));
  return lines;
}

// The merge as a log reader would do it: only a log of this engine, each
// old line against the whole new log as it grows.
static std::string ReferenceMerge(const std::string& oldLog, std::string newLog)
{
  const std::vector<std::string> old = Lines(oldLog);
  std::string appended;
  if (std::find(old.begin(), old.end(), "AUTHOR=Norvalex") == old.end()) return appended;
  for (const std::string& line : old) {
    const std::vector<std::string> lines = Lines(newLog);
    if (std::find(lines.begin(), lines.end(), line) != lines.end()) continue;
    newLog += line + "\r\n";
    appended += line + "\r\n";
  }
  return appended;
}

TEST(LogMerge, AgreesWithTheLineByLineModelOnRandomLogs)
{
  std::mt19937 random(2024);
  const char* pool[] = {"USER=a", "USER=山田", "SECTION=", "AUTHOR=Norvalex", "AUTHOR=Norvalex ", "AUTHOR=norvalex",
                        "VER=3.00", "FILE=C:\\x", "FILE=C:\\表", "DLL=C:\\z.dll", "", "REGKEY=HKEY_CURRENT_USER\\S"};
  for (int round = 0; round < 2000; ++round) {
    std::string oldLog, newLog;
    for (int i = random() % 12; i > 0; --i) oldLog += std::string(pool[random() % 12]) + (random() % 7 ? "\r\n" : "\n");
    if (random() % 3 == 0) oldLog += "FILE=C:\\tail";
    for (int i = random() % 8; i > 0; --i) newLog += std::string(pool[random() % 12]) + "\r\n";
    // Workspace and output exactly as large as promised: an overrun shows under the address sanitizer.
    std::vector<char> workspace(MergeWorkspaceBytes(oldLog.data(), oldLog.size(), newLog.data(), newLog.size()));
    std::vector<char> out(MergeOutputBytes(oldLog.size()));
    const size_t length = MergeLogs(oldLog.data(), oldLog.size(), newLog.data(), newLog.size(), workspace.data(), out.data());
    ASSERT_LE(length, out.size());
    ASSERT_EQ(ReferenceMerge(oldLog, newLog), std::string(out.data(), length)) << "old:\n" << oldLog << "\nnew:\n" << newLog;
  }
}
