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

TEST(VersionMgr, EitherValueMissingGivesTheDefault) {
    const QString v = QStringLiteral("2.3.1"), b = QStringLiteral("417"), none = QStringLiteral("0.1.0");
    using Info = std::pair<std::optional<QString>, std::optional<QString>>;
    const QList<std::pair<Info, QString>> cases = {
        {{v, b}, QStringLiteral("2.3.1 (build 417)")},
        {{std::nullopt, b}, QStringLiteral("0.1.0 (build 417)")},
        {{v, std::nullopt}, QStringLiteral("2.3.1 (build 0.1.0)")},
        {{std::nullopt, std::nullopt}, QStringLiteral("0.1.0 (build 0.1.0)")}};
    for (const auto& [info, shown] : cases) {
        const VersionMgr mgr([&](const QString& key) {
            return key == QLatin1String("CFBundleShortVersionString") ? info.first
                   : key == QLatin1String("CFBundleVersion")          ? info.second
                                                                      : std::nullopt;
        });
        EXPECT_EQ(mgr.displayString(), shown);
        EXPECT_EQ(mgr.version(), info.first.value_or(none));
    }
}

TEST(InstallLayout, FollowsTheExecutable) {
    const QList<std::tuple<QString, QString, InstallLayout::Kind>> cases = {
        {QStringLiteral("/usr/bin/mebo"), QStringLiteral("/usr"), InstallLayout::Kind::system},
        {QStringLiteral("/usr/local/bin/mebo"), QStringLiteral("/usr/local"), InstallLayout::Kind::system},
        {QStringLiteral("/tmp/x/mebo-0.1.0/bin/mebo"), QStringLiteral("/tmp/x/mebo-0.1.0"),
         InstallLayout::Kind::relocatable},
    };
    for (const auto& [exe, root, kind] : cases) {
        const InstallLayout layout(exe);
        EXPECT_EQ(layout.root(), root);
        EXPECT_EQ(layout.kind(), kind) << exe.toStdString();
        EXPECT_EQ(layout.modulesDir(), root + QStringLiteral("/lib/mebo"));
        EXPECT_EQ(layout.dataDir(QStringLiteral("stamps")), root + QStringLiteral("/share/mebo/stamps"));
    }
}

} // namespace
} // namespace mebo
