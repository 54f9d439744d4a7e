#include "services/TasuInstallError.h"

namespace mebo {

QString TasuDownloadError::name() const {
    switch (kind) {
    case Kind::invalidURL:
        return QStringLiteral("invalidURL");
    case Kind::parseError:
        return QStringLiteral("parseError");
    case Kind::downloadFailed:
        return QStringLiteral("downloadFailed");
    case Kind::unzipFailed:
        return QStringLiteral("unzipFailed");
    case Kind::appNotFound:
        break;
    }
    return QStringLiteral("appNotFound");
}

QString TasuDownloadError::message() const {
    switch (kind) {
    case Kind::invalidURL:
        return QStringLiteral("無效的下載地址");
    case Kind::parseError:
        return QStringLiteral("無法解析下載信息");
    case Kind::downloadFailed:
        return QStringLiteral("下載失敗");
    case Kind::unzipFailed:
        return QStringLiteral("無法解壓安裝包");
    case Kind::appNotFound:
        break;
    }
    return QStringLiteral("安裝包中找不到應用");
}

QString TasuInstallError::name() const {
    switch (kind) {
    case Kind::unzipFailed:
        return QStringLiteral("unzipFailed");
    case Kind::bundleIdMismatch:
        return QStringLiteral("bundleIdMismatch");
    case Kind::codeSignatureInvalid:
        return QStringLiteral("codeSignatureInvalid");
    case Kind::teamIdMismatch:
        return QStringLiteral("teamIdMismatch");
    case Kind::fsError:
        return QStringLiteral("fsError");
    case Kind::appNotInZip:
        return QStringLiteral("appNotInZip");
    case Kind::unsafeEntry:
        break;
    }
    return QStringLiteral("unsafeEntry");
}

QString TasuInstallError::description() const {
    switch (kind) {
    case Kind::unzipFailed:
        return QStringLiteral("Unzip failed (exit %1)").arg(status);
    case Kind::bundleIdMismatch:
        return QStringLiteral("bundleId %1 ≠ expected %2 — 拒絕安裝")
            .arg(found.value_or(QStringLiteral("nil")), expected);
    case Kind::codeSignatureInvalid:
        return QStringLiteral("Code signature invalid (status=%1) — 拒絕安裝").arg(status);
    case Kind::teamIdMismatch:
        return QStringLiteral("Team ID %1 ≠ expected %2 — 拒絕安裝")
            .arg(found.value_or(QStringLiteral("nil")), expected);
    case Kind::fsError:
        return QStringLiteral("Filesystem error: ") + message;
    case Kind::appNotInZip:
        return QStringLiteral("Downloaded archive does not contain a .app");
    case Kind::unsafeEntry:
        break;
    }
    return QStringLiteral("Archive entry %1 leaves the staging folder — 拒絕安裝").arg(message);
}

} // namespace mebo
