// SPDX-License-Identifier: GPL-2.0-or-later
// Writer of the QVR content container: header word, "LZO ", the section
// table of (offset, size, packed size) records, then the sections.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

namespace qvrbuild {

struct RgxHeader {
    uint16_t type = 0, width = 0, height = 0, frames = 0, group = 0, flag = 0, phase = 0, delay = 0;
};

enum RgxType : uint16_t { kEffect = 3, kImage = 4, kMovie = 5, kAnimation = 6, kMove = 7 };

// One RGX image: header plus pixel data (width x height x frames / 2 bytes).
struct RgxImage {
    RgxHeader header;
    std::vector<uint8_t> pixels;
};

class QvrWriter {
public:
    explicit QvrWriter(uint32_t headerWord) : m_headerWord(headerWord) {}

    // Image form: the header, then the pixel data and 16 zero bytes, compressed.
    void SetImage(int section, const RgxImage& image);
    // Glyph sections use the image form with an all-zero header: the glyph
    // area and 16 zero bytes.
    void SetGlyphs(int section, const std::vector<uint8_t>& glyphs);
    // Table form: zero header, packed length, unpacked length, packed bytes.
    void SetTable(int section, const std::vector<uint8_t>& data);

    // The container; the section count is one past the highest section set.
    std::vector<uint8_t> Bytes() const;

private:
    struct Section {
        bool table = false;
        uint8_t header[16] = {};
        uint32_t size = 0;
        std::vector<uint8_t> packed;
    };
    uint32_t m_headerWord;
    std::map<int, Section> m_sections;
};

} // namespace qvrbuild
