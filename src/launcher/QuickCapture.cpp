#include "launcher/QuickCapture.h"

#include "app/AppLogger.h"
#include "app/Cfg.h"
#include "app/StderrSystemLog.h"
#include "capture/CaptureLog.h"
#include "capture/CaptureScale.h"
#include "capture/ImageStore.h"
#include "capture/PngEncoder.h"
#include "library/HistoryEntry.h"
#include "library/HistoryIndexFile.h"
#include "main/CaptureOptions.h"
#include "main/CliSupport.h"
#include "platform/qt/JsonDefaultsStore.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11MonitorLayout.h"
#include "platform/x11/X11PixelFormat.h"
#include "platform/x11/X11ShmSegment.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonObject>
#include <QUuid>

#include <array>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>
#include <xcb/xcb.h>

namespace mebo {

namespace {

using platform::x11::X11Connection;
using platform::x11::X11Monitor;
using platform::x11::X11MonitorLayout;
using platform::x11::X11PixelFormat;
using platform::x11::X11ShmSegment;

// The execution log is held until the capture is certain to be taken here: when the full program
// takes over, it writes its own log and nothing is said twice.
class HeldLog : public platform::SystemLog {
public:
    explicit HeldLog(bool verbose) { out_.setEnabled(verbose); }
    bool isEnabled(platform::SystemLogType type) const override { return out_.isEnabled(type); }
    void write(platform::SystemLogType type, const QString& line) override {
        const std::lock_guard lock(mutex_);
        if (released_) {
            out_.write(type, line);
        } else {
            held_.emplace_back(type, line);
        }
    }
    void release() {
        const std::lock_guard lock(mutex_);
        for (const auto& [type, line] : held_) {
            out_.write(type, line);
        }
        held_.clear();
        released_ = true;
    }

private:
    StderrSystemLog out_;
    std::mutex mutex_;
    std::vector<std::pair<platform::SystemLogType, QString>> held_;
    bool released_ = false;
};

struct Request {
    QString mode; // "fullscreen" or "area", the capture mode's raw value
    std::optional<QRect> geometry;
    std::optional<uint32_t> displayId;
    std::optional<QString> saveDirectory;
    bool json = false;
    bool verbose = false;
};

// The command line this path takes exactly; anything else (help, usage errors included) is the
// full command's.
std::optional<Request> readRequest(int argc, char** argv) {
    if (argc < 3 || QLatin1String(argv[1]) != QLatin1String("capture")) {
        return std::nullopt;
    }
    QStringList args;
    for (int i = 2; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
    }
    QString error;
    const auto opts = cli::parseOptions(args, cli::captureOptions(), &error);
    if (!opts || opts->positional.size() != 1) {
        return std::nullopt;
    }
    for (const QString& name : opts->values.keys()) {
        if (name != QLatin1String("geometry") && name != QLatin1String("display") &&
            name != QLatin1String("save-dir") && name != QLatin1String("json") &&
            name != QLatin1String("verbose")) {
            return std::nullopt;
        }
    }
    Request r;
    r.mode = opts->positional.first();
    if (r.mode != QLatin1String("fullscreen") && r.mode != QLatin1String("area")) {
        return std::nullopt;
    }
    const bool area = r.mode == QLatin1String("area");
    if (area != opts->has("geometry")) {
        return std::nullopt;
    }
    if (area && !(r.geometry = cli::parseGeometry(opts->value("geometry")))) {
        return std::nullopt;
    }
    if (opts->has("display") && !(r.displayId = cli::parseId(opts->value("display")))) {
        return std::nullopt;
    }
    if (opts->has("save-dir")) {
        r.saveDirectory = QDir::cleanPath(QDir(opts->value("save-dir")).absolutePath());
    }
    r.json = opts->has("json");
    r.verbose = opts->has("verbose");
    return r;
}

// The display a full-screen capture takes: the one named, else the one under the pointer, else the
// primary (listed first).
const X11Monitor* fullscreenMonitor(const X11Connection& conn, const X11MonitorLayout& layout,
                                    std::optional<uint32_t> id) {
    if (id) {
        return layout.find(*id);
    }
    if (layout.monitors().size() > 1) {
        xcb_connection_t* c = conn.xcb();
        std::unique_ptr<xcb_query_pointer_reply_t, decltype(&free)> pointer(
            xcb_query_pointer_reply(c, xcb_query_pointer(c, conn.root()), nullptr), &free);
        if (pointer && pointer->same_screen) {
            const QPoint at(pointer->root_x, pointer->root_y);
            for (const X11Monitor& m : layout.monitors()) {
                if (m.rootRect.contains(at)) {
                    return &m;
                }
            }
        }
    }
    return &layout.monitors().first();
}

// An area capture here: the rectangle lies wholly on one display (the named one, if named).
const X11Monitor* areaMonitor(const X11MonitorLayout& layout, const QRect& rect, std::optional<uint32_t> id) {
    for (const X11Monitor& m : layout.monitors()) {
        if ((!id || m.id == *id) && m.rootRect.contains(rect)) {
            return &m;
        }
    }
    return nullptr;
}

// The display's rows, grabbed piece by piece as the encoder asks for them, each encoder thread into
// a segment of its own: a few small segments instead of one of the whole frame (whose pages, made
// and unmade, cost more than the grab), and the server copies a worker's next piece while the
// worker compresses the last. The server is held from the first piece until every row is in, so
// the picture is of one moment, as a single grab's would be.
class ShmRowSource : public PngRowSource {
public:
    ShmRowSource(std::shared_ptr<X11Connection> conn, const QRect& rootRect, int stride, int depth)
        : conn_(std::move(conn)), rootRect_(rootRect), stride_(stride), depth_(depth),
          fetched_(size_t(rootRect.height()), false), rowsLeft_(rootRect.height()) {
        xcb_grab_server(conn_->xcb());
    }
    ~ShmRowSource() override {
        for (Worker& w : workers_) {
            if (w.pending) { // a fetch nobody asked for in the end (an encode that failed)
                free(xcb_shm_get_image_reply(conn_->xcb(), w.pending->cookie, nullptr));
            }
        }
        ungrab();
        // Detached without waiting for the server's answer: nothing is left to learn from it.
        for (Worker& w : workers_) {
            if (w.segment && w.segment->attached()) {
                X11ShmSegment::detach(*conn_, w.segment->take());
            }
        }
    }
    ShmRowSource(const ShmRowSource&) = delete;
    ShmRowSource& operator=(const ShmRowSource&) = delete;

    const uint8_t* rows(unsigned worker, int first, int end) override {
        if (worker >= workers_.size()) {
            return nullptr;
        }
        Worker& w = workers_[worker];
        QString error;
        std::optional<Pending> pending = std::exchange(w.pending, std::nullopt);
        if (pending && (pending->first != first || pending->end != end)) {
            free(xcb_shm_get_image_reply(conn_->xcb(), pending->cookie, nullptr));
            pending.reset();
        }
        if (!pending && !(pending = request(w, first, end))) {
            return nullptr;
        }
        if (!w.segment->awaitImage(pending->cookie, size_t(stride_) * size_t(end - first), depth_, &error)) {
            return nullptr;
        }
        arrived(first, end);
        return w.segment->data();
    }

    void prefetch(unsigned worker, int first, int end) override {
        if (worker < workers_.size() && !workers_[worker].pending) {
            workers_[worker].pending = request(workers_[worker], first, end);
        }
    }

private:
    struct Pending {
        xcb_shm_get_image_cookie_t cookie;
        int first, end;
    };
    struct Worker {
        std::unique_ptr<X11ShmSegment> segment;
        std::optional<Pending> pending;
    };

    std::optional<Pending> request(Worker& w, int first, int end) {
        const size_t bytes = size_t(stride_) * size_t(end - first);
        QString error;
        if (!w.segment) {
            w.segment = std::make_unique<X11ShmSegment>(conn_);
            // Pieces differ by a row or two: room for them keeps one segment per worker.
            if (!w.segment->ensure(bytes + 2 * size_t(stride_), &error)) {
                return std::nullopt;
            }
        }
        if (!w.segment->ensure(bytes, &error)) {
            return std::nullopt;
        }
        const QRect band(rootRect_.x(), rootRect_.y() + first, rootRect_.width(), end - first);
        return Pending{w.segment->requestImage(band), first, end};
    }

    void arrived(int first, int end) {
        const std::lock_guard lock(mutex_);
        for (int y = first; y < end; ++y) {
            if (!fetched_[size_t(y)]) {
                fetched_[size_t(y)] = true;
                --rowsLeft_;
            }
        }
        if (rowsLeft_ == 0) {
            ungrabLocked();
        }
    }
    void ungrab() {
        const std::lock_guard lock(mutex_);
        ungrabLocked();
    }
    void ungrabLocked() {
        if (!grabbed_) {
            return;
        }
        grabbed_ = false;
        xcb_ungrab_server(conn_->xcb());
        xcb_flush(conn_->xcb());
    }

    std::shared_ptr<X11Connection> conn_;
    QRect rootRect_;
    int stride_;
    int depth_;
    std::array<Worker, PngEncoder::maxThreads> workers_; // one per encoder thread
    std::mutex mutex_;
    std::vector<bool> fetched_;
    int rowsLeft_;
    bool grabbed_ = true;
};

// Whether the library's index can take a new entry the way the full command would leave it: read
// cleanly, every entry's file present (no orphan scan to run) and no prune due.
bool indexTakesEntryAsIs(const HistoryIndexFile::ReadResult& read, const QString& folder, int maxCount) {
    if (read.state != HistoryIndexFile::State::ok && read.state != HistoryIndexFile::State::missing) {
        return false;
    }
    if (maxCount >= 1 && read.entries.size() + 1 > maxCount) {
        return false;
    }
    const QDir dir(folder);
    for (const HistoryEntry& e : read.entries) {
        if (!QFileInfo::exists(QDir::cleanPath(dir.filePath(e.filename)))) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<int> QuickCapture::run(int argc, char** argv) {
    const std::optional<Request> request = readRequest(argc, argv);
    if (!request || qEnvironmentVariable("MEBO_X11_NO_SHM") == QLatin1String("1")) {
        return std::nullopt;
    }
    QCoreApplication::setApplicationName(QStringLiteral("mebo"));
    QCoreApplication::setOrganizationName(QString());
    auto* log = new HeldLog(request->verbose); // the logger keeps it to the end of the process
    AppLogger::shared().setSystemLog(log);

    platform::JsonDefaultsStore defaults;
    if (!defaults.lastError().isEmpty()) {
        return std::nullopt;
    }

    // The display first: an unreachable one, a HiDPI one or one without MIT-SHM is the full
    // program's to report or handle.
    auto opened = X11Connection::open();
    if (!opened) {
        return std::nullopt;
    }
    const std::shared_ptr<X11Connection> conn = opened.value();
    const X11MonitorLayout layout = X11MonitorLayout::query(*conn, X11MonitorLayout::Names::Skip);
    if (layout.isEmpty() || !conn->hasShm()) {
        return std::nullopt;
    }
    for (const X11Monitor& m : layout.monitors()) {
        if (m.scale != 1) {
            return std::nullopt;
        }
    }
    const auto format = X11PixelFormat::forRoot(*conn);
    if (!format || !format.value().isDirectCopy()) {
        return std::nullopt;
    }
    const X11Monitor* monitor = request->geometry
                                    ? areaMonitor(layout, *request->geometry, request->displayId)
                                    : fullscreenMonitor(*conn, layout, request->displayId);
    if (!monitor) {
        return std::nullopt;
    }
    const QRect rootRect = request->geometry ? *request->geometry : monitor->rootRect;

    Cfg cfg(defaults, request->saveDirectory);
    if (cfg.copyToClipboard()) {
        return std::nullopt; // the clipboard outlives the command: the full program hands it over
    }
    const QString folder = cfg.saveDirectory();
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isWritable()) {
        return std::nullopt;
    }
    ImageStore images(cfg);
    images.ensureSaveDirectory();
    HistoryIndexFile index(QDir(folder).filePath(QStringLiteral("index.json")));
    HistoryIndexFile::ReadResult read = index.read();
    if (!indexTakesEntryAsIs(read, folder, cfg.historyMaxCount())) {
        return std::nullopt;
    }

    logInfo(CaptureLog::started(request->mode, QStringLiteral("api"), QStringLiteral("nil")));
    const X11PixelFormat& f = format.value();
    const int stride = f.stride(rootRect.width());
    ShmRowSource source(conn, rootRect, stride, f.depth());
    const QDateTime captureDate = QDateTime::currentDateTime();
    // The full command's lines: it grabs the whole display and cuts the area out of it.
    logSuccess(CaptureLog::displayGrabbed(monitor->rootRect.size(), monitor->id));
    if (request->geometry) {
        const QRect at = rootRect.translated(-monitor->rootRect.topLeft());
        logSuccess(CaptureLog::areaCut(at.size(), at));
    }
    logInfo(CaptureLog::resultHandled(request->mode, rootRect.size()));
    PngPixels pixels;
    pixels.source = &source;
    pixels.width = rootRect.width();
    pixels.height = rootRect.height();
    pixels.bytesPerLine = size_t(stride);
    pixels.layout = PngPixels::Layout::Xrgb32;
    pixels.channels = 3;
    // A 1x display's density, as the full command records it.
    pixels.dotsPerMeterX = pixels.dotsPerMeterY = CaptureScale::dotsPerMetre(1);
    const std::optional<QString> path = images.write(captureDate, [&pixels] {
        PngEncodeOptions options;
        options.density = true;
        // A piece is a segment's worth of rows: smaller segments cost fewer pages than the extra
        // seams cost (measured at 1080p: 2 ms less CPU than 1 MB pieces, the file 1 % larger).
        options.pieceBytes = size_t(256) << 10;
        return PngEncoder::encode(pixels, options);
    });
    if (!path) {
        return std::nullopt; // nothing written: the full program tries and reports
    }
    log->release();

    // The thumbnail is left to the library, which makes missing ones when it shows them.
    HistoryEntry entry;
    entry.id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    entry.filename = QFileInfo(*path).fileName();
    entry.thumbnailName = entry.id + QStringLiteral(".jpg");
    entry.mode = request->mode;
    entry.createdAt = captureDate;
    entry.widthPx = rootRect.width();
    entry.heightPx = rootRect.height();
    entry.displayScale = 1;
    QList<HistoryEntry> entries = read.entries;
    entries.prepend(entry);
    QString error;
    if (!index.write(entries, &error)) {
        logError(QStringLiteral("[History] 索引持久化失敗: ") + error);
    }

    if (request->json) {
        cli::printJson(QJsonObject{{"path", *path},
                                   {"width", rootRect.width()},
                                   {"height", rootRect.height()},
                                   {"mode", request->mode},
                                   {"historyId", entry.id},
                                   {"windowTitle", QJsonValue(QJsonValue::Null)}});
    } else {
        cli::printOut(*path);
    }
    return cli::Exit::ok;
}

} // namespace mebo
