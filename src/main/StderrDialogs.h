#pragma once

#include "platform/Dialogs.h"

namespace mebo {

// Dialogs of a command-line run: an alert is printed to standard error and answered with its
// last button (the cancel choice); there is no folder to pick.
class StderrDialogs : public platform::Dialogs {
public:
    void alert(const QString& title, const QString& text, const QStringList& buttons,
               std::function<void(int)> done) override;
    void pickFolder(const QString& prompt, const QString& startDir,
                    std::function<void(std::optional<QString>)> done) override;
};

} // namespace mebo
