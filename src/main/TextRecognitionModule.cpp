#include "main/TextRecognitionModule.h"

#include "main/ModuleLoader.h"
#include "platform/TextRecognizer.h"

#include <mutex>

namespace mebo {

namespace {

class ModuleTextRecognizer : public platform::TextRecognizer {
public:
    explicit ModuleTextRecognizer(QString languages) : languages_(std::move(languages)) {}

    std::optional<QList<platform::RecognizedTextLine>> recognize(const QImage& image, QString* error,
                                                                 const std::atomic_bool* stop) override {
        return loaded(error) ? engine_->recognize(image, error, stop) : std::nullopt;
    }

private:
    bool loaded(QString* error) {
        std::call_once(loaded_, [this] { load(); });
        if (!engine_ && error) {
            *error = reason_;
        }
        return bool(engine_);
    }
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
