#include "capture/SandboxFolderAccess.h"
#include "app/AppEvents.h"
#include "app/Cfg.h"
#include "support/Answer.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace mebo;

namespace {

class SandboxFolderAccessTest : public ::testing::Test {
protected:
    SandboxFolderAccessTest() {
        QDir(tmp.path()).mkpath(QStringLiteral("library"));
        QDir(tmp.path()).mkpath(QStringLiteral("other"));
        QObject::connect(&events, &AppEvents::meboSaveDirectoryChanged,
                         [this](const QString& p) { announced << p; });
        QObject::connect(&events, &AppEvents::notificationPosted,
                         [this](const QString& name, const QVariant&) { names << name; });
    }
    QString path(const QString& name) const { return QDir(tmp.path()).filePath(name); }
    // Runs the change flow with the picker answering `answer`; answers the flow's answer.
    bool change(std::optional<QString> answer) {
        dialogs.folderAnswer = std::move(answer);
        return test::answerOf<bool>([&](auto done) { access.changeSaveFolder(done); }).value_or(false);
    }

    test::LogCapture log;
    QTemporaryDir tmp;
    test::FakeDefaultsStore defaults;
    Cfg cfg{defaults, path(QStringLiteral("library"))};
    AppEvents events;
    test::FakeDialogs dialogs;
    SandboxFolderAccess access{cfg, events, dialogs, path(QStringLiteral("Pictures/mebo"))};
    QStringList announced;
    QStringList names;
};

TEST_F(SandboxFolderAccessTest, SameFolderAgainChangesNothingAndPostsNothing) {
    const int writesBefore = defaults.writes;
    EXPECT_TRUE(change(path(QStringLiteral("library/"))));
    EXPECT_TRUE(change(path(QStringLiteral("other/../library"))));
    ASSERT_TRUE(QFile::link(path(QStringLiteral("library")), path(QStringLiteral("alias"))));
    EXPECT_TRUE(change(path(QStringLiteral("alias"))));

    EXPECT_TRUE(announced.isEmpty());
    EXPECT_EQ(defaults.writes, writesBefore);
    EXPECT_EQ(cfg.saveDirectory(), path(QStringLiteral("library")));
    EXPECT_EQ(dialogs.pickPrompts.value(0), QStringLiteral("Choose a new folder for Mebo"));
}

TEST_F(SandboxFolderAccessTest, NewFolderIsStoredThenAnnouncedOnce) {
    QString seenInCfg;
    QObject::connect(&events, &AppEvents::meboSaveDirectoryChanged, [&] { seenInCfg = cfg.saveDirectory(); });

    EXPECT_TRUE(change(path(QStringLiteral("other"))));
    EXPECT_EQ(cfg.saveDirectory(), path(QStringLiteral("other")));
    EXPECT_EQ(defaults.user.value(QStringLiteral("mebo.saveDirectory")).toString(),
              path(QStringLiteral("other")));
    EXPECT_EQ(announced, QStringList{path(QStringLiteral("other"))});
    EXPECT_EQ(seenInCfg, path(QStringLiteral("other"))); // stored before it is announced
    EXPECT_EQ(names, QStringList{QStringLiteral("meboSaveDirectoryChanged")});
    EXPECT_EQ(access.currentFolder(), path(QStringLiteral("other")));

    // Cancelling the picker answers false and leaves everything as it was.
    EXPECT_FALSE(change(std::nullopt));
    EXPECT_EQ(announced.size(), 1);
    EXPECT_EQ(cfg.saveDirectory(), path(QStringLiteral("other")));
}

TEST_F(SandboxFolderAccessTest, PickerOpensAtPicturesMeboWhenItExists) {
    EXPECT_FALSE(change(std::nullopt));
    EXPECT_EQ(dialogs.pickStartDirs.value(0), path(QStringLiteral("library")));

    QDir(tmp.path()).mkpath(QStringLiteral("Pictures/mebo"));
    dialogs.folderAnswer = path(QStringLiteral("other"));
    const auto picked = test::answerOf<std::optional<QString>>(
        [&](auto done) { access.pickFolder(QStringLiteral("Where?"), done); });
    EXPECT_EQ(dialogs.pickStartDirs.value(1), path(QStringLiteral("Pictures/mebo")));
    EXPECT_EQ(dialogs.pickPrompts.value(1), QStringLiteral("Where?"));
    EXPECT_EQ(picked, std::optional(std::optional(path(QStringLiteral("other")))));
    EXPECT_TRUE(announced.isEmpty()); // picking alone announces nothing
}

} // namespace
