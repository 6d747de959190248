// The images the setup carries are checked before they are embedded. A
// Windows program's version resource is found through its resource
// directory and read block by block; every offset is checked against the
// file's size and every walk moves forward, so damaged bytes end it.
#include "tools/mksetup/images.h"
#include <algorithm>
#include <cstdio>
#include "payload/layout.h"
#include "resources/identity.h"
#include "tools/mksetup/little_endian.h"

namespace {

enum : uint32_t { RT_VERSION = 16, FIXED_SIGNATURE = 0xFEEF04BD, RESOURCE_DEPTH = 3 };

size_t Align4(size_t at) { return (at + 3) & ~size_t{3}; }

struct Identity {
  uint32_t High = 0, Low = 0;  // the fixed file version
  std::string Company, InternalName;
};

// The file offset of a relative virtual address, through the section table.
bool FileOffset(const Bytes& image, size_t table, unsigned sections, uint32_t rva, size_t* offset)
{
  for (unsigned i = 0; i < sections && table + 40 * (i + 1) <= image.size(); ++i) {
    const size_t at = table + 40 * i;
    const uint32_t start = Get32(image, at + 12), size = std::max(Get32(image, at + 8), Get32(image, at + 16));
    if (rva >= start && rva - start < size) {
      *offset = Get32(image, at + 20) + static_cast<size_t>(rva - start);
      return *offset < image.size();
    }
  }
  return false;
}

// The version resource's bytes: the first of type RT_VERSION, in any language.
bool VersionData(const Bytes& image, size_t* start, size_t* end)
{
  const size_t pe = Get32(image, 0x3C);
  if (Get32(image, pe) != 0x00004550) return false;
  const size_t optional = pe + 24;
  const size_t directories = optional + (Get16(image, optional) == 0x20B ? 112 : 96);
  const size_t table = optional + Get16(image, pe + 20);
  const unsigned sections = Get16(image, pe + 6);
  size_t root, at;
  if (!FileOffset(image, table, sections, Get32(image, directories + 2 * 8), &root)) return false;
  uint32_t entry = 0x80000000;  // the root, as a subdirectory
  for (unsigned level = 0; level < RESOURCE_DEPTH; ++level) {
    if (!(entry & 0x80000000)) return false;
    const size_t directory = root + (entry & 0x7FFFFFFF);
    const unsigned named = Get16(image, directory + 12), count = named + Get16(image, directory + 14);
    unsigned i = level == 0 ? named : 0;  // the type is an ID; name and language may be anything
    while (i < count && level == 0 && Get32(image, directory + 16 + 8 * i) != RT_VERSION) ++i;
    if (i >= count) return false;
    entry = Get32(image, directory + 16 + 8 * i + 4);
  }
  if ((entry & 0x80000000) || !FileOffset(image, table, sections, Get32(image, root + entry), &at)) return false;
  *start = at;
  *end = std::min(image.size(), at + Get32(image, root + entry + 4));
  return true;
}

// One block of a version resource: a key, a value, and child blocks.
struct Block {
  std::string Key, Text;  // Text: the value read as text, for a String block
  size_t Value = 0, Children = 0, End = 0;
};

void AppendUtf8(std::string& out, uint32_t unit)
{
  if (unit < 0x80) out += static_cast<char>(unit);
  else if (unit < 0x800) out += {static_cast<char>(0xC0 | unit >> 6), static_cast<char>(0x80 | (unit & 0x3F))};
  else if (unit >= 0xD800 && unit < 0xE000) out += '?';
  else out += {static_cast<char>(0xE0 | unit >> 12), static_cast<char>(0x80 | (unit >> 6 & 0x3F)),
               static_cast<char>(0x80 | (unit & 0x3F))};
}

bool ReadBlock(const Bytes& b, size_t at, size_t limit, Block* block)
{
  const size_t length = Get16(b, at), valueLength = Get16(b, at + 2), text = Get16(b, at + 4);
  if (length < 6 || at + length > limit) return false;
  block->End = at + length;
  block->Key.clear();
  block->Text.clear();
  size_t p = at + 6;
  for (; p + 2 <= block->End && Get16(b, p) != 0; p += 2) AppendUtf8(block->Key, Get16(b, p));
  block->Value = Align4(p + 2);
  block->Children = std::min(block->End, Align4(block->Value + valueLength * (text ? 2 : 1)));
  for (p = block->Value; text && p + 2 <= block->Children && Get16(b, p) != 0; p += 2) AppendUtf8(block->Text, Get16(b, p));
  return block->Value <= block->End;
}

// Calls `each` for every child block of `parent`.
template <class Each>
void Children(const Bytes& b, const Block& parent, Each each)
{
  Block child;
  for (size_t at = parent.Children; at < parent.End && ReadBlock(b, at, parent.End, &child); at = Align4(child.End))
    each(child);
}

// The version resource's root block, with its fixed file information.
bool VersionRoot(const Bytes& image, Block* root)
{
  size_t start, end;
  return VersionData(image, &start, &end) && ReadBlock(image, start, end, root) && root->Key == "VS_VERSION_INFO" &&
         root->Value + 52 <= root->End && Get32(image, root->Value) == FIXED_SIGNATURE;
}

bool ReadIdentity(const Bytes& image, Identity* identity)
{
  Block root;
  if (!VersionRoot(image, &root)) return false;
  identity->High = Get32(image, root.Value + 8);
  identity->Low = Get32(image, root.Value + 12);
  // The strings the engine itself reads: the Japanese table's.
  Children(image, root, [&](const Block& group) {
    if (group.Key != "StringFileInfo") return;
    Children(image, group, [&](const Block& table) {
      if (table.Key != "041104b0") return;
      Children(image, table, [&](const Block& value) {
        if (value.Key == "CompanyName") identity->Company = value.Text;
        if (value.Key == "InternalName") identity->InternalName = value.Text;
      });
    });
  });
  return true;
}

std::string VersionText(uint32_t high, uint32_t low)
{
  char text[48];
  snprintf(text, sizeof text, "%u.%u.%u.%u", high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF);
  return text;
}

}  // namespace

bool ReadPeVersion(const Bytes& image, uint32_t* high, uint32_t* low)
{
  Block root;
  if (!VersionRoot(image, &root)) return false;
  *high = Get32(image, root.Value + 8);
  *low = Get32(image, root.Value + 12);
  return true;
}

std::string ImageProblem(const Bytes& image, ImageKind kind)
{
  const std::string what = kind == ImageKind::Engine ? "setup program" : "uninstaller";
  Identity identity;
  if (image.size() < 64 || image[0] != 'M' || image[1] != 'Z' || Get32(image, Get32(image, 0x3C)) != 0x00004550)
    return "is not a Windows program";
  if (!ReadIdentity(image, &identity))
    return "is not this engine's " + what + ": it has no version resource";
  if (identity.Company != ENGINE_COMPANY_NAME)
    return "is not this engine's " + what + ": its version resource names \"" + identity.Company + "\", not \"" +
           ENGINE_COMPANY_NAME + "\"";
  const uint32_t high = ENGINE_VERSION_MAJOR << 16 | ENGINE_VERSION_MINOR;
  if (identity.High != high || identity.Low != 0)
    return "is version " + VersionText(identity.High, identity.Low) + " of the engine's " + what + "; this mksetup takes " +
           VersionText(high, 0);
  if (Get32(image, PAYLOAD_OFFSET_WORD_AT) != 0)
    return "is a finished setup (a payload follows its image); give the engine's own " +
           std::string(kind == ImageKind::Engine ? "setup.exe" : "uninstaller.exe");
  const bool engine = identity.InternalName == ENGINE_SETUP_NAME;
  if (engine != (kind == ImageKind::Engine))
    return engine ? "is the engine's setup program, not its uninstaller" : "is the engine's uninstaller, not its setup program";
  return std::string();
}

std::string IconProblem(const std::string& path)
{
  Bytes head(6);
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) return "cannot be read";
  const size_t got = fread(head.data(), 1, head.size(), file);
  fseek(file, 0, SEEK_END);
  const long size = ftell(file);
  fclose(file);
  // An icon file starts with a reserved 0, the type 1 and its count of images.
  const uint32_t count = Get16(head, 4);
  if (got < 6 || Get16(head, 0) != 0 || Get16(head, 2) != 1 || count == 0)
    return "is not an icon file (.ico)";
  if (size < 0 || static_cast<uint64_t>(size) < 6 + 16ull * count) return "is an icon file cut short";
  return std::string();
}
