#include "video/VideoEditorVM.h"

#include "app/AppLogger.h"
#include "document/DocumentFileError.h"
#include "document/JsonEncodeError.h"
#include "video/CropDrag.h"
#include "video/TrackRegions.h"
#include "video/VideoAnnotationAssets.h"
#include "video/VideoAnnotations.h"
#include "video/VideoChapters.h"
#include "video/VideoTimeline.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace mebo {

namespace {

using List = RegionRef::List;

// Calls `fn` with the list `which` names (every list holds records with id, startSec, endSec).
template <typename Snapshot, typename Fn> decltype(auto) withList(Snapshot& s, List which, Fn&& fn) {
    switch (which) {
    case List::trim:
        return fn(s.trimRegions);
    case List::speed:
        return fn(s.speedRegions);
    case List::annotation:
        return fn(s.annotationRegions);
    case List::chapter:
        return fn(s.chapterSegments);
    case List::recordingSegment:
        return fn(s.recordingSegments);
    case List::systemAudioMute:
        return fn(s.systemAudioMuteRegions);
    case List::micMute:
        return fn(s.micMuteRegions);
    case List::webcamHidden:
        break;
    }
    return fn(s.webcamHiddenRegions);
}

bool isTrackList(List list) {
    return list == List::systemAudioMute || list == List::micMute || list == List::webcamHidden;
}

template <typename Region> Region newRegion(TimeRange span) {
    Region r{};
    r.id = QUuid::createUuid();
    r.startSec = span.start;
    r.endSec = span.end;
    return r;
}

} // namespace

VideoEditorVM::VideoEditorVM(double duration, QString sourceFileName, std::optional<QString> webcamFileName,
                             QObject* parent)
    : QObject(parent), duration_(VideoTimeline::sanitizedDuration(duration)),
      sourceFileName_(std::move(sourceFileName)), webcamFileName_(std::move(webcamFileName)) {
    autosaveTimer_.setSingleShot(true);
    autosaveTimer_.setInterval(kAutosaveDelayMs);
    connect(&autosaveTimer_, &QTimer::timeout, this, &VideoEditorVM::flushAutosave);
}

VideoEditorVM::~VideoEditorVM() {
    flushAutosave();
    if (!transientFolder_.isEmpty()) {
        VideoAnnotationAssets::removeSessionFolder(transientFolder_);
    }
}

void VideoEditorVM::loadProject(const MeboVideoDocument& document, const QString& projectPath) {
    flushAutosave();
    state_ = document.edit;
    if (webcamFileName_ && state_.webcamLayout) {
        state_.webcamLayout->visible = true;
    }
    undo_.clear();
    selection_.reset();
    projectPath_ = projectPath;
    autosaveEnabled_ = true;
    dirty_ = false;
    VideoAnnotationAssets::cleanOrphans(QFileInfo(projectPath).absolutePath(), assetBaseName(),
                                        state_.annotationRegions);
    Q_EMIT stateChanged();
    Q_EMIT selectionChanged();
}

void VideoEditorVM::projectOpenFailed(const QString& projectPath) {
    projectPath_ = projectPath;
    autosaveEnabled_ = false;
    autosaveTimer_.stop();
    dirty_ = false;
    logWarning(QStringLiteral("[VideoEditor] Open Project 失敗 — autosave 禁用, 避免覆寫壞檔"));
}

void VideoEditorVM::setProjectPath(const QString& path) {
    projectPath_ = path;
}

MeboVideoDocument VideoEditorVM::document() const {
    MeboVideoDocument doc;
    if (!sourceFileName_.isEmpty()) {
        doc.sourceFileName = sourceFileName_;
    }
    doc.webcamFileName = webcamFileName_;
    doc.edit = state_;
    return doc;
}

void VideoEditorVM::scheduleAutosave() {
    if (!autosaveEnabled_) {
        return;
    }
    dirty_ = true;
    autosaveTimer_.start();
}

void VideoEditorVM::flushAutosave() {
    autosaveTimer_.stop();
    if (!dirty_ || !autosaveEnabled_ || projectPath_.isEmpty()) {
        return;
    }
    dirty_ = false;
    try {
        document().writeFile(projectPath_);
    } catch (const DocumentFileError& e) {
        logWarning(QStringLiteral("[VideoEditor] autosave 失敗: ") + e.description());
    } catch (const JsonEncodeError& e) {
        logWarning(QStringLiteral("[VideoEditor] autosave 失敗: ") + e.description());
    }
}

void VideoEditorVM::setPlayhead(double t) {
    const double c = VideoTimeline::clampTime(t, duration_);
    if (c != playhead_) {
        playhead_ = c;
        Q_EMIT playheadChanged(c);
    }
}

void VideoEditorVM::select(const std::optional<RegionRef>& ref) {
    if (ref != selection_) {
        selection_ = ref;
        Q_EMIT selectionChanged();
    }
}

QList<TrimRegion> VideoEditorVM::effectiveCuts() const {
    return VideoTimeline::effectiveCuts(state_.trimRegions, state_.recordingSegments, duration_);
}

QList<TimeRange> VideoEditorVM::keptRanges() const {
    return VideoTimeline::keptRanges(effectiveCuts(), duration_);
}

QList<VideoExportTimeMapSegment> VideoEditorVM::timeMap() const {
    return VideoTimeline::timeMap(keptRanges(), state_.speedRegions);
}

QList<ChapterSegment> VideoEditorVM::tiledChapters() const {
    return VideoChapters::tiled(state_.chapterSegments, duration_);
}

QList<TrackDisabledRegion> VideoEditorVM::mergedRegions(List trackList) const {
    if (!isTrackList(trackList)) {
        return {};
    }
    return withList(state_, trackList, [this](const auto& list) -> QList<TrackDisabledRegion> {
        if constexpr (std::is_same_v<std::decay_t<decltype(list)>, QList<TrackDisabledRegion>>) {
            return TrackRegions::merged(list, duration_);
        }
        return {};
    });
}

bool VideoEditorVM::isDisabledAt(List trackList, double t) const {
    return TrackRegions::isDisabledAt(mergedRegions(trackList), t, duration_);
}

QList<AnnotationRegion> VideoEditorVM::annotationsAt(double t) const {
    QList<AnnotationRegion> out;
    for (const AnnotationRegion& a : state_.annotationRegions) {
        if (a.startSec <= t && t < a.endSec) {
            out.append(a);
        }
    }
    return out;
}

std::optional<WebcamPlacement> VideoEditorVM::webcamOverlayAt(double t, const QRectF& frame) const {
    const WebcamLayout layout = state_.webcamLayout.value_or(WebcamLayout::defaultLayout());
    if (!webcamFileName_ || !layout.visible || isDisabledAt(List::webcamHidden, t)) {
        return std::nullopt;
    }
    return placeWebcam(layout, frame);
}

PlaybackDecision VideoEditorVM::playbackAt(double t) const {
    return PlaybackDecision::atTime(effectiveCuts(), t, duration_);
}

QList<VideoEditorVM::TimelineSpan> VideoEditorVM::spans(List list) const {
    QList<TimelineSpan> out;
    if (list == List::chapter) {
        const QList<ChapterSegment> tiled = tiledChapters();
        for (int i = 0; i < tiled.size(); ++i) {
            out.append({tiled[i].id,
                        {tiled[i].startSec, tiled[i].endSec},
                        VideoChapters::displayTitle(tiled[i], i + 1)});
        }
        return out;
    }
    withList(state_, list, [&](const auto& regions) {
        for (const auto& r : regions) {
            out.append({r.id, {r.startSec, r.endSec}, {}});
        }
    });
    for (int i = 0; i < out.size(); ++i) {
        if (list == List::speed) {
            out[i].label = QString::number(state_.speedRegions[i].speed, 'g', 3) + QStringLiteral("x");
        } else if (list == List::annotation) {
            const AnnotationRegion& a = state_.annotationRegions[i];
            out[i].label = a.text.value_or(rawValue(a.kind));
        } else if (list == List::recordingSegment) {
            const RecordingSegment& s = state_.recordingSegments[i];
            out[i].label = s.title.value_or(QStringLiteral("Segment %1").arg(i + 1));
            out[i].enabled = s.isEnabled;
        }
    }
    return out;
}

std::optional<TimeRange> VideoEditorVM::spanOf(const RegionRef& ref) const {
    for (const TimelineSpan& s : spans(ref.list)) {
        if (s.id == ref.id) {
            return s.span;
        }
    }
    return std::nullopt;
}

QString VideoEditorVM::imageAssetFolder() const {
    return projectPath_.isEmpty() ? transientFolder_ : QFileInfo(projectPath_).absolutePath();
}

bool VideoEditorVM::edit(const std::function<bool(VideoSnapshot&)>& change) {
    VideoSnapshot next = state_;
    if (!change(next) || next == state_) {
        return false;
    }
    undo_.push(std::move(state_));
    gesture_.clear();
    state_ = std::move(next);
    scheduleAutosave();
    Q_EMIT stateChanged();
    return true;
}

std::optional<QUuid> VideoEditorVM::addRegion(List list, TimeRange span) {
    const TimeRange s{VideoTimeline::clampTime(span.start, duration_),
                      VideoTimeline::clampTime(span.end, duration_)};
    if (!(s.end > s.start)) {
        return std::nullopt;
    }
    QUuid id;
    edit([&](VideoSnapshot& next) {
        withList(next, list, [&](auto& regions) {
            using Region = typename std::decay_t<decltype(regions)>::value_type;
            Region r = newRegion<Region>(s);
            if constexpr (std::is_same_v<Region, SpeedRegion>) {
                r.speed = kDefaultSpeed;
            } else if constexpr (std::is_same_v<Region, AnnotationRegion>) {
                AnnotationRegion d = VideoAnnotations::defaults(AnnotationKind::text);
                d.id = r.id, d.startSec = r.startSec, d.endSec = r.endSec;
                r = d;
            }
            id = r.id;
            regions.append(r);
        });
        return true;
    });
    select(RegionRef{list, id});
    return id;
}

bool VideoEditorVM::setRegionSpan(const RegionRef& ref, TimeRange span) {
    if (!(span.end > span.start) || !std::isfinite(span.start) || !std::isfinite(span.end)) {
        return false;
    }
    return edit([&](VideoSnapshot& next) {
        return withList(next, ref.list, [&](auto& regions) {
            for (auto& r : regions) {
                if (r.id == ref.id) {
                    r.startSec = span.start;
                    r.endSec = span.end;
                    return true;
                }
            }
            return false;
        });
    });
}

bool VideoEditorVM::deleteRegion(const RegionRef& ref) {
    const bool done = edit([&](VideoSnapshot& next) {
        return withList(next, ref.list, [&](auto& regions) {
            return regions.removeIf([&](const auto& r) { return r.id == ref.id; }) > 0;
        });
    });
    if (done && selection_ == ref) {
        select(std::nullopt);
    }
    return done;
}

bool VideoEditorVM::setSpeed(const QUuid& id, double speed) {
    if (!std::isfinite(speed)) {
        return false;
    }
    return edit([&](VideoSnapshot& next) {
        for (SpeedRegion& r : next.speedRegions) {
            if (r.id == id) {
                r.speed = std::clamp(speed, kMinSpeed, kMaxSpeed);
                return true;
            }
        }
        return false;
    });
}

std::optional<QUuid> VideoEditorVM::addAnnotation(AnnotationKind kind, QPointF point) {
    const auto region = VideoAnnotations::create(kind, playhead_, duration_, point);
    if (!region) {
        return std::nullopt;
    }
    edit([&](VideoSnapshot& next) {
        next.annotationRegions.append(*region);
        return true;
    });
    select(RegionRef{List::annotation, region->id});
    return region->id;
}

std::optional<QUuid> VideoEditorVM::addImageAnnotation(const QString& imagePath, QPointF point) {
    auto region = VideoAnnotations::create(AnnotationKind::image, playhead_, duration_, point);
    if (!region) {
        return std::nullopt;
    }
    const QString folder = assetFolder();
    const auto name = folder.isEmpty()
                          ? std::nullopt
                          : VideoAnnotationAssets::importImage(imagePath, folder, assetBaseName());
    if (!name) {
        return std::nullopt;
    }
    region->imageFileName = *name;
    edit([&](VideoSnapshot& next) {
        next.annotationRegions.append(*region);
        return true;
    });
    select(RegionRef{List::annotation, region->id});
    return region->id;
}

bool VideoEditorVM::updateAnnotation(const AnnotationRegion& region) {
    return edit([&](VideoSnapshot& next) {
        for (AnnotationRegion& r : next.annotationRegions) {
            if (r.id == region.id) {
                r = region;
                return true;
            }
        }
        return false;
    });
}

bool VideoEditorVM::splitChapterAtPlayhead() {
    const auto split = VideoChapters::splitAt(state_.chapterSegments, playhead_, duration_);
    return split && edit([&](VideoSnapshot& next) {
               next.chapterSegments = *split;
               return true;
           });
}

bool VideoEditorVM::renameChapter(const QUuid& id, const QString& typed) {
    const auto title = VideoChapters::titleOnSave(VideoChapters::limitTyping(typed));
    return edit([&](VideoSnapshot& next) {
        for (ChapterSegment& c : next.chapterSegments) {
            if (c.id == id) {
                c.title = title;
                return true;
            }
        }
        return false;
    });
}

std::optional<QUuid> VideoEditorVM::disableForFiveSeconds(List trackList, std::optional<double> centre) {
    if (!isTrackList(trackList)) {
        return std::nullopt;
    }
    const auto region = TrackRegions::timedRegion(centre.value_or(playhead_), duration_);
    if (!region) {
        return std::nullopt;
    }
    edit([&](VideoSnapshot& next) {
        withList(next, trackList, [&](auto& regions) {
            if constexpr (std::is_same_v<std::decay_t<decltype(regions)>, QList<TrackDisabledRegion>>) {
                regions.append(*region);
            }
        });
        return true;
    });
    select(RegionRef{trackList, region->id});
    setPlayhead(region->startSec);
    return region->id;
}

bool VideoEditorVM::clearTrack(List trackList) {
    if (!isTrackList(trackList)) {
        return false;
    }
    const bool done = edit([&](VideoSnapshot& next) {
        return withList(next, trackList, [](auto& regions) {
            const bool any = !regions.isEmpty();
            regions.clear();
            return any;
        });
    });
    if (done && selection_ && selection_->list == trackList) {
        select(std::nullopt);
    }
    return done;
}

bool VideoEditorVM::setSystemAudioTrackEnabled(bool enabled) {
    return edit([&](VideoSnapshot& next) {
        next.systemAudioTrackEnabled = enabled;
        return true;
    });
}

bool VideoEditorVM::setMicTrackEnabled(bool enabled) {
    return edit([&](VideoSnapshot& next) {
        next.micTrackEnabled = enabled;
        return true;
    });
}

bool VideoEditorVM::setSegmentEnabled(const QUuid& id, bool enabled) {
    return edit([&](VideoSnapshot& next) {
        for (RecordingSegment& s : next.recordingSegments) {
            if (s.id == id) {
                s.isEnabled = enabled;
                return true;
            }
        }
        return false;
    });
}

bool VideoEditorVM::undo() {
    return restore(undo_.undo(state_));
}

bool VideoEditorVM::redo() {
    return restore(undo_.redo(state_));
}

bool VideoEditorVM::restore(std::optional<VideoSnapshot> snapshot) {
    if (!snapshot) {
        return false;
    }
    state_ = std::move(*snapshot);
    gesture_.clear();
    scheduleAutosave();
    dropStaleSelection();
    Q_EMIT stateChanged();
    return true;
}

void VideoEditorVM::dropStaleSelection() {
    if (!selection_) {
        return;
    }
    const bool exists = withList(state_, selection_->list, [this](const auto& regions) {
        return std::any_of(regions.begin(), regions.end(),
                           [this](const auto& r) { return r.id == selection_->id; });
    });
    if (!exists) {
        select(std::nullopt);
    }
}

void VideoEditorVM::changeSettings(const std::function<void(VideoSnapshot&)>& change,
                                   const QString& gesture) {
    VideoSnapshot next = state_;
    change(next);
    if (next == state_) {
        return;
    }
    if (gesture.isEmpty() || gesture != gesture_) {
        undo_.push(state_);
    }
    gesture_ = gesture;
    state_ = std::move(next);
    scheduleAutosave();
    Q_EMIT stateChanged();
}

void VideoEditorVM::chooseWebcamLayoutPreset(WebcamLayoutPreset preset) {
    changeSettings([preset](VideoSnapshot& s) {
        s.webcamLayout = s.webcamLayout.value_or(WebcamLayout::defaultLayout()).withLayoutPreset(preset);
    });
}

void VideoEditorVM::chooseWebcamSizePreset(WebcamSizePreset preset) {
    changeSettings([preset](VideoSnapshot& s) {
        s.webcamLayout = s.webcamLayout.value_or(WebcamLayout::defaultLayout()).withSizePreset(preset);
    });
}

void VideoEditorVM::setCrop(const std::optional<QRectF>& crop) {
    const std::optional<QRectF> stored = crop ? CropDrag::stored(*crop) : std::nullopt;
    changeSettings([&](VideoSnapshot& s) { s.cropRect = stored; });
}

void VideoEditorVM::setCropAspectLocked(bool locked) {
    changeSettings([locked](VideoSnapshot& s) { s.cropAspectLocked = locked; });
}

void VideoEditorVM::setCropAspect(double ratio, QSizeF sourceSize) {
    changeSettings([&](VideoSnapshot& s) {
        s.cropRect = CropDrag::stored(
            CropDrag::withAspect(s.cropRect.value_or(QRectF(0, 0, 1, 1)), ratio, sourceSize));
        s.cropAspectLocked = true;
    });
}

QString VideoEditorVM::assetBaseName() const {
    const QString named = projectPath_.isEmpty() ? sourceFileName_ : QFileInfo(projectPath_).fileName();
    const qsizetype dot = named.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? named.left(dot) : named;
}

QString VideoEditorVM::assetFolder() {
    if (!projectPath_.isEmpty()) {
        return QFileInfo(projectPath_).absolutePath();
    }
    if (transientFolder_.isEmpty()) {
        transientFolder_ = VideoAnnotationAssets::createSessionFolder();
    }
    return transientFolder_;
}

} // namespace mebo
