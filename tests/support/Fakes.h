#pragma once

// Test doubles of every platform interface and of the shell-side interfaces of the core.

#include "app/MainThread.h"
#include "app/MediaCommandTarget.h"
#include "capture/MainWindowLink.h"
#include "capture/RegionOverlay.h"
#include "platform/Clipboard.h"
#include "platform/DefaultsStore.h"
#include "platform/Dialogs.h"
#include "platform/PointerLocator.h"
#include "platform/ScreenCapture.h"
#include "platform/SoundPlayer.h"
#include "platform/SystemLog.h"
#include "platform/TextRecognizer.h"
#include "platform/WindowServer.h"
#include "platform/Workspace.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSet>
#include <QStringList>
#include <QThread>
#include <atomic>
#include <mutex>

namespace mebo::test {

class FakeSystemLog : public platform::SystemLog {
public:
    bool isEnabled(platform::SystemLogType) const override { return true; }
    void write(platform::SystemLogType type, const QString& line) override {
        std::lock_guard lock(mutex);
        lines << line;
        types << type;
    }
    QStringList all() const {
        std::lock_guard lock(mutex);
        return lines;
    }
    mutable std::mutex mutex;
    QStringList lines;
    QList<platform::SystemLogType> types;
};

// In-memory typed store with the same lookup rules as the real one.
class FakeDefaultsStore : public platform::DefaultsStore {
public:
    void registerDefaults(const QVariantMap& defaults) override {
        for (auto it = defaults.begin(); it != defaults.end(); ++it) {
            registered[it.key()] = it.value();
        }
    }
    QVariant object(const QString& key) const override {
        if (user.contains(key)) {
            return user.value(key);
        }
        return registered.value(key);
    }
    bool hasUserValue(const QString& key) const override { return user.contains(key); }
    void set(const QString& key, const QVariant& value) override {
        user[key] = value;
        ++writes;
    }
    void remove(const QString& key) override { user.remove(key); }
    QStringList userKeys() const override { return user.keys(); }
    QString lastError() const override { return error; }

    QVariantMap user;
    QVariantMap registered;
    QString error;
    int writes = 0;
};

// A display of the fakes' lists.
inline platform::DisplayInfo display(uint32_t id, QRect frame, double scale = 1, bool primary = false,
                                     QRect nativeFrame = {}) {
    platform::DisplayInfo d;
    d.displayId = id;
    d.frame = frame;
    d.scale = scale;
    d.primary = primary;
    d.nativeFrame = nativeFrame;
    return d;
}

// What FakeScreenCapture's grabs show at (x, y) of a display, so crops are checkable.
inline QRgb gradientPixel(int x, int y, uint32_t displayId) {
    return qRgb(x % 256, y % 256, int(displayId % 256));
}

// Displays and windows set by the test; grabs answer a gradient per display, or `image`.
class FakeScreenCapture : public platform::ScreenCapture {
public:
    QList<platform::DisplayInfo> displays() override { return displayList; }
    void shareableContent(const platform::ContentQuery& query,
                          Completion<platform::ShareableContent> done) override {
        ++contentCalls;
        lastQuery = query;
        if (!contentError.isEmpty()) {
            runOnMain([done, e = contentError] { done(Result<platform::ShareableContent>::fail(e)); });
            return;
        }
        platform::ShareableContent c{displayList,
                                     query.includeWindows ? windowList : QList<platform::WindowInfo>{}};
        runOnMain([done, c] { done(Result<platform::ShareableContent>::ok(c)); });
    }
    void captureDisplay(uint32_t displayId, QSize pixelSize, bool, Completion<QImage> done) override {
        ++captureCalls;
        lastCaptureDisplay = displayId;
        lastCaptureSize = pixelSize;
        if (!captureError.isEmpty()) {
            runOnMain([done, e = captureError] { done(Result<QImage>::fail(e)); });
            return;
        }
        QImage img = image.isNull() ? QImage(pixelSize, QImage::Format_RGB32) : image;
        if (image.isNull()) {
            for (int y = 0; y < img.height(); ++y) {
                auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
                for (int x = 0; x < img.width(); ++x) {
                    row[x] = gradientPixel(x, y, displayId);
                }
            }
        }
        runOnMain([done, img] { done(Result<QImage>::ok(img)); });
    }

    QList<platform::DisplayInfo> displayList;
    QList<platform::WindowInfo> windowList;
    QString contentError;
    QString captureError;
    QImage image;
    int contentCalls = 0;
    int captureCalls = 0;
    platform::ContentQuery lastQuery;
    uint32_t lastCaptureDisplay = 0;
    QSize lastCaptureSize;
};

class FakeWindowServer : public platform::WindowServer {
public:
    QList<platform::WindowInfo> windowsFrontToBack() override { return windows; }
    QList<platform::WindowInfo> windows;
};

class FakePointerLocator : public platform::PointerLocator {
public:
    std::optional<QPoint> location() override { return point; }
    std::optional<QPoint> point;
};

class FakeClipboard : public platform::Clipboard {
public:
    void clear() override {
        ++clears;
        formats.clear();
    }
    bool writePng(const QByteArray& png) override {
        if (failPng) {
            return false;
        }
        formats["image/png"] = png;
        return true;
    }
    bool writeImageObject(const QImage& image) override {
        if (failImageObject) {
            return false;
        }
        imageObject = image;
        formats["application/x-qt-image"] = QByteArray("image");
        return true;
    }
    FileWrite writeFile(const QString& path) override {
        FileWrite w = fileWriteResult;
        if (w.url) {
            formats["text/uri-list"] = QUrl::fromLocalFile(path).toEncoded();
        }
        if (w.fileList) {
            formats["x-special/gnome-copied-files"] = "copy\n" + QUrl::fromLocalFile(path).toEncoded();
        }
        if (w.text) {
            formats["text/plain"] = path.toUtf8();
        }
        return w;
    }
    bool writeText(const QString& text) override {
        formats.clear();
        formats["text/plain"] = text.toUtf8();
        return true;
    }
    bool ownsContent() const override { return !formats.isEmpty(); }

    QMap<QString, QByteArray> formats;
    QImage imageObject;
    bool failPng = false;
    bool failImageObject = false;
    FileWrite fileWriteResult{true, true, true};
    int clears = 0;
};

// Moves files into `trashDir` (thread-safe; the history prune calls it off the main thread).
class FakeWorkspace : public platform::Workspace {
public:
    explicit FakeWorkspace(QString trashDirectory = {}) : trashDir(std::move(trashDirectory)) {}
    bool moveToTrash(const QString& path, QString* error) override {
        std::lock_guard lock(mutex);
        trashCalls << path;
        if (failTrash.contains(QFileInfo(path).fileName())) {
            if (error) {
                *error = QStringLiteral("Permission denied");
            }
            return false;
        }
        QDir().mkpath(trashDir);
        const QString target = trashDir + QLatin1Char('/') + QFileInfo(path).fileName();
        QFile::remove(target);
        if (!QFile::rename(path, target)) {
            if (error) {
                *error = QStringLiteral("No such file or directory");
            }
            return false;
        }
        trashed << path;
        return true;
    }
    bool openUrl(const QUrl& url) override {
        opened << url;
        return true;
    }
    bool revealFile(const QString& path) override {
        revealed << path;
        return true;
    }
    bool relaunch(QString* error) override {
        ++relaunches;
        if (!relaunchError.isEmpty() && error) {
            *error = relaunchError;
        }
        return relaunchError.isEmpty();
    }
    QStringList trashedPaths() const {
        std::lock_guard lock(mutex);
        return trashed;
    }

    mutable std::mutex mutex;
    QString trashDir;
    QSet<QString> failTrash; // file names whose trash move fails
    QStringList trashCalls;
    QStringList trashed;
    QList<QUrl> opened;
    QStringList revealed;
    QString relaunchError;
    int relaunches = 0;
};

class FakeSoundPlayer : public platform::SoundPlayer {
public:
    bool load(const QString& path) override {
        if (loadable.contains(path)) {
            loaded = path;
            return true;
        }
        return false;
    }
    bool play() override {
        ++plays;
        return playSucceeds;
    }
    void beep() override { ++beeps; }

    QSet<QString> loadable;
    QString loaded;
    bool playSucceeds = true;
    int plays = 0;
    int beeps = 0;
};

class FakeDialogs : public platform::Dialogs {
public:
    void alert(const QString& title, const QString& text, const QStringList& buttons,
               std::function<void(int)> done) override {
        alerts << Alert{title, text, buttons};
        runOnMain([done, a = alertAnswer] { done(a); });
    }
    void pickFolder(const QString& prompt, const QString& startDir,
                    std::function<void(std::optional<QString>)> done) override {
        pickPrompts << prompt;
        pickStartDirs << startDir;
        runOnMain([done, f = folderAnswer] { done(f); });
    }

    struct Alert {
        QString title;
        QString text;
        QStringList buttons;
    };
    QList<Alert> alerts;
    int alertAnswer = -1;
    std::optional<QString> folderAnswer;
    QStringList pickPrompts;
    QStringList pickStartDirs;
};

class FakeMainWindowLink : public MainWindowLink {
public:
    bool isMainWindowVisible() const override { return visible; }
    QRect mainWindowFrame() const override { return frame; }
    void hideMainWindow() override {
        visible = false;
        ++hides;
    }
    void showMainWindow() override {
        visible = true;
        ++shows;
    }
    void setMainWindowFrame(const QRect& f) override { frame = f; }
    bool captureInProgress() const override { return inProgress; }
    void setCaptureInProgress(bool p) override { inProgress = p; }
    std::optional<QRect> rememberedFrame() const override { return remembered; }
    void setRememberedFrame(std::optional<QRect> f) override { remembered = f; }
    void openNewCapture(const QString& path, const QString& itemId, const CaptureResult&) override {
        opened << path;
        openedIds << itemId;
        // The real view-model shows the window again at its remembered frame.
        inProgress = false;
        visible = true;
        if (remembered) {
            frame = *remembered;
        }
        remembered.reset();
    }

    bool visible = false;
    QRect frame{100, 100, 800, 600};
    bool inProgress = false;
    std::optional<QRect> remembered;
    int hides = 0;
    int shows = 0;
    QStringList opened;
    QStringList openedIds;
};

class FakeRegionOverlay : public RegionOverlay {
public:
    bool isBusy() const override { return busy; }
    void present(SnapIntent intent, RegionKind kind, const std::optional<QString>& preferredApp,
                 std::function<void(OverlayOutcome)> done) override {
        ++presents;
        lastIntent = intent;
        lastKind = kind;
        lastPreferredApp = preferredApp;
        busy = true;
        pending = [this, done](OverlayOutcome o) {
            busy = false;
            done(o);
        };
        if (autoAnswer) {
            runOnMain([this, o = *autoAnswer] {
                if (pending) {
                    auto p = std::move(pending);
                    pending = nullptr;
                    p(o);
                }
            });
        }
    }
    // Answers a pending presentation.
    void answer(OverlayOutcome o) {
        auto p = std::move(pending);
        pending = nullptr;
        if (p) {
            p(o);
        }
    }

    bool busy = false;
    int presents = 0;
    SnapIntent lastIntent = SnapIntent::area;
    RegionKind lastKind = RegionKind::area;
    std::optional<QString> lastPreferredApp;
    std::optional<OverlayOutcome> autoAnswer;
    std::function<void(OverlayOutcome)> pending;
};

// A recognised line whose characters split its box evenly.
inline platform::RecognizedTextLine recognisedLine(const QString& text, QRectF box) {
    platform::RecognizedTextLine l;
    l.text = text;
    l.box = box;
    for (int i = 0; i < text.size(); ++i) {
        l.characterBoxes.append(QRectF(box.x() + box.width() * i / text.size(), box.y(),
                                       box.width() / text.size(), box.height()));
    }
    return l;
}

// Notes the media commands it receives; `media`: something is shown.
class FakeMediaTarget : public MediaCommandTarget {
public:
    bool showsMedia() const override { return media; }
    void save() override { calls << QStringLiteral("save"); }
    void saveAs() override { calls << QStringLiteral("saveAs"); }
    bool copyCurrentMedia() override {
        calls << QStringLiteral("copy");
        return media;
    }
    bool pasteImageIntoCanvas() override {
        calls << QStringLiteral("paste");
        return canvasTakesImage;
    }
    bool media = true;
    bool canvasTakesImage = true;
    QStringList calls;
};

// Answers the lines it was given (or fails with "engine exploded") and notes where it ran.
class ScriptedRecognizer : public platform::TextRecognizer {
public:
    std::optional<QList<platform::RecognizedTextLine>> recognize(const QImage& image, QString* error,
                                                                 const std::atomic_bool*) override {
        onMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
        seenWidth = image.width();
        if (fail) {
            *error = QStringLiteral("engine exploded");
            return std::nullopt;
        }
        return lines;
    }
    QList<platform::RecognizedTextLine> lines;
    bool fail = false;
    std::atomic<bool> onMainThread{true};
    std::atomic<int> seenWidth{0};
};

} // namespace mebo::test
