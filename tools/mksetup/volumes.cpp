// Output files of the builder. A volume is plain bytes of the payload; the
// engine finds the next one by its name alone.
#include "tools/mksetup/volumes.h"
#include <cstdio>
#include <fstream>

std::string VolumeName(const std::string& path, int number)
{
  char digits[8];
  snprintf(digits, sizeof digits, "%03d", number);
  return path.substr(0, path.size() - 3) + digits;
}

static bool WriteFile(const std::string& path, const unsigned char* data, size_t size,
                      std::vector<std::string>* written, std::string* error)
{
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  out.close();
  if (!out) {
    *error = "cannot write " + path;
    return false;
  }
  written->push_back(path);
  return true;
}

// Room kept in a signed setup's first volume for its certificate table.
enum : uint64_t { SIGNATURE_ROOM = 16384 };

bool WriteSetup(const std::string& path, Bytes image, const Bytes& payload, bool spanned,
                uint64_t volumeSize, std::vector<std::string>* written, std::string* error, bool signable)
{
  if (path.size() < 4) {
    *error = "the output name " + path + " is too short to name continuation volumes";
    return false;
  }
  if (!spanned) {
    if (!AttachPayload(image, payload)) {
      *error = "the engine image is too small to be a Windows program, or the setup would exceed 4 GiB";
      return false;
    }
    return WriteFile(path, image.data(), image.size(), written, error);
  }
  if (image.size() >= volumeSize) {
    *error = "the engine image (" + std::to_string(image.size()) + " bytes) does not leave room for payload in a volume of " +
             std::to_string(volumeSize) + " bytes";
    return false;
  }
  const uint64_t room = volumeSize - image.size();
  size_t first = std::min<uint64_t>(payload.size(), signable && room > SIGNATURE_ROOM ? room - SIGNATURE_ROOM : room);
  // A signature is appended at an 8-byte boundary: the first volume ends on
  // one, so that no padding comes between its payload and the signature.
  const size_t cut = (image.size() + first) % 8;
  if (signable && first < payload.size() && cut <= first) first -= cut;
  const uint64_t rest = payload.size() - first;
  const uint64_t volumes = 1 + (rest + volumeSize - 1) / volumeSize;
  if (volumes > 999) {
    *error = "the payload needs " + std::to_string(volumes) + " volumes; at most 999 can be named";
    return false;
  }
  if (!AttachPayload(image, Bytes(payload.begin(), payload.begin() + first))) {
    *error = "the engine image is too small to be a Windows program";
    return false;
  }
  if (!WriteFile(path, image.data(), image.size(), written, error)) return false;
  size_t at = first;
  for (int number = 2; at < payload.size(); ++number) {
    const size_t size = std::min<uint64_t>(volumeSize, payload.size() - at);
    if (!WriteFile(VolumeName(path, number), payload.data() + at, size, written, error)) return false;
    at += size;
  }
  return true;
}
