// A long run of the headless program under random faults: surfaces lost
// with and without a deactivation, activation changes, the pictures taken
// away and brought back, and allocations refused by the platform. After
// every page the whole-frame rule must hold: away from the lamp, the rail
// and the live insects, the page is the background.
//   nightwick-soak [FRAMES [SEED]]   (default 1,000,000 frames, seed 1)
// Prints frames, faults and violations, and the resident memory at the start
// and the end; exits 1 on any violation or on memory that kept growing.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

#include "../support/frame_invariant.h"
#include "../support/temp_path.h"
#include "app/shell.h"
#include "gfx/state.h"
#include "platform/portable/control/control.h"
#include "platform/portable/hosts/headless.h"

// AddressSanitizer holds freed memory back in quarantine, so resident memory
// grows there whatever the program does: growth is judged without it only.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool judges_growth = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool judges_growth = false;
#else
constexpr bool judges_growth = true;
#endif
#else
constexpr bool judges_growth = true;
#endif

namespace {

namespace fs = std::filesystem;

const char* const picture_names[] = {"VeskBack.pcx", "Mosquito.pcx", "Mfall.pcx", "Mturn.pcx",
                                     "Mzap.pcx",     "Mzapa.pcx",    "Lamp.pcx",  "Rail.pcx"};

long resident_kib() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

enum class Fault { lose, lose_inactive, toggle, pictures_gone, pictures_back, refuse_allocations };
const char* const fault_names[] = {"losses",
                                   "losses while inactive",
                                   "activation changes",
                                   "pictures taken away",
                                   "pictures brought back",
                                   "allocations refused"};

struct Soak {
    std::map<int, Fault> at_page;  // faults the page callback applies itself
    std::vector<std::uint8_t> background;
    int pages = 0, violations = 0, first_violation = 0, unreadable = 0, unreadable_in_a_row = 0;
    std::string where;
    long resident_at_start = 0, resident_mid = 0;
    int frames = 0;
};

void on_page(const platform::HeadlessHost& shown, void* context) {
    auto* soak = static_cast<Soak*>(context);
    ++soak->pages;
    if (shown.frames() == 1) {
        soak->background = shown.page();
    } else if (repaint_pending && ++soak->unreadable_in_a_row <= 8) {
        // No memory to read the background with: the page is what the
        // display gave back, until a repaint at one of the next frames
        // finds memory again (the faults refuse at most three loads).
        ++soak->unreadable;
    } else {
        soak->unreadable_in_a_row = 0;
        std::string where;
        if (off_background(shown.page(), soak->background, where) && soak->violations++ == 0) {
            soak->first_violation = shown.frames();
            soak->where = where;
        }
    }
    if (soak->pages == 100) soak->resident_at_start = resident_kib();
    if (soak->pages == soak->frames / 2) soak->resident_mid = resident_kib();
    if (auto fault = soak->at_page.find(shown.frames()); fault != soak->at_page.end()) {
        std::error_code ignored;
        switch (fault->second) {
            case Fault::pictures_gone:
                for (const char* name : picture_names) fs::rename(name, std::string(name) + ".away", ignored);
                break;
            case Fault::pictures_back:
                for (const char* name : picture_names) fs::rename(std::string(name) + ".away", name, ignored);
                break;
            case Fault::refuse_allocations:
                // The next loads find no memory, whatever they ask for.
                platform::fail_next("GlobalAlloc", 1 + static_cast<int>(shown.frames() % 3), 0);
                platform::lose_surfaces();
                break;
            default:
                break;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 1'000'000;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 1u;
    if (frames < 1000) {
        std::fprintf(stderr, "usage: nightwick-soak [FRAMES (at least 1000) [SEED]]\n");
        return 2;
    }
    const fs::path folder = temp_path("soak");
    fs::create_directories(folder);
    for (const char* name : picture_names) fs::copy_file(fs::path(NIGHTWICK_PICTURES) / name, folder / name);
    fs::current_path(folder);

    platform::reset();
    platform::set_call_logging(false);
    Soak soak;
    soak.frames = frames;
    platform::HeadlessHost* host = platform::headless_host();
    std::mt19937 chance(seed);
    int counts[6] = {};
    bool away = false;
    for (int page = 64; page < frames - 600; page += 40 + static_cast<int>(chance() % 300)) {
        Fault fault = static_cast<Fault>(chance() % 5);
        if (fault == Fault::pictures_gone && away) fault = Fault::pictures_back;
        if (fault == Fault::pictures_back && !away) fault = Fault::refuse_allocations;
        switch (fault) {
            case Fault::lose:
                host->lose_at(page);
                break;
            case Fault::lose_inactive:
                host->activate_at(page, false);
                host->lose_at(page);
                host->activate_at(page, true, static_cast<int>(chance() % 4));
                break;
            case Fault::toggle:
                host->activate_at(page, false);
                host->activate_at(page, true, static_cast<int>(chance() % 4));
                break;
            default:
                soak.at_page[page] = fault;
                away = fault == Fault::pictures_gone ? true : fault == Fault::pictures_back ? false : away;
                break;
        }
        ++counts[static_cast<int>(fault)];
        if (std::getenv("NIGHTWICK_SOAK_TRACE"))
            std::printf("page %d: %s\n", page, fault_names[static_cast<int>(fault)]);
    }
    host->key_at(frames, VK_ESCAPE);
    host->on_present(on_page, &soak);
    char command_line[] = "";
    const int exit_code = WinMain(nullptr, nullptr, command_line, SW_SHOWNORMAL);
    const long resident_at_end = resident_kib();
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(folder);

    std::printf("soak: %d pages, exit code %d\n", soak.pages, exit_code);
    for (int i = 0; i < 6; ++i) std::printf("  %-24s %d\n", fault_names[i], counts[i]);
    std::printf("  pages without background %d (no memory to read it; repainted at the next frame)\n", soak.unreadable);
    std::printf("  violations               %d", soak.violations);
    if (soak.violations > 0) std::printf(" (first in page %d at %s)", soak.first_violation, soak.where.c_str());
    std::printf("\n  resident memory          %ld KiB after 100 pages, %ld KiB half way, %ld KiB at the end\n",
                soak.resident_at_start, soak.resident_mid, resident_at_end);
    std::printf("  platform                 %d live objects, %zu memory blocks, %d misuses\n", platform::live_objects(),
                platform::global_block_count(), platform::misuse_count());
    // Memory taken in the second half of the run is memory that keeps growing.
    const bool grew = judges_growth && resident_at_end > soak.resident_mid + 512;
    if (grew) std::printf("  resident memory grew in the second half of the run\n");
    if (!judges_growth) std::printf("  (growth not judged: the sanitizer's quarantine holds freed memory)\n");
    const bool clean = platform::live_objects() == 0 && platform::misuse_count() == 0;
    return soak.violations == 0 && !grew && clean && exit_code == 0 && soak.pages >= frames ? 0 : 1;
}
