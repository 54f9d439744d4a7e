#pragma once

#include "platform/Dialogs.h"

#include <QPointer>
#include <QWidget>

namespace mebo {

// Alerts and the folder chooser as window-modal dialogs that never block the event loop: each
// completion runs once from the dialog's finished signal. Main thread only.
class WidgetDialogs : public platform::Dialogs {
public:
    // `parentFor` answers the window dialogs attach to (may be null: an application-modal dialog).
    explicit WidgetDialogs(std::function<QWidget*()> parentFor = {}) : parentFor_(std::move(parentFor)) {}

    void alert(const QString& title, const QString& text, const QStringList& buttons,
               std::function<void(int)> done) override;
    void pickFolder(const QString& prompt, const QString& startDir,
                    std::function<void(std::optional<QString>)> done) override;

private:
    QWidget* parent() const;
    std::function<QWidget*()> parentFor_;
};

} // namespace mebo
