#pragma once

#include <QPointer>
#include <QWidget>

class QPushButton;

namespace mebo {

class EditorVM;

// The selection tool's layer commands: the four z-order moves, lock and unlock all. Each button
// is enabled only when its command would change something.
class ArrangementButtons : public QWidget {
    Q_OBJECT
public:
    explicit ArrangementButtons(QWidget* parent = nullptr);

    // nullptr: nothing open, every button disabled.
    void setEditor(EditorVM* editor);
    void refresh();

    QPushButton* bringForwardButton() const { return forward_; }
    QPushButton* sendBackwardButton() const { return backward_; }
    QPushButton* bringToFrontButton() const { return front_; }
    QPushButton* sendToBackButton() const { return back_; }
    QPushButton* lockButton() const { return lock_; }
    QPushButton* unlockAllButton() const { return unlockAll_; }

private:
    QPointer<EditorVM> editor_;
    QPushButton* forward_;
    QPushButton* backward_;
    QPushButton* front_;
    QPushButton* back_;
    QPushButton* lock_;
    QPushButton* unlockAll_;
};

} // namespace mebo
