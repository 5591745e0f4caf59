// SPDX-License-Identifier: GPL-2.0-or-later
#include "picture_file.h"

#include "core/picture_convert.h"
#include "core/atomic_file.h"

#include <cstdio>
#include <cstring>
#include <csetjmp>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

namespace cli {
namespace {

using lumivo::Rgb24Picture;

// Set while a picture to be scaled is read: it may be larger than a user image.
thread_local bool t_toFit = false;

bool AllocateToFit(Rgb24Picture& p, long width, long height, std::string& error)
{
    error = lumivo::PictureSizeProblem(width, height);
    if (!error.empty())
        return false;
    p.width = int(width);
    p.height = int(height);
    p.bgr.assign(size_t(width) * size_t(height) * 3, 0);
    return true;
}

bool Allocate(Rgb24Picture& p, long width, long height, std::string& error)
{
    if (t_toFit)
        return AllocateToFit(p, width, height, error);
    if (width <= 0 || height <= 0) {
        error = "the picture has no pixels";
        return false;
    }
    if (!lumivo::FitsUserImage(int(std::min<long>(width, 1 << 20)), int(std::min<long>(height, 1 << 20)))) {
        error = lumivo::TooLargeText(int(width), int(height));
        return false;
    }
    p.width = int(width);
    p.height = int(height);
    p.bgr.assign(size_t(width) * size_t(height) * 3, 0);
    return true;
}

bool DecodePng(const uint8_t* data, size_t size, Rgb24Picture& p, std::string& error)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, data, size)) {
        error = std::string("not a readable PNG picture: ") + image.message;
        return false;
    }
    if (!Allocate(p, long(image.width), long(image.height), error)) {
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_BGR; // transparent parts come out black
    if (!png_image_finish_read(&image, nullptr, p.bgr.data(), 0, nullptr)) {
        error = std::string("the PNG picture is damaged: ") + image.message;
        return false;
    }
    return true;
}

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char text[JMSG_LENGTH_MAX];
};

void JpegFail(j_common_ptr info)
{
    auto* e = reinterpret_cast<JpegError*>(info->err);
    info->err->format_message(info, e->text);
    std::longjmp(e->jump, 1);
}

bool DecodeJpeg(const uint8_t* data, size_t size, Rgb24Picture& p, std::string& error)
{
    jpeg_decompress_struct info{};
    JpegError err{};
    info.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegFail;
    err.mgr.output_message = [](j_common_ptr) {}; // warnings are not the user's business
    std::vector<uint8_t> row;
    if (setjmp(err.jump)) {
        error = std::string("the JPEG picture cannot be read: ") + err.text;
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    if (!Allocate(p, long(info.image_width), long(info.image_height), error)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    row.resize(size_t(info.output_width) * 3);
    while (info.output_scanline < info.output_height && int(info.output_scanline) < p.height) {
        JSAMPROW rows[1] = {row.data()};
        const int y = int(info.output_scanline);
        jpeg_read_scanlines(&info, rows, 1);
        uint8_t* d = p.bgr.data() + size_t(y) * size_t(p.width) * 3;
        for (int x = 0; x < p.width && size_t(x) < info.output_width; ++x) {
            d[3 * x] = row[3 * x + 2];
            d[3 * x + 1] = row[3 * x + 1];
            d[3 * x + 2] = row[3 * x];
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
};

int ReadGif(GifFileType* gif, GifByteType* out, int want)
{
    auto* m = static_cast<MemoryReader*>(gif->UserData);
    const size_t n = std::min(size_t(want > 0 ? want : 0), m->size - m->at);
    std::memcpy(out, m->data + m->at, n);
    m->at += n;
    return int(n);
}

// giflib has no text for some failures (a frame too large for its own
// arithmetic ends with no error code at all).
std::string GifWhy(int code)
{
    const char* text = GifErrorString(code);
    return text ? text : "damaged data";
}

// The frame must lie within the screen, which has passed the user-image
// limit: a frame claiming more is refused before anything is decoded.
bool FrameFits(const GifFileType* gif, std::string& error)
{
    const GifImageDesc& d = gif->Image;
    if (d.Left < 0 || d.Top < 0 || d.Width <= 0 || d.Height <= 0 || long(d.Left) + d.Width > gif->SWidth ||
        long(d.Top) + d.Height > gif->SHeight) {
        error = "the GIF picture has a frame of " + std::to_string(d.Width) + " × " + std::to_string(d.Height) +
                " pixels at " + std::to_string(d.Left) + "," + std::to_string(d.Top) +
                ", outside its screen of " + std::to_string(gif->SWidth) + " × " + std::to_string(gif->SHeight);
        return false;
    }
    return true;
}

// The first frame, decoded row by row into indexes.
bool ReadFrame(GifFileType* gif, std::vector<GifByteType>& raster)
{
    const GifImageDesc& d = gif->Image;
    raster.assign(size_t(d.Width) * size_t(d.Height), 0);
    auto line = [&](int y) {
        return DGifGetLine(gif, raster.data() + size_t(y) * size_t(d.Width), d.Width) == GIF_OK;
    };
    if (!d.Interlace) {
        for (int y = 0; y < d.Height; ++y)
            if (!line(y))
                return false;
        return true;
    }
    static const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = start[pass]; y < d.Height; y += step[pass])
            if (!line(y))
                return false;
    return true;
}

// A later frame is only checked: its compressed data is skipped undecoded.
bool SkipFrame(GifFileType* gif)
{
    int codeSize = 0;
    GifByteType* block = nullptr;
    if (DGifGetCode(gif, &codeSize, &block) != GIF_OK)
        return false;
    while (block)
        if (DGifGetCodeNext(gif, &block) != GIF_OK)
            return false;
    return true;
}

// One frame over the screen: its transparent pixels leave what is there.
void DrawFrame(const GifImageDesc& d, const std::vector<GifByteType>& raster, const std::vector<GifColorType>& colours,
               int transparent, Rgb24Picture& p)
{
    for (int y = 0; y < d.Height; ++y)
        for (int x = 0; x < d.Width; ++x) {
            const int index = raster[size_t(y) * size_t(d.Width) + size_t(x)];
            if (index == transparent || size_t(index) >= colours.size())
                continue;
            const GifColorType& c = colours[size_t(index)];
            uint8_t* out = p.bgr.data() + (size_t(d.Top + y) * size_t(p.width) + size_t(d.Left + x)) * 3;
            out[0] = c.Blue;
            out[1] = c.Green;
            out[2] = c.Red;
        }
}

// What the frame leaves for the next: the screen as it is, the frame's
// place made dark, or the screen as before the frame.
void DisposeFrame(const GifImageDesc& d, int disposal, const std::vector<uint8_t>& before, Rgb24Picture& p)
{
    if (disposal == DISPOSE_PREVIOUS && !before.empty())
        p.bgr = before;
    else if (disposal == DISPOSE_BACKGROUND)
        for (int y = 0; y < d.Height; ++y)
            std::memset(p.bgr.data() + (size_t(d.Top + y) * size_t(p.width) + size_t(d.Left)) * 3, 0,
                        size_t(d.Width) * 3);
}

bool DecodeGif(const uint8_t* data, size_t size, Rgb24Picture& p, std::string& error, int frame, int* frames)
{
    MemoryReader reader{data, size};
    int code = 0;
    GifFileType* gif = DGifOpen(&reader, ReadGif, &code);
    if (!gif) {
        error = "not a readable GIF picture: " + GifWhy(code);
        return false;
    }
    struct Closer {
        GifFileType* gif;
        ~Closer() { DGifCloseFile(gif, nullptr); }
    } closer{gif};
    if (!Allocate(p, gif->SWidth, gif->SHeight, error))
        return false;
    auto damaged = [&] {
        error = "the GIF picture is damaged: " + GifWhy(gif->Error);
        return false;
    };
    // Record by record, so that every frame's size is checked before its
    // pixels are decoded. The frames up to the chosen one are drawn over a
    // black screen in turn, each disposed of as it asks; later ones are
    // only counted. Data after the chosen frame need not be sound.
    std::vector<GifByteType> raster;
    std::vector<GifColorType> colours; // a copy: giflib frees the frame's table at the next frame
    std::vector<uint8_t> before;
    GraphicsControlBlock pending{};
    pending.TransparentColor = NO_TRANSPARENT_COLOR;
    int index = 0;
    uint64_t decoded = 0;
    const auto done = [&] { return index > frame; };
    for (GifRecordType type = UNDEFINED_RECORD_TYPE; type != TERMINATE_RECORD_TYPE && index < kMaxGifFrames;) {
        if (DGifGetRecordType(gif, &type) != GIF_OK)
            return done() ? true : damaged();
        if (type == EXTENSION_RECORD_TYPE) {
            int function = 0;
            GifByteType* ext = nullptr;
            if (DGifGetExtension(gif, &function, &ext) != GIF_OK)
                return done() ? true : damaged();
            if (function == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4 && !done())
                DGifExtensionToGCB(ext[0], ext + 1, &pending);
            while (ext)
                if (DGifGetExtensionNext(gif, &ext) != GIF_OK)
                    return done() ? true : damaged();
        } else if (type == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif) != GIF_OK)
                return done() ? true : damaged();
            if (!FrameFits(gif, error))
                return false;
            if (done()) {
                ++index;
                if (!SkipFrame(gif))
                    break;
                continue;
            }
            const GifImageDesc d = gif->Image;
            decoded += uint64_t(d.Width) * uint64_t(d.Height);
            if (decoded > kMaxGifDecodedPixels) {
                error = "frame " + std::to_string(frame + 1) + " of the GIF picture lies behind more than " +
                        std::to_string(kMaxGifDecodedPixels / 1000000) + " megapixels of frames";
                return false;
            }
            if (const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap)
                colours.assign(map->Colors, map->Colors + map->ColorCount);
            else
                colours.clear();
            if (colours.empty()) {
                error = "the GIF picture has no colour table";
                return false;
            }
            if (!ReadFrame(gif, raster))
                return damaged();
            if (index < frame && pending.DisposalMode == DISPOSE_PREVIOUS)
                before = p.bgr;
            DrawFrame(d, raster, colours, pending.TransparentColor, p);
            if (index < frame)
                DisposeFrame(d, pending.DisposalMode, before, p);
            before.clear();
            pending = {};
            pending.TransparentColor = NO_TRANSPARENT_COLOR;
            ++index;
        }
    }
    if (frames)
        *frames = index;
    if (index == 0) {
        error = "the GIF picture has no frame";
        return false;
    }
    if (!done()) {
        error = "the GIF picture has " + std::to_string(index) + (index == 1 ? " frame" : " frames") +
                ", not a frame " + std::to_string(frame + 1);
        return false;
    }
    return true;
}

uint32_t Le32(const uint8_t* b) { return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24; }
uint16_t Le16(const uint8_t* b) { return uint16_t(b[0] | b[1] << 8); }

// Uncompressed Windows bitmaps of 1, 4, 8, 24 and 32 bits a pixel.
bool DecodeBmp(const uint8_t* data, size_t size, Rgb24Picture& p, std::string& error)
{
    if (size < 14 + 40) {
        error = "the BMP picture is truncated";
        return false;
    }
    const uint32_t pixelsAt = Le32(data + 10);
    const uint32_t headerSize = Le32(data + 14);
    const int32_t width = int32_t(Le32(data + 18));
    const int32_t rawHeight = int32_t(Le32(data + 22));
    const uint16_t bits = Le16(data + 28);
    const uint32_t compression = Le32(data + 30);
    uint32_t colours = Le32(data + 46);
    if (headerSize < 40 || headerSize > size - 14) {
        error = "the BMP picture has a header of an unknown kind";
        return false;
    }
    // 32-bit pictures may name their (usual) channel masks.
    if (!(compression == 0 || (compression == 3 && bits == 32))) {
        error = "compressed BMP pictures are not read";
        return false;
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) {
        error = "BMP pictures of " + std::to_string(bits) + " bits a pixel are not read";
        return false;
    }
    const bool bottomUp = rawHeight > 0;
    const long height = rawHeight == INT32_MIN ? 0 : (rawHeight < 0 ? -long(rawHeight) : long(rawHeight));
    if (!Allocate(p, width, height, error))
        return false;
    const size_t paletteAt = 14 + size_t(headerSize);
    if (bits <= 8) {
        if (colours == 0 || colours > (1u << bits))
            colours = 1u << bits;
        if (paletteAt + size_t(colours) * 4 > size) {
            error = "the BMP picture's colour table is truncated";
            return false;
        }
    }
    const size_t stride = ((size_t(width) * bits + 31) / 32) * 4;
    if (pixelsAt > size || stride * size_t(height) > size - pixelsAt) {
        error = "the BMP picture's pixels are truncated";
        return false;
    }
    for (long y = 0; y < height; ++y) {
        const uint8_t* row = data + pixelsAt + stride * size_t(bottomUp ? height - 1 - y : y);
        uint8_t* out = p.bgr.data() + size_t(y) * size_t(width) * 3;
        for (long x = 0; x < width; ++x, out += 3) {
            if (bits >= 24) {
                std::memcpy(out, row + size_t(x) * (bits / 8), 3);
                continue;
            }
            const size_t bit = size_t(x) * bits;
            const unsigned index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
            if (index < colours)
                std::memcpy(out, data + paletteAt + size_t(index) * 4, 3);
        }
    }
    return true;
}

} // namespace

bool DecodePicture(const uint8_t* data, size_t size, lumivo::Rgb24Picture& picture, std::string& error, int frame,
                   int* frames)
{
    picture = {};
    if (frames)
        *frames = 1;
    if (size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0))
        return DecodeGif(data, size, picture, error, frame, frames);
    if (frame != 0) {
        error = "the picture has one frame, not a frame " + std::to_string(frame + 1);
        return false;
    }
    if (size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) == 0)
        return DecodePng(data, size, picture, error);
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return DecodeJpeg(data, size, picture, error);
    if (size >= 2 && data[0] == 'B' && data[1] == 'M')
        return DecodeBmp(data, size, picture, error);
    error = "not a picture this tool reads (PNG, JPEG, GIF or BMP)";
    return false;
}

bool ReadPictureFile(const std::filesystem::path& path, lumivo::Rgb24Picture& picture, std::string& error, int frame)
{
    // Bounded, and a FIFO or device under a picture's name is refused, not waited on.
    std::vector<uint8_t> bytes;
    if (lumivo::Result r = lumivo::ReadFileLimited(path, kMaxPictureFile, bytes); !r) {
        error = r.messages().empty() ? "cannot read " + path.string() : r.messages().front().text;
        return false;
    }
    if (!DecodePicture(bytes.data(), bytes.size(), picture, error, frame)) {
        error = path.string() + ": " + error;
        return false;
    }
    return true;
}

bool ReadPictureFileToFit(const std::filesystem::path& path, lumivo::Rgb24Picture& picture, std::string& error,
                          int frame)
{
    t_toFit = true;
    const bool ok = ReadPictureFile(path, picture, error, frame);
    t_toFit = false;
    return ok;
}

} // namespace cli
