// The reader against PCX files written by independent encoders (netpbm's
// ppmtopcx in every layout it writes, ImageMagick, GraphicsMagick and
// Pillow), made at test time in several sizes and loaded into buffers of
// every depth. Every pixel must show what the encoder itself (netpbm's
// pcxtoppm for ppmtopcx) decodes from the same file; a file the encoder's
// own decoder finds cut short must be reported so. Layouts the reader does
// not take (2 or 3 planes of 1 bit, 4 bits packed in one plane) must be
// refused with result 3, never shown in wrong colours.
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <span>

#include "../../support/gfx_fixture.h"

namespace {

struct Rgb {
    std::uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};

struct Picture {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;
    std::vector<std::uint8_t> alpha;  // empty: opaque
};

// PPM, or PAM with an alpha channel.
void write_picture(const std::string& path, const Picture& picture) {
    std::ofstream out(path, std::ios::binary);
    if (picture.alpha.empty()) {
        out << "P6\n" << picture.width << " " << picture.height << "\n255\n";
        out.write(reinterpret_cast<const char*>(picture.pixels.data()),
                  static_cast<std::streamsize>(picture.pixels.size() * 3));
        return;
    }
    out << "P7\nWIDTH " << picture.width << "\nHEIGHT " << picture.height
        << "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
        const Rgb& p = picture.pixels[i];
        const char rgba[4] = {static_cast<char>(p.r), static_cast<char>(p.g), static_cast<char>(p.b),
                              static_cast<char>(picture.alpha[i])};
        out.write(rgba, 4);
    }
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

// A picture of at most `colours` distinct colours in an irregular pattern of
// runs and single pixels; with alpha, every column its own opacity.
Picture generated(int width, int height, int colours, bool alpha) {
    Picture picture{width, height, {}, {}};
    std::vector<Rgb> palette;
    for (int i = 0; i < colours; ++i) {
        palette.push_back(Rgb{static_cast<std::uint8_t>((i * 97 + 40) & 0xFF),
                              static_cast<std::uint8_t>((i * 31 + 7) & 0xFF),
                              static_cast<std::uint8_t>((i * 13 + 120) & 0xFF)});
    }
    unsigned state = static_cast<unsigned>(colours);
    for (int i = 0; i < width * height; ++i) {
        state = state * 1103515245u + 12345u;
        const int pick = (state >> 16) % 5 == 0 ? static_cast<int>((state >> 8) % colours) : (i / 3) % colours;
        picture.pixels.push_back(palette[static_cast<std::size_t>(pick)]);
        if (alpha) picture.alpha.push_back(static_cast<std::uint8_t>((i % width) * 37 % 256));
    }
    return picture;
}

// Debian's own tools, named in full: a stand-in of the same name earlier on
// PATH must not decide what is tested.
#define PILLOW "/usr/bin/python3 -c \"import sys; from PIL import Image; "
const std::string pillow_decode =
    PILLOW "Image.open(sys.argv[1]).convert('RGB').save(sys.argv[2], 'PPM')\" {pcx} {back}";
const std::string magick_decode = "/usr/bin/convert {pcx} -alpha off ppm:{back}";
const std::string netpbm_decode = "pcxtoppm -quiet {pcx} > {back}";
const std::string gm_decode = "/usr/bin/gm convert {pcx} ppm:{back}";

struct Size {
    int width, height;
};
constexpr Size sizes[] = {{1, 1}, {37, 23}, {641, 5}};
// Odd widths, for writers that do not pad lines to an even length.
constexpr Size odd_sizes[] = {{1, 1}, {3, 2}, {7, 5}, {33, 23}, {641, 3}};

struct Encoder {
    const char* name;
    int colours;
    bool alpha;
    std::string encode;  // {in} the PPM or PAM picture, {pcx} the file to write
    const std::string& decode;
    int planes, bits;  // the layout it writes for pictures of that many colours
    int encoding = 1;  // 0: bytes stored, no runs
    std::span<const Size> sizes = ::sizes;
    const char* needs = nullptr;  // what the row runs, whose absence skips it
};

// netpbm's ppmtopcx with the given options, read back by pcxtoppm.
Encoder ppmtopcx(const char* name, int colours, const std::string& options, int planes, int bits) {
    return {name,          colours,
            false,         "ppmtopcx -quiet " + options + "{in} > {pcx}",
            netpbm_decode, planes,
            bits,          1,
            sizes,         "/usr/bin/ppmtopcx"};
}

// ImageMagick writing from {in} to {pcx} with the given arguments: always 8
// bits a plane.
Encoder magick(const char* name, int colours, const std::string& arguments, int planes, bool alpha = false) {
    return {name,  colours,           alpha, "/usr/bin/convert " + arguments, magick_decode, planes, 8, 1,
            sizes, "/usr/bin/convert"};
}

// Pillow saving the picture after the given conversion.
Encoder pillow(const char* name, int colours, const std::string& conversion, int planes, int bits) {
    const std::string command = PILLOW "Image.open(sys.argv[1])" + conversion + ".save(sys.argv[2])\" {in} {pcx}";
    return {name, colours, false, command, pillow_decode, planes, bits, 1, sizes, "/usr/lib/python3/dist-packages/PIL"};
}

// GraphicsMagick storing the bytes without runs. It pads no line to an
// even length and appends a palette block at every depth.
Encoder graphicsmagick(const char* name, int colours, const std::string& arguments, int planes, int bits) {
    return {name,      colours,      false, "/usr/bin/gm convert {in} -compress None " + arguments + "{pcx}",
            gm_decode, planes,       bits,  0,
            odd_sizes, "/usr/bin/gm"};
}

const Encoder encoders[] = {
    ppmtopcx("ppmtopcx, 2 colours", 2, "", 1, 1),
    ppmtopcx("ppmtopcx, 16 colours", 16, "", 4, 1),
    ppmtopcx("ppmtopcx -planes=2", 4, "-planes=2 ", 2, 1),
    ppmtopcx("ppmtopcx -planes=3", 8, "-planes=3 ", 3, 1),
    // Version 5 and no trailing block: the last 769 bytes are picture data.
    ppmtopcx("ppmtopcx -planes=4, 2 colours", 2, "-planes=4 ", 4, 1),
    ppmtopcx("ppmtopcx -packed, 2 colours", 2, "-packed ", 1, 1),
    ppmtopcx("ppmtopcx -packed, 16 colours", 16, "-packed ", 1, 4),
    ppmtopcx("ppmtopcx -8bit", 200, "-8bit ", 1, 8),
    ppmtopcx("ppmtopcx -24bit", 300, "-24bit ", 3, 8),
    magick("convert, 16 colours", 16, "{in} -colors 16 -type Palette {pcx}", 1),
    magick("convert, 256 colours", 200, "{in} -type Palette {pcx}", 1),
    magick("convert, true colour", 300, "{in} -type TrueColor {pcx}", 3),
    magick("convert, with alpha", 300, "{in} {pcx}", 4, true),
    graphicsmagick("gm, 256 colours", 200, "-type Palette ", 1, 8),
    graphicsmagick("gm, true colour", 300, "", 3, 8),
    pillow("Pillow P", 200, ".convert('P', palette=Image.ADAPTIVE)", 1, 8),
    pillow("Pillow L", 200, ".convert('L')", 1, 8),
    pillow("Pillow RGB", 300, "", 3, 8),
    // Pillow leaves both header colours black.
    pillow("Pillow 1", 2, ".convert('1')", 1, 1),
};

void PrintTo(const Encoder& encoder, std::ostream* out) { *out << encoder.name; }

bool readable(int planes, int bits) {
    return (planes == 1 && (bits == 1 || bits == 8)) || (planes == 4 && bits == 1) ||
           ((planes == 3 || planes == 4) && bits == 8);
}

struct Depth {
    int bits;
    bool five_five_five;
};
constexpr Depth depths[] = {{8, false}, {16, false}, {16, true}, {24, false}, {32, false}};

std::string filled(std::string text, const std::string& key, const std::string& value) {
    for (std::size_t at; (at = text.find(key)) != std::string::npos;) text.replace(at, key.size(), value);
    return text;
}

class RealEncoderTest : public GfxTest, public ::testing::WithParamInterface<Encoder> {
protected:
    void SetUp() override {
        GfxTest::SetUp();
        base_ = temp_path("real_encoder").string();
    }
    void TearDown() override {
        for (const char* ending : {".pnm", ".pcx", ".back.ppm"}) std::remove((base_ + ending).c_str());
        GfxTest::TearDown();
    }
    std::string base_;
};

TEST_P(RealEncoderTest, EveryPixelShowsWhatTheEncoderDecodes) {
    const Encoder& encoder = GetParam();
    if (encoder.needs != nullptr && access(encoder.needs, X_OK) != 0) {
        GTEST_SKIP() << encoder.needs << " is not installed (scripts/test.sh names its Debian package)";
    }
    const std::string in = base_ + ".pnm", pcx = base_ + ".pcx", back = base_ + ".back.ppm";
    for (const Size& size : encoder.sizes) {
        SCOPED_TRACE(std::to_string(size.width) + " x " + std::to_string(size.height));
        write_picture(in, generated(size.width, size.height, encoder.colours, encoder.alpha));
        const std::string encode = filled(filled(encoder.encode, "{in}", in), "{pcx}", pcx);
        ASSERT_EQ(std::system(encode.c_str()), 0)
            << encode << "\n(Debian packages netpbm, imagemagick, graphicsmagick, python3-pil)";
        const std::string decode = filled(filled(encoder.decode, "{pcx}", pcx), "{back}", back) + " 2>/dev/null";
        // Pillow writes a 1 x 1 true-colour file without its blue plane,
        // which no decoder can read to the end: the reader says so.
        const bool cut_short = std::system(decode.c_str()) != 0;
        Picture want;
        ASSERT_TRUE(cut_short || read_ppm(back, want));
        ASSERT_TRUE(cut_short || (want.width == size.width && want.height == size.height));
        std::ifstream file(pcx, std::ios::binary);
        char header[128] = {};
        file.read(header, 128);
        const int planes = static_cast<std::uint8_t>(header[65]), bits = static_cast<std::uint8_t>(header[3]);
        ASSERT_EQ(header[2], encoder.encoding);
        // One pixel has one colour, and encoders pick a layout to suit it.
        if (size.width > 1) ASSERT_EQ(planes * 100 + bits, encoder.planes * 100 + encoder.bits);

        for (const Depth& depth : depths) {
            SCOPED_TRACE(std::to_string(depth.bits) + (depth.five_five_five ? " bits 5-5-5" : " bits"));
            restart();
            platform::set_rgb16_555(depth.five_five_five);
            setup_display(depth.bits);
            gfx_select_buffer(gfx_create_buffer(size.width, size.height));
            const bool true_color = bits == 8 && planes >= 3;
            if (!readable(planes, bits) || (true_color && depth.bits == 8)) {
                EXPECT_EQ(gfx_load_pcx(pcx.c_str(), 0), 3);
                continue;
            }
            if (cut_short) {
                EXPECT_EQ(gfx_load_pcx(pcx.c_str(), 0), PCX_ENDED_EARLY);
                continue;
            }
            // An 8-bit display shows pictures on entries 10 to 245 only; the
            // others hold the system's static colours, which a picture's
            // indices there would show instead of its own. 256-colour
            // pictures get onto 10 to 245 through colour reduction.
            ASSERT_EQ(gfx_load_pcx(pcx.c_str(), bits == 8 && planes == 1 ? 0 : PCX_NO_COLOR_REDUCTION), 0);
            Locked locked;
            for (int y = 0; y < size.height; ++y) {
                for (int x = 0; x < size.width; ++x) {
                    const Rgb& w = want.pixels[static_cast<std::size_t>(y) * size.width + x];
                    std::uint32_t expected = static_cast<std::uint32_t>(w.r) << 16 | w.g << 8 | w.b;
                    std::uint32_t got = locked.get(x, y);
                    if (depth.bits == 8) {
                        const PALETTEENTRY& e = master_palette.entries[got];
                        got = static_cast<std::uint32_t>(e.peRed) << 16 | e.peGreen << 8 | e.peBlue;
                    } else if (depth.bits == 16) {
                        expected = depth.five_five_five ? (w.r >> 3) << 10 | (w.g >> 3) << 5 | w.b >> 3
                                                        : (w.r >> 3) << 11 | (w.g >> 2) << 5 | w.b >> 3;
                    }
                    ASSERT_EQ(got, expected) << "pixel " << x << ", " << y;
                }
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Encoders, RealEncoderTest, ::testing::ValuesIn(encoders),
                         [](const ::testing::TestParamInfo<Encoder>& info) {
                             std::string name;
                             for (const char c : std::string(info.param.name)) name += std::isalnum(c) ? c : '_';
                             return name;
                         });

}  // namespace
