// SPDX-License-Identifier: GPL-2.0-or-later
// Glyph sources the builder reads: FreeType faces (TTF, OTF, PCF, BDF, both
// outline and embedded bitmaps), Linux console fonts (PSF) and GNU Unifont's
// .hex list. Each source renders one code point into a fixed cell.
#pragma once

#include "raster.h"

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace qvrbuild {

// A font the build needs is not installed; the message names its Debian package.
class FontError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Returns the first existing path of the candidates, or throws FontError
// naming the package that ships it.
std::string FindFont(const std::vector<std::string>& candidates, const std::string& package);

// The code a legacy-encoded bitmap font (X11 PCF) indexes its glyphs by.
enum class Encoding { Unicode, KsX1001, Gb2312 };

class GlyphSource {
public:
    virtual ~GlyphSource() = default;
    // Draws code point cp into cell (already sized and cleared). Returns false
    // when the source has no glyph for it.
    virtual bool Draw(char32_t cp, Raster& cell) = 0;
    virtual bool Has(char32_t cp) = 0;
    const std::string& Name() const { return m_name; }

protected:
    std::string m_name;
};

// Linux console font (PSF1 or PSF2, optionally gzip-compressed) with its Unicode table.
class PsfFont : public GlyphSource {
public:
    explicit PsfFont(const std::string& path);
    bool Draw(char32_t cp, Raster& cell) override;
    bool Has(char32_t cp) override { return m_map.count(cp) != 0; }
    int Width() const { return m_w; }
    int Height() const { return m_h; }
    // Adds the glyphs of another console font of the same size for code points this one lacks.
    void Merge(const PsfFont& other);

private:
    int m_w = 0, m_h = 0;
    std::vector<Raster> m_glyphs;
    std::map<char32_t, size_t> m_map;
};

// GNU Unifont's hex list: "XXXX:<32 or 64 hex digits>" per line.
class HexFont : public GlyphSource {
public:
    explicit HexFont(const std::string& path);
    bool Draw(char32_t cp, Raster& cell) override;
    bool Has(char32_t cp) override { return m_glyphs.count(cp) != 0; }
    const Raster* Get(char32_t cp) const;

private:
    std::map<char32_t, Raster> m_glyphs;
};

// A FreeType face rendered monochrome at one pixel size: an embedded or native
// bitmap strike when the face has one of that size, else the outline.
class FtFont : public GlyphSource {
public:
    struct Options {
        int faceIndex = 0;
        int pixelSize = 16;
        Encoding encoding = Encoding::Unicode;
        double embolden = 0;       // dots added to every stroke's width (a bolder cut of the outline)
        bool fitToCell = false;    // scale and centre the outline face so that sample glyphs fill the cell
        std::vector<char32_t> fitSample; // code points measured for fitToCell
        int fitMargin = 0;         // dots left free around the fitted box
        int baseline = -1;         // cell row of the baseline; -1: the font's line box centred
    };
    FtFont(const std::string& path, const Options& opt);
    ~FtFont() override;
    bool Draw(char32_t cp, Raster& cell) override;
    bool Has(char32_t cp) override;
    bool IsBitmapStrike() const { return m_strike; }

private:
    unsigned Index(char32_t cp);
    bool Render(unsigned gi, Raster& out, int& left, int& top, int& advance);
    void Fit(int cellW, int cellH);

    struct Impl;
    std::unique_ptr<Impl> m;
    Options m_opt;
    bool m_strike = false;
    bool m_fitted = false;
    int m_fitCellW = 0, m_fitCellH = 0;
    int m_offX = 0, m_baseY = 0; // placement found by Fit
};

// Legacy two-byte code of cp (EUC form, e.g. 0xB0A1), or 0 when it has none.
unsigned ToLegacy(Encoding enc, char32_t cp);

} // namespace qvrbuild
