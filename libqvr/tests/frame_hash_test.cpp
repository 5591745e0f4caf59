// SPDX-License-Identifier: BSD-2-Clause
// Every start, wait and end code played to its end on three boards with the
// program's own content containers. Each frame is hashed and the frames of
// one code are folded into one value per board; the values must equal those
// recorded in data/frame_hashes.txt, so a change that moves a single pixel of
// any frame fails here and names the code and the board.
//
// To record the values anew (only when a change of the pictures is meant):
//   LUMIVO_RECORD_FRAME_HASHES=1 build/bin/qvr_tests --gtest_filter='FrameHashes.*'
#include "glyph_fixture.h"

#include "qvr/content_resource.h"
#include "qvr/effect.h"
#include "qvr/effect_family.h"
#include "qvr/rgx.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#ifndef QVR_TEST_DATA_DIR
#error "QVR_TEST_DATA_DIR names the folder of the recorded frame hashes"
#endif

namespace {

constexpr uint64_t kFnvBasis = 0xCBF29CE484222325ull;
constexpr uint64_t kFnvPrime = 0x100000001B3ull;
// No code plays this long; a code that does is cut here (and its count of
// steps, part of its value, says so).
constexpr int kMostSteps = 6000;
// The host lowers the hold countdown once a second; here once every ten steps.
constexpr int kStepsPerSecond = 10;

uint64_t Mix(uint64_t h, uint64_t v) { return (h ^ v) * kFnvPrime; }

uint64_t BytesDigest(const std::vector<uint8_t>& bytes)
{
    uint64_t h = kFnvBasis;
    for (uint8_t b : bytes)
        h = Mix(h, b);
    return h;
}

// The shown part of the frame: bmHeight rows of bmWidth pixels.
uint64_t FrameDigest(const PageInfo& p)
{
    uint64_t h = kFnvBasis;
    const long rowBytes = static_cast<long>(p.bitmap.bmWidth) * 4;
    for (long y = 0; y < p.bitmap.bmHeight; ++y) {
        const uint8_t* row = p.bits + y * p.bitmap.bmWidthBytes;
        long x = 0;
        for (; x + 8 <= rowBytes; x += 8) {
            uint64_t v;
            std::memcpy(&v, row + x, 8);
            h = Mix(h, v);
        }
        for (; x < rowBytes; ++x)
            h = Mix(h, row[x]);
    }
    return h;
}

// A run of cells of one selector: kind, size (8-dot units), width index,
// colour row and attribute row; on line 1 or 2 of the item.
struct Run {
    std::u16string text;
    unsigned kind, size, widthIndex, colour, attrib;
    int line = 0;
};

CLumivo Item(LUMIVO_TYPE type, std::initializer_list<Run> runs, uint8_t option, uint8_t fit, uint8_t blend = 1)
{
    CLumivo item;
    item.type = static_cast<uint8_t>(type);
    item.blend = blend & 3;
    int next[2] = {0, 0};
    for (const Run& r : runs) {
        const QVXF q = qvrtest::Cell(r.kind | (r.size << 5) | (r.widthIndex << 8), r.colour, r.attrib);
        for (char16_t ch : r.text) {
            CLumiChar& c = item.chars[r.line * CLumivo::kLineCells + next[r.line]++];
            c.code = static_cast<uint16_t>(ch);
            c.attr = q;
        }
    }
    item.option = option;
    item.fit = fit;
    return item;
}

struct BoardCase {
    const char* name;
    unsigned columns, rows;
    int band;     // rows of the item's band
    int resource; // the container a project on this board would use
    CLumivo item;
};

std::vector<BoardCase> Boards()
{
    // 96 x 16: Latin, Hangul and Hanja in 16 dots, a colour that changes every
    // frame, a shadow, an animated attribute and an icon; wider than the board;
    // blend bit 1 slants the drum.
    const CLumivo wide = Item(LUMIVO_TEXT,
                              {{u"Lumivo ", 1, 2, 1, 12, 0},
                               {u"\uB8E8\uBBF8\uBCF4 ", 1, 2, 1, 2, 0},
                               {u"\u6F22\u5B57", 1, 2, 1, 4, 0},
                               {u"\x0001", 5, 2, 1, 0, 0},
                               {u" LED 9:30", 1, 2, 1, 7, 1}},
                              2, 0, 3);
    // 320 x 64: 32-dot glyphs and a 32-dot icon that fit the board.
    const CLumivo tall = Item(LUMIVO_TEXT,
                              {{u"Open ", 1, 4, 1, 6, 0},
                               {u"\uC601\uC5C5", 1, 4, 1, 13, 0},
                               {u"\x0002", 5, 4, 1, 0, 0},
                               {u" 24h", 1, 4, 1, 3, 4}},
                              1, 0);
    // 16 x 16: two lines of the small font, laid out to the board width.
    const CLumivo twoLines = Item(LUMIVO_ENG2LINE,
                                  {{u"Sale", 7, 1, 1, 1, 0, 0}, {u"-50%", 7, 1, 1, 21, 0, 1}}, 2, 1);
    return {{"6x1", 6, 1, 16, 312, wide}, {"20x4", 20, 4, 64, 315, tall}, {"1x1", 1, 1, 16, 312, twoLines}};
}

struct Recorded {
    std::map<int, uint64_t> containers;
    std::map<std::string, std::vector<uint64_t>> codes; // "S 1" -> one value per board
};

std::string DataPath() { return std::string(QVR_TEST_DATA_DIR) + "/frame_hashes.txt"; }

Recorded Read(const std::string& path)
{
    Recorded r;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream s(line);
        std::string tag;
        s >> tag;
        if (tag == "container") {
            int res = 0;
            std::string hex;
            s >> res >> hex;
            r.containers[res] = std::strtoull(hex.c_str(), nullptr, 16);
            continue;
        }
        int code = 0;
        s >> code;
        std::vector<uint64_t> values;
        std::string hex;
        while (s >> hex)
            values.push_back(std::strtoull(hex.c_str(), nullptr, 16));
        r.codes[tag + " " + std::to_string(code)] = values;
    }
    return r;
}

std::string Hex(uint64_t v)
{
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
    return buf;
}

class FrameHashes : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_random = qvr::SetEffectRandom([] { return 7; });
        m_clock = qvr::SetEffectClock([](SYSTEMTIME& t) {
            t = SYSTEMTIME{2026, 3, 1, 2, 9, 30, 15, 0}; // a Monday
            return true;
        });
    }
    void TearDown() override
    {
        qvr::SetEffectRandom(std::move(m_random));
        qvr::SetEffectClock(std::move(m_clock));
    }

    // Plays one code of one phase (0 start, 1 wait, 2 end) to its end, as the
    // host steps it, and folds every frame into one value.
    static uint64_t Play(CEffect& e, PageInfo& p, const BoardCase& b, int phase, unsigned code)
    {
        p.Initialize();
        p.kind = b.item.type;
        p.item = b.item;
        qvr::DescribeDib32(p.bitmap, e.m_Width, b.band);
        p.width = e.m_Width;
        p.height = b.band;
        std::memset(p.bits, 0, PageInfo::kFrameBytes);
        qvr::ResetSharedEffectState();
        e.SetPageInfo(&p);
        CEFF s(phase == 0 ? code : 100, 50), w(phase == 1 ? code : 92, 50),
            en(phase == 2 ? code : 97, 50);
        e.SetEffectS(s);
        e.SetEffectW(w);
        e.SetEffectE(en);
        p.phase = phase == 0 ? e._init_effs(0) : phase == 1 ? e._init_effw(0) : e._init_effe(0);
        DWORD (CEffect::*step)() = phase == 0   ? &CEffect::GetEffectS
                                   : phase == 1 ? &CEffect::GetEffectW
                                                : &CEffect::GetEffectE;
        uint64_t h = kFnvBasis;
        int n = 0;
        for (; n < kMostSteps; ++n) {
            ++p.animCounter;
            ++p.stepCounter;
            const DWORD r = (e.*step)();
            h = Mix(Mix(h, FrameDigest(p)), r);
            if (r == CEffect::kEffectEnd)
                break;
            if (p.holdCountdown > 32768 && n % kStepsPerSecond == kStepsPerSecond - 1)
                --p.holdCountdown;
        }
        return Mix(h, static_cast<uint64_t>(n));
    }

    qvr::EffectRandom m_random;
    qvr::EffectClock m_clock;
};

constexpr struct {
    char tag;
    unsigned last;
} kPhases[3] = {{'S', 100}, {'W', 92}, {'E', 97}};

TEST_F(FrameHashes, EveryCodeDrawsTheRecordedFramesOnEveryBoard)
{
    const std::vector<BoardCase> boards = Boards();
    Recorded now;
    for (size_t bi = 0; bi < boards.size(); ++bi) {
        const BoardCase& b = boards[bi];
        const std::vector<uint8_t> bytes = qvr::LoadContentResource(b.resource);
        ASSERT_FALSE(bytes.empty()) << "content container " << b.resource
                                    << ".qvr not found (build the target qvr_content)";
        now.containers[b.resource] = BytesDigest(bytes);
        auto content = std::make_unique<CContent>();
        ASSERT_EQ(content->Initialize(bytes.data(), bytes.size()), 1) << b.resource;
        auto engine = std::make_unique<CEffect>();
        auto page = std::make_unique<PageInfo>();
        engine->SetContent(content.get());
        engine->SetModuleSize(b.columns, b.rows);
        for (int phase = 0; phase < 3; ++phase)
            for (unsigned code = 1; code <= kPhases[phase].last; ++code) {
                const std::string key = std::string(1, kPhases[phase].tag) + " " + std::to_string(code);
                now.codes[key].push_back(Play(*engine, *page, b, phase, code));
            }
    }

    if (const char* rec = std::getenv("LUMIVO_RECORD_FRAME_HASHES"); rec && *rec && *rec != '0') {
        std::ofstream out(DataPath());
        out << "# Frame hashes of every effect code, written by the test FrameHashes of\n"
               "# qvr_tests; see libqvr/tests/frame_hash_test.cpp to record them anew.\n"
               "# container <resource> <digest of its bytes>\n"
               "# <phase> <code> <value on";
        for (const BoardCase& b : boards)
            out << ' ' << b.name;
        out << ">\n";
        for (const auto& [res, digest] : now.containers)
            out << "container " << res << ' ' << Hex(digest) << '\n';
        for (const auto& ph : kPhases)
            for (unsigned code = 1; code <= ph.last; ++code) {
                const std::string key = std::string(1, ph.tag) + " " + std::to_string(code);
                out << key;
                for (uint64_t v : now.codes[key])
                    out << ' ' << Hex(v);
                out << '\n';
            }
        ASSERT_TRUE(out.good()) << DataPath();
        std::printf("frame hashes recorded in %s\n", DataPath().c_str());
        return;
    }

    const Recorded was = Read(DataPath());
    ASSERT_FALSE(was.codes.empty()) << "no recorded frame hashes in " << DataPath();
    for (const auto& [res, digest] : now.containers)
        EXPECT_EQ(Hex(digest), Hex(was.containers.count(res) ? was.containers.at(res) : 0))
            << "container " << res << " is not the one the frames were recorded with: the "
            << "differences below may come from its glyphs rather than from the engine";
    int wrong = 0;
    for (const auto& [key, values] : now.codes) {
        const auto it = was.codes.find(key);
        ASSERT_NE(it, was.codes.end()) << key << " has no recorded value";
        for (size_t bi = 0; bi < boards.size(); ++bi)
            if (bi >= it->second.size() || it->second[bi] != values[bi]) {
                ++wrong;
                ADD_FAILURE() << "code " << key << " on the " << boards[bi].name
                              << " board draws other frames than recorded";
            }
    }
    EXPECT_EQ(wrong, 0);
}

} // namespace
