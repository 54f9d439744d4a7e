#include "main/TextRecognitionModule.h"

#include "main/ModuleLoader.h"

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
        QString reason;
        using Factory = platform::TextRecognizer* (*)(const char*);
        if (auto create = reinterpret_cast<Factory>(resolveModuleFactory(
                QStringLiteral("libmebo_platform_tesseract.so"), "mebo_create_text_recognizer", &reason))) {
            const QByteArray languages = languages_.toLatin1();
            engine_.reset(create(languages.constData()));
            return;
        }
        reason_ = QStringLiteral("text recognition module not loaded: ") + reason;
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
