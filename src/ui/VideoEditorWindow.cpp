#include "ui/VideoEditorWindow.h"
#include "video/VideoTimelineStrips.h"

#include "app/AppLogger.h"
#include "document/DocumentFileError.h"
#include "platform/Dialogs.h"
#include "recording/CursorTelemetry.h"
#include "ui/VideoInspector.h"
#include "ui/VideoPictureView.h"
#include "ui/VideoTimelineView.h"
#include "video/MeboVideoDocumentError.h"
#include "video/VideoChapterDisplayStylePref.h"
#include "video/VideoChapters.h"
#include "video/VideoEditorVM.h"
#include "video/VideoExporter.h"
#include "video/VideoPlayer.h"
#include "video/VideoProjectFiles.h"
#include "video/VideoTimelineMenus.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QProgressDialog>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <cmath>

namespace mebo {

namespace {

using List = RegionRef::List;

QString clockText(double t) {
    const double c = std::max(0.0, t);
    const int minutes = int(c / 60);
    return QStringLiteral("%1:%2").arg(minutes).arg(c - minutes * 60, 5, 'f', 2, QLatin1Char('0'));
}

} // namespace

std::variant<VideoEditorTarget, VideoEditorWindow::Alert> VideoEditorWindow::targetFor(const QString& path) {
    const QFileInfo info(path);
    if (info.suffix().compare(VideoProjectFiles::projectExtension(), Qt::CaseInsensitive) == 0) {
        const auto opened = VideoProjectFiles::open(info.absoluteFilePath());
        if (const auto* alert = std::get_if<VideoProjectAlert>(&opened)) {
            return Alert{alert->message, alert->informativeText};
        }
        const auto& project = std::get<OpenedVideoProject>(opened);
        return VideoEditorTarget{project.sourcePath, project.webcamPath, project.projectPath};
    }
    if (!info.isFile()) {
        return Alert{tr("Video not found"), info.absoluteFilePath()};
    }
    const QString project = VideoProjectFiles::projectPathFor(info.absoluteFilePath());
    std::optional<QString> webcam;
    const QString defaultWebcam = VideoProjectFiles::defaultWebcamPath(project);
    if (QFileInfo::exists(defaultWebcam)) {
        webcam = defaultWebcam;
    }
    return VideoEditorTarget{info.absoluteFilePath(), webcam, project};
}

VideoEditorWindow::VideoEditorWindow(VideoEditorServices services, VideoEditorTarget target, QWidget* parent)
    : QWidget(parent, Qt::Window), s_(std::move(services)), target_(std::move(target)),
      dialogs_(s_.dialogs ? s_.dialogs(this) : nullptr) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QFileInfo(target_.sourcePath).fileName());
    // The source's facts first: the edit's duration and the preview's size come from them.
    QString error;
    std::optional<platform::MediaStreamFacts> facts;
    if (auto probe = s_.probe ? s_.probe() : nullptr) {
        facts = probe->probe(target_.sourcePath, &error);
    }
    const double duration = facts ? facts->durationSec : 0;
    const QString sourceName = QFileInfo(target_.sourcePath).fileName();
    std::optional<QString> webcamName;
    if (target_.webcamPath) {
        webcamName = QFileInfo(*target_.webcamPath).fileName();
    }
    vm_ = std::make_unique<VideoEditorVM>(duration, sourceName, webcamName);
    if (QFileInfo::exists(target_.projectPath)) {
        try {
            vm_->loadProject(MeboVideoDocument::readFile(target_.projectPath), target_.projectPath);
        } catch (const MeboVideoDocumentError& e) {
            vm_->projectOpenFailed(target_.projectPath);
            autosaveNote_ = e.description();
        } catch (const DocumentFileError& e) {
            vm_->projectOpenFailed(target_.projectPath);
            autosaveNote_ = e.description();
        }
    } else {
        vm_->setProjectPath(target_.projectPath);
    }

    VideoPlayer::Source source;
    source.path = target_.sourcePath;
    if (facts) {
        sourceSize_ = (facts->rotationDegrees % 180) != 0 ? facts->videoSize.transposed() : facts->videoSize;
        source.size = (facts->rotationDegrees % 180) != 0 ? facts->videoSize.transposed() : facts->videoSize;
        source.frameRate = facts->frameRate;
    }
    source.assetFolder = QFileInfo(target_.projectPath).absolutePath();
    QString telemetryError;
    source.telemetry =
        CursorTelemetryFile::read(CursorTelemetry::telemetryPathFor(target_.sourcePath), &telemetryError);
    QString generatorError;
    auto generator = s_.frameGenerator ? s_.frameGenerator(&generatorError) : nullptr;
    // The webcam recording is decoded beside the video so the preview lays it over as exported.
    std::unique_ptr<platform::VideoFrameGenerator> webcamFrames;
    if (target_.webcamPath && s_.frameGenerator) {
        QString webcamError;
        webcamFrames = s_.frameGenerator(&webcamError);
        source.webcamPath = target_.webcamPath;
    }
    player_ = std::make_unique<VideoPlayer>(*vm_, std::move(generator), std::move(source), nullptr,
                                            std::move(webcamFrames));
    if (facts && !facts->audioTracks.isEmpty() && s_.audio.source && s_.audio.output) {
        player_->setAudio(
            std::make_unique<VideoAudioPlayback>(s_.audio, target_.sourcePath, facts->audioTracks));
    }
    if (!facts || !player_->isOpen()) {
        openError_ = !facts ? error : player_->error();
        if (openError_.isEmpty()) {
            openError_ = generatorError;
        }
    }
    if (s_.chapterStyle) {
        player_->setChapterStyle(s_.chapterStyle->style());
        connect(s_.chapterStyle, &VideoChapterDisplayStylePref::styleChanged, this,
                [this](VideoChapterDisplayStyle style) { player_->setChapterStyle(style); });
    }
    buildUi();
    if (facts && player_->isOpen() && s_.frameGenerator) {
        // The timeline's pictures and sound, from decoders of their own.
        QList<int> streams;
        for (const platform::MediaAudioTrack& t : facts->audioTracks) {
            streams.append(t.streamIndex);
        }
        strips_ = std::make_unique<VideoTimelineStrips>(
            VideoTimelineStrips::Services{s_.frameGenerator, s_.audio.source}, target_.sourcePath, duration,
            streams);
        timeline_->setStrips(strips_.get());
        strips_->start();
    }
    if (!autosaveNote_.isEmpty()) {
        openAlert_.emplace(QStringLiteral("Project file unreadable"), autosaveNote_);
    } else if (!openError_.isEmpty()) {
        openAlert_.emplace(tr("Cannot play this video"), openError_);
    }
}

VideoEditorWindow::~VideoEditorWindow() {
    if (exportThread_) {
        cancel_->store(true);
        exportThread_->wait();
    }
    timeline_->setStrips(nullptr);
    strips_.reset();
    player_.reset(); // before the model it listens to
    if (vm_) {
        vm_->flushAutosave();
    }
}

void VideoEditorWindow::buildUi() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* bar = new QToolBar(this);
    bar->setAccessibleName(tr("Editing"));
    bar->addAction(tr("Add Cut"), this, [this] {
        const double t = vm_->playhead();
        vm_->addRegion(List::trim, {t, std::min(vm_->duration(), t + 2)});
    });
    bar->addAction(tr("Add Speed"), this, [this] {
        const double t = vm_->playhead();
        vm_->addRegion(List::speed, {t, std::min(vm_->duration(), t + 2)});
    });
    // Annotations start at the playhead in the middle of the frame; an image comes from a file.
    auto* annotate = new QMenu(tr("Add Annotation"), this);
    for (AnnotationKind kind : allCases<AnnotationKind>()) {
        if (kind == AnnotationKind::image) {
            continue;
        }
        QString title = rawValue(kind);
        title[0] = title[0].toUpper();
        annotate->addAction(title, this, [this, kind] { vm_->addAnnotation(kind, {0.5, 0.5}); });
    }
    annotate->addAction(tr("Image..."), this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Choose an image annotation."),
                                                          QFileInfo(target_.sourcePath).absolutePath(),
                                                          tr("Images (*.png *.jpg *.jpeg *.gif *.webp)"));
        if (!path.isEmpty() && !vm_->addImageAnnotation(path, {0.5, 0.5})) {
            alert(tr("Image not added"),
                  tr("%1 cannot be used as an annotation.").arg(QFileInfo(path).fileName()));
        }
    });
    auto* annotateButton = new QToolButton(bar);
    annotateButton->setText(tr("Add Annotation"));
    annotateButton->setMenu(annotate);
    annotateButton->setPopupMode(QToolButton::InstantPopup);
    bar->addWidget(annotateButton);
    bar->addAction(tr("Split Chapter"), this, [this] { vm_->splitChapterAtPlayhead(); });
    bar->addSeparator();
    bar->addAction(tr("Export Video..."), this, &VideoEditorWindow::chooseVideoDestination);
    bar->addAction(tr("Export as GIF..."), this, &VideoEditorWindow::chooseGifDestination);
    layout->addWidget(bar);

    auto* view = new VideoPictureView(*vm_, *player_, this);
    view->setAccessibleName(tr("Picture"));
    pictureView_ = view;
    auto* middle = new QHBoxLayout();
    middle->setSpacing(0);
    middle->addWidget(view, 1);
    std::optional<QSizeF> sourceSize;
    if (sourceSize_.isValid()) {
        sourceSize = QSizeF(sourceSize_);
    }
    inspector_ = new VideoInspector(*vm_, sourceSize, target_.webcamPath.has_value(), this);
    middle->addWidget(inspector_);
    connect(inspector_, &VideoInspector::cropEditingToggled, view, &VideoPictureView::setCropEditing);
    layout->addLayout(middle, 1);

    auto* transport = new QHBoxLayout();
    transport->setContentsMargins(8, 4, 8, 4);
    auto* back = new QPushButton(QStringLiteral("◀|"), this);
    playButton_ = new QPushButton(this);
    auto* forward = new QPushButton(QStringLiteral("|▶"), this);
    for (QPushButton* b : {back, playButton_, forward}) {
        b->setFocusPolicy(Qt::NoFocus);
        transport->addWidget(b);
    }
    back->setToolTip(tr("Previous frame (Left)"));
    forward->setToolTip(tr("Next frame (Right)"));
    connect(back, &QPushButton::clicked, this, [this] { player_->stepFrames(-1); });
    connect(forward, &QPushButton::clicked, this, [this] { player_->stepFrames(1); });
    connect(playButton_, &QPushButton::clicked, this, [this] { player_->togglePlay(); });
    timeLabel_ = new QLabel(this);
    transport->addWidget(timeLabel_);
    transport->addStretch(1);
    layout->addLayout(transport);

    timeline_ = new VideoTimelineView(
        *vm_, [this](double t) { player_->seek(t); }, this);
    timeline_->askChapterTitle = [this](const QString& current) { return askChapterTitle(current); };
    timeline_->setAccessibleName(tr("Timeline"));
    layout->addWidget(timeline_);

    status_ = new QLabel(this);
    status_->setContentsMargins(8, 2, 8, 4);
    layout->addWidget(status_);

    connect(player_.get(), &VideoPlayer::playingChanged, this, &VideoEditorWindow::refreshTransport);
    connect(vm_.get(), &VideoEditorVM::playheadChanged, this, &VideoEditorWindow::refreshTransport);
    connect(vm_.get(), &VideoEditorVM::stateChanged, this, &VideoEditorWindow::refreshStatus);
    connect(vm_.get(), &VideoEditorVM::stateChanged, this, &VideoEditorWindow::refreshTransport);
    // The autosave timer runs in the model: the status follows it once a second.
    auto* poll = new QTimer(this);
    poll->setInterval(500);
    connect(poll, &QTimer::timeout, this, &VideoEditorWindow::refreshStatus);
    poll->start();
    setFocusPolicy(Qt::StrongFocus);
    // Ctrl+W closes the editor like any document window; closing saves what is pending.
    auto* closeShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), this);
    connect(closeShortcut, &QShortcut::activated, this, &QWidget::close);
    refreshTransport();
    refreshStatus();
    resize(1100, 760);
}

void VideoEditorWindow::refreshTransport() {
    playButton_->setText(player_->isPlaying() ? tr("Pause") : tr("Play"));
    timeLabel_->setText(clockText(vm_->playhead()) + QStringLiteral(" / ") + clockText(vm_->duration()));
}

void VideoEditorWindow::refreshStatus() {
    QString text;
    if (!vm_->autosaveEnabled()) {
        text = tr("Autosave off: the project file could not be read and is left as it was.");
    } else if (vm_->hasPendingAutosave()) {
        text = tr("Edited - saving…");
    } else if (QFileInfo::exists(vm_->projectPath())) {
        text = tr("Saved to %1").arg(QFileInfo(vm_->projectPath()).fileName());
    } else {
        text = tr("No edits yet");
    }
    const auto cuts = vm_->keptRanges();
    double kept = 0;
    for (const TimeRange& r : cuts) {
        kept += r.length();
    }
    text += QStringLiteral("   ·   ") +
            tr("Output %1").arg(clockText(VideoTimeline::outputDuration(vm_->timeMap())));
    if (status_->text() != text) {
        status_->setText(text);
    }
}

void VideoEditorWindow::keyPressEvent(QKeyEvent* event) {
    const auto mods = event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
    const int key = event->key();
    if (mods == Qt::NoModifier && key == Qt::Key_Space) {
        player_->togglePlay();
    } else if (key == Qt::Key_Left && !(mods & Qt::ControlModifier)) {
        player_->stepFrames(-1);
    } else if (key == Qt::Key_Right && !(mods & Qt::ControlModifier)) {
        player_->stepFrames(1);
    } else if (mods == Qt::NoModifier && (key == Qt::Key_Delete || key == Qt::Key_Backspace)) {
        if (const auto& sel = vm_->selection()) {
            vm_->deleteRegion(*sel);
        }
    } else if (mods == Qt::ControlModifier && key == Qt::Key_B) {
        vm_->splitChapterAtPlayhead();
    } else if (mods == Qt::ControlModifier && key == Qt::Key_Z) {
        vm_->undo();
    } else if ((mods == (Qt::ControlModifier | Qt::ShiftModifier) && key == Qt::Key_Z) ||
               (mods == Qt::ControlModifier && key == Qt::Key_Y)) {
        vm_->redo();
    } else if (mods == Qt::NoModifier && key == Qt::Key_Home) {
        player_->seek(0);
    } else if (mods == Qt::NoModifier && key == Qt::Key_End) {
        player_->seek(vm_->duration());
    } else {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void VideoEditorWindow::closeEvent(QCloseEvent* event) {
    player_->pause();
    vm_->flushAutosave();
    QWidget::closeEvent(event);
}

void VideoEditorWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (openAlert_) {
        // Queued: the alert centres on the window once it has its place on the screen.
        QTimer::singleShot(0, this, [this, why = *std::exchange(openAlert_, std::nullopt)] {
            alert(why.first, why.second);
        });
    }
}

void VideoEditorWindow::alert(const QString& title, const QString& text) {
    if (dialogs_) {
        dialogs_->alert(title, text, {QStringLiteral("OK")}, [](int) {});
    }
}

std::optional<QString> VideoEditorWindow::askChapterTitle(const QString& current) {
    QDialog sheet(this);
    sheet.setWindowTitle(tr("Rename Chapter"));
    auto* layout = new QVBoxLayout(&sheet);
    auto* field = new QLineEdit(current, &sheet);
    field->setPlaceholderText(VideoTimelineMenus::renamePlaceholder());
    // Typing past the limit keeps the first 80 characters.
    connect(field, &QLineEdit::textEdited, field, [field](const QString& typed) {
        const QString limited = VideoChapters::limitTyping(typed);
        if (limited != typed) {
            field->setText(limited);
        }
    });
    auto* hint = new QLabel(VideoTimelineMenus::renameHint(), &sheet);
    hint->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(&sheet);
    buttons->addButton(tr("Save"), QDialogButtonBox::AcceptRole);
    buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, &sheet, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &sheet, &QDialog::reject);
    layout->addWidget(field);
    layout->addWidget(hint);
    layout->addWidget(buttons);
    if (sheet.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return field->text();
}

} // namespace mebo
