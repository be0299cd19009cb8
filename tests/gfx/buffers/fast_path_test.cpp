// Every fast form of the 8-bit transparent draws and of the PCX line decoder
// against the plain form that goes one pixel (one byte) at a time, on many
// random cases. Each form this machine can run is forced in turn; the whole
// buffer memory, the rows' padding included, must come out the same.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "../../support/gfx_fixture.h"
#include "../../support/pcx_bytes.h"
#include "gfx/buffers/spans.h"

namespace {

constexpr SpanPath fast_paths[] = {SpanPath::word, SpanPath::sse2, SpanPath::avx2, SpanPath::avx512};

class FastPathTest : public GfxTest {
protected:
    void SetUp() override {
        GfxTest::SetUp();
        platform::set_call_logging(false);  // thousands of cases
        setup_display(8);
    }
    void TearDown() override {
        use_span_path(best_span_path());
        GfxTest::TearDown();
    }

    int uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    bool chance(int percent) { return uniform(0, 99) < percent; }

    // A fresh buffer, selected, with random bytes everywhere, padding too.
    BufferHandle random_buffer(int width, int height) {
        const BufferHandle handle = gfx_create_buffer(width, height);
        EXPECT_EQ(gfx_select_buffer(handle), 0);
        std::vector<std::uint8_t> bytes(memory().size());
        for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(uniform(0, 255));
        restore(bytes);
        return handle;
    }
    static std::vector<std::uint8_t> memory() {
        Locked locked;
        const std::uint8_t* start = active_buffer.pixels;
        return {start, start + static_cast<std::ptrdiff_t>(active_buffer.pitch) * active_buffer.height};
    }
    static void restore(const std::vector<std::uint8_t>& bytes) {
        Locked locked;
        std::memcpy(active_buffer.pixels, bytes.data(), bytes.size());
    }

    // Runs `work` with the plain form and then with each fast form from the
    // same start: each must leave the buffer, and give the result, that the
    // plain form does. Returns how many fast forms ran.
    template <typename Work>
    int expect_same_as_plain(Work work, const std::string& what) {
        const auto start = memory();
        EXPECT_TRUE(use_span_path(SpanPath::plain));
        const auto plain_result = work();
        const auto expected = memory();
        int forms = 0;
        for (SpanPath path : fast_paths) {
            if (!use_span_path(path)) continue;
            ++forms;
            restore(start);
            const auto result = work();
            EXPECT_EQ(result, plain_result) << what << ", form " << static_cast<int>(path);
            if (memory() != expected) {
                ADD_FAILURE() << what << ", form " << static_cast<int>(path) << " changes other bytes";
                return forms;
            }
        }
        return forms;
    }

    // A position near the buffer (a few widths around it), sometimes far away.
    int position(int extent) {
        if (chance(5)) return chance(50) ? 1 << 30 : -(1 << 30);
        return uniform(-2 * extent - 40, 2 * extent + 40);
    }

    // A random run-length stream for `decoded_bytes` of scan lines:
    // literals and runs (of 0 to 63, of any value) mixed in a random
    // proportion, sometimes cut short so the input runs out.
    std::vector<std::uint8_t> random_stream(std::int64_t decoded_bytes) {
        std::vector<std::uint8_t> stream;
        const int literals = chance(50) ? uniform(85, 99) : uniform(0, 100);  // painted pictures: mostly literals
        const std::int64_t wanted = chance(20) ? decoded_bytes * uniform(0, 99) / 100 : decoded_bytes + uniform(0, 70);
        for (std::int64_t decoded = 0; decoded < wanted;) {
            if (chance(literals)) {
                stream.push_back(static_cast<std::uint8_t>(uniform(0, 191)));
                ++decoded;
            } else {
                const int count = chance(5) ? 0 : uniform(1, 63);
                stream.push_back(static_cast<std::uint8_t>(0xC0 | count));
                stream.push_back(static_cast<std::uint8_t>(uniform(0, 255)));
                decoded += count;
            }
        }
        return stream;
    }

    std::mt19937 random_{20261208};
};

TEST_F(FastPathTest, TransparentDrawsMatchThePlainFormEverywhere) {
    int forms = 0;
    for (int n = 0; n < 1500; ++n) {
        const int buffer_width = uniform(1, 140), buffer_height = uniform(1, 24);
        const BufferHandle handle = random_buffer(buffer_width, buffer_height);
        if (chance(50)) {
            // A clip rectangle inside the buffer, so the draws meet edges
            // with buffer pixels on both sides of them.
            ClipRect& clip = active_buffer.clip;
            clip.min_x = uniform(0, buffer_width - 1);
            clip.max_x = uniform(clip.min_x, buffer_width - 1);
            clip.min_y = uniform(0, buffer_height - 1);
            clip.max_y = uniform(clip.min_y, buffer_height - 1);
        }
        const int width = chance(30) ? uniform(1, 8) : uniform(1, 150), height = uniform(1, 30);
        // Index 0 from none to every pixel; the bitmap ends where its
        // allocation ends and starts at any alignment, so an overread shows.
        const int clear = uniform(0, 100), offset = uniform(0, 63);
        std::vector<std::uint8_t> storage(static_cast<std::size_t>(offset + width * height));
        for (std::uint8_t& b : storage) b = chance(clear) ? 0 : static_cast<std::uint8_t>(uniform(1, 255));
        const std::uint8_t* bitmap = storage.data() + offset;
        int x = position(buffer_width);
        int y = position(buffer_height);
        if (chance(25)) {  // wholly inside, for the unclipped draw's own path
            x = uniform(0, std::max(0, buffer_width - width));
            y = uniform(std::min(height - 1, buffer_height - 1), buffer_height - 1);
        }
        gfx_move_to(x, y);
        const std::string what = "case " + std::to_string(n) + ": " + std::to_string(width) + " x " +
                                 std::to_string(height) + " at (" + std::to_string(x) + ", " + std::to_string(y) +
                                 ") in " + std::to_string(buffer_width) + " x " + std::to_string(buffer_height);
        forms = expect_same_as_plain([&] { return gfx_draw_transparent(bitmap, width, height); }, what);
        expect_same_as_plain([&] { return gfx_draw_transparent_mirrored(bitmap, width, height); }, what + " mirrored");
        expect_same_as_plain([&] { return gfx_draw_transparent_unclipped(bitmap, width, height); },
                             what + " unclipped");
        gfx_select_buffer(0);  // the active buffer is never freed
        gfx_free_buffer(handle);
        if (HasFailure()) return;
    }
    // Words and SSE2 everywhere on x86-64, AVX2 and AVX-512 where the
    // processor has them.
    EXPECT_GE(forms, best_span_path() == SpanPath::word ? 1 : 2);
}

TEST_F(FastPathTest, PcxDecodingMatchesThePlainFormOnRandomStreams) {
    const std::string path = temp_path("fast_path.pcx").string();
    int forms = 0;
    for (int n = 0; n < 400; ++n) {
        PcxImage image;
        // 256 colours, 16 colours in four planes, or 2 colours.
        const int format = uniform(0, 2);
        image.planes = format == 1 ? 4 : 1;
        image.bits_per_pixel = format == 0 ? 8 : 1;
        const int width = chance(3) ? uniform(4000, 6000) : uniform(1, 320), height = uniform(1, 30);
        image.xmax = width - 1;
        image.ymax = height - 1;
        image.bytes_per_line = (format == 0 ? width : (width + 7) / 8) + uniform(0, 3);
        const std::int64_t length = static_cast<std::int64_t>(image.planes) * image.bytes_per_line;
        // Now and then stored bytes of the picture's exact length, and run-
        // length data under the same encoding mark.
        image.encoding = chance(30) ? 0 : 1;
        const bool stored = image.encoding == 0 && chance(50);
        image.data = stored ? std::vector<std::uint8_t>(static_cast<std::size_t>(length * height))
                            : random_stream(length * height);
        if (stored) {
            for (std::uint8_t& b : image.data) b = static_cast<std::uint8_t>(uniform(0, 255));
        }
        auto file = image.bytes();
        const bool from_memory = chance(50);
        if (!from_memory)
            std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());

        const int buffer_width = uniform(1, 360), buffer_height = uniform(1, 32);
        const BufferHandle handle = random_buffer(buffer_width, buffer_height);
        // Mostly inside, so the rows where the input runs out are stored.
        gfx_move_to(uniform(-20, buffer_width / 2), chance(80) ? uniform(-2, 2) : uniform(-20, buffer_height));
        const std::int32_t flags = PCX_KEEP_PALETTE | PCX_AT_DRAW_POSITION | (from_memory ? PCX_FROM_MEMORY : 0);
        const std::string what = "case " + std::to_string(n) + ": format " + std::to_string(format) + ", " +
                                 std::to_string(width) + " x " + std::to_string(height) + ", " +
                                 std::to_string(image.data.size()) + (stored ? " stored bytes" : " bytes") +
                                 (from_memory ? " from memory" : "");
        forms = expect_same_as_plain(
            [&] {
                if (from_memory) gfx_set_read_buffer(file.data(), static_cast<std::int32_t>(file.size()));
                return gfx_load_pcx(path.c_str(), flags);
            },
            what);
        gfx_select_buffer(0);  // the active buffer is never freed
        gfx_free_buffer(handle);
        if (HasFailure()) break;
    }
    std::remove(path.c_str());
    EXPECT_GE(forms, 1);
}

TEST_F(FastPathTest, AStreamEndingMidLineKeepsTheLinesOldBytesInEveryForm) {
    // A run written as a whole block, then fewer literals than one vector
    // step takes, then nothing: the block's bytes past the literals must not
    // stay in the line.
    PcxImage image;
    image.xmax = 199;
    image.ymax = 1;
    image.bytes_per_line = 200;
    image.data = {0xC1, 5};
    image.data.insert(image.data.end(), 17, 1);
    auto file = image.bytes();
    random_buffer(200, 2);
    gfx_move_to(0, 0);
    const int forms = expect_same_as_plain(
        [&] {
            gfx_set_read_buffer(file.data(), static_cast<std::int32_t>(file.size()));
            return gfx_load_pcx("", PCX_KEEP_PALETTE | PCX_AT_DRAW_POSITION | PCX_FROM_MEMORY);
        },
        "ending mid-line");
    EXPECT_GE(forms, 1);
    Locked locked;
    EXPECT_EQ(locked.get(0, 0), 5u);
    EXPECT_EQ(locked.get(17, 0), 1u);
    EXPECT_EQ(locked.get(18, 0), 0u);  // the zero-filled line buffer's byte
}

TEST_F(FastPathTest, ThePlainAndPortableFormsRunEverywhereAndTheBestIsChosen) {
    EXPECT_TRUE(use_span_path(SpanPath::plain));
    EXPECT_EQ(span_kernels().path, SpanPath::plain);
    EXPECT_TRUE(use_span_path(SpanPath::word));
    EXPECT_TRUE(use_span_path(best_span_path()));
    EXPECT_EQ(span_kernels().path, best_span_path());
}

}  // namespace
