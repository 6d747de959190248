// Writing the payload's encodings.
#include <gtest/gtest.h>
#include "payload/encode.h"

TEST(Encode, NumbersAreLittleEndian)
{
  Bytes out;
  PutWord(out, 0x1234);
  PutInt32(out, 0x89ABCDEFu);
  PutFileTime(out, 0x0102030405060708ull);
  const Bytes expected = {0x34, 0x12, 0xEF, 0xCD, 0xAB, 0x89,
                          0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01};
  EXPECT_EQ(expected, out);
}

TEST(Encode, StringFitsItsCapacityWithTheNul)
{
  Bytes out;
  EXPECT_TRUE(PutString(out, std::string(41, 'x'), 42));
  EXPECT_EQ(42u, out.size());
  EXPECT_EQ(0, out.back());
}

TEST(Encode, StringTooLongOrWithNulIsRefusedWhole)
{
  Bytes out;
  EXPECT_FALSE(PutString(out, std::string(42, 'x'), 42));
  EXPECT_FALSE(PutString(out, std::string("a\0b", 3), 42));
  EXPECT_TRUE(out.empty());
}

TEST(Encode, AttachPayloadStoresItsOffsetInTheDosHeader)
{
  Bytes image(100, 0xCC);
  const Bytes payload = {1, 2, 3};
  ASSERT_TRUE(AttachPayload(image, payload));
  ASSERT_EQ(103u, image.size());
  EXPECT_EQ(100, image[0x30]);
  EXPECT_EQ(0, image[0x31] | image[0x32] | image[0x33]);
  EXPECT_EQ(1, image[100]);
  EXPECT_EQ(0xCC, image[0x34]);
}

TEST(Encode, AttachPayloadRefusesAnImageWithoutRoomForTheOffset)
{
  Bytes image(0x33, 0);
  EXPECT_FALSE(AttachPayload(image, Bytes{1}));
  EXPECT_EQ(0x33u, image.size());
}
