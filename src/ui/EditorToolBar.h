#pragma once

#include "capture/CaptureMode.h"
#include "document/ToolKind.h"
#include "editor/EditorVM.h"
#include "ui/ToolIcons.h"

#include <QHash>
#include <QPointer>
#include <QToolBar>
#include <functional>

class QActionGroup;
class QToolButton;

namespace mebo {

class Cfg;
class EditorVM;

// The main window's toolbar: new captures, the editor's tools (one checkable button per tool that
// makes a layer, plus selection and crop), undo and redo, text recognition, zoom and the switch
// to the library. Buttons act through the callbacks; tool buttons set the editor's current tool.
// Main thread only.
class EditorToolBar : public QToolBar {
    Q_OBJECT
public:
    struct Callbacks {
        std::function<void(CaptureMode)> capture;
        std::function<void()> undo;
        std::function<void()> redo;
        std::function<void()> recognizeText;   // "OCR Text Recognition"
        std::function<void()> recognizeRegion; // "Select Region..."
        std::function<void()> zoomIn;
        std::function<void()> zoomOut;
        std::function<void()> zoomToFit;
        std::function<void()> actualSize;
        std::function<void(bool)> showLibrary;
        std::function<void()> openImage;
    };

    EditorToolBar(Cfg& cfg, Callbacks callbacks, QWidget* parent = nullptr);

    // The tools in toolbar order; separators fall between the groups.
    static QList<QList<ToolKind>> toolGroups();

    // The editor whose tool the buttons show and set (null: the editing buttons are disabled).
    void setEditor(EditorVM* editor);
    void setZoomText(const QString& text);
    void setLibraryShown(bool shown);
    QAction* toolAction(ToolKind tool) const { return tools_.value(tool); }
    QAction* action(ToolIcons::Action action) const { return actions_.value(action); }

protected:
    void changeEvent(QEvent* event) override;

private:
    QAction* addButton(ToolIcons::Action icon, const QString& text, const QString& tip,
                       std::function<void()> run);
    void refreshIcons();
    void refreshTooltips();
    void refreshState();

    Cfg& cfg_;
    Callbacks callbacks_;
    QPointer<EditorVM> editor_;
    QActionGroup* toolGroup_ = nullptr;
    QHash<ToolKind, QAction*> tools_;
    QHash<ToolIcons::Action, QAction*> actions_;
    QToolButton* zoomButton_ = nullptr;
    bool refreshing_ = false;
};

} // namespace mebo
