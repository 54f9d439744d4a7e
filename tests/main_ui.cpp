#include <QApplication>
#include <QCoreApplication>
#include <QStandardPaths>
#include <gtest/gtest.h>

// Widget tests run in a QApplication on the offscreen platform: real widgets, painting and
// events, no display.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("mebo-tests"));
    QCoreApplication::setApplicationName(QStringLiteral("mebo-tests"));
    return RUN_ALL_TESTS();
}
