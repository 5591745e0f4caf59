// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/font_face.h"

#include "core/text_recipe.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <mutex>

namespace lumivo {
namespace {

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

bool NamesFont(FcPattern* font, const char* object, const std::string& wanted)
{
    FcChar8* value = nullptr;
    for (int i = 0; FcPatternGetString(font, object, i, &value) == FcResultMatch; ++i)
        if (Lower(reinterpret_cast<const char*>(value)) == wanted)
            return true;
    return false;
}

// fontconfig's default configuration is shared by the whole process.
std::mutex& FontconfigLock()
{
    static std::mutex lock;
    return lock;
}

} // namespace

Result ResolveFontFile(const std::string& nameOrFile, std::string& file)
{
    if (nameOrFile.empty())
        return Result::Fail(FontImageText("NoFont", "No font is chosen."));
    std::error_code ec;
    if (nameOrFile.find('/') != std::string::npos) {
        if (!std::filesystem::is_regular_file(nameOrFile, ec))
            return Result::Fail(FontImageText("FontFileMissing", "The font file \"%s\" does not exist.", {nameOrFile}));
        file = nameOrFile;
        return {};
    }
    std::lock_guard<std::mutex> guard(FontconfigLock());
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(nameOrFile.c_str()));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    Result r;
    const std::string wanted = Lower(nameOrFile);
    FcChar8* path = nullptr;
    if (match && (NamesFont(match, FC_FAMILY, wanted) || NamesFont(match, FC_FULLNAME, wanted)) &&
        FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
        file = reinterpret_cast<const char*>(path);
    } else {
        // fontconfig always offers something; a silent substitute would draw
        // the shop's name in a face nobody chose.
        FcChar8* closest = nullptr;
        if (match && FcPatternGetString(match, FC_FAMILY, 0, &closest) == FcResultMatch)
            r.Error(FontImageText("NoSuchFontClosest", "There is no font called \"%s\" on this computer (the closest is \"%s\").",
                                  {nameOrFile, reinterpret_cast<const char*>(closest)}));
        else
            r.Error(FontImageText("NoSuchFont", "There is no font called \"%s\" on this computer.", {nameOrFile}));
    }
    if (match)
        FcPatternDestroy(match);
    return r;
}

CFontFace::CFontFace() = default;

CFontFace::~CFontFace()
{
    Close();
}

void CFontFace::Close()
{
    if (m_face)
        FT_Done_Face(m_face);
    if (m_library)
        FT_Done_FreeType(m_library);
    m_face = nullptr;
    m_library = nullptr;
    m_bytes.clear();
}

Result CFontFace::Open(const std::string& nameOrFile)
{
    std::string file;
    if (Result r = ResolveFontFile(nameOrFile, file); !r)
        return r;
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    if (ec)
        return Result::Fail(FontImageText("FontUnreadable", "The font file \"%s\" cannot be read: %s.", {file, ec.message()}));
    if (size > kMaxFontFileBytes)
        return Result::Fail(FontImageText("FontTooLarge", "The font file \"%s\" is larger than %s MiB, the most a font may be.",
                                          {file, std::to_string(kMaxFontFileBytes >> 20)}));
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    std::ifstream in(file, std::ios::binary);
    if (!in || !in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size())))
        return Result::Fail(FontImageText("FontUnreadable", "The font file \"%s\" cannot be read: %s.", {file, "read error"}));
    Result r = OpenBytes(std::move(bytes), nameOrFile);
    m_file = file;
    return r;
}

Result CFontFace::OpenBytes(std::vector<uint8_t> bytes, const std::string& label)
{
    Close();
    m_label = label;
    m_file.clear();
    if (bytes.size() > kMaxFontFileBytes)
        return Result::Fail(FontImageText("FontTooLarge", "The font file \"%s\" is larger than %s MiB, the most a font may be.", {label, std::to_string(kMaxFontFileBytes >> 20)}));
    if (FT_Init_FreeType(&m_library))
        return Result::Fail(FontImageText("FontLibrary", "The font library could not start."));
    m_bytes = std::move(bytes);
    FT_Face face = nullptr;
    const FT_Error error = FT_New_Memory_Face(m_library, m_bytes.data(), FT_Long(m_bytes.size()), 0, &face);
    if (error || !face) {
        Close();
        return Result::Fail(FontImageText("NotAFont", "\"%s\" is not a font this program can read (FreeType error %s).",
                                          {label, std::to_string(error)}));
    }
    if (!FT_IS_SCALABLE(face) && face->num_fixed_sizes < 1) {
        FT_Done_Face(face);
        Close();
        return Result::Fail(FontImageText("FontEmpty", "The font \"%s\" has neither outlines nor bitmaps.", {label}));
    }
    // Unicode when the font has it; BDF and PCF fonts of other encodings
    // keep the map FreeType chose.
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);
    m_face = face;
    return {};
}

bool CFontFace::HasGlyph(char32_t code) const
{
    return m_face && FT_Get_Char_Index(m_face, FT_ULong(code)) != 0;
}

bool CFontFace::Scalable() const
{
    return m_face && FT_IS_SCALABLE(m_face);
}

Result CFontFace::SetHeight(int height, int& ascent, int& lineHeight)
{
    if (!m_face)
        return Result::Fail(FontImageText("NoFont", "No font is chosen."));
    if (!Scalable()) {
        int best = -1;
        std::string sizes;
        for (int i = 0; i < m_face->num_fixed_sizes; ++i) {
            const int h = m_face->available_sizes[i].height;
            sizes += (sizes.empty() ? "" : ", ") + std::to_string(h);
            if (h <= height && (best < 0 || h > m_face->available_sizes[best].height))
                best = i;
        }
        if (best < 0 || FT_Select_Size(m_face, best))
            return Result::Fail(FontImageText("NoStrike", "The font \"%s\" comes only in %s pixels, none of them %s or less.",
                                              {m_label, sizes, std::to_string(height)}));
        const FT_Size_Metrics& m = m_face->size->metrics;
        lineHeight = m_face->available_sizes[best].height;
        ascent = std::clamp(int(m.ascender >> 6), 0, lineHeight);
        if (ascent == 0)
            ascent = lineHeight;
        return {};
    }
    // The lines of most fonts are taller than their em: the largest pixel
    // size whose ascent and descent fit.
    for (int size = height; size >= 1; --size) {
        if (FT_Set_Pixel_Sizes(m_face, 0, FT_UInt(size)))
            continue;
        const FT_Size_Metrics& m = m_face->size->metrics;
        const int asc = int((m.ascender + 63) >> 6);
        const int desc = int((-m.descender + 63) >> 6);
        if (asc + std::max(desc, 0) <= height || size == 1) {
            ascent = asc;
            lineHeight = asc + std::max(desc, 0);
            return {};
        }
    }
    return Result::Fail(FontImageText("NoSize", "The font \"%s\" cannot be set to %s pixels.", {m_label, std::to_string(height)}));
}

} // namespace lumivo
