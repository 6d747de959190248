// The builder's choice of stored or compressed bodies, and the volumes of a
// spanned setup file.
#include <gtest/gtest.h>
#include <filesystem>
#include <random>
#include "app/flags.h"
#include "tools/mksetup/payload_builder.h"
#include "tools/mksetup/volumes.h"

TEST(PayloadBuilder, BodiesAreStoredWhereCompressionWouldGrowThemOrTheManifestSaysSo)
{
  std::mt19937 random(99);
  Bytes noise(50000), prose;
  for (auto& b : noise) b = static_cast<unsigned char>(random());
  for (const std::string words = "the setup program installs files "; prose.size() < 50000;)
    prose.insert(prose.end(), words.begin(), words.end());
  for (const bool stored : {false, true}) {  // automatic, then as the manifest says
    for (Bytes* data : {&noise, &prose}) {
      Product p;
      p.Files.push_back({"f", false, {"f", 0x20, 0, 0, 0, *data}});
      p.Stored = !stored ? StoredChoice::Automatic : data == &noise ? StoredChoice::Never : StoredChoice::Always;
      EXPECT_EQ((data == &noise) != stored, (BuildPayload(p, 4096).Flags & PF_STORED_BODIES) != 0) << stored;
    }
  }
}

TEST(Volumes, NoVolumeIsLargerThanItsSizeAndImpossibleSpansAreRefused)
{
  const auto folder = std::filesystem::temp_directory_path() / ("volumes-test-" + std::to_string(getpid()));
  const std::string out = (std::filesystem::create_directories(folder), folder / "SETUP.EXE").string();
  std::vector<std::string> written;
  std::string error;
  ASSERT_TRUE(WriteSetup(out, Bytes(3000, 'M'), Bytes(25000, 'p'), true, 10000, &written, &error)) << error;
  EXPECT_EQ(3u, written.size());
  for (const std::string& name : written) EXPECT_LE(std::filesystem::file_size(name), 10000u) << name;
  EXPECT_FALSE(WriteSetup(out, Bytes(5000, 'M'), Bytes(10), true, 5000, &written, &error));
  EXPECT_NE(std::string::npos, error.find("does not leave room")) << error;
  EXPECT_FALSE(WriteSetup(out, Bytes(100, 'M'), Bytes(5000 * 1000), true, 5000, &written, &error));
  EXPECT_NE(std::string::npos, error.find("at most 999")) << error;
  std::filesystem::remove_all(folder);
}
