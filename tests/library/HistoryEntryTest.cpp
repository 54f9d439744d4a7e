#include "library/HistoryStore.h"
#include "support/Drawing.h"
#include "support/Files.h"

#include <QFile>
#include <QJsonDocument>
#include <gtest/gtest.h>

using namespace mebo;

namespace {

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

} // namespace

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
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(lines.join(QLatin1Char('\n')).toUtf8());
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
    ASSERT_EQ(entries->size(), 2);
    EXPECT_EQ(entries->at(0).id, QStringLiteral("NEWER"));
    EXPECT_EQ(entries->at(1).durationSec, 12.375);
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
