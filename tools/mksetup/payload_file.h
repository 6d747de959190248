// The lister's payload source: a setup file and its continuation volumes,
// read through the same primitives as the engine's reader (reader.h).
#pragma once
#include <cstdint>
#include <functional>
#include <string>

// Opens a setup file and positions the reads at its payload; a setup
// opened before is closed. `progressed`, when given, hears of the bytes of
// each 64 KiB read.
bool OpenPayloadFile(const std::string& path, std::string* error,
                     std::function<void(uint64_t bytes)> progressed = nullptr);
void ClosePayloadFile();

// Where the payload starts in the setup file opened: the size of the
// engine's image before it.
uint32_t PayloadStart();

// What the layout readers reported, if anything.
std::string PayloadFaultText();

// True when every byte of the payload, in every volume, has been read.
bool PayloadAtEnd();
