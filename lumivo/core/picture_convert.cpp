// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/picture_convert.h"

#include "core/text_recipe.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace lumivo {
namespace {

// The source pixels [first, last) each destination column or row covers.
struct Span {
    int first, last;
};

std::vector<Span> Spans(double srcStart, double srcLength, int dstLength, int srcLimit)
{
    std::vector<Span> spans(size_t(std::max(dstLength, 0)));
    for (int i = 0; i < dstLength; ++i) {
        const double a = srcStart + srcLength * i / dstLength;
        const double b = srcStart + srcLength * (i + 1) / dstLength;
        int first = std::clamp(int(std::floor(a)), 0, srcLimit - 1);
        int last = std::clamp(int(std::ceil(b)), first + 1, srcLimit);
        spans[size_t(i)] = {first, last};
    }
    return spans;
}

constexpr uint8_t kBayer8[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},  {63, 31, 55, 23, 61, 29, 53, 21}};

void Put(CUserRGX& image, int width, int x, int y, uint8_t nibble)
{
    uint8_t& b = image.data[size_t(y) * size_t(width / 2) + size_t(x / 2)];
    b = (x & 1) ? uint8_t((b & 0xF0) | nibble) : uint8_t((b & 0x0F) | (nibble << 4));
}

} // namespace

void StartUserImage(CRGX<8192>& image, int width, int height)
{
    image.Clear();
    image.header.type = CONTENT_IMAGE;
    image.header.width = uint16_t(width);
    image.header.height = uint16_t(height);
    image.header.frames = 1;
    image.header.phase = 7;
    image.header.delay = 50;
}

std::string PictureSizeProblem(long width, long height)
{
    if (width <= 0 || height <= 0)
        return FontImageText("PictureEmpty", "The picture is %s × %s pixels: it holds no pixels.",
                             {std::to_string(width), std::to_string(height)});
    if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPicturePixels)
        return FontImageText("PictureHuge",
                             "The picture is %s × %s pixels; pictures of at most %s pixels a side and %s "
                             "megapixels are read.",
                             {std::to_string(width), std::to_string(height), std::to_string(kMaxPictureSide),
                              std::to_string(kMaxPicturePixels / 1000000)});
    return {};
}

std::optional<FitMode> FitModeFromName(const std::string& name)
{
    if (name == "fit")
        return FitMode::Fit;
    if (name == "fill")
        return FitMode::Fill;
    if (name == "stretch")
        return FitMode::Stretch;
    return std::nullopt;
}

std::optional<Conversion> ConversionFromName(const std::string& name)
{
    if (name == "thresholds")
        return Conversion::Thresholds;
    if (name == "ordered")
        return Conversion::Ordered;
    if (name == "diffusion")
        return Conversion::Diffusion;
    return std::nullopt;
}

void DefaultPictureSize(int pictureWidth, int pictureHeight, int bandHeight, int& width, int& height)
{
    height = std::max(bandHeight, 1);
    const double aspect = pictureHeight > 0 ? double(std::max(pictureWidth, 1)) / pictureHeight : 1.0;
    width = std::max(2, int(std::lround(aspect * height / 2)) * 2);
    if (!FitsUserImage(width, height))
        width = std::max(2, int((2 * CUserRGX::kMaxDataSize - 1) / unsigned(height)) & ~1);
}

Result FitPicture(const Rgb24Picture& picture, int width, int height, FitMode mode, Rgb24Picture& out)
{
    if (!picture.Valid())
        return Result::Fail(PictureSizeProblem(picture.width, picture.height));
    if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide)
        return Result::Fail(PictureSizeProblem(width, height));
    // Source rectangle and destination rectangle of the scaling.
    double sx = 0, sy = 0, sw = picture.width, sh = picture.height;
    int dx = 0, dy = 0, dw = width, dh = height;
    const double scaleX = double(width) / picture.width, scaleY = double(height) / picture.height;
    if (mode == FitMode::Fit) {
        const double s = std::min(scaleX, scaleY);
        dw = std::clamp(int(std::lround(picture.width * s)), 1, width);
        dh = std::clamp(int(std::lround(picture.height * s)), 1, height);
        dx = (width - dw) / 2;
        dy = (height - dh) / 2;
    } else if (mode == FitMode::Fill) {
        const double s = std::max(scaleX, scaleY);
        sw = std::min(width / s, double(picture.width));
        sh = std::min(height / s, double(picture.height));
        sx = (picture.width - sw) / 2;
        sy = (picture.height - sh) / 2;
    }
    const std::vector<Span> cols = Spans(sx, sw, dw, picture.width);
    const std::vector<Span> rows = Spans(sy, sh, dh, picture.height);
    Rgb24Picture result;
    result.width = width;
    result.height = height;
    result.bgr.assign(size_t(width) * size_t(height) * 3, 0);
    std::vector<uint32_t> sums(size_t(dw) * 3);
    for (int y = 0; y < dh; ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        const Span r = rows[size_t(y)];
        for (int v = r.first; v < r.last; ++v) {
            const uint8_t* src = picture.bgr.data() + size_t(v) * size_t(picture.width) * 3;
            for (int x = 0; x < dw; ++x) {
                const Span c = cols[size_t(x)];
                uint32_t b = 0, g = 0, red = 0;
                for (int u = c.first; u < c.last; ++u) {
                    b += src[3 * u];
                    g += src[3 * u + 1];
                    red += src[3 * u + 2];
                }
                sums[3 * size_t(x)] += b;
                sums[3 * size_t(x) + 1] += g;
                sums[3 * size_t(x) + 2] += red;
            }
        }
        uint8_t* dst = result.bgr.data() + (size_t(dy + y) * size_t(width) + size_t(dx)) * 3;
        for (int x = 0; x < dw; ++x) {
            const uint32_t n = uint32_t(r.last - r.first) * uint32_t(cols[size_t(x)].last - cols[size_t(x)].first);
            for (int k = 0; k < 3; ++k)
                dst[3 * x + k] = uint8_t((sums[3 * size_t(x) + size_t(k)] + n / 2) / n);
        }
    }
    out = std::move(result);
    return {};
}

Result ConvertPicture(const Rgb24Picture& picture, Conversion conversion, uint32_t thresholds, CUserRGX& image)
{
    if (conversion == Conversion::Thresholds)
        return ConvertUserImage(picture, thresholds, image);
    image.Clear();
    if (!picture.Valid())
        return Result::Fail(PictureSizeProblem(picture.width, picture.height));
    if (!FitsUserImage(picture.width, picture.height))
        return Result::Fail(TooLargeText(picture.width, picture.height));
    const int w = picture.width & ~1; // an odd last column is dropped, as by the thresholds
    StartUserImage(image, w, picture.height);
    image.m_DataSize = uint32_t(w / 2 * picture.height);
    image.m_Threshold = thresholds;
    // Channel k of a picture pixel is its byte 2 - k: red, green, blue.
    if (conversion == Conversion::Ordered) {
        for (int y = 0; y < picture.height; ++y) {
            const uint8_t* row = picture.bgr.data() + size_t(y) * size_t(picture.width) * 3;
            for (int x = 0; x < w; ++x) {
                const int limit = kBayer8[y & 7][x & 7] * 4 + 2;
                uint8_t nibble = 0;
                for (int k = 0; k < 3; ++k)
                    if (row[3 * x + 2 - k] > limit)
                        nibble |= uint8_t(1 << k);
                Put(image, w, x, y, nibble);
            }
        }
        return {};
    }
    // Floyd and Steinberg's weights 7, 3, 5, 1 (sixteenths), two error rows.
    std::vector<int> current(size_t(w + 2) * 3, 0), next(size_t(w + 2) * 3, 0);
    for (int y = 0; y < picture.height; ++y) {
        std::fill(next.begin(), next.end(), 0);
        const uint8_t* row = picture.bgr.data() + size_t(y) * size_t(picture.width) * 3;
        for (int x = 0; x < w; ++x) {
            uint8_t nibble = 0;
            for (int k = 0; k < 3; ++k) {
                const size_t at = size_t(x + 1) * 3 + size_t(k);
                const int value = row[3 * x + 2 - k] + current[at] / 16;
                const int shown = value >= 128 ? 255 : 0;
                if (shown)
                    nibble |= uint8_t(1 << k);
                const int error = value - shown;
                current[at + 3] += error * 7;
                next[at - 3] += error * 3;
                next[at] += error * 5;
                next[at + 3] += error;
            }
            Put(image, w, x, y, nibble);
        }
        std::swap(current, next);
    }
    return {};
}

} // namespace lumivo
