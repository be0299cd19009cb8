// Tests start from a freshly reset portable platform.
#pragma once

#include <gtest/gtest.h>

#include "platform/portable/control/control.h"
#include "platform/portable/hosts/headless.h"

class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override { platform::reset(); }
    void TearDown() override { platform::reset(); }
};
