// Size texts as the confirmation page shows them, the space check's
// comparison of two such texts, and the free share behind the space meter.
#include <gtest/gtest.h>
#include "ui/size_text.h"

TEST(SizeText, TextsComparisonsAndLevelsAreWhatTheUserSees)
{
  const struct {
    unsigned long long Count;
    const char* Text;
  } texts[] = {{0, "0B"}, {1023, "1023B"}, {1034, "1KB"}, {1035, "1.01KB"}, {(1ull << 20) - 1, "1023.99KB"},
               {(1ull << 20) + 1023, "1MB"}, {123456789, "117.73MB"}, {1ull << 32, "4GB"}, {~0ull, "15.99EB"}};
  for (const auto& row : texts) {
    char text[10];  // exactly what callers are promised to need
    FormatByteSize(static_cast<unsigned>(row.Count), static_cast<unsigned>(row.Count >> 32), text);
    EXPECT_STREQ(row.Text, text) << row.Count;
  }
  const char* fits[][2] = {{"10MB", "1.50GB"}, {"1023B", "1KB"}, {"117.73MB", "117.73MB"}, {"1.05MB", "1.50MB"},
                           {"12B", "900B"}, {"", "0B"}};
  const char* fitsNot[][2] = {{"1KB", "1023B"}, {"1.50GB", "900MB"}, {"1.50MB", "1.05MB"}, {"1KB", "\xFF"}};
  for (const auto& row : fits) EXPECT_TRUE(SizeTextFits(row[0], row[1])) << row[0] << " in " << row[1];
  for (const auto& row : fitsNot) EXPECT_FALSE(SizeTextFits(row[0], row[1])) << row[0] << " in " << row[1];
  EXPECT_GT(SizeTextValue("99999999999999999999999B"), SizeTextValue("1023.99KB"));  // no wrap round
  const unsigned long long G = 1ull << 30;
  const unsigned long long levels[][3] = {{599, 1000, 5}, {1000, 1000, 10}, {9, 9, 0}, {G * 9 / 2, G * 5, 9},
                                          {G * 2, G * 8 + G / 5, 2}, {~0ull, ~0ull, 10}};
  for (const auto& row : levels) EXPECT_EQ(static_cast<int>(row[2]), SpaceLevel(row[0], row[1])) << row[0] << "/" << row[1];
}
