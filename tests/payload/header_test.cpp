// The product header and the screen settings read from crafted payloads.
#include <gtest/gtest.h>
#include "app/flags.h"
#include "app/state.h"
#include "payload/header.h"
#include "payload/stream.h"
#include "tests/support/box_answerer.h"
#include "tests/support/files.h"
#include "tests/support/payloads.h"

class Header : public ::testing::Test {
 protected:
  void SetUp() override
  {
    InitSetupState();
    lstrcpyA(State.OwnPath, (folder_ / "SETUP.EXE").c_str());
  }
  void TearDown() override { ClosePayload(); }
  void Write(const Bytes& payload)
  {
    Bytes image = StandInImage();
    ASSERT_TRUE(AttachPayload(image, payload));
    ASSERT_TRUE(WriteWholeFile(State.OwnPath, image));
  }
  TempFolder folder_;
};

TEST_F(Header, StartUpSectionsFillTheState)
{
  StartupFields fields;
  fields.Flags = PF_AGREEMENT_PAGE | PF_FRAMED_WINDOW;
  fields.Top = 0x00123456;
  fields.Bottom = 0x00654321;
  Bytes payload = StartupSections(fields);
  payload.push_back(0xAB);
  Write(payload);

  ASSERT_EQ(1, ReadProductHeader());
  ASSERT_EQ(1, ReadScreenSettings());
  EXPECT_STREQ("テスト製品", State.ProductName);
  EXPECT_EQ(PF_AGREEMENT_PAGE | PF_FRAMED_WINDOW, State.PayloadFlags);
  EXPECT_EQ(0x00123456u, State.GradientTop);
  EXPECT_EQ(0x00654321u, State.GradientBottom);
  EXPECT_STREQ("標準フォント", State.FontFace);
  EXPECT_EQ(24, State.FontSize);
  EXPECT_STREQ("Norvalex.", State.FooterText);
  EXPECT_EQ(9, State.FooterLength);
  EXPECT_EQ(0, State.PanelFlag);
  // With no panel the next section starts right after the flag byte.
  EXPECT_EQ(0xAB, ReadByte());
}

TEST_F(Header, FlagWordIsLowByteFirst)
{
  Bytes payload;
  PutString(payload, "x", 42);
  PutByte(payload, 0x00);
  PutByte(payload, 0x20);
  PutInt32(payload, 0);
  PutInt32(payload, 0);
  Write(payload);
  ASSERT_EQ(1, ReadProductHeader());
  EXPECT_EQ(0x2000u, State.PayloadFlags);
}

TEST_F(Header, EmptyNameIsFollowedByASkipBlockAndTheRealName)
{
  StartupFields fields;
  fields.Name = "本当の名前";
  fields.Flags = PF_USER_PAGE;
  Bytes payload;
  PutString(payload, "", 42);
  PutByte(payload, 3);
  PutBytes(payload, "\x01\x02\x03\x04\x05", 5);  // n + 2 bytes, not interpreted
  const Bytes rest = StartupSections(fields);
  payload.insert(payload.end(), rest.begin(), rest.end());
  Write(payload);
  ASSERT_EQ(1, ReadProductHeader());
  EXPECT_STREQ("本当の名前", State.ProductName);
  EXPECT_EQ(PF_USER_PAGE, State.PayloadFlags);
  ASSERT_EQ(1, ReadScreenSettings());
  EXPECT_STREQ("Norvalex.", State.FooterText);
}

TEST_F(Header, PanelPictureIsReadWhole)
{
  StartupFields fields;
  fields.Panel = true;
  Bytes payload = StartupSections(fields);
  payload.push_back(0xCD);
  Write(payload);
  ASSERT_EQ(1, ReadProductHeader());
  ASSERT_EQ(1, ReadScreenSettings());
  EXPECT_NE(0, State.PanelFlag);
  EXPECT_EQ(static_cast<unsigned char>(106711 * 7), State.PanelBitmap[106711]);
  EXPECT_EQ(0xCD, ReadByte());
}

TEST_F(Header, RandomColoursReplaceThePayloadsAndTheBottomIsDark)
{
  StartupFields fields;
  fields.Flags = PF_RANDOM_COLOURS;
  fields.Top = 0x00FFFFFF;
  fields.Bottom = 0x00FFFFFF;
  Write(StartupSections(fields));
  ASSERT_EQ(1, ReadProductHeader());
  EXPECT_NE(0x00FFFFFFu, State.GradientTop);
  EXPECT_EQ(0u, State.GradientBottom & ~0x3F3F3Fu);
}

TEST_F(Header, PayloadEndingInsideEitherSectionEndsTheRunSilently)
{
  const Bytes whole = StartupSections(StartupFields{});
  const size_t headerLength = 11 + 2 + 8;  // "テスト製品" + NUL, flags, colours
  for (size_t cut : {size_t{0}, size_t{5}, size_t{12}, headerLength - 1, headerLength,
                     headerLength + 10, whole.size() - 1}) {
    SCOPED_TRACE(cut);
    InitSetupState();
    lstrcpyA(State.OwnPath, (folder_ / "SETUP.EXE").c_str());
    Write(Bytes(whole.begin(), whole.begin() + cut));
    BoxAnswerer answerer({});
    const bool read = ReadProductHeader() && ReadScreenSettings();
    EXPECT_FALSE(read);
    EXPECT_TRUE(answerer.Finish().empty());
    ClosePayload();
  }
}

TEST_F(Header, PanelCutShortEndsTheRun)
{
  StartupFields fields;
  fields.Panel = true;
  Bytes payload = StartupSections(fields);
  payload.resize(payload.size() - 1);
  Write(payload);
  ASSERT_EQ(1, ReadProductHeader());
  EXPECT_EQ(0, ReadScreenSettings());
}
