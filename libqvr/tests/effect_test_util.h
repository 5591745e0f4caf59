// SPDX-License-Identifier: BSD-2-Clause
// Helpers shared by the engine tests.
#pragma once

#include <qvr/qvr.h> // the umbrella header: every public header of the library

#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <memory>

namespace effecttest {

// The program's language files: those of the source tree under CTest, else
// the copy the build puts beside the test program.
inline std::filesystem::path LangDir()
{
    const char* src = std::getenv("LUMIVO_SOURCE_DIR");
    return src ? std::filesystem::path(src) / "resources" / "Lang" : std::filesystem::path();
}

// A random source that replays a script of draws, then falls back to a
// fixed-seed generator; installed for the lifetime of the object.
class ScriptedRandom {
public:
    explicit ScriptedRandom(std::deque<int> script = {}) : m_script(std::move(script))
    {
        m_previous = qvr::SetEffectRandom([this] { return Next(); });
    }
    ~ScriptedRandom() { qvr::SetEffectRandom(std::move(m_previous)); }
    int draws() const { return m_draws; }

private:
    int Next()
    {
        ++m_draws;
        if (!m_script.empty()) {
            const int v = m_script.front();
            m_script.pop_front();
            return v;
        }
        m_state = m_state * 1103515245u + 12345u; // fixed seed 1
        return static_cast<int>((m_state >> 16) & 0x7FFF);
    }
    std::deque<int> m_script;
    unsigned m_state = 1;
    int m_draws = 0;
    qvr::EffectRandom m_previous;
};

// An engine on a board with one page and an empty content library whose
// effect headers the test may fill.
struct Rig {
    std::unique_ptr<CContent> content = std::make_unique<CContent>();
    std::unique_ptr<CEffect> engine = std::make_unique<CEffect>();
    std::unique_ptr<PageInfo> page = std::make_unique<PageInfo>();

    explicit Rig(unsigned columns = 6, unsigned rows = 1)
    {
        engine->SetContent(content.get());
        engine->SetModuleSize(columns, rows);
        page->item.type = LUMIVO_TEXT;
        ArmBand(rows * 16);
    }
    // The frame description a host gives an item's band.
    void ArmBand(int height)
    {
        qvr::DescribeDib32(page->bitmap, engine->m_Width, height);
        page->width = engine->m_Width;
        page->height = height;
    }
    uint32_t Pixel(int x, int y) const
    {
        uint32_t v;
        std::memcpy(&v, page->bits + y * page->bitmap.bmWidthBytes + x * 4, 4);
        return v;
    }
};

} // namespace effecttest
