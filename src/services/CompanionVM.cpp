#include "services/CompanionVM.h"

#include "app/AppLogger.h"
#include "platform/Clipboard.h"
#include "services/TasuInstaller.h"

#include <QPointer>

namespace mebo {

CompanionVM::CompanionVM(TasuInstaller& installer, platform::Clipboard& clipboard, QObject* parent)
    : QObject(parent), installer_(installer), clipboard_(clipboard) {
    connect(&installer_, &TasuInstaller::installingChanged, this, &CompanionVM::changed);
}

bool CompanionVM::isInstalled() const {
    return installer_.isTasuInstalled();
}

bool CompanionVM::isInstalling() const {
    return installer_.isInstalling();
}

void CompanionVM::install() {
    if (installer_.isInstalling()) {
        return;
    }
    errorText_.clear();
    QPointer<CompanionVM> self(this);
    installer_.install([self](const std::optional<TasuFailure>& failure) {
        if (!self) {
            return;
        }
        if (failure) {
            logError(QStringLiteral("[Settings] Tasu install failed: ") + failure->description);
            self->errorText_ = failure->description;
        }
        Q_EMIT self->changed();
    });
    Q_EMIT changed();
}

void CompanionVM::open() {
    QString error;
    if (!installer_.open(&error)) {
        errorText_ = error;
        logError(QStringLiteral("[Settings] Tasu open failed: ") + error);
    } else {
        errorText_.clear();
    }
    Q_EMIT changed();
}

bool CompanionVM::copyCommand(const QString& command) {
    return clipboard_.writeText(command);
}

QList<CompanionVM::CaptureCommand> CompanionVM::captureCommands() {
    const QList<QPair<QString, QString>> modes{
        {QStringLiteral("Capture Area / Window"), QStringLiteral("area")},
        {QStringLiteral("Capture Full Screen"), QStringLiteral("fullscreen")},
        {QStringLiteral("Capture Window"), QStringLiteral("window")},
        {QStringLiteral("Scrolling Capture"), QStringLiteral("scroll")},
        {QStringLiteral("Record Screen"), QStringLiteral("record")},
        {QStringLiteral("Record Area"), QStringLiteral("recordArea")},
    };
    QList<CaptureCommand> commands;
    for (const auto& [title, mode] : modes) {
        commands << CaptureCommand{title, mode,
                                   QStringLiteral("xdg-open 'mebo://capture?mode=%1'").arg(mode)};
    }
    return commands;
}

} // namespace mebo
