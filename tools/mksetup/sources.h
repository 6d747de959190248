// The builder's view of its source files: contents with Windows attributes
// and FILETIMEs, folder trees in install order, the fixed version of a
// Windows executable, and the side-panel bitmap.
#pragma once
#include <string>
#include <vector>
#include "tools/mksetup/product.h"

// Reads a file with its times (last write doubles as creation, which the
// host does not keep) and attributes: archive, plus read-only when the
// owner cannot write it. False with *error naming the file. `deferred`
// leaves the contents to be read when they are written.
bool ReadSourceFile(const std::string& path, SourceFile* file, std::string* error, bool deferred = false);

// The folders and files below `root`, relative to it with "/" separators,
// sorted so that every folder comes before its contents.
struct TreeItem {
  std::string Relative;
  bool Folder;
};
bool ListTree(const std::string& root, std::vector<TreeItem>* items, std::string* error);

// The fixed file version of a PE file's version resource (major << 16 |
// minor, build << 16 | revision). False when it has none.
bool ReadPeVersion(const Bytes& image, uint32_t* high, uint32_t* low);

// Checks a .bmp as a 24-bit, 157 x 226, uncompressed, bottom-up picture and
// returns its BITMAPINFOHEADER followed by its rows (106712 bytes).
bool ReadPanelBitmap(const std::string& path, Bytes* block, std::string* error);
