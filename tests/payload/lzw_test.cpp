// The LZW decoder on the format's own examples and on broken input, and
// round trips of the encoder through the decoder.
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>
#include "payload/lzw.h"
#include "payload/lzw_encode.h"

namespace {

// The decoder's user as the payload readers are: the source ends the data
// once the declared number of bytes has been decoded.
struct Decoding {
  std::vector<unsigned char> Input;
  size_t Read = 0;
  size_t Declared = 0;
  std::vector<unsigned char> Output;
  long RefuseAt = -1;      // the sink refuses its byte number RefuseAt
  long CannotReadAt = -1;  // the source fails at this input position
  long CompleteAt = -1;    // the source says complete at this input position
};
Decoding* Current;

int Source()
{
  Decoding& r = *Current;
  if (r.Output.size() >= r.Declared) return LZW_COMPLETE;
  if (static_cast<long>(r.Read) == r.CannotReadAt) return LZW_CANNOT_READ;
  if (static_cast<long>(r.Read) == r.CompleteAt) return LZW_COMPLETE;
  if (r.Read == r.Input.size()) return LZW_CANNOT_READ;
  return r.Input[r.Read++];
}

int Sink(int byte)
{
  Decoding& r = *Current;
  if (static_cast<long>(r.Output.size()) == r.RefuseAt) return 0;
  r.Output.push_back(static_cast<unsigned char>(byte));
  return 1;
}

int Decode(Decoding& run)
{
  Current = &run;
  return LzwDecode(Source, Sink);
}

// Packs 9-bit codes most significant bit first, as the format stores them.
std::vector<unsigned char> Pack(const std::vector<int>& codes)
{
  std::vector<unsigned char> out;
  unsigned bits = 0;
  int count = 0;
  for (int code : codes) {
    bits = bits << 9 | code;
    count += 9;
    while (count >= 8) {
      count -= 8;
      out.push_back(static_cast<unsigned char>(bits >> count));
    }
    bits &= (1u << count) - 1;
  }
  if (count > 0) out.push_back(static_cast<unsigned char>(bits << (8 - count)));
  return out;
}

std::string Text(const std::vector<unsigned char>& bytes) { return {bytes.begin(), bytes.end()}; }

}  // namespace

TEST(LzwDecode, SourceCompleteAtOnceIsAnEmptyBody)
{
  Decoding run;
  EXPECT_EQ(LZW_OK, Decode(run));
  EXPECT_TRUE(run.Output.empty());
}

TEST(LzwDecode, TwoLiteralsFromThreeBytes)
{
  Decoding run{{0x20, 0x90, 0x80}};
  run.Declared = 2;
  EXPECT_EQ(LZW_OK, Decode(run));
  EXPECT_EQ("AB", Text(run.Output));
  EXPECT_EQ(3u, run.Read);
}

TEST(LzwDecode, ReferenceToTheEntryBeingDefined)
{
  Decoding run{{0x20, 0xC0, 0x00}};
  run.Declared = 3;
  EXPECT_EQ(LZW_OK, Decode(run));
  EXPECT_EQ("AAA", Text(run.Output));
}

TEST(LzwDecode, ChainedEntries)
{
  Decoding run{Pack({0x041, 0x042, 0x100, 0x102})};
  run.Declared = 7;
  EXPECT_EQ(LZW_OK, Decode(run));
  EXPECT_EQ("ABABABA", Text(run.Output));
}

TEST(LzwDecode, FrozenDictionaryKeepsItsEntriesToTheEnd)
{
  // 257 literals define 256 entries: entry i is (byte i, byte i + 1).
  std::vector<int> codes;
  for (int i = 0; i < 257; ++i) codes.push_back(i % 256);
  // Further literals define nothing, so entry 0 and entry 255 keep meaning.
  codes.push_back('x');
  codes.push_back(256 + 0);
  codes.push_back(256 + 255);
  Decoding run{Pack(codes)};
  run.Declared = 257 + 1 + 2 + 2;
  EXPECT_EQ(LZW_OK, Decode(run));
  ASSERT_EQ(run.Declared, run.Output.size());
  EXPECT_EQ(0, run.Output[258]);
  EXPECT_EQ(1, run.Output[259]);
  EXPECT_EQ(255, run.Output[260]);
  EXPECT_EQ(0, run.Output[261]);
}

TEST(LzwDecode, ReferenceBeyondTheDefinedEntriesIsCorrupt)
{
  Decoding inside{Pack({'A', 'B', 0x100 + 5})};
  inside.Declared = 100;
  EXPECT_EQ(LZW_CORRUPT, Decode(inside));
  EXPECT_EQ("AB", Text(inside.Output));

  Decoding first{Pack({0x100, 'A'})};
  first.Declared = 100;
  EXPECT_EQ(LZW_CORRUPT, Decode(first));
  EXPECT_TRUE(first.Output.empty());
}

TEST(LzwDecode, RefusingSinkStopsAtOnce)
{
  Decoding run{Pack({'A', 'B', 'C', 'D'})};
  run.Declared = 4;
  run.RefuseAt = 2;
  EXPECT_EQ(LZW_STOPPED, Decode(run));
  EXPECT_EQ("AB", Text(run.Output));
  EXPECT_EQ(4u, run.Read);  // C's code was read, nothing after it
}

TEST(LzwDecode, SourceEndingInsideACode)
{
  Decoding failing{Pack({'A', 'B', 'C'})};
  failing.Declared = 3;
  failing.CannotReadAt = 2;  // the second code needs byte 2
  EXPECT_EQ(LZW_STOPPED, Decode(failing));
  EXPECT_EQ("A", Text(failing.Output));

  Decoding complete{Pack({'A', 'B', 'C'})};
  complete.Declared = 3;
  complete.CompleteAt = 2;  // the incomplete code is dropped
  EXPECT_EQ(LZW_OK, Decode(complete));
  EXPECT_EQ("A", Text(complete.Output));
}

static void RoundTrip(const std::vector<unsigned char>& data)
{
  const std::vector<unsigned char> packed = LzwEncode(data.data(), data.size());
  Decoding run{packed};
  run.Declared = data.size();
  ASSERT_EQ(LZW_OK, Decode(run)) << "size " << data.size();
  ASSERT_EQ(data, run.Output) << "size " << data.size();
  // Every packed byte is needed, none is left over.
  EXPECT_EQ(packed.size(), run.Read) << "size " << data.size();
}

TEST(LzwRoundTrip, SmallAndDegenerateInputs)
{
  RoundTrip({});
  RoundTrip({'x'});
  std::vector<unsigned char> all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<unsigned char>(i));
  RoundTrip(all);
  RoundTrip(std::vector<unsigned char>(100000, 'a'));
  RoundTrip(std::vector<unsigned char>(100000, 0));
}

TEST(LzwRoundTrip, LengthsAroundTheFreezeAndTheNineByteGroups)
{
  std::mt19937 random(1234);
  for (size_t length = 1; length <= 700; ++length) {
    std::vector<unsigned char> data(length);
    for (auto& b : data) b = static_cast<unsigned char>('a' + random() % 3);
    RoundTrip(data);
    for (auto& b : data) b = static_cast<unsigned char>(random());
    RoundTrip(data);
  }
}

TEST(LzwRoundTrip, RandomAndTextData)
{
  std::mt19937 random(42);
  std::vector<unsigned char> noise(300000);
  for (auto& b : noise) b = static_cast<unsigned char>(random());
  RoundTrip(noise);

  std::string prose;
  const char* words[] = {"setup ", "install ", "ファイル ", "の ", "folder\r\n", "windows ", "を "};
  while (prose.size() < 200000) prose += words[random() % 7];
  RoundTrip({prose.begin(), prose.end()});
}

TEST(LzwEncode, TakesTheLongestMatchTheDictionaryHolds)
{
  // ABABABA: A, B, then AB (entry 0) and ABA (entry 2, being defined).
  const std::string text = "ABABABA";
  const auto packed = LzwEncode(reinterpret_cast<const unsigned char*>(text.data()), text.size());
  EXPECT_EQ(Pack({0x041, 0x042, 0x100, 0x102}), packed);
}

TEST(LzwEncode, RandomDataGrowsByAboutAnEighth)
{
  std::mt19937 random(7);
  std::vector<unsigned char> noise(90000);
  for (auto& b : noise) b = static_cast<unsigned char>(random());
  const auto packed = LzwEncode(noise.data(), noise.size());
  EXPECT_GT(packed.size(), noise.size() * 110 / 100);
  EXPECT_LE(packed.size(), noise.size() * 9 / 8 + 2);
}
