// Files the builder embeds for what they are, not for their bytes alone: the
// engine's and the uninstaller's images, recognised as this engine's by their
// version resources, and icons by their header.
#pragma once
#include <string>
#include "payload/encode.h"

enum class ImageKind { Engine, Uninstaller };

// Empty when `image` is this engine's setup program (without a payload) or
// its uninstaller, of this engine's version; otherwise what it is instead,
// for a message that goes on after the file's name.
std::string ImageProblem(const Bytes& image, ImageKind kind);

// The fixed file version of a Windows program's version resource (major <<
// 16 | minor, build << 16 | revision). False when it has none.
bool ReadPeVersion(const Bytes& image, uint32_t* high, uint32_t* low);

// Empty when the file at `path` starts as an icon file (.ico) whose
// directory fits in it; otherwise why it is not one.
std::string IconProblem(const std::string& path);
