// SPDX-License-Identifier: BSD-2-Clause
// The effect engine: plays one Ad item (held in a PageInfo) frame by frame
// through its start, wait and end effects. Every step draws the item's text
// into the process-wide line buffer (LB, colour bytes) and transfers it,
// transformed by the running effect, into the page's frame buffer (FB,
// 0x00RRGGBB pixels).
//
// Source layout: effect_core.cpp (set-up, phases, dispatch, LB/FB),
// effect_codes.cpp (code tables and mappings), effect_tables.cpp (strip
// tables), effect_text.cpp (page analysis and text drawing),
// effect_datetime.cpp (live date, time, temperature), effect_none.cpp,
// effect_scroll_wait.cpp, and one effect_family_<name>.cpp per family plus
// effect_copy.cpp for the frame copiers.
#pragma once

#include <qvr/content.h>
#include <qvr/records.h>

#include <common/platform.h>

#include <cstdint>
#include <functional>
#include <memory>

namespace common {
class NamedMutex;
}

// Code tables: (family number, last code of the row); row 0 is Auto.
extern const EFFECT_DESC aEffectS[9];
extern const EFFECT_DESC aEffectW[8];
extern const EFFECT_DESC aEffectE[10]; // ends with one more (0, 0) row

// Combination mode of _copy_pBUFnCLR.
enum ROP_MODE : int {
    ROP_REPLACE = 0,
    ROP_ADD = 1,
    ROP_REMOVE = 2,
};

class CEffect {
public:
    // A step's result: the phase is over (the last frame stays in the FB).
    static constexpr DWORD kEffectEnd = 0xFFFFFFFF;

    // The line buffer: one per process, shared by every engine.
    static constexpr int kLBRows = 64;
    static constexpr int kLBCols = 4800;
    // Entries of the strip tables; wider boards use the first kTableCols
    // columns' tables (see GetTableWidth).
    static constexpr int kTableCols = 640;
    static constexpr int kDrumCols = 2 * kTableCols;
    // Glyph scratch buffer: large enough for the largest cell a selector can
    // describe (48 x 3 dots wide, 7 x 8 rows high).
    static constexpr int kGlyphBytes = 8192;

    CEffect();
    ~CEffect();
    CEffect(const CEffect&) = default;
    CEffect& operator=(const CEffect&) = default;

    // ---- Set-up
    void SetContent(CContent* content);
    void SetModuleSize(unsigned columns, unsigned rows);
    void SetModuleSize(SIZE modules);
    void SetPageInfo(PageInfo* page);
    long SetAlign(long fits);
    void UpdateHangMok(CLumivo* item);
    void analyze_pHangMok(int unused);

    // ---- Effects of a page
    void SetEffectS(CEFF& eff);
    void SetEffectW(CEFF& eff);
    void SetEffectE(CEFF& eff);
    DWORD GetEffectS();
    DWORD GetEffectW();
    DWORD GetEffectE();
    int _init_effs(unsigned char stage);
    int _init_effw(unsigned char stage);
    int _init_effe(unsigned char stage);
    void effect_T(long seconds);
    long check_T();

    // ---- Drawing
    unsigned effect_unicode(long x, long y);
    unsigned disp_unicode(long x, long y, CLumiChar* cells);
    DWORD _get_pLB(long x, long y);
    long copy_LB2FB(long, long, BITMAP* bm);
    void ClearBuffer();

    // ---- Live texts
    void SetDateText(CLumivo* item);
    void SetTimeText(CLumivo* item);
    void SetTempText(CLumivo* item);

    // ---- Codes
    static DWORD GetRGX2RGB(unsigned char c);
    static COLORREF GetRGX2Color(unsigned char c);
    static unsigned GetEffectAuto(int table);
    static int GetEffect2Type(int table, unsigned code);
    static int GetEffect2Index(int table, unsigned code);
    static unsigned GetType2Effect(int table, int row, int index);

    // ---- Family steps. Each returns 0 while its phase goes on and
    // kEffectEnd when it is over or its code is not its family's.
    DWORD effect_0200S(); // Animation
    DWORD effect_0200W();
    DWORD effect_0200E();
    DWORD effect_0300S(); // View
    DWORD effect_0300W();
    DWORD effect_0300E();
    DWORD effect_0400S(); // Scroll
    DWORD effect_0400W(); // the scrolling wait, also called by the host
    DWORD effect_0400E();
    DWORD effect_0500S(); // Wave
    DWORD effect_0500W();
    DWORD effect_0500E();
    DWORD effect_0600S(); // Zoom
    DWORD effect_0600W();
    DWORD effect_0600E();
    DWORD effect_0700S(); // Color
    DWORD effect_0700W();
    DWORD effect_0700E();
    DWORD effect_0800S(); // Twist
    DWORD effect_0800W();
    DWORD effect_0800E();
    DWORD effect_0900S(); // None
    DWORD effect_0900W();
    DWORD effect_0900E();
    long _draw_symbol(long symbol);

    // ---- Frame copiers
    long _copy_pBUFnCLR(long dx, long dy, ROP_MODE mode, unsigned long colour, BITMAP* bm);
    long _copy_pBUFnFIX(long sx, long sy, long sw, long sh, long dx, long dy, long dw, long dh,
                        BITMAP* bm);
    long _copy_pBUFnTWIST(long top, long bottom, long angle, long direction, long slant, BITMAP* bm);
    long _copy_pBUFnANGLE(BITMAP* bm);
    long _copy_pBUFnCircle(int mode, BITMAP* bm);
    long _copy_pBUFn3DRotate1(BITMAP* bm);
    long _copy_pBUFn3DRotate2(BITMAP* bm);
    long _copy_pBUFn3DRotate3(BITMAP* bm);

    // ---- Strip tables
    void _make_Cylinder_Table();
    void _make_Circle_Table();
    void _make_3DRotate_Table();

    // ---- Our additions
    // Board columns the strip tables describe: min(board width, kTableCols).
    long GetTableWidth() const;
    // Strip width of the Twist codes 95-97 on a band of this height.
    long GetCylinderStripWidth(long bandHeight) const;
    // The frame buffer of the current page as writable rows: pixel storage
    // inside the page, clipped to the storage, the LB and the description.
    struct FrameRows {
        uint8_t* bits = nullptr;
        long stride = 0; // bytes per row
        long width = 0;  // pixels written per row
        long height = 0; // rows written
        uint32_t* Row(long y) const { return reinterpret_cast<uint32_t*>(bits + y * stride); }
    };
    FrameRows GetFrameRows(const BITMAP* bm) const;

    // ---- State, in this order
    CContent* m_pContent = nullptr;
    std::shared_ptr<common::NamedMutex> m_hMutex; // "EffectMutex"
    PageInfo* m_pPage = nullptr;
    int32_t m_ModuleX = 0; // module columns
    int32_t m_ModuleY = 0; // module rows
    int32_t m_Width = 0;   // board pixel width
    int32_t m_Height = 0;  // board pixel height

    // Strip tables, indexed by screen column.
    int32_t m_CylinderS[kTableCols]; // strip column, bands of 16 rows or less
    int32_t m_CylinderT[kTableCols]; // strip column, taller bands
    int32_t m_CircleS[kTableCols];   // rows by which a column bends, short bands
    int32_t m_CircleT[kTableCols];   // the same, tall bands
    int32_t m_CylinderSum = 0;       // sum of the tall-band column widths
    int32_t m_DrumColumn[kDrumCols]; // front half 0..W-1, back half W..2W-1
    int32_t m_DrumTopS[kDrumCols];
    int32_t m_DrumTopT[kDrumCols];
    int32_t m_DrumHeightS[kDrumCols]; // percent
    int32_t m_DrumHeightT[kDrumCols];
    int32_t m_DrumMX = 0;             // strip width of the 3-D rotation codes

    // Strip width of the Twist codes 95-97 on tall bands, by module columns - 3.
    static const int32_t m_CylMX[40];
    // The line buffer. The engine clears only the part its own drawings lit,
    // and does not draw a text again that the buffer still holds, so code
    // that writes into it otherwise calls SetModuleSize (which clears all of
    // it) before the next step.
    static unsigned char m_LB[kLBRows][kLBCols];

private:
    DWORD Step(DWORD (CEffect::*const* steps)(), const uint32_t* firsts, uint32_t family);
    void ChooseEffect(int phase, CEFF& eff, CEFF* stored, uint32_t* family);
    long DrawLine(long x, long y, const CLumiChar* cells);
    long DrawStrip(long x, long y, const CLumiChar* line, uint32_t gapCount, long limit);
    // effect_unicode's drawing, when the line buffer does not hold it already.
    unsigned DrawText(long x, long y);
    long LineWidth(const CLumiChar* cells, int count) const;
    int CellsLeft(const CLumiChar* cells) const;
};

namespace qvr {

// Seams for tests and tools. Each returns the previous source; an empty
// function restores the default (std::rand, and the local time of the
// system clock). The clock returns false when the time cannot be had.
using EffectRandom = std::function<int()>;
using EffectClock = std::function<bool(SYSTEMTIME&)>;
EffectRandom SetEffectRandom(EffectRandom source);
EffectClock SetEffectClock(EffectClock source);

// The family (its first code) that holds a code's low 15 bits in a phase
// (0 start, 1 wait, 2 end), or 0 when no family does.
uint32_t EffectFamilyOf(int phase, unsigned code);

} // namespace qvr
