#include "DefaultsFileFuzzInput.h"
#include "HistoryIndexFuzzInput.h"

#include "TestPaths.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

// The seeds of the library-index and defaults fuzzers, plus inputs they must refuse quietly, go
// through the same checks as in fuzzing.
struct Seeds {
    const char* folder;
    std::function<std::string(const QByteArray&)> run;
};

class FuzzSeeds : public ::testing::TestWithParam<Seeds> {};

TEST_P(FuzzSeeds, PassTheFuzzChecks) {
    const QDir dir(QStringLiteral(MEBO_SOURCE_DIR "/fuzz/") + QString::fromLatin1(GetParam().folder));
    QList<QByteArray> inputs{"", "[", "{\"a\":", "[{}]", "{\"k\": {\"type\": \"integer\", \"value\": 1.5}}"};
    for (const QString& name : dir.entryList(QDir::Files)) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        inputs << f.readAll();
    }
    ASSERT_GE(inputs.size(), 7);
    for (const QByteArray& in : inputs) {
        EXPECT_EQ(GetParam().run(in), std::string()) << in.left(80).toStdString();
    }
}

std::string history(const QByteArray& b) {
    return mebo::fuzz::runHistoryIndexFuzzInput(reinterpret_cast<const uint8_t*>(b.constData()),
                                                size_t(b.size()));
}

std::string defaults(const QByteArray& b) {
    static QTemporaryDir dir;
    return mebo::fuzz::runDefaultsFileFuzzInput(reinterpret_cast<const uint8_t*>(b.constData()),
                                                size_t(b.size()),
                                                dir.filePath(QStringLiteral("defaults.json")));
}

INSTANTIATE_TEST_SUITE_P(LibraryFiles, FuzzSeeds,
                         ::testing::Values(Seeds{"corpus-history", history},
                                           Seeds{"corpus-defaults", defaults}));

} // namespace
