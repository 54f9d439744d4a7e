#include "MeboHome.h"
#include "TestPaths.h"
#include "capture/ScreenCaptureSvc.h"
#include "main/AccessibilityModule.h"
#include "main/PlatformLoader.h"
#include "platform/WindowServer.h"
#include "platform/x11/DesktopTools.h"
#include "support/TestUtil.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>
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
        for (const QByteArray& id : search.stdOut.trimmed().split('\n')) {
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

enum class Engine { chromium, firefox };

// A Firefox profile that opens nothing but the page asked for: no first-run or privacy tabs, no
// network, no session to restore after the test ends it.
QStringList firefoxArgs(const QString& profile) {
    QDir().mkpath(profile);
    QFile prefs(profile + QStringLiteral("/user.js"));
    if (prefs.open(QIODevice::WriteOnly)) {
        for (const char* pref :
             {"browser.shell.checkDefaultBrowser\", false",
              "browser.startup.homepage_override.mstone\", \"ignore\"",
              "browser.aboutwelcome.enabled\", false", "datareporting.policy.dataSubmissionEnabled\", false",
              "toolkit.telemetry.reportingpolicy.firstRun\", false",
              "browser.sessionstore.resume_from_crash\", false",
              "network.captive-portal-service.enabled\", false",
              "network.connectivity-service.enabled\", false", "browser.newtabpage.enabled\", false"}) {
            prefs.write(QByteArray("user_pref(\"") + pref + ");\n");
        }
    }
    return {QStringLiteral("--no-remote"), QStringLiteral("--new-instance"), QStringLiteral("--profile"),
            profile};
}

// The whole page as the same browser renders it in a viewport as tall as the page, once per page.
QImage renderWhole(Engine engine, const QString& name, int width, int height, const QString& dir) {
    const QString out = dir + QStringLiteral("/reference-") + name + QStringLiteral(".png");
    const QString size = QStringLiteral("--window-size=%1,%2").arg(width).arg(height);
    QStringList args{QStringLiteral("firefox-esr"), QStringLiteral("--headless")};
    if (engine == Engine::firefox) {
        args << firefoxArgs(dir + QStringLiteral("/headless-firefox")) << QStringLiteral("--screenshot")
             << out;
    } else {
        args =
            QStringList{QStringLiteral("chromium")} + browserFlags(dir + QStringLiteral("/headless-profile"));
        args.removeAll(QStringLiteral("--force-renderer-accessibility"));
        args << QStringLiteral("--headless") << QStringLiteral("--hide-scrollbars")
             << QStringLiteral("--screenshot=") + out;
    }
    if (!QFile::exists(out)) {
        mebo::test::run(args << size << pageUrl(name), {}, 120000);
    }
    return QImage(out).convertToFormat(QImage::Format_RGB32);
}

// Every strip of the first `rows` rows of `image` found in the reference at its own height (8 rows
// of tolerance), over the columns both share away from the scroll bar. Empty when they match.
QString stripsMismatch(const QImage& image, const QImage& reference, int rows) {
    const int x0 = 24;
    const int x1 = std::min(image.width(), reference.width()) - 24;
    const int strip = 24;
    auto cost = [&](int cy, int ry) {
        qint64 sum = 0;
        int n = 0;
        for (int y = 0; y < strip; y += 2) {
            const auto* a = reinterpret_cast<const QRgb*>(image.constScanLine(cy + y));
            const auto* b = reinterpret_cast<const QRgb*>(reference.constScanLine(ry + y));
            for (int x = x0; x < x1; x += 3) {
                sum += std::abs(qGray(a[x]) - qGray(b[x]));
                ++n;
            }
        }
        return double(sum) / std::max(n, 1);
    };
    const int last = reference.height() - strip;
    for (int y = 0; y + strip <= std::min({image.height(), rows, last}); y += 48) {
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
            return QStringLiteral("rows %1..%2 match the page at row %3 (difference %4)")
                .arg(QString::number(y), QString::number(y + strip), QString::number(best),
                     QString::number(bestCost));
        }
    }
    return {};
}

QString compareWithReference(const QImage& capture, const QImage& reference, int pageHeight) {
    if (capture.height() < pageHeight * 98 / 100 || capture.height() > pageHeight + 24) {
        return QStringLiteral("the capture is %1 rows high, the page %2")
            .arg(capture.height())
            .arg(pageHeight);
    }
    return stripsMismatch(capture, reference, pageHeight);
}

// The title tells the scroll position before a busy browser has painted it: a capture starts only
// once the screen shows the page's top as the reference does.
void expectTopOnScreen(const PageFacts& page, const QImage& reference) {
    QString shown;
    const bool top = mebo::test::waitUntil(
        [&] {
            const QImage screen = rootPixels({}, &shown);
            if (!screen.isNull()) {
                shown = stripsMismatch(screen.copy(page.left, page.top, page.width, page.height), reference,
                                       page.height);
            }
            return !screen.isNull() && shown.isEmpty();
        },
        30000);
    EXPECT_TRUE(top) << "the screen does not show the page's top: " << shown.toStdString();
}

// Firefox takes no key events sent to a window: its keys go through XTest to the active window.
void toTop(const QString& window, Engine engine) {
    if (engine == Engine::firefox) {
        runTool("xdotool", {"windowactivate", "--sync", window});
        runTool("xdotool", {"key", "ctrl+Home"});
    } else {
        runTool("xdotool", {"key", "--window", window, "ctrl+Home"});
    }
}

// Waits for the window showing the page `title`, gives it 1,280 x 900 at the top-left corner and
// scrolls the page to its top.
PageFacts placePage(const QString& name, const QString& title, Engine engine = Engine::chromium) {
    auto facts = findPage(title, 60000);
    EXPECT_TRUE(facts) << "no browser window shows " << name.toStdString();
    if (!facts) {
        return {};
    }
    const QString id = QString::number(facts->window);
    runTool("xdotool", {"windowsize", id, "1280", "900"});
    runTool("xdotool", {"windowmove", id, "0", "0"});
    runTool("xdotool", {"windowactivate", "--sync", id});
    toTop(id, engine);
    // The page reports the new size once the resize reached it, and its scroll position.
    // Firefox counts the window manager's frame in its outer size.
    auto settled = findPage(title, 30000, [](const PageFacts& f) {
        return std::abs(f.outer.width() - 1280) <= 2 && f.outer.height() >= 900 && f.outer.height() <= 930 &&
               f.scroll == 0;
    });
    EXPECT_TRUE(settled) << "the window did not take the size or the page its top " << name.toStdString();
    return settled ? *settled : *facts;
}

// A scroll capture of the page, by its area or by its window, against the whole page rendered by
// the same browser. `viaTree`: the page must come from the accessibility tree, not from the
// window's motion.
void checkCapture(const MeboHome& home, const PageFacts& page, const QString& name, Engine engine,
                  const QString& dir, bool byWindow, bool viaTree = false) {
    ASSERT_GT(page.page, 3 * page.height) << "the page is too short to test scrolling";
    const QImage reference = renderWhole(engine, name, page.width, page.page, dir);
    ASSERT_FALSE(reference.isNull());
    expectTopOnScreen(page, reference);
    const QString shots =
        home.path() + (byWindow ? QStringLiteral("/window-shots") : QStringLiteral("/shots"));
    const QStringList target =
        byWindow ? QStringList{"--window", QString::number(page.window)}
                 : QStringList{"--geometry", QString::asprintf("%dx%d+%d+%d", page.width, page.height,
                                                               page.left, page.top)};
    const auto r = home.run(QStringList{"capture", "scroll"} + target +
                                QStringList{"--save-dir", shots, "--json", "--verbose"},
                            {}, 180000);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    if (viaTree) {
        EXPECT_TRUE(r.err.contains(QStringLiteral("[ScrollCapture] 使用 AX 內容區修正選區")))
            << r.err.toStdString();
    }
    const QJsonObject out = QJsonDocument::fromJson(r.stdOut).object();
    EXPECT_EQ(out.value("mode").toString(), "scroll");
    EXPECT_GT(out.value("frames").toInt(), 3);
    const QImage capture = QImage(out.value("path").toString()).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(capture.isNull());
    // The page's own scroll bar may come with it; an overlay bar (Firefox's) covers the page's
    // last columns while it scrolls, which are left out with it.
    EXPECT_GE(capture.width(), page.width - (engine == Engine::firefox ? 12 : 0));
    EXPECT_LE(capture.width(), page.width + 20);
    EXPECT_EQ(out.value("height").toInt(), capture.height());
    EXPECT_EQ(compareWithReference(capture, reference, page.page).toStdString(), "") << r.err.toStdString();
    // In the library, with the history entry of a scroll capture.
    const QJsonArray entries = libraryIndex(shots);
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries.first().toObject().value("mode").toString(), "scroll");
    EXPECT_EQ(entries.first().toObject().value("id").toString(), out.value("historyId").toString());
}

// A suite's browser showing the page with the fixed header, when the test desktop has the
// accessibility bus on and the browser is installed; nothing otherwise.
Child* startBrowser(const QString& program, QStringList args, const QString& logFile) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") || qEnvironmentVariable("MEBO_TEST_A11Y") != "1" ||
        QStandardPaths::findExecutable(program).isEmpty()) {
        return nullptr;
    }
    // Its chatter goes to a file: nothing reads a pipe while the test waits.
    auto* browser = new Child;
    browser->start(QStringList{program} + (args << pageUrl("header.html")), {}, logFile);
    return browser;
}

class ScrollCapture : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new QTemporaryDir;
        browser =
            startBrowser(QStringLiteral("chromium"), browserFlags(dir->path() + QStringLiteral("/profile")),
                         dir->filePath(QStringLiteral("browser-header.log")));
    }
    static void TearDownTestSuite() {
        qDeleteAll(std::exchange(others, {})); // each stops its browser
        delete std::exchange(browser, nullptr);
        delete std::exchange(dir, nullptr);
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
            auto* other = new Child;
            other->start(QStringList{QStringLiteral("chromium")} + (flags << pageUrl(name)), {},
                         dir->filePath(QStringLiteral("browser-") + name + QStringLiteral(".log")));
            others.append(other);
        }
        return placePage(name, title);
    }

    void capturesThePage(const QString& name, const QString& title, bool byWindow, bool accessible = true) {
        checkCapture(home, show(name, title, accessible), name, Engine::chromium, dir->path(), byWindow);
    }

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
    capturesThePage(QStringLiteral("header.html"), QStringLiteral("Header"), false);
}

TEST_F(ScrollCapture, GeometryOfACodeListingGivesTheWholePage) {
    capturesThePage(QStringLiteral("code.html"), QStringLiteral("Code"), false);
}

// The window's page whatever the search of the accessibility tree answers: the document, or, when
// it answers the table or runs out of time, the rows that move when the window scrolls.
TEST_F(ScrollCapture, WindowOfAWideTableGivesThePageWithoutTheBrowsersChrome) {
    capturesThePage(QStringLiteral("table.html"), QStringLiteral("Table"), true);
}

// A browser that exposes no tree: the bars are what stays put while a dark page scrolls.
TEST_F(ScrollCapture, WindowOfABrowserWithoutATreeGivesThePageByMotion) {
    capturesThePage(QStringLiteral("dark.html"), QStringLiteral("Dark"), true, false);
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

// Firefox ESR, when it is installed: its page tree comes with the accessibility bus alone.
class FirefoxScrollCapture : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new QTemporaryDir;
        browser =
            startBrowser(QStringLiteral("firefox-esr"), firefoxArgs(dir->path() + QStringLiteral("/profile")),
                         dir->filePath(QStringLiteral("browser-header.log")));
    }
    static void TearDownTestSuite() {
        delete std::exchange(browser, nullptr);
        delete std::exchange(dir, nullptr);
    }
    void SetUp() override {
        if (!browser) {
            GTEST_SKIP()
                << "needs the test desktop with the accessibility bus (MEBO_TEST_A11Y=1) and firefox-esr";
        }
    }
    static QTemporaryDir* dir;
    static Child* browser;
    MeboHome home;
};

QTemporaryDir* FirefoxScrollCapture::dir = nullptr;
Child* FirefoxScrollCapture::browser = nullptr;

// A page with a fixed header: the window, whose page the tree names, then the page's area. The
// window comes first: right after scrolling a long page Firefox answers the tree slowly for a while.
TEST_F(FirefoxScrollCapture, WindowAndGeometryGiveTheWholePage) {
    const PageFacts page =
        placePage(QStringLiteral("header.html"), QStringLiteral("Header"), Engine::firefox);
    {
        SCOPED_TRACE("--window");
        checkCapture(home, page, QStringLiteral("header.html"), Engine::firefox, dir->path(), true, true);
    }
    toTop(QString::number(page.window), Engine::firefox); // the capture waits for the screen to show it
    SCOPED_TRACE("--geometry");
    checkCapture(home, page, QStringLiteral("header.html"), Engine::firefox, dir->path(), false);
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
