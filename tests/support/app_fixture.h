// Tests of the program: the platform, the graphics layer and the program's
// own globals start afresh, in a directory the test owns.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "app/insects.h"
#include "app/shell.h"
#include "app/sprites.h"
#include "gfx_fixture.h"

class AppTest : public GfxTest {
protected:
    void SetUp() override {
        GfxTest::SetUp();
        reset_app_globals();
        previous_ = std::filesystem::current_path();
        // One folder per test, named without the slashes of parameterised
        // names, so that removing it leaves nothing behind.
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');
        directory_ = temp_path("app_" + name);
        std::filesystem::create_directories(directory_);
        std::filesystem::current_path(directory_);
    }
    void TearDown() override {
        reset_app_globals();
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(directory_);
        GfxTest::TearDown();
    }
    // The display and the frames as the start-up sequence leaves them.
    void start_display() {
        setup_display(8);
        screen_buffer = 0;
        gfx_select_buffer(0);
        background_buffer = gfx_create_buffer(640, 480);
        load_sprites();
        ASSERT_EQ(message_buffer[0], '\0');
        reset_insect_list();
    }
    std::filesystem::path previous_;
    std::filesystem::path directory_;
};
