#include "HistoryFixture.h"

#include <QSignalSpy>
#include <QThreadPool>
#include <thread>

using namespace mebo;
using namespace mebo::test;

using HistoryPrune = HistoryFixture;

// The siblings a prune takes along are those a delete takes (tested there): a video's here.
TEST_F(HistoryPrune, UnlimitedSkipsTheLimitAndSettingOneTrashesTheOldestWithTheirSiblings) {
    QList<HistoryEntry> list;
    for (int i = 5; i >= 2; --i) {
        const QString id = QStringLiteral("e%1").arg(i);
        touch(id + ".png");
        touch(id + ".mebo");
        list << entry(id, id + ".png", i);
    }
    for (const char* f : {"e1.mp4", "e1.webcam.mp4", "e1.cursor.json"}) {
        touch(f);
    }
    writeIndex(list << entry("e1", "e1.mp4", 1, "video"));
    openStore();
    EXPECT_EQ(store->entries().size(), 5);
    EXPECT_TRUE(log.contains("[History] applyLimitNow: historyMaxCount=0 (不限), 跳過"));
    EXPECT_EQ(trash.trashCallCount(), 0);

    cfg->setHistoryMaxCount(3);
    EXPECT_FALSE(store->isIdle());
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(ids(), (QStringList{"e5", "e4", "e3"}));
    EXPECT_EQ(indexIds(), ids());
    for (const char* f : {"e2.png", "e2.mebo", "e1.mp4", "e1.webcam.mp4", "e1.cursor.json"}) {
        EXPECT_TRUE(QFileInfo::exists(trashed(f))) << f;
    }
    EXPECT_EQ(trash.trashCallCount(), 5);
    EXPECT_TRUE(exists("e3.mebo"));
    EXPECT_TRUE(log.contains("[History] prune 完成, 從 5 截到 3 (刪 2 個)"));
    EXPECT_FALSE(store->prunePending());
}

TEST_F(HistoryPrune, PruningWaitsForTheOrphanScanSoVanishedFilesDoNotCount) {
    fiveImages();
    QFile::remove(lib + "/e4.png");
    QFile::remove(lib + "/e2.png");
    makeStore();
    store->load();
    cfg->setHistoryMaxCount(3); // before the scan has answered
    EXPECT_TRUE(log.contains("[History] applyLimitNow: 等孤兒掃描完成, 那邊會 chain 過來"));
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(ids(), (QStringList{"e5", "e3", "e1"}));
    EXPECT_EQ(trash.trashCallCount(), 0);
    EXPECT_TRUE(log.contains("[History] 孤兒掃描: 從 5 清到 3 (移 2 個孤兒)"));
    EXPECT_TRUE(log.messages().filter("[History] prune 完成").isEmpty());
}

TEST_F(HistoryPrune, ATrashFailureKeepsTheEntryForTheNextPrune) {
    fiveImages();
    trash.failTrash = {"e2.mebo", "e1.png"};
    cfg->setHistoryMaxCount(3);
    openStore();
    EXPECT_TRUE(log.contains("[History] prune sibling trash 失敗 e2.mebo: Permission denied"));
    EXPECT_TRUE(log.contains("[History] prune 主檔 trash 失敗 e1.png: Permission denied"));
    EXPECT_EQ(ids(), (QStringList{"e5", "e4", "e3", "e2", "e1"}));
    EXPECT_TRUE(log.messages().filter("[History] prune 完成").isEmpty()); // nothing removed, nothing written

    {
        std::lock_guard lock(trash.mutex);
        trash.failTrash = {"e1.png"};
    }
    store->applyLimitNow();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(ids(), (QStringList{"e5", "e4", "e3", "e1"}));
    EXPECT_TRUE(log.contains("[History] prune 完成, 從 5 截到 4 (刪 1 個)"));
    EXPECT_TRUE(exists("e1.png"));
}

// ---- a prune held between two files ----

class HistoryHeldPrune : public HistoryFixture {
protected:
    // Loads the folder with the latch closed and waits until the prune's first trash move waits.
    void loadAndHoldFirstMove() {
        trash.closeLatch();
        makeStore();
        store->load();
        ASSERT_TRUE(waitUntil([this] { return trash.blockedCallers() == 1; }));
    }
};

TEST_F(HistoryHeldPrune, LimitZeroCancelsAtTheNextCheckpointAndDropsThePendingPrune) {
    fiveImages();
    touch("e0.png");
    QList<HistoryEntry> six{entry("e0", "e0.png", 0)};
    QString error;
    writeIndex(*HistoryStore::decodeIndex(rawIndex(), &error) + six);
    cfg->setHistoryMaxCount(2); // victims: e3, e2, e1, e0
    loadAndHoldFirstMove();

    store->add(touch("late.png"), shot(at(60 + 9))); // asks for another prune
    EXPECT_TRUE(store->prunePending());
    cfg->setHistoryMaxCount(0);
    EXPECT_TRUE(store->pruneCancelled());
    EXPECT_FALSE(store->prunePending());
    EXPECT_TRUE(log.contains("[History] prune 已標記取消, 等下一個檢查點退出"));

    trash.openLatch();
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(log.contains("[History] prune 中途取消, 已刪 1 個"));
    EXPECT_TRUE(log.contains("[History] prune 完成, 從 7 截到 6 (刪 1 個)"));
    EXPECT_EQ(ids().size(), 6);
    EXPECT_FALSE(ids().contains("e3"));
    EXPECT_EQ(indexIds(), ids());
    EXPECT_TRUE(trash.wasTrashed(lib + "/e3.png"));
    EXPECT_TRUE(trash.wasTrashed(lib + "/e3.mebo"));
    EXPECT_EQ(trash.trashCallCount(), 2);
    EXPECT_FALSE(store->pruneCancelled());

    drainEvents();
    EXPECT_EQ(trash.trashCallCount(), 2); // no pending prune ran afterwards
}

TEST_F(HistoryHeldPrune, TwoCapturesDuringAPruneFoldIntoOneMorePrune) {
    fiveImages();
    cfg->setHistoryMaxCount(3);
    loadAndHoldFirstMove();
    QSignalSpy idle(store.get(), &HistoryStore::becameIdle);

    const HistoryEntry c6 = store->add(touch("c6.png"), shot(at(60 + 6)));
    const HistoryEntry c7 = store->add(touch("c7.png"), shot(at(60 + 7)));
    EXPECT_TRUE(store->prunePending());
    EXPECT_FALSE(store->isIdle());

    trash.openLatch();
    ASSERT_TRUE(waitIdle());
    const QStringList done = log.messages().filter("[History] prune 完成");
    EXPECT_EQ(done, (QStringList{"[History] prune 完成, 從 7 截到 5 (刪 2 個)",
                                 "[History] prune 完成, 從 5 截到 3 (刪 2 個)"}));
    EXPECT_EQ(ids(), (QStringList{c7.id, c6.id, "e5"}));
    EXPECT_EQ(indexIds(), ids());
    EXPECT_EQ(idle.count(), 1);
}

TEST_F(HistoryHeldPrune, AFolderChangeStopsThePruneAndRunsThePendingOneForTheNewFolder) {
    fiveImages(); // old folder, limit 3: victims e2, e1
    const QString other = tmp.path() + "/other";
    QList<HistoryEntry> next;
    for (int i = 4; i >= 1; --i) {
        const QString id = QStringLiteral("n%1").arg(i);
        touch(other + "/" + id + ".png");
        next << entry(id, id + ".png", i);
    }
    writeIndex(next, other);
    cfg->setHistoryMaxCount(3);
    loadAndHoldFirstMove();

    cfg->setSaveDirectory(other);
    store->reload();
    // The new folder's scan ends and asks for a prune, which waits for the old one.
    ASSERT_TRUE(waitUntil([this] { return store->orphanScanCompleted() && store->prunePending(); }));
    EXPECT_EQ(store->entries().size(), 4);

    trash.openLatch();
    ASSERT_TRUE(waitIdle());
    const QStringList lines = log.messages();
    const QStringList expected{
        "[History] prune 中途代際不符 (folder 已換), 停止刪除, 已刪 1 個",
        "[History] prune 代際不符 (gen=0 vs 1), 丟棄結果",
        "[History] prune gen 不符退出後, 消化 prunePending → 啟動新資料夾 prune",
        "[History] prune 完成, 從 4 截到 3 (刪 1 個)",
    };
    qsizetype at = -1;
    for (const QString& line : expected) {
        const qsizetype found = lines.indexOf(line);
        EXPECT_GT(found, at) << line.toStdString();
        at = found;
    }
    EXPECT_EQ(ids(), (QStringList{"n4", "n3", "n2"}));
    EXPECT_EQ(indexIds(other), ids());
    EXPECT_TRUE(trash.wasTrashed(other + "/n1.png"));
    // Old folder: the first victim's files went, the second's stayed, its index is unchanged.
    EXPECT_TRUE(trash.wasTrashed(lib + "/e2.png"));
    EXPECT_TRUE(exists("e1.png"));
    EXPECT_TRUE(exists("e1.mebo"));
    EXPECT_EQ(indexIds(), (QStringList{"e5", "e4", "e3", "e2", "e1"}));
}

TEST_F(HistoryHeldPrune, DestroyingTheStoreWaitsForTheMoveInProgressAndStopsThePrune) {
    fiveImages();
    cfg->setHistoryMaxCount(3);
    loadAndHoldFirstMove();

    std::atomic<bool> released{false};
    std::thread opener([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        released = true;
        trash.openLatch();
    });
    destroyStore(); // returns only once the held move is over
    EXPECT_TRUE(released.load());
    opener.join();
    QThreadPool::globalInstance()->waitForDone();
    drainEvents();

    // The first victim finished its files; the prune stopped before the second one.
    EXPECT_TRUE(trash.wasTrashed(lib + "/e2.png"));
    EXPECT_TRUE(exists("e1.png"));
    EXPECT_EQ(indexIds(), (QStringList{"e5", "e4", "e3", "e2", "e1"}));
}
