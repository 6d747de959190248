// The builder's output files: a setup executable written whole or spread
// over continuation volumes named like it with the last three characters
// replaced by 002, 003, ... Every file is written as a temporary beside its
// target and renamed into place only when the whole build has succeeded,
// so a failed or ended build leaves the earlier output as it was.
#pragma once
#include <cstdio>
#include <string>
#include <vector>
#include "payload/encode.h"

// A setup file and its continuation volumes: at most 999 files, the last
// named ".999".
enum { MOST_VOLUMES = 999 };

class SetupWriter {
 public:
  SetupWriter() = default;
  SetupWriter(const SetupWriter&) = delete;
  SetupWriter& operator=(const SetupWriter&) = delete;
  ~SetupWriter();

  // Starts the temporary of `path` with the image, its payload offset set,
  // after removing the temporaries an ended build may have left. When
  // `spanned`, no file is larger than `volumeSize`: the first holds the
  // image and the payload's start. Else the file stays within what the
  // engine's 32-bit offsets address.
  bool Open(const std::string& path, Bytes image, bool spanned, uint64_t volumeSize);
  bool Write(const unsigned char* data, size_t size);  // the payload's next bytes
  // Payload bytes at `at`, already written, again; only in a setup that is not spanned.
  bool Patch(uint64_t at, const unsigned char* data, size_t size);
  bool Holds(uint64_t payloadBytes);  // false, TooLarge, when no payload of that size fits
  bool Restart();                           // the payload again from its start
  bool Finish();                            // every temporary complete and closed
  // Renames the temporaries into place and removes the volumes of an
  // earlier build that this one did not write (listed in Removed).
  bool Commit();
  void Discard();  // every temporary written is removed
  std::string Temporary() const;  // the setup's temporary, to sign before Commit

  std::vector<std::string> Written;  // the names written, the setup first
  std::vector<std::string> Removed;  // an earlier build's volumes that Commit removed
  std::string Error;                 // why the last call failed
  bool TooLarge = false;             // the failure was the size a setup can have

 private:
  bool StartVolume(int number);
  bool Put(const unsigned char* data, size_t size);
  bool Fail(const std::string& why);
  bool RefuseSize();
  void Remove(size_t first);

  std::string path_;
  Bytes image_;
  bool spanned_ = false;
  uint64_t volumeSize_ = 0;
  uint64_t firstVolume_ = 0;  // payload bytes in the first volume
  FILE* file_ = nullptr;
  int volume_ = 0;
  uint64_t left_ = 0;         // bytes the current volume still takes
};

// The name of continuation volume `number` (2 to 999) of a setup file.
std::string VolumeName(const std::string& path, int number);

// False with *error when writing `path`, or any volume, temporary or
// leftover the build may write or remove beside it, would touch one of the
// build's `inputs` (existing files, compared as files, not as names).
bool OutputSparesInputs(const std::string& path, const std::vector<std::string>& inputs, std::string* error);
