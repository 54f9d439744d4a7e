#include "ui/ToolPropertyPanel.h"

#include "document/ArrowLayer.h"
#include "document/CustomStampMgr.h"
#include "document/CutOutLayer.h"
#include "editor/EditorVM.h"
#include "ui/ArrangementButtons.h"
#include "ui/RecentStylesRow.h"
#include "ui/StampPicker.h"
#include "ui/StylePage.h"
#include "ui/ToolPages.h"

#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace mebo {

namespace {

// The arrow's own values in place of the arrow tool's settings. Unset layer values show the
// tool's setting; they are written back only when the user changes them.
void showArrow(ToolStyles& s, const ArrowLayer& a) {
    s.strokeColor = a.color;
    s.strokeWidth = a.strokeWidth;
    s.arrow.headStyle = a.headStyle;
    s.arrow.lineStyle = a.lineStyle;
    s.arrow.headSize = a.headSize;
    s.arrow.startSize = a.startSize;
    s.arrow.endSize = a.endSize;
    s.arrow.headOutline = a.headOutline;
    s.arrow.headOutlineWidth = a.headOutlineWidth.value_or(s.arrow.headOutlineWidth);
    s.arrow.headColor = a.headColor;
    s.arrow.headOutlineColor = a.headOutlineColor.value_or(s.arrow.headOutlineColor);
    s.arrow.headOutlineStyle = a.headOutlineStyle.value_or(s.arrow.headOutlineStyle);
    s.arrow.lineCap = a.lineCap;
    s.arrow.shadow = a.shadow;
    s.arrow.opacity = a.opacity;
}

// Copies into the layer exactly the fields that differ between the two settings. Answers
// whether anything changed.
bool applyArrowEdit(ArrowLayer& a, const ToolStyles& before, const ToolStyles& after) {
    bool changed = false;
    auto take = [&changed](auto& target, const auto& from, const auto& to) {
        if (!(from == to)) {
            target = to;
            changed = true;
        }
    };
    const ArrowToolStyle& b = before.arrow;
    const ArrowToolStyle& n = after.arrow;
    take(a.color, before.strokeColor, after.strokeColor);
    take(a.strokeWidth, before.strokeWidth, after.strokeWidth);
    take(a.headStyle, b.headStyle, n.headStyle);
    take(a.lineStyle, b.lineStyle, n.lineStyle);
    take(a.headSize, b.headSize, n.headSize);
    take(a.startSize, b.startSize, n.startSize);
    take(a.endSize, b.endSize, n.endSize);
    take(a.headOutline, b.headOutline, n.headOutline);
    take(a.headColor, b.headColor, n.headColor);
    take(a.lineCap, b.lineCap, n.lineCap);
    take(a.shadow, b.shadow, n.shadow);
    take(a.opacity, b.opacity, n.opacity);
    take(a.headOutlineWidth, b.headOutlineWidth, n.headOutlineWidth);
    take(a.headOutlineColor, b.headOutlineColor, n.headOutlineColor);
    take(a.headOutlineStyle, b.headOutlineStyle, n.headOutlineStyle);
    return changed;
}

void showCutOut(ToolStyles& s, const CutOutLayer& c) {
    s.cutout.orientation = c.orientation();
    s.cutout.edgeStyle = c.edgeStyle();
    s.cutout.density = c.density();
    s.cutout.depth = c.depth();
}

QLabel* sectionLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

ToolPropertyPanel::ToolPropertyPanel(CustomStampMgr& stamps, QWidget* parent)
    : QWidget(parent), stamps_(stamps) {
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(12, 12, 12, 12);
    column->setSpacing(12);

    title_ = new QLabel(content);
    QFont titleFont = title_->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.15);
    title_->setFont(titleFont);
    column->addWidget(title_);

    recentSection_ = new QWidget(content);
    auto* recentColumn = new QVBoxLayout(recentSection_);
    recentColumn->setContentsMargins(0, 0, 0, 0);
    recentColumn->setSpacing(4);
    recentColumn->addWidget(new QLabel(QStringLiteral("Recent"), recentSection_));
    recent_ = new RecentStylesRow(recentSection_);
    recentColumn->addWidget(recent_);
    column->addWidget(recentSection_);
    connect(recent_, &RecentStylesRow::applyRequested, this, [this](const ToolStyleSnapshot& style) {
        if (editor_) {
            editor_->applyRecentStyle(shownTool(), style);
        }
    });

    pages_ = new QVBoxLayout;
    pages_->setContentsMargins(0, 0, 0, 0);
    column->addLayout(pages_);

    busy_ = new QLabel(QStringLiteral("Filling..."), content);
    busy_->setForegroundRole(QPalette::PlaceholderText);
    busy_->hide();
    column->addWidget(busy_);

    arrangeSection_ = new QWidget(content);
    auto* arrangeColumn = new QVBoxLayout(arrangeSection_);
    arrangeColumn->setContentsMargins(0, 6, 0, 0);
    arrangeColumn->setSpacing(6);
    arrangeColumn->addWidget(sectionLabel(QStringLiteral("Arrange"), arrangeSection_));
    arrangement_ = new ArrangementButtons(arrangeSection_);
    arrangeColumn->addWidget(arrangement_);
    column->addWidget(arrangeSection_);

    empty_ = new QLabel(QStringLiteral("Open a capture to edit it."), content);
    empty_->setWordWrap(true);
    empty_->setForegroundRole(QPalette::PlaceholderText);
    column->addWidget(empty_);
    column->addStretch(1);

    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setBackgroundRole(QPalette::Window);
    scroll_->setWidget(content);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll_);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);

    updateShown();
}

ToolPropertyPanel::~ToolPropertyPanel() {
    for (const QMetaObject::Connection& c : connections_) {
        disconnect(c);
    }
}

QSize ToolPropertyPanel::sizeHint() const {
    return {260, 480};
}

bool ToolPropertyPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && !w->hasFocus()) {
            QCoreApplication::sendEvent(scroll_->verticalScrollBar(), event);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ToolPropertyPanel::setEditor(EditorVM* editor) {
    for (const QMetaObject::Connection& c : connections_) {
        disconnect(c);
    }
    connections_.clear();
    editor_ = editor;
    arrangement_->setEditor(editor);
    if (editor) {
        connections_ = {
            connect(editor, &EditorVM::currentToolChanged, this, [this] { updateShown(); }),
            connect(editor, &EditorVM::styleChanged, this,
                    [this] {
                        if (!writing_) {
                            refreshCurrent();
                        }
                    }),
            connect(editor, &EditorVM::recentStylesChanged, this,
                    [this](ToolKind tool) {
                        if (tool == shownTool()) {
                            refreshRecent();
                        }
                    }),
            connect(editor, &EditorVM::selectionChanged, this,
                    [this] {
                        arrangement_->refresh();
                        if (!writing_) {
                            updateShown();
                        }
                    }),
            connect(editor, &EditorVM::layersChanged, this,
                    [this] {
                        arrangement_->refresh();
                        if (!writing_ && (selectedArrow() || selectedCutOut())) {
                            refreshCurrent();
                        }
                    }),
            connect(editor, &EditorVM::regionBusyChanged, this, [this] { refreshBusy(); }),
            connect(editor, &QObject::destroyed, this, [this] { setEditor(nullptr); }),
        };
    }
    updateShown();
}

ToolKind ToolPropertyPanel::shownTool() const {
    if (!editor_) {
        return ToolKind::selection;
    }
    const ToolKind tool = editor_->currentTool();
    if (tool == ToolKind::selection) {
        if (selectedArrow()) {
            return ToolKind::arrow;
        }
        if (selectedCutOut()) {
            return ToolKind::cutout;
        }
    }
    return tool;
}

std::shared_ptr<ArrowLayer> ToolPropertyPanel::selectedArrow() const {
    if (!editor_ ||
        (editor_->currentTool() != ToolKind::arrow && editor_->currentTool() != ToolKind::selection)) {
        return nullptr;
    }
    return std::dynamic_pointer_cast<ArrowLayer>(editor_->selectedLayer());
}

std::shared_ptr<CutOutLayer> ToolPropertyPanel::selectedCutOut() const {
    if (!editor_ ||
        (editor_->currentTool() != ToolKind::cutout && editor_->currentTool() != ToolKind::selection)) {
        return nullptr;
    }
    return std::dynamic_pointer_cast<CutOutLayer>(editor_->selectedLayer());
}

ToolStyles ToolPropertyPanel::shownStyles(ToolKind tool) const {
    ToolStyles s = editor_ ? editor_->styles() : ToolStyles{};
    if (tool == ToolKind::arrow) {
        if (const auto arrow = selectedArrow()) {
            showArrow(s, *arrow);
        }
    } else if (tool == ToolKind::cutout) {
        if (const auto cut = selectedCutOut()) {
            showCutOut(s, *cut);
        }
    }
    return s;
}

void ToolPropertyPanel::write(ToolKind tool, const std::function<void(ToolStyles&)>& change, bool finished) {
    if (!editor_) {
        return;
    }
    const ToolStyles before = shownStyles(tool);
    ToolStyles after = before;
    change(after);
    ToolStyles next = editor_->styles();
    change(next);

    const auto arrow = tool == ToolKind::arrow ? selectedArrow() : nullptr;
    const auto cut = tool == ToolKind::cutout ? selectedCutOut() : nullptr;
    writing_ = true;
    editor_->setStyles(next);
    if (arrow) {
        auto edited = std::make_shared<ArrowLayer>(*arrow);
        if (applyArrowEdit(*edited, before, after)) {
            editor_->updateSelectedArrow(edited);
        }
        if (finished) {
            editor_->commitArrowPropertyEdit();
        }
    }
    if (cut && finished) {
        // One undo step per finished edit; a slider drag reaches the layer on release.
        editor_->updateSelectedCutOut(after.cutout.edgeStyle, after.cutout.density, after.cutout.depth);
    }
    writing_ = false;
    if (finished) {
        updateShown();
    }
}

StylePage* ToolPropertyPanel::page(ToolKind tool) {
    if (StylePage* existing = built_.value(tool)) {
        return existing;
    }
    StylePage* created = buildPage(tool);
    built_.insert(tool, created);
    return created;
}

StylePage* ToolPropertyPanel::buildPage(ToolKind tool) {
    auto* page = new StylePage(
        tool, [this, tool] { return shownStyles(tool); },
        [this, tool](const StylePage::Change& change, bool finished) { write(tool, change, finished); });
    if (tool == ToolKind::stamp) {
        stampPicker_ = new StampPicker(stamps_, page);
        page->section(QStringLiteral("Symbols"));
        page->addRow({}, stampPicker_, [picker = stampPicker_](const ToolStyles& s) {
            picker->setCurrent(s.stamp.symbol, s.stamp.customImagePath);
        });
        connect(stampPicker_, &StampPicker::symbolChosen, page, [page](const QString& symbol) {
            page->write(
                [symbol](ToolStyles& s) {
                    s.stamp.symbol = symbol;
                    s.stamp.customImagePath.reset();
                },
                true);
        });
        connect(stampPicker_, &StampPicker::customChosen, page, [page](const QString& path) {
            page->write([path](ToolStyles& s) { s.stamp.customImagePath = path; }, true);
        });
    }
    if (!toolpages::build(*page)) {
        page->hint(tool == ToolKind::selection
                       ? QStringLiteral("Click a layer to select it, drag to move it. Arrow keys nudge the "
                                        "selection; Shift moves it 10 pixels.")
                       : QStringLiteral("This tool has no settings."));
    }
    if (tool == ToolKind::mosaic || tool == ToolKind::blur) {
        auto* redact = new QPushButton(QStringLiteral("Smart Redact"), page);
        redact->setToolTip(
            QStringLiteral("Find and cover e-mail addresses, phone numbers, card numbers and names"));
        page->section(QStringLiteral("Smart Redact"));
        page->hint(QStringLiteral("Covers personal data found in the capture with this cover style."));
        page->addRow({}, redact);
        connect(redact, &QPushButton::clicked, this, &ToolPropertyPanel::smartRedactRequested);
    }
    if (tool == ToolKind::simplify) {
        auto* automatic = new QPushButton(QStringLiteral("Simplify Auto"), page);
        automatic->setToolTip(QStringLiteral("Find the text, controls, icons and images to cover"));
        page->section(QStringLiteral("Simplify Auto"));
        page->hint(QStringLiteral("Reduces the capture to its layout: proposes a plain shape over each "
                                  "busy part, to review before applying."));
        page->addRow({}, automatic);
        connect(automatic, &QPushButton::clicked, this, &ToolPropertyPanel::simplifyAutoRequested);
    }
    page->finish();
    for (QWidget* w : page->findChildren<QWidget*>()) {
        if (qobject_cast<QAbstractSlider*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
            qobject_cast<QComboBox*>(w)) {
            w->setFocusPolicy(Qt::StrongFocus);
            w->installEventFilter(this);
        }
    }
    page->hide();
    pages_->addWidget(page);
    return page;
}

void ToolPropertyPanel::updateShown() {
    const bool open = editor_ != nullptr;
    empty_->setVisible(!open);
    StylePage* next = open ? page(shownTool()) : nullptr;
    if (next != current_) {
        if (current_) {
            current_->hide();
        }
        current_ = next;
        if (current_) {
            current_->show();
        }
    }
    title_->setText(open ? toolKindDisplayName(shownTool()) : QStringLiteral("Properties"));
    arrangeSection_->setVisible(open && editor_->currentTool() == ToolKind::selection);
    arrangement_->refresh();
    refreshCurrent();
    refreshRecent();
    refreshBusy();
}

void ToolPropertyPanel::refreshCurrent() {
    if (current_) {
        current_->refresh();
    }
}

void ToolPropertyPanel::refreshRecent() {
    const ToolKind tool = shownTool();
    const QList<ToolStyleSnapshot> styles =
        editor_ ? editor_->recentStyles(tool) : QList<ToolStyleSnapshot>{};
    recent_->setStyles(tool, styles);
    recentSection_->setVisible(!styles.isEmpty());
}

void ToolPropertyPanel::refreshBusy() {
    busy_->setVisible(editor_ && shownTool() == ToolKind::fill && editor_->regionBusy());
}

} // namespace mebo
