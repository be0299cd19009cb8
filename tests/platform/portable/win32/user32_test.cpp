#include <vector>

#include "../../../support/platform_fixture.h"
#include "platform/portable/control/timer_resolution.h"
#include "platform/win32.h"

namespace {

struct Seen {
    UINT message;
    WPARAM wparam;
};
std::vector<Seen> seen;
bool close_on_create = false;

LRESULT CALLBACK recording_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    seen.push_back({message, wparam});
    if (message == WM_CREATE && close_on_create) return -1;
    return DefWindowProcA(window, message, wparam, lparam);
}

class User32Test : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        seen.clear();
        close_on_create = false;
        WNDCLASSEXA window_class{};
        window_class.cbSize = sizeof window_class;
        window_class.lpfnWndProc = recording_procedure;
        window_class.lpszClassName = "Recording";
        ASSERT_NE(RegisterClassExA(&window_class), 0);
    }
    HWND create() {
        return CreateWindowExA(WS_EX_TOPMOST, "recording", "t", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr, nullptr,
                               nullptr);
    }
    std::vector<UINT> messages() const {
        std::vector<UINT> result;
        for (const Seen& s : seen) result.push_back(s.message);
        return result;
    }
};

TEST_F(User32Test, CreationSendsCreateAndTheFirstShowActivatesTheApplication) {
    HWND window = create();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(messages(), std::vector<UINT>{WM_CREATE});
    EXPECT_EQ(GetFocus(), nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    ASSERT_EQ(messages(), (std::vector<UINT>{WM_CREATE, WM_ACTIVATEAPP, WM_SETFOCUS}));
    EXPECT_EQ(seen[1].wparam, 1u);
    EXPECT_EQ(GetFocus(), window);
    ShowWindow(window, SW_SHOWNORMAL);  // only the first show activates
    EXPECT_EQ(seen.size(), 3u);
}

TEST_F(User32Test, CreateRefusedByTheWindowProcedureGivesNoWindow) {
    close_on_create = true;
    EXPECT_EQ(create(), nullptr);
    EXPECT_EQ(platform::window_count(), 0u);
}

TEST_F(User32Test, UnknownClassesAndHandlesFail) {
    EXPECT_EQ(CreateWindowExA(0, "Nope", "t", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_DOES_NOT_EXIST));
    EXPECT_EQ(CreateWindowExA(0, nullptr, "t", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(RegisterClassExA(nullptr), 0);
    HWND bogus = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0xBAD0));
    EXPECT_FALSE(ShowWindow(bogus, SW_SHOW));
    EXPECT_FALSE(DestroyWindow(bogus));
    EXPECT_FALSE(DestroyWindow(nullptr));
    EXPECT_FALSE(UpdateWindow(nullptr));
    EXPECT_EQ(DispatchMessageA(nullptr), 0);
    MSG msg{bogus, WM_KEYDOWN, 27, 0, 0, {0, 0}};
    EXPECT_EQ(DispatchMessageA(&msg), 0);
    EXPECT_FALSE(PeekMessageA(nullptr, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(User32Test, PeekNeverBlocksAndQuitComesAfterEverythingElse) {
    HWND window = create();
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    PostQuitMessage(3);
    PostMessageA(window, WM_KEYDOWN, 'A', 0);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(User32Test, WaitReturnsAtOnceForAQueuedMessageAndOtherwiseWaitsForInput) {
    HWND window = create();
    ShowWindow(window, SW_SHOWNORMAL);
    PostMessageA(window, WM_KEYUP, VK_SPACE, 0);
    platform::HeadlessHost* host = platform::headless_host();
    host->key_at(50, 'A');  // a page the program will never show while it waits
    EXPECT_TRUE(WaitMessage());
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYUP));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));  // the wait took no input
    // With nothing queued the next input comes, whenever it was scripted for.
    EXPECT_TRUE(WaitMessage());
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>('A'));
    // No input will ever come: the headless host closes the window rather
    // than leave the program waiting for good.
    EXPECT_TRUE(WaitMessage());
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_CLOSE));
    // A posted quit is something to take too: no close is made up for it.
    PostQuitMessage(0);
    EXPECT_TRUE(WaitMessage());
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
}

TEST_F(User32Test, CloseThroughTheDefaultProcedureDestroysTheWindow) {
    HWND window = create();
    seen.clear();
    PostMessageA(window, WM_CLOSE, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    DispatchMessageA(&msg);
    EXPECT_EQ(messages(), (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
    EXPECT_EQ(platform::window_count(), 0u);
    EXPECT_EQ(DefWindowProcA(window, WM_SIZE, 0, 0), 0);
}

TEST_F(User32Test, ScriptedInputArrivesAtTheFrameItWasScriptedFor) {
    HWND window = create();
    ShowWindow(window, SW_SHOWNORMAL);
    platform::HeadlessHost* host = platform::headless_host();
    ASSERT_NE(host, nullptr);
    // Activation messages come only with a change: the first and last of
    // these change nothing.
    for (const bool active : {true, false, false}) host->activate_at(0, active);
    host->key_at(2, VK_F12);
    seen.clear();
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    // Activation changes are sent at once, as Windows sends them.
    ASSERT_EQ(messages(), (std::vector<UINT>{WM_ACTIVATEAPP, WM_KILLFOCUS}));
    EXPECT_EQ(seen[0].wparam, 0u);
    std::uint8_t page[4] = {};
    host->present(page, 2, 2, 2, 8, nullptr);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    host->present(page, 2, 2, 2, 8, nullptr);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(VK_F12));
    EXPECT_EQ(msg.hwnd, window);
}

TEST_F(User32Test, CursorCountFollowsWindowsCounterSemantics) {
    EXPECT_EQ(platform::cursor_display_count(), 0);
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_EQ(ShowCursor(FALSE), -2);
    EXPECT_EQ(ShowCursor(TRUE), -1);
    EXPECT_EQ(GetSystemMetrics(SM_MOUSEPRESENT), 1);
    platform::set_mouse_present(false);
    EXPECT_EQ(GetSystemMetrics(SM_MOUSEPRESENT), 0);
    EXPECT_EQ(platform::cursor_display_count(), -1);  // no mouse: no cursor shown
}

TEST_F(User32Test, MessageBoxesAreRecordedWithTheirCaption) {
    HWND window = create();
    EXPECT_EQ(MessageBoxA(window, "DirectDraw setup error.", "Error", MB_ICONERROR), IDOK);
    ASSERT_EQ(platform::message_boxes().size(), 1u);
    EXPECT_EQ(platform::message_boxes()[0].text, "DirectDraw setup error.");
    EXPECT_EQ(platform::message_boxes()[0].caption, "Error");
    EXPECT_EQ(platform::message_boxes()[0].owner, window);
    EXPECT_EQ(platform::message_boxes()[0].type, MB_ICONERROR);
}

TEST_F(User32Test, KeyboardStateIsReplacedWhole) {
    BYTE keys[256];
    for (int i = 0; i < 256; ++i) keys[i] = 0x81;
    EXPECT_TRUE(SetKeyboardState(keys));
    EXPECT_EQ(platform::keyboard_state()[VK_ESCAPE], 0x81);
    BYTE zeros[256] = {};
    EXPECT_TRUE(SetKeyboardState(zeros));
    for (BYTE key : platform::keyboard_state()) ASSERT_EQ(key, 0);
    EXPECT_FALSE(SetKeyboardState(nullptr));
}

TEST_F(User32Test, StockIconAndCursorNeedNoInstance) {
    EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
    EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
    EXPECT_EQ(LoadIconA(nullptr, "missing"), nullptr);
}

}  // namespace

// The fine timer resolution keeps the processor awake: it is held only
// while the application is active, however often the program asked.
TEST_F(User32Test, TheTimerResolutionIsHeldOnlyWhileTheApplicationIsActive) {
    HWND window = create();
    EXPECT_EQ(timeBeginPeriod(1), static_cast<MMRESULT>(TIMERR_NOERROR));
    EXPECT_FALSE(platform::timer_resolution_taken());  // asked for before the first activation
    ShowWindow(window, SW_SHOWNORMAL);
    EXPECT_TRUE(platform::timer_resolution_taken());
    platform::HeadlessHost* host = platform::headless_host();
    host->activate_at(0, false);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    EXPECT_FALSE(platform::timer_resolution_taken());
    EXPECT_EQ(platform::timer_periods_held(), 1);  // still the program's request
    host->activate_at(0, true);
    PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    EXPECT_TRUE(platform::timer_resolution_taken());
    EXPECT_EQ(timeEndPeriod(1), static_cast<MMRESULT>(TIMERR_NOERROR));
    EXPECT_FALSE(platform::timer_resolution_taken());
    EXPECT_EQ(timeEndPeriod(1), static_cast<MMRESULT>(TIMERR_NOCANDO));  // no begin left to end
}
