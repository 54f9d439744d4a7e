#pragma once

#include "platform/x11/X11Connection.h"

#include <gtest/gtest.h>
#include <memory>

namespace mebo::test::x11 {

// Upper bound for waits on the server, the window manager or the capture worker: generous,
// because sanitizer builds and a loaded machine are many times slower. Waits end as soon as
// their condition holds.
constexpr int kSlowMs = 30000;

// Base of the tests that need the test desktop (tests/desktop/run-desktop.sh): one backend
// connection to $DISPLAY per test.
class X11DesktopFixture : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            GTEST_SKIP() << "needs the test desktop (tests/desktop/run-desktop.sh)";
        }
        auto opened = platform::x11::X11Connection::open();
        ASSERT_TRUE(opened.isOk()) << opened.error().toStdString();
        conn = opened.value();
    }

    std::shared_ptr<platform::x11::X11Connection> conn;
};

} // namespace mebo::test::x11
