// SPDX-License-Identifier: GPL-2.0-or-later
// Pictures of any size made into user images: fitted, filled or stretched
// to the chosen size, then turned into the board's eight colours by the
// per-channel thresholds, an ordered dot pattern or error diffusion.
#pragma once

#include "core/result.h"
#include "core/user_image.h"

#include <optional>
#include <string>

namespace lumivo {

// Pictures read for fitting are bounded: a side of at most this many
// pixels, and at most kMaxPicturePixels in all (a 40-megapixel photograph).
constexpr int kMaxPictureSide = 16384;
constexpr long kMaxPicturePixels = 40l * 1000 * 1000;
// Why a picture of this size is not read; "" when it may be.
std::string PictureSizeProblem(long width, long height);

enum class FitMode {
    Fit,     // the whole picture, scaled to fit, dark around it
    Fill,    // the size filled, the picture's overhang cut off
    Stretch, // scaled to the size whatever its shape
};
enum class Conversion {
    Thresholds, // red and green lit where they reach their thresholds; blue is not used
    Ordered,    // red, green and blue through an 8 × 8 ordered dot pattern
    Diffusion,  // red, green and blue with each dot's error passed to its neighbours
};

std::optional<FitMode> FitModeFromName(const std::string& name);      // fit, fill, stretch
std::optional<Conversion> ConversionFromName(const std::string& name); // thresholds, ordered, diffusion

// The size a picture takes by default: the band's height and the width its
// shape gives, even, at least 2, and narrowed until it fits a user image.
void DefaultPictureSize(int pictureWidth, int pictureHeight, int bandHeight, int& width, int& height);

// Clears the image and gives it the header of a user image of that size
// (type image, one frame, as pictures have always become).
void StartUserImage(CRGX<8192>& image, int width, int height);

// Scales the picture to width × height (each dot the mean of the pixels it
// covers). Fails when either picture is empty.
Result FitPicture(const Rgb24Picture& picture, int width, int height, FitMode mode, Rgb24Picture& out);

// Converts a picture of a user image's size. The thresholds apply to the
// Thresholds conversion only. Fails, clearing the image, when the picture
// is empty or does not fit a user image.
Result ConvertPicture(const Rgb24Picture& picture, Conversion conversion, uint32_t thresholds, CUserRGX& image);

} // namespace lumivo
