// The window procedure message by message: what each returns, whether it
// goes to DefWindowProcA, and the platform calls it makes.
#include "../support/app_fixture.h"
#include "../support/test_pictures.h"

namespace {

struct Message {
    const char* name;
    UINT message;
    WPARAM wparam;
    bool initialised;  // start-up has finished
    LRESULT result;    // what the procedure returns; 4321 is DefWindowProcA's answer
    bool default_procedure;
    std::vector<const char*> calls;  // made, in this order; others may come between
    std::vector<const char*> never;  // not made at all
};

const char* const restore = "IDirectDrawSurface7::Restore";

const Message messages[] = {
    {"WM_SIZE", WM_SIZE, 0, true, 0, false, {}, {"SelectPalette"}},
    {"WM_SETFOCUS", WM_SETFOCUS, 0, true, 0, false, {"SelectPalette", "RealizePalette"}, {}},
    {"a key", WM_KEYDOWN, 'A', true, 4321, true, {"DefWindowProcA"}, {"DestroyWindow"}},
    {"Esc", WM_KEYDOWN, VK_ESCAPE, true, 4321, true, {"DestroyWindow", "PostQuitMessage", "DefWindowProcA"}, {}},
    {"F12", WM_KEYDOWN, VK_F12, true, 4321, true, {"DestroyWindow", "PostQuitMessage", "DefWindowProcA"}, {}},
    {"F11", WM_KEYDOWN, VK_F1 + 10, true, 4321, true, {"DefWindowProcA"}, {"DestroyWindow"}},
    {"activation during start-up", WM_ACTIVATEAPP, 1, false, 0, false, {}, {restore, "CreateFileA"}},
    {"deactivation", WM_ACTIVATEAPP, 0, true, 0, false, {}, {restore, "CreateFileA"}},
    {"re-activation",
     WM_ACTIVATEAPP,
     1,
     true,
     0,
     false,
     {restore, "CreateFileA", "IDirectDrawSurface7::BltFast", "IDirectDrawSurface7::Flip",
      "IDirectDrawSurface7::BltFast"},
     {}},
    {"any other message", WM_PAINT, 0, true, 4321, true, {"DefWindowProcA"}, {}},
};

class WindowProcedureTest : public AppTest, public ::testing::WithParamInterface<Message> {};

void PrintTo(const Message& message, std::ostream* out) { *out << message.name; }

TEST_P(WindowProcedureTest, AnswersAsTheProgramShould) {
    const Message& m = GetParam();
    test_pictures::write_all();
    // The program's own window, made as the program makes it: the whole
    // start-up runs inside its creation.
    platform::reset();
    HWND window = create_window("Nightwick", window_procedure);
    ASSERT_EQ(app_initialised, 1);
    app_initialised = m.initialised ? 1 : 0;
    app_active = m.wparam == 0 ? 1 : 0;
    platform::clear_calls();
    platform::fail_next("DefWindowProcA", 1, 4321);
    EXPECT_EQ(window_procedure(window, m.message, m.wparam, 0), m.result);
    EXPECT_EQ(!platform::calls_named("DefWindowProcA").empty(), m.default_procedure);
    int from = 0;
    for (const char* call : m.calls) {
        from = platform::find_call(call, static_cast<std::size_t>(from));
        ASSERT_GE(from, 0) << call << " missing or out of order";
    }
    for (const char* call : m.never) EXPECT_EQ(platform::find_call(call), -1) << call;
    if (m.message == WM_ACTIVATEAPP) {
        EXPECT_EQ(app_active, static_cast<std::int32_t>(m.wparam));
    }
}

INSTANTIATE_TEST_SUITE_P(Messages, WindowProcedureTest, ::testing::ValuesIn(messages));

}  // namespace
