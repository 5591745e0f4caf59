// SPDX-License-Identifier: GPL-2.0-or-later
// lumivo-cli images add and remove: pictures in every format the tool reads
// become user images by the program's own conversion.
#include "test_support.h"

#include "core/user_image.h"

#include <csetjmp>
#include <cstdio>
#include <fstream>

#include <sys/stat.h>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

using namespace coretest;

namespace {

// Rows top to bottom, red, green, blue.
struct Rgb {
    int width, height;
    std::vector<uint8_t> rgb;
    void Set(int x, int y, uint8_t r, uint8_t g, uint8_t b)
    {
        uint8_t* p = rgb.data() + (size_t(y) * size_t(width) + size_t(x)) * 3;
        p[0] = r, p[1] = g, p[2] = b;
    }
};

// Four pixels a row: red, green, yellow, blue; a second row of dark grey.
Rgb Sample()
{
    Rgb s{4, 2, std::vector<uint8_t>(4 * 2 * 3, 40)};
    s.Set(0, 0, 255, 0, 0);
    s.Set(1, 0, 0, 255, 0);
    s.Set(2, 0, 255, 255, 0);
    s.Set(3, 0, 0, 0, 255);
    return s;
}

void WritePng(const std::filesystem::path& path, const Rgb& s)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(s.width);
    image.height = png_uint_32(s.height);
    image.format = PNG_FORMAT_RGB;
    ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, s.rgb.data(), 0, nullptr));
}

void WriteJpeg(const std::filesystem::path& path, const Rgb& s)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr err{};
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    jpeg_stdio_dest(&info, f);
    info.image_width = JDIMENSION(s.width);
    info.image_height = JDIMENSION(s.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    for (int c = 0; c < info.num_components; ++c) // no colour subsampling: sharp pixels
        info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(s.rgb.data() + size_t(info.next_scanline) * size_t(s.width) * 3);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(f);
}

// A 256-colour picture: one palette entry per distinct colour.
void WriteGif(const std::filesystem::path& path, const Rgb& s)
{
    GifColorType colours[8] = {};
    std::vector<GifByteType> raster;
    int used = 0;
    for (size_t i = 0; i < s.rgb.size(); i += 3) {
        int found = -1;
        for (int c = 0; c < used; ++c)
            if (colours[c].Red == s.rgb[i] && colours[c].Green == s.rgb[i + 1] && colours[c].Blue == s.rgb[i + 2])
                found = c;
        if (found < 0) {
            colours[used] = {s.rgb[i], s.rgb[i + 1], s.rgb[i + 2]};
            found = used++;
        }
        raster.push_back(GifByteType(found));
    }
    int code = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &code);
    ASSERT_NE(gif, nullptr);
    ColorMapObject* map = GifMakeMapObject(8, colours);
    EGifPutScreenDesc(gif, s.width, s.height, 8, 0, map);
    EGifPutImageDesc(gif, 0, 0, s.width, s.height, false, nullptr);
    for (int y = 0; y < s.height; ++y)
        EGifPutLine(gif, raster.data() + size_t(y) * size_t(s.width), s.width);
    GifFreeMapObject(map);
    EGifCloseFile(gif, &code);
}

// A 24-bit bottom-up bitmap with padded rows.
void WriteBmp(const std::filesystem::path& path, const Rgb& s)
{
    const size_t stride = (size_t(s.width) * 3 + 3) & ~size_t(3);
    std::vector<uint8_t> b(54 + stride * size_t(s.height), 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    b[0] = 'B', b[1] = 'M';
    put32(2, uint32_t(b.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(s.width));
    put32(22, uint32_t(s.height));
    b[26] = 1;
    b[28] = 24;
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
            const uint8_t* p = s.rgb.data() + (size_t(y) * size_t(s.width) + size_t(x)) * 3;
            uint8_t* d = b.data() + 54 + stride * size_t(s.height - 1 - y) + size_t(x) * 3;
            d[0] = p[2], d[1] = p[1], d[2] = p[0];
        }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

class CliImages : public ::testing::Test {
protected:
    Outcome Call(std::vector<std::string> args) { return RunProgram("lumivo-cli", std::move(args), dir.path); }
    void SetUp() override
    {
        setenv("LUMIVO_CONTENT_DIR", (dir / "content").c_str(), 1);
        std::filesystem::create_directory(dir / "content");
        ASSERT_TRUE(lumivo::WriteFileAtomic(dir / "content" / "314.qvr", TinyContainer()));
        ASSERT_EQ(Call({"new", Project()}).status, 0);
    }
    void TearDown() override { unsetenv("LUMIVO_CONTENT_DIR"); }
    std::string Project() const { return (dir / "p.qvndoc").string(); }
    std::vector<CRGX<8192>> Images()
    {
        TestContent content;
        auto project = MakeProject(content);
        EXPECT_TRUE(project->LoadFile(Project()).ok());
        return project->UserImages();
    }
    TempDir dir;
};

} // namespace

TEST_F(CliImages, EveryFormatBecomesTheSameUserImage)
{
    const Rgb sample = Sample();
    WritePng(dir / "a.png", sample);
    WriteJpeg(dir / "a.jpg", sample);
    WriteGif(dir / "a.gif", sample);
    WriteBmp(dir / "a.bmp", sample);
    for (const char* name : {"a.png", "a.jpg", "a.gif", "a.bmp"}) {
        const Outcome r = Call({"images", "add", Project(), (dir / name).string()});
        ASSERT_EQ(r.status, 0) << name << ": " << r.err;
    }
    const std::vector<CRGX<8192>> images = Images();
    ASSERT_EQ(images.size(), 4u);
    for (const CRGX<8192>& image : images) {
        EXPECT_EQ(image.header.width, 4);
        EXPECT_EQ(image.header.height, 2);
        EXPECT_EQ(image.header.type, CONTENT_IMAGE);
        EXPECT_EQ(image.data[0], 0x12); // red, green
        EXPECT_EQ(image.data[1], 0x30); // yellow, blue not shown
        EXPECT_EQ(image.data[2], 0x00); // dark grey
    }

    // Other thresholds: every pixel reaches a red of 0, only full green 255.
    ASSERT_EQ(Call({"images", "add", Project(), (dir / "a.png").string(), "--thresholds", "0,255,255"}).status, 0);
    EXPECT_EQ(Images().back().data[0], 0x13);
    EXPECT_EQ(Images().back().data[2], 0x11);
    EXPECT_EQ(Call({"images", "add", Project(), (dir / "a.png").string(), "--thresholds", "1,2"}).status, 2);

    // Remove N (1-based): the others move up.
    Outcome r = Call({"images", "remove", Project(), "5"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Images().size(), 4u);
    EXPECT_EQ(Call({"images", "remove", Project(), "5"}).status, 2);
    EXPECT_EQ(Call({"images", "remove", Project(), "0"}).status, 2);
}

TEST_F(CliImages, TooLargeDamagedAndTheNinthAreRefused)
{
    Rgb fits{128, 127, std::vector<uint8_t>(128 * 127 * 3, 200)};
    Rgb big{128, 128, std::vector<uint8_t>(128 * 128 * 3, 200)};
    WritePng(dir / "fits.png", fits);
    WriteBmp(dir / "big.bmp", big);
    ASSERT_EQ(Call({"images", "add", Project(), (dir / "fits.png").string()}).status, 0);
    Outcome r = Call({"images", "add", Project(), (dir / "big.bmp").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("128 × 128"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("8176"), std::string::npos) << r.err;

    // A truncated bitmap and a file of another kind are refused, not read past.
    std::ifstream in(dir / "big.bmp", std::ios::binary);
    std::vector<char> bytes(200);
    in.read(bytes.data(), 200);
    bytes[22] = 4; // 128 × 4: fits, but its pixels are not all there
    bytes[23] = 0;
    std::ofstream(dir / "cut.bmp", std::ios::binary).write(bytes.data(), 200);
    r = Call({"images", "add", Project(), (dir / "cut.bmp").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("truncated"), std::string::npos) << r.err;
    std::ofstream(dir / "notes.txt") << "not a picture";
    EXPECT_EQ(Call({"images", "add", Project(), (dir / "notes.txt").string()}).status, 1);

    // GIFs whose frame claims more than its small screen are refused from
    // the frame's descriptor, before any pixel is decoded.
    const char* source = std::getenv("LUMIVO_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    for (const char* name : {"gif-frame-beyond-int.gif", "gif-frame-beyond-screen.gif"}) {
        const std::filesystem::path gif = std::filesystem::path(source) / "lumivo/core/tests/data" / name;
        r = Call({"images", "add", Project(), gif.string()});
        EXPECT_EQ(r.status, 1) << name;
        EXPECT_NE(r.err.find("outside its screen of 10 × 10"), std::string::npos) << r.err;
    }
    // Nor is a FIFO under a picture's name waited on.
    ASSERT_EQ(::mkfifo((dir / "pipe.png").c_str(), 0600), 0);
    r = Call({"images", "add", Project(), (dir / "pipe.png").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("not a regular file"), std::string::npos) << r.err;

    for (int i = 1; i < 8; ++i)
        ASSERT_EQ(Call({"images", "add", Project(), (dir / "fits.png").string()}).status, 0);
    r = Call({"images", "add", Project(), (dir / "fits.png").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("already holds 8"), std::string::npos) << r.err;
    EXPECT_EQ(Images().size(), 8u);
}

TEST_F(CliImages, AGifFrameIsTakenAsItShowsInTheAnimation)
{
    const char* source = std::getenv("LUMIVO_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    const std::string gif = (std::filesystem::path(source) / "lumivo/core/tests/data/gif-three-frames.gif").string();
    // Frame by frame (1 red, 2 green, 3 yellow, 0 dark): the second frame over
    // the first; the third after the second was cleared to the background,
    // its transparent pixel showing the first frame below.
    const uint8_t expected[3][4] = {{0x11, 0x11, 0x11, 0x11}, {0x11, 0x22, 0x11, 0x11}, {0x11, 0x00, 0x31, 0x11}};
    for (int frame = 1; frame <= 3; ++frame) {
        const Outcome r = Call({"images", "add", Project(), gif, "--frame", std::to_string(frame)});
        ASSERT_EQ(r.status, 0) << frame << ": " << r.err;
        const CRGX<8192> image = Images().back();
        ASSERT_EQ(image.header.width, 4);
        ASSERT_EQ(image.header.height, 2);
        EXPECT_EQ(std::vector<uint8_t>(image.data, image.data + 4),
                  std::vector<uint8_t>(expected[frame - 1], expected[frame - 1] + 4))
            << "frame " << frame;
    }
    // The default is the first frame; frames that are not there are refused.
    ASSERT_EQ(Call({"images", "add", Project(), gif}).status, 0);
    EXPECT_EQ(Images().back().data[1], 0x11);
    Outcome r = Call({"images", "add", Project(), gif, "--frame", "4"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("3 frames, not a frame 4"), std::string::npos) << r.err;
    EXPECT_EQ(Call({"images", "add", Project(), gif, "--frame", "0"}).status, 2);
    WritePng(dir / "a.png", Sample());
    r = Call({"images", "add", Project(), (dir / "a.png").string(), "--frame", "2"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("one frame"), std::string::npos) << r.err;
    EXPECT_EQ(Images().size(), 4u);
}
