#pragma once

#include "app/AppearanceMode.h"
#include "app/HistoryLimitTarget.h"
#include "document/ToolKind.h"
#include "platform/DefaultsStore.h"

#include <QMap>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

namespace mebo {

// The settings object: every setting loaded once from the defaults store and written back under
// its "mebo." key as soon as it changes. Main thread only; no lock.
class Cfg : public QObject {
    Q_OBJECT
public:
    // `saveDirectoryOverride` wins over the stored folder (the command line's --save-dir).
    explicit Cfg(platform::DefaultsStore& defaults,
                 std::optional<QString> saveDirectoryOverride = std::nullopt, QObject* parent = nullptr);

    // Side-effect targets, wired by the composition root.
    void setHistoryLimitTarget(HistoryLimitTarget* target) { historyTarget_ = target; }
    void setAppearanceApplier(std::function<void(AppearanceMode)> applier) {
        applyAppearance_ = std::move(applier);
    }

    platform::DefaultsStore& defaults() const { return defaults_; }

    bool copyToClipboard() const { return copyToClipboard_; }
    void setCopyToClipboard(bool v);
    bool openEditorAfterCapture() const { return openEditorAfterCapture_; }
    void setOpenEditorAfterCapture(bool v); // not written back: read at start only
    bool playShutterSound() const { return playShutterSound_; }
    void setPlayShutterSound(bool v); // not written back: read at start only
    int historyMaxCount() const { return historyMaxCount_; }
    void setHistoryMaxCount(int v);
    QString filenameTemplate() const { return filenameTemplate_; }
    void setFilenameTemplate(const QString& v);
    // Absolute folder path.
    QString saveDirectory() const { return saveDirectory_; }
    void setSaveDirectory(const QString& path);
    bool recordSystemAudio() const { return recordSystemAudio_; }
    void setRecordSystemAudio(bool v);
    bool recordMicrophone() const { return recordMicrophone_; }
    void setRecordMicrophone(bool v);
    bool recordWebcam() const { return recordWebcam_; }
    void setRecordWebcam(bool v);
    bool recordWebcamSeparateFile() const { return recordWebcamSeparateFile_; }
    void setRecordWebcamSeparateFile(bool v);
    bool recordCursorTrail() const { return recordCursorTrail_; }
    void setRecordCursorTrail(bool v);
    bool recordClickRipple() const { return recordClickRipple_; }
    void setRecordClickRipple(bool v);
    std::optional<QString> selectedMicDeviceId() const { return selectedMicDeviceId_; }
    void setSelectedMicDeviceId(std::optional<QString> v);
    std::optional<QString> selectedCameraDeviceId() const { return selectedCameraDeviceId_; }
    void setSelectedCameraDeviceId(std::optional<QString> v);
    std::optional<QString> selectedLanguage() const { return selectedLanguage_; }
    QString webcamPosition() const { return webcamPosition_; }
    void setWebcamPosition(const QString& v);
    double webcamScale() const { return webcamScale_; }
    void setWebcamScale(double v);
    QString videoCodec() const { return videoCodec_; }
    void setVideoCodec(const QString& v);
    QString recordQuality() const { return recordQuality_; }
    void setRecordQuality(const QString& v);
    int recordFps() const { return recordFps_; }
    void setRecordFps(int v);
    AppearanceMode appearanceMode() const { return appearanceMode_; }
    void setAppearanceMode(AppearanceMode v);
    QMap<QString, QString> shortcutOverrides() const { return shortcutOverrides_; }
    void setShortcutOverrides(const QMap<QString, QString>& v);

    // The key that activates `tool` in the editor, or nothing when it has none or it is disabled.
    std::optional<QString> shortcutKey(ToolKind tool) const;
    // The first tool (in ToolKind order) whose effective key equals `key` exactly.
    std::optional<ToolKind> tool(const QString& shortcutKey) const;

    // The factory Pictures/mebo folder.
    static QString defaultSaveDirectory();

Q_SIGNALS:
    void changed(const QString& key);

private:
    void load(const std::optional<QString>& saveDirectoryOverride);
    bool readBool(const char* key) const;
    QString readString(const char* key, const QString& fallback) const;
    void write(const char* key, const QVariant& value);

    platform::DefaultsStore& defaults_;
    HistoryLimitTarget* historyTarget_ = nullptr;
    std::function<void(AppearanceMode)> applyAppearance_;

    bool copyToClipboard_ = false;
    bool openEditorAfterCapture_ = true;
    bool playShutterSound_ = true;
    int historyMaxCount_ = 0;
    QString filenameTemplate_;
    QString saveDirectory_;
    bool recordSystemAudio_ = true;
    bool recordMicrophone_ = false;
    bool recordWebcam_ = false;
    bool recordWebcamSeparateFile_ = true;
    bool recordCursorTrail_ = false;
    bool recordClickRipple_ = true;
    std::optional<QString> selectedMicDeviceId_;
    std::optional<QString> selectedCameraDeviceId_;
    std::optional<QString> selectedLanguage_;
    QString webcamPosition_;
    double webcamScale_ = 0.2;
    QString videoCodec_;
    QString recordQuality_;
    int recordFps_ = 15;
    AppearanceMode appearanceMode_ = AppearanceMode::system;
    QMap<QString, QString> shortcutOverrides_;
};

} // namespace mebo
