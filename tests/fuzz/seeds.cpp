// fuzz_seeds: writes the fuzzers' seed inputs into <folder>/lzw_decode and
// <folder>/payload_walk. The payloads are well-formed ones of several
// feature sets, so that fuzzing starts from inputs that reach every section
// of the walk (each is walked here and must read to its end); the LZW
// seeds cover both modes of fuzz_lzw_decode.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>
#include "app/flags.h"
#include "payload/encode.h"
#include "payload/layout.h"
#include "payload/lzw_encode.h"
#include "payload/walk.h"
#include "tests/fuzz/memory_reader.h"

namespace {

namespace fs = std::filesystem;

bool Write(const fs::path& path, const Bytes& bytes)
{
  FILE* file = fopen(path.string().c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return fclose(file) == 0 && written;
}

Bytes AsBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Compress(const Bytes& data) { return LzwEncode(data.data(), data.size()); }

// ---- fuzz_lzw_decode: a 4-byte mode word, then the data.

Bytes LzwSeed(uint32_t word, const Bytes& data)
{
  Bytes out;
  PutInt32(out, word);
  PutBytes(out, data.data(), data.size());
  return out;
}

Bytes Decodable(const Bytes& plain)
{
  return LzwSeed(static_cast<uint32_t>(plain.size()), Compress(plain));
}

// ---- fuzz_payload_walk: whole payloads.

const char* const TEXT =
    "Setup copies the program files to the folder you choose.\r\n"
    "\x83\x5A\x83\x62\x83\x67\x83\x41\x83\x62\x83\x76"
    "\x82\xF0\x8E\x6E\x82\xDF\x82\xDC\x82\xB7\x81\x42\r\n"
    "Setup copies the program files to the folder you choose.\r\n";

struct PayloadWriter {
  unsigned Flags;
  Bytes Out;

  bool Stored() const { return (Flags & PF_STORED_BODIES) != 0; }

  void String(const std::string& text, size_t capacity)
  {
    if (!PutString(Out, text, capacity)) {
      fprintf(stderr, "fuzz_seeds: \"%s\" does not fit %zu bytes\n", text.c_str(), capacity);
      exit(1);
    }
  }

  void BodyData(const Bytes& plain, bool stored)
  {
    const Bytes data = stored ? plain : Compress(plain);
    PutBytes(Out, data.data(), data.size());
  }

  // A body's size (and end offset unless spanned) and its data.
  void Body(const Bytes& plain, bool stored)
  {
    const size_t length = stored ? plain.size() : Compress(plain).size();
    PutInt32(Out, static_cast<uint32_t>(plain.size()));
    if (!(Flags & PF_SPANNED)) PutInt32(Out, static_cast<uint32_t>(Out.size() + 4 + length));
    BodyData(plain, stored);
  }

  void File(const Bytes& plain)
  {
    PutInt32(Out, 0x20);
    PutFileTime(Out, 0x01C0000012345678ull);
    PutFileTime(Out, 0x01C0000012345679ull);
    PutFileTime(Out, 0x01C000001234567Aull);
    Body(plain, Stored());
  }

  void Folder() { PutInt32(Out, ATTRIBUTE_FOLDER); }

  void NamedReference(const std::string& name) { String(name, 260); }

  void EmbeddedReference(const Bytes& plain)
  {
    String("", 260);
    File(plain);
  }
};

enum Variant { PLAIN, WIDE, STORED_SPANNED, SKIPPED_NAME, PANEL };

Bytes Payload(Variant variant)
{
  unsigned flags = 0;
  if (variant == WIDE)
    flags = PF_FRAMED_WINDOW | PF_AGREEMENT_PAGE | PF_DESKTOP_SHORTCUT | PF_STARTMENU_SHORTCUT |
            PF_USER_PAGE;
  if (variant == STORED_SPANNED)
    flags = PF_STORED_BODIES | PF_SPANNED | PF_AGREEMENT_PAGE | PF_DESKTOP_SHORTCUT;
  if (variant == SKIPPED_NAME) flags = PF_SIMPLE_MODE | PF_AGREEMENT_PAGE | PF_STARTMENU_SHORTCUT;
  PayloadWriter w{flags, {}};

  // Product header.
  if (variant == SKIPPED_NAME) {
    w.String("", 42);
    PutByte(w.Out, 3);
    for (int i = 0; i < 3 + 2; ++i) PutByte(w.Out, 0xA0 + i);
  }
  w.String("Sample \x83\x41\x83\x76\x83\x8A", 42);
  PutWord(w.Out, flags);
  PutInt32(w.Out, 0x00FF8000);
  PutInt32(w.Out, 0x00000040);

  // Screen settings, with a panel picture only in PANEL.
  w.String("\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E", 32);
  PutInt32(w.Out, variant == WIDE ? 0xFFFFFFF4u : 12);
  w.String("(c) Sample Software", 41);
  PutByte(w.Out, variant == PANEL ? 1 : 0);
  if (variant == PANEL)
    for (int i = 0; i < PANEL_BYTES; ++i) PutByte(w.Out, i % 251);

  // Wizard sections.
  if ((flags & PF_AGREEMENT_PAGE) && !(flags & PF_SIMPLE_MODE)) {
    const Bytes text = AsBytes(TEXT);
    const size_t length = w.Stored() ? text.size() : Compress(text).size();
    PutInt32(w.Out, static_cast<uint32_t>(text.size()));
    PutInt32(w.Out, static_cast<uint32_t>(w.Out.size() + 4 + length));
    w.BodyData(text, w.Stored());
  }
  w.String("C:\\Program Files\\Sample", 260);
  PutInt32(w.Out, 1234);

  // File list: the uninstaller (always compressed), then the entries.
  const Bytes uninstaller = AsBytes("MZ uninstaller image, uninstaller image, uninstaller image");
  PutInt32(w.Out, static_cast<uint32_t>(uninstaller.size()));
  if (!(flags & PF_SPANNED))
    PutInt32(w.Out, static_cast<uint32_t>(w.Out.size() + 4 + Compress(uninstaller).size()));
  w.BodyData(uninstaller, false);
  const char* const paths[] = {"\\bin", "\\bin\\sample.exe", "\\readme.txt", "\\empty.dat"};
  for (const char* path : paths) {
    PutByte(w.Out, static_cast<unsigned char>(path[0]));
    w.String(path + 1, 259);
    if (std::string(path) == "\\bin")
      w.Folder();
    else if (std::string(path) == "\\empty.dat")
      w.File({});
    else
      w.File(AsBytes(std::string(TEXT) + path));
  }
  PutByte(w.Out, 0);

  // Shortcuts: one named target, one embedded.
  if (flags & PF_DESKTOP_SHORTCUT) {
    w.String("Sample", 41);
    w.NamedReference("\\bin\\sample.exe");
    w.String("/desktop", 260);
  }
  if (flags & PF_STARTMENU_SHORTCUT) {
    w.String("Sample \x83\x77\x83\x8B\x83\x76", 41);
    w.EmbeddedReference(AsBytes("help text, help text, help text"));
    w.String("", 260);
  }

  // Shared files.
  if (variant != PLAIN) {
    w.String("C:\\Windows\\System\\shared.dll", 260);
    PutInt32(w.Out, 0x00040000);
    PutInt32(w.Out, 0x00000952);
    w.File(AsBytes("shared library bytes, shared library bytes"));
  }
  w.String("", 260);

  // Registry: a key, a string value, a value of the greatest length.
  if (variant != SKIPPED_NAME) {
    w.String("HKEY_LOCAL_MACHINE\\Software\\Sample", 260);
    PutByte(w.Out, 0);
    w.String("HKEY_LOCAL_MACHINE\\Software\\Sample\\Path", 260);
    PutByte(w.Out, 1);
    PutInt32(w.Out, 4);
    PutBytes(w.Out, "C:\\\0", 4);
    w.String("HKEY_CURRENT_USER\\Software\\Sample\\Blob", 260);
    PutByte(w.Out, 3);
    PutInt32(w.Out, MAX_REGISTRY_DATA);
    for (int i = 0; i < MAX_REGISTRY_DATA; ++i) PutByte(w.Out, i);
  }
  w.String("", 260);

  // File types: one with both commands, one with neither.
  if (variant == WIDE || variant == STORED_SPANNED) {
    w.String(".smp", 260);
    PutByte(w.Out, 1);
    w.String("Sample document", 260);
    w.NamedReference("\\bin\\sample.exe");
    PutByte(w.Out, 1);
    w.NamedReference("\\bin\\sample.exe");
    w.String("\"%1\"", 260);
    PutByte(w.Out, 1);
    w.EmbeddedReference(AsBytes("printer helper"));
    w.String("/p \"%1\"", 260);
    w.String(".sm2", 260);
    PutByte(w.Out, 0);
    w.String("", 260);
    w.NamedReference("\\bin\\sample.exe");
    PutByte(w.Out, 0);
    PutByte(w.Out, 0);
  }
  w.String("", 260);

  // Launch record.
  if (variant == PLAIN) {
    PutByte(w.Out, 0);
  } else {
    PutByte(w.Out, 1);
    w.String("/first-run", 260);
    w.NamedReference("\\bin\\sample.exe");
  }
  return w.Out;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 2) {
    fprintf(stderr, "usage: fuzz_seeds <folder>\n");
    return 2;
  }
  const fs::path root = argv[1];
  const fs::path lzw = root / "lzw_decode";
  const fs::path walk = root / "payload_walk";
  std::error_code error;
  fs::create_directories(lzw, error);
  fs::create_directories(walk, error);
  if (error) {
    fprintf(stderr, "fuzz_seeds: cannot create %s\n", root.string().c_str());
    return 1;
  }

  const Bytes text = AsBytes(TEXT);
  Bytes repeated(600, 'a');
  Bytes counting;
  for (int i = 0; i < 700; ++i) counting.push_back(static_cast<unsigned char>(i * 7 + i / 256));
  Bytes cut = Compress(text);
  cut.resize(cut.size() / 2);
  const struct {
    const char* Name;
    Bytes Data;
  } lzwSeeds[] = {
      {"empty", LzwSeed(0, {})},
      {"text", Decodable(text)},
      {"repeated", Decodable(repeated)},
      {"frozen", Decodable(counting)},
      {"declared_short", LzwSeed(10, Compress(text))},
      {"declared_long", LzwSeed(100000, Compress(text))},
      {"truncated", LzwSeed(static_cast<uint32_t>(text.size()), cut)},
      {"corrupt_first", LzwSeed(5, {0x80, 0x00, 0x00})},
      {"round_trip_text", LzwSeed(0x80000000u, text)},
      {"round_trip_frozen", LzwSeed(0x80000000u, counting)},
      {"round_trip_cut", LzwSeed(0xC0000000u | 17u, text)},
  };
  const struct {
    const char* Name;
    Bytes Data;
  } walkSeeds[] = {
      {"plain", Payload(PLAIN)},
      {"wide", Payload(WIDE)},
      {"stored_spanned", Payload(STORED_SPANNED)},
      {"skipped_name", Payload(SKIPPED_NAME)},
      {"panel", Payload(PANEL)},
  };
  for (const auto& seed : lzwSeeds)
    if (!Write(lzw / seed.Name, seed.Data)) return 1;
  for (const auto& seed : walkSeeds) {
    std::string listing;
    UseMemoryPayload(seed.Data.data(), seed.Data.size());
    if (!WalkPayload(&listing) || MemoryPayloadPosition() != seed.Data.size()) {
      fprintf(stderr, "fuzz_seeds: payload %s does not walk to its end:\n%s", seed.Name,
              listing.c_str());
      return 1;
    }
    if (!Write(walk / seed.Name, seed.Data)) return 1;
  }
  return 0;
}
