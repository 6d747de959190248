// The record readers where a hostile payload could make them overrun: a body
// hands out and reads exactly its declared size, and registry data over its
// limit is refused before it is read.
#include <gtest/gtest.h>
#include <string>
#include "payload/encode.h"
#include "payload/layout.h"
#include "payload/lzw_encode.h"
#include "tests/fuzz/memory_reader.h"
#include "tools/mksetup/product.h"

static std::string Sunk;

static int Decode(const Bytes& bytes, uint32_t size, bool stored)
{
  Sunk.clear();
  UseMemoryPayload(bytes.data(), bytes.size());
  return DecodeBody(size, stored, [](int byte) { return Sunk.push_back(static_cast<char>(byte)), 1; });
}

TEST(Layout, BodyHandsOutAndReadsExactlyItsDeclaredSize)
{
  const std::string text = "ABABABAB";
  Bytes compressed = LzwEncode(reinterpret_cast<const unsigned char*>(text.data()), text.size());
  Bytes stored(text.begin(), text.end());
  for (Bytes* bytes : {&compressed, &stored}) {
    bytes->push_back(0x77);  // the next record
    EXPECT_EQ(1, Decode(*bytes, 8, bytes == &stored));
    EXPECT_EQ(text, Sunk);
    EXPECT_EQ(bytes->size() - 1, MemoryPayloadPosition());
    EXPECT_EQ(0, Decode(Bytes(bytes->begin(), bytes->end() - 3), 8, bytes == &stored)) << "cut short";
  }
  // "ABAB" is A, B, AB: declared as 3 bytes, its last code would give a 4th.
  EXPECT_EQ(0, Decode(LzwEncode(reinterpret_cast<const unsigned char*>("ABAB"), 4), 3, false));
  EXPECT_EQ("ABA", Sunk);
}

TEST(Layout, RegistryDataOverItsLimitIsRefusedBeforeItIsRead)
{
  Product p;
  p.Registry.push_back({"HKEY_CURRENT_USER\\S\\v", 3, Bytes(MAX_REGISTRY_DATA, 0xAA)});
  SectionWriter writer(0, 0);
  writer.Registry(p);
  Bytes& bytes = writer.Out;
  const size_t lengthAt = p.Registry[0].Path.size() + 2;
  for (int extra : {0, 1}) {
    bytes[lengthAt] += extra;  // one byte more than a value may hold
    bytes.insert(bytes.begin() + lengthAt + 4, extra, 0xAA);
    UseMemoryPayload(bytes.data(), bytes.size());
    char path[PATH_CAPACITY];
    int type = 0;
    uint32_t length = 0;
    unsigned char data[MAX_REGISTRY_DATA];
    ASSERT_EQ(1, ReadListPath(path));
    EXPECT_EQ(!extra, ReadRegistryValue(&type, &length, data));
    EXPECT_EQ(extra ? lengthAt + 4 : bytes.size() - 1, MemoryPayloadPosition());
  }
}
