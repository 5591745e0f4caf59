// SPDX-License-Identifier: BSD-2-Clause
#include "qvr/records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

TEST(Records, QvxfWordAndInMemoryLayoutAgree)
{
    QVXF q;
    EXPECT_EQ(q.GetWord(), 0x01410000u);
    EXPECT_EQ(q.kind, 1u);
    EXPECT_EQ(q.size, 2u);
    EXPECT_EQ(q.widthIndex, 1u);

    q.SetWord(0xDEADBEEF);
    EXPECT_EQ(q.GetWord(), 0xDEADBEEFu);
    EXPECT_EQ(q.attrib, 0xEFu);
    EXPECT_EQ(q.color, 0xBEu);
    EXPECT_EQ(q.kind, 0xADu & 0x1F);
    EXPECT_EQ(q.size, 0xADu >> 5);
    EXPECT_EQ(q.widthIndex, 0xDEu & 0x7);
    EXPECT_EQ(q.face, 0xDEu >> 3);
    // Records are copied to the clipboard and into buffers as raw bytes.
    uint32_t raw;
    std::memcpy(&raw, &q, 4);
    EXPECT_EQ(raw, 0xDEADBEEFu);

    q.Initialize(LUMIVO_ENG2LINE);
    EXPECT_EQ(q.GetWord() >> 16, 0x0127u);
    q.SetWord(0xFFFF);
    q.Initialize(LUMIVO_DATE);
    EXPECT_EQ(q.GetWord(), 0x01410000u);
}

TEST(Records, CellAndEffectDefaults)
{
    CLumiChar c;
    EXPECT_EQ(c.code, 0);
    EXPECT_EQ(c.lines, 2);
    c.code = 'A';
    c.Initialize(LUMIVO_ENG2LINE);
    EXPECT_EQ(c.code, 0);
    EXPECT_EQ(c.lines, 1);
    EXPECT_EQ(c.attr.GetWord() >> 16, 0x0127u);

    EXPECT_EQ(CEFF().GetWord(), 0x00328000u);
    EXPECT_EQ(CEFF(0), CEFF(100, 50));
    EXPECT_EQ(CEFF(1), CEFF(92, 50));
    EXPECT_EQ(CEFF(2), CEFF(97, 50));
    EXPECT_EQ(CEFF(7), CEFF(0x8000, 50));
    EXPECT_EQ(CEFF(-1), CEFF(0x8000, 50));
    EXPECT_EQ(CEFF(3, 0x1234).GetSpeed(), 0x34);

    CLumiCPage p;
    const uint8_t zero[10] = {};
    EXPECT_EQ(std::memcmp(&p, zero, 10), 0);
}

TEST(Records, ItemDefaultsAndStoredBytes)
{
    CLumivo it;
    uint8_t b[qvr::kItemBytes];
    qvr::StoreItem(it, b);
    EXPECT_EQ(b[0], 0);
    EXPECT_EQ(b[1], 0);
    for (int i = 0; i < 100; ++i) {
        const uint8_t cell[8] = {0, 0, 0, 2, 0, 0, 0x41, 0x01};
        ASSERT_EQ(std::memcmp(b + 4 + 8 * i, cell, 8), 0) << i;
    }
    const uint8_t tail[20] = {100, 0, 50, 0, 92, 0, 50, 0, 97, 0, 50, 0, 5, 0, 0, 9, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(b + 804, tail, 20), 0);
    // The in-memory record is the stored record.
    EXPECT_EQ(std::memcmp(&it, b, sizeof b), 0);

    // Initialize leaves ordinary cells even for an Eng2Line item.
    it.type = LUMIVO_ENG2LINE;
    it.chars[3].code = 'x';
    it.option = 9;
    it.Initialize();
    EXPECT_EQ(it.type, 0);
    EXPECT_EQ(it.chars[3].code, 0);
    EXPECT_EQ(it.chars[3].lines, 2);
    EXPECT_EQ(it.chars[3].attr.GetWord(), 0x01410000u);
    EXPECT_EQ(it.option, 5);
}

TEST(Records, ItemStoreLoadRoundTrip)
{
    CLumivo a;
    a.number = 7;
    a.type = LUMIVO_TIME;
    a.format = 3;
    a.reserved3 = 0x55;
    a.chars[0].code = 0xAC00;
    a.chars[99].attr.SetWord(0x87654321);
    a.effectS = CEFF(0x8003, 0x0140);
    a.fit = 1;
    a.blend = 2;
    a.height = 8;
    a.reserved819 = 3;
    a.skip = 1;
    a.effectLoop = 1;
    a.reserved822 = 0xBEEF;
    uint8_t b[qvr::kItemBytes];
    qvr::StoreItem(a, b);
    EXPECT_EQ(b[819], 2 | (8 << 2) | (3 << 6));
    EXPECT_EQ(b[822], 0xEF);
    CLumivo c;
    qvr::LoadItem(b, c);
    EXPECT_EQ(std::memcmp(&a, &c, sizeof a), 0);

    CLumiCPage p;
    p.ads[0] = 0x0102;
    p.ads[3] = 50;
    p.count = 2;
    uint8_t pb[qvr::kPageBytes];
    qvr::StorePage(p, pb);
    const uint8_t want[10] = {2, 1, 0, 0, 0, 0, 50, 0, 0, 2};
    EXPECT_EQ(std::memcmp(pb, want, 10), 0);
    CLumiCPage q;
    qvr::LoadPage(pb, q);
    EXPECT_EQ(std::memcmp(&p, &q, 10), 0);
}

TEST(Records, ItemEqualityComparesExactlyTheListedFields)
{
    CLumivo a;
    CLumivo b = a;
    EXPECT_EQ(a == b, 1);

    // Not compared.
    b.format = 4;
    b.reserved3 = 1;
    b.reserved819 = 3;
    b.reserved822 = 0xFFFF;
    EXPECT_EQ(a == b, 1);

    auto differs = [&](auto change) {
        CLumivo c = a;
        change(c);
        return (a == c) == 0;
    };
    EXPECT_TRUE(differs([](CLumivo& c) { std::swap(c.effectW, c.effectE); }));
    EXPECT_TRUE(differs([](CLumivo& c) { c.effectS.param = 51; }));
    EXPECT_TRUE(differs([](CLumivo& c) { c.number = 1; }));
    EXPECT_TRUE(differs([](CLumivo& c) { c.type = 1; }));
    EXPECT_TRUE(differs([](CLumivo& c) { c.option = 1; }));
    EXPECT_TRUE(differs([](CLumivo& c) { c.reserved817 = 1; }));
    EXPECT_TRUE(differs([](CLumivo& c) { c.fit = 1; }));
    EXPECT_TRUE(differs([](CLumivo& c) { c.blend = 0; }));
    EXPECT_TRUE(differs([](CLumivo& c) { c.height = 4; }));
    EXPECT_TRUE(differs([](CLumivo& c) { c.skip = 1; }));
    EXPECT_TRUE(differs([](CLumivo& c) { c.effectLoop = 1; }));
    EXPECT_TRUE(differs([](CLumivo& c) { c.chars[99].reserved = 1; }));
    EXPECT_TRUE(differs([](CLumivo& c) { c.chars[50].attr.face = 1; }));
}

TEST(Records, PageInfoStartsAtRestAndKeepsItsPixels)
{
    auto p = std::make_unique<PageInfo>();
    EXPECT_EQ(p->kind, 12u);
    EXPECT_EQ(p->familyS, 0u);
    EXPECT_EQ(p->familyW, 1u);
    EXPECT_EQ(p->familyE, 2u);
    EXPECT_EQ(p->effectS, CEFF(0));
    EXPECT_EQ(p->effectW, CEFF(1));
    EXPECT_EQ(p->effectE, CEFF(2));
    EXPECT_EQ(p->stepDelay, 5u);
    EXPECT_EQ(p->scrollDelay, 4u);
    EXPECT_EQ(p->frameDelay, 30u);
    EXPECT_EQ(p->value1, 1);
    EXPECT_EQ(p->scrollPos, 0);
    EXPECT_EQ(p->scrollDir, 1);
    EXPECT_EQ(p->holdCountdown, 0u);
    EXPECT_EQ(p->item == CLumivo(), 1);

    p->kind = 3;
    p->phase = 2;
    p->limit = -40;
    p->repeatCount = 3;
    p->bits[0] = 0xAB;
    p->bits[PageInfo::kFrameBytes - 1] = 0xCD;
    p->item.type = LUMIVO_DATE;
    p->Initialize();
    EXPECT_EQ(p->kind, 12u);
    EXPECT_EQ(p->phase, 0u);
    EXPECT_EQ(p->limit, 0);
    EXPECT_EQ(p->repeatCount, 0u);
    EXPECT_EQ(p->bits[0], 0xAB);
    EXPECT_EQ(p->bits[PageInfo::kFrameBytes - 1], 0xCD);
    EXPECT_EQ(p->item.type, LUMIVO_DATE);

    auto q = std::make_unique<PageInfo>();
    *q = *p;
    EXPECT_EQ(q->bits[PageInfo::kFrameBytes - 1], 0xCD);
}
