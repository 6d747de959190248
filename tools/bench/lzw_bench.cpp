// lzw_bench: speed and compression of the LZW encoder and decoder on
// generated data of fixed seed: prose-like text (English, Shift-JIS
// Japanese and C-header lines) and random bytes. The decoder is timed in
// both forms: in 64 KiB blocks as extraction drives it, and byte by byte
// through a source and a sink. Prints a table of median timings and the
// headline figures as name=value lines; every decode is checked against the
// original, and a mismatch exits 1. --smoke runs once on a small input.
#include <algorithm>
#include <ctime>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "payload/lzw.h"
#include "payload/lzw_encode.h"
#include "tools/bench/sample_text.h"
#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Text(size_t size)
{
  Random random{20240601};
  SampleText sample(random, LZW_BENCH_TEXT);
  std::string text;
  text.reserve(size + 4096);
  while (text.size() < size) {
    const unsigned kind = random.Below(20);
    if (kind < 9)
      sample.EnglishParagraph(text);
    else if (kind < 15)
      sample.JapaneseParagraph(text);
    else
      sample.HeaderBlock(text);
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

// The block decoder as extraction drives it: 64 KiB of compressed bytes per
// refill, 64 KiB of decoded bytes per flush.
enum { BLOCK_BYTES = 65536 };

struct {
  const unsigned char* Input;
  const unsigned char* InputEnd;
  unsigned char* Output;
  unsigned char* OutputEnd;
} Blocks;

int BlocksRefill(LzwBlocks* blocks)
{
  if (Blocks.Input == Blocks.InputEnd) return LZW_CANNOT_READ;
  blocks->Next = Blocks.Input;
  Blocks.Input += std::min<size_t>(BLOCK_BYTES, static_cast<size_t>(Blocks.InputEnd - Blocks.Input));
  blocks->End = Blocks.Input;
  return 1;
}

int BlocksFlush(LzwBlocks* blocks)
{
  if (blocks->OutEnd == Blocks.OutputEnd) return 0;
  blocks->OutEnd = std::min(blocks->OutEnd + BLOCK_BYTES, Blocks.OutputEnd);
  return 1;
}

bool DecodeBlocks(const Bytes& packed, Bytes& output)
{
  Blocks.Input = packed.data();
  Blocks.InputEnd = packed.data() + packed.size();
  Blocks.Output = output.data();
  Blocks.OutputEnd = output.data() + output.size();
  LzwBlocks blocks;
  blocks.Next = blocks.End = packed.data();
  blocks.Refill = BlocksRefill;
  blocks.Out = output.data();
  blocks.OutEnd = output.data() + std::min<size_t>(BLOCK_BYTES, output.size());
  blocks.Flush = BlocksFlush;
  blocks.Remaining = output.size();
  return LzwDecodeBlocks(&blocks) == LZW_OK && blocks.Out == Blocks.OutputEnd;
}

// The thread's processor time, not the wall clock: on a shared machine the
// time other programs take would otherwise count as the decoder's. Under
// Wine a thread's times advance in steps of 10 ms, too coarse for one
// decode, so the Windows build takes the wall clock.
#ifdef _WIN32
const char TIMES[] = "the wall clock";
double ClockSeconds()
{
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}
#else
const char TIMES[] = "the thread's processor time";
double ClockSeconds()
{
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}
#endif

template <class Work>
double Seconds(Work work)
{
  const double start = ClockSeconds();
  work();
  return ClockSeconds() - start;
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
  double DecodeSeconds;       // in blocks
  double BytewiseSeconds;     // through a source and a sink
};

// One warm-up, then `runs` timed encodes and decodes; false on a mismatch.
bool Measure(const Bytes& data, int runs, Result* result)
{
  Bytes packed = LzwEncode(data.data(), data.size());
  Bytes output(data.size());
  if (!Decode(packed, output) || output != data) return false;
  if (!DecodeBlocks(packed, output) || output != data) return false;
  std::vector<double> encode, decode, bytewise;
  for (int i = 0; i < runs; ++i) {
    encode.push_back(Seconds([&] { packed = LzwEncode(data.data(), data.size()); }));
    bool decoded = false;
    std::fill(output.begin(), output.end(), 0);
    decode.push_back(Seconds([&] { decoded = DecodeBlocks(packed, output); }));
    if (!decoded || output != data) return false;
    std::fill(output.begin(), output.end(), 0);
    bytewise.push_back(Seconds([&] { decoded = Decode(packed, output); }));
    if (!decoded || output != data) return false;
  }
  *result = {packed.size(), Median(encode), Median(decode), Median(bytewise)};
  return true;
}

const char* BuildDescription()
{
#if defined(__SANITIZE_ADDRESS__)
  return "sanitized (AddressSanitizer): figures say little; use tools/bench/lzw_bench.sh";
#elif !defined(__OPTIMIZE__)
  return "unoptimised: figures say little; use tools/bench/lzw_bench.sh";
#else
  return "optimised, no sanitizers, " LZW_BENCH_BUILD ", compiler " __VERSION__;
#endif
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
  } sets[] = {{"text", Text(size)}, {"binary", Noise(size)}};

  printf("LZW encoder and decoder, %zu bytes per data set, median of %ld run%s after a warm-up\n",
         size, runs, runs == 1 ? "" : "s");
  printf("Build measured: %s\n", BuildDescription());
  printf("(times: %s; MB = 10^6 bytes; ratio = compressed size / original size; decode in 64 KiB blocks,\n"
         " and byte by byte through a source and a sink)\n\n", TIMES);
  printf("%-8s %10s %11s %7s %12s %12s %14s\n", "data", "bytes", "compressed", "ratio",
         "encode MB/s", "decode MB/s", "bytewise MB/s");
  std::string figures;
  for (const auto& set : sets) {
    Result result;
    if (!Measure(set.Data, static_cast<int>(runs), &result)) {
      printf("%-8s decoded data differs from the original\n", set.Name);
      return 1;
    }
    const double megabytes = static_cast<double>(set.Data.size()) / 1e6;
    printf("%-8s %10zu %11zu %7.3f %12.1f %12.1f %14.1f\n", set.Name, set.Data.size(),
           result.Compressed, static_cast<double>(result.Compressed) / static_cast<double>(set.Data.size()),
           megabytes / result.EncodeSeconds, megabytes / result.DecodeSeconds,
           megabytes / result.BytewiseSeconds);
    char line[256];
    snprintf(line, sizeof line,
             "decode_mb_s_%s=%.1f\ndecode_bytewise_mb_s_%s=%.1f\nencode_mb_s_%s=%.1f\n",
             set.Name, megabytes / result.DecodeSeconds, set.Name, megabytes / result.BytewiseSeconds,
             set.Name, megabytes / result.EncodeSeconds);
    figures += line;
  }
  printf("\n%s", figures.c_str());
  return 0;
}
