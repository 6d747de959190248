// Writing a setup executable as its payload is made, whole or spread over
// continuation volumes named like it with the last three characters
// replaced by 002, 003, ...
#pragma once
#include <cstdio>
#include <string>
#include <vector>
#include "payload/encode.h"

class SetupWriter {
 public:
  SetupWriter() = default;
  SetupWriter(const SetupWriter&) = delete;
  SetupWriter& operator=(const SetupWriter&) = delete;
  ~SetupWriter();

  // Creates `path` holding the image with its payload offset set. When
  // `spanned`, no file is larger than `volumeSize`: the first holds the
  // image and the payload's start.
  bool Open(const std::string& path, Bytes image, bool spanned, uint64_t volumeSize);
  bool Write(const unsigned char* data, size_t size);  // the payload's next bytes
  bool Restart();                                     // the payload again from its start
  bool Finish();                                      // every file complete and closed
  void Discard();                                     // every file written is removed

  std::vector<std::string> Written;  // the names written, the setup first
  std::string Error;                 // why the last call failed

 private:
  bool StartVolume(int number);
  bool Put(const unsigned char* data, size_t size);
  bool Fail(const std::string& why);
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
