#include "app/EditorMenuCommand.h"

#include "editor/EditorVM.h"
#include "editor/LayerArrangement.h"

#include <functional>
#include <utility>
#include <vector>

namespace mebo {

namespace {

// When a command applies: always, with layers, with a selection, with two or three selected.
enum class Needs { history, layers, selection, two, three, borders };

struct Command {
    const char* selector;
    Needs needs;
    std::function<void(EditorVM&)> run;
};

const std::vector<Command>& commands() {
    static const std::vector<Command> list{
        {"undo:", Needs::history, [](EditorVM& e) { e.undo(); }},
        {"redo:", Needs::history, [](EditorVM& e) { e.redo(); }},
        {"trimBorders:", Needs::borders, [](EditorVM& e) { e.trimBorders(); }},
        {"duplicateSelection:", Needs::selection, [](EditorVM& e) { e.duplicateSelection(); }},
        {"deleteSelection:", Needs::selection, [](EditorVM& e) { e.deleteSelection(); }},
        {"selectAllLayersMenu:", Needs::layers, [](EditorVM& e) { e.selectAll(); }},
        {"selectSimilarMenu:", Needs::selection, [](EditorVM& e) { e.selectSimilar(); }},
        {"deselectAllMenu:", Needs::selection, [](EditorVM& e) { e.deselectAll(); }},
        {"invertLayerSelection:", Needs::layers, [](EditorVM& e) { e.invertSelection(); }},
        {"lockSelection:", Needs::selection, [](EditorVM& e) { e.lockSelection(); }},
        {"unlockAllLayers:", Needs::layers, [](EditorVM& e) { e.unlockAllLayers(); }},
        {"bringLayerForward:", Needs::selection, [](EditorVM& e) { e.bringForward(); }},
        {"bringLayerToFront:", Needs::selection, [](EditorVM& e) { e.bringToFront(); }},
        {"sendLayerBackward:", Needs::selection, [](EditorVM& e) { e.sendBackward(); }},
        {"sendLayerToBack:", Needs::selection, [](EditorVM& e) { e.sendToBack(); }},
        {"alignSelectionLeft:", Needs::two, [](EditorVM& e) { e.align(LayerAlignment::left); }},
        {"alignSelectionHCenter:", Needs::two,
         [](EditorVM& e) { e.align(LayerAlignment::horizontalCenter); }},
        {"alignSelectionRight:", Needs::two, [](EditorVM& e) { e.align(LayerAlignment::right); }},
        {"alignSelectionTop:", Needs::two, [](EditorVM& e) { e.align(LayerAlignment::top); }},
        {"alignSelectionVCenter:", Needs::two, [](EditorVM& e) { e.align(LayerAlignment::verticalCenter); }},
        {"alignSelectionBottom:", Needs::two, [](EditorVM& e) { e.align(LayerAlignment::bottom); }},
        {"distributeSelectionHorizontal:", Needs::three, [](EditorVM& e) { e.distribute(Qt::Horizontal); }},
        {"distributeSelectionVertical:", Needs::three, [](EditorVM& e) { e.distribute(Qt::Vertical); }},
    };
    return list;
}

const Command* find(const QString& selector) {
    for (const Command& c : commands()) {
        if (selector == QLatin1String(c.selector)) {
            return &c;
        }
    }
    return nullptr;
}

} // namespace

QStringList EditorMenuCommand::selectors() {
    QStringList out;
    for (const Command& c : commands()) {
        out << QString::fromLatin1(c.selector);
    }
    return out;
}

bool EditorMenuCommand::perform(EditorVM& editor, const QString& selector) {
    const Command* c = find(selector);
    if (!c) {
        return false;
    }
    c->run(editor);
    return true;
}

bool EditorMenuCommand::isEnabled(const EditorVM& editor, const QString& selector) {
    const Command* c = find(selector);
    if (!c || editor.isTextEditing()) {
        return false;
    }
    switch (c->needs) {
    case Needs::history:
        return selector == QLatin1String("undo:") ? editor.canUndo() : editor.canRedo();
    case Needs::layers:
        return !editor.layers().isEmpty();
    case Needs::selection:
        return !editor.selectedLayers().isEmpty();
    case Needs::two:
        return editor.selectedLayers().size() >= 2;
    case Needs::three:
        return editor.selectedLayers().size() >= 3;
    case Needs::borders:
        return editor.canTrimBorders();
    }
    return false;
}

} // namespace mebo
