// SPDX-License-Identifier: GPL-2.0-or-later
// Contact sheets: PNG pictures of everything a container holds, for review.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qvrbuild {

// Writes <dir>/<resource>-<part>.png for the container's glyph sets, patterns,
// effect masks, moves and pictures. Returns the files written; throws
// std::runtime_error when the container cannot be read or a file not written.
// maxGlyphs > 0 limits every glyph sheet to its first glyphs (a quick look).
std::vector<std::string> WriteSheets(const std::vector<uint8_t>& container, int resource, const std::string& dir,
                                     int maxGlyphs = 0);

// An RGB picture written as PNG.
void WritePng(const std::string& path, int w, int h, const std::vector<uint8_t>& rgb);

} // namespace qvrbuild
