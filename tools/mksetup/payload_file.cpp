// The payload readers over a setup file on the host, for the lister: the
// same primitives the engine has, following continuation volumes by name
// when the payload is spanned. A missing volume ends the data.
#include <cstring>
#include <fstream>
#include <string>
#include "app/flags.h"
#include "payload/encode.h"
#include "payload/layout.h"
#include "payload/reader.h"
#include "tools/mksetup/payload_file.h"
#include "tools/mksetup/sign.h"
#include "tools/mksetup/volumes.h"

namespace {

struct {
  std::string Path;
  Bytes Data;
  size_t Position;
  int Volume;
  unsigned Flags;
  std::string Fault;
  bool Signed;
} File;

bool Load(const std::string& path, Bytes* data)
{
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  data->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

}  // namespace

bool OpenPayloadFile(const std::string& path, std::string* error)
{
  File = {};
  File.Path = path;
  if (!Load(path, &File.Data)) {
    *error = "cannot read " + path;
    return false;
  }
  uint32_t offset = 0;
  if (File.Data.size() >= PAYLOAD_OFFSET_WORD_AT + 4) memcpy(&offset, &File.Data[PAYLOAD_OFFSET_WORD_AT], 4);
  if (offset == 0 || offset > File.Data.size()) {
    *error = path + " carries no payload";
    return false;
  }
  // A signed setup's certificate table follows the payload's first part.
  const size_t table = CertificateTableStart(File.Data);
  File.Signed = table < File.Data.size();
  File.Data.resize(table);
  File.Position = offset;
  File.Volume = 1;
  return true;
}

std::string PayloadFaultText() { return File.Fault; }

bool PayloadAtEnd()
{
  // Up to seven zero bytes align a signature's table.
  size_t end = File.Data.size();
  while (File.Signed && File.Volume == 1 && end > File.Position && end + 8 > File.Data.size() && File.Data[end - 1] == 0)
    --end;
  return File.Position == end &&
         !((File.Flags & PF_SPANNED) && std::ifstream(VolumeName(File.Path, File.Volume + 1)).good());
}

// Makes sure a byte is at hand, passing on to the next volume if need be.
static bool HaveByte()
{
  while (File.Position == File.Data.size()) {
    if (!(File.Flags & PF_SPANNED) || File.Volume >= 999) return false;
    if (!Load(VolumeName(File.Path, File.Volume + 1), &File.Data)) return false;
    ++File.Volume;
    File.Position = 0;
  }
  return true;
}

int ReadByte() { return HaveByte() ? File.Data[File.Position++] : -1; }

void UsePayloadFlags(unsigned flags) { File.Flags = flags; }

void ReportPayloadFault(PayloadFault fault)
{
  File.Fault = fault == PAYLOAD_ENDED ? "the data ends where a record should start"
                                      : "a record holds a value no valid payload has";
}
