// SPDX-License-Identifier: BSD-2-Clause
// User images and their compressed blob in the project document.
#include "qvr/content.h"

#include "bytes.h"
#include "qvr/lzo.h"

#include <cstring>
#include <vector>

using qvr::GetLE32;
using qvr::PutLE32;

namespace {
constexpr unsigned char kTag[4] = {'L', 'Z', 'O', ' '};
constexpr size_t kBlobHeader = 12; // tag, total length, count
constexpr size_t kRecordHeader = 4 + sizeof(RGX_HEADER);
constexpr size_t kPixelArea = 8192;
} // namespace

int CContent::ClearUserImage()
{
    for (CRGX<8192>& image : m_UserImage)
        image.Clear();
    m_UserImageCount = 0;
    return 1;
}

int CContent::InsertUserImage(const CRGX<8192>* image)
{
    if (image == nullptr || m_UserImageCount >= kUserImages)
        return 0;
    m_UserImage[m_UserImageCount++] = *image;
    return 1;
}

CRGX<8192>* CContent::GetUserImage(int i)
{
    if (i < 0 || static_cast<unsigned>(i) >= m_UserImageCount)
        return nullptr;
    return &m_UserImage[i];
}

long CContent::GetUserImageLZO(unsigned char* out) const { return GetUserImageLZO(out, SIZE_MAX); }

long CContent::GetUserImageLZO(unsigned char* out, size_t capacity) const
{
    std::vector<uint8_t> packed(qvr::lzo::MaxCompressedSize(kPixelArea));
    size_t total = kBlobHeader;
    for (unsigned i = 0; i < m_UserImageCount; ++i) {
        const CRGX<8192>& image = m_UserImage[i];
        // The whole pixel area is stored, whatever the image's size.
        const size_t n = qvr::lzo::CompressTo(image.data, kPixelArea, packed.data(), packed.size());
        const size_t at = total;
        total += kRecordHeader + n;
        if (out == nullptr)
            continue;
        if (total > capacity)
            return 0;
        PutLE32(out + at, static_cast<uint32_t>(n));
        std::memcpy(out + at + 4, &image.header, sizeof image.header);
        std::memcpy(out + at + kRecordHeader, packed.data(), n);
    }
    if (out != nullptr) {
        if (capacity < kBlobHeader)
            return 0;
        std::memcpy(out, kTag, 4);
        PutLE32(out + 4, static_cast<uint32_t>(total));
        PutLE32(out + 8, m_UserImageCount);
    }
    return static_cast<long>(total);
}

long CContent::SetUserImageLZO(const unsigned char* blob)
{
    if (blob == nullptr)
        return 0;
    // Without a length of its own the blob's total-length field is the bound.
    size_t length = 8;
    if (std::memcmp(blob, kTag, 4) == 0)
        length = GetLE32(blob + 4);
    return SetUserImageLZO(blob, length);
}

long CContent::SetUserImageLZO(const unsigned char* blob, size_t length)
{
    if (blob == nullptr)
        return 0;
    ClearUserImage();
    return qvr::ReadUserImageLZO(blob, length, m_UserImage, kUserImages, m_UserImageCount);
}

namespace qvr {

long ReadUserImageLZO(const unsigned char* blob, size_t length, CRGX<8192>* images, unsigned capacity,
                      unsigned& count)
{
    if (blob == nullptr || length < 4 || std::memcmp(blob, kTag, 4) != 0)
        return 0;
    if (length < kBlobHeader)
        return 0;
    const uint32_t stored = GetLE32(blob + 8);
    if (stored == 0)
        return 8;
    size_t offset = kBlobHeader;
    for (uint32_t i = 0; i < stored && count < capacity; ++i) {
        if (length - offset < kRecordHeader)
            break;
        const uint32_t packed = GetLE32(blob + offset);
        if (length - offset - kRecordHeader < packed)
            break;
        CRGX<8192>& slot = images[count];
        std::memcpy(&slot.header, blob + offset + 4, sizeof slot.header);
        const long n = qvr::lzo::Decompress(blob + offset + kRecordHeader, packed, slot.data, kPixelArea);
        if (n != static_cast<long>(kPixelArea))
            break; // the slot keeps its header but is not counted
        ++count;
        offset += kRecordHeader + packed;
    }
    return static_cast<long>(offset);
}

} // namespace qvr
