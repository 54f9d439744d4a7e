#include "app/InstallLayout.h"

#include <QList>
#include <gtest/gtest.h>

namespace mebo {
namespace {

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
