#include "library/HistoryEntry.h"
#include "library/HistoryStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTimeZone>
#include <gtest/gtest.h>

using namespace mebo;

namespace {

HistoryEntry fullEntry() {
    HistoryEntry e;
    e.id = QStringLiteral("0F8E5B1C-3A2D-4C6B-9E7F-112233445566");
    e.filename = QStringLiteral("rec-1.mp4");
    e.thumbnailName = e.id + QStringLiteral(".jpg");
    e.mode = QStringLiteral("recordArea");
    e.createdAt = QDateTime(QDate(2025, 3, 14), QTime(9, 30, 5), Qt::UTC);
    e.widthPx = 2880;
    e.heightPx = 1800;
    e.tags = {QStringLiteral("bug"), QStringLiteral("草稿")};
    e.mediaType = QStringLiteral("video");
    e.durationSec = 12.375;
    e.hasMeboSidecar = true;
    e.saveTargetPath = QStringLiteral("/home/u/Desktop/rec.mp4");
    e.webcamFileName = QStringLiteral("rec-1.webcam.mp4");
    return e;
}

QJsonObject minimalObject() {
    return QJsonObject{{"id", "A"},
                       {"filename", "a.png"},
                       {"thumbnailName", "A.jpg"},
                       {"mode", "area"},
                       {"createdAt", "2025-03-14T09:30:05Z"},
                       {"widthPx", 10},
                       {"heightPx", 20},
                       {"tags", QJsonArray{}}};
}

std::optional<HistoryEntry> decode(const QJsonObject& o, QString* error = nullptr) {
    QString ignored;
    return HistoryEntry::fromJson(o, error ? error : &ignored);
}

} // namespace

TEST(HistoryEntryJson, RoundTripKeepsEveryField) {
    const HistoryEntry full = fullEntry();
    QString error;
    const auto back = HistoryEntry::fromJson(full.toJson(), &error);
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_EQ(*back, full);

    HistoryEntry plain = full;
    plain.mediaType = QStringLiteral("image");
    plain.durationSec.reset();
    plain.saveTargetPath.reset();
    plain.webcamFileName.reset();
    plain.hasMeboSidecar = false;
    plain.tags.clear();
    const auto plainBack = HistoryEntry::fromJson(plain.toJson(), &error);
    ASSERT_TRUE(plainBack) << error.toStdString();
    EXPECT_EQ(*plainBack, plain);
}

TEST(HistoryEntryJson, OptionalKeysAreWrittenOnlyWhenPresent) {
    HistoryEntry e = fullEntry();
    e.durationSec.reset();
    e.saveTargetPath.reset();
    e.webcamFileName.reset();
    e.hasMeboSidecar = false;
    const QJsonObject o = e.toJson();
    QStringList keys = o.keys();
    keys.sort();
    EXPECT_EQ(keys, (QStringList{"createdAt", "filename", "hasMeboSidecar", "heightPx", "id", "mediaType",
                                 "mode", "tags", "thumbnailName", "widthPx"}));
    EXPECT_EQ(o.value("hasMeboSidecar"), QJsonValue(false));
    EXPECT_EQ(o.value("mediaType"), QJsonValue("video"));

    const QJsonObject full = fullEntry().toJson();
    EXPECT_EQ(full.value("durationSec").toDouble(), 12.375);
    EXPECT_EQ(full.value("saveTargetPath").toString(), "/home/u/Desktop/rec.mp4");
    EXPECT_EQ(full.value("webcamFileName").toString(), "rec-1.webcam.mp4");
}

TEST(HistoryEntryJson, DatesAreWrittenInUtcAndReadWithFractionsAndOffsets) {
    HistoryEntry e = fullEntry();
    e.createdAt = QDateTime(QDate(2025, 3, 14), QTime(11, 30, 5, 640), QTimeZone(2 * 3600));
    EXPECT_EQ(e.toJson().value("createdAt").toString(), "2025-03-14T09:30:05Z");

    const QDateTime expected(QDate(2025, 3, 14), QTime(9, 30, 5), Qt::UTC);
    struct Case {
        const char* text;
        qint64 extraMs;
    };
    for (const Case& c : {Case{"2025-03-14T09:30:05Z", 0}, Case{"2025-03-14T09:30:05.250Z", 250},
                          Case{"2025-03-14T11:30:05+02:00", 0}, Case{"2025-03-14T04:30:05.5-05:00", 500},
                          Case{"2025-03-14T09:30:05+0000", 0}}) {
        QJsonObject o = minimalObject();
        o["createdAt"] = c.text;
        QString error;
        const auto d = decode(o, &error);
        ASSERT_TRUE(d) << c.text << ": " << error.toStdString();
        EXPECT_EQ(d->createdAt, expected.addMSecs(c.extraMs)) << c.text;
    }
    for (const char* bad :
         {"2025-03-14", "2025-03-14T09:30:05", "14.03.2025 09:30", "2025-13-14T09:30:05Z", ""}) {
        QJsonObject o = minimalObject();
        o["createdAt"] = bad;
        QString error;
        EXPECT_FALSE(decode(o, &error)) << bad;
        EXPECT_EQ(error, "createdAt: expected an ISO 8601 date-time") << bad;
    }
}

TEST(HistoryEntryJson, AbsentOptionalKeysTakeTheirDefaults) {
    const auto d = decode(minimalObject());
    ASSERT_TRUE(d);
    EXPECT_EQ(d->mediaType, "image");
    EXPECT_FALSE(d->hasMeboSidecar);
    EXPECT_FALSE(d->durationSec);
    EXPECT_FALSE(d->saveTargetPath);
    EXPECT_FALSE(d->webcamFileName);
    EXPECT_TRUE(d->tags.isEmpty());
    EXPECT_EQ(d->widthPx, 10);
    EXPECT_EQ(d->heightPx, 20);
}

TEST(HistoryEntryJson, StrictDecodingNamesTheBadKey) {
    struct Case {
        const char* key;
        QJsonValue value; // undefined = remove the key
        const char* error;
    };
    const Case cases[] = {
        {"id", QJsonValue(QJsonValue::Undefined), "id: missing"},
        {"widthPx", QJsonValue(QJsonValue::Undefined), "widthPx: missing"},
        {"heightPx", QJsonValue(QJsonValue::Null), "heightPx: missing"},
        {"widthPx", 12.5, "widthPx: expected an integer"},
        {"widthPx", "12", "widthPx: expected an integer"},
        {"filename", 3, "filename: expected a string"},
        {"tags", "bug", "tags: expected an array"},
        {"tags", QJsonArray{"ok", 3}, "tags[1]: expected a string"},
        {"createdAt", 1710408605, "createdAt: expected a string"},
        {"mediaType", 1, "mediaType: expected a string"},
        {"durationSec", "long", "durationSec: expected a number"},
        {"hasMeboSidecar", "yes", "hasMeboSidecar: expected a boolean"},
        {"saveTargetPath", false, "saveTargetPath: expected a string"},
        {"webcamFileName", QJsonArray{}, "webcamFileName: expected a string"},
    };
    for (const Case& c : cases) {
        QJsonObject o = minimalObject();
        if (c.value.isUndefined()) {
            o.remove(c.key);
        } else {
            o[c.key] = c.value;
        }
        QString error;
        EXPECT_FALSE(decode(o, &error)) << c.key;
        EXPECT_EQ(error, c.error);
    }
}

TEST(HistoryIndexCodec, ArrayDecodingPrefixesTheIndexOfTheBadEntry) {
    QJsonObject broken = minimalObject();
    broken.remove("widthPx");
    QJsonArray array{minimalObject(), minimalObject(), broken};
    QString error;
    EXPECT_FALSE(HistoryStore::decodeIndex(QJsonDocument(array).toJson(), &error));
    EXPECT_EQ(error, "[2].widthPx: missing");

    EXPECT_FALSE(HistoryStore::decodeIndex(QJsonDocument(QJsonArray{minimalObject(), 7}).toJson(), &error));
    EXPECT_EQ(error, "[1]: expected an object");

    EXPECT_FALSE(HistoryStore::decodeIndex(QJsonDocument(minimalObject()).toJson(), &error));
    EXPECT_EQ(error, "expected an array");

    error.clear();
    EXPECT_FALSE(HistoryStore::decodeIndex("[{\"id\": ", &error));
    EXPECT_FALSE(error.isEmpty());

    const auto empty = HistoryStore::decodeIndex("[]", &error);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->isEmpty());
}

TEST(HistoryIndexCodec, IndexIsAPrettyArrayWithSortedKeysNewestFirst) {
    HistoryEntry older = fullEntry();
    older.id = QStringLiteral("OLDER");
    HistoryEntry newer = fullEntry();
    newer.id = QStringLiteral("NEWER");
    newer.webcamFileName.reset();
    const QByteArray text = HistoryStore::encodeIndex({newer, older});
    EXPECT_TRUE(text.startsWith("[\n    {\n")) << text.constData();

    // The keys of each object, in file order.
    QList<QStringList> objects;
    for (const QByteArray& line : text.split('\n')) {
        const QByteArray t = line.trimmed();
        if (t.startsWith("{")) {
            objects << QStringList();
        } else if (t.startsWith("\"") && t.contains("\":") && line.startsWith("        \"")) {
            objects.last() << QString::fromUtf8(t.mid(1, t.indexOf("\":") - 1));
        }
    }
    ASSERT_EQ(objects.size(), 2);
    for (const QStringList& keys : objects) {
        QStringList sorted = keys;
        sorted.sort();
        EXPECT_EQ(keys, sorted);
    }
    EXPECT_FALSE(objects[0].contains("webcamFileName"));
    EXPECT_TRUE(objects[1].contains("webcamFileName"));

    QString error;
    const auto back = HistoryStore::decodeIndex(text, &error);
    ASSERT_TRUE(back) << error.toStdString();
    ASSERT_EQ(back->size(), 2);
    EXPECT_EQ(back->at(0), newer);
    EXPECT_EQ(back->at(1), older);
}
