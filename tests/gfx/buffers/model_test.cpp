// Every pixel routine against a plain model of what it must do, over
// thousands of random calls at every depth: images and rectangles anywhere,
// at extreme coordinates too, copies that overlap within one buffer, and
// locks the platform refuses. After each call every pixel of both buffers
// must be the model's, and the row padding past each buffer's last column
// must still hold its sentinel.
#include <limits>
#include <random>

#include "../../support/gfx_fixture.h"

namespace {

constexpr std::uint8_t sentinel = 0xA5;

// A buffer as the model sees it: native pixels, packed.
struct Model {
    BufferHandle handle;
    int width, height;
    std::vector<std::uint32_t> pixels;
    std::uint32_t& at(std::int64_t x, std::int64_t y) { return pixels[static_cast<std::size_t>(y * width + x)]; }
    bool inside(std::int64_t x, std::int64_t y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

class ModelTest : public DepthTest {
protected:
    void SetUp() override {
        DepthTest::SetUp();
        // The display's own width is no multiple of four.
        const Depth depth = GetParam();
        platform::set_display_modes({{318, 201, depth.bits}});
        gfx_request_mode(318, 201, depth.bits, GFX_MODE_FLIP);
        ASSERT_EQ(gfx_setup_display(), 0);
        models_[0] = Model{0, 318, 201, {}};
        models_[1] = Model{gfx_create_buffer(45, 37), 0, 0, {}};
        ASSERT_GE(models_[1].handle, 1);
        for (Model& model : models_) {
            const VirtualBuffer& slot = buffer_table[static_cast<std::size_t>(model.handle)];
            model.width = slot.width;
            model.height = slot.height;
            model.pixels.assign(static_cast<std::size_t>(model.width * model.height), 0);
            gfx_select_buffer(model.handle);
            Locked locked;
            for (int y = 0; y < model.height; ++y) {
                for (int x = 0; x < model.width; ++x) {
                    model.at(x, y) = native(static_cast<std::uint8_t>(1 + (x * 5 + y * 11) % 250));
                    locked.set(x, y, model.at(x, y));
                }
                std::uint8_t* row_end = locked.at(model.width, y);
                std::fill(row_end, locked.at(0, y) + active_buffer.pitch, sentinel);
            }
        }
    }
    // Whether a buffer holds exactly its model and its padding is untouched.
    ::testing::AssertionResult matches(Model& model) {
        gfx_select_buffer(model.handle);
        Locked locked;
        for (int y = 0; y < model.height; ++y) {
            for (int x = 0; x < model.width; ++x) {
                if (locked.get(x, y) != model.at(x, y)) {
                    return ::testing::AssertionFailure() << "buffer " << model.handle << " pixel (" << x << ", " << y
                                                         << ") is " << locked.get(x, y) << ", not " << model.at(x, y);
                }
            }
            for (const std::uint8_t* p = locked.at(model.width, y); p < locked.at(0, y) + active_buffer.pitch; ++p) {
                if (*p != sentinel) {
                    return ::testing::AssertionFailure()
                           << "buffer " << model.handle << " row " << y << " written past its last column";
                }
            }
        }
        return ::testing::AssertionSuccess();
    }
    std::int32_t coordinate(std::mt19937& chance, int size) {
        switch (chance() % 16) {
            case 0:
                return std::numeric_limits<std::int32_t>::min() + static_cast<std::int32_t>(chance() % 8);
            case 1:
                return std::numeric_limits<std::int32_t>::max() - static_cast<std::int32_t>(chance() % 8);
            case 2:
                return static_cast<std::int32_t>(chance() % 2 ? 1 << 30 : -(1 << 30));
            default:
                return static_cast<std::int32_t>(chance() % static_cast<unsigned>(size + 60)) - 30;
        }
    }
    Model models_[2];
};

TEST_P(ModelTest, EveryCallChangesExactlyWhatTheModelSays) {
    std::mt19937 chance(GetParam().bits * 7 + GetParam().five_five_five);
    for (int call = 0; call < 1500; ++call) {
        Model& target = models_[chance() % 2];
        gfx_select_buffer(target.handle);
        const int op = static_cast<int>(chance() % 5);
        const int w = 1 + static_cast<int>(chance() % 24), h = 1 + static_cast<int>(chance() % 24);
        std::vector<std::uint8_t> bitmap(static_cast<std::size_t>(w * h));
        for (auto& index : bitmap) index = chance() % 2 ? 0 : static_cast<std::uint8_t>(1 + chance() % 255);
        const std::int32_t x = coordinate(chance, target.width), y = coordinate(chance, target.height);
        const bool refused = op < 3 && chance() % 10 == 0;
        if (refused) platform::fail_next("IDirectDrawSurface7::Lock", 1, DDERR_SURFACEBUSY);
        gfx_move_to(x, y);
        std::string what;
        if (op == 0 || op == 1) {
            // Images hang from the position by their lower-left pixel;
            // mirrored, column k lands at the image's last column minus k.
            what = op == 0 ? "draw" : "mirrored draw";
            op == 0 ? gfx_draw_transparent(bitmap.data(), w, h) : gfx_draw_transparent_mirrored(bitmap.data(), w, h);
            for (int r = 0; r < h && !refused; ++r) {
                for (int k = 0; k < w; ++k) {
                    const std::uint8_t index = bitmap[static_cast<std::size_t>(r * w + k)];
                    const std::int64_t px = std::int64_t{x} + (op == 0 ? k : w - 1 - k), py = std::int64_t{y} - r;
                    if (index != 0 && target.inside(px, py)) target.at(px, py) = native(index);
                }
            }
        } else if (op == 2) {
            // The unclipped draw, kept inside by its caller.
            what = "unclipped draw";
            if (w > target.width || h > target.height) continue;
            const std::int32_t ux = static_cast<std::int32_t>(chance() % static_cast<unsigned>(target.width - w + 1));
            const std::int32_t uy =
                h - 1 + static_cast<std::int32_t>(chance() % static_cast<unsigned>(target.height - h + 1));
            gfx_move_to(ux, uy);
            gfx_draw_transparent_unclipped(bitmap.data(), w, h);
            for (int r = 0; r < h && !refused; ++r) {
                for (int k = 0; k < w; ++k) {
                    const std::uint8_t index = bitmap[static_cast<std::size_t>(r * w + k)];
                    if (index != 0) target.at(ux + k, uy - r) = native(index);
                }
            }
        } else {
            // A copy from either buffer, overlapping itself at times: the
            // destination gets what the source held before the copy.
            what = "copy";
            Model& source = models_[chance() % 2];
            const std::int32_t min_x = coordinate(chance, source.width), min_y = coordinate(chance, source.height);
            // Inverted at times; a bound that would pass the 32-bit limits is not asked for.
            const std::int64_t wide_x =
                chance() % 12 == 0 ? std::int64_t{min_x} - 1 : min_x + static_cast<std::int64_t>(chance() % 40);
            const std::int64_t wide_y = min_y + static_cast<std::int64_t>(chance() % 40);
            if (wide_x < std::numeric_limits<std::int32_t>::min() ||
                wide_x > std::numeric_limits<std::int32_t>::max() ||
                wide_y > std::numeric_limits<std::int32_t>::max()) {
                continue;
            }
            const auto max_x = static_cast<std::int32_t>(wide_x), max_y = static_cast<std::int32_t>(wide_y);
            gfx_copy_rect(min_x, max_x, min_y, max_y, x, y, source.handle, target.handle);
            const std::vector<std::uint32_t> before = source.pixels;
            for (std::int64_t i = 0; i <= std::int64_t{max_y} - min_y; ++i) {
                for (std::int64_t k = 0; k <= std::int64_t{max_x} - min_x; ++k) {
                    const std::int64_t sx = min_x + k, sy = min_y + i;
                    const std::int64_t dx = x + k, dy = std::int64_t{y} - (std::int64_t{max_y} - min_y) + i;
                    if (source.inside(sx, sy) && target.inside(dx, dy)) {
                        target.at(dx, dy) = before[static_cast<std::size_t>(sy * source.width + sx)];
                    }
                }
            }
        }
        ASSERT_EQ(display.lock_count, 0) << what;
        ASSERT_TRUE(matches(target)) << "after call " << call << ", a " << what << " of " << w << " x " << h << " at ("
                                     << x << ", " << y << ")" << (refused ? " with the lock refused" : "");
    }
    // Captures read what the model holds; outside the buffer they give 0.
    for (int call = 0; call < 300 && GetParam().bits == 8; ++call) {
        Model& target = models_[chance() % 2];
        gfx_select_buffer(target.handle);
        const int w = 1 + static_cast<int>(chance() % 30), h = 1 + static_cast<int>(chance() % 30);
        const std::int32_t x = coordinate(chance, target.width), y = coordinate(chance, target.height);
        const bool refused = chance() % 10 == 0;
        if (refused) platform::fail_next("IDirectDrawSurface7::Lock", 1, DDERR_SURFACEBUSY);
        std::vector<std::uint8_t> bitmap(static_cast<std::size_t>(w * h), 77);
        gfx_move_to(x, y);
        gfx_get_image(bitmap.data(), w, h);
        for (int r = 0; r < h; ++r) {
            for (int k = 0; k < w; ++k) {
                const std::int64_t px = std::int64_t{x} + k, py = std::int64_t{y} - r;
                const std::uint32_t want = refused ? 77 : target.inside(px, py) ? target.at(px, py) : 0;
                ASSERT_EQ(bitmap[static_cast<std::size_t>(r * w + k)], want)
                    << "capture " << call << " of " << w << " x " << h << " at (" << x << ", " << y << "), column " << k
                    << " row " << r;
            }
        }
        ASSERT_EQ(display.lock_count, 0);
        ASSERT_TRUE(matches(target));
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, ModelTest, every_depth);

}  // namespace
