// A picture pinned to the screen, the Save As filters and the tray icon on light and dark panels.
#include "ui/ImageOutputs.h"
#include "support/TestUtil.h"
#include "ui/PinWindow.h"
#include "ui/StatusIcon.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <QPointer>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace mebo {
namespace {

QImage checker(QSize size) {
    QImage img(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            img.setPixel(x, y, (x / 10 + y / 10) % 2 ? qRgb(240, 90, 20) : qRgb(20, 60, 200));
        }
    }
    return img;
}

void wheel(QWidget* w, QPoint at, int notches) {
    QWheelEvent e(QPointF(at), QPointF(w->mapToGlobal(at)), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

TEST(PinWindow, ZoomsAboutThePointerCopiesAndClosesWithEscape) {
    QPointer<PinWindow> pin = new PinWindow(checker({200, 100}), QStringLiteral("shot.png"));
    pin->show();
    const double dpr = pin->devicePixelRatioF();
    EXPECT_EQ(pin->size(), QSize(int(200 / dpr), int(100 / dpr)));
    EXPECT_TRUE(pin->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(pin->windowFlags() & Qt::FramelessWindowHint);

    const QRect before = pin->geometry();
    wheel(pin, QPoint(0, 0), 1); // about the top-left corner: it stays
    EXPECT_DOUBLE_EQ(pin->zoom(), PinWindow::kZoomStep);
    EXPECT_EQ(pin->geometry().topLeft(), before.topLeft());
    EXPECT_GT(pin->width(), before.width());
    for (int i = 0; i < 40; ++i) {
        wheel(pin, QPoint(5, 5), -1);
    }
    EXPECT_DOUBLE_EQ(pin->zoom(), PinWindow::kMinZoom); // never below the floor

    QTest::keyClick(pin, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(200, 100));
    QTest::keyClick(pin, Qt::Key_Escape);
    test::drainEvents();
    EXPECT_TRUE(pin.isNull()); // closed and gone
}

TEST(ImageOutputs, SaveAsOffersPngJpegAndWebpAndKeepsTheNamesType) {
    const QStringList filters = ImageOutputs::fileFilters();
    ASSERT_EQ(filters.size(), 3);
    const struct {
        const char* name;
        int filter;
    } cases[] = {{"a.png", 0}, {"b.JPG", 1}, {"c.jpeg", 1}, {"d.webp", 2}, {"e", 0}, {"f.bmp", 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(ImageOutputs::filterFor(QString::fromLatin1(c.name)), filters.at(c.filter)) << c.name;
    }
}

// Light strokes alone vanish on a light panel: the icon keeps enough contrast on both.
TEST(StatusIcon, StandsOutOnLightAndDarkPanels) {
    for (const QIcon& icon : {StatusIcon::viewfinder(false), StatusIcon::countdown(3)}) {
        const QImage glyph = icon.pixmap(22, 22).toImage().convertToFormat(QImage::Format_ARGB32);
        for (const QColor& panel : {QColor(0xf6, 0xf5, 0xf4), QColor(0x24, 0x1f, 0x31)}) {
            QImage shown(glyph.size(), QImage::Format_RGB32);
            shown.fill(panel);
            QPainter(&shown).drawImage(0, 0, glyph);
            int contrasting = 0;
            for (int y = 0; y < shown.height(); ++y) {
                for (int x = 0; x < shown.width(); ++x) {
                    contrasting += std::abs(qGray(shown.pixel(x, y)) - qGray(panel.rgb())) > 90 ? 1 : 0;
                }
            }
            EXPECT_GT(contrasting, 25) << panel.name().toStdString();
        }
    }
}

} // namespace
} // namespace mebo
