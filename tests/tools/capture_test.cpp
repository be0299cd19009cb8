// The capture tool: its PNG and GIF files decode to exactly the frames the
// program showed, and it answers bad options and unwritable outputs.
#include <gif_lib.h>
#include <png.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "../support/app_fixture.h"
#include "tools/capture/frame_writers.h"

namespace {

namespace fs = std::filesystem;

struct Shown {
    std::vector<std::uint8_t> pixels;
    std::vector<PALETTEENTRY> palette;
};

bool read_png(const std::string& path, Shown& shown) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    if (!(image.format & PNG_FORMAT_FLAG_COLORMAP)) return false;
    image.format = PNG_FORMAT_RGB_COLORMAP;
    shown.pixels.resize(PNG_IMAGE_SIZE(image));
    std::vector<std::uint8_t> colours(PNG_IMAGE_COLORMAP_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, shown.pixels.data(), 0, colours.data())) return false;
    shown.palette.resize(image.colormap_entries);
    for (std::size_t i = 0; i < shown.palette.size(); ++i) {
        shown.palette[i] = {colours[3 * i], colours[3 * i + 1], colours[3 * i + 2], 0};
    }
    return true;
}

class CaptureToolTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        platform::reset();
        ASSERT_EQ(std::system((std::string(NIGHTWICK_ART) + " .").c_str()), 0);
    }
    // Runs the program in this process and keeps frames first to last.
    std::vector<Shown> frames_in_memory(int first, int last, int total) {
        struct Keep {
            int first, last;
            std::vector<Shown> kept;
        } keep{first, last, {}};
        platform::HeadlessHost* host = platform::headless_host();
        host->key_at(total, VK_ESCAPE);
        host->on_present(
            [](const platform::HeadlessHost& shown, void* context) {
                auto* k = static_cast<Keep*>(context);
                if (shown.frames() >= k->first && shown.frames() <= k->last) {
                    k->kept.push_back(Shown{shown.page(), shown.page_palette()});
                }
            },
            &keep);
        char command_line[] = "";
        EXPECT_EQ(WinMain(nullptr, nullptr, command_line, SW_SHOWNORMAL), 0);
        return keep.kept;
    }
    static int run_tool(const std::string& arguments, const std::string& output = "out.txt") {
        const int status =
            std::system((std::string(NIGHTWICK_CAPTURE) + " " + arguments + " >" + output + " 2>err.txt").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    static std::string file_bytes(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static bool same_colours(const Shown& a, const Shown& b, std::size_t pixel) {
        const PALETTEENTRY& x = a.palette[a.pixels[pixel]];
        const PALETTEENTRY& y = b.palette[b.pixels[pixel]];
        return x.peRed == y.peRed && x.peGreen == y.peGreen && x.peBlue == y.peBlue;
    }
};

TEST_F(CaptureToolTest, PngFilesHoldTheShownFrameAndItsPalette) {
    ASSERT_EQ(run_tool("--frames 70 --png 64=f64.png --png 2=f2.png --png 64=again.png"), 0);
    const auto frames = frames_in_memory(64, 64, 70);
    ASSERT_EQ(frames.size(), 1u);
    Shown decoded;
    ASSERT_TRUE(read_png("f64.png", decoded));
    ASSERT_EQ(decoded.pixels.size(), 640u * 480u);
    EXPECT_EQ(decoded.pixels, frames[0].pixels);
    for (std::size_t i = 0; i < 256; ++i) {
        ASSERT_EQ(decoded.palette[i].peRed, frames[0].palette[i].peRed);
        ASSERT_EQ(decoded.palette[i].peBlue, frames[0].palette[i].peBlue);
    }
    EXPECT_TRUE(fs::exists("f2.png"));
    EXPECT_EQ(file_bytes("again.png"), file_bytes("f64.png"));  // one frame, two files: both written
}

TEST_F(CaptureToolTest, GifFramesDecodeToTheShownPixels) {
    ASSERT_EQ(run_tool("--frames 130 --gif 60-125=clip.gif --gif 60-61=short.gif"), 0);
    EXPECT_GT(fs::file_size("short.gif"), 0u);
    const auto frames = frames_in_memory(60, 125, 130);
    ASSERT_EQ(frames.size(), 66u);
    int error = 0;
    GifFileType* gif = DGifOpenFileName("clip.gif", &error);
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    ASSERT_EQ(gif->ImageCount, 66);
    ASSERT_EQ(gif->SWidth, 640);
    // Play the GIF: each image is drawn over the last, its transparent
    // pixels leaving the canvas alone.
    std::vector<std::uint8_t> canvas(640 * 480, 0);
    int total_delay = 0;
    for (int n = 0; n < gif->ImageCount; ++n) {
        const SavedImage& image = gif->SavedImages[n];
        GraphicsControlBlock control{};
        DGifSavedExtensionToGCB(gif, n, &control);
        total_delay += control.DelayTime;
        const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        Shown shown{std::vector<std::uint8_t>(640 * 480), std::vector<PALETTEENTRY>(256)};
        for (int i = 0; i < map->ColorCount; ++i) {
            shown.palette[i] = {map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue, 0};
        }
        const GifImageDesc& d = image.ImageDesc;
        for (int y = 0; y < d.Height; ++y) {
            for (int x = 0; x < d.Width; ++x) {
                const std::uint8_t v = image.RasterBits[y * d.Width + x];
                if (v != control.TransparentColor) canvas[(d.Top + y) * 640 + d.Left + x] = v;
            }
        }
        shown.pixels = canvas;
        for (std::size_t p = 0; p < canvas.size(); p += 7) {
            ASSERT_TRUE(same_colours(shown, frames[n], p)) << "frame " << n << " pixel " << p;
        }
    }
    EXPECT_EQ(total_delay, 66 * 5 / 3);  // 60 frames a second
    DGifCloseFile(gif, &error);
}

// The frames the tool hashes are the ones this process shows, so its
// checksums are also the same on every run. With --every N it hashes the
// pixels a window 1/N the size shows: every Nth of every Nth row.
TEST_F(CaptureToolTest, ChecksumsAreOnePerShownFrame) {
    const std::vector<Shown> frames = frames_in_memory(1, 40, 40);
    ASSERT_EQ(frames.size(), 40u);
    for (const int every : {1, 3}) {
        ASSERT_EQ(run_tool("--frames 40 --checksums --every " + std::to_string(every)), 0);
        std::ifstream printed("out.txt");
        std::vector<std::string> lines;
        for (std::string line; std::getline(printed, line);) lines.push_back(line);
        ASSERT_EQ(lines.size(), 40u);
        const int width = 640 / every, height = 480 / every;
        std::vector<std::uint8_t> sampled(static_cast<std::size_t>(width) * height);
        for (std::size_t n = 0; n < frames.size(); ++n) {
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x)
                    sampled[y * width + x] = frames[n].pixels[(y * every) * 640 + x * every];
            }
            char line[64];
            const Frame frame{sampled.data(), width, height, frames[n].palette};
            std::snprintf(line, sizeof line, "frame %zu checksum %08x", n + 1, frame_checksum(frame));
            EXPECT_EQ(lines[n], line) << "every " << every;
        }
    }
}

TEST_F(CaptureToolTest, BadOptionsAndUnwritableOutputsFail) {
    const struct {
        const char* arguments;
        int code;
        const char* said;
    } cases[] = {
        {"", 2, "--frames is required"},
        {"--frames x", 2, "--frames takes 1 to 10000000"},
        {"--frames 10000001", 2, "--frames takes 1 to 10000000"},
        {"--frames 10 --png 20=late.png", 2, "after the last frame"},
        {"--frames 10 --gif 5-2=back.gif", 2, "FIRST not after LAST"},
        {"--frames 10 --wobble", 2, "unknown option --wobble"},
        {"--frames 10 stray", 2, "not an option: stray"},
        {"--frames 10 --png 3=a.png --gif 1-3=./a.png", 2, "a.png is named as the output of two requests"},
        {"--frames 10 --dir /no/such/directory", 2, "cannot use the directory"},
        {"--frames 10 --png 3=/no/such/directory/f.png", 1, "/no/such/directory/f.png: No such file or directory"},
        {"--frames 10 --gif 1-3=/no/such/directory/f.gif", 1, "/no/such/directory/f.gif: No such file or directory"},
        {"--help", 0, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run_tool(c.arguments), c.code) << c.arguments;
        EXPECT_NE(file_bytes("err.txt").find(c.said), std::string::npos)
            << c.arguments << ": " << file_bytes("err.txt");
    }
    EXPECT_FALSE(fs::exists("a.png"));  // refused before anything was done
    // Checksums that do not reach standard output are a failure.
    EXPECT_EQ(run_tool("--frames 10 --checksums", "/dev/full"), 1);
    EXPECT_NE(file_bytes("err.txt").find("cannot write the checksums: No space left on device"), std::string::npos);
}

// On a full disk the files already there stay as they were, byte for byte,
// and nothing is left beside them.
TEST_F(CaptureToolTest, AFullDiskKeepsTheFilesThatWereThere) {
    fs::create_directories("full");
    if (std::system("mount -t tmpfs -o size=256k tmpfs full 2>err.txt") != 0) {
        GTEST_SKIP() << "cannot mount a small file system to fill: " << file_bytes("err.txt");
    }
    ASSERT_EQ(run_tool("--frames 20 --png 5=full/a.png --gif 1-2=full/g.gif"), 0);
    const std::string png = file_bytes("full/a.png"), gif = file_bytes("full/g.gif");
    std::ofstream("full/filler", std::ios::binary) << std::string(256 << 10, 'x');  // as much as fits
    EXPECT_EQ(run_tool("--frames 20 --png 9=full/a.png --gif 1-20=full/g.gif --checksums", "full/sums"), 1);
    const std::string said = file_bytes("err.txt");
    for (const char* reason : {"cannot write ", "a.png: No space left on device", "g.gif: No space left on device",
                               "cannot write the checksums: No space left"}) {
        EXPECT_NE(said.find(reason), std::string::npos) << reason << " in " << said;
    }
    EXPECT_EQ(file_bytes("full/a.png"), png);
    EXPECT_EQ(file_bytes("full/g.gif"), gif);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator("full")) left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"a.png", "filler", "g.gif", "sums"}));
    EXPECT_EQ(std::system("umount full"), 0);
}

TEST_F(CaptureToolTest, ThePicturesCanLieElsewhere) {
    fs::create_directories("elsewhere");
    for (const char* name :
         {"VeskBack.pcx", "Mosquito.pcx", "Mfall.pcx", "Mturn.pcx", "Mzap.pcx", "Mzapa.pcx", "Lamp.pcx", "Rail.pcx"}) {
        fs::rename(name, fs::path("elsewhere") / name);
    }
    ASSERT_EQ(run_tool("--frames 5 --dir elsewhere --png 3=three.png"), 0);
    EXPECT_TRUE(fs::exists("three.png"));
}

}  // namespace
