#include "ui/TextInputFocus.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace mebo {

QWidget* TextInputFocus::inputOf(QWidget* w) {
    if (!w) {
        return nullptr;
    }
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        return combo->isEditable() ? combo->lineEdit() : nullptr;
    }
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(w)) {
        return spin->findChild<QLineEdit*>();
    }
    if (qobject_cast<QLineEdit*>(w) || qobject_cast<QTextEdit*>(w) || qobject_cast<QPlainTextEdit*>(w)) {
        return w;
    }
    return nullptr;
}

} // namespace mebo
