// Reading a product manifest (TOML) into a Product. Every refusal names the
// manifest field and its line and says which limit was broken; one reading
// finds every mistake.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "tools/mksetup/product.h"

// Reads the manifest at `path`; relative source paths are taken from the
// manifest's folder, or else from the first folder of `searchPath` that
// has them. False when anything is refused, with *error holding one line
// per mistake, in the order of their lines, and a count when there are
// several (a missing or unreadable manifest is one line). What the
// builder takes but the user should know of (a text file that Windows would
// misread, a search folder that does not exist) is added to *warnings, when
// given, one line each. File times later than `latestTime` are recorded as
// it.
bool LoadManifest(const std::string& path, Product* product, std::string* error,
                  const std::vector<std::string>& searchPath = {}, std::vector<std::string>* warnings = nullptr,
                  uint64_t latestTime = UINT64_MAX);
