#include "../../../support/ddraw_helpers.h"
#include "../../../support/platform_fixture.h"
#include "platform/win32.h"

namespace {

class ControlTest : public PlatformTest {};

TEST_F(ControlTest, EveryCallIsLoggedInOrderWithItsArguments) {
    HMODULE module = LoadLibraryA("DDRAW.DLL");
    GetProcAddress(module, "DirectDrawCreateEx");
    FreeLibrary(module);
    const auto& log = platform::calls();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].name, "LoadLibraryA");
    EXPECT_EQ(log[0].args, std::vector<std::string>{"DDRAW.DLL"});
    EXPECT_EQ(log[1].name, "GetProcAddress");
    EXPECT_EQ(log[1].args[1], "DirectDrawCreateEx");
    EXPECT_EQ(log[2].name, "FreeLibrary");
    EXPECT_EQ(platform::find_call("FreeLibrary"), 2);
    EXPECT_EQ(platform::find_call("FreeLibrary", 3), -1);
    platform::clear_calls();
    EXPECT_TRUE(platform::calls().empty());
}

TEST_F(ControlTest, InjectedFailuresAreReturnedExactlyAndOnlyForTheCountGiven) {
    platform::fail_next("GetSystemMetrics", 2, 77);
    EXPECT_EQ(GetSystemMetrics(SM_MOUSEPRESENT), 77);
    EXPECT_EQ(GetSystemMetrics(SM_MOUSEPRESENT), 77);
    EXPECT_EQ(GetSystemMetrics(SM_MOUSEPRESENT), 1);
    platform::fail_next("LoadLibraryA", 1, 0);
    EXPECT_EQ(LoadLibraryA("DDRAW.DLL"), nullptr);
    EXPECT_EQ(platform::module_reference_count("DDRAW.DLL"), 0);  // a failed call does nothing
    EXPECT_NE(LoadLibraryA("DDRAW.DLL"), nullptr);
}

TEST_F(ControlTest, FailuresCanWaitForSomeCallsToPassFirst) {
    platform::fail_after("GetVersion", 2, 1, 0x80000000);
    EXPECT_EQ(GetVersion() & 0x80000000u, 0u);
    EXPECT_EQ(GetVersion() & 0x80000000u, 0u);
    EXPECT_EQ(GetVersion(), 0x80000000u);
    EXPECT_EQ(GetVersion() & 0x80000000u, 0u);
}

TEST_F(ControlTest, LoggingCanBeTurnedOffWhileFailuresStillApply) {
    platform::set_call_logging(false);
    platform::fail_next("GetFocus", 1, 0x1234);
    EXPECT_EQ(GetFocus(), reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x1234)));
    IDirectDraw7* ddraw = create_ddraw7();  // COM methods too, which name themselves only when watched
    ASSERT_NE(ddraw, nullptr);
    platform::fail_next("IDirectDraw7::AddRef", 1, 77);
    EXPECT_EQ(ddraw->AddRef(), 77u);
    EXPECT_EQ(ddraw->AddRef(), 2u);
    GetVersion();
    EXPECT_TRUE(platform::calls().empty());
    platform::reset();  // on again
    GetVersion();
    EXPECT_EQ(platform::calls().size(), 1u);
}

TEST_F(ControlTest, ResetForgetsWindowsFilesModulesAndFailures) {
    LoadLibraryA("AVIFIL32.DLL");
    GlobalAlloc(GPTR, 10);
    platform::fail_next("GetFocus", 5, 1);
    platform::set_desktop_depth(8);
    platform::reset();
    EXPECT_EQ(platform::module_reference_count("AVIFIL32.DLL"), 0);
    EXPECT_EQ(platform::global_block_count(), 0u);
    EXPECT_EQ(GetFocus(), nullptr);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 32);
}

}  // namespace
