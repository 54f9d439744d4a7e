#include "library/LibraryTextIndex.h"

#include "app/AppLogger.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace mebo {

LibraryTextIndex::LibraryTextIndex(QObject* parent) : QObject(parent) {}

void LibraryTextIndex::load(const QString& folder) {
    folder_ = folder;
    texts_.clear();
    QFile file(QDir(folder).filePath(QString::fromLatin1(kFileName)));
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    const QJsonObject entries = root.value(QStringLiteral("entries")).toObject();
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (it.value().isString()) {
            const QString text = it.value().toString();
            texts_.insert(it.key(), Item{text, text.toCaseFolded()});
        }
    }
}

bool LibraryTextIndex::save() {
    if (folder_.isEmpty()) {
        return false;
    }
    QJsonObject entries;
    for (auto it = texts_.cbegin(); it != texts_.cend(); ++it) {
        entries.insert(it.key(), it.value().text);
    }
    const QByteArray bytes =
        QJsonDocument(QJsonObject{{QStringLiteral("version"), 1}, {QStringLiteral("entries"), entries}})
            .toJson(QJsonDocument::Compact);
    QSaveFile file(QDir(folder_).filePath(QString::fromLatin1(kFileName)));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        logError(QStringLiteral("[History] the recognised text could not be written: ") + file.errorString());
        return false;
    }
    return true;
}

void LibraryTextIndex::setText(const QString& id, const QString& text) {
    texts_.insert(id, Item{text, text.toCaseFolded()});
    Q_EMIT textChanged(id);
}

void LibraryTextIndex::retain(const QSet<QString>& ids) {
    for (auto it = texts_.begin(); it != texts_.end();) {
        it = ids.contains(it.key()) ? std::next(it) : texts_.erase(it);
    }
}

bool LibraryTextIndex::textMatches(const QString& foldedText, const QString& foldedWord) {
    if (foldedWord.isEmpty()) {
        return true;
    }
    for (qsizetype at = foldedText.indexOf(foldedWord); at >= 0;
         at = foldedText.indexOf(foldedWord, at + 1)) {
        if (at == 0 || !foldedText.at(at - 1).isLetterOrNumber()) {
            return true;
        }
    }
    return false;
}

bool LibraryTextIndex::matchesWord(const QString& id, const QString& word) const {
    const auto it = texts_.constFind(id);
    return it != texts_.constEnd() && textMatches(it->folded, word.toCaseFolded());
}

} // namespace mebo
