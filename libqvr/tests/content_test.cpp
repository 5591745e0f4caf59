// SPDX-License-Identifier: BSD-2-Clause
#include "container_writer.h"
#include "qvr/content.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <vector>

using namespace qvrtest;

namespace {

std::unique_ptr<CContent> NewContent() { return std::make_unique<CContent>(); }

std::vector<uint8_t> Library(unsigned row, unsigned language)
{
    LibraryShape s;
    s.row = row;
    s.language = language;
    return MakeLibrary(s).Build();
}

bool AllZero(const unsigned char* p, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (p[i] != 0)
            return false;
    return true;
}

// The glyph bytes of a section landed where the area expects them.
void ExpectGlyphs(const unsigned char* area, size_t bytes, unsigned section)
{
    const std::vector<uint8_t> want = Pattern(bytes, section);
    EXPECT_EQ(std::memcmp(area, want.data(), bytes), 0) << "section " << section;
}

} // namespace

TEST(Content, EmptyAfterConstruction)
{
    auto c = NewContent();
    EXPECT_EQ(c->GetContentRow(), 0u);
    EXPECT_EQ(c->GetFntCount(), 0u);
    for (int t = 0; t < 9; ++t)
        EXPECT_EQ(c->GetContentCount(static_cast<ContentType>(t)), 0u);
    EXPECT_EQ(c->GetEffectInfo(0), nullptr);
    EXPECT_EQ(c->GetUserImage(0), nullptr);
    EXPECT_TRUE(CContent::GetEffectText(EFFECT_STATE_START, 3).empty());
}

TEST(Content, SixteenDotHangulLibrary)
{
    const std::vector<uint8_t> qvr = Library(1, 10);
    auto c = NewContent();
    c->SetBoardLanguage(14);
    ASSERT_EQ(c->Initialize(qvr.data(), qvr.size()), 1);
    EXPECT_EQ(c->GetContentRow(), 1u);
    EXPECT_EQ(c->GetContentColumn(), 3u);
    EXPECT_EQ(c->GetContentLanguage(), 10u);
    EXPECT_EQ(c->GetBoardLanguage(), 14u); // the library does not touch it
    EXPECT_EQ(c->GetFntCount(), 10u);
    EXPECT_EQ(c->GetSectionCount(), ContainerWriter::Get32(qvr, 8));
    EXPECT_TRUE(c->m_Info.empty()); // the table is not kept

    EXPECT_EQ(c->m_CodeTable[0xAC00][0], CodeFirst(0xAC00));
    EXPECT_EQ(c->m_CodeTable[65][1], 65);
    EXPECT_EQ(c->m_CodeTable[0xFFFF][0], 0xFFFF);
    ExpectGlyphs(c->m_Font06, qvr::kFont06Glyphs * 8, qvr::kSecFont06);
    ExpectGlyphs(c->m_Latin16 + 4 * qvr::kLatin16Face, qvr::kLatin16Face, qvr::kSecLatin16 + 4);
    ExpectGlyphs(c->m_Symbol16, qvr::kSymbol16Bytes, qvr::kSecSymbol16);
    ExpectGlyphs(c->m_Hangul16, qvr::kHangul16Face, qvr::kSecHangul);
    ExpectGlyphs(c->m_Hangul16 + 9 * qvr::kHangul16Face, qvr::kHangul16Face, qvr::kSecHangul + 9);
    ExpectGlyphs(c->m_Hanja16, qvr::kHanja16Bytes, qvr::kSecHanja);
    ExpectGlyphs(c->m_Attrib16, sizeof c->m_Attrib16, qvr::kSecAttrib);
    ExpectGlyphs(c->m_Color16, sizeof c->m_Color16, qvr::kSecColor);
    EXPECT_EQ(c->m_AttribPatterns, 511u);
    EXPECT_EQ(c->m_ColorPatterns, 178u);
    EXPECT_TRUE(AllZero(c->m_Latin32, sizeof c->m_Latin32));
    EXPECT_TRUE(AllZero(c->m_GB16, sizeof c->m_GB16));
    EXPECT_TRUE(AllZero(c->m_Attrib32, sizeof c->m_Attrib32));

    EXPECT_EQ(c->GetContentCount(CONTENT_EFFECT), 50u);
    EXPECT_EQ(c->m_Effect32Count, 0u);
    EXPECT_EQ(c->GetContentCount(CONTENT_MOVE), 4u);
    EXPECT_EQ(c->m_Move32Count, 0u);
    EXPECT_EQ(c->GetContentCount(CONTENT_IMAGE), 3u);
    EXPECT_EQ(c->GetContentCount(CONTENT_MOVIE), 2u);
    EXPECT_EQ(c->GetContentCount(CONTENT_ANIMATION), 2u);
    EXPECT_EQ(c->GetContentCount(static_cast<ContentType>(8)), 0u);
    EXPECT_EQ(c->m_Move[3].header.group, 3);
    EXPECT_EQ(c->m_Move[3].header.type, CONTENT_MOVE);

    ASSERT_NE(c->GetEffectInfo(49), nullptr);
    EXPECT_EQ(c->GetEffectInfo(49)->group, 49);
    EXPECT_EQ(c->GetEffectPtr(7), c->m_Effect[7].data);
    EXPECT_EQ(c->GetEffectInfo(50), nullptr);
    EXPECT_EQ(c->GetEffectPtr(50), nullptr);
    EXPECT_EQ(c->GetEffectInfo(0x8001), nullptr);
    const std::vector<uint8_t> effect = Pattern(PixelBytes(c->m_Effect[7].header), 107);
    EXPECT_EQ(std::memcmp(c->GetEffectPtr(7), effect.data(), effect.size()), 0);
}

TEST(Content, SixteenDotGBLibrary)
{
    const std::vector<uint8_t> qvr = Library(1, 14);
    auto c = NewContent();
    ASSERT_EQ(c->Initialize(qvr.data(), qvr.size()), 1);
    EXPECT_EQ(c->GetFntCount(), 5u);
    EXPECT_TRUE(AllZero(c->m_Hangul16, sizeof c->m_Hangul16));
    EXPECT_TRUE(AllZero(c->m_Hanja16, sizeof c->m_Hanja16));
    ExpectGlyphs(c->m_GB16 + qvr::kGB16Face, qvr::kGB16Face, qvr::kSecGB16 + 1);
}

TEST(Content, ThirtyTwoDotHangulLibrary)
{
    const std::vector<uint8_t> qvr = Library(2, 10);
    auto c = NewContent();
    ASSERT_EQ(c->Initialize(qvr.data(), qvr.size()), 1);
    EXPECT_EQ(c->GetFntCount(), 5u);
    ExpectGlyphs(c->m_Latin32 + 2 * qvr::kLatin32Face, qvr::kLatin32Face, qvr::kSecLatin32 + 2);
    ExpectGlyphs(c->m_Symbol32, qvr::kSymbol32Bytes, qvr::kSecSymbol32);
    ExpectGlyphs(c->m_Hangul16 + 4 * qvr::kHangul16Face, qvr::kHangul16Face, qvr::kSecHangul + 4);
    ExpectGlyphs(c->m_Hangul32 + 4 * qvr::kHangul32Face, qvr::kHangul32Face, qvr::kSecHangul + 9);
    EXPECT_TRUE(AllZero(c->m_Hangul16 + 5 * qvr::kHangul16Face, qvr::kHangul16Face));
    ExpectGlyphs(c->m_Hanja32, qvr::kHanja32Bytes, qvr::kSecHanja);
    // Both pattern heights share one section.
    ExpectGlyphs(c->m_Attrib32, sizeof c->m_Attrib32, qvr::kSecAttrib);
    ExpectGlyphs(c->m_Attrib16, sizeof c->m_Attrib16, qvr::kSecAttrib);
    ExpectGlyphs(c->m_Color32, sizeof c->m_Color32, qvr::kSecColor);
    ExpectGlyphs(c->m_Color16, sizeof c->m_Color16, qvr::kSecColor);

    // The 16x16 Hanja is derived: first row of each pair, dots of even columns.
    for (size_t g : {size_t(0), size_t(1234), qvr::kHanjaGlyphs - 1}) {
        const unsigned char* big = c->m_Hanja32 + g * 128;
        const unsigned char* small = c->m_Hanja16 + g * 32;
        for (int r = 0; r < 16; ++r)
            for (int x = 0; x < 16; ++x) {
                const int want = (big[2 * r * 4 + (2 * x) / 8] >> (7 - (2 * x) % 8)) & 1;
                const int got = (small[2 * r + x / 8] >> (7 - x % 8)) & 1;
                ASSERT_EQ(got, want) << g << " " << r << " " << x;
            }
    }

    EXPECT_EQ(c->m_EffectCount, 50u);
    EXPECT_EQ(c->GetContentCount(CONTENT_EFFECT), 50u);
    EXPECT_EQ(c->m_Effect32[10].header.group, 10);
    EXPECT_EQ(c->GetContentCount(CONTENT_MOVE), 4u);
    EXPECT_EQ(c->m_Move32[2].header.group, 2);
}

TEST(Content, ThirtyTwoDotGBLibrary)
{
    const std::vector<uint8_t> qvr = Library(2, 14);
    auto c = NewContent();
    ASSERT_EQ(c->Initialize(qvr.data(), qvr.size()), 1);
    ExpectGlyphs(c->m_GB32 + qvr::kGB32Face, qvr::kGB32Face, qvr::kSecGB32 + 1);
    ExpectGlyphs(c->m_GB16, qvr::kGB16Face, qvr::kSecGB16);
    EXPECT_TRUE(AllZero(c->m_Hanja32, sizeof c->m_Hanja32));
}

TEST(Content, OtherRowLoadsOnlyTheCodeTable)
{
    const std::vector<uint8_t> qvr = Library(3, 10);
    auto c = NewContent();
    ASSERT_EQ(c->Initialize(qvr.data(), qvr.size()), 1);
    EXPECT_EQ(c->GetContentRow(), 3u);
    EXPECT_EQ(c->m_CodeTable[0x4E00][0], CodeFirst(0x4E00));
    EXPECT_EQ(c->GetFntCount(), 0u);
    EXPECT_EQ(c->GetContentCount(CONTENT_EFFECT), 0u);
    EXPECT_TRUE(AllZero(c->m_Font06, sizeof c->m_Font06));
}

TEST(Content, ContainerHeaderIsChecked)
{
    std::vector<uint8_t> qvr = Library(3, 10);
    auto c = NewContent();
    for (int i = 4; i < 8; ++i) {
        std::vector<uint8_t> bad = qvr;
        bad[i] ^= 0x20;
        EXPECT_EQ(c->Initialize(bad.data(), bad.size()), 0) << i;
        EXPECT_EQ(c->GetHeaderWord(), ContainerWriter::Get32(qvr, 0)); // kept even so
    }
    std::vector<uint8_t> empty = qvr;
    ContainerWriter::Put32(empty, 8, 0);
    EXPECT_EQ(c->Initialize(empty.data(), empty.size()), 0);
    EXPECT_EQ(c->Initialize(nullptr), 0);
    EXPECT_EQ(c->Initialize(qvr.data(), 11), 0);
    // A table that runs past the end of the container.
    std::vector<uint8_t> many = qvr;
    ContainerWriter::Put32(many, 8, 0x7FFFFFFF);
    EXPECT_EQ(c->Initialize(many.data(), many.size()), 0);
    EXPECT_EQ(c->Initialize(qvr.data(), qvr.size()), 1);
}

TEST(Content, DamagedSectionsFailCleanly)
{
    const std::vector<uint8_t> good = Library(1, 10);
    auto c = NewContent();
    auto damaged = [&](auto change) {
        std::vector<uint8_t> bad = good;
        change(bad);
        return c->Initialize(bad.data(), bad.size());
    };
    using W = ContainerWriter;
    // Code table that does not unpack to its stated length.
    EXPECT_EQ(damaged([](std::vector<uint8_t>& q) {
                  const QVR_INFO i = W::Info(q, 0);
                  W::Put32(q, i.offset + 20, W::Get32(q, i.offset + 20) - 4);
              }),
              0);
    EXPECT_TRUE(c->m_Info.size() > 0); // held until the next Initialize or DestoryQVRInfo
    c->DestoryQVRInfo();
    EXPECT_TRUE(c->m_Info.empty());
    // Code table whose packed length runs past the container.
    EXPECT_EQ(damaged([](std::vector<uint8_t>& q) {
                  const QVR_INFO i = W::Info(q, 0);
                  W::Put32(q, i.offset + 16, 0x7FFFFFF0);
              }),
              0);
    // A font section whose stated size is wrong.
    EXPECT_EQ(damaged([](std::vector<uint8_t>& q) {
                  QVR_INFO i = W::Info(q, qvr::kSecLatin16 + 2);
                  i.size -= 1;
                  W::SetInfo(q, qvr::kSecLatin16 + 2, i);
              }),
              0);
    // A glyph section larger than its area.
    EXPECT_EQ(damaged([](std::vector<uint8_t>& q) {
                  QVR_INFO i = W::Info(q, qvr::kSecSymbol16);
                  i.size = 0x7FFFFFFF;
                  W::SetInfo(q, qvr::kSecSymbol16, i);
              }),
              0);
    // Section offset past the end.
    EXPECT_EQ(damaged([&](std::vector<uint8_t>& q) {
                  QVR_INFO i = W::Info(q, qvr::kSecHanja);
                  i.offset = static_cast<uint32_t>(q.size() - 4);
                  W::SetInfo(q, qvr::kSecHanja, i);
              }),
              0);
    // Garbled compressed bytes in a pattern table.
    EXPECT_EQ(damaged([](std::vector<uint8_t>& q) {
                  const QVR_INFO i = W::Info(q, qvr::kSecColor);
                  std::memset(&q[i.offset + 24], 0xFF, 16);
              }),
              0);
    // An effect animation whose header is no image kind.
    EXPECT_EQ(damaged([](std::vector<uint8_t>& q) {
                  const QVR_INFO i = W::Info(q, qvr::kSecEffects + 5);
                  q[i.offset] = 9;
              }),
              0);
    EXPECT_EQ(c->m_EffectCount, 5u);
    // A missing effect section.
    EXPECT_EQ(damaged([](std::vector<uint8_t>& q) { W::SetInfo(q, qvr::kSecEffects + 49, {0, 0, 0}); }), 0);
    // A library image that does not unpack ends the picture scan.
    EXPECT_EQ(damaged([](std::vector<uint8_t>& q) {
                  const unsigned n = W::Get32(q, 8);
                  for (unsigned s = qvr::kSecObjects; s < n; ++s) {
                      QVR_INFO i = W::Info(q, s);
                      if (q[i.offset] == CONTENT_IMAGE) {
                          i.size += 2;
                          W::SetInfo(q, s, i);
                          return;
                      }
                  }
              }),
              0);
    // A damaged move is skipped and the rest still load.
    EXPECT_EQ(damaged([](std::vector<uint8_t>& q) {
                  QVR_INFO i = W::Info(q, qvr::kSecObjects);
                  i.packed -= 3;
                  W::SetInfo(q, qvr::kSecObjects, i);
              }),
              1);
    EXPECT_EQ(c->GetContentCount(CONTENT_MOVE), 3u);
    EXPECT_EQ(c->m_Move[0].header.group, 1);
    EXPECT_EQ(c->m_Move[3].header.type, 0); // the failed slot did not linger

    // Every cut of the container is refused without reading past it.
    for (size_t cut : {size_t(13), size_t(100), good.size() / 3, good.size() / 2}) {
        std::vector<uint8_t> part(good.begin(), good.begin() + cut);
        EXPECT_EQ(c->Initialize(part.data(), part.size()), 0) << cut;
    }
    // The last section is a move: cut short, only that move is lost.
    std::vector<uint8_t> part(good.begin(), good.end() - 1);
    EXPECT_EQ(c->Initialize(part.data(), part.size()), 1);
    EXPECT_EQ(c->GetContentCount(CONTENT_MOVE), 3u);
}

// The bytes of a container copied so that they end exactly where an
// unreadable page begins: a read of one byte past them faults.
class GuardedBytes {
public:
    explicit GuardedBytes(const std::vector<uint8_t>& bytes, size_t n)
    {
        const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        m_span = (n + page - 1) / page * page + page;
        void* p = mmap(nullptr, m_span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        EXPECT_NE(p, MAP_FAILED);
        m_base = static_cast<unsigned char*>(p);
        EXPECT_EQ(mprotect(m_base + m_span - page, page, PROT_NONE), 0);
        m_data = m_base + m_span - page - n;
        std::memcpy(m_data, bytes.data(), n);
    }
    ~GuardedBytes() { munmap(m_base, m_span); }
    const unsigned char* data() const { return m_data; }

private:
    unsigned char* m_base = nullptr;
    unsigned char* m_data = nullptr;
    size_t m_span = 0;
};

// A container cut anywhere in its header or its section table (the 12-byte
// header, then 12 bytes a section) is refused before anything of it is kept,
// and nothing past the cut is read.
TEST(Content, ContainersCutInsideTheirSectionTableAreRefused)
{
    const std::vector<uint8_t> whole = Library(1, 10);
    const size_t tableEnd = qvr::kContainerHeaderBytes + ContainerWriter::Get32(whole, 8) * sizeof(QVR_INFO);
    ASSERT_LT(tableEnd, whole.size());
    auto c = NewContent();
    for (size_t cut = 0; cut < tableEnd; ++cut) {
        const GuardedBytes part(whole, cut);
        ASSERT_EQ(c->Initialize(part.data(), cut), 0) << cut;
        EXPECT_EQ(c->GetSectionCount(), 0u) << cut;
        EXPECT_TRUE(c->m_Info.empty()) << cut;
    }
}

TEST(Content, MovesBeyondTheCapacityAreIgnored)
{
    LibraryShape s;
    s.moves = 325;
    s.images = 0;
    s.movies = 0;
    s.animations = 0;
    const std::vector<uint8_t> qvr = MakeLibrary(s).Build();
    auto c = NewContent();
    ASSERT_EQ(c->Initialize(qvr.data(), qvr.size()), 1);
    EXPECT_EQ(c->GetContentCount(CONTENT_MOVE), 319u);
    EXPECT_EQ(c->m_Move[318].header.group, 318);

    s.row = 2;
    s.moves = 321;
    const std::vector<uint8_t> big = MakeLibrary(s).Build();
    ASSERT_EQ(c->Initialize(big.data(), big.size()), 1);
    EXPECT_EQ(c->GetContentCount(CONTENT_MOVE), 319u);
    EXPECT_EQ(c->m_MoveCount, 319u);
}

TEST(Content, PicturesAndUserImagesShareTheImageIndex)
{
    LibraryShape s;
    s.moves = 0;
    s.images = 203; // three beyond the capacity are skipped
    s.movies = 1;
    s.animations = 1;
    const std::vector<uint8_t> qvr = MakeLibrary(s).Build();
    auto c = NewContent();
    ASSERT_EQ(c->Initialize(qvr.data(), qvr.size()), 1);
    EXPECT_EQ(c->GetContentCount(CONTENT_IMAGE), 200u);

    for (uint16_t w : {10, 12, 14}) {
        CRGX<8192> u;
        u.header.type = CONTENT_IMAGE;
        u.header.width = w;
        u.header.height = 2;
        u.header.frames = 1;
        u.data[0] = static_cast<unsigned char>(w);
        ASSERT_EQ(c->InsertUserImage(&u), 1);
    }
    EXPECT_EQ(c->GetContentCount(CONTENT_IMAGE), 203u);
    EXPECT_EQ(c->GetContentHeader(LUMIVO_IMAGE, 201).width, 12);
    EXPECT_EQ(c->GetContentHeader(LUMIVO_IMAGE, 199).group, 199);
    EXPECT_EQ(c->GetContentPtr(LUMIVO_IMAGE, 202)[0], 14);
    EXPECT_EQ(c->GetContentHeader(LUMIVO_MOVIE, 0).type, CONTENT_MOVIE);
    EXPECT_EQ(c->GetContentHeader(LUMIVO_ANIMATION, 0).type, CONTENT_ANIMATION);

    BITMAP bm;
    ASSERT_EQ(c->GetContentInfo(LUMIVO_ANIMATION, 0, &bm), 1);
    EXPECT_EQ(bm.bmWidth, 64);
    EXPECT_EQ(bm.bmHeight, 32 * 8);
    std::vector<uint8_t> pixels(size_t(bm.bmWidthBytes) * bm.bmHeight);
    ASSERT_EQ(c->GetContentData(LUMIVO_ANIMATION, 0, pixels.data()), 1);
    const unsigned char first = c->GetContentPtr(LUMIVO_ANIMATION, 0)[0];
    uint32_t px;
    std::memcpy(&px, pixels.data(), 4);
    EXPECT_EQ(px, static_cast<uint32_t>(GetRGXtoRGB(first >> 4, RGX2RGB_DIB32)));

    // Other kinds select nothing.
    EXPECT_EQ(c->GetContentHeader(LUMIVO_TEXT, 0).type, 0);
    EXPECT_EQ(c->GetContentInfo(LUMIVO_DATE, 0, &bm), 0);
    EXPECT_EQ(c->GetContentData(LUMIVO_TEXT, 0, pixels.data()), 1);
    EXPECT_EQ(c->GetContentPtr(LUMIVO_TEXT, 0), nullptr);
    // Indexes beyond every slot select nothing instead of reading past the arrays.
    EXPECT_EQ(c->GetContentPtr(LUMIVO_IMAGE, 208), nullptr);
    EXPECT_EQ(c->GetContentPtr(LUMIVO_MOVIE, 50), nullptr);
    EXPECT_EQ(c->GetContentPtr(LUMIVO_ANIMATION, -1), nullptr);
    EXPECT_EQ(c->GetContentData(LUMIVO_MOVIE, 77, pixels.data()), 0);
    EXPECT_EQ(c->GetContentInfo(LUMIVO_IMAGE, 300, &bm), 0);
}

TEST(Content, UserImageSlots)
{
    auto c = NewContent();
    CRGX<8192> u;
    u.header.type = CONTENT_IMAGE;
    EXPECT_EQ(c->InsertUserImage(nullptr), 0);
    for (int i = 0; i < 8; ++i) {
        u.header.group = static_cast<uint16_t>(i);
        ASSERT_EQ(c->InsertUserImage(&u), 1);
    }
    u.header.group = 99;
    EXPECT_EQ(c->InsertUserImage(&u), 0);
    EXPECT_EQ(c->GetUserImageMX(), 8u);
    EXPECT_EQ(c->GetUserImage(7)->header.group, 7);
    EXPECT_EQ(c->GetUserImage(8), nullptr);
    EXPECT_EQ(c->GetUserImage(-1), nullptr);

    // A new library leaves no user images behind.
    const std::vector<uint8_t> qvr = Library(3, 14);
    ASSERT_EQ(c->Initialize(qvr.data(), qvr.size()), 1);
    EXPECT_EQ(c->GetUserImageMX(), 0u);
    EXPECT_EQ(c->GetUserImage(0), nullptr);
    EXPECT_EQ(c->m_UserImage[3].header.type, 0);

    ASSERT_EQ(c->InsertUserImage(&u), 1);
    EXPECT_EQ(c->ClearUserImage(), 1);
    EXPECT_EQ(c->GetUserImageMX(), 0u);
}

TEST(Content, ClearAndAssignment)
{
    const std::vector<uint8_t> qvr = Library(1, 14);
    auto a = NewContent();
    ASSERT_EQ(a->Initialize(qvr.data()), 1); // the trusting form reads a sound container alike
    auto b = NewContent();
    *b = *a;
    EXPECT_EQ(b->GetContentCount(CONTENT_EFFECT), 50u);
    EXPECT_EQ(std::memcmp(b->m_GB16, a->m_GB16, sizeof a->m_GB16), 0);
    a->Clear();
    EXPECT_EQ(a->GetHeaderWord(), 0u);
    EXPECT_EQ(a->GetContentCount(CONTENT_MOVIE), 0u);
    EXPECT_TRUE(AllZero(a->m_GB16, sizeof a->m_GB16));
    EXPECT_EQ(a->m_Movie[0].capacity, 32768u);
}
