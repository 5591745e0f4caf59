// SPDX-License-Identifier: GPL-2.0-or-later
// Assembles the nine containers (and the column-2 one) from the glyph
// library and the artwork, section by section.
#pragma once

#include "container.h"
#include "glyphs.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qvrbuild {

struct ContainerSpec {
    int resource;
    uint32_t headerWord;
    unsigned Language() const { return (headerWord >> 16) & 15; }
    unsigned Row() const { return (headerWord >> 12) & 15; }
    unsigned Column() const { return (headerWord >> 8) & 15; }
};

// Every container the program carries, by resource number.
const std::vector<ContainerSpec>& Containers();
const ContainerSpec* FindContainer(int resource);

// Width of the effect masks of a container: one board of its column class wide
// at the container's row height (the effect engine draws a mask dot over
// height / 16 columns, so 32-dot masks are half as wide).
int EffectMaskWidth(const ContainerSpec& spec);

// Section numbers of the container layout.
enum Section : int {
    kCodeTable = 0, kSmallFont = 2, kLatin16 = 3, kLatin32 = 8, kSymbols16 = 13, kSymbols32 = 14,
    kHangul = 15, kHanja = 25, kGb16 = 27, kGb32 = 29, kAttrib = 33, kColour = 34, kEffects = 43, kFirstImage = 93,
};

std::vector<uint8_t> BuildContainer(GlyphLibrary& glyphs, const ContainerSpec& spec);

// A bounded reading of a container the builder wrote, for sheets and tests.
struct ReadSection {
    bool present = false, table = false;
    RgxHeader header;
    std::vector<uint8_t> data; // unpacked bytes
};
// Returns false with a reason in error for damaged bytes.
bool ReadContainer(const std::vector<uint8_t>& bytes, uint32_t& headerWord, std::vector<ReadSection>& sections,
                   std::string& error);

} // namespace qvrbuild
