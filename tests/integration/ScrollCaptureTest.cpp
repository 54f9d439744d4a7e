#include "MeboHome.h"
#include "TestPaths.h"
#include "capture/ScreenCaptureSvc.h"
#include "main/AccessibilityModule.h"
#include "main/PlatformLoader.h"
#include "platform/WindowServer.h"
#include "platform/x11/DesktopTools.h"
#include "support/TestUtil.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

using namespace mebo::test;
using namespace mebo::test::x11;

namespace {

// The browser's flags for a closed test machine run as root; the tree of its pages is exposed
// with --force-renderer-accessibility (this Chromium ignores the accessibility bus's switch).
QStringList browserFlags(const QString& profile) {
    return {QStringLiteral("--no-sandbox"),
            QStringLiteral("--test-type"),
            QStringLiteral("--user-data-dir=") + profile,
            QStringLiteral("--disable-gpu"),
            QStringLiteral("--no-first-run"),
            QStringLiteral("--disable-background-networking"),
            QStringLiteral("--disable-component-update"),
            QStringLiteral("--disable-sync"),
            QStringLiteral("--force-renderer-accessibility")};
}

QString pageUrl(const QString& name) {
    return QStringLiteral("file://") + MEBO_TEST_DATA_DIR + QStringLiteral("/scroll/") + name;
}

// What a test page says about itself in its title.
struct PageFacts {
    uint32_t window = 0;
    int top = 0;    // rows of the window above the page
    int left = 0;   // columns of the window left of the page (the browser's own border)
    int width = 0;  // the page's width without the vertical scroll bar
    int height = 0; // visible rows without a horizontal scroll bar
    int page = 0;   // the whole page's height
    int scroll = 0; // rows scrolled
    QSize outer;    // the browser window
};

// Waits for a window showing the page titled `title` whose facts satisfy `ready`.
std::optional<PageFacts> findPage(const QString& title, int timeoutMs,
                                  const std::function<bool(const PageFacts&)>& ready = {}) {
    static const QRegularExpression form(QStringLiteral(
        R"(^(\S+) mebo-scroll-test top=(\d+) left=(\d+) width=(\d+) height=(\d+) page=(\d+) scroll=(\d+) outer=(\d+)x(\d+))"));
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        const auto search = runTool("xdotool", {"search", "--name", "mebo-scroll-test"});
        for (const QByteArray& id : search.stdOut.split('\n')) {
            if (id.trimmed().isEmpty()) {
                continue;
            }
            const auto name = runTool("xdotool", {"getwindowname", QString::fromLatin1(id.trimmed())});
            const auto m = form.match(name.out);
            if (!m.hasMatch() || m.captured(1) != title) {
                continue;
            }
            const PageFacts f{id.trimmed().toUInt(), m.captured(2).toInt(),
                              m.captured(3).toInt(), m.captured(4).toInt(),
                              m.captured(5).toInt(), m.captured(6).toInt(),
                              m.captured(7).toInt(), QSize(m.captured(8).toInt(), m.captured(9).toInt())};
            if (!ready || ready(f)) {
                return f;
            }
        }
        QThread::msleep(100); // polling xdotool, not waiting for time to pass
    }
    return std::nullopt;
}

// The whole page as the same browser renders it in a viewport as tall as the page.
QImage renderWhole(const QString& name, int width, int height, const QString& dir) {
    const QString out = dir + QStringLiteral("/reference-") + name + QStringLiteral(".png");
    QStringList args = browserFlags(dir + QStringLiteral("/headless-profile"));
    args.removeAll(QStringLiteral("--force-renderer-accessibility"));
    args << QStringLiteral("--headless") << QStringLiteral("--hide-scrollbars")
         << QStringLiteral("--screenshot=") + out
         << QStringLiteral("--window-size=%1,%2").arg(width).arg(height) << pageUrl(name);
    mebo::test::run(QStringList{QStringLiteral("chromium")} + args, {}, 120000);
    return QImage(out).convertToFormat(QImage::Format_RGB32);
}

// Every strip of the capture found in the reference at its own height (8 rows of tolerance), over
// the columns both share away from the scroll bar. Empty when it matches, else what went wrong.
QString compareWithReference(const QImage& capture, const QImage& reference, int pageHeight) {
    if (capture.height() < pageHeight * 98 / 100) {
        return QStringLiteral("the capture is %1 rows high, the page %2")
            .arg(capture.height())
            .arg(pageHeight);
    }
    if (capture.height() > pageHeight + 24) {
        return QStringLiteral("the capture is %1 rows high, the page only %2")
            .arg(capture.height())
            .arg(pageHeight);
    }
    const int x0 = 24;
    const int x1 = std::min(capture.width(), reference.width()) - 24;
    const int strip = 24;
    auto cost = [&](int cy, int ry) {
        qint64 sum = 0;
        int n = 0;
        for (int y = 0; y < strip; y += 2) {
            const auto* a = reinterpret_cast<const QRgb*>(capture.constScanLine(cy + y));
            const auto* b = reinterpret_cast<const QRgb*>(reference.constScanLine(ry + y));
            for (int x = x0; x < x1; x += 3) {
                sum += std::abs(qGray(a[x]) - qGray(b[x]));
                ++n;
            }
        }
        return double(sum) / std::max(n, 1);
    };
    const int last = std::min(pageHeight, reference.height()) - strip;
    for (int y = 0; y + strip <= std::min(capture.height(), last); y += 48) {
        int best = -1;
        double bestCost = 1e9;
        for (int r = std::max(0, y - 40); r <= std::min(last, y + 40); ++r) {
            const double c = cost(y, r);
            if (c < bestCost || (c == bestCost && std::abs(r - y) < std::abs(best - y))) {
                bestCost = c;
                best = r;
            }
        }
        if (bestCost > 8.0 || std::abs(best - y) > 8) {
            return QStringLiteral("rows %1..%2 of the capture match the page at row %3 (difference %4)")
                .arg(y)
                .arg(y + strip)
                .arg(best)
                .arg(bestCost);
        }
    }
    return {};
}

class ScrollCapture : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (qEnvironmentVariableIsEmpty("DISPLAY") || qEnvironmentVariable("MEBO_TEST_A11Y") != "1" ||
            QStandardPaths::findExecutable(QStringLiteral("chromium")).isEmpty()) {
            return;
        }
        dir = new QTemporaryDir;
        browser = startBrowser(browserFlags(dir->path() + QStringLiteral("/profile")) << pageUrl("header.html"),
                               QStringLiteral("header"));
    }
    static void TearDownTestSuite() {
        qDeleteAll(std::exchange(others, {}));
        delete browser;
        delete dir;
        browser = nullptr;
        dir = nullptr;
    }
    void SetUp() override {
        if (!browser) {
            GTEST_SKIP()
                << "needs the test desktop with the accessibility bus (MEBO_TEST_A11Y=1) and chromium";
        }
    }
    // Shows `name` in a browser window of its own at the top-left corner, scrolled to its top.
    // Without `accessible`, the browser runs as users start it: no tree of its pages.
    PageFacts show(const QString& name, const QString& title, bool accessible = true) {
        if (name != QLatin1String("header.html")) {
            // A browser of its own: with two windows of one browser on top of each other, the
            // accessibility tree may answer for the hidden one (see docs/decisions.md).
            QStringList flags = browserFlags(dir->path() + QStringLiteral("/profile-") + name);
            if (!accessible) {
                flags.removeAll(QStringLiteral("--force-renderer-accessibility"));
            }
            others.append(startBrowser(flags << pageUrl(name), name));
        }
        auto facts = findPage(title, 60000);
        EXPECT_TRUE(facts) << "no browser window shows " << name.toStdString();
        if (!facts) {
            return {};
        }
        const QString id = QString::number(facts->window);
        runTool("xdotool", {"windowsize", id, "1280", "900"});
        runTool("xdotool", {"windowmove", id, "0", "0"});
        runTool("xdotool", {"windowactivate", "--sync", id});
        // The page reports the new size once the resize reached it, and its scroll position.
        const QSize size(1280, 900);
        if (!findPage(title, 30000, [&](const PageFacts& f) { return f.outer == size; })) {
            ADD_FAILURE() << "the browser window did not take the size " << name.toStdString();
        }
        runTool("xdotool", {"key", "--window", id, "ctrl+Home"});
        auto settled =
            findPage(title, 30000, [&](const PageFacts& f) { return f.outer == size && f.scroll == 0; });
        EXPECT_TRUE(settled) << "the page did not scroll to its top " << name.toStdString();
        return settled ? *settled : *facts;
    }

    // Its chatter goes to a file: nothing reads a pipe while the test waits.
    static Child* startBrowser(const QStringList& flags, const QString& name) {
        auto* browser = new Child;
        browser->start(QStringList{QStringLiteral("chromium")} + flags, {},
                       dir->filePath(QStringLiteral("browser-") + name + QStringLiteral(".log")));
        return browser;
    }
    void geometryGivesTheWholePage(const QString& name, const QString& title);
    void windowGivesThePage(const QString& name, const QString& title, bool accessible);

    static QTemporaryDir* dir;
    static Child* browser;
    static QList<Child*> others; // browsers of the other pages
    MeboHome home;
};

QTemporaryDir* ScrollCapture::dir = nullptr;
Child* ScrollCapture::browser = nullptr;
QList<Child*> ScrollCapture::others;

// The page area of a page with a fixed header, and of a code listing (text on the left, lines
// that look alike a few rows apart).
TEST_F(ScrollCapture, GeometryOfAPageWithAFixedHeaderGivesTheWholePage) {
    geometryGivesTheWholePage(QStringLiteral("header.html"), QStringLiteral("Header"));
}

TEST_F(ScrollCapture, GeometryOfACodeListingGivesTheWholePage) {
    geometryGivesTheWholePage(QStringLiteral("code.html"), QStringLiteral("Code"));
}

void ScrollCapture::geometryGivesTheWholePage(const QString& name, const QString& title) {
    const PageFacts page = show(name, title);
    ASSERT_GT(page.page, 3 * page.height) << "the page is too short to test scrolling";
    const QString shots = home.path() + QStringLiteral("/shots");
    const auto r =
        home.run({"capture", "scroll", "--geometry",
                  QStringLiteral("%1x%2+%3+%4").arg(page.width).arg(page.height).arg(page.left).arg(page.top),
                  "--save-dir", shots, "--json", "--verbose"},
                 {}, 180000);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject out = QJsonDocument::fromJson(r.stdOut).object();
    EXPECT_EQ(out.value("mode").toString(), "scroll");
    EXPECT_GT(out.value("frames").toInt(), 3);
    const QImage capture = QImage(out.value("path").toString()).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(capture.isNull());
    // The page's width; the page's own scroll bar may come with it (the accessibility tree's page
    // area replaces a region that differs from it by a few points).
    EXPECT_GE(capture.width(), page.width);
    EXPECT_LE(capture.width(), page.width + 20);
    EXPECT_EQ(out.value("height").toInt(), capture.height());
    const QImage reference = renderWhole(name, page.width, page.page, dir->path());
    ASSERT_FALSE(reference.isNull());
    EXPECT_EQ(compareWithReference(capture, reference, page.page).toStdString(), "") << r.err.toStdString();
    // In the library, with the history entry of a scroll capture.
    const QJsonArray entries = libraryIndex(shots);
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries.first().toObject().value("mode").toString(), "scroll");
    EXPECT_EQ(entries.first().toObject().value("id").toString(), out.value("historyId").toString());
}

// The window's page whatever the search of the accessibility tree answers: the document, or, when
// it answers the table or runs out of time, the rows that move when the window scrolls.
TEST_F(ScrollCapture, WindowOfAWideTableGivesThePageWithoutTheBrowsersChrome) {
    windowGivesThePage(QStringLiteral("table.html"), QStringLiteral("Table"), true);
}

// A browser that exposes no tree: the bars are what stays put while a dark page scrolls.
TEST_F(ScrollCapture, WindowOfABrowserWithoutATreeGivesThePageByMotion) {
    windowGivesThePage(QStringLiteral("dark.html"), QStringLiteral("Dark"), false);
}

void ScrollCapture::windowGivesThePage(const QString& name, const QString& title, bool accessible) {
    const PageFacts page = show(name, title, accessible);
    ASSERT_GT(page.page, 3 * page.height);
    const auto r = home.run({"capture", "scroll", "--window", QString::number(page.window), "--save-dir",
                             home.path() + QStringLiteral("/shots"), "--json", "--verbose"},
                            {}, 180000);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject out = QJsonDocument::fromJson(r.stdOut).object();
    const QImage capture = QImage(out.value("path").toString()).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(capture.isNull());
    // The page's width, with its vertical scroll bar at most.
    EXPECT_GE(capture.width(), page.width);
    EXPECT_LE(capture.width(), page.width + 20);
    const QImage reference = renderWhole(name, page.width, page.page, dir->path());
    EXPECT_EQ(compareWithReference(capture, reference, page.page).toStdString(), "") << r.err.toStdString();
}

TEST(ScrollCaptureCli, BadInputEndsWithOneLineAndNothingSaved) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        GTEST_SKIP() << "needs the test desktop";
    }
    MeboHome home;
    const QString shots = home.path() + QStringLiteral("/shots");
    struct Case {
        QStringList args;
        const char* message;
    };
    for (const Case& c :
         {Case{{"--geometry", "400x400+5000+5000"}, "lies outside every display"},
          Case{{"--window", "0x7fffff0"}, "no window"}, Case{{"--geometry", "400x"}, "bad geometry"}}) {
        QStringList args{"capture", "scroll"};
        args << c.args << "--save-dir" << shots;
        const auto r = home.run(args);
        EXPECT_NE(r.exitCode, 0) << c.message;
        EXPECT_TRUE(r.err.contains(QString::fromLatin1(c.message))) << r.err.toStdString();
        EXPECT_EQ(r.err.count(QLatin1Char('\n')), 0) << r.err.toStdString();
    }
    EXPECT_TRUE(QDir(shots).entryList({"*.png"}, QDir::Files).isEmpty());
}

} // namespace

// The overlay's content area over a browser: the page the accessibility tree names, asked off
// the main thread.
TEST_F(ScrollCapture, TheOverlayIsOfferedTheBrowsersPageAsAContentArea) {
    const PageFacts page = show(QStringLiteral("header.html"), QStringLiteral("Header"));
    mebo::ScreenBackends backends = mebo::loadScreenBackends();
    ASSERT_TRUE(backends.available());
    mebo::ScreenCaptureSvc screenshots(*backends.screen, *backends.windows);
    mebo::AccessibilityModule accessibility(screenshots, *backends.windows);
    const auto query = accessibility.contentAreaQuery();
    ASSERT_TRUE(query) << "no accessibility module";
    std::optional<mebo::platform::WindowInfo> window;
    for (const auto& w : backends.windows->windowsFrontToBack()) {
        if (w.windowId == page.window) {
            window = w;
        }
    }
    ASSERT_TRUE(window);
    // A search has 0.8 s, and a browser just started may take longer to answer: the pointer
    // moving on asks again, as here at the next points.
    std::optional<mebo::WindowSnapper::ContentArea> found;
    QDeadlineTimer patience(30000);
    for (int i = 0; !found && !patience.hasExpired(); ++i) {
        bool answered = false;
        query(*window, QPoint(page.left + page.width / 2 + 8 * (i % 40), page.top + page.height / 2),
              [&](std::optional<mebo::WindowSnapper::ContentArea> a) {
                  found = a;
                  answered = true;
              });
        ASSERT_TRUE(mebo::test::waitUntil([&] { return answered; }, 30000));
    }
    ASSERT_TRUE(found);
    // The page with its scroll bar, not the window with its tab strip and toolbar.
    EXPECT_EQ(found->rect.top(), page.top);
    EXPECT_EQ(found->rect.left(), page.left);
    EXPECT_GE(found->rect.width(), page.width);
    EXPECT_LE(found->rect.width(), page.width + 20);
    EXPECT_EQ(found->rect.height(), page.height);
}
