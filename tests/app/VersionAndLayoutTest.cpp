#include "TestPaths.h"
#include "app/BundleInfo.h"
#include "app/InstallLayout.h"
#include "services/VersionMgr.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace mebo {
namespace {

struct VersionCase {
    std::optional<QString> shortVersion;
    std::optional<QString> build;
    QString version;
    QString buildNumber;
};

class VersionMgrFallback : public ::testing::TestWithParam<VersionCase> {};

TEST_P(VersionMgrFallback, EitherValueMissingGivesTheDefault) {
    const VersionCase& c = GetParam();
    const VersionMgr mgr([&](const QString& key) -> std::optional<QString> {
        if (key == QLatin1String("CFBundleShortVersionString")) {
            return c.shortVersion;
        }
        return key == QLatin1String("CFBundleVersion") ? c.build : std::nullopt;
    });
    EXPECT_EQ(mgr.version(), c.version);
    EXPECT_EQ(mgr.buildNumber(), c.buildNumber);
    EXPECT_EQ(mgr.displayString(), c.version + QStringLiteral(" (build ") + c.buildNumber + QLatin1Char(')'));
}

INSTANTIATE_TEST_SUITE_P(Cases, VersionMgrFallback,
                         ::testing::Values(VersionCase{QStringLiteral("2.3.1"), QStringLiteral("417"),
                                                       QStringLiteral("2.3.1"), QStringLiteral("417")},
                                           VersionCase{std::nullopt, QStringLiteral("417"),
                                                       QStringLiteral("0.1.0"), QStringLiteral("417")},
                                           VersionCase{QStringLiteral("2.3.1"), std::nullopt,
                                                       QStringLiteral("2.3.1"), QStringLiteral("0.1.0")},
                                           VersionCase{std::nullopt, std::nullopt, QStringLiteral("0.1.0"),
                                                       QStringLiteral("0.1.0")}));

TEST(BundleInfo, CarriesTheProjectVersionAndTheEnvironmentReplacesIt) {
    EXPECT_EQ(BundleInfo::builtIn(QStringLiteral("CFBundleShortVersionString")),
              QStringLiteral(MEBO_PROJECT_VERSION));
    EXPECT_EQ(BundleInfo::builtIn(QStringLiteral("CFBundleVersion")), QStringLiteral(MEBO_PROJECT_BUILD));
    EXPECT_EQ(BundleInfo::builtIn(QStringLiteral("NoSuchKey")), std::nullopt);
    EXPECT_EQ(VersionMgr::shared().version(), QStringLiteral(MEBO_PROJECT_VERSION));

    qputenv("MEBO_INFO_CFBundleVersion", "9001");
    EXPECT_EQ(BundleInfo::value(QStringLiteral("CFBundleVersion")), QStringLiteral("9001"));
    EXPECT_EQ(BundleInfo::builtIn(QStringLiteral("CFBundleVersion")), QStringLiteral(MEBO_PROJECT_BUILD));
    qunsetenv("MEBO_INFO_CFBundleVersion");
    EXPECT_EQ(BundleInfo::value(QStringLiteral("CFBundleVersion")), QStringLiteral(MEBO_PROJECT_BUILD));
}

struct LayoutCase {
    const char* executable;
    const char* root;
    InstallLayout::Kind kind;
};

class InstallLayoutPaths : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(InstallLayoutPaths, FollowTheExecutable) {
    const InstallLayout layout(QString::fromUtf8(GetParam().executable));
    EXPECT_EQ(layout.root(), QString::fromUtf8(GetParam().root));
    EXPECT_EQ(layout.kind(), GetParam().kind);
    EXPECT_EQ(layout.modulesDir(), layout.root() + QStringLiteral("/lib/mebo"));
    EXPECT_EQ(layout.dataDir(QStringLiteral("stamps")), layout.root() + QStringLiteral("/share/mebo/stamps"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InstallLayoutPaths,
    ::testing::Values(
        LayoutCase{"/usr/bin/mebo", "/usr", InstallLayout::Kind::system},
        LayoutCase{"/usr/local/bin/mebo", "/usr/local", InstallLayout::Kind::system},
        LayoutCase{"/tmp/x/mebo-0.1.0/bin/mebo", "/tmp/x/mebo-0.1.0", InstallLayout::Kind::relocatable},
        LayoutCase{"/home/a/Apps/usr/bin/mebo", "/home/a/Apps/usr", InstallLayout::Kind::relocatable},
        LayoutCase{"/opt/mebo-2.0/bin/mebo", "/opt/mebo-2.0", InstallLayout::Kind::relocatable}));

TEST(InstallLayout, ABuildFolderIsABuildTreeAndTheRunningTestFindsItsData) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir(dir.path()).mkpath(QStringLiteral("src"));
    QFile cache(dir.filePath(QStringLiteral("CMakeCache.txt")));
    ASSERT_TRUE(cache.open(QIODevice::WriteOnly));
    EXPECT_EQ(InstallLayout(dir.filePath(QStringLiteral("src/mebo"))).kind(), InstallLayout::Kind::buildTree);

    // This test program runs from the build tree, which is laid out like an install.
    const InstallLayout& current = InstallLayout::current();
    EXPECT_EQ(current.kind(), InstallLayout::Kind::buildTree);
    EXPECT_TRUE(QFile::exists(current.dataDir(QStringLiteral("sounds")) + QStringLiteral("/Shutter.wav")));
    EXPECT_TRUE(QFile::exists(current.dataDir(QStringLiteral("stamps")) + QStringLiteral("/star.fill.svg")));
    EXPECT_TRUE(QFile::exists(current.modulesDir() + QStringLiteral("/libmebo_platform_tesseract.so")));
}

} // namespace
} // namespace mebo
