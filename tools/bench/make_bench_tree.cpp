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

namespace fs = std::filesystem;

namespace {

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
  // Small indexes far more often than large ones, as words are in prose.
  unsigned Skewed(unsigned n) { return std::min(n - 1, static_cast<unsigned>(n * Unit() * Unit() * Unit())); }
};

const char* const ENGLISH[] = {
    "the", "of", "and", "to", "a", "in", "is", "you", "that", "it", "for", "on", "with", "as",
    "are", "be", "this", "setup", "files", "folder", "program", "will", "can", "from", "or", "by",
    "not", "your", "all", "install", "have", "if", "when", "which", "computer", "disk", "copy",
    "windows", "directory", "choose", "click", "next", "cancel", "before", "after", "continue",
    "license", "agreement", "software", "user", "company", "name", "shortcut", "desktop", "menu",
    "start", "registry", "version", "shared", "library", "restart", "required", "space", "free",
    "drive", "network", "path", "document", "printer", "support", "information", "read", "please",
    "following", "terms", "conditions", "any", "other", "may", "must", "should", "these", "those",
    "only", "also", "more", "than", "such", "into", "time", "each", "their", "record", "value",
};
const unsigned ENGLISH_WORDS = sizeof ENGLISH / sizeof ENGLISH[0];

// Particles and punctuation of Japanese text, in Shift-JIS.
const char* const PARTICLES[] = {"\x82\xCD", "\x82\xAA", "\x82\xF0", "\x82\xC9", "\x82\xCC",
                                 "\x82\xC5", "\x82\xC6", "\x82\xE0"};
const char* const COMMA = "\x81\x41";
const char* const PERIOD = "\x81\x42";

const char* const PIECES[] = {"Setup", "File", "Path", "Name", "Dialog", "Window", "Copy", "Read",
                              "Write", "Archive", "Volume", "Registry", "Shortcut", "Item", "Size",
                              "Flags", "Text", "Font", "Panel", "Colour", "Error", "State", "Block"};
const unsigned PIECE_COUNT = sizeof PIECES / sizeof PIECES[0];
const char* const TYPES[] = {"DWORD", "WORD", "BYTE", "BOOL", "UINT", "LPSTR", "LPCSTR", "HWND",
                             "HANDLE", "int", "char", "LONG"};
const unsigned TYPE_COUNT = sizeof TYPES / sizeof TYPES[0];

// A Japanese vocabulary: words of 1-4 hiragana, katakana or kanji.
std::vector<std::string> JapaneseWords(Random& random)
{
  std::vector<std::string> words;
  for (int w = 0; w < 400; ++w) {
    std::string word;
    const unsigned kind = random.Below(3);
    const unsigned length = 1 + random.Below(4);
    for (unsigned i = 0; i < length; ++i) {
      unsigned lead, trail;
      if (kind == 0) {
        lead = 0x82;
        trail = 0x9F + random.Below(0xF1 - 0x9F + 1);
      } else if (kind == 1) {
        lead = 0x83;
        trail = 0x40 + random.Below(0x96 - 0x40 + 1);
      } else {
        lead = 0x88 + random.Below(0x98 - 0x88 + 1);
        trail = 0x40 + random.Below(0xFC - 0x40 + 1);
      }
      if (trail == 0x7F) trail = 0x80;
      word.push_back(static_cast<char>(lead));
      word.push_back(static_cast<char>(trail));
    }
    words.push_back(word);
  }
  return words;
}

void EnglishParagraph(Random& random, std::string& out)
{
  size_t column = 0;
  const unsigned sentences = 2 + random.Below(5);
  for (unsigned s = 0; s < sentences; ++s) {
    const unsigned words = 6 + random.Below(14);
    for (unsigned w = 0; w < words; ++w) {
      std::string word = ENGLISH[random.Skewed(ENGLISH_WORDS)];
      if (w == 0) word[0] = static_cast<char>(word[0] - 'a' + 'A');
      if (w + 1 == words)
        word += '.';
      else if (random.Below(10) == 0)
        word += ',';
      if (column + word.size() + 1 > 72) {
        out += "\r\n";
        column = 0;
      } else if (column > 0) {
        out += ' ';
        ++column;
      }
      out += word;
      column += word.size();
    }
  }
  out += "\r\n\r\n";
}

void JapaneseParagraph(Random& random, const std::vector<std::string>& vocabulary, std::string& out)
{
  size_t column = 0;
  const unsigned sentences = 1 + random.Below(4);
  for (unsigned s = 0; s < sentences; ++s) {
    const unsigned phrases = 3 + random.Below(8);
    for (unsigned p = 0; p < phrases; ++p) {
      std::string phrase = vocabulary[random.Skewed(static_cast<unsigned>(vocabulary.size()))];
      phrase += PARTICLES[random.Below(8)];
      phrase += p + 1 == phrases ? PERIOD : (random.Below(4) == 0 ? COMMA : "");
      if (column + phrase.size() > 76) {
        out += "\r\n";
        column = 0;
      }
      out += phrase;
      column += phrase.size();
    }
  }
  out += "\r\n\r\n";
}

void HeaderBlock(Random& random, std::string& out)
{
  char line[256];
  const char* a = PIECES[random.Skewed(PIECE_COUNT)];
  const char* b = PIECES[random.Below(PIECE_COUNT)];
  switch (random.Below(3)) {
    case 0:
      for (unsigned i = 0, n = 2 + random.Below(8); i < n; ++i) {
        snprintf(line, sizeof line, "#define %s_%s_%u 0x%04X\r\n", a, b, i, random.Below(0x10000));
        out += line;
      }
      out += "\r\n";
      break;
    case 1:
      snprintf(line, sizeof line, "typedef struct tag%s%s {\r\n", a, b);
      out += line;
      for (unsigned i = 0, n = 2 + random.Below(6); i < n; ++i) {
        snprintf(line, sizeof line, "    %s %s%s;\r\n", TYPES[random.Skewed(TYPE_COUNT)],
                 PIECES[random.Skewed(PIECE_COUNT)], PIECES[random.Below(PIECE_COUNT)]);
        out += line;
      }
      snprintf(line, sizeof line, "} %s%s, *P%s%s;\r\n\r\n", a, b, a, b);
      out += line;
      break;
    default:
      snprintf(line, sizeof line, "/* %s the %s. */\r\n%s WINAPI %s%s(%s h%s, %s n%s);\r\n\r\n", b,
               ENGLISH[random.Skewed(ENGLISH_WORDS)], TYPES[random.Skewed(TYPE_COUNT)], b, a,
               TYPES[random.Below(TYPE_COUNT)], a, TYPES[random.Below(TYPE_COUNT)], b);
      out += line;
      break;
  }
}

enum Kind { PROSE, HEADER, RANDOM, KINDS };
const char* const KIND_NAMES[KINDS] = {"prose text", "C-header text", "random bytes"};
const char* const EXTENSIONS[KINDS][3] = {{".txt", ".doc", ".htm"}, {".h", ".inc", ".hpp"}, {".bin", ".dat", ".dll"}};
const char* const STEMS[] = {"readme", "manual", "guide", "notes", "table", "index", "data", "image",
                             "sound", "module", "common", "config", "types", "api", "core", "extra"};
const unsigned STEM_COUNT = sizeof STEMS / sizeof STEMS[0];

std::string Contents(Kind kind, size_t size, Random& random, const std::vector<std::string>& vocabulary)
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
    while (text.size() < size) HeaderBlock(random, text);
  } else {
    while (text.size() < size) {
      if (random.Below(3) == 0)
        JapaneseParagraph(random, vocabulary, text);
      else
        EnglishParagraph(random, text);
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
      const long value = option == "--mib" ? Number(argv[++i], 1, 1024) : Number(argv[++i], 3, 5000);
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
  const std::vector<std::string> vocabulary = JapaneseWords(random);
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
    const std::string data = Contents(kind, sizes[i], random, vocabulary);
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
