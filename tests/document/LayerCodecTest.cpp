#include "document/LayerCodec.h"
#include "document/ArrowLayer.h"
#include "document/JsonReader.h"
#include "document/PasteImageLayer.h"
#include "document/PenLayer.h"
#include "document/PngBytes.h"
#include "document/RectLayer.h"
#include "document/RegionFillLayer.h"
#include "support/Drawing.h"
#include "support/Files.h"
#include "support/TestUtil.h"

#include <QImageReader>
#include <QJsonArray>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <zlib.h>

using namespace mebo;

namespace {

// What decoding a payload gives, as the encoder writes it back ("TYPE PAYLOAD"), "error: " and
// the decoding error, or "dropped".
QString decodedAndWrittenBack(const QString& type, const QByteArray& data) {
    try {
        const LayerPtr layer = LayerCodec::decode(type, data);
        if (!layer) {
            return QStringLiteral("dropped");
        }
        const auto record = LayerCodec::encode(layer);
        return record ? record->type + QLatin1Char(' ') + QString::fromUtf8(record->data)
                      : QStringLiteral("unwritable");
    } catch (const JsonDecodeError& e) {
        return QStringLiteral("error: ") + e.description();
    }
}

} // namespace

// tests/data/codec/decoding.txt: defaults, clamps, fallbacks and strict failures, one payload a
// line with what it loads as.
TEST(LayerCodecTest, DecodingVectors) {
    test::LogCapture log; // unknown types warn
    const QString path = test::dataPath(QStringLiteral("codec/decoding.txt"));
    QStringList lines = QString::fromUtf8(test::fileBytes(path)).split(QLatin1Char('\n'));
    const bool update = qEnvironmentVariableIntValue("MEBO_UPDATE_REFERENCES") == 1;
    int cases = 0;
    for (QString& line : lines) {
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        const qsizetype arrow = line.indexOf(QLatin1String(" => "));
        const qsizetype space = line.indexOf(QLatin1Char(' '));
        ASSERT_GT(arrow, space) << line.toStdString();
        const QString actual =
            decodedAndWrittenBack(line.left(space), line.mid(space + 1, arrow - space - 1).toUtf8());
        ++cases;
        if (update) {
            line = line.left(arrow + 4) + actual;
            continue;
        }
        EXPECT_EQ(actual, line.mid(arrow + 4)) << line.left(arrow).toStdString();
        // What was written back reads back to itself.
        if (const qsizetype sep = actual.indexOf(QLatin1Char(' ')); !actual.startsWith("error") && sep > 0) {
            EXPECT_EQ(decodedAndWrittenBack(actual.left(sep), actual.mid(sep + 1).toUtf8()), actual);
        }
    }
    if (update) {
        test::writeBytes(path, lines.join(QLatin1Char('\n')).toUtf8());
    }
    EXPECT_GE(cases, 90);
    EXPECT_TRUE(log.contains(QStringLiteral("[LayerCodec] 未知 layer type: hologram, 跳過")));
    EXPECT_TRUE(log.contains(QStringLiteral("[LayerCodec] 未知 layer type: Arrow, 跳過")));
}

TEST(LayerCodecTest, OversizedImagesAreRefusedBeforeAllocation) {
    // A real PNG header declaring an implausible size, with its CRC rewritten to match.
    QByteArray png = PngBytes::encode(test::sampleImage(1, 1));
    const auto declare = [&](quint32 side) {
        for (int field : {16, 20}) {
            for (int i = 0; i < 4; ++i) {
                png[field + i] = char((side >> (24 - 8 * i)) & 0xff);
            }
        }
        const auto crc = quint32(crc32(0, reinterpret_cast<const Bytef*>(png.constData() + 12), 17));
        for (int i = 0; i < 4; ++i) {
            png[29 + i] = char((crc >> (24 - 8 * i)) & 0xff);
        }
    };
    declare(100000);
    EXPECT_EQ(PngBytes::declaredSize(png), QSize(100000, 100000));
    EXPECT_TRUE(PngBytes::decode(png).isNull());
    const QString paste = QStringLiteral(R"({"imagePNG":"%1","rect":[[0,0],[1,1]]})");
    const auto layer = std::dynamic_pointer_cast<PasteImageLayer>(
        LayerCodec::decode(QStringLiteral("paste"), paste.arg(QString::fromLatin1(png.toBase64())).toUtf8()));
    ASSERT_TRUE(layer);
    EXPECT_TRUE(layer->image.isNull());
    declare(8193); // just past 2^26 pixels
    EXPECT_TRUE(PngBytes::decode(png).isNull());
    static_assert(PngBytes::kMaxPixels >= 60'000'000, "a 60-megapixel capture must load");
    // Qt's own allocation limit must not refuse what ours admits, once a picture has been read.
    EXPECT_FALSE(PngBytes::decode(PngBytes::encode(test::sampleImage(4, 4))).isNull());
    const int qtLimitMiB = QImageReader::allocationLimit();
    EXPECT_TRUE(qtLimitMiB == 0 || qint64(qtLimitMiB) << 20 >= PngBytes::kMaxPixels * 4) << qtLimitMiB;
}

TEST(LayerCodecTest, NonFiniteNumbersAreRefusedBothWays) {
    const JsonReader infinite(QJsonObject{{"w", qInf()}, {"p", QJsonArray{0, qQNaN()}}});
    EXPECT_THROW(infinite.number("w"), JsonDecodeError);
    try {
        infinite.point("p");
        ADD_FAILURE() << "NaN read as a coordinate";
    } catch (const JsonDecodeError& e) {
        EXPECT_EQ(e.description(), QStringLiteral("key 'p[1]' is not a finite number"));
    }

    test::LogCapture log;
    auto arrow = std::make_shared<ArrowLayer>();
    arrow->strokeWidth = qQNaN();
    auto rect = std::make_shared<RectLayer>();
    rect->rect = QRectF(0, 0, qInf(), 4);
    auto pen = std::make_shared<PenLayer>();
    pen->points = {{0, 0}, {qQNaN(), 1}};
    for (const LayerPtr& layer : LayerList{arrow, rect, pen, std::make_shared<RegionFillLayer>(), nullptr}) {
        EXPECT_FALSE(LayerCodec::encode(layer));
    }
    EXPECT_EQ(log.messages(),
              (QStringList{
                  "[LayerCodec] encode failed for ArrowLayer: key 'strokeWidth' is not a finite number",
                  "[LayerCodec] encode failed for RectLayer: key 'rect' is not a finite number",
                  "[LayerCodec] encode failed for PenLayer: key 'points' is not a finite number",
                  "[LayerCodec] encode failed for RegionFillLayer: the mask could not be encoded as PNG"}));
    EXPECT_EQ(AppLogger::shared().recentLogs().last().level, LogLevel::error);
}
