// The payload reader on real files: the executable with its offset word,
// reads across the 512-byte buffer, and continuation volumes with the
// "FD交換" prompt answered on screen.
#include <gtest/gtest.h>
#include "app/file_io.h"
#include "app/flags.h"
#include "app/state.h"
#include "payload/stream.h"
#include "tests/support/box_answerer.h"
#include "tests/support/files.h"
#include "tests/support/payloads.h"

class Stream : public ::testing::Test {
 protected:
  void SetUp() override
  {
    InitSetupState();
    lstrcpyA(State.OwnPath, (folder_ / "SETUP.EXE").c_str());
  }
  void TearDown() override
  {
    ClosePayload();
    IoInjectFault(IO_READ, -1, 0);
  }
  // Writes SETUP.EXE with the payload behind a stand-in image and opens it.
  void Open(const Bytes& payload)
  {
    Bytes image = StandInImage();
    ASSERT_TRUE(AttachPayload(image, payload));
    ASSERT_TRUE(WriteWholeFile(State.OwnPath, image));
    ASSERT_EQ(1, OpenPayload());
  }
  std::string Volume(const char* number) { return folder_ / (std::string("SETUP.") + number); }
  std::string ReadText(int capacity)
  {
    std::vector<char> text(capacity, '#');
    EXPECT_EQ(1, ReadString(text.data(), capacity));
    return text.data();
  }
  TempFolder folder_;
};

static Bytes Text(const std::string& s, bool nul = true)
{
  Bytes b(s.begin(), s.end());
  if (nul) b.push_back(0);
  return b;
}

static Bytes Concat(Bytes a, const Bytes& b)
{
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(Stream, WordsAreLittleEndianAndFFFFIsAValue)
{
  Open(Bytes{0x34, 0x12, 0xFF, 0xFF, 0x01});
  EXPECT_EQ(0x1234, ReadWord());
  EXPECT_EQ(65535, ReadWord());
  EXPECT_EQ(-1, ReadWord());  // only one byte left
  EXPECT_EQ(-1, ReadByte());
}

TEST_F(Stream, ReadingStartsAtThePayloadOffset)
{
  Open(Bytes{7, 8});
  EXPECT_EQ(1, State.Payload.VolumeNumber);
  EXPECT_EQ(7, ReadByte());
  EXPECT_EQ(8, ReadByte());
  EXPECT_EQ(-1, ReadByte());
  EXPECT_EQ(-1, ReadByte());  // the end stays the end, silently
}

TEST_F(Stream, StringOfCapacityMinusOneIsReadWhole)
{
  Open(Concat(Text(std::string(41, 'a')), Bytes{0x5A}));
  EXPECT_EQ(std::string(41, 'a'), ReadText(42));
  EXPECT_EQ(0x5A, ReadByte());
}

TEST_F(Stream, LongerStringIsCutAndItsTailStaysInTheStream)
{
  std::string s;
  for (int i = 0; i < 45; ++i) s += static_cast<char>('A' + i % 26);
  Open(Text(s));
  EXPECT_EQ(s.substr(0, 41), ReadText(42));
  // The 42nd character is lost; the next read starts at the 43rd.
  EXPECT_EQ(s.substr(42), ReadText(42));
}

TEST_F(Stream, StringsAndBlocksStraddleThe512ByteReads)
{
  Bytes payload(500, 0x11);
  payload = Concat(payload, Text("straddling the buffer boundary"));
  payload.resize(1030, 0x22);
  Open(payload);
  std::vector<unsigned char> head(500);
  ASSERT_EQ(1, ReadBytes(head.data(), 500));
  EXPECT_EQ("straddling the buffer boundary", ReadText(260));
  std::vector<unsigned char> rest(1030 - 531);
  ASSERT_EQ(1, ReadBytes(rest.data(), static_cast<int>(rest.size())));
  EXPECT_EQ(0x22, rest.back());
  EXPECT_EQ(-1, ReadByte());
}

TEST_F(Stream, StringAtTheVeryEndFailsAndACutOneCountsAsRead)
{
  Open(Text("abc", false));
  EXPECT_EQ("abc", ReadText(42));
  char untouched[4] = "xyz";
  EXPECT_EQ(0, ReadString(untouched, sizeof untouched));
  EXPECT_STREQ("xyz", untouched);
}

TEST_F(Stream, BlockLongerThanTheDataKeepsWhatWasThere)
{
  Open(Bytes{1, 2});
  unsigned char block[4] = {9, 9, 9, 9};
  EXPECT_EQ(0, ReadBytes(block, 4));
  EXPECT_EQ(1, block[0]);
  EXPECT_EQ(2, block[1]);
  EXPECT_EQ(9, block[2]);
  EXPECT_EQ(1, ReadBytes(block, 0));
}

TEST_F(Stream, ZeroPayloadOffsetIsReportedOnce)
{
  ASSERT_TRUE(WriteWholeFile(State.OwnPath, StandInImage()));
  BoxAnswerer answerer({{"ｴﾗｰ情報", IDOK}});
  EXPECT_EQ(0, OpenPayload());
  const auto boxes = answerer.Finish();
  ASSERT_TRUE(answerer.AllAnswered());
  EXPECT_EQ("セットアッププログラムに障害があるため使用できません.", boxes[0].Text);
  EXPECT_EQ(nullptr, boxes[0].Owner);
}

TEST_F(Stream, FileTooShortForTheOffsetWordCountsAsNoPayload)
{
  ASSERT_TRUE(WriteWholeFile(State.OwnPath, Bytes{'M', 'Z'}));
  BoxAnswerer answerer({{"ｴﾗｰ情報", IDOK}});
  EXPECT_EQ(0, OpenPayload());
  answerer.Finish();
  EXPECT_TRUE(answerer.AllAnswered());
}

TEST_F(Stream, MissingExecutableIsReportedWithItsPath)
{
  BoxAnswerer answerer({{"ｴﾗｰ情報", IDOK}});
  EXPECT_EQ(0, OpenPayload());
  const auto boxes = answerer.Finish();
  ASSERT_EQ(1u, boxes.size());
  const std::string tail = std::string("\n") + State.OwnPath;
  EXPECT_EQ(tail, boxes[0].Text.substr(boxes[0].Text.size() - tail.size()));
}

TEST_F(Stream, FailedReadIsReportedAndTheNextReadTriesAgain)
{
  Open(Bytes{5, 6});
  IoInjectFault(IO_READ, 0, ERROR_CRC);
  BoxAnswerer answerer({{"ｴﾗｰ情報", IDOK}});
  EXPECT_EQ(-1, ReadByte());
  const auto boxes = answerer.Finish();
  ASSERT_EQ(1u, boxes.size());
  EXPECT_EQ("\nReadFile", boxes[0].Text.substr(boxes[0].Text.size() - 9));
  EXPECT_EQ(5, ReadByte());
}

class Volumes : public Stream {
 protected:
  static std::string Prompt(int number)
  {
    char text[64];
    wsprintfA(text, "次の FD (#%d) に入れ替えてください.", number);
    return text;
  }
};

TEST_F(Volumes, DataContinuesAcrossVolumesAfterEachPrompt)
{
  // A string straddles the executable and SETUP.002, a word SETUP.002 and SETUP.003.
  Open(Text("first half ", false));
  State.PayloadFlags = PF_SPANNED;
  ASSERT_TRUE(WriteWholeFile(Volume("002"), Concat(Text("second half"), Bytes{0x34})));
  ASSERT_TRUE(WriteWholeFile(Volume("003"), Bytes{0x12, 0x77}));

  BoxAnswerer answerer({{"FD交換", IDOK}, {"FD交換", IDOK}});
  EXPECT_EQ("first half second half", ReadText(260));
  EXPECT_EQ(0x1234, ReadWord());
  EXPECT_EQ(0x77, ReadByte());
  const auto boxes = answerer.Finish();
  ASSERT_TRUE(answerer.AllAnswered());
  ASSERT_EQ(2u, boxes.size());
  EXPECT_EQ(Prompt(2), boxes[0].Text);
  EXPECT_EQ(Prompt(3), boxes[1].Text);
  EXPECT_EQ(3, State.Payload.VolumeNumber);
}

TEST_F(Volumes, EmptyVolumeLeadsStraightToTheNextPrompt)
{
  Open(Bytes{1});
  State.PayloadFlags = PF_SPANNED;
  ASSERT_TRUE(WriteWholeFile(Volume("002"), Bytes{}));
  ASSERT_TRUE(WriteWholeFile(Volume("003"), Bytes{2}));
  BoxAnswerer answerer({{"FD交換", IDOK}, {"FD交換", IDOK}});
  EXPECT_EQ(1, ReadByte());
  EXPECT_EQ(2, ReadByte());
  const auto boxes = answerer.Finish();
  ASSERT_EQ(2u, boxes.size());
  EXPECT_EQ(Prompt(3), boxes[1].Text);
}

TEST_F(Volumes, MissingVolumeIsReportedThenAskedForAgain)
{
  Open(Bytes{1});
  State.PayloadFlags = PF_SPANNED;
  const std::string second = Volume("002");
  BoxAnswerer answerer({{"FD交換", IDOK},
                        {"ｴﾗｰ情報", IDOK, [&] { WriteWholeFile(second, Bytes{42}); }},
                        {"FD交換", IDOK}});
  EXPECT_EQ(1, ReadByte());
  EXPECT_EQ(42, ReadByte());
  const auto boxes = answerer.Finish();
  ASSERT_TRUE(answerer.AllAnswered());
  ASSERT_EQ(3u, boxes.size());
  EXPECT_EQ("\n" + second, boxes[1].Text.substr(boxes[1].Text.size() - second.size() - 1));
  EXPECT_EQ(Prompt(2), boxes[2].Text);
  EXPECT_EQ(2, State.Payload.VolumeNumber);
}

TEST_F(Volumes, CancelEndsTheReadAndTheNextReadAsksAgain)
{
  Open(Bytes{1});
  State.PayloadFlags = PF_SPANNED;
  ASSERT_TRUE(WriteWholeFile(Volume("002"), Bytes{2}));
  BoxAnswerer answerer({{"FD交換", IDCANCEL}, {"FD交換", IDOK}});
  EXPECT_EQ(1, ReadByte());
  EXPECT_EQ(-1, ReadByte());
  EXPECT_EQ(2, ReadByte());
  const auto boxes = answerer.Finish();
  ASSERT_TRUE(answerer.AllAnswered());
  EXPECT_EQ(Prompt(2), boxes[0].Text);
  EXPECT_EQ(Prompt(2), boxes[1].Text);
}

TEST_F(Volumes, CancelAfterAMissingVolumeAsksForTheSameVolumeNextTime)
{
  Open(Bytes{1});
  State.PayloadFlags = PF_SPANNED;
  BoxAnswerer answerer({{"FD交換", IDOK}, {"ｴﾗｰ情報", IDOK}, {"FD交換", IDCANCEL},
                        {"FD交換", IDCANCEL}});
  EXPECT_EQ(1, ReadByte());
  EXPECT_EQ(-1, ReadByte());
  EXPECT_EQ(-1, ReadByte());
  const auto boxes = answerer.Finish();
  ASSERT_TRUE(answerer.AllAnswered());
  EXPECT_EQ(Prompt(2), boxes[3].Text);
}

TEST_F(Volumes, WithoutTheSpannedFlagTheEndIsSilent)
{
  Open(Bytes{1});
  ASSERT_TRUE(WriteWholeFile(Volume("002"), Bytes{2}));
  BoxAnswerer answerer({});
  EXPECT_EQ(1, ReadByte());
  EXPECT_EQ(-1, ReadByte());
  EXPECT_EQ(-1, ReadByte());
  EXPECT_TRUE(answerer.Finish().empty());
}
