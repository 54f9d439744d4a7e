// `mebo update` and `mebo companion` as scripts run them, against local servers.
#include "services/ChildProcess.h"
#include "services/PublisherKey.h"
#include "services/ServiceFixtures.h"
#include "services/UpdateArchive.h"
#include "support/FakeHttpServer.h"

#include "TestPaths.h"
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace mebo;
using namespace mebo::test;

namespace {

class ServiceCommands : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* v : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "TMPDIR"}) {
            env.insert(v, home.path());
        }
        for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            env.insert(v, std::nullopt);
        }
        env.insert("MEBO_PUBLISHER_KEY", publisherKeyBase64());
        env.insert("MEBO_UPDATE_FEED_URL", server.url("/appcast.xml"));
        env.insert("MEBO_TEST_NETWORK_TIMEOUT_MS", "3000");
    }
    ChildProcess::Outcome mebo(const QStringList& args, const QString& program = MEBO_BINARY) {
        return ChildProcess::run(program, args, 120000, env);
    }
    void publish(const QString& version, const QByteArray& archive) {
        server.route("/release.tar.gz", 200, archive, "application/gzip");
        server.route(
            "/appcast.xml", 200,
            appcast({appcastItem(
                version, "9", server.url("/release.tar.gz"), archive.size(),
                QString::fromLatin1(platform::sodium::sign(archive, publisherKeys().secretKey).toBase64()))}),
            "application/xml");
    }

    QTemporaryDir home;
    FakeHttpServer server;
    ChildProcess::Environment env;
};

TEST_F(ServiceCommands, UpdateCheckReportsAnUpdateAndWhyABuildFolderDoesNotInstallIt) {
    publish("99.0", makeReleaseArchive("99.0", programScript("99.0")));
    const auto check = mebo({"update", "check", "--json"});
    ASSERT_EQ(check.exitCode, 0) << check.err.constData();
    const QJsonObject o = QJsonDocument::fromJson(check.out).object();
    EXPECT_EQ(o.value("status"), "updateAvailable");
    EXPECT_EQ(o.value("available"), "99.0");
    EXPECT_EQ(o.value("canInstall"), false);
    EXPECT_TRUE(o.value("installNotice").toString().contains("build folder"));

    const auto install = mebo({"update", "install"});
    EXPECT_EQ(install.exitCode, 1);
    EXPECT_TRUE(install.err.contains("build folder")) << install.err.constData();
    EXPECT_EQ(server.count("/release.tar.gz"), 0);
}

TEST_F(ServiceCommands, UpdateInstallReplacesAnInstallTreeAndAnUnreachableFeedFails) {
    // This build, installed as a tree of its own, updates itself to a (scripted) 99.0.
    const QString root = home.filePath("apps/mebo");
    QDir().mkpath(root + "/bin");
    QDir().mkpath(root + "/lib/mebo");
    for (const auto& [from, to] :
         {std::pair{QStringLiteral(MEBO_BINARY), root + "/bin/mebo"},
          {QStringLiteral(MEBO_BUILD_DIR "/lib/mebo/mebo-full"), root + "/lib/mebo/mebo-full"}}) {
        ASSERT_TRUE(ChildProcess::run("/usr/bin/objcopy", {"--strip-debug", from, to}, 120000).succeeded());
    }
    publish("99.0", makeReleaseArchive("99.0", programScript("99.0")));
    const auto install = mebo({"update", "install"}, root + "/bin/mebo");
    ASSERT_EQ(install.exitCode, 0) << install.err.constData();
    EXPECT_EQ(install.out.trimmed(),
              "installed Mebo 99.0 in " + QDir(root).canonicalPath().toUtf8() + " (restart Mebo to use it)");
    EXPECT_TRUE(install.err.contains("downloading Mebo 99.0: 100%")) << install.err.constData();
    EXPECT_TRUE(fileBytes(root + "/bin/mebo").contains("mebo 99.0"));
    EXPECT_TRUE(
        QDir(home.filePath("apps")).entryList({".mebo-update-*"}, QDir::Dirs | QDir::Hidden).isEmpty());

    server.route("/appcast.xml", 500, "");
    const auto failed = mebo({"update", "check"});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(failed.err.trimmed(), "mebo: The update feed answered HTTP 500.");
}

TEST_F(ServiceCommands, CompanionInstallReportsARefusalAsJson) {
    env.insert("MEBO_TASU_FEED_URL", server.url("/tasu.xml"));
    server.route("/tasu.xml", 200, "<rss><channel><item/></channel></rss>", "application/xml");
    const auto run = mebo({"companion", "install", "--json"});
    EXPECT_EQ(run.exitCode, 1);
    const QJsonObject o = QJsonDocument::fromJson(run.out).object();
    EXPECT_EQ(o.value("installed"), false);
    EXPECT_EQ(o.value("error"), "parseError");
    EXPECT_EQ(mebo({"companion", "remove"}).exitCode, 2);
    EXPECT_EQ(mebo({"update", "check", "extra"}).exitCode, 2);
}

TEST_F(ServiceCommands, TheReleaseScriptsMakeAKeyAndAnItemTheUpdaterAccepts) {
    env.insert("MEBO_SIGN", MEBO_SIGN_BINARY);
    const QString key = home.filePath("publisher.key");
    const auto keygen = ChildProcess::run(MEBO_SOURCE_DIR "/scripts/release-keygen.sh", {key}, 60000, env);
    ASSERT_TRUE(keygen.succeeded()) << keygen.err.constData();
    EXPECT_EQ(QFile::permissions(key) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
    EXPECT_EQ(ChildProcess::run(MEBO_SOURCE_DIR "/scripts/release-keygen.sh", {key}, 60000, env).exitCode, 1);
    const auto publicKey = PublisherKey::fromBase64(QString::fromLatin1(fileBytes(key + ".pub")));
    ASSERT_TRUE(publicKey);

    const QString archive = home.filePath("mebo-1.2.3-x86_64.tar.gz");
    writeFile(archive, makeReleaseArchive("1.2.3", programScript("1.2.3")));
    const QString feed = home.filePath("appcast.xml");
    const auto signedItem =
        ChildProcess::run(MEBO_SOURCE_DIR "/scripts/sign-release.sh",
                          {archive, "--key", key, "--url", "https://example.org/a&b.tar.gz", "--build", "123",
                           "--appcast", feed},
                          60000, env);
    ASSERT_TRUE(signedItem.succeeded()) << signedItem.err.constData();
    EXPECT_TRUE(signedItem.out.contains("<sparkle:shortVersionString>1.2.3</sparkle:shortVersionString>"));
    const auto items = Appcast::parse(fileBytes(feed));
    ASSERT_TRUE(items) << items.error().toStdString();
    ASSERT_EQ(items->size(), 1);
    const AppcastItem item = items->first();
    EXPECT_EQ(item.version, "123");
    EXPECT_EQ(item.enclosureUrl.toString(), "https://example.org/a&b.tar.gz");
    platform::SodiumCodeSigning signing;
    EXPECT_EQ(UpdateArchive::verify(archive, item, &*publicKey, signing), QString());
    // A name without a version needs one.
    QFile::copy(archive, home.filePath("release.tar.gz"));
    EXPECT_EQ(ChildProcess::run(MEBO_SOURCE_DIR "/scripts/sign-release.sh",
                                {home.filePath("release.tar.gz"), "--key", key}, 60000, env)
                  .exitCode,
              2);
}

} // namespace
