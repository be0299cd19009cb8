// The Direct3D step of display set-up.
#pragma once

#include <cstdint>

#include "platform/win32.h"

// What the device enumeration fills in.
struct DeviceChoice {
    const GUID* hardware_device = nullptr;
    const GUID* software_device = nullptr;
    std::uint8_t hardware_depths = 0;
    std::uint8_t software_depths = 0;
    std::uint8_t display_depth_bit = 0;
    std::uint8_t flags = 0;
    GUID hardware_guid{};
    GUID software_guid{};
};

// Chooses a device that renders at the display depth, gives it a Z-buffer
// when asked, creates it on buffer 0 and sets a viewport over the display.
// Leaves device_kind at 2 (hardware), 1 (software) or 0 after any failure.
void setup_direct3d();

// The enumeration's decision for one offered device; exposed for tests.
HRESULT choose_device(DeviceChoice& choice, const GUID& guid, bool hardware, bool software, DWORD render_depths,
                      DWORD zbuffer_depths);
