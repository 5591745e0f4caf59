// SPDX-License-Identifier: BSD-2-Clause
// The content library: code table, bitmap fonts, glyph patterns, effect
// animations, moves, images, movies, animations and the user images, filled
// from one compressed QVR container. Every part lives in fixed arrays inside
// the object (tens of megabytes): create it once, on the heap. Made by new,
// it comes from zeroed pages that stay untouched until a part is loaded, so
// a library that loads little (or nothing) costs little.
#pragma once

#include <qvr/glyph.h>
#include <qvr/records.h>
#include <qvr/rgx.h>

#include <common/platform.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One record of a container's section table (12 bytes).
struct QVR_INFO {
    uint32_t offset; // from the start of the container; 0 = unused section
    uint32_t size;   // unpacked size (image form), stored bytes after the header (table form)
    uint32_t packed; // packed size; 0 = table form
};
static_assert(sizeof(QVR_INFO) == 12);

// Phase an effect text is asked for.
enum EFFECT_STATE : int {
    EFFECT_STATE_START = 0,
    EFFECT_STATE_WAIT = 1,
    EFFECT_STATE_END = 2,
};

namespace qvr {

// Container layout.
constexpr size_t kContainerHeaderBytes = 12; // header word, "LZO ", section count
constexpr size_t kSectionHeaderBytes = 16;   // RGX_HEADER before every section's data
constexpr size_t kTableFormPrefix = 24;      // zero header, packed and unpacked length
constexpr unsigned kContentRow16 = 1;
constexpr unsigned kContentRow32 = 2;
constexpr unsigned kLanguageHangul = 10;
constexpr unsigned kLanguageGB2312 = 14;

// Section numbers.
enum Section : unsigned {
    kSecCodeTable = 0,
    kSecFont06 = 2,
    kSecLatin16 = 3,   // 3..7
    kSecLatin32 = 8,   // 8..12
    kSecSymbol16 = 13,
    kSecSymbol32 = 14,
    kSecHangul = 15,   // 15..24
    kSecHanja = 25,
    kSecGB16 = 27,     // 27..28
    kSecGB32 = 29,     // 29..30
    kSecAttrib = 33,
    kSecColor = 34,
    kSecEffects = 43,  // 43..92
    kSecObjects = 93,  // 93..N-1: moves, images, movies, animations
};

// Glyph set sizes in bytes.
constexpr size_t kFont06Glyphs = 592;
constexpr size_t kLatinGlyphs = 592;
constexpr size_t kLatinFaces = 5;
constexpr size_t kLatin16Face = kLatinGlyphs * 16;   // 8x16
constexpr size_t kLatin32Face = kLatinGlyphs * 64;   // 16x32
constexpr size_t kSymbols = 1242;
constexpr size_t kSymbol16Bytes = kSymbols * 32;
constexpr size_t kSymbol32Bytes = kSymbols * 128;
constexpr size_t kHangul16Face = 25 * 94 * 32;       // 75,200
constexpr size_t kHangul32Face = 25 * 94 * 128;      // 300,800
constexpr size_t kHangul16Faces = 10;
constexpr size_t kHangul32Faces = 5;
constexpr size_t kHanjaGlyphs = 52 * 94;
constexpr size_t kHanja16Bytes = kHanjaGlyphs * 32;  // 156,416
constexpr size_t kHanja32Bytes = kHanjaGlyphs * 128; // 625,664
constexpr size_t kGBFaces = 2;
constexpr size_t kGB16Face = 72 * 94 * 32;           // 216,576
constexpr size_t kGB32Face = 72 * 94 * 128;          // 866,304
constexpr size_t kPatternBytes = 256;
constexpr size_t kAttribPatterns = 511;
constexpr size_t kColorPatterns = 178;
// Image sections (glyph sections too) end with this many zero bytes.
constexpr size_t kSectionTail = 16;

} // namespace qvr

namespace qvr {
// Reads a user-image blob into images, from slot count on and up to
// capacity slots, advancing count for each image read; returns the bytes
// consumed as CContent::SetUserImageLZO does (8 for a blob of no images, 0
// for a missing pointer or a wrong tag). The slots are not cleared first.
long ReadUserImageLZO(const unsigned char* blob, size_t length, CRGX<8192>* images, unsigned capacity,
                      unsigned& count);
} // namespace qvr

class CContent {
public:
    static constexpr unsigned kEffects = 50;
    static constexpr unsigned kMoves = 319;
    static constexpr unsigned kImages = 200;
    static constexpr unsigned kUserImages = 8;
    static constexpr unsigned kMovies = 50;
    static constexpr unsigned kAnimations = 50;
    static constexpr unsigned kCodePoints = 65535; // code table entries 0..65534

    CContent();
    ~CContent();
    // Zeroed memory from the system, which the constructor then need not clear.
    static void* operator new(std::size_t size);
    static void operator delete(void* p) noexcept;
    CContent(const CContent&) = delete;
    CContent& operator=(const CContent&) = default;

    // Opens a container. The pointer-only form trusts the container's own
    // offsets and lengths; the other never reads past bytes + length.
    // Returns 1 on success, 0 on failure (the library is then partly filled).
    int Initialize(const unsigned char* qvr);
    int Initialize(const unsigned char* qvr, size_t length);

    void Clear();
    void DestoryQVRInfo();

    unsigned GetContentLanguage() const { return (m_Header >> 16) & 0xF; }
    unsigned GetContentRow() const { return (m_Header >> 12) & 0xF; }
    unsigned GetContentColumn() const { return (m_Header >> 8) & 0xF; }
    uint32_t GetHeaderWord() const { return m_Header; }
    uint32_t GetSectionCount() const { return m_SectionCount; }

    void SetBoardLanguage(unsigned language) { m_BoardLanguage = language; }
    unsigned GetBoardLanguage() const { return m_BoardLanguage; }

    unsigned GetFntCount() const;
    unsigned GetContentCount(ContentType t) const;

    // Picture selection: Image index i is library image i below their count,
    // else user image i - count; Movie and Animation index their arrays.
    // Other kinds, and indexes past every slot, select nothing: a zero
    // header, GetContentInfo 0, GetContentData 1 for other kinds and 0 for
    // such indexes, GetContentPtr null.
    RGX_HEADER GetContentHeader(LUMIVO_TYPE t, int index) const;
    int GetContentInfo(LUMIVO_TYPE t, int index, BITMAP* bm) const;
    int GetContentData(LUMIVO_TYPE t, int index, unsigned char* pixels) const;
    // The same into a buffer of pixelBytes bytes: rows that do not fit are left out.
    int GetContentData(LUMIVO_TYPE t, int index, unsigned char* pixels, size_t pixelBytes) const;
    unsigned char* GetContentPtr(LUMIVO_TYPE t, int index);

    RGX_HEADER* GetEffectInfo(unsigned index);
    unsigned char* GetEffectPtr(unsigned index);
    static std::u16string GetEffectText(EFFECT_STATE state, unsigned value);

    // User images.
    int ClearUserImage();
    int InsertUserImage(const CRGX<8192>* image);
    unsigned GetUserImageMX() const { return m_UserImageCount; }
    CRGX<8192>* GetUserImage(int i);
    // Writes the user-image blob into out (null: only its length); returns
    // its length. The bounded form returns 0 when out is too small.
    long GetUserImageLZO(unsigned char* out) const;
    long GetUserImageLZO(unsigned char* out, size_t capacity) const;
    // Replaces the user images from a blob; returns the bytes consumed (8 for
    // an empty blob), 0 for a missing pointer or a wrong tag. The
    // pointer-only form is bounded by the blob's own total length.
    long SetUserImageLZO(const unsigned char* blob);
    long SetUserImageLZO(const unsigned char* blob, size_t length);

    // ================================================================
    // Glyph operations (content_glyph.cpp): a cell (code + QVXF) becomes a
    // picture of colour values, one byte a pixel, row after row, W x H
    // bytes for the returned SIZE {W, H}. The caller clears the buffer; a
    // space and a code without a glyph leave it untouched, and a null buffer
    // gets the size only. `capacity` bounds
    // what is written: rows that do not fit are left out and the returned
    // height counts only the rows painted. Selectors beyond the tables
    // (attrib >= 24, color >= 23) paint as row 0; nothing reads outside a
    // table, a face or the buffer. No operation allocates.
    // ================================================================

    // Shadow or outline colour of the colour rows 6 to 11.
    static const unsigned char m_ShadowColor[6];

    // Chooses the glyph by code range and content language and paints it.
    SIZE GetFontData(QVXF attr, unsigned short code, long frame, unsigned char* out,
                     size_t capacity = qvr::kGlyphBufferBytes) const;
    // True when the cell's glyph paints the same at every frame (plain
    // attribute and colour rows of one step; moves never are).
    static bool IsStill(QVXF attr);
    // 32-bit bitmap description of the cell; returns bytes per row x height,
    // 0 for a null pointer.
    long GetFontData(QVXF attr, unsigned short code, BITMAP* bm) const;
    // A move (animated icon) numbered `move`, 1-based.
    SIZE GetIconData(QVXF attr, unsigned short move, long frame, unsigned char* out,
                     size_t capacity = qvr::kGlyphBufferBytes) const;

    // Builders by glyph source.
    SIZE make_ascii(QVXF attr, unsigned short code, long frame, unsigned char* out,
                    size_t capacity = qvr::kGlyphBufferBytes) const;
    SIZE make_eng08(QVXF attr, unsigned short code, long frame, unsigned char* out,
                    size_t capacity = qvr::kGlyphBufferBytes) const;
    SIZE make_spc_unic(QVXF attr, unsigned short code, long frame, unsigned char* out,
                       size_t capacity = qvr::kGlyphBufferBytes) const;
    SIZE make_han_unic(QVXF attr, unsigned short code, long frame, unsigned char* out,
                       size_t capacity = qvr::kGlyphBufferBytes) const;
    SIZE make_euckr(QVXF attr, unsigned short code, long frame, unsigned char* out,
                    size_t capacity = qvr::kGlyphBufferBytes) const;
    SIZE make_gb2312(QVXF attr, unsigned short code, long frame, unsigned char* out,
                     size_t capacity = qvr::kGlyphBufferBytes) const;
    SIZE make_move(QVXF attr, unsigned short move, long frame, unsigned char* out,
                   size_t capacity = qvr::kGlyphBufferBytes) const;
    SIZE make_mov16x16(QVXF attr, unsigned short move, long frame, unsigned char* out,
                       size_t capacity = qvr::kGlyphBufferBytes) const;
    SIZE make_mov32x32(QVXF attr, unsigned short move, long frame, unsigned char* out,
                       size_t capacity = qvr::kGlyphBufferBytes) const;

    // Painters of one glyph (1 bit a dot, rows of whole bytes, most
    // significant bit leftmost); a null glyph paints as one without dots.
    SIZE make_fnt06(QVXF attr, const unsigned char* glyph, long frame, unsigned char* out,
                    size_t capacity = qvr::kGlyphBufferBytes) const;
    SIZE make_fnt08x16(QVXF attr, const unsigned char* glyph, long frame, unsigned char* out,
                       size_t capacity = qvr::kGlyphBufferBytes) const;
    SIZE make_fnt16x16(QVXF attr, const unsigned char* glyph, long frame, unsigned char* out,
                       size_t capacity = qvr::kGlyphBufferBytes) const;
    SIZE make_fnt16x32(QVXF attr, const unsigned char* glyph, long frame, unsigned char* out,
                       size_t capacity = qvr::kGlyphBufferBytes) const;
    SIZE make_fnt32x32(QVXF attr, const unsigned char* glyph, long frame, unsigned char* out,
                       size_t capacity = qvr::kGlyphBufferBytes) const;

    // Size of one cell.
    static long GetCharXSize(QVXF attr, unsigned short code);
    static long GetCharYSize(QVXF attr);
    static long GetCharXSize(const CLumiChar* cell);
    static long GetCharYSize(const CLumiChar* cell);
    // A run of cells up to its end (code 0; the width also stops at a line
    // control). The pointer-only forms trust the run to end; the others
    // read at most `count` cells. All give 0 for a null pointer.
    static long GetLumiCharWidth(const CLumiChar* cells);
    static long GetLumiCharWidth(const CLumiChar* cells, size_t count);
    static long GetLumiCharHeight(const CLumiChar* cells);
    static long GetLumiCharHeight(const CLumiChar* cells, size_t count);
    static SIZE GetLumiCharSize(const CLumiChar* cells);
    static SIZE GetLumiCharSize(const CLumiChar* cells, size_t count);

    // Double-byte code of a character: set 4 the first column of the code
    // table (KS X 1001 / symbol index), set 3 the second (GB2312); 0xFFFF
    // for no entry or another set.
    unsigned short unic2dbcs(unsigned char set, unsigned short code) const;
    static unsigned short dbcs2unic(unsigned char set, const char* dbcs);

protected:
    // Loaders used by Initialize.
    int LoadQVR16();
    int LoadQVR32();
    // Table form: decompresses the section into dst (capacity cap); returns
    // the unpacked length, 0 on failure.
    int LoadArray(const QVR_INFO& info, void* dst, size_t cap);
    // Image form: with a header, copies it and accepts only types 3 to 7;
    // decompresses into data (capacity cap) and checks the unpacked size.
    int LoadBinary(const QVR_INFO& info, RGX_HEADER* header, unsigned char* data, size_t cap);
    template <unsigned N>
    int LoadBinary(const QVR_INFO& info, CRGX<N>& image)
    {
        return LoadBinary(info, &image.header, image.data, N);
    }
    // Sections 33 and 34 into the pattern areas (both heights when big),
    // then the effect animations, moves and pictures.
    int LoadPatternsAndPictures(bool big);
    int LoadEffect();
    int LoadMove();
    int LoadImageW();
    int Load32to16();
    int Load16to32();

    // Section record i, or null when the table has no such section or it is unused.
    const QVR_INFO* Section(unsigned i) const;
    // Glyph section i into area (capacity cap); 1 on success.
    int LoadGlyphs(unsigned i, unsigned char* area, size_t cap);
    // Header of section i, or false when it cannot be read.
    bool PeekHeader(unsigned i, RGX_HEADER& h) const;
    // The image selected by an item kind and index; all null when the kind
    // selects nothing or the index lies beyond the array.
    struct Picked {
        RGX_HEADER* header = nullptr;
        unsigned char* data = nullptr;
        size_t capacity = 0;
    };
    Picked Pick(LUMIVO_TYPE t, int index) const;
    // Loads section info into slot count of an image array and counts it;
    // a slot that fails to load is cleared again.
    template <unsigned N>
    bool LoadInto(const QVR_INFO& info, CRGX<N>* array, unsigned& count)
    {
        if (LoadBinary(info, array[count])) {
            ++count;
            return true;
        }
        array[count].Clear();
        return false;
    }
    void ResetAreas();

public:
    // ---- State, read directly by the glyph operations and the effect engine.
    uint32_t m_Header = 0;        // header word of the loaded container
    // Changes with every load or clear, unique across all libraries, so that
    // what was drawn from one state is never taken for another's.
    uint64_t m_Revision = 0;
    unsigned m_BoardLanguage = 0;
    uint32_t m_SectionCount = 0;
    std::vector<QVR_INFO> m_Info; // the section table, held during Initialize
    unsigned m_HangulFaces = 0;   // Hangul faces loaded
    unsigned m_AttribPatterns = 0; // patterns the container holds
    unsigned m_ColorPatterns = 0;

    // Glyph and pattern areas; each glyph area has room for its section's
    // trailing zero bytes. The code table has one extra entry (code 0xFFFF)
    // that always reads as "no entry".
    uint16_t m_CodeTable[kCodePoints + 1][2];
    unsigned char m_Font06[qvr::kFont06Glyphs * 8 + qvr::kSectionTail];
    unsigned char m_Latin16[qvr::kLatinFaces * qvr::kLatin16Face + qvr::kSectionTail];
    unsigned char m_Latin32[qvr::kLatinFaces * qvr::kLatin32Face + qvr::kSectionTail];
    unsigned char m_Symbol16[qvr::kSymbol16Bytes + qvr::kSectionTail];
    unsigned char m_Symbol32[qvr::kSymbol32Bytes + qvr::kSectionTail];
    unsigned char m_Hangul16[qvr::kHangul16Faces * qvr::kHangul16Face + qvr::kSectionTail];
    unsigned char m_Hangul32[qvr::kHangul32Faces * qvr::kHangul32Face + qvr::kSectionTail];
    unsigned char m_Hanja16[qvr::kHanja16Bytes + qvr::kSectionTail];
    unsigned char m_Hanja32[qvr::kHanja32Bytes + qvr::kSectionTail];
    unsigned char m_GB16[qvr::kGBFaces * qvr::kGB16Face + qvr::kSectionTail];
    unsigned char m_GB32[qvr::kGBFaces * qvr::kGB32Face + qvr::kSectionTail];
    unsigned char m_Attrib16[qvr::kAttribPatterns * qvr::kPatternBytes];
    unsigned char m_Attrib32[qvr::kAttribPatterns * qvr::kPatternBytes];
    unsigned char m_Color16[qvr::kColorPatterns * qvr::kPatternBytes];
    unsigned char m_Color32[qvr::kColorPatterns * qvr::kPatternBytes];

    // Image arrays with their counts. Each array is the one member of a
    // union, so that no image constructor writes it: the library's own
    // constructor clears them, or finds them zeroed already.
    union { CRGX<29200> m_Effect[kEffects]; };
    unsigned m_EffectCount = 0;
    union { CRGX<116752> m_Effect32[kEffects]; };
    unsigned m_Effect32Count = 0;
    union { CRGX<1040> m_Move[kMoves]; };
    unsigned m_MoveCount = 0;
    union { CRGX<4112> m_Move32[kMoves]; };
    unsigned m_Move32Count = 0;
    union { CRGX<8192> m_Image[kImages]; };
    unsigned m_ImageCount = 0;
    union { CRGX<8192> m_UserImage[kUserImages]; };
    unsigned m_UserImageCount = 0;
    union { CRGX<32768> m_Movie[kMovies]; };
    unsigned m_MovieCount = 0;
    union { CRGX<98304> m_Animation[kAnimations]; };
    unsigned m_AnimationCount = 0;

private:
    // Every area and image still as zeroed memory left it, with the
    // capacities and the code table's extra entry set: the next reset has
    // nothing to clear.
    bool m_Pristine = false;
    // The container being read; set only while Initialize runs.
    const unsigned char* m_pQVR = nullptr;
    size_t m_QVRLength = 0;
};
