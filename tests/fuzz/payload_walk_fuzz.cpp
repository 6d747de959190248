// fuzz_payload_walk: the whole-payload walk (every record reader and the
// LZW decoder behind them) over arbitrary bytes, attached behind an image
// and read back through the builder's lister, as `mksetup list` reads a
// setup. Besides the sanitizers' checks, a walk must repeat exactly.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include "payload/encode.h"
#include "payload/walk.h"
#include "tools/mksetup/payload_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  Bytes file(64);
  if (!AttachPayload(file, Bytes(data, data + size))) abort();
  std::ofstream("walk-input.exe", std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
  std::string first, second, error;
  if (!OpenPayloadFile("walk-input.exe", &error)) abort();
  const int result = WalkPayload(&first);
  if (!OpenPayloadFile("walk-input.exe", &error) || WalkPayload(&second) != result || second != first) abort();
  return 0;
}
