// SPDX-License-Identifier: GPL-2.0-or-later
// A font of the computer opened for drawing: found by family name through
// fontconfig or read from a file (TrueType, OpenType, BDF, PCF, gzip'ed
// PCF) through FreeType. The file's bytes stay in memory for the face's life.
#pragma once

#include "core/result.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

typedef struct FT_FaceRec_* FT_Face;
typedef struct FT_LibraryRec_* FT_Library;

namespace lumivo {

// Font files above this size are refused unread.
constexpr size_t kMaxFontFileBytes = 64u << 20;

// The file a font name stands for: a path when it names an existing file,
// else the best match of fontconfig whose family or full name is the name
// (any case). Fails, naming the closest font, when none is called so.
Result ResolveFontFile(const std::string& nameOrFile, std::string& file);

class CFontFace {
public:
    CFontFace();
    ~CFontFace();
    CFontFace(const CFontFace&) = delete;
    CFontFace& operator=(const CFontFace&) = delete;

    // Opens the font named by a family name or a file; fails with a message
    // naming it when it is missing or FreeType cannot read it.
    Result Open(const std::string& nameOrFile);
    // Opens a font from bytes (the first face of a collection).
    Result OpenBytes(std::vector<uint8_t> bytes, const std::string& label);

    bool IsOpen() const { return m_face != nullptr; }
    FT_Face Face() const { return m_face; }
    const std::string& Label() const { return m_label; }
    const std::string& File() const { return m_file; }
    bool HasGlyph(char32_t code) const;
    // Outline fonts scale to any height; bitmap fonts come in fixed sizes.
    bool Scalable() const;

    // Sets the largest size whose lines (ascent + descent) fit in height
    // rows; for a bitmap font the largest strike no taller. The ascent in
    // pixels goes to ascent, the line's height to lineHeight. Fails, naming
    // the sizes there are, when no bitmap strike fits.
    Result SetHeight(int height, int& ascent, int& lineHeight);

private:
    void Close();

    std::vector<uint8_t> m_bytes;
    FT_Library m_library = nullptr; // one per face: faces may be drawn on different threads
    FT_Face m_face = nullptr;
    std::string m_label;
    std::string m_file;
};

} // namespace lumivo
