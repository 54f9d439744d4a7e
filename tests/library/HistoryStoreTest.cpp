#include "HistoryFixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QThreadPool>
#include <QUuid>

using namespace mebo;
using namespace mebo::test;

// ---- adding and the index file ----

using HistoryAdd = HistoryFixture;

TEST_F(HistoryAdd, NewEntriesGoFirstAndTheIndexFollowsTheFieldRules) {
    openStore();

    const QString inside = touch(QStringLiteral("shot-1.png"));
    const QString outside = touch(tmp.path() + QStringLiteral("/elsewhere/shot-2.png"));
    const QDateTime t1(QDate(2025, 3, 14), QTime(9, 30, 5, 120), Qt::UTC);
    const HistoryEntry a = store->add(inside, shot(t1, {800, 600}, CaptureMode::window));
    const HistoryEntry b = store->add(outside, shot(t1.addSecs(60), {1920, 1080}, CaptureMode::fullscreen));

    EXPECT_EQ(QUuid::fromString(a.id).toString(QUuid::WithoutBraces).toUpper(), a.id); // an upper-case UUID
    EXPECT_NE(a.id, b.id);
    // Inside the library the name is relative, outside it absolute.
    EXPECT_EQ(a.filename, "shot-1.png");
    EXPECT_EQ(b.filename, outside);
    EXPECT_EQ(store->mainFilePath(a), inside);
    EXPECT_EQ(store->mainFilePath(b), outside);
    EXPECT_EQ(ids(), (QStringList{b.id, a.id}));

    // How the entries are written is the index file's own test (tests/data/history).
    EXPECT_EQ(indexIds(), (QStringList{b.id, a.id}));
    // Its thumbnail is the list model's test.
}

TEST_F(HistoryAdd, PersistFailureIsLoggedAndTheListIsKept) {
    QDir().mkpath(lib + "/index.json"); // a folder where the index should go
    makeStore();
    store->load();
    const HistoryEntry e = store->add(touch("a.png"), shot());
    EXPECT_EQ(ids(), QStringList{e.id});
    const QStringList failures = log.messages().filter("[History] 索引持久化失敗: ");
    ASSERT_EQ(failures.size(), 1);
    EXPECT_FALSE(failures[0].endsWith(": ")); // carries the reason
    EXPECT_FALSE(store->persist());
}

// ---- loading ----

using HistoryLoad = HistoryFixture;

TEST_F(HistoryLoad, SaveTargetsInsideTheLibraryAreDroppedAndSidecarFlagsRefreshed) {
    const QString alias = tmp.path() + "/alias";
    ASSERT_TRUE(QFile::link(lib, alias)); // the same library under another name
    const QString external = touch(tmp.path() + "/exports/b.png");

    HistoryEntry a = entry("A", "a.png", 4);
    a.saveTargetPath = alias + "/copies/../a-copy.png"; // inside, through the link
    HistoryEntry b = entry("B", "b.png", 3);
    b.saveTargetPath = external;
    HistoryEntry c = entry("C", "c.png", 2); // has a sidecar on disk, flag false
    HistoryEntry d = entry("D", "d.mp4", 1, "video");
    d.hasMeboSidecar = true; // flag true, no ".mebo-video" on disk
    for (const char* f : {"a.png", "b.png", "c.png", "c.mebo", "d.mp4", "d.mebo"}) {
        touch(f);
    }
    writeIndex({a, b, c, d});
    makeStore();
    store->load();
    EXPECT_TRUE(log.contains("[History] 載入 4 條, 後台掃描孤兒..."));

    const QList<HistoryEntry>& got = store->entries();
    ASSERT_EQ(got.size(), 4);
    EXPECT_FALSE(got[0].saveTargetPath);
    EXPECT_EQ(got[1].saveTargetPath, external);
    EXPECT_TRUE(got[2].hasMeboSidecar);
    EXPECT_FALSE(got[3].hasMeboSidecar); // a ".mebo" beside a video is not its project
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(HistoryStore::decodeIndex(rawIndex(), nullptr), store->entries()); // written back
}

TEST_F(HistoryLoad, AnUnchangedIndexIsNotRewritten) {
    touch("a.png");
    touch("a.mebo");
    HistoryEntry a = entry("A", "a.png", 1);
    a.hasMeboSidecar = true;
    const QByteArray compact = QJsonDocument(QJsonArray{a.toJson()}).toJson(QJsonDocument::Compact);
    writeRawIndex(compact);
    openStore();
    EXPECT_EQ(ids(), QStringList{"A"});
    EXPECT_EQ(rawIndex(), compact);
}

// ---- orphan scan ----

using HistoryOrphanScan = HistoryFixture;

TEST_F(HistoryOrphanScan, EntriesWhoseFilesVanishedLeaveTheIndexButNoFileIsTouched) {
    touch("live.png");
    touch("gone.mebo"); // the main file is gone, its sidecar is not
    touch(thumbs->pathFor("GONE.jpg"));
    // Which entries count as gone (folders, links, absolute names) is the command line's table.
    writeIndex({entry("LIVE", "live.png", 2), entry("GONE", "gone.png", 1)});
    makeStore();
    QSignalSpy idle(store.get(), &HistoryStore::becameIdle);
    store->load();
    EXPECT_FALSE(store->isIdle());
    EXPECT_FALSE(store->orphanScanCompleted());
    EXPECT_EQ(store->entries().size(), 2); // shown at once, corrected in the background

    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(ids(), QStringList{"LIVE"});
    EXPECT_EQ(indexIds(), QStringList{"LIVE"});
    EXPECT_TRUE(store->orphanScanCompleted());
    EXPECT_TRUE(log.contains("[History] 孤兒掃描: 從 2 清到 1 (移 1 個孤兒)"));
    EXPECT_EQ(trash.trashCallCount(), 0);
    EXPECT_TRUE(exists("gone.mebo"));
    EXPECT_FALSE(QFileInfo::exists(thumbs->pathFor("GONE.jpg")));
    EXPECT_GE(idle.count(), 1);
}

TEST_F(HistoryOrphanScan, AFolderChangeDuringTheScanDiscardsItsResult) {
    // Old folder: one orphan. New folder: one orphan of its own.
    writeIndex({entry("OLD-LIVE", "old.png", 2), entry("OLD-GONE", "old-gone.png", 1)});
    touch("old.png");
    const QString other = tmp.path() + "/other";
    touch(other + "/new.png");
    writeIndex({entry("NEW-LIVE", "new.png", 2), entry("NEW-GONE", "new-gone.png", 1)}, other);
    const QByteArray oldIndex = rawIndex();

    makeStore();
    store->load();
    // The old scan's answer can only arrive through the event loop, which has not run yet.
    cfg->setSaveDirectory(other);
    store->reload();
    EXPECT_EQ(store->generation(), 1);
    EXPECT_FALSE(store->orphanScanCompleted());
    ASSERT_TRUE(waitIdle());

    const QStringList lines = log.messages();
    EXPECT_TRUE(lines.contains("[History] reload: gen=1, 清空狀態, 重新 load 新資料夾"));
    EXPECT_TRUE(lines.contains("[History] orphan scan 代際不符 (gen=0 vs 1), 丟棄結果"));
    EXPECT_EQ(lines.filter("[History] 孤兒掃描: ").size(), 1);
    EXPECT_TRUE(lines.contains("[History] 孤兒掃描: 從 2 清到 1 (移 1 個孤兒)"));
    EXPECT_EQ(ids(), QStringList{"NEW-LIVE"});
    EXPECT_EQ(indexIds(other), QStringList{"NEW-LIVE"});
    EXPECT_EQ(rawIndex(), oldIndex); // the old folder's index is untouched
}

TEST_F(HistoryOrphanScan, DestroyingTheStoreWhileItScansIsHarmless) {
    touch("a.png");
    writeIndex({entry("A", "a.png", 1), entry("B", "b.png", 0)});
    makeStore();
    store->load();
    destroyStore();
    drainEvents();
    QThreadPool::globalInstance()->waitForDone();
    drainEvents();
    EXPECT_EQ(indexIds(), (QStringList{"A", "B"}));
}

// ---- deleting ----

using HistoryDelete = HistoryFixture;

TEST_F(HistoryDelete, MainFileAndSiblingsGoToTheTrash) {
    for (const char* f :
         {"rec1.mp4", "rec1.webcam.mp4", "rec1.mebo-video", "rec1.cursor.json", "rec1.annotation-0.png",
          "rec1.annotation-1.png", "rec10.annotation-0.png", "rec1.mebo", "shot.png", "shot.mebo"}) {
        touch(f);
    }
    touch(thumbs->pathFor("REC.jpg"));
    writeIndex({entry("REC", "rec1.mp4", 2, "video"), entry("SHOT", "shot.png", 1)});
    openStore();

    store->deleteEntry(store->entries().at(0));
    EXPECT_EQ(ids(), QStringList{"SHOT"});
    EXPECT_EQ(indexIds(), QStringList{"SHOT"});
    for (const char* f : {"rec1.mp4", "rec1.webcam.mp4", "rec1.mebo-video", "rec1.cursor.json",
                          "rec1.annotation-0.png", "rec1.annotation-1.png"}) {
        EXPECT_TRUE(trash.wasTrashed(lib + "/" + f)) << f;
        EXPECT_FALSE(exists(f)) << f;
    }
    // Not the video's: another recording's annotation and an image sidecar name.
    EXPECT_TRUE(exists("rec10.annotation-0.png"));
    EXPECT_TRUE(exists("rec1.mebo"));
    EXPECT_FALSE(QFileInfo::exists(thumbs->pathFor("REC.jpg")));

    store->deleteEntry(store->entries().at(0));
    EXPECT_TRUE(trash.wasTrashed(lib + "/shot.png") && trash.wasTrashed(lib + "/shot.mebo"));
    EXPECT_TRUE(store->entries().isEmpty());
    EXPECT_EQ(rawIndex().trimmed(), "[\n]");
}

TEST_F(HistoryDelete, TrashFailuresAreLoggedPerFileAndTheEntryStillGoes) {
    touch("a.png");
    touch("a.mebo");
    writeIndex({entry("A", "a.png", 1)});
    trash.failTrash = {"a.png", "a.mebo"};
    openStore();
    store->deleteEntry(store->entries().at(0));
    EXPECT_TRUE(log.contains("[History] 移主檔到廢紙簍失敗 a.png: Permission denied"));
    EXPECT_TRUE(log.contains("[History] 移敏感 sidecar 到廢紙簍失敗 a.mebo: Permission denied"));
    EXPECT_TRUE(store->entries().isEmpty());
    EXPECT_TRUE(indexIds().isEmpty());
}
