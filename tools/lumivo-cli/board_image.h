// SPDX-License-Identifier: GPL-2.0-or-later
// Pictures of a board image for "render": each LED scaled to a square of
// zoom x zoom pixels, or drawn as a round dot on a dark background; written
// as PNG files or as the frames of an animated GIF.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace cli {

// Every picture uses one palette: 9 inks (the 8 LED colours and the unlit
// LED of the dot style), each at 16 levels of coverage over the background.
struct Rgb {
    uint8_t r, g, b;
};
constexpr int kInkLevels = 16;
constexpr int kInks = 9;
const std::vector<Rgb>& BoardPalette(); // 256 entries, unused ones black

class BoardPicture {
public:
    BoardPicture(int boardWidth, int boardHeight, int zoom, bool dots);
    int Width() const { return m_Width; }
    int Zoom() const { return m_Zoom; }
    int Height() const { return m_Height; }
    // Whether LEDs are drawn as round dots (else as flat squares).
    bool RoundDots() const { return m_bDots && m_Zoom >= 3; }
    // Draws a board image (0x00RRGGBB, boardWidth x boardHeight). Only the
    // LEDs whose colour changed since the last drawing are drawn again.
    void Draw(const uint32_t* board);
    const uint8_t* Row(int y) const { return m_Pixels.data() + static_cast<size_t>(y) * m_Width; }
    // Flat LEDs use only the full level of each ink: the picture is then also
    // kept as four bits a pixel, the ink itself, rows of InkRowBytes bytes
    // (a PNG of half the bytes). Empty for round dots.
    bool HasInkRows() const { return !m_InkRows.empty(); }
    size_t InkRowBytes() const { return (static_cast<size_t>(m_Width) + 1) / 2; }
    const uint8_t* InkRows() const { return m_InkRows.data(); }
    // The ink (LED colour, or the unlit LED of the dot style) the last
    // drawing gave an LED.
    int InkAt(int bx, int by) const { return m_Inks[static_cast<size_t>(by) * m_BoardWidth + bx]; }

private:
    void DrawInk(int bx, int by, int ink);

    int m_BoardWidth, m_BoardHeight, m_Zoom;
    bool m_bDots;
    int m_Width, m_Height;
    std::vector<uint8_t> m_Tiles;  // zoom x zoom palette indexes of one LED, per ink
    std::vector<int8_t> m_Inks;    // per LED, -1 before the first drawing
    std::vector<uint32_t> m_Board; // the board last drawn
    std::vector<uint8_t> m_Pixels; // palette indexes
    std::vector<uint8_t> m_InkRows; // inks, two pixels a byte, high nibble first
};

struct PngSource;

// PNG files of a picture as it changes: what did not change since the last
// picture encoded is not compressed again.
class PngEncoder {
public:
    PngEncoder();
    ~PngEncoder();
    // The PNG file's bytes, valid until the next call; null when libpng or
    // zlib refuse.
    const std::vector<uint8_t>* Encode(const BoardPicture& picture);
    const std::vector<uint8_t>* Encode(const PngSource& source);

private:
    struct State;
    std::unique_ptr<State> m_;
};

// False with a reason when the file cannot be written.
bool WritePng(const std::filesystem::path& path, const BoardPicture& picture, std::string& error);

// PNG frames written on a thread of their own while the player goes on: each
// frame's pixels are copied, at most a few frames wait. The first failure
// stops the writing and is reported by Add (from then on) and Finish.
class PngFrameWriter {
public:
    PngFrameWriter();
    ~PngFrameWriter(); // waits for the frames already added
    bool Add(const std::filesystem::path& path, const BoardPicture& picture, std::string& error);
    // Waits until every frame is written; false with the first failure.
    bool Finish(std::string& error);

private:
    struct State;
    std::unique_ptr<State> m_;
};

// An endlessly looping GIF. Frames come with their time; a frame is shown
// until the next one (or the end). Equal frames are merged and only the
// changed rectangle of a frame is stored.
class GifWriter {
public:
    GifWriter();
    ~GifWriter();
    bool Open(const std::filesystem::path& path, int boardWidth, int boardHeight, int zoom, bool dots,
              std::string& error);
    // Frames in time order, the first at 0 ms.
    bool AddFrame(const uint32_t* board, uint64_t ms, std::string& error);
    // Writes the last frame, shown until endMs, and closes the file.
    bool Finish(uint64_t endMs, std::string& error);
    unsigned FramesWritten() const { return m_Written; }

private:
    // force: write even a frame too short to show (a GIF needs one frame).
    bool WritePending(uint64_t untilMs, bool force, std::string& error);
    struct State;
    std::unique_ptr<State> m_;
    unsigned m_Written = 0;
};

} // namespace cli
