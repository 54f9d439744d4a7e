#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace mebo::platform {

// Modal questions to the user. The desktop shell implements them with dialogs; the command line
// with standard error. Completions run on the main thread, exactly once.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Answers the index of the chosen button (-1 when dismissed).
    virtual void alert(const QString& title, const QString& text, const QStringList& buttons,
                       std::function<void(int)> done) = 0;
    // A folder chooser: directories only, one at a time, creating folders allowed; the
    // accept button says "Choose". Answers the chosen folder or nothing.
    virtual void pickFolder(const QString& prompt, const QString& startDir,
                            std::function<void(std::optional<QString>)> done) = 0;
};

} // namespace mebo::platform
