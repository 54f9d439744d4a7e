#include "ui/MainMenu.h"

#include <QAction>
#include <QHash>
#include <QMenu>
#include <QMenuBar>
#include <QObject>
#include <memory>

namespace mebo {

namespace {

QKeySequence ctrl(const char* keys) {
    return QKeySequence(QString::fromLatin1(keys));
}

// Application-menu items carry these pseudo-selectors so the builder can wire them.
const QString kAbout = QStringLiteral("@about");
const QString kUpdates = QStringLiteral("@updates");
const QString kLogs = QStringLiteral("@logs");
const QString kSettings = QStringLiteral("@settings");
const QString kQuit = QStringLiteral("@quit");

} // namespace

QList<MainMenu::Item> MainMenu::items(const QString& version) {
    Q_UNUSED(version);
    const QString app = QStringLiteral("Mebo");
    const QString file = QObject::tr("File");
    const QString edit = QObject::tr("Edit");
    const QString arrange = QObject::tr("Arrange");
    const QString view = QObject::tr("View");
    auto sep = [](const QString& menu) { return Item{menu, {}, {}, {}}; };
    return {
        {app, QObject::tr("About Mebo"), kAbout, {}},
        {app, QObject::tr("Check for Updates..."), kUpdates, {}},
        {app, QObject::tr("Logs"), kLogs, {}},
        {app, QObject::tr("Settings..."), kSettings, {ctrl("Ctrl+,")}},
        sep(app),
        {app, QObject::tr("Quit Mebo"), kQuit, {ctrl("Ctrl+Q")}},

        {file, QObject::tr("Scrolling Capture"), QStringLiteral("captureScroll:"), {}},
        sep(file),
        {file, QObject::tr("Open Image..."), QStringLiteral("openImage:"), {ctrl("Ctrl+O")}},
        {file, QObject::tr("Open Video..."), QStringLiteral("openVideo:"), {}},
        {file, QObject::tr("Open Project..."), QStringLiteral("openProject:"), {}},
        sep(file),
        {file, QObject::tr("Save"), QStringLiteral("saveDocument:"), {ctrl("Ctrl+S")}},
        {file, QObject::tr("Save As..."), QStringLiteral("saveDocumentAs:"), {ctrl("Ctrl+Shift+S")}},
        {file, QObject::tr("Print..."), QStringLiteral("print:"), {ctrl("Ctrl+P")}},
        {file, QObject::tr("Pin to Screen"), QStringLiteral("pinToScreen:"), {ctrl("Ctrl+Shift+P")}},
        sep(file),
        {file, QObject::tr("Export GIF..."), QStringLiteral("exportGIF:"), {}},
        {file, QObject::tr("Trim Video..."), QStringLiteral("trimVideo:"), {}},

        {edit, QObject::tr("Copy"), QStringLiteral("copy:"), {ctrl("Ctrl+C")}},
        {edit, QObject::tr("Paste"), QStringLiteral("paste:"), {ctrl("Ctrl+V")}},
        {edit, QObject::tr("Undo"), QStringLiteral("undo:"), {ctrl("Ctrl+Z")}},
        {edit, QObject::tr("Redo"), QStringLiteral("redo:"), {ctrl("Ctrl+Shift+Z"), ctrl("Ctrl+Y")}},
        sep(edit),
        {edit, QObject::tr("Trim Borders"), QStringLiteral("trimBorders:"), {}},
        {edit, QObject::tr("Duplicate"), QStringLiteral("duplicateSelection:"), {ctrl("Ctrl+D")}},
        {edit, QObject::tr("Delete"), QStringLiteral("deleteSelection:"), {QKeySequence(Qt::Key_Delete)}},
        sep(edit),
        {edit, QObject::tr("Select All"), QStringLiteral("selectAllLayersMenu:"), {ctrl("Ctrl+A")}},
        {edit, QObject::tr("Select Similar"), QStringLiteral("selectSimilarMenu:"), {ctrl("Ctrl+Alt+A")}},
        {edit, QObject::tr("Deselect"), QStringLiteral("deselectAllMenu:"), {ctrl("Ctrl+Shift+A")}},
        {edit,
         QObject::tr("Invert Selection"),
         QStringLiteral("invertLayerSelection:"),
         {ctrl("Ctrl+Shift+I")}},
        sep(edit),
        {edit, QObject::tr("Lock Layer"), QStringLiteral("lockSelection:"), {ctrl("Ctrl+L")}},
        {edit, QObject::tr("Unlock All Layers"), QStringLiteral("unlockAllLayers:"), {ctrl("Ctrl+Shift+L")}},
        sep(edit),
        {edit, QObject::tr("OCR Text Recognition"), QStringLiteral("recognizeText:"), {ctrl("Ctrl+Shift+O")}},
        {edit,
         QObject::tr("OCR Select Region..."),
         QStringLiteral("recognizeTextInRegion:"),
         {ctrl("Ctrl+Shift+R")}},
        {edit, QObject::tr("Smart Redact..."), QStringLiteral("smartRedact:"), {ctrl("Ctrl+Shift+D")}},

        {arrange, QObject::tr("Bring Forward"), QStringLiteral("bringLayerForward:"), {ctrl("Ctrl+]")}},
        {arrange,
         QObject::tr("Bring to Front"),
         QStringLiteral("bringLayerToFront:"),
         {ctrl("Ctrl+Shift+]")}},
        {arrange, QObject::tr("Send Backward"), QStringLiteral("sendLayerBackward:"), {ctrl("Ctrl+[")}},
        {arrange, QObject::tr("Send to Back"), QStringLiteral("sendLayerToBack:"), {ctrl("Ctrl+Shift+[")}},
        sep(arrange),
        {arrange, QObject::tr("Align Left"), QStringLiteral("alignSelectionLeft:"), {}},
        {arrange, QObject::tr("Align Horizontal Center"), QStringLiteral("alignSelectionHCenter:"), {}},
        {arrange, QObject::tr("Align Right"), QStringLiteral("alignSelectionRight:"), {}},
        {arrange, QObject::tr("Align Top"), QStringLiteral("alignSelectionTop:"), {}},
        {arrange, QObject::tr("Align Vertical Center"), QStringLiteral("alignSelectionVCenter:"), {}},
        {arrange, QObject::tr("Align Bottom"), QStringLiteral("alignSelectionBottom:"), {}},
        sep(arrange),
        {arrange,
         QObject::tr("Distribute Horizontally"),
         QStringLiteral("distributeSelectionHorizontal:"),
         {}},
        {arrange, QObject::tr("Distribute Vertically"), QStringLiteral("distributeSelectionVertical:"), {}},

        // Ctrl+= is the alternate of Zoom In: on most layouts "+" needs Shift.
        {view, QObject::tr("Zoom In"), QStringLiteral("zoomIn:"), {ctrl("Ctrl++"), ctrl("Ctrl+=")}},
        {view, QObject::tr("Zoom Out"), QStringLiteral("zoomOut:"), {ctrl("Ctrl+-")}},
        {view, QObject::tr("Zoom to Fit"), QStringLiteral("zoomToFit:"), {ctrl("Ctrl+0")}},
        {view, QObject::tr("Actual Size"), QStringLiteral("actualSize:"), {ctrl("Ctrl+1")}},
        sep(view),
        {view, QObject::tr("Show Library"), QStringLiteral("showLibrary:"), {ctrl("Ctrl+Shift+H")}},
        {view, QObject::tr("Newer Capture"), QStringLiteral("openNewerItem:"), {ctrl("Alt+Up")}},
        {view, QObject::tr("Older Capture"), QStringLiteral("openOlderItem:"), {ctrl("Alt+Down")}},
    };
}

std::optional<Feature> MainMenu::featureOf(const QString& selector) {
    static const QHash<QString, Feature> features{
        {QStringLiteral("openVideo:"), Feature::videoEditing},
        {QStringLiteral("openProject:"), Feature::videoEditing},
        {QStringLiteral("exportGIF:"), Feature::videoEditing},
        {QStringLiteral("trimVideo:"), Feature::videoEditing},
        {kUpdates, Feature::updateCheck},
    };
    const auto it = features.constFind(selector);
    return it == features.constEnd() ? std::nullopt : std::optional<Feature>(*it);
}

void MainMenu::build(QMenuBar& bar, const QString& version, Handler handler) {
    auto shared = std::make_shared<Handler>(std::move(handler));
    QHash<QString, QMenu*> menus;
    for (const Item& item : items(version)) {
        QMenu*& menu = menus[item.menu];
        if (!menu) {
            menu = bar.addMenu(item.menu);
            menu->setToolTipsVisible(true);
            auto built = [](const QAction* a) {
                const std::optional<Feature> f = featureOf(a->data().toString());
                return !f || BuildFeatures::has(*f);
            };
            QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, shared, built] {
                for (QAction* a : menu->actions()) {
                    const QString selector = a->data().toString();
                    if (!built(a)) {
                        a->setEnabled(false);
                    } else if (!selector.isEmpty() && !selector.startsWith(QLatin1Char('@'))) {
                        a->setEnabled(shared->isEnabled && shared->isEnabled(selector));
                    }
                }
            });
            // Disabled actions ignore their keys; the handler checks again when a key fires.
            QObject::connect(menu, &QMenu::aboutToHide, menu, [menu, built] {
                for (QAction* a : menu->actions()) {
                    a->setEnabled(built(a));
                }
            });
        }
        if (item.title.isEmpty()) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(item.title);
        action->setData(item.selector);
        action->setShortcuts(item.keys);
        if (const std::optional<Feature> f = featureOf(item.selector); f && !BuildFeatures::has(*f)) {
            action->setEnabled(false);
            action->setToolTip(BuildFeatures::unavailableText(*f));
        }
        const QString selector = item.selector;
        QObject::connect(action, &QAction::triggered, menu, [shared, selector] {
            if (selector == kAbout) {
                shared->openSettings(SettingsTab::about);
            } else if (selector == kUpdates) {
                shared->openSettings(SettingsTab::about);
                shared->checkForUpdates();
            } else if (selector == kLogs) {
                shared->openSettings(SettingsTab::logs);
            } else if (selector == kSettings) {
                shared->openSettings(SettingsTab::general);
            } else if (selector == kQuit) {
                shared->quit();
            } else if (shared->perform) {
                shared->perform(selector);
            }
        });
    }
}

} // namespace mebo
