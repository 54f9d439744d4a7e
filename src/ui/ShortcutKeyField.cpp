#include "ui/ShortcutKeyField.h"

#include <QFontMetrics>
#include <QTimer>

namespace mebo {

ShortcutKeyField::ShortcutKeyField(QWidget* parent) : QLineEdit(parent) {
    setAlignment(Qt::AlignCenter);
    QFont f = font();
    f.setBold(true);
    setFont(f);
    // Wide enough for one capital and the frame, whatever the font.
    setFixedWidth(QFontMetrics(f).horizontalAdvance(QStringLiteral("WW")) + 24);
}

void ShortcutKeyField::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // After the click that gave the focus has placed the cursor.
    QTimer::singleShot(0, this, &QLineEdit::selectAll);
}

void ShortcutKeyField::mouseReleaseEvent(QMouseEvent* event) {
    QLineEdit::mouseReleaseEvent(event);
    if (!hasSelectedText()) {
        selectAll();
    }
}

} // namespace mebo
