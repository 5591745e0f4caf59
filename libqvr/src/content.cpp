// SPDX-License-Identifier: BSD-2-Clause
#include "qvr/content.h"

#include "bytes.h"
#include "qvr/lzo.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

using qvr::GetLE32;

namespace {

constexpr unsigned char kTag[4] = {'L', 'Z', 'O', ' '};

bool IsImageType(uint16_t type) { return type >= CONTENT_EFFECT && type <= CONTENT_MOVE; }

// Whether [offset, offset + count) lies inside a buffer of length bytes.
bool Inside(size_t offset, size_t count, size_t length)
{
    return offset <= length && count <= length - offset;
}

template <unsigned N, size_t M>
void ClearAll(CRGX<N> (&array)[M], unsigned& count)
{
    for (CRGX<N>& image : array)
        image.Clear();
    count = 0;
}

// Zeroed memory needs only each image's capacity.
template <unsigned N, size_t M>
void SetCapacities(CRGX<N> (&array)[M])
{
    for (CRGX<N>& image : array)
        image.capacity = N;
}

// The image just loaded into `from` (size bytes of pixels) again in slot
// count of a larger array: a copy costs a fraction of unpacking it twice.
template <unsigned M, unsigned N>
void CopyInto(const CRGX<M>& from, size_t size, CRGX<N>* array, unsigned& count)
{
    static_assert(N >= M);
    array[count].header = from.header;
    std::memcpy(array[count].data, from.data, std::min<size_t>(size, M));
    ++count;
}

// The block operator new just handed out zeroed, for the constructor that
// follows on this thread.
thread_local const void* t_zeroed = nullptr;

} // namespace

void* CContent::operator new(std::size_t size)
{
    // calloc takes fresh pages of this size straight from the system, as
    // zeros that are neither written nor backed by memory until used.
    void* p = std::calloc(1, size);
    if (p == nullptr)
        throw std::bad_alloc();
    t_zeroed = p;
    return p;
}

void CContent::operator delete(void* p) noexcept { std::free(p); }

namespace {

uint64_t NextRevision()
{
    static std::atomic<uint64_t> last{0};
    return ++last;
}

} // namespace

CContent::CContent()
{
    m_Revision = NextRevision();
    const bool zeroed = t_zeroed == this;
    t_zeroed = nullptr;
    if (!zeroed) {
        Clear();
        return;
    }
    m_CodeTable[kCodePoints][0] = m_CodeTable[kCodePoints][1] = 0xFFFF;
    SetCapacities(m_Effect);
    SetCapacities(m_Effect32);
    SetCapacities(m_Move);
    SetCapacities(m_Move32);
    SetCapacities(m_Image);
    SetCapacities(m_UserImage);
    SetCapacities(m_Movie);
    SetCapacities(m_Animation);
    m_Pristine = true;
}

CContent::~CContent() { DestoryQVRInfo(); }

void CContent::DestoryQVRInfo()
{
    m_Info.clear();
    m_Info.shrink_to_fit();
}

void CContent::ResetAreas()
{
    // Only the user images can have changed before anything was loaded.
    if (m_Pristine) {
        m_Pristine = false;
        m_HangulFaces = m_AttribPatterns = m_ColorPatterns = 0;
        ClearUserImage();
        return;
    }
    std::memset(m_CodeTable, 0, sizeof m_CodeTable);
    // Code 0xFFFF is no character: the extra entry always says "no entry".
    m_CodeTable[kCodePoints][0] = m_CodeTable[kCodePoints][1] = 0xFFFF;
    unsigned char* const areas[] = {m_Font06, m_Latin16, m_Latin32, m_Symbol16, m_Symbol32,
                                    m_Hangul16, m_Hangul32, m_Hanja16, m_Hanja32, m_GB16,
                                    m_GB32, m_Attrib16, m_Attrib32, m_Color16, m_Color32};
    const size_t sizes[] = {sizeof m_Font06, sizeof m_Latin16, sizeof m_Latin32,
                            sizeof m_Symbol16, sizeof m_Symbol32, sizeof m_Hangul16,
                            sizeof m_Hangul32, sizeof m_Hanja16, sizeof m_Hanja32,
                            sizeof m_GB16, sizeof m_GB32, sizeof m_Attrib16,
                            sizeof m_Attrib32, sizeof m_Color16, sizeof m_Color32};
    for (size_t i = 0; i < std::size(areas); ++i)
        std::memset(areas[i], 0, sizes[i]);
    m_HangulFaces = 0;
    m_AttribPatterns = 0;
    m_ColorPatterns = 0;

    ClearAll(m_Effect, m_EffectCount);
    ClearAll(m_Effect32, m_Effect32Count);
    ClearAll(m_Move, m_MoveCount);
    ClearAll(m_Move32, m_Move32Count);
    ClearAll(m_Image, m_ImageCount);
    ClearAll(m_Movie, m_MovieCount);
    ClearAll(m_Animation, m_AnimationCount);
    ClearUserImage();
}

void CContent::Clear()
{
    m_Revision = NextRevision();
    m_Header = 0;
    m_SectionCount = 0;
    ResetAreas();
}

int CContent::Initialize(const unsigned char* qvr) { return Initialize(qvr, SIZE_MAX); }

int CContent::Initialize(const unsigned char* qvr, size_t length)
{
    m_Revision = NextRevision();
    if (qvr == nullptr || length < 4)
        return 0;
    m_Header = GetLE32(qvr);
    if (length < qvr::kContainerHeaderBytes || std::memcmp(qvr + 4, kTag, 4) != 0)
        return 0;
    const uint32_t count = GetLE32(qvr + 8);
    if (count == 0)
        return 0;
    // The table must lie inside the container.
    if (count > (length - qvr::kContainerHeaderBytes) / sizeof(QVR_INFO))
        return 0;
    try {
        m_Info.resize(count);
    } catch (const std::bad_alloc&) {
        DestoryQVRInfo(); // an absurd count in an unchecked container
        return 0;
    }
    for (uint32_t i = 0; i < count; ++i) {
        const unsigned char* r = qvr + qvr::kContainerHeaderBytes + i * sizeof(QVR_INFO);
        m_Info[i] = QVR_INFO{GetLE32(r), GetLE32(r + 4), GetLE32(r + 8)};
    }
    m_SectionCount = count;
    m_pQVR = qvr;
    m_QVRLength = length;

    ResetAreas();

    int result = 0;
    const QVR_INFO* codes = Section(qvr::kSecCodeTable);
    if (codes != nullptr && LoadArray(*codes, m_CodeTable, sizeof(uint16_t) * 2 * kCodePoints) > 0) {
        switch (GetContentRow()) {
        case qvr::kContentRow16: result = LoadQVR16(); break;
        case qvr::kContentRow32: result = LoadQVR32(); break;
        default: result = 1; break;
        }
        DestoryQVRInfo();
    }
    m_pQVR = nullptr;
    m_QVRLength = 0;
    return result;
}

const QVR_INFO* CContent::Section(unsigned i) const
{
    if (i >= m_Info.size() || m_Info[i].offset == 0)
        return nullptr;
    return &m_Info[i];
}

bool CContent::PeekHeader(unsigned i, RGX_HEADER& h) const
{
    const QVR_INFO* s = Section(i);
    if (s == nullptr || !Inside(s->offset, qvr::kSectionHeaderBytes, m_QVRLength))
        return false;
    std::memcpy(&h, m_pQVR + s->offset, sizeof h);
    return true;
}

int CContent::LoadArray(const QVR_INFO& info, void* dst, size_t cap)
{
    if (!Inside(info.offset, qvr::kTableFormPrefix, m_QVRLength))
        return 0;
    const unsigned char* p = m_pQVR + info.offset;
    const uint32_t packed = GetLE32(p + 16);
    const uint32_t unpacked = GetLE32(p + 20);
    if (unpacked == 0 || unpacked > cap ||
        !Inside(info.offset + qvr::kTableFormPrefix, packed, m_QVRLength))
        return 0;
    const long n = qvr::lzo::Decompress(p + qvr::kTableFormPrefix, packed,
                                        static_cast<uint8_t*>(dst), cap);
    return n == static_cast<long>(unpacked) ? static_cast<int>(unpacked) : 0;
}

int CContent::LoadBinary(const QVR_INFO& info, RGX_HEADER* header, unsigned char* data, size_t cap)
{
    if (info.packed == 0 || !Inside(info.offset, qvr::kSectionHeaderBytes, m_QVRLength) ||
        !Inside(info.offset + qvr::kSectionHeaderBytes, info.packed, m_QVRLength))
        return 0;
    const unsigned char* p = m_pQVR + info.offset;
    if (header != nullptr) {
        std::memcpy(header, p, sizeof *header);
        if (!IsImageType(header->type))
            return 0;
    }
    if (info.size > cap)
        return 0;
    const long n = qvr::lzo::Decompress(p + qvr::kSectionHeaderBytes, info.packed, data, cap);
    return n == static_cast<long>(info.size) ? 1 : 0;
}

int CContent::LoadGlyphs(unsigned i, unsigned char* area, size_t cap)
{
    const QVR_INFO* s = Section(i);
    return s != nullptr && LoadBinary(*s, nullptr, area, cap) ? 1 : 0;
}

int CContent::LoadQVR16()
{
    using namespace qvr;
    int ok = 1;
    LoadGlyphs(kSecFont06, m_Font06, sizeof m_Font06); // the small font is optional
    for (size_t f = 0; f < kLatinFaces; ++f)
        ok &= LoadGlyphs(kSecLatin16 + f, m_Latin16 + f * kLatin16Face, kLatin16Face + kSectionTail);
    ok &= LoadGlyphs(kSecSymbol16, m_Symbol16, sizeof m_Symbol16);
    if (GetContentLanguage() == kLanguageHangul) {
        m_HangulFaces = kHangul16Faces;
        for (size_t f = 0; f < kHangul16Faces; ++f)
            ok &= LoadGlyphs(kSecHangul + f, m_Hangul16 + f * kHangul16Face,
                             kHangul16Face + kSectionTail);
        ok &= LoadGlyphs(kSecHanja, m_Hanja16, sizeof m_Hanja16);
    } else {
        for (size_t f = 0; f < kGBFaces; ++f)
            ok &= LoadGlyphs(kSecGB16 + f, m_GB16 + f * kGB16Face, kGB16Face + kSectionTail);
    }
    return ok & LoadPatternsAndPictures(false);
}

int CContent::LoadQVR32()
{
    using namespace qvr;
    int ok = 1;
    LoadGlyphs(kSecFont06, m_Font06, sizeof m_Font06);
    for (size_t f = 0; f < kLatinFaces; ++f) {
        ok &= LoadGlyphs(kSecLatin16 + f, m_Latin16 + f * kLatin16Face, kLatin16Face + kSectionTail);
        ok &= LoadGlyphs(kSecLatin32 + f, m_Latin32 + f * kLatin32Face, kLatin32Face + kSectionTail);
    }
    ok &= LoadGlyphs(kSecSymbol16, m_Symbol16, sizeof m_Symbol16);
    ok &= LoadGlyphs(kSecSymbol32, m_Symbol32, sizeof m_Symbol32);
    if (GetContentLanguage() == kLanguageHangul) {
        m_HangulFaces = kHangul32Faces;
        for (size_t f = 0; f < kHangul32Faces; ++f) {
            ok &= LoadGlyphs(kSecHangul + f, m_Hangul16 + f * kHangul16Face,
                             kHangul16Face + kSectionTail);
            ok &= LoadGlyphs(kSecHangul + kHangul32Faces + f, m_Hangul32 + f * kHangul32Face,
                             kHangul32Face + kSectionTail);
        }
        ok &= LoadGlyphs(kSecHanja, m_Hanja32, sizeof m_Hanja32);
        ok &= Load32to16();
    } else {
        for (size_t f = 0; f < kGBFaces; ++f) {
            ok &= LoadGlyphs(kSecGB16 + f, m_GB16 + f * kGB16Face, kGB16Face + kSectionTail);
            ok &= LoadGlyphs(kSecGB32 + f, m_GB32 + f * kGB32Face, kGB32Face + kSectionTail);
        }
    }
    return ok & LoadPatternsAndPictures(true);
}

int CContent::LoadPatternsAndPictures(bool big)
{
    using namespace qvr;
    // One set of patterns serves both glyph heights.
    auto load = [&](unsigned section, unsigned char* area16, unsigned char* area32, size_t bytes) {
        const QVR_INFO* s = Section(section);
        const int n = s ? LoadArray(*s, area16, bytes) : 0;
        if (big && n > 0)
            std::memcpy(area32, area16, bytes);
        return static_cast<unsigned>(n / kPatternBytes);
    };
    m_AttribPatterns = load(kSecAttrib, m_Attrib16, m_Attrib32, sizeof m_Attrib16);
    m_ColorPatterns = load(kSecColor, m_Color16, m_Color32, sizeof m_Color16);
    int ok = m_AttribPatterns > 0 && m_ColorPatterns > 0;
    ok &= LoadEffect();
    ok &= LoadMove();
    ok &= LoadImageW();
    return ok;
}

int CContent::Load32to16()
{
    // Every other row, and of it the dots in even columns.
    for (size_t g = 0; g < qvr::kHanjaGlyphs; ++g) {
        const unsigned char* src = m_Hanja32 + g * 128;
        unsigned char* dst = m_Hanja16 + g * 32;
        for (int r = 0; r < 16; ++r) {
            const unsigned char* row = src + 2 * r * 4;
            for (int b = 0; b < 2; ++b) {
                unsigned out = 0;
                for (int k = 0; k < 2; ++k) {
                    const unsigned char s = row[2 * b + k];
                    const unsigned even = ((s >> 4) & 0x8) | ((s >> 3) & 0x4) | ((s >> 2) & 0x2) |
                                          ((s >> 1) & 0x1);
                    out |= even << (k ? 0 : 4);
                }
                dst[2 * r + b] = static_cast<unsigned char>(out);
            }
        }
    }
    return 1;
}

int CContent::Load16to32() { return 1; }

int CContent::LoadEffect()
{
    const bool big = GetContentRow() >= qvr::kContentRow32;
    for (unsigned i = 0; i < kEffects; ++i) {
        if (m_EffectCount >= kEffects || (big && m_Effect32Count >= kEffects))
            break;
        const QVR_INFO* s = Section(qvr::kSecEffects + i);
        if (s == nullptr || !LoadInto(*s, m_Effect, m_EffectCount))
            return 0;
        if (big)
            CopyInto(m_Effect[m_EffectCount - 1], s->size, m_Effect32, m_Effect32Count);
    }
    return 1;
}

int CContent::LoadMove()
{
    const bool big = GetContentRow() >= qvr::kContentRow32;
    for (unsigned i = qvr::kSecObjects; i < m_Info.size(); ++i) {
        if (m_MoveCount >= kMoves || (big && m_Move32Count >= kMoves))
            break;
        RGX_HEADER h;
        if (!PeekHeader(i, h) || h.type != CONTENT_MOVE)
            continue; // a damaged single move does not stop the scan
        const bool small = LoadInto(m_Info[i], m_Move, m_MoveCount);
        if (big && small)
            CopyInto(m_Move[m_MoveCount - 1], m_Info[i].size, m_Move32, m_Move32Count);
        else if (big)
            LoadInto(m_Info[i], m_Move32, m_Move32Count); // too large for the small array only
    }
    return 1;
}

int CContent::LoadImageW()
{
    for (unsigned i = qvr::kSecObjects; i < m_Info.size(); ++i) {
        if (Section(i) == nullptr)
            continue;
        RGX_HEADER h;
        if (!PeekHeader(i, h))
            return 0;
        bool ok = true;
        switch (h.type) {
        case CONTENT_IMAGE:
            if (m_ImageCount < kImages)
                ok = LoadInto(m_Info[i], m_Image, m_ImageCount);
            break;
        case CONTENT_MOVIE:
            if (m_MovieCount < kMovies)
                ok = LoadInto(m_Info[i], m_Movie, m_MovieCount);
            break;
        case CONTENT_ANIMATION:
            if (m_AnimationCount < kAnimations)
                ok = LoadInto(m_Info[i], m_Animation, m_AnimationCount);
            break;
        default: break; // moves and other kinds are not ours
        }
        if (!ok)
            return 0;
    }
    return 1;
}

unsigned CContent::GetFntCount() const
{
    switch (GetContentLanguage()) {
    case qvr::kLanguageHangul: return m_HangulFaces;
    case qvr::kLanguageGB2312: return 5;
    default: return 0;
    }
}

unsigned CContent::GetContentCount(ContentType t) const
{
    const bool small = GetContentRow() == qvr::kContentRow16;
    switch (t) {
    case CONTENT_EFFECT: return small ? m_EffectCount : m_Effect32Count;
    case CONTENT_IMAGE: return m_ImageCount + m_UserImageCount;
    case CONTENT_MOVIE: return m_MovieCount;
    case CONTENT_ANIMATION: return m_AnimationCount;
    case CONTENT_MOVE: return small ? m_MoveCount : m_Move32Count;
    default: return 0;
    }
}

CContent::Picked CContent::Pick(LUMIVO_TYPE t, int index) const
{
    auto self = const_cast<CContent*>(this);
    auto pick = [](auto& image) {
        return Picked{&image.header, image.data, sizeof image.data};
    };
    if (index < 0)
        return {};
    const unsigned i = static_cast<unsigned>(index);
    switch (t) {
    case LUMIVO_IMAGE:
        if (i < m_ImageCount)
            return pick(self->m_Image[i]);
        if (i - m_ImageCount < kUserImages)
            return pick(self->m_UserImage[i - m_ImageCount]);
        return {};
    case LUMIVO_MOVIE: return i < kMovies ? pick(self->m_Movie[i]) : Picked{};
    case LUMIVO_ANIMATION: return i < kAnimations ? pick(self->m_Animation[i]) : Picked{};
    default: return {};
    }
}

RGX_HEADER CContent::GetContentHeader(LUMIVO_TYPE t, int index) const
{
    const Picked p = Pick(t, index);
    return p.header ? *p.header : RGX_HEADER{};
}

int CContent::GetContentInfo(LUMIVO_TYPE t, int index, BITMAP* bm) const
{
    const Picked p = Pick(t, index);
    return p.header ? qvr::DescribeBitmap(*p.header, bm) : 0;
}

int CContent::GetContentData(LUMIVO_TYPE t, int index, unsigned char* pixels) const
{
    return GetContentData(t, index, pixels, SIZE_MAX);
}

int CContent::GetContentData(LUMIVO_TYPE t, int index, unsigned char* pixels, size_t pixelBytes) const
{
    if (qvr::ContentTypeOfItem(t) == 0)
        return 1; // nothing to draw for other kinds
    const Picked p = Pick(t, index);
    if (p.header == nullptr)
        return 0;
    return qvr::ConvertToDib32(*p.header, p.data, p.capacity, pixels, pixelBytes);
}

unsigned char* CContent::GetContentPtr(LUMIVO_TYPE t, int index)
{
    return Pick(t, index).data;
}

RGX_HEADER* CContent::GetEffectInfo(unsigned index)
{
    return index < m_EffectCount ? &m_Effect[index & 0x7FFF].header : nullptr;
}

unsigned char* CContent::GetEffectPtr(unsigned index)
{
    return index < m_EffectCount ? m_Effect[index & 0x7FFF].data : nullptr;
}

std::u16string CContent::GetEffectText(EFFECT_STATE, unsigned) { return {}; }
