#pragma once

#include "capture/SourcePickerVM.h"

#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>

class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace mebo {

class RecordingPanel;
class RecordingPanelVM;

// "Record Screen...": the displays and windows with live thumbnails, "Custom Region..." and the
// recording options with Start. Answers once per opening through `onFinished` (nothing: cancelled).
class SourcePickerWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int liveRefreshMs = 1500;

    SourcePickerWindow(SourcePickerVM& picker, RecordingPanelVM& panel, QWidget* parent = nullptr);

    // Lists the sources and shows the window; `done` gets the answer.
    void open(std::function<void(std::optional<SourcePickerChoice>)> done);
    // Starts with the selected source (the panel's Start).
    void accept();
    // Closes without a source (the panel's Cancel, Escape, the close button).
    void reject();
    bool isOpen() const { return static_cast<bool>(done_); }

    QListWidget* displayList() const { return displays_; }
    QListWidget* windowList() const { return windows_; }
    QPushButton* customRegionButton() const { return custom_; }
    RecordingPanel* panel() const { return panel_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void rebuild();
    void updateThumbnail(SourcePickerChoice::Kind kind, int index);
    void syncSelection();
    void finish(std::optional<SourcePickerChoice> choice);

    SourcePickerVM& picker_;
    RecordingPanelVM& panelVM_;
    QListWidget* displays_ = nullptr;
    QListWidget* windows_ = nullptr;
    QPushButton* custom_ = nullptr;
    RecordingPanel* panel_ = nullptr;
    QTimer live_;
    bool thumbnailsShown_ = false;
    std::function<void(std::optional<SourcePickerChoice>)> done_;
};

} // namespace mebo
