#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace mebo {

class UpdateVM;

// The About tab's update part: the status line, the download's progress, the buttons that apply
// (download, skip, open the download page, relaunch) and why automatic install is off here. It
// also enables the tab's "Check for Updates..." button. Main thread.
class UpdatePanel : public QWidget {
    Q_OBJECT
public:
    UpdatePanel(UpdateVM& vm, QPushButton* checkButton, QWidget* parent = nullptr);

    QLabel* statusLabel() const { return status_; }
    QProgressBar* progressBar() const { return progress_; }
    QPushButton* downloadButton() const { return download_; }
    QPushButton* skipButton() const { return skip_; }
    QPushButton* downloadPageButton() const { return page_; }
    QPushButton* relaunchButton() const { return relaunch_; }
    QLabel* noticeLabel() const { return notice_; }
    QLabel* notesLabel() const { return notes_; }
    QPushButton* notesButton() const { return notesLink_; }

private:
    void refresh();

    UpdateVM& vm_;
    QPushButton* check_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* download_ = nullptr;
    QPushButton* skip_ = nullptr;
    QPushButton* page_ = nullptr;
    QPushButton* relaunch_ = nullptr;
    QLabel* notice_ = nullptr;
    QLabel* notes_ = nullptr;
    QPushButton* notesLink_ = nullptr;
};

// General's "Updates" section: whether Mebo checks for updates on its own.
class UpdatesSection : public QWidget {
    Q_OBJECT
public:
    explicit UpdatesSection(UpdateVM& vm, QWidget* parent = nullptr);
    QCheckBox* autoCheckBox() const { return autoCheck_; }

private:
    UpdateVM& vm_;
    QCheckBox* autoCheck_ = nullptr;
};

} // namespace mebo
