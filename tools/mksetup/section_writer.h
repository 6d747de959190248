// The builder's section writer: a product's sections appended to a buffer
// (or handed to a sink a megabyte at a time) exactly as the engine's readers
// take them, with the bodies read from their sources and compressed ahead.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <string>
#include <vector>
#include "payload/encode.h"

// Exactly `size` bytes of a source file: false when it cannot be read or
// does not hold exactly that many.
bool ReadSourceBytes(const std::string& path, size_t size, Bytes* data);

struct Product;
struct SourceFile;
struct FileReference;

// Appends a product's sections to Out, each exactly as the engine's readers
// take it. `flags` is the flag word as written: it decides stored bodies,
// end offsets and which optional records are present. End offsets are file
// offsets behind an engine image of `imageSize` bytes. Texts must already
// fit their capacities (the manifest reader checks them). With a Sink, Out
// is handed to it whenever a megabyte has gathered, and by Finish. A body
// whose end offset is known only after it was handed out is filled in
// through Patch.
class SectionWriter {
 public:
  SectionWriter(uint64_t imageSize, unsigned flags) : imageSize_(imageSize), flags_(flags) {}

  Bytes Out;
  uint64_t BodyBytes = 0;     // file data before encoding
  uint64_t EncodedBytes = 0;  // file data as written
  std::function<bool(const unsigned char* data, size_t size)> Sink;  // false: it failed
  std::function<bool(uint64_t at, const unsigned char* data, size_t size)> Patch;  // payload bytes at `at` again
  std::function<void(uint64_t bytes, unsigned files)> Progressed;  // file data and files written since the last call
  unsigned TotalFiles = 0;    // item records, as Collect counted them
  uint64_t TotalBytes = 0;    // file data, as Collect counted it
  std::string Error;          // the first source that could not be read, or the sink's failure

  // Hands the rest of Out to the Sink. False when anything failed.
  bool Finish();
  uint64_t Written() const { return handedOut_ + Out.size(); }  // payload bytes so far

  // In payload order; BuildPayload writes them all, one after the other.
  void Startup(const Product& p);                         // product header, screen settings
  void Wizard(const Product& p, uint32_t requiredUnits);  // agreement, folder, required units
  void FileList(const Product& p);                        // uninstaller, entries, end byte
  void Shortcuts(const Product& p);
  void SharedFiles(const Product& p);
  void Registry(const Product& p);
  void FileTypes(const Product& p);
  void Launch(const Product& p);

  // One item record: attributes, times, body size [, end offset], data.
  void Item(const SourceFile& file);

  // The bodies to compress are read and compressed on every core ahead of
  // their writing, a few megabytes at most waiting, when the same product's
  // sections are written again through this writer after `Collect`.
  void Collect(const Product& p);

 private:
  // A body: its bytes, or (Origin set) Size bytes of that file.
  struct Data {
    const unsigned char* Bytes;
    size_t Size;
    const std::string* Origin;
  };
  struct Encoding {
    bool Read = true;  // false: the source could not be read as it was
    std::vector<unsigned char> Bytes;
  };
  static Encoding Encode(Data data);
  void Body(Data data, bool stored, bool endOffset, bool counted);
  void StreamBody(Data data, bool stored, bool endOffset, bool counted);
  void PatchInt32(uint64_t at, uint32_t value);
  void Reference(const FileReference& reference);
  Encoding Encoded(Data data);
  void HandOut(size_t least);

  uint64_t imageSize_;
  unsigned flags_;
  bool collecting_ = false;
  uint64_t handedOut_ = 0;                            // bytes of Out given to the Sink
  std::vector<Data> toEncode_;                        // every compressed body, in payload order
  size_t started_ = 0, taken_ = 0;                    // of toEncode_
  size_t waitingBytes_ = 0;                           // input of the bodies started and not taken
  std::deque<std::future<Encoding>> ahead_;
};
