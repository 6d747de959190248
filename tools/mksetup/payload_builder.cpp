// The builder's choices over the section writers: the flag word, the
// required size, and stored bodies where compression would not make the
// file data smaller.
#include "tools/mksetup/payload_builder.h"
#include "app/flags.h"

namespace {

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

void Write(const Product& p, SectionWriter& w, uint32_t requiredUnits)
{
  w.Startup(p);
  w.Wizard(p, requiredUnits);
  w.FileList(p);
  w.Shortcuts(p);
  w.SharedFiles(p);
  w.Registry(p);
  w.FileTypes(p);
  w.Launch(p);
}

}  // namespace

BuildResult BuildPayload(const Product& product, uint64_t imageSize)
{
  unsigned flags = product.Flags & ~PF_STORED_BODIES;
  if (product.Spanned) flags |= PF_SPANNED;
  if (product.Stored == StoredChoice::Always) flags |= PF_STORED_BODIES;
  const uint32_t units = product.RequiredGiven ? product.RequiredUnits : RequiredUnits(product);

  SectionWriter writer(imageSize, flags);
  writer.Collect(product);
  // Compressed, a body can grow by an eighth: room for the largest payload,
  // so that it is never copied while it grows.
  writer.Out.reserve(static_cast<size_t>(writer.CollectedBytes() / 8 * 9 + (1 << 20)));
  Write(product, writer, units);
  if (product.Stored == StoredChoice::Automatic && writer.BodyBytes > 0 &&
      writer.EncodedBytes >= writer.BodyBytes) {
    // Compression would not make the data smaller: store the bodies instead.
    SectionWriter stored(imageSize, flags | PF_STORED_BODIES);
    Write(product, stored, units);
    return {std::move(stored.Out), flags | PF_STORED_BODIES, units, stored.BodyBytes, stored.EncodedBytes};
  }
  return {std::move(writer.Out), flags, units, writer.BodyBytes, writer.EncodedBytes};
}
