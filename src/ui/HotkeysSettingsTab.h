#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace mebo {

class CompanionVM;

// The hotkeys section: the companion Tasu (install it, or open it to bind keys) and, for binding
// keys in another tool, the command of each capture with a Copy button. Main thread.
class HotkeysSettingsTab : public QWidget {
    Q_OBJECT
public:
    explicit HotkeysSettingsTab(CompanionVM& vm, QWidget* parent = nullptr);

    QLabel* stateLabel() const { return state_; }
    QPushButton* actionButton() const { return action_; }
    QLabel* errorLabel() const { return error_; }

private:
    void refresh();

    CompanionVM& vm_;
    QLabel* state_ = nullptr;
    QPushButton* action_ = nullptr;
    QLabel* error_ = nullptr;
};

} // namespace mebo
