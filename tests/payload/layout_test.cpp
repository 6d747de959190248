// The payload's record readers over crafted bytes: what each takes, and
// that a body never hands its user more than its declared size.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "app/flags.h"
#include "payload/encode.h"
#include "payload/layout.h"
#include "payload/lzw_encode.h"
#include "tests/fuzz/memory_reader.h"

namespace {

Bytes Payload;
std::string Sunk;

void Use(const Bytes& bytes)
{
  Payload = bytes;
  UseMemoryPayload(Payload.data(), Payload.size());
  Sunk.clear();
}

int Keep(int byte)
{
  Sunk.push_back(static_cast<char>(byte));
  return 1;
}

}  // namespace

TEST(Layout, BodyStopsAtItsDeclaredSize)
{
  const std::string text = "ABABABAB";
  Bytes bytes = LzwEncode(reinterpret_cast<const unsigned char*>(text.data()), text.size());
  bytes.push_back(0x77);  // the next record
  Use(bytes);
  ASSERT_EQ(1, DecodeBody(static_cast<uint32_t>(text.size()), false, Keep));
  EXPECT_EQ(text, Sunk);
  EXPECT_EQ(bytes.size() - 1, MemoryPayloadPosition());
}

TEST(Layout, BodyWhoseLastStringRunsPastItsSizeIsRefused)
{
  // "ABAB" as A, B, AB: declared as 3 bytes, the last code would give a 4th.
  const std::string text = "ABAB";
  Use(LzwEncode(reinterpret_cast<const unsigned char*>(text.data()), text.size()));
  EXPECT_EQ(0, DecodeBody(3, false, Keep));
  EXPECT_EQ("ABA", Sunk);
}

TEST(Layout, StoredBodyIsCopiedAsItIs)
{
  Use(Bytes{'x', 'y', 'z', 'n'});
  ASSERT_EQ(1, DecodeBody(3, true, Keep));
  EXPECT_EQ("xyz", Sunk);
  EXPECT_EQ(3u, MemoryPayloadPosition());
  Use(Bytes{'x'});
  EXPECT_EQ(0, DecodeBody(3, true, Keep));
}

TEST(Layout, BodySizeHasAnEndOffsetUnlessSpanned)
{
  Bytes bytes;
  PutInt32(bytes, 5);
  PutInt32(bytes, 1234);
  Use(bytes);
  uint32_t size = 0;
  ASSERT_EQ(1, ReadBodySize(&size, 0));
  EXPECT_EQ(5u, size);
  EXPECT_EQ(8u, MemoryPayloadPosition());
  Use(bytes);
  ASSERT_EQ(1, ReadBodySize(&size, PF_SPANNED));
  EXPECT_EQ(4u, MemoryPayloadPosition());
}

TEST(Layout, FolderItemEndsAfterItsAttributes)
{
  Bytes bytes;
  PutInt32(bytes, ATTRIBUTE_FOLDER);
  PutByte(bytes, 0x55);
  Use(bytes);
  ItemRecord item{};
  ASSERT_EQ(1, ReadItemHead(&item));
  EXPECT_TRUE(IsFolder(item));
  EXPECT_EQ(4u, MemoryPayloadPosition());
}

TEST(Layout, FileListEndsAtAZeroByte)
{
  Bytes bytes;
  PutString(bytes, "docs\\a.txt", 260);
  PutByte(bytes, 0);
  Use(bytes);
  char path[PATH_CAPACITY];
  ASSERT_EQ(1, ReadFileListPath(path));
  EXPECT_STREQ("docs\\a.txt", path);
  ASSERT_EQ(1, ReadFileListPath(path));
  EXPECT_STREQ("", path);
  EXPECT_EQ(0, ReadFileListPath(path));  // the end of the data is not an end byte
}

TEST(Layout, RegistryDataOver260BytesIsRefusedBeforeItIsRead)
{
  Bytes bytes;
  PutByte(bytes, 3);
  PutInt32(bytes, 261);
  bytes.resize(bytes.size() + 261, 0xAA);
  Use(bytes);
  int type = 0;
  uint32_t length = 0;
  unsigned char data[MAX_REGISTRY_DATA];
  EXPECT_EQ(0, ReadRegistryValue(&type, &length, data));
  EXPECT_EQ(5u, MemoryPayloadPosition());

  Bytes key;
  PutByte(key, 0);
  Use(key);
  ASSERT_EQ(1, ReadRegistryValue(&type, &length, data));
  EXPECT_EQ(0, type);
}

TEST(Layout, ListThatMeetsTheEndOfTheDataIsOver)
{
  Use(Bytes{});
  char path[PATH_CAPACITY] = "stale";
  EXPECT_EQ(1, ReadListPath(path));
  EXPECT_STREQ("", path);
}
