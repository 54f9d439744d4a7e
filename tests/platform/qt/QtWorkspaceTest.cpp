#include "platform/qt/QtWorkspace.h"

#include "PrivateBus.h"
#include "support/Files.h"
#include "support/ScopedEnv.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include <thread>

using mebo::platform::QtWorkspace;
using mebo::test::fileBytes;
using mebo::test::ScopedEnv;
using mebo::test::waitUntil;
using mebo::test::writeBytes;

namespace {

// Runs each test with HOME in a fresh folder, so the Trash is a private one.
class QtWorkspaceTrashTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        oldCwd = QDir::currentPath();
        QDir::setCurrent(home.path());
        // With test mode on, the data location is under HOME/.qttest; it does not exist yet.
        dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        ASSERT_TRUE(dataHome.startsWith(home.path())) << dataHome.toStdString();
        ASSERT_FALSE(QFileInfo::exists(dataHome));
        trash = QDir(dataHome).filePath(QStringLiteral("Trash"));
    }
    void TearDown() override { QDir::setCurrent(oldCwd); }

    QTemporaryDir home;
    ScopedEnv homeVar{"HOME", QFile::encodeName(home.path())};
    ScopedEnv dataHomeVar{"XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral(".local/share")))};
    QString oldCwd;
    QString dataHome;
    QString trash;
    QtWorkspace workspace;
};

TEST_F(QtWorkspaceTrashTest, MovesFileIntoHomeTrashWithItsRecord) {
    const QString file = home.filePath(QStringLiteral("Pictures/mebo/shot 1 ü 50%.png"));
    writeBytes(file, "png bytes");

    QString error;
    ASSERT_TRUE(workspace.moveToTrash(file, &error)) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(file));

    EXPECT_EQ(fileBytes(QDir(trash).filePath(QStringLiteral("files/shot 1 ü 50%.png"))), "png bytes");
    const QByteArray info =
        fileBytes(QDir(trash).filePath(QStringLiteral("info/shot 1 ü 50%.png.trashinfo")));
    // The freedesktop format: the absolute path, percent-encoded, and the date.
    EXPECT_TRUE(info.startsWith("[Trash Info]\nPath=")) << info.toStdString();
    const QByteArray pathLine = info.mid(18, info.indexOf('\n', 18) - 18);
    EXPECT_EQ(pathLine, QUrl::toPercentEncoding(file, "/"));
    EXPECT_TRUE(info.contains("\nDeletionDate="));

    // Nothing was set up in the working directory (Qt's fallback when the data folder is missing).
    EXPECT_FALSE(QFileInfo::exists(home.filePath(QStringLiteral("files"))));
    EXPECT_FALSE(QFileInfo::exists(home.filePath(QStringLiteral("info"))));
}

// The history store trashes from worker threads; the same names in every folder make the Trash
// invent unique ones.
TEST_F(QtWorkspaceTrashTest, ConcurrentMovesFromWorkerThreads) {
    constexpr int kThreads = 4;
    constexpr int kPerThread = 6;
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kPerThread; ++i) {
            writeBytes(home.filePath(QStringLiteral("d%1/f%2.png").arg(t).arg(i)), "x");
        }
    }
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                QString error;
                if (!workspace.moveToTrash(home.filePath(QStringLiteral("d%1/f%2.png").arg(t).arg(i)),
                                           &error)) {
                    ++failures;
                }
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    EXPECT_EQ(failures.load(), 0);
    for (const char* sub : {"files", "info"}) {
        EXPECT_EQ(QDir(QDir(trash).filePath(QLatin1String(sub))).entryList(QDir::Files).size(),
                  kThreads * kPerThread);
    }
}

// Stands in for a file manager on a private bus.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;
    QString startupId;
    int calls = 0;
public Q_SLOTS:
    Q_SCRIPTABLE void ShowItems(const QStringList& uris, const QString& id) {
        ++calls;
        shown = uris;
        startupId = id;
    }
};

// Receives what QDesktopServices would have handed to the desktop.
class UrlSink : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl& url) { urls << url; }
};

class QtWorkspaceRevealTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(bus.start());
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &sink, "open");
    }
    void TearDown() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    mebo::test::PrivateBus bus;
    QTemporaryDir& dir = bus.dir;
    UrlSink sink;
};

TEST_F(QtWorkspaceRevealTest, AsksTheFileManagerToShowTheFile) {
    QDBusConnection service = bus.connect(QStringLiteral("mebo-test-filemanager"));
    ASSERT_TRUE(service.isConnected());
    FakeFileManager manager;
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager,
                                       QDBusConnection::ExportScriptableSlots));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.FileManager1")));

    const QString file = dir.filePath(QStringLiteral("my shot.png"));
    writeBytes(file, "x");
    QtWorkspace workspace(bus.connect(QStringLiteral("mebo-test-client")));
    EXPECT_TRUE(workspace.revealFile(file));
    ASSERT_TRUE(waitUntil([&] { return manager.calls > 0; }));
    EXPECT_EQ(manager.shown, QStringList{QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded)});
    mebo::test::drainEvents();
    EXPECT_TRUE(sink.urls.isEmpty());
}

TEST_F(QtWorkspaceRevealTest, OpensTheFolderWithoutAFileManager) {
    const QString file = dir.filePath(QStringLiteral("sub/shot.png"));
    writeBytes(file, "x");
    QtWorkspace workspace(bus.connect(QStringLiteral("mebo-test-client")));
    EXPECT_TRUE(workspace.revealFile(file));
    ASSERT_TRUE(waitUntil([&] { return !sink.urls.isEmpty(); }));
    EXPECT_EQ(sink.urls, QList<QUrl>{QUrl::fromLocalFile(dir.filePath(QStringLiteral("sub")))});

    EXPECT_FALSE(workspace.revealFile(dir.filePath(QStringLiteral("missing.png"))));
}

TEST(QtWorkspaceRelaunch, StartsTheAppImageDetachedInTheBackgroundNamingThisProcess) {
    QTemporaryDir dir;
    const QString marker = dir.filePath(QStringLiteral("started"));
    const QString script = dir.filePath(QStringLiteral("app.AppImage"));
    writeBytes(script,
               QStringLiteral("#!/bin/sh\necho \"$* $MEBO_RELAUNCHED_FROM\" > '%1.tmp' && mv '%1.tmp' '%1'\n")
                   .arg(marker)
                   .toUtf8());
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    auto appImage = std::make_unique<ScopedEnv>("APPIMAGE", QFile::encodeName(script));

    QtWorkspace workspace;
    QString error;
    EXPECT_TRUE(workspace.relaunch(&error)) << error.toStdString();
    EXPECT_TRUE(waitUntil([&] { return QFileInfo::exists(marker); }));
    // The new instance starts without a window and waits for this one to end.
    EXPECT_EQ(fileBytes(marker).trimmed(),
              "--background " + QByteArray::number(QCoreApplication::applicationPid()));

    appImage.reset();
    ScopedEnv missing("APPIMAGE", QFile::encodeName(dir.filePath(QStringLiteral("missing"))));
    error.clear();
    EXPECT_FALSE(workspace.relaunch(&error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace

#include "QtWorkspaceTest.moc"
