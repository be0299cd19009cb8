// The desktop program's own pieces: its options, where it finds the
// pictures, and how a page is scaled into a window.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "../../support/updated_window.h"
#include "platform/desktop/desktop_options.h"
#include "platform/desktop/picture_folder.h"
#include "platform/portable/hosts/page_scaler.h"

namespace {

namespace fs = std::filesystem;
using platform::DesktopOptions;
using Action = DesktopOptions::Action;
using Placement = DesktopOptions::Placement;

TEST(DesktopOptions, TakeTheWayToShowAndReportWhatIsWrong) {
    struct Case {
        std::vector<const char*> args;
        const char* screensaver_window;
        Action action;
        Placement placement;
        unsigned long window;
        bool root;
        const char* error;
    };
    const Case cases[] = {
        {{}, nullptr, Action::run, Placement::fullscreen, 0, false, ""},
        {{"--window"}, nullptr, Action::run, Placement::window, 0, false, ""},
        {{"--window", "--fullscreen"}, nullptr, Action::run, Placement::fullscreen, 0, false, ""},
        {{"-window"}, nullptr, Action::run, Placement::window, 0, false, ""},
        {{"--root"}, nullptr, Action::run, Placement::foreign, 0, true, ""},
        {{"-root"}, "0x2a00007", Action::run, Placement::foreign, 0x2a00007, false, ""},
        {{"--root"}, "", Action::run, Placement::foreign, 0, true, ""},
        {{"--root"}, "junk", Action::bad_environment, Placement::foreign, 0, false, "XSCREENSAVER_WINDOW is not"},
        {{"-window-id", "12345"}, nullptr, Action::run, Placement::foreign, 12345, false, ""},
        {{"-window-id", "010"}, nullptr, Action::run, Placement::foreign, 10, false, ""},  // no octal
        {{"--window-id=0x1c"}, "99", Action::run, Placement::foreign, 0x1c, false, ""},
        {{"--window", "--help"}, nullptr, Action::help, Placement::window, 0, false, ""},
        {{"-h"}, nullptr, Action::help, Placement::fullscreen, 0, false, ""},
        {{"--version", "--bogus"}, nullptr, Action::version, Placement::fullscreen, 0, false, ""},
        {{"--bogus"}, nullptr, Action::error, Placement::fullscreen, 0, false, "unknown option --bogus"},
        {{"window"}, nullptr, Action::error, Placement::fullscreen, 0, false, "not an option: window"},
        {{"--window=1"}, nullptr, Action::error, Placement::fullscreen, 0, false, "unknown option --window=1"},
        {{"-window-id"}, nullptr, Action::error, Placement::fullscreen, 0, false, "needs a window id"},
        {{"-window-id", "0"}, nullptr, Action::error, Placement::fullscreen, 0, false, "not a window id: 0"},
        {{"-window-id", "-5"}, nullptr, Action::error, Placement::fullscreen, 0, false, "not a window id"},
        {{"-window-id", "12x"}, nullptr, Action::error, Placement::fullscreen, 0, false, "not a window id"},
        {{"-window-id", "0x"}, nullptr, Action::error, Placement::fullscreen, 0, false, "not a window id"},
        {{"-window-id", " 7"}, nullptr, Action::error, Placement::fullscreen, 0, false, "not a window id"},
        {{"-window-id", "0x100000000"}, nullptr, Action::error, Placement::fullscreen, 0, false, "not a window id"},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv{"nightwick"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const DesktopOptions got =
            platform::parse_desktop_options(static_cast<int>(argv.size()), argv.data(), c.screensaver_window);
        const std::string what = ::testing::PrintToString(c.args);
        EXPECT_EQ(got.action, c.action) << what;
        if (c.action == Action::error || c.action == Action::bad_environment) {
            EXPECT_NE(got.error.find(c.error), std::string::npos) << what << ": " << got.error;
            continue;
        }
        EXPECT_EQ(got.placement, c.placement) << what;
        EXPECT_EQ(got.window_id, c.window) << what;
        EXPECT_EQ(got.root, c.root) << what;
    }
}

class PictureFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        base_ = fs::path(::testing::TempDir()) / ("picture_folder_" + std::to_string(::getpid()));
        fs::remove_all(base_);
    }
    void TearDown() override { fs::remove_all(base_); }
    // A folder holding the named pictures, each 640 x 480 of colour 0 with
    // its palette, or `bytes` where given.
    fs::path folder(const char* name, std::vector<const char*> pictures, std::string bytes = good_picture()) {
        const fs::path path = base_ / name;
        fs::create_directories(path);
        for (const char* picture : pictures) std::ofstream(path / picture, std::ios::binary) << bytes;
        return path;
    }
    static std::string good_picture() {
        std::string bytes(128, '\0');
        bytes[0] = 10, bytes[1] = 5, bytes[2] = 1, bytes[3] = 8, bytes[65] = 1;
        bytes[8] = static_cast<char>(639 & 0xFF), bytes[9] = 639 >> 8, bytes[10] = static_cast<char>(479 & 0xFF);
        bytes[11] = 479 >> 8, bytes[66] = static_cast<char>(640 & 0xFF), bytes[67] = 640 >> 8;
        for (int row = 0; row < 480; ++row) {
            for (int left = 640; left > 0; left -= 40) bytes += "\xE8" + std::string(1, '\0');  // runs of 40
        }
        return bytes + '\x0C' + std::string(768, '\0');
    }
    fs::path base_;
};

const std::vector<const char*> all_eight = {"VeskBack.pcx", "Mosquito.pcx", "Mfall.pcx", "Mturn.pcx",
                                            "Mzap.pcx",     "Mzapa.pcx",    "Lamp.pcx",  "Rail.pcx"};

TEST_F(PictureFolderTest, TheFirstFolderWithAllEightWins) {
    const fs::path partial = folder("partial", {"VeskBack.pcx", "Lamp.pcx"});
    const fs::path full = folder("full", all_eight);
    const fs::path also_full = folder("also_full", all_eight);
    const fs::path candidates[] = {partial, full, also_full};
    const platform::PictureFolder found = platform::find_picture_folder(candidates);
    EXPECT_EQ(found.folder, full);
    EXPECT_TRUE(found.missing.empty());
}

TEST_F(PictureFolderTest, WithoutACompleteFolderTheFullestIsUsedAndItsGapsNamed) {
    std::vector<const char*> seven = all_eight;
    seven.erase(seven.begin() + 4);  // no Mzap.pcx
    const fs::path empty = folder("empty", {});
    const fs::path most = folder("most", seven);
    const fs::path fewer = folder("fewer", {"Rail.pcx"});
    fs::create_directories(most / "Mzap.pcx");  // a folder of that name is no picture
    const fs::path candidates[] = {empty, base_ / "absent", most, fewer};
    const platform::PictureFolder found = platform::find_picture_folder(candidates);
    EXPECT_EQ(found.folder, most);
    EXPECT_EQ(found.missing, std::vector<std::string>{"Mzap.pcx"});

    const fs::path nothing[] = {base_ / "absent", empty};
    const platform::PictureFolder first = platform::find_picture_folder(nothing);
    EXPECT_EQ(first.folder, base_ / "absent");
    EXPECT_EQ(first.missing.size(), 8u);
}

// A copy that cannot serve gives way to the next folder's, and is named;
// with no good copy anywhere the first is shown as it is.
TEST_F(PictureFolderTest, ACopyThatCannotServeGivesWayToTheNextFoldersAndIsNamed) {
    const fs::path broken = folder("broken", all_eight, good_picture().substr(0, 3000));
    folder("broken", {"Lamp.pcx"});  // the one good picture here
    const fs::path good = folder("good", {"VeskBack.pcx", "Mosquito.pcx", "Mfall.pcx"});
    const fs::path candidates[] = {broken, good};
    const platform::PictureFolder found = platform::find_picture_folder(candidates);
    EXPECT_EQ(found.folder, broken);  // it gives five of the eight
    EXPECT_TRUE(found.missing.empty());
    using Elsewhere = std::vector<std::pair<std::string, fs::path>>;
    EXPECT_EQ(found.elsewhere, (Elsewhere{{"VeskBack.pcx", good / "VeskBack.pcx"},
                                          {"Mosquito.pcx", good / "Mosquito.pcx"},
                                          {"Mfall.pcx", good / "Mfall.pcx"}}));
    ASSERT_EQ(found.problems.size(), 7u);
    EXPECT_EQ(found.problems[0], (broken / "VeskBack.pcx").string() + " is cut short: its pixels end in row 90 of " +
                                     "480; using " + (good / "VeskBack.pcx").string() + " instead");
    EXPECT_EQ(found.problems[3], (broken / "Mturn.pcx").string() + " is cut short: its pixels end in row 90 of 480;" +
                                     " the animation shows it as it is");
}

// Started from anywhere, the program looks first where it is started, then
// beside itself, then where it is installed; a folder is named once.
TEST_F(PictureFolderTest, TheCandidatesAreTheCurrentFolderTheExecutablesAndTheInstalledOne) {
    const fs::path started = fs::current_path(), exe = fs::read_symlink("/proc/self/exe").parent_path();
    const fs::path installed = exe.parent_path() / "share" / "nightwick";
    for (const fs::path& here : {folder("elsewhere", {}), exe}) {
        fs::current_path(here);
        std::vector<fs::path> expected = {fs::current_path(), exe, installed};
        if (here == exe) expected.erase(expected.begin());
        EXPECT_EQ(platform::picture_folder_candidates(), expected) << here;
    }
    fs::current_path(started);
}

// The changes come as few rectangles that cover every changed pixel: near
// changes are one, far ones two, and noise of many is joined down to eight.
TEST(PageChanges, FewRectanglesCoverEveryChangedPixel) {
    struct Case {
        const char* what;
        std::vector<std::pair<int, int>> pixels;
        std::size_t rectangles;  // how many, or at most 8 when 0
    };
    std::vector<std::pair<int, int>> noise;  // 20 x 10 lone pixels, far apart
    for (int y = 0; y < 480; y += 48) {
        for (int x = 0; x < 640; x += 32) noise.emplace_back(x + y % 7, y);
    }
    const Case cases[] = {
        {"two pixels of a row 10 apart", {{100, 50}, {110, 50}}, 1},
        {"two pixels of a row 40 apart", {{100, 50}, {140, 50}}, 2},
        {"a pixel on each of two rows", {{300, 200}, {305, 201}}, 1},
        {"two insects apart", {{10, 10}, {400, 300}}, 2},
        {"200 lone pixels", noise, 0},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> page(640 * 480, 0);
        platform::PageChanges changes;
        ASSERT_TRUE(changes.compare(page.data(), 640, 640, 480, 8, nullptr));
        for (const auto& [x, y] : c.pixels) page[static_cast<std::size_t>(y * 640 + x)] = 7;
        ASSERT_FALSE(changes.compare(page.data(), 640, 640, 480, 8, nullptr)) << c.what;
        const auto& areas = changes.changed();
        if (c.rectangles > 0) {
            EXPECT_EQ(areas.size(), c.rectangles) << c.what;
        } else {
            EXPECT_LE(areas.size(), 8u) << c.what;
        }
        for (const auto& pixel : c.pixels) {
            const int x = pixel.first, y = pixel.second;
            EXPECT_TRUE(std::any_of(areas.begin(), areas.end(),
                                    [&](const platform::PageArea& a) {
                                        return x >= a.x && x < a.x + a.width && y >= a.y && y < a.y + a.height;
                                    }))
                << c.what << ": pixel " << x << "," << y << " is in no rectangle";
        }
    }
}

TEST(PageScaler, FitsThePageKeepingItsShape) {
    struct Case {
        int area_width, area_height;
        platform::PageArea expected;
    };
    const Case cases[] = {
        {640, 480, {0, 0, 640, 480}},   {1280, 960, {0, 0, 1280, 960}},
        {1024, 768, {0, 0, 1024, 768}}, {1920, 1080, {240, 0, 1440, 1080}},
        {800, 800, {0, 100, 800, 600}}, {3840, 2160, {480, 0, 2880, 2160}},
        {1, 1, {0, 0, 1, 1}},           {0, 480, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::fit_page(640, 480, c.area_width, c.area_height), c.expected)
            << c.area_width << " x " << c.area_height;
    }
}

// A 4 x 2 page of indices drawn into `width` x `height` window pixels.
struct Window {
    int width, height, pitch;
    std::vector<std::uint32_t> pixels;
    Window(int w, int h)
        : width(w), height(h), pitch(w * 4 + 12), pixels(static_cast<std::size_t>(pitch / 4) * h, 7u) {}
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * (pitch / 4) + x]; }
    std::uint8_t* bytes() { return reinterpret_cast<std::uint8_t*>(pixels.data()); }
};

TEST(PageScaler, ScalesByNearestNeighbourWithBlackBarsAndFollowsThePalette) {
    const std::uint8_t page[2][6] = {{1, 2, 3, 4, 99, 99}, {5, 6, 7, 8, 99, 99}};  // rows padded to 6
    PALETTEENTRY palette[256]{};
    for (int i = 0; i < 256; ++i) palette[i] = {static_cast<BYTE>(i), static_cast<BYTE>(i + 1), 0, 0};
    platform::PageScaler scaler;
    Window window(10, 4);  // the page at twice its size, with a bar of one column each side
    scaler.draw(&page[0][0], 6, 4, 2, 8, palette, window.bytes(), window.pitch, 10, 4, platform::PixelLayout{});
    for (int y = 0; y < 4; ++y) {
        EXPECT_EQ(window.at(0, y), 0u);
        EXPECT_EQ(window.at(9, y), 0u);
        for (int x = 1; x < 9; ++x) {
            const int index = page[y / 2][(x - 1) / 2];
            EXPECT_EQ(window.at(x, y), 0xFF000000u | (index << 16) | ((index + 1) << 8)) << x << "," << y;
        }
    }
    // Nothing is written past a row's end, into the window's padding.
    EXPECT_EQ(window.pixels[10], 7u);

    // A new palette shows at once, in the layout the window asks for.
    palette[6] = {200, 100, 50, 0};
    const platform::PixelLayout bgr{0, 8, 16, 0};
    scaler.draw(&page[0][0], 6, 4, 2, 8, palette, window.bytes(), window.pitch, 10, 4, bgr);
    EXPECT_EQ(window.at(3, 2), 200u | (100u << 8) | (50u << 16));
    EXPECT_EQ(window.at(1, 0), 1u | (2u << 8));
    palette[6] = {9, 8, 7, 0};  // and again in the same layout
    scaler.draw(&page[0][0], 6, 4, 2, 8, palette, window.bytes(), window.pitch, 10, 4, bgr);
    EXPECT_EQ(window.at(3, 2), 9u | (8u << 8) | (7u << 16));
    // Without a palette the indices are greys.
    scaler.draw(&page[0][0], 6, 4, 2, 8, nullptr, window.bytes(), window.pitch, 10, 4, bgr);
    EXPECT_EQ(window.at(3, 2), 6u | (6u << 8) | (6u << 16));
}

TEST(PageScaler, ConvertsDeepPages) {
    const std::uint8_t rgb565[4] = {0x1F, 0xF8, 0xE0, 0x07};  // pure blue, then red and green mixed
    const std::uint8_t bgr24[6] = {10, 20, 30, 40, 50, 60};
    const std::uint8_t bgrx32[8] = {1, 2, 3, 0, 4, 5, 6, 0};
    platform::PageScaler scaler;
    Window window(2, 1);
    scaler.draw(rgb565, 4, 2, 1, 16, nullptr, window.bytes(), window.pitch, 2, 1, platform::PixelLayout{});
    EXPECT_EQ(window.at(0, 0), 0xFFF800F8u);  // 0xF81F: red 31, green 0, blue 31
    EXPECT_EQ(window.at(1, 0), 0xFF00FC00u);  // 0x07E0: green 63
    scaler.draw(bgr24, 6, 2, 1, 24, nullptr, window.bytes(), window.pitch, 2, 1, platform::PixelLayout{});
    EXPECT_EQ(window.at(1, 0), 0xFF3C3228u);
    scaler.draw(bgrx32, 8, 2, 1, 32, nullptr, window.bytes(), window.pitch, 2, 1, platform::PixelLayout{});
    EXPECT_EQ(window.at(0, 0), 0xFF030201u);
}

// Random pages with small changes, new palettes, exposes and new buffers
// between them, at every depth: a window given only what changed shows
// what one redrawn whole would.
TEST(PageScaler, PagesDrawnByTheirChangesAreWholeRedrawsAtEverySizeAndDepth) {
    struct Case {
        int page_width, page_height, bits;
    };
    const Case cases[] = {{640, 480, 8}, {320, 200, 8}, {37, 23, 8}, {640, 480, 16}, {99, 70, 24}, {640, 480, 32}};
    std::mt19937 random(11);
    const auto below = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    for (const Case& c : cases) {
        const int bytes = c.bits / 8, pitch = c.page_width * bytes + 3;  // rows with a gap after them
        std::vector<std::uint8_t> page(static_cast<std::size_t>(pitch) * c.page_height);
        for (auto& byte : page) byte = static_cast<std::uint8_t>(random());
        PALETTEENTRY palette[256];
        for (auto& entry : palette) entry = PALETTEENTRY{BYTE(random()), BYTE(random()), BYTE(random()), 0};
        UpdatedWindow window;
        for (const WindowSize& size : window_sizes) {
            window.lose(size.width, size.height);
            for (int step = 0; step < size.presents / 8; ++step) {
                const int what = below(100);
                for (int n = what < 80 ? below(6) : 0; n > 0; --n) {  // a few small changes
                    const int x = below(c.page_width), y = below(c.page_height), w = 1 + below(30), h = 1 + below(30);
                    for (int j = y; j < std::min(y + h, c.page_height); ++j) {
                        for (int i = x * bytes; i < std::min(x + w, c.page_width) * bytes; ++i) {
                            if (below(3) != 0) page[static_cast<std::size_t>(j * pitch + i)] = BYTE(random());
                        }
                    }
                }
                if (what >= 80 && what < 85) {  // a whole row
                    const int y = below(c.page_height);
                    for (int i = 0; i < c.page_width * bytes; ++i) page[static_cast<std::size_t>(y * pitch + i)] ^= 1;
                }
                if (what >= 85 && what < 90) palette[below(256)].peGreen ^= 0x40;
                if (what >= 90 && what < 96) window.lose(size.width, size.height, what < 94);
                const PALETTEENTRY* shown_palette = c.bits == 8 && c.page_width != 37 ? palette : nullptr;
                ASSERT_TRUE(window.present(page.data(), pitch, c.page_width, c.page_height, c.bits, shown_palette))
                    << window.failure << " (page " << c.page_width << " x " << c.page_height << ", " << c.bits
                    << " bits)";
            }
        }
        EXPECT_GT(window.partial, window.presents / 2);
    }
}

}  // namespace
