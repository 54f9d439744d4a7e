#include "platform/camera/V4l2Cameras.h"

#include "platform/camera/FfmpegCameraStream.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace mebo::platform {

namespace {

// Node -> the first link to it in a /dev/v4l folder (sorted, so the choice is stable).
QHash<QString, QString> linksIn(const QString& folder) {
    QHash<QString, QString> out;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString link = dir.filePath(name);
        const QString node = QFileInfo(link).canonicalFilePath();
        if (!node.isEmpty() && !out.contains(node)) {
            out.insert(node, link);
        }
    }
    return out;
}

std::optional<QString> captureCardName(const QString& node) {
    const int fd = ::open(node.toLocal8Bit().constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    v4l2_capability cap{};
    const int r = ::ioctl(fd, VIDIOC_QUERYCAP, &cap);
    ::close(fd);
    if (r < 0) {
        return std::nullopt;
    }
    const uint32_t caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
    if (!(caps & (V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_VIDEO_CAPTURE_MPLANE))) {
        return std::nullopt;
    }
    return QString::fromUtf8(reinterpret_cast<const char*>(cap.card)).trimmed();
}

int nodeNumber(const QString& name) {
    return name.mid(5).toInt(); // "videoN"
}

} // namespace

QList<CameraDeviceInfo> listV4l2Cameras() {
    const auto byId = linksIn(QStringLiteral("/dev/v4l/by-id"));
    const auto byPath = linksIn(QStringLiteral("/dev/v4l/by-path"));
    QStringList nodes = QDir(QStringLiteral("/dev")).entryList({QStringLiteral("video*")}, QDir::System);
    std::sort(nodes.begin(), nodes.end(),
              [](const QString& a, const QString& b) { return nodeNumber(a) < nodeNumber(b); });
    QList<CameraDeviceInfo> out;
    for (const QString& name : nodes) {
        const QString node = QStringLiteral("/dev/") + name;
        const auto card = captureCardName(node);
        if (!card) {
            continue;
        }
        CameraDeviceInfo info;
        info.node = node;
        info.name = card->isEmpty() ? name : *card;
        info.uniqueId = byId.value(node, byPath.value(node, node));
        out.append(info);
    }
    return out;
}

Result<QList<CameraDeviceInfo>> V4l2CameraCapture::devices() {
    return Result<QList<CameraDeviceInfo>>::ok(listV4l2Cameras());
}

Result<QString> V4l2CameraCapture::defaultDevice() {
    const auto cameras = listV4l2Cameras();
    if (cameras.isEmpty()) {
        return Result<QString>::fail(QStringLiteral("no video capture device"));
    }
    return Result<QString>::ok(cameras.first().uniqueId);
}

Result<std::unique_ptr<CameraStream>> V4l2CameraCapture::open(const QString& deviceId,
                                                              const QString& threadName,
                                                              std::function<void(const CameraFrame&)> onFrame,
                                                              std::function<void(const QString&)> onError) {
    FfmpegCameraStream::Source source;
    if (deviceId.startsWith(QLatin1String(filePrefix))) {
        source.url = deviceId.mid(int(qstrlen(filePrefix)));
        source.device = false;
    } else {
        // The node the id points at now (a by-id link follows the camera to its new node).
        const QString node = QFileInfo(deviceId).canonicalFilePath();
        if (node.isEmpty()) {
            return Result<std::unique_ptr<CameraStream>>::fail(QStringLiteral("no device %1").arg(deviceId));
        }
        source.url = node;
        source.device = true;
    }
    return FfmpegCameraStream::start(source, threadName, std::move(onFrame), std::move(onError));
}

} // namespace mebo::platform
