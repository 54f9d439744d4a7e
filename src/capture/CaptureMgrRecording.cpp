// The coordinator's recording paths: start with its alerts, stop with the library entry and the
// segments' project file, restart, cancel, recovery of crashed recordings, and the trim prompt.
#include "capture/CaptureMgr.h"

#include "app/AppLogger.h"
#include "app/BackgroundTask.h"
#include "app/Cfg.h"
#include "app/MainThread.h"
#include "capture/ImageStore.h"
#include "capture/MainWindowLink.h"
#include "library/HistoryStore.h"
#include "library/ThumbnailCache.h"
#include "platform/Dialogs.h"
#include "platform/MediaWriter.h"
#include "platform/Workspace.h"
#include "recording/RecordingPanelConfiguration.h"
#include "recording/RecordingRecovery.h"
#include "recording/ScreenRecordingSvc.h"
#include "recording/VideoTrimmer.h"
#include "video/VideoProjectFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>
#include <QUuid>
#include <utility>

namespace mebo {

void CaptureMgr::setRecordingLinks(RecordingLinks links) {
    recording_ = std::move(links);
    if (recording_.recorder) {
        setRecordAreaStarter([this](uint32_t displayId, const QRect& rect) {
            startRecording(RecordingTarget::areaOf(displayId, rect), CaptureMode::recordArea);
        });
    }
}

bool CaptureMgr::isRecording() const {
    return recording_.recorder && recording_.recorder->state() != RecordingState::idle;
}

QString CaptureMgr::newRecordingPath() const {
    const QDir dir(cfg_.saveDirectory());
    const QString base = images_.expandFilenameTemplate(QDateTime::currentDateTime());
    const auto taken = [&](const QString& stem) {
        return QFileInfo::exists(dir.filePath(stem + QStringLiteral(".mp4"))) ||
               QFileInfo::exists(dir.filePath(stem + QLatin1String(ScreenRecordingSvc::unfinishedSuffix)));
    };
    QString stem = base;
    for (int n = 1; taken(stem); ++n) {
        stem = QStringLiteral("%1-%2").arg(base).arg(n);
    }
    return dir.filePath(stem + QStringLiteral(".mp4"));
}

void CaptureMgr::startRecording(const RecordingTarget& target, CaptureMode mode, bool applySettings) {
    if (!recording_.recorder) {
        logWarning(QStringLiteral("[CaptureMgr] mode=") + captureModeRawValue(mode) +
                   QStringLiteral(" is not available in this build"));
        abandon(mode);
        return;
    }
    recordTarget_ = target;
    recordMode_ = mode;
    recordApplySettings_ = applySettings;
    if (applySettings) {
        RecordingPanelConfiguration::fromCfg(cfg_).applyTo(cfg_, recording_.recorder->options());
    }
    setCaptureActive(true);
    QDir().mkpath(cfg_.saveDirectory());
    QPointer<CaptureMgr> self(this);
    recording_.recorder->start(target, newRecordingPath(), [self](std::optional<RecordingError> error) {
        if (!self) {
            return;
        }
        const HeldStop held = std::exchange(self->heldStop_, HeldStop::none);
        if (error) {
            self->onRecordingStartFailed(*error);
            return;
        }
        Q_EMIT self->recordingStarted();
        self->runHeldStop(held);
    });
}

void CaptureMgr::runHeldStop(HeldStop held) {
    if (held == HeldStop::stop) {
        stopRecording();
    } else if (held == HeldStop::cancel) {
        cancelRecording();
    }
}

bool CaptureMgr::holdWhileStarting(HeldStop what) {
    // The recorder skips a stop while it prepares; the user's stop must not be lost with it.
    if (recording_.recorder->state() != RecordingState::preparing) {
        return false;
    }
    logInfo(QStringLiteral("[CaptureMgr] recording still starting: %1 once it runs")
                .arg(what == HeldStop::cancel ? QStringLiteral("cancel") : QStringLiteral("stop")));
    if (heldStop_ != HeldStop::cancel) {
        heldStop_ = what;
    }
    return true;
}

void CaptureMgr::onRecordingStartFailed(const RecordingError& error) {
    logError(QStringLiteral("[CaptureMgr] 錄影啟動失敗: ") + error.description());
    QString title = QStringLiteral("Recording Failed to Start");
    QString text = error.description();
    if (error.kind == RecordingError::Kind::targetWindowNotVisible) {
        title = QStringLiteral("Target Window Not in Current Space");
        text = QStringLiteral("Please switch to the Space containing %1 and try again.")
                   .arg(error.detail.isEmpty() ? QStringLiteral("the selected window") : error.detail);
    }
    Q_EMIT recordingStartFailed(error.description());
    QPointer<CaptureMgr> self(this);
    dialogs_.alert(title, text, {QStringLiteral("Retry"), QStringLiteral("Cancel")}, [self](int button) {
        if (!self) {
            return;
        }
        if (button == 0 && self->recordTarget_) {
            self->startRecording(*self->recordTarget_, self->recordMode_, self->recordApplySettings_);
            return;
        }
        self->setCaptureActive(false);
        self->restoreMainWindow();
    });
}

void CaptureMgr::pauseResumeRecording() {
    if (!recording_.recorder) {
        return;
    }
    if (recording_.recorder->state() == RecordingState::recording) {
        recording_.recorder->pause();
    } else if (recording_.recorder->state() == RecordingState::paused) {
        recording_.recorder->resume();
    }
}

void CaptureMgr::stopRecording() {
    if (!recording_.recorder) {
        return;
    }
    if (holdWhileStarting(HeldStop::stop)) {
        return;
    }
    logInfo(QStringLiteral("[CaptureMgr] _stopRecord 開始"));
    QPointer<CaptureMgr> self(this);
    recording_.recorder->stop([self](StopResult result) {
        if (self) {
            self->finishRecording(result);
        }
    });
}

void CaptureMgr::finishRecording(const StopResult& result) {
    logInfo(QStringLiteral("[CaptureMgr] _stopRecord: stop() 返回 ") +
            result.mainURL.value_or(QStringLiteral("nil")));
    setCaptureActive(false);
    if (!result.mainURL) {
        logError(QStringLiteral("[CaptureMgr] 錄影停止失敗或無輸出"));
        dialogs_.alert(QStringLiteral("Recording Failed"),
                       QStringLiteral("The recording could not be saved. Please try again."),
                       {QStringLiteral("OK")}, [](int) {});
        restoreMainWindow();
        Q_EMIT recordingFinished(false, QString(), QString(), result);
        return;
    }
    const QString path = *result.mainURL;
    HistoryEntry entry;
    entry.id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    const QDir saveDir(cfg_.saveDirectory());
    const QFileInfo info(path);
    entry.filename = QDir::cleanPath(info.absolutePath()) == QDir::cleanPath(saveDir.absolutePath())
                         ? info.fileName()
                         : info.absoluteFilePath();
    entry.thumbnailName = entry.id + QStringLiteral(".jpg");
    entry.mode = captureModeRawValue(recordMode_);
    entry.createdAt = QDateTime::currentDateTime();
    entry.widthPx = result.width;
    entry.heightPx = result.height;
    entry.mediaType = QStringLiteral("video");
    entry.durationSec = result.durationSec;
    if (result.webcamURL) {
        entry.webcamFileName = QFileInfo(*result.webcamURL).fileName();
    }
    const QImage thumbnail = recording_.recorder->thumbnail();
    if (recording_.thumbnails && !thumbnail.isNull()) {
        recording_.thumbnails->make(entry.thumbnailName, thumbnail);
    }
    history_.addEntry(entry);
    try {
        if (const auto sidecar = VideoProjectFiles::writeRecordingSidecar(
                path, result.webcamURL, result.recordingSegments, result.durationSec)) {
            logInfo(QStringLiteral("[CaptureMgr] 已寫入錄屏段落 sidecar: ") + *sidecar);
        }
    } catch (const std::exception& e) {
        logWarning(QStringLiteral("[CaptureMgr] 錄屏段落 sidecar 寫入失敗: ") + QString::fromUtf8(e.what()));
    }
    logSuccess(QStringLiteral("[CaptureMgr] 錄影已儲存: ") + path);
    restoreMainWindow();
    Q_EMIT recordingFinished(true, path, entry.id, result);
}

void CaptureMgr::deleteRecordingFiles(const StopResult& result) {
    for (const auto& file : {result.mainURL, result.webcamURL, result.cursorURL}) {
        if (file) {
            QFile::remove(*file);
        }
    }
}

void CaptureMgr::cancelRecording() {
    if (!recording_.recorder || holdWhileStarting(HeldStop::cancel)) {
        return;
    }
    QPointer<CaptureMgr> self(this);
    recording_.recorder->stop([self](StopResult result) {
        if (!self) {
            return;
        }
        self->deleteRecordingFiles(result);
        logInfo(QStringLiteral("[CaptureMgr] 錄影已取消 (文件 + 敏感 sibling 已刪除)"));
        self->setCaptureActive(false);
        self->restoreMainWindow();
        Q_EMIT self->recordingFinished(false, QString(), QString(), StopResult{});
    });
}

void CaptureMgr::restartRecording() {
    if (!recording_.recorder || !recordTarget_) {
        return;
    }
    const RecordingTarget target = *recordTarget_;
    const CaptureMode mode = recordMode_;
    const bool apply = recordApplySettings_;
    QPointer<CaptureMgr> self(this);
    recording_.recorder->stop([self, target, mode, apply](StopResult result) {
        if (!self) {
            return;
        }
        self->deleteRecordingFiles(result);
        QPointer<CaptureMgr> again(self);
        self->recordTarget_ = target;
        self->recordMode_ = mode;
        self->recordApplySettings_ = apply;
        if (apply) {
            RecordingPanelConfiguration::fromCfg(self->cfg_)
                .applyTo(self->cfg_, self->recording_.recorder->options());
        }
        self->recording_.recorder->start(
            target, self->newRecordingPath(), [again](std::optional<RecordingError> e) {
                if (!again) {
                    return;
                }
                const HeldStop held = std::exchange(again->heldStop_, HeldStop::none);
                if (e) {
                    logError(QStringLiteral("[CaptureMgr] 重啟錄影失敗: ") + e->description());
                    again->setCaptureActive(false);
                    again->restoreMainWindow();
                    Q_EMIT again->recordingStartFailed(e->description());
                    return;
                }
                Q_EMIT again->recordingStarted();
                again->runHeldStop(held);
            });
    });
}

void CaptureMgr::recoverUnfinishedRecordings() {
    if (!recording_.remuxer || !recording_.probe) {
        return;
    }
    const QString folder = cfg_.saveDirectory();
    platform::MediaRemuxer* remuxer = recording_.remuxer;
    platform::MediaProbe* probe = recording_.probe;
    QPointer<CaptureMgr> self(this);
    startUtilityTask([self, folder, remuxer, probe] {
        QList<RecordingRecovery::Recovered> found;
        for (const QString& file : RecordingRecovery::findUnfinished(folder)) {
            if (auto r = RecordingRecovery::recover(file, *remuxer, *probe)) {
                found << *r;
            }
        }
        runOnMain([self, found, folder] {
            if (!self) {
                return;
            }
            for (const auto& r : found) {
                self->enterRecoveredRecording(r);
            }
            Q_EMIT self->recordingsRecovered(int(found.size()));
        });
    });
}

void CaptureMgr::enterRecoveredRecording(const RecordingRecovery::Recovered& r) {
    const QFileInfo info(r.path);
    enterVideo(r, CaptureMode::record, info.birthTime().isValid() ? info.birthTime() : info.lastModified());
}

void CaptureMgr::enterVideo(const RecordingRecovery::Recovered& r, CaptureMode mode,
                            const QDateTime& createdAt) {
    HistoryEntry entry;
    const QFileInfo info(r.path);
    // A second trim to the same name replaced the file: its item is brought up to date.
    std::optional<HistoryEntry> existing;
    for (const HistoryEntry& e : history_.entries()) {
        if (QFileInfo(history_.mainFilePath(e)) == info) {
            existing = e;
            break;
        }
    }
    entry.id = existing ? existing->id : QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    const QDir saveDir(cfg_.saveDirectory());
    entry.filename = QDir::cleanPath(info.absolutePath()) == QDir::cleanPath(saveDir.absolutePath())
                         ? info.fileName()
                         : info.absoluteFilePath();
    entry.thumbnailName = entry.id + QStringLiteral(".jpg");
    entry.mode = captureModeRawValue(mode);
    entry.createdAt = createdAt;
    entry.widthPx = r.width;
    entry.heightPx = r.height;
    entry.mediaType = QStringLiteral("video");
    entry.durationSec = r.durationSec;
    if (recording_.thumbnails && !r.thumbnail.isNull()) {
        recording_.thumbnails->make(entry.thumbnailName, r.thumbnail);
    }
    if (existing) {
        history_.updateEntry(entry);
    } else {
        history_.addEntry(entry);
    }
}

void CaptureMgr::startRecordWithPicker(CaptureRequest::Source source) {
    logInfo(QStringLiteral("[CaptureMgr] startRecordWithPicker source=") + captureSourceRawValue(source));
    CaptureRequest request;
    request.mode = CaptureMode::record;
    request.source = source;
    start(request);
}

void CaptureMgr::presentSourcePicker() {
    QPointer<CaptureMgr> self(this);
    sourcePicker_([self](std::optional<SourcePickerChoice> choice) {
        if (!self) {
            return;
        }
        if (!choice) {
            logInfo(QStringLiteral("[CaptureMgr] 錄影來源選擇取消"));
            self->abandon(CaptureMode::record);
            return;
        }
        // The picker leaves the screen before the first frame is taken.
        const SourcePickerChoice chosen = *choice;
        QTimer::singleShot(settleDelayMs, self, [self, chosen] {
            if (!self) {
                return;
            }
            switch (chosen.kind) {
            case SourcePickerChoice::Kind::display:
                self->startRecording(RecordingTarget::display(chosen.id), CaptureMode::record);
                break;
            case SourcePickerChoice::Kind::window:
                self->startRecording(RecordingTarget::window(chosen.id), CaptureMode::record);
                break;
            case SourcePickerChoice::Kind::area:
                logInfo(QStringLiteral("[CaptureMgr] picker → switchToArea, 切到 RegionSelectionWindow"));
                CaptureRequest area;
                area.mode = CaptureMode::recordArea;
                area.source = CaptureRequest::Source::menuBar;
                self->dispatch(area);
                break;
            }
        });
    });
}

QString CaptureMgr::trimPromptText(double durationSec) {
    return QStringLiteral("Duration: %1s. Enter start and end seconds:").arg(durationSec, 0, 'f', 1);
}

std::optional<QString> CaptureMgr::trimVideo(const QString& videoPath, double durationSec,
                                             const QString& startText, const QString& endText,
                                             CaptureMode mode) {
    const auto range = VideoTrimmer::parseRange(startText, endText, durationSec);
    if (!range || !recording_.remuxer) {
        return std::nullopt;
    }
    VideoTrimmer trimmer(*recording_.remuxer);
    const auto written = trimmer.trim(videoPath, *range, VideoTrimmer::trimmedPathFor(videoPath));
    if (!written) {
        return written;
    }
    // The trimmed copy is a recording of its own in the strip.
    RecordingRecovery::Recovered video;
    video.path = *written;
    video.durationSec = range->endSec - range->startSec;
    QString error;
    if (recording_.probe) {
        if (const auto facts = recording_.probe->probe(*written, &error)) {
            video.durationSec = facts->durationSec;
            video.width = facts->videoSize.width();
            video.height = facts->videoSize.height();
        }
    }
    video.thumbnail = recording_.remuxer->frameAt(*written, std::min(1.0, video.durationSec / 2), &error);
    enterVideo(video, mode, QDateTime::currentDateTime());
    return written;
}

} // namespace mebo
