#include "ui/ImageOutputs.h"

#include "ui/PinWindow.h"

#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QStandardPaths>
#include <algorithm>

namespace mebo {

QStringList ImageOutputs::fileFilters() {
    return {QObject::tr("PNG image (*.png)"), QObject::tr("JPEG image (*.jpg *.jpeg)"),
            QObject::tr("WebP image (*.webp)")};
}

QString ImageOutputs::filterFor(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    const QStringList filters = fileFilters();
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")) {
        return filters.at(1);
    }
    if (suffix == QLatin1String("webp")) {
        return filters.at(2);
    }
    return filters.at(0);
}

void ImageOutputs::askSavePath(QWidget* parent, const QString& baseName, const QString& lastFolder,
                               std::function<void(const QString&)> chosen) {
    QString folder = lastFolder;
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    }
    if (!QFileInfo(folder).isDir()) {
        folder = QDir::homePath();
    }
    auto* dialog = new QFileDialog(parent, QObject::tr("Save As"),
                                   QDir(folder).filePath(baseName + QStringLiteral(".png")));
    dialog->setNameFilters(fileFilters());
    dialog->selectNameFilter(fileFilters().first());
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("png"));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Picking another type changes the suffix the name gets when it has none.
    QObject::connect(dialog, &QFileDialog::filterSelected, dialog, [dialog](const QString& filter) {
        const int at = fileFilters().indexOf(filter);
        dialog->setDefaultSuffix(at == 1   ? QStringLiteral("jpg")
                                 : at == 2 ? QStringLiteral("webp")
                                           : QStringLiteral("png"));
    });
    QObject::connect(dialog, &QFileDialog::fileSelected, dialog, std::move(chosen));
    dialog->open();
}

void ImageOutputs::print(QWidget* parent, const QImage& picture, const QString& title) {
    auto* printer = new QPrinter(QPrinter::HighResolution);
    printer->setDocName(title);
    auto* dialog = new QPrintDialog(printer, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QObject::destroyed, dialog, [printer] { delete printer; });
    QObject::connect(dialog, &QDialog::accepted, dialog, [printer, picture] {
        QPainter painter(printer);
        const QRect page = painter.viewport();
        const QSize fitted = picture.size().scaled(page.size(), Qt::KeepAspectRatio);
        const QRect target(page.x() + (page.width() - fitted.width()) / 2,
                           page.y() + (page.height() - fitted.height()) / 2, fitted.width(), fitted.height());
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, picture);
    });
    dialog->open();
}

void ImageOutputs::pin(const QImage& picture, const QString& title) {
    auto* pin = new PinWindow(picture, title);
    // Beside the pointer, inside the screen's free area.
    QRect at(QCursor::pos() - QPoint(pin->width() / 2, pin->height() / 2), pin->size());
    if (const QScreen* screen = QGuiApplication::screenAt(QCursor::pos())) {
        const QRect room = screen->availableGeometry();
        at.moveLeft(std::clamp(at.left(), room.left(), std::max(room.left(), room.right() - at.width())));
        at.moveTop(std::clamp(at.top(), room.top(), std::max(room.top(), room.bottom() - at.height())));
    }
    pin->move(at.topLeft());
    pin->show();
    pin->raise();
    pin->activateWindow();
}

} // namespace mebo
