#include "library/HistoryIndexFile.h"
#include "HistoryFixture.h"

#include "support/Drawing.h"

#include <QJsonDocument>
#include <QRegularExpression>

using namespace mebo;
using namespace mebo::test;

namespace {

// Entries written as "id" or "id:tag": the tag stands for any change of the entry. Dates follow
// the id's digit, so "e3" is newer than "e1".
QList<HistoryEntry> entries(const QStringList& specs) {
    QList<HistoryEntry> out;
    for (const QString& spec : specs) {
        const QString id = spec.section(QLatin1Char(':'), 0, 0);
        HistoryEntry e;
        e.id = id;
        e.filename = id + QStringLiteral(".png");
        e.thumbnailName = id + QStringLiteral(".jpg");
        e.mode = QStringLiteral("area");
        e.createdAt = QDateTime(QDate(2025, 3, 14), QTime(9, 0), Qt::UTC).addSecs(60 * id.mid(1).toInt());
        e.widthPx = 640;
        e.heightPx = 480;
        if (spec.contains(QLatin1Char(':'))) {
            e.tags = QStringList{spec.section(QLatin1Char(':'), 1)};
        }
        out << e;
    }
    return out;
}

QStringList specs(const QList<HistoryEntry>& list) {
    QStringList out;
    for (const HistoryEntry& e : list) {
        out << (e.tags.isEmpty() ? e.id : e.id + QLatin1Char(':') + e.tags.first());
    }
    return out;
}

// An entry (or a whole index when it is an array) as it is read and written back, one line.
QString readAndWrittenBack(const QByteArray& json) {
    const QByteArray index = json.startsWith('[') ? json : "[" + json + "]";
    QString error;
    const auto entries = HistoryStore::decodeIndex(index, &error);
    if (!entries) {
        return QStringLiteral("error: ") + error;
    }
    return QString::fromUtf8(
        QJsonDocument::fromJson(HistoryStore::encodeIndex(*entries)).toJson(QJsonDocument::Compact));
}

struct MergeCase {
    const char* name;
    QStringList base, ours, theirs, expected;
};

class HistoryMerge : public ::testing::TestWithParam<MergeCase> {};

TEST_P(HistoryMerge, KeepsEverySidesChanges) {
    const MergeCase& c = GetParam();
    EXPECT_EQ(specs(HistoryIndexFile::merge(entries(c.base), entries(c.ours), entries(c.theirs))),
              c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HistoryMerge,
    ::testing::Values(
        MergeCase{"nothing_changed", {"e2", "e1"}, {"e2", "e1"}, {"e2", "e1"}, {"e2", "e1"}},
        MergeCase{
            "both_added", {"e2", "e1"}, {"e4", "e2", "e1"}, {"e3", "e2", "e1"}, {"e4", "e3", "e2", "e1"}},
        MergeCase{"their_older_addition_by_date", {"e5"}, {"e6", "e5"}, {"e5", "e1"}, {"e6", "e5", "e1"}},
        MergeCase{"tagged_there", {"e2", "e1"}, {"e3", "e2", "e1"}, {"e2", "e1:x"}, {"e3", "e2", "e1:x"}},
        MergeCase{"tagged_here_wins", {"e1"}, {"e1:mine"}, {"e1:theirs"}, {"e1:mine"}},
        MergeCase{"deleted_there", {"e2", "e1"}, {"e3", "e2", "e1"}, {"e2"}, {"e3", "e2"}},
        MergeCase{"deleted_here", {"e2", "e1"}, {"e2"}, {"e2", "e1:x"}, {"e2"}},
        MergeCase{"no_base_file", {}, {"e2"}, {"e1"}, {"e2", "e1"}},
        MergeCase{"emptied_there", {"e2", "e1"}, {"e3", "e2", "e1"}, {}, {"e3"}}),
    [](const ::testing::TestParamInfo<MergeCase>& info) { return std::string(info.param.name); });

// The library's index is never replaced by a list that did not come from it: not before the
// store read it, not over a file that could not be read, not in another library's folder.
class HistoryIndexSafety : public HistoryFixture {
protected:
    QStringList keptAside() const {
        return QDir(lib).entryList({QStringLiteral("index.json.broken-*")}, QDir::Files);
    }
};

TEST_F(HistoryIndexSafety, ACaptureBeforeTheLibraryWasReadReadsItFirst) {
    touch("e1.png");
    touch("e2.png");
    writeIndex(entries({"e2", "e1:kept"}));
    makeStore(); // not loaded: as the desktop application was before its first capture
    const HistoryEntry e = store->add(touch("new.png"), shot());
    EXPECT_EQ(indexIds(), (QStringList{e.id, "e2", "e1"}));
    EXPECT_EQ(ids(), (QStringList{e.id, "e2", "e1"}));
    EXPECT_EQ(store->entries().last().tags, QStringList{"kept"});
}

TEST_F(HistoryIndexSafety, AnIndexThatCouldNotBeUsedIsKeptAsideBeforeTheNextWrite) {
    for (const QByteArray& bad : {QByteArray("[{\"id\": "), QByteArray("{\"not\": \"a list\"}")}) {
        QDir(lib).removeRecursively();
        QDir().mkpath(lib);
        writeRawIndex(bad);
        LogCapture parse;
        makeStore();
        store->load();
        EXPECT_TRUE(store->entries().isEmpty());
        EXPECT_EQ(parse.messages()
                      .filter(QRegularExpression("^\\[History\\] 索引解析失敗: .+ — 視為空歷史$"))
                      .size(),
                  1);
        EXPECT_EQ(rawIndex(), bad); // untouched by loading
        const HistoryEntry e = store->add(touch("a.png"), shot());
        EXPECT_EQ(indexIds(), QStringList{e.id});
        ASSERT_EQ(keptAside().size(), 1);
        EXPECT_EQ(test::fileBytes(lib + QLatin1Char('/') + keptAside().first()), bad);
        waitIdle();
        destroyStore();
    }
}

TEST_F(HistoryIndexSafety, AFolderChangeNotYetAnnouncedNeverMixesTwoLibraries) {
    touch("e1.png");
    writeIndex(entries({"e1"}));
    openStore();
    const QString other = tmp.path() + QStringLiteral("/other");
    QDir().mkpath(other);
    cfg->setSaveDirectory(other);
    const HistoryEntry e = store->add(touch(other + QStringLiteral("/new.png")), shot());
    EXPECT_EQ(indexIds(other), QStringList{e.id});
    EXPECT_EQ(indexIds(), QStringList{"e1"});
    EXPECT_EQ(ids(), QStringList{e.id});
}

// tests/data/history/entries.txt: defaults, dates, strict decoding, one entry a line.
TEST(HistoryIndexTest, EntryVectors) {
    const QString path = test::dataPath(QStringLiteral("history/entries.txt"));
    QStringList lines = QString::fromUtf8(test::fileBytes(path)).split(QLatin1Char('\n'));
    const bool update = qEnvironmentVariableIntValue("MEBO_UPDATE_REFERENCES") == 1;
    int cases = 0;
    for (QString& line : lines) {
        const qsizetype arrow = line.indexOf(QLatin1String(" => "));
        if (line.startsWith(QLatin1Char('#')) || arrow < 0) {
            continue;
        }
        const QString actual = readAndWrittenBack(line.left(arrow).toUtf8());
        ++cases;
        if (update) {
            line = line.left(arrow + 4) + actual;
        } else {
            EXPECT_EQ(actual, line.mid(arrow + 4)) << line.left(arrow).toStdString();
        }
    }
    if (update) {
        test::writeBytes(path, lines.join(QLatin1Char('\n')).toUtf8());
    }
    EXPECT_GE(cases, 28);
}

// tests/data/history/index.json is an index as the library writes it: a pretty array, newest
// first, keys sorted, optional keys only when present. It reads and writes back byte for byte.
TEST(HistoryIndexTest, IndexFileRoundTripsByteForByte) {
    const QByteArray bytes = test::fileBytes(test::dataPath(QStringLiteral("history/index.json")));
    QString error;
    const auto entries = HistoryStore::decodeIndex(bytes, &error);
    ASSERT_TRUE(entries) << error.toStdString();
    ASSERT_EQ(entries->size(), 2); // each field's decoding is a line of the vectors above
    EXPECT_EQ(entries->at(1).createdAt, QDateTime(QDate(2025, 3, 14), QTime(9, 30, 5), Qt::UTC));
    EXPECT_EQ(HistoryStore::encodeIndex(*entries), bytes);

    // Written in whole seconds, read with their fractions; an index is an array.
    const auto fractions =
        HistoryStore::decodeIndex(QByteArray(bytes).replace("09:30:05Z", "04:30:05.5-05:00"), &error);
    ASSERT_TRUE(fractions) << error.toStdString();
    EXPECT_EQ(fractions->at(1).createdAt, entries->at(1).createdAt.addMSecs(500));
    EXPECT_FALSE(HistoryStore::decodeIndex(R"({"id":"A"})", &error));
    EXPECT_EQ(error, QStringLiteral("expected an array"));
}

} // namespace
