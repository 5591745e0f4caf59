// SPDX-License-Identifier: GPL-2.0-or-later
// Picture files decoded to 24-bit pixels without Qt, for "images add": PNG
// (libpng), JPEG (libjpeg), GIF (giflib, the first frame) and BMP (read
// here). The format is told by the file's first bytes, not its name.
#pragma once

#include "core/user_image.h"

#include <filesystem>
#include <string>

namespace cli {

// The largest picture file read (a user image is far smaller).
constexpr size_t kMaxPictureFile = 64u << 20;

// Decodes the file; false with the reason in error. A picture too large for
// a user image is refused from its header, before its pixels are decoded.
bool ReadPictureFile(const std::filesystem::path& path, lumivo::Rgb24Picture& picture, std::string& error);

// The same for a picture that will be scaled: any size that
// lumivo::PictureSizeProblem allows.
bool ReadPictureFileToFit(const std::filesystem::path& path, lumivo::Rgb24Picture& picture, std::string& error);

// The same from bytes in memory.
bool DecodePicture(const uint8_t* data, size_t size, lumivo::Rgb24Picture& picture, std::string& error);

} // namespace cli
