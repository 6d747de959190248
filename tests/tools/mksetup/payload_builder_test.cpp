// The builder's choices: stored or compressed bodies, the required size,
// and how a setup file is spread over volumes.
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <random>
#include "app/flags.h"
#include "tools/mksetup/payload_builder.h"
#include "tools/mksetup/volumes.h"

namespace fs = std::filesystem;

static Product WithFiles(const std::vector<Bytes>& contents)
{
  Product p;
  p.Name = "p";
  p.DefaultFolder = "C:\\p";
  p.Uninstaller = Bytes(1000, 'u');
  int n = 0;
  for (const Bytes& data : contents) {
    FileEntry f;
    f.Target = "f" + std::to_string(n++);
    f.File.Attributes = 0x20;
    f.File.Data = data;
    p.Files.push_back(f);
  }
  return p;
}

static Bytes Noise(size_t size)
{
  std::mt19937 random(99);
  Bytes b(size);
  for (auto& x : b) x = static_cast<unsigned char>(random());
  return b;
}

static Bytes Prose(size_t size)
{
  const std::string words = "the setup program installs files into the folder ";
  Bytes b;
  while (b.size() < size) b.insert(b.end(), words.begin(), words.end());
  b.resize(size);
  return b;
}

TEST(PayloadBuilder, AutomaticChoiceStoresWhatCompressionWouldGrow)
{
  const BuildResult noise = BuildPayload(WithFiles({Noise(50000)}), 4096);
  EXPECT_TRUE(noise.Flags & PF_STORED_BODIES);
  EXPECT_EQ(noise.BodyBytes, noise.EncodedBytes);

  const BuildResult prose = BuildPayload(WithFiles({Prose(50000)}), 4096);
  EXPECT_FALSE(prose.Flags & PF_STORED_BODIES);
  EXPECT_LT(prose.EncodedBytes * 2, prose.BodyBytes);
}

TEST(PayloadBuilder, ManifestChoiceOverridesTheAutomaticOne)
{
  Product never = WithFiles({Noise(9000)});
  never.Stored = StoredChoice::Never;
  const BuildResult compressed = BuildPayload(never, 4096);
  EXPECT_FALSE(compressed.Flags & PF_STORED_BODIES);
  EXPECT_GT(compressed.EncodedBytes, compressed.BodyBytes);

  Product always = WithFiles({Prose(9000)});
  always.Stored = StoredChoice::Always;
  EXPECT_TRUE(BuildPayload(always, 4096).Flags & PF_STORED_BODIES);
}

TEST(PayloadBuilder, RequiredSizeCountsWholeUnitsPerFile)
{
  // The uninstaller (1000 bytes) takes one unit; 1, 4096 and 4097 bytes take 1, 1 and 2.
  EXPECT_EQ(5u, BuildPayload(WithFiles({Bytes(1), Bytes(4096), Bytes(4097)}), 4096).RequiredUnits);
  Product given = WithFiles({Bytes(1)});
  given.RequiredGiven = true;
  given.RequiredUnits = 77;
  EXPECT_EQ(77u, BuildPayload(given, 4096).RequiredUnits);
}

TEST(PayloadBuilder, EndOffsetsAreAbsoluteFileOffsets)
{
  Product p = WithFiles({});
  const BuildResult built = BuildPayload(p, 5000);
  // Header "p", flags, colours, face, size, footer, panel flag, default
  // folder, required units: then the uninstaller's size and end offset.
  size_t at = 2 + 2 + 8 + p.Face.size() + 1 + 4 + p.Footer.size() + 1 + 1 + p.DefaultFolder.size() + 1 + 4;
  ASSERT_GT(built.Payload.size(), at + 8);
  const auto get32 = [&](size_t i) {
    return built.Payload[i] | built.Payload[i + 1] << 8 | built.Payload[i + 2] << 16 | built.Payload[i + 3] << 24;
  };
  EXPECT_EQ(1000, get32(at));
  // After the uninstaller's data: the file list's end byte, the ends of the
  // shared file, registry and file type lists, and the launch flag.
  const size_t tail = 1 + 1 + 1 + 1 + 1;
  EXPECT_EQ(static_cast<int>(5000 + built.Payload.size() - tail), get32(at + 4));
}

class Volumes : public ::testing::Test {
 protected:
  void SetUp() override
  {
    folder_ = fs::temp_directory_path() / ("volumes-test-" + std::to_string(getpid()));
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }
  static Bytes Read(const fs::path& path)
  {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  fs::path folder_;
};

TEST_F(Volumes, SpannedSetupFillsEachVolumeAndKeepsTheBytesInOrder)
{
  const Bytes image(3000, 'M');
  const Bytes payload = Noise(25000);
  std::vector<std::string> written;
  std::string error;
  const std::string out = (folder_ / "SETUP.EXE").string();
  ASSERT_TRUE(WriteSetup(out, image, payload, true, 10000, &written, &error)) << error;
  ASSERT_EQ(3u, written.size());  // 7000 + 10000 + 8000 bytes of payload
  EXPECT_EQ((folder_ / "SETUP.002").string(), written[1]);
  EXPECT_EQ((folder_ / "SETUP.003").string(), written[2]);
  Bytes joined;
  for (size_t i = 0; i < written.size(); ++i) {
    const Bytes part = Read(written[i]);
    EXPECT_LE(part.size(), 10000u);
    joined.insert(joined.end(), part.begin() + (i == 0 ? 3000 : 0), part.end());
  }
  EXPECT_EQ(payload, joined);
  const Bytes first = Read(written[0]);
  EXPECT_EQ(3000, first[0x30] | first[0x31] << 8);
}

TEST_F(Volumes, ImpossibleSpansAreRefused)
{
  std::vector<std::string> written;
  std::string error;
  const std::string out = (folder_ / "SETUP.EXE").string();
  EXPECT_FALSE(WriteSetup(out, Bytes(5000, 'M'), Bytes(10), true, 5000, &written, &error));
  EXPECT_NE(std::string::npos, error.find("does not leave room")) << error;
  EXPECT_FALSE(WriteSetup(out, Bytes(100, 'M'), Bytes(5000 * 1000), true, 5000, &written, &error));
  EXPECT_NE(std::string::npos, error.find("at most 999")) << error;
  EXPECT_TRUE(written.empty());
}
