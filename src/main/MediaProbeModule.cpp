#include "main/MediaProbeModule.h"

#include "main/ModuleLoader.h"

#include <mutex>

namespace mebo {

namespace {

class ModuleMediaProbe : public platform::MediaProbe {
public:
    std::optional<platform::MediaStreamFacts> probe(const QString& path, QString* error) override {
        std::call_once(loaded_, [this] { load(); });
        if (!probe_) {
            if (error) {
                *error = reason_;
            }
            return std::nullopt;
        }
        return probe_->probe(path, error);
    }

private:
    void load() {
        QString reason;
        using Factory = platform::MediaProbe* (*)();
        if (auto create = reinterpret_cast<Factory>(resolveModuleFactory(
                QStringLiteral("libmebo_platform_ffmpeg.so"), "mebo_create_media_probe", &reason))) {
            probe_.reset(create());
            return;
        }
        reason_ = QStringLiteral("media module not loaded: ") + reason;
    }

    std::once_flag loaded_;
    std::unique_ptr<platform::MediaProbe> probe_;
    QString reason_;
};

} // namespace

std::shared_ptr<platform::MediaProbe> loadMediaProbe() {
    return std::make_shared<ModuleMediaProbe>();
}

} // namespace mebo
