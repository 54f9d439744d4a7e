#include "main/ModuleLoader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QStringList>

namespace mebo {

QFunctionPointer resolveModuleFactory(const QString& fileName, const char* symbol, QString* error) {
    const QDir appDir(QCoreApplication::applicationDirPath());
    QStringList reasons;
    for (const QString& path :
         {appDir.filePath(fileName), appDir.filePath(QStringLiteral("../lib/mebo/") + fileName)}) {
        if (!QFileInfo::exists(path)) {
            continue;
        }
        QLibrary lib(path);
        if (QFunctionPointer factory = lib.resolve(symbol)) {
            return factory;
        }
        reasons << lib.errorString();
    }
    if (error) {
        *error =
            reasons.isEmpty() ? fileName + QStringLiteral(" not found") : reasons.join(QStringLiteral("; "));
    }
    return nullptr;
}

} // namespace mebo
