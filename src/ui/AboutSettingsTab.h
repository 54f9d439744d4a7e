#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace mebo {

// The application's name, version and build, and the update check button.
class AboutSettingsTab : public QWidget {
    Q_OBJECT
public:
    explicit AboutSettingsTab(QWidget* parent = nullptr);

    QLabel* versionLabel() const { return version_; }
    QPushButton* checkForUpdatesButton() const { return checkForUpdates_; }
    // The update status and its buttons, under "Check for Updates...".
    void addUpdatePanel(QWidget* panel);

Q_SIGNALS:
    void checkForUpdatesRequested();

private:
    QLabel* version_ = nullptr;
    QPushButton* checkForUpdates_ = nullptr;
    QVBoxLayout* layout_ = nullptr;
};

} // namespace mebo
