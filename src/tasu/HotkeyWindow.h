#pragma once

#include <QMap>
#include <QWidget>

class QCheckBox;
class QKeySequenceEdit;
class QLabel;

namespace tasu {

class TasuController;

// Tasu's window: one key field per capture mode with its state (bound, or why not), the login
// switch and the way keys are bound on this desktop. Closing it leaves Tasu running.
class HotkeyWindow : public QWidget {
    Q_OBJECT
public:
    explicit HotkeyWindow(TasuController& controller, QWidget* parent = nullptr);

    QKeySequenceEdit* keyField(const QString& modeId) const { return fields_.value(modeId); }
    QLabel* stateLabel(const QString& modeId) const { return states_.value(modeId); }

private:
    void refresh();

    TasuController& controller_;
    QMap<QString, QKeySequenceEdit*> fields_;
    QMap<QString, QLabel*> states_;
    QCheckBox* atLogin_ = nullptr;
    QLabel* backend_ = nullptr;
};

} // namespace tasu
