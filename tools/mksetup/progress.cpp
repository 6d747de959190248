// The progress line: redrawn at most ten times a second, starting one
// second after the work began, and erased before anything else is printed.
#include "tools/mksetup/progress.h"
#include <cstdio>
#include <unistd.h>

using Clock = std::chrono::steady_clock;

Progress::Progress(bool wanted) : shown_(wanted && isatty(STDERR_FILENO)), begun_(Clock::now()) {}

void Progress::Start(const std::string& what, uint64_t files, uint64_t bytes)
{
  what_ = what;
  files_ = files;
  bytes_ = bytes;
  doneFiles_ = doneBytes_ = 0;
  Advance(0, 0);
}

void Progress::Advance(uint64_t bytes, uint64_t files)
{
  doneBytes_ += bytes;
  doneFiles_ += files;
  if (!shown_) return;
  const Clock::time_point now = Clock::now();
  if (now - begun_ < std::chrono::seconds(1) || (drawn_ && now - drawnAt_ < std::chrono::milliseconds(100))) return;
  drawnAt_ = now;
  Draw();
}

// "mksetup: compressing setup.exe: 812 of 2003 files, 3.9 of 9.8 GB"
void Progress::Draw()
{
  const bool giga = bytes_ >= 1000000000;
  const double unit = giga ? 1e9 : 1e6;
  char files[64] = "";
  if (files_ != 0)
    snprintf(files, sizeof files, "%llu of %llu files, ", static_cast<unsigned long long>(doneFiles_),
             static_cast<unsigned long long>(files_));
  fprintf(stderr, "\rmksetup: %s: %s%.*f of %.*f %s\033[K", what_.c_str(), files, giga ? 1 : 0, doneBytes_ / unit,
          giga ? 1 : 0, bytes_ / unit, giga ? "GB" : "MB");
  fflush(stderr);
  drawn_ = true;
}

void Progress::Clear()
{
  if (!drawn_) return;
  fputs("\r\033[K", stderr);
  fflush(stderr);
  drawn_ = false;
}
