#include "main/StderrDialogs.h"

#include "app/MainThread.h"
#include "main/CliSupport.h"

namespace mebo {

void StderrDialogs::alert(const QString& title, const QString& text, const QStringList& buttons,
                          std::function<void(int)> done) {
    cli::printErr(title + QStringLiteral(": ") +
                  QString(text).replace(QLatin1String("\n\n"), QLatin1String(" ")));
    const int answer = buttons.isEmpty() ? -1 : int(buttons.size()) - 1;
    runOnMain([done = std::move(done), answer] { done(answer); });
}

void StderrDialogs::pickFolder(const QString&, const QString&,
                               std::function<void(std::optional<QString>)> done) {
    runOnMain([done = std::move(done)] { done(std::nullopt); });
}

} // namespace mebo
