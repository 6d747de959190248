// The payload reader on real files: the start-up sections (product header
// and screen settings) read into the state, whole or cut; reads across a
// refill of its 64 KiB buffer; failures reported once; and continuation
// volumes with the "FD交換" prompt answered on screen, one table of ways a user meets them.
#include "app/file_io.h"
#include "app/flags.h"
#include "app/state.h"
#include "payload/header.h"
#include "payload/layout.h"
#include "payload/stream.h"
#include "tests/support/step_fixture.h"
#include "ui/agreement.h"

class Stream : public StepFixture {
 protected:
  // Reads both start-up sections from a new setup file; true when both were read.
  bool ReadSections(const Bytes& payload)
  {
    ClosePayload();
    return WriteStandInSetup(State.OwnPath, payload) && ReadProductHeader() && ReadScreenSettings();
  }
  std::string Volume(const char* extension) { return aside_ / (std::string("SETUP.") + extension); }
};

// The product header and the screen settings as the builder writes them,
// with a bit in each byte of the flag word; the panel's byte i is (i * 7) & 0xFF.
static Bytes StartupSections(bool panel)
{
  Product p;
  p.Name = "テスト製品", p.Face = "標準フォント", p.FontSize = 24, p.Footer = "Norvalex.";
  for (int i = 0; panel && i < PANEL_BYTES; ++i) p.Panel.push_back(static_cast<unsigned char>(i * 7));
  SectionWriter writer(0, PF_AGREEMENT_PAGE | PF_FRAMED_WINDOW);
  writer.Startup(p);
  return writer.Out;
}

TEST_F(Stream, StartUpSectionsFillTheState)
{
  for (bool panel : {false, true}) {
    Bytes payload = StartupSections(panel);
    if (!panel) payload.insert(payload.begin(), {0, 3, 1, 2, 3, 4, 5});  // no name: n = 3, n + 2 bytes, a name
    ASSERT_TRUE(ReadSections(payload)) << panel;
    EXPECT_STREQ("テスト製品", State.ProductName);
    EXPECT_EQ(PF_AGREEMENT_PAGE | PF_FRAMED_WINDOW, State.PayloadFlags);
    EXPECT_STREQ("標準フォント", State.FontFace);
    EXPECT_EQ(24, State.FontSize);
    EXPECT_STREQ("Norvalex.", State.FooterText);
    EXPECT_EQ(panel ? static_cast<unsigned char>((PANEL_BYTES - 1) * 7) : 0, State.PanelBitmap[PANEL_BYTES - 1]);
  }
}

TEST_F(Stream, PayloadCutAnywhereInTheStartUpSectionsEndsTheRunSilently)
{
  const Bytes whole = StartupSections(true);
  for (size_t cut = 0; cut < whole.size(); cut += cut < 200 ? 1 : 4099)
    EXPECT_FALSE(ReadSections(Bytes(whole.begin(), whole.begin() + cut))) << cut;
  EXPECT_FALSE(ReadSections(Bytes(whole.begin(), whole.end() - 1)));  // and no box, or the fixture fails
}

TEST_F(Stream, AStringLongerThanItsBufferKeepsWhatFitsAndTheEndOfTheDataStopsReads)
{
  const std::string text = "straddling the reader's refill, longer than 42 bytes";
  Bytes payload(PAYLOAD_BUFFER_BYTES - 20, 0x11);  // the reader's buffer ends inside the string's first 41 bytes
  payload.insert(payload.end(), text.begin(), text.end());
  payload.insert(payload.end(), {0, 0xFF, 0xFF, 'a', 'b'});
  Open(payload);
  std::vector<char> buffer(PAYLOAD_BUFFER_BYTES);
  ASSERT_TRUE(ReadBytes(buffer.data(), PAYLOAD_BUFFER_BYTES - 20) && ReadString(buffer.data(), 42));
  EXPECT_EQ(text.substr(0, 41), buffer.data()) << "41 bytes kept, the 42nd lost";
  EXPECT_TRUE(ReadString(buffer.data(), 42) && text.substr(42) == buffer.data() && ReadWord() == 0xFFFF);
  EXPECT_TRUE(ReadString(buffer.data(), 42) && !strcmp(buffer.data(), "ab")) << "cut by the end: counts as read";
  EXPECT_TRUE(!ReadString(buffer.data(), 4) && ReadWord() == -1);
}

TEST_F(Stream, AnAgreementTooLongToShowIsReadThroughToTheDefaultFolder)
{
  const uint32_t length = MAX_AGREEMENT_BYTES + 1;
  Bytes payload(8 + length, 'x');
  memcpy(payload.data(), &length, 4);
  payload.insert(payload.end(), {'C', ':', '\\', 0});
  Open(payload, PF_STORED_BODIES);
  LoadAgreement();
  char folder[8] = "";
  EXPECT_TRUE(State.AgreementText == nullptr && ReadString(folder, 8) && !strcmp(folder, "C:\\"));
}

TEST_F(Stream, FailuresAreReportedOnceAndAFailedReadIsTriedAgain)
{
  EXPECT_EQ(0, OpenPayload());
  ExpectOneErrorAbout(State.OwnPath);
  Bytes header(64);  // "MZ" and an empty DOS header: no payload offset
  header[0] = 'M', header[1] = 'Z';
  Bytes beyondSeeking = header;  // an offset of 2 GiB, which a seek cannot reach
  beyondSeeking[0x33] = 0x80;
  for (const Bytes& image : {header, Bytes{'M', 'Z'}, beyondSeeking}) {
    ClosePayload();
    ASSERT_TRUE(WriteWholeFile(State.OwnPath, image));
    EXPECT_EQ(0, OpenPayload());
    ExpectOneErrorAbout("セットアッププログラムに障害があるため使用できません.");
  }
  Open(Bytes{5, 6});
  IoInjectFault(IO_READ, 0, ERROR_CRC);
  EXPECT_EQ(-1, ReadByte());
  ExpectOneErrorAbout("ReadFile");
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
    std::vector<int> Reads;  // ReadByte, in order
    std::vector<int> Asked;  // the volume each "FD交換" prompt asks for
  } rows[] = {
      {"empty volume", PF_SPANNED, {{}, {42}}, {ok, ok}, {1, 42}, {2, 3}},
      {"missing, then put in", PF_SPANNED, {}, {ok, {"ｴﾗｰ情報", IDOK, put}, ok}, {1, 42}, {2, 2}},
      {"cancelled, asked again", PF_SPANNED, {{42}}, {cancel, ok}, {1, -1, 42}, {2, 2}},
      {"missing, then cancelled", PF_SPANNED, {}, {ok, error, cancel, cancel}, {1, -1, -1}, {2, 2, 2}},
      {"not spanned", 0, {{42}}, {}, {1, -1, -1}, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Case);
    ClosePayload();  // lets go of the last row's volume
    State.Payload.VolumeNumber = 0;
    for (const char* name : {"002", "003"}) DeleteFileA(Volume(name).c_str());
    for (size_t i = 0; i < row.Volumes.size(); ++i) WriteWholeFile(Volume(i ? "003" : "002"), row.Volumes[i]);
    Open(Bytes{1}, row.Flags);
    Answer(row.Boxes);
    std::vector<int> reads, asked;
    while (reads.size() < row.Reads.size()) reads.push_back(ReadByte());
    const std::vector<SeenBox> seen = Boxes();
    EXPECT_EQ(row.Boxes.size(), seen.size());
    for (const SeenBox& box : seen) {
      EXPECT_TRUE(box.Expected) << box.Caption;
      int number = 0;
      if (sscanf(box.Text.c_str(), "次の FD (#%d) に入れ替えてください.", &number) == 1) asked.push_back(number);
      EXPECT_TRUE(box.Caption != "ｴﾗｰ情報" || EndsWith(box.Text, "\n" + second)) << box.Text;
    }
    EXPECT_EQ(row.Reads, reads);
    EXPECT_EQ(row.Asked, asked);
  }
}
