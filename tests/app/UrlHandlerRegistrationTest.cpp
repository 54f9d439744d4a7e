#include "app/UrlHandlerRegistration.h"
#include "support/TestUtil.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace mebo {
namespace {

const QString kTemplate = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Mebo\n"
                                         "TryExec=mebo\n"
                                         "Exec=mebo %u\n"
                                         "Icon=mebo\n"
                                         "MimeType=x-scheme-handler/mebo;\n"
                                         "\n"
                                         "[Desktop Action Other]\n"
                                         "Exec=mebo --other\n");

QString readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void writeAll(const QString& path, const QString& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
}

TEST(UrlHandlerRegistration, EntryNamesTheProgramAndItsIconInTheMainGroupOnly) {
    const QString text = UrlHandlerRegistration::entryText(
        kTemplate, QStringLiteral("/tmp/x y/mebo-0.1.0/bin/mebo"), QStringLiteral("/tmp/x y/mebo.svg"));
    EXPECT_EQ(text, QStringLiteral("[Desktop Entry]\n"
                                   "Type=Application\n"
                                   "Name=Mebo\n"
                                   "TryExec=\"/tmp/x y/mebo-0.1.0/bin/mebo\"\n"
                                   "Exec=\"/tmp/x y/mebo-0.1.0/bin/mebo\" %u\n"
                                   "Icon=/tmp/x y/mebo.svg\n"
                                   "MimeType=x-scheme-handler/mebo;\n"
                                   "\n"
                                   "[Desktop Action Other]\n"
                                   "Exec=mebo --other\n"));
    // Without an icon file the theme's name stays.
    EXPECT_TRUE(UrlHandlerRegistration::entryText(kTemplate, QStringLiteral("/a/mebo"), QString())
                    .contains(QStringLiteral("\nIcon=mebo\n")));
}

struct ListCase {
    const char* name;
    QString before;
    QStringList existing; // desktop files that exist
    QString after;
};

class DefaultHandler : public ::testing::TestWithParam<ListCase> {};

TEST_P(DefaultHandler, IsSetUnlessAnExistingHandlerIsNamed) {
    const ListCase& c = GetParam();
    const QString out = UrlHandlerRegistration::withDefaultHandler(
        c.before, [&](const QString& name) { return c.existing.contains(name); });
    EXPECT_EQ(out, c.after);
}

const QString kLine = QStringLiteral("x-scheme-handler/mebo=mebo.desktop;");

INSTANTIATE_TEST_SUITE_P(
    Cases, DefaultHandler,
    ::testing::Values(
        ListCase{
            "NoFile", QString(), {}, QStringLiteral("[Default Applications]\n") + kLine + QLatin1Char('\n')},
        ListCase{"OtherGroupOnly",
                 QStringLiteral("[Added Associations]\ntext/plain=vim.desktop;\n"),
                 {},
                 QStringLiteral("[Added Associations]\ntext/plain=vim.desktop;\n\n[Default Applications]\n") +
                     kLine + QLatin1Char('\n')},
        ListCase{"IntoTheGroupBeforeTheNext",
                 QStringLiteral(
                     "[Default Applications]\ntext/html=firefox.desktop\n\n[Added Associations]\na=b\n"),
                 {},
                 QStringLiteral("[Default Applications]\ntext/html=firefox.desktop\n") + kLine +
                     QStringLiteral("\n\n[Added Associations]\na=b\n")},
        ListCase{"StaleHandlerReplaced",
                 QStringLiteral("[Default Applications]\nx-scheme-handler/mebo=old.desktop;\n"),
                 {},
                 QStringLiteral("[Default Applications]\n") + kLine + QLatin1Char('\n')},
        ListCase{
            "ExistingHandlerKept",
            QStringLiteral("[Default Applications]\nx-scheme-handler/mebo=gone.desktop;other.desktop;\n"),
            {QStringLiteral("other.desktop")},
            QStringLiteral("[Default Applications]\nx-scheme-handler/mebo=gone.desktop;other.desktop;\n")},
        ListCase{
            "KeyInAnotherGroupIgnored",
            QStringLiteral("[Added Associations]\nx-scheme-handler/mebo=other.desktop;\n"),
            {QStringLiteral("other.desktop")},
            QStringLiteral(
                "[Added Associations]\nx-scheme-handler/mebo=other.desktop;\n\n[Default Applications]\n") +
                kLine + QLatin1Char('\n')}),
    [](const ::testing::TestParamInfo<ListCase>& info) { return std::string(info.param.name); });

TEST(UrlHandlerRegistration, WritesOnceAndOnlyForTreesTheSystemDoesNotKnow) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    test::LogCapture log;
    UrlHandlerRegistration::Paths paths;
    paths.executable = dir.filePath(QStringLiteral("tree/bin/mebo"));
    paths.templateEntry = dir.filePath(QStringLiteral("tree/share/applications/mebo.desktop"));
    paths.iconFile = dir.filePath(QStringLiteral("tree/share/icons/mebo.svg"));
    paths.applicationsDir = dir.filePath(QStringLiteral("data/applications"));
    paths.mimeAppsList = dir.filePath(QStringLiteral("config/mimeapps.list"));

    // A tree without its desktop entry cannot register, and says so.
    EXPECT_EQ(UrlHandlerRegistration(paths).ensureRegistered(), UrlHandlerRegistration::Outcome::failed);
    EXPECT_TRUE(log.messages().join(QLatin1Char('\n')).contains(QStringLiteral("no desktop entry")));

    writeAll(paths.templateEntry, kTemplate);
    writeAll(paths.iconFile, QStringLiteral("<svg/>"));
    EXPECT_EQ(UrlHandlerRegistration(paths).ensureRegistered(), UrlHandlerRegistration::Outcome::written);
    const QString entry = readAll(paths.applicationsDir + QStringLiteral("/mebo.desktop"));
    EXPECT_TRUE(entry.contains(QStringLiteral("Exec=") + paths.executable + QStringLiteral(" %u\n")))
        << entry.toStdString();
    EXPECT_TRUE(entry.contains(QStringLiteral("Icon=") + paths.iconFile));
    EXPECT_EQ(readAll(paths.mimeAppsList),
              QStringLiteral("[Default Applications]\n") + kLine + QLatin1Char('\n'));
    EXPECT_EQ(UrlHandlerRegistration(paths).ensureRegistered(), UrlHandlerRegistration::Outcome::unchanged);

    // Another tree started later takes the entry over.
    paths.executable = dir.filePath(QStringLiteral("newer/bin/mebo"));
    EXPECT_EQ(UrlHandlerRegistration(paths).ensureRegistered(), UrlHandlerRegistration::Outcome::written);
    EXPECT_TRUE(readAll(paths.applicationsDir + QStringLiteral("/mebo.desktop")).contains(paths.executable));

    // A system install writes nothing.
    QTemporaryDir other;
    paths.templateEntry.clear();
    paths.applicationsDir = other.filePath(QStringLiteral("applications"));
    EXPECT_EQ(UrlHandlerRegistration(paths).ensureRegistered(), UrlHandlerRegistration::Outcome::unchanged);
    EXPECT_FALSE(QFile::exists(paths.applicationsDir));
}

} // namespace
} // namespace mebo
