// SPDX-License-Identifier: GPL-2.0-or-later
#include "preview.h"

#include "hash.h"
#include "schedule_source.h"

#include "board_image.h"
#include "core/play_length.h"
#include "core/player.h"
#include "core/project.h"

#include <qvr/effect.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>

namespace agent {

// Each turn's length is a play of its Ad to the end, worked out when the
// twin first reaches that turn: right after a send only the first is needed,
// and a fleet that applies at once should not play every Ad of every sign.
class PreviewProject {
public:
    lumivo::CProjectCore core;
    std::vector<unsigned> pages; // 1-based used pages
    SYSTEMTIME start{};          // live texts play as at the send
    unsigned columns = 0, rows = 0;

    Ms Length(size_t turn)
    {
        while (lengths.size() <= turn) {
            const uint64_t ms = lumivo::AdPlayLengthMs(core.Content(), columns, rows,
                                                       core.PageItems(pages[lengths.size()] - 1), start,
                                                       uint64_t(kLongestAdMs));
            lengths.push_back(ms > 0 ? Ms(ms) : kSlotMs);
            cycle += lengths.back();
        }
        return lengths[turn];
    }
    // All turns.
    const std::vector<Ms>& Lengths()
    {
        if (!pages.empty())
            Length(pages.size() - 1);
        return lengths;
    }
    Ms Cycle()
    {
        Lengths();
        return cycle;
    }

private:
    std::vector<Ms> lengths; // the turns worked out so far, in play order
    Ms cycle = 0;            // their sum
};

namespace {

// Restores the engine's clock when a render ends.
struct EngineClock {
    explicit EngineClock(qvr::EffectClock c) : previous(qvr::SetEffectClock(std::move(c))) {}
    ~EngineClock() { qvr::SetEffectClock(previous); }
    qvr::EffectClock previous;
};

SYSTEMTIME LocalTime(Ms t)
{
    const time_t s = time_t(t / 1000);
    struct tm local {};
    localtime_r(&s, &local);
    SYSTEMTIME st{};
    st.wYear = WORD(local.tm_year + 1900);
    st.wMonth = WORD(local.tm_mon + 1);
    st.wDay = WORD(local.tm_mday);
    st.wDayOfWeek = WORD(local.tm_wday);
    st.wHour = WORD(local.tm_hour);
    st.wMinute = WORD(local.tm_min);
    st.wSecond = WORD(local.tm_sec);
    st.wMilliseconds = WORD(t % 1000);
    return st;
}

} // namespace

struct CPreview::Live {
    std::unique_ptr<lumivo::CPlayer> player;
    lumivo::VirtualClock clock;
    unsigned page = 0;
    Ms turnStart = 0;
    Ms played = 0; // virtual time ticked since the turn's start
};

CPreview::CPreview(std::string scratchDir) : m_scratch(std::move(scratchDir)) {}

CPreview::~CPreview() = default;

bool CPreview::Prepare(const std::vector<uint8_t>& blob, const BoardInfo& board, Ms sentAt, std::string& error)
{
    const std::string key = ContentHash(blob) + std::to_string(board.board.moduleRow) + "x" +
                            std::to_string(board.board.moduleColumn) + char(board.board.language);
    if (m_project && key == m_key)
        return true;
    m_live.reset(); // it plays the old project's items
    auto p = std::make_unique<PreviewProject>();
    p->core.SetBoard(board.board);
    if (!blob.empty()) {
        if (lumivo::Result r = p->core.LoadAdBlob(blob.data(), blob.size()); !r) {
            error = r.FirstError();
            return false;
        }
    }
    p->pages = UsedPages(p->core);
    p->start = LocalTime(sentAt);
    p->columns = board.board.moduleColumn;
    p->rows = board.board.moduleRow;
    m_project = std::move(p);
    m_key = key;
    return true;
}

unsigned CPreview::TurnAt(Ms sentAt, Ms at, Ms& into)
{
    PreviewProject& p = *m_project;
    const Ms elapsed = std::max<Ms>(0, at - sentAt);
    auto walk = [&](Ms from) {
        into = from;
        size_t turn = 0;
        while (turn + 1 < p.pages.size() && into >= p.Length(turn))
            into -= p.Length(turn++);
        return turn;
    };
    size_t turn = walk(elapsed);
    // Past the first cycle: every turn is known by now.
    if (turn + 1 == p.pages.size() && into >= p.Length(turn))
        turn = walk(elapsed % p.Cycle());
    return p.pages[turn];
}

std::unique_ptr<lumivo::CPlayer> CPreview::PlayerAt(const BoardInfo& board, Ms sentAt, Ms at,
                                                    lumivo::VirtualClock& clock, Ms& into)
{
    const unsigned page = TurnAt(sentAt, at, into);
    clock = lumivo::VirtualClock(LocalTime(at - into));
    auto player = std::make_unique<lumivo::CPlayer>();
    player->SetClock(clock.Function());
    player->SetContent(&m_project->core.Content());
    player->SetModuleSize(board.board.moduleColumn, board.board.moduleRow);
    player->Play(m_project->core.PageItems(page - 1));
    return player;
}

bool CPreview::Frame(const std::vector<uint8_t>& blob, const BoardInfo& board, Ms sentAt, Ms at, int zoom,
                     std::vector<uint8_t>& png, std::string& error)
{
    std::lock_guard lk(m_lock);
    if (!Prepare(blob, board, sentAt, error))
        return false;
    const lumivo::BoardValues& b = board.board;
    cli::BoardPicture picture(b.moduleColumn * 16, b.moduleRow * 16, zoom, false);
    std::vector<uint32_t> dark(size_t(b.moduleColumn) * 16 * b.moduleRow * 16, 0);
    const std::vector<unsigned>& pages = m_project->pages;
    if (pages.empty() || at < sentAt) {
        picture.Draw(dark.data());
    } else {
        Ms into = 0;
        const unsigned page = TurnAt(sentAt, at, into);
        // As a play from the turn's start to `at` would tick: every 5 ms below into + 5.
        const Ms target = (into + Ms(lumivo::kTickMs) - 1) / Ms(lumivo::kTickMs) * Ms(lumivo::kTickMs);
        if (m_live && (m_live->page != page || m_live->turnStart != at - into || m_live->played > target))
            m_live.reset();
        if (!m_live) {
            auto live = std::make_unique<Live>();
            live->player = PlayerAt(board, sentAt, at, live->clock, into);
            live->page = page;
            live->turnStart = at - into;
            EngineClock engineClock(live->clock.Function());
            lumivo::PlayVirtual(*live->player, live->clock, uint64_t(into) + 5, 1000, [](uint64_t) {});
            live->played = target;
            m_live = std::move(live);
        } else {
            // The rest of PlayVirtual's loop, from where the last frame stopped.
            EngineClock engineClock(m_live->clock.Function());
            for (; m_live->played < target; m_live->played += Ms(lumivo::kTickMs)) {
                m_live->clock.Advance(lumivo::kTickMs);
                m_live->player->Tick();
                if (m_live->player->TakeRepaint())
                    m_live->player->Render();
            }
        }
        picture.Draw(m_live->player->Board());
    }
    cli::PngEncoder encoder;
    const std::vector<uint8_t>* bytes = encoder.Encode(picture);
    if (!bytes) {
        error = "the PNG could not be made";
        return false;
    }
    png = *bytes;
    return true;
}

bool CPreview::Turns(const std::vector<uint8_t>& blob, const BoardInfo& board, Ms sentAt,
                     std::vector<unsigned>& pages, std::vector<Ms>& lengths, std::string& error)
{
    std::lock_guard lk(m_lock);
    if (!Prepare(blob, board, sentAt, error))
        return false;
    pages = m_project->pages;
    lengths = m_project->Lengths();
    return true;
}

bool CPreview::Gif(const std::vector<uint8_t>& blob, const BoardInfo& board, Ms sentAt, Ms at, double seconds,
                   int zoom, std::vector<uint8_t>& gif, std::string& error)
{
    std::lock_guard lk(m_lock);
    if (!Prepare(blob, board, sentAt, error))
        return false;
    const lumivo::BoardValues& b = board.board;
    const std::vector<unsigned>& pages = m_project->pages;
    if (pages.empty()) {
        error = "the board shows no Ads";
        return false;
    }
    const std::filesystem::path file =
        std::filesystem::path(m_scratch) / (".render-" + std::to_string(::getpid()) + ".gif");
    Ms into = 0;
    lumivo::VirtualClock clock;
    const std::unique_ptr<lumivo::CPlayer> player = PlayerAt(board, sentAt, at, clock, into);
    EngineClock engineClock(clock.Function());
    cli::GifWriter writer;
    if (!writer.Open(file, b.moduleColumn * 16, b.moduleRow * 16, zoom, false, error))
        return false;
    const uint64_t skip = uint64_t(into - into % 40), total = skip + uint64_t(seconds * 1000);
    bool first = true; // a GIF's first frame is at 0
    lumivo::PlayVirtual(*player, clock, total, 40, [&](uint64_t ms) {
        if (ms >= skip && error.empty()) {
            writer.AddFrame(player->Board(), first ? 0 : ms - skip, error);
            first = false;
        }
    });
    if (error.empty())
        writer.Finish(total - skip, error);
    std::error_code ec;
    if (error.empty()) {
        std::ifstream in(file, std::ios::binary);
        gif.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::filesystem::remove(file, ec);
    return error.empty();
}

} // namespace agent
