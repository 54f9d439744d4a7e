#pragma once

#include "capture/MainWindowLink.h"
#include "main/HeadlessMainWindow.h"

namespace mebo {

// The coordinator's view of the main window before the window exists (and after it is gone):
// forwards to the window once it is set, else behaves like a session without one.
class MainWindowSlot : public MainWindowLink {
public:
    void setTarget(MainWindowLink* target) { target_ = target; }

    bool isMainWindowVisible() const override { return link().isMainWindowVisible(); }
    QRect mainWindowFrame() const override { return link().mainWindowFrame(); }
    void hideMainWindow() override { link().hideMainWindow(); }
    void showMainWindow() override { link().showMainWindow(); }
    void setMainWindowFrame(const QRect& frame) override { link().setMainWindowFrame(frame); }
    bool captureInProgress() const override { return link().captureInProgress(); }
    void setCaptureInProgress(bool inProgress) override { link().setCaptureInProgress(inProgress); }
    std::optional<QRect> rememberedFrame() const override { return link().rememberedFrame(); }
    void setRememberedFrame(std::optional<QRect> frame) override { link().setRememberedFrame(frame); }
    void openNewCapture(const QString& path, const QString& itemId, const CaptureResult& result) override {
        link().openNewCapture(path, itemId, result);
    }

private:
    MainWindowLink& link() const { return target_ ? *target_ : const_cast<HeadlessMainWindow&>(headless_); }

    MainWindowLink* target_ = nullptr;
    HeadlessMainWindow headless_;
};

} // namespace mebo
