#include "platform/qt/JsonDefaultsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace mebo::platform {

namespace {

const QString kType = QStringLiteral("type");
const QString kValue = QStringLiteral("value");

// The file's type names.
const QString kBool = QStringLiteral("bool");
const QString kInteger = QStringLiteral("integer");
const QString kDouble = QStringLiteral("double");
const QString kString = QStringLiteral("string");
const QString kArray = QStringLiteral("array");
const QString kDictionary = QStringLiteral("dictionary");
const QString kBytes = QStringLiteral("bytes");

bool isIntegerType(int id) {
    switch (id) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool isListType(int id) {
    return id == QMetaType::QVariantList || id == QMetaType::QStringList;
}
bool isMapType(int id) {
    return id == QMetaType::QVariantMap || id == QMetaType::QVariantHash;
}

// The value in the type it is read back as: qlonglong, double, QVariantList, QVariantMap ...
// Assumes JsonDefaultsStore::isStorable(value).
QVariant normalized(const QVariant& value) {
    const int id = value.metaType().id();
    if (isIntegerType(id)) {
        return QVariant(value.toLongLong());
    }
    if (id == QMetaType::Float) {
        return QVariant(value.toDouble());
    }
    if (isListType(id)) {
        QVariantList out;
        for (const QVariant& v : value.toList()) {
            out << normalized(v);
        }
        return out;
    }
    if (isMapType(id)) {
        QVariantMap out;
        const QVariantMap in = value.toMap();
        for (auto it = in.begin(); it != in.end(); ++it) {
            out.insert(it.key(), normalized(it.value()));
        }
        return out;
    }
    return value;
}

QJsonObject typed(const QString& type, const QJsonValue& value) {
    return QJsonObject{{kType, type}, {kValue, value}};
}

// Assumes the value is normalised and storable.
QJsonObject encode(const QVariant& value) {
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return typed(kBool, value.toBool());
    case QMetaType::LongLong:
        return typed(kInteger, QJsonValue(value.toLongLong()));
    case QMetaType::Double: {
        // JSON has no NaN or infinities; they are kept as words.
        const double d = value.toDouble();
        if (std::isnan(d)) {
            return typed(kDouble, QStringLiteral("nan"));
        }
        if (std::isinf(d)) {
            return typed(kDouble, d > 0 ? QStringLiteral("inf") : QStringLiteral("-inf"));
        }
        return typed(kDouble, d);
    }
    case QMetaType::QString:
        return typed(kString, value.toString());
    case QMetaType::QByteArray:
        return typed(kBytes, QString::fromLatin1(value.toByteArray().toBase64()));
    case QMetaType::QVariantList: {
        QJsonArray items;
        for (const QVariant& v : value.toList()) {
            items.append(encode(v));
        }
        return typed(kArray, items);
    }
    case QMetaType::QVariantMap: {
        QJsonObject items;
        const QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it) {
            items.insert(it.key(), encode(it.value()));
        }
        return typed(kDictionary, items);
    }
    default:
        return {};
    }
}

// Reads one typed entry; on failure answers nothing and describes the problem at `where`.
std::optional<QVariant> decode(const QJsonValue& entry, const QString& where, QString* error) {
    auto fail = [&](const QString& problem) {
        *error = where + QStringLiteral(": ") + problem;
        return std::nullopt;
    };
    if (!entry.isObject()) {
        return fail(QStringLiteral("expected an object with \"type\" and \"value\""));
    }
    const QJsonObject obj = entry.toObject();
    if (obj.size() != 2 || !obj.value(kType).isString() || !obj.contains(kValue)) {
        return fail(QStringLiteral("expected an object with \"type\" and \"value\""));
    }
    const QString type = obj.value(kType).toString();
    const QJsonValue v = obj.value(kValue);
    if (type == kBool) {
        if (!v.isBool()) {
            return fail(QStringLiteral("a \"bool\" value must be true or false"));
        }
        return QVariant(v.toBool());
    }
    if (type == kInteger) {
        // toInteger answers its default for fractions and for numbers beyond 64 bits.
        const qint64 a = v.toInteger(0);
        const qint64 b = v.toInteger(1);
        if (!v.isDouble() || (a == 0 && b == 1)) {
            return fail(QStringLiteral("an \"integer\" value must be a whole number"));
        }
        return QVariant(qlonglong(a));
    }
    if (type == kDouble) {
        if (v.isDouble()) {
            return QVariant(v.toDouble());
        }
        const QString word = v.toString();
        if (word == QLatin1String("nan")) {
            return QVariant(std::numeric_limits<double>::quiet_NaN());
        }
        if (word == QLatin1String("inf") || word == QLatin1String("-inf")) {
            const double inf = std::numeric_limits<double>::infinity();
            return QVariant(word.startsWith(QLatin1Char('-')) ? -inf : inf);
        }
        return fail(QStringLiteral("a \"double\" value must be a number"));
    }
    if (type == kString) {
        if (!v.isString()) {
            return fail(QStringLiteral("a \"string\" value must be a string"));
        }
        return QVariant(v.toString());
    }
    if (type == kBytes) {
        const auto bytes =
            QByteArray::fromBase64Encoding(v.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (!v.isString() || !bytes) {
            return fail(QStringLiteral("a \"bytes\" value must be base64 text"));
        }
        return QVariant(*bytes);
    }
    if (type == kArray) {
        if (!v.isArray()) {
            return fail(QStringLiteral("an \"array\" value must be a JSON array"));
        }
        QVariantList out;
        const QJsonArray items = v.toArray();
        for (qsizetype i = 0; i < items.size(); ++i) {
            auto item = decode(items.at(i), where + QStringLiteral("[%1]").arg(i), error);
            if (!item) {
                return std::nullopt;
            }
            out << *item;
        }
        return QVariant(out);
    }
    if (type == kDictionary) {
        if (!v.isObject()) {
            return fail(QStringLiteral("a \"dictionary\" value must be a JSON object"));
        }
        QVariantMap out;
        const QJsonObject items = v.toObject();
        for (auto it = items.begin(); it != items.end(); ++it) {
            auto item = decode(it.value(), where + QStringLiteral("[\"%1\"]").arg(it.key()), error);
            if (!item) {
                return std::nullopt;
            }
            out.insert(it.key(), *item);
        }
        return QVariant(out);
    }
    return fail(QStringLiteral("unknown type \"%1\"").arg(type));
}

} // namespace

JsonDefaultsStore::JsonDefaultsStore() : JsonDefaultsStore(defaultFilePath()) {}

JsonDefaultsStore::JsonDefaultsStore(QString filePath) : path_(std::move(filePath)) {
    load();
}

QString JsonDefaultsStore::defaultFilePath() {
    QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty()) {
        config = QDir::homePath() + QStringLiteral("/.config");
    }
    return config + QStringLiteral("/mebo/defaults.json");
}

bool JsonDefaultsStore::isStorable(const QVariant& value) {
    const int id = value.metaType().id();
    if (isIntegerType(id)) {
        // An unsigned value past qint64 would come back as another number.
        return id != QMetaType::ULongLong ||
               value.toULongLong() <= quint64(std::numeric_limits<qint64>::max());
    }
    if (isListType(id)) {
        const QVariantList items = value.toList();
        return std::all_of(items.begin(), items.end(), [](const QVariant& v) { return isStorable(v); });
    }
    if (isMapType(id)) {
        const QVariantMap items = value.toMap();
        return std::all_of(items.begin(), items.end(), [](const QVariant& v) { return isStorable(v); });
    }
    switch (id) {
    case QMetaType::Bool:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::QString:
    case QMetaType::QByteArray:
        return true;
    default:
        return false;
    }
}

std::optional<QVariantMap> JsonDefaultsStore::parse(const QByteArray& bytes, QString* problem) {
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *problem = QStringLiteral("not valid JSON (%1 at offset %2)")
                       .arg(parseError.errorString())
                       .arg(parseError.offset);
        return std::nullopt;
    }
    if (!doc.isObject()) {
        *problem = QStringLiteral("the top level is not a JSON object");
        return std::nullopt;
    }
    QVariantMap values;
    const QJsonObject root = doc.object();
    for (auto it = root.begin(); it != root.end(); ++it) {
        auto value = decode(it.value(), QStringLiteral("\"%1\"").arg(it.key()), problem);
        if (!value) {
            return std::nullopt;
        }
        values.insert(it.key(), *value);
    }
    return values;
}

void JsonDefaultsStore::load() {
    QFile file(path_);
    if (!file.exists()) {
        return;
    }
    const QString prefix = QStringLiteral("Cannot read the settings file %1: ").arg(path_);
    const QString suffix = QStringLiteral(". It was left untouched; repair or remove it.");
    if (!file.open(QIODevice::ReadOnly)) {
        loadError_ = prefix + file.errorString() + suffix;
        return;
    }
    const QByteArray bytes = file.readAll();
    QString problem;
    std::optional<QVariantMap> values = parse(bytes, &problem);
    if (!values) {
        loadError_ = prefix + problem + suffix;
        return;
    }
    user_ = std::move(*values);
    synced_ = bytes;
}

void JsonDefaultsStore::absorbOutsideChanges() {
    if (!loadError_.isEmpty()) {
        return;
    }
    QFile file(path_);
    if (!file.exists() || !file.open(QIODevice::ReadOnly)) {
        return; // removed (ours is written back) or unreadable (the write reports it)
    }
    const QByteArray bytes = file.readAll();
    if (synced_ && bytes == *synced_) {
        return;
    }
    // Another process (the command line) changed the file since this one read or wrote it: its
    // values are the current ones; the change being made applies on top of them.
    QString problem;
    std::optional<QVariantMap> values = parse(bytes, &problem);
    if (!values) {
        loadError_ = QStringLiteral("Cannot read the settings file %1: %2. It was left untouched; repair or "
                                    "remove it.")
                         .arg(path_, problem);
        return;
    }
    user_ = std::move(*values);
    synced_ = bytes;
}

void JsonDefaultsStore::save() {
    if (!loadError_.isEmpty()) {
        return;
    }
    QJsonObject root;
    for (auto it = user_.begin(); it != user_.end(); ++it) {
        root.insert(it.key(), encode(it.value()));
    }
    const QString dir = QFileInfo(path_).absolutePath();
    if (!QDir().mkpath(dir)) {
        writeError_ =
            QStringLiteral("Cannot write the settings file %1: cannot create the folder %2").arg(path_, dir);
        return;
    }
    // QJsonObject keeps its keys sorted, so the file is stable from one write to the next.
    QSaveFile file(path_);
    const QByteArray bytes = QJsonDocument(root).toJson(QJsonDocument::Indented);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) < 0 || !file.commit()) {
        writeError_ = QStringLiteral("Cannot write the settings file %1: %2").arg(path_, file.errorString());
        return;
    }
    synced_ = bytes;
    writeError_.clear();
}

void JsonDefaultsStore::registerDefaults(const QVariantMap& defaults) {
    for (auto it = defaults.begin(); it != defaults.end(); ++it) {
        registered_.insert(it.key(), it.value());
    }
}

QVariant JsonDefaultsStore::object(const QString& key) const {
    auto it = user_.constFind(key);
    if (it != user_.constEnd()) {
        return it.value();
    }
    return registered_.value(key);
}

bool JsonDefaultsStore::hasUserValue(const QString& key) const {
    return user_.contains(key);
}

void JsonDefaultsStore::set(const QString& key, const QVariant& value) {
    if (!value.isValid()) {
        remove(key);
        return;
    }
    if (!isStorable(value)) {
        writeError_ = QStringLiteral("Cannot store a value of type %1 under \"%2\"")
                          .arg(QString::fromLatin1(value.metaType().name()), key);
        return;
    }
    const QVariant stored = normalized(value);
    absorbOutsideChanges();
    const auto existing = user_.constFind(key);
    if (existing != user_.constEnd() && existing->typeId() == stored.typeId() && *existing == stored &&
        writeError_.isEmpty()) {
        return; // the file already says this: rewriting it would only cost a sync
    }
    user_.insert(key, stored);
    save();
}

void JsonDefaultsStore::remove(const QString& key) {
    absorbOutsideChanges();
    if (user_.remove(key) > 0) {
        save();
    }
}

QStringList JsonDefaultsStore::userKeys() const {
    return user_.keys();
}

QString JsonDefaultsStore::lastError() const {
    return loadError_.isEmpty() ? writeError_ : loadError_;
}

} // namespace mebo::platform
