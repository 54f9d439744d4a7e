#include "main/ModuleLoader.h"

#include "app/InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QStringList>

namespace mebo {

QFunctionPointer resolveModuleFactory(const QString& fileName, const char* symbol, QString* error) {
    // The layout's module folder; beside the executable for a build that still puts them there.
    const QDir appDir(QCoreApplication::applicationDirPath());
    QStringList reasons;
    for (const QString& path :
         {QDir(InstallLayout::current().modulesDir()).filePath(fileName), appDir.filePath(fileName)}) {
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
