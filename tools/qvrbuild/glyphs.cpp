// SPDX-License-Identifier: GPL-2.0-or-later
#include "glyphs.h"

#include "codes.h"

#include <algorithm>
#include <filesystem>
#include <map>

namespace qvrbuild {

namespace {

const std::string kMisc = "/usr/share/fonts/X11/misc/";
const std::string k75 = "/usr/share/fonts/X11/75dpi/";
const std::string kConsole = "/usr/share/consolefonts/";
const std::string kTtf = "/usr/share/fonts/truetype/";

// One font the builder reads.
struct Spec {
    enum Kind { Psf, Hex, Ft } kind;
    std::string file, package;
    FtFont::Options ft;
};

Spec Pcf(const std::string& file, const std::string& package, Encoding enc, int px)
{
    Spec s{Spec::Ft, file, package, {}};
    s.ft.encoding = enc;
    s.ft.pixelSize = px;
    return s;
}

Spec Outline(const std::string& file, const std::string& package, int px, int margin, double bold = 0, int index = 0)
{
    Spec s{Spec::Ft, file, package, {}};
    s.ft.pixelSize = px;
    s.ft.fitToCell = true;
    s.ft.fitMargin = margin;
    s.ft.embolden = bold;
    s.ft.faceIndex = index;
    return s;
}

const Spec kUnifont{Spec::Hex, "/usr/share/unifont/unifont.hex", "unifont", {}};

std::vector<char32_t> Every(const std::vector<char32_t>& v, size_t step)
{
    std::vector<char32_t> out;
    for (size_t i = 0; i < v.size(); i += step)
        if (v[i])
            out.push_back(v[i]);
    return out;
}

// Control codes and spaces stay blank in every face.
bool Blank(char32_t cp)
{
    return cp < 0x21 || (cp >= 0x7F && cp <= 0xA0) || cp == 0xAD || cp == 0x3000 || (cp >= 0x2000 && cp <= 0x200F) ||
           cp == 0x2028 || cp == 0x2029 || cp == 0x202F || cp == 0x205F || (cp >= 0x2060 && cp <= 0x206F) ||
           cp == 0x3164 || cp == 0xFEFF; // 0x3164: the Hangul filler
}

} // namespace

struct GlyphLibrary::Impl {
    std::map<std::string, std::unique_ptr<GlyphSource>> sources;
    std::map<std::string, GlyphSet> sets;
    std::vector<char32_t> symbols;

    GlyphSource& Open(const Spec& s)
    {
        std::string key = s.file + "|" + std::to_string(s.ft.pixelSize) + "|" + std::to_string(s.ft.faceIndex) +
                          (s.ft.embolden > 0 ? "b" + std::to_string(s.ft.embolden) : "") + (s.ft.fitToCell ? "f" + std::to_string(s.ft.fitMargin) : "");
        auto it = sources.find(key);
        if (it != sources.end())
            return *it->second;
        const std::string path = FindFont({s.file}, s.package);
        std::unique_ptr<GlyphSource> src;
        if (s.kind == Spec::Hex)
            src = std::make_unique<HexFont>(path);
        else if (s.kind == Spec::Psf)
            src = OpenConsoleFamily(path, s.package);
        else
            src = std::make_unique<FtFont>(path, s.ft);
        return *sources.emplace(key, std::move(src)).first->second;
    }

    // A console face: the named file, completed by every other code-page
    // variant of the same face and size ("Uni2-Terminus16" with "Lat15-Terminus16" ...).
    static std::unique_ptr<GlyphSource> OpenConsoleFamily(const std::string& path, const std::string& package)
    {
        auto font = std::make_unique<PsfFont>(path);
        const std::string base = path.substr(path.find_last_of('/') + 1);
        const std::string suffix = base.substr(base.find('-'));
        std::vector<std::string> others;
        for (const auto& e : std::filesystem::directory_iterator(kConsole)) {
            const std::string n = e.path().filename().string();
            if (n != base && n.size() > suffix.size() && n.compare(n.size() - suffix.size(), suffix.size(), suffix) == 0 &&
                n.find('-') == n.size() - suffix.size())
                others.push_back(e.path().string());
        }
        std::sort(others.begin(), others.end()); // directory order is not stable
        for (const std::string& o : others)
            font->Merge(PsfFont(o));
        return font;
    }

    // Renders a set: each place from the first source that has its code point.
    GlyphSet& Render(const std::string& name, int w, int h, const std::vector<char32_t>& codes,
                     const std::vector<Spec>& chain, bool (*skip)(char32_t) = nullptr)
    {
        auto it = sets.find(name);
        if (it != sets.end())
            return it->second;
        GlyphSet set;
        set.name = name;
        set.w = w;
        set.h = h;
        set.codes = codes;
        std::vector<GlyphSource*> srcs;
        for (const Spec& s : chain) {
            srcs.push_back(&Open(s));
            set.sources.push_back(s.file.substr(s.file.find_last_of('/') + 1) + " (" + s.package + ")");
        }
        set.data.reserve(codes.size() * size_t((w + 7) / 8) * h);
        for (char32_t cp : codes) {
            Raster cell(w, h);
            if (cp && !Blank(cp) && !(skip && skip(cp))) {
                for (size_t i = 0; i < srcs.size(); ++i) {
                    cell.fill(0);
                    if (srcs[i]->Draw(cp, cell) && !cell.empty()) {
                        set.fallbackCount += i > 0;
                        break;
                    }
                }
            }
            PackGlyph(cell, set.data);
        }
        return sets.emplace(name, std::move(set)).first->second;
    }
};

GlyphLibrary::GlyphLibrary() : m(std::make_unique<Impl>()) {}
GlyphLibrary::~GlyphLibrary() = default;

static std::vector<char32_t> LatinCodes()
{
    std::vector<char32_t> v(592);
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = char32_t(i);
    return v;
}

const GlyphSet& GlyphLibrary::Small()
{
    // 5x7 of the same family fills most of Latin Extended-B, on the same baseline.
    Spec fiveBySeven = Pcf(kMisc + "5x7.pcf.gz", "xfonts-base", Encoding::Unicode, 7);
    fiveBySeven.ft.baseline = 7;
    return m->Render("Small 6x8", 6, 8, LatinCodes(),
                     {Pcf(kMisc + "5x8.pcf.gz", "xfonts-base", Encoding::Unicode, 8), fiveBySeven});
}

namespace {
struct LatinFace {
    const char* regular; // 8x16
    const char* tall;    // 16x32 ("" : the 8x16 face doubled)
};
const LatinFace kLatin[5] = {
    {"Uni2-Terminus16.psf.gz", "Uni2-Terminus32x16.psf.gz"},
    {"Uni2-TerminusBold16.psf.gz", "Uni2-TerminusBold32x16.psf.gz"},
    {"Uni2-VGA16.psf.gz", "Uni2-VGA32x16.psf.gz"},
    {"Uni2-Fixed16.psf.gz", ""},
    {"Uni2-TerminusBoldVGA16.psf.gz", "Uni2-Terminus28x14.psf.gz"},
};
} // namespace

const GlyphSet& GlyphLibrary::Latin(int face, bool tall)
{
    const LatinFace& f = kLatin[face % 5];
    const std::string name = std::string("Latin ") + (tall ? "16x32" : "8x16") + " face " + std::to_string(face);
    if (!tall)
        return m->Render(name, 8, 16, LatinCodes(), {{Spec::Psf, kConsole + f.regular, "console-setup-linux", {}}, kUnifont});
    if (!*f.tall) {
        // No tall cut of this face: every dot of the 8x16 face doubled.
        auto it = m->sets.find(name);
        if (it != m->sets.end())
            return it->second;
        const GlyphSet& small = Latin(face, false);
        GlyphSet set = small;
        set.name = name;
        set.w = 16;
        set.h = 32;
        set.data.clear();
        for (size_t i = 0; i < small.codes.size(); ++i)
            PackGlyph(Double(GlyphAt(small, i)), set.data);
        return m->sets.emplace(name, std::move(set)).first->second;
    }
    return m->Render(name, 16, 32, LatinCodes(), {{Spec::Psf, kConsole + f.tall, "console-setup-linux", {}}, kUnifont});
}

const std::vector<char32_t>& GlyphLibrary::SymbolCodes()
{
    if (m->symbols.empty()) {
        GlyphSource& gulim = m->Open(Pcf(k75 + "gulim16.pcf.gz", "xfonts-baekmuk", Encoding::KsX1001, 16));
        GlyphSource& uni = m->Open(kUnifont);
        // Only symbols that a 16-dot font really draws; a symbol of the code
        // page rows is kept even when blank (spaces).
        m->symbols = SpecialSymbols([&](char32_t cp) {
            if (Blank(cp))
                return EucCode(Charset::EucKr, cp) != 0;
            Raster cell(16, 16);
            if (gulim.Draw(cp, cell) && !cell.empty())
                return true;
            cell.fill(0);
            return uni.Draw(cp, cell) && !cell.empty();
        });
    }
    return m->symbols;
}

const GlyphSet& GlyphLibrary::Symbols(bool big)
{
    const std::vector<char32_t>& codes = SymbolCodes();
    auto boxes = [](char32_t cp) { return cp >= 0x2500 && cp <= 0x259F; };
    if (!big) {
        if (m->sets.count("Symbols 16x16"))
            return m->sets["Symbols 16x16"];
        const Spec gulim16 = Pcf(k75 + "gulim16.pcf.gz", "xfonts-baekmuk", Encoding::KsX1001, 16);
        GlyphSet& set = m->Render("Symbols 16x16", 16, 16, codes, {gulim16, kUnifont});
        // Unifont draws box drawing and blocks half wide; stretched to the
        // full cell they join their neighbours as the code page's own do.
        GlyphSource& gulim = m->Open(gulim16);
        const auto& uni = static_cast<const HexFont&>(m->Open(kUnifont));
        for (size_t i = 0; i < codes.size(); ++i) {
            const Raster* g = boxes(codes[i]) && !gulim.Has(codes[i]) ? uni.Get(codes[i]) : nullptr;
            if (!g || g->w != 8)
                continue;
            Raster wide(16, 16);
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    wide.set(x, y, g->at(x / 2, y));
            std::vector<uint8_t> packed;
            PackGlyph(wide, packed);
            std::copy(packed.begin(), packed.end(), set.data.begin() + i * packed.size());
        }
        return set;
    }
    Spec gulim{Spec::Ft, kTtf + "baekmuk/gulim.ttf", "fonts-baekmuk", {}};
    gulim.ft.pixelSize = 32;
    if (m->sets.count("Symbols 32x32"))
        return m->sets["Symbols 32x32"];
    const GlyphSet& small = Symbols(false);
    GlyphSet& set = m->Render("Symbols 32x32", 32, 32, codes, {gulim, kUnifont}, boxes);
    // Box drawing and blocks must join their neighbours: those come doubled from the 16-dot set.
    for (size_t i = 0; i < codes.size(); ++i)
        if (boxes(codes[i])) {
            std::vector<uint8_t> packed;
            PackGlyph(Double(GlyphAt(small, i)), packed);
            std::copy(packed.begin(), packed.end(), set.data.begin() + i * packed.size());
        }
    return set;
}

namespace {
// The Hangul faces, in face order; the 32-dot libraries take the first five
// at 16 dots and pair them with the outline faces of kHangul32.
Spec Hangul16Spec(int face)
{
    switch (face) {
    case 0: return Pcf(k75 + "gulim16.pcf.gz", "xfonts-baekmuk", Encoding::KsX1001, 16);
    case 1: return Pcf(k75 + "batang16.pcf.gz", "xfonts-baekmuk", Encoding::KsX1001, 16);
    case 2: return Pcf(k75 + "dotum16.pcf.gz", "xfonts-baekmuk", Encoding::KsX1001, 16);
    case 3: return Pcf(k75 + "gulim16b.pcf.gz", "xfonts-baekmuk", Encoding::KsX1001, 16);
    case 4: return Pcf(k75 + "hline16.pcf.gz", "xfonts-baekmuk", Encoding::KsX1001, 16);
    case 5: return Pcf(k75 + "batang16b.pcf.gz", "xfonts-baekmuk", Encoding::KsX1001, 16);
    case 6: { // WenQuanYi Zen Hei Sharp: its hand-tuned 16-pixel bitmaps
        Spec s = Outline(kTtf + "wqy/wqy-zenhei.ttc", "fonts-wqy-zenhei", 16, 1, 0, 2);
        s.ft.fitToCell = false;
        return s;
    }
    case 7: return Outline(kTtf + "nanum/NanumSquareB.ttf", "fonts-nanum", 16, 1);
    case 8: return kUnifont;
    default: return Outline(kTtf + "nanum/NanumGothicBold.ttf", "fonts-nanum", 16, 1);
    }
}
Spec Hangul32Spec(int face)
{
    switch (face) {
    case 0: return Outline(kTtf + "nanum/NanumGothic.ttf", "fonts-nanum", 32, 2);
    case 1: return Outline(kTtf + "nanum/NanumMyeongjo.ttf", "fonts-nanum", 32, 2);
    case 2: return Outline(kTtf + "unfonts-core/UnDotum.ttf", "fonts-unfonts-core", 32, 2);
    case 3: return Outline(kTtf + "nanum/NanumGothicBold.ttf", "fonts-nanum", 32, 2);
    default: return Outline(kTtf + "baekmuk/hline.ttf", "fonts-baekmuk", 32, 2);
    }
}
Spec WithSample(Spec s, const std::vector<char32_t>& sample)
{
    s.ft.fitSample = sample;
    return s;
}
} // namespace

const GlyphSet& GlyphLibrary::Hangul16(int face)
{
    const std::vector<char32_t> codes = HangulOrder();
    return m->Render("Hangul 16x16 face " + std::to_string(face), 16, 16, codes,
                     {WithSample(Hangul16Spec(face), Every(codes, 7)), kUnifont});
}

const GlyphSet& GlyphLibrary::Hangul32(int face)
{
    const std::vector<char32_t> codes = HangulOrder();
    return m->Render("Hangul 32x32 face " + std::to_string(face), 32, 32, codes,
                     {WithSample(Hangul32Spec(face), Every(codes, 7)),
                      WithSample(Outline(kTtf + "nanum/NanumGothic.ttf", "fonts-nanum", 32, 2), Every(codes, 7)), kUnifont});
}

const GlyphSet& GlyphLibrary::Hanja(bool big)
{
    const std::vector<char32_t> codes = HanjaOrder();
    if (!big)
        return m->Render("Hanja 16x16", 16, 16, codes,
                         {Pcf(k75 + "batang16.pcf.gz", "xfonts-baekmuk", Encoding::KsX1001, 16),
                          kUnifont});
    return m->Render("Hanja 32x32", 32, 32, codes,
                     {WithSample(Outline(kTtf + "baekmuk/batang.ttf", "fonts-baekmuk", 32, 2, 1.0), Every(codes, 11)),
                      WithSample(Outline(kTtf + "wqy/wqy-zenhei.ttc", "fonts-wqy-zenhei", 32, 2), Every(codes, 11)),
                      kUnifont});
}

const GlyphSet& GlyphLibrary::Gb2312(int face, bool big)
{
    const std::vector<char32_t> codes = Gb2312Order();
    const std::string name = std::string("GB2312 ") + (big ? "32x32" : "16x16") + " face " + std::to_string(face & 1);
    if (!big) {
        Spec main = (face & 1) ? Pcf(kMisc + "wenquanyi_12pt.pcf", "xfonts-wqy", Encoding::Unicode, 16)
                               : Pcf(kMisc + "gb16st.pcf.gz", "xfonts-base", Encoding::Gb2312, 16);
        return m->Render(name, 16, 16, codes, {main, kUnifont});
    }
    Spec main = WithSample(Outline(kTtf + "wqy/wqy-zenhei.ttc", "fonts-wqy-zenhei", 32, 2, (face & 1) ? 1.0 : 0.0), Every(codes, 11));
    return m->Render(name, 32, 32, codes, {main, kUnifont});
}

std::vector<GlyphLibrary::FontUse> GlyphLibrary::Fonts()
{
    std::vector<FontUse> v;
    auto add = [&](const std::string& use, const Spec& s) { v.push_back({use, s.file, s.package}); };
    add("small 6x8", Pcf(kMisc + "5x8.pcf.gz", "xfonts-base", Encoding::Unicode, 8));
    add("small 6x8 (Ext-B)", Pcf(kMisc + "5x7.pcf.gz", "xfonts-base", Encoding::Unicode, 7));
    for (int f = 0; f < 5; ++f) {
        add("Latin 8x16 face " + std::to_string(f), {Spec::Psf, kConsole + kLatin[f].regular, "console-setup-linux", {}});
        if (*kLatin[f].tall)
            add("Latin 16x32 face " + std::to_string(f), {Spec::Psf, kConsole + kLatin[f].tall, "console-setup-linux", {}});
    }
    for (int f = 0; f < 10; ++f)
        add("Hangul 16x16 face " + std::to_string(f), Hangul16Spec(f));
    for (int f = 0; f < 5; ++f)
        add("Hangul 32x32 face " + std::to_string(f), Hangul32Spec(f));
    add("symbols 32x32", {Spec::Ft, kTtf + "baekmuk/gulim.ttf", "fonts-baekmuk", {}});
    add("Hanja 16x16", Pcf(k75 + "batang16.pcf.gz", "xfonts-baekmuk", Encoding::KsX1001, 16));
    add("Hanja 32x32", Outline(kTtf + "baekmuk/batang.ttf", "fonts-baekmuk", 32, 2));
    add("GB2312 16x16 face 0", Pcf(kMisc + "gb16st.pcf.gz", "xfonts-base", Encoding::Gb2312, 16));
    add("GB2312 16x16 face 1", Pcf(kMisc + "wenquanyi_12pt.pcf", "xfonts-wqy", Encoding::Unicode, 16));
    add("GB2312 32x32", Outline(kTtf + "wqy/wqy-zenhei.ttc", "fonts-wqy-zenhei", 32, 2));
    add("fallback", kUnifont);
    return v;
}

std::vector<const GlyphSet*> GlyphLibrary::Rendered() const
{
    std::vector<const GlyphSet*> v;
    for (const auto& [name, set] : m->sets)
        v.push_back(&set);
    return v;
}

Raster GlyphAt(const GlyphSet& set, size_t index)
{
    Raster r(set.w, set.h);
    const size_t rowBytes = size_t(set.w + 7) / 8, glyphBytes = rowBytes * set.h;
    if ((index + 1) * glyphBytes > set.data.size())
        return r;
    const uint8_t* p = &set.data[index * glyphBytes];
    for (int y = 0; y < set.h; ++y)
        for (int x = 0; x < set.w; ++x)
            r.px[size_t(y) * set.w + x] = (p[y * rowBytes + x / 8] >> (7 - x % 8)) & 1;
    return r;
}

} // namespace qvrbuild
