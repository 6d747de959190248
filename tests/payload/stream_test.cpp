// The payload reader on real files: the offset word, reads across its
// 512-byte buffer, failures reported once, and continuation volumes with the
// "FD交換" prompt answered on screen, one table of ways a user meets them.
#include <gtest/gtest.h>
#include "app/file_io.h"
#include "app/flags.h"
#include "app/state.h"
#include "payload/stream.h"
#include "tests/support/ui_driver.h"
#include "tests/support/files.h"
#include "tests/support/payloads.h"

class Stream : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }
  void Reset()  // a fresh state that reads SETUP.EXE of the test's folder
  {
    ClosePayload();
    IoInjectFault(IO_READ, -1, 0);
    InitSetupState();
    lstrcpyA(State.OwnPath, Volume("EXE").c_str());
  }
  void Open(const Bytes& payload)
  {
    ClosePayload();
    ASSERT_TRUE(WriteStandInSetup(State.OwnPath, payload));
    ASSERT_EQ(1, OpenPayload());
  }
  std::string Volume(const char* extension) { return folder_ / (std::string("SETUP.") + extension); }
  TempFolder folder_;
};

// The text of the one box, an error box, that was expected.
static std::string OneErrorBox(BoxAnswerer& answerer)
{
  const auto boxes = answerer.Finish();
  return boxes.size() == 1 && answerer.AllAnswered() ? boxes[0].Text : "";
}

TEST_F(Stream, StringsBlocksAndWordsReadAcrossTheBufferAndStopAtTheEnd)
{
  const std::string text = "straddling the 512-byte buffer, longer than 42 bytes";
  Bytes payload(500, 0x11);
  payload.insert(payload.end(), text.begin(), text.end());
  payload.insert(payload.end(), {0, 0x34, 0x12, 0xFF, 0xFF, 'a', 'b'});
  Open(payload);
  char buffer[512] = "";
  EXPECT_EQ(1, ReadBytes(buffer, 500));
  EXPECT_EQ(1, ReadString(buffer, 42));  // 41 bytes kept, the 42nd lost
  EXPECT_EQ(text.substr(0, 41), buffer);
  EXPECT_EQ(1, ReadString(buffer, 42));
  EXPECT_EQ(text.substr(42), buffer);
  EXPECT_EQ(0x1234, ReadWord());
  EXPECT_EQ(0xFFFF, ReadWord());
  EXPECT_EQ(1, ReadString(buffer, 42));  // cut by the end: counts as read
  EXPECT_STREQ("ab", buffer);
  EXPECT_EQ(0, ReadString(buffer, 4));
  EXPECT_EQ(0, ReadBytes(buffer, 1));
  EXPECT_EQ(-1, ReadWord());
}

TEST_F(Stream, FailuresAreReportedOnceAndAFailedReadIsTriedAgain)
{
  BoxAnswerer missing({{"ｴﾗｰ情報", IDOK}});
  EXPECT_EQ(0, OpenPayload());
  EXPECT_TRUE(EndsWith(OneErrorBox(missing), std::string("\n") + State.OwnPath));
  for (const Bytes& image : {StandInImage(), Bytes{'M', 'Z'}}) {
    ClosePayload();
    ASSERT_TRUE(WriteWholeFile(State.OwnPath, image));
    BoxAnswerer broken({{"ｴﾗｰ情報", IDOK}});
    EXPECT_EQ(0, OpenPayload());
    EXPECT_EQ("セットアッププログラムに障害があるため使用できません.", OneErrorBox(broken));
  }
  Open(Bytes{5, 6});
  IoInjectFault(IO_READ, 0, ERROR_CRC);
  BoxAnswerer failed({{"ｴﾗｰ情報", IDOK}});
  EXPECT_EQ(-1, ReadByte());
  EXPECT_TRUE(EndsWith(OneErrorBox(failed), "\nReadFile"));
  EXPECT_EQ(5, ReadByte());
}

TEST_F(Stream, VolumePromptIsAskedAgainUntilTheVolumeIsThereOrTheUserCancels)
{
  const std::string second = Volume("002");
  const auto put = [&] { WriteWholeFile(second, Bytes{42}); };
  const ExpectedBox ok{"FD交換", IDOK}, cancel{"FD交換", IDCANCEL}, error{"ｴﾗｰ情報", IDOK};
  const struct {
    const char* Case;
    unsigned Flags;
    std::vector<Bytes> Volumes;  // SETUP.002, SETUP.003
    std::vector<ExpectedBox> Boxes;
    std::vector<int> Reads;  // ReadByte after the first byte, in order
    std::vector<int> Asked;  // the volume each "FD交換" prompt asks for
  } rows[] = {
      {"present", PF_SPANNED, {{42}}, {ok}, {42}, {2}},
      {"empty volume", PF_SPANNED, {{}, {42}}, {ok, ok}, {42}, {2, 3}},
      {"missing, then put in", PF_SPANNED, {}, {ok, {"ｴﾗｰ情報", IDOK, put}, ok}, {42}, {2, 2}},
      {"cancelled, asked again", PF_SPANNED, {{42}}, {cancel, ok}, {-1, 42}, {2, 2}},
      {"missing, then cancelled", PF_SPANNED, {}, {ok, error, cancel, cancel}, {-1, -1}, {2, 2, 2}},
      {"not spanned", 0, {{42}}, {}, {-1, -1}, {}},
  };
  for (const auto& row : rows) {
    Reset();
    for (const char* name : {"002", "003"}) DeleteFileA(Volume(name).c_str());
    Open(Bytes{1});
    State.PayloadFlags = row.Flags;
    for (size_t i = 0; i < row.Volumes.size(); ++i) WriteWholeFile(Volume(i ? "003" : "002"), row.Volumes[i]);
    BoxAnswerer answerer(row.Boxes);
    std::vector<int> reads, asked;
    EXPECT_EQ(1, ReadByte()) << row.Case;
    for (size_t i = 0; i < row.Reads.size(); ++i) reads.push_back(ReadByte());
    for (const SeenBox& box : answerer.Finish()) {
      int number = 0;
      if (box.Caption == "FD交換" && sscanf(box.Text.c_str(), "次の FD (#%d) に入れ替えてください.", &number) == 1)
        asked.push_back(number);
      EXPECT_TRUE(box.Caption != "ｴﾗｰ情報" || EndsWith(box.Text, "\n" + second)) << box.Text;
    }
    EXPECT_TRUE(answerer.AllAnswered()) << row.Case;
    EXPECT_EQ(row.Reads, reads) << row.Case;
    EXPECT_EQ(row.Asked, asked) << row.Case;
  }
}
