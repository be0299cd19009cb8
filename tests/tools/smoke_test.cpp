#include "tools/smoke/smoke.h"

#include "../support/platform_fixture.h"
#include "platform/win32.h"

namespace {

class SmokeTest : public PlatformTest {};

TEST_F(SmokeTest, RunsHeadlessAndQuitsOnEscapeWithExitCodeZero) {
    smoke_messages.clear();
    platform::headless_host()->key_at(0, VK_ESCAPE);
    char command_line[] = "";
    int code = WinMain(nullptr, nullptr, command_line, SW_SHOWNORMAL);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(smoke_messages, (std::vector<unsigned>{WM_CREATE, WM_ACTIVATEAPP, WM_KEYDOWN, WM_DESTROY, WM_QUIT}));
}

}  // namespace
