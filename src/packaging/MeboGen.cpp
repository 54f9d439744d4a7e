// mebo-gen: a build tool. Writes the manual page and the shell completions from the built
// program's own --help, and renders the application icon at the hicolor theme's sizes.
//   mebo-gen docs MEBO OUT-DIR TAIL.roff VERSION SUMMARY
//   mebo-gen icon ICON.svg SIZE OUT.png
#include "packaging/CliReference.h"
#include "packaging/ManPage.h"
#include "packaging/ShellCompletion.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QSaveFile>

#include <cstdio>

using namespace mebo::packaging;

namespace {

int fail(const QString& message) {
    std::fprintf(stderr, "mebo-gen: %s\n", qPrintable(message));
    return 1;
}

bool writeFile(const QString& path, const QByteArray& data) {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit();
}

int docs(const QStringList& args) {
    if (args.size() != 5) {
        return fail(QStringLiteral("usage: mebo-gen docs MEBO OUT-DIR TAIL.roff VERSION SUMMARY"));
    }
    const QString mebo = args[0];
    const QDir outDir(args[1]);
    QString error;
    const auto ref = CliReference::read(
        [&](const QStringList& helpArgs) -> std::optional<QString> {
            QProcess process;
            process.start(mebo, helpArgs);
            if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
                process.exitCode() != 0) {
                return std::nullopt;
            }
            return QString::fromUtf8(process.readAllStandardOutput());
        },
        &error);
    if (!ref) {
        return fail(error);
    }
    QFile tailFile(args[2]);
    if (!tailFile.open(QIODevice::ReadOnly)) {
        return fail(QStringLiteral("cannot read %1").arg(args[2]));
    }
    const QString tail = QString::fromUtf8(tailFile.readAll());
    const QList<std::pair<QString, QString>> outputs = {
        {QStringLiteral("mebo.1"), manPage(*ref, args[3], args[4], tail)},
        {QStringLiteral("mebo.bash"), bashCompletion(*ref)},
        {QStringLiteral("_mebo"), zshCompletion(*ref)},
        {QStringLiteral("mebo.fish"), fishCompletion(*ref)},
    };
    outDir.mkpath(QStringLiteral("."));
    for (const auto& [name, text] : outputs) {
        if (!writeFile(outDir.filePath(name), text.toUtf8())) {
            return fail(QStringLiteral("cannot write %1").arg(outDir.filePath(name)));
        }
    }
    return 0;
}

int icon(const QStringList& args) {
    bool ok = false;
    const int size = args.size() == 3 ? args[1].toInt(&ok) : 0;
    if (!ok || size <= 0) {
        return fail(QStringLiteral("usage: mebo-gen icon ICON.svg SIZE OUT.png"));
    }
    QImageReader reader(args[0]);
    reader.setScaledSize(QSize(size, size));
    const QImage image = reader.read();
    if (image.isNull()) {
        return fail(QStringLiteral("cannot render %1: %2").arg(args[0], reader.errorString()));
    }
    QSaveFile file(args[2]);
    if (!file.open(QIODevice::WriteOnly) ||
        !image.convertToFormat(QImage::Format_ARGB32).save(&file, "PNG", 9) || !file.commit()) {
        return fail(QStringLiteral("cannot write %1").arg(args[2]));
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const QString what = args.isEmpty() ? QString() : args.takeFirst();
    if (what == QLatin1String("docs")) {
        return docs(args);
    }
    if (what == QLatin1String("icon")) {
        return icon(args);
    }
    return fail(QStringLiteral("usage: mebo-gen docs|icon ..."));
}
