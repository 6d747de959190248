// Record readers of the payload layout, over the primitive reads of
// reader.h. Bodies are decoded with a source that says "complete" as soon
// as the declared number of bytes has reached the sink, so no byte after a
// body's data is ever taken.
#include "payload/layout.h"
#include <cstring>
#include "app/flags.h"
#include "payload/reader.h"

int ReadHeaderFields(ProductHeader* header)
{
  if (!ReadString(header->Name, NAME_CAPACITY)) return 0;
  if (header->Name[0] == '\0') {
    // An empty first name is followed by a block of n + 2 bytes to skip and
    // then the real name; an early end of the data drops a single byte.
    const int n = ReadByte();
    for (int i = 0; i < n + 2; ++i) ReadByte();
    if (!ReadString(header->Name, NAME_CAPACITY)) return 0;
  }
  const int flags = ReadWord();
  if (flags < 0) return 0;
  header->Flags = static_cast<unsigned>(flags);
  UsePayloadFlags(header->Flags);
  return ReadBytes(&header->Top, 4) && ReadBytes(&header->Bottom, 4);
}

int ReadScreenFields(ScreenSettings* settings, unsigned char* panel)
{
  if (!ReadString(settings->Face, FACE_CAPACITY) || !ReadBytes(&settings->FontSize, 4) ||
      !ReadString(settings->Footer, FOOTER_CAPACITY)) {
    return 0;
  }
  // A payload cut short in the panel would leave a picture of stray bytes
  // and every later section misread, so it fails here.
  settings->PanelFlag = ReadByte();
  if (settings->PanelFlag < 0) return 0;
  if (settings->PanelFlag == 0) return 1;
  if (panel != nullptr) return ReadBytes(panel, PANEL_BYTES);
  for (int i = 0; i < PANEL_BYTES; ++i)
    if (ReadByte() < 0) return 0;
  return 1;
}

int ReadAgreementLength(uint32_t* length)
{
  uint32_t endOffset;
  return ReadBytes(length, 4) && ReadBytes(&endOffset, 4);
}

int ReadBodySize(uint32_t* size, unsigned flags)
{
  if (!ReadBytes(size, 4)) return 0;
  if (flags & PF_SPANNED) return 1;
  uint32_t endOffset;
  return ReadBytes(&endOffset, 4);
}

static struct {
  uint32_t Size;
  uint32_t Done;
  LzwSink Sink;
} Body;

static int BodySource()
{
  if (Body.Done == Body.Size) return LZW_COMPLETE;
  return ReadByte();
}

// A code whose string runs past the declared size is damaged data: the
// user's sink never receives more than `Size` bytes.
static int BodySink(int byte)
{
  if (Body.Done == Body.Size || !Body.Sink(byte)) return 0;
  ++Body.Done;
  return 1;
}

int DecodeBody(uint32_t size, bool stored, LzwSink sink)
{
  Body.Size = size;
  Body.Done = 0;
  Body.Sink = sink;
  if (!stored) {
    const int result = LzwDecode(BodySource, BodySink);
    if (result == LZW_CORRUPT) NotePayloadDamaged();
    return result == LZW_OK;
  }
  for (;;) {
    const int b = BodySource();
    if (b == LZW_COMPLETE) return 1;
    if (b < 0 || !BodySink(b)) return 0;
  }
}

int ReadItemHead(ItemRecord* item)
{
  if (!ReadBytes(&item->Attributes, 4)) {
    ReportPayloadFault(PAYLOAD_ENDED);
    return 0;
  }
  if (IsFolder(*item)) return 1;
  return ReadBytes(&item->Creation, 8) && ReadBytes(&item->LastAccess, 8) &&
         ReadBytes(&item->LastWrite, 8);
}

bool IsFolder(const ItemRecord& item) { return (item.Attributes & ATTRIBUTE_FOLDER) != 0; }

int ReadFileListPath(char* path)
{
  const int first = ReadByte();
  if (first < 0) return 0;
  path[0] = static_cast<char>(first);
  path[1] = '\0';
  if (first == 0) return 1;
  return ReadString(path + 1, FILE_PATH_CAPACITY);
}

static int ReadNamedString(char* text, int capacity)
{
  if (ReadString(text, capacity)) return 1;
  ReportPayloadFault(PAYLOAD_ENDED);
  return 0;
}

int ReadReferenceName(char* name) { return ReadNamedString(name, PATH_CAPACITY); }

int ReadShortcutName(char* name) { return ReadNamedString(name, SHORTCUT_NAME_CAPACITY); }

int ReadListPath(char* path)
{
  if (!ReadString(path, PATH_CAPACITY)) path[0] = '\0';
  return 1;
}

int ReadRegistryValue(int* type, uint32_t* length, unsigned char* data)
{
  *type = ReadByte();
  *length = 0;
  if (*type < 0) return 0;
  if (*type == 0) return 1;
  if (!ReadBytes(length, 4)) return 0;
  if (*length > MAX_REGISTRY_DATA) {
    ReportPayloadFault(PAYLOAD_DAMAGED);
    return 0;
  }
  return ReadBytes(data, static_cast<int>(*length));
}
