#include "platform/names/GazetteerNameTagger.h"

#include <gtest/gtest.h>

namespace mebo::platform {
namespace {

QStringList namesIn(const GazetteerNameTagger& tagger, const QString& line) {
    QStringList out;
    for (const NameTagger::Range& r : tagger.personalNames(line)) {
        out << line.mid(r.start, r.length);
    }
    return out;
}

TEST(GazetteerNameTaggerTest, FindsNamesInInterfaceLines) {
    const GazetteerNameTagger tagger;
    EXPECT_TRUE(tagger.isFirstName(QStringLiteral("Alice")));
    EXPECT_TRUE(tagger.isSurname(QStringLiteral("SMITH")));
    // Shares a line with SMITH in the census data, which the Perl module itself loses.
    EXPECT_TRUE(tagger.isSurname(QStringLiteral("Johnson")));

    EXPECT_EQ(namesIn(tagger, QStringLiteral("Invoice for Alice Johnson, due Friday")),
              QStringList{"Alice Johnson"});
    EXPECT_EQ(namesIn(tagger, QStringLiteral("From: Robert Smith <rsmith@example.com>")),
              QStringList{"Robert Smith"});
    // An unknown first name with a known surname; a title before an unknown name.
    EXPECT_EQ(namesIn(tagger, QStringLiteral("Assigned to Xiomar Williams today")),
              QStringList{"Xiomar Williams"});
    EXPECT_EQ(namesIn(tagger, QStringLiteral("Signed by Dr Zbigniew")), QStringList{"Zbigniew"});
    // Capitalised words around a name are not part of it.
    EXPECT_EQ(namesIn(tagger, QStringLiteral("Hello Jennifer Collins, thank you")),
              QStringList{"Jennifer Collins"});
    EXPECT_EQ(namesIn(tagger, QStringLiteral("Account Manager Peter Johnson")), QStringList{"Peter Johnson"});
    EXPECT_EQ(namesIn(tagger, QStringLiteral("Ask Maria Garcia Today")), QStringList{"Maria Garcia"});
    // Two names separated by a comma are two names.
    EXPECT_EQ(namesIn(tagger, QStringLiteral("cc: Maria Garcia, James Brown")),
              (QStringList{"Maria Garcia", "James Brown"}));
}

TEST(GazetteerNameTaggerTest, LeavesOrdinaryWordsAlone) {
    const GazetteerNameTagger tagger;
    // "Will" and "Mark" are first names but also words: without a surname they are not names.
    EXPECT_TRUE(namesIn(tagger, QStringLiteral("Will Save Changes? Mark as read")).isEmpty());
    EXPECT_EQ(namesIn(tagger, QStringLiteral("Reviewed by Mark Taylor")), QStringList{"Mark Taylor"});
    EXPECT_TRUE(namesIn(tagger, QStringLiteral("Settings General Shortcuts Logs About")).isEmpty());
    EXPECT_TRUE(namesIn(tagger, QStringLiteral("alice johnson in lower case")).isEmpty());
    EXPECT_TRUE(namesIn(tagger, QStringLiteral("OK CANCEL APPLY")).isEmpty());
    EXPECT_TRUE(namesIn(tagger, QString()).isEmpty());
}

} // namespace
} // namespace mebo::platform
