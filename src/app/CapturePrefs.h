#pragma once

#include <QList>
#include <QObject>
#include <QString>

namespace mebo {

namespace platform {
class DefaultsStore;
}

// Capture and export choices beyond the settings object's own: the delay before a capture, the
// notification after one, and the folder and quality of the last export. Each is stored under its
// "mebo." key at once. Main thread only.
class CapturePrefs : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxDelaySeconds = 60;
    static constexpr int kDefaultQuality = 90;

    // `defaults` must outlive the preferences.
    explicit CapturePrefs(platform::DefaultsStore& defaults, QObject* parent = nullptr);

    // The delays offered in menus: off, 3, 5 and 10 seconds.
    static QList<int> offeredDelays() { return {0, 3, 5, 10}; }
    // Seconds before a capture from the tray, a URL or the main window; 0 to 60.
    int delaySeconds() const;
    void setDelaySeconds(int seconds);
    // A desktop notification (Open, Copy, Show in Folder) after each capture.
    bool notifyAfterCapture() const;
    void setNotifyAfterCapture(bool on);
    // Where the last exported file went (Save As starts there); the Pictures folder at first.
    QString exportFolder() const;
    void setExportFolder(const QString& folder);
    // JPEG and WebP quality, 1 to 100.
    int exportQuality() const;
    void setExportQuality(int quality);

Q_SIGNALS:
    void changed(const QString& key);

private:
    void write(const char* key, const QVariant& value);

    platform::DefaultsStore& defaults_;
};

} // namespace mebo
