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

TEST(GazetteerNameTaggerTest, FindsNamesInInterfaceLinesAndLeavesOrdinaryWordsAlone) {
    const GazetteerNameTagger tagger;
    EXPECT_TRUE(tagger.isFirstName(QStringLiteral("Alice")));
    EXPECT_TRUE(tagger.isSurname(QStringLiteral("SMITH")));
    // Shares a line with SMITH in the census data, which the Perl module itself loses.
    EXPECT_TRUE(tagger.isSurname(QStringLiteral("Johnson")));
    const std::pair<const char*, QStringList> cases[] = {
        {"Invoice for Alice Johnson, due Friday", {"Alice Johnson"}},
        {"From: Robert Smith <rsmith@example.com>", {"Robert Smith"}},
        // An unknown first name with a known surname; a title before an unknown name.
        {"Assigned to Xiomar Williams today", {"Xiomar Williams"}},
        {"Signed by Dr Zbigniew", {"Zbigniew"}},
        // Capitalised words around a name are not part of it; a comma separates two names.
        {"Hello Jennifer Collins, thank you", {"Jennifer Collins"}},
        {"Account Manager Peter Johnson", {"Peter Johnson"}},
        {"Ask Maria Garcia Today", {"Maria Garcia"}},
        {"cc: Maria Garcia, James Brown", {"Maria Garcia", "James Brown"}},
        // "Will" and "Mark" are first names but also words: without a surname they are not names.
        {"Will Save Changes? Mark as read", {}},
        {"Reviewed by Mark Taylor", {"Mark Taylor"}},
        {"Settings General Shortcuts Logs About", {}},
        {"alice johnson in lower case", {}},
        {"OK CANCEL APPLY", {}},
        {"", {}},
    };
    for (const auto& [line, names] : cases) {
        EXPECT_EQ(namesIn(tagger, QString::fromUtf8(line)), names) << line;
    }
}

} // namespace
} // namespace mebo::platform
