#include "capture/ClipboardSvc.h"
#include "library/HistoryStore.h"
#include "library/RecordingChoice.h"
#include "platform/Dialogs.h"
#include "ui/MainWindow.h"
#include "ui/ThumbnailStrip.h"
#include "ui/VideoEditorWindow.h"
#include "video/VideoProjectFiles.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QListView>
#include <QStandardPaths>
#include <QTimer>

// The main window's way into the video editor: recordings of the strip, File > Open Video... and
// File > Open Project.... Each recording gets one editor window.
namespace mebo {

VideoEditorWindow* MainWindow::openVideoEditor(const QString& path) {
    if (!s_.video) {
        return nullptr;
    }
    const auto target = VideoEditorWindow::targetFor(path);
    if (const auto* alert = std::get_if<VideoEditorWindow::Alert>(&target)) {
        if (auto dialogs = s_.video->dialogs ? s_.video->dialogs(this) : nullptr) {
            dialogs->alert(alert->title, alert->text, {QStringLiteral("OK")}, [](int) {});
        }
        return nullptr;
    }
    const VideoEditorTarget& t = std::get<VideoEditorTarget>(target);
    videoEditors_.removeAll(nullptr);
    for (const QPointer<VideoEditorWindow>& open : videoEditors_) {
        if (QFileInfo(open->target().sourcePath) == QFileInfo(t.sourcePath)) {
            open->show();
            open->raise();
            open->activateWindow();
            return open;
        }
    }
    auto* editor = new VideoEditorWindow(*s_.video, t, nullptr);
    videoEditors_.append(editor);
    editor->show();
    editor->raise();
    editor->activateWindow();
    return editor;
}

void MainWindow::openVideoDialog(bool project) {
    const QString start = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    auto* dialog =
        project
            ? new QFileDialog(this, VideoProjectFiles::openPanelMessage(), start,
                              tr("Video projects (*.%1)").arg(VideoProjectFiles::projectExtension()))
            : new QFileDialog(this, tr("Open Video"), start, tr("Videos (*.mp4 *.mov *.m4v *.mkv *.webm)"));
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& file) { openVideoEditor(file); });
    dialog->open();
}

std::optional<HistoryEntry> MainWindow::chosenRecording() const {
    const std::optional<HistoryEntry> chosen = strip_->chosenEntry();
    return RecordingChoice::pick(s_.history.entries(), chosen ? chosen->id : QString());
}

bool MainWindow::exportChosenRecordingAsGif() {
    const std::optional<HistoryEntry> entry = chosenRecording();
    VideoEditorWindow* editor = entry ? openVideoEditor(s_.history.mainFilePath(*entry)) : nullptr;
    if (!editor || !editor->openError().isEmpty()) {
        return false;
    }
    // After the menu has closed: the options dialog runs its own event loop.
    QTimer::singleShot(0, editor, [editor = QPointer<VideoEditorWindow>(editor)] {
        if (editor && !editor->isExporting()) {
            editor->chooseGifDestination();
        }
    });
    return true;
}

bool MainWindow::copyRecordingFile(const HistoryEntry& entry) {
    const QString path = s_.history.mainFilePath(entry);
    if (!s_.clipboard.copyFile(path, QStringLiteral("library"))) {
        return false;
    }
    flash(tr("Copied %1").arg(QFileInfo(path).fileName()));
    return true;
}

bool MainWindow::copyFocusedRecording() {
    if (QApplication::focusWidget() != strip_->listView()) {
        return false;
    }
    const std::optional<HistoryEntry> entry = strip_->chosenEntry();
    return entry && entry->mediaType == QLatin1String("video") && copyRecordingFile(*entry);
}

} // namespace mebo
