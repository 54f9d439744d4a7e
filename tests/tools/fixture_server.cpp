// A local stand-in for the feedback server and the update feed, for screenshots of the settings
// window: prints its address and serves canned tickets and a newer release until it is stopped.
#include "support/FakeHttpServer.h"

#include <QCoreApplication>
#include <QDateTime>
#include <cstdio>

using mebo::test::FakeHttpServer;

namespace {

QByteArray at(qint64 secondsAgo) {
    return QDateTime::currentDateTimeUtc()
        .addSecs(-secondsAgo)
        .toString("yyyy-MM-dd HH:mm:ss +0000")
        .toUtf8();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    FakeHttpServer server;
    server.route("/api/tickets", 200,
                 R"({"_res":"ok","results":[
                   {"uuid":"T1","category":"bug","title":"Scrolling capture stops halfway in Firefox","status":"replied",
                    "atime":")" +
                     at(90000) + R"(","mtime":")" + at(1800) + R"("},
                   {"uuid":"T2","category":"feature","title":"Export GIFs at 30 fps","status":"pending",
                    "atime":")" +
                     at(100000) + R"(","mtime":")" + at(95000) + R"("},
                   {"uuid":"T3","category":"question","title":"Where are my captures kept?","status":"closed",
                    "atime":")" +
                     at(900000) + R"(","mtime":")" + at(800000) + R"("}]})");
    server.route(
        "/api/ticket/T1", 200,
        R"({"_res":"ok","ticket":{"uuid":"T1","category":"bug","title":"Scrolling capture stops halfway in Firefox",
                   "content":"On long pages the capture ends after about twenty screens.","status":"replied",
                   "atime":")" +
            at(90000) + R"(","mtime":")" + at(1800) + R"(","comments":[
                   {"id":"1","author_type":"user","author_id":"me","content":"It happens with smooth scrolling on.",
                    "atime":")" +
            at(86000) + R"("},
                   {"id":"2","author_type":"admin","author_id":"7","content":"Thanks! The next version scrolls in smaller steps; could you try it when it is out?",
                    "atime":")" +
            at(1800) + R"("}]}})");
    server.route(
        "/appcast.xml", 200,
        QStringLiteral(
            R"(<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
                   <channel><item><title>Mebo 9.9.0</title><sparkle:version>990</sparkle:version>
                   <sparkle:shortVersionString>9.9.0</sparkle:shortVersionString>
                   <sparkle:releaseNotesLink>%2</sparkle:releaseNotesLink>
                   <description><![CDATA[<p>Scrolling captures stitch long pages in smaller steps.</p>
                   <p>GIF export keeps 30 frames per second.</p>]]></description>
                   <enclosure url="%1" length="1000" sparkle:edSignature="AAAA"/></item></channel></rss>)")
            .arg(server.url("/mebo-9.9.0-x86_64.tar.gz"))
            .toUtf8(),
        "application/xml");
    std::printf("%s\n", server.url().toUtf8().constData());
    std::fflush(stdout);
    return app.exec();
}
