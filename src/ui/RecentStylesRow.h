#pragma once

#include "document/ToolKind.h"
#include "editor/ToolStyleSnapshot.h"

#include <QList>
#include <QWidget>

class QHBoxLayout;
class QToolButton;

namespace mebo {

// The "Recent" presets of a tool: one small button per remembered style, painted with its colour
// and width; a click asks to apply it.
class RecentStylesRow : public QWidget {
    Q_OBJECT
public:
    explicit RecentStylesRow(QWidget* parent = nullptr);

    void setStyles(ToolKind tool, const QList<ToolStyleSnapshot>& styles);
    const QList<QToolButton*>& buttons() const { return buttons_; }

    // The preview of a preset as the button shows it.
    static QPixmap preview(ToolKind tool, const ToolStyleSnapshot& style, const QSize& size,
                           const QPalette& palette, double devicePixelRatio);

Q_SIGNALS:
    void applyRequested(const mebo::ToolStyleSnapshot& style);

protected:
    void changeEvent(QEvent* event) override;

private:
    void rebuild();

    ToolKind tool_ = ToolKind::arrow;
    QList<ToolStyleSnapshot> styles_;
    QHBoxLayout* row_;
    QList<QToolButton*> buttons_;
};

} // namespace mebo
