#include "HotkeyBindings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

namespace tasu {

const QList<HotkeyBindings::Mode>& HotkeyBindings::modes() {
    static const QList<Mode> all{
        {QStringLiteral("area"), QStringLiteral("Capture Area / Window")},
        {QStringLiteral("fullscreen"), QStringLiteral("Capture Full Screen")},
        {QStringLiteral("window"), QStringLiteral("Capture Window")},
        {QStringLiteral("scroll"), QStringLiteral("Scrolling Capture")},
        {QStringLiteral("record"), QStringLiteral("Record Screen")},
        {QStringLiteral("recordArea"), QStringLiteral("Record Area")},
    };
    return all;
}

QString HotkeyBindings::captureUrl(const QString& modeId) {
    return QStringLiteral("mebo://capture?mode=") + modeId;
}

HotkeyBindings HotkeyBindings::defaults() {
    HotkeyBindings b;
    b.setKey(QStringLiteral("area"), QKeySequence(QStringLiteral("Ctrl+Alt+A")));
    b.setKey(QStringLiteral("fullscreen"), QKeySequence(QStringLiteral("Ctrl+Alt+F")));
    b.setKey(QStringLiteral("window"), QKeySequence(QStringLiteral("Ctrl+Alt+W")));
    b.setKey(QStringLiteral("scroll"), QKeySequence(QStringLiteral("Ctrl+Alt+S")));
    b.setKey(QStringLiteral("record"), QKeySequence(QStringLiteral("Ctrl+Alt+R")));
    return b;
}

QString HotkeyBindings::defaultPath() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("tasu/bindings.json"));
}

HotkeyBindings HotkeyBindings::load(const QString& path, QString* error) {
    QFile f(path);
    if (!f.exists()) {
        return defaults();
    }
    HotkeyBindings b;
    if (!f.open(QIODevice::ReadOnly)) {
        if (error) {
            *error = QStringLiteral("%1 cannot be read: %2").arg(path, f.errorString());
        }
        return b;
    }
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        if (error) {
            *error = QStringLiteral("%1 is not a bindings file").arg(path);
        }
        return b;
    }
    for (const Mode& m : modes()) {
        const QString text = doc.object().value(m.id).toString();
        if (!text.isEmpty()) {
            b.setKey(m.id, QKeySequence::fromString(text, QKeySequence::PortableText));
        }
    }
    return b;
}

bool HotkeyBindings::save(const QString& path, QString* error) const {
    QJsonObject o;
    for (const Mode& m : modes()) {
        o.insert(m.id, key(m.id).toString(QKeySequence::PortableText));
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(QJsonDocument(o).toJson()) < 0 || !f.commit()) {
        if (error) {
            *error = QStringLiteral("%1 cannot be written: %2").arg(path, f.errorString());
        }
        return false;
    }
    return true;
}

QKeySequence HotkeyBindings::key(const QString& modeId) const {
    for (const auto& [mode, key] : keys_) {
        if (mode == modeId) {
            return key;
        }
    }
    return {};
}

void HotkeyBindings::setKey(const QString& modeId, const QKeySequence& key) {
    // One combination per mode: only the first of a sequence counts.
    const QKeySequence single = key.isEmpty() ? QKeySequence() : QKeySequence(key[0]);
    for (auto& entry : keys_) {
        if (entry.first == modeId) {
            entry.second = single;
            return;
        }
    }
    keys_.append({modeId, single});
}

QString HotkeyBindings::modeUsing(const QKeySequence& key, const QString& exceptMode) const {
    if (key.isEmpty()) {
        return {};
    }
    for (const auto& [mode, bound] : keys_) {
        if (mode != exceptMode && !bound.isEmpty() && bound[0] == key[0]) {
            return mode;
        }
    }
    return {};
}

} // namespace tasu
