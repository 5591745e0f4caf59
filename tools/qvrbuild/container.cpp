// SPDX-License-Identifier: GPL-2.0-or-later
#include "container.h"

#include <qvr/lzo.h>

#include <cstring>
#include <stdexcept>

namespace qvrbuild {

namespace {
void Put16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = uint8_t(v >> (8 * i));
}
void Append32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}
} // namespace

void QvrWriter::SetImage(int section, const RgxImage& image)
{
    const RgxHeader& h = image.header;
    if (size_t(h.width) * h.height * h.frames / 2 != image.pixels.size() || h.width % 2)
        throw std::logic_error("image size does not match its header");
    Section s;
    const uint16_t fields[8] = {h.type, h.width, h.height, h.frames, h.group, h.flag, h.phase, h.delay};
    for (int i = 0; i < 8; ++i)
        Put16(s.header + 2 * i, fields[i]);
    std::vector<uint8_t> data = image.pixels;
    data.resize(data.size() + 16, 0);
    s.size = uint32_t(data.size());
    s.packed = qvr::lzo::Compress(data.data(), data.size());
    m_sections[section] = std::move(s);
}

void QvrWriter::SetGlyphs(int section, const std::vector<uint8_t>& glyphs)
{
    Section s;
    std::vector<uint8_t> data = glyphs;
    data.resize(data.size() + 16, 0);
    s.size = uint32_t(data.size());
    s.packed = qvr::lzo::Compress(data.data(), data.size());
    m_sections[section] = std::move(s);
}

void QvrWriter::SetTable(int section, const std::vector<uint8_t>& data)
{
    Section s;
    s.table = true;
    std::vector<uint8_t> packed = qvr::lzo::Compress(data.data(), data.size());
    s.packed.resize(8);
    Put32(s.packed, 0, uint32_t(packed.size()));
    Put32(s.packed, 4, uint32_t(data.size()));
    s.packed.insert(s.packed.end(), packed.begin(), packed.end());
    s.size = uint32_t(s.packed.size()); // the bytes stored after the header
    m_sections[section] = std::move(s);
}

std::vector<uint8_t> QvrWriter::Bytes() const
{
    const uint32_t count = m_sections.empty() ? 0 : uint32_t(m_sections.rbegin()->first + 1);
    std::vector<uint8_t> out;
    Append32(out, m_headerWord);
    out.insert(out.end(), {'L', 'Z', 'O', ' '});
    Append32(out, count);
    const size_t table = out.size();
    out.resize(table + size_t(count) * 12, 0);
    for (const auto& [index, s] : m_sections) {
        const size_t rec = table + size_t(index) * 12;
        Put32(out, rec, uint32_t(out.size()));
        Put32(out, rec + 4, s.size);
        Put32(out, rec + 8, s.table ? 0 : uint32_t(s.packed.size()));
        out.insert(out.end(), s.header, s.header + 16);
        out.insert(out.end(), s.packed.begin(), s.packed.end());
    }
    return out;
}

} // namespace qvrbuild
