#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>

namespace mebo {

class Cfg;
struct CaptureResult;

// Writes captures as PNG files into the save folder under the filename template. Main thread.
class ImageStore {
public:
    explicit ImageStore(Cfg& cfg);

    // Creates the save folder (and parents); logs the folder either way.
    void ensureSaveDirectory();
    // Answers the written file's absolute path, or nothing (logged).
    std::optional<QString> write(const CaptureResult& result);
    // The same for a capture already encoded by `encode` (called once the name is chosen); the
    // part that needs no Qt Gui.
    std::optional<QString> write(const QDateTime& date, const std::function<QByteArray()>& encode);
    // The template expanded with `date` (the base name, without ".png").
    QString expandFilenameTemplate(const QDateTime& date) const;
    // Every "{pattern}" replaced by `date` formatted with that Unicode date pattern (en_US_POSIX,
    // the current time zone); text outside braces unchanged.
    static QString expandTemplate(const QString& filenameTemplate, const QDateTime& date);

private:
    Cfg& cfg_;
};

} // namespace mebo
