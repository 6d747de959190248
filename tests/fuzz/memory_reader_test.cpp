// The fuzzers' memory reader against the results the engine's stream reader
// gives: ends of data inside words, byte runs and strings, strings longer
// than their buffer, and no write beyond a buffer's capacity.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include "payload/reader.h"
#include "tests/fuzz/memory_reader.h"

namespace {

void Use(const std::string& bytes)
{
  static std::string held;
  held = bytes;
  UseMemoryPayload(reinterpret_cast<const unsigned char*>(held.data()), held.size());
}

// A string buffer of `capacity` bytes followed by guard bytes.
struct Buffer {
  char Bytes[64];
  explicit Buffer(char fill = '#') { memset(Bytes, fill, sizeof Bytes); }
  bool GuardIntact(int capacity) const
  {
    for (size_t i = static_cast<size_t>(capacity); i < sizeof Bytes; ++i)
      if (Bytes[i] != '#') return false;
    return true;
  }
};

}  // namespace

TEST(MemoryReader, BytesThenMinusOne)
{
  Use(std::string("\x00\xFF", 2));
  EXPECT_EQ(0, ReadByte());
  EXPECT_EQ(255, ReadByte());
  EXPECT_EQ(-1, ReadByte());
  EXPECT_EQ(-1, ReadByte());
  EXPECT_EQ(2u, MemoryPayloadPosition());
}

TEST(MemoryReader, WordsAreLittleEndianAndNeedBothBytes)
{
  Use("\x34\x12\x7F");
  EXPECT_EQ(0x1234, ReadWord());
  EXPECT_EQ(-1, ReadWord());
  EXPECT_EQ(3u, MemoryPayloadPosition());  // the lone byte was taken
}

TEST(MemoryReader, ByteRunsKeepWhatWasReadWhenTheDataEnds)
{
  Use("abc");
  unsigned char out[8];
  memset(out, '.', sizeof out);
  EXPECT_EQ(1, ReadBytes(out, 0));
  EXPECT_EQ(1, ReadBytes(out, -3));
  EXPECT_EQ(0u, MemoryPayloadPosition());
  EXPECT_EQ(1, ReadBytes(out, 2));
  EXPECT_EQ(0, ReadBytes(out + 2, 4));
  EXPECT_EQ(0, memcmp(out, "abc.....", 8));
}

TEST(MemoryReader, StringAtTheEndOfTheDataFailsUntouched)
{
  Use("");
  Buffer buffer;
  EXPECT_EQ(0, ReadString(buffer.Bytes, 8));
  EXPECT_TRUE(buffer.GuardIntact(0));
}

TEST(MemoryReader, TerminatedStringsAndTheirFollowers)
{
  Use(std::string("abc\0\0xyz\0", 9));
  Buffer buffer;
  EXPECT_EQ(1, ReadString(buffer.Bytes, 8));
  EXPECT_STREQ("abc", buffer.Bytes);
  EXPECT_EQ(1, ReadString(buffer.Bytes, 8));
  EXPECT_STREQ("", buffer.Bytes);
  EXPECT_EQ(1, ReadString(buffer.Bytes, 4));  // exactly fills the buffer
  EXPECT_STREQ("xyz", buffer.Bytes);
  EXPECT_EQ(9u, MemoryPayloadPosition());
}

TEST(MemoryReader, LongStringKeepsCapacityLessOneAndLosesTheNext)
{
  Use(std::string("abcdefg\0", 8));
  Buffer buffer;
  EXPECT_EQ(1, ReadString(buffer.Bytes, 4));
  EXPECT_STREQ("abc", buffer.Bytes);  // 'd' is lost
  EXPECT_TRUE(buffer.GuardIntact(4));
  EXPECT_EQ(4u, MemoryPayloadPosition());
  EXPECT_EQ(1, ReadString(buffer.Bytes, 8));
  EXPECT_STREQ("efg", buffer.Bytes);
}

TEST(MemoryReader, StringCutByTheEndOfTheDataCountsAsRead)
{
  Use("ab");
  Buffer inside;
  EXPECT_EQ(1, ReadString(inside.Bytes, 8));
  EXPECT_STREQ("ab", inside.Bytes);

  Use("abcd");  // ends just as the buffer is full
  Buffer full;
  EXPECT_EQ(1, ReadString(full.Bytes, 4));
  EXPECT_STREQ("abc", full.Bytes);
  EXPECT_TRUE(full.GuardIntact(4));
  EXPECT_EQ(-1, ReadByte());
}

TEST(MemoryReader, OneByteBuffer)
{
  Use(std::string("q\0r", 3));
  Buffer buffer;
  EXPECT_EQ(1, ReadString(buffer.Bytes, 1));
  EXPECT_STREQ("", buffer.Bytes);
  EXPECT_TRUE(buffer.GuardIntact(1));
  EXPECT_EQ(1u, MemoryPayloadPosition());
}
