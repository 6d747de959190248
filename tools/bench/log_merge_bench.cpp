// log_merge_bench: times the install-log merge on two generated logs of the
// same product (an older and a newer install) that share half their lines.
// Prints the median of the timed runs after a warm-up; the appended lines
// are checked against the ones expected, and a mismatch exits 1.
//
//   log_merge_bench [--lines N] [--runs N] [--smoke]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "install/log_merge.h"

namespace {

// Head lines as the engine writes them.
std::string Head()
{
  return std::string("USER=\r\nSECTION=\r\n") + LOG_AUTHOR_LINE + "\r\nVER=3.00\r\nIFOLDER=C:\\Program Files\\Product\r\n";
}
const size_t HEAD_LINES = 5;

// One file line of the product; files live in 50 folders.
std::string FileLine(size_t n)
{
  char line[128];
  snprintf(line, sizeof line, "FILE=C:\\Program Files\\Product\\dir%02zu\\file%04zu.txt\r\n", n % 50, n);
  return line;
}

struct Logs {
  std::string Old;
  std::string New;
  std::string Expected;  // what the merge appends: the old log's lines the new lacks
  size_t OldOnly = 0;
};

// Both logs have `lines` lines. The old install's files are 0..F-1, the new
// one's F/2..F/2+F-1: the second half of the old files is shared.
Logs MakeLogs(size_t lines)
{
  Logs logs;
  const size_t files = lines - HEAD_LINES;
  logs.Old = Head();
  logs.New = Head();
  for (size_t i = 0; i < files; ++i) {
    logs.Old += FileLine(i);
    logs.New += FileLine(files / 2 + i);
    if (i < files / 2) {
      logs.Expected += FileLine(i);
      ++logs.OldOnly;
    }
  }
  return logs;
}

double Median(std::vector<double> values)
{
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

long Number(const char* text, long low, long high)
{
  char* end = nullptr;
  const long value = strtol(text, &end, 10);
  return end != text && *end == '\0' && value >= low && value <= high ? value : -1;
}

int Usage()
{
  fprintf(stderr, "usage: log_merge_bench [--lines N (10-10000000)] [--runs N (1-999)] [--smoke]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv)
{
  long lines = 10000, runs = 21;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--smoke") {
      lines = 100;
      runs = 1;
    } else if ((option == "--lines" || option == "--runs") && i + 1 < argc) {
      const long value = option == "--lines" ? Number(argv[++i], 10, 10000000) : Number(argv[++i], 1, 999);
      if (value < 0) return Usage();
      (option == "--lines" ? lines : runs) = value;
    } else {
      return Usage();
    }
  }

  const Logs logs = MakeLogs(static_cast<size_t>(lines));
  const char* oldLog = logs.Old.data();
  const char* newLog = logs.New.data();
  const size_t oldSize = logs.Old.size(), newSize = logs.New.size();
  std::vector<char> out(MergeOutputBytes(oldSize));
  std::vector<char> workspace;

  using Clock = std::chrono::steady_clock;
  std::vector<double> whole, mergeOnly;
  size_t appended = 0;
  for (long run = 0; run <= runs; ++run) {  // run 0 is the warm-up
    const auto start = Clock::now();
    // Sized and allocated as the engine does it on every merge.
    workspace.assign(MergeWorkspaceBytes(oldLog, oldSize, newLog, newSize), 0);
    const auto sized = Clock::now();
    appended = MergeLogs(oldLog, oldSize, newLog, newSize, workspace.data(), out.data());
    const auto end = Clock::now();
    if (appended != logs.Expected.size() || memcmp(out.data(), logs.Expected.data(), appended) != 0) {
      printf("log merge: the appended lines differ from the expected %zu lines\n", logs.OldOnly);
      return 1;
    }
    if (run == 0) continue;
    whole.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    mergeOnly.push_back(std::chrono::duration<double, std::milli>(end - sized).count());
  }

  printf("Install log merge: two logs of %ld lines (%zu and %zu bytes), half shared; %zu lines appended\n",
         lines, oldSize, newSize, logs.OldOnly);
  printf("median of %ld run%s after a warm-up\n", runs, runs == 1 ? "" : "s");
  printf("  %-42s %9.3f ms\n", "MergeLogs", Median(mergeOnly));
  printf("  %-42s %9.3f ms\n", "MergeWorkspaceBytes, allocation, MergeLogs", Median(whole));
  return 0;
}
