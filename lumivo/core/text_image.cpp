// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/text_image.h"

#include "core/font_face.h"
#include "core/picture_convert.h"
#include "core/user_image.h"

#include <common/text.h>

#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb-ft.h>
#include <hb.h>

#include <algorithm>
#include <cstdio>

namespace lumivo {
namespace {

// Characters that steer shaping or direction and draw nothing themselves.
bool IsFormatControl(char32_t c)
{
    return c == 0x200C || c == 0x200D || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069) || c == 0xFE0F || c == 0xFE0E;
}

std::string NameList(const std::vector<char32_t>& codes)
{
    std::string out;
    for (char32_t c : codes)
        out += (out.empty() ? "" : ", ") + NameCharacter(c);
    return out;
}

struct Placed {
    CFontFace* face;
    unsigned glyph;
    int advance; // 26.6
    int xOffset; // 26.6
    int yOffset; // 26.6, up
};

// Shapes text[start, start + length) in one face; the glyphs come out in
// visual order, left to right.
void ShapeRun(CFontFace& face, const std::u32string& text, size_t start, size_t length, std::vector<Placed>& out)
{
    hb_font_t* font = hb_ft_font_create_referenced(face.Face());
    hb_buffer_t* buffer = hb_buffer_create();
    hb_buffer_add_utf32(buffer, reinterpret_cast<const uint32_t*>(text.data()), int(text.size()),
                        unsigned(start), int(length));
    hb_buffer_guess_segment_properties(buffer);
    hb_shape(font, buffer, nullptr, 0);
    unsigned count = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
    const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer, &count);
    for (unsigned i = 0; i < count; ++i) {
        Placed p{&face, info[i].codepoint, pos[i].x_advance, pos[i].x_offset, pos[i].y_offset};
        // Bitmap fonts carry no scale HarfBuzz can use: take their own advance.
        if (!face.Scalable() && FT_Load_Glyph(face.Face(), info[i].codepoint, FT_LOAD_DEFAULT) == 0) {
            p.advance = int(face.Face()->glyph->advance.x);
            p.xOffset = p.yOffset = 0;
        }
        out.push_back(p);
    }
    hb_buffer_destroy(buffer);
    hb_font_destroy(font);
}

bool ParagraphIsRightToLeft(const std::u32string& text)
{
    hb_buffer_t* buffer = hb_buffer_create();
    hb_buffer_add_utf32(buffer, reinterpret_cast<const uint32_t*>(text.data()), int(text.size()), 0, int(text.size()));
    hb_buffer_guess_segment_properties(buffer);
    const bool rtl = hb_buffer_get_direction(buffer) == HB_DIRECTION_RTL;
    hb_buffer_destroy(buffer);
    return rtl;
}

class Canvas {
public:
    Canvas(int width, int height) : m_width(width), m_height(height), m_on(size_t(width) * size_t(height), 0) {}
    void Set(int x, int y)
    {
        if (x >= 0 && y >= 0 && x < m_width && y < m_height)
            m_on[size_t(y) * size_t(m_width) + size_t(x)] = 1;
    }
    bool On(int x, int y) const
    {
        return x >= 0 && y >= 0 && x < m_width && y < m_height && m_on[size_t(y) * size_t(m_width) + size_t(x)];
    }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

private:
    int m_width, m_height;
    std::vector<uint8_t> m_on;
};

// Draws the glyph's bitmap with its left edge at x and the baseline at y.
void DrawGlyph(const Placed& p, int penX, int baseline, bool bold, Canvas& canvas)
{
    FT_Face face = p.face->Face();
    if (FT_Load_Glyph(face, p.glyph, FT_LOAD_TARGET_MONO) != 0)
        return;
    if (face->glyph->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(face->glyph, FT_RENDER_MODE_MONO) != 0)
        return;
    const FT_Bitmap& bm = face->glyph->bitmap;
    const int x0 = ((penX + p.xOffset) >> 6) + face->glyph->bitmap_left;
    const int y0 = baseline - (p.yOffset >> 6) - face->glyph->bitmap_top;
    const int pitch = bm.pitch < 0 ? -bm.pitch : bm.pitch;
    for (unsigned r = 0; r < bm.rows; ++r) {
        const unsigned char* row = bm.buffer + size_t(bm.pitch < 0 ? bm.rows - 1 - r : r) * size_t(pitch);
        for (unsigned c = 0; c < bm.width; ++c) {
            bool on = false;
            if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
                on = row[c / 8] & (0x80 >> (c % 8));
            else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY)
                on = row[c] >= 128;
            if (!on)
                continue;
            canvas.Set(x0 + int(c), y0 + int(r));
            if (bold)
                canvas.Set(x0 + int(c) + 1, y0 + int(r));
        }
    }
}

// 4 × 4 ordered pattern: how a blend of two colours is spread over dots.
constexpr uint8_t kBayer4[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

} // namespace

std::u32string ToUtf32(const std::string& utf8)
{
    const std::u16string u16 = common::Utf8ToUtf16(utf8);
    std::u32string out;
    for (size_t i = 0; i < u16.size(); ++i) {
        char32_t c = u16[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < u16.size() && u16[i + 1] >= 0xDC00 && u16[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (u16[++i] - 0xDC00);
        out.push_back(c);
    }
    return out;
}

std::string NameCharacter(char32_t code)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "U+%04X", unsigned(code));
    std::u16string u16;
    if (code >= 0x10000) {
        u16.push_back(char16_t(0xD800 + ((code - 0x10000) >> 10)));
        u16.push_back(char16_t(0xDC00 + ((code - 0x10000) & 0x3FF)));
    } else {
        u16.push_back(char16_t(code));
    }
    if (code < 0x20 || (code >= 0x7F && code < 0xA0) || IsFormatControl(code))
        return hex;
    return std::string(hex) + " " + common::Utf16ToUtf8(u16);
}

std::vector<char32_t> MissingCharacters(const CFontFace& face, const std::u32string& text)
{
    std::vector<char32_t> missing;
    for (char32_t c : text)
        if (!IsFormatControl(c) && !face.HasGlyph(c) && std::find(missing.begin(), missing.end(), c) == missing.end())
            missing.push_back(c);
    return missing;
}

Result RenderTextPixels(const TextRecipe& recipe, int maxHeight, TextPixels& out)
{
    CFontFace font, fallback;
    if (Result r = font.Open(recipe.font); !r)
        return r;
    if (!recipe.fallbackFont.empty())
        if (Result r = fallback.Open(recipe.fallbackFont); !r)
            return r;
    return RenderTextPixels(recipe, maxHeight, font, recipe.fallbackFont.empty() ? nullptr : &fallback, out);
}

Result RenderTextPixels(const TextRecipe& recipe, int maxHeight, CFontFace& font, CFontFace* fallback,
                        TextPixels& out)
{
    const int tallest = std::min(maxHeight, kMaxTextHeight);
    if (recipe.height < kMinTextHeight || recipe.height > tallest)
        return Result::Fail(FontImageText("BadHeight", "The height must be %s to %s pixels, not %s.",
                                          {std::to_string(kMinTextHeight), std::to_string(tallest),
                                           std::to_string(recipe.height)}));
    if (recipe.color < 1 || recipe.color > 7 || (recipe.color2 && (*recipe.color2 < 1 || *recipe.color2 > 7)))
        return Result::Fail(FontImageText("BadColor", "A colour must be one of the board's seven lit colours."));
    const std::u32string text = ToUtf32(recipe.text);
    if (text.empty())
        return Result::Fail(FontImageText("NoText", "There is no text to draw."));
    if (text.size() > kMaxTextImageChars)
        return Result::Fail(FontImageText("TextTooLong", "The text has %s characters; at most %s fit one image.",
                                          {std::to_string(text.size()), std::to_string(kMaxTextImageChars)}));
    for (char32_t c : text)
        if (c < 0x20 || (c >= 0x7F && c < 0xA0))
            return Result::Fail(FontImageText("NotOneLine", "The text must be one line without control characters."));

    Result result;
    const std::vector<char32_t> missing = MissingCharacters(font, text);
    if (!missing.empty()) {
        if (!fallback)
            return Result::Fail(FontImageText("NoGlyph",
                                              "The font \"%s\" has no glyph for %s. Choose a second font for "
                                              "them, or change the text.",
                                              {font.Label(), NameList(missing)}));
        const std::vector<char32_t> neither = MissingCharacters(*fallback, std::u32string(missing.begin(), missing.end()));
        if (!neither.empty())
            return Result::Fail(FontImageText("NoGlyphEither", "Neither \"%s\" nor \"%s\" has a glyph for %s.",
                                              {font.Label(), fallback->Label(), NameList(neither)}));
        result.Warn(FontImageText("FromFallback", "%s: drawn in the second font \"%s\".",
                                  {NameList(missing), fallback->Label()}));
    }

    int ascent = 0, lineHeight = 0;
    if (Result r = font.SetHeight(recipe.height, ascent, lineHeight); !r)
        return r;
    if (fallback && !missing.empty()) {
        int a = 0, h = 0;
        if (Result r = fallback->SetHeight(recipe.height, a, h); !r)
            return r;
    }
    const int baseline = ascent + (recipe.height - lineHeight) / 2;

    // Runs of one face in reading order; a joiner or mark the face lacks
    // stays with the run before it.
    std::vector<Placed> glyphs;
    std::vector<std::vector<Placed>> runs;
    for (size_t start = 0; start < text.size();) {
        CFontFace* face = font.HasGlyph(text[start]) || IsFormatControl(text[start]) ? &font : fallback;
        size_t end = start + 1;
        while (end < text.size() &&
               (IsFormatControl(text[end]) || (font.HasGlyph(text[end]) ? &font : fallback) == face))
            ++end;
        runs.emplace_back();
        ShapeRun(*face, text, start, end - start, runs.back());
        start = end;
    }
    out.rightToLeft = ParagraphIsRightToLeft(text);
    if (out.rightToLeft)
        std::reverse(runs.begin(), runs.end());
    for (auto& run : runs)
        glyphs.insert(glyphs.end(), run.begin(), run.end());

    if (recipe.spacing == Spacing::Fixed) {
        int cell = 0;
        for (const Placed& g : glyphs)
            cell = std::max(cell, g.advance);
        for (Placed& g : glyphs)
            if (g.advance > 0) {
                g.xOffset += ((cell - g.advance) / 2) & ~63;
                g.advance = cell;
            }
    }
    long total = 0;
    for (Placed& g : glyphs) {
        if (recipe.bold && g.advance > 0)
            g.advance += 64;
        total += std::max(g.advance, 0);
    }
    // Room on both sides for glyphs that reach past their advance.
    const int margin = recipe.height * 2;
    const long canvasWidth = (total >> 6) + 2 * margin + 1;
    if (canvasWidth > 65535)
        return Result::Fail(TooLargeText(int(canvasWidth), recipe.height));
    Canvas canvas(int(canvasWidth), recipe.height);
    int pen = margin << 6;
    for (const Placed& g : glyphs) {
        DrawGlyph(g, pen, baseline, recipe.bold, canvas);
        pen += g.advance;
    }

    int left = canvas.Width(), right = -1;
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x)
            if (canvas.On(x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    if (right < 0)
        return Result::Fail(FontImageText("NoDots", "The text draws no dots in \"%s\" at %s pixels.",
                                          {font.Label(), std::to_string(recipe.height)}));
    // User images are an even number of dots wide.
    int width = (right - left + 2) & ~1;
    out.pieces = 1;
    if (recipe.pieceWidth > 0) {
        const int pieceWidth = std::max(2, recipe.pieceWidth & ~1);
        out.pieces = (width + pieceWidth - 1) / pieceWidth;
        if (recipe.piece < 0 || recipe.piece >= out.pieces)
            return Result::Fail(FontImageText("NoSuchPiece", "The text makes %s pieces %s dots wide; there is no piece %s.",
                                              {std::to_string(out.pieces), std::to_string(pieceWidth),
                                               std::to_string(recipe.piece + 1)}));
        left += recipe.piece * pieceWidth;
        width = std::min(pieceWidth, width - recipe.piece * pieceWidth);
    }
    if (!FitsUserImage(width, recipe.height))
        return Result::Fail(FontImageText("TextTooWide",
                                          "The text is %s × %s dots, %s bytes as a user image; a user image must "
                                          "stay below %s bytes. Shorten the text or lower the height.",
                                          {std::to_string(width), std::to_string(recipe.height),
                                           std::to_string(width * recipe.height / 2),
                                           std::to_string(CUserRGX::kMaxDataSize)}));

    out.width = width;
    out.height = recipe.height;
    out.nibbles.assign(size_t(width) * size_t(recipe.height), 0);
    const int last = std::max(recipe.height - 1, 1);
    for (int y = 0; y < recipe.height; ++y) {
        const int level = (y * 16 + last / 2) / last;
        for (int x = 0; x < width; ++x) {
            const int cx = left + x;
            if (!canvas.On(cx, y))
                continue;
            if (recipe.outline && canvas.On(cx - 1, y) && canvas.On(cx + 1, y) && canvas.On(cx, y - 1) &&
                canvas.On(cx, y + 1))
                continue;
            const bool second = recipe.color2 && kBayer4[y & 3][x & 3] < level;
            out.nibbles[size_t(y) * size_t(width) + size_t(x)] = uint8_t(second ? *recipe.color2 : recipe.color);
        }
    }
    return result;
}

void MakeUserImage(const TextPixels& pixels, CRGX<8192>& image)
{
    StartUserImage(image, pixels.width, pixels.height);
    const size_t bytes = size_t(pixels.width / 2) * size_t(pixels.height);
    for (size_t i = 0; i < bytes && i < sizeof image.data; ++i)
        image.data[i] = uint8_t((pixels.nibbles[2 * i] & 0xF) << 4 | (pixels.nibbles[2 * i + 1] & 0xF));
}

} // namespace lumivo
