// SPDX-License-Identifier: GPL-2.0-or-later
// The project as a board session on another thread sees it: the Ad blob and
// user-image blob are packed beforehand by the thread that owns the project,
// and what the controller reports (board, language, Ads, user images) is
// checked and kept here, to be applied by that thread afterwards. So the
// session never touches the project itself.
#pragma once

#include "core/board_session.h"
#include "core/project.h"

#include <qvr/rgx.h>

#include <optional>
#include <vector>

namespace lumivo {

// What an exchange brought back for the project.
struct BoardReadBack {
    std::optional<BoardFromModule> board;       // the last Set board
    std::optional<unsigned> contentLanguage;    // 10 or 14
    std::optional<AdPages> pages;               // the Ads read back
    std::optional<std::vector<CRGX<8192>>> userImages;
};

class CStagedBoardDocument final : public IBoardDocument {
public:
    CStagedBoardDocument(std::vector<BYTE> adBlob = {}, std::vector<BYTE> userImageBlob = {})
        : m_adBlob(std::move(adBlob)), m_userImageBlob(std::move(userImageBlob))
    {
    }

    bool SetBoard(const BoardFromModule& board) override;
    void SetContentLanguage(unsigned code) override { m_readBack.contentLanguage = code; }
    // The blob given at construction; false when there is none.
    bool PackAdBlob(std::vector<BYTE>& blob) override;
    // Kept only when the blob reads as a whole (as the project would take it).
    bool LoadAdBlob(const BYTE* blob, size_t length) override;
    bool LoadUserImages(const BYTE* blob, size_t length) override;
    bool GetUserImageBlob(std::vector<BYTE>& blob) override;

    const BoardReadBack& ReadBack() const { return m_readBack; }
    // Why a blob was refused, for the caller to show.
    const Result& Notes() const { return m_notes; }

private:
    std::vector<BYTE> m_adBlob;
    std::vector<BYTE> m_userImageBlob;
    BoardReadBack m_readBack;
    Result m_notes;
};

} // namespace lumivo
