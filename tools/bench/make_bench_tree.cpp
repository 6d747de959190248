// make_bench_tree: writes the installation benchmark's tree, the same bytes
// on every run: about 200 files in nested folders, a mix of prose-like text
// (English and Shift-JIS Japanese), C-header-like text and random bytes,
// whose sizes add up to exactly the requested total.
//
//   make_bench_tree OUT [--mib N] [--files N]
//
// OUT must not exist yet. Prints one summary line per kind of file.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include "tools/bench/sample_text.h"

namespace fs = std::filesystem;

namespace {

enum Kind { PROSE, HEADER, RANDOM, KINDS };
const char* const KIND_NAMES[KINDS] = {"prose text", "C-header text", "random bytes"};
const char* const EXTENSIONS[KINDS][3] = {{".txt", ".doc", ".htm"}, {".h", ".inc", ".hpp"}, {".bin", ".dat", ".dll"}};
const char* const STEMS[] = {"readme", "manual", "guide", "notes", "table", "index", "data", "image",
                             "sound", "module", "common", "config", "types", "api", "core", "extra"};
const unsigned STEM_COUNT = sizeof STEMS / sizeof STEMS[0];

std::string Contents(Kind kind, size_t size, Random& random, SampleText& sample)
{
  std::string text;
  text.reserve(size + 4096);
  if (kind == RANDOM) {
    while (text.size() < size) {
      const uint64_t v = random.Next();
      text.append(reinterpret_cast<const char*>(&v), sizeof v);
    }
  } else if (kind == HEADER) {
    text = "/* Generated declarations. */\r\n#pragma once\r\n\r\n";
    while (text.size() < size) sample.HeaderBlock(text);
  } else {
    while (text.size() < size) {
      if (random.Below(3) == 0)
        sample.JapaneseParagraph(text);
      else
        sample.EnglishParagraph(text);
    }
  }
  text.resize(size);
  return text;
}

// Folders of up to four levels, a fixed layout with generated leaves.
std::vector<std::string> Folders(Random& random)
{
  std::vector<std::string> folders = {"", "bin", "docs", "docs/en", "docs/ja", "include", "include/sys",
                                      "include/net", "lib", "res", "res/images", "res/sounds"};
  const char* const leaves[] = {"alpha", "beta", "gamma", "delta", "common", "extra", "old", "misc"};
  for (int i = 0; i < 10; ++i) {
    const std::string& parent = folders[1 + random.Below(static_cast<unsigned>(folders.size() - 1))];
    if (std::count(parent.begin(), parent.end(), '/') >= 3) continue;
    const std::string child = parent + "/" + leaves[random.Below(8)] + std::to_string(i);
    folders.push_back(child);
  }
  return folders;
}

long Number(const char* text, long low, long high)
{
  char* end = nullptr;
  const long value = strtol(text, &end, 10);
  return end != text && *end == '\0' && value >= low && value <= high ? value : -1;
}

int Usage()
{
  fprintf(stderr, "usage: make_bench_tree OUT [--mib N (1-1024)] [--files N (3-5000)]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc < 2) return Usage();
  const fs::path root = argv[1];
  long mib = 64, files = 200;
  for (int i = 2; i < argc; ++i) {
    const std::string option = argv[i];
    if ((option == "--mib" || option == "--files") && i + 1 < argc) {
      const long value = option == "--mib" ? Number(argv[++i], 1, 1024) : Number(argv[++i], 3, 20000);
      if (value < 0) return Usage();
      (option == "--mib" ? mib : files) = value;
    } else {
      return Usage();
    }
  }
  std::error_code error;
  if (fs::exists(root, error)) {
    fprintf(stderr, "make_bench_tree: %s exists already\n", root.string().c_str());
    return 1;
  }

  Random random{19970401};
  SampleText sample(random, BENCH_TREE_TEXT);
  const std::vector<std::string> folders = Folders(random);
  const uint64_t total = static_cast<uint64_t>(mib) << 20;

  // Sizes drawn from a wide, skewed spread (a few large files, many small
  // ones), then scaled so that they add up to the total exactly.
  std::vector<double> weights;
  double sum = 0;
  for (long i = 0; i < files; ++i) {
    weights.push_back(std::exp(3.0 * random.Unit()) * std::exp(2.0 * random.Unit()));
    sum += weights.back();
  }
  std::vector<uint64_t> sizes;
  uint64_t assigned = 0;
  for (long i = 0; i < files; ++i) {
    sizes.push_back(i + 1 == files ? total - assigned : static_cast<uint64_t>(weights[i] / sum * total));
    assigned += sizes.back();
  }

  uint64_t kindBytes[KINDS] = {};
  unsigned kindFiles[KINDS] = {};
  for (long i = 0; i < files; ++i) {
    // Every third file's worth of bytes, roughly, of each kind.
    const Kind kind = static_cast<Kind>(i % KINDS);
    const std::string& folder = folders[random.Below(static_cast<unsigned>(folders.size()))];
    char name[64];
    snprintf(name, sizeof name, "%s%03ld%s", STEMS[random.Below(STEM_COUNT)], i, EXTENSIONS[kind][random.Below(3)]);
    const fs::path path = folder.empty() ? root / name : root / folder / name;
    fs::create_directories(path.parent_path(), error);
    if (error) {
      fprintf(stderr, "make_bench_tree: cannot create %s: %s\n", path.parent_path().string().c_str(),
              error.message().c_str());
      return 1;
    }
    const std::string data = Contents(kind, sizes[i], random, sample);
    std::ofstream out(path, std::ios::binary);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    if (!out.flush()) {
      fprintf(stderr, "make_bench_tree: cannot write %s\n", path.string().c_str());
      return 1;
    }
    kindBytes[kind] += data.size();
    ++kindFiles[kind];
  }
  // Folders that received no file are still made, so the tree has them all.
  for (const std::string& folder : folders) fs::create_directories(root / folder, error);

  printf("%s: %ld files in %zu folders, %llu bytes\n", root.string().c_str(), files, folders.size(),
         static_cast<unsigned long long>(total));
  for (int k = 0; k < KINDS; ++k)
    printf("  %-14s %4u files %11llu bytes\n", KIND_NAMES[k], kindFiles[k],
           static_cast<unsigned long long>(kindBytes[k]));
  return 0;
}
