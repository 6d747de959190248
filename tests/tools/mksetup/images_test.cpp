// The images the builder embeds, against the Windows build's own programs:
// only this engine's setup program and uninstaller of this version pass,
// and damaged bytes end the resource walk without reading past the file;
// the fixed version the same walk reads.
#include <gtest/gtest.h>
#include <fstream>
#include <random>
#include "tools/mksetup/images.h"

static Bytes Program(const char* name)
{
  std::ifstream in(std::string(TESTED_WINDOWS_BIN) + "/" + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(Images, OnlyThisEnginesOwnImagesAreEmbedded)
{
  std::mt19937 random(24);
  Bytes noise(4096), headed = Program("setup.exe"), finished = Program("setup.exe");
  for (unsigned char& byte : noise) byte = static_cast<unsigned char>(random());
  headed.resize(1024);  // the headers, and no section behind them
  ASSERT_TRUE(AttachPayload(finished, Bytes(64, 1)));
  const std::string text = "[product]\nname = \"x\"\n";
  const ImageKind E = ImageKind::Engine, U = ImageKind::Uninstaller;
  const struct {
    Bytes Image;
    ImageKind Kind;
    std::string Problem;
  } rows[] = {
      {Bytes(text.begin(), text.end()), U, "is not a Windows program"},
      {noise, E, "is not a Windows program"},
      {Program("viewer.exe"), E, "is not this engine's setup program: it has no version resource"},
      {headed, E, "is not this engine's setup program: it has no version resource"},
      {Program("samplelib.dll"), U, "is not this engine's uninstaller: its version resource names \"Sample Company\", not \"Norvalex.\""},
      {Program("uninstaller_later.exe"), U, "is version 3.0.0.1 of the engine's uninstaller; this mksetup takes 3.0.0.0"},
      {finished, E, "is a finished setup (a payload follows its image); give the engine's own setup.exe"},
      {Program("setup.exe"), U, "is the engine's setup program, not its uninstaller"},
      {Program("uninstaller.exe"), E, "is the engine's uninstaller, not its setup program"},
      {Program("setup.exe"), E, ""},
      {Program("uninstaller.exe"), U, ""},
      {Program("recorder_uninstaller.exe"), U, ""}};
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i)
    EXPECT_EQ(rows[i].Problem, ImageProblem(rows[i].Image, rows[i].Kind)) << "row " << i;

  // A shared library's fixed version decides whether it replaces the one
  // installed: the sample library is 1.2.0.0, the viewer has none.
  uint32_t high = 0, low = 0;
  EXPECT_TRUE(ReadPeVersion(Program("samplelib.dll"), &high, &low));
  EXPECT_EQ(0x00010002u, high);
  EXPECT_EQ(0u, low);
  EXPECT_FALSE(ReadPeVersion(Program("viewer.exe"), &high, &low));
  EXPECT_FALSE(ReadPeVersion(headed, &high, &low));
}
