#include "app/MainWindowVM.h"
#include "capture/PngWriter.h"
#include "document/MeboDocument.h"
#include "document/MeboDocumentError.h"
#include "document/RectLayer.h"
#include "editor/EditorVM.h"
#include "library/HistoryFixture.h"
#include "support/Answer.h"
#include "support/Drawing.h"

#include <QRegularExpression>

using namespace mebo;
using namespace mebo::test;

namespace {

const QString kTag = QStringLiteral("[MainWindowVM] ");

// A library with two image items, "shot" and "other", and a view-model over it.
class MainWindowVMTest : public HistoryFixture {
protected:
    void SetUp() override {
        shotImage = sampleScreenshot(64, 48);
        writePng(shotImage, lib + QStringLiteral("/shot.png"));
        writePng(sampleScreenshot(32, 32), lib + QStringLiteral("/other.png"));
        writeIndex({entry(QStringLiteral("SHOT"), QStringLiteral("shot.png"), 2),
                    entry(QStringLiteral("OTHER"), QStringLiteral("other.png"), 1)});
        openStore();
        vm = std::make_unique<MainWindowVM>(*cfg, *store, dialogs);
        outside = tmp.path() + QStringLiteral("/out");
        QDir().mkpath(outside);
        external = outside + QStringLiteral("/ext.png"); // an image from outside the library
        writePng(sampleScreenshot(20, 20), external);
    }
    void TearDown() override {
        vm.reset();
        drainEvents();
    }

    static void writePng(const QImage& img, const QString& path) {
        QString error;
        ASSERT_TRUE(PngWriter::writeFile(img, path, &error)) << error.toStdString();
    }
    HistoryEntry stored(const QString& id) const {
        for (const HistoryEntry& e : store->entries()) {
            if (e.id == id) {
                return e;
            }
        }
        ADD_FAILURE() << "no entry " << id.toStdString();
        return {};
    }
    HistoryEntry shot() const { return stored(QStringLiteral("SHOT")); }
    HistoryEntry other() const { return stored(QStringLiteral("OTHER")); }
    QString shotSidecar() const { return lib + QStringLiteral("/shot.mebo"); }

    static LayerPtr addRect(EditorVM& editor, QRectF r = QRectF(4, 4, 20, 10)) {
        auto rect = std::make_shared<RectLayer>();
        rect->rect = r;
        editor.addLayer(rect);
        return rect;
    }
    std::optional<LogLevel> levelOf(const QString& msg) {
        log.messages();
        for (const LogEntry& e : AppLogger::shared().recentLogs()) {
            if (e.msg == msg) {
                return e.level;
            }
        }
        return std::nullopt;
    }
    // The answer of an asynchronous switch or Save As.
    template <typename Fn> std::optional<bool> run(Fn&& start) { return answerOf<bool>(start); }
    static QImage argb(const QImage& img) { return img.convertToFormat(QImage::Format_ARGB32); }

    FakeDialogs dialogs;
    std::unique_ptr<MainWindowVM> vm;
    QImage shotImage;
    QString outside, external;
};

} // namespace

// ---- opening ----

TEST_F(MainWindowVMTest, OpensFromThePngWithoutASidecarAndSeedsItsBytes) {
    ASSERT_TRUE(vm->openItem(shot()));
    ASSERT_TRUE(vm->mode().isImage());
    EditorVM* editor = vm->editor();
    EXPECT_EQ(argb(editor->baseImage()), argb(shotImage));
    EXPECT_TRUE(editor->layers().isEmpty());
    EXPECT_FALSE(editor->hasUnsavedChanges());
    // The capture's own bytes stand in for the base image's encoding.
    EXPECT_EQ(editor->basePngBytes(), fileBytes(lib + QStringLiteral("/shot.png")));
    EXPECT_EQ(vm->currentEntry()->id, QStringLiteral("SHOT"));
    for (const QString& m : log.messages()) {
        EXPECT_FALSE(m.contains(QStringLiteral(".mebo"))) << m.toStdString();
    }
}

TEST_F(MainWindowVMTest, ABrokenSidecarFallsBackToTheFlatImage) {
    writeBytes(shotSidecar(), "{\"schemaVersion\": 2}");
    HistoryEntry e = shot();
    e.saveTargetPath = QStringLiteral("/home/u/Desktop/kept.png");
    ASSERT_TRUE(vm->openItem(e));
    EXPECT_TRUE(vm->editor()->layers().isEmpty());
    EXPECT_EQ(argb(vm->editor()->baseImage()), argb(shotImage));
    // Without a readable sidecar the entry still knows the export target.
    EXPECT_EQ(vm->editor()->saveTargetPath(), QStringLiteral("/home/u/Desktop/kept.png"));
    const QString why = MeboDocumentError::unsupportedVersion(2).description();
    EXPECT_EQ(levelOf(kTag + QStringLiteral(".mebo 加載失敗 (") + why + QStringLiteral("), fallback PNG")),
              LogLevel::warning);

    // Annotating it writes a new project; the one that could not be read is kept beside it.
    addRect(*vm->editor());
    ASSERT_TRUE(vm->openItem(other()));
    EXPECT_EQ(fileBytes(shotSidecar() + QStringLiteral(".broken")), "{\"schemaVersion\": 2}");
    EXPECT_EQ(MeboDocument::readFile(shotSidecar()).layers.size(), 1);
    // Once replaced, the new project is the item's own: later saves write over it.
    ASSERT_TRUE(vm->openItem(shot()));
    addRect(*vm->editor(), QRectF(30, 30, 5, 5));
    ASSERT_TRUE(vm->save());
    EXPECT_EQ(MeboDocument::readFile(shotSidecar()).layers.size(), 2);
    EXPECT_EQ(fileBytes(shotSidecar() + QStringLiteral(".broken")), "{\"schemaVersion\": 2}");
}

TEST_F(MainWindowVMTest, AnUnreadableImageLeavesTheModeAsItWas) {
    HistoryEntry missing = entry(QStringLiteral("GONE"), QStringLiteral("gone.png"), 3);
    EXPECT_FALSE(vm->openItem(missing));
    EXPECT_TRUE(vm->mode().isEmpty());
    touch(QStringLiteral("junk.png"), "\x89PNG\r\n\x1a\nnot really");
    EXPECT_FALSE(vm->openImageFile(lib + QStringLiteral("/junk.png")));
    EXPECT_TRUE(vm->mode().isEmpty());
    ASSERT_TRUE(vm->openItem(shot()));
    EditorVM* open = vm->editor();
    EXPECT_FALSE(vm->openItem(missing));
    EXPECT_EQ(vm->editor(), open);
    EXPECT_EQ(vm->currentEntry()->id, QStringLiteral("SHOT"));
    EXPECT_EQ(log.messages().filter(kTag + QStringLiteral("圖片讀取失敗: ")).size(), 3);
}

TEST_F(MainWindowVMTest, StylesCarryOverToTheNextEditor) {
    ASSERT_TRUE(vm->openItem(shot()));
    ToolStyles styles = vm->editor()->styles();
    styles.strokeWidth = 17;
    styles.strokeColor = QColor(1, 2, 3);
    vm->editor()->setStyles(styles);
    ASSERT_TRUE(vm->openItem(other()));
    EXPECT_EQ(vm->editor()->styles().strokeWidth, 17);
    vm->setMode(EditorMode());
    ASSERT_TRUE(vm->openImageFile(lib + QStringLiteral("/other.png")));
    EXPECT_EQ(vm->editor()->styles().strokeColor, QColor(1, 2, 3));
    EXPECT_FALSE(vm->currentEntry().has_value());
}

// ---- autosave ----

TEST_F(MainWindowVMTest, AutosaveWritesOnlyChangesAndRecordsTheSidecar) {
    ASSERT_TRUE(vm->openItem(shot()));
    ASSERT_TRUE(vm->openItem(other())); // nothing changed: nothing written
    EXPECT_FALSE(QFileInfo::exists(shotSidecar()));

    ASSERT_TRUE(vm->openItem(shot()));
    vm->editor()->setSaveTargetPath(outside + QStringLiteral("/copy.png"));
    addRect(*vm->editor());
    ASSERT_TRUE(vm->openItem(other()));
    ASSERT_TRUE(QFileInfo(shotSidecar()).isFile());
    EXPECT_EQ(MeboDocument::readFile(shotSidecar()).layers.size(), 1);
    EXPECT_EQ(levelOf(kTag + QStringLiteral("autosave: shot.mebo")), LogLevel::info);
    EXPECT_TRUE(shot().hasMeboSidecar);
    EXPECT_EQ(shot().saveTargetPath, outside + QStringLiteral("/copy.png"));

    // Loading the project and leaving it unedited writes nothing.
    const QDateTime written = QFileInfo(shotSidecar()).lastModified();
    ASSERT_TRUE(vm->openItem(shot()));
    vm->setMode(EditorMode::loadingVideo(QStringLiteral("V1")));
    EXPECT_EQ(QFileInfo(shotSidecar()).lastModified(), written);
    EXPECT_EQ(log.count(kTag + QStringLiteral("autosave: shot.mebo")), 1);
    EXPECT_EQ(vm->mode().loadingEntryId(), QStringLiteral("V1"));
    EXPECT_FALSE(vm->currentEntry().has_value());
}

TEST_F(MainWindowVMTest, LeavingImageModeAutosavesButAnOutsideImageAsksBeforeItsAnnotationsGo) {
    ASSERT_TRUE(vm->openItem(shot()));
    addRect(*vm->editor());
    vm->setMode(EditorMode::video());
    EXPECT_TRUE(QFileInfo::exists(shotSidecar()));
    EXPECT_EQ(vm->mode().kind(), EditorMode::Kind::video);

    ASSERT_TRUE(vm->openImageFile(external));
    addRect(*vm->editor());
    // Nowhere to keep its annotations: switching away asks first, and nothing is written beside it.
    EXPECT_FALSE(vm->autosave());
    dialogs.alertAnswer = 0; // "Discard"
    EXPECT_EQ(run([&](auto done) { vm->switchToItem(other(), done); }), true);
    EXPECT_EQ(dialogs.alerts.size(), 1);
    EXPECT_FALSE(QFileInfo::exists(outside + QStringLiteral("/ext.mebo")));
    EXPECT_EQ(log.count(kTag + QStringLiteral("autosave: shot.mebo")), 1);
}

TEST_F(MainWindowVMTest, AFailedAutosaveAsksBeforeDiscarding) {
    ASSERT_TRUE(vm->openItem(shot()));
    EditorVM* editing = vm->editor();
    addRect(*editing);
    ASSERT_TRUE(QDir().mkpath(shotSidecar())); // a folder where the file should go

    dialogs.alertAnswer = 1; // Cancel
    EXPECT_EQ(run([&](auto done) { vm->switchToItem(other(), done); }), false);
    EXPECT_EQ(vm->editor(), editing);
    EXPECT_EQ(vm->editor()->layers().size(), 1);
    ASSERT_EQ(dialogs.alerts.size(), 1);
    EXPECT_EQ(dialogs.alerts[0].text,
              QStringLiteral("Switch to another item? Your current annotations will be discarded."));
    EXPECT_EQ(dialogs.alerts[0].buttons, (QStringList{QStringLiteral("Discard"), QStringLiteral("Cancel")}));
    EXPECT_EQ(log.messages()
                  .filter(QRegularExpression("^" + QRegularExpression::escape(kTag) + "autosave 失敗: .+"))
                  .size(),
              1);
    EXPECT_FALSE(shot().hasMeboSidecar);

    dialogs.alertAnswer = 0; // Discard
    ASSERT_EQ(run([&](auto done) { vm->switchToItem(other(), done); }), true);
    EXPECT_EQ(vm->currentEntry()->id, QStringLiteral("OTHER"));

    // A switch whose autosave succeeds asks nothing.
    addRect(*vm->editor());
    EXPECT_EQ(run([&](auto done) { vm->switchToItem(shot(), done); }), true);
    EXPECT_EQ(dialogs.alerts.size(), 2);
    EXPECT_TRUE(QFileInfo::exists(lib + QStringLiteral("/other.mebo")));
}

TEST_F(MainWindowVMTest, SaveWritesEvenWithoutChangesAndShowsFailures) {
    ASSERT_TRUE(vm->openItem(shot()));
    EXPECT_TRUE(vm->save());
    EXPECT_TRUE(QFileInfo(shotSidecar()).isFile());
    EXPECT_TRUE(shot().hasMeboSidecar);
    EXPECT_TRUE(dialogs.alerts.isEmpty());

    QFile::remove(shotSidecar());
    ASSERT_TRUE(QDir().mkpath(shotSidecar()));
    EXPECT_FALSE(vm->save());
    drainEvents();
    ASSERT_EQ(dialogs.alerts.size(), 1);
    EXPECT_FALSE(dialogs.alerts[0].text.isEmpty());
    EXPECT_TRUE(log.contains(kTag + QStringLiteral("save 失敗: ") + dialogs.alerts[0].text));

    vm->setMode(EditorMode());
    EXPECT_FALSE(vm->save());

    // An image from outside the library has nowhere to keep its annotations: nothing is tried.
    ASSERT_TRUE(vm->openImageFile(external));
    addRect(*vm->editor());
    EXPECT_FALSE(vm->save());
    drainEvents();
    EXPECT_EQ(dialogs.alerts.size(), 1); // only the failure above
    EXPECT_FALSE(QFileInfo::exists(outside + QStringLiteral("/ext.mebo")));
}

// ---- Save As ----

TEST_F(MainWindowVMTest, SaveAsIntoTheLibraryIsRefusedAlsoThroughASymlink) {
    ASSERT_TRUE(vm->openItem(shot()));
    const QString link = tmp.path() + QStringLiteral("/looks-outside");
    ASSERT_TRUE(QFile::link(lib, link));
    const QStringList destinations{lib + QStringLiteral("/copy.png"), link + QStringLiteral("/copy.png"),
                                   outside + QStringLiteral("/../lib/sub/copy.png")};
    for (const QString& dest : destinations) {
        EXPECT_EQ(run([&](auto done) { vm->saveAs(dest, done); }), false) << dest.toStdString();
    }
    EXPECT_EQ(run([&](auto done) { vm->saveAsItem(other(), link + QStringLiteral("/o.png"), done); }), false);
    EXPECT_EQ(log.count(kTag + QStringLiteral("Save As 拒絕: 目標落在 managed mebo 目錄")), 4);
    ASSERT_EQ(dialogs.alerts.size(), 4);
    EXPECT_EQ(dialogs.alerts[0].title, QStringLiteral("Choose a different folder"));
    EXPECT_EQ(dialogs.alerts[0].text, QStringLiteral("Save As must go to a folder outside the Mebo library. "
                                                     "Pick a location like Desktop or Documents."));
    EXPECT_EQ(dialogs.alerts[0].buttons, QStringList{QStringLiteral("OK")});
    EXPECT_FALSE(QFileInfo::exists(lib + QStringLiteral("/copy.png")));
    EXPECT_FALSE(QFileInfo::exists(shotSidecar()));
    EXPECT_FALSE(vm->editor()->saveTargetPath().has_value());
}

TEST_F(MainWindowVMTest, AFailedSidecarWriteRestoresTheTargetAndExportsNothing) {
    ASSERT_TRUE(vm->openItem(shot()));
    const QString first = outside + QStringLiteral("/first.png");
    ASSERT_EQ(run([&](auto done) { vm->saveAs(first, done); }), true);
    addRect(*vm->editor());
    QFile::remove(shotSidecar());
    ASSERT_TRUE(QDir().mkpath(shotSidecar()));

    const QString second = outside + QStringLiteral("/second.png");
    EXPECT_EQ(run([&](auto done) { vm->saveAs(second, done); }), false);
    EXPECT_EQ(vm->editor()->saveTargetPath(), first);
    EXPECT_FALSE(QFileInfo::exists(second));
    EXPECT_TRUE(vm->editor()->hasUnsavedChanges());
    EXPECT_EQ(shot().saveTargetPath, first);
    ASSERT_EQ(dialogs.alerts.size(), 1);
    EXPECT_EQ(
        dialogs.alerts[0].text,
        QStringLiteral("Could not write the file. Check disk space and folder permissions, then try again."));
    EXPECT_EQ(log.messages()
                  .filter(kTag + QStringLiteral("mebo-local sidecar 寫入失敗: "))
                  .filter(shotSidecar())
                  .size(),
              1);
}

TEST_F(MainWindowVMTest, AFailedExportAfterTheSidecarIsReported) {
    ASSERT_TRUE(vm->openItem(shot()));
    touch(outside + QStringLiteral("/not-a-folder"));
    const QString dest = outside + QStringLiteral("/not-a-folder/x.png");
    EXPECT_EQ(run([&](auto done) { vm->saveAs(dest, done); }), false);
    EXPECT_TRUE(QFileInfo(shotSidecar()).isFile());
    ASSERT_EQ(dialogs.alerts.size(), 1);
    EXPECT_EQ(dialogs.alerts[0].title, QStringLiteral("Could not export the image"));
    EXPECT_FALSE(log.contains(kTag + QStringLiteral("Save As (純導出) → ") + dest));
}

TEST_F(MainWindowVMTest, SaveAsForAnItemThatIsNotOpen) {
    {
        EditorVM editor(shotImage); // a project of one rectangle for "shot", written by an editor of its own
        addRect(editor);
        editor.writeSidecar(shotSidecar());
    }
    ASSERT_TRUE(vm->openItem(other()));
    EditorVM* open = vm->editor();
    const QString dest = outside + QStringLiteral("/shot-export.png");
    ASSERT_EQ(run([&](auto done) { vm->saveAsItem(shot(), dest, done); }), true);
    EXPECT_EQ(vm->editor(), open);
    EXPECT_EQ(vm->currentEntry()->id, QStringLiteral("OTHER"));

    EditorVM reference(QImage{});
    reference.loadSidecar(shotSidecar());
    EXPECT_EQ(reference.saveTargetPath(), dest);
    EXPECT_EQ(reference.layers().size(), 1);
    EXPECT_EQ(argb(QImage(dest)), argb(reference.flattened()));
    EXPECT_EQ(shot().saveTargetPath, dest);
    EXPECT_TRUE(log.contains(kTag + QStringLiteral("Save As non-current image → ") + dest));

    // Its sidecar cannot be written: nothing is exported.
    QFile::remove(shotSidecar());
    ASSERT_TRUE(QDir().mkpath(shotSidecar()));
    const QString again = outside + QStringLiteral("/again.png");
    EXPECT_EQ(run([&](auto done) { vm->saveAsItem(shot(), again, done); }), false);
    EXPECT_FALSE(QFileInfo::exists(again));
    EXPECT_FALSE(
        log.messages().filter(kTag + QStringLiteral("non-current image sidecar 寫入失敗: ")).isEmpty());
    // A recording is no image to export.
    const HistoryEntry video =
        entry(QStringLiteral("VIDEO"), QStringLiteral("clip.mp4"), 3, QStringLiteral("video"));
    EXPECT_EQ(run([&](auto done) { vm->saveAsItem(video, again, done); }), false);
}

// The picture of an item is the open one's with its unsaved annotations, another's from its files.
TEST_F(MainWindowVMTest, PicturesOfItemsAndASwitchToAFileOutsideTheLibrary) {
    ASSERT_TRUE(vm->openItem(shot()));
    addRect(*vm->editor());
    EXPECT_EQ(argb(vm->pictureOf(shot())), argb(vm->editor()->flattened()));
    EXPECT_NE(argb(vm->pictureOf(shot())), argb(shotImage));
    EXPECT_EQ(vm->pictureOf(other()).size(), QSize(32, 32));
    EXPECT_EQ(run([&](auto done) { vm->switchToImageFile(external, done); }), true);
    EXPECT_EQ(vm->editor()->baseImage().size(), QSize(20, 20));
    EXPECT_TRUE(QFileInfo::exists(shotSidecar())); // the open item was kept first
}

// Trashing the open capture opens its neighbour; nothing is written for the trashed one.
TEST_F(MainWindowVMTest, TrashingTheOpenItemOpensItsNeighbourAndWritesNothing) {
    writePng(sampleScreenshot(16, 16), lib + QStringLiteral("/third.png"));
    store->addEntry(entry(QStringLiteral("THIRD"), QStringLiteral("third.png"), 3)); // newest
    ASSERT_TRUE(vm->openItem(shot()));                                               // the middle one
    addRect(*vm->editor());
    store->deleteEntry(shot());
    ASSERT_TRUE(vm->mode().isImage());
    EXPECT_EQ(vm->currentEntry()->id, QStringLiteral("OTHER")); // the older neighbour
    EXPECT_FALSE(QFileInfo::exists(shotSidecar()));
    EXPECT_FALSE(QFileInfo::exists(trashed(QStringLiteral("shot.mebo"))));

    // The oldest goes: the newer neighbour opens; the last one goes: nothing is open.
    store->deleteEntry(other());
    EXPECT_EQ(vm->currentEntry()->id, QStringLiteral("THIRD"));
    addRect(*vm->editor());
    store->deleteEntry(stored(QStringLiteral("THIRD")));
    EXPECT_TRUE(vm->mode().isEmpty());
    EXPECT_FALSE(vm->save());
    EXPECT_TRUE(QDir(lib).entryList({QStringLiteral("*.mebo")}).isEmpty());

    // An item whose image vanished another way is never given a project either.
    writePng(sampleScreenshot(16, 16), lib + QStringLiteral("/fourth.png"));
    store->addEntry(entry(QStringLiteral("FOURTH"), QStringLiteral("fourth.png"), 4));
    ASSERT_TRUE(vm->openItem(stored(QStringLiteral("FOURTH"))));
    addRect(*vm->editor());
    QFile::remove(lib + QStringLiteral("/fourth.png"));
    EXPECT_FALSE(vm->save());
    EXPECT_TRUE(vm->autosave());
    EXPECT_FALSE(QFileInfo::exists(lib + QStringLiteral("/fourth.mebo")));
}

// Only the open capture leaving the library with its file closes it: an image opened from
// elsewhere, or a capture no longer listed whose name still finds a file, stays open.
TEST_F(MainWindowVMTest, ChangesOfTheLibraryLeaveOtherOpenImagesAlone) {
    ASSERT_TRUE(vm->openItem(shot()));
    ASSERT_TRUE(vm->openImageFile(external)); // the entry opened before is left behind
    addRect(*vm->editor());
    EditorVM* open = vm->editor();
    store->deleteEntry(shot());
    store->deleteEntry(other());
    EXPECT_EQ(vm->editor(), open);
    EXPECT_FALSE(vm->currentEntry().has_value());
    EXPECT_EQ(vm->editor()->layers().size(), 1);

    writePng(sampleScreenshot(16, 16), lib + QStringLiteral("/third.png"));
    store->addEntry(entry(QStringLiteral("THIRD"), QStringLiteral("third.png"), 3));
    ASSERT_TRUE(vm->openItem(stored(QStringLiteral("THIRD"))));
    open = vm->editor();
    const QString elsewhere = tmp.path() + QStringLiteral("/elsewhere");
    QDir().mkpath(elsewhere);
    // The name still finds a file.
    writePng(sampleScreenshot(16, 16), elsewhere + QStringLiteral("/third.png"));
    cfg->setSaveDirectory(elsewhere);
    store->reload();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(vm->editor(), open);
    EXPECT_EQ(vm->currentEntry()->id, QStringLiteral("THIRD"));
}
