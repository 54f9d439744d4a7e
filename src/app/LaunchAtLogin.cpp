#include "app/LaunchAtLogin.h"

#include "app/AppLogger.h"
#include "app/InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

namespace mebo {

namespace {

const QString kEntryName = QStringLiteral("mebo.desktop");

// Characters that force an Exec argument into double quotes.
bool isReserved(QChar c) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    return reserved.contains(c);
}

} // namespace

LaunchAtLogin::LaunchAtLogin(QString autostartDir, QString executablePath)
    : autostartDir_(std::move(autostartDir)), executablePath_(std::move(executablePath)) {}

QString LaunchAtLogin::defaultAutostartDir() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart");
}

QString LaunchAtLogin::defaultExecutablePath() {
    const QString appImage = qEnvironmentVariable("APPIMAGE");
    if (!appImage.isEmpty() && QFileInfo(appImage).isAbsolute()) {
        return appImage;
    }
    return InstallLayout::current().executable(); // the launcher in bin/, when it started us
}

QString LaunchAtLogin::entryPath() const {
    return QDir(autostartDir_).filePath(kEntryName);
}

QString LaunchAtLogin::execArgument(const QString& path) {
    // Two layers: the Exec rules (quote, then backslash before " ` $ \ inside the quotes; % as %%),
    // then the general string escapes of every value (\\ \n \t \r).
    bool needsQuotes = false;
    QString arg;
    for (const QChar c : path) {
        if (isReserved(c)) {
            needsQuotes = true;
        }
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\')) {
            arg += QLatin1Char('\\');
        }
        if (c == QLatin1Char('%')) {
            arg += QLatin1Char('%');
        }
        arg += c;
    }
    if (needsQuotes) {
        arg = QLatin1Char('"') + arg + QLatin1Char('"');
    }
    QString value;
    for (const QChar c : arg) {
        switch (c.unicode()) {
        case '\\':
            value += QStringLiteral("\\\\");
            break;
        case '\n':
            value += QStringLiteral("\\n");
            break;
        case '\t':
            value += QStringLiteral("\\t");
            break;
        case '\r':
            value += QStringLiteral("\\r");
            break;
        default:
            value += c;
        }
    }
    return value;
}

QString LaunchAtLogin::entryText(const QString& executablePath) {
    QString text;
    QTextStream out(&text);
    out << "[Desktop Entry]\n"
        << "Type=Application\n"
        << "Version=1.0\n"
        << "Name=Mebo\n"
        << "Comment=Screenshots and screen recordings\n"
        // At login the application starts in the tray, without its main window.
        << "Exec=" << execArgument(executablePath) << " --background\n"
        << "Icon=mebo\n"
        << "Terminal=false\n"
        << "NoDisplay=false\n"
        << "X-GNOME-Autostart-enabled=true\n";
    return text;
}

bool LaunchAtLogin::isEnabled() const {
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return false;
    }
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inMainGroup || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) {
            continue;
        }
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key == QLatin1String("Hidden") && value == QLatin1String("true")) {
            return false;
        }
        if (key == QLatin1String("X-GNOME-Autostart-enabled") && value == QLatin1String("false")) {
            return false;
        }
    }
    return true;
}

bool LaunchAtLogin::setEnabled(bool enabled) {
    const QString path = entryPath();
    if (!enabled) {
        QFile file(path);
        if (!file.exists()) {
            return true;
        }
        if (!file.remove()) {
            logError(QStringLiteral("[LaunchAtLogin] autostart 項目刪除失敗: %1 (%2)")
                         .arg(path, file.errorString()));
            return false;
        }
        logInfo(QStringLiteral("[LaunchAtLogin] 已停用: %1").arg(path));
        return true;
    }

    if (executablePath_.isEmpty() || !QFileInfo(executablePath_).isAbsolute()) {
        logError(QStringLiteral("[LaunchAtLogin] autostart 項目寫入失敗: %1 (程式路徑不明: \"%2\")")
                     .arg(path, executablePath_));
        return false;
    }
    if (!QDir().mkpath(autostartDir_)) {
        logError(QStringLiteral("[LaunchAtLogin] autostart 項目寫入失敗: %1 (無法建立資料夾 %2)")
                     .arg(path, autostartDir_));
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        logError(
            QStringLiteral("[LaunchAtLogin] autostart 項目寫入失敗: %1 (%2)").arg(path, file.errorString()));
        return false;
    }
    const QByteArray bytes = entryText(executablePath_).toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        logError(
            QStringLiteral("[LaunchAtLogin] autostart 項目寫入失敗: %1 (%2)").arg(path, file.errorString()));
        return false;
    }
    logInfo(QStringLiteral("[LaunchAtLogin] 已啟用: %1").arg(path));
    return true;
}

} // namespace mebo
