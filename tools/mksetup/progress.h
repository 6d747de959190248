// What long work is doing and how far it is, as one line on the standard
// error that is written over as the work goes on. It shows only on a
// terminal, only when asked for, and only once the work has taken a second,
// so that quick runs and redirected output look as they always did.
#pragma once
#include <chrono>
#include <cstdint>
#include <string>

class Progress {
 public:
  explicit Progress(bool wanted);  // shown when wanted and the standard error is a terminal
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // A new stage: what is done (such as "compressing setup.exe") and its
  // totals; files 0 when they are not counted.
  void Start(const std::string& what, uint64_t files, uint64_t bytes);
  void Advance(uint64_t bytes, uint64_t files);
  void Clear();  // takes the line away, before other output

 private:
  void Draw();

  bool shown_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point begun_, drawnAt_;
  std::string what_;
  uint64_t files_ = 0, bytes_ = 0, doneFiles_ = 0, doneBytes_ = 0;
};
