// Source files for the payload, read from the host's file system.
#include "tools/mksetup/sources.h"
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include "tools/mksetup/exclude.h"
#include "tools/mksetup/little_endian.h"
#include "tools/mksetup/section_writer.h"
#include "tools/mksetup/text.h"

namespace {

enum : uint32_t { ATTR_READONLY = 0x01, ATTR_DIRECTORY = 0x10, ATTR_ARCHIVE = 0x20 };
constexpr uint64_t EPOCH_DIFFERENCE = 11644473600ull;  // 1601-01-01 to 1970-01-01, seconds

uint64_t FileTimeOf(const timespec& t, uint64_t latest)
{
  const uint64_t time = (static_cast<uint64_t>(t.tv_sec) + EPOCH_DIFFERENCE) * 10000000ull +
                        static_cast<uint64_t>(t.tv_nsec) / 100;
  return std::min(time, latest);
}

}  // namespace

bool LatestSourceTime(const char* sourceDateEpoch, uint64_t* latest, std::string* error)
{
  constexpr uint64_t LAST_SECOND = 253402300799ull;  // 9999-12-31 23:59:59, as far as Windows shows dates
  *latest = UINT64_MAX;
  if (sourceDateEpoch == nullptr) return true;
  uint64_t seconds = 0;
  const char* c = sourceDateEpoch;
  for (; *c >= '0' && *c <= '9' && seconds <= LAST_SECOND; ++c) seconds = seconds * 10 + static_cast<unsigned>(*c - '0');
  if (c == sourceDateEpoch || *c != '\0' || seconds > LAST_SECOND) {
    *error = "SOURCE_DATE_EPOCH is \"" + std::string(sourceDateEpoch) +
             "\"; it must be the seconds since 1970-01-01 UTC as a decimal number, at most " +
             std::to_string(LAST_SECOND);
    return false;
  }
  *latest = (seconds + EPOCH_DIFFERENCE) * 10000000ull;
  return true;
}

bool ReadSourceFile(const std::string& path, SourceFile* file, std::string* error, bool deferred, uint64_t latest)
{
  struct stat info;
  const bool found = stat(path.c_str(), &info) == 0;
  if (!found && errno != ENOENT) {
    *error = "source file " + path + " cannot be read: " + strerror(errno);
    return false;
  }
  if (!found || !S_ISREG(info.st_mode)) {
    *error = "source file " + path + " is missing or not a regular file";
    return false;
  }
  if (info.st_size > 0x7FFFFFFF) {
    *error = "source file " + path + " is larger than 2 GiB, which a payload cannot hold";
    return false;
  }
  file->Origin = path;
  file->Attributes = ATTR_ARCHIVE | ((info.st_mode & S_IWUSR) ? uint32_t{0} : uint32_t{ATTR_READONLY});
  file->LastWrite = FileTimeOf(info.st_mtim, latest);
  // The last access is this machine's reading, not the file's: two builds of one tree would differ.
  file->LastAccess = file->LastWrite;
  file->Creation = file->LastWrite;
  file->Deferred = deferred;
  file->Size = static_cast<uint64_t>(info.st_size);
  if (deferred) {
    if (access(path.c_str(), R_OK) == 0) return true;
    *error = "source file " + path + " cannot be read: " + strerror(errno);
    return false;
  }
  if (!ReadSourceBytes(path, static_cast<size_t>(info.st_size), &file->Data)) {
    *error = "source file " + path + " cannot be read";
    return false;
  }
  return true;
}

bool HoldsUnmarkedUtf8(const std::string& path)
{
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  std::vector<unsigned char> piece(1 << 16);
  size_t got = fread(piece.data(), 1, piece.size(), file);
  const bool marked = got >= 3 && memcmp(piece.data(), "\xEF\xBB\xBF", 3) == 0;
  Utf8Scan scan;
  for (; got > 0 && !marked && !scan.Failed(); got = fread(piece.data(), 1, piece.size(), file))
    scan.Feed(piece.data(), got);
  fclose(file);
  return !marked && scan.Utf8();
}

// The folders from the tree's root down to the one being walked, by device
// and inode: a folder met again among them, through whatever links, is a
// loop, and walking it would never end.
using FolderPath = std::vector<std::pair<dev_t, ino_t>>;

static bool Walk(const std::string& root, const std::string& relative, const std::vector<std::string>& exclude,
                 FolderPath* walked, std::vector<TreeItem>* items, size_t* leftOut, std::string* error)
{
  const std::string folder = relative.empty() ? root : root + "/" + relative;
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) {
    *error = "source folder " + folder + " cannot be read: " + strerror(errno);
    return false;
  }
  std::vector<std::string> names;
  while (dirent* entry = readdir(dir)) {
    if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
      names.push_back(entry->d_name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    const std::string rel = relative.empty() ? name : relative + "/" + name;
    if (LeftOutOfTree(rel, exclude)) {
      ++*leftOut;
      continue;
    }
    struct stat info;
    if (stat((root + "/" + rel).c_str(), &info) != 0) {
      *error = "source " + root + "/" + rel + " cannot be read: " + strerror(errno);
      return false;
    }
    if (S_ISDIR(info.st_mode)) {
      const std::pair<dev_t, ino_t> id(info.st_dev, info.st_ino);
      if (std::find(walked->begin(), walked->end(), id) != walked->end()) {
        *error = "source folder " + root + "/" + rel + " links back to a folder it lies in (a loop of symbolic links)";
        return false;
      }
      items->push_back({rel, true});
      walked->push_back(id);
      if (!Walk(root, rel, exclude, walked, items, leftOut, error)) return false;
      walked->pop_back();
    } else if (S_ISREG(info.st_mode)) {
      items->push_back({rel, false});
    }
  }
  return true;
}

bool ListTree(const std::string& root, const std::vector<std::string>& exclude, std::vector<TreeItem>* items,
              size_t* leftOut, std::string* error)
{
  struct stat info;
  if (stat(root.c_str(), &info) != 0) {
    *error = "source folder " + root + (errno == ENOENT ? " is missing" : " cannot be read: " + std::string(strerror(errno)));
    return false;
  }
  if (!S_ISDIR(info.st_mode)) {
    *error = "source folder " + root + " is a file, not a folder; give one file as source";
    return false;
  }
  FolderPath walked = {{info.st_dev, info.st_ino}};
  return Walk(root, "", exclude, &walked, items, leftOut, error);
}

bool ReadPanelBitmap(const std::string& path, Bytes* block, std::string* error)
{
  enum { WIDTH = 157, HEIGHT = 226, ROW = 472, HEADER = 40, PIXELS = ROW * HEIGHT };
  Bytes file;
  struct stat info;
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > 0x7FFFFFFF ||
      !ReadSourceBytes(path, static_cast<size_t>(info.st_size), &file)) {
    *error = "panel bitmap " + path + " cannot be read";
    return false;
  }
  const auto refuse = [&](const std::string& why) {
    *error = "panel bitmap " + path + ": " + why;
    return false;
  };
  if (file.size() < 14 + HEADER || file[0] != 'B' || file[1] != 'M') return refuse("not a .bmp file");
  const uint32_t pixels = Get32(file, 10);
  const uint32_t headerSize = Get32(file, 14);
  const int32_t width = static_cast<int32_t>(Get32(file, 18));
  const int32_t height = static_cast<int32_t>(Get32(file, 22));
  const uint16_t bits = Get16(file, 28);
  const uint32_t compression = Get32(file, 30);
  if (headerSize < HEADER) return refuse("its header is of an old kind; save it as a Windows bitmap");
  if (width != WIDTH || height != HEIGHT)
    return refuse("it is " + std::to_string(width) + " x " + std::to_string(height) +
                  " pixels; the panel needs 157 x 226, stored bottom-up");
  if (bits != 24 || compression != 0)
    return refuse("it has " + std::to_string(bits) + " bits per pixel" +
                  (compression ? ", compressed" : "") + "; the panel needs 24 bits, uncompressed");
  if (pixels > file.size() || file.size() - pixels < PIXELS) return refuse("its pixel rows are cut short");
  block->assign(file.begin() + 14, file.begin() + 14 + HEADER);
  (*block)[0] = HEADER;  // a larger header's extra fields are not carried
  (*block)[1] = (*block)[2] = (*block)[3] = 0;
  block->insert(block->end(), file.begin() + pixels, file.begin() + pixels + PIXELS);
  return true;
}
