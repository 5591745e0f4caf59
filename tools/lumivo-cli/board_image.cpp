// SPDX-License-Identifier: GPL-2.0-or-later
#include "board_image.h"

#include <gif_lib.h>
#include <png.h>
#include <zlib.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace cli {

namespace {

constexpr Rgb kBackground{12, 12, 12};
constexpr Rgb kUnlit{44, 44, 44};
constexpr int kUnlitInk = 8;
// A palette entry no ink uses: the GIF's transparent index.
constexpr uint8_t kTransparent = 255;
static_assert(kInks * kInkLevels <= kTransparent);

Rgb InkColour(int ink)
{
    if (ink == kUnlitInk)
        return kUnlit;
    return Rgb{uint8_t(ink & 1 ? 255 : 0), uint8_t(ink & 2 ? 255 : 0), uint8_t(ink & 4 ? 255 : 0)};
}

// The LED colour (bit 0 red, 1 green, 2 blue) of a board pixel.
int InkOf(uint32_t rgb)
{
    return ((rgb >> 23) & 1) | (((rgb >> 15) & 1) << 1) | (((rgb >> 7) & 1) << 2);
}

uint8_t Index(int ink, int level)
{
    return static_cast<uint8_t>(ink * kInkLevels + level);
}

} // namespace

const std::vector<Rgb>& BoardPalette()
{
    static const std::vector<Rgb> palette = [] {
        std::vector<Rgb> p(256, Rgb{0, 0, 0});
        for (int ink = 0; ink < kInks; ++ink) {
            const Rgb c = InkColour(ink);
            for (int level = 0; level < kInkLevels; ++level) {
                auto mix = [&](uint8_t bg, uint8_t fg) {
                    return static_cast<uint8_t>((bg * (kInkLevels - 1 - level) + fg * level) / (kInkLevels - 1));
                };
                p[Index(ink, level)] = Rgb{mix(kBackground.r, c.r), mix(kBackground.g, c.g), mix(kBackground.b, c.b)};
            }
        }
        return p;
    }();
    return palette;
}

BoardPicture::BoardPicture(int boardWidth, int boardHeight, int zoom, bool dots)
    : m_BoardWidth(std::max(0, boardWidth)), m_BoardHeight(std::max(0, boardHeight)), m_Zoom(std::max(1, zoom)),
      m_bDots(dots), m_Width(m_BoardWidth * m_Zoom), m_Height(m_BoardHeight * m_Zoom),
      m_Inks(static_cast<size_t>(m_BoardWidth) * m_BoardHeight, -1),
      m_Pixels(static_cast<size_t>(m_Width) * m_Height, 0)
{
    std::vector<uint8_t> coverage(static_cast<size_t>(m_Zoom) * m_Zoom, kInkLevels - 1);
    if (RoundDots()) {
        // A dot filling 80 % of its cell, edges smoothed by 4 x 4 samples.
        const double c = m_Zoom / 2.0, r = m_Zoom * 0.4;
        for (int y = 0; y < m_Zoom; ++y)
            for (int x = 0; x < m_Zoom; ++x) {
                int inside = 0;
                for (int sy = 0; sy < 4; ++sy)
                    for (int sx = 0; sx < 4; ++sx) {
                        const double px = x + (sx + 0.5) / 4 - c, py = y + (sy + 0.5) / 4 - c;
                        inside += px * px + py * py <= r * r;
                    }
                coverage[static_cast<size_t>(y) * m_Zoom + x] = static_cast<uint8_t>((inside * (kInkLevels - 1) + 8) / 16);
            }
    }
    if (!RoundDots())
        m_InkRows.assign(InkRowBytes() * static_cast<size_t>(m_Height), 0);
    // One tile per ink: an LED is then a copy of zoom rows.
    m_Tiles.resize(coverage.size() * kInks);
    for (int ink = 0; ink < kInks; ++ink)
        for (size_t i = 0; i < coverage.size(); ++i)
            m_Tiles[static_cast<size_t>(ink) * coverage.size() + i] = Index(ink, coverage[i]);
}

void BoardPicture::Draw(const uint32_t* board)
{
    const size_t tile = static_cast<size_t>(m_Zoom) * m_Zoom;
    const size_t rowLeds = static_cast<size_t>(m_BoardWidth);
    const bool first = m_Board.empty();
    if (first)
        m_Board.resize(rowLeds * static_cast<size_t>(m_BoardHeight));
    for (int by = 0; by < m_BoardHeight; ++by) {
        // Most LED rows are as they were: one comparison passes them by.
        const uint32_t* row = board + static_cast<size_t>(by) * rowLeds;
        uint32_t* kept = m_Board.data() + static_cast<size_t>(by) * rowLeds;
        if (!first && std::memcmp(row, kept, rowLeds * sizeof *row) == 0)
            continue;
        std::memcpy(kept, row, rowLeds * sizeof *row);
        for (int bx = 0; bx < m_BoardWidth; ++bx) {
            const size_t led = static_cast<size_t>(by) * m_BoardWidth + bx;
            int ink = InkOf(board[led]);
            if (ink == 0 && m_bDots)
                ink = kUnlitInk;
            if (m_Inks[led] == ink)
                continue;
            m_Inks[led] = static_cast<int8_t>(ink);
            const uint8_t* from = m_Tiles.data() + static_cast<size_t>(ink) * tile;
            uint8_t* out = m_Pixels.data() + static_cast<size_t>(by) * m_Zoom * m_Width + static_cast<size_t>(bx) * m_Zoom;
            for (int y = 0; y < m_Zoom; ++y, out += m_Width, from += m_Zoom)
                std::memcpy(out, from, static_cast<size_t>(m_Zoom));
            if (!m_InkRows.empty())
                DrawInk(bx, by, ink);
        }
    }
}

void BoardPicture::DrawInk(int bx, int by, int ink)
{
    // Every pixel row of an LED row is the same: the LED's nibbles are set
    // in its first row and that row's bytes copied to the others.
    const size_t rowBytes = InkRowBytes();
    uint8_t* first = m_InkRows.data() + static_cast<size_t>(by) * m_Zoom * rowBytes;
    const int x0 = bx * m_Zoom, x1 = x0 + m_Zoom;
    for (int x = x0; x < x1; ++x) {
        uint8_t& b = first[x / 2];
        b = x % 2 ? static_cast<uint8_t>((b & 0xF0) | ink) : static_cast<uint8_t>((b & 0x0F) | (ink << 4));
    }
    const size_t b0 = static_cast<size_t>(x0) / 2, b1 = static_cast<size_t>(x1 - 1) / 2 + 1;
    for (int y = 1; y < m_Zoom; ++y)
        std::memcpy(first + y * rowBytes + b0, first + b0, b1 - b0);
}

static_assert(kInks <= 16); // an ink fits in four bits

// What a PNG of a picture is made from: its ink rows when it has them.
struct PngSource {
    int width, height;
    int bandRows; // pixel rows deflated together: whole LED rows
    bool inks, roundDots;
    size_t rowBytes;
    const uint8_t* rows;
    size_t Bytes() const { return rowBytes * static_cast<size_t>(height); }
    bool SameShape(const PngSource& o) const
    {
        return width == o.width && height == o.height && bandRows == o.bandRows && inks == o.inks &&
               roundDots == o.roundDots && rowBytes == o.rowBytes;
    }
};

namespace {

PngSource SourceOf(const BoardPicture& p)
{
    const bool inks = p.HasInkRows();
    const size_t rowBytes = inks ? p.InkRowBytes() : static_cast<size_t>(p.Width());
    // Bands of whole LED rows, some 8 KiB each: smaller ones cost more in
    // block headers than they save in compression.
    const size_t ledRowBytes = std::max<size_t>(1, rowBytes * static_cast<size_t>(p.Zoom()));
    const int ledRows = static_cast<int>(std::min<size_t>(1024, (8192 + ledRowBytes - 1) / ledRowBytes));
    return PngSource{p.Width(),         p.Height(), p.Zoom() * ledRows, inks, p.RoundDots(), rowBytes,
                     inks ? p.InkRows() : p.Row(0)};
}

} // namespace

// The PNG's image data is deflated a band (the pixel rows of a few LED
// rows) at a time, each band on its own and ending on a byte, so that the
// bands join into one zlib stream. A band whose pixels, and those of the band above
// (which its first row's filter reads), are as in the last picture keeps
// its deflated bytes: consecutive frames mostly differ in a few LED rows.
struct PngEncoder::State {
    struct Band {
        std::vector<uint8_t> deflated;
        uLong adler = 1;
        size_t bytes = 0; // filtered bytes in the band
    };
    z_stream z{};
    bool zReady = false;
    PngSource shape{};
    std::vector<uint8_t> kept; // the rows last encoded
    std::vector<Band> bands;
    std::vector<uint8_t> filtered, png;
    bool havePng = false;

    ~State()
    {
        if (zReady)
            deflateEnd(&z);
    }

    bool Start(const PngSource& s)
    {
        if (zReady)
            deflateEnd(&z);
        z = z_stream{};
        // The Up filter makes the rows an LED repeats zeros. Flat LEDs are
        // then runs of one index, which run-length matching finds at a
        // fraction of the usual search's cost, in files half the size;
        // round dots repeat every zoom pixels, which only the search finds
        // (run-length matching is three times slower there and its files ten
        // times larger). A small hash: it is cleared for every band.
        zReady = deflateInit2(&z, 1, Z_DEFLATED, -MAX_WBITS, 5, s.roundDots ? Z_DEFAULT_STRATEGY : Z_RLE) == Z_OK;
        shape = s;
        kept.clear();
        bands.assign(static_cast<size_t>((s.height + s.bandRows - 1) / std::max(1, s.bandRows)), Band{});
        havePng = false;
        return zReady;
    }

    bool Deflate(Band& band, const uint8_t* rows, int y0, int y1, bool last)
    {
        const size_t rowBytes = shape.rowBytes;
        filtered.resize((rowBytes + 1) * static_cast<size_t>(y1 - y0));
        uint8_t* out = filtered.data();
        for (int y = y0; y < y1; ++y) {
            const uint8_t* row = rows + static_cast<size_t>(y) * rowBytes;
            *out++ = 2; // Up: each byte less the one above it
            if (y == 0) {
                std::memcpy(out, row, rowBytes);
            } else {
                const uint8_t* above = row - rowBytes;
                for (size_t i = 0; i < rowBytes; ++i)
                    out[i] = static_cast<uint8_t>(row[i] - above[i]);
            }
            out += rowBytes;
        }
        band.bytes = filtered.size();
        band.adler = adler32(1, filtered.data(), static_cast<uInt>(filtered.size()));
        if (deflateReset(&z) != Z_OK)
            return false;
        band.deflated.resize(deflateBound(&z, static_cast<uLong>(filtered.size())) + 16);
        z.next_in = filtered.data();
        z.avail_in = static_cast<uInt>(filtered.size());
        z.next_out = band.deflated.data();
        z.avail_out = static_cast<uInt>(band.deflated.size());
        // The last band ends the stream; the others end on a byte with an
        // empty block, not final, for the next band to follow.
        const int r = deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
        if ((last && r != Z_STREAM_END) || (!last && (r != Z_OK || z.avail_in != 0 || z.avail_out == 0)))
            return false;
        band.deflated.resize(band.deflated.size() - z.avail_out);
        return true;
    }

    bool Encode(const PngSource& s)
    {
        if (!zReady || !s.SameShape(shape)) {
            if (!Start(s))
                return false;
        }
        const int bandRows = std::max(1, s.bandRows);
        const size_t bandBytes = s.rowBytes * static_cast<size_t>(bandRows);
        const bool fresh = kept.size() != s.Bytes();
        if (fresh)
            kept.assign(s.rows, s.rows + s.Bytes());
        bool changed = false, aboveChanged = false;
        for (size_t b = 0; b < bands.size(); ++b) {
            const int y0 = static_cast<int>(b) * bandRows, y1 = std::min(s.height, y0 + bandRows);
            const size_t at = b * bandBytes, n = s.rowBytes * static_cast<size_t>(y1 - y0);
            const bool own = !fresh && std::memcmp(kept.data() + at, s.rows + at, n) != 0;
            if (own)
                std::memcpy(kept.data() + at, s.rows + at, n);
            if (fresh || own || aboveChanged || !havePng) {
                if (!Deflate(bands[b], s.rows, y0, y1, b + 1 == bands.size()))
                    return false;
                changed = true;
            }
            aboveChanged = own;
        }
        return (!changed && havePng) || Assemble(s);
    }

    bool Assemble(const PngSource& s);
};

namespace {

void PutBigEndian(std::vector<uint8_t>& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

} // namespace

bool PngEncoder::State::Assemble(const PngSource& s)
{
    // The zlib stream: its header (deflate, 32 KiB window, fastest), the
    // bands, the Adler-32 of all the filtered bytes.
    std::vector<uint8_t> idat{0x78, 0x01};
    uLong adler = adler32(0, nullptr, 0);
    for (const Band& band : bands) {
        idat.insert(idat.end(), band.deflated.begin(), band.deflated.end());
        adler = adler32_combine(adler, band.adler, static_cast<z_off_t>(band.bytes));
    }
    PutBigEndian(idat, static_cast<uint32_t>(adler));

    havePng = false;
    png.clear();
    png_structp p = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = p ? png_create_info_struct(p) : nullptr;
    if (!p || !info || setjmp(png_jmpbuf(p))) {
        png_destroy_write_struct(&p, &info);
        return false;
    }
    png_set_write_fn(
        p, &png,
        [](png_structp pp, png_bytep data, size_t n) {
            auto* bytes = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(pp));
            bool stored = true;
            try {
                bytes->insert(bytes->end(), data, data + n);
            } catch (const std::bad_alloc&) {
                stored = false;
            }
            if (!stored)
                png_error(pp, "out of memory"); // jumps out: not from inside the handler
        },
        nullptr);
    png_set_IHDR(p, info, static_cast<png_uint_32>(s.width), static_cast<png_uint_32>(s.height), s.inks ? 4 : 8,
                 PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Four bits: entry i is the full level of ink i, the colour its index had.
    const int entries = s.inks ? 16 : kInks * kInkLevels;
    png_color colours[kInks * kInkLevels];
    for (int i = 0; i < entries; ++i) {
        const Rgb c = BoardPalette()[static_cast<size_t>(s.inks ? Index(i, kInkLevels - 1) : i)];
        colours[i] = png_color{c.r, c.g, c.b};
    }
    png_set_PLTE(p, info, colours, entries);
    png_write_info(p, info);
    // libpng frames the chunks and sums their CRCs; the image data is ours.
    png_write_chunk(p, reinterpret_cast<png_const_bytep>("IDAT"), idat.data(), idat.size());
    png_write_chunk(p, reinterpret_cast<png_const_bytep>("IEND"), nullptr, 0);
    png_destroy_write_struct(&p, &info);
    havePng = true;
    return true;
}

PngEncoder::PngEncoder() : m_(std::make_unique<State>()) {}
PngEncoder::~PngEncoder() = default;

const std::vector<uint8_t>* PngEncoder::Encode(const BoardPicture& picture)
{
    return Encode(SourceOf(picture));
}

const std::vector<uint8_t>* PngEncoder::Encode(const PngSource& source)
{
    if (!m_->Encode(source)) {
        m_->havePng = false;
        return nullptr;
    }
    return &m_->png;
}

namespace {

bool WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes, std::string& error)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    int failure = fd < 0 ? errno : 0;
    for (size_t done = 0; failure == 0 && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += static_cast<size_t>(n);
        else if (n == 0 || errno != EINTR)
            failure = n == 0 ? EIO : errno;
    }
    if (fd >= 0 && ::close(fd) != 0 && failure == 0)
        failure = errno;
    if (failure != 0)
        error = "cannot write " + path.string() + ": " + std::strerror(failure);
    return failure == 0;
}

} // namespace

bool WritePng(const std::filesystem::path& path, const BoardPicture& picture, std::string& error)
{
    PngEncoder encoder;
    const std::vector<uint8_t>* bytes = encoder.Encode(picture);
    if (!bytes) {
        error = "cannot write the PNG " + path.string();
        return false;
    }
    return WriteFile(path, *bytes, error);
}

// ---- PNG frames on a thread

struct PngFrameWriter::State {
    struct Frame {
        std::filesystem::path path;
        PngSource source;
        std::vector<uint8_t> rows; // a copy of the picture's, which goes on changing
    };
    static constexpr size_t kMaxWaiting = 4;
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Frame> waiting;
    std::vector<std::vector<uint8_t>> spare; // rows of frames written, for reuse
    bool closing = false, busy = false;
    std::string error;
    std::thread thread;
    PngEncoder encoder; // keeps what did not change from frame to frame

    void Run()
    {
        std::unique_lock lk(lock);
        for (;;) {
            changed.wait(lk, [this] { return closing || !waiting.empty(); });
            if (waiting.empty())
                return;
            Frame f = std::move(waiting.front());
            waiting.pop_front();
            busy = true;
            const bool failed = !error.empty();
            lk.unlock();
            std::string why;
            if (!failed) {
                f.source.rows = f.rows.data();
                const std::vector<uint8_t>* png = encoder.Encode(f.source);
                if (!png)
                    why = "cannot write the PNG " + f.path.string();
                else
                    WriteFile(f.path, *png, why);
            }
            lk.lock();
            if (!why.empty() && error.empty())
                error = why;
            spare.push_back(std::move(f.rows));
            busy = false;
            changed.notify_all();
        }
    }
};

PngFrameWriter::PngFrameWriter() : m_(std::make_unique<State>())
{
    m_->thread = std::thread([this] { m_->Run(); });
}

PngFrameWriter::~PngFrameWriter()
{
    {
        std::lock_guard lk(m_->lock);
        m_->closing = true;
    }
    m_->changed.notify_all();
    m_->thread.join();
}

bool PngFrameWriter::Add(const std::filesystem::path& path, const BoardPicture& picture, std::string& error)
{
    const PngSource s = SourceOf(picture);
    std::unique_lock lk(m_->lock);
    m_->changed.wait(lk, [this] { return m_->waiting.size() < State::kMaxWaiting || !m_->error.empty(); });
    if (!m_->error.empty()) {
        error = m_->error;
        return false;
    }
    std::vector<uint8_t> rows;
    if (!m_->spare.empty()) {
        rows = std::move(m_->spare.back());
        m_->spare.pop_back();
    }
    lk.unlock();
    rows.assign(s.rows, s.rows + s.Bytes());
    lk.lock();
    m_->waiting.push_back(State::Frame{path, s, std::move(rows)});
    m_->changed.notify_all();
    return true;
}

bool PngFrameWriter::Finish(std::string& error)
{
    std::unique_lock lk(m_->lock);
    m_->changed.wait(lk, [this] { return m_->waiting.empty() && !m_->busy; });
    if (!m_->error.empty()) {
        error = m_->error;
        return false;
    }
    return true;
}

// ---- GIF

struct GifWriter::State {
    GifFileType* gif = nullptr;
    std::unique_ptr<BoardPicture> picture;
    int width = 0, height = 0, zoom = 1;
    std::vector<uint32_t> pending, shown;
    std::vector<GifPixelType> line; // of the frame being written
    uint64_t pendingMs = 0;
    bool hasPending = false, hasShown = false;
};

GifWriter::GifWriter() : m_(std::make_unique<State>()) {}

GifWriter::~GifWriter()
{
    if (m_->gif) {
        int err = 0;
        EGifCloseFile(m_->gif, &err);
    }
}

bool GifWriter::Open(const std::filesystem::path& path, int boardWidth, int boardHeight, int zoom, bool dots,
                     std::string& error)
{
    m_->width = boardWidth;
    m_->height = boardHeight;
    m_->zoom = std::max(1, zoom);
    m_->picture = std::make_unique<BoardPicture>(boardWidth, boardHeight, zoom, dots);
    // Opened here so that the file gets the usual permissions (the umask's).
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = "cannot write " + path.string() + ": " + std::strerror(errno);
        return false;
    }
    int err = 0;
    m_->gif = EGifOpenFileHandle(fd, &err);
    if (!m_->gif) {
        ::close(fd);
        error = "cannot write " + path.string() + ": " + GifErrorString(err);
        return false;
    }
    EGifSetGifVersion(m_->gif, true);
    std::vector<GifColorType> colours;
    for (const Rgb& c : BoardPalette())
        colours.push_back(GifColorType{c.r, c.g, c.b});
    ColorMapObject* map = GifMakeMapObject(256, colours.data());
    const bool ok = map && EGifPutScreenDesc(m_->gif, m_->picture->Width(), m_->picture->Height(), 8, 0, map) ==
                               GIF_OK;
    GifFreeMapObject(map);
    // Loop for ever.
    static const GifByteType app[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    static const GifByteType loop[] = {1, 0, 0};
    if (!ok || EGifPutExtensionLeader(m_->gif, APPLICATION_EXT_FUNC_CODE) != GIF_OK ||
        EGifPutExtensionBlock(m_->gif, sizeof app, app) != GIF_OK ||
        EGifPutExtensionBlock(m_->gif, sizeof loop, loop) != GIF_OK || EGifPutExtensionTrailer(m_->gif) != GIF_OK) {
        error = "cannot write " + path.string() + ": " + GifErrorString(m_->gif->Error);
        return false;
    }
    return true;
}

bool GifWriter::AddFrame(const uint32_t* board, uint64_t ms, std::string& error)
{
    State& s = *m_;
    const size_t n = static_cast<size_t>(s.width) * s.height;
    if (s.hasPending && std::equal(board, board + n, s.pending.begin()))
        return true; // the same picture shows on
    if (s.hasPending && !WritePending(ms, false, error))
        return false;
    s.pending.assign(board, board + n);
    s.pendingMs = ms;
    s.hasPending = true;
    return true;
}

bool GifWriter::WritePending(uint64_t untilMs, bool force, std::string& error)
{
    State& s = *m_;
    // Delays in hundredths of a second, rounded on the running time so that
    // they add up to the time played.
    auto cs = [](uint64_t ms) { return (ms + 5) / 10; };
    uint64_t delay = cs(untilMs) - cs(s.pendingMs);
    if (delay == 0) {
        if (!force)
            return true; // shorter than a GIF can show
        delay = 1;
    }
    // The rectangle that changed since the last stored frame.
    int x0 = 0, y0 = 0, x1 = s.width, y1 = s.height;
    if (s.hasShown) {
        x0 = s.width, y0 = s.height, x1 = 0, y1 = 0;
        const size_t rowLeds = static_cast<size_t>(s.width);
        for (int y = 0; y < s.height; ++y) {
            const uint32_t* now = s.pending.data() + static_cast<size_t>(y) * rowLeds;
            const uint32_t* was = s.shown.data() + static_cast<size_t>(y) * rowLeds;
            if (std::memcmp(now, was, rowLeds * sizeof *now) == 0)
                continue;
            y0 = std::min(y0, y);
            y1 = y + 1;
            int left = 0, right = s.width;
            while (now[left] == was[left])
                ++left;
            while (now[right - 1] == was[right - 1])
                --right;
            x0 = std::min(x0, left);
            x1 = std::max(x1, right);
        }
        if (x1 <= x0) { // unchanged: one pixel keeps the frame's time
            x0 = y0 = 0;
            x1 = y1 = 1;
        }
    }
    s.picture->Draw(s.pending.data());
    GraphicsControlBlock gcb{};
    gcb.DisposalMode = DISPOSE_DO_NOT;
    gcb.UserInputFlag = false;
    gcb.DelayTime = static_cast<int>(std::min<uint64_t>(delay, 65535));
    // Within the rectangle, LEDs that did not change are left transparent:
    // the frame below shows through, and long runs of one index cost the
    // encoder little.
    gcb.TransparentColor = s.hasShown ? kTransparent : NO_TRANSPARENT_COLOR;
    GifByteType ext[4];
    EGifGCBToExtension(&gcb, ext);
    const int z = s.zoom;
    const int left = x0 * z, top = y0 * z, w = (x1 - x0) * z, h = (y1 - y0) * z;
    bool ok = EGifPutExtension(s.gif, GRAPHICS_EXT_FUNC_CODE, 4, ext) == GIF_OK &&
              EGifPutImageDesc(s.gif, left, top, w, h, false, nullptr) == GIF_OK;
    std::vector<GifPixelType>& line = s.line;
    line.resize(static_cast<size_t>(w));
    for (int y = 0; ok && y < h; ++y) {
        const uint8_t* row = s.picture->Row(top + y) + left;
        if (!s.hasShown) {
            ok = EGifPutLine(s.gif, const_cast<GifPixelType*>(row), w) == GIF_OK;
            continue;
        }
        // Flat LEDs give an LED row's pixel rows one line; dots do not.
        if (y % z != 0 && !s.picture->RoundDots()) {
            ok = EGifPutLine(s.gif, line.data(), w) == GIF_OK;
            continue;
        }
        const size_t led = static_cast<size_t>(y0 + y / z) * s.width;
        for (int bx = x0; bx < x1; ++bx) {
            const size_t at = static_cast<size_t>(bx - x0) * z;
            if (s.pending[led + bx] == s.shown[led + bx])
                std::memset(line.data() + at, kTransparent, static_cast<size_t>(z));
            else
                std::memcpy(line.data() + at, row + at, static_cast<size_t>(z));
        }
        ok = EGifPutLine(s.gif, line.data(), w) == GIF_OK;
    }
    if (!ok) {
        error = std::string("cannot write the GIF: ") + GifErrorString(s.gif->Error);
        return false;
    }
    s.shown = s.pending;
    s.hasShown = true;
    ++m_Written;
    return true;
}

bool GifWriter::Finish(uint64_t endMs, std::string& error)
{
    if (m_->hasPending && !WritePending(std::max(endMs, m_->pendingMs), m_Written == 0, error))
        return false;
    m_->hasPending = false;
    int err = 0;
    const int r = EGifCloseFile(m_->gif, &err);
    m_->gif = nullptr;
    if (r != GIF_OK) {
        error = std::string("cannot write the GIF: ") + GifErrorString(err);
        return false;
    }
    return true;
}

} // namespace cli
