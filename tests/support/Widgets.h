#pragma once

#include "support/TestUtil.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QStringList>
#include <QWidget>

namespace mebo::test {

// The first visible top-level window of type T that `match` accepts, waited for; nullptr when
// none comes.
template <class T> T* shownWindow(const std::function<bool(T*)>& match = nullptr) {
    T* found = nullptr;
    waitUntil([&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* t = qobject_cast<T*>(w); t && t->isVisible() && (!match || match(t))) {
                found = t;
                return true;
            }
        }
        return false;
    });
    return found;
}

// A menu's item texts, "---" for a separator.
inline QStringList menuTexts(const QMenu& menu) {
    QStringList out;
    for (QAction* a : menu.actions()) {
        out << (a->isSeparator() ? QStringLiteral("---") : a->text());
    }
    return out;
}

inline QAction* menuAction(const QMenu& menu, const QString& text) {
    for (QAction* a : menu.actions()) {
        if (a->text() == text) {
            return a;
        }
    }
    return nullptr;
}

} // namespace mebo::test
