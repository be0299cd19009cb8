// The reader against a plain model of the format, over random pictures of
// every supported layout at every depth: run-length data of any shape (runs
// across line and plane ends, runs of length 0, input that stops anywhere,
// between a run's count and its value too), files of many 4096-byte blocks,
// and pictures placed partly outside the buffer on every side. Every pixel
// of the buffer must be the model's, and nothing past a row's last column
// may change. The result says whether the input ran out before the last
// row that was stored.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>

#include "../../support/gfx_fixture.h"
#include "../../support/pcx_bytes.h"
#include "gfx/buffers/spans.h"

namespace {

constexpr std::uint8_t sentinel = 0x5A;

struct Layout {
    std::uint8_t planes, bits;
    bool true_color() const { return bits == 8 && planes >= 3; }
};
// The fourth plane of 8 bits is alpha, which the reader leaves out.
constexpr Layout layouts[] = {{1, 8}, {1, 1}, {4, 1}, {3, 8}, {4, 8}};

// The scan lines a decoder makes of the data, one per row asked for: runs
// go on across line ends, and where the input stops, a line keeps what the
// line buffer held, and `ran_out` is set.
std::vector<std::vector<std::uint8_t>> decode(const std::vector<std::uint8_t>& data, std::size_t length, int rows,
                                              bool& ran_out) {
    std::vector<std::uint8_t> line(length + 64, 0);
    std::vector<std::vector<std::uint8_t>> lines;
    std::size_t at = 0, carried = 0;
    for (int row = 0; row < rows; ++row) {
        std::size_t filled = carried;
        carried = 0;
        while (filled < length && at < data.size()) {
            const std::uint8_t byte = data[at++];
            if (byte < 0xC0) {
                line[filled++] = byte;
                continue;
            }
            if (at >= data.size()) break;  // the value never comes
            const std::uint8_t value = data[at++];
            std::fill_n(line.begin() + static_cast<std::ptrdiff_t>(filled), byte & 0x3F, value);
            filled += byte & 0x3F;
        }
        if (filled < length) ran_out = true;
        if (filled > length) carried = filled - length;
        lines.emplace_back(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(length));
        std::copy_n(line.begin() + static_cast<std::ptrdiff_t>(length), carried, line.begin());
    }
    return lines;
}

// The native pixel a decoded line gives for column k.
std::uint32_t pixel(const std::vector<std::uint8_t>& line, const Layout& layout, int bytes_per_line, int k) {
    // Columns past what the line covers read as 0.
    const int covered = layout.bits == 8 ? bytes_per_line : bytes_per_line * 8;
    const bool beyond = k >= covered;
    if (beyond && layout.true_color()) return 0;
    const auto bit = [&](int plane) {
        return (line[static_cast<std::size_t>(plane * bytes_per_line + k / 8)] >> (7 - k % 8)) & 1;
    };
    if (layout.true_color()) {
        const std::uint32_t r = line[static_cast<std::size_t>(k)],
                            g = line[static_cast<std::size_t>(bytes_per_line + k)],
                            b = line[static_cast<std::size_t>(2 * bytes_per_line + k)];
        if (active_buffer.bits_per_pixel == 16) {
            return display.rgb16_layout == Rgb16Layout::rgb555 ? (r >> 3) << 10 | (g >> 3) << 5 | b >> 3
                                                               : (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
        }
        return b | g << 8 | r << 16;
    }
    const int value = beyond               ? 0
                      : layout.bits == 8   ? line[static_cast<std::size_t>(k)]
                      : layout.planes == 4 ? bit(0) | bit(1) << 1 | bit(2) << 2 | bit(3) << 3
                                           : bit(0);
    if (active_buffer.bits_per_pixel == 8) return static_cast<std::uint32_t>(layout.bits == 8 ? value : 10 + value);
    return native(static_cast<std::uint8_t>(value));
}

class PcxModelTest : public DepthTest {};

constexpr const char* path_names[] = {"plain", "word", "sse2", "avx2", "avx512"};

TEST_P(PcxModelTest, EveryPictureStoresWhatTheModelDecodes) {
    const Depth depth = GetParam();
    setup_display(depth.bits);
    const BufferHandle buffer = gfx_create_buffer(72, 50);
    gfx_select_buffer(buffer);
    std::mt19937 chance(static_cast<unsigned>(depth.bits * 3 + depth.five_five_five));
    const std::string file = temp_path("pcx_model.pcx").string();
    // Each decoder this machine can run, not only the one it picks.
    for (const SpanPath path : {SpanPath::plain, SpanPath::word, SpanPath::sse2}) {
        if (!use_span_path(path)) continue;
        SCOPED_TRACE("decoder of the " + std::string(path_names[static_cast<int>(path)]) + " row kernels");
        for (int picture = 0; picture < 400; ++picture) {
            const Layout& layout = layouts[chance() % std::size(layouts)];
            const bool big = chance() % 8 == 0;  // many blocks of the file
            PcxImage image;
            image.planes = layout.planes;
            image.bits_per_pixel = layout.bits;
            const int width = 1 + static_cast<int>(chance() % (big ? 300 : 90));
            const int height = 1 + static_cast<int>(chance() % (big ? 80 : 60));
            image.xmax = width - 1;
            image.ymax = height - 1;
            image.bytes_per_line = (layout.bits == 8 ? width : (width + 7) / 8) + static_cast<int>(chance() % 3);
            const std::size_t length = static_cast<std::size_t>(image.planes * image.bytes_per_line);
            // Any bytes are a stream the format defines: literals and runs, of
            // every length, where they fall.
            const std::size_t size = chance() % 4 == 0 ? chance() % (length * height + 2)
                                                       : length * static_cast<std::size_t>(height) * 2 / 3 + 8;
            for (std::size_t i = 0; i < size; ++i) {
                image.data.push_back(chance() % 3 == 0 ? static_cast<std::uint8_t>(0xC0 | chance() % 64)
                                                       : static_cast<std::uint8_t>(chance() % 256));
            }
            const std::vector<std::uint8_t> bytes = image.bytes();
            const bool from_memory = chance() % 2 == 0;
            const std::int32_t x0 = static_cast<std::int32_t>(chance() % 150) - 60;
            const std::int32_t y0 = static_cast<std::int32_t>(chance() % 110) - 50;

            // The buffer before: a pattern, and the sentinel in every row's padding.
            std::vector<std::uint32_t> model(72 * 50);
            {
                Locked locked;
                for (int y = 0; y < 50; ++y) {
                    for (int x = 0; x < 72; ++x) {
                        model[static_cast<std::size_t>(y * 72 + x)] =
                            native(static_cast<std::uint8_t>(1 + (x + y * 3) % 200));
                        locked.set(x, y, model[static_cast<std::size_t>(y * 72 + x)]);
                    }
                    std::fill(locked.at(72, y), locked.at(0, y) + active_buffer.pitch, sentinel);
                }
            }
            gfx_move_to(x0, y0);
            std::int32_t result;
            if (from_memory) {
                gfx_set_read_buffer(bytes.data(), static_cast<std::int32_t>(bytes.size()));
                result = gfx_load_pcx("", PCX_FROM_MEMORY | PCX_AT_DRAW_POSITION | PCX_KEEP_PALETTE);
                gfx_set_read_buffer(nullptr, 0);
            } else {
                std::ofstream(file, std::ios::binary)
                    .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
                result = gfx_load_pcx(file.c_str(), PCX_AT_DRAW_POSITION | PCX_KEEP_PALETTE);
            }
            const bool inside = x0 < 72 && y0 < 50 && x0 + width > 0 && y0 + height > 0;
            const bool supported = !layout.true_color() || depth.bits > 8;
            bool ran_out = false;
            std::vector<std::vector<std::uint8_t>> lines;
            if (inside && supported) lines = decode(image.data, length, std::min(height, 50 - y0), ran_out);
            ASSERT_EQ(result, !inside ? 0 : !supported ? 3 : ran_out ? PCX_ENDED_EARLY : 0) << "picture " << picture;
            for (int row = std::max(0, -y0); row < static_cast<int>(lines.size()); ++row) {
                for (int k = std::max(0, -x0); k < std::min(width, 72 - x0); ++k) {
                    model[static_cast<std::size_t>((y0 + row) * 72 + x0 + k)] =
                        pixel(lines[static_cast<std::size_t>(row)], layout, image.bytes_per_line, k);
                }
            }
            Locked locked;
            for (int y = 0; y < 50; ++y) {
                for (int x = 0; x < 72; ++x) {
                    ASSERT_EQ(locked.get(x, y), model[static_cast<std::size_t>(y * 72 + x)])
                        << "picture " << picture << " (" << int{layout.planes} << " planes of " << int{layout.bits}
                        << " bits, " << width << " x " << height << " at " << x0 << ", " << y0
                        << (from_memory ? ", from memory" : ", from a file") << "): pixel (" << x << ", " << y << ")";
                }
                for (const std::uint8_t* p = locked.at(72, y); p < locked.at(0, y) + active_buffer.pitch; ++p) {
                    ASSERT_EQ(*p, sentinel) << "picture " << picture << " wrote past row " << y;
                }
            }
            ASSERT_EQ(display.lock_count, 1);  // the test's own level only
        }
    }
    use_span_path(best_span_path());
    std::remove(file.c_str());
    EXPECT_EQ(platform::open_file_count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Depths, PcxModelTest, every_depth);

}  // namespace
