// The payload readers over a setup file on the host, for the lister: the
// same primitives the engine has, following continuation volumes by name
// when the payload is spanned. A missing volume ends the data. The files
// are read 64 KiB at a time, so a setup of any size is listed in the same
// memory.
#include <sys/stat.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include "app/flags.h"
#include "payload/encode.h"
#include "payload/layout.h"
#include "payload/reader.h"
#include "tools/mksetup/payload_file.h"
#include "tools/mksetup/little_endian.h"
#include "tools/mksetup/sign.h"
#include "tools/mksetup/volumes.h"

namespace {

enum { BUFFER_BYTES = 1 << 16 };

struct {
  std::string Path;
  FILE* Handle;
  Bytes Buffer;
  size_t Position, Count;  // in Buffer
  uint64_t Left;           // payload bytes of the open volume not yet in Buffer
  int Volume;
  unsigned Flags;
  std::string Fault;
  bool Signed;
  uint32_t Start;          // the payload's offset in the first volume
  std::function<void(uint64_t bytes)> Progressed;
} File;

uint64_t SizeOf(FILE* file)
{
  struct stat info;
  return fstat(fileno(file), &info) == 0 ? static_cast<uint64_t>(info.st_size) : 0;
}

}  // namespace

bool OpenPayloadFile(const std::string& path, std::string* error, std::function<void(uint64_t bytes)> progressed)
{
  ClosePayloadFile();
  File = {};
  File.Path = path;
  File.Progressed = std::move(progressed);
  File.Handle = fopen(path.c_str(), "rb");
  if (File.Handle == nullptr) {
    *error = path + ": " + (errno == ENOENT ? "no such file" : "cannot be read: " + std::string(strerror(errno)));
    return false;
  }
  const uint64_t size = SizeOf(File.Handle);
  File.Buffer.resize(BUFFER_BYTES);
  Bytes head(File.Buffer.size());
  head.resize(fread(head.data(), 1, head.size(), File.Handle));
  const uint32_t offset = head.size() >= PAYLOAD_OFFSET_WORD_AT + 4 ? Get32(head, PAYLOAD_OFFSET_WORD_AT) : 0;
  if (offset == 0 || offset > size || fseeko(File.Handle, offset, SEEK_SET) != 0) {
    *error = path + " carries no payload";
    return false;
  }
  // A signed setup's certificate table follows the payload's first part.
  const uint64_t table = CertificateTableStart(head, size);
  File.Signed = table < size;
  File.Left = table > offset ? table - offset : 0;
  File.Volume = 1;
  File.Start = offset;
  return true;
}

uint32_t PayloadStart() { return File.Start; }

void ClosePayloadFile()
{
  if (File.Handle != nullptr) fclose(File.Handle);
  File.Handle = nullptr;
}

std::string PayloadFaultText() { return File.Fault; }

// Makes sure a byte is at hand, passing on to the next volume if need be.
static bool HaveByte()
{
  while (File.Position == File.Count) {
    if (File.Left > 0) {
      const size_t got = fread(File.Buffer.data(), 1, std::min<uint64_t>(File.Left, File.Buffer.size()), File.Handle);
      if (got == 0) return false;
      File.Left -= got;
      File.Position = 0;
      File.Count = got;
      if (File.Progressed) File.Progressed(got);
      continue;
    }
    if (!(File.Flags & PF_SPANNED) || File.Volume >= MOST_VOLUMES) return false;
    FILE* next = fopen(VolumeName(File.Path, File.Volume + 1).c_str(), "rb");
    if (next == nullptr) return false;
    fclose(File.Handle);
    File.Handle = next;
    File.Left = SizeOf(next);
    ++File.Volume;
  }
  return true;
}

int ReadByte() { return HaveByte() ? File.Buffer[File.Position++] : -1; }

bool PayloadAtEnd()
{
  uint64_t unread = File.Count - File.Position + File.Left;
  // Up to seven zero bytes align a signature's table.
  for (; File.Signed && File.Volume == 1 && unread > 0 && unread < 8; --unread)
    if (ReadByte() != 0) return false;
  struct stat info;
  return unread == 0 &&
         !((File.Flags & PF_SPANNED) && stat(VolumeName(File.Path, File.Volume + 1).c_str(), &info) == 0);
}

void UsePayloadFlags(unsigned flags) { File.Flags = flags; }

void NotePayloadDamaged() { File.Fault = "a body's compressed codes do not decode"; }

void ReportPayloadFault(PayloadFault fault)
{
  File.Fault = fault == PAYLOAD_ENDED ? "the data ends where a record should start"
                                      : "a record holds a value no valid payload has";
}
