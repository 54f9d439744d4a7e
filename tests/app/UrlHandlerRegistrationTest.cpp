#include "app/UrlHandlerRegistration.h"
#include "support/Files.h"
#include "support/TestUtil.h"

#include <gtest/gtest.h>

namespace mebo {
namespace {

const QString kTemplate =
    QStringLiteral("[Desktop Entry]\nName=Mebo\nTryExec=mebo\nExec=mebo %u\nIcon=mebo\n\n"
                   "[Desktop Action Other]\nExec=mebo --other\n");
const QString kLine = QStringLiteral("x-scheme-handler/mebo=mebo.desktop;\n");

QString readAll(const QString& path) {
    return QString::fromUtf8(test::fileBytes(path));
}

TEST(UrlHandlerRegistration, TheDefaultHandlerIsSetUnlessAnExistingOneIsNamed) {
    const QString defaults = QStringLiteral("[Default Applications]\n");
    // mimeapps.list before, then after; "o.desktop" exists, nothing else does.
    const QList<std::pair<QString, QString>> cases = {
        {QString(), defaults + kLine},
        {QStringLiteral("[Default Applications]\na=b\n\n[Added Associations]\nc=d\n"),
         QStringLiteral("[Default Applications]\na=b\n") + kLine +
             QStringLiteral("\n[Added Associations]\nc=d\n")},
        {defaults + QStringLiteral("x-scheme-handler/mebo=gone.desktop;\n"), defaults + kLine},
        {defaults + QStringLiteral("x-scheme-handler/mebo=gone.desktop;o.desktop;\n"),
         defaults + QStringLiteral("x-scheme-handler/mebo=gone.desktop;o.desktop;\n")},
        {QStringLiteral("[Added Associations]\nx-scheme-handler/mebo=o.desktop;\n"),
         QStringLiteral("[Added Associations]\nx-scheme-handler/mebo=o.desktop;\n\n") + defaults + kLine},
    };
    for (const auto& [before, after] : cases) {
        EXPECT_EQ(UrlHandlerRegistration::withDefaultHandler(
                      before, [](const QString& name) { return name == QLatin1String("o.desktop"); }),
                  after)
            << before.toStdString();
    }
}

TEST(UrlHandlerRegistration, WritesOnceAndOnlyForTreesTheSystemDoesNotKnow) {
    QTemporaryDir dir;
    test::LogCapture log;
    UrlHandlerRegistration::Paths paths;
    paths.executable = dir.filePath(QStringLiteral("x y/bin/mebo"));
    paths.templateEntry = dir.filePath(QStringLiteral("x y/share/applications/mebo.desktop"));
    paths.iconFile = dir.filePath(QStringLiteral("x y/share/mebo.svg"));
    paths.applicationsDir = dir.filePath(QStringLiteral("data/applications"));
    paths.mimeAppsList = dir.filePath(QStringLiteral("config/mimeapps.list"));

    // A tree without its desktop entry cannot register, and says so.
    EXPECT_EQ(UrlHandlerRegistration(paths).ensureRegistered(), UrlHandlerRegistration::Outcome::failed);
    EXPECT_TRUE(log.messages().join(QLatin1Char('\n')).contains(QStringLiteral("no desktop entry")));

    test::writeBytes(paths.templateEntry, kTemplate.toUtf8());
    test::writeBytes(paths.iconFile, "<svg/>");
    EXPECT_EQ(UrlHandlerRegistration(paths).ensureRegistered(), UrlHandlerRegistration::Outcome::written);
    const QString exec = QLatin1Char('"') + paths.executable + QLatin1Char('"');
    EXPECT_EQ(readAll(paths.applicationsDir + QStringLiteral("/mebo.desktop")),
              QStringLiteral("[Desktop Entry]\nName=Mebo\nTryExec=%1\nExec=%1 %u\nIcon=%2\n\n"
                             "[Desktop Action Other]\nExec=mebo --other\n")
                  .arg(exec, paths.iconFile));
    EXPECT_EQ(readAll(paths.mimeAppsList), QStringLiteral("[Default Applications]\n") + kLine);
    EXPECT_EQ(UrlHandlerRegistration(paths).ensureRegistered(), UrlHandlerRegistration::Outcome::unchanged);

    // Another tree started later takes the entry over.
    paths.executable = dir.filePath(QStringLiteral("newer/bin/mebo"));
    EXPECT_EQ(UrlHandlerRegistration(paths).ensureRegistered(), UrlHandlerRegistration::Outcome::written);
    EXPECT_TRUE(readAll(paths.applicationsDir + QStringLiteral("/mebo.desktop")).contains(paths.executable));

    // A system install writes nothing.
    paths.templateEntry.clear();
    paths.applicationsDir = dir.filePath(QStringLiteral("other"));
    EXPECT_EQ(UrlHandlerRegistration(paths).ensureRegistered(), UrlHandlerRegistration::Outcome::unchanged);
    EXPECT_FALSE(QFile::exists(paths.applicationsDir));
}

} // namespace
} // namespace mebo
