#include "document/StampPalette.h"

#include "app/InstallLayout.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace mebo {

namespace {

StampCategory category(const char* name, std::initializer_list<std::pair<const char*, const char*>> items) {
    StampCategory c{QString::fromLatin1(name), {}};
    for (const auto& [symbol, label] : items) {
        c.items.append(StampPreset{QString::fromLatin1(symbol), QString::fromLatin1(label)});
    }
    return c;
}

} // namespace

const QList<StampCategory>& StampPalette::categories() {
    static const QList<StampCategory> kCategories{
        category("Common", {{"checkmark.circle.fill", "Done"},
                            {"xmark.circle.fill", "Wrong"},
                            {"exclamationmark.triangle.fill", "Warning"},
                            {"questionmark.circle.fill", "Question"},
                            {"info.circle.fill", "Info"},
                            {"star.fill", "Star"},
                            {"heart.fill", "Heart"},
                            {"hand.thumbsup.fill", "Thumbs Up"}}),
        category("Arrows", {{"arrow.right", "Right"},
                            {"arrow.left", "Left"},
                            {"arrow.up", "Up"},
                            {"arrow.down", "Down"},
                            {"arrow.up.right", "Up Right"},
                            {"arrow.down.right", "Down Right"},
                            {"arrow.clockwise", "Clockwise"},
                            {"arrow.counterclockwise", "Counterclockwise"},
                            {"arrow.right.circle.fill", "Go"}}),
        category("Emphasis", {{"exclamationmark.circle.fill", "Important"},
                              {"bolt.fill", "Bolt"},
                              {"flame.fill", "Hot"},
                              {"sparkles", "Sparkles"},
                              {"flag.fill", "Flag"},
                              {"lightbulb.fill", "Idea"},
                              {"target", "Target"},
                              {"pin.fill", "Pin"}}),
        category("Status", {{"checkmark", "Check"},
                            {"xmark", "Cross"},
                            {"checkmark.seal.fill", "Verified"},
                            {"xmark.octagon.fill", "Stop"},
                            {"plus.circle.fill", "Add"},
                            {"minus.circle.fill", "Remove"},
                            {"clock.fill", "Pending"},
                            {"lock.fill", "Locked"},
                            {"nosign", "Not Allowed"}}),
        category("Chat", {{"bubble.left.fill", "Message"},
                          {"bubble.right.fill", "Reply"},
                          {"ellipsis.bubble.fill", "Typing"},
                          {"text.bubble.fill", "Note"},
                          {"questionmark.bubble.fill", "Ask"},
                          {"face.smiling", "Smile"},
                          {"hand.thumbsdown.fill", "Thumbs Down"}}),
    };
    return kCategories;
}

const StampPreset* StampPalette::find(const QString& symbol) {
    for (const StampCategory& c : categories()) {
        for (const StampPreset& p : c.items) {
            if (p.symbol == symbol) {
                return &p;
            }
        }
    }
    return nullptr;
}

QStringList StampPalette::searchDirs() {
    QStringList dirs;
    dirs << InstallLayout::current().dataDir(QStringLiteral("stamps"));
    for (const QString& d : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        dirs << QDir(d).filePath(QStringLiteral("mebo/stamps"));
    }
    return dirs;
}

QString StampPalette::svgPath(const QString& symbol) {
    // Only palette names reach the file system, so a stored name cannot point elsewhere.
    if (!find(symbol)) {
        return {};
    }
    // The folders do not change while the process runs; look them up once.
    static const QStringList kDirs = searchDirs();
    for (const QString& dir : kDirs) {
        const QString path = QDir(dir).filePath(symbol + QStringLiteral(".svg"));
        if (QFileInfo::exists(path)) {
            return path;
        }
    }
    return {};
}

} // namespace mebo
