// The companion's installer against a local feed: what it installs, everything it refuses, and
// the rollback of a failed copy; nothing may stay in the temporary folder.
#include "services/TasuInstaller.h"
#include "services/CodeSignature.h"
#include "services/PropertyList.h"
#include "services/ServiceFixtures.h"
#include "support/Answer.h"
#include "support/FakeHttpServer.h"
#include "support/TestUtil.h"
#include "support/ZipWriter.h"

#include <gtest/gtest.h>

using namespace mebo;
using namespace mebo::test;

namespace {

QByteArray infoPlist(const QString& bundleId) {
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST "
               "1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\"><dict>"
               "<key>CFBundleIdentifier</key><string>%1</string><key>CFBundleName</key><string>Tasu</string>"
               "<key>LSUIElement</key><true/><key>Size</key><integer>3</integer></dict></plist>")
        .arg(bundleId)
        .toUtf8();
}

// A Tasu.app folder in `dir`, signed with `keys` unless null.
QString makeApp(const QString& dir, const QString& bundleId, const platform::sodium::KeyPair* keys,
                const QByteArray& program = "#!/bin/sh\necho tasu\n") {
    const QString app = QDir(dir).filePath("Tasu.app");
    writeFile(app + "/Contents/Info.plist", infoPlist(bundleId));
    writeFile(app + "/Contents/bin/tasu", program, true);
    if (keys) {
        QString error;
        const QByteArray manifest = CodeSignature::buildManifest(app, &error);
        writeFile(app + "/" + CodeSignature::manifestPath(), manifest);
        writeFile(
            app + "/" + CodeSignature::signaturePath(),
            CodeSignature::signatureFile(platform::sodium::sign(manifest, keys->secretKey), keys->publicKey));
    }
    return app;
}

class Companion : public ::testing::Test {
protected:
    void SetUp() override {
        TasuInstaller::Setup setup;
        setup.appcastURL = server.url("/tasu/appcast.xml");
        setup.publisherKey = PublisherKey::fromBase64(publisherKeyBase64());
        setup.installPath = home.filePath("Applications/Tasu.app");
        setup.tempDir = temp.path();
        installer = std::make_unique<TasuInstaller>(setup, signing);
        server.route("/tasu/appcast.xml", 200,
                     QStringLiteral("<rss><channel><item><enclosure type=\"application/zip\" url=\"%1\" "
                                    "length=\"1\"/></item></channel></rss>")
                         .arg(server.url("/tasu/Tasu-1.0.zip"))
                         .toUtf8(),
                     "application/xml");
    }
    void serve(const ZipWriter& zip) {
        server.route("/tasu/Tasu-1.0.zip", 200, zip.bytes(), "application/zip");
    }
    ZipWriter signedApp() {
        QTemporaryDir work;
        ZipWriter zip;
        zip.addTree(makeApp(work.path(), "app.mebo.tasu", &publisherKeys()));
        return zip;
    }
    std::optional<TasuFailure> install() {
        const auto failure = answerOf<std::optional<TasuFailure>>([&](auto done) {
            installer->install(done);
            EXPECT_TRUE(installer->isInstalling());
        });
        EXPECT_FALSE(installer->isInstalling());
        return failure.value_or(std::nullopt);
    }
    QString installedProgram() const {
        return QString::fromUtf8(fileBytes(home.filePath("Applications/Tasu.app/Contents/bin/tasu")));
    }
    QStringList tempLeft() const {
        return QDir(temp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    FakeHttpServer server;
    QTemporaryDir home;
    QTemporaryDir temp;
    std::shared_ptr<platform::SodiumCodeSigning> signing = std::make_shared<platform::SodiumCodeSigning>();
    LogCapture logs;
    std::unique_ptr<TasuInstaller> installer;
};

TEST_F(Companion, InstallsASignedTasuAndLeavesNothingInTheTemporaryFolder) {
    serve(signedApp());
    EXPECT_FALSE(installer->isTasuInstalled());
    EXPECT_EQ(install(), std::nullopt);
    EXPECT_TRUE(installer->isTasuInstalled());
    EXPECT_TRUE(QFileInfo(installer->executable()).isExecutable());
    EXPECT_TRUE(tempLeft().isEmpty()) << tempLeft().join(' ').toStdString();
    for (const QString& line : {"[TasuInstaller] 開始下載 Tasu from " + server.url("/tasu/appcast.xml"),
                                "[TasuInstaller] 下載 URL: " + server.url("/tasu/Tasu-1.0.zip"),
                                QStringLiteral("[TasuInstaller] 已下載到 Tasu-1.0.zip"),
                                QStringLiteral("✅ [TasuInstaller] Tasu.app 安裝完成 + 全部驗證通過")}) {
        EXPECT_TRUE(logs.contains(line)) << line.toStdString();
    }
    // A second install replaces the first, through a backup that is removed afterwards.
    serve(signedApp());
    EXPECT_EQ(install(), std::nullopt);
    EXPECT_TRUE(
        logs.messages().filter("[TasuInstaller] 已備份舊版到 " + temp.path() + "/mebo_tasu_backup_").size() ==
        1);
    EXPECT_TRUE(tempLeft().isEmpty());
}

struct Refusal {
    const char* name;
    const char* error;       // the failure's case name
    const char* description; // its text, or a part of it
};

class CompanionRefusals : public Companion, public ::testing::WithParamInterface<Refusal> {};

TEST_P(CompanionRefusals, AreRefusedBeforeAnythingIsInstalled) {
    const std::string name = GetParam().name;
    QTemporaryDir work;
    const QString app = makeApp(work.path(), name == "otherIdentity" ? "app.mebo.Tasu" : "app.mebo.tasu",
                                name == "unsigned"   ? nullptr
                                : name == "otherKey" ? &foreignKeys()
                                                     : &publisherKeys());
    if (name == "changedAfterSigning" || name == "extraFile") {
        writeFile(app + (name == "extraFile" ? "/Contents/bin/helper" : "/Contents/bin/tasu"), "#!/bin/sh\n",
                  true);
    }
    ZipWriter zip;
    if (name == "noApplication") {
        zip.addFile("README.txt", "hello");
    } else {
        zip.addTree(app);
    }
    if (name == "dotDot" || name == "absolute") {
        zip.addFile(name == "dotDot" ? "../escaped.txt" : temp.path() + "/absolute.txt", "x");
    } else if (name == "linkOutside") {
        zip.addSymlink("Tasu.app/Contents/out", "../../../../etc");
    }
    if (name == "notAZip") {
        server.route("/tasu/Tasu-1.0.zip", 200, "PK but not really", "application/zip");
    } else {
        serve(zip);
    }
    const auto failure = install();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->name, GetParam().error);
    EXPECT_TRUE(failure->description.contains(QString::fromUtf8(GetParam().description)))
        << failure->description.toStdString();
    EXPECT_FALSE(installer->isTasuInstalled());
    EXPECT_TRUE(tempLeft().isEmpty()) << tempLeft().join(' ').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Companion, CompanionRefusals,
    ::testing::Values(Refusal{"otherIdentity", "bundleIdMismatch",
                              "bundleId app.mebo.Tasu ≠ expected app.mebo.tasu — 拒絕安裝"},
                      Refusal{"otherKey", "codeSignatureInvalid",
                              "Code signature invalid (status=-67050) — 拒絕安裝"},
                      Refusal{"unsigned", "codeSignatureInvalid", "(status=-67062)"},
                      Refusal{"changedAfterSigning", "codeSignatureInvalid", "(status=-67054)"},
                      Refusal{"extraFile", "codeSignatureInvalid", "(status=-67054)"},
                      Refusal{"noApplication", "appNotInZip", "Downloaded archive does not contain a .app"},
                      Refusal{"dotDot", "unsafeEntry", "../escaped.txt"},
                      Refusal{"absolute", "unsafeEntry", "absolute.txt"},
                      Refusal{"linkOutside", "unsafeEntry", "Tasu.app/Contents/out"},
                      Refusal{"notAZip", "unzipFailed", "Unzip failed (exit 9)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Companion, DownloadFailuresHaveTheirMessages) {
    server.route("/tasu/appcast.xml", 200,
                 "<rss><channel><item><title>no enclosure</title></item></channel></rss>");
    auto failure = install();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->description, "無法解析下載信息");
    EXPECT_EQ(server.count("/tasu/Tasu-1.0.zip"), 0);

    server.route("/tasu/appcast.xml", 200,
                 R"(<rss><item><enclosure length="1" url="not a url"/></item></rss>)");
    EXPECT_EQ(install()->description, "無效的下載地址");

    server.route("/tasu/appcast.xml", 300, "<rss/>"); // an answer outside 2xx is not read as a feed
    EXPECT_EQ(install()->description, "下載失敗");

    SetUp(); // the feed again, now with a missing archive
    failure = install();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->name, "downloadFailed");
    EXPECT_EQ(failure->description, "下載失敗");
    EXPECT_TRUE(tempLeft().isEmpty());
}

TEST_F(Companion, ACopyFailureOverAnInstallationPutsThePreviousOneBack) {
    serve(signedApp());
    ASSERT_EQ(install(), std::nullopt);
    writeFile(home.filePath("Applications/Tasu.app/Contents/bin/tasu"), "#!/bin/sh\necho previous\n", true);
    installer->setCopyItem([](const QString& from, const QString& to) {
        TasuInstaller::copyTree(from + "/Contents/Info.plist", to); // a partial copy, then the disk is full
        return QStringLiteral("No space left on device");
    });
    const auto failure = install();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->description, "Filesystem error: copy new: No space left on device");
    EXPECT_TRUE(installedProgram().contains("previous"));
    EXPECT_TRUE(logs.contains("[TasuInstaller] copyItem 失敗: No space left on device"));
    EXPECT_TRUE(logs.contains("[TasuInstaller] 安裝失敗, 已成功回滾舊版"));
    EXPECT_TRUE(tempLeft().isEmpty());
}

struct FeedText {
    const char* feed;
    const char* url; // empty: refused
};

class EnclosureUrls : public ::testing::TestWithParam<FeedText> {};

TEST_P(EnclosureUrls, ComeFromTheFirstEnclosure) {
    const auto result = TasuInstaller::enclosureUrl(QString::fromUtf8(GetParam().feed));
    if (QByteArray(GetParam().url).isEmpty()) {
        EXPECT_TRUE(std::holds_alternative<TasuDownloadError>(result));
    } else {
        ASSERT_TRUE(std::holds_alternative<QUrl>(result));
        EXPECT_EQ(std::get<QUrl>(result).toString(), GetParam().url);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Companion, EnclosureUrls,
    ::testing::Values(
        FeedText{R"(<enclosure url="https://a.example/T-1.zip" length="5"/>)", "https://a.example/T-1.zip"},
        FeedText{R"(<enclosure type="x" url="https://a.example/1.zip"/><enclosure url="https://b/2.zip"/>)",
                 "https://a.example/1.zip"},
        FeedText{R"(<link url="https://a.example/x.zip"/>)", ""},
        FeedText{R"(<enclosure length="1" url="relative/path.zip"/>)", ""}));

// What the installer reads (the identity, beside a flag and a number) is its own tests'; here what
// is no property list.
TEST(PropertyList, RefusesWhatIsNotOne) {
    EXPECT_FALSE(PropertyList::parse("<html/>"));
    EXPECT_FALSE(PropertyList::parse("<plist><dict><string>value without key</string></dict></plist>"));
    EXPECT_FALSE(PropertyList::parse("<plist><integer>x</integer></plist>"));
}

TEST(CodeSignature, AnApplicationSignedByThePinnedKeyIsValidOnlyForItsTeam) {
    QTemporaryDir dir;
    const QString app = makeApp(dir.path(), "app.mebo.tasu", &publisherKeys());
    platform::SodiumCodeSigning signing;
    const auto pinned = PublisherKey::fromBase64(publisherKeyBase64());
    EXPECT_EQ(CodeSignature::check(app, pinned->keyId(), &*pinned, signing), CodeSignature::valid);
    EXPECT_EQ(CodeSignature::check(app, "0000000000", &*pinned, signing), CodeSignature::requirementInvalid);
    EXPECT_EQ(CodeSignature::check(app, pinned->keyId(), nullptr, signing),
              CodeSignature::requirementInvalid);
    EXPECT_EQ(CodeSignature::check(dir.filePath("Missing.app"), pinned->keyId(), &*pinned, signing),
              CodeSignature::staticCodeNotFound);
    // Making a file executable changes what was signed.
    QFile::setPermissions(app + "/Contents/Info.plist",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(CodeSignature::check(app, pinned->keyId(), &*pinned, signing), CodeSignature::badResource);
    writeFile(app + "/" + CodeSignature::signaturePath(), "{not json");
    EXPECT_EQ(CodeSignature::check(app, pinned->keyId(), &*pinned, signing),
              CodeSignature::badDictionaryFormat);
    EXPECT_EQ(TasuInstallError::teamIdMismatch(std::nullopt, "ABC").description(),
              "Team ID nil ≠ expected ABC — 拒絕安裝");
}

} // namespace
