#include "ui/EditorToolBar.h"

#include "app/Cfg.h"
#include "editor/EditorVM.h"

#include <QActionGroup>
#include <QEvent>
#include <QMenu>
#include <QToolButton>

namespace mebo {

EditorToolBar::EditorToolBar(Cfg& cfg, Callbacks callbacks, QWidget* parent)
    : QToolBar(tr("Tools"), parent), cfg_(cfg), callbacks_(std::move(callbacks)) {
    setObjectName(QStringLiteral("EditorToolBar"));
    setMovable(false);
    setFloatable(false);
    setIconSize(QSize(20, 20));
    setToolButtonStyle(Qt::ToolButtonIconOnly);

    // Print and Shift+Print capture while the window has the focus (as desktops bind them).
    addButton(ToolIcons::Action::captureArea, tr("Capture Area / Window"),
              tr("Capture Area / Window (Shift+Print)"), [this] { callbacks_.capture(CaptureMode::area); })
        ->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Print));
    addButton(ToolIcons::Action::captureFullScreen, tr("Capture Full Screen"),
              tr("Capture Full Screen (Print)"), [this] { callbacks_.capture(CaptureMode::fullscreen); })
        ->setShortcut(QKeySequence(Qt::Key_Print));
    addButton(ToolIcons::Action::openFile, tr("Open Image..."),
              tr("Open an image file in the editor (Ctrl+O)"), [this] { callbacks_.openImage(); });
    addSeparator();

    toolGroup_ = new QActionGroup(this);
    toolGroup_->setExclusive(true);
    const auto groups = toolGroups();
    for (const auto& group : groups) {
        for (ToolKind tool : group) {
            QAction* a = addAction(toolKindDisplayName(tool));
            a->setCheckable(true);
            a->setObjectName(QStringLiteral("tool.") + toolKindRawValue(tool));
            toolGroup_->addAction(a);
            tools_.insert(tool, a);
            connect(a, &QAction::triggered, this, [this, tool] {
                if (editor_ && !refreshing_) {
                    editor_->setCurrentTool(tool);
                }
            });
        }
        addSeparator();
    }

    addButton(ToolIcons::Action::undo, tr("Undo"), tr("Undo (Ctrl+Z)"), [this] { callbacks_.undo(); });
    addButton(ToolIcons::Action::redo, tr("Redo"), tr("Redo (Ctrl+Shift+Z)"), [this] { callbacks_.redo(); });
    addSeparator();
    addButton(ToolIcons::Action::ocr, tr("OCR Text Recognition"),
              tr("Recognise the text of the capture (Ctrl+Shift+O)"), [this] { callbacks_.recognizeText(); });
    addButton(ToolIcons::Action::ocrRegion, tr("Select Region..."),
              tr("Recognise the text of a dragged region (Ctrl+Shift+R)"),
              [this] { callbacks_.recognizeRegion(); });

    auto* spacer = new QWidget(this);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    addWidget(spacer);

    addButton(ToolIcons::Action::zoomOut, tr("Zoom Out"), tr("Zoom Out (Ctrl+-)"),
              [this] { callbacks_.zoomOut(); });
    zoomButton_ = new QToolButton(this);
    zoomButton_->setObjectName(QStringLiteral("zoomLevel"));
    zoomButton_->setToolTip(tr("Zoom"));
    zoomButton_->setPopupMode(QToolButton::InstantPopup);
    zoomButton_->setMinimumWidth(58);
    auto* zoomMenu = new QMenu(zoomButton_);
    zoomMenu->addAction(tr("Zoom to Fit"), this, [this] { callbacks_.zoomToFit(); });
    zoomMenu->addAction(tr("Actual Size"), this, [this] { callbacks_.actualSize(); });
    zoomButton_->setMenu(zoomMenu);
    addWidget(zoomButton_);
    addButton(ToolIcons::Action::zoomIn, tr("Zoom In"), tr("Zoom In (Ctrl++)"),
              [this] { callbacks_.zoomIn(); });
    addButton(ToolIcons::Action::zoomFit, tr("Zoom to Fit"), tr("Zoom to Fit (Ctrl+0)"),
              [this] { callbacks_.zoomToFit(); });
    addSeparator();
    QAction* library =
        addButton(ToolIcons::Action::library, tr("Library"), tr("Show every capture (Ctrl+Shift+H)"), {});
    library->setCheckable(true);
    connect(library, &QAction::toggled, this, [this](bool on) {
        if (!refreshing_) {
            callbacks_.showLibrary(on);
        }
    });

    connect(&cfg_, &Cfg::changed, this, [this](const QString& key) {
        if (key.contains(QLatin1String("shortcut"), Qt::CaseInsensitive)) {
            refreshTooltips();
        }
    });
    refreshIcons();
    refreshTooltips();
    refreshState();
}

QList<QList<ToolKind>> EditorToolBar::toolGroups() {
    return {
        {ToolKind::selection, ToolKind::crop},
        {ToolKind::arrow, ToolKind::line, ToolKind::rect, ToolKind::ellipse, ToolKind::polygon, ToolKind::pen,
         ToolKind::highlighter},
        {ToolKind::text, ToolKind::callout, ToolKind::step, ToolKind::stamp},
        {ToolKind::mosaic, ToolKind::blur, ToolKind::spotlight, ToolKind::magnify, ToolKind::simplify},
        {ToolKind::fill, ToolKind::eraser, ToolKind::cutout},
    };
}

QAction* EditorToolBar::addButton(ToolIcons::Action icon, const QString& text, const QString& tip,
                                  std::function<void()> run) {
    QAction* a = addAction(text);
    a->setToolTip(tip.isEmpty() ? text : tip);
    a->setObjectName(QStringLiteral("action.") + text);
    if (run) {
        connect(a, &QAction::triggered, this, std::move(run));
    }
    actions_.insert(icon, a);
    return a;
}

void EditorToolBar::setEditor(EditorVM* editor) {
    if (editor_) {
        disconnect(editor_, nullptr, this, nullptr);
    }
    editor_ = editor;
    if (editor_) {
        connect(editor_, &EditorVM::currentToolChanged, this, &EditorToolBar::refreshState);
        connect(editor_, &EditorVM::historyChanged, this, &EditorToolBar::refreshState);
        connect(editor_, &EditorVM::layersChanged, this, &EditorToolBar::refreshState);
    }
    refreshState();
}

void EditorToolBar::setZoomText(const QString& text) {
    zoomButton_->setText(text);
}

void EditorToolBar::setLibraryShown(bool shown) {
    refreshing_ = true;
    actions_.value(ToolIcons::Action::library)->setChecked(shown);
    refreshing_ = false;
    refreshState();
}

void EditorToolBar::refreshState() {
    const bool editing = editor_ && !actions_.value(ToolIcons::Action::library)->isChecked();
    refreshing_ = true;
    for (auto it = tools_.cbegin(); it != tools_.cend(); ++it) {
        it.value()->setEnabled(editing);
        it.value()->setChecked(editor_ && editor_->currentTool() == it.key());
    }
    refreshing_ = false;
    actions_.value(ToolIcons::Action::undo)->setEnabled(editing && editor_->canUndo());
    actions_.value(ToolIcons::Action::redo)->setEnabled(editing && editor_->canRedo());
    for (auto a : {ToolIcons::Action::ocr, ToolIcons::Action::ocrRegion, ToolIcons::Action::zoomIn,
                   ToolIcons::Action::zoomOut, ToolIcons::Action::zoomFit}) {
        actions_.value(a)->setEnabled(editing);
    }
    zoomButton_->setEnabled(editing);
}

void EditorToolBar::refreshIcons() {
    const QColor ink = palette().color(QPalette::ButtonText);
    for (auto it = tools_.cbegin(); it != tools_.cend(); ++it) {
        it.value()->setIcon(ToolIcons::tool(it.key(), ink));
    }
    for (auto it = actions_.cbegin(); it != actions_.cend(); ++it) {
        it.value()->setIcon(ToolIcons::action(it.key(), ink));
    }
}

void EditorToolBar::refreshTooltips() {
    for (auto it = tools_.cbegin(); it != tools_.cend(); ++it) {
        const QString name = toolKindDisplayName(it.key());
        const auto key = cfg_.shortcutKey(it.key());
        it.value()->setToolTip(key && !key->isEmpty() ? QStringLiteral("%1 (%2)").arg(name, key->toUpper())
                                                      : name);
    }
}

void EditorToolBar::changeEvent(QEvent* event) {
    QToolBar::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        refreshIcons();
    }
}

} // namespace mebo
