#include "main/CliSupport.h"

#include <gtest/gtest.h>

namespace mebo {
namespace {

// What the command line prints for the execution-log line that ended a command.
TEST(CliProblemText, LogLinesBecomeEnglishSentences) {
    const struct {
        const char* line;
        const char* said;
    } cases[] = {
        {"[ScreenCapture] 找不到 window 291", "no window 0x123"},
        {"[ScreenCapture] 找不到 window 291 所在顯示器", "window 0x123 is on no display"},
        {"[ScreenCapture] 找不到 display 7", "no display 7"},
        {"[ScreenCapture] captureWindow 失敗: connection to X display ':5' lost",
         "the screen could not be read: connection to X display ':5' lost"},
        {"[CaptureMgr] ImageStore 寫盤失敗", "the capture could not be written"},
        {"[ImageStore] CGImageDestinationCreateWithURL 失敗: /ro/shot.png", "cannot write /ro/shot.png"},
        {"[ImageStore] 創建保存目錄失敗: Permission denied",
         "cannot create the save folder: Permission denied"},
        {"[History] 索引持久化失敗: disk full", "the library index could not be written: disk full"},
        {"[Clipboard] 寫入圖片剪貼板失敗 (capture)",
         "the command failed (run it with --verbose for the details)"},
        {"[Sound] sound module not loaded: missing", "sound module not loaded: missing"},
        {"no display 4242 (see 'mebo capture --list-displays')",
         "no display 4242 (see 'mebo capture --list-displays')"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cli::problemText(QString::fromUtf8(c.line)), QString::fromUtf8(c.said)) << c.line;
    }
}

TEST(CliOptions, NegativeNumbersAreValuesNotOptions) {
    QString error;
    const auto opts =
        cli::parseOptions({"set", "mebo.historyMaxCount", "-5", "-.5"}, {{"json", false}}, &error);
    ASSERT_TRUE(opts) << error.toStdString();
    EXPECT_EQ(opts->positional, (QStringList{"set", "mebo.historyMaxCount", "-5", "-.5"}));
    EXPECT_FALSE(cli::parseOptions({"-x"}, {{"json", false}}, &error));
    EXPECT_EQ(error, "unknown option '-x'");
}

} // namespace
} // namespace mebo
