// SPDX-License-Identifier: GPL-2.0-or-later
// Picture files decoded to 24-bit pixels without Qt, for "images add": PNG
// (libpng), JPEG (libjpeg), GIF (giflib, any one frame) and BMP (read
// here). The format is told by the file's first bytes, not its name.
#pragma once

#include "core/user_image.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace cli {

// The largest picture file read (a user image is far smaller).
constexpr size_t kMaxPictureFile = 64u << 20;
// The frames of an animated GIF that can be chosen (as the program's
// dialog offers), and the pixels decoded at most to reach one of them.
constexpr int kMaxGifFrames = 1000;
constexpr uint64_t kMaxGifDecodedPixels = 200'000'000;

// Decodes the file; false with the reason in error. A picture too large for
// a user image is refused from its header, before its pixels are decoded.
// frame (0-based) chooses a frame of an animated GIF, drawn as it shows
// after the frames before it; other pictures have only frame 0.
bool ReadPictureFile(const std::filesystem::path& path, lumivo::Rgb24Picture& picture, std::string& error,
                     int frame = 0);

// The same for a picture that will be scaled: any size that
// lumivo::PictureSizeProblem allows.
bool ReadPictureFileToFit(const std::filesystem::path& path, lumivo::Rgb24Picture& picture, std::string& error,
                          int frame = 0);

// The same from bytes in memory; frames gets how many there are (of a GIF,
// at most kMaxGifFrames are counted).
bool DecodePicture(const uint8_t* data, size_t size, lumivo::Rgb24Picture& picture, std::string& error, int frame = 0,
                   int* frames = nullptr);

} // namespace cli
