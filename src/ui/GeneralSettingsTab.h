#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace mebo {

class SettingsVM;

// Save folder, copy to clipboard, history limit, appearance and launch at login.
class GeneralSettingsTab : public QWidget {
    Q_OBJECT
public:
    explicit GeneralSettingsTab(SettingsVM& vm, QWidget* parent = nullptr);

    QLineEdit* saveFolderField() const { return saveFolder_; }
    QPushButton* changeFolderButton() const { return changeFolder_; }
    QCheckBox* copyToClipboardBox() const { return copyToClipboard_; }
    QSpinBox* historyLimitBox() const { return historyLimit_; }
    QComboBox* appearanceBox() const { return appearance_; }
    QCheckBox* launchAtLoginBox() const { return launchAtLogin_; }
    QCheckBox* openEditorBox() const { return openEditor_; }
    QCheckBox* notifyBox() const { return notify_; }
    QComboBox* delayBox() const { return delay_; }
    QLineEdit* templateField() const { return template_; }
    QLabel* templatePreview() const { return templatePreview_; }
    QSpinBox* qualityBox() const { return quality_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refreshSaveFolder();
    void refreshCopyToClipboard();
    void refreshHistoryLimit();
    void refreshAppearance();
    void refreshLaunchAtLogin();
    void refreshCaptureChoices();
    void previewTemplate();

    SettingsVM& vm_;
    QLineEdit* saveFolder_ = nullptr;
    QPushButton* changeFolder_ = nullptr;
    QCheckBox* copyToClipboard_ = nullptr;
    QSpinBox* historyLimit_ = nullptr;
    QComboBox* appearance_ = nullptr;
    QCheckBox* launchAtLogin_ = nullptr;
    QCheckBox* openEditor_ = nullptr;
    QCheckBox* notify_ = nullptr;
    QComboBox* delay_ = nullptr;
    QLineEdit* template_ = nullptr;
    QLabel* templatePreview_ = nullptr;
    QSpinBox* quality_ = nullptr;
};

} // namespace mebo
