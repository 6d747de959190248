// The lister's payload source: a setup file and its continuation volumes,
// read through the same primitives as the engine's reader (reader.h).
#pragma once
#include <string>

// Opens a setup file and positions the reads at its payload.
bool OpenPayloadFile(const std::string& path, std::string* error);

// What the layout readers reported, if anything.
std::string PayloadFaultText();

// True when every byte of the payload, in every volume, has been read.
bool PayloadAtEnd();
