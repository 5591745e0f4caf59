// SPDX-License-Identifier: GPL-2.0-or-later
// Pictures of the user's own made into user images: one conversion of 24-bit
// pixels, fed by the window's image readers and by the command-line tool's
// decoders alike.
#pragma once

#include "core/result.h"

#include <qvr/rgx.h>

#include <cstdint>
#include <string>
#include <vector>

namespace lumivo {

// A decoded picture: rows top to bottom, 3 bytes a pixel in the order blue,
// green, red, rows Width() * 3 bytes apart.
struct Rgb24Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bgr;
    bool Valid() const { return width > 0 && height > 0 && bgr.size() == size_t(width) * size_t(height) * 3; }
};

// Thresholds as one value: red in bits 0-7, green 8-15, blue 16-23.
constexpr uint32_t MakeThresholds(unsigned red, unsigned green, unsigned blue)
{
    return (red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16);
}
// What the user image dialog starts with: red 128, green 128, blue 255.
constexpr uint32_t kDefaultThresholds = MakeThresholds(128, 128, 255);
// Entries taken from the project start with these.
constexpr uint32_t kLibraryThresholds = 0x808080;

// Whether a picture of this size fits a user image (width × height / 2 below 8176).
bool FitsUserImage(int width, int height);
// Why a picture does not fit, naming its size and the limit.
std::string TooLargeText(int width, int height);

// Converts the picture with the thresholds: a pixel lights red where its red
// reaches the red threshold, green likewise (blue is not shown). Refused,
// with the image cleared, when the picture is empty or too large.
Result ConvertUserImage(const Rgb24Picture& picture, uint32_t thresholds, CUserRGX& image);

// Parses "R,G,B" (each 0-255); false for anything else.
bool ParseThresholds(const std::string& text, uint32_t& thresholds);

} // namespace lumivo
