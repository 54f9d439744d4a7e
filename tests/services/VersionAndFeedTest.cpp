#include "services/Appcast.h"
#include "services/PublisherKey.h"
#include "services/ServiceFixtures.h"
#include "services/VersionComparator.h"

#include <gtest/gtest.h>

using namespace mebo;
using namespace mebo::test;

namespace {

struct Ordering {
    const char* older;
    const char* newer;
};

class VersionOrdering : public ::testing::TestWithParam<Ordering> {};

TEST_P(VersionOrdering, OlderComparesBelowNewer) {
    const auto [older, newer] = GetParam();
    EXPECT_LT(VersionComparator::compare(older, newer), 0) << older << " < " << newer;
    EXPECT_GT(VersionComparator::compare(newer, older), 0) << newer << " > " << older;
}

INSTANTIATE_TEST_SUITE_P(Versions, VersionOrdering,
                         ::testing::Values(Ordering{"0.1.0", "0.2.0"}, Ordering{"0.9", "0.10"},
                                           Ordering{"1.0", "1.0.1"}, Ordering{"1.0b1", "1.0"},
                                           Ordering{"1.0a2", "1.0b1"}, Ordering{"1.0b9", "1.0b10"},
                                           Ordering{"2", "10"}, Ordering{"1.2.3", "1.10"},
                                           Ordering{"99999999999999999999", "100000000000000000000"}));

TEST(VersionComparator, EqualVersionsCompareEqual) {
    for (const auto& [a, b] :
         {std::pair{"1.0", "1.0"}, std::pair{"1.02", "1.2"}, std::pair{" 3.1 ", "3.1"}}) {
        EXPECT_EQ(VersionComparator::compare(a, b), 0) << a << " = " << b;
    }
}

TEST(Appcast, ReadsItemsWithVersionsOnTheItemOrOnTheEnclosure) {
    const QByteArray feed = R"(<?xml version="1.0"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
 <channel><title>Mebo</title>
  <item><title>Mebo 0.2.0</title><pubDate>Tue, 04 Jun 2024 10:00:00 +0000</pubDate>
   <sparkle:version>20</sparkle:version><sparkle:shortVersionString>0.2.0</sparkle:shortVersionString>
   <sparkle:releaseNotesLink>https://example.org/notes</sparkle:releaseNotesLink>
   <enclosure url="https://example.org/mebo-0.2.0.tar.gz" length="1234" type="application/gzip"
              sparkle:edSignature="c2lnbmF0dXJl"/></item>
  <item><title>Old form</title>
   <enclosure url="https://example.org/mebo-0.1.5.tar.gz" sparkle:version="15" sparkle:shortVersionString="0.1.5"/></item>
  <item><title>No download</title><sparkle:shortVersionString>9.0</sparkle:shortVersionString></item>
 </channel></rss>)";
    const auto items = Appcast::parse(feed);
    ASSERT_TRUE(items) << items.error().toStdString();
    ASSERT_EQ(items->size(), 3);
    // The version, length and signature in elements are the updater flows' (their feeds are this form).
    EXPECT_EQ(items->at(0).releaseNotesLink, "https://example.org/notes");
    EXPECT_EQ(items->at(0).pubDate, QDateTime(QDate(2024, 6, 4), QTime(10, 0), Qt::UTC));
    EXPECT_EQ(items->at(1).version, "15");
    EXPECT_EQ(items->at(1).shortVersion, "0.1.5");
    EXPECT_EQ(items->at(1).enclosureLength, -1);
    // The newest with a download wins; the item without one is passed over.
    EXPECT_EQ(Appcast::newest(items.value())->displayVersion(), "0.2.0");
}

TEST(Appcast, RefusesWhatIsNotAFeed) {
    EXPECT_FALSE(Appcast::parse("<html><body>maintenance</body></html>"));
    EXPECT_FALSE(Appcast::parse("<rss><channel><item>"));
    EXPECT_TRUE(Appcast::parse(appcast({}))->isEmpty());
}

TEST(Appcast, NewerThanComparesShortVersionsThenBuilds) {
    AppcastItem item;
    item.shortVersion = "0.2.0";
    item.version = "5";
    EXPECT_TRUE(item.isNewerThan("0.1.9", "9"));
    EXPECT_FALSE(item.isNewerThan("0.2.0", "5"));
    EXPECT_TRUE(item.isNewerThan("0.2.0", "4"));
    EXPECT_FALSE(item.isNewerThan("0.3", "1"));
    item.shortVersion.clear();
    item.version = "0.2.0";
    EXPECT_TRUE(item.isNewerThan("0.1.0", "0.1.0"));
    EXPECT_FALSE(item.isNewerThan("0.2.0", "0.2.0"));
}

TEST(PublisherKey, TakesOnlyThirtyTwoBytesAndNamesItsKeyId) {
    const auto key = PublisherKey::fromBase64(publisherKeyBase64());
    ASSERT_TRUE(key);
    EXPECT_EQ(key->bytes(), publisherKeys().publicKey);
    EXPECT_EQ(key->keyId().size(), 10);
    EXPECT_EQ(key->keyId(), key->keyId().toUpper());
    EXPECT_NE(key->keyId(), PublisherKey::keyIdOf(foreignKeys().publicKey));
    EXPECT_FALSE(PublisherKey::fromBase64(""));
    EXPECT_FALSE(PublisherKey::fromBase64("not base64 at all!"));
    EXPECT_FALSE(PublisherKey::fromBase64(QString::fromLatin1(QByteArray(31, 'k').toBase64())));
}

} // namespace
