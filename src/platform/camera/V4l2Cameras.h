#pragma once

#include "platform/CameraCapture.h"

namespace mebo::platform {

// The video capture devices (V4L2 nodes that capture video; UVC cameras also make metadata-only
// nodes, which are left out). A camera's unique id is its /dev/v4l/by-id link, else its by-path
// link, else the node, so a chosen camera is found again after replugging or a reboot.
QList<CameraDeviceInfo> listV4l2Cameras();

// Cameras through V4L2 (read by libavdevice) and video files played as cameras ("file:PATH").
class V4l2CameraCapture : public CameraCapture {
public:
    Result<QList<CameraDeviceInfo>> devices() override;
    Result<QString> defaultDevice() override;
    Result<std::unique_ptr<CameraStream>> open(const QString& deviceId, const QString& threadName,
                                               std::function<void(const CameraFrame&)> onFrame,
                                               std::function<void(const QString&)> onError) override;
};

} // namespace mebo::platform
