// The builder's writing of a product's sections, each exactly as the
// engine's readers take it: the records in payload order, optional records
// left out exactly when the flag word says they are absent, and the bodies
// read from their source files and compressed on every core ahead of their
// writing, so that memory stays bounded whatever the tree. A body larger
// than a window is read, compressed and handed on a piece at a time, so
// that memory stays bounded whatever the file too.
#include "tools/mksetup/section_writer.h"
#include <algorithm>
#include <cstdio>
#include <thread>
#include "app/flags.h"
#include "payload/layout.h"
#include "payload/lzw_encode.h"
#include "tools/mksetup/product.h"

enum {
  AHEAD_BYTES = 16 << 20,   // input of the bodies started ahead of the one taken
  AHEAD_PER_CORE = 4,       // bodies started ahead, per core
  HAND_OUT_BYTES = 1 << 20,
  WINDOW_BYTES = 16 << 20,  // a source file larger than this is read a piece at a time
  PIECE_BYTES = 1 << 20,
};

bool ReadSourceBytes(const std::string& path, size_t size, Bytes* data)
{
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  data->resize(size);
  const bool whole = fread(data->data(), 1, size, file) == size && fgetc(file) == EOF && !ferror(file);
  fclose(file);
  return whole;
}

SectionWriter::Encoding SectionWriter::Encode(Data data)
{
  Encoding encoding;
  Bytes source;
  if (data.Origin != nullptr) {
    encoding.Read = ReadSourceBytes(*data.Origin, data.Size, &source);
    if (!encoding.Read) return encoding;
    data.Bytes = source.data();
  }
  encoding.Bytes = LzwEncode(data.Bytes, data.Size);
  return encoding;
}

void SectionWriter::Collect(const Product& p)
{
  collecting_ = true;
  TotalFiles = 0;
  TotalBytes = 0;
  Startup(p);
  Wizard(p, 0);
  FileList(p);
  Shortcuts(p);
  SharedFiles(p);
  Registry(p);
  FileTypes(p);
  Launch(p);
  collecting_ = false;
  Out.clear();
  BodyBytes = EncodedBytes = 0;
}

// The next compressed body, in the order Collect saw them; one not seen
// there is compressed here.
SectionWriter::Encoding SectionWriter::Encoded(Data data)
{
  if (taken_ == toEncode_.size() || toEncode_[taken_].Bytes != data.Bytes || toEncode_[taken_].Size != data.Size ||
      toEncode_[taken_].Origin != data.Origin)
    return Encode(data);
  const size_t most = AHEAD_PER_CORE * std::max(1u, std::thread::hardware_concurrency());
  while (started_ < toEncode_.size() && (started_ == taken_ || (ahead_.size() < most && waitingBytes_ < AHEAD_BYTES))) {
    const Data next = toEncode_[started_++];
    waitingBytes_ += next.Size;
    ahead_.push_back(std::async(std::launch::async, [next] { return Encode(next); }));
  }
  Encoding encoded = ahead_.front().get();
  ahead_.pop_front();
  waitingBytes_ -= toEncode_[taken_++].Size;
  return encoded;
}

// Gives Out to the Sink once it holds `least` bytes.
void SectionWriter::HandOut(size_t least)
{
  if (!Sink || Out.size() < least || Out.empty()) return;
  if (Error.empty() && !Sink(Out.data(), Out.size())) Error = "the setup cannot be written";
  handedOut_ += Out.size();
  Out.clear();
}

bool SectionWriter::Finish()
{
  HandOut(1);
  return Error.empty();
}

// Size, [end offset], data. `counted` bodies make up the file data whose
// encoding the builder may choose.
void SectionWriter::Body(Data data, bool stored, bool endOffset, bool counted)
{
  const bool streamed = data.Origin != nullptr && data.Size > WINDOW_BYTES;
  if (collecting_) {
    if (!stored && !streamed) toEncode_.push_back(data);
    if (counted) TotalBytes += data.Size;
    return;
  }
  if (!Error.empty()) return;
  if (streamed) return StreamBody(data, stored, endOffset, counted);
  Encoding body;
  if (!stored)
    body = Encoded(data);
  else if (data.Origin != nullptr)
    body.Read = ReadSourceBytes(*data.Origin, data.Size, &body.Bytes);
  if (!body.Read) {
    Error = "source file " + *data.Origin + " cannot be read, or it changed while the setup was being built";
    return;
  }
  const bool own = stored && data.Origin == nullptr;
  const unsigned char* bytes = own ? data.Bytes : body.Bytes.data();
  const size_t size = own ? data.Size : body.Bytes.size();
  PutInt32(Out, static_cast<uint32_t>(data.Size));
  if (endOffset) PutInt32(Out, static_cast<uint32_t>(imageSize_ + Written() + 4 + size));
  PutBytes(Out, bytes, size);
  HandOut(HAND_OUT_BYTES);
  if (!counted) return;
  BodyBytes += data.Size;
  EncodedBytes += size;
  if (Progressed) Progressed(data.Size, 0);
}

// A body read from its file a piece at a time. A compressed body's end
// offset is known only once it is written: it is filled in then.
void SectionWriter::StreamBody(Data data, bool stored, bool endOffset, bool counted)
{
  PutInt32(Out, static_cast<uint32_t>(data.Size));
  const uint64_t endOffsetAt = Written();
  if (endOffset) PutInt32(Out, static_cast<uint32_t>(imageSize_ + Written() + 4 + (stored ? data.Size : 0)));
  const uint64_t start = Written();
  LzwEncoder encoder;
  Bytes piece(PIECE_BYTES);
  FILE* file = fopen(data.Origin->c_str(), "rb");
  bool read = file != nullptr;
  for (size_t left = data.Size; read && left > 0 && Error.empty();) {
    const size_t size = std::min<size_t>(left, PIECE_BYTES);
    read = fread(piece.data(), 1, size, file) == size;
    if (!read) break;
    if (stored)
      PutBytes(Out, piece.data(), size);
    else
      encoder.Feed(piece.data(), size, Out);
    left -= size;
    HandOut(HAND_OUT_BYTES);
    if (counted && Progressed) Progressed(size, 0);
  }
  read = read && fgetc(file) == EOF && !ferror(file);
  if (file != nullptr) fclose(file);
  if (!Error.empty()) return;
  if (!read) {
    Error = "source file " + *data.Origin + " cannot be read, or it changed while the setup was being built";
    return;
  }
  if (!stored) encoder.Finish(Out);
  if (endOffset && !stored) PatchInt32(endOffsetAt, static_cast<uint32_t>(imageSize_ + Written()));
  if (counted) {
    BodyBytes += data.Size;
    EncodedBytes += Written() - start;
  }
  HandOut(HAND_OUT_BYTES);
}

// Overwrites four bytes at a payload offset: in Out, or through the Patch
// hook once they have been handed out.
void SectionWriter::PatchInt32(uint64_t at, uint32_t value)
{
  Bytes bytes;
  PutInt32(bytes, value);
  if (at >= handedOut_)
    std::copy(bytes.begin(), bytes.end(), Out.begin() + static_cast<ptrdiff_t>(at - handedOut_));
  else if (!Patch || !Patch(at, bytes.data(), bytes.size()))
    Error = "the setup cannot be written";
}

void SectionWriter::Item(const SourceFile& file)
{
  PutInt32(Out, file.Attributes);
  PutFileTime(Out, file.Creation);
  PutFileTime(Out, file.LastAccess);
  PutFileTime(Out, file.LastWrite);
  const Data data = file.Deferred ? Data{nullptr, static_cast<size_t>(file.Size), &file.Origin}
                                  : Data{file.Data.data(), file.Data.size(), nullptr};
  Body(data, flags_ & PF_STORED_BODIES, !(flags_ & PF_SPANNED), true);
  if (collecting_)
    ++TotalFiles;
  else if (Progressed)
    Progressed(0, 1);
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
    Body({reinterpret_cast<const unsigned char*>(p.Agreement.data()), p.Agreement.size(), nullptr},
         flags_ & PF_STORED_BODIES, true, true);
  PutString(Out, p.DefaultFolder, PATH_CAPACITY);
  PutInt32(Out, requiredUnits);
}

void SectionWriter::FileList(const Product& p)
{
  // The uninstaller is always compressed.
  Body({p.Uninstaller.data(), p.Uninstaller.size(), nullptr}, false, !(flags_ & PF_SPANNED), false);
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
