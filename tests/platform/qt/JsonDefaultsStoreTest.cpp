#include "platform/qt/JsonDefaultsStore.h"
#include "support/Files.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPoint>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using mebo::platform::JsonDefaultsStore;

namespace {

class JsonDefaultsStoreTest : public ::testing::Test {
protected:
    QString path() const { return dir.filePath(QStringLiteral("config/mebo/defaults.json")); }
    QByteArray fileBytes() const { return mebo::test::fileBytes(path()); }
    void writeFile(const QByteArray& bytes) { mebo::test::writeBytes(path(), bytes); }

    QTemporaryDir dir;
};

// Every kind of value comes back from the file with its own type, not a look-alike.
TEST_F(JsonDefaultsStoreTest, KeepsEveryTypeAcrossReload) {
    const QByteArray binary("\x00\x01\xfe\xff png\n", 9);
    const QVariantMap nested{{QStringLiteral("x"), 3}, {QStringLiteral("flag"), false}};
    const std::tuple<const char*, QVariant, int> values[] = {
        {"bool", true, QMetaType::Bool},
        {"int", 42, QMetaType::LongLong},
        {"big", std::numeric_limits<qlonglong>::max(), QMetaType::LongLong},
        {"negative", qlonglong(-9007199254740993LL), QMetaType::LongLong},
        {"one", 1.0, QMetaType::Double},
        {"tenth", 0.1 + 0.2, QMetaType::Double},
        {"inf", -std::numeric_limits<double>::infinity(), QMetaType::Double},
        {"string", QStringLiteral("中文 \"quoted\" \\ /path"), QMetaType::QString},
        {"bytes", binary, QMetaType::QByteArray},
        {"list", QVariantList{1, QStringLiteral("a"), true, 2.0, binary}, QMetaType::QVariantList},
        {"map", nested, QMetaType::QVariantMap}};
    {
        JsonDefaultsStore store(path());
        for (const auto& [key, value, type] : values) {
            store.set(QLatin1String(key), value);
        }
        store.set(QStringLiteral("strings"), QStringList{QStringLiteral("p"), QStringLiteral("q")});
        EXPECT_EQ(store.lastError(), QString());
    }
    JsonDefaultsStore reloaded(path());
    ASSERT_EQ(reloaded.lastError(), QString());
    for (const auto& [key, value, type] : values) {
        const QVariant back = reloaded.object(QLatin1String(key));
        EXPECT_EQ(back.metaType().id(), type) << key;
        EXPECT_EQ(back, value) << key; // lists compare item by item, numbers by value
    }
    // Inside lists and maps each item keeps its type too.
    const QVariantList list = reloaded.object(QStringLiteral("list")).toList();
    ASSERT_EQ(list.size(), 5);
    const int itemTypes[] = {QMetaType::LongLong, QMetaType::QString, QMetaType::Bool, QMetaType::Double,
                             QMetaType::QByteArray};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(list[i].metaType().id(), itemTypes[i]) << i;
    }
    EXPECT_EQ(reloaded.object(QStringLiteral("strings")).toStringList(),
              (QStringList{QStringLiteral("p"), QStringLiteral("q")}));
    const QVariantMap map = reloaded.object(QStringLiteral("map")).toMap();
    EXPECT_EQ(map.value(QStringLiteral("x")).metaType().id(), QMetaType::LongLong);
    EXPECT_EQ(map.value(QStringLiteral("flag")).metaType().id(), QMetaType::Bool);
    EXPECT_EQ(reloaded.userKeys().size(), 12);
}

TEST_F(JsonDefaultsStoreTest, FileIsTypedJsonWithSortedKeys) {
    JsonDefaultsStore store(path());
    store.set(QStringLiteral("zeta"), 1.0);
    store.set(QStringLiteral("alpha"), QByteArray("hi"));
    store.set(QStringLiteral("mid"), 1);
    const QByteArray text = fileBytes();
    EXPECT_LT(text.indexOf("\"alpha\""), text.indexOf("\"mid\""));
    EXPECT_LT(text.indexOf("\"mid\""), text.indexOf("\"zeta\""));

    const QJsonObject root = QJsonDocument::fromJson(text).object();
    EXPECT_EQ(
        root.value(QStringLiteral("zeta")).toObject(),
        (QJsonObject{{QStringLiteral("type"), QStringLiteral("double")}, {QStringLiteral("value"), 1}}));
    EXPECT_EQ(
        root.value(QStringLiteral("alpha")).toObject(),
        (QJsonObject{{QStringLiteral("type"), QStringLiteral("bytes")}, {QStringLiteral("value"), "aGk="}}));
    EXPECT_EQ(root.value(QStringLiteral("mid")).toObject().value(QStringLiteral("type")).toString(),
              QStringLiteral("integer"));
}

TEST_F(JsonDefaultsStoreTest, RegisteredDefaultsAnswerOnlyWithoutUserValueAndAreNeverWritten) {
    JsonDefaultsStore store(path());
    store.registerDefaults({{QStringLiteral("fps"), 15}, {QStringLiteral("copy"), false}});
    EXPECT_EQ(store.object(QStringLiteral("fps")).toInt(), 15);
    EXPECT_FALSE(store.hasUserValue(QStringLiteral("fps")));
    EXPECT_FALSE(store.object(QStringLiteral("unknown")).isValid());
    EXPECT_FALSE(QFile::exists(path()));

    store.set(QStringLiteral("fps"), 30);
    EXPECT_EQ(store.object(QStringLiteral("fps")).toInt(), 30);
    EXPECT_TRUE(store.hasUserValue(QStringLiteral("fps")));
    EXPECT_EQ(store.userKeys(), QStringList{QStringLiteral("fps")});
    EXPECT_FALSE(fileBytes().contains("\"copy\""));

    store.set(QStringLiteral("fps"), QVariant()); // no value: the same as a removal
    EXPECT_EQ(store.object(QStringLiteral("fps")).toInt(), 15);
    EXPECT_FALSE(fileBytes().contains("\"fps\""));

    // A new store knows nothing of the old one's registrations.
    JsonDefaultsStore reloaded(path());
    EXPECT_FALSE(reloaded.object(QStringLiteral("fps")).isValid());
    EXPECT_TRUE(reloaded.userKeys().isEmpty());
}

// Writes go through a temporary file renamed into place: the folder holds only the result.
TEST_F(JsonDefaultsStoreTest, WritesAtomicallyAndCreatesTheFolder) {
    JsonDefaultsStore store(path());
    for (int i = 0; i < 20; ++i) {
        store.set(QStringLiteral("k%1").arg(i), i);
    }
    EXPECT_EQ(store.lastError(), QString());
    const QStringList entries = QDir(QFileInfo(path()).absolutePath())
                                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    EXPECT_EQ(entries, QStringList{QStringLiteral("defaults.json")});
    EXPECT_EQ(JsonDefaultsStore(path()).userKeys().size(), 20);
}

TEST_F(JsonDefaultsStoreTest, WriteFailureIsReportedAndTheValueStaysForTheSession) {
    const QString blocker = dir.filePath(QStringLiteral("blocker"));
    mebo::test::writeBytes(blocker, {}); // a file where the store's folder would be
    JsonDefaultsStore store(blocker + QStringLiteral("/mebo/defaults.json"));
    store.set(QStringLiteral("a"), true);
    EXPECT_TRUE(store.lastError().contains(blocker)) << store.lastError().toStdString();
    EXPECT_EQ(store.object(QStringLiteral("a")).toBool(), true);
}

TEST_F(JsonDefaultsStoreTest, RefusesTypesTheFileCannotKeep) {
    JsonDefaultsStore store(path());
    store.set(QStringLiteral("ok"), 1);
    const QByteArray before = fileBytes();
    store.set(QStringLiteral("point"), QPoint(1, 2));
    store.set(QStringLiteral("nested"), QVariantList{1, QPoint(1, 2)});
    store.set(QStringLiteral("huge"), std::numeric_limits<quint64>::max());
    EXPECT_TRUE(store.lastError().contains(QStringLiteral("\"huge\""))) << store.lastError().toStdString();
    EXPECT_FALSE(store.hasUserValue(QStringLiteral("point")));
    EXPECT_FALSE(store.hasUserValue(QStringLiteral("nested")));
    EXPECT_FALSE(store.hasUserValue(QStringLiteral("huge")));
    EXPECT_EQ(fileBytes(), before);
    // The next good write clears the complaint.
    store.set(QStringLiteral("ok"), 2);
    EXPECT_EQ(store.lastError(), QString());
}

// A damaged file reads as empty, names itself and its problem on one line, and is never
// overwritten, so that the user's settings can still be repaired by hand. Rows: the file, part of
// the description.
TEST_F(JsonDefaultsStoreTest, ADamagedFileReadsAsEmptyReportsAndIsLeftUntouched) {
    const std::pair<const char*, const char*> cases[] = {
        {"{\"a\": {\"type\": \"bool\", ", "not valid JSON"},
        {"", "not valid JSON"},
        {"[1, 2]", "not a JSON object"},
        {"{\"a\": true}", "\"a\""},
        {"{\"a\": {\"type\": \"date\", \"value\": 1}}", "unknown type \"date\""},
        {"{\"a\": {\"type\": \"bool\", \"value\": \"yes\"}}", "\"a\": a \"bool\""},
        {"{\"a\": {\"type\": \"integer\", \"value\": 1.5}}", "\"integer\""},
        {"{\"a\": {\"type\": \"integer\", \"value\": 1e30}}", "\"integer\""},
        {"{\"a\": {\"type\": \"string\", \"value\": 3}}", "\"string\""},
        {"{\"a\": {\"type\": \"bytes\", \"value\": \"@@@\"}}", "base64"},
        {"{\"a\": {\"type\": \"bool\", \"value\": true, \"x\": 1}}", "\"a\""},
        {"{\"a\": {\"type\": \"array\", \"value\": [{\"type\": \"bool\", \"value\": true}, "
         "{\"type\": \"double\", \"value\": \"x\"}]}}",
         "\"a\"[1]"},
    };
    for (const auto& [content, mentions] : cases) {
        SCOPED_TRACE(content);
        writeFile(content);
        JsonDefaultsStore store(path());
        const QString error = store.lastError();
        EXPECT_TRUE(error.contains(path())) << error.toStdString();
        EXPECT_TRUE(error.contains(QLatin1String(mentions))) << error.toStdString();
        EXPECT_FALSE(error.contains(QLatin1Char('\n')));
        EXPECT_TRUE(store.userKeys().isEmpty());
        EXPECT_FALSE(store.object(QStringLiteral("a")).isValid());

        store.registerDefaults({{QStringLiteral("a"), 5}});
        EXPECT_EQ(store.object(QStringLiteral("a")).toInt(), 5);
        store.set(QStringLiteral("new"), 1);
        store.remove(QStringLiteral("new"));
        EXPECT_EQ(fileBytes(), QByteArray(content));
        EXPECT_EQ(store.lastError(), error);
    }
}

} // namespace

// Two processes (the desktop application and the command line) share the file: a change made by
// one is never undone by the other's next write, and a removal there stays removed.
TEST_F(JsonDefaultsStoreTest, AChangeKeepsWhatAnotherProcessWroteMeanwhile) {
    JsonDefaultsStore app(path());
    app.set(QStringLiteral("mebo.a"), 1);
    app.set(QStringLiteral("mebo.gone"), true);
    {
        JsonDefaultsStore cli(path());
        cli.set(QStringLiteral("mebo.b"), 2);
        cli.remove(QStringLiteral("mebo.gone"));
    }
    app.set(QStringLiteral("mebo.c"), 3);
    JsonDefaultsStore reread(path());
    EXPECT_EQ(reread.userKeys(), (QStringList{"mebo.a", "mebo.b", "mebo.c"}));
    EXPECT_EQ(app.object(QStringLiteral("mebo.b")).toInt(), 2);

    // A file another process left broken is not replaced.
    writeFile("{ broken");
    app.set(QStringLiteral("mebo.d"), 4);
    EXPECT_EQ(fileBytes(), "{ broken");
    EXPECT_FALSE(app.lastError().isEmpty());
}
