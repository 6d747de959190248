// The builder's choices over the section writers: the flag word, the
// required size, and stored bodies where compression would not make the
// file data smaller or would not let the setup fit.
#include "tools/mksetup/payload_builder.h"
#include "app/flags.h"
#include "tools/mksetup/progress.h"

namespace {

uint64_t Units(uint64_t bytes) { return (bytes + 4095) / 4096; }

uint32_t RequiredUnits(const Product& p)
{
  uint64_t units = Units(p.Uninstaller.size());
  const auto reference = [&](const FileReference& r) {
    if (r.Embedded) units += Units(r.File.Length());
  };
  for (const FileEntry& f : p.Files)
    if (!f.Folder) units += Units(f.File.Length());
  for (const SharedFileEntry& s : p.SharedFiles) units += Units(s.File.Length());
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

bool BuildPayload(const Product& product, uint64_t imageSize, SetupWriter& setup, Progress& progress,
                  BuildResult* result, std::string* error)
{
  unsigned flags = product.Flags & ~PF_STORED_BODIES;
  if (product.Spanned) flags |= PF_SPANNED;
  if (product.Stored == StoredChoice::Always) flags |= PF_STORED_BODIES;
  const uint32_t units = product.RequiredGiven ? product.RequiredUnits : RequiredUnits(product);
  const auto finish = [&](SectionWriter& writer) {
    *result = {writer.Written(), flags, units, writer.BodyBytes, writer.EncodedBytes};
    if (writer.Finish()) return true;
    *error = !setup.Error.empty() ? setup.Error : writer.Error;
    return false;
  };

  SectionWriter writer(imageSize, flags);
  writer.Sink = [&setup](const unsigned char* data, size_t size) { return setup.Write(data, size); };
  writer.Patch = [&setup](uint64_t at, const unsigned char* data, size_t size) { return setup.Patch(at, data, size); };
  writer.Progressed = [&progress](uint64_t bytes, unsigned files) { progress.Advance(bytes, files); };
  writer.Collect(product);
  const std::string name = setup.Written.empty() ? std::string() : setup.Written[0];
  // Stored file data alone outgrowing the setup is refused before it is written.
  if ((flags & PF_STORED_BODIES) && !setup.Holds(writer.TotalBytes)) {
    *error = setup.Error;
    return false;
  }
  progress.Start((flags & PF_STORED_BODIES ? "writing " : "compressing ") + name, writer.TotalFiles, writer.TotalBytes);
  Write(product, writer, units);
  const bool written = finish(writer);
  if (product.Stored != StoredChoice::Automatic || (!written && !setup.TooLarge) ||
      (written && (writer.BodyBytes == 0 || writer.EncodedBytes < writer.BodyBytes)))
    return written;
  // Compression did not make the data smaller, or the setup too large: the
  // bodies are stored instead, when they fit.
  if (!setup.Holds(writer.TotalBytes)) return false;
  error->clear();
  setup.Error.clear();
  setup.TooLarge = false;
  if (!setup.Restart()) {
    *error = setup.Error;
    return false;
  }
  flags |= PF_STORED_BODIES;
  SectionWriter stored(imageSize, flags);
  stored.Sink = writer.Sink;
  stored.Patch = writer.Patch;
  stored.Progressed = writer.Progressed;
  progress.Start("writing " + name + " again with stored file data", writer.TotalFiles, writer.TotalBytes);
  Write(product, stored, units);
  return finish(stored);
}
