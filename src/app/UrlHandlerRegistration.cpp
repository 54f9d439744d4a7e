#include "app/UrlHandlerRegistration.h"

#include "app/AppLogger.h"
#include "app/InstallLayout.h"
#include "app/LaunchAtLogin.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace mebo {

namespace {

const QString kEntryName = QStringLiteral("mebo.desktop");
const QString kSchemeKey = QStringLiteral("x-scheme-handler/mebo");

std::optional<QString> readText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return QString::fromUtf8(file.readAll());
}

bool writeText(const QString& path, const QString& text, QString* error) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    const QByteArray bytes = text.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace

UrlHandlerRegistration::UrlHandlerRegistration(Paths paths) : paths_(std::move(paths)) {}

UrlHandlerRegistration::Paths UrlHandlerRegistration::defaultPaths() {
    const InstallLayout& layout = InstallLayout::current();
    Paths p;
    p.executable = LaunchAtLogin::defaultExecutablePath();
    p.templateEntry = layout.shareDir() + QStringLiteral("/applications/") + kEntryName;
    p.iconFile = layout.shareDir() + QStringLiteral("/icons/hicolor/scalable/apps/mebo.svg");
    if (layout.kind() == InstallLayout::Kind::system) {
        p.templateEntry.clear(); // the package's entry is the registration
    }
    p.applicationsDir = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    p.mimeAppsList = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                     QStringLiteral("/mimeapps.list");
    return p;
}

QString UrlHandlerRegistration::entryText(const QString& templateText, const QString& executable,
                                          const QString& iconFile) {
    QStringList out;
    bool inMainGroup = false;
    for (const QString& line : templateText.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line.trimmed() == QLatin1String("[Desktop Entry]");
        }
        const QString key = line.section(QLatin1Char('='), 0, 0).trimmed();
        if (inMainGroup && key == QLatin1String("TryExec")) {
            continue;
        }
        if (inMainGroup && key == QLatin1String("Exec")) {
            out << QStringLiteral("TryExec=") + LaunchAtLogin::execArgument(executable);
            out << QStringLiteral("Exec=") + LaunchAtLogin::execArgument(executable) + QStringLiteral(" %u");
            continue;
        }
        if (inMainGroup && key == QLatin1String("Icon") && !iconFile.isEmpty()) {
            out << QStringLiteral("Icon=") + iconFile;
            continue;
        }
        out << line;
    }
    return out.join(QLatin1Char('\n'));
}

QString UrlHandlerRegistration::withDefaultHandler(const QString& listText,
                                                   const std::function<bool(const QString&)>& handlerExists) {
    QStringList lines = listText.isEmpty() ? QStringList() : listText.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    qsizetype groupStart = -1;
    qsizetype groupEnd = lines.size();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString t = lines[i].trimmed();
        if (t.startsWith(QLatin1Char('['))) {
            if (groupStart >= 0) {
                groupEnd = i;
                break;
            }
            if (t == QLatin1String("[Default Applications]")) {
                groupStart = i;
            }
            continue;
        }
        if (groupStart >= 0 && t.section(QLatin1Char('='), 0, 0).trimmed() == kSchemeKey) {
            // The first handler of the list that exists is the one used.
            const QStringList handlers =
                t.section(QLatin1Char('='), 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
            for (const QString& h : handlers) {
                if (handlerExists(h.trimmed())) {
                    return listText;
                }
            }
            lines[i] = kSchemeKey + QLatin1Char('=') + kEntryName + QLatin1Char(';');
            return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
        }
    }
    const QString line = kSchemeKey + QLatin1Char('=') + kEntryName + QLatin1Char(';');
    if (groupStart < 0) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty()) {
            lines << QString();
        }
        lines << QStringLiteral("[Default Applications]") << line;
    } else {
        // After the group's last non-blank line.
        qsizetype at = groupEnd;
        while (at > groupStart + 1 && lines[at - 1].trimmed().isEmpty()) {
            --at;
        }
        lines.insert(at, line);
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

UrlHandlerRegistration::Outcome UrlHandlerRegistration::ensureRegistered() {
    if (paths_.templateEntry.isEmpty() || paths_.applicationsDir.isEmpty()) {
        return Outcome::unchanged;
    }
    const std::optional<QString> templateText = readText(paths_.templateEntry);
    if (!templateText) {
        logWarning(QStringLiteral("[AppDelegate] URL Scheme: no desktop entry to register at %1")
                       .arg(paths_.templateEntry));
        return Outcome::failed;
    }
    const QString iconFile = QFileInfo::exists(paths_.iconFile) ? paths_.iconFile : QString();
    const QString entryPath = QDir(paths_.applicationsDir).filePath(kEntryName);
    const QString entry = entryText(*templateText, paths_.executable, iconFile);
    Outcome outcome = Outcome::unchanged;
    QString error;
    if (readText(entryPath) != entry) {
        if (!writeText(entryPath, entry, &error)) {
            logError(QStringLiteral("[AppDelegate] URL Scheme: cannot write %1 (%2)").arg(entryPath, error));
            return Outcome::failed;
        }
        logInfo(QStringLiteral("[AppDelegate] URL Scheme: registered %1 (Exec=%2)")
                    .arg(entryPath, paths_.executable));
        outcome = Outcome::written;
    }
    const QString list = readText(paths_.mimeAppsList).value_or(QString());
    const QString applicationsDir = paths_.applicationsDir;
    const QString updated = withDefaultHandler(list, [&applicationsDir](const QString& name) {
        if (QFileInfo::exists(QDir(applicationsDir).filePath(name))) {
            return true;
        }
        for (const QString& dir : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
            if (QFileInfo::exists(QDir(dir).filePath(name))) {
                return true;
            }
        }
        return false;
    });
    if (updated != list) {
        if (!writeText(paths_.mimeAppsList, updated, &error)) {
            logError(QStringLiteral("[AppDelegate] URL Scheme: cannot write %1 (%2)")
                         .arg(paths_.mimeAppsList, error));
            return Outcome::failed;
        }
        outcome = Outcome::written;
    }
    return outcome;
}

} // namespace mebo
