#include "recording/VideoTrimmer.h"
#include "support/Files.h"
#include "support/RecordingFakes.h"
#include "support/TestUtil.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace mebo {
namespace {

TEST(VideoTrimmer, ReadsThePromptFieldsWithTheirFallbacks) {
    struct Case {
        const char* start;
        const char* end;
        std::optional<std::pair<double, double>> expected;
    };
    const Case cases[] = {
        {"abc", "5", std::make_pair(0.0, 5.0)},   // a start that is no number is 0
        {"2.5", "", std::make_pair(2.5, 10.0)},   // an empty end is the duration
        {"-3", "999", std::make_pair(0.0, 10.0)}, // clamped to the video
        {" 1.5 ", "4", std::make_pair(1.5, 4.0)},
        {"7", "5", std::nullopt}, // start after end: nothing
        {"10", "", std::nullopt},
        {"1,5", "4", std::make_pair(0.0, 4.0)}, // C locale only: "1,5" is no number
    };
    test::LogCapture logs;
    for (const Case& c : cases) {
        const auto r =
            VideoTrimmer::parseRange(QString::fromLatin1(c.start), QString::fromLatin1(c.end), 10.0);
        ASSERT_EQ(r.has_value(), c.expected.has_value()) << c.start << " " << c.end;
        if (r) {
            EXPECT_DOUBLE_EQ(r->startSec, c.expected->first) << c.start;
            EXPECT_DOUBLE_EQ(r->endSec, c.expected->second) << c.end;
        }
    }
    EXPECT_TRUE(logs.contains(QStringLiteral("[CaptureMgr] 裁剪範圍無效: start=7 end=5")));
}

TEST(VideoTrimmer, WritesTheTrimmedSiblingThroughATemporaryFile) {
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("clip.mp4"));
    test::writeBytes(source, "video");
    // The sibling's name and what a real trim keeps are `mebo video trim`'s test.
    test::FakeRemuxer remuxer;
    VideoTrimmer trimmer(remuxer);
    const QString destination = VideoTrimmer::trimmedPathFor(source);
    test::writeBytes(destination, "old"); // an earlier trim is replaced
    test::LogCapture logs;
    const auto written = trimmer.trim(source, {1, 4}, destination);
    ASSERT_EQ(written, destination);
    ASSERT_EQ(remuxer.copies.size(), 1);
    EXPECT_EQ(remuxer.copies[0].destination, dir.filePath(QStringLiteral("clip_trimmed.tmp.mp4")));
    EXPECT_EQ(remuxer.copies[0].end, 4.0);
    EXPECT_EQ(test::fileBytes(destination), "video");
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("clip_trimmed.tmp.mp4"))));
    EXPECT_TRUE(logs.contains(QStringLiteral("[CaptureMgr] 影片裁剪成功: ") + destination));

    remuxer.failCopy = true;
    EXPECT_FALSE(trimmer.trim(source, {1, 4}, destination));
    EXPECT_TRUE(logs.contains(QStringLiteral("[CaptureMgr] 影片裁剪失敗")));
    EXPECT_TRUE(QFile::exists(destination)); // the earlier result stays
}

} // namespace
} // namespace mebo
