#include "HistoryFixture.h"
#include "support/Process.h"

#include "library/HistoryEntry.h"
#include "library/HistoryStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace mebo;

namespace {

// What one index entry points at on disk.
enum class Main { file, missing, directory, linkToFile, danglingLink };

struct Item {
    const char* name; // the id's last digits and the file's base name
    QString filename; // as stored; "$OUT" stands for the folder outside the library
    Main main;
    bool saveTargetExists; // a save target is recorded; whether its file exists
    bool hasSaveTarget;
};

// `mebo history list` over a library prepared on disk, with a private home so a prune's Trash is
// the test's own.
class HistoryListCommand : public test::HistoryFixture {
protected:
    void SetUp() override {
        out = tmp.path() + "/outside";
        QDir().mkpath(lib + "/sub");
        QDir().mkpath(out);
        env = {"HOME=" + tmp.path(), "XDG_CONFIG_HOME=" + tmp.path() + "/config",
               "XDG_DATA_HOME=" + tmp.path() + "/data", "XDG_CACHE_HOME=" + tmp.path() + "/cache"};
    }

    test::ProgramRun mebo(const QStringList& args) const { return test::runMebo(args, env); }

    static QString idOf(const char* name) {
        return QStringLiteral("00000000-0000-4000-8000-%1")
            .arg(QString::fromLatin1(name).rightJustified(12, '0'));
    }

    // Writes the files and the index (newest first, one minute apart).
    void prepare(const QList<Item>& items) {
        QList<HistoryEntry> entries;
        for (int i = 0; i < items.size(); ++i) {
            const Item& it = items[i];
            HistoryEntry e = entry(idOf(it.name), QString(it.filename).replace("$OUT", out), -i);
            const QString path =
                e.filename.startsWith('/') ? e.filename : QDir::cleanPath(lib + "/" + e.filename);
            switch (it.main) {
            case Main::file:
                touch(path);
                break;
            case Main::missing:
                break;
            case Main::directory:
                QDir().mkpath(path);
                break;
            case Main::linkToFile:
                QFile::link(touch(out + "/target-" + it.name), path);
                break;
            case Main::danglingLink:
                QFile::link(out + "/never-" + QString::fromLatin1(it.name), path);
                break;
            }
            if (it.hasSaveTarget) {
                e.saveTargetPath = out + "/export-" + it.name + ".png";
                if (it.saveTargetExists) {
                    touch(*e.saveTargetPath);
                }
            }
            entries << e;
        }
        writeIndex(entries);
    }

    QStringList listedIds(const QString& saveDir) const {
        const test::ProgramRun r = mebo({"history", "list", "--json", "--save-dir", saveDir});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        QStringList ids;
        for (const QJsonValue& v :
             QJsonDocument::fromJson(r.out.toUtf8()).object().value("entries").toArray()) {
            ids << v.toObject().value("id").toString();
        }
        return ids;
    }

    static QStringList ids(std::initializer_list<const char*> names) {
        QStringList out;
        for (const char* n : names) {
            out << idOf(n);
        }
        return out;
    }

    QString out;
    QStringList env;
};

const QList<Item> kMixedLibrary{
    {"1", "shot-1.png", Main::file, false, false},
    {"2", "gone.png", Main::missing, false, false},
    {"3", "folder.png", Main::directory, false, false},
    {"4", "linked.png", Main::linkToFile, false, false},
    {"5", "dangling.png", Main::danglingLink, false, false},
    {"6", "$OUT/absolute.png", Main::file, false, false},
    {"7", "$OUT/absolute-gone.png", Main::missing, false, false},
    {"8", "sub/../shot-8.png", Main::file, false, false},
    {"9", "exported-gone.png", Main::missing, true, true},
    {"10", "export-also-gone.png", Main::missing, false, true},
    {"11", "sub/nested.png", Main::file, false, false},
};

TEST_F(HistoryListCommand, ListsOnlyEntriesWhoseFilesAreThere) {
    prepare(kMixedLibrary);
    const QStringList expected = ids({"1", "4", "6", "8", "9", "11"});
    EXPECT_EQ(listedIds(lib), expected);
    // The corrected list is what the index holds afterwards too.
    EXPECT_EQ(indexIds(), expected);
}

TEST_F(HistoryListCommand, DeleteRemovesOneEntryByIdOnce) {
    prepare(kMixedLibrary);
    const QStringList args{"history", "delete", idOf("4"), "--save-dir", lib};
    const test::ProgramRun del = mebo(args);
    EXPECT_EQ(del.exitCode, 0) << del.err.toStdString();
    EXPECT_EQ(listedIds(lib), ids({"1", "6", "8", "9", "11"}));
    EXPECT_EQ(mebo(args).exitCode, 1);
}

} // namespace
