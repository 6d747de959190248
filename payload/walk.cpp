// The payload walk: the sections in payload order, each record through the
// layout readers, bodies decoded into a CRC-32 and a byte count.
#include "payload/walk.h"
#include <cstdarg>
#include <cstdio>
#include "app/flags.h"
#include "payload/layout.h"
#include "payload/reader.h"

namespace {

std::string* Out;
unsigned Flags;

void Line(const char* format, ...)
{
  va_list args;
  va_start(args, format);
  va_list measure;
  va_copy(measure, args);
  const int length = vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length > 0) {
    const size_t at = Out->size();
    Out->resize(at + static_cast<size_t>(length) + 1);
    vsnprintf(&(*Out)[at], static_cast<size_t>(length) + 1, format, args);
    Out->resize(at + static_cast<size_t>(length));
  }
  va_end(args);
  Out->push_back('\n');
}

int Fail(const char* where)
{
  Line("error in %s", where);
  return 0;
}

struct {
  uint32_t Crc;
  uint32_t Count;
  uint32_t Table[256];  // the CRC of each byte value, filled on first use
} Digest;

int DigestSink(int byte)
{
  if (Digest.Table[1] == 0) {
    for (uint32_t value = 0; value < 256; ++value) {
      uint32_t crc = value;
      for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
      Digest.Table[value] = crc;
    }
  }
  Digest.Crc = (Digest.Crc >> 8) ^ Digest.Table[(Digest.Crc ^ static_cast<unsigned>(byte)) & 0xFF];
  ++Digest.Count;
  return 1;
}

// Decodes a body of `size` bytes into the digest; appends " N bytes crc X".
int Body(uint32_t size, bool stored, std::string* text)
{
  Digest.Crc = 0xFFFFFFFFu;
  Digest.Count = 0;
  if (!DecodeBody(size, stored, DigestSink)) return 0;
  char part[64];
  snprintf(part, sizeof part, " %u bytes crc %08x", size, Digest.Crc ^ 0xFFFFFFFFu);
  text->append(part);
  return 1;
}

std::string Quoted(const char* text) { return std::string("\"") + text + "\""; }

// An item record: " folder attributes A" or " file attributes A created ...".
int Item(std::string* text, bool stored)
{
  ItemRecord item;
  if (!ReadItemHead(&item)) return 0;
  char part[160];
  if (IsFolder(item)) {
    snprintf(part, sizeof part, " folder attributes %08x", item.Attributes);
    text->append(part);
    return 1;
  }
  snprintf(part, sizeof part, " file attributes %08x created %08x%08x accessed %08x%08x written %08x%08x",
           item.Attributes, item.Creation.High, item.Creation.Low, item.LastAccess.High,
           item.LastAccess.Low, item.LastWrite.High, item.LastWrite.Low);
  text->append(part);
  uint32_t size;
  if (!ReadBodySize(&size, Flags)) return 0;
  return Body(size, stored, text);
}

int Reference(std::string* text)
{
  char name[PATH_CAPACITY];
  if (!ReadReferenceName(name)) return 0;
  if (name[0] != '\0') {
    text->append(" " + Quoted(name));
    return 1;
  }
  text->append(" embedded");
  return Item(text, (Flags & PF_STORED_BODIES) != 0);
}

int Arguments(std::string* text)
{
  char arguments[PATH_CAPACITY];
  if (!ReadString(arguments, PATH_CAPACITY)) return 0;
  text->append(" arguments " + Quoted(arguments));
  return 1;
}

int StartUp()
{
  ProductHeader header;
  if (!ReadHeaderFields(&header)) return Fail("product header");
  Flags = header.Flags;
  Line("product %s flags %04x top %08x bottom %08x", Quoted(header.Name).c_str(), header.Flags,
       header.Top, header.Bottom);
  ScreenSettings screen;
  if (!ReadScreenFields(&screen, nullptr)) return Fail("screen settings");
  Line("screen face %s size %d footer %s panel %s", Quoted(screen.Face).c_str(),
       static_cast<int>(screen.FontSize), Quoted(screen.Footer).c_str(),
       screen.PanelFlag ? "yes" : "no");
  return 1;
}

int WizardSections()
{
  const bool stored = (Flags & PF_STORED_BODIES) != 0;
  if ((Flags & PF_AGREEMENT_PAGE) && !(Flags & PF_SIMPLE_MODE)) {
    uint32_t length;
    std::string text = "agreement";
    if (!ReadAgreementLength(&length) || !Body(length, stored, &text)) return Fail("agreement");
    Line("%s", text.c_str());
  }
  char folder[PATH_CAPACITY];
  uint32_t units;
  if (!ReadString(folder, PATH_CAPACITY)) return Fail("default folder");
  Line("default-folder %s", Quoted(folder).c_str());
  if (!ReadBytes(&units, 4)) return Fail("required size");
  Line("required-units %u", units);
  return 1;
}

int FileList()
{
  std::string text = "uninstaller";
  uint32_t size;
  if (!ReadBodySize(&size, Flags) || !Body(size, false, &text)) return Fail("uninstaller");
  Line("%s", text.c_str());
  for (;;) {
    char path[PATH_CAPACITY];
    if (!ReadFileListPath(path)) return Fail("file list");
    if (path[0] == '\0') break;
    std::string entry = "entry " + Quoted(path);
    if (!Item(&entry, (Flags & PF_STORED_BODIES) != 0)) return Fail(entry.c_str());
    Line("%s", entry.c_str());
  }
  Line("files end");
  return 1;
}

int Shortcuts()
{
  const struct {
    unsigned Flag;
    const char* Name;
  } kinds[] = {{PF_DESKTOP_SHORTCUT, "desktop"}, {PF_STARTMENU_SHORTCUT, "start-menu"}};
  for (const auto& kind : kinds) {
    if (!(Flags & kind.Flag)) continue;
    char name[SHORTCUT_NAME_CAPACITY];
    if (!ReadShortcutName(name)) return Fail("shortcut");
    std::string text = std::string("shortcut ") + kind.Name + " " + Quoted(name) + " target";
    if (!Reference(&text) || !Arguments(&text)) return Fail(text.c_str());
    Line("%s", text.c_str());
  }
  return 1;
}

int SharedFiles()
{
  for (;;) {
    char path[PATH_CAPACITY];
    ReadListPath(path);
    if (path[0] == '\0') break;
    uint32_t high, low;
    if (!ReadBytes(&high, 4) || !ReadBytes(&low, 4)) return Fail("shared file version");
    char version[64];
    snprintf(version, sizeof version, " version %u.%u.%u.%u", high >> 16, high & 0xFFFF, low >> 16,
             low & 0xFFFF);
    std::string text = "shared " + Quoted(path) + version;
    if (!Item(&text, (Flags & PF_STORED_BODIES) != 0)) return Fail(text.c_str());
    Line("%s", text.c_str());
  }
  Line("shared end");
  return 1;
}

int RegistryEntries()
{
  for (;;) {
    char path[PATH_CAPACITY];
    ReadListPath(path);
    if (path[0] == '\0') break;
    int type;
    uint32_t length;
    unsigned char data[MAX_REGISTRY_DATA];
    if (!ReadRegistryValue(&type, &length, data)) return Fail("registry value");
    std::string text = "registry " + Quoted(path);
    if (type == 0) {
      text += " key";
    } else {
      char part[32];
      snprintf(part, sizeof part, " type %d data ", type);
      text += part;
      for (uint32_t i = 0; i < length; ++i) {
        snprintf(part, sizeof part, "%02x", data[i]);
        text += part;
      }
    }
    Line("%s", text.c_str());
  }
  Line("registry end");
  return 1;
}

int Command(const char* name, std::string* text)
{
  const int flag = ReadByte();
  if (flag < 0) return 0;
  text->append(std::string(" ") + name);
  if (flag == 0) {
    text->append(" none");
    return 1;
  }
  return Reference(text) && Arguments(text);
}

int FileTypes()
{
  for (;;) {
    char extension[PATH_CAPACITY];
    ReadListPath(extension);
    if (extension[0] == '\0') break;
    const int iconIndex = ReadByte();
    char description[PATH_CAPACITY];
    if (iconIndex < 0 || !ReadString(description, PATH_CAPACITY)) return Fail("file type");
    std::string text = "filetype " + Quoted(extension) + " icon-index " +
                       std::to_string(iconIndex) + " description " + Quoted(description) + " icon";
    if (!Reference(&text) || !Command("open", &text) || !Command("print", &text))
      return Fail(text.c_str());
    Line("%s", text.c_str());
  }
  Line("filetypes end");
  return 1;
}

int Launch()
{
  const int flag = ReadByte();
  if (flag < 0) return Fail("launch record");
  if (flag == 0) {
    Line("launch none");
    return 1;
  }
  std::string text = "launch";
  if (!Arguments(&text)) return Fail("launch arguments");
  text += " program";
  if (!Reference(&text)) return Fail("launch program");
  Line("%s", text.c_str());
  return 1;
}

}  // namespace

int WalkPayload(std::string* out)
{
  Out = out;
  Flags = 0;
  return StartUp() && WizardSections() && FileList() && Shortcuts() && SharedFiles() &&
         RegistryEntries() && FileTypes() && Launch();
}
