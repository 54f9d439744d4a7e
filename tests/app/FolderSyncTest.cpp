#include "app/FolderSync.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace mebo {
namespace {

TEST(FolderSync, SyncsTheFolderANameLiesInAndFailsWhenThereIsNone) {
    QTemporaryDir dir;
    EXPECT_TRUE(FolderSync::syncFolderOf(dir.filePath("not-yet-written.png")));
    EXPECT_TRUE(FolderSync::syncFolderOf(dir.path()));
    EXPECT_FALSE(FolderSync::syncFolderOf(dir.filePath("missing/x.png")));
}

} // namespace
} // namespace mebo
