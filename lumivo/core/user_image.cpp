// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/user_image.h"

#include "core/board_text.h"

#include <cstdio>

namespace lumivo {

bool FitsUserImage(int width, int height)
{
    if (width <= 0 || height <= 0)
        return false;
    return (uint64_t(width) * uint64_t(height)) / 2 < CUserRGX::kMaxDataSize;
}

std::string TooLargeText(int width, int height)
{
    const uint64_t bytes = (uint64_t(width > 0 ? width : 0) * uint64_t(height > 0 ? height : 0)) / 2;
    return BoardText("ImageTooLarge",
                     "The picture is %s × %s pixels, %s bytes as a user image. A user image must stay below %s "
                     "bytes (width × height ÷ 2), for example 128 × 127 pixels.",
                     {std::to_string(width), std::to_string(height), std::to_string(bytes),
                      std::to_string(CUserRGX::kMaxDataSize)});
}

Result ConvertUserImage(const Rgb24Picture& picture, uint32_t thresholds, CUserRGX& image)
{
    image.Clear();
    if (!picture.Valid())
        return Result::Fail(BoardText("ImageEmpty", "The picture holds no pixels."));
    if (!FitsUserImage(picture.width, picture.height))
        return Result::Fail(TooLargeText(picture.width, picture.height));
    BITMAP bm{};
    bm.bmWidth = picture.width;
    bm.bmHeight = picture.height;
    bm.bmWidthBytes = picture.width * 3;
    bm.bmPlanes = 1;
    bm.bmBitsPixel = 24;
    bm.bmBits = const_cast<uint8_t*>(picture.bgr.data());
    if (!image.LoadFromHandle(&bm, thresholds))
        return Result::Fail(TooLargeText(picture.width, picture.height));
    return {};
}

bool ParseThresholds(const std::string& text, uint32_t& thresholds)
{
    int r = -1, g = -1, b = -1;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%d,%d,%d%c", &r, &g, &b, &tail) != 3)
        return false;
    if (r < 0 || r > 255 || g < 0 || g > 255 || b < 0 || b > 255)
        return false;
    thresholds = MakeThresholds(unsigned(r), unsigned(g), unsigned(b));
    return true;
}

} // namespace lumivo
