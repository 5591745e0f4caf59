// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/board_stage.h"
#include "core/core_text.h"

namespace lumivo {

bool CStagedBoardDocument::SetBoard(const BoardFromModule& board)
{
    m_readBack.board = board;
    return true;
}

bool CStagedBoardDocument::PackAdBlob(std::vector<BYTE>& blob)
{
    blob = m_adBlob;
    return !blob.empty();
}

bool CStagedBoardDocument::LoadAdBlob(const BYTE* blob, size_t length)
{
    AdPages pages;
    Result r = ReadAdBlob(blob, length, pages);
    if (!r) {
        m_notes.Append(r);
        return false;
    }
    m_readBack.pages = std::move(pages);
    return true;
}

bool CStagedBoardDocument::LoadUserImages(const BYTE* blob, size_t length)
{
    std::vector<CRGX<8192>> images(CContent::kUserImages);
    unsigned count = 0;
    const long used = qvr::ReadUserImageLZO(blob, length, images.data(), CContent::kUserImages, count);
    // The same rule as the project's: the blob is consumed exactly, or it
    // is the empty blob, which is read up to its count field only.
    const bool empty = used == 8 && length == 12 && count == 0;
    if (used != static_cast<long>(length) && !empty) {
        m_notes.Append(Result::Fail(CoreText("ImageBlobDamaged", "the user-image blob is damaged: %s image(s) read", {std::to_string(count)})));
        return false;
    }
    images.resize(count);
    m_readBack.userImages = std::move(images);
    return true;
}

bool CStagedBoardDocument::GetUserImageBlob(std::vector<BYTE>& blob)
{
    blob = m_userImageBlob;
    return !blob.empty();
}

} // namespace lumivo
