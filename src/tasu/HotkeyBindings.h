#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

namespace tasu {

// Which key starts which Mebo capture: one optional key combination per capture mode, kept in
// ~/.config/tasu/bindings.json ({"area": "Ctrl+Alt+A", ...}; an empty text unbinds a mode).
class HotkeyBindings {
public:
    struct Mode {
        QString id;    // "area": the mode of mebo://capture?mode=area
        QString title; // "Capture Area / Window"
    };
    static const QList<Mode>& modes();
    // The URL a mode's key opens.
    static QString captureUrl(const QString& modeId);

    // The factory keys: Ctrl+Alt+A area, F fullscreen, W window, S scroll, R record.
    static HotkeyBindings defaults();
    // `path`'s bindings; a missing file gives the factory keys, a damaged one nothing bound
    // (with the reason in `error`).
    static HotkeyBindings load(const QString& path, QString* error = nullptr);
    // Written atomically; false with the reason.
    bool save(const QString& path, QString* error = nullptr) const;
    static QString defaultPath();

    QKeySequence key(const QString& modeId) const;
    void setKey(const QString& modeId, const QKeySequence& key);
    // The mode already bound to `key`, other than `exceptMode`; empty when none.
    QString modeUsing(const QKeySequence& key, const QString& exceptMode = {}) const;

private:
    QList<QPair<QString, QKeySequence>> keys_;
};

} // namespace tasu
