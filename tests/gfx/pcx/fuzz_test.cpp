// Random and mutated PCX images through the reader at every buffer depth:
// whatever the bytes, a result code, a balanced lock and nothing left over
// (the sanitizer build watches every memory access).
#include <random>

#include "../../support/gfx_fixture.h"
#include "../../support/pcx_bytes.h"

namespace {

std::vector<std::uint8_t> seed_image(std::mt19937& random) {
    PcxImage image;
    const int kind = static_cast<int>(random() % 4);
    image.planes = kind == 0 ? 4 : kind == 1 ? 3 : 1;
    image.bits_per_pixel = kind == 3 ? 1 : kind == 0 ? 1 : 8;
    image.xmin = static_cast<int>(random() % 40);
    image.ymin = static_cast<int>(random() % 40);
    const int width = 1 + static_cast<int>(random() % 90);
    const int height = 1 + static_cast<int>(random() % 60);
    image.xmax = image.xmin + width - 1;
    image.ymax = image.ymin + height - 1;
    image.bytes_per_line = image.bits_per_pixel == 1 ? (width + 7) / 8 : width;
    image.bytes_per_line += image.bytes_per_line & 1;
    std::vector<std::uint8_t> line(static_cast<std::size_t>(image.bytes_per_line) * image.planes);
    for (int y = 0; y < height; ++y) {
        for (auto& byte : line) byte = static_cast<std::uint8_t>(random() % 4 == 0 ? random() : line[0]);
        encode_runs(image.data, line.data(), static_cast<int>(line.size()));
    }
    auto file = image.bytes();
    if (random() % 2 == 0) {
        std::uint8_t rgb[768];
        for (auto& byte : rgb) byte = static_cast<std::uint8_t>(random());
        PcxImage::append_palette(file, rgb);
    }
    return file;
}

void mutate(std::vector<std::uint8_t>& file, std::mt19937& random) {
    const int edits = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < edits; ++i) {
        switch (random() % 5) {
            case 0:  // any byte
                file[random() % file.size()] = static_cast<std::uint8_t>(random());
                break;
            case 1: {  // a header field pushed to an extreme
                const std::size_t fields[] = {3, 4, 6, 8, 10, 65, 66};
                const std::size_t at = fields[random() % 7];
                if (file.size() < at + 2) break;
                file[at] = static_cast<std::uint8_t>(random() % 2 ? 0xFF : random());
                if (at != 3 && at != 65) file[at + 1] = static_cast<std::uint8_t>(random() % 2 ? 0xFF : random());
                break;
            }
            case 2:  // cut short
                file.resize(std::max<std::size_t>(1, random() % (file.size() + 1)));
                break;
            case 3:  // runs of every length
                file.push_back(static_cast<std::uint8_t>(0xC0 | (random() % 64)));
                break;
            default:
                if (file.size() > 1) file[1] = static_cast<std::uint8_t>(random() % 2 ? 5 : random());
                break;
        }
    }
}

class PcxFuzzTest : public DepthTest {};

TEST_P(PcxFuzzTest, NoImageCanHurtTheReader) {
    setup_display(bits());
    const BufferHandle target = gfx_create_buffer(96, 64);
    gfx_select_buffer(target);
    std::mt19937 random(static_cast<unsigned>(bits()) * 7919u + GetParam().five_five_five);
    int results[6] = {};
    for (int i = 0; i < 800; ++i) {
        std::vector<std::uint8_t> file =
            random() % 8 == 0 ? std::vector<std::uint8_t>(random() % 1200) : seed_image(random);
        for (auto& byte : file) {
            if (file.size() < 200) byte = static_cast<std::uint8_t>(random());
        }
        if (!file.empty() && random() % 8 != 0) mutate(file, random);
        gfx_set_read_buffer(file.data(), static_cast<std::int32_t>(file.size()));
        gfx_move_to(static_cast<std::int32_t>(random() % 200) - 100, static_cast<std::int32_t>(random() % 200) - 100);
        const std::int32_t result = gfx_load_pcx("", PCX_FROM_MEMORY | static_cast<std::int32_t>(random() % 16));
        ASSERT_GE(result, 0);
        ASSERT_LE(result, PCX_ENDED_EARLY);
        ++results[result];
        // The caller's memory served this one load only.
        ASSERT_EQ(read_buffer.data, read_block.data());
        ASSERT_EQ(display.lock_count, 0);
        ASSERT_EQ(platform::global_block_count(), 0u);
    }
    // The images reach every stage: stored, refused as foreign, refused as
    // an unsupported format, cut short.
    EXPECT_GT(results[0], 100);
    EXPECT_GT(results[2], 10);
    EXPECT_GT(results[3], 10);
    EXPECT_GT(results[PCX_ENDED_EARLY], 10);
    EXPECT_EQ(platform::misuse_count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Depths, PcxFuzzTest, every_depth);

}  // namespace
