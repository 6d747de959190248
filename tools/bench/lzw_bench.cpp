// lzw_bench: speed and compression of the LZW encoder and decoder on
// generated data of fixed seed: prose-like text (English, Shift-JIS
// Japanese and C-header lines) and random bytes. Prints a table of median
// timings; every decode is checked against the original, and a mismatch
// exits 1. --smoke runs once on a small input (for the test run).
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "payload/lzw.h"
#include "payload/lzw_encode.h"

namespace {

using Bytes = std::vector<unsigned char>;

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
  // Small indexes far more often than large ones, as words are in prose.
  unsigned Skewed(unsigned n)
  {
    const double u = static_cast<double>(Next() >> 11) / 9007199254740992.0;
    return std::min(n - 1, static_cast<unsigned>(n * u * u * u));
  }
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
    "only", "also", "more", "than", "other", "such", "into", "time", "each", "which", "their",
};
const unsigned ENGLISH_WORDS = sizeof ENGLISH / sizeof ENGLISH[0];

// Particles and punctuation of Japanese text, in Shift-JIS.
const char* const PARTICLES[] = {"\x82\xCD", "\x82\xAA", "\x82\xF0", "\x82\xC9", "\x82\xCC",
                                 "\x82\xC5", "\x82\xC6", "\x82\xE0"};
const char* const COMMA = "\x81\x41";
const char* const PERIOD = "\x81\x42";

const char* const PIECES[] = {"Setup", "File", "Path", "Name", "Dialog", "Window", "Copy", "Read",
                              "Write", "Payload", "Volume", "Registry", "Shortcut", "Item", "Size",
                              "Flags", "Text", "Font", "Panel", "Colour", "Error", "State", "Body"};
const unsigned PIECE_COUNT = sizeof PIECES / sizeof PIECES[0];
const char* const TYPES[] = {"DWORD", "WORD", "BYTE", "BOOL", "UINT", "LPSTR", "LPCSTR", "HWND",
                             "HANDLE", "int", "char", "LONG"};
const unsigned TYPE_COUNT = sizeof TYPES / sizeof TYPES[0];

// A Japanese vocabulary: words of 1-4 hiragana, katakana or kanji pairs.
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

Bytes Text(size_t size)
{
  Random random{20240601};
  const std::vector<std::string> vocabulary = JapaneseWords(random);
  std::string text;
  text.reserve(size + 4096);
  while (text.size() < size) {
    const unsigned kind = random.Below(20);
    if (kind < 9)
      EnglishParagraph(random, text);
    else if (kind < 15)
      JapaneseParagraph(random, vocabulary, text);
    else
      HeaderBlock(random, text);
  }
  return Bytes(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(size));
}

Bytes Noise(size_t size)
{
  Random random{7};
  Bytes data(size);
  for (auto& b : data) b = static_cast<unsigned char>(random.Next() >> 56);
  return data;
}

// The decoder driven as the payload readers drive it.
struct {
  const unsigned char* Input;
  const unsigned char* InputEnd;
  unsigned char* Output;
  size_t Declared;
  size_t Written;
} Decoding;

int Source()
{
  if (Decoding.Written == Decoding.Declared) return LZW_COMPLETE;
  if (Decoding.Input == Decoding.InputEnd) return LZW_CANNOT_READ;
  return *Decoding.Input++;
}

int Sink(int byte)
{
  if (Decoding.Written == Decoding.Declared) return 0;
  Decoding.Output[Decoding.Written++] = static_cast<unsigned char>(byte);
  return 1;
}

bool Decode(const Bytes& packed, Bytes& output)
{
  Decoding.Input = packed.data();
  Decoding.InputEnd = packed.data() + packed.size();
  Decoding.Output = output.data();
  Decoding.Declared = output.size();
  Decoding.Written = 0;
  return LzwDecode(Source, Sink) == LZW_OK && Decoding.Written == output.size();
}

template <class Work>
double Seconds(Work work)
{
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values)
{
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Result {
  size_t Compressed;
  double EncodeSeconds;
  double DecodeSeconds;
};

// One warm-up, then `runs` timed encodes and decodes; false on a mismatch.
bool Measure(const Bytes& data, int runs, Result* result)
{
  Bytes packed = LzwEncode(data.data(), data.size());
  Bytes output(data.size());
  if (!Decode(packed, output) || output != data) return false;
  std::vector<double> encode, decode;
  for (int i = 0; i < runs; ++i) {
    encode.push_back(Seconds([&] { packed = LzwEncode(data.data(), data.size()); }));
    std::fill(output.begin(), output.end(), 0);
    bool decoded = false;
    decode.push_back(Seconds([&] { decoded = Decode(packed, output); }));
    if (!decoded || output != data) return false;
  }
  *result = {packed.size(), Median(encode), Median(decode)};
  return true;
}

long Number(const char* text, long low, long high)
{
  char* end = nullptr;
  const long value = strtol(text, &end, 10);
  return end != text && *end == '\0' && value >= low && value <= high ? value : -1;
}

int Usage()
{
  fprintf(stderr, "usage: lzw_bench [--smoke] [--mib N (1-256)] [--runs N (1-99)]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv)
{
  long mib = 8, runs = 5;
  bool smoke = false;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--smoke") {
      smoke = true;
    } else if ((option == "--mib" || option == "--runs") && i + 1 < argc) {
      const long value = Number(argv[++i], 1, option == "--mib" ? 256 : 99);
      if (value < 0) return Usage();
      (option == "--mib" ? mib : runs) = value;
    } else {
      return Usage();
    }
  }
  const size_t size = smoke ? 64 * 1024 : static_cast<size_t>(mib) << 20;
  if (smoke) runs = 1;

  const struct {
    const char* Name;
    Bytes Data;
  } sets[] = {{"text", Text(size)}, {"random", Noise(size)}};

  printf("LZW encoder and decoder, %zu bytes per data set, median of %ld run%s after a warm-up\n",
         size, runs, runs == 1 ? "" : "s");
  printf("(MB = 10^6 bytes; ratio = compressed size / original size)\n\n");
  printf("%-8s %10s %11s %7s %12s %12s\n", "data", "bytes", "compressed", "ratio", "encode MB/s",
         "decode MB/s");
  for (const auto& set : sets) {
    Result result;
    if (!Measure(set.Data, static_cast<int>(runs), &result)) {
      printf("%-8s decoded data differs from the original\n", set.Name);
      return 1;
    }
    const double megabytes = static_cast<double>(set.Data.size()) / 1e6;
    printf("%-8s %10zu %11zu %7.3f %12.1f %12.1f\n", set.Name, set.Data.size(), result.Compressed,
           static_cast<double>(result.Compressed) / static_cast<double>(set.Data.size()),
           megabytes / result.EncodeSeconds, megabytes / result.DecodeSeconds);
  }
  return 0;
}
