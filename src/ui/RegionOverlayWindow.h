#pragma once

#include <QWidget>
#include <functional>

namespace mebo {

class RegionSelectionView;

// The borderless top-level window covering one display for the region overlay. It stays above
// everything, bypasses the window manager (so it is placed exactly on the display and never
// decorated or tiled), and catches the keys the overlay uses before anything else sees them.
// Main thread.
class RegionOverlayWindow : public QWidget {
    Q_OBJECT
public:
    // Takes ownership of `view`, which fills the window. `geometry` is in Qt's logical pixels.
    RegionOverlayWindow(RegionSelectionView* view, const QRect& geometry);
    ~RegionOverlayWindow() override;

    RegionSelectionView* view() const { return view_; }
    // Takes the keyboard (until released or closed) so Escape and Return arrive here.
    void takeKeyboard();
    void releaseKeyboardGrab();
    bool hasKeyboardGrab() const { return grabbing_; }

    // Answers whether the key was used; unused keys continue to the normal handling.
    std::function<bool(int key, Qt::KeyboardModifiers modifiers)> onKey;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    RegionSelectionView* view_;
    bool grabbing_ = false;
};

} // namespace mebo
