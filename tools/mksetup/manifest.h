// Reading a product manifest (TOML) into a Product. Every refusal names the
// manifest field and its line and says which limit was broken.
#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "tools/mksetup/product.h"

// Reads the manifest at `path`; relative source paths are taken from the
// manifest's folder, or else from the first folder of `searchPath` that
// has them. False with *error set when anything is refused. What the
// builder takes but the user should know of (a text file that Windows would
// misread) is added to *warnings, when given, one line each. File times
// later than `latestTime` are recorded as it.
bool LoadManifest(const std::string& path, Product* product, std::string* error,
                  const std::vector<std::string>& searchPath = {}, std::vector<std::string>* warnings = nullptr,
                  uint64_t latestTime = UINT64_MAX);
