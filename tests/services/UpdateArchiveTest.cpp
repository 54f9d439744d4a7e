#include "services/UpdateArchive.h"
#include "services/ChildProcess.h"
#include "services/InstallLocation.h"
#include "services/PublisherKey.h"
#include "services/ServiceFixtures.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace mebo;
using namespace mebo::test;

namespace {

struct Listing {
    QStringList names;
    const char* problem; // empty: accepted
};

class EntryNames : public ::testing::TestWithParam<Listing> {};

TEST_P(EntryNames, AreCheckedBeforeAnythingIsUnpacked) {
    QString top;
    const QString problem = UpdateArchive::checkEntryNames(GetParam().names, &top);
    EXPECT_TRUE(problem.contains(QString::fromUtf8(GetParam().problem))) << problem.toStdString();
    EXPECT_EQ(problem.isEmpty(), QByteArray(GetParam().problem).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    UpdateArchive, EntryNames,
    ::testing::Values(Listing{{"mebo-0.2.0/", "mebo-0.2.0/bin/mebo", "./mebo-0.2.0/lib/mebo/x.so"}, ""},
                      Listing{{"mebo-0.2.0/bin/mebo", "/etc/passwd"}, "absolute path"},
                      Listing{{"mebo-0.2.0/../../evil"}, "leaving its folder"},
                      Listing{{"mebo-0.2.0/bin/mebo", "other/file"}, "more than one top folder"},
                      Listing{{}, "empty"}));

TEST(UpdateArchive, LinksMustStayInsideTheTree) {
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath("tree/lib"));
    writeFile(dir.filePath("tree/lib/real.so"), "x");
    ASSERT_TRUE(QFile::link("real.so", dir.filePath("tree/lib/alias.so")));
    EXPECT_EQ(UpdateArchive::checkLinksStayInside(dir.filePath("tree")), QString());
    ASSERT_TRUE(QFile::link("../../outside", dir.filePath("tree/lib/escape")));
    EXPECT_TRUE(UpdateArchive::checkLinksStayInside(dir.filePath("tree")).contains("lib/escape"));
    QFile::remove(dir.filePath("tree/lib/escape"));
    ASSERT_TRUE(QFile::link("/etc", dir.filePath("tree/abs")));
    EXPECT_TRUE(UpdateArchive::checkLinksStayInside(dir.filePath("tree")).contains("abs"));
}

TEST(UpdateArchive, VerifiesLengthAndThePublisherSignatureOverEveryByte) {
    QTemporaryDir dir;
    const QByteArray bytes = makeReleaseArchive("0.2.0", programScript("0.2.0"));
    const QString path = dir.filePath("a.tar.gz");
    writeFile(path, bytes);
    platform::SodiumCodeSigning signing;
    const auto key = PublisherKey::fromBase64(publisherKeyBase64());
    AppcastItem item;
    item.shortVersion = "0.2.0";
    item.enclosureLength = bytes.size();
    item.edSignature =
        QString::fromLatin1(platform::sodium::sign(bytes, publisherKeys().secretKey).toBase64());
    EXPECT_EQ(UpdateArchive::verify(path, item, &*key, signing), QString());

    AppcastItem longer = item;
    longer.enclosureLength += 1;
    EXPECT_TRUE(UpdateArchive::verify(path, longer, &*key, signing).contains("incomplete"));
    AppcastItem unsigned_ = item;
    unsigned_.edSignature.clear();
    EXPECT_TRUE(UpdateArchive::verify(path, unsigned_, &*key, signing).contains("no signature"));
    EXPECT_TRUE(UpdateArchive::verify(path, item, nullptr, signing).contains("no publisher key"));
    // One byte changed after signing.
    QByteArray tampered = bytes;
    tampered[tampered.size() / 2] = char(tampered[tampered.size() / 2] ^ 1);
    writeFile(path, tampered);
    EXPECT_TRUE(UpdateArchive::verify(path, item, &*key, signing).contains("does not match"));
}

TEST(UpdateArchive, UnpacksOneInstallTreeAndRefusesOtherArchives) {
    QTemporaryDir dir;
    const QString good = dir.filePath("good.tar.gz");
    writeFile(good, makeReleaseArchive("0.2.0", programScript("0.2.0")));
    QDir().mkpath(dir.filePath("stage1"));
    const auto tree = UpdateArchive::unpack(good, dir.filePath("stage1"));
    ASSERT_TRUE(tree) << tree.error().toStdString();
    EXPECT_TRUE(QFileInfo(tree.value() + "/bin/mebo").isExecutable());

    // A folder without the program is no release.
    writeFile(dir.filePath("junk/docs/readme.txt"), "hello");
    const QString junk = dir.filePath("junk.tar.gz");
    ChildProcess::run("/bin/tar", {"-czf", junk, "-C", dir.filePath("junk"), "docs"}, 30000);
    QDir().mkpath(dir.filePath("stage2"));
    EXPECT_FALSE(UpdateArchive::unpack(junk, dir.filePath("stage2")));
    writeFile(dir.filePath("bad.tar.gz"), "not gzip");
    QDir().mkpath(dir.filePath("stage3"));
    EXPECT_TRUE(UpdateArchive::unpack(dir.filePath("bad.tar.gz"), dir.filePath("stage3"))
                    .error()
                    .contains("cannot be read"));
}

struct Place {
    const char* name;
    const char* layout; // the program's path under the temporary folder
    const char* marker; // an extra file making the place what it is
    InstallLocation::Kind kind;
    bool canInstall;
};

class InstallPlaces : public ::testing::TestWithParam<Place> {};

TEST_P(InstallPlaces, DecideWhetherUpdatesInstallThemselves) {
    const Place& p = GetParam();
    QTemporaryDir dir;
    const QString exe = dir.filePath(p.layout);
    writeFile(exe, programScript("0.1.0"), true);
    QDir().mkpath(QFileInfo(exe).absolutePath() + "/../lib/mebo");
    if (QByteArray(p.marker).size()) {
        writeFile(dir.filePath(p.marker), "x");
    }
    const InstallLocation loc = InstallLocation::detect(exe, dir.filePath("dpkg"));
    EXPECT_EQ(loc.kind(), p.kind);
    EXPECT_EQ(loc.canInstall(), p.canInstall);
    EXPECT_EQ(loc.reason().isEmpty(), p.canInstall) << loc.reason().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Updater, InstallPlaces,
                         ::testing::Values(Place{"releaseTree", "apps/mebo-0.1.0/bin/mebo", "",
                                                 InstallLocation::Kind::installTree, true},
                                           Place{"renamedTree", "apps/Mebo/bin/mebo", "",
                                                 InstallLocation::Kind::installTree, true},
                                           Place{"buildFolder", "build/src/mebo", "build/CMakeCache.txt",
                                                 InstallLocation::Kind::buildFolder, false},
                                           Place{"sharedPrefix", "local/bin/mebo", "",
                                                 InstallLocation::Kind::unrecognised, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(InstallLocation, FilesListedByDpkgBelongToThePackageManager) {
    QTemporaryDir dir;
    const QString exe = makeInstallTree(dir.path(), "0.1.0", programScript("0.1.0"));
    writeFile(dir.filePath("dpkg/mebo.list"),
              ("/.\n/usr\n" + QFileInfo(exe).canonicalFilePath() + "\n").toUtf8());
    const InstallLocation loc = InstallLocation::detect(exe, dir.filePath("dpkg"));
    EXPECT_EQ(loc.kind(), InstallLocation::Kind::packageManager);
    EXPECT_TRUE(loc.reason().contains("package manager"));
    EXPECT_EQ(InstallLocation::detect("/usr/bin/mebo", dir.filePath("none")).kind(),
              InstallLocation::Kind::packageManager);
}

} // namespace
