// The builder's view of its source files: contents with Windows attributes
// and FILETIMEs (none later than the build's latest time), folder trees in
// install order, and the side-panel bitmap.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "tools/mksetup/product.h"

// The latest file time (a FILETIME) a build records, from the value of
// SOURCE_DATE_EPOCH: seconds since 1970-01-01 UTC as a decimal number, up
// to the end of the year 9999. Null (unset): no limit, UINT64_MAX. False
// with *error when the value is anything else.
bool LatestSourceTime(const char* sourceDateEpoch, uint64_t* latest, std::string* error);

// Reads a file with its times (last write doubles as creation, which the
// host does not keep, and as last access, which on the host is only when
// it was last read), each one later than `latest` recorded as `latest`, so
// that two checkouts of one commit build the same bytes, and its
// attributes: archive, plus read-only when the owner cannot write it. False
// with *error naming the file. `deferred` leaves the contents to be read
// when they are written.
bool ReadSourceFile(const std::string& path, SourceFile* file, std::string* error, bool deferred = false,
                    uint64_t latest = UINT64_MAX);

// True when the file holds UTF-8 text with characters beyond ASCII and no
// byte-order mark. Reads it in pieces; an unreadable file is false (its
// reading for the payload reports it).
bool HoldsUnmarkedUtf8(const std::string& path);

// The folders and files below `root`, relative to it with "/" separators,
// sorted so that every folder comes before its contents; those that the
// `exclude` patterns or the version-control and backup names leave out
// (exclude.h) are counted in *leftOut instead.
struct TreeItem {
  std::string Relative;
  bool Folder;
};
bool ListTree(const std::string& root, const std::vector<std::string>& exclude, std::vector<TreeItem>* items,
              size_t* leftOut, std::string* error);

// Checks a .bmp as a 24-bit, 157 x 226, uncompressed, bottom-up picture and
// returns its BITMAPINFOHEADER followed by its rows (106712 bytes).
bool ReadPanelBitmap(const std::string& path, Bytes* block, std::string* error);
