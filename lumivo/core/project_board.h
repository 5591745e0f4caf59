// SPDX-License-Identifier: GPL-2.0-or-later
// The project core as the board commands see it: Set board from the module
// information, the Ad blob, and the user images of its content library.
#pragma once

#include "core/board_session.h"
#include "core/project.h"

namespace lumivo {

class CProjectBoardDocument final : public IBoardDocument {
public:
    explicit CProjectBoardDocument(CProjectCore& project) : m_project(project) {}

    bool SetBoard(const BoardFromModule& board) override;
    void SetContentLanguage(unsigned code) override;
    bool PackAdBlob(std::vector<BYTE>& blob) override;
    bool LoadAdBlob(const BYTE* blob, size_t length) override;
    bool LoadUserImages(const BYTE* blob, size_t length) override;
    bool GetUserImageBlob(std::vector<BYTE>& blob) override;

    // The messages of the project operations so far (a missing content
    // library, a refused blob ...), for the caller to show.
    const Result& Notes() const { return m_notes; }
    void ClearNotes() { m_notes = Result(); }

private:
    bool Keep(const Result& r);

    CProjectCore& m_project;
    Result m_notes;
};

} // namespace lumivo
