#include "capture/ClipboardSvc.h"

#include "app/AppLogger.h"
#include "capture/PngWriter.h"
#include "platform/Clipboard.h"

#include <QFileInfo>

namespace mebo {

ClipboardSvc::ClipboardSvc(platform::Clipboard& clipboard) : clipboard_(clipboard) {}

bool ClipboardSvc::copyImage(const QImage& image, const QString& context) {
    const QByteArray png = image.isNull() ? QByteArray() : PngWriter::encode(image);
    if (png.isEmpty()) {
        logError(QStringLiteral("[Clipboard] PNG 編碼失敗 (%1)").arg(context));
        return false;
    }
    clipboard_.clear();
    if (clipboard_.writePng(png)) {
        return true;
    }
    clipboard_.clear();
    if (clipboard_.writeImageObject(image)) {
        return true;
    }
    logError(QStringLiteral("[Clipboard] 寫入圖片剪貼板失敗 (%1)").arg(context));
    return false;
}

bool ClipboardSvc::copyPng(const QByteArray& png, const QString& context) {
    clipboard_.clear();
    if (!png.isEmpty() && clipboard_.writePng(png)) {
        return true;
    }
    clipboard_.clear();
    if (clipboard_.writeImageObject(QImage::fromData(png, "PNG"))) {
        return true;
    }
    logError(QStringLiteral("[Clipboard] 寫入圖片剪貼板失敗 (%1)").arg(context));
    return false;
}

bool ClipboardSvc::copyCapture(const CaptureResult& result) {
    if (!copyImage(result.image, QStringLiteral("capture"))) {
        return false;
    }
    logInfo(QStringLiteral("[Clipboard] 已寫入剪貼板 (%1×%2)")
                .arg(result.image.width())
                .arg(result.image.height()));
    return true;
}

bool ClipboardSvc::copyFile(const QString& path, const QString& context) {
    if (!QFileInfo::exists(path)) {
        logError(QStringLiteral("[Clipboard] 文件不存在, 無法複製: ") + path);
        return false;
    }
    clipboard_.clear();
    const platform::Clipboard::FileWrite w = clipboard_.writeFile(path);
    if (!w.url && !w.fileList && !w.text) {
        logError(QStringLiteral("[Clipboard] 寫入文件剪貼板失敗 (%1): %2").arg(context, path));
        return false;
    }
    logInfo(QStringLiteral("[Clipboard] 已寫入文件剪貼板 (%1): %2, string=%3")
                .arg(context, path, w.text ? QStringLiteral("true") : QStringLiteral("false")));
    return true;
}

} // namespace mebo
