#include "library/RecordingChoice.h"

#include <gtest/gtest.h>

using namespace mebo;

namespace {

// "v" a recording, "i" a picture; the number is the minute it was made.
HistoryEntry entry(const char* id) {
    HistoryEntry e;
    e.id = QString::fromLatin1(id);
    e.mediaType = id[0] == 'v' ? QStringLiteral("video") : QStringLiteral("image");
    e.createdAt = QDateTime(QDate(2026, 3, 1), QTime(10, QString::fromLatin1(id + 1).toInt()), Qt::UTC);
    return e;
}

struct Case {
    const char* name;
    QList<const char*> library; // in the index's order, not by date
    const char* chosen;
    const char* expected; // "" when no recording is picked
};

} // namespace

TEST(RecordingChoiceTest, PicksTheChosenRecordingElseTheNewest) {
    const Case cases[] = {
        {"an empty library", {}, "", ""},
        {"pictures only", {"i1", "i2"}, "i2", ""},
        {"nothing chosen: the newest recording", {"v1", "i9", "v5", "v3"}, "", "v5"},
        {"a chosen recording wins over a newer one", {"v1", "v5", "v3"}, "v1", "v1"},
        {"a chosen picture: the newest recording", {"v2", "i8", "v4"}, "i8", "v4"},
        {"a chosen item that has gone: the newest recording", {"v2", "v4"}, "v7", "v4"},
        {"one recording", {"i3", "v0"}, "i3", "v0"},
    };
    for (const Case& c : cases) {
        QList<HistoryEntry> library;
        for (const char* id : c.library) {
            library.append(entry(id));
        }
        const auto picked = RecordingChoice::pick(library, QString::fromLatin1(c.chosen));
        EXPECT_EQ(picked ? picked->id : QString(), QString::fromLatin1(c.expected)) << c.name;
    }
}
