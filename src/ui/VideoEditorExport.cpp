#include "app/AppLogger.h"
#include "platform/Dialogs.h"
#include "recording/CursorTelemetry.h"
#include "ui/VideoEditorWindow.h"
#include "video/GifExporter.h"
#include "video/VideoChapterDisplayStylePref.h"
#include "video/VideoEditorVM.h"
#include "video/VideoExporter.h"
#include "video/VideoPlayer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressDialog>
#include <QSlider>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

// The editor's two exports: the edited MP4, and the GIF (the edit applied first, into a work
// folder, then sampled into the GIF).
namespace mebo {

namespace {

// The GIF options dialog: frame-rate slider on its ticks, the widths with 720 first, loop forever.
std::optional<GifExportOptions> askGifOptions(QWidget* parent) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QObject::tr("Export as GIF"));
    dialog.setObjectName(QStringLiteral("gifOptions"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* heading =
        new QLabel(QStringLiteral("<b>Export as GIF</b><br>Adjust GIF quality settings."), &dialog);
    layout->addWidget(heading);
    auto* form = new QFormLayout();
    const QList<int>& ticks = GifExportOptions::fpsTicks();
    auto* fps = new QSlider(Qt::Horizontal, &dialog);
    fps->setObjectName(QStringLiteral("gifFps"));
    fps->setRange(0, int(ticks.size()) - 1);
    fps->setTickPosition(QSlider::TicksBelow);
    fps->setPageStep(1);
    fps->setValue(int(ticks.indexOf(GifExportOptions{}.fps)));
    auto* fpsLabel = new QLabel(&dialog);
    auto showFps = [fpsLabel, fps, &ticks] {
        fpsLabel->setText(QStringLiteral("%1 fps").arg(ticks[fps->value()]));
    };
    QObject::connect(fps, &QSlider::valueChanged, fpsLabel, showFps);
    showFps();
    auto* fpsRow = new QHBoxLayout();
    fpsRow->addWidget(fps, 1);
    fpsRow->addWidget(fpsLabel);
    form->addRow(QStringLiteral("Frame Rate:"), fpsRow);
    auto* width = new QComboBox(&dialog);
    width->setObjectName(QStringLiteral("gifWidth"));
    // 720 first: the common choice.
    QList<int> widths = GifExportOptions::maxWidthItems();
    widths.removeAll(720);
    widths.prepend(720);
    for (int w : widths) {
        width->addItem(QStringLiteral("%1 px").arg(w), w);
    }
    form->addRow(QStringLiteral("Max Width:"), width);
    auto* loop = new QCheckBox(QStringLiteral("Loop forever"), &dialog);
    loop->setChecked(true);
    form->addRow(QString(), loop);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QStringLiteral("Export"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    GifExportOptions options;
    options.fps = ticks[fps->value()];
    options.maxWidth = width->currentData().toInt();
    options.loopOnce = !loop->isChecked();
    return options;
}

} // namespace

void VideoEditorWindow::chooseVideoDestination() {
    const QFileInfo source(target_.sourcePath);
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Export Video"),
        source.dir().filePath(source.completeBaseName() + QStringLiteral("-edited.mp4")),
        tr("MPEG-4 video (*.mp4)"));
    if (!path.isEmpty()) {
        exportVideo(path);
    }
}

void VideoEditorWindow::chooseGifDestination() {
    const auto options = askGifOptions(this);
    if (!options) {
        return;
    }
    const QFileInfo source(target_.sourcePath);
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Export as GIF"), source.dir().filePath(source.completeBaseName() + QStringLiteral(".gif")),
        tr("GIF image (*.gif)"));
    if (!path.isEmpty()) {
        exportGif(path, *options);
    }
}

VideoExportJob VideoEditorWindow::exportJob() const {
    VideoExportJob job;
    job.sourcePath = target_.sourcePath;
    job.webcamPath = target_.webcamPath;
    job.edit = vm_->state(); // a copy: editing goes on during the export
    job.assetFolder = QFileInfo(target_.projectPath).absolutePath();
    job.telemetryPath = CursorTelemetry::telemetryPathFor(target_.sourcePath);
    job.chapterStyle = s_.chapterStyle ? s_.chapterStyle->style() : VideoChapterDisplayStyle::titles;
    return job;
}

void VideoEditorWindow::exportVideo(const QString& destination, std::function<void(bool)> done) {
    QString error;
    std::shared_ptr<platform::VideoComposer> composer = s_.composer ? s_.composer(&error) : nullptr;
    std::shared_ptr<platform::MediaProbe> probe = s_.probe ? s_.probe() : nullptr;
    if (!composer || !probe) {
        logError(QStringLiteral("[VideoEditor] 匯出失敗 (mp4) ") + error);
        alert(QStringLiteral("Export failed"), QStringLiteral("Could not export the edited video."));
        if (done) {
            done(false);
        }
        return;
    }
    VideoExportJob job = exportJob();
    job.destination = destination;
    runExport(
        QStringLiteral("Exporting Video…"),
        [composer, probe, job](const std::function<void(double)>& progress, const std::atomic<bool>& cancel,
                               QString* errorText, bool* cancelled) {
            VideoExporter exporter(*composer, *probe);
            const auto outcome = exporter.run(job, progress, cancel, errorText);
            *cancelled = outcome == VideoExporter::Outcome::cancelled;
            return outcome == VideoExporter::Outcome::completed;
        },
        [this, done](bool ok, bool cancelled, const QString&) {
            if (!ok && !cancelled) {
                alert(QStringLiteral("Export failed"), QStringLiteral("Could not export the edited video."));
            }
            if (done) {
                done(ok);
            }
        });
}

void VideoEditorWindow::exportGif(const QString& destination, const GifExportOptions& options,
                                  std::function<void(bool)> done) {
    QString error;
    std::shared_ptr<platform::VideoComposer> composer = s_.composer ? s_.composer(&error) : nullptr;
    std::shared_ptr<platform::VideoFrameGenerator> frames =
        s_.frameGenerator ? s_.frameGenerator(&error) : nullptr;
    std::shared_ptr<platform::GifWriter> writer = s_.gifWriter ? s_.gifWriter() : nullptr;
    std::shared_ptr<platform::MediaProbe> probe = s_.probe ? s_.probe() : nullptr;
    if (!composer || !frames || !writer || !probe) {
        logError(QStringLiteral("[MainWindowVM] GIF 匯出失敗 ") + error);
        alert(QStringLiteral("Export failed"), QStringLiteral("Could not export the video as GIF."));
        if (done) {
            done(false);
        }
        return;
    }
    VideoExportJob job = exportJob();
    runExport(
        QStringLiteral("Exporting GIF…"),
        [=](const std::function<void(double)>& progress, const std::atomic<bool>& cancel, QString* errorText,
            bool* cancelled) mutable {
            // The edit first, into a work folder of its own; half the progress each.
            const QString work = VideoExporter::createWorkFolder(VideoExporter::workRoot());
            if (work.isEmpty()) {
                *errorText = QStringLiteral("no work folder");
                return false;
            }
            job.destination = QDir(work).filePath(QFileInfo(job.sourcePath).completeBaseName() +
                                                  QStringLiteral("-edited.mp4"));
            VideoExporter edited(*composer, *probe);
            const auto first = edited.run(
                job, [&](double f) { progress(f * 0.5); }, cancel, errorText);
            bool ok = false;
            if (first == VideoExporter::Outcome::completed) {
                GifExporter gif(*frames, *writer);
                const auto o = gif.run(
                    job.destination, destination, options, [&](double f) { progress(0.5 + f * 0.5); }, cancel,
                    errorText);
                ok = o == GifExporter::Outcome::completed;
                *cancelled = o == GifExporter::Outcome::cancelled;
            } else {
                *cancelled = first == VideoExporter::Outcome::cancelled;
            }
            QDir(work).removeRecursively();
            return ok;
        },
        [this, destination, done](bool ok, bool cancelled, const QString& errorText) {
            if (ok) {
                logSuccess(QStringLiteral("[MainWindowVM] GIF 匯出成功: ") + destination);
            } else if (cancelled) {
                logInfo(QStringLiteral("[MainWindowVM] GIF 匯出已取消"));
            } else {
                logError(QStringLiteral("[MainWindowVM] GIF 匯出失敗 ") + errorText);
                alert(QStringLiteral("Export failed"), QStringLiteral("Could not export the video as GIF."));
            }
            if (done) {
                done(ok);
            }
        });
}

void VideoEditorWindow::runExport(
    const QString& title,
    std::function<bool(const std::function<void(double)>&, const std::atomic<bool>&, QString*, bool*)> work,
    std::function<void(bool ok, bool cancelled, const QString& error)> finished) {
    if (exporting_) {
        return;
    }
    exporting_ = true;
    player_->pause();
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    auto* sheet = new QProgressDialog(title, QStringLiteral("Cancel"), 0, 1000, this);
    sheet->setObjectName(QStringLiteral("exportProgress"));
    sheet->setWindowTitle(windowTitle());
    sheet->setWindowModality(Qt::WindowModal);
    sheet->setMinimumDuration(0);
    sheet->setAutoClose(false);
    sheet->setAutoReset(false);
    sheet->setValue(0);
    // Wide enough that the window manager shows the recording's whole name in the title bar.
    sheet->setMinimumWidth(std::clamp(sheet->fontMetrics().horizontalAdvance(windowTitle()) + 160, 380, 720));
    // The worker only writes this state; the main thread reads it on the poll and when the thread
    // has finished.
    struct Run {
        std::atomic<double> progress{0};
        bool ok = false;
        bool cancelled = false;
        QString error;
    };
    auto run = std::make_shared<Run>();
    auto cancel = cancel_;
    exportThread_ = QThread::create([run, cancel, work = std::move(work)] {
        run->ok = work([run](double f) { run->progress.store(std::clamp(f, 0.0, 1.0)); }, *cancel,
                       &run->error, &run->cancelled);
    });
    auto* poll = new QTimer(sheet);
    poll->setInterval(100);
    connect(poll, &QTimer::timeout, sheet,
            [sheet, run] { sheet->setValue(int(run->progress.load() * 1000)); });
    poll->start();
    // Cancel (or Escape) hides the sheet; the progress stops there, since a progress dialog shows
    // itself again on the next value while the worker winds down.
    connect(sheet, &QProgressDialog::canceled, this, [cancel = cancel_, poll] {
        cancel->store(true);
        poll->stop();
    });
    connect(exportThread_, &QThread::finished, this, [this, sheet, run, finished = std::move(finished)] {
        sheet->deleteLater();
        exporting_ = false;
        finished(run->ok, run->cancelled, run->error);
    });
    connect(exportThread_, &QThread::finished, exportThread_, &QObject::deleteLater);
    exportThread_->start();
    sheet->show();
}

} // namespace mebo
