// SPDX-License-Identifier: BSD-2-Clause
// The Ad records: the vocabulary shared by the editor, the preview, the
// project file and the controller. CLumivo and CLumiCPage are stored byte for
// byte (little-endian), so their layouts below are a file and wire format;
// qvr::StoreItem / LoadItem and friends write and read them explicitly so the
// formats never depend on the compiler's bit-field layout.
#pragma once

#include <common/platform.h>

#include <cstddef>
#include <cstdint>

// Kind of an Ad item (one byte in CLumivo).
enum LUMIVO_TYPE : int {
    LUMIVO_TEXT = 0,
    LUMIVO_ENG2LINE = 1,
    LUMIVO_IMAGE = 2,
    LUMIVO_MOVIE = 3,
    LUMIVO_ANIMATION = 4,
    LUMIVO_DATE = 5,
    LUMIVO_TIME = 6,
    LUMIVO_ANALOG = 7,
    LUMIVO_DDAY = 8,
    LUMIVO_DTIME = 9,
    LUMIVO_TEMPERATURE = 10,
    LUMIVO_HUMIDITY = 11,
    LUMIVO_NONE = 12,
};

// Kind of a content-library entry; equal to the type codes of RGX_HEADER.
enum ContentType : int {
    CONTENT_EFFECT = 3,
    CONTENT_IMAGE = 4,
    CONTENT_MOVIE = 5,
    CONTENT_ANIMATION = 6,
    CONTENT_MOVE = 7,
};

// Glyph selector: one 32-bit word, fields from the least significant bit.
// In memory the bit-fields sit exactly where the word has them on the
// little-endian targets we build for (checked by the tests); on disk always go
// through GetWord / SetWord.
struct QVXF {
    uint32_t attrib : 8;     // row of gQvxfAttrib; 0 plain
    uint32_t color : 8;      // row of gQvxfColor
    uint32_t kind : 5;       // glyph source: 1 fonts, 5 move, 6 blank, 7 small font
    uint32_t size : 3;       // height in units of 8 dots
    uint32_t widthIndex : 3; // index into gWF
    uint32_t face : 5;       // font face number

    QVXF();
    void Initialize(LUMIVO_TYPE t);
    QVXF& operator=(const QVXF&) = default;
    QVXF(const QVXF&) = default;

    uint32_t GetWord() const;
    void SetWord(uint32_t w);
    static QVXF FromWord(uint32_t w);
};
static_assert(sizeof(QVXF) == 4);

// One character cell (8 bytes).
struct CLumiChar {
    uint16_t code;    // UTF-16 code unit; 0 ends the text; content index in picture items
    uint8_t reserved; // written as 0
    uint8_t lines;    // 2 ordinary, 1 Eng2Line
    QVXF attr;

    CLumiChar();
    void Initialize(LUMIVO_TYPE t);
    CLumiChar& operator=(const CLumiChar&) = default;
    CLumiChar(const CLumiChar&) = default;
};
static_assert(sizeof(CLumiChar) == 8);
static_assert(offsetof(CLumiChar, code) == 0 && offsetof(CLumiChar, lines) == 3 &&
              offsetof(CLumiChar, attr) == 4);

// One effect setting: code (bit 15 = automatic choice) and a parameter whose
// low byte is the speed value.
struct CEFF {
    uint16_t code;
    uint16_t param;

    static constexpr uint16_t kAuto = 0x8000;

    CEFF();                   // {0x8000, 50}
    explicit CEFF(int phase); // 0 start, 1 wait, 2 end, else unset
    CEFF(uint16_t code, uint16_t param);
    void Initialize(int phase);
    CEFF& operator=(const CEFF&) = default;
    CEFF(const CEFF&) = default;

    uint8_t GetSpeed() const { return static_cast<uint8_t>(param & 0xFF); }
    uint32_t GetWord() const { return code | (static_cast<uint32_t>(param) << 16); }
    bool operator==(const CEFF& o) const { return GetWord() == o.GetWord(); }
};
static_assert(sizeof(CEFF) == 4 && offsetof(CEFF, param) == 2);

// A row of the effect tables: family number and last code of the row.
struct EFFECT_DESC {
    uint32_t type;
    uint32_t last;
    EFFECT_DESC& operator=(const EFFECT_DESC&) = default;
};
static_assert(sizeof(EFFECT_DESC) == 8);

// One Ad item (824 bytes).
struct CLumivo {
    static constexpr int kCells = 100;
    static constexpr int kLineCells = 50;

    uint8_t number;     // 1-based number in a packed Ad blob, else 0
    uint8_t type;       // LUMIVO_TYPE
    uint8_t format;     // date / time / temperature format
    uint8_t reserved3;
    CLumiChar chars[kCells]; // two lines of 50 cells
    CEFF effectS;
    CEFF effectW;
    CEFF effectE;
    uint8_t option;     // hold seconds of the start effect, Analog choice ...
    uint8_t reserved817;
    uint8_t fit;        // lay the item out to the board width
    uint8_t blend : 2;  // non-zero: lit pixels cover only dark background
    uint8_t height : 4; // band height in units of 8 dots
    uint8_t reserved819 : 2;
    uint8_t skip;       // page unchecked in the Uses column
    uint8_t effectLoop;
    uint16_t reserved822;

    CLumivo();
    void Initialize();
    CLumivo& operator=(const CLumivo&) = default;
    CLumivo(const CLumivo&) = default;
    // 1 when every compared field is equal; format, byte 3, bits 6-7 of
    // byte 819 and bytes 822-823 are not compared.
    int operator==(const CLumivo& o) const;
};
static_assert(sizeof(CLumivo) == 824);
static_assert(offsetof(CLumivo, number) == 0 && offsetof(CLumivo, type) == 1 &&
              offsetof(CLumivo, format) == 2 && offsetof(CLumivo, chars) == 4 &&
              offsetof(CLumivo, effectS) == 804 && offsetof(CLumivo, effectW) == 808 &&
              offsetof(CLumivo, effectE) == 812 && offsetof(CLumivo, option) == 816 &&
              offsetof(CLumivo, reserved817) == 817 && offsetof(CLumivo, fit) == 818 &&
              offsetof(CLumivo, skip) == 820 && offsetof(CLumivo, effectLoop) == 821 &&
              offsetof(CLumivo, reserved822) == 822);

// One page (one Ad, 10 bytes).
struct CLumiCPage {
    uint16_t ads[4];  // 1-based item numbers in display order; 0 ends early
    uint8_t reserved;
    uint8_t count;

    CLumiCPage();
    CLumiCPage& operator=(const CLumiCPage&) = default;
    CLumiCPage(const CLumiCPage&) = default;
};
static_assert(sizeof(CLumiCPage) == 10);
static_assert(offsetof(CLumiCPage, reserved) == 8 && offsetof(CLumiCPage, count) == 9);

// Header of every RGX image (16 bytes, little-endian).
struct RGX_HEADER {
    uint16_t type;   // ContentType
    uint16_t width;  // pixels per row (even)
    uint16_t height; // rows per frame
    uint16_t frames;
    uint16_t group;  // moves: first move of the group; effect animations: play mode
    uint16_t flag;
    uint16_t phase;  // effect animations: bit 0 start, bit 1 wait, bit 2 end
    uint16_t delay;
};
static_assert(sizeof(RGX_HEADER) == 16);
static_assert(offsetof(RGX_HEADER, frames) == 6 && offsetof(RGX_HEADER, group) == 8 &&
              offsetof(RGX_HEADER, phase) == 12 && offsetof(RGX_HEADER, delay) == 14);

// The playback record of one item. Fields in the order the engine keeps them;
// the engine and the preview give the generic ones their meaning.
struct PageInfo {
    static constexpr size_t kFrameBytes = 524288;

    uint32_t kind;               // LUMIVO_TYPE of the item; 12 (None) at rest
    CLumivo item;                // copy of the item being played
    RGX_HEADER contentHeader;    // picture items: header of the picture (host)
    BITMAP bitmap;               // description of the frame buffer
    alignas(4) uint8_t bits[kFrameBytes]; // frame buffer storage (0x00RRGGBB pixels)
    uint32_t frameBytes;         // bitmap height x bytes per row (host)
    int32_t x, y;                // placement of the band on the board (host)
    int32_t width, height;       // band size in pixels
    uint32_t familyS, familyW, familyE; // first code of the chosen family
    CEFF effectS, effectW, effectE;     // effects being played
    uint8_t holdTime;            // seconds to hold the finished start effect
    uint8_t reservedHold[3];
    uint32_t work[3];            // family working values
    int32_t position;            // progress of the running effect
    uint32_t work3;              // family working value
    uint32_t subStep;            // frames counted toward the divisor
    int32_t waitValue1;          // -1 on entering the wait phase
    int32_t direction;           // +1 start, 0 wait, -1 end
    int32_t waitValue2;          // -1 on entering the wait phase
    uint32_t phase;              // 0 start, 1 wait, 2 end
    uint32_t waitStage;          // argument of the last phase preparation
    uint32_t frameCount;         // frames of this phase; 0 = next step initialises
    uint32_t subSecond;          // host: 5 ms ticks toward the next second of hold
    uint32_t holdCountdown;      // 0 = not armed; armed to seconds + 32768
    uint32_t stepDelay;          // host: ticks until the next step
    uint32_t stepCounter;        // host: steps since the hold was armed
    uint32_t scrollDelay;        // host value 1: ticks until the next picture scroll
    uint32_t hostValue;          // host value 2
    uint32_t frameDelay;         // host value 3: ticks until the next picture frame
    uint32_t animCounter;        // frame number of animated glyphs and pictures
    uint32_t fits;               // non-zero: the text is centred
    uint32_t reserved1;
    int32_t textWidth;           // pixel width of line 1
    int32_t textWidth2;          // pixel width of line 2
    uint32_t pair1[2];           // family values
    int32_t xOffset;             // column at which the text is drawn into the line buffer
    uint32_t pair2[2];           // family values, 1 and 0 on entering the start phase
    int32_t divisor;             // frames per step of the position
    uint32_t reserved2;
    int32_t limit;               // position at which the running effect ends
    uint32_t reserved3;
    int32_t value1;              // three values: 1, 0, 1 at rest; the second and third are
    int32_t scrollPos;           // the host's picture scroll position and direction
    int32_t scrollDir;
    uint32_t gapCount;           // spaces between copies of line 1 on the Twist strip
    uint32_t gapCount2;          // the same for line 2
    uint32_t repeatCount;        // copies of the text on the Twist strip
    uint32_t reserved4;

    PageInfo();
    // Resets every field except the item and the pixel storage.
    void Initialize();
    PageInfo& operator=(const PageInfo&) = default;
    PageInfo(const PageInfo&) = default;
};
static_assert(offsetof(PageInfo, item) == 4 && offsetof(PageInfo, contentHeader) == 828);
static_assert(offsetof(PageInfo, bitmap) % alignof(BITMAP) == 0);
static_assert(offsetof(PageInfo, bits) % 4 == 0);
static_assert(offsetof(PageInfo, frameBytes) == offsetof(PageInfo, bits) + PageInfo::kFrameBytes);
static_assert(offsetof(PageInfo, effectS) == offsetof(PageInfo, familyS) + 12 &&
              offsetof(PageInfo, holdTime) == offsetof(PageInfo, effectE) + 4 &&
              offsetof(PageInfo, work) == offsetof(PageInfo, holdTime) + 4);
static_assert(offsetof(PageInfo, reserved4) == offsetof(PageInfo, work) + 4 * 39);

namespace qvr {

// The editor's label of an item kind ("Text", "Eng2Line", ...); "" outside 0..12.
const char* LumivoTypeName(int type);

// The content type that picture item kinds 2, 3, 4 show; 0 for other kinds.
int ContentTypeOfItem(int type);

// Slots of the content library for a content type (0 for unknown types).
unsigned ContentCapacity(int contentType);

// Explicit little-endian serialisation of the stored records.
constexpr size_t kItemBytes = 824;
constexpr size_t kPageBytes = 10;
void StoreItem(const CLumivo& item, uint8_t* out);       // writes kItemBytes
void LoadItem(const uint8_t* in, CLumivo& item);         // reads kItemBytes
void StorePage(const CLumiCPage& page, uint8_t* out);    // writes kPageBytes
void LoadPage(const uint8_t* in, CLumiCPage& page);      // reads kPageBytes

} // namespace qvr
