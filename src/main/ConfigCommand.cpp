#include "main/Commands.h"

#include "app/AppEvents.h"
#include "app/CapturePrefs.h"
#include "app/Cfg.h"
#include "app/LaunchAtLogin.h"
#include "library/HistoryStore.h"
#include "main/AppServices.h"
#include "main/CliSupport.h"
#include "main/CommandRuntime.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <functional>

namespace mebo {

namespace {

const char* kConfigHelp = R"(Usage: mebo config list [--json]
       mebo config get KEY
       mebo config set KEY VALUE
       mebo config unset KEY

Reads and changes the settings, with the same rules and side effects as the settings window:
values are typed (bool: true/false, int, double, string), invalid stored values read as their
defaults, and changing "mebo.historyMaxCount" prunes the library at once.

Keys:
  mebo.copyToClipboard (bool)          mebo.openEditorAfterCapture (bool, read at start)
  mebo.playShutterSound (bool, read at start)
  mebo.historyMaxCount (int, 0 = unlimited)
  mebo.filenameTemplate (string, e.g. "mebo-{yyyyMMdd-HHmmss-SSS}")
  mebo.saveDirectory (string, a folder)
  mebo.recordSystemAudio, mebo.recordMicrophone, mebo.recordWebcam,
  mebo.recordWebcamSeparateFile, mebo.recordCursorTrail, mebo.recordClickRipple (bool)
  mebo.selectedMicDeviceId, mebo.selectedCameraDeviceId (string, unset = none)
  mebo.webcamPosition, mebo.videoCodec, mebo.recordQuality (string)
  mebo.webcamScale (double)   mebo.recordFps (int: 5, 10, 15, 24, 30 or 60)
  mebo.appearanceMode (system, light or dark)
  mebo.shortcutOverrides (a JSON object of tool name to key, e.g. {"text":""})
  mebo.launchAtLogin (bool, the login session's autostart entry)
  mebo.firstLaunchSettingsShown (bool, the settings window opens at the first start until set)
  mebo.notifyAfterCapture (bool)   mebo.captureDelaySeconds (int, 0 to 60)
  mebo.exportQuality (int, 1 to 100: JPEG and WebP written by Save As)

Options:
  --json      list: one JSON object of key to value
  --verbose   write the execution log to standard error
  --help      show this help
)";

enum class Kind { Bool, Int, Double, String, OptionalString, Appearance, Shortcuts };

struct Setting {
    QString key;
    Kind kind;
    std::function<QJsonValue(Cfg&)> get;
    // Applies a parsed value through the settings object (its write-back and side effects).
    std::function<void(Cfg&, const QJsonValue&)> set;
};

QList<Setting> settings(platform::DefaultsStore& store) {
    using J = QJsonValue;
    auto optional = [](const std::optional<QString>& v) { return v ? J(*v) : J(QJsonValue::Null); };
    // Two settings are read at start only and never written by the settings object; the command
    // line stores them for the next start.
    auto startOnly = [&store](const char* key) {
        return [&store, key](Cfg&, const QJsonValue& v) { store.set(QString::fromLatin1(key), v.toBool()); };
    };
    auto storedBool = [&store](const char* key, bool fallback) {
        return [&store, key, fallback](Cfg&) {
            const QVariant v = store.object(QString::fromLatin1(key));
            return QJsonValue(v.typeId() == QMetaType::Bool ? v.toBool() : fallback);
        };
    };
    return {
        {"mebo.copyToClipboard", Kind::Bool, [](Cfg& c) { return J(c.copyToClipboard()); },
         [](Cfg& c, const J& v) { c.setCopyToClipboard(v.toBool()); }},
        {"mebo.openEditorAfterCapture", Kind::Bool, storedBool("mebo.openEditorAfterCapture", true),
         startOnly("mebo.openEditorAfterCapture")},
        {"mebo.playShutterSound", Kind::Bool, storedBool("mebo.playShutterSound", true),
         startOnly("mebo.playShutterSound")},
        {"mebo.historyMaxCount", Kind::Int, [](Cfg& c) { return J(c.historyMaxCount()); },
         [](Cfg& c, const J& v) { c.setHistoryMaxCount(v.toInt()); }},
        {"mebo.filenameTemplate", Kind::String, [](Cfg& c) { return J(c.filenameTemplate()); },
         [](Cfg& c, const J& v) { c.setFilenameTemplate(v.toString()); }},
        {"mebo.saveDirectory", Kind::String, [](Cfg& c) { return J(c.saveDirectory()); }, nullptr},
        {"mebo.recordSystemAudio", Kind::Bool, [](Cfg& c) { return J(c.recordSystemAudio()); },
         [](Cfg& c, const J& v) { c.setRecordSystemAudio(v.toBool()); }},
        {"mebo.recordMicrophone", Kind::Bool, [](Cfg& c) { return J(c.recordMicrophone()); },
         [](Cfg& c, const J& v) { c.setRecordMicrophone(v.toBool()); }},
        {"mebo.recordWebcam", Kind::Bool, [](Cfg& c) { return J(c.recordWebcam()); },
         [](Cfg& c, const J& v) { c.setRecordWebcam(v.toBool()); }},
        {"mebo.recordWebcamSeparateFile", Kind::Bool, [](Cfg& c) { return J(c.recordWebcamSeparateFile()); },
         [](Cfg& c, const J& v) { c.setRecordWebcamSeparateFile(v.toBool()); }},
        {"mebo.recordCursorTrail", Kind::Bool, [](Cfg& c) { return J(c.recordCursorTrail()); },
         [](Cfg& c, const J& v) { c.setRecordCursorTrail(v.toBool()); }},
        {"mebo.recordClickRipple", Kind::Bool, [](Cfg& c) { return J(c.recordClickRipple()); },
         [](Cfg& c, const J& v) { c.setRecordClickRipple(v.toBool()); }},
        {"mebo.selectedMicDeviceId", Kind::OptionalString,
         [=](Cfg& c) { return optional(c.selectedMicDeviceId()); },
         [](Cfg& c, const J& v) {
             c.setSelectedMicDeviceId(v.isNull() ? std::nullopt : std::optional<QString>(v.toString()));
         }},
        {"mebo.selectedCameraDeviceId", Kind::OptionalString,
         [=](Cfg& c) { return optional(c.selectedCameraDeviceId()); },
         [](Cfg& c, const J& v) {
             c.setSelectedCameraDeviceId(v.isNull() ? std::nullopt : std::optional<QString>(v.toString()));
         }},
        {"mebo.webcamPosition", Kind::String, [](Cfg& c) { return J(c.webcamPosition()); },
         [](Cfg& c, const J& v) { c.setWebcamPosition(v.toString()); }},
        {"mebo.webcamScale", Kind::Double, [](Cfg& c) { return J(c.webcamScale()); },
         [](Cfg& c, const J& v) { c.setWebcamScale(v.toDouble()); }},
        {"mebo.videoCodec", Kind::String, [](Cfg& c) { return J(c.videoCodec()); },
         [](Cfg& c, const J& v) { c.setVideoCodec(v.toString()); }},
        {"mebo.recordQuality", Kind::String, [](Cfg& c) { return J(c.recordQuality()); },
         [](Cfg& c, const J& v) { c.setRecordQuality(v.toString()); }},
        {"mebo.recordFps", Kind::Int, [](Cfg& c) { return J(c.recordFps()); },
         [](Cfg& c, const J& v) { c.setRecordFps(v.toInt()); }},
        {"mebo.appearanceMode", Kind::Appearance,
         [](Cfg& c) { return J(appearanceModeRawValue(c.appearanceMode())); },
         [](Cfg& c, const J& v) { c.setAppearanceMode(*appearanceModeFromRawValue(v.toString())); }},
        {"mebo.shortcutOverrides", Kind::Shortcuts,
         [](Cfg& c) {
             QJsonObject o;
             const auto overrides = c.shortcutOverrides();
             for (auto it = overrides.begin(); it != overrides.end(); ++it) {
                 o.insert(it.key(), it.value());
             }
             return J(o);
         },
         [](Cfg& c, const J& v) {
             QMap<QString, QString> m;
             const QJsonObject o = v.toObject();
             for (auto it = o.begin(); it != o.end(); ++it) {
                 m.insert(it.key(), it.value().toString());
             }
             c.setShortcutOverrides(m);
         }},
        // Held by the login session's autostart entry, as the settings window does.
        {"mebo.launchAtLogin", Kind::Bool, [](Cfg&) { return J(LaunchAtLogin().isEnabled()); },
         [](Cfg&, const J& v) { LaunchAtLogin().setEnabled(v.toBool()); }},
        {"mebo.firstLaunchSettingsShown", Kind::Bool, storedBool("mebo.firstLaunchSettingsShown", false),
         startOnly("mebo.firstLaunchSettingsShown")},
        // Capture and export choices of the desktop application.
        {"mebo.notifyAfterCapture", Kind::Bool,
         [&store](Cfg&) { return J(CapturePrefs(store).notifyAfterCapture()); },
         [&store](Cfg&, const J& v) { CapturePrefs(store).setNotifyAfterCapture(v.toBool()); }},
        {"mebo.captureDelaySeconds", Kind::Int,
         [&store](Cfg&) { return J(CapturePrefs(store).delaySeconds()); },
         [&store](Cfg&, const J& v) { CapturePrefs(store).setDelaySeconds(v.toInt()); }},
        {"mebo.exportQuality", Kind::Int, [&store](Cfg&) { return J(CapturePrefs(store).exportQuality()); },
         [&store](Cfg&, const J& v) { CapturePrefs(store).setExportQuality(v.toInt()); }},
    };
}

// Parses the text of `set` into the setting's type; answers nothing with a reason.
std::optional<QJsonValue> parseValue(const Setting& s, const QString& text, QString* error) {
    switch (s.kind) {
    case Kind::Bool: {
        const QString t = text.toLower();
        if (t == "true" || t == "yes" || t == "on" || t == "1") {
            return QJsonValue(true);
        }
        if (t == "false" || t == "no" || t == "off" || t == "0") {
            return QJsonValue(false);
        }
        *error = QStringLiteral("%1 takes true or false, not '%2'").arg(s.key, text);
        return std::nullopt;
    }
    case Kind::Int: {
        bool ok = false;
        const int v = text.toInt(&ok);
        if (!ok) {
            *error = QStringLiteral("%1 takes a whole number, not '%2'").arg(s.key, text);
            return std::nullopt;
        }
        if (s.key == QLatin1String("mebo.recordFps") && !QList<int>{5, 10, 15, 24, 30, 60}.contains(v)) {
            *error = QStringLiteral("mebo.recordFps takes 5, 10, 15, 24, 30 or 60, not %1").arg(v);
            return std::nullopt;
        }
        if (s.key == QLatin1String("mebo.captureDelaySeconds") &&
            (v < 0 || v > CapturePrefs::kMaxDelaySeconds)) {
            *error = QStringLiteral("mebo.captureDelaySeconds takes 0 to %1, not %2")
                         .arg(CapturePrefs::kMaxDelaySeconds)
                         .arg(v);
            return std::nullopt;
        }
        if (s.key == QLatin1String("mebo.exportQuality") && (v < 1 || v > 100)) {
            *error = QStringLiteral("mebo.exportQuality takes 1 to 100, not %1").arg(v);
            return std::nullopt;
        }
        if (s.key == QLatin1String("mebo.historyMaxCount") && v < 0) {
            *error = QStringLiteral("mebo.historyMaxCount takes 0 (unlimited) or more, not %1").arg(v);
            return std::nullopt;
        }
        return QJsonValue(v);
    }
    case Kind::Double: {
        bool ok = false;
        const double v = text.toDouble(&ok);
        if (!ok || !(v > 0)) {
            *error = QStringLiteral("%1 takes a number greater than 0, not '%2'").arg(s.key, text);
            return std::nullopt;
        }
        return QJsonValue(v);
    }
    case Kind::String:
    case Kind::OptionalString:
        if (s.key == QLatin1String("mebo.saveDirectory")) {
            // A folder the captures can be written to, made when missing (as at launch).
            QString reason;
            if (text.trimmed().isEmpty() ||
                !runtime::ensureWritableFolder(QDir::cleanPath(QDir(text).absolutePath()), &reason)) {
                *error =
                    text.trimmed().isEmpty() ? QStringLiteral("mebo.saveDirectory takes a folder") : reason;
                return std::nullopt;
            }
        }
        return QJsonValue(text);
    case Kind::Appearance:
        if (!appearanceModeFromRawValue(text)) {
            *error = QStringLiteral("mebo.appearanceMode takes system, light or dark, not '%1'").arg(text);
            return std::nullopt;
        }
        return QJsonValue(text);
    case Kind::Shortcuts: {
        QJsonParseError perr{};
        const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &perr);
        if (perr.error != QJsonParseError::NoError || !doc.isObject()) {
            *error = QStringLiteral("mebo.shortcutOverrides takes a JSON object such as {\"text\":\"\"}");
            return std::nullopt;
        }
        const QJsonObject obj = doc.object();
        for (auto it = obj.begin(); it != obj.end(); ++it) {
            if (!it.value().isString()) {
                *error =
                    QStringLiteral("mebo.shortcutOverrides: the value of '%1' is not a string").arg(it.key());
                return std::nullopt;
            }
        }
        return QJsonValue(doc.object());
    }
    }
    return std::nullopt;
}

QString displayValue(const QJsonValue& v) {
    if (v.isNull()) {
        return QStringLiteral("(none)");
    }
    if (v.isBool()) {
        return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    }
    if (v.isDouble()) {
        return QString::number(v.toDouble(), 'g', 15);
    }
    if (v.isObject()) {
        return QString::fromUtf8(QJsonDocument(v.toObject()).toJson(QJsonDocument::Compact));
    }
    return v.toString();
}

} // namespace

int runConfigCommand(int& argc, char** argv, const QStringList& args) {
    QString error;
    const auto opts = cli::parseOptions(args, {{"json", false}, {"verbose", false}, {"help", false}}, &error);
    if (!opts) {
        return cli::usageError(error, QStringLiteral("config"));
    }
    if (opts->has("help")) {
        cli::printOut(QString::fromUtf8(kConfigHelp).trimmed());
        return cli::Exit::ok;
    }
    const QString action = opts->positional.value(0);
    const QMap<QString, int> arity{{"list", 1}, {"get", 2}, {"set", 3}, {"unset", 2}};
    if (!arity.contains(action)) {
        return cli::usageError(action.isEmpty() ? QStringLiteral("which action? list, get, set or unset")
                                                : QStringLiteral("unknown config action '%1'").arg(action),
                               QStringLiteral("config"));
    }
    if (opts->positional.size() != arity.value(action)) {
        return cli::usageError(QStringLiteral("wrong number of arguments for '%1'").arg(action),
                               QStringLiteral("config"));
    }

    runtime::setVerbose(opts->has("verbose"));
    runtime::nameApplication();
    auto defaults = runtime::openDefaults();
    if (!defaults) {
        return cli::Exit::failure;
    }
    const QList<Setting> table = settings(*defaults);
    const Setting* setting = nullptr;
    if (action != QLatin1String("list")) {
        const QString key = opts->positional.at(1);
        for (const auto& s : table) {
            if (s.key == key) {
                setting = &s;
            }
        }
        if (!setting) {
            return cli::usageError(QStringLiteral("unknown key '%1'").arg(key), QStringLiteral("config"));
        }
    }
    std::optional<QJsonValue> newValue;
    if (action == QLatin1String("set")) {
        newValue = parseValue(*setting, opts->positional.at(2), &error);
        if (!newValue) {
            return cli::usageError(error, QStringLiteral("config"));
        }
    }

    QCoreApplication app(argc, argv);
    runtime::nameApplication();
    AppServices services(*defaults, AppServices::Options{});
    Cfg& cfg = services.cfg();

    if (action == QLatin1String("list")) {
        QJsonObject all;
        for (const auto& s : table) {
            all.insert(s.key, s.get(cfg));
        }
        if (opts->has("json")) {
            cli::printJson(all);
        } else {
            for (const auto& s : table) {
                cli::printOut(QStringLiteral("%1 = %2").arg(s.key, displayValue(all.value(s.key))));
            }
        }
        return cli::Exit::ok;
    }
    if (action == QLatin1String("get")) {
        cli::printOut(displayValue(setting->get(cfg)));
        return cli::Exit::ok;
    }

    // A history limit prunes the library it applies to: load it first, as at launch.
    const bool touchesHistory = setting->key == QLatin1String("mebo.historyMaxCount");
    if (touchesHistory) {
        services.history().load();
        services.settle(30000);
    }

    if (action == QLatin1String("set")) {
        if (setting->key == QLatin1String("mebo.saveDirectory")) {
            // The same flow as choosing a folder: store, then announce so the library reloads.
            const QString dir = QDir::cleanPath(QDir(newValue->toString()).absolutePath());
            if (dir != cfg.saveDirectory()) {
                cfg.setSaveDirectory(dir);
                services.events().postSaveDirectoryChanged(dir);
            }
        } else {
            setting->set(cfg, *newValue);
        }
    } else { // unset: back to the registered default at the next start
        if (setting->kind == Kind::OptionalString) {
            setting->set(cfg, QJsonValue(QJsonValue::Null));
        } else {
            defaults->remove(setting->key);
        }
    }
    if (touchesHistory) {
        services.settle(120000);
    }
    if (!defaults->lastError().isEmpty()) {
        cli::printErr(defaults->lastError());
        return cli::Exit::failure;
    }
    return cli::Exit::ok;
}

} // namespace mebo
