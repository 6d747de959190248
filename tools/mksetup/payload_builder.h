// Turning a Product into the payload's bytes, section by section in payload
// order, with LZW-compressed or stored bodies.
#pragma once
#include <cstdint>
#include "tools/mksetup/product.h"

struct BuildResult {
  Bytes Payload;
  unsigned Flags;          // PayloadFlags as written
  uint32_t RequiredUnits;  // as written
  uint64_t BodyBytes;      // size of the file data before encoding
  uint64_t EncodedBytes;   // size of the file data as written
};

// `imageSize` is the engine image's size: end offsets are absolute file
// offsets. Stored bodies are chosen by the product, or automatically when
// compression would not make the data smaller.
BuildResult BuildPayload(const Product& product, uint64_t imageSize);
