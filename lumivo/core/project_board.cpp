// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/project_board.h"
#include "core/core_text.h"

namespace lumivo {

bool CProjectBoardDocument::Keep(const Result& r)
{
    // Set board runs twice in a connection that reads the stored Ads: say
    // each thing once.
    for (const Message& m : r.messages())
        if (!m_notes.HasMessage(m.text)) {
            Result one;
            if (m.severity == Severity::Error)
                one.Error(m.text);
            else
                one.Warn(m.text);
            m_notes.Append(one, true);
        }
    return r.ok();
}

bool CProjectBoardDocument::SetBoard(const BoardFromModule& b)
{
    return Keep(m_project.SetBoard({b.moduleRow, b.moduleColumn, b.language, b.lumivoRow, b.lumivoColumn}));
}

void CProjectBoardDocument::SetContentLanguage(unsigned code)
{
    m_project.Content().SetBoardLanguage(code);
}

bool CProjectBoardDocument::PackAdBlob(std::vector<BYTE>& blob)
{
    return Keep(m_project.PackAdBlob(blob));
}

bool CProjectBoardDocument::LoadAdBlob(const BYTE* blob, size_t length)
{
    return Keep(m_project.LoadAdBlob(blob, length));
}

bool CProjectBoardDocument::LoadUserImages(const BYTE* blob, size_t length)
{
    return Keep(m_project.LoadUserImages(blob, length));
}

bool CProjectBoardDocument::GetUserImageBlob(std::vector<BYTE>& blob)
{
    const CContent& content = m_project.Content();
    const long length = content.GetUserImageLZO(nullptr, 0);
    if (length <= 0)
        return Keep(Result::Fail(CoreText("ImagesNotPacked", "the user images cannot be packed")));
    blob.assign(static_cast<size_t>(length), 0);
    if (content.GetUserImageLZO(blob.data(), blob.size()) != length)
        return Keep(Result::Fail(CoreText("ImagesNotPacked", "the user images cannot be packed")));
    return true;
}

} // namespace lumivo
