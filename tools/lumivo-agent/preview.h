// SPDX-License-Identifier: GPL-2.0-or-later
// The sign's twin: what the board shows, played by our own engine from the
// Ads that were sent. The board plays its used Ads in turn, each for its play
// length (until its items have run their effects once); the twin plays each
// from the start of its turn, so the frame at an instant depends on the time
// since the Ads were sent. An Ad that never ends on its own (pictures,
// clocks, looping start effects) gets kSlotMs.
#pragma once

#include "agent_time.h"
#include "board_link.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace lumivo {
class CPlayer;
class VirtualClock;
} // namespace lumivo

namespace agent {

constexpr Ms kSlotMs = 10 * kSecond;
// No Ad's turn is taken to be longer than this.
constexpr Ms kLongestAdMs = 600 * kSecond;

class CPreview {
public:
    explicit CPreview(std::string scratchDir);
    ~CPreview();
    // The PNG of the frame at `at` (zoom pixels per LED); false with the reason.
    bool Frame(const std::vector<uint8_t>& blob, const BoardInfo& board, Ms sentAt, Ms at, int zoom,
               std::vector<uint8_t>& png, std::string& error);
    // The used pages' turns on the board, in play order (1-based pages).
    bool Turns(const std::vector<uint8_t>& blob, const BoardInfo& board, Ms sentAt, std::vector<unsigned>& pages,
               std::vector<Ms>& lengths, std::string& error);
    // An animated GIF of seconds from `at`.
    bool Gif(const std::vector<uint8_t>& blob, const BoardInfo& board, Ms sentAt, Ms at, double seconds, int zoom,
             std::vector<uint8_t>& gif, std::string& error);

private:
    // A player on the page shown at `at`, its clock set to the page's start;
    // into: how far into its slot `at` lies. Needs at least one used page.
    std::unique_ptr<lumivo::CPlayer> PlayerAt(const BoardInfo& board, Ms sentAt, Ms at, lumivo::VirtualClock& clock,
                                              Ms& into);
    bool Prepare(const std::vector<uint8_t>& blob, const BoardInfo& board, Ms sentAt, std::string& error);
    // The used page shown at `at` and how far into its turn `at` lies.
    unsigned TurnAt(Ms sentAt, Ms at, Ms& into);

    std::string m_scratch;
    std::mutex m_lock; // one render at a time: the engine's buffers are shared
    std::string m_key;
    std::unique_ptr<class PreviewProject> m_project;
    // The live mirror asks for a frame a second: the turn's player is kept
    // and played on from where it was, instead of from the turn's start.
    struct Live;
    std::unique_ptr<Live> m_live;
};

} // namespace agent
