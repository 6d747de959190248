// The payload's encodings and sections as bytes appended to a buffer.
// Little-endian throughout; strings are checked against the reader's
// capacity so that a written string is never cut when it is read; optional
// records are left out exactly when the flag word says they are absent.
#include "payload/encode.h"
#include "app/flags.h"
#include "payload/layout.h"
#include "payload/lzw_encode.h"
#include "tools/mksetup/product.h"

void PutByte(Bytes& out, unsigned value) { out.push_back(static_cast<unsigned char>(value)); }

static void PutWord(Bytes& out, unsigned value)
{
  PutByte(out, value & 0xFF);
  PutByte(out, (value >> 8) & 0xFF);
}

void PutInt32(Bytes& out, uint32_t value)
{
  for (int i = 0; i < 4; ++i) PutByte(out, (value >> (8 * i)) & 0xFF);
}

void PutFileTime(Bytes& out, uint64_t value)
{
  PutInt32(out, static_cast<uint32_t>(value));
  PutInt32(out, static_cast<uint32_t>(value >> 32));
}

void PutBytes(Bytes& out, const void* data, size_t size)
{
  const unsigned char* p = static_cast<const unsigned char*>(data);
  out.insert(out.end(), p, p + size);
}

bool PutString(Bytes& out, const std::string& text, size_t capacity)
{
  if (text.find('\0') != std::string::npos || text.size() + 1 > capacity) return false;
  PutBytes(out, text.data(), text.size());
  PutByte(out, 0);
  return true;
}

bool AttachPayload(Bytes& image, const Bytes& payload)
{
  const uint64_t offset = image.size();
  if (offset < PAYLOAD_OFFSET_WORD_AT + 4 || offset > LARGEST_PAYLOAD_OFFSET) return false;
  for (int i = 0; i < 4; ++i)
    image[PAYLOAD_OFFSET_WORD_AT + i] = static_cast<unsigned char>(offset >> (8 * i));
  image.insert(image.end(), payload.begin(), payload.end());
  return true;
}

// Size, [end offset], data. `counted` bodies make up the file data whose
// encoding the builder may choose.
void SectionWriter::Body(const Bytes& data, bool stored, bool endOffset, bool counted)
{
  const Bytes encoded = stored ? data : LzwEncode(data.data(), data.size());
  PutInt32(Out, static_cast<uint32_t>(data.size()));
  if (endOffset) PutInt32(Out, static_cast<uint32_t>(imageSize_ + Out.size() + 4 + encoded.size()));
  PutBytes(Out, encoded.data(), encoded.size());
  if (!counted) return;
  BodyBytes += data.size();
  EncodedBytes += encoded.size();
}

void SectionWriter::Item(const SourceFile& file)
{
  PutInt32(Out, file.Attributes);
  PutFileTime(Out, file.Creation);
  PutFileTime(Out, file.LastAccess);
  PutFileTime(Out, file.LastWrite);
  Body(file.Data, flags_ & PF_STORED_BODIES, !(flags_ & PF_SPANNED), true);
}

void SectionWriter::Reference(const FileReference& reference)
{
  PutString(Out, reference.Embedded ? "" : reference.Name, PATH_CAPACITY);
  if (reference.Embedded) Item(reference.File);
}

void SectionWriter::Startup(const Product& p)
{
  PutString(Out, p.Name, NAME_CAPACITY);
  PutWord(Out, flags_);
  PutInt32(Out, p.Top);
  PutInt32(Out, p.Bottom);
  PutString(Out, p.Face, FACE_CAPACITY);
  PutInt32(Out, static_cast<uint32_t>(p.FontSize));
  PutString(Out, p.Footer, FOOTER_CAPACITY);
  PutByte(Out, p.Panel.empty() ? 0 : 1);
  PutBytes(Out, p.Panel.data(), p.Panel.size());
}

void SectionWriter::Wizard(const Product& p, uint32_t requiredUnits)
{
  if ((flags_ & PF_AGREEMENT_PAGE) && !(flags_ & PF_SIMPLE_MODE))
    Body(Bytes(p.Agreement.begin(), p.Agreement.end()), flags_ & PF_STORED_BODIES, true, true);
  PutString(Out, p.DefaultFolder, PATH_CAPACITY);
  PutInt32(Out, requiredUnits);
}

void SectionWriter::FileList(const Product& p)
{
  // The uninstaller is always compressed.
  Body(p.Uninstaller, false, !(flags_ & PF_SPANNED), false);
  for (const FileEntry& f : p.Files) {
    PutString(Out, f.Target, PATH_CAPACITY);
    if (f.Folder)
      PutInt32(Out, ATTRIBUTE_FOLDER);
    else
      Item(f.File);
  }
  PutByte(Out, 0);
}

void SectionWriter::Shortcuts(const Product& p)
{
  for (const ShortcutRecord* s : {&p.Desktop, &p.StartMenu}) {
    if (!s->Present) continue;
    PutString(Out, s->Name, SHORTCUT_NAME_CAPACITY);
    Reference(s->Target);
    PutString(Out, s->Arguments, PATH_CAPACITY);
  }
}

void SectionWriter::SharedFiles(const Product& p)
{
  for (const SharedFileEntry& s : p.SharedFiles) {
    PutString(Out, s.Path, PATH_CAPACITY);
    PutInt32(Out, s.VersionHigh);
    PutInt32(Out, s.VersionLow);
    Item(s.File);
  }
  PutString(Out, "", PATH_CAPACITY);
}

void SectionWriter::Registry(const Product& p)
{
  for (const RegistryEntry& r : p.Registry) {
    PutString(Out, r.Path, PATH_CAPACITY);
    PutByte(Out, static_cast<unsigned>(r.Type));
    if (r.Type == 0) continue;
    PutInt32(Out, static_cast<uint32_t>(r.Data.size()));
    PutBytes(Out, r.Data.data(), r.Data.size());
  }
  PutString(Out, "", PATH_CAPACITY);
}

void SectionWriter::FileTypes(const Product& p)
{
  for (const FileTypeEntry& t : p.FileTypes) {
    PutString(Out, t.Extension, PATH_CAPACITY);
    PutByte(Out, static_cast<unsigned>(t.IconIndex));
    PutString(Out, t.Description, PATH_CAPACITY);
    Reference(t.Icon);
    for (const Command* c : {&t.Open, &t.Print}) {
      PutByte(Out, c->Present ? 1 : 0);
      if (!c->Present) continue;
      Reference(c->Program);
      PutString(Out, c->Arguments, PATH_CAPACITY);
    }
  }
  PutString(Out, "", PATH_CAPACITY);
}

void SectionWriter::Launch(const Product& p)
{
  // The launch record's arguments come before its program.
  PutByte(Out, p.Launch.Present ? 1 : 0);
  if (!p.Launch.Present) return;
  PutString(Out, p.Launch.Arguments, PATH_CAPACITY);
  Reference(p.Launch.Program);
}
