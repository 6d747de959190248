// Turning a Product into the payload's bytes, section by section in payload
// order, with LZW-compressed or stored bodies, written as they are made.
#pragma once
#include <cstdint>
#include <string>
#include "tools/mksetup/product.h"
#include "tools/mksetup/section_writer.h"
#include "tools/mksetup/volumes.h"

class Progress;

struct BuildResult {
  uint64_t PayloadBytes;
  unsigned Flags;          // PayloadFlags as written
  uint32_t RequiredUnits;  // as written
  uint64_t BodyBytes;      // size of the file data before encoding
  uint64_t EncodedBytes;   // size of the file data as written
};

// Writes the payload to `setup`, opened behind an engine image of
// `imageSize` bytes (end offsets are absolute file offsets), telling
// `progress` how far it is. Stored bodies are chosen by the product, or
// automatically when compression would not make the data smaller, or the
// compressed setup would be too large: then the setup is written again.
// False with *error when a source cannot be read as it was, the setup
// cannot be written, or it would be larger than a setup can be.
bool BuildPayload(const Product& product, uint64_t imageSize, SetupWriter& setup, Progress& progress,
                  BuildResult* result, std::string* error);
