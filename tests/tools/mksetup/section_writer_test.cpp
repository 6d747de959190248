// A source file too large to hold whole is written a piece at a time, its end offset filled in once the
// body is out; the record is still exactly the bytes of the file written whole, in every layout.
#include <gtest/gtest.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <random>
#include "app/flags.h"
#include "tools/mksetup/product.h"
#include "tools/mksetup/section_writer.h"

TEST(SectionWriter, ALargeFileWrittenInPiecesIsTheSameRecordAsWrittenWhole)
{
  std::mt19937 random(77);
  SourceFile whole{"", 0x20, 1, 2, 3, Bytes((16 << 20) + 4097)};
  for (size_t i = 0; i < whole.Data.size(); ++i) whole.Data[i] = static_cast<unsigned char>(i % 1000 ? i / 1000 % 3 : random());
  SourceFile pieces = whole;
  pieces.Origin = std::filesystem::temp_directory_path() / ("mksetup-large-" + std::to_string(getpid()));
  std::ofstream(pieces.Origin, std::ios::binary).write(reinterpret_cast<const char*>(whole.Data.data()), whole.Data.size());
  pieces.Size = whole.Data.size();
  pieces.Deferred = true;
  pieces.Data.clear();
  for (unsigned flags : {0u, unsigned{PF_STORED_BODIES}, unsigned{PF_SPANNED}}) {
    SectionWriter expected(5000, flags), writer(5000, flags);
    expected.Item(whole);
    Bytes got;
    writer.Sink = [&](const unsigned char* data, size_t size) { return got.insert(got.end(), data, data + size), true; };
    writer.Patch = [&](uint64_t at, const unsigned char* data, size_t size) { return std::copy(data, data + size, &got[at]), true; };
    writer.Item(pieces);
    ASSERT_TRUE(writer.Finish()) << writer.Error;
    EXPECT_TRUE(expected.Out == got) << "flags " << flags << ": " << expected.Out.size() << " bytes whole, " << got.size() << " in pieces";
  }
  std::remove(pieces.Origin.c_str());
}
