#pragma once

#include "capture/MainWindowLink.h"

namespace mebo {

// The main window of a command-line run: there is none to hide or show; a new capture is only
// remembered so the command can report it.
class HeadlessMainWindow : public MainWindowLink {
public:
    bool isMainWindowVisible() const override { return false; }
    QRect mainWindowFrame() const override { return {}; }
    void hideMainWindow() override {}
    void showMainWindow() override {}
    void setMainWindowFrame(const QRect&) override {}
    bool captureInProgress() const override { return inProgress_; }
    void setCaptureInProgress(bool inProgress) override { inProgress_ = inProgress; }
    std::optional<QRect> rememberedFrame() const override { return remembered_; }
    void setRememberedFrame(std::optional<QRect> frame) override { remembered_ = frame; }
    void openNewCapture(const QString&, const QString&, const CaptureResult&) override {
        inProgress_ = false;
        remembered_.reset();
    }

private:
    bool inProgress_ = false;
    std::optional<QRect> remembered_;
};

} // namespace mebo
