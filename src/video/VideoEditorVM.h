#pragma once

#include "video/MeboVideoDocument.h"
#include "video/RegionRef.h"
#include "video/VideoRegions.h"
#include "video/VideoTimeline.h"
#include "video/VideoUndoStack.h"
#include "video/WebcamLayout.h"

#include <QObject>
#include <QPointF>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>

namespace mebo {

// The model half of the video editor: the edit lists, every editing operation, the selection,
// undo and redo, and the project's autosave. Main thread only.
//
// Each editing operation that changes something pushes the state before it as one undo step,
// changes the lists, then schedules an autosave; an operation refused by its rule changes
// nothing and pushes nothing. Settings changes (canvas, effects, crop, webcam) are undo steps too;
// the changes of one gesture (a slider being dragged) make one step.
class VideoEditorVM : public QObject {
    Q_OBJECT
public:
    static constexpr int kAutosaveDelayMs = 1500;
    static constexpr double kDefaultSpeed = 2.0;
    static constexpr double kMinSpeed = 0.25;
    static constexpr double kMaxSpeed = 16.0;

    // An edit of a source of `duration` seconds. `sourceFileName` and `webcamFileName` are written
    // into the project; without a webcam file the webcam list and layout are kept but unused.
    VideoEditorVM(double duration, QString sourceFileName, std::optional<QString> webcamFileName = {},
                  QObject* parent = nullptr);
    // Flushes a pending autosave and removes the session's transient asset folder.
    ~VideoEditorVM() override;

    // --- the project ---
    // Takes the document's edit (the stored webcam layout shown when there is a webcam file),
    // clears undo and selection, autosaves to `projectPath` from now on and removes orphaned
    // image assets.
    void loadProject(const MeboVideoDocument& document, const QString& projectPath);
    // Opening `projectPath` failed: autosave stays off for this session so the damaged file is
    // never overwritten.
    void projectOpenFailed(const QString& projectPath);
    // Where autosave writes (empty: nowhere yet). Setting it does not write.
    void setProjectPath(const QString& path);
    const QString& projectPath() const { return projectPath_; }
    bool autosaveEnabled() const { return autosaveEnabled_; }
    bool hasPendingAutosave() const { return dirty_; }
    // Writes a pending change now (timer fired, editor closed or switched).
    void flushAutosave();
    // The document autosave writes.
    MeboVideoDocument document() const;

    // --- state ---
    const VideoSnapshot& state() const { return state_; }
    double duration() const { return duration_; }
    double playhead() const { return playhead_; }
    void setPlayhead(double t);
    const std::optional<RegionRef>& selection() const { return selection_; }
    void select(const std::optional<RegionRef>& ref);
    bool canUndo() const { return undo_.canUndo(); }
    bool canRedo() const { return undo_.canRedo(); }

    // --- derived views (recomputed on every call) ---
    QList<TrimRegion> effectiveCuts() const;
    QList<TimeRange> keptRanges() const;
    QList<VideoExportTimeMapSegment> timeMap() const;
    QList<ChapterSegment> tiledChapters() const;
    QList<TrackDisabledRegion> mergedRegions(RegionRef::List trackList) const;
    bool isDisabledAt(RegionRef::List trackList, double t) const;
    // The annotations drawn at source time `t` (those whose [start, end) holds it), in list order.
    QList<AnnotationRegion> annotationsAt(double t) const;
    // Where the webcam overlay sits over `frame` at source time `t`; nothing without a webcam
    // file, with the layout hidden, or inside a webcam hidden region.
    std::optional<WebcamPlacement> webcamOverlayAt(double t, const QRectF& frame) const;
    // The player's decision at a time update (jump over cuts, stop at the end).
    PlaybackDecision playbackAt(double t) const;

    // --- the timeline's rows ---
    struct TimelineSpan {
        QUuid id;
        TimeRange span;
        QString label;       // what the span shows ("2x", a chapter's title, ...), may be empty
        bool enabled = true; // false: a disabled recording segment
        bool operator==(const TimelineSpan&) const = default;
    };
    // The regions of `list` as stored (chapters tiled), each with its label.
    QList<TimelineSpan> spans(RegionRef::List list) const;
    // The span of one region, or nothing when it is gone.
    std::optional<TimeRange> spanOf(const RegionRef& ref) const;
    // Where image annotations are read from: beside the project, else the session's own folder
    // (empty until an image was imported).
    QString imageAssetFolder() const;

    // --- region editing ---
    // A new region of `list` over `span` (speed regions at the default speed; annotations as text);
    // selected. Answers its id.
    std::optional<QUuid> addRegion(RegionRef::List list, TimeRange span);
    // Move or resize: the region's new span.
    bool setRegionSpan(const RegionRef& ref, TimeRange span);
    bool deleteRegion(const RegionRef& ref);
    // Within [kMinSpeed, kMaxSpeed].
    bool setSpeed(const QUuid& id, double speed);
    // A new annotation of `kind` at the playhead centred on `point`; selected.
    std::optional<QUuid> addAnnotation(AnnotationKind kind, QPointF point);
    // An image annotation from an image file, imported beside the project (or into the session's
    // transient folder); selected.
    std::optional<QUuid> addImageAnnotation(const QString& imagePath, QPointF point);
    bool updateAnnotation(const AnnotationRegion& region);
    bool splitChapterAtPlayhead();
    bool renameChapter(const QUuid& id, const QString& typed);
    // Mute or hide for five seconds around `centre` (the playhead when absent); the new region is
    // selected and the playhead moves to its start.
    std::optional<QUuid> disableForFiveSeconds(RegionRef::List trackList, std::optional<double> centre = {});
    bool clearTrack(RegionRef::List trackList);
    bool setSystemAudioTrackEnabled(bool enabled);
    bool setMicTrackEnabled(bool enabled);
    bool setSegmentEnabled(const QUuid& id, bool enabled);
    bool undo();
    bool redo();

    // --- settings ---
    // One undo step, unless the previous change was made under the same non-empty `gesture`
    // with nothing else in between (then both are one step) until endSettingsGesture().
    void changeSettings(const std::function<void(VideoSnapshot&)>& change, const QString& gesture = {});
    void endSettingsGesture() { gesture_.clear(); }
    void chooseWebcamLayoutPreset(WebcamLayoutPreset preset);
    void chooseWebcamSizePreset(WebcamSizePreset preset);
    // The crop in fractions of the source frame; one that covers (almost) the whole frame is no crop.
    void setCrop(const std::optional<QRectF>& crop);
    // The lock keeps the crop's shape while it is dragged; choosing an aspect for it (width /
    // height of the cropped pixels) fits the largest such crop around the present one's centre.
    void setCropAspectLocked(bool locked);
    void setCropAspect(double ratio, QSizeF sourceSize);

Q_SIGNALS:
    void stateChanged();
    void selectionChanged();
    void playheadChanged(double t);

private:
    // Runs `change` on a copy; when it answers true the copy becomes the state as one undo step.
    bool edit(const std::function<bool(VideoSnapshot&)>& change);
    // Installs an undo or redo state (nothing: no step).
    bool restore(std::optional<VideoSnapshot> snapshot);
    void scheduleAutosave();
    void dropStaleSelection();
    QString assetFolder();
    QString assetBaseName() const;

    double duration_;
    QString sourceFileName_;
    std::optional<QString> webcamFileName_;
    VideoSnapshot state_;
    VideoUndoStack undo_;
    std::optional<RegionRef> selection_;
    double playhead_ = 0;
    QString projectPath_;
    bool autosaveEnabled_ = true;
    bool dirty_ = false;
    QTimer autosaveTimer_;
    QString transientFolder_; // made on the first image import without a project
    QString gesture_;         // the settings gesture whose undo step is open
};

} // namespace mebo
