#include "services/PropertyList.h"

#include <QDateTime>
#include <QFile>
#include <QVariantList>
#include <QVariantMap>
#include <QXmlStreamReader>

namespace mebo {

namespace {

constexpr int kMaxDepth = 64;

// Reads the value element the reader stands on; errors go to `error`.
QVariant readValue(QXmlStreamReader& xml, QString& error, int depth) {
    if (depth > kMaxDepth) {
        error = QStringLiteral("nested too deeply");
        return {};
    }
    const auto name = xml.name();
    if (name == QLatin1String("dict")) {
        QVariantMap map;
        QString key;
        bool haveKey = false;
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("key")) {
                key = xml.readElementText();
                haveKey = true;
                continue;
            }
            if (!haveKey) {
                error = QStringLiteral("a dict value without a key (line %1)").arg(xml.lineNumber());
                return {};
            }
            map.insert(key, readValue(xml, error, depth + 1));
            haveKey = false;
            if (!error.isEmpty()) {
                return {};
            }
        }
        return map;
    }
    if (name == QLatin1String("array")) {
        QVariantList list;
        while (xml.readNextStartElement()) {
            list << readValue(xml, error, depth + 1);
            if (!error.isEmpty()) {
                return {};
            }
        }
        return list;
    }
    if (name == QLatin1String("string")) {
        return xml.readElementText();
    }
    if (name == QLatin1String("integer")) {
        bool ok = false;
        const qlonglong v = xml.readElementText().trimmed().toLongLong(&ok);
        if (!ok) {
            error = QStringLiteral("an integer that is not a number (line %1)").arg(xml.lineNumber());
        }
        return v;
    }
    if (name == QLatin1String("real")) {
        return xml.readElementText().trimmed().toDouble();
    }
    if (name == QLatin1String("true") || name == QLatin1String("false")) {
        const bool v = name == QLatin1String("true");
        xml.skipCurrentElement();
        return v;
    }
    if (name == QLatin1String("date")) {
        return QDateTime::fromString(xml.readElementText().trimmed(), Qt::ISODate);
    }
    if (name == QLatin1String("data")) {
        return QByteArray::fromBase64(xml.readElementText().simplified().toLatin1());
    }
    error = QStringLiteral("unknown element <%1> (line %2)").arg(name.toString()).arg(xml.lineNumber());
    return {};
}

} // namespace

Result<QVariant> PropertyList::parse(const QByteArray& data) {
    QXmlStreamReader xml(data);
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("plist")) {
        return Result<QVariant>::fail(QStringLiteral("not a property list"));
    }
    if (!xml.readNextStartElement()) {
        return Result<QVariant>::fail(QStringLiteral("an empty property list"));
    }
    QString error;
    const QVariant value = readValue(xml, error, 0);
    if (!error.isEmpty()) {
        return Result<QVariant>::fail(error);
    }
    if (xml.hasError()) {
        return Result<QVariant>::fail(xml.errorString());
    }
    return Result<QVariant>::ok(value);
}

Result<QVariant> PropertyList::readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return Result<QVariant>::fail(f.errorString());
    }
    return parse(f.read(4 * 1024 * 1024));
}

} // namespace mebo
