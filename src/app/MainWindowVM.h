#pragma once

#include "app/EditorMode.h"
#include "editor/ToolStyles.h"
#include "library/HistoryEntry.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace mebo {

class Cfg;
class EditorVM;
class HistoryStore;
namespace platform {
class Dialogs;
}

// The main window's model: which capture is open and how its project sidecar (".mebo" beside the
// library image) is read, autosaved, saved and exported. Main thread only; the collaborators must
// outlive it.
//
// The sidecar remembered for autosave is the one of the library item being edited; an image
// opened from outside the library has none. Every editor built here starts with the style
// settings of the editor before it.
class MainWindowVM : public QObject {
    Q_OBJECT
public:
    MainWindowVM(Cfg& cfg, HistoryStore& history, platform::Dialogs& dialogs, QObject* parent = nullptr);
    ~MainWindowVM() override;

    const EditorMode& mode() const { return mode_; }
    // The annotation editor when an image is open, else null.
    EditorVM* editor() const { return mode_.imageEditor(); }
    // The library item being edited (image mode only).
    const std::optional<HistoryEntry>& currentEntry() const { return currentEntry_; }

    // Beside the entry's image file, its extension replaced by ".mebo"; nothing without an entry.
    std::optional<QString> sidecarPath(const std::optional<HistoryEntry>& entry) const;

    // Autosaves the open editor, then opens the library item: from its sidecar when there is one
    // (falling back to the flat image with no layers when it cannot be loaded), else from the
    // image. When the image cannot be read the error is logged and the mode is left as it was.
    bool openItem(const HistoryEntry& entry);
    // An image that is not in the library: no entry, no sidecar, no autosave target.
    bool openImageFile(const QString& path);
    // Like openItem, but when the autosave fails the user decides whether to discard the open
    // annotations ("Discard": switch) or to stay ("Cancel"). `done` answers whether the item is
    // now open; it runs once, possibly after the question.
    void switchToItem(const HistoryEntry& entry, std::function<void(bool switched)> done);
    // The same for an image file from outside the library (opened, dropped).
    void switchToImageFile(const QString& path, std::function<void(bool switched)> done);
    // Leaves image mode (autosaving first when an editor is open).
    void setMode(EditorMode mode);

    // Writes the open item's sidecar when the editor has unsaved changes and records it in the
    // history entry. False when changes could not be kept: the write failed (logged), or the image
    // is not in the library and has no sidecar to write.
    bool autosave();
    // The explicit save: writes the open item's sidecar and records it in the history entry. A
    // failure is shown to the user. False when nothing was written.
    bool save();

    // Save As for the open capture: records the destination as the editor's save target in the
    // library sidecar, then exports the flattened image to `destination`. Destinations inside the
    // library are refused. `done` answers success once the user has seen any alert.
    void saveAs(const QString& destination, std::function<void(bool)> done);
    // The same for a library item, open or not; one that is not open is read into a temporary
    // editor from its sidecar or image.
    void saveAsItem(const HistoryEntry& entry, const QString& destination, std::function<void(bool)> done);

Q_SIGNALS:
    void modeChanged();

private:
    // A new editor over the item's sidecar or image (logging which); null when the image is unreadable.
    std::unique_ptr<EditorVM> buildEditor(const QString& imagePath, const std::optional<QString>& sidecar,
                                          const std::optional<QString>& fallbackSaveTarget) const;
    // The open editor's styles become the next editor's (taken before a new one is built).
    void rememberStyles();
    bool install(std::unique_ptr<EditorVM> editor, std::optional<HistoryEntry> entry);
    bool openWithoutAutosave(const HistoryEntry& entry);
    bool openFileWithoutAutosave(const QString& path);
    // Autosaves, or asks whether to discard the annotations when that fails; then `open`.
    void switchAfterAutosave(std::function<bool()> open, std::function<void(bool)> done);
    // Writes the editor's project to `path` (throws as EditorVM::writeSidecar). A project that was
    // there but could not be read when the item was opened is first kept aside as
    // "<name>.mebo.broken", never replaced by a list that did not come from it.
    void writeSidecar(EditorVM& editor, const QString& path);
    // After a successful sidecar write: hasMeboSidecar and the save target in the history entry.
    void recordSidecar(const QString& entryId, const std::optional<QString>& saveTarget);
    // Refuses (log and alert) a destination inside the library; true when refused.
    bool refuseInsideLibrary(const QString& destination, const std::function<void(bool)>& done);
    // Shows an alert with one "OK" button, then answers `result`.
    void alertThen(const QString& title, const QString& text, const std::function<void(bool)>& done,
                   bool result);

    Cfg& cfg_;
    HistoryStore& history_;
    platform::Dialogs& dialogs_;

    EditorMode mode_;
    std::optional<HistoryEntry> currentEntry_;
    ToolStyles styles_;                    // of the last editor, for the next one
    mutable QSet<QString> unreadSidecars_; // projects that existed but could not be read when opened
};

} // namespace mebo
