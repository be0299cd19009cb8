// The reader against PCX files written by an independent encoder (netpbm's
// ppmtopcx), compared pixel by pixel with what the same tool's pcxtoppm
// decodes from them.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "../../support/gfx_fixture.h"

namespace {

struct Rgb {
    std::uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};

struct Picture {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;
};

void write_ppm(const std::string& path, const Picture& picture) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << picture.width << " " << picture.height << "\n255\n";
    out.write(reinterpret_cast<const char*>(picture.pixels.data()),
              static_cast<std::streamsize>(picture.pixels.size() * 3));
}

bool read_ppm(const std::string& path, Picture& picture) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    in >> magic >> picture.width >> picture.height >> maxval;
    in.get();
    if (magic != "P6" || maxval != 255) return false;
    picture.pixels.resize(static_cast<std::size_t>(picture.width) * picture.height);
    in.read(reinterpret_cast<char*>(picture.pixels.data()), static_cast<std::streamsize>(picture.pixels.size() * 3));
    return static_cast<bool>(in);
}

// A picture of `colours` distinct colours in an irregular pattern.
Picture generated(int width, int height, int colours, unsigned seed) {
    Picture picture{width, height, {}};
    std::vector<Rgb> palette;
    for (int i = 0; i < colours; ++i) {
        palette.push_back(Rgb{static_cast<std::uint8_t>((i * 97 + seed) & 0xFF),
                              static_cast<std::uint8_t>((i * 31 + 7) & 0xFF),
                              static_cast<std::uint8_t>((i * 13 + seed * 3) & 0xFF)});
    }
    unsigned state = seed;
    for (int i = 0; i < width * height; ++i) {
        state = state * 1103515245u + 12345u;
        // Runs of repeated colours as well as single pixels.
        const int pick = (state >> 16) % 5 == 0 ? static_cast<int>((state >> 8) % colours) : (i / 3) % colours;
        picture.pixels.push_back(palette[pick]);
    }
    return picture;
}

class RealEncoderTest : public GfxTest, public ::testing::WithParamInterface<std::tuple<const char*, int, int>> {
protected:
    void SetUp() override {
        GfxTest::SetUp();
        if (std::system("command -v ppmtopcx >/dev/null 2>&1 && command -v pcxtoppm >/dev/null 2>&1") != 0) {
            FAIL() << "netpbm's ppmtopcx and pcxtoppm are needed (Debian package netpbm)";
        }
        base_ = ::testing::TempDir() + "real_encoder_" + std::to_string(::getpid());
    }
    void TearDown() override {
        for (const char* ending : {".ppm", ".pcx", ".back.ppm"}) std::remove((base_ + ending).c_str());
        GfxTest::TearDown();
    }
    std::string base_;
};

TEST_P(RealEncoderTest, EveryStoredPixelMatchesTheEncodersOwnDecoding) {
    const auto [options, colours, bits] = GetParam();
    const Picture original = generated(37, 23, colours, static_cast<unsigned>(colours + bits));
    write_ppm(base_ + ".ppm", original);
    const std::string encode = std::string("ppmtopcx -quiet ") + options + " " + base_ + ".ppm > " + base_ + ".pcx";
    ASSERT_EQ(std::system(encode.c_str()), 0) << encode;
    const std::string decode = "pcxtoppm -quiet " + base_ + ".pcx > " + base_ + ".back.ppm";
    ASSERT_EQ(std::system(decode.c_str()), 0);
    Picture decoded;
    ASSERT_TRUE(read_ppm(base_ + ".back.ppm", decoded));
    ASSERT_EQ(decoded.width, 37);

    setup_display(bits);
    const BufferHandle target = gfx_create_buffer(40, 30);
    gfx_select_buffer(target);
    // An 8-bit display shows pictures on entries 10 to 245 only: 256-colour
    // pictures get there through colour reduction.
    const std::int32_t flags = bits == 8 && colours > 16 ? 0 : PCX_NO_COLOR_REDUCTION;
    ASSERT_EQ(gfx_load_pcx((base_ + ".pcx").c_str(), flags), 0);
    Locked locked;
    for (int y = 0; y < 23; ++y) {
        for (int x = 0; x < 37; ++x) {
            const Rgb want = decoded.pixels[static_cast<std::size_t>(y) * 37 + x];
            Rgb got{};
            if (bits == 8) {
                const PALETTEENTRY& e = master_palette.entries[*locked.at(x, y)];
                got = Rgb{e.peRed, e.peGreen, e.peBlue};
            } else {
                got = Rgb{locked.at(x, y)[2], locked.at(x, y)[1], locked.at(x, y)[0]};
            }
            ASSERT_EQ(got, want) << "pixel " << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, RealEncoderTest,
                         ::testing::Values(std::tuple{"", 2, 8}, std::tuple{"", 2, 32},                // 1 bit
                                           std::tuple{"", 16, 8}, std::tuple{"", 16, 24},              // 4 planes
                                           std::tuple{"-8bit", 200, 8}, std::tuple{"-8bit", 200, 32},  // 256 colours
                                           std::tuple{"-24bit", 300, 32}, std::tuple{"-24bit", 300, 24}));

}  // namespace
