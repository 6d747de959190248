// Writing a setup executable, whole or spread over continuation volumes
// named like it with the last three characters replaced by 002, 003, ...
#pragma once
#include <string>
#include <vector>
#include "payload/encode.h"

// Writes image + payload to `path`. When `spanned`, no file is larger than
// `volumeSize`: the first holds the image and the payload's start. The
// names written are added to *written. False with *error otherwise.
// `signable` leaves room in the first volume for a signature, appended later
// at an 8-byte boundary that the first volume's data then ends on.
bool WriteSetup(const std::string& path, Bytes image, const Bytes& payload, bool spanned,
                uint64_t volumeSize, std::vector<std::string>* written, std::string* error,
                bool signable = false);

// The name of continuation volume `number` (2 to 999) of a setup file.
std::string VolumeName(const std::string& path, int number);
