// A product as the builder holds it once its manifest has been read: every
// text already in Shift-JIS and within its capacity, every source file with
// its attributes and times (the file list's contents are read only when they
// are written), every flag bit decided.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "payload/encode.h"

struct SourceFile {
  std::string Origin;   // where it came from, for messages
  uint32_t Attributes;  // Windows attribute bits
  uint64_t Creation;    // FILETIMEs
  uint64_t LastAccess;
  uint64_t LastWrite;
  Bytes Data;             // the contents, unless deferred
  bool Deferred = false;  // the contents are Size bytes read from Origin when written
  uint64_t Size = 0;

  uint64_t Length() const { return Deferred ? Size : Data.size(); }
};

// A file that a shortcut, file type or the launch record names: a file of
// the install folder, or one carried in the payload.
struct FileReference {
  std::string Name;  // non-empty: a file of the install folder
  bool Embedded = false;
  SourceFile File;   // the embedded file
};

struct FileEntry {
  std::string Target;  // path relative to the install folder, or absolute
  bool Folder = false;
  SourceFile File;
};

struct ShortcutRecord {
  bool Present = false;
  std::string Name;  // empty: the product name
  FileReference Target;
  std::string Arguments;
};

struct SharedFileEntry {
  std::string Path;
  uint32_t VersionHigh = 0;  // major << 16 | minor
  uint32_t VersionLow = 0;   // build << 16 | revision
  SourceFile File;
};

struct RegistryEntry {
  std::string Path;  // root key name, "\" and the rest
  int Type = 0;      // 0: the key only
  Bytes Data;
};

struct Command {
  bool Present = false;
  FileReference Program;
  std::string Arguments;
};

struct FileTypeEntry {
  std::string Extension;
  int IconIndex = 0;
  std::string Description;
  FileReference Icon;
  Command Open;
  Command Print;
};

enum class StoredChoice { Automatic, Always, Never };

struct Product {
  std::string Name;
  unsigned Flags = 0;  // PF_* bits, except PF_STORED_BODIES (decided when building)
  uint32_t Top = 0;
  uint32_t Bottom = 0;
  std::string Face;
  int32_t FontSize = 0;
  std::string Footer;
  Bytes Panel;           // empty: no side panel
  std::string Agreement; // Shift-JIS with CR LF; used with PF_AGREEMENT_PAGE
  std::string DefaultFolder;
  bool RequiredGiven = false;
  uint32_t RequiredUnits = 0;
  Bytes Uninstaller;
  std::vector<FileEntry> Files;
  ShortcutRecord Desktop;
  ShortcutRecord StartMenu;
  std::vector<SharedFileEntry> SharedFiles;
  std::vector<RegistryEntry> Registry;
  std::vector<FileTypeEntry> FileTypes;
  Command Launch;
  StoredChoice Stored = StoredChoice::Automatic;
  bool Spanned = false;
  uint64_t VolumeSize = 1457664;
  std::vector<std::string> Inputs;  // the source files and folders the manifest names
  size_t LeftOut = 0;               // files and folders that trees leave out (exclude patterns and the like)
};
