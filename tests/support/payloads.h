// Payloads for tests, written by the builder's section writers: the
// start-up sections with chosen fields, and a stand-in executable image.
#pragma once
#include <cstdint>
#include <string>
#include "payload/encode.h"

struct StartupFields {
  std::string Name = "テスト製品";
  unsigned Flags = 0;
  uint32_t Top = 0x00FF0000;
  uint32_t Bottom = 0x00000000;
  std::string Face = "標準フォント";
  uint32_t FontSize = 24;
  std::string Footer = "Norvalex.";
  bool Panel = false;  // a picture whose byte i is (i * 7) & 0xFF
};

// The product header and the screen settings, in payload order.
Bytes StartupSections(const StartupFields& fields);
// 64 bytes: "MZ" and an empty DOS header, whose offset word AttachPayload sets.
Bytes StandInImage();
// Writes the stand-in image with `payload` attached to `path`; false if it cannot.
bool WriteStandInSetup(const std::string& path, const Bytes& payload);
