// The payload writer. Every record is written exactly as the engine's
// readers take it; the optional records are left out exactly when the flag
// word says they are absent.
#include "tools/mksetup/payload_builder.h"
#include <map>
#include "app/flags.h"
#include "payload/lzw_encode.h"

namespace {

enum { CAP_NAME = 42, CAP_FACE = 32, CAP_FOOTER = 41, CAP_PATH = 260, CAP_SHORTCUT = 41 };

class Writer {
 public:
  Writer(uint64_t imageSize, unsigned flags) : imageSize_(imageSize), flags_(flags) {}

  Bytes Out;
  uint64_t BodyBytes = 0;
  uint64_t EncodedBytes = 0;

  void String(const std::string& text, size_t capacity) { PutString(Out, text, capacity); }

  // Length or size, [end offset], data.
  // `counted` bodies make up the file data whose encoding the builder may choose.
  void Body(const Bytes& data, bool stored, bool endOffset, bool counted = true)
  {
    const Bytes& encoded = stored ? data : Compressed(data);
    PutInt32(Out, static_cast<uint32_t>(data.size()));
    if (endOffset) PutInt32(Out, static_cast<uint32_t>(imageSize_ + Out.size() + 4 + encoded.size()));
    PutBytes(Out, encoded.data(), encoded.size());
    if (!counted) return;
    BodyBytes += data.size();
    EncodedBytes += encoded.size();
  }

  void FileBody(const Bytes& data) { Body(data, flags_ & PF_STORED_BODIES, !(flags_ & PF_SPANNED)); }

  void Item(const SourceFile& file)
  {
    PutInt32(Out, file.Attributes);
    PutFileTime(Out, file.Creation);
    PutFileTime(Out, file.LastAccess);
    PutFileTime(Out, file.LastWrite);
    FileBody(file.Data);
  }

  void Folder() { PutInt32(Out, 0x10); }

  void Reference(const FileReference& reference)
  {
    if (!reference.Embedded) {
      String(reference.Name, CAP_PATH);
      return;
    }
    String("", CAP_PATH);
    Item(reference.File);
  }

  unsigned Flags() const { return flags_; }

 private:
  const Bytes& Compressed(const Bytes& data)
  {
    auto found = cache_.find(&data);
    if (found == cache_.end()) found = cache_.emplace(&data, LzwEncode(data.data(), data.size())).first;
    return found->second;
  }

  uint64_t imageSize_;
  unsigned flags_;
  std::map<const Bytes*, Bytes> cache_;
};

uint32_t Units(const Bytes& data) { return static_cast<uint32_t>((data.size() + 4095) / 4096); }

uint32_t RequiredUnits(const Product& p)
{
  uint64_t units = Units(p.Uninstaller);
  const auto reference = [&](const FileReference& r) {
    if (r.Embedded) units += Units(r.File.Data);
  };
  for (const FileEntry& f : p.Files)
    if (!f.Folder) units += Units(f.File.Data);
  for (const SharedFileEntry& s : p.SharedFiles) units += Units(s.File.Data);
  if (p.Desktop.Present) reference(p.Desktop.Target);
  if (p.StartMenu.Present) reference(p.StartMenu.Target);
  for (const FileTypeEntry& t : p.FileTypes) {
    reference(t.Icon);
    if (t.Open.Present) reference(t.Open.Program);
    if (t.Print.Present) reference(t.Print.Program);
  }
  if (p.Launch.Present) reference(p.Launch.Program);
  return units > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(units);
}

void Write(const Product& p, Writer& w, uint32_t requiredUnits)
{
  const unsigned flags = w.Flags();
  // Product header and screen settings.
  w.String(p.Name, CAP_NAME);
  PutWord(w.Out, flags);
  PutInt32(w.Out, p.Top);
  PutInt32(w.Out, p.Bottom);
  w.String(p.Face, CAP_FACE);
  PutInt32(w.Out, static_cast<uint32_t>(p.FontSize));
  w.String(p.Footer, CAP_FOOTER);
  PutByte(w.Out, p.Panel.empty() ? 0 : 1);
  PutBytes(w.Out, p.Panel.data(), p.Panel.size());

  // The wizard's sections.
  if ((flags & PF_AGREEMENT_PAGE) && !(flags & PF_SIMPLE_MODE)) {
    const Bytes text(p.Agreement.begin(), p.Agreement.end());
    w.Body(text, flags & PF_STORED_BODIES, true);
  }
  w.String(p.DefaultFolder, CAP_PATH);
  PutInt32(w.Out, requiredUnits);

  // The install steps' sections. The uninstaller is always compressed.
  w.Body(p.Uninstaller, false, !(flags & PF_SPANNED), false);
  for (const FileEntry& f : p.Files) {
    w.String(f.Target, CAP_PATH);
    if (f.Folder) w.Folder();
    else w.Item(f.File);
  }
  PutByte(w.Out, 0);

  for (const ShortcutRecord* s : {&p.Desktop, &p.StartMenu}) {
    if (!s->Present) continue;
    w.String(s->Name, CAP_SHORTCUT);
    w.Reference(s->Target);
    w.String(s->Arguments, CAP_PATH);
  }

  for (const SharedFileEntry& s : p.SharedFiles) {
    w.String(s.Path, CAP_PATH);
    PutInt32(w.Out, s.VersionHigh);
    PutInt32(w.Out, s.VersionLow);
    w.Item(s.File);
  }
  w.String("", CAP_PATH);

  for (const RegistryEntry& r : p.Registry) {
    w.String(r.Path, CAP_PATH);
    PutByte(w.Out, static_cast<unsigned>(r.Type));
    if (r.Type == 0) continue;
    PutInt32(w.Out, static_cast<uint32_t>(r.Data.size()));
    PutBytes(w.Out, r.Data.data(), r.Data.size());
  }
  w.String("", CAP_PATH);

  for (const FileTypeEntry& t : p.FileTypes) {
    w.String(t.Extension, CAP_PATH);
    PutByte(w.Out, static_cast<unsigned>(t.IconIndex));
    w.String(t.Description, CAP_PATH);
    w.Reference(t.Icon);
    for (const Command* c : {&t.Open, &t.Print}) {
      PutByte(w.Out, c->Present ? 1 : 0);
      if (!c->Present) continue;
      w.Reference(c->Program);
      w.String(c->Arguments, CAP_PATH);
    }
  }
  w.String("", CAP_PATH);

  // The launch record: its arguments come before its program.
  PutByte(w.Out, p.Launch.Present ? 1 : 0);
  if (p.Launch.Present) {
    w.String(p.Launch.Arguments, CAP_PATH);
    w.Reference(p.Launch.Program);
  }
}

}  // namespace

BuildResult BuildPayload(const Product& product, uint64_t imageSize)
{
  unsigned flags = product.Flags & ~PF_STORED_BODIES;
  if (product.Spanned) flags |= PF_SPANNED;
  if (product.Stored == StoredChoice::Always) flags |= PF_STORED_BODIES;
  const uint32_t units = product.RequiredGiven ? product.RequiredUnits : RequiredUnits(product);

  Writer writer(imageSize, flags);
  Write(product, writer, units);
  if (product.Stored == StoredChoice::Automatic && writer.BodyBytes > 0 &&
      writer.EncodedBytes >= writer.BodyBytes) {
    // Compression would not make the data smaller: store the bodies instead.
    Writer stored(imageSize, flags | PF_STORED_BODIES);
    Write(product, stored, units);
    return {std::move(stored.Out), flags | PF_STORED_BODIES, units, stored.BodyBytes, stored.EncodedBytes};
  }
  return {std::move(writer.Out), flags, units, writer.BodyBytes, writer.EncodedBytes};
}
