#pragma once

#include "platform/qt/JsonDefaultsStore.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>

namespace mebo::fuzz {

// One fuzz input: the defaults file ("defaults.json") at `path`. A file the store cannot read is
// never overwritten; one it reads keeps only values it can store, and a change written back reads
// again to the same values. Answers what broke, or an empty string.
inline std::string runDefaultsFileFuzzInput(const uint8_t* data, size_t size, const QString& path) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
            return "cannot prepare the file";
        }
    }
    const QString key = QStringLiteral("fuzz.written");
    QVariantMap before;
    {
        platform::JsonDefaultsStore store(path);
        const bool readable = store.lastError().isEmpty();
        for (const QString& k : store.userKeys()) {
            const QVariant v = store.object(k);
            if (!platform::JsonDefaultsStore::isStorable(v)) {
                return "a value that cannot be stored was read: " + k.toStdString();
            }
            before.insert(k, v);
        }
        store.set(key, 7);
        before.insert(key, store.object(key));
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            return "the file went away";
        }
        const QByteArray after = file.readAll();
        if (!readable) {
            return after == bytes ? std::string() : "an unreadable file was overwritten";
        }
    }
    platform::JsonDefaultsStore again(path);
    if (!again.lastError().isEmpty()) {
        return "the written file does not read back: " + again.lastError().toStdString();
    }
    QVariantMap read;
    for (const QString& k : again.userKeys()) {
        read.insert(k, again.object(k));
    }
    if (read != before) {
        return "values changed on a round trip";
    }
    return {};
}

} // namespace mebo::fuzz
