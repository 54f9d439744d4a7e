#include "app/SingleInstance.h"
#include "app/CaptureUrl.h"
#include "support/Files.h"
#include "support/ScopedEnv.h"
#include "support/TestUtil.h"

#include <future>
#include <gtest/gtest.h>

namespace mebo {
namespace {

// Every mode (an unknown one or none is an area capture, said in the log), the remembered targets,
// and what is not a capture command.
TEST(CaptureUrl, ModesRememberedTargetsAndWhatIsNotACaptureCommand) {
    using Target = CaptureRequest::Target;
    const struct {
        const char* url;
        CaptureMode mode;
        Target target;
    } cases[] = {
        {"mebo://capture?mode=lastRegion", CaptureMode::area, Target::lastRegion},
        {"mebo://capture?mode=activeWindow", CaptureMode::window, Target::activeWindow},
        {"mebo://capture?mode=display", CaptureMode::fullscreen, Target::chosen},
        {"mebo://capture?mode=window", CaptureMode::window, Target::chosen},
        {"mebo://capture?mode=panorama", CaptureMode::area, Target::chosen},
        {"mebo://capture", CaptureMode::area, Target::chosen},
        {"mebo://capture?x=1&mode=window&mode=scroll", CaptureMode::window, Target::chosen},
    };
    for (const auto& c : cases) {
        const auto request = CaptureUrl::requestFor(QString::fromLatin1(c.url));
        ASSERT_TRUE(request) << c.url;
        EXPECT_EQ(request->mode, c.mode) << c.url;
        EXPECT_EQ(request->target, c.target) << c.url;
        EXPECT_EQ(request->source, CaptureRequest::Source::urlScheme);
        EXPECT_FALSE(request->delaySeconds) << c.url; // the user's setting applies
    }
    // Other commands, a scheme written otherwise (the text as given counts), nothing readable.
    for (const char* url :
         {"mebo://settings", "mebo:capture", "MEBO://capture?mode=window", "mebo://Capture", ""}) {
        EXPECT_FALSE(CaptureUrl::requestFor(QString::fromLatin1(url))) << url;
    }
    test::LogCapture log;
    CaptureUrl::requestFor(QStringLiteral("mebo://capture?mode=panorama"));
    EXPECT_TRUE(log.contains(
        QStringLiteral("[AppDelegate] unknown capture mode 'panorama': an area capture starts")));
}

TEST(SingleInstance, ASocketLeftByACrashedInstanceIsTakenOver) {
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("instance"));
    test::writeBytes(name, {}); // a file where the socket was, nobody behind it
    SingleInstance instance(name);
    EXPECT_TRUE(instance.listen()) << instance.errorString().toStdString();
}

TEST(SingleInstance, EachDisplayHasItsOwnInstance) {
    const test::ScopedEnv runtime("XDG_RUNTIME_DIR", "/run/user/7");
    // The display's number (or host and number) after the name.
    const std::pair<const char*, const char*> cases[] = {
        {":0", ".0"}, {":1.0", ".1"}, {":1", ".1"}, {"unix:12.1", ".12"}, {"localhost:10.0", ".localhost-10"},
        {"", ""}};
    for (const auto& [display, suffix] : cases) {
        const test::ScopedEnv env("DISPLAY", display);
        EXPECT_EQ(SingleInstance::defaultServerName(),
                  "/run/user/7/app.mebo.instance" + QString::fromLatin1(suffix))
            << display;
    }
}

// A request (the command line handing the clipboard to the running application) is answered by
// its handler; one nobody handles gets no answer. Asked from another thread: the instance answers
// on this one.
TEST(SingleInstance, RequestsAreAnsweredByTheirHandlerOnly) {
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("instance"));
    SingleInstance running(name);
    ASSERT_TRUE(running.listen());
    running.setRequestHandler(QStringLiteral("join"), [](const QStringList& a) { return a.join('+'); });
    const SingleInstance later(name);
    for (const auto& [request, answer] :
         {std::pair{QStringList{"join", "a", "b"}, std::optional<QString>("a+b")},
          std::pair{QStringList{"other", "a"}, std::optional<QString>()}}) {
        // std::async, not QtConcurrent: the thread checker sees the hand-over to its thread.
        auto asked = std::async(std::launch::async, [&] { return later.ask(request, 1000); });
        ASSERT_TRUE(test::waitUntil(
            [&] { return asked.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 10000));
        EXPECT_EQ(asked.get(), answer) << request.join(' ').toStdString();
    }
}

} // namespace
} // namespace mebo
