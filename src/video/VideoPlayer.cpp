#include "video/VideoPlayer.h"

#include "app/AppLogger.h"
#include "app/MainThread.h"
#include "video/VideoAudioPlayback.h"
#include "video/VideoEditorVM.h"
#include "video/VideoExportPlan.h"
#include "video/VideoFrameCompositor.h"
#include "video/VideoOutputSize.h"
#include "video/VideoTimeline.h"

#include <algorithm>
#include <cmath>

namespace mebo {

namespace {

const QString kTag = QStringLiteral("[VideoPlayer] ");

// The speed in effect at source time `t` (1 outside every speed region).
double speedAt(const QList<VideoExportSpeedSlice>& slices, double t) {
    for (const VideoExportSpeedSlice& s : slices) {
        if (s.sourceStart <= t && t < s.sourceEnd) {
            return s.speed;
        }
    }
    return 1.0;
}

} // namespace

struct VideoPlayer::Preview {
    VideoExportPlan plan;
    std::unique_ptr<VideoFrameCompositor> compositor;
};

VideoPlayer::VideoPlayer(VideoEditorVM& vm, std::unique_ptr<platform::VideoFrameGenerator> frames,
                         Source source, QObject* parent,
                         std::unique_ptr<platform::VideoFrameGenerator> webcamFrames)
    : QObject(parent), vm_(vm), frames_(std::move(frames)), webcam_(std::move(webcamFrames)),
      source_(std::move(source)) {
    inbox_->player = this;
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(std::max(4, int(std::lround(1000.0 * frameDuration()))));
    connect(&timer_, &QTimer::timeout, this, &VideoPlayer::tick);
    if (!frames_) {
        error_ = QStringLiteral("no frame decoder");
        return;
    }
    const QSize limit = source_.size.isValid() ? source_.size.boundedTo(kDecodeLimit) : kDecodeLimit;
    if (!frames_->open(source_.path, limit, &error_)) {
        logError(kTag + QStringLiteral("無法打開影片: ") + error_);
        return;
    }
    if (!source_.size.isValid()) {
        source_.size = frames_->frameSize();
    }
    opened_ = true;
    if (webcam_ && source_.webcamPath) {
        QString camError;
        webcamOpened_ = webcam_->open(*source_.webcamPath, kWebcamDecodeLimit, &camError);
        if (!webcamOpened_) {
            logWarning(kTag + QStringLiteral("無法打開 webcam 影片: ") + camError);
        }
    }
    rebuildPreview();
    connect(&vm_, &VideoEditorVM::playheadChanged, this, [this] { request(); });
    connect(&vm_, &VideoEditorVM::stateChanged, this, [this] {
        rebuildPreview();
        request();
        if (playing_) {
            startAudio(); // a mute or a cut changed what is heard
        }
    });
    worker_ = std::thread([this] { workerLoop(); });
    request();
}

VideoPlayer::~VideoPlayer() {
    inbox_->player = nullptr; // a picture still on its way finds no player
    timer_.stop();
    audio_.reset();
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
}

double VideoPlayer::frameDuration() const {
    const double fps = source_.frameRate.value_or(30.0);
    return 1.0 / (std::isfinite(fps) && fps >= 1 ? fps : 30.0);
}

QSize VideoPlayer::outputSize() const {
    return preview_ ? preview_->plan.renderSize : QSize();
}

QRectF VideoPlayer::videoRect() const {
    return preview_ ? preview_->plan.videoRect : QRectF();
}

void VideoPlayer::setChapterStyle(VideoChapterDisplayStyle style) {
    if (style == chapterStyle_) {
        return;
    }
    chapterStyle_ = style;
    rebuildPreview();
    request();
}

void VideoPlayer::setCropEditing(bool on) {
    if (on == cropEditing_) {
        return;
    }
    cropEditing_ = on;
    rebuildPreview();
    request();
}

void VideoPlayer::setAudio(std::unique_ptr<VideoAudioPlayback> audio) {
    audio_ = std::move(audio);
    if (playing_) {
        startAudio();
    }
}

void VideoPlayer::startAudio() {
    if (!audio_ || !preview_ || audio_->tracks().isEmpty()) {
        return;
    }
    auto stretch =
        VideoAudioPlayback::stretchFrom(preview_->plan, vm_.state(), audio_->tracks(), vm_.playhead());
    if (!stretch) {
        audio_->stop();
        return;
    }
    audioOutputStart_ = stretch->outputStart;
    audioSince_.start();
    audio_->start(std::move(*stretch));
}

void VideoPlayer::syncAudio() {
    if (!playing_ || !audio_ || !preview_ || !audioSince_.isValid() ||
        audioSince_.elapsed() < kAudioSettleMs) {
        return;
    }
    const std::optional<double> heard = audio_->heardSec();
    const std::optional<double> shown = VideoTimeline::outputTime(preview_->plan.timeMap, vm_.playhead());
    if (heard && shown && std::abs(*shown - audioOutputStart_ - *heard) > kAudioDriftSec) {
        startAudio();
    }
}

void VideoPlayer::rebuildPreview() {
    if (!opened_) {
        return;
    }
    VideoSnapshot edit = vm_.state();
    if (cropEditing_) {
        edit.cropRect.reset();
    }
    // The preview renders at most 720 lines high whatever the export's resolution.
    const QSize full = VideoOutputSize::renderSize(QSizeF(source_.size), [&] {
        VideoSnapshot s = edit;
        s.exportResolutionHeight.reset();
        return s;
    }());
    edit.exportResolutionHeight =
        full.height() > kPreviewHeight ? std::optional<qint64>(kPreviewHeight) : std::nullopt;
    auto preview = std::make_shared<Preview>();
    preview->plan =
        VideoExportPlan::make(edit, source_.size, vm_.duration(), source_.frameRate, webcamOpened_);
    VideoFrameCompositor::Inputs inputs;
    inputs.edit = edit;
    inputs.plan = preview->plan;
    inputs.telemetry = source_.telemetry;
    inputs.assetFolder = source_.assetFolder;
    inputs.chapterStyle = chapterStyle_;
    preview->compositor = std::make_unique<VideoFrameCompositor>(std::move(inputs));
    preview_ = std::move(preview);
}

void VideoPlayer::request() {
    if (!opened_) {
        return;
    }
    std::vector<std::shared_ptr<const Preview>> retired;
    {
        std::lock_guard lock(mutex_);
        pending_ = Request{++generation_, vm_.playhead(), preview_, !playing_};
        retired.swap(retired_);
    }
    wake_.notify_one();
}

void VideoPlayer::post(Delivery delivery) {
    bool wake = false;
    {
        std::lock_guard lock(inbox_->mutex);
        wake = !inbox_->newest.has_value();
        inbox_->newest = std::move(delivery); // an older picture not yet shown is replaced
    }
    if (wake) {
        runOnMain([inbox = inbox_] {
            if (inbox->player) {
                inbox->player->takeDelivery();
            }
        });
    }
}

void VideoPlayer::takeDelivery() {
    std::optional<Delivery> d;
    {
        std::lock_guard lock(inbox_->mutex);
        d.swap(inbox_->newest);
    }
    if (d) {
        deliver(d->generation, d->picture, d->time);
    }
}

void VideoPlayer::deliver(quint64 generation, const QImage& picture, double time) {
    if (generation != generation_) {
        return; // a newer request is on its way
    }
    picture_ = picture;
    pictureTime_ = time;
    Q_EMIT pictureChanged();
}

void VideoPlayer::workerLoop() {
    for (;;) {
        Request r;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stop_ || pending_.has_value(); });
            if (stop_) {
                return;
            }
            r = std::move(*pending_);
            pending_.reset();
        }
        // The preview goes back to the main thread whichever way this request ends.
        struct Retire {
            VideoPlayer& player;
            Request& request;
            ~Retire() {
                std::lock_guard lock(player.mutex_);
                player.retired_.push_back(std::move(request.preview));
            }
        } retire{*this, r};
        QString err;
        if (r.quickFirst) {
            // A scrub or a seek far away: the key frame before the place now, the exact frame after
            // unless the pointer has moved on meanwhile.
            double at = r.time;
            const QImage frame = frames_->quickFrameNear(r.time, &at, &err);
            if (!frame.isNull()) {
                post({r.generation, composeFrame(r, frame, true), at}); // the playhead's overlays
                if (newerPending()) {
                    continue;
                }
            }
            err.clear();
        }
        const QImage picture = compose(r, &err);
        if (picture.isNull()) {
            logWarning(kTag + QStringLiteral("無法解碼影格 (%1 s): ").arg(r.time, 0, 'f', 3) + err);
            continue;
        }
        post({r.generation, picture, r.time});
    }
}

bool VideoPlayer::newerPending() {
    std::lock_guard lock(mutex_);
    return stop_ || pending_.has_value();
}

QImage VideoPlayer::compose(const Request& r, QString* error) {
    const QImage frame = frames_->frameAt(r.time, error);
    if (frame.isNull()) {
        return {};
    }
    return composeFrame(r, frame, false);
}

QImage VideoPlayer::webcamFrame(const Preview& p, double sourceTime, double outputTime, bool quick) const {
    if (!webcamOpened_ || !p.plan.webcamRect || VideoExportPlan::inRanges(p.plan.webcamHidden, outputTime)) {
        return {};
    }
    // A webcam recording shorter than the video shows nothing after its end, as in the export.
    const double camDuration = webcam_->durationSec();
    if (camDuration > 0 && sourceTime > camDuration) {
        return {};
    }
    QString err;
    double at = sourceTime;
    QImage cam = quick ? webcam_->quickFrameNear(sourceTime, &at, &err) : QImage();
    if (cam.isNull()) {
        cam = webcam_->frameAt(sourceTime, &err);
    }
    return cam;
}

QImage VideoPlayer::composeFrame(const Request& r, const QImage& frame, bool quick) const {
    const Preview& p = *r.preview;
    // The crop is in source pixels; the decoded picture may be smaller than the source.
    const double sx = double(frame.width()) / std::max(1, p.plan.sourceSize.width());
    const double sy = double(frame.height()) / std::max(1, p.plan.sourceSize.height());
    const QRect crop = QRectF(p.plan.sourceCrop.x() * sx, p.plan.sourceCrop.y() * sy,
                              p.plan.sourceCrop.width() * sx, p.plan.sourceCrop.height() * sy)
                           .toAlignedRect()
                           .intersected(frame.rect());
    platform::CompositionFrame f;
    f.sourceTime = r.time;
    f.outputTime = VideoTimeline::outputTime(p.plan.timeMap, r.time).value_or(0);
    f.video = frame.copy(crop)
                  .scaled(p.compositor->videoSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                  .convertToFormat(QImage::Format_RGB32);
    f.overlay = webcamFrame(p, r.time, f.outputTime, quick);
    f.overlaySourceTime = r.time;
    return p.compositor->render(f);
}

void VideoPlayer::play() {
    if (playing_ || !opened_) {
        return;
    }
    double t = PlaybackDecision::playStart(vm_.playhead(), vm_.duration());
    const PlaybackDecision d = vm_.playbackAt(t);
    if (d.action == PlaybackDecision::Action::seek) {
        t = d.time;
    } else if (d.action == PlaybackDecision::Action::stopAtEnd) {
        t = 0; // only a cut lies ahead: play from the start
    }
    vm_.setPlayhead(t);
    playing_ = true;
    clock_.start();
    timer_.start();
    startAudio();
    Q_EMIT playingChanged(true);
}

void VideoPlayer::pause() {
    if (!playing_) {
        return;
    }
    playing_ = false;
    timer_.stop();
    if (audio_) {
        audio_->stop();
    }
    Q_EMIT playingChanged(false);
}

void VideoPlayer::togglePlay() {
    playing_ ? pause() : play();
}

void VideoPlayer::seek(double t) {
    vm_.setPlayhead(t);
    if (playing_) {
        clock_.restart();
        startAudio();
    }
}

void VideoPlayer::stepFrames(int frames) {
    pause();
    // On the frame grid: a playhead between frames counts as the frame it shows.
    const double period = frameDuration();
    const double frame = std::floor(vm_.playhead() / period + 1e-6);
    vm_.setPlayhead((frame + frames) * period);
}

void VideoPlayer::tick() {
    const double elapsed = clock_.restart() / 1000.0;
    advance(elapsed);
    syncAudio();
}

void VideoPlayer::advance(double elapsedSec) {
    if (!playing_) {
        return;
    }
    const double duration = vm_.duration();
    const double from = vm_.playhead();
    double t = from + std::max(0.0, elapsedSec) *
                          speedAt(VideoTimeline::resolvedSpeeds(vm_.state().speedRegions), from);
    const PlaybackDecision d = vm_.playbackAt(t);
    if (d.action == PlaybackDecision::Action::seek) {
        t = d.time;
    }
    if (d.action == PlaybackDecision::Action::stopAtEnd || t >= duration) {
        vm_.setPlayhead(d.action == PlaybackDecision::Action::stopAtEnd ? d.time : duration);
        pause();
        return;
    }
    vm_.setPlayhead(t);
}

} // namespace mebo
