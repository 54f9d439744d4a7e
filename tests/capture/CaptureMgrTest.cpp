#include "capture/CaptureMgr.h"
#include "capture/LastRegionStore.h"
#include "support/CaptureParts.h"
#include "support/FakeWindows.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QUuid>
#include <gtest/gtest.h>
#include <memory>

using namespace mebo;

namespace {

using test::display;

// Runs a hook right after the permission answer was delivered: the coordinator is then inside
// its settle wait.
class ObservedScreenCapture : public test::FakeScreenCapture {
public:
    void shareableContent(const platform::ContentQuery& q,
                          Completion<platform::ShareableContent> done) override {
        FakeScreenCapture::shareableContent(q, [this, done](Result<platform::ShareableContent> r) {
            done(std::move(r));
            if (auto hook = std::exchange(afterContent, nullptr)) {
                hook();
            }
        });
    }
    std::function<void()> afterContent;
};

CaptureRequest request(CaptureMode mode) {
    CaptureRequest r;
    r.mode = mode;
    r.source = CaptureRequest::Source::menuBar;
    return r;
}

OverlayOutcome regionOutcome(uint32_t displayId, QRect rect) {
    OverlayOutcome o;
    o.kind = OverlayOutcome::Kind::region;
    o.displayId = displayId;
    o.rect = rect;
    return o;
}

struct Finish {
    bool ok = false;
    QString path;
    QString itemId;
    CaptureResult result;
};

class CaptureMgrTest : public ::testing::Test, protected test::CaptureParts<ObservedScreenCapture> {
protected:
    CaptureMgrTest() {
        capture.displayList = {display(1, {0, 0, 1440, 900}, 2.0, true),
                               display(2, {1440, 0, 1920, 1080}, 1.0, false)};
        capture.windowList = {test::windowInfo(42, {200, 100, 400, 300}, 4242)};
        capture.windowList[0].title = QStringLiteral("Terminal");
        mainWindow.visible = true;
        mainWindow.frame = oldFrame;
        images.ensureSaveDirectory();
        history.load();
        mgr = makeMgr(&overlay);
    }
    // A capture answer still queued runs while the services it calls back are alive.
    ~CaptureMgrTest() override { test::drainEvents(); }
    std::unique_ptr<CaptureMgr> makeMgr(RegionOverlay* withOverlay) {
        auto m = std::make_unique<CaptureMgr>(cfg, screenshots, images, clipboard, shutter, history,
                                              mainWindow, withOverlay, dialogs, workspace, pointer);
        QObject::connect(m.get(), &CaptureMgr::stillCaptureFinished,
                         [this](bool ok, const QString& path, const QString& id, const CaptureResult& r) {
                             finishes.push_back({ok, path, id, r});
                         });
        QObject::connect(m.get(), &CaptureMgr::captureActiveChanged, [this](bool a) { activeChanges << a; });
        return m;
    }
    // Starts a capture and runs the event loop until it has finished one way or the other.
    Finish run(const CaptureRequest& r, CaptureMgr* m = nullptr) {
        const size_t before = finishes.size();
        (m ? m : mgr.get())->start(r);
        EXPECT_TRUE(test::waitUntil([&] { return finishes.size() > before; }));
        return finishes.empty() ? Finish{} : finishes.back();
    }
    void expectWindowBack() {
        EXPECT_TRUE(mainWindow.visible);
        EXPECT_EQ(mainWindow.frame, oldFrame);
        EXPECT_FALSE(mainWindow.inProgress);
        EXPECT_FALSE(mgr->captureActive());
    }

    const QRect oldFrame{300, 200, 900, 700};
    test::FakeRegionOverlay overlay;
    std::vector<Finish> finishes;
    QList<bool> activeChanges;
    std::unique_ptr<CaptureMgr> mgr;
};

TEST_F(CaptureMgrTest, AreaCaptureWritesFileEntersHistoryAndReopensWindowWithoutClipboard) {
    overlay.autoAnswer = regionOutcome(1, {100, 100, 200, 50});
    const Finish f = run(request(CaptureMode::area));

    ASSERT_TRUE(f.ok);
    EXPECT_EQ(overlay.lastIntent, SnapIntent::area);
    EXPECT_EQ(overlay.lastKind, RegionKind::area);
    EXPECT_EQ(mainWindow.hides, 1);
    const QImage written(f.path);
    ASSERT_EQ(written.size(), QSize(400, 100));
    EXPECT_EQ(written.pixel(0, 0), test::gradientPixel(200, 1500, 1));
    EXPECT_EQ(QFileInfo(f.path).absolutePath(), cfg.saveDirectory());

    ASSERT_EQ(history.entries().size(), 1);
    EXPECT_EQ(history.entries()[0].mode, QStringLiteral("area"));
    EXPECT_EQ(mainWindow.openedIds, QStringList{f.itemId});
    EXPECT_FALSE(QUuid::fromString(f.itemId).isNull());
    EXPECT_EQ(f.itemId, f.itemId.toUpper());

    EXPECT_TRUE(clipboardBackend.formats.isEmpty());
    expectWindowBack();
    EXPECT_EQ(activeChanges, (QList<bool>{true, false}));
    EXPECT_TRUE(log.contains(QStringLiteral("[CaptureMgr] start mode=area source=menuBar preferredApp=nil")));
    EXPECT_TRUE(log.contains(QStringLiteral("[CaptureMgr] handleResult mode=area size=400×100")));
}

TEST_F(CaptureMgrTest, WindowPickedInOverlayIsCopiedToClipboardWhenAsked) {
    cfg.setCopyToClipboard(true);
    mgr->setPreCaptureFrontmostAppId(QStringLiteral("xterm"));
    OverlayOutcome picked;
    picked.kind = OverlayOutcome::Kind::window;
    picked.windowId = 42;
    overlay.autoAnswer = picked;
    const Finish f = run(request(CaptureMode::window));

    ASSERT_TRUE(f.ok);
    EXPECT_EQ(overlay.lastIntent, SnapIntent::window);
    EXPECT_EQ(f.result.sourceWindowTitle, QStringLiteral("Terminal"));
    EXPECT_TRUE(clipboardBackend.formats.contains(QStringLiteral("image/png")));
    EXPECT_TRUE(
        log.contains(QStringLiteral("[CaptureMgr] start mode=window source=menuBar preferredApp=xterm")));

    // The desktop shell answers the application in front at every start.
    QString front = QStringLiteral("firefox-esr");
    mgr->setFrontmostAppProvider([&front] { return std::optional<QString>(front); });
    overlay.autoAnswer = OverlayOutcome{};
    run(request(CaptureMode::area));
    EXPECT_TRUE(
        log.contains(QStringLiteral("[CaptureMgr] start mode=area source=menuBar preferredApp=firefox-esr")));
    EXPECT_EQ(overlay.lastPreferredApp, front);
}

TEST_F(CaptureMgrTest, OverlayPictureIsUsedWithoutGrabbingTheScreenAgain) {
    // The overlay hands back the selection cut from the picture it took before it appeared; a
    // second grab would contain the overlay itself.
    OverlayOutcome region = regionOutcome(2, {1500, 100, 30, 20});
    region.image = QImage(30, 20, QImage::Format_RGB32);
    region.image.fill(qRgb(1, 2, 3));
    overlay.autoAnswer = region;
    const Finish f = run(request(CaptureMode::area));
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(capture.captureCalls, 0);
    EXPECT_EQ(QImage(f.path).pixel(5, 5), qRgb(1, 2, 3));
    EXPECT_EQ(f.result.displayId, 2u);
    // A picked window: its picture and title as the overlay saw them.
    OverlayOutcome window;
    window.kind = OverlayOutcome::Kind::window;
    window.windowId = 42;
    window.title = QStringLiteral("Frozen terminal");
    window.image = region.image;
    overlay.autoAnswer = window;
    const Finish w = run(request(CaptureMode::window));
    EXPECT_EQ(capture.captureCalls, 0);
    EXPECT_EQ(w.result.sourceWindowTitle, QStringLiteral("Frozen terminal"));
}

// Without a recorder the mode is refused (the failures' table below).
TEST_F(CaptureMgrTest, RecordingAreaGoesToTheRecorder) {
    std::optional<std::pair<uint32_t, QRect>> started;
    mgr->setRecordAreaStarter([&](uint32_t id, const QRect& r) { started = {id, r}; });
    overlay.autoAnswer = regionOutcome(1, {10, 20, 300, 200});
    mgr->start(request(CaptureMode::recordArea));
    ASSERT_TRUE(test::waitUntil([&] { return started.has_value(); }));
    EXPECT_EQ(overlay.lastKind, RegionKind::record);
    EXPECT_EQ(started, std::pair(1u, QRect(10, 20, 300, 200)));
    EXPECT_EQ(history.entries().size(), 0);

    overlay.autoAnswer = OverlayOutcome{};
    EXPECT_FALSE(run(request(CaptureMode::recordArea)).ok);
    EXPECT_TRUE(log.contains(QStringLiteral("[CaptureMgr] 錄影選區取消")));
}

TEST_F(CaptureMgrTest, MissingPermissionWarnsEachTimeButAlertsOnce) {
    capture.contentError = QStringLiteral("Cannot open display \":9\"");
    for (int i = 0; i < 2; ++i) {
        const Finish f = run(request(CaptureMode::area));
        EXPECT_FALSE(f.ok);
        expectWindowBack();
    }
    EXPECT_EQ(log.count(QStringLiteral(
                  "[Permission] SCShareableContent 失敗 (推斷無權限): Cannot open display \":9\"")),
              2);
    EXPECT_EQ(log.count(QStringLiteral("[CaptureMgr] 缺少屏幕錄製權限, 引導用戶授權")), 2);
    ASSERT_EQ(dialogs.alerts.size(), 1);
    EXPECT_EQ(dialogs.alerts[0].title, QStringLiteral("Screen Recording Permission Required"));
    EXPECT_EQ(dialogs.alerts[0].buttons.join('|'), QStringLiteral("Open Settings|Quit & Reopen|Cancel"));
    EXPECT_EQ(overlay.presents, 0);
    EXPECT_EQ(capture.captureCalls, 0);
}

TEST_F(CaptureMgrTest, AlertButtonsOpenHelpOrRelaunchThenQuit) {
    capture.contentError = QStringLiteral("no display");
    dialogs.alertAnswer = 0;
    run(request(CaptureMode::fullscreen));
    ASSERT_TRUE(test::waitUntil([&] { return !workspace.opened.isEmpty(); }));
    EXPECT_EQ(workspace.opened.first(), CaptureMgr::accessSettingsUrl());
    EXPECT_EQ(workspace.relaunches, 0);

    // A fresh process (coordinator) shows the alert again; "Quit & Reopen" relaunches, then quits.
    dialogs.alertAnswer = 1;
    auto second = makeMgr(&overlay);
    QElapsedTimer clock;
    qint64 quitAfterMs = -1;
    second->setQuitFunction([&] { quitAfterMs = clock.elapsed(); });
    clock.start();
    run(request(CaptureMode::fullscreen), second.get());
    ASSERT_TRUE(test::waitUntil([&] { return quitAfterMs >= 0; }));
    EXPECT_EQ(workspace.relaunches, 1);
    EXPECT_GE(quitAfterMs, CaptureMgr::relaunchQuitDelayMs);

    workspace.relaunchError = QStringLiteral("mebo not found in PATH");
    auto third = makeMgr(&overlay);
    bool quit = false;
    third->setQuitFunction([&] { quit = true; });
    run(request(CaptureMode::fullscreen), third.get());
    ASSERT_TRUE(test::waitUntil([&] { return workspace.relaunches == 2; }));
    test::waitUntil([] { return false; }, CaptureMgr::relaunchQuitDelayMs + 200);
    EXPECT_FALSE(quit);
    EXPECT_TRUE(log.contains(QStringLiteral("[CaptureMgr] relaunch 失敗: mebo not found in PATH")));
}

TEST_F(CaptureMgrTest, BusyOverlayRefusesSecondRequestAndWindowReturnsToItsFrame) {
    mgr->start(request(CaptureMode::area));
    ASSERT_TRUE(test::waitUntil([&] { return overlay.presents == 1; }));
    EXPECT_FALSE(mainWindow.visible);
    mainWindow.frame = {0, 0, 10, 10}; // wherever the hidden window ended up

    const Finish f = run(request(CaptureMode::window));
    EXPECT_FALSE(f.ok);
    EXPECT_EQ(overlay.presents, 1);
    expectWindowBack();
    const QStringList lines = log.messages();
    const auto warning =
        lines.indexOf(QStringLiteral("[RegionSelectionWindow] 已有覆蓋層在展示或在準備中, 忽略新請求"));
    ASSERT_GE(warning, 0);
    EXPECT_EQ(lines.value(warning + 1), QStringLiteral("[CaptureMgr] 區域截屏取消"));
    overlay.answer(OverlayOutcome{}); // the first overlay is dismissed
}

TEST_F(CaptureMgrTest, CancelledOverlayAndFailedGrabsAbandonTheCapture) {
    overlay.autoAnswer = OverlayOutcome{};
    EXPECT_FALSE(run(request(CaptureMode::area)).ok);
    EXPECT_TRUE(log.contains(QStringLiteral("[CaptureMgr] 區域截屏取消")));
    expectWindowBack();

    mainWindow.visible = true;
    capture.captureError = QStringLiteral("BadMatch");
    EXPECT_FALSE(run(request(CaptureMode::fullscreen)).ok);
    expectWindowBack();
    EXPECT_TRUE(history.entries().isEmpty());

    // No overlay in this session, and modes this build does not have.
    capture.captureError.clear();
    auto noOverlay = makeMgr(nullptr);
    EXPECT_FALSE(run(request(CaptureMode::window), noOverlay.get()).ok);
    EXPECT_TRUE(log.contains(QStringLiteral(
        "[CaptureMgr] region overlay unavailable: cannot select an area or window interactively")));
    for (CaptureMode mode : {CaptureMode::scroll, CaptureMode::record, CaptureMode::recordArea}) {
        mainWindow.visible = true;
        EXPECT_FALSE(run(request(mode)).ok);
        EXPECT_TRUE(log.contains(QStringLiteral("[CaptureMgr] mode=") + captureModeRawValue(mode) +
                                 QStringLiteral(" is not available in this build")));
        expectWindowBack();
    }
    EXPECT_EQ(overlay.presents, 1);
}

TEST_F(CaptureMgrTest, ImageStoreFailureLogsAndRestoresWindow) {
    cfg.setSaveDirectory(tmp.filePath(QStringLiteral("missing")));
    const Finish f = run(request(CaptureMode::fullscreen));
    EXPECT_FALSE(f.ok);
    EXPECT_TRUE(log.contains(QStringLiteral("[CaptureMgr] ImageStore 寫盤失敗")));
    EXPECT_TRUE(mainWindow.openedIds.isEmpty());
    EXPECT_TRUE(history.entries().isEmpty());
    expectWindowBack();
}

TEST_F(CaptureMgrTest, ShutterPlaysAtMostOnceInOneAndAHalfSeconds) {
    CaptureRequest r = request(CaptureMode::area);
    r.displayId = 1;
    r.areaRect = QRect(0, 0, 50, 50);
    // 1.5 s after the last sound is not yet enough.
    const double times[] = {1000.0, 1001.0, 1003.0, 1004.5};
    for (double t : times) {
        uptime = t;
        ASSERT_TRUE(run(r).ok);
    }
    EXPECT_EQ(sound.beeps, 2);

    cfg.setPlayShutterSound(false);
    uptime = 1010.0;
    ASSERT_TRUE(run(r).ok);
    EXPECT_EQ(sound.beeps, 2);
    EXPECT_EQ(overlay.presents, 0); // a known area needs no overlay
}

TEST_F(CaptureMgrTest, FullScreenCapturesTheDisplayUnderThePointer) {
    pointer.point = QPoint(2000, 500);
    Finish f = run(request(CaptureMode::fullscreen));
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.result.displayId, 2u);
    EXPECT_EQ(f.result.image.size(), QSize(1920, 1080));

    pointer.point = QPoint(-500, -500); // on no display: the primary
    f = run(request(CaptureMode::fullscreen));
    EXPECT_EQ(f.result.displayId, 1u);
    EXPECT_EQ(f.result.image.size(), QSize(2880, 1800));
}

// Remembered targets: the last area and the window in front; without one the overlay opens.
TEST_F(CaptureMgrTest, RememberedTargetsCaptureWithoutTheOverlayUntilThereIsNone) {
    using Target = CaptureRequest::Target;
    LastRegionStore(defaults).remember(RegionKind::area, QRect(1500, 100, 100, 50));
    mgr->setActiveWindowProvider([] { return std::optional<uint32_t>(42); });
    CaptureRequest last = request(CaptureMode::fullscreen);
    last.target = Target::lastRegion;
    Finish f = run(last);
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.result.mode, CaptureMode::area);
    EXPECT_EQ(f.result.image.pixel(0, 0), test::gradientPixel(60, 930, 2));
    CaptureRequest active = request(CaptureMode::window);
    active.target = Target::activeWindow;
    f = run(active);
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.result.sourceWindowTitle, QStringLiteral("Terminal"));
    EXPECT_EQ(overlay.presents, 0);

    defaults.remove(LastRegionStore::key(RegionKind::area));
    mgr->setActiveWindowProvider([] { return std::optional<uint32_t>(); });
    overlay.autoAnswer = OverlayOutcome{}; // cancelled
    for (Target t : {Target::lastRegion, Target::activeWindow}) {
        CaptureRequest r = request(CaptureMode::area);
        r.target = t;
        EXPECT_FALSE(run(r).ok);
    }
    EXPECT_EQ(overlay.presents, 2);
    EXPECT_EQ(overlay.lastIntent, SnapIntent::window);
}

// A delay counts down once a second; another capture meanwhile is refused. That the capture
// waits for it is the command line's --delay test.
TEST_F(CaptureMgrTest, ADelayCountsDownBeforeTheCapture) {
    QList<int> ticks;
    QObject::connect(mgr.get(), &CaptureMgr::countdown, [&](int left) { ticks << left; });
    mgr->setDefaultDelay([] { return 2; });
    mgr->start(request(CaptureMode::fullscreen));
    ASSERT_TRUE(test::waitUntil([&] { return mgr->isCountingDown(); }));
    mgr->start(request(CaptureMode::fullscreen));
    EXPECT_TRUE(log.contains(
        QStringLiteral("[CaptureMgr] a delayed capture is already counting down; mode=fullscreen ignored")));
    ASSERT_TRUE(test::waitUntil([&] { return !finishes.empty(); }, 10000));
    EXPECT_TRUE(finishes.back().ok);
    EXPECT_EQ(ticks, (QList<int>{2, 1, 0}));
    EXPECT_TRUE(log.contains(QStringLiteral("[CaptureMgr] capture in 2 s")));
    // A request that names its delay (the command line's --delay 0) does not wait.
    CaptureRequest now = request(CaptureMode::fullscreen);
    now.delaySeconds = 0;
    EXPECT_TRUE(run(now).ok);
    EXPECT_EQ(ticks.size(), 3);
}

TEST_F(CaptureMgrTest, DestroyedDuringTheSettleWaitDoesNothing) {
    capture.afterContent = [this] { mgr.reset(); };
    CaptureRequest r = request(CaptureMode::fullscreen);
    r.displayId = 1;
    mgr->start(r);
    ASSERT_TRUE(test::waitUntil([&] { return !mgr; }));
    test::waitUntil([] { return false; }, 4 * CaptureMgr::settleDelayMs);
    EXPECT_EQ(capture.contentCalls, 1);
    EXPECT_EQ(capture.captureCalls, 0);
    EXPECT_TRUE(finishes.empty());
}

} // namespace
