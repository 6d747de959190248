// Generated text for the benchmarks, the same bytes on every platform:
// prose-like English and Shift-JIS Japanese paragraphs and C-header-like
// blocks, drawn from a splitmix64 sequence of fixed seed.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// splitmix64: the same sequence on every platform and library.
struct Random {
  uint64_t State;
  uint64_t Next()
  {
    uint64_t z = (State += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  unsigned Below(unsigned n) { return static_cast<unsigned>(Next() % n); }
  double Unit() { return static_cast<double>(Next() >> 11) / 9007199254740992.0; }
};

// The few points in which the data of lzw_bench and of make_bench_tree
// differ; each keeps making the bytes that its earlier numbers came from.
struct TextStyle {
  std::vector<const char*> LastWords;  // the English words after the common ones
  const char* Pieces[2];               // the tenth and the last identifier piece
  bool SkewDrawsEachFactor;            // a skewed index takes three draws, not one
  bool BlankAfterDefines;              // a block of #defines ends with a blank line
};
extern const TextStyle LZW_BENCH_TEXT;
extern const TextStyle BENCH_TREE_TEXT;

class SampleText {
 public:
  // Draws the Japanese vocabulary from `random`, which the paragraphs and
  // blocks go on drawing from.
  SampleText(Random& random, const TextStyle& style);

  void EnglishParagraph(std::string& out);
  void JapaneseParagraph(std::string& out);
  void HeaderBlock(std::string& out);

 private:
  // Small indexes far more often than large ones, as words are in prose.
  unsigned Skewed(unsigned n);

  Random& random_;
  const TextStyle& style_;
  std::vector<const char*> english_;
  std::vector<const char*> pieces_;
  std::vector<std::string> vocabulary_;
};
