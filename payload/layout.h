// The records of the payload after its start-up sections, read field by
// field in payload order. Each reader takes exactly its own bytes; compressed
// data is decoded into the caller's sink. Results are 1 or 0; where the data
// ends at the start of a record the reader reports it (ReportPayloadFault),
// otherwise a 0 carries no message of its own. Portable.
#pragma once
#include <cstdint>
#include "payload/lzw.h"

enum {
  NAME_CAPACITY = 42,           // product name
  FACE_CAPACITY = 32,           // font face
  FOOTER_CAPACITY = 41,         // footer text
  PATH_CAPACITY = 260,          // paths, arguments, descriptions
  FILE_PATH_CAPACITY = 259,     // file list paths after their first byte
  SHORTCUT_NAME_CAPACITY = 41,  // shortcut names
  MAX_REGISTRY_DATA = 260,      // bytes of one registry value
  PANEL_BYTES = 106712,         // BITMAPINFOHEADER + 157x226 24-bit rows
  ATTRIBUTE_FOLDER = 0x10,
  MAX_AGREEMENT_BYTES = 16 * 1024 * 1024,  // a longer agreement is damage, not text
  PAYLOAD_OFFSET_WORD_AT = 0x30,           // where the image keeps the payload's file offset
  LARGEST_PAYLOAD_OFFSET = 0x7FFFFFFF,     // a seek takes a signed offset
};

struct ProductHeader {
  char Name[NAME_CAPACITY];
  unsigned Flags;
  uint32_t Top;
  uint32_t Bottom;
};

struct ScreenSettings {
  char Face[FACE_CAPACITY];
  int32_t FontSize;
  char Footer[FOOTER_CAPACITY];
  int PanelFlag;
};

struct FileTime64 {
  uint32_t Low;
  uint32_t High;
};

struct ItemRecord {
  uint32_t Attributes;  // with ATTRIBUTE_FOLDER the record ends after this field
  FileTime64 Creation;
  FileTime64 LastAccess;
  FileTime64 LastWrite;
};

// Start-up sections. A panel picture goes to `panel` (PANEL_BYTES), or is
// read through when `panel` is null.
int ReadHeaderFields(ProductHeader* header);
int ReadScreenFields(ScreenSettings* settings, unsigned char* panel);

// The agreement block's text length; its data follows (DecodeBody).
int ReadAgreementLength(uint32_t* length);

// A file body's size (and its end offset, unless the payload is spanned);
// its data follows (DecodeBody).
int ReadBodySize(uint32_t* size, unsigned flags);

// Passes exactly `size` decoded bytes to the sink: LZW-decoded, or copied
// as stored when `stored`. 0 when the data ends, is corrupt or the sink
// refuses.
int DecodeBody(uint32_t size, bool stored, LzwSink sink);

// An item record up to its body: the attributes, and for a file its times.
int ReadItemHead(ItemRecord* item);
bool IsFolder(const ItemRecord& item);

// The next path of the file list; an empty path is the list's end byte.
int ReadFileListPath(char* path);

// The name of a file reference; empty means an embedded item record follows.
int ReadReferenceName(char* name);

// A shortcut record's name (SHORTCUT_NAME_CAPACITY).
int ReadShortcutName(char* name);

// The path that starts an entry of the shared file, registry and file type
// lists. An empty path, or the end of the data, is the list's end.
int ReadListPath(char* path);

// A registry entry after its path: the type, and for a value its data
// (at most MAX_REGISTRY_DATA bytes; longer data is a damaged payload).
int ReadRegistryValue(int* type, uint32_t* length, unsigned char* data);
