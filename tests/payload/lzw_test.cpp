// The LZW decoder on the format's examples and on broken input, one table;
// then round trips through the builder's encoder over a length sweep.
#include <gtest/gtest.h>
#include <random>
#include "payload/encode.h"
#include "payload/lzw.h"
#include "payload/lzw_encode.h"

// The decoder driven as the payload readers drive it: the source ends the
// data once the declared number of bytes has been decoded.
static struct Decoding {
  Bytes Input;
  size_t Declared;
  long RefuseAt = -1, CannotReadAt = -1, CompleteAt = -1;  // sink byte, input positions
  size_t Read = 0;
  Bytes Output;
} * Run;

static int Decode(Decoding& run)
{
  Run = &run;
  return LzwDecode(
      [] {
        Decoding& r = *Run;
        if (r.Output.size() >= r.Declared || long(r.Read) == r.CompleteAt) return int(LZW_COMPLETE);
        if (long(r.Read) == r.CannotReadAt || r.Read == r.Input.size()) return int(LZW_CANNOT_READ);
        return int(r.Input[r.Read++]);
      },
      [](int byte) {
        if (long(Run->Output.size()) == Run->RefuseAt) return 0;
        Run->Output.push_back(static_cast<unsigned char>(byte));
        return 1;
      });
}

TEST(LzwDecode, ExamplesAndBrokenInputEndAsTheTableSays)
{
  const struct {
    const char* Case;
    Decoding Run;
    int Result;
    std::string Output;
    size_t Read;  // every byte, and none past the body, when it decodes
  } rows[] = {  // 9-bit codes, first bit first: A B 100 102; A B 105; 100 A; A B C (D)
      {"empty body", {{}, 0}, LZW_OK, "", 0},
      {"two literals", {{0x20, 0x90, 0x80}, 2}, LZW_OK, "AB", 3},
      {"entry being defined", {{0x20, 0xC0, 0x00}, 3}, LZW_OK, "AAA", 3},
      {"chained entries", {{0x20, 0x90, 0xA0, 0x10, 0x20}, 7}, LZW_OK, "ABABABA", 5},
      {"entry not yet defined", {{0x20, 0x90, 0xA0, 0xA0}, 100}, LZW_CORRUPT, "AB", 4},
      {"entry as first code", {{0x80, 0x10, 0x40}, 100}, LZW_CORRUPT, "", 2},
      {"sink refuses", {{0x20, 0x90, 0x88, 0x64, 0x40}, 4, 2}, LZW_STOPPED, "AB", 4},
      {"source fails in a code", {{0x20, 0x90, 0x88, 0x60}, 3, -1, 2}, LZW_STOPPED, "A", 2},
      {"source complete in a code", {{0x20, 0x90, 0x88, 0x60}, 3, -1, -1, 2}, LZW_OK, "A", 2},
  };
  for (auto row : rows) {
    EXPECT_EQ(row.Result, Decode(row.Run)) << row.Case;
    EXPECT_EQ(row.Output, std::string(row.Run.Output.begin(), row.Run.Output.end())) << row.Case;
    EXPECT_TRUE(row.Result != LZW_OK || row.Read == row.Run.Read) << row.Case << ": a body's bytes, no more";
  }
}

TEST(LzwRoundTrip, EveryLengthUpTo700AndLongRunsComeBackWholeUsingEveryByte)
{
  std::mt19937 random(1234);
  std::vector<Bytes> inputs = {Bytes(100000, 'a'), Bytes(100000)};
  for (size_t length = 0; length <= 700; ++length) inputs.emplace_back(length), inputs.emplace_back(length);
  for (size_t i = 1; i < inputs.size(); ++i)  // odd: any byte, even: three letters
    for (auto& b : inputs[i]) b = static_cast<unsigned char>(i % 2 ? random() : 'a' + random() % 3);
  for (const Bytes& data : inputs) {
    Decoding run{LzwEncode(data.data(), data.size()), data.size()};
    ASSERT_EQ(LZW_OK, Decode(run)) << "size " << data.size();
    ASSERT_EQ(data, run.Output) << "size " << data.size();
    ASSERT_EQ(run.Input.size(), run.Read) << "size " << data.size();
  }
}
