// Output files of the builder. A volume is plain bytes of the payload; the
// engine finds the next one by its name alone. Every file goes to its
// temporary first (its name with TEMPORARY appended) and is renamed into
// place by Commit, the setup last; Discard and the next Open remove what an
// unfinished build left.
#include "tools/mksetup/volumes.h"
#include <algorithm>
#include <cstdint>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include "tools/mksetup/interrupt.h"

static const std::string TEMPORARY = ".mksetup-partial";
// The engine reads the payload through 32-bit file offsets, and FAT32 holds
// no larger file.
constexpr uint64_t LARGEST_SETUP = 0xFFFFFFFFull;

std::string VolumeName(const std::string& path, int number)
{
  char digits[8];
  snprintf(digits, sizeof digits, "%03d", number);
  return path.substr(0, path.size() - 3) + digits;
}

// Every name a build of `path` may write or remove.
static std::vector<std::string> OutputNames(const std::string& path)
{
  std::vector<std::string> names = {path, path + TEMPORARY, path + TEMPORARY + ".signed"};
  for (int number = 2; path.size() >= 4 && number <= MOST_VOLUMES; ++number) {
    names.push_back(VolumeName(path, number));
    names.push_back(VolumeName(path, number) + TEMPORARY);
  }
  return names;
}

bool OutputSparesInputs(const std::string& path, const std::vector<std::string>& inputs, std::string* error)
{
  std::set<std::pair<dev_t, ino_t>> files;
  struct stat info;
  for (const std::string& input : inputs)
    if (stat(input.c_str(), &info) == 0) files.insert({info.st_dev, info.st_ino});
  for (const std::string& name : OutputNames(path)) {
    if (stat(name.c_str(), &info) != 0 || files.count({info.st_dev, info.st_ino}) == 0) continue;
    const auto input = std::find_if(inputs.begin(), inputs.end(), [&](const std::string& i) {
      struct stat same;
      return stat(i.c_str(), &same) == 0 && same.st_dev == info.st_dev && same.st_ino == info.st_ino;
    });
    const std::string what = name == path && *input == path ? "is"
                             : name == path                   ? "would overwrite " + *input + ", which is"
                                                              : "would overwrite or remove " + name + ", which is";
    *error = "the output " + path + " " + what + " one of this build's inputs; choose another output name";
    return false;
  }
  return true;
}

std::string SetupWriter::Temporary() const { return path_ + TEMPORARY; }

SetupWriter::~SetupWriter()
{
  if (file_ != nullptr) fclose(file_);
}

bool SetupWriter::Fail(const std::string& why)
{
  if (Error.empty()) Error = why;
  return false;
}

bool SetupWriter::Open(const std::string& path, Bytes image, bool spanned, uint64_t volumeSize)
{
  if (path.size() < 4) return Fail("the output name " + path + " is too short to name continuation volumes");
  if (!AttachPayload(image, Bytes()))
    return Fail("the engine image is too small to be a Windows program, or too large to carry a payload");
  path_ = path;
  image_ = std::move(image);
  spanned_ = spanned;
  volumeSize_ = volumeSize;
  if (spanned) {
    if (image_.size() >= volumeSize)
      return Fail("the engine image (" + std::to_string(image_.size()) + " bytes) does not leave room for payload in a volume of " +
                  std::to_string(volumeSize) + " bytes");
    firstVolume_ = volumeSize - image_.size();
  }
  for (const std::string& name : OutputNames(path))
    if (name.find(TEMPORARY, path.size() - 3) != std::string::npos) unlink(name.c_str());
  return StartVolume(1);
}

// Creates the temporary of volume `number`; the first starts with the image.
bool SetupWriter::StartVolume(int number)
{
  if (number > MOST_VOLUMES) return RefuseSize();
  if (file_ != nullptr && fclose(file_) != 0) {
    file_ = nullptr;
    return Fail("cannot write " + Written.back());
  }
  const std::string name = number == 1 ? path_ : VolumeName(path_, number);
  file_ = fopen((name + TEMPORARY).c_str(), "wb");
  if (file_ == nullptr) return Fail("cannot write " + name);
  Written.push_back(name);
  volume_ = number;
  left_ = !spanned_ ? LARGEST_SETUP - image_.size() : number == 1 ? firstVolume_ : volumeSize_;
  return number != 1 || Put(image_.data(), image_.size());
}

bool SetupWriter::Put(const unsigned char* data, size_t size)
{
  if (size != 0 && fwrite(data, 1, size, file_) != size) return Fail("cannot write " + Written.back());
  return true;
}

bool SetupWriter::Holds(uint64_t payloadBytes)
{
  return (spanned_ ? payloadBytes <= firstVolume_ + (MOST_VOLUMES - 1) * volumeSize_
                   : payloadBytes <= LARGEST_SETUP - image_.size()) ||
         RefuseSize();
}

bool SetupWriter::RefuseSize()
{
  TooLarge = true;
  if (spanned_)
    return Fail("the payload needs more than " + std::to_string(MOST_VOLUMES) + " volumes; at most " +
                std::to_string(MOST_VOLUMES) + " can be named");
  return Fail("the setup would be larger than 4,294,967,295 bytes: the engine reads its payload through 32-bit "
              "file offsets, and FAT32 media hold no larger file; give --span to spread it over volumes");
}

bool SetupWriter::Write(const unsigned char* data, size_t size)
{
  if (file_ == nullptr) return Fail("the setup is not open");
  if (Interrupted()) return Fail("the build was interrupted");
  while (size > 0) {
    if (left_ == 0 && !spanned_) return RefuseSize();
    if (left_ == 0 && !StartVolume(volume_ + 1)) return false;
    const size_t take = std::min<uint64_t>(size, left_);
    if (!Put(data, take)) return false;
    left_ -= take;
    data += take;
    size -= take;
  }
  return true;
}

bool SetupWriter::Patch(uint64_t at, const unsigned char* data, size_t size)
{
  if (file_ == nullptr || spanned_) return Fail("the setup is not open");
  const off_t end = ftello(file_);
  if (fseeko(file_, static_cast<off_t>(image_.size() + at), SEEK_SET) != 0 || !Put(data, size) ||
      fseeko(file_, end, SEEK_SET) != 0)
    return Fail("cannot write " + Written.back());
  return true;
}

// Closes the open volume and removes the temporaries from `first` on.
void SetupWriter::Remove(size_t first)
{
  if (file_ != nullptr) fclose(file_);
  file_ = nullptr;
  for (size_t i = first; i < Written.size(); ++i) unlink((Written[i] + TEMPORARY).c_str());
  Written.resize(std::min(first, Written.size()));
}

// The setup itself is written over; its continuation volumes go.
bool SetupWriter::Restart()
{
  Remove(1);
  Written.clear();
  return StartVolume(1);
}

bool SetupWriter::Finish()
{
  if (file_ == nullptr) return Fail("the setup is not open");
  const bool closed = fclose(file_) == 0;
  file_ = nullptr;
  return closed || Fail("cannot write " + Written.back());
}

bool SetupWriter::Commit()
{
  if (Interrupted()) return Fail("the build was interrupted");
  // The setup goes last: until it is in place, the earlier one stands.
  for (size_t i = Written.size(); i-- > 0;)
    if (rename((Written[i] + TEMPORARY).c_str(), Written[i].c_str()) != 0) return Fail("cannot write " + Written[i]);
  for (int number = static_cast<int>(Written.size()) + 1; number <= MOST_VOLUMES; ++number) {
    const std::string name = VolumeName(path_, number);
    if (unlink(name.c_str()) == 0) Removed.push_back(name);
  }
  return true;
}

void SetupWriter::Discard() { Remove(0); }
