// The record readers where a hostile payload could make them overrun, over
// the builder's own reads of a setup file: a body (the LZW decoder's
// examples and broken input, and stored bytes) takes exactly its own bytes
// and sinks no more than its size; registry data over its limit is refused
// before it is read.
#include <gtest/gtest.h>
#include <unistd.h>
#include <fstream>
#include <random>
#include <string>
#include "payload/encode.h"
#include "payload/layout.h"
#include "payload/lzw_encode.h"
#include "payload/reader.h"
#include "tools/mksetup/payload_file.h"
#include "tools/mksetup/product.h"
#include "tools/mksetup/section_writer.h"

static std::string Sunk;
static size_t RefuseAt;  // the sink refuses the byte that would make Sunk this long

// Makes `payload`, attached behind an image, what the reads hand out.
static void UsePayload(const Bytes& payload)
{
  // CTest runs each case as a process of its own, side by side: one file each.
  const std::string path = testing::TempDir() + "layout_test_" + std::to_string(getpid()) + ".exe";
  Bytes file(64);
  ASSERT_TRUE(AttachPayload(file, payload));
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
  std::string error;
  const bool opened = OpenPayloadFile(path, &error);
  std::remove(path.c_str());  // read whole, and a volume is never looked for
  ASSERT_TRUE(opened) << error;
}

static int Decode(const Bytes& input, uint32_t declared, bool stored = false, size_t refuseAt = SIZE_MAX)
{
  Sunk.clear();
  RefuseAt = refuseAt;
  UsePayload(input);
  return DecodeBody(declared, stored, [](int byte) { return Sunk.size() == RefuseAt ? 0 : (Sunk += char(byte), 1); });
}

TEST(Layout, BodiesDecodeTheFormatsExamplesAndRefuseBrokenData)
{
  const Bytes stored = {'A', 'B', 'A', 'B', 0x77};
  const struct {
    const char* Case;
    Bytes Input;  // 0x77 starts the next record, which a body leaves alone
    uint32_t Declared;
    int Result;
    std::string Output;
    bool Stored = false;
    size_t RefuseAt = SIZE_MAX;
  } rows[] = {  // 9-bit codes, first bit first: A B 100 102; A B 102; 100 A; A B C (D)
      {"empty body", {0x77}, 0, 1, ""},
      {"two literals", {0x20, 0x90, 0x80, 0x77}, 2, 1, "AB"},
      {"entry being defined", {0x20, 0xC0, 0x00, 0x77}, 3, 1, "AAA"},
      {"chained entries", {0x20, 0x90, 0xA0, 0x10, 0x20, 0x77}, 7, 1, "ABABABA"},
      {"declared size reached inside a code's string", {0x20, 0x90, 0xA0, 0x00, 0x77}, 3, 0, "ABA"},
      {"declared size reached inside a code", {0x20, 0x90, 0x77}, 1, 1, "A"},
      {"entry past the one being defined", {0x20, 0x90, 0xA0, 0x40}, 100, 0, "AB"},
      {"entry as first code", {0x80, 0x10, 0x40}, 100, 0, ""},
      {"data ends inside a code", {0x20, 0x90, 0x88}, 3, 0, "AB"},
      {"sink refuses", {0x20, 0x90, 0x88, 0x64, 0x40}, 4, 0, "AB", false, 2},
      {"stored", stored, 4, 1, "ABAB", true},
      {"stored, cut short", Bytes(stored.begin(), stored.end() - 2), 4, 0, "ABA", true},
      {"stored, sink refuses", stored, 4, 0, "A", true, 1},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.Result, Decode(row.Input, row.Declared, row.Stored, row.RefuseAt)) << row.Case;
    EXPECT_EQ(row.Output, Sunk) << row.Case;
    EXPECT_TRUE(!row.Result || ReadByte() == 0x77) << row.Case << ": a body's bytes, no more";
    // A code past the dictionary is damage the listing names; a body cut
    // short or refused by its sink is not.
    const bool corrupt = !row.Result && std::string(row.Case).rfind("entry ", 0) == 0;
    EXPECT_EQ(corrupt ? "a body's compressed codes do not decode" : "", PayloadFaultText()) << row.Case;
  }
}

TEST(Layout, BodiesOfEveryLengthUpTo700AndLongRunsComeBackWhole)
{
  std::mt19937 random(1234);
  std::vector<Bytes> inputs = {Bytes(100000, 'a'), Bytes(100000)};
  for (size_t length = 0; length <= 700; ++length) inputs.emplace_back(length), inputs.emplace_back(length);
  for (size_t i = 1; i < inputs.size(); ++i)  // odd: any byte, even: three letters
    for (auto& b : inputs[i]) b = static_cast<unsigned char>(i % 2 ? random() : 'a' + random() % 3);
  for (const Bytes& data : inputs) {
    Bytes packed = LzwEncode(data.data(), data.size()), pieces;
    LzwEncoder encoder;  // fed 1 to 7 bytes at a time, as a large file is a piece at a time
    for (size_t at = 0, n; at < data.size(); at += n) encoder.Feed(&data[at], n = std::min<size_t>(data.size() - at, 1 + at % 7), pieces);
    encoder.Finish(pieces);
    ASSERT_EQ(packed, pieces) << "fed in pieces, size " << data.size();
    packed.push_back(0x77);
    ASSERT_EQ(1, Decode(packed, static_cast<uint32_t>(data.size()))) << "size " << data.size();
    ASSERT_EQ(std::string(data.begin(), data.end()), Sunk) << "size " << data.size();
    ASSERT_EQ(0x77, ReadByte()) << "size " << data.size();
  }
}

TEST(Layout, RegistryDataOverItsLimitIsRefusedBeforeItIsRead)
{
  Product p;
  p.Registry.push_back({"HKEY_CURRENT_USER\\S\\v", 3, Bytes(MAX_REGISTRY_DATA, 0xAA)});
  SectionWriter writer(0, 0);
  writer.Registry(p);
  Bytes& bytes = writer.Out;
  const size_t lengthAt = p.Registry[0].Path.size() + 2;
  char path[PATH_CAPACITY];
  unsigned char data[MAX_REGISTRY_DATA];
  int type = 0;
  uint32_t length = 0;
  for (int extra : {0, 1}) {
    bytes[lengthAt] += extra;  // one byte more than a value may hold
    bytes.insert(bytes.begin() + lengthAt + 4, extra, 0xAA);
    UsePayload(bytes);
    EXPECT_TRUE(ReadListPath(path) && ReadRegistryValue(&type, &length, data) == !extra) << extra;
    EXPECT_EQ(extra ? 0xAA : bytes.back(), ReadByte()) << "the next byte: the data refused, or the list's end";
  }
}
