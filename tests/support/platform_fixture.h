// Tests start from a freshly reset portable platform.
#pragma once

#include <gtest/gtest.h>

#include "platform/portable/control.h"
#include "platform/portable/host.h"

class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override { platform::reset(); }
    void TearDown() override { platform::reset(); }
};
