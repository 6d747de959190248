// SHA-256 against the standard's own examples, fed whole and in pieces
// that straddle the 64-byte blocks.
#include <gtest/gtest.h>
#include <string>
#include "app/sha256.h"

static std::string Digest(const std::string& message, size_t piece)
{
  Sha256 sha;
  Sha256Start(&sha);
  for (size_t at = 0; at < message.size(); at += piece) Sha256Add(&sha, message.data() + at, std::min(piece, message.size() - at));
  unsigned char digest[SHA256_BYTES];
  Sha256Finish(&sha, digest);
  char text[SHA256_TEXT_BYTES];
  Sha256Text(digest, text);
  return text;
}

TEST(Sha256, StandardVectorsWholeAndInPieces)
{
  const std::pair<std::string, const char*> rows[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"}};
  for (const auto& row : rows)
    for (size_t piece : {size_t(1), size_t(63), size_t(64), size_t(65), row.first.size() + 1})
      EXPECT_EQ(row.second, Digest(row.first, piece)) << row.first.size() << " bytes in pieces of " << piece;
}
