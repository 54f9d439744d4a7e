#pragma once

#include "document/ToolKind.h"
#include "editor/ToolStyles.h"

#include <QHash>
#include <QList>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace mebo {

class ArrangementButtons;
class ArrowLayer;
class CustomStampMgr;
class CutOutLayer;
class EditorVM;
class RecentStylesRow;
class StampPicker;
class StylePage;

// The panel beside the canvas with the settings of the editor's current tool: the tool's recent
// styles, one page of controls per tool, and for the selection tool the layer arrangement.
// Every control writes through EditorVM::setStyles (the current settings with one field
// changed). While an arrow (or a cut-out) is selected, its panel shows that layer's values and an
// edit also goes to the layer, one undo step per edit. Main thread only.
class ToolPropertyPanel : public QWidget {
    Q_OBJECT
public:
    explicit ToolPropertyPanel(CustomStampMgr& stamps, QWidget* parent = nullptr);
    ~ToolPropertyPanel() override;

    // nullptr: nothing open. Rebinds the editor's signals.
    void setEditor(EditorVM* editor);
    EditorVM* editor() const { return editor_.data(); }
    // The tool whose settings are shown: the current tool, or arrow / cutout while the selection
    // tool has one of those selected. Selection when nothing is open.
    ToolKind shownTool() const;

    // The page of a tool (built on first use), for the views that embed or inspect it.
    StylePage* page(ToolKind tool);
    StylePage* currentPage() const { return current_; }
    RecentStylesRow* recentRow() const { return recent_; }
    ArrangementButtons* arrangement() const { return arrangement_; }
    StampPicker* stampPicker() const { return stampPicker_; }

    QSize sizeHint() const override;

protected:
    // A wheel turn over an unfocused slider, number box or menu scrolls the panel instead of
    // changing the setting under the pointer.
    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    // The mosaic (or blur) panel's "Smart Redact" button.
    void smartRedactRequested();
    // The simplify panel's "Simplify Auto" button.
    void simplifyAutoRequested();

private:
    void updateShown();
    void refreshCurrent();
    void refreshRecent();
    void refreshBusy();
    StylePage* buildPage(ToolKind tool);
    // The settings a page shows: the editor's, with the selected arrow's or cut-out's own values.
    ToolStyles shownStyles(ToolKind tool) const;
    void write(ToolKind tool, const std::function<void(ToolStyles&)>& change, bool finished);
    std::shared_ptr<ArrowLayer> selectedArrow() const;
    std::shared_ptr<CutOutLayer> selectedCutOut() const;

    CustomStampMgr& stamps_;
    QPointer<EditorVM> editor_;
    QList<QMetaObject::Connection> connections_;
    bool writing_ = false; // our own edit is reaching the editor: its signals change nothing here

    QScrollArea* scroll_;
    QVBoxLayout* pages_;
    QLabel* title_;
    QWidget* recentSection_;
    RecentStylesRow* recent_;
    QLabel* busy_;
    QWidget* arrangeSection_;
    ArrangementButtons* arrangement_;
    QLabel* empty_;
    StampPicker* stampPicker_ = nullptr;
    QHash<ToolKind, StylePage*> built_;
    StylePage* current_ = nullptr;
};

} // namespace mebo
