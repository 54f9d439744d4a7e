#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

namespace mebo::platform {

// Per-user typed key-value store. Values are bool, qlonglong, double, QString, QVariantList or
// QByteArray. Registered defaults live in memory only and answer where the user has no value.
// Main thread only.
class DefaultsStore {
public:
    virtual ~DefaultsStore() = default;

    virtual void registerDefaults(const QVariantMap& defaults) = 0;
    // The user's value, else the registered default, else an invalid QVariant.
    virtual QVariant object(const QString& key) const = 0;
    virtual bool hasUserValue(const QString& key) const = 0;
    // Persists at once (atomically). A write failure is kept in lastError().
    virtual void set(const QString& key, const QVariant& value) = 0;
    virtual void remove(const QString& key) = 0;
    virtual QStringList userKeys() const = 0;
    // Why the store could not be read or written; empty when it is healthy.
    virtual QString lastError() const = 0;
};

} // namespace mebo::platform
