// The builder's choice of stored or compressed bodies: stored where
// compression would grow them, or where the manifest says so.
#include <gtest/gtest.h>
#include <random>
#include "app/flags.h"
#include "tools/mksetup/payload_builder.h"

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
