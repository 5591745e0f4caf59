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
    for (int by = 0; by < m_BoardHeight; ++by)
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

namespace {

static_assert(kInks <= 16); // an ink fits in four bits

// What a PNG of a picture is made from: its ink rows when it has them.
struct PngSource {
    int width, height;
    bool inks, roundDots;
    size_t rowBytes;
    const uint8_t* rows;
    size_t Bytes() const { return rowBytes * static_cast<size_t>(height); }
};

PngSource SourceOf(const BoardPicture& p)
{
    const bool inks = p.HasInkRows();
    return PngSource{p.Width(), p.Height(), inks, p.RoundDots(),
                     inks ? p.InkRowBytes() : static_cast<size_t>(p.Width()), inks ? p.InkRows() : p.Row(0)};
}

// The PNG file of a picture, made in memory (false when libpng refuses it).
bool EncodePng(const PngSource& s, std::vector<uint8_t>& out)
{
    out.clear();
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, size_t n) {
            auto* bytes = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
            bool stored = true;
            try {
                bytes->insert(bytes->end(), data, data + n);
            } catch (const std::bad_alloc&) {
                stored = false;
            }
            if (!stored)
                png_error(p, "out of memory"); // jumps out: not from inside the handler
        },
        nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(s.width), static_cast<png_uint_32>(s.height), s.inks ? 4 : 8,
                 PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Four bits: entry i is the full level of ink i, the colour its index had.
    const int entries = s.inks ? 16 : kInks * kInkLevels;
    png_color colours[kInks * kInkLevels];
    for (int i = 0; i < entries; ++i) {
        const Rgb c = BoardPalette()[static_cast<size_t>(s.inks ? Index(i, kInkLevels - 1) : i)];
        colours[i] = png_color{c.r, c.g, c.b};
    }
    png_set_PLTE(png, info, colours, entries);
    // The Up filter makes the rows an LED repeats zeros. Flat LEDs are then
    // runs of one index, which run-length matching finds at a fraction of
    // the usual search's cost, in files half the size; round dots repeat
    // every zoom pixels, which only the search finds (run-length matching
    // is three times slower there and its files ten times larger).
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_compression_level(png, 1);
    png_set_compression_strategy(png, s.roundDots ? Z_DEFAULT_STRATEGY : Z_RLE);
    png_write_info(png, info);
    for (int y = 0; y < s.height; ++y)
        png_write_row(png, const_cast<png_bytep>(s.rows + static_cast<size_t>(y) * s.rowBytes));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

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
    std::vector<uint8_t> bytes;
    if (!EncodePng(SourceOf(picture), bytes)) {
        error = "cannot write the PNG " + path.string();
        return false;
    }
    return WriteFile(path, bytes, error);
}

// ---- PNG frames on a thread

struct PngFrameWriter::State {
    struct Frame {
        std::filesystem::path path;
        int width, height;
        bool inks, roundDots;
        std::vector<uint8_t> rows; // as the picture's PngSource gives them
        bool SameRows(const Frame& o) const
        {
            return width == o.width && height == o.height && inks == o.inks && rows == o.rows;
        }
        PngSource Source() const
        {
            return PngSource{width, height, inks, roundDots, rows.size() / std::max<size_t>(height, 1), rows.data()};
        }
    };
    static constexpr size_t kMaxWaiting = 4;
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Frame> waiting;
    bool closing = false, busy = false;
    std::string error;
    std::thread thread;
    // The last frame written: a frame equal to it is the same file again.
    Frame last{};
    std::vector<uint8_t> lastPng;

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
            bool ok = failed;
            if (!failed) {
                const bool same = !lastPng.empty() && f.SameRows(last);
                if (!same && !EncodePng(f.Source(), lastPng))
                    why = "cannot write the PNG " + f.path.string();
                ok = why.empty() && WriteFile(f.path, lastPng, why);
                if (!same)
                    last = std::move(f);
                if (!ok)
                    lastPng.clear();
            }
            lk.lock();
            if (!ok && error.empty())
                error = why;
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
    State::Frame f{path, s.width, s.height, s.inks, s.roundDots, std::vector<uint8_t>(s.rows, s.rows + s.Bytes())};
    std::unique_lock lk(m_->lock);
    m_->changed.wait(lk, [this] { return m_->waiting.size() < State::kMaxWaiting || !m_->error.empty(); });
    if (!m_->error.empty()) {
        error = m_->error;
        return false;
    }
    m_->waiting.push_back(std::move(f));
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
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < s.width; ++x) {
                const size_t i = static_cast<size_t>(y) * s.width + x;
                if (s.pending[i] != s.shown[i]) {
                    x0 = std::min(x0, x);
                    x1 = std::max(x1, x + 1);
                    y0 = std::min(y0, y);
                    y1 = std::max(y1, y + 1);
                }
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
    std::vector<GifPixelType> line(static_cast<size_t>(w));
    for (int y = 0; ok && y < h; ++y) {
        const uint8_t* row = s.picture->Row(top + y) + left;
        if (!s.hasShown) {
            ok = EGifPutLine(s.gif, const_cast<GifPixelType*>(row), w) == GIF_OK;
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
