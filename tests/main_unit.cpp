#include <QCoreApplication>
#include <QGuiApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

// Unit tests run inside a GUI application on the offscreen platform so images, fonts and the
// event loop (main-thread hand-offs) behave as in the application.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QGuiApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("mebo-tests"));
    QCoreApplication::setApplicationName(QStringLiteral("mebo-tests"));
    return RUN_ALL_TESTS();
}
