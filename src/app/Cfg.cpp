#include "app/Cfg.h"

#include "app/AppLogger.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <algorithm>
#include <climits>

namespace mebo {

namespace {

constexpr const char* kCopyToClipboard = "mebo.copyToClipboard";
constexpr const char* kOpenEditorAfterCapture = "mebo.openEditorAfterCapture";
constexpr const char* kPlayShutterSound = "mebo.playShutterSound";
constexpr const char* kHistoryMaxCount = "mebo.historyMaxCount";
constexpr const char* kFilenameTemplate = "mebo.filenameTemplate";
constexpr const char* kSaveDirectory = "mebo.saveDirectory";
constexpr const char* kRecordSystemAudio = "mebo.recordSystemAudio";
constexpr const char* kRecordMicrophone = "mebo.recordMicrophone";
constexpr const char* kRecordWebcam = "mebo.recordWebcam";
constexpr const char* kRecordWebcamSeparateFile = "mebo.recordWebcamSeparateFile";
constexpr const char* kRecordCursorTrail = "mebo.recordCursorTrail";
constexpr const char* kRecordClickRipple = "mebo.recordClickRipple";
constexpr const char* kSelectedMicDeviceId = "mebo.selectedMicDeviceId";
constexpr const char* kSelectedCameraDeviceId = "mebo.selectedCameraDeviceId";
constexpr const char* kSelectedLanguage = "mebo.selectedLanguage";
constexpr const char* kWebcamPosition = "mebo.webcamPosition";
constexpr const char* kWebcamScale = "mebo.webcamScale";
constexpr const char* kVideoCodec = "mebo.videoCodec";
constexpr const char* kRecordQuality = "mebo.recordQuality";
constexpr const char* kRecordFps = "mebo.recordFps";
constexpr const char* kAppearanceMode = "mebo.appearanceMode";
constexpr const char* kShortcutOverrides = "mebo.shortcutOverrides";
constexpr const char* kLaunchAtLogin = "mebo.launchAtLogin";
constexpr const char* kLegacyAutoDeleteHistory = "mebo.autoDeleteHistory";
constexpr const char* kAppleLanguages = "AppleLanguages";

const QString kDefaultTemplate = QStringLiteral("mebo-{yyyyMMdd-HHmmss-SSS}");

QString key(const char* k) {
    return QString::fromLatin1(k);
}

// An integer held by the store, whatever numeric type it arrived as (a whole double counts).
std::optional<qlonglong> asInteger(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return v.toLongLong();
    case QMetaType::Double: {
        const double d = v.toDouble();
        if (d == double(qlonglong(d))) {
            return qlonglong(d);
        }
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<double> asDouble(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return v.toDouble();
    default:
        return std::nullopt;
    }
}

} // namespace

Cfg::Cfg(platform::DefaultsStore& defaults, std::optional<QString> saveDirectoryOverride, QObject* parent)
    : QObject(parent), defaults_(defaults) {
    load(saveDirectoryOverride);
}

QString Cfg::defaultSaveDirectory() {
    QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (pictures.isEmpty()) {
        pictures = QDir::home().filePath(QStringLiteral("Pictures"));
    }
    return QDir(pictures).filePath(QStringLiteral("mebo"));
}

bool Cfg::readBool(const char* k) const {
    const QVariant v = defaults_.object(key(k));
    if (v.typeId() == QMetaType::Bool) {
        return v.toBool();
    }
    // Numbers read as booleans the way the defaults database does; anything else is false.
    if (auto i = asInteger(v)) {
        return *i != 0;
    }
    return false;
}

QString Cfg::readString(const char* k, const QString& fallback) const {
    const QVariant v = defaults_.object(key(k));
    if (v.typeId() == QMetaType::QString) {
        return v.toString();
    }
    return fallback;
}

void Cfg::load(const std::optional<QString>& saveDirectoryOverride) {
    // 1. Factory defaults (memory only).
    defaults_.registerDefaults({
        {key(kCopyToClipboard), false},
        {key(kOpenEditorAfterCapture), true},
        {key(kPlayShutterSound), true},
        {key(kHistoryMaxCount), qlonglong(0)},
        {key(kFilenameTemplate), kDefaultTemplate},
        {key(kRecordSystemAudio), true},
        {key(kRecordMicrophone), false},
        {key(kRecordWebcam), false},
        {key(kRecordWebcamSeparateFile), true},
        {key(kRecordCursorTrail), false},
        {key(kRecordClickRipple), true},
        {key(kWebcamPosition), QStringLiteral("bottomRight")},
        {key(kWebcamScale), 0.2},
        {key(kVideoCodec), QStringLiteral("h264")},
        {key(kRecordQuality), QStringLiteral("high")},
        {key(kRecordFps), qlonglong(15)},
        {key(kAppearanceMode), QStringLiteral("system")},
        {key(kLaunchAtLogin), false},
    });

    // 2. The application always follows the system language.
    if (defaults_.hasUserValue(key(kSelectedLanguage))) {
        defaults_.remove(key(kSelectedLanguage));
    }
    if (defaults_.hasUserValue(key(kAppleLanguages))) {
        defaults_.remove(key(kAppleLanguages));
    }

    // 3. Booleans.
    copyToClipboard_ = readBool(kCopyToClipboard);
    openEditorAfterCapture_ = readBool(kOpenEditorAfterCapture);
    playShutterSound_ = readBool(kPlayShutterSound);
    recordSystemAudio_ = readBool(kRecordSystemAudio);
    recordMicrophone_ = readBool(kRecordMicrophone);
    recordWebcam_ = readBool(kRecordWebcam);
    recordWebcamSeparateFile_ = readBool(kRecordWebcamSeparateFile);
    recordCursorTrail_ = readBool(kRecordCursorTrail);
    recordClickRipple_ = readBool(kRecordClickRipple);

    // 4. Devices; the language is never kept.
    auto optionalString = [this](const char* k) -> std::optional<QString> {
        const QVariant v = defaults_.object(key(k));
        if (v.typeId() == QMetaType::QString) {
            return v.toString();
        }
        return std::nullopt;
    };
    selectedMicDeviceId_ = optionalString(kSelectedMicDeviceId);
    selectedCameraDeviceId_ = optionalString(kSelectedCameraDeviceId);
    selectedLanguage_.reset();

    // 5. Recording and appearance.
    webcamPosition_ = readString(kWebcamPosition, QStringLiteral("bottomRight"));
    const auto scale = asDouble(defaults_.object(key(kWebcamScale)));
    webcamScale_ = (scale && *scale > 0) ? *scale : 0.2;
    videoCodec_ = readString(kVideoCodec, QStringLiteral("h264"));
    recordQuality_ = readString(kRecordQuality, QStringLiteral("high"));
    const auto fps = asInteger(defaults_.object(key(kRecordFps)));
    recordFps_ = (fps && QList<qlonglong>{5, 10, 15, 24, 30, 60}.contains(*fps)) ? int(*fps) : 15;
    appearanceMode_ =
        appearanceModeFromRawValue(readString(kAppearanceMode, QString())).value_or(AppearanceMode::system);
    shortcutOverrides_.clear();
    const QVariant shortcutData = defaults_.object(key(kShortcutOverrides));
    if (shortcutData.typeId() == QMetaType::QByteArray) {
        QJsonParseError err{};
        const QJsonDocument doc = QJsonDocument::fromJson(shortcutData.toByteArray(), &err);
        bool valid = err.error == QJsonParseError::NoError && doc.isObject();
        QMap<QString, QString> decoded;
        if (valid) {
            const QJsonObject obj = doc.object();
            for (auto it = obj.begin(); it != obj.end(); ++it) {
                if (!it.value().isString()) {
                    valid = false;
                    break;
                }
                decoded.insert(it.key(), it.value().toString());
            }
        }
        if (valid) {
            shortcutOverrides_ = decoded;
        }
    }

    // 6. History limit with the one-time migration of the legacy switch.
    qlonglong limit = asInteger(defaults_.object(key(kHistoryMaxCount))).value_or(0);
    if (defaults_.hasUserValue(key(kLegacyAutoDeleteHistory))) {
        if (!readBool(kLegacyAutoDeleteHistory)) {
            logInfo(QStringLiteral(
                "[Cfg] 遷移: 檢測到 legacy autoDeleteHistory=false, historyMaxCount → 0 (不限)"));
            limit = 0;
        }
        defaults_.remove(key(kLegacyAutoDeleteHistory));
    }
    historyMaxCount_ = int(std::clamp<qlonglong>(limit, 0, INT_MAX));
    defaults_.set(key(kHistoryMaxCount), qlonglong(historyMaxCount_));

    // 7-8. Naming and folder.
    filenameTemplate_ = readString(kFilenameTemplate, kDefaultTemplate);
    if (saveDirectoryOverride && !saveDirectoryOverride->isEmpty()) {
        saveDirectory_ = QDir::cleanPath(QDir(*saveDirectoryOverride).absolutePath());
    } else {
        const QString stored = readString(kSaveDirectory, QString());
        saveDirectory_ = stored.isEmpty() ? defaultSaveDirectory() : QDir::cleanPath(stored);
    }

    // 9.
    logInfo(QStringLiteral("[Cfg] copyToClipboard=%1, saveDirectory=%2")
                .arg(copyToClipboard_ ? QStringLiteral("true") : QStringLiteral("false"), saveDirectory_));
}

void Cfg::write(const char* k, const QVariant& value) {
    defaults_.set(key(k), value);
    Q_EMIT changed(key(k));
}

void Cfg::setCopyToClipboard(bool v) {
    copyToClipboard_ = v;
    write(kCopyToClipboard, v);
}

void Cfg::setOpenEditorAfterCapture(bool v) {
    openEditorAfterCapture_ = v;
    Q_EMIT changed(key(kOpenEditorAfterCapture));
}

void Cfg::setPlayShutterSound(bool v) {
    playShutterSound_ = v;
    Q_EMIT changed(key(kPlayShutterSound));
}

void Cfg::setHistoryMaxCount(int v) {
    historyMaxCount_ = v;
    write(kHistoryMaxCount, qlonglong(v));
    if (!historyTarget_) {
        return;
    }
    if (v < 1) {
        if (historyTarget_->isPruneInFlight()) {
            historyTarget_->markPruneCancelled();
            logInfo(QStringLiteral("[History] prune 已標記取消, 等下一個檢查點退出"));
        }
        historyTarget_->clearPrunePending();
    } else {
        historyTarget_->applyLimitNow();
    }
}

void Cfg::setFilenameTemplate(const QString& v) {
    filenameTemplate_ = v;
    write(kFilenameTemplate, v);
}

void Cfg::setSaveDirectory(const QString& path) {
    saveDirectory_ = QDir::cleanPath(QDir(path).absolutePath());
    write(kSaveDirectory, saveDirectory_);
}

void Cfg::setRecordSystemAudio(bool v) {
    recordSystemAudio_ = v;
    write(kRecordSystemAudio, v);
}

void Cfg::setRecordMicrophone(bool v) {
    recordMicrophone_ = v;
    write(kRecordMicrophone, v);
}

void Cfg::setRecordWebcam(bool v) {
    recordWebcam_ = v;
    write(kRecordWebcam, v);
}

void Cfg::setRecordWebcamSeparateFile(bool v) {
    recordWebcamSeparateFile_ = v;
    write(kRecordWebcamSeparateFile, v);
}

void Cfg::setRecordCursorTrail(bool v) {
    recordCursorTrail_ = v;
    write(kRecordCursorTrail, v);
}

void Cfg::setRecordClickRipple(bool v) {
    recordClickRipple_ = v;
    write(kRecordClickRipple, v);
}

void Cfg::setSelectedMicDeviceId(std::optional<QString> v) {
    selectedMicDeviceId_ = std::move(v);
    if (selectedMicDeviceId_) {
        write(kSelectedMicDeviceId, *selectedMicDeviceId_);
    } else {
        defaults_.remove(key(kSelectedMicDeviceId));
        Q_EMIT changed(key(kSelectedMicDeviceId));
    }
}

void Cfg::setSelectedCameraDeviceId(std::optional<QString> v) {
    selectedCameraDeviceId_ = std::move(v);
    if (selectedCameraDeviceId_) {
        write(kSelectedCameraDeviceId, *selectedCameraDeviceId_);
    } else {
        defaults_.remove(key(kSelectedCameraDeviceId));
        Q_EMIT changed(key(kSelectedCameraDeviceId));
    }
}

void Cfg::setWebcamPosition(const QString& v) {
    webcamPosition_ = v;
    write(kWebcamPosition, v);
}

void Cfg::setWebcamScale(double v) {
    webcamScale_ = v;
    write(kWebcamScale, v);
}

void Cfg::setVideoCodec(const QString& v) {
    videoCodec_ = v;
    write(kVideoCodec, v);
}

void Cfg::setRecordQuality(const QString& v) {
    recordQuality_ = v;
    write(kRecordQuality, v);
}

void Cfg::setRecordFps(int v) {
    recordFps_ = v;
    write(kRecordFps, qlonglong(v));
}

void Cfg::setAppearanceMode(AppearanceMode v) {
    appearanceMode_ = v;
    write(kAppearanceMode, appearanceModeRawValue(v));
    if (applyAppearance_) {
        applyAppearance_(v);
    }
}

void Cfg::setShortcutOverrides(const QMap<QString, QString>& v) {
    shortcutOverrides_ = v;
    QJsonObject obj;
    for (auto it = v.begin(); it != v.end(); ++it) {
        obj.insert(it.key(), it.value());
    }
    write(kShortcutOverrides, QJsonDocument(obj).toJson(QJsonDocument::Compact));
}

std::optional<QString> Cfg::shortcutKey(ToolKind tool) const {
    const auto it = shortcutOverrides_.constFind(toolKindRawValue(tool));
    if (it != shortcutOverrides_.constEnd()) {
        if (it.value().isEmpty()) {
            return std::nullopt;
        }
        return it.value();
    }
    return toolKindDefaultShortcut(tool);
}

std::optional<ToolKind> Cfg::tool(const QString& shortcutKey) const {
    for (ToolKind t : allToolKinds()) {
        const auto it = shortcutOverrides_.constFind(toolKindRawValue(t));
        std::optional<QString> effective;
        if (it != shortcutOverrides_.constEnd() && !it.value().isEmpty()) {
            effective = it.value();
        } else if (it == shortcutOverrides_.constEnd()) {
            effective = toolKindDefaultShortcut(t);
        }
        if (effective && *effective == shortcutKey) {
            return t;
        }
    }
    return std::nullopt;
}

} // namespace mebo
