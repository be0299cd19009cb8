#include "platform/windows/screensaver_arguments.h"

#include <gtest/gtest.h>

namespace {

using nightwick::ScreensaverArguments;
using Mode = ScreensaverArguments::Mode;

// Windows writes the program's path first, quoted or not, and it may hold
// anything an option holds.
TEST(ScreensaverArgumentsTest, OnlyTheArgumentsAfterTheProgramsPathAreRead) {
    const char* program = R"(C:\Users\Ann\my -p pictures\screen packs\Nightwick.scr)";
    const struct {
        const char* line;
        ScreensaverArguments expected;
    } cases[] = {
        {R"("C:\Users\Ann\my -p pictures\screen packs\Nightwick.scr" /p 1234)", {Mode::preview, 1234}},
        {R"(C:\Users\Ann\my -p pictures\screen packs\Nightwick.scr /p:5678)", {Mode::preview, 5678}},
        {R"(C:\Users\Ann\my -p pictures\screen packs\Nightwick.scr)", {Mode::configure, 0}},
        {R"(c:\users\ann\MY -P PICTURES\screen packs\nightwick.scr /s)", {Mode::run, 0}},
        {R"("C:\a\-s\Nightwick.scr")", {Mode::configure, 0}},
        {R"("C:\a\/p 12\Nightwick.scr" /S)", {Mode::run, 0}},
        {R"(C:\WINDOWS\SYSTEM32\NIGHTW~1.SCR -s)", {Mode::run, 0}},
        {R"(Nightwick.scr /P 0x1F)", {Mode::preview, 0x1F}},
        {R"(Nightwick.scr -p   42  )", {Mode::preview, 42}},
        {R"(Nightwick.scr /p)", {Mode::preview, 0}},
        {R"(Nightwick.scr /p garbage)", {Mode::preview, 0}},
        {R"(Nightwick.scr /p 99999999999999999999999)", {Mode::preview, 0}},  // no handle is that large
        {R"(Nightwick.scr /c)", {Mode::configure, 0}},
        {R"(Nightwick.scr /c:4321)", {Mode::configure, 4321}},
        {R"(Nightwick.scr)", {Mode::configure, 0}},
        {"", {Mode::configure, 0}},
        {R"("unterminated /s)", {Mode::configure, 0}},
        {R"(Nightwick.scr /start)", {Mode::configure, 0}},
        {R"(Nightwick.scr garbage /s)", {Mode::configure, 0}},
        {R"(Nightwick.scr /x)", {Mode::configure, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(nightwick::parse_screensaver_arguments(c.line, program), c.expected) << c.line;
    }
}

}  // namespace
