// The entry point, the window procedure and the frame routine.
#include "app/shell.h"

#include "app/background.h"
#include "app/compose.h"
#include "app/insects.h"
#include "app/scene.h"
#include "app/sprites.h"
#include "gfx/state.h"

BufferHandle screen_buffer = 0;
BufferHandle background_buffer = 0;
HDC window_dc = nullptr;
HPALETTE logical_palette = nullptr;
std::int32_t app_active = 0;
std::int32_t app_initialised = 0;
bool repaint_pending = false;

namespace {

// Both pages of the flip chain get the clean background.
void background_to_both_pages() {
    gfx_copy_buffer(background_buffer, screen_buffer);
    gfx_flip();
    gfx_copy_buffer(background_buffer, screen_buffer);
}

LRESULT start_up(HWND window) {
    gfx_request_mode(scene::width, scene::height, 8, GFX_MODE_FLIP);
    window_dc = GetDC(window);
    gfx_attach_dc(window_dc);
    logical_palette = gfx_create_logical_palette();
    gfx_realize_palette(logical_palette);
    ShowWindow(window, SW_SHOWNORMAL);
    gfx_setup_display();
    if (gfx_last_error() != 0) {
        MessageBoxA(window, "DirectDraw setup error.", "Error", MB_ICONERROR);
        DestroyWindow(window);
        return 0;
    }
    screen_buffer = 0;
    gfx_select_buffer(screen_buffer);
    gfx_attach_palette();
    background_buffer = gfx_create_buffer(scene::width, scene::height);
    gfx_select_buffer(background_buffer);
    gfx_attach_palette();
    load_background();
    load_sprites();
    if (message_buffer[0] != '\0') {
        // Without all its frames the animation cannot run: say why and end.
        MessageBoxA(window, message_buffer, "Error", MB_ICONERROR);
        DestroyWindow(window);
        return 0;
    }
    reset_insect_list();
    gfx_mouse_init();
    gfx_show_cursor(0);
    background_to_both_pages();
    app_initialised = 1;
    return 0;
}

// The display took the surfaces' memory away: they come back empty, and the
// scene is put back on both pages. The insects go on where they were. A
// background that could not be read for want of memory is tried again at
// the next frame, rather than leaving the restored memory on screen.
void repaint_scene() {
    gfx_restore_surfaces();
    gfx_select_buffer(background_buffer);
    repaint_pending = !reload_background();
    gfx_select_buffer(screen_buffer);
    background_to_both_pages();
}

void activate(WPARAM active) {
    app_active = static_cast<std::int32_t>(active);
    if (app_active == 0 || app_initialised == 0) return;
    repaint_scene();
}

void shut_down(HWND window) {
    gfx_show_cursor(1);
    gfx_deselect_buffers();
    gfx_free_buffer(background_buffer);
    gfx_shutdown();
    DeleteObject(logical_palette);
    ReleaseDC(window, window_dc);
    PostQuitMessage(0);
}

}  // namespace

LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
            return start_up(window);
        case WM_DESTROY:
            shut_down(window);
            return 0;
        case WM_SIZE:
            return 0;
        case WM_SETFOCUS:
            gfx_realize_palette(logical_palette);
            return 0;
        case WM_ACTIVATEAPP:
            activate(wparam);
            return 0;
        case WM_KEYDOWN:
            if (wparam == VK_ESCAPE || wparam == VK_F12) DestroyWindow(window);
            return DefWindowProcA(window, message, wparam, lparam);
        default:
            return DefWindowProcA(window, message, wparam, lparam);
    }
}

void present_frame() { gfx_flip(); }

void run_frame() {
    // Surfaces can be lost while the program stays active (another program
    // changed the mode for a moment): the scene is repainted before this
    // frame is drawn over it.
    if (gfx_surfaces_lost() != 0 || repaint_pending) repaint_scene();
    if (random_next() % 41 == 9 && insect_count < max_insects) spawn_insect();
    restore_removed();
    for (Insect* insect = insect_head; insect != nullptr; insect = insect->next) restore_background(insect);
    for (Insect* insect = insect_head; insect != nullptr;) {
        // The routine may free the insect: its successor is read first.
        Insect* next = insect->next;
        if (insect->state == remove_insect) keep_removed_boxes(insect);
        insect->state(insect);
        insect = next;
    }
    for (Insect* insect = insect_head; insect != nullptr; insect = insect->next) {
        if (insect->depth < 0) draw_insect(insect);
    }
    draw_lamp();
    for (Insect* insect = insect_head; insect != nullptr; insect = insect->next) {
        if (insect->depth >= 0) draw_insect(insect);
    }
    draw_rail();
    present_frame();
}

void reset_app_globals() {
    while (insect_head != nullptr) remove_insect(insect_head);
    reset_insect_list();
    random_seed = 1;
    free_sprites();
    forget_removed();
    forget_background();
    screen_buffer = 0;
    background_buffer = 0;
    window_dc = nullptr;
    logical_palette = nullptr;
    app_active = 0;
    app_initialised = 0;
    repaint_pending = false;
    message_buffer[0] = '\0';
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    WNDCLASSEXA window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = window_procedure;
    window_class.cbClsExtra = 0;
    window_class.cbWndExtra = 0;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = nullptr;
    window_class.lpszMenuName = nullptr;
    window_class.lpszClassName = "Nightwick";
    window_class.hIconSm = LoadIconA(nullptr, IDI_APPLICATION);
    RegisterClassExA(&window_class);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "Nightwick", "Nightwick", WS_POPUP, 0, 0, scene::width, scene::height,
                                  nullptr, nullptr, instance, nullptr);
    ShowWindow(window, show);
    UpdateWindow(window);
    MSG msg;
    for (;;) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else if (app_active != 0) {
            run_frame();
        } else {
            // Nothing to draw and nothing to do until a message comes.
            WaitMessage();
        }
    }
}
