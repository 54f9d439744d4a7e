#include "TasuController.h"

#include "HotkeyBackend.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <cstdio>

namespace tasu {

namespace {

void log(const QString& line) {
    std::fprintf(stderr, "[Tasu] %s\n", line.toUtf8().constData());
    std::fflush(stderr);
}

} // namespace

TasuController::TasuController(HotkeyBackend& backend, QString bindingsPath,
                               std::function<bool(const QString&)> open, QObject* parent)
    : QObject(parent), backend_(backend), path_(std::move(bindingsPath)), open_(std::move(open)) {
    connect(&backend_, &HotkeyBackend::activated, this, &TasuController::onActivated);
}

void TasuController::start() {
    QString error;
    bindings_ = HotkeyBindings::load(path_, &error);
    if (!error.isEmpty()) {
        log(error);
    }
    rebind();
}

void TasuController::rebind() {
    QMap<QString, QKeySequence> keys;
    for (const HotkeyBindings::Mode& m : HotkeyBindings::modes()) {
        keys.insert(m.id, bindings_.key(m.id));
    }
    problems_ = backend_.bind(keys);
    for (const HotkeyBindings::Mode& m : HotkeyBindings::modes()) {
        const QKeySequence key = bindings_.key(m.id);
        if (key.isEmpty()) {
            continue;
        }
        const QString text = key.toString(QKeySequence::PortableText);
        if (problems_.contains(m.id)) {
            log(QStringLiteral("%1 is not bound to %2: %3").arg(m.id, text, problems_.value(m.id)));
        } else {
            log(QStringLiteral("bound %1 to %2 (%3)").arg(m.id, text, backend_.name()));
        }
    }
    Q_EMIT changed();
}

QString TasuController::setKey(const QString& modeId, const QKeySequence& key) {
    const QString other = bindings_.modeUsing(key, modeId);
    if (!other.isEmpty()) {
        for (const HotkeyBindings::Mode& m : HotkeyBindings::modes()) {
            if (m.id == other) {
                return QStringLiteral("already used by %1").arg(m.title);
            }
        }
    }
    bindings_.setKey(modeId, key);
    QString error;
    if (!bindings_.save(path_, &error)) {
        log(error);
    }
    rebind();
    return {};
}

void TasuController::onActivated(const QString& modeId) {
    const QString url = HotkeyBindings::captureUrl(modeId);
    log(QStringLiteral("%1 → %2").arg(bindings_.key(modeId).toString(QKeySequence::PortableText), url));
    if (!open_(url)) {
        log(QStringLiteral("cannot open %1: no handler for mebo:// URLs (is Mebo installed?)").arg(url));
    }
}

QString TasuController::autostartPath() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("autostart/tasu.desktop"));
}

bool TasuController::startsAtLogin() {
    return QFile::exists(autostartPath());
}

bool TasuController::setStartsAtLogin(bool on, const QString& program) {
    if (!on) {
        return !QFile::exists(autostartPath()) || QFile::remove(autostartPath());
    }
    QDir().mkpath(QFileInfo(autostartPath()).absolutePath());
    QSaveFile f(autostartPath());
    if (!f.open(QIODevice::WriteOnly)) {
        return false;
    }
    QString exec = program;
    exec.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'), QStringLiteral("\\\""));
    f.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=Tasu\nComment=Global hotkeys for Mebo\n"
                           "Exec=\"%1\" --background\nX-GNOME-Autostart-enabled=true\n")
                .arg(exec)
                .toUtf8());
    return f.commit();
}

} // namespace tasu
