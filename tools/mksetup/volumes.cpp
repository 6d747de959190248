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

// Room kept in a signed setup's first volume for its certificate table.
enum : uint64_t { SIGNATURE_ROOM = 16384 };
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

bool SetupWriter::Open(const std::string& path, Bytes image, bool spanned, uint64_t volumeSize, bool signable)
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
    const uint64_t room = volumeSize - image_.size();
    firstMost_ = signable && room > SIGNATURE_ROOM ? room - SIGNATURE_ROOM : room;
    // A signature is appended at an 8-byte boundary: when more volumes
    // follow, the first ends on one, so that no padding comes between its
    // payload and the signature.
    const uint64_t cut = (image_.size() + firstMost_) % 8;
    firstVolume_ = signable && cut <= firstMost_ ? firstMost_ - cut : firstMost_;
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
    if (left_ == 0 && volume_ == 1 && held_.size() < firstMost_ - firstVolume_) {
      // Past the boundary the first volume ends on when more follow: kept
      // back until it is known whether more do.
      const size_t take = std::min<uint64_t>(size, firstMost_ - firstVolume_ - held_.size());
      held_.insert(held_.end(), data, data + take);
      data += take;
      size -= take;
      continue;
    }
    if (left_ == 0) {
      if (!StartVolume(volume_ + 1) || !Put(held_.data(), held_.size())) return false;
      left_ -= held_.size();
      held_.clear();
    }
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
  held_.clear();
  return StartVolume(1);
}

bool SetupWriter::Finish()
{
  if (file_ == nullptr) return Fail("the setup is not open");
  // The whole payload fitted the first volume.
  const bool held = Put(held_.data(), held_.size());
  held_.clear();
  const bool closed = fclose(file_) == 0;
  file_ = nullptr;
  return held && (closed || Fail("cannot write " + Written.back()));
}

void SetupWriter::Discard() { Remove(0); }
