// Output files of the builder. A volume is plain bytes of the payload; the
// engine finds the next one by its name alone.
#include "tools/mksetup/volumes.h"
#include <algorithm>
#include <cstdint>

std::string VolumeName(const std::string& path, int number)
{
  char digits[8];
  snprintf(digits, sizeof digits, "%03d", number);
  return path.substr(0, path.size() - 3) + digits;
}

enum { MOST_VOLUMES = 999 };

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
  return StartVolume(1);
}

// Creates volume `number`; the first starts with the image.
bool SetupWriter::StartVolume(int number)
{
  if (number > MOST_VOLUMES)
    return Fail("the payload needs more than " + std::to_string(MOST_VOLUMES) + " volumes; at most " +
                std::to_string(MOST_VOLUMES) + " can be named");
  if (file_ != nullptr && fclose(file_) != 0) {
    file_ = nullptr;
    return Fail("cannot write " + Written.back());
  }
  const std::string name = number == 1 ? path_ : VolumeName(path_, number);
  file_ = fopen(name.c_str(), "wb");
  if (file_ == nullptr) return Fail("cannot write " + name);
  Written.push_back(name);
  volume_ = number;
  left_ = !spanned_ ? UINT64_MAX : number == 1 ? firstVolume_ : volumeSize_;
  return number != 1 || Put(image_.data(), image_.size());
}

bool SetupWriter::Put(const unsigned char* data, size_t size)
{
  if (size != 0 && fwrite(data, 1, size, file_) != size) return Fail("cannot write " + Written.back());
  return true;
}

bool SetupWriter::Write(const unsigned char* data, size_t size)
{
  if (file_ == nullptr) return Fail("the setup is not open");
  while (size > 0) {
    if (left_ == 0 && !StartVolume(volume_ + 1)) return false;
    const size_t take = std::min<uint64_t>(size, left_);
    if (!Put(data, take)) return false;
    left_ -= take;
    data += take;
    size -= take;
  }
  return true;
}

// Closes the open volume and removes the files written from `first` on.
void SetupWriter::Remove(size_t first)
{
  if (file_ != nullptr) fclose(file_);
  file_ = nullptr;
  for (size_t i = first; i < Written.size(); ++i) remove(Written[i].c_str());
  Written.clear();
}

// The setup itself is written over; its continuation volumes go.
bool SetupWriter::Restart()
{
  Remove(1);
  return StartVolume(1);
}

bool SetupWriter::Finish()
{
  if (file_ == nullptr) return Fail("the setup is not open");
  const bool closed = fclose(file_) == 0;
  file_ = nullptr;
  return closed || Fail("cannot write " + Written.back());
}

void SetupWriter::Discard() { Remove(0); }
