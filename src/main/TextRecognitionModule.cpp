#include "main/TextRecognitionModule.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <mutex>

namespace mebo {

namespace {

class ModuleTextRecognizer : public platform::TextRecognizer {
public:
    explicit ModuleTextRecognizer(QString languages) : languages_(std::move(languages)) {}

    std::optional<QList<platform::RecognizedTextLine>> recognize(const QImage& image,
                                                                 QString* error) override {
        std::call_once(loaded_, [this] { load(); });
        if (!engine_) {
            if (error) {
                *error = reason_;
            }
            return std::nullopt;
        }
        return engine_->recognize(image, error);
    }

private:
    void load() {
        const QDir appDir(QCoreApplication::applicationDirPath());
        const QStringList candidates{
            appDir.filePath(QStringLiteral("libmebo_platform_tesseract.so")),
            appDir.filePath(QStringLiteral("../lib/mebo/libmebo_platform_tesseract.so"))};
        QStringList reasons;
        for (const QString& path : candidates) {
            if (!QFileInfo::exists(path)) {
                continue;
            }
            QLibrary lib(path);
            using Factory = platform::TextRecognizer* (*)(const char*);
            if (auto create = reinterpret_cast<Factory>(lib.resolve("mebo_create_text_recognizer"))) {
                const QByteArray languages = languages_.toLatin1();
                engine_.reset(create(languages.constData())); // the library stays loaded
                return;
            }
            reasons << lib.errorString();
        }
        reason_ = QStringLiteral("text recognition module not loaded: ") +
                  (reasons.isEmpty() ? QStringLiteral("libmebo_platform_tesseract.so not found")
                                     : reasons.join(QStringLiteral("; ")));
    }

    QString languages_;
    std::once_flag loaded_;
    std::unique_ptr<platform::TextRecognizer> engine_;
    QString reason_;
};

} // namespace

std::shared_ptr<platform::TextRecognizer> loadTextRecognizer(const QString& languages) {
    return std::make_shared<ModuleTextRecognizer>(languages);
}

} // namespace mebo
