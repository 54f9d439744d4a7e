#include "DocumentFuzzInput.h"
#include "support/TestUtil.h"

#include "TestPaths.h"
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

// Every seed of the document fuzzer goes through the same decoders and checks as in fuzzing, so
// the corpus keeps working as the formats evolve.
TEST(FuzzCorpusTest, EverySeedDecodesAndWritesBackStably) {
    mebo::test::LogCapture quiet; // unknown types in the seeds warn
    const QDir corpus(QStringLiteral(MEBO_SOURCE_DIR "/fuzz/corpus"));
    const QStringList files = corpus.entryList(QDir::Files, QDir::Name);
    ASSERT_GE(files.size(), 20);
    int loadedLayers = 0;
    for (const QString& name : files) {
        QFile file(corpus.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray bytes = file.readAll();
        EXPECT_EQ(mebo::fuzz::runDocumentFuzzInput(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                                   size_t(bytes.size())),
                  std::string())
            << name.toStdString();
        // The layer seeds are valid payloads: each must load, so the fuzzer starts from real records.
        if (name.endsWith(QLatin1String(".json"))) {
            const qsizetype newline = bytes.indexOf('\n');
            const QString type = QString::fromLatin1(bytes.left(newline));
            EXPECT_EQ(name, type + QStringLiteral(".json"));
            EXPECT_NO_THROW({
                if (mebo::LayerCodec::decode(type, bytes.mid(newline + 1))) {
                    ++loadedLayers;
                }
            }) << name.toStdString();
        }
    }
    EXPECT_EQ(loadedLayers, 21);
}
