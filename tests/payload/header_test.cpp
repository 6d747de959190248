// The product header and the screen settings, read from the builder's own
// start-up sections and from cuts of them.
#include <gtest/gtest.h>
#include "app/flags.h"
#include "app/state.h"
#include "payload/header.h"
#include "payload/layout.h"
#include "payload/stream.h"
#include "tests/support/ui_driver.h"
#include "tests/support/files.h"
#include "tests/support/payloads.h"

// Reads both sections from a fresh setup file; true when both were read.
static bool Read(const Bytes& payload)
{
  static TempFolder folder;
  ClosePayload();
  InitSetupState();
  lstrcpyA(State.OwnPath, (folder / "SETUP.EXE").c_str());
  const bool read = WriteStandInSetup(State.OwnPath, payload) && ReadProductHeader() && ReadScreenSettings();
  return ClosePayload(), read;
}

TEST(Header, StartUpSectionsFillTheState)
{
  StartupFields fields;
  fields.Flags = PF_AGREEMENT_PAGE | PF_FRAMED_WINDOW;  // a bit in each byte of the word
  fields.Top = 0x00123456;
  for (bool panel : {false, true}) {
    fields.Panel = panel;
    Bytes payload = StartupSections(fields);
    if (!panel) payload.insert(payload.begin(), {0, 3, 1, 2, 3, 4, 5});  // no name: n = 3, n + 2 bytes, a name
    ASSERT_TRUE(Read(payload)) << panel;
    EXPECT_STREQ("テスト製品", State.ProductName);
    EXPECT_EQ(PF_AGREEMENT_PAGE | PF_FRAMED_WINDOW, State.PayloadFlags);
    EXPECT_EQ(0x00123456u, State.GradientTop);
    EXPECT_STREQ("標準フォント", State.FontFace);
    EXPECT_EQ(24, State.FontSize);
    EXPECT_STREQ("Norvalex.", State.FooterText);
    EXPECT_EQ(panel ? static_cast<unsigned char>((PANEL_BYTES - 1) * 7) : 0, State.PanelBitmap[PANEL_BYTES - 1]);
  }
  fields.Flags = PF_RANDOM_COLOURS;
  fields.Top = fields.Bottom = 0x00FFFFFF;
  ASSERT_TRUE(Read(StartupSections(fields)));
  EXPECT_NE(0x00FFFFFFu, State.GradientTop);
  EXPECT_EQ(0u, State.GradientBottom & ~0x3F3F3Fu) << "a dark random bottom";
}

TEST(Header, PayloadCutAnywhereInTheSectionsEndsTheRunSilently)
{
  StartupFields fields;
  fields.Panel = true;
  const Bytes whole = StartupSections(fields);
  BoxAnswerer answerer({});
  for (size_t cut = 0; cut < whole.size(); cut += cut < 200 ? 1 : 4099)
    EXPECT_FALSE(Read(Bytes(whole.begin(), whole.begin() + cut))) << cut;
  EXPECT_FALSE(Read(Bytes(whole.begin(), whole.end() - 1)));
  EXPECT_TRUE(answerer.Finish().empty());
}
