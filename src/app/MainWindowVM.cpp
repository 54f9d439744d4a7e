#include "app/MainWindowVM.h"

#include "app/AppLogger.h"
#include "app/Cfg.h"
#include "capture/PngWriter.h"
#include "document/DocumentFileError.h"
#include "document/JsonDecodeError.h"
#include "document/JsonEncodeError.h"
#include "document/MeboDocumentError.h"
#include "document/PngBytes.h"
#include "editor/EditorVM.h"
#include "library/HistoryStore.h"
#include "platform/Dialogs.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPointer>

namespace mebo {

namespace {

const QString kTag = QStringLiteral("[MainWindowVM] ");
const QString kOk = QStringLiteral("OK");
const QString kWriteFailedText =
    QStringLiteral("Could not write the file. Check disk space and folder permissions, then try again.");

// The user-facing text of the exception being handled.
QString currentErrorDescription() {
    try {
        throw;
    } catch (const MeboDocumentError& e) {
        return e.description();
    } catch (const DocumentFileError& e) {
        return e.description();
    } catch (const JsonDecodeError& e) {
        return e.description();
    } catch (const JsonEncodeError& e) {
        return e.description();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("unknown error");
    }
}

struct ImageFile {
    QImage image;
    QByteArray png; // the file's bytes when it is a PNG: they decode to `image`
    QString error;
};

// PNGs go through the bounded project decoder so that their bytes can stand in for the base
// image's encoding; other formats (an image opened from outside the library) through Qt's readers.
ImageFile readImageFile(const QString& path) {
    ImageFile out;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        out.error = file.errorString();
        return out;
    }
    const QByteArray bytes = file.readAll();
    if (bytes.startsWith("\x89PNG\r\n\x1a\n")) {
        out.image = PngBytes::decode(bytes);
        if (out.image.isNull()) {
            out.error = QStringLiteral("damaged PNG or larger than %1 pixels").arg(PngBytes::kMaxPixels);
        } else {
            out.png = bytes;
        }
        return out;
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!reader.read(&out.image)) {
        out.error = reader.errorString();
    }
    return out;
}

QString absoluteClean(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

MainWindowVM::MainWindowVM(Cfg& cfg, HistoryStore& history, platform::Dialogs& dialogs, QObject* parent)
    : QObject(parent), cfg_(cfg), history_(history), dialogs_(dialogs) {}

MainWindowVM::~MainWindowVM() = default;

std::optional<QString> MainWindowVM::sidecarPath(const std::optional<HistoryEntry>& entry) const {
    if (!entry) {
        return std::nullopt;
    }
    const QFileInfo image(history_.mainFilePath(*entry));
    return image.dir().filePath(image.completeBaseName() + QStringLiteral(".mebo"));
}

// ---- opening ----

std::unique_ptr<EditorVM> MainWindowVM::buildEditor(const QString& imagePath,
                                                    const std::optional<QString>& sidecar,
                                                    const std::optional<QString>& fallbackSaveTarget) const {
    if (sidecar && QFileInfo::exists(*sidecar)) {
        // Built off screen: a failed load leaves nothing half-applied anywhere visible.
        auto editor = std::make_unique<EditorVM>(QImage(), styles_);
        try {
            editor->loadSidecar(*sidecar);
            logInfo(kTag + QStringLiteral("從 .mebo 加載: ") + QFileInfo(*sidecar).fileName());
            return editor;
        } catch (...) {
            logWarning(kTag + QStringLiteral(".mebo 加載失敗 (") + currentErrorDescription() +
                       QStringLiteral("), fallback PNG"));
            unreadSidecars_.insert(absoluteClean(*sidecar));
        }
    }
    const ImageFile file = readImageFile(imagePath);
    if (file.image.isNull()) {
        logError(kTag + QStringLiteral("圖片讀取失敗: ") + imagePath + QStringLiteral(" (") + file.error +
                 QLatin1Char(')'));
        return nullptr;
    }
    auto editor = std::make_unique<EditorVM>(file.image, styles_);
    if (!file.png.isEmpty()) {
        editor->seedBasePng(file.png);
    }
    editor->setSaveTargetPath(fallbackSaveTarget);
    return editor;
}

void MainWindowVM::rememberStyles() {
    if (const EditorVM* editor = mode_.imageEditor()) {
        styles_ = editor->styles();
    }
}

bool MainWindowVM::install(std::unique_ptr<EditorVM> editor, std::optional<HistoryEntry> entry) {
    if (!editor) {
        return false;
    }
    mode_ = EditorMode::image(std::shared_ptr<EditorVM>(editor.release()));
    currentEntry_ = std::move(entry);
    Q_EMIT modeChanged();
    return true;
}

bool MainWindowVM::openWithoutAutosave(const HistoryEntry& entry) {
    if (entry.mediaType != QStringLiteral("image")) {
        logError(kTag + QStringLiteral("不是圖片項目, 無法在標註編輯器打開: ") + entry.filename);
        return false;
    }
    rememberStyles();
    return install(buildEditor(history_.mainFilePath(entry), sidecarPath(entry), entry.saveTargetPath),
                   entry);
}

bool MainWindowVM::openItem(const HistoryEntry& entry) {
    autosave();
    return openWithoutAutosave(entry);
}

bool MainWindowVM::openImageFile(const QString& path) {
    autosave();
    return openFileWithoutAutosave(path);
}

bool MainWindowVM::openFileWithoutAutosave(const QString& path) {
    rememberStyles();
    return install(buildEditor(absoluteClean(path), std::nullopt, std::nullopt), std::nullopt);
}

void MainWindowVM::switchToItem(const HistoryEntry& entry, std::function<void(bool)> done) {
    QPointer<MainWindowVM> self(this);
    switchAfterAutosave([self, entry] { return self && self->openWithoutAutosave(entry); }, std::move(done));
}

void MainWindowVM::switchToImageFile(const QString& path, std::function<void(bool)> done) {
    QPointer<MainWindowVM> self(this);
    switchAfterAutosave([self, path] { return self && self->openFileWithoutAutosave(path); },
                        std::move(done));
}

void MainWindowVM::switchAfterAutosave(std::function<bool()> open, std::function<void(bool)> done) {
    if (autosave()) {
        done(open());
        return;
    }
    QPointer<MainWindowVM> self(this);
    dialogs_.alert(QStringLiteral("Unsaved annotations"),
                   QStringLiteral("Switch to another item? Your current annotations will be discarded."),
                   {QStringLiteral("Discard"), QStringLiteral("Cancel")},
                   [self, open = std::move(open), done = std::move(done)](int button) {
                       if (!self || button != 0) {
                           done(false);
                           return;
                       }
                       done(open());
                   });
}

void MainWindowVM::setMode(EditorMode mode) {
    if (mode == mode_) {
        return;
    }
    if (mode_.isImage()) {
        autosave();
        rememberStyles();
    }
    mode_ = std::move(mode);
    if (!mode_.isImage()) {
        currentEntry_.reset();
    }
    Q_EMIT modeChanged();
}

// ---- writing ----

bool MainWindowVM::autosave() {
    EditorVM* editor = mode_.imageEditor();
    const std::optional<QString> target = sidecarPath(currentEntry_);
    if (!editor || !editor->hasUnsavedChanges()) {
        return true;
    }
    if (!target) {
        return false; // an image from outside the library: nowhere to keep its annotations
    }
    try {
        writeSidecar(*editor, *target);
    } catch (...) {
        logError(kTag + QStringLiteral("autosave 失敗: ") + currentErrorDescription());
        return false;
    }
    logInfo(kTag + QStringLiteral("autosave: ") + QFileInfo(*target).fileName());
    recordSidecar(currentEntry_->id, editor->saveTargetPath());
    return true;
}

bool MainWindowVM::save() {
    EditorVM* editor = mode_.imageEditor();
    const std::optional<QString> target = sidecarPath(currentEntry_);
    if (!editor || !target) {
        logWarning(kTag + QStringLiteral("save: 沒有打開的圖庫項目, 無 .mebo 可寫"));
        return false;
    }
    try {
        writeSidecar(*editor, *target);
    } catch (...) {
        const QString why = currentErrorDescription();
        logError(kTag + QStringLiteral("save 失敗: ") + why);
        dialogs_.alert(QStringLiteral("Could not save the annotations"), why, {kOk}, [](int) {});
        return false;
    }
    logInfo(kTag + QStringLiteral("save: ") + QFileInfo(*target).fileName());
    recordSidecar(currentEntry_->id, editor->saveTargetPath());
    return true;
}

void MainWindowVM::writeSidecar(EditorVM& editor, const QString& path) {
    const QString key = absoluteClean(path);
    if (unreadSidecars_.contains(key) && QFileInfo(key).isFile()) {
        const QString kept = key + QStringLiteral(".broken");
        QFile::remove(kept);
        if (!QFile::rename(key, kept)) {
            throw DocumentFileError(
                QStringLiteral("The existing project %1 could not be read and could not be kept aside.")
                    .arg(key));
        }
        logWarning(kTag + QStringLiteral("unreadable project kept as ") + QFileInfo(kept).fileName());
    }
    unreadSidecars_.remove(key);
    editor.writeSidecar(path);
}

void MainWindowVM::recordSidecar(const QString& entryId, const std::optional<QString>& saveTarget) {
    // The store's copy is the current one (tags or flags may have changed since it was opened).
    for (const HistoryEntry& stored : history_.entries()) {
        if (stored.id != entryId) {
            continue;
        }
        HistoryEntry updated = stored;
        updated.hasMeboSidecar = true;
        updated.saveTargetPath = saveTarget;
        if (updated != stored) {
            history_.updateEntry(updated);
        }
        if (currentEntry_ && currentEntry_->id == entryId) {
            currentEntry_ = updated;
        }
        return;
    }
}

void MainWindowVM::alertThen(const QString& title, const QString& text, const std::function<void(bool)>& done,
                             bool result) {
    dialogs_.alert(title, text, {kOk}, [done, result](int) {
        if (done) {
            done(result);
        }
    });
}

bool MainWindowVM::refuseInsideLibrary(const QString& destination, const std::function<void(bool)>& done) {
    if (!history_.isInsideSaveFolder(destination)) {
        return false;
    }
    logWarning(kTag + QStringLiteral("Save As 拒絕: 目標落在 managed mebo 目錄"));
    alertThen(QStringLiteral("Choose a different folder"),
              QStringLiteral("Save As must go to a folder outside the Mebo library. Pick a location like "
                             "Desktop or Documents."),
              done, false);
    return true;
}

void MainWindowVM::saveAs(const QString& destination, std::function<void(bool)> done) {
    EditorVM* editor = mode_.imageEditor();
    if (!editor) {
        logWarning(kTag + QStringLiteral("Save As: 沒有打開的圖片"));
        done(false);
        return;
    }
    const QString dest = absoluteClean(destination);
    if (refuseInsideLibrary(dest, done)) {
        return;
    }
    // The library sidecar records the new target first, so a failed write changes nothing.
    const std::optional<QString> previous = editor->saveTargetPath();
    editor->setSaveTargetPath(dest);
    if (const std::optional<QString> sidecar = sidecarPath(currentEntry_)) {
        try {
            writeSidecar(*editor, *sidecar);
        } catch (...) {
            editor->setSaveTargetPath(previous);
            logError(kTag + QStringLiteral("mebo-local sidecar 寫入失敗: ") + currentErrorDescription());
            alertThen(QStringLiteral("Could not save"), kWriteFailedText, done, false);
            return;
        }
        recordSidecar(currentEntry_->id, dest);
    }
    QString error;
    if (!PngWriter::writeFile(editor->flattened(), dest, &error)) {
        logError(kTag + QStringLiteral("Save As 導出失敗: ") + dest + QStringLiteral(" (") + error +
                 QLatin1Char(')'));
        alertThen(QStringLiteral("Could not export the image"),
                  QStringLiteral("The annotations were saved, but the image could not be written to %1: %2")
                      .arg(dest, error),
                  done, false);
        return;
    }
    logInfo(kTag + QStringLiteral("Save As (純導出) → ") + dest);
    done(true);
}

void MainWindowVM::saveAsItem(const HistoryEntry& entry, const QString& destination,
                              std::function<void(bool)> done) {
    if (currentEntry_ && currentEntry_->id == entry.id && mode_.isImage()) {
        saveAs(destination, std::move(done));
        return;
    }
    const QString dest = absoluteClean(destination);
    if (refuseInsideLibrary(dest, done)) {
        return;
    }
    if (entry.mediaType != QStringLiteral("image")) {
        logError(kTag + QStringLiteral("Save As: 不是圖片項目: ") + entry.filename);
        done(false);
        return;
    }
    const std::optional<QString> sidecar = sidecarPath(entry);
    std::unique_ptr<EditorVM> editor =
        buildEditor(history_.mainFilePath(entry), sidecar, entry.saveTargetPath);
    if (!editor) {
        alertThen(
            QStringLiteral("Could not open the image"),
            QStringLiteral("The image of this item could not be read: %1").arg(history_.mainFilePath(entry)),
            done, false);
        return;
    }
    editor->setSaveTargetPath(dest);
    try {
        writeSidecar(*editor, *sidecar);
    } catch (...) {
        logError(kTag + QStringLiteral("non-current image sidecar 寫入失敗: ") + currentErrorDescription());
        alertThen(QStringLiteral("Could not save"), kWriteFailedText, done, false);
        return;
    }
    recordSidecar(entry.id, dest);
    QString error;
    if (!PngWriter::writeFile(editor->flattened(), dest, &error)) {
        logError(kTag + QStringLiteral("Save As non-current image 導出失敗: ") + dest + QStringLiteral(" (") +
                 error + QLatin1Char(')'));
        alertThen(QStringLiteral("Could not export the image"),
                  QStringLiteral("The annotations were saved, but the image could not be written to %1: %2")
                      .arg(dest, error),
                  done, false);
        return;
    }
    logInfo(kTag + QStringLiteral("Save As non-current image → ") + dest);
    done(true);
}

} // namespace mebo
