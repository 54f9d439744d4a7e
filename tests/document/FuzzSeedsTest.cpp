#include "DefaultsFileFuzzInput.h"
#include "DocumentFuzzInput.h"
#include "HistoryIndexFuzzInput.h"
#include "VideoDocumentFuzzInput.h"
#include "support/Files.h"
#include "support/TestUtil.h"

#include "TestPaths.h"
#include <QDir>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

// The fuzzers' seeds, and inputs every reader must refuse quietly, go through the same checks as
// in fuzzing (each input read, written back and read again to the same result), so the harnesses
// and their corpora keep working as the formats evolve.
struct Seeds {
    const char* folder;
    std::function<std::string(const QByteArray&)> run;
};

class FuzzSeeds : public ::testing::TestWithParam<Seeds> {};

TEST_P(FuzzSeeds, PassTheFuzzChecks) {
    mebo::test::LogCapture quiet; // unknown layer types in the seeds warn
    const QDir dir(QStringLiteral(MEBO_SOURCE_DIR "/fuzz/") + QString::fromLatin1(GetParam().folder));
    QList<QByteArray> inputs{"", "[", "{\"a\":", "[{}]", "{\"k\": {\"type\": \"integer\", \"value\": 1.5}}"};
    for (const QString& name : dir.entryList(QDir::Files)) {
        inputs << mebo::test::fileBytes(dir.filePath(name));
    }
    ASSERT_GE(inputs.size(), 7);
    for (const QByteArray& in : inputs) {
        EXPECT_EQ(GetParam().run(in), std::string()) << in.left(80).toStdString();
    }
}

const auto* bytesOf(const QByteArray& b) {
    return reinterpret_cast<const uint8_t*>(b.constData());
}

INSTANTIATE_TEST_SUITE_P(
    Corpora, FuzzSeeds,
    ::testing::Values(Seeds{"corpus",
                            [](const QByteArray& b) {
                                return mebo::fuzz::runDocumentFuzzInput(bytesOf(b), size_t(b.size()));
                            }},
                      Seeds{"corpus-history",
                            [](const QByteArray& b) {
                                return mebo::fuzz::runHistoryIndexFuzzInput(bytesOf(b), size_t(b.size()));
                            }},
                      Seeds{"corpus-video",
                            [](const QByteArray& b) {
                                return mebo::fuzz::runVideoDocumentFuzzInput(bytesOf(b), size_t(b.size()));
                            }},
                      Seeds{"corpus-defaults", [](const QByteArray& b) {
                                static QTemporaryDir dir;
                                return mebo::fuzz::runDefaultsFileFuzzInput(
                                    bytesOf(b), size_t(b.size()),
                                    dir.filePath(QStringLiteral("defaults.json")));
                            }}));

} // namespace
