#pragma once

#include <QLineEdit>

namespace mebo {

// A one-key field: it keeps its text selected whenever it has the focus, so the next key typed
// replaces the current one instead of being appended after it.
class ShortcutKeyField : public QLineEdit {
    Q_OBJECT
public:
    explicit ShortcutKeyField(QWidget* parent = nullptr);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace mebo
