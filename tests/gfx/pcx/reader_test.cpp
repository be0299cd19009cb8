#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "../../support/gfx_fixture.h"
#include "../../support/pcx_bytes.h"
#include "gfx/pcx/reading.h"

namespace {

class ReaderTest : public GfxTest {
protected:
    void SetUp() override { GfxTest::SetUp(); }
    void select(int bits) {
        setup_display(bits);
        target_ = gfx_create_buffer(320, 200);
        ASSERT_GE(target_, 1);
        gfx_select_buffer(target_);
        Locked().fill(0);
    }
    std::int32_t load(const std::vector<std::uint8_t>& file, std::int32_t flags) {
        memory_ = file;
        gfx_set_read_buffer(memory_.data(), static_cast<std::int32_t>(memory_.size()));
        return gfx_load_pcx("", flags | PCX_FROM_MEMORY);
    }
    std::string write_file(const std::vector<std::uint8_t>& file) {
        const std::string path = temp_path("reader_test.pcx").string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
        paths_.push_back(path);
        return path;
    }
    void TearDown() override {
        for (const std::string& path : paths_) std::remove(path.c_str());
        GfxTest::TearDown();
    }
    // An 8-bit image of w x h pixels whose value at (x, y) is f(x, y).
    template <typename F>
    static PcxImage indexed(int w, int h, F f) {
        PcxImage image{.xmax = w - 1, .ymax = h - 1, .bytes_per_line = w + (w & 1)};
        for (int y = 0; y < h; ++y) {
            std::vector<std::uint8_t> line(image.bytes_per_line, 0);
            for (int x = 0; x < w; ++x) line[x] = static_cast<std::uint8_t>(f(x, y));
            encode_runs(image.data, line.data(), image.bytes_per_line);
        }
        return image;
    }
    BufferHandle target_ = -1;
    std::vector<std::uint8_t> memory_;
    std::vector<std::string> paths_;
};

TEST_F(ReaderTest, ResultCodesForMissingShortAndForeignFiles) {
    select(8);
    EXPECT_EQ(gfx_load_pcx("no-such-file.pcx", 0), 1);
    std::vector<std::uint8_t> short_file(100, 10);
    EXPECT_EQ(gfx_load_pcx(write_file(short_file).c_str(), 0), 2);
    auto foreign = indexed(4, 1, [](int, int) { return 1; }).bytes();
    foreign[0] = 11;
    EXPECT_EQ(gfx_load_pcx(write_file(foreign).c_str(), 0), 2);
    EXPECT_EQ(load(std::vector<std::uint8_t>(127, 10), 0), 2);
    EXPECT_EQ(platform::open_file_count(), 0u);
    EXPECT_EQ(platform::global_block_count(), 0u);
    EXPECT_EQ(display.lock_count, 0);
    gfx_deselect_buffers();
    EXPECT_EQ(gfx_load_pcx("no-such-file.pcx", 0), 0);  // no buffer: nothing is read
}

TEST_F(ReaderTest, ReadsFromAFileInBlocksAndClosesIt) {
    select(8);
    auto value = [](int x, int y) { return (x * 37 + y * 11 + (x * y) % 7) % 190 + 1; };
    auto image = indexed(301, 100, value);
    auto file = image.bytes();
    ASSERT_GT(file.size(), 3 * 4096u);
    ASSERT_EQ(gfx_load_pcx(write_file(file).c_str(), PCX_KEEP_PALETTE), 0);
    {
        Locked locked;
        for (int y = 0; y < 100; ++y) {
            for (int x = 0; x < 301; ++x) ASSERT_EQ(locked.get(x, y), static_cast<std::uint32_t>(value(x, y)));
        }
        EXPECT_EQ(locked.get(301, 0), 0u);
        EXPECT_EQ(locked.get(0, 100), 0u);
    }
    auto reads = platform::calls_named("ReadFile");
    ASSERT_GE(reads.size(), 4u);
    EXPECT_EQ(reads[0].args[2], "128");
    EXPECT_EQ(reads[1].args[2], "4096");
    EXPECT_EQ(platform::open_file_count(), 0u);
    EXPECT_EQ(platform::global_block_count(), 0u);
    auto allocations = platform::calls_named("GlobalAlloc");
    ASSERT_EQ(allocations.size(), 1u);
    EXPECT_EQ(allocations[0].args[1], std::to_string(302 + 1024));
}

// Encoding 0 means stored bytes only when the data behind the header is
// the picture's bytes exactly, alone or before a trailing palette block;
// any other length is read as runs, from memory and from a file alike.
TEST_F(ReaderTest, EncodingZeroIsStoredOnlyWhenTheDataHasThePicturesLength) {
    select(8);
    // Two lines of four, which as runs make 9 9 9 9 and 200 200 1 2.
    const std::vector<std::uint8_t> picture = {0xC4, 9, 0xC2, 200, 1, 2, 3, 4}, runs = {9, 9, 9, 9, 200, 200, 1, 2};
    // After the picture: nothing, a palette block, one without its marker,
    // a block and a byte, one byte.
    const struct {
        std::size_t tail;
        std::uint8_t marker;
        bool stored;
    } cases[] = {{0, 0, true}, {769, 12, true}, {769, 11, false}, {770, 12, false}, {1, 12, false}};
    for (const auto& c : cases) {
        PcxImage image{.encoding = 0, .xmax = 3, .ymax = 1, .bytes_per_line = 4, .data = picture};
        image.data.resize(picture.size() + c.tail, 7);
        if (c.tail > 0) image.data[picture.size()] = c.marker;
        const auto file = image.bytes();
        for (const bool from_memory : {true, false}) {
            SCOPED_TRACE(std::to_string(c.tail) + " bytes after the picture" + (from_memory ? ", from memory" : ""));
            ASSERT_EQ(
                from_memory ? load(file, PCX_KEEP_PALETTE) : gfx_load_pcx(write_file(file).c_str(), PCX_KEEP_PALETTE),
                0);
            Locked locked;
            for (int k = 0; k < 8; ++k) EXPECT_EQ(locked.get(k % 4, k / 4), c.stored ? picture[k] : runs[k]) << k;
        }
    }
}

TEST_F(ReaderTest, RunsContinueAcrossScanLinesAndCountZeroWritesNothing) {
    select(8);
    PcxImage image{.xmax = 3, .ymax = 2, .bytes_per_line = 4};
    // Line 0: 1, 2, then a run of 6 x 7 filling the rest of line 0 and
    // the first four bytes of line 1; line 2: a count-0 run, then 5 6 8 9.
    image.data = {1, 2, 0xC6, 7, 0xC0, 0xEE, 5, 6, 8, 9};
    ASSERT_EQ(load(image.bytes(), PCX_KEEP_PALETTE), 0);
    Locked locked;
    const std::uint32_t expected[3][4] = {{1, 2, 7, 7}, {7, 7, 7, 7}, {5, 6, 8, 9}};
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) EXPECT_EQ(locked.get(x, y), expected[y][x]) << x << "," << y;
    }
}

TEST_F(ReaderTest, ClippedLinesAreStillDecodedInFull) {
    select(8);
    auto image = indexed(37, 3, [](int x, int y) { return x + 10 * y + 1; });
    gfx_move_to(300, 198);  // 20 columns and 2 rows fit
    ASSERT_EQ(load(image.bytes(), PCX_AT_DRAW_POSITION | PCX_KEEP_PALETTE), 0);
    Locked locked;
    EXPECT_EQ(locked.get(300, 198), 1u);
    EXPECT_EQ(locked.get(319, 198), 20u);
    EXPECT_EQ(locked.get(300, 199), 11u);  // line 1 starts at its own first byte
    EXPECT_EQ(locked.get(319, 199), 30u);
    EXPECT_EQ(locked.get(299, 198), 0u);
}

TEST_F(ReaderTest, PlacementLeftOfAndAboveTheBufferIsClipped) {
    select(8);
    auto image = indexed(10, 4, [](int x, int y) { return x + 10 * y + 1; });
    gfx_move_to(-3, -2);
    ASSERT_EQ(load(image.bytes(), PCX_AT_DRAW_POSITION | PCX_KEEP_PALETTE), 0);
    Locked locked;
    EXPECT_EQ(locked.get(0, 0), 24u);  // image pixel (3, 2)
    EXPECT_EQ(locked.get(6, 1), 40u);  // image pixel (9, 3)
    EXPECT_EQ(locked.get(7, 1), 0u);
    EXPECT_EQ(locked.get(0, 2), 0u);
}

TEST_F(ReaderTest, TheDrawPositionReplacesTheHeadersCorner) {
    select(8);
    auto image = indexed(2, 2, [](int, int) { return 77; });
    image.xmin = 5;
    image.ymin = 6;
    image.xmax = 6;
    image.ymax = 7;
    ASSERT_EQ(load(image.bytes(), PCX_KEEP_PALETTE), 0);
    EXPECT_EQ(Locked().get(5, 6), 77u);
    gfx_move_to(100, 50);
    ASSERT_EQ(load(image.bytes(), PCX_AT_DRAW_POSITION | PCX_KEEP_PALETTE | 0x7FF0), 0);
    Locked locked;
    EXPECT_EQ(locked.get(100, 50), 77u);
    EXPECT_EQ(locked.get(101, 51), 77u);
    EXPECT_EQ(draw_position.x, 100);  // not moved
}

TEST_F(ReaderTest, ImagesOutsideTheBufferOrEmptyStoreNothing) {
    select(8);
    // 2 planes of 4 bits: no store routine.
    PcxImage odd{.bits_per_pixel = 4, .planes = 2, .xmin = 320, .xmax = 330, .bytes_per_line = 6};
    platform::clear_calls();
    EXPECT_EQ(load(odd.bytes(), 0), 0);
    odd.xmin = 0;
    odd.ymin = 200;
    odd.ymax = 210;
    EXPECT_EQ(load(odd.bytes(), 0), 0);
    odd.ymin = 0;
    odd.ymax = 0;
    EXPECT_EQ(load(odd.bytes(), 0), 3);
    PcxImage inverted{.xmin = 10, .xmax = 5, .bytes_per_line = 2};
    EXPECT_EQ(load(inverted.bytes(), 0), 0);
    EXPECT_TRUE(platform::calls_named("GlobalAlloc").empty());
    EXPECT_TRUE(platform::calls_named("IDirectDrawPalette::SetEntries").empty());
}

TEST_F(ReaderTest, AbsurdHeadersAreRefusedBeforeAnyAllocation) {
    select(8);
    PcxImage wide{.bits_per_pixel = 8, .planes = 255, .xmax = 65535, .ymax = 65535, .bytes_per_line = 65535};
    platform::clear_calls();
    EXPECT_EQ(load(wide.bytes(), 0), 3);
    EXPECT_TRUE(platform::calls_named("GlobalAlloc").empty());
    wide.planes = 1;
    // No data: every row keeps the zeroed line, and the caller hears of it.
    EXPECT_EQ(load(wide.bytes(), PCX_KEEP_PALETTE), PCX_ENDED_EARLY);
    EXPECT_EQ(platform::global_block_count(), 0u);
}

TEST_F(ReaderTest, AFailedLineBufferGivesFour) {
    select(8);
    platform::fail_next("GlobalAlloc", 1, 0);
    EXPECT_EQ(load(indexed(4, 1, [](int, int) { return 1; }).bytes(), 0), 4);
    EXPECT_EQ(display.lock_count, 0);
}

TEST_F(ReaderTest, ShortLinesReadTheirMissingBytesAsZero) {
    select(8);
    // Eight pixels wide, four bytes a line.
    PcxImage image{.xmax = 7, .bytes_per_line = 4, .data = {1, 2, 3, 4}};
    ASSERT_EQ(load(image.bytes(), PCX_KEEP_PALETTE), 0);
    Locked locked;
    EXPECT_EQ(locked.get(3, 0), 4u);
    EXPECT_EQ(locked.get(4, 0), 0u);
    EXPECT_EQ(locked.get(7, 0), 0u);
}

TEST_F(ReaderTest, AFileThatEndsEarlyKeepsWhatWasReadAndSaysSo) {
    select(8);
    auto image = indexed(4, 4, [](int x, int y) { return 1 + x + 4 * y; });
    auto file = image.bytes();
    ASSERT_EQ(load(file, PCX_KEEP_PALETTE), 0);
    file.resize(128 + 4 * 4 - 1);  // the last byte of the last row missing
    EXPECT_EQ(gfx_load_pcx(write_file(file).c_str(), PCX_KEEP_PALETTE), PCX_ENDED_EARLY);
    // Rows below the buffer are never read, so their end is not missed.
    gfx_move_to(0, 197);
    EXPECT_EQ(load(file, PCX_KEEP_PALETTE | PCX_AT_DRAW_POSITION), 0);
    file.resize(128 + 4 + 2);  // line 0, then half of line 1
    ASSERT_EQ(load(file, PCX_KEEP_PALETTE), PCX_ENDED_EARLY);
    Locked locked;
    EXPECT_EQ(locked.get(1, 1), 6u);
    EXPECT_EQ(locked.get(2, 1), 3u);  // the rest of line 1 is line 0's
    EXPECT_EQ(locked.get(2, 3), 3u);
    EXPECT_EQ(locked.get(0, 3), 5u);
}

// A run is written wider than it is; where the data ends soon after it, the
// rest of the line is still the line before's, not the run's value.
TEST_F(ReaderTest, ALineCutShortAfterARunKeepsTheLineBeforeBeyondIt) {
    select(8);
    auto image = indexed(192, 2, [](int x, int) { return x % 150 + 1; });
    image.data.resize(192);
    const std::vector<std::uint8_t> line_1 = {0xC2, 0x77, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    image.data.insert(image.data.end(), line_1.begin(), line_1.end());
    ASSERT_EQ(load(image.bytes(), PCX_KEEP_PALETTE), PCX_ENDED_EARLY);
    Locked locked;
    EXPECT_EQ(locked.get(1, 1), 0x77u);
    EXPECT_EQ(locked.get(17, 1), 16u);
    for (int x = 18; x < 192; ++x) ASSERT_EQ(locked.get(x, 1), static_cast<std::uint32_t>(x % 150 + 1)) << x;
}

TEST_F(ReaderTest, SixteenAndTwoColourImagesUseEntriesTenUp) {
    select(8);
    PcxImage sixteen{.bits_per_pixel = 1, .planes = 4, .xmax = 7, .bytes_per_line = 1};
    // Pixel k has the value k + 8 (pixels 0..7 -> 8..15): plane 3 all set,
    // planes 0..2 spell k.
    const std::uint8_t planes[4] = {0x0F, 0x33, 0x55, 0xFF};
    encode_runs(sixteen.data, planes, 4);  // bytes of 192 and above go as runs
    ASSERT_EQ(load(sixteen.bytes(), PCX_KEEP_PALETTE), 0);
    {
        Locked locked;
        // Plane p bit for pixel k is bit 7 - k of its byte.
        for (int k = 0; k < 8; ++k) {
            const int v = ((0x0F >> (7 - k)) & 1) | (((0x33 >> (7 - k)) & 1) << 1) | (((0x55 >> (7 - k)) & 1) << 2) | 8;
            EXPECT_EQ(locked.get(k, 0), static_cast<std::uint32_t>(10 + v));
        }
    }
    PcxImage two{.bits_per_pixel = 1, .xmax = 9, .bytes_per_line = 2, .data = {0xA0, 0x40}};
    ASSERT_EQ(load(two.bytes(), PCX_KEEP_PALETTE), 0);
    Locked locked;
    EXPECT_EQ(locked.get(0, 0), 11u);
    EXPECT_EQ(locked.get(1, 0), 10u);
    EXPECT_EQ(locked.get(2, 0), 11u);
    EXPECT_EQ(locked.get(9, 0), 11u);
}

TEST_F(ReaderTest, TrueColourImagesNeedADeepBuffer) {
    PcxImage rgb{.planes = 3, .xmax = 1, .bytes_per_line = 2};
    const std::uint8_t line[6] = {0xFF, 0x12, 0x00, 0x34, 0x00, 0x56};  // red, green and blue planes
    encode_runs(rgb.data, line, 6);
    select(8);
    EXPECT_EQ(load(rgb.bytes(), 0), 3);
    for (int bits : {16, 24, 32}) {
        restart();
        select(bits);
        const std::uint8_t before = master_palette.entries[0].peRed;
        ASSERT_EQ(load(rgb.bytes(), 0), 0);
        EXPECT_EQ(master_palette.entries[0].peRed, before);  // no palette step
        Locked locked;
        if (bits == 16) {
            EXPECT_EQ(locked.get(0, 0), 0xF800u);
            EXPECT_EQ(locked.get(1, 0), static_cast<std::uint32_t>((0x12 >> 3) << 11 | (0x34 >> 2) << 5 | (0x56 >> 3)));
        } else {
            EXPECT_EQ(locked.at(1, 0)[0], 0x56);
            EXPECT_EQ(locked.at(1, 0)[1], 0x34);
            EXPECT_EQ(locked.at(1, 0)[2], 0x12);
            if (bits == 32) {
                EXPECT_EQ(locked.at(1, 0)[3], 0);
            }
        }
    }
}

// The palette step.
class PaletteStepTest : public ReaderTest {
protected:
    void SetUp() override {
        ReaderTest::SetUp();
        for (int i = 0; i < 768; ++i) trailing_[i] = static_cast<std::uint8_t>(255 - i % 256);
        for (int i = 0; i < 48; ++i) header_[i] = static_cast<std::uint8_t>(i * 5);
    }
    std::vector<std::uint8_t> file_with_block(std::uint8_t version = 5, std::uint8_t marker = 12) {
        auto image = indexed(4, 2, [](int x, int y) { return 20 + x + 4 * y; });
        image.version = version;
        std::copy(header_, header_ + 48, image.header_palette);
        auto file = image.bytes();
        PcxImage::append_palette(file, trailing_, marker);
        return file;
    }
    std::uint8_t trailing_[768];
    std::uint8_t header_[48];
};

TEST_F(PaletteStepTest, VersionFiveBlockSetsEntriesTenTo245) {
    select(8);
    const PALETTEENTRY low = master_palette.entries[5];
    ASSERT_EQ(load(file_with_block(), PCX_NO_COLOR_REDUCTION), 0);
    EXPECT_EQ(master_palette.entries[10].peRed, trailing_[30]);
    EXPECT_EQ(master_palette.entries[245].peBlue, trailing_[3 * 245 + 2]);
    EXPECT_EQ(master_palette.entries[5].peRed, low.peRed);
    EXPECT_EQ(master_palette.entries[250].peRed, 0);
    EXPECT_EQ(Locked().get(1, 0), 21u);  // pixels as stored
    PALETTEENTRY shown;
    display.ddraw_palette->GetEntries(0, 200, 1, &shown);
    EXPECT_EQ(shown.peGreen, trailing_[601]);
}

TEST_F(PaletteStepTest, WithoutAValidBlockTheHeaderColoursAreUsed) {
    select(8);
    ASSERT_EQ(load(file_with_block(5, 13), PCX_NO_COLOR_REDUCTION), 0);
    EXPECT_EQ(master_palette.entries[10].peGreen, header_[1]);
    EXPECT_EQ(master_palette.entries[25].peBlue, header_[47]);
    EXPECT_EQ(master_palette.entries[26].peRed, 0);
    ASSERT_EQ(load(file_with_block(3, 12), PCX_NO_COLOR_REDUCTION), 0);
    EXPECT_EQ(master_palette.entries[11].peRed, header_[3]);
    EXPECT_EQ(master_palette.entries[26].peRed, 0);
    auto tiny = indexed(2, 1, [](int, int) { return 1; });
    std::copy(header_, header_ + 48, tiny.header_palette);
    master_palette.entries[10] = {};
    ASSERT_EQ(load(tiny.bytes(), PCX_NO_COLOR_REDUCTION), 0);  // shorter than a block
    EXPECT_EQ(master_palette.entries[10].peGreen, header_[1]);
}

TEST_F(PaletteStepTest, KeepPaletteChangesNothing) {
    select(8);
    platform::clear_calls();
    ASSERT_EQ(load(file_with_block(), PCX_KEEP_PALETTE), 0);
    ASSERT_EQ(load(file_with_block(), PCX_KEEP_PALETTE | PCX_NO_COLOR_REDUCTION), 0);
    EXPECT_TRUE(platform::calls_named("IDirectDrawPalette::SetEntries").empty());
    EXPECT_EQ(Locked().get(0, 0), 20u);  // not reduced either
}

TEST_F(PaletteStepTest, ReductionRemapsOntoEntriesTenUp) {
    select(8);
    ASSERT_EQ(load(file_with_block(), 0), 0);
    // The clip rectangle holds 0 (the rest of the buffer) and 20 to 27.
    Locked locked;
    EXPECT_EQ(locked.get(0, 0), 11u);
    EXPECT_EQ(locked.get(3, 1), 18u);
    EXPECT_EQ(locked.get(100, 100), 10u);
    EXPECT_EQ(master_palette.entries[11].peRed, trailing_[60]);
}

TEST_F(PaletteStepTest, DeepBuffersTakeAllColoursBeforeConversion) {
    select(16);
    ASSERT_EQ(load(file_with_block(), PCX_NO_COLOR_REDUCTION), 0);
    const std::uint8_t* t = trailing_ + 3 * 21;
    EXPECT_EQ(Locked().get(1, 0), static_cast<std::uint32_t>((t[0] >> 3) << 11 | (t[1] >> 2) << 5 | (t[2] >> 3)));
    EXPECT_EQ(master_palette.entries[0].peRed, trailing_[0]);
}

TEST_F(PaletteStepTest, FileModeSeeksToTheBlockAndBack) {
    select(8);
    const std::string path = write_file(file_with_block());
    platform::clear_calls();
    ASSERT_EQ(gfx_load_pcx(path.c_str(), PCX_NO_COLOR_REDUCTION), 0);
    auto seeks = platform::calls_named("SetFilePointer");
    ASSERT_EQ(seeks.size(), 2u);
    EXPECT_EQ(args_at(seeks[0], {1, 3}), (Strings{"-769", "2"}));
    EXPECT_EQ(args_at(seeks[1], {1, 3}), (Strings{"128", "0"}));
    EXPECT_EQ(master_palette.entries[10].peRed, trailing_[30]);
    // A deep buffer reads the block first and decodes after it.
    restart();
    select(32);
    ASSERT_EQ(gfx_load_pcx(path.c_str(), PCX_NO_COLOR_REDUCTION), 0);
    EXPECT_EQ(Locked().at(1, 0)[2], trailing_[63]);
}

// The trailing block belongs to 256-colour pictures: in 2- and 16-colour
// files the bytes there are picture data, even when a 12 falls in place.
TEST_F(PaletteStepTest, TwoAndSixteenColourImagesKeepTheirHeaderColours) {
    PcxImage sixteen{.bits_per_pixel = 1, .planes = 4, .xmax = 7, .bytes_per_line = 1, .data = {0, 0, 0, 0}};
    PcxImage two{.bits_per_pixel = 1, .xmax = 7, .bytes_per_line = 1, .data = {0x80}};
    for (PcxImage* image : {&sixteen, &two}) {
        std::copy(header_, header_ + 48, image->header_palette);
        auto file = image->bytes();
        PcxImage::append_palette(file, trailing_);
        for (int bits : {8, 32}) {
            SCOPED_TRACE(std::to_string(image->planes) + " planes into " + std::to_string(bits) + " bits");
            select(bits);
            ASSERT_EQ(load(file, PCX_NO_COLOR_REDUCTION), 0);
            const PALETTEENTRY& first = master_palette.entries[bits == 8 ? 10 : 0];
            EXPECT_EQ(first.peGreen, header_[1]);
            EXPECT_EQ(master_palette.entries[bits == 8 ? 11 : 1].peRed, header_[3]);
            ASSERT_EQ(gfx_load_pcx(write_file(file).c_str(), PCX_NO_COLOR_REDUCTION), 0);
            EXPECT_EQ(first.peGreen, header_[1]);
            gfx_shutdown();
        }
    }
}

TEST_F(PaletteStepTest, ATwoColourPictureOfOneColourTwiceIsBlackAndWhite) {
    // One byte of pixels 1, 1, 1, 1, 0, 0, 0, 0.
    PcxImage two{.bits_per_pixel = 1, .xmax = 7, .bytes_per_line = 1, .data = {0xC1, 0xF0}};
    for (std::uint8_t& byte : two.header_palette) byte = 0;  // both black, as some writers leave them
    for (int bits : {8, 24}) {
        select(bits);
        ASSERT_EQ(load(two.bytes(), PCX_NO_COLOR_REDUCTION), 0);
        const int base = bits == 8 ? 10 : 0;
        EXPECT_EQ(master_palette.entries[base].peRed, 0);
        EXPECT_EQ(master_palette.entries[base + 1].peGreen, 255);
        if (bits == 24) {
            EXPECT_EQ(Locked().get(0, 0), 0xFFFFFFu);
            EXPECT_EQ(Locked().get(7, 0), 0u);
        }
        gfx_shutdown();
    }
}

// A file too short to hold a header and a block has none, whether it is read
// from a file or from memory, whatever lies 769 bytes from its end.
TEST_F(PaletteStepTest, FilesShorterThanHeaderAndBlockUseTheHeaderColoursInBothModes) {
    select(8);
    header_[15] = 12;  // byte 31 of the file, 769 from the end of 800
    auto image = indexed(4, 2, [](int, int) { return 20; });
    std::copy(header_, header_ + 48, image.header_palette);
    auto file = image.bytes();
    file.resize(800, 0);
    ASSERT_EQ(load(file, PCX_NO_COLOR_REDUCTION), 0);
    EXPECT_EQ(master_palette.entries[10].peGreen, header_[1]);
    master_palette.entries[10] = {};
    ASSERT_EQ(gfx_load_pcx(write_file(file).c_str(), PCX_NO_COLOR_REDUCTION), 0);
    EXPECT_EQ(master_palette.entries[10].peGreen, header_[1]);
    EXPECT_EQ(Locked().get(3, 1), 20u);  // decoding went on right behind the header
}

}  // namespace
