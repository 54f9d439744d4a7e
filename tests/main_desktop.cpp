#include <QGuiApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

// Desktop tests talk to the real X display named by DISPLAY (a private Xvfb).
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        // Test discovery and listing need no display.
        qputenv("QT_QPA_PLATFORM", "offscreen");
    } else {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    QStandardPaths::setTestModeEnabled(true);
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
