// SPDX-License-Identifier: BSD-2-Clause
#include "qvr/records.h"

#include "bytes.h"

#include <cstring>

using qvr::GetLE16;
using qvr::GetLE32;
using qvr::PutLE16;
using qvr::PutLE32;

namespace {

// Bits 16-31 of a plain cell: kind 1, size 2, widthIndex 1, face 0.
constexpr uint32_t kPlainHigh = 0x0141;
// Bits 16-23 of an Eng2Line cell: kind 7 (small font), size 1.
constexpr uint32_t kEng2LineKindSize = 0x27;
constexpr uint32_t kKindSizeFonts = 0x41;

constexpr uint16_t kDefaultSpeed = 50;
constexpr uint16_t kPhaseCodes[3] = {100, 92, 97};

} // namespace

// ---- QVXF

QVXF::QVXF() { SetWord(kPlainHigh << 16); }

void QVXF::Initialize(LUMIVO_TYPE t)
{
    uint32_t kindSize = t == LUMIVO_ENG2LINE ? kEng2LineKindSize : kKindSizeFonts;
    SetWord((kindSize << 16) | (0x01u << 24));
}

uint32_t QVXF::GetWord() const
{
    return attrib | (color << 8) | (kind << 16) | (size << 21) | (widthIndex << 24) | (face << 27);
}

void QVXF::SetWord(uint32_t w)
{
    attrib = w & 0xFF;
    color = (w >> 8) & 0xFF;
    kind = (w >> 16) & 0x1F;
    size = (w >> 21) & 0x7;
    widthIndex = (w >> 24) & 0x7;
    face = (w >> 27) & 0x1F;
}

QVXF QVXF::FromWord(uint32_t w)
{
    QVXF q;
    q.SetWord(w);
    return q;
}

// ---- CLumiChar

CLumiChar::CLumiChar() : code(0), reserved(0), lines(2), attr() {}

void CLumiChar::Initialize(LUMIVO_TYPE t)
{
    code = 0;
    reserved = 0;
    lines = t == LUMIVO_ENG2LINE ? 1 : 2;
    attr.Initialize(t);
}

// ---- CEFF

CEFF::CEFF() : code(kAuto), param(kDefaultSpeed) {}

CEFF::CEFF(int phase) : CEFF() { Initialize(phase); }

CEFF::CEFF(uint16_t c, uint16_t p) : code(c), param(p) {}

void CEFF::Initialize(int phase)
{
    code = (phase >= 0 && phase <= 2) ? kPhaseCodes[phase] : kAuto;
    param = kDefaultSpeed;
}

// ---- CLumivo

CLumivo::CLumivo() : effectS(), effectW(), effectE() { Initialize(); }

void CLumivo::Initialize()
{
    number = 0;
    type = LUMIVO_TEXT;
    format = 0;
    reserved3 = 0;
    // Cells get the plain selector whatever the kind: an Eng2Line item makes
    // its cells itself with CLumiChar::Initialize.
    for (CLumiChar& c : chars)
        c = CLumiChar();
    effectS.Initialize(0);
    effectW.Initialize(1);
    effectE.Initialize(2);
    option = 5;
    reserved817 = 0;
    fit = 0;
    blend = 1;
    height = 2;
    reserved819 = 0;
    skip = 0;
    effectLoop = 0;
    reserved822 = 0;
}

int CLumivo::operator==(const CLumivo& o) const
{
    if (number != o.number || type != o.type)
        return 0;
    if (!(effectS == o.effectS) || !(effectW == o.effectW) || !(effectE == o.effectE))
        return 0;
    if (option != o.option || reserved817 != o.reserved817 || fit != o.fit ||
        blend != o.blend || height != o.height || skip != o.skip || effectLoop != o.effectLoop)
        return 0;
    for (int i = 0; i < kCells; ++i) {
        const CLumiChar& a = chars[i];
        const CLumiChar& b = o.chars[i];
        if (a.code != b.code || a.reserved != b.reserved || a.lines != b.lines ||
            a.attr.GetWord() != b.attr.GetWord())
            return 0;
    }
    return 1;
}

// ---- CLumiCPage

CLumiCPage::CLumiCPage() : ads{0, 0, 0, 0}, reserved(0), count(0) {}

// ---- PageInfo

PageInfo::PageInfo() : item(), effectS(), effectW(), effectE() { Initialize(); }

void PageInfo::Initialize()
{
    kind = LUMIVO_NONE;
    contentHeader = RGX_HEADER{};
    bitmap = BITMAP{};
    frameBytes = 0;
    x = y = width = height = 0;
    familyS = 0;
    familyW = 1;
    familyE = 2;
    effectS.Initialize(0);
    effectW.Initialize(1);
    effectE.Initialize(2);
    holdTime = 0;
    std::memset(reservedHold, 0, sizeof reservedHold);
    // Everything from the family working values to the end starts at 0 but
    // for the few fields with their own starting values below.
    std::memset(static_cast<void*>(&work), 0,
                offsetof(PageInfo, reserved4) + sizeof reserved4 - offsetof(PageInfo, work));
    stepDelay = 5;
    scrollDelay = 4;
    hostValue = 0;
    frameDelay = 30;
    value1 = 1;
    scrollPos = 0;
    scrollDir = 1;
}

namespace qvr {

const char* LumivoTypeName(int type)
{
    static const char* const names[] = {"Text", "Eng2Line", "Image", "Movie", "Animation",
                                        "Date", "Time", "Analog", "D-Day", "D-Time",
                                        "Temperature", "Humidity", "None"};
    return (type >= 0 && type <= LUMIVO_NONE) ? names[type] : "";
}

int ContentTypeOfItem(int type)
{
    switch (type) {
    case LUMIVO_IMAGE: return CONTENT_IMAGE;
    case LUMIVO_MOVIE: return CONTENT_MOVIE;
    case LUMIVO_ANIMATION: return CONTENT_ANIMATION;
    default: return 0;
    }
}

unsigned ContentCapacity(int contentType)
{
    switch (contentType) {
    case CONTENT_EFFECT: return 50;
    case CONTENT_IMAGE: return 200 + 8;
    case CONTENT_MOVIE: return 50;
    case CONTENT_ANIMATION: return 50;
    case CONTENT_MOVE: return 319;
    default: return 0;
    }
}

void StoreItem(const CLumivo& item, uint8_t* out)
{
    out[0] = item.number;
    out[1] = item.type;
    out[2] = item.format;
    out[3] = item.reserved3;
    for (int i = 0; i < CLumivo::kCells; ++i) {
        uint8_t* c = out + 4 + 8 * i;
        PutLE16(c, item.chars[i].code);
        c[2] = item.chars[i].reserved;
        c[3] = item.chars[i].lines;
        PutLE32(c + 4, item.chars[i].attr.GetWord());
    }
    PutLE32(out + 804, item.effectS.GetWord());
    PutLE32(out + 808, item.effectW.GetWord());
    PutLE32(out + 812, item.effectE.GetWord());
    out[816] = item.option;
    out[817] = item.reserved817;
    out[818] = item.fit;
    out[819] = static_cast<uint8_t>(item.blend | (item.height << 2) | (item.reserved819 << 6));
    out[820] = item.skip;
    out[821] = item.effectLoop;
    PutLE16(out + 822, item.reserved822);
}

void LoadItem(const uint8_t* in, CLumivo& item)
{
    item.number = in[0];
    item.type = in[1];
    item.format = in[2];
    item.reserved3 = in[3];
    for (int i = 0; i < CLumivo::kCells; ++i) {
        const uint8_t* c = in + 4 + 8 * i;
        item.chars[i].code = GetLE16(c);
        item.chars[i].reserved = c[2];
        item.chars[i].lines = c[3];
        item.chars[i].attr.SetWord(GetLE32(c + 4));
    }
    auto eff = [](const uint8_t* p) {
        uint32_t w = GetLE32(p);
        return CEFF(static_cast<uint16_t>(w), static_cast<uint16_t>(w >> 16));
    };
    item.effectS = eff(in + 804);
    item.effectW = eff(in + 808);
    item.effectE = eff(in + 812);
    item.option = in[816];
    item.reserved817 = in[817];
    item.fit = in[818];
    item.blend = in[819] & 0x3;
    item.height = (in[819] >> 2) & 0xF;
    item.reserved819 = in[819] >> 6;
    item.skip = in[820];
    item.effectLoop = in[821];
    item.reserved822 = GetLE16(in + 822);
}

void StorePage(const CLumiCPage& page, uint8_t* out)
{
    for (int i = 0; i < 4; ++i)
        PutLE16(out + 2 * i, page.ads[i]);
    out[8] = page.reserved;
    out[9] = page.count;
}

void LoadPage(const uint8_t* in, CLumiCPage& page)
{
    for (int i = 0; i < 4; ++i)
        page.ads[i] = GetLE16(in + 2 * i);
    page.reserved = in[8];
    page.count = in[9];
}

} // namespace qvr
